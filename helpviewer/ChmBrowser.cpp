#include "helpviewer/ChmBrowser.h"

#include <QDesktopServices>
#include <QRegularExpression>

namespace helpviewer {

ChmBrowser::ChmBrowser(QWidget* parent) : QTextBrowser(parent)
{
    setOpenLinks(true);
    setOpenExternalLinks(false);
}

void ChmBrowser::setHelpFile(std::shared_ptr<const ChmFile> file)
{
    m_file = std::move(file);
    document()->clear();
    clearHistory();
}

QUrl ChmBrowser::urlFor(const QString& topic)
{
    QString path = topic;
    QString fragment;
    const qsizetype hash = path.indexOf(QLatin1Char('#'));
    if (hash >= 0) {
        fragment = path.mid(hash + 1);
        path.truncate(hash);
    }
    QUrl url;
    url.setScheme(QLatin1String(Scheme));
    url.setPath(ChmFile::normalizePath(path));
    if (!fragment.isEmpty()) {
        url.setFragment(fragment);
    }
    return url;
}

QString ChmBrowser::pathOf(const QUrl& url)
{
    if (url.scheme() == QLatin1String(Scheme)) {
        return ChmFile::normalizePath(url.path());
    }
    // Links written for the help viewer itself: "ms-its:file.chm::/page.htm" and
    // "mk:@MSITStore:file.chm::/page.htm" name a page of a help file.
    const QString text = url.toString();
    static const QRegularExpression itsLink(
        QStringLiteral("^(?:ms-its:|mk:@MSITStore:|its:)[^:]*::(/[^#]*)"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = itsLink.match(text);
    if (match.hasMatch()) {
        return ChmFile::normalizePath(match.captured(1));
    }
    return {};
}

QVariant ChmBrowser::loadResource(int type, const QUrl& name)
{
    const QString path = pathOf(name);
    if (!m_file || path.isEmpty()) {
        return QTextBrowser::loadResource(type, name);
    }
    const std::optional<QByteArray> data = m_file->object(path);
    if (!data) {
        if (type == QTextDocument::HtmlResource) {
            return QStringLiteral("<html><head><title>Page not found</title></head><body>"
                                  "<h2>Page not found</h2><p>The page <b>%1</b> is not in the "
                                  "help file.</p></body></html>")
                .arg(path.mid(1).toHtmlEscaped());
        }
        return {};
    }
    if (type == QTextDocument::HtmlResource || type == QTextDocument::StyleSheetResource) {
        return ChmFile::decodeText(*data);
    }
    return *data;
}

void ChmBrowser::doSetSource(const QUrl& name, QTextDocument::ResourceType type)
{
    if (name.isRelative() || !pathOf(name).isEmpty()) {
        QUrl target = name;
        if (!name.isRelative() && name.scheme() != QLatin1String(Scheme)) {
            target = urlFor(pathOf(name));
            target.setFragment(name.fragment());
        }
        QTextBrowser::doSetSource(target, type);
        return;
    }
    Q_EMIT externalLinkClicked(name);
    QDesktopServices::openUrl(name);
}

} // namespace helpviewer
