#pragma once

#include "helpviewer/ChmFile.h"

#include <QTextBrowser>
#include <memory>

// A text browser that serves pages, pictures and style sheets from inside a compiled
// help file. Pages are addressed as "its:/path/page.htm" so that relative links
// resolve inside the file.
namespace helpviewer {

class ChmBrowser : public QTextBrowser
{
    Q_OBJECT
public:
    static constexpr const char* Scheme = "its";

    explicit ChmBrowser(QWidget* parent = nullptr);

    void setHelpFile(std::shared_ptr<const ChmFile> file);
    const ChmFile* helpFile() const { return m_file.get(); }

    // The address of a path inside the file ("/a.htm#part" -> "its:/a.htm#part").
    static QUrl urlFor(const QString& topic);
    // The path inside the file an address names; empty for an outside address.
    static QString pathOf(const QUrl& url);

    QVariant loadResource(int type, const QUrl& name) override;

Q_SIGNALS:
    // A link that leaves the help file was followed.
    void externalLinkClicked(const QUrl& url);

protected:
    void doSetSource(const QUrl& name, QTextDocument::ResourceType type) override;

private:
    std::shared_ptr<const ChmFile> m_file;
};

} // namespace helpviewer
