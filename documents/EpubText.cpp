#include "documents/EpubText.h"

#include "documents/MarkupText.h"
#include "documents/ZipArchive.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QHash>
#include <QImageReader>
#include <QSet>
#include <QTextDocument>
#include <QUrl>
#include <QXmlStreamReader>
#include <algorithm>

namespace documents::epubtext {

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("EpubText", text);
}

constexpr qint64 kMaxMetadataBytes = qint64(4) * 1024 * 1024;
constexpr qint64 kMaxCoverBytes = qint64(32) * 1024 * 1024;

// Obfuscated fonts are listed as encrypted too; only other methods lock the text.
bool isFontObfuscation(QStringView algorithm)
{
    return algorithm == u"http://www.idpf.org/2008/embedding" ||
           algorithm == u"http://ns.adobe.com/pdf/enc#RC";
}

bool hasRightsManagement(const ZipArchive& archive)
{
    if (archive.contains(QStringLiteral("META-INF/rights.xml"))) {
        return true;
    }
    const platform::Result<QByteArray> encryption =
        archive.read(QStringLiteral("META-INF/encryption.xml"), kMaxMetadataBytes);
    if (!encryption) {
        return false;
    }
    QXmlStreamReader xml(encryption.value());
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"EncryptionMethod" &&
            !isFontObfuscation(xml.attributes().value(QStringLiteral("Algorithm")))) {
            return true;
        }
    }
    return false;
}

// The package document's path: the first root file named in the container.
QString packagePath(const QByteArray& container)
{
    QXmlStreamReader xml(container);
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"rootfile") {
            return xml.attributes().value(QStringLiteral("full-path")).toString();
        }
    }
    return {};
}

QString resolve(const QString& dir, QStringView href)
{
    const QString relative = QUrl::fromPercentEncoding(href.toUtf8());
    return QDir::cleanPath(dir.isEmpty() ? relative : dir + u'/' + relative);
}

QString folderOf(const QString& path)
{
    return path.section(u'/', 0, -2);
}

bool isDublinCore(const QXmlStreamReader& xml, QStringView name)
{
    return xml.name() == name && xml.namespaceUri() == u"http://purl.org/dc/elements/1.1/";
}

struct ManifestItem
{
    QString path; // relative to the archive's root
    QString mediaType;
    QString properties;

    bool has(QStringView property) const
    {
        return properties.split(u' ', Qt::SkipEmptyParts).contains(property);
    }
};

// What the package document says: its items, their reading order and the book's metadata.
// Where the package offers several candidates (tables of contents, covers, items of one id)
// the first in its own order is taken, so a book reads the same every time.
struct Package
{
    QList<ManifestItem> items; // in the manifest's order
    QHash<QString, qsizetype> firstById;
    QStringList spine; // item ids in reading order
    QString ncxId;     // the spine's "toc": the older table of contents
    QString coverId;   // the older cover <meta>
    QString title;
    QString author;

    const ManifestItem* item(const QString& id) const
    {
        const qsizetype at = firstById.value(id, -1);
        return at < 0 ? nullptr : &items.at(at);
    }

    template <typename Wanted> const ManifestItem* first(Wanted wanted) const
    {
        const auto found = std::find_if(items.cbegin(), items.cend(), wanted);
        return found == items.cend() ? nullptr : &*found;
    }
};

Package readPackage(const QByteArray& data, const QString& dir)
{
    Package package;
    QXmlStreamReader xml(data);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) {
            continue;
        }
        const QXmlStreamAttributes attributes = xml.attributes();
        const auto value = [&](const char* name) {
            return attributes.value(QLatin1String(name)).toString();
        };
        if (xml.name() == u"item") {
            const QString id = value("id");
            if (!id.isEmpty() && !package.firstById.contains(id)) {
                package.firstById.insert(id, package.items.size());
            }
            package.items << ManifestItem{resolve(dir, value("href").section(u'#', 0, 0)),
                                          value("media-type"), value("properties")};
        } else if (xml.name() == u"itemref") {
            package.spine << value("idref");
        } else if (xml.name() == u"spine") {
            package.ncxId = value("toc");
        } else if (xml.name() == u"meta" && value("name") == u"cover" &&
                   package.coverId.isEmpty()) {
            package.coverId = value("content");
        } else if (package.title.isEmpty() && isDublinCore(xml, u"title")) {
            package.title = xml.readElementText(QXmlStreamReader::IncludeChildElements);
        } else if (package.author.isEmpty() && isDublinCore(xml, u"creator")) {
            package.author = xml.readElementText(QXmlStreamReader::IncludeChildElements);
        }
    }
    return package;
}

bool isPage(const ManifestItem& item)
{
    return item.mediaType == u"application/xhtml+xml" || item.mediaType == u"text/html";
}

// One entry of the book's table of contents, its target split into page and anchor.
struct NavigationEntry
{
    QString title;
    QString path;
    QString anchor;
    int level = 1;
};

NavigationEntry entryFor(const QString& dir, const QString& title, QStringView target, int level)
{
    const qsizetype hash = target.indexOf(u'#');
    const QStringView page = hash < 0 ? target : target.left(hash);
    const QStringView anchor = hash < 0 ? QStringView() : target.sliced(hash + 1);
    return NavigationEntry{title, resolve(dir, page), QUrl::fromPercentEncoding(anchor.toUtf8()),
                           level};
}

// The newer table of contents: the links of the navigation document's "toc" <nav>, a list's
// depth giving each its level. A page that is not well-formed gives the entries before the fault.
QList<NavigationEntry> readNavigation(const QByteArray& data, const QString& dir)
{
    QList<NavigationEntry> entries;
    QXmlStreamReader xml(data);
    int navDepth = 0; // elements open inside the table of contents, 0 outside it
    int listDepth = 0;
    while (!xml.atEnd() && xml.readNext() != QXmlStreamReader::Invalid) {
        if (xml.isStartElement()) {
            if (navDepth == 0) {
                const QStringView type = xml.attributes().value(
                    QStringLiteral("http://www.idpf.org/2007/ops"), QStringLiteral("type"));
                if (xml.name() == u"nav" && type.split(u' ').contains(u"toc")) {
                    navDepth = 1;
                }
                continue;
            }
            ++navDepth;
            if (xml.name() == u"ol") {
                ++listDepth;
            } else if (xml.name() == u"a") {
                const QString href = xml.attributes().value(QStringLiteral("href")).toString();
                entries << entryFor(dir,
                                    xml.readElementText(QXmlStreamReader::IncludeChildElements),
                                    href, listDepth);
                --navDepth;
            }
        } else if (xml.isEndElement() && navDepth > 0) {
            if (--navDepth == 0) {
                break;
            }
            if (xml.name() == u"ol") {
                --listDepth;
            }
        }
    }
    return entries;
}

// The older table of contents (NCX): nested navigation points, each a label and a target.
QList<NavigationEntry> readNcx(const QByteArray& data, const QString& dir)
{
    QList<NavigationEntry> entries;
    QXmlStreamReader xml(data);
    int depth = 0;
    QString label;
    while (!xml.atEnd() && xml.readNext() != QXmlStreamReader::Invalid) {
        if (xml.isStartElement()) {
            if (xml.name() == u"navPoint") {
                ++depth;
                label.clear();
            } else if (xml.name() == u"text" && depth > 0) {
                label = xml.readElementText(QXmlStreamReader::IncludeChildElements);
            } else if (xml.name() == u"content" && depth > 0) {
                entries << entryFor(dir, label, xml.attributes().value(QStringLiteral("src")),
                                    depth);
            }
        } else if (xml.isEndElement() && xml.name() == u"navPoint") {
            --depth;
        }
    }
    return entries;
}

// The navigation document when it has a table of contents, else the NCX the spine names,
// else the first NCX of the manifest.
QList<NavigationEntry> tableOfContents(const ZipArchive& archive, const Package& package)
{
    if (const ManifestItem* nav =
            package.first([](const ManifestItem& item) { return item.has(u"nav"); })) {
        const platform::Result<QByteArray> data = archive.read(nav->path, kMaxMetadataBytes);
        if (data) {
            QList<NavigationEntry> entries = readNavigation(data.value(), folderOf(nav->path));
            if (!entries.isEmpty()) {
                return entries;
            }
        }
    }
    const ManifestItem* ncx = package.item(package.ncxId);
    if (ncx == nullptr) {
        ncx = package.first(
            [](const ManifestItem& item) { return item.mediaType == u"application/x-dtbncx+xml"; });
    }
    if (ncx == nullptr) {
        return {};
    }
    const platform::Result<QByteArray> data = archive.read(ncx->path, kMaxMetadataBytes);
    return data ? readNcx(data.value(), folderOf(ncx->path)) : QList<NavigationEntry>();
}

// The cover picture, left out when it is missing or does not decode as a picture.
std::optional<Cover> readCover(const ZipArchive& archive, const Package& package)
{
    const ManifestItem* item =
        package.first([](const ManifestItem& item) { return item.has(u"cover-image"); });
    if (item == nullptr) {
        item = package.item(package.coverId);
    }
    if (item == nullptr) {
        return std::nullopt;
    }
    platform::Result<QByteArray> data = archive.read(item->path, kMaxCoverBytes);
    if (!data) {
        return std::nullopt;
    }
    QByteArray bytes = std::move(data).value();
    QBuffer buffer(&bytes);
    QImageReader reader(&buffer);
    const QByteArray format = reader.format();
    if (reader.read().isNull()) {
        return std::nullopt;
    }
    return Cover{bytes, QLatin1String("image/") + QLatin1String(format)};
}

} // namespace

bool isEpub(const ZipArchive& archive)
{
    const platform::Result<QByteArray> type = archive.read(QStringLiteral("mimetype"), 64);
    return type && type.value().trimmed() == "application/epub+zip";
}

platform::Result<DocumentText> read(const ZipArchive& archive, qint64 maxBytes)
{
    if (hasRightsManagement(archive)) {
        return platform::Failure{tr("The book is locked by digital rights management (DRM).")};
    }
    const platform::Result<QByteArray> container =
        archive.read(QStringLiteral("META-INF/container.xml"), kMaxMetadataBytes);
    if (!container) {
        return platform::Failure{container.error()};
    }
    const QString opf = packagePath(container.value());
    if (opf.isEmpty()) {
        return platform::Failure{tr("The book is damaged: it names no content.")};
    }
    const platform::Result<QByteArray> packageData = archive.read(opf, kMaxMetadataBytes);
    if (!packageData) {
        return platform::Failure{packageData.error()};
    }
    const Package package = readPackage(packageData.value(), folderOf(opf));
    const QList<NavigationEntry> contents = tableOfContents(archive, package);
    QHash<QString, QSet<QString>> anchors; // wanted, by page
    for (const NavigationEntry& entry : contents) {
        if (!entry.anchor.isEmpty()) {
            anchors[entry.path].insert(entry.anchor);
        }
    }

    DocumentText book;
    QString& text = book.text;
    QHash<QString, qsizetype> pageStarts;
    QHash<QString, qsizetype> anchorStarts; // "page#anchor"
    qint64 budget = maxBytes;
    for (const QString& id : package.spine) {
        const ManifestItem* item = package.item(id);
        if (item == nullptr || !isPage(*item)) {
            continue;
        }
        const platform::Result<QByteArray> page = archive.read(item->path, budget);
        if (!page) {
            return platform::Failure{page.error()};
        }
        budget -= page.value().size();
        if (!text.isEmpty()) {
            text.append(u'\n');
        }
        pageStarts.insert(item->path, text.size());
        QTextDocument document;
        markuptext::setHtml(document, page.value());
        QList<qsizetype> lineStarts;
        const QSet<QString> wanted = anchors.value(item->path);
        const QString pageText =
            markuptext::plainText(document, wanted.isEmpty() ? nullptr : &lineStarts);
        const QHash<QString, qsizetype> found =
            markuptext::anchorStarts(document, lineStarts, wanted);
        for (auto it = found.constBegin(); it != found.constEnd(); ++it) {
            anchorStarts.insert(item->path + u'#' + it.key(), text.size() + it.value());
        }
        text.append(pageText);
    }

    DocumentOutline& outline = book.outline;
    outline.title = package.title;
    outline.author = package.author;
    outline.cover = readCover(archive, package);
    for (const NavigationEntry& entry : contents) {
        const qsizetype start = entry.anchor.isEmpty()
                                    ? pageStarts.value(entry.path, -1)
                                    : anchorStarts.value(entry.path + u'#' + entry.anchor,
                                                         pageStarts.value(entry.path, -1));
        if (start >= 0 && entry.level <= kMaxChapterLevel) {
            outline.chapters.append(Chapter{entry.title, start, std::max(entry.level, 1)});
        }
    }
    return book;
}

} // namespace documents::epubtext
