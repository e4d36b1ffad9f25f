#include "documents/DocumentReader.h"

#include "documents/EpubText.h"
#include "documents/MarkupText.h"
#include "documents/PdfText.h"
#include "documents/PlainText.h"
#include "documents/RtfReader.h"
#include "documents/WordOutline.h"
#include "documents/ZipArchive.h"
#include "platform/FileError.h"

#include <QCoreApplication>
#include <QFile>
#include <QTextDocument>
#include <cerrno>
#include <memory>

namespace documents {

namespace {

constexpr qsizetype kBinarySniffBytes = 4096;
constexpr qint64 kMaxManifestBytes = qint64(4) * 1024 * 1024;

QString tr(const char* text)
{
    return QCoreApplication::translate("DocumentReader", text);
}

QString passwordProtected()
{
    return tr("The document is protected by a password.");
}

// NUL bytes are never in text, except in UTF-16, which carries its byte-order mark.
bool looksBinary(const QByteArray& data)
{
    return !data.startsWith("\xFF\xFE") && !data.startsWith("\xFE\xFF") &&
           data.left(kBinarySniffBytes).contains('\0');
}

// An encrypted Office Open XML document is stored inside an OLE container as a stream
// of this name (in UTF-16).
bool isEncryptedOfficePackage(const QByteArray& data)
{
    static const QByteArray name = [] {
        const QString stream = QStringLiteral("EncryptedPackage");
        return QByteArray(reinterpret_cast<const char*>(stream.utf16()), stream.size() * 2);
    }();
    return data.contains(name);
}

DocumentKind zipKind(const ZipArchive& archive)
{
    if (epubtext::isEpub(archive)) {
        return DocumentKind::Epub;
    }
    const platform::Result<QByteArray> type = archive.read(QStringLiteral("mimetype"), 256);
    if (type && type.value().startsWith("application/vnd.oasis.opendocument.text")) {
        return DocumentKind::OpenDocument;
    }
    if (archive.contains(QStringLiteral("[Content_Types].xml")) &&
        archive.contains(QStringLiteral("word/document.xml"))) {
        return DocumentKind::OfficeOpenXml;
    }
    return DocumentKind::OtherZip;
}

DocumentKind kindWithoutArchive(const QByteArray& data)
{
    if (data.isEmpty()) {
        return DocumentKind::Empty;
    }
    if (pdftext::looksLikePdf(data)) {
        return DocumentKind::Pdf;
    }
    if (RtfReader::looksLikeRtf(data)) {
        return DocumentKind::RichText;
    }
    if (WordConverter::hasOleSignature(data)) {
        return DocumentKind::Word97;
    }
    if (ZipArchive::looksLikeZip(data)) {
        return DocumentKind::OtherZip;
    }
    if (looksBinary(data)) {
        return DocumentKind::Binary;
    }
    if (markuptext::looksLikeHtml(data)) {
        return DocumentKind::Html;
    }
    return markuptext::looksLikeMarkdown(plaintext::decode(data)) ? DocumentKind::Markdown
                                                                  : DocumentKind::PlainText;
}

// LibreOffice's text, and the outline read from the document's own XML beside it. The main
// part is read first: it proves the archive whole before the converter starts, and holds the
// headings.
platform::Result<DocumentText> convertWithOutline(const QByteArray& data, const ZipArchive& archive,
                                                  wordoutline::Format format,
                                                  const DocumentReadOptions& options)
{
    const bool openDocument = format == wordoutline::Format::OpenDocument;
    const platform::Result<QByteArray> body = archive.read(
        openDocument ? QStringLiteral("content.xml") : QStringLiteral("word/document.xml"),
        options.maxBytes);
    if (!body) {
        return platform::Failure{body.error()};
    }
    platform::Result<QString> text = WordConverter::convertData(
        data,
        openDocument ? WordConverter::Format::OpenDocument : WordConverter::Format::OfficeOpenXml,
        options.converterTimeoutMs);
    if (!text) {
        return platform::Failure{text.error()};
    }
    DocumentText read{std::move(text).value(), false, {}};
    read.outline = wordoutline::read(archive, format, body.value(), read.text);
    return read;
}

platform::Result<DocumentText> readArchive(const QByteArray& data,
                                           const DocumentReadOptions& options)
{
    const platform::Result<std::shared_ptr<ZipArchive>> opened = ZipArchive::open(data);
    if (!opened) {
        return platform::Failure{opened.error()};
    }
    const ZipArchive& archive = *opened.value();
    switch (zipKind(archive)) {
    case DocumentKind::Epub:
        return epubtext::read(archive, options.maxBytes);
    case DocumentKind::OpenDocument: {
        const platform::Result<QByteArray> manifest =
            archive.read(QStringLiteral("META-INF/manifest.xml"), kMaxManifestBytes);
        if (manifest && manifest.value().contains("encryption-data")) {
            return platform::Failure{passwordProtected()};
        }
        return convertWithOutline(data, archive, wordoutline::Format::OpenDocument, options);
    }
    case DocumentKind::OfficeOpenXml:
        return convertWithOutline(data, archive, wordoutline::Format::OfficeOpenXml, options);
    default:
        return platform::Failure{tr("The file is a zip archive that holds no document this program "
                                    "can read.")};
    }
}

} // namespace

DocumentKind documentKind(const QByteArray& data)
{
    const DocumentKind kind = kindWithoutArchive(data);
    if (kind != DocumentKind::OtherZip) {
        return kind;
    }
    const platform::Result<std::shared_ptr<ZipArchive>> archive = ZipArchive::open(data);
    return archive ? zipKind(*archive.value()) : DocumentKind::OtherZip;
}

platform::Result<DocumentKind> documentKindOfFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        const int error = errno;
        return platform::Failure{
            tr("The file cannot be opened: %1.").arg(platform::fileErrorText(error, &file))};
    }
    // Every sign but a zip archive's contents is in the first bytes, where the binary
    // test looks too.
    const DocumentKind kind = kindWithoutArchive(file.read(kBinarySniffBytes));
    if (kind != DocumentKind::OtherZip) {
        return kind;
    }
    const platform::Result<QByteArray> whole = documentfile::read(path);
    if (!whole) {
        return platform::Failure{whole.error()};
    }
    return documentKind(whole.value());
}

bool isReadableKind(DocumentKind kind)
{
    return kind != DocumentKind::Empty && kind != DocumentKind::OtherZip &&
           kind != DocumentKind::Binary;
}

namespace {

// Text read whole, from a reader that cannot tell a document cut short.
platform::Result<DocumentText> whole(platform::Result<QString> text)
{
    if (!text) {
        return platform::Failure{text.error()};
    }
    return DocumentText{std::move(text).value(), false, {}};
}

platform::Result<DocumentText> readRichText(const QByteArray& data)
{
    QTextDocument document;
    DocumentOutline outline;
    const platform::Result<RtfEnd> read = RtfReader::read(data, document, &outline);
    if (!read) {
        return platform::Failure{read.error()};
    }
    return DocumentText{document.toPlainText(), read.value() == RtfEnd::CutShort,
                        std::move(outline)};
}

// The data read as its kind says; `kind` is told without looking into a zip archive.
platform::Result<DocumentText> readData(const QByteArray& data, DocumentKind kind,
                                        const DocumentReadOptions& options)
{
    switch (kind) {
    case DocumentKind::Empty:
        return platform::Failure{tr("The file is empty.")};
    case DocumentKind::Pdf:
        return pdftext::read(data);
    case DocumentKind::RichText:
        return readRichText(data);
    case DocumentKind::Word97:
        if (isEncryptedOfficePackage(data)) {
            return platform::Failure{passwordProtected()};
        }
        return whole(WordConverter::convertData(data, WordConverter::Format::Word97,
                                                options.converterTimeoutMs));
    case DocumentKind::OtherZip:
        return readArchive(data, options);
    case DocumentKind::Binary:
        return platform::Failure{tr("The file is not a document this program can read.")};
    case DocumentKind::Html:
        return markuptext::htmlDocument(data);
    case DocumentKind::Markdown:
        return markuptext::markdownDocument(plaintext::decode(data));
    default:
        return whole(plaintext::decode(data));
    }
}

// Whether a document of this kind is read by its content whichever kind the open dialog's
// entry named, rather than shown as its raw bytes.
bool readsByContentAlways(const QByteArray& data, DocumentKind kind)
{
    if (kind == DocumentKind::OtherZip) {
        return documentKind(data) != DocumentKind::OtherZip;
    }
    return kind == DocumentKind::RichText || kind == DocumentKind::Pdf;
}

// The document with its outline made to keep its promises, whichever reader made it.
platform::Result<DocumentText> finished(platform::Result<DocumentText> read)
{
    if (!read) {
        return read;
    }
    DocumentText document = std::move(read).value();
    finishOutline(document.outline, document.text);
    return document;
}

platform::Result<DocumentText> readFileAs(const QString& path, ReadingChoice choice,
                                          const DocumentReadOptions& options)
{
    const platform::Result<QByteArray> file = documentfile::read(path, options.maxBytes);
    if (!file) {
        return platform::Failure{file.error()};
    }
    const QByteArray& data = file.value();
    if (choice == ReadingChoice::RichText) {
        return readRichText(data);
    }
    const DocumentKind kind = kindWithoutArchive(data);
    if (choice == ReadingChoice::ByContent || readsByContentAlways(data, kind)) {
        return readData(data, kind, options);
    }
    if (choice == ReadingChoice::Word) {
        return whole(WordConverter::convertWord(data, options.converterTimeoutMs));
    }
    return whole(plaintext::decode(data));
}

} // namespace

platform::Result<DocumentText> readDocumentAs(const QString& path, ReadingChoice choice,
                                              const DocumentReadOptions& options)
{
    return finished(readFileAs(path, choice, options));
}

platform::Result<DocumentText> readDocumentData(const QByteArray& data,
                                                const DocumentReadOptions& options)
{
    return finished(readData(data, kindWithoutArchive(data), options));
}

platform::Result<QString> readDocument(const QString& path)
{
    return readDocument(path, DocumentReadOptions());
}

platform::Result<QString> readDocument(const QString& path, const DocumentReadOptions& options)
{
    platform::Result<DocumentText> read = readDocumentAs(path, ReadingChoice::ByContent, options);
    if (!read) {
        return platform::Failure{read.error()};
    }
    return std::move(read).value().text;
}

} // namespace documents
