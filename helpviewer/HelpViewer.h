#pragma once

#include "platform/OleColor.h"

#include <QPoint>
#include <QRect>
#include <QString>
#include <optional>
#include <variant>

class QWidget;

// The compiled-help viewer, reached the way the help wrapper reaches it: one entry
// point taking a window, a file path ("file.chm" or "file.chm>window type"), a command
// and the command's data. Tests install a fake that records the calls.
namespace helpviewer {

// The help viewer's published command numbers.
enum class HelpCommand : unsigned {
    DisplayTopic = 0x00,
    DisplayToc = 0x01,
    DisplayIndex = 0x02,
    DisplaySearch = 0x03,
    KeywordLookup = 0x0D,
    DisplayTextPopup = 0x0E,
    HelpContext = 0x0F,
    CloseAll = 0x12,
    ALinkLookup = 0x13,
};

// Full-text search request (HH_FTS_QUERY).
struct HelpFtsQuery
{
    int structSize = 32;
    bool unicodeStrings = false;
    QString searchQuery;
    int proximity = 0;
    bool stemmedSearch = false;
    bool titleOnly = false;
    bool execute = true;
    QString windowName;
};

// Keyword or associative-link look-up (HH_AKLINK). A missing value is the null
// pointer of the original structure.
struct HelpAkLink
{
    int structSize = 28;
    bool reserved = false;
    std::optional<QString> keywords;
    std::optional<QString> url;
    std::optional<QString> msgText;
    std::optional<QString> msgTitle;
    std::optional<QString> window;
    bool indexOnFail = false;
};

// Text pop-up (HH_POPUP). `textId` names a topic of the file's pop-up text file, or a
// string of the program when no file is given; `text` is used when it is set.
struct HelpPopup
{
    int structSize = 52;
    quintptr instance = 0;
    quint32 textId = 0;
    std::optional<QString> text;
    QPoint position;
    platform::OleColor foreground = 0xFFFFFFFFu; // -1: the viewer's default
    platform::OleColor background = 0xFFFFFFFFu;
    QRect margins = QRect(QPoint(-1, -1), QPoint(-1, -1));
    QString font; // "face, size, charset, styles"
};

// The command's data: a number (often 0), a topic path, or one of the structures.
using HelpData = std::variant<quintptr, QString, HelpFtsQuery, HelpAkLink, HelpPopup>;

// A viewer window as the caller knows it; 0 is "no window".
using HelpWindowHandle = quintptr;

class HelpViewer
{
public:
    virtual ~HelpViewer() = default;

    virtual HelpWindowHandle htmlHelp(QWidget* caller, const QString& file, HelpCommand command,
                                      const HelpData& data) = 0;
    // Removes an item from a viewer window's system menu by its command; false when the
    // window has no such item.
    virtual bool deleteSystemMenuItem(HelpWindowHandle window, unsigned command) = 0;
};

} // namespace helpviewer
