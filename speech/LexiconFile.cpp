#include "speech/LexiconFile.h"

#include "platform/SettingsFile.h"
#include "platform/WriteBack.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace speech::lexicon_file {

namespace {

const QString PlsNamespace = QStringLiteral("http://www.w3.org/2005/01/pronunciation-lexicon");
// Our options have no element in the lexicon format; attributes in a namespace of our own
// carry them, and other readers pass over them.
const QString OwnNamespace = QStringLiteral("urn:parlanza:lexicon");
// The lexicon element must name a language; ours holds entries of any.
const QString AnyLanguage = QStringLiteral("und");

const QString TabHeader = QStringLiteral("written\trespelling\tphonemes\tlanguage\toptions");
const QString PartOfWord = QStringLiteral("part-of-word");
const QString MatchCase = QStringLiteral("match-case");
const QString Pattern = QStringLiteral("regex");

QString badEntryText(const BadEntry& bad)
{
    return QStringLiteral("line %1: %2").arg(bad.line).arg(bad.reason);
}

// Checks a read entry; the reason it cannot be used goes to the list of bad ones.
void take(ReadResult& result, const LexiconEntry& entry, int line)
{
    const QString problem = Lexicon::problem(entry);
    if (problem.isEmpty()) {
        result.entries.append(entry);
    } else {
        result.bad.append({line, problem});
    }
}

bool flag(const QXmlStreamAttributes& attributes, const QString& name, bool otherwise)
{
    const QStringView value = attributes.value(OwnNamespace, name);
    return value.isEmpty() ? otherwise : value == QLatin1String("true");
}

platform::Result<ReadResult> readPls(const QByteArray& data)
{
    ReadResult result;
    QXmlStreamReader xml(data);
    // Some tools leave out the lexicon's namespace; their files read all the same.
    if (!xml.readNextStartElement() || xml.name() != QLatin1String("lexicon")) {
        return platform::Failure{
            xml.hasError()
                ? QStringLiteral("line %1: %2").arg(xml.lineNumber()).arg(xml.errorString())
                : QStringLiteral("it is not a pronunciation lexicon")};
    }
    QString fileLanguage = xml.attributes().value(QStringLiteral("xml:lang")).toString();
    if (fileLanguage == AnyLanguage) {
        fileLanguage.clear();
    }
    while (xml.readNextStartElement()) {
        if (xml.name() != QLatin1String("lexeme")) {
            xml.skipCurrentElement();
            continue;
        }
        const int line = int(xml.lineNumber());
        const QXmlStreamAttributes attributes = xml.attributes();
        LexiconEntry entry;
        entry.language = attributes.hasAttribute(OwnNamespace, QStringLiteral("language"))
                             ? attributes.value(OwnNamespace, QStringLiteral("language")).toString()
                             : fileLanguage;
        entry.wholeWord = flag(attributes, QStringLiteral("wholeWord"), true);
        entry.matchCase = flag(attributes, QStringLiteral("matchCase"), false);
        entry.regex = flag(attributes, QStringLiteral("regex"), false);
        QStringList written;
        while (xml.readNextStartElement()) {
            const QStringView name = xml.name();
            const QString text = xml.readElementText(QXmlStreamReader::IncludeChildElements);
            if (name == QLatin1String("grapheme")) {
                written.append(text);
            } else if (name == QLatin1String("alias") && entry.respelling.isEmpty()) {
                entry.respelling = text.simplified();
            } else if (name == QLatin1String("phoneme") && entry.phonemes.isEmpty()) {
                entry.phonemes = text.simplified();
            }
        }
        if (written.isEmpty()) {
            written.append(QString());
        }
        // Several spellings of one word are one entry each, all said the same way.
        for (const QString& form : written) {
            entry.written = form;
            take(result, entry, line);
        }
    }
    if (xml.hasError()) {
        return platform::Failure{
            QStringLiteral("line %1: %2").arg(xml.lineNumber()).arg(xml.errorString())};
    }
    return result;
}

// Tabs and line ends inside a field (a pattern may hold them) are written as \t and \n.
QString escaped(QString field)
{
    return field.replace(QLatin1Char('\\'), QLatin1String("\\\\"))
        .replace(QLatin1Char('\t'), QLatin1String("\\t"))
        .replace(QLatin1Char('\n'), QLatin1String("\\n"))
        .replace(QLatin1Char('\r'), QLatin1String("\\r"));
}

QString unescaped(QStringView field)
{
    QString out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] != QLatin1Char('\\') || i + 1 == field.size()) {
            out += field[i];
            continue;
        }
        const QChar next = field[++i];
        out += next == QLatin1Char('t')   ? QChar(u'\t')
               : next == QLatin1Char('n') ? QChar(u'\n')
               : next == QLatin1Char('r') ? QChar(u'\r')
                                          : next;
    }
    return out;
}

platform::Result<ReadResult> readTabSeparated(const QByteArray& data)
{
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder(data);
    if (decoder.hasError()) {
        return platform::Failure{QStringLiteral("it is not UTF-8 text")};
    }
    ReadResult result;
    const QList<QStringView> lines = QStringView(text).split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QStringView line = lines.at(i);
        if (line.endsWith(QLatin1Char('\r'))) {
            line.chop(1);
        }
        if (line.trimmed().isEmpty() || (i == 0 && line.trimmed() == TabHeader)) {
            continue;
        }
        const int number = int(i + 1);
        const QList<QStringView> fields = line.split(QLatin1Char('\t'));
        if (fields.size() > 5) {
            result.bad.append({number, QStringLiteral("it has more than five fields")});
            continue;
        }
        LexiconEntry entry;
        entry.written = unescaped(fields.at(0));
        entry.respelling = fields.size() > 1 ? unescaped(fields.at(1)).simplified() : QString();
        entry.phonemes = fields.size() > 2 ? unescaped(fields.at(2)).simplified() : QString();
        entry.language = fields.size() > 3 ? unescaped(fields.at(3)).trimmed() : QString();
        QString unknown;
        if (fields.size() > 4) {
            for (const QStringView option :
                 fields.at(4).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
                const QStringView name = option.trimmed();
                if (name == PartOfWord) {
                    entry.wholeWord = false;
                } else if (name == MatchCase) {
                    entry.matchCase = true;
                } else if (name == Pattern) {
                    entry.regex = true;
                } else if (!name.isEmpty()) {
                    unknown = name.toString();
                }
            }
        }
        if (!unknown.isEmpty()) {
            result.bad.append({number, QStringLiteral("\"%1\" is not an option (%2, %3 or %4 are)")
                                           .arg(unknown, PartOfWord, MatchCase, Pattern)});
            continue;
        }
        take(result, entry, number);
    }
    return result;
}

QByteArray writePls(const QList<LexiconEntry>& entries)
{
    QByteArray data;
    QXmlStreamWriter xml(&data);
    xml.setAutoFormatting(true);
    xml.setAutoFormattingIndent(2);
    xml.writeStartDocument();
    xml.writeNamespace(OwnNamespace, QStringLiteral("pz"));
    xml.writeDefaultNamespace(PlsNamespace);
    xml.writeStartElement(PlsNamespace, QStringLiteral("lexicon"));
    xml.writeAttribute(QStringLiteral("version"), QStringLiteral("1.0"));
    xml.writeAttribute(QStringLiteral("alphabet"), QStringLiteral("ipa"));
    xml.writeAttribute(QStringLiteral("xml:lang"), AnyLanguage);
    for (const LexiconEntry& entry : entries) {
        xml.writeStartElement(PlsNamespace, QStringLiteral("lexeme"));
        if (!entry.language.isEmpty()) {
            xml.writeAttribute(OwnNamespace, QStringLiteral("language"), entry.language);
        }
        if (!entry.wholeWord) {
            xml.writeAttribute(OwnNamespace, QStringLiteral("wholeWord"), QStringLiteral("false"));
        }
        if (entry.matchCase) {
            xml.writeAttribute(OwnNamespace, QStringLiteral("matchCase"), QStringLiteral("true"));
        }
        if (entry.regex) {
            xml.writeAttribute(OwnNamespace, QStringLiteral("regex"), QStringLiteral("true"));
        }
        xml.writeTextElement(PlsNamespace, QStringLiteral("grapheme"), entry.written);
        if (!entry.respelling.isEmpty()) {
            xml.writeTextElement(PlsNamespace, QStringLiteral("alias"), entry.respelling);
        }
        if (!entry.phonemes.isEmpty()) {
            xml.writeTextElement(PlsNamespace, QStringLiteral("phoneme"), entry.phonemes);
        }
        xml.writeEndElement();
    }
    xml.writeEndElement();
    xml.writeEndDocument();
    return data;
}

QByteArray writeTabSeparated(const QList<LexiconEntry>& entries)
{
    QString text = TabHeader + QLatin1Char('\n');
    for (const LexiconEntry& entry : entries) {
        QStringList options;
        if (!entry.wholeWord) {
            options.append(PartOfWord);
        }
        if (entry.matchCase) {
            options.append(MatchCase);
        }
        if (entry.regex) {
            options.append(Pattern);
        }
        text +=
            QStringList{escaped(entry.written), escaped(entry.respelling), escaped(entry.phonemes),
                        escaped(entry.language), options.join(QLatin1Char(','))}
                .join(QLatin1Char('\t')) +
            QLatin1Char('\n');
    }
    return text.toUtf8();
}

Format formatForPath(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == QLatin1String("tsv") || suffix == QLatin1String("tab") ||
                   suffix == QLatin1String("txt")
               ? Format::TabSeparated
               : Format::Pls;
}

} // namespace

Format detect(const QByteArray& data)
{
    QByteArray start = data.left(512);
    if (start.startsWith("\xEF\xBB\xBF")) {
        start.remove(0, 3);
    }
    return start.trimmed().startsWith('<') ? Format::Pls : Format::TabSeparated;
}

platform::Result<ReadResult> read(const QByteArray& data, Format format)
{
    return format == Format::Pls ? readPls(data) : readTabSeparated(data);
}

QByteArray write(const QList<LexiconEntry>& entries, Format format)
{
    return format == Format::Pls ? writePls(entries) : writeTabSeparated(entries);
}

QString userPath()
{
    return QFileInfo(platform::SettingsFile::defaultPath())
        .dir()
        .filePath(QStringLiteral("lexicon.pls"));
}

platform::Result<QList<LexiconEntry>> load(const QString& path)
{
    const QString shown = QDir::toNativeSeparators(path);
    QFile file(path);
    if (!file.exists()) {
        return QList<LexiconEntry>();
    }
    if (!file.open(QIODevice::ReadOnly)) {
        return platform::Failure{
            QStringLiteral("The lexicon %1 cannot be read: %2").arg(shown, file.errorString())};
    }
    const QByteArray data = file.readAll();
    platform::Result<ReadResult> result = read(data, detect(data));
    if (!result) {
        return platform::Failure{
            QStringLiteral("The lexicon %1 is damaged: %2").arg(shown, result.error())};
    }
    const ReadResult& read = result.value();
    if (!read.bad.isEmpty()) {
        return platform::Failure{QStringLiteral("The lexicon %1 has %2 bad entries; the first, %3")
                                     .arg(shown)
                                     .arg(read.bad.size())
                                     .arg(badEntryText(read.bad.constFirst()))};
    }
    return read.entries;
}

platform::Result<void> save(const QString& path, const QList<LexiconEntry>& entries)
{
    const QString shown = QDir::toNativeSeparators(path);
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        return platform::Failure{
            QStringLiteral("The folder of the lexicon %1 cannot be made.").arg(shown)};
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return platform::Failure{
            QStringLiteral("The lexicon %1 cannot be written: %2").arg(shown, file.errorString())};
    }
    const QByteArray data = write(entries, formatForPath(path));
    if (file.write(data) != data.size()) {
        const QString reason = file.errorString();
        platform::discard(file);
        return platform::Failure{
            QStringLiteral("The lexicon %1 cannot be written: %2").arg(shown, reason)};
    }
    const platform::Result<void> committed = platform::commitWhole(file);
    if (!committed) {
        return platform::Failure{
            QStringLiteral("The lexicon %1 cannot be written: %2").arg(shown, committed.error())};
    }
    return {};
}

} // namespace speech::lexicon_file
