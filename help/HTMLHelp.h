#pragma once

#include "helpviewer/HelpViewer.h"
#include "platform/OleColor.h"

#include <QString>
#include <optional>

class QWidget;

namespace help {

// The HTML Help wrapper: shows topics, contents, index, search, keyword and
// associative-link look-ups and text pop-ups of a compiled help file, registers help
// files, and reports the installed versions of the help viewer and the browser
// component. What the user must know is shown in boxes titled "HTML Help Class".
class HTMLHelp
{
public:
    // Where a pop-up's text comes from; the form property holds the number.
    enum class PopupType : qint32 {
        HelpFileText = 1, // a text file inside the help file, by id
        Resource = 2,     // a string resource, by id
        Literal = 4       // the pop-up text itself
    };

    HTMLHelp() = default;

    // Help file; a bare name is looked up and replaced by a full path on display.
    QString CHMFile() const { return m_chmFile; }
    void setCHMFile(const QString& value) { m_chmFile = value; }
    QString HHWindow() const { return m_window; }
    void setHHWindow(const QString& value) { m_window = value; }
    QString HHTopicURL() const { return m_topicUrl; }
    void setHHTopicURL(const QString& value) { m_topicUrl = value; }
    qint32 HHTopicID() const { return m_topicId; }
    void setHHTopicID(qint32 value) { m_topicId = value; }
    QString HHKeyword() const { return m_keyword; }
    void setHHKeyword(const QString& value) { m_keyword = value; }
    QString HHALink() const { return m_aLink; }
    void setHHALink(const QString& value) { m_aLink = value; }
    QString HHDefaultURL() const { return m_defaultUrl; }
    void setHHDefaultURL(const QString& value) { m_defaultUrl = value; }
    QString HHMsgText() const { return m_msgText; }
    void setHHMsgText(const QString& value) { m_msgText = value; }
    QString HHMsgTitle() const { return m_msgTitle; }
    void setHHMsgTitle(const QString& value) { m_msgTitle = value; }
    bool HHShowOnTop() const { return m_showOnTop; }
    void setHHShowOnTop(bool value) { m_showOnTop = value; }

    void setHHPopupFile(const QString& value) { m_popupFile = value; }
    void setHHPopupID(qint32 value) { m_popupId = value; }
    void setHHPopupText(const QString& value) { m_popupText = value; }
    // Any other number shows no pop-up.
    void setHHPopupType(qint32 value);
    void setHHPopupType(PopupType value) { m_popupType = value; }
    void setHHPopupTextColor(platform::OleColor value) { m_popupTextColor = value; }
    void setHHPopupBackColor(platform::OleColor value) { m_popupBackColor = value; }
    void setHHPopupCustomTextColor(platform::OleColor value) { m_popupCustomTextColor = value; }
    void setHHPopupCustomBackColor(platform::OleColor value) { m_popupCustomBackColor = value; }
    bool HHPopupCustomColors() const { return m_popupCustomColors; }
    void setHHPopupCustomColors(bool value) { m_popupCustomColors = value; }
    void setHHPopupTextFont(const QString& value) { m_popupTextFont = value; }
    void setHHPopupTextSize(const QString& value) { m_popupTextSize = value; }
    void setHHPopupTextBold(bool value) { m_popupTextBold = value; }
    void setHHPopupTextItalic(bool value) { m_popupTextItalic = value; }
    void setHHPopupTextUnderline(bool value) { m_popupTextUnderline = value; }

    // Results of the last registry check.
    QString HHRegFileName() const { return m_regFileName; }
    QString HHRegFilePath() const { return m_regFilePath; }
    bool HHRegFileExists() const { return m_regFileExists; }

    bool HHInstalled() const;
    QString HHVersion();
    QString IEVersion();
    QString HHFriendlyName();
    QString IEFriendlyName();
    // The window returned by the last display call; warns and gives 0 when there is none.
    helpviewer::HelpWindowHandle HHWndHandle() const;

    void HHDeleteJumpURLSysMenu(helpviewer::HelpWindowHandle window);
    void HHDisplayTopicURL(QWidget* caller = nullptr);
    void HHDisplayTopicID(QWidget* caller = nullptr);
    void HHDisplaySearch(QWidget* caller = nullptr);
    void HHDisplayKeyword(QWidget* caller = nullptr);
    void HHDisplayIndex(QWidget* caller = nullptr);
    void HHDisplayContents(QWidget* caller = nullptr);
    void HHDisplayALink(QWidget* caller = nullptr);
    void HHRegister(const QString& filePath);
    void HHUnRegister(const QString& file);
    void HHCheckRegistry(const QString& file);
    void HHClose();
    void HHDisplayPopup(QWidget* caller);
    void HHInvokeWhatsThisHelp(QWidget* caller);
    bool HHVerifyMinConfig(qint32 minimumViewer, qint32 minimumBrowser);
    // Makes a bare name a full path (registered folder, else the program's folder) and
    // checks that the file is there, warning when it is not.
    bool EnsureFileExists(QString& file);
    QString HHSetHelpFile(qint16 selector) const;

    // The version text of a file's fixed version: "4.74.8702.00", or with a zero build
    // number "major.minor.rrrr".
    static QString versionString(quint16 major, quint16 minor, quint16 build, quint16 revision);
    static QString viewerFriendlyName(const QString& version);
    static QString browserFriendlyName(const QString& version);
    // Compares dotted versions part by part as numbers; a missing part counts as 0 and a
    // part that is not a number makes the version the smallest.
    static int compareVersions(const QString& a, const QString& b);

private:
    // The file-type check of every operation on a help file.
    bool isHelpFile(const QString& file) const;
    // The common part of the seven display operations; false when a check failed.
    bool prepareDisplay(QWidget* caller, QString* path, QWidget** owner);
    void display(QWidget* caller, helpviewer::HelpCommand command,
                 const helpviewer::HelpData& data);
    helpviewer::HelpAkLink akLink(const QString& keywords) const;
    // The file version of a registered component, or empty after telling why not.
    QString componentVersion(const QString& classKey, const QString& notRegistered,
                             const QString& notInLocation);

    QString m_chmFile;
    QString m_window;
    QString m_topicUrl;
    qint32 m_topicId = 0;
    QString m_keyword;
    QString m_aLink;
    QString m_defaultUrl;
    QString m_msgText;
    QString m_msgTitle;
    bool m_showOnTop = false;

    QString m_popupFile;
    qint32 m_popupId = 0;
    QString m_popupText;
    std::optional<PopupType> m_popupType;
    platform::OleColor m_popupTextColor = 0;
    platform::OleColor m_popupBackColor = 0;
    platform::OleColor m_popupCustomTextColor = 0;
    platform::OleColor m_popupCustomBackColor = 0;
    bool m_popupCustomColors = false;
    QString m_popupTextFont;
    QString m_popupTextSize;
    bool m_popupTextBold = false;
    bool m_popupTextItalic = false;
    bool m_popupTextUnderline = false;

    QString m_regFileName;
    QString m_regFilePath;
    bool m_regFileExists = false;
    QString m_hhVersion;
    QString m_ieVersion;
    QString m_hhFriendlyName;
    QString m_ieFriendlyName;
    helpviewer::HelpWindowHandle m_wndHandle = 0;
};

} // namespace help
