#include "documents/WordOutline.h"

#include "documents/ZipArchive.h"

#include <QHash>
#include <QXmlStreamReader>

namespace documents::wordoutline {

namespace {

constexpr qint64 kMaxPartBytes = qint64(64) * 1024 * 1024;
constexpr qint64 kMaxPropertiesBytes = qint64(1) * 1024 * 1024;
// Following a chain of styles further than this is a loop.
constexpr int kMaxStyleChain = 32;

QByteArray member(const ZipArchive& archive, const QString& name, qint64 maxBytes)
{
    const platform::Result<QByteArray> data = archive.read(name, maxBytes);
    return data ? data.value() : QByteArray();
}

struct WordStyle
{
    int level = 0; // 0: none of its own
    QString basedOn;
};

QHash<QString, WordStyle> wordStyles(const QByteArray& data)
{
    QHash<QString, WordStyle> styles;
    QXmlStreamReader xml(data);
    QString id;
    while (!xml.atEnd() && xml.readNext() != QXmlStreamReader::Invalid) {
        if (!xml.isStartElement()) {
            continue;
        }
        const QStringView value = xml.attributes().value(QStringLiteral("w:val"));
        if (xml.name() == u"style") {
            id = xml.attributes().value(QStringLiteral("w:styleId")).toString();
            styles[id].level = headingLevelOfStyleName(id);
        } else if (id.isEmpty()) {
            continue;
        } else if (xml.name() == u"name" && headingLevelOfStyleName(value) > 0) {
            styles[id].level = headingLevelOfStyleName(value);
        } else if (xml.name() == u"basedOn") {
            styles[id].basedOn = value.toString();
        } else if (xml.name() == u"outlineLvl") {
            styles[id].level = value.toInt() + 1;
        }
    }
    return styles;
}

// A style not defined in the document still names its level ("Heading1").
int styleLevel(const QHash<QString, WordStyle>& styles, QString id)
{
    for (int i = 0; i < kMaxStyleChain && !id.isEmpty(); ++i) {
        const auto style = styles.constFind(id);
        if (style == styles.constEnd()) {
            return headingLevelOfStyleName(id);
        }
        if (style->level > 0) {
            return style->level;
        }
        id = style->basedOn;
    }
    return 0;
}

// Word's paragraphs, each with its own outline level or its style's.
QList<Chapter> wordHeadings(const ZipArchive& archive, const QByteArray& body)
{
    const QHash<QString, WordStyle> styles =
        wordStyles(member(archive, QStringLiteral("word/styles.xml"), kMaxPartBytes));
    QList<Chapter> headings;
    QXmlStreamReader xml(body);
    int depth = 0; // of the paragraph being read, 0 outside one
    int level = 0;
    QString text;
    while (!xml.atEnd() && xml.readNext() != QXmlStreamReader::Invalid) {
        if (xml.isStartElement()) {
            if (depth > 0) {
                ++depth;
            }
            const QStringView value = xml.attributes().value(QStringLiteral("w:val"));
            if (xml.name() == u"p" && depth == 0) {
                depth = 1;
                level = 0;
                text.clear();
            } else if (depth == 0) {
                continue;
            } else if (xml.name() == u"pStyle" && level == 0) {
                level = styleLevel(styles, value.toString());
            } else if (xml.name() == u"outlineLvl") {
                // 0 to 8 are headings 1 to 9; 9, body text, is below every chapter level.
                level = value.toInt() + 1;
            } else if (xml.name() == u"t") {
                text += xml.readElementText();
                --depth;
            } else if (xml.name() == u"tab") {
                text += u'\t';
            }
        } else if (xml.isEndElement() && depth > 0 && --depth == 0 && level >= 1 &&
                   level <= kMaxChapterLevel) {
            headings.append(Chapter{text, 0, level});
        }
    }
    return headings;
}

// OpenDocument's headings carry their level; notes inside them are not their text.
QList<Chapter> openDocumentHeadings(const QByteArray& body)
{
    QList<Chapter> headings;
    QXmlStreamReader xml(body);
    int depth = 0;
    int level = 0;
    QString text;
    while (!xml.atEnd() && xml.readNext() != QXmlStreamReader::Invalid) {
        if (xml.isStartElement()) {
            if (depth == 0 && xml.name() == u"h") {
                depth = 1;
                const QXmlStreamAttributes attributes = xml.attributes();
                const QString key = QStringLiteral("text:outline-level");
                level = attributes.hasAttribute(key) ? attributes.value(key).toInt() : 1;
                text.clear();
            } else if (depth > 0) {
                ++depth;
                if (xml.name() == u"note") {
                    xml.skipCurrentElement();
                    --depth;
                } else if (xml.name() == u"s") {
                    const int count = xml.attributes().value(QStringLiteral("text:c")).toInt();
                    text += QString(std::max(count, 1), u' ');
                } else if (xml.name() == u"tab") {
                    text += u'\t';
                }
            }
        } else if (xml.isCharacters() && depth > 0) {
            // Blanks in the XML show as one space; spaces meant as such are <text:s>.
            for (const QChar c : xml.text()) {
                if (!c.isSpace()) {
                    text += c;
                } else if (!text.endsWith(u' ')) {
                    text += u' ';
                }
            }
        } else if (xml.isEndElement() && depth > 0 && --depth == 0 && level >= 1 &&
                   level <= kMaxChapterLevel) {
            headings.append(Chapter{text, 0, level});
        }
    }
    return headings;
}

// Title and author of the document's properties; OpenDocument names the author its
// initial creator (its "creator" is who saved it last).
void readProperties(const QByteArray& data, DocumentOutline& outline)
{
    QXmlStreamReader xml(data);
    QString creator;
    while (!xml.atEnd() && xml.readNext() != QXmlStreamReader::Invalid) {
        if (!xml.isStartElement()) {
            continue;
        }
        if (xml.name() == u"title" && outline.title.isEmpty()) {
            outline.title = xml.readElementText(QXmlStreamReader::IncludeChildElements);
        } else if (xml.name() == u"initial-creator") {
            outline.author = xml.readElementText(QXmlStreamReader::IncludeChildElements);
        } else if (xml.name() == u"creator" && creator.isEmpty()) {
            creator = xml.readElementText(QXmlStreamReader::IncludeChildElements);
        }
    }
    if (outline.author.isEmpty()) {
        outline.author = creator;
    }
}

} // namespace

DocumentOutline read(const ZipArchive& archive, Format format, const QByteArray& body,
                     QStringView text)
{
    DocumentOutline outline;
    const bool word = format == Format::OfficeOpenXml;
    readProperties(member(archive,
                          word ? QStringLiteral("docProps/core.xml") : QStringLiteral("meta.xml"),
                          kMaxPropertiesBytes),
                   outline);
    outline.chapters =
        locateHeadings(word ? wordHeadings(archive, body) : openDocumentHeadings(body), text);
    return outline;
}

} // namespace documents::wordoutline
