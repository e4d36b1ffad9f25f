#include "documents/EpubText.h"

#include "documents/MarkupText.h"
#include "documents/ZipArchive.h"

#include <QCoreApplication>
#include <QDir>
#include <QHash>
#include <QUrl>
#include <QXmlStreamReader>

namespace documents::epubtext {

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("EpubText", text);
}

constexpr qint64 kMaxMetadataBytes = qint64(4) * 1024 * 1024;

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

// The chapters' paths in spine order, relative to the archive's root.
QStringList spine(const QByteArray& package, const QString& packageDir)
{
    QHash<QString, QString> hrefs;
    QStringList order;
    QXmlStreamReader xml(package);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) {
            continue;
        }
        const QXmlStreamAttributes attributes = xml.attributes();
        if (xml.name() == u"item") {
            const QStringView type = attributes.value(QStringLiteral("media-type"));
            if (type == u"application/xhtml+xml" || type == u"text/html") {
                hrefs.insert(attributes.value(QStringLiteral("id")).toString(),
                             attributes.value(QStringLiteral("href")).toString());
            }
        } else if (xml.name() == u"itemref") {
            order << attributes.value(QStringLiteral("idref")).toString();
        }
    }
    QStringList paths;
    for (const QString& id : std::as_const(order)) {
        const QString href = hrefs.value(id);
        if (href.isEmpty()) {
            continue;
        }
        const QString relative = QUrl::fromPercentEncoding(href.section(u'#', 0, 0).toUtf8());
        paths << QDir::cleanPath(packageDir.isEmpty() ? relative : packageDir + u'/' + relative);
    }
    return paths;
}

} // namespace

bool isEpub(const ZipArchive& archive)
{
    const platform::Result<QByteArray> type = archive.read(QStringLiteral("mimetype"), 64);
    return type && type.value().trimmed() == "application/epub+zip";
}

platform::Result<QString> read(const ZipArchive& archive, qint64 maxBytes)
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
    const platform::Result<QByteArray> package = archive.read(opf, kMaxMetadataBytes);
    if (!package) {
        return platform::Failure{package.error()};
    }
    QString text;
    qint64 budget = maxBytes;
    const QStringList chapters = spine(package.value(), opf.section(u'/', 0, -2));
    for (const QString& chapter : chapters) {
        const platform::Result<QByteArray> page = archive.read(chapter, budget);
        if (!page) {
            return platform::Failure{page.error()};
        }
        budget -= page.value().size();
        if (!text.isEmpty()) {
            text.append(u'\n');
        }
        text.append(markuptext::fromHtml(page.value()));
    }
    return text;
}

} // namespace documents::epubtext
