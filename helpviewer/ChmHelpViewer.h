#pragma once

#include "helpviewer/ChmFile.h"
#include "helpviewer/HelpPopupWindow.h"
#include "helpviewer/HelpViewer.h"
#include "helpviewer/HelpWindow.h"

#include <QDateTime>
#include <QHash>
#include <QPointer>
#include <memory>

// The real help viewer: reads compiled help files with chmlib and shows them in
// help windows, one per file and window type, reused by later calls.
namespace helpviewer {

class ChmHelpViewer final : public HelpViewer
{
public:
    ChmHelpViewer() = default;
    ~ChmHelpViewer() override;
    ChmHelpViewer(const ChmHelpViewer&) = delete;
    ChmHelpViewer& operator=(const ChmHelpViewer&) = delete;

    HelpWindowHandle htmlHelp(QWidget* caller, const QString& file, HelpCommand command,
                              const HelpData& data) override;
    bool deleteSystemMenuItem(HelpWindowHandle window, unsigned command) override;

    // The open window a handle names, or nullptr.
    HelpWindow* window(HelpWindowHandle handle) const;
    // The pop-up on screen, or nullptr.
    HelpPopupWindow* popup() const { return m_popup; }
    void closeAll();

private:
    struct Target
    {
        QString file;
        QString windowType;
        QString topic; // from "file.chm::/topic.htm"
    };
    struct CachedFile
    {
        QDateTime modified;
        qint64 size = 0;
        std::shared_ptr<const ChmFile> file;
    };

    static Target parseTarget(const QString& path);
    std::shared_ptr<const ChmFile> load(const QString& path);
    // The window for a file and window type, created on first use.
    std::pair<HelpWindowHandle, HelpWindow*> windowFor(const std::shared_ptr<const ChmFile>& file,
                                                       const QString& windowType, QWidget* caller);
    HelpWindowHandle lookUp(const std::shared_ptr<const ChmFile>& file, const Target& target,
                            QWidget* caller, HelpCommand command, const HelpAkLink& link);
    HelpWindowHandle showPopup(const QString& file, const HelpPopup& popup);

    QHash<QString, CachedFile> m_files;
    QHash<HelpWindowHandle, QPointer<HelpWindow>> m_windows;
    QPointer<HelpPopupWindow> m_popup;
    HelpWindowHandle m_nextHandle = 0x1000;
};

// The viewer in use; this one unless a test installed another.
HelpViewer& currentHelpViewer();
// Installs a viewer; nullptr puts this one back. The caller keeps ownership.
void setCurrentHelpViewer(HelpViewer* viewer);

} // namespace helpviewer
