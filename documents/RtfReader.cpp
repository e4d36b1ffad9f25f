#include "documents/RtfReader.h"

#include "documents/CodePage.h"
#include "documents/DocumentFile.h"

#include <QColor>
#include <QCoreApplication>
#include <QHash>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>
#include <array>
#include <vector>

namespace documents {

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("RtfReader", text);
}

// Limits that keep hostile files from costing memory or time; real documents stay far
// below them.
constexpr int kMaxGroupDepth = 512;
constexpr int kMaxControlWordLength = 32;
constexpr int kMaxParameterDigits = 10;
constexpr int kMaxUnicodeSkip = 16;
constexpr int kMaxFontHalfPoints = 3276;
constexpr int kMaxTableEntries = 32767;
constexpr int kDefaultCodePage = 1252;
constexpr int kDefaultHalfPoints = 24;
constexpr int kListLevels = 9;
constexpr char16_t kSymbolFontFirst = 0xF000;
constexpr char16_t kSymbolFontLast = 0xF0FF;
constexpr int kBulletFormat = 23;
constexpr int kNoNumberFormat = 255;
constexpr qsizetype kMaxInfoBytes = qsizetype(64) * 1024;
constexpr qsizetype kMaxStyleNameBytes = 256;

// Container: a shape or drawing object. Its own words are properties, never text, but
// the text boxes inside it are read.
// ListTable, ListOverrides, LevelText: the list table, which numbers paragraphs that carry
// no number of their own.
// OldNumbering, OldNumberText: the older way of numbering, a \pn group in the paragraph's
// own properties, with the text before or after its number.
// StyleSheet: the styles' names and outline levels, which make headings.
// Information, InfoText: the document's properties, of which the title and author are read.
enum class Destination {
    Text,
    Skip,
    FontTable,
    ColorTable,
    Container,
    ListTable,
    ListOverrides,
    LevelText,
    PropertyName,
    OldNumbering,
    OldNumberText,
    StyleSheet,
    Information,
    InfoText
};

struct GroupState
{
    Destination destination = Destination::Text;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    bool hidden = false;
    bool listText = false;   // a list number or bullet the writer wrote out
    bool breakAfter = false; // a shape's own text, a paragraph of its own
    int font = -1;
    int halfPoints = kDefaultHalfPoints;
    int foreground = 0;
    int background = 0;
    int unicodeSkip = 1;
};

// One level of a list: its number format (\levelnfc), first number and level text,
// whose characters 0 to 8 stand for the numbers of those levels.
struct ListLevel
{
    int format = 0;
    int start = 1;
    QString text;
};

// A paragraph numbered the older way: body text numbered in one run (\pnlvlbody), a
// bullet (\pnlvlblt), an outline level 1 to 9 (\pnlvlN), or a paragraph inside a list
// that carries no number (\pnlvlcont). The formats are those of the list table.
struct OldNumbering
{
    enum class Kind { None, Body, Bullet, Outline, Unnumbered };
    Kind kind = Kind::None;
    int level = 0;
    int format = 0;
    int start = 1;
    bool restart = false;
    QString before;
    QString after;
};

QString romanNumber(int value)
{
    static const std::pair<int, const char*> kDigits[] = {
        {1000, "m"}, {900, "cm"}, {500, "d"}, {400, "cd"}, {100, "c"}, {90, "xc"}, {50, "l"},
        {40, "xl"},  {10, "x"},   {9, "ix"},  {5, "v"},    {4, "iv"},  {1, "i"}};
    QString roman;
    for (const auto& [amount, digits] : kDigits) {
        for (; value >= amount; value -= amount) {
            roman += QLatin1String(digits);
        }
    }
    return roman;
}

QString letterNumber(int value)
{
    // a..z, then aa..zz, as word processors count on.
    if (value < 1) {
        return QString::number(value);
    }
    const int round = (value - 1) / 26;
    return QString(round + 1, QChar(u'a' + (value - 1) % 26));
}

QString formatNumber(int value, int format)
{
    switch (format) {
    case 1:
        return romanNumber(value).toUpper();
    case 2:
        return romanNumber(value);
    case 3:
        return letterNumber(value).toUpper();
    case 4:
        return letterNumber(value);
    case kBulletFormat:
        return QStringLiteral("\u2022");
    case kNoNumberFormat:
        return {};
    default:
        return QString::number(value);
    }
}

struct FontEntry
{
    QString name;
    int codePage = 0; // 0: the document's code page
};

// The code page a font's character set stands for.
int codePageForCharset(int charset)
{
    switch (charset) {
    case 77:
        return 10000;
    case 128:
        return 932;
    case 129:
        return 949;
    case 130:
        return 1361;
    case 134:
        return 936;
    case 136:
        return 950;
    case 161:
        return 1253;
    case 162:
        return 1254;
    case 163:
        return 1258;
    case 177:
        return 1255;
    case 178:
        return 1256;
    case 186:
        return 1257;
    case 204:
        return 1251;
    case 222:
        return 874;
    case 238:
        return 1250;
    case 255:
        return 437;
    default:
        return 0; // ANSI, default, symbol: the document's code page
    }
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

const QHash<QByteArray, Destination>& knownDestinations()
{
    // Destinations whose content is not document text even without "\*".
    static const QHash<QByteArray, Destination> table = [] {
        QHash<QByteArray, Destination> t;
        t.insert("fonttbl", Destination::FontTable);
        t.insert("colortbl", Destination::ColorTable);
        t.insert("listtable", Destination::ListTable);
        t.insert("listoverridetable", Destination::ListOverrides);
        t.insert("leveltext", Destination::LevelText);
        t.insert("pn", Destination::OldNumbering);
        t.insert("pntxtb", Destination::OldNumberText);
        t.insert("pntxta", Destination::OldNumberText);
        t.insert("sn", Destination::PropertyName);
        t.insert("sv", Destination::Skip);
        t.insert("stylesheet", Destination::StyleSheet);
        t.insert("info", Destination::Information);
        t.insert("title", Destination::InfoText);
        t.insert("author", Destination::InfoText);
        for (const char* name : {"shp", "shpgrp", "shpinst", "sp", "do"}) {
            t.insert(QByteArray(name), Destination::Container);
        }
        // Text boxes of shapes and of old drawing objects.
        t.insert("shptxt", Destination::Text);
        t.insert("dptxbxtext", Destination::Text);
        for (const char* name :
             {"pict",       "object",       "header",    "headerl",      "headerr",
              "headerf",    "footer",       "footerl",   "footerr",      "footerf",
              "footnote",   "annotation",   "atnid",     "atnauthor",    "xe",
              "tc",         "txe",          "rxe",       "levelnumbers", "listname",
              "revtbl",     "fldinst",      "filetbl",   "themedata",    "colorschememapping",
              "datastore",  "latentstyles", "pgdsctbl",  "ftnsep",       "ftnsepc",
              "ftncn",      "aftnsep",      "aftnsepc",  "aftncn",       "nonshppict",
              "template",   "generator",    "private",   "bkmkstart",    "bkmkend",
              "field_inst", "macpict",      "wmetafile", "dibitmap",     "wbitmap",
              "objdata",    "objclass",     "objname",   "shprslt",      "docvar",
              "xmlnstbl",   "mmathPr",      "userprops", "rsidtbl",      "protusertbl",
              "picprop",    "blipuid",      "comment",   "subject",      "operator",
              "keywords",   "doccomm",      "company",   "manager",      "category"}) {
            t.insert(QByteArray(name), Destination::Skip);
        }
        return t;
    }();
    return table;
}

class Parser
{
public:
    Parser(const QByteArray& data, QTextDocument& document) : m_data(data), m_cursor(&document) {}

    void run();
    bool ended() const { return m_ended; }
    const DocumentOutline& outline() const { return m_outline; }

private:
    // Tokens
    void controlWord(const QByteArray& word, bool hasParameter, int parameter);
    void controlSymbol(char symbol);
    void textByte(char byte);
    void openGroup();
    void closeGroup();

    // Output
    int currentCodePage() const;
    void flushBytes();
    void appendUnit(char16_t unit);
    void appendCodePoint(char32_t codePoint);
    void appendText(const QString& text);
    void flushPendingSurrogate();
    void flushRun();
    void paragraph();
    QTextCharFormat formatFor(const GroupState& state) const;
    void formatChanged() { m_formatDirty = true; }

    // Tables
    void fontTableWord(const QByteArray& word, int parameter);
    void finishFontName();
    void colorTableWord(const QByteArray& word, int parameter);
    void listTableWord(const QByteArray& word, int parameter);
    QString listNumber();
    void oldNumberingWord(const QByteArray& word, int parameter);
    QString oldNumber();
    void styleSheetByte(char byte);
    void flushInfoBytes();
    void noteHeading();

    GroupState& state() { return m_stack.back(); }
    const GroupState& state() const { return m_stack.back(); }
    bool skipping() const { return state().destination == Destination::Skip; }
    bool consumeUnicodeFallback();

    const QByteArray& m_data;
    qsizetype m_pos = 0;
    QTextCursor m_cursor;

    std::vector<GroupState> m_stack{GroupState{}};
    int m_overflowDepth = 0; // groups opened beyond the depth limit
    bool m_ended = false;    // the outermost group closed

    int m_documentCodePage = kDefaultCodePage;
    int m_defaultFont = -1;
    QHash<int, FontEntry> m_fonts;
    int m_fontBeingDefined = -1;
    QByteArray m_fontNameBytes;
    QList<QColor> m_colors;
    int m_red = 0;
    int m_green = 0;
    int m_blue = 0;
    bool m_colorGiven = false;

    QByteArray m_bytes; // text bytes waiting for their code page
    int m_bytesCodePage = kDefaultCodePage;
    int m_fallbackToSkip = 0;
    char16_t m_pendingHigh = 0;

    QString m_run;
    QTextCharFormat m_runFormat;
    bool m_formatDirty = true;
    bool m_starPending = false;
    int m_footnotes = 0;
    QByteArray m_propertyName; // of the shape property being read

    // Lists: levels by list id, list ids by override number, and the paragraph's own.
    QHash<int, std::vector<ListLevel>> m_lists;
    std::vector<ListLevel> m_listBeingDefined;
    QHash<int, int> m_listOverrides;
    int m_overrideListId = 0;
    QHash<int, std::array<int, kListLevels>> m_listCounters;
    int m_paragraphList = 0;
    int m_paragraphLevel = 0;
    bool m_paragraphStart = true;
    bool m_paragraphHasNumber = false;

    // The older numbering: the paragraph's, the text being read into it, and the numbers so
    // far. A list runs on while paragraphs numbered alike follow each other (an outline's
    // levels differ in format).
    OldNumbering m_oldNumbering;
    bool m_oldTextAfter = false;
    std::array<int, kListLevels + 1> m_oldCounters{};
    OldNumbering::Kind m_previousOldKind = OldNumbering::Kind::None;
    int m_previousOldFormat = 0;
    bool m_paragraphOldNumbered = false;

    // Headings: the levels of the styles that make them, the style being defined, and the
    // paragraph's own style and outline level (0-based; -1 none).
    DocumentOutline m_outline;
    QHash<int, int> m_styleLevels;
    int m_styleBeingDefined = 0;
    int m_styleOutline = -1;
    QByteArray m_styleName;
    int m_paragraphStyle = 0;
    int m_paragraphOutline = -1;
    QString* m_infoTarget = nullptr; // the property being read
    QByteArray m_infoBytes;
};

bool Parser::consumeUnicodeFallback()
{
    if (m_fallbackToSkip > 0) {
        --m_fallbackToSkip;
        return true;
    }
    return false;
}

void Parser::run()
{
    const qsizetype size = m_data.size();
    const char* data = m_data.constData();
    while (m_pos < size && !m_ended) {
        const char c = data[m_pos++];
        switch (c) {
        case '{':
            openGroup();
            break;
        case '}':
            closeGroup();
            break;
        case '\r':
        case '\n':
            break;
        case '\\': {
            if (m_pos >= size) {
                break;
            }
            const char next = data[m_pos];
            if ((next >= 'a' && next <= 'z') || (next >= 'A' && next <= 'Z')) {
                const qsizetype start = m_pos;
                while (m_pos < size && ((data[m_pos] >= 'a' && data[m_pos] <= 'z') ||
                                        (data[m_pos] >= 'A' && data[m_pos] <= 'Z'))) {
                    ++m_pos;
                }
                const QByteArray word(data + start,
                                      std::min<qsizetype>(m_pos - start, kMaxControlWordLength));
                bool negative = false;
                bool hasParameter = false;
                qint64 value = 0;
                if (m_pos < size && data[m_pos] == '-' && m_pos + 1 < size &&
                    data[m_pos + 1] >= '0' && data[m_pos + 1] <= '9') {
                    negative = true;
                    ++m_pos;
                }
                int digits = 0;
                while (m_pos < size && data[m_pos] >= '0' && data[m_pos] <= '9') {
                    if (digits < kMaxParameterDigits) {
                        value = value * 10 + (data[m_pos] - '0');
                    }
                    ++digits;
                    ++m_pos;
                    hasParameter = true;
                }
                value = std::min<qint64>(value, 0x7FFFFFFF);
                if (m_pos < size && data[m_pos] == ' ') {
                    ++m_pos;
                }
                controlWord(word, hasParameter, static_cast<int>(negative ? -value : value));
            } else {
                ++m_pos;
                controlSymbol(next);
            }
            break;
        }
        default:
            textByte(c);
            break;
        }
    }
    flushBytes();
    flushPendingSurrogate();
    flushRun();
    noteHeading();
}

void Parser::openGroup()
{
    flushBytes();
    m_fallbackToSkip = 0;
    m_starPending = false;
    if (static_cast<int>(m_stack.size()) >= kMaxGroupDepth) {
        ++m_overflowDepth;
        return;
    }
    m_stack.push_back(state());
}

void Parser::closeGroup()
{
    flushBytes();
    m_fallbackToSkip = 0;
    m_starPending = false;
    if (m_overflowDepth > 0) {
        --m_overflowDepth;
        return;
    }
    if (state().destination == Destination::FontTable) {
        finishFontName();
    }
    if (state().destination == Destination::InfoText) {
        flushInfoBytes();
    }
    if (m_stack.size() <= 2) {
        // Closing the document's own group ends it; anything after it is not read.
        if (m_stack.size() == 2) {
            m_stack.pop_back();
        }
        m_ended = true;
        return;
    }
    const GroupState closed = state();
    m_stack.pop_back();
    if (closed.destination == Destination::Text) {
        formatChanged();
    }
    if (closed.breakAfter && !m_paragraphStart) {
        paragraph();
    }
}

void Parser::textByte(char byte)
{
    // Blanks before the document's own group are not part of it.
    if (m_stack.size() < 2) {
        return;
    }
    if (consumeUnicodeFallback()) {
        return;
    }
    switch (state().destination) {
    case Destination::Skip:
    case Destination::Container:
    case Destination::Information:
    case Destination::ListTable:
    case Destination::ListOverrides:
        return;
    case Destination::PropertyName:
        if (m_propertyName.size() < kMaxControlWordLength) {
            m_propertyName.append(byte);
        }
        return;
    case Destination::OldNumbering:
        return;
    case Destination::StyleSheet:
        styleSheetByte(byte);
        return;
    case Destination::InfoText:
        if (m_infoBytes.size() < kMaxInfoBytes) {
            m_infoBytes.append(byte);
        }
        return;
    case Destination::OldNumberText:
        if (QString& text = m_oldTextAfter ? m_oldNumbering.after : m_oldNumbering.before;
            byte != '\0' && text.size() < kMaxControlWordLength) {
            text += codepage::decode(QByteArray(1, byte), m_documentCodePage);
        }
        return;
    case Destination::LevelText:
        if (byte != ';' && !m_listBeingDefined.empty() &&
            m_listBeingDefined.back().text.size() < kMaxControlWordLength) {
            // The first character is the text's length; those below 9 are placeholders.
            const auto value = static_cast<unsigned char>(byte);
            m_listBeingDefined.back().text +=
                value < 0x20 ? QChar(value)
                             : codepage::decode(QByteArray(1, byte), m_documentCodePage).at(0);
        }
        return;
    case Destination::ColorTable:
        if (byte == ';') {
            if (m_colors.size() < kMaxTableEntries) {
                m_colors.append(m_colorGiven ? QColor(m_red, m_green, m_blue) : QColor());
            }
            m_red = m_green = m_blue = 0;
            m_colorGiven = false;
        }
        return;
    case Destination::FontTable:
        if (byte == ';') {
            finishFontName();
        } else if (m_fontBeingDefined >= 0 && m_fontNameBytes.size() < 256) {
            m_fontNameBytes.append(byte);
        }
        return;
    case Destination::Text:
        break;
    }
    if (byte == '\0') {
        return;
    }
    if (byte == '\t') {
        flushBytes();
        appendUnit(u'\t');
        return;
    }
    const int codePage = currentCodePage();
    if (!m_bytes.isEmpty() && codePage != m_bytesCodePage) {
        flushBytes();
    }
    m_bytesCodePage = codePage;
    m_bytes.append(byte);
}

int Parser::currentCodePage() const
{
    const auto it = m_fonts.constFind(state().font);
    if (it != m_fonts.constEnd() && it->codePage != 0) {
        return it->codePage;
    }
    return m_documentCodePage;
}

void Parser::flushBytes()
{
    if (m_bytes.isEmpty()) {
        return;
    }
    const QString text = codepage::decode(m_bytes, m_bytesCodePage);
    m_bytes.clear();
    appendText(text);
}

void Parser::flushPendingSurrogate()
{
    if (m_pendingHigh != 0) {
        m_pendingHigh = 0;
        m_run.append(QChar::ReplacementCharacter);
    }
}

void Parser::appendText(const QString& text)
{
    if (text.isEmpty() || state().hidden) {
        return;
    }
    flushPendingSurrogate();
    const bool paragraphStart = m_paragraphStart;
    m_paragraphStart = false;
    if (m_formatDirty) {
        const QTextCharFormat format = formatFor(state());
        if (format != m_runFormat) {
            flushRun();
            m_runFormat = format;
        }
        m_formatDirty = false;
    }
    if (paragraphStart && !m_paragraphHasNumber) {
        m_run.append(m_paragraphList > 0 ? listNumber() : oldNumber());
    }
    m_run.append(text);
}

void Parser::appendUnit(char16_t unit)
{
    // Bullets from symbol fonts arrive as private-use characters, which no voice reads.
    if (state().listText && unit >= kSymbolFontFirst && unit <= kSymbolFontLast) {
        unit = u'\u2022';
    }
    if (QChar::isHighSurrogate(unit)) {
        flushPendingSurrogate();
        m_pendingHigh = unit;
        return;
    }
    if (QChar::isLowSurrogate(unit)) {
        if (m_pendingHigh == 0) {
            appendText(QString(QChar::ReplacementCharacter));
            return;
        }
        const QChar pair[2] = {QChar(m_pendingHigh), QChar(unit)};
        m_pendingHigh = 0;
        appendText(QString(pair, 2));
        return;
    }
    appendText(QString(QChar(unit)));
}

void Parser::appendCodePoint(char32_t codePoint)
{
    if (codePoint <= 0xFFFF) {
        appendUnit(static_cast<char16_t>(codePoint));
        return;
    }
    if (codePoint > 0x10FFFF) {
        appendUnit(u'\uFFFD');
        return;
    }
    appendText(QString::fromUcs4(&codePoint, 1));
}

QTextCharFormat Parser::formatFor(const GroupState& s) const
{
    QTextCharFormat format;
    format.setFontWeight(s.bold ? QFont::Bold : QFont::Normal);
    format.setFontItalic(s.italic);
    format.setFontUnderline(s.underline);
    format.setFontStrikeOut(s.strike);
    format.setFontPointSize(s.halfPoints / 2.0);
    const auto font = m_fonts.constFind(s.font);
    if (font != m_fonts.constEnd() && !font->name.isEmpty()) {
        format.setFontFamilies({font->name});
    }
    if (s.foreground > 0 && s.foreground < m_colors.size() && m_colors[s.foreground].isValid()) {
        format.setForeground(m_colors[s.foreground]);
    }
    if (s.background > 0 && s.background < m_colors.size() && m_colors[s.background].isValid()) {
        format.setBackground(m_colors[s.background]);
    }
    return format;
}

void Parser::flushRun()
{
    if (m_run.isEmpty()) {
        return;
    }
    m_cursor.insertText(m_run, m_runFormat);
    m_run.clear();
}

void Parser::noteHeading()
{
    const int outline =
        m_paragraphOutline >= 0 ? m_paragraphOutline + 1 : m_styleLevels.value(m_paragraphStyle, 0);
    const QTextBlock block = m_cursor.block();
    if (outline >= 1 && outline <= kMaxChapterLevel && !block.text().isEmpty()) {
        m_outline.chapters.append(Chapter{block.text(), block.position(), outline});
    }
}

void Parser::styleSheetByte(char byte)
{
    if (byte != ';') {
        if (m_styleName.size() < kMaxStyleNameBytes) {
            m_styleName.append(byte);
        }
        return;
    }
    // A style's own outline level wins over its name (0 to 8; 9 is body text).
    const int level =
        m_styleOutline >= 0
            ? m_styleOutline + 1
            : headingLevelOfStyleName(codepage::decode(m_styleName, m_documentCodePage).trimmed());
    if (m_styleBeingDefined >= 0 && level > 0 && m_styleLevels.size() < kMaxTableEntries) {
        m_styleLevels.insert(m_styleBeingDefined, level);
    }
    m_styleBeingDefined = 0;
    m_styleOutline = -1;
    m_styleName.clear();
}

void Parser::flushInfoBytes()
{
    if (m_infoTarget != nullptr && !m_infoBytes.isEmpty()) {
        m_infoTarget->append(codepage::decode(m_infoBytes, m_documentCodePage));
    }
    m_infoBytes.clear();
}

void Parser::paragraph()
{
    flushBytes();
    flushPendingSurrogate();
    flushRun();
    noteHeading();
    m_cursor.insertBlock(QTextBlockFormat(), formatFor(state()));
    m_paragraphStart = true;
    m_paragraphHasNumber = false;
    // A paragraph inside a list without a number of its own keeps the list going.
    if (m_oldNumbering.kind != OldNumbering::Kind::Unnumbered) {
        m_previousOldKind = m_paragraphOldNumbered ? m_oldNumbering.kind : OldNumbering::Kind::None;
        m_previousOldFormat = m_oldNumbering.format;
    }
    m_paragraphOldNumbered = false;
}

QString Parser::listNumber()
{
    const auto list = m_lists.constFind(m_listOverrides.value(m_paragraphList, -1));
    if (list == m_lists.constEnd() || list->empty()) {
        return {};
    }
    const std::vector<ListLevel>& levels = *list;
    const int level = std::clamp(m_paragraphLevel, 0, int(levels.size()) - 1);
    std::array<int, kListLevels>& counters = m_listCounters[m_paragraphList];
    counters[level] = counters[level] == 0 ? levels[level].start
                                           : std::min(counters[level] + 1, kMaxTableEntries);
    std::fill(counters.begin() + level + 1, counters.end(), 0);
    const ListLevel& own = levels[level];
    if (own.format == kBulletFormat) {
        return QStringLiteral("\u2022 ");
    }
    QString number;
    // The level text's first character is its length.
    for (qsizetype i = 1; i < own.text.size(); ++i) {
        const int placeholder = own.text[i].unicode();
        if (placeholder < kListLevels) {
            const int shown = placeholder < int(levels.size()) ? placeholder : level;
            number +=
                formatNumber(std::max(counters[shown], levels[shown].start), levels[shown].format);
        } else {
            number += own.text[i];
        }
    }
    if (own.text.isEmpty()) {
        number = formatNumber(counters[level], own.format) + u'.';
    }
    return number.isEmpty() ? number : number + u' ';
}

QString Parser::oldNumber()
{
    OldNumbering& numbering = m_oldNumbering;
    if (numbering.kind == OldNumbering::Kind::None ||
        numbering.kind == OldNumbering::Kind::Unnumbered) {
        return {};
    }
    const bool continues =
        !numbering.restart && m_previousOldKind == numbering.kind &&
        (numbering.kind == OldNumbering::Kind::Outline || m_previousOldFormat == numbering.format);
    numbering.restart = false;
    m_paragraphOldNumbered = true;
    if (!continues) {
        m_oldCounters.fill(0);
    }
    if (numbering.kind == OldNumbering::Kind::Bullet) {
        return QStringLiteral("\u2022 ");
    }
    const int slot = numbering.kind == OldNumbering::Kind::Outline ? numbering.level : 0;
    int& counter = m_oldCounters[slot];
    counter = counter == 0 ? numbering.start : std::min(counter + 1, kMaxTableEntries);
    // A higher level's number starts the levels below it again.
    std::fill(m_oldCounters.begin() + slot + 1, m_oldCounters.end(), 0);
    return numbering.before + formatNumber(counter, numbering.format) + numbering.after + u' ';
}

void Parser::oldNumberingWord(const QByteArray& word, int parameter)
{
    using Kind = OldNumbering::Kind;
    OldNumbering& numbering = m_oldNumbering;
    // The formats by their list-table numbers.
    static const QHash<QByteArray, int> kFormats = {{"pndec", 0},   {"pnucrm", 1},  {"pnlcrm", 2},
                                                    {"pnucltr", 3}, {"pnlcltr", 4}, {"pncard", 0},
                                                    {"pnord", 0},   {"pnordt", 0}};
    if (word == "pnlvlbody") {
        numbering.kind = Kind::Body;
    } else if (word == "pnlvlblt") {
        numbering.kind = Kind::Bullet;
    } else if (word == "pnlvlcont") {
        numbering.kind = Kind::Unnumbered;
    } else if (word == "pnlvl") {
        numbering.kind = Kind::Outline;
        numbering.level = std::clamp(parameter, 1, kListLevels);
    } else if (word == "pnstart") {
        numbering.start = std::clamp(parameter, 0, kMaxTableEntries);
    } else if (word == "pnrestart") {
        numbering.restart = true;
    } else if (const auto format = kFormats.constFind(word); format != kFormats.constEnd()) {
        numbering.format = format.value();
    }
}

void Parser::listTableWord(const QByteArray& word, int parameter)
{
    if (word == "list") {
        m_listBeingDefined.clear();
    } else if (word == "listlevel") {
        if (m_listBeingDefined.size() < kListLevels) {
            m_listBeingDefined.emplace_back();
        }
    } else if (word == "listid") {
        if (m_lists.size() < kMaxTableEntries) {
            m_lists.insert(parameter, m_listBeingDefined);
        }
    } else if (!m_listBeingDefined.empty()) {
        ListLevel& level = m_listBeingDefined.back();
        if (word == "levelnfc") {
            level.format = parameter;
        } else if (word == "levelstartat") {
            level.start = std::clamp(parameter, 0, kMaxTableEntries);
        }
    }
}

void Parser::finishFontName()
{
    if (m_fontBeingDefined < 0) {
        return;
    }
    FontEntry& font = m_fonts[m_fontBeingDefined];
    if (!m_fontNameBytes.isEmpty()) {
        const int codePage = font.codePage != 0 ? font.codePage : m_documentCodePage;
        font.name = codepage::decode(m_fontNameBytes, codePage).trimmed();
    }
    m_fontNameBytes.clear();
    m_fontBeingDefined = -1;
}

void Parser::fontTableWord(const QByteArray& word, int parameter)
{
    if (word == "f") {
        finishFontName();
        if (m_fonts.size() < kMaxTableEntries || m_fonts.contains(parameter)) {
            m_fontBeingDefined = parameter;
            m_fonts[parameter] = FontEntry{};
        }
    } else if (word == "fcharset" && m_fontBeingDefined >= 0) {
        const int codePage = codePageForCharset(parameter);
        FontEntry& font = m_fonts[m_fontBeingDefined];
        if (font.codePage == 0 || codePage != 0) {
            font.codePage = codePage;
        }
    } else if (word == "cpg" && m_fontBeingDefined >= 0 && codepage::isSupported(parameter)) {
        m_fonts[m_fontBeingDefined].codePage = parameter;
    }
}

void Parser::colorTableWord(const QByteArray& word, int parameter)
{
    const int component = std::clamp(parameter, 0, 255);
    if (word == "red") {
        m_red = component;
        m_colorGiven = true;
    } else if (word == "green") {
        m_green = component;
        m_colorGiven = true;
    } else if (word == "blue") {
        m_blue = component;
        m_colorGiven = true;
    }
}

void Parser::controlWord(const QByteArray& word, bool hasParameter, int parameter)
{
    if (word == "bin") {
        // Binary data follows: it is never text, and its bytes may look like braces.
        flushBytes();
        const qsizetype length = hasParameter ? std::max(parameter, 0) : 0;
        m_pos += std::min<qsizetype>(length, m_data.size() - m_pos);
        return;
    }
    if (m_fallbackToSkip > 0 && word != "u") {
        --m_fallbackToSkip;
        return;
    }
    flushBytes();

    const bool star = m_starPending;
    m_starPending = false;
    GroupState& s = state();
    if (s.destination == Destination::Skip) {
        return;
    }
    const auto destination = knownDestinations().constFind(word);
    if (destination != knownDestinations().constEnd()) {
        s.destination = destination.value();
        if (word == "sn") {
            m_propertyName.clear();
        } else if (word == "pn") {
            // The paragraph's numbering, all of it: a \pn group without a level numbers body
            // text.
            m_oldNumbering = OldNumbering{};
            m_oldNumbering.kind = OldNumbering::Kind::Body;
        } else if (destination.value() == Destination::OldNumberText) {
            m_oldTextAfter = word == "pntxta";
            (m_oldTextAfter ? m_oldNumbering.after : m_oldNumbering.before).clear();
        } else if (destination.value() == Destination::InfoText) {
            m_infoTarget = word == "title" ? &m_outline.title : &m_outline.author;
            m_infoTarget->clear();
            m_infoBytes.clear();
        } else if (word == "sv" && m_propertyName == "gtextUNICODE") {
            // The words of a text effect (WordArt) are the shape's text.
            s.destination = Destination::Text;
        }
        if (s.destination == Destination::Text) {
            // A text box's text is a paragraph of its own, not part of its anchor's.
            if (!m_paragraphStart) {
                paragraph();
            }
            s.breakAfter = true;
        }
        return;
    }
    if (star) {
        // An optional destination this reader does not know: its content is not text.
        s.destination = Destination::Skip;
        return;
    }
    if (s.destination == Destination::Container || s.destination == Destination::LevelText ||
        s.destination == Destination::PropertyName || s.destination == Destination::Information) {
        return;
    }
    if (s.destination == Destination::StyleSheet) {
        if (word == "s") {
            m_styleBeingDefined = parameter;
        } else if (word == "ds" || word == "ts") {
            m_styleBeingDefined = -1; // a section's or table's style makes no heading
        } else if (word == "outlinelevel") {
            m_styleOutline = parameter;
        }
        return;
    }
    if (s.destination == Destination::InfoText) {
        if (word == "u" && hasParameter && m_infoTarget != nullptr) {
            flushInfoBytes();
            const auto unit = static_cast<char16_t>(parameter < 0 ? parameter + 65536 : parameter);
            m_infoTarget->append(QChar(unit));
            m_fallbackToSkip = s.unicodeSkip;
        }
        return;
    }
    if (s.destination == Destination::ListTable) {
        listTableWord(word, parameter);
        return;
    }
    if (s.destination == Destination::OldNumbering) {
        oldNumberingWord(word, parameter);
        return;
    }
    if (s.destination == Destination::OldNumberText) {
        return;
    }
    if (s.destination == Destination::ListOverrides) {
        if (word == "listid") {
            m_overrideListId = parameter;
        } else if (word == "ls" && m_listOverrides.size() < kMaxTableEntries) {
            m_listOverrides.insert(parameter, m_overrideListId);
        }
        return;
    }
    if (s.destination == Destination::FontTable) {
        fontTableWord(word, parameter);
        return;
    }
    if (s.destination == Destination::ColorTable) {
        colorTableWord(word, parameter);
        return;
    }

    const bool on = !hasParameter || parameter != 0;
    if (word == "par" || word == "sect" || word == "page" || word == "row") {
        paragraph();
    } else if (word == "line") {
        appendUnit(u'\u2028');
    } else if (word == "tab" || word == "cell" || word == "nestcell") {
        appendUnit(u'\t');
    } else if (word == "u") {
        if (!hasParameter) {
            return;
        }
        // Writers store the code unit as a signed 16-bit number; some write it unsigned.
        qint64 value = parameter;
        if (value < 0) {
            value += 65536;
        }
        if (value >= 0) {
            appendCodePoint(static_cast<char32_t>(value));
        }
        m_fallbackToSkip = s.unicodeSkip;
    } else if (word == "uc") {
        s.unicodeSkip = std::clamp(parameter, 0, kMaxUnicodeSkip);
    } else if (word == "b") {
        s.bold = on;
        formatChanged();
    } else if (word == "i") {
        s.italic = on;
        formatChanged();
    } else if (word == "v") {
        s.hidden = on;
    } else if (word == "strike" || word == "striked") {
        s.strike = on;
        formatChanged();
    } else if (word == "ulnone") {
        s.underline = false;
        formatChanged();
    } else if (word.startsWith("ul") && word != "ulc") {
        s.underline = on;
        formatChanged();
    } else if (word == "plain") {
        s.bold = s.italic = s.underline = s.strike = s.hidden = false;
        s.font = m_defaultFont;
        s.halfPoints = kDefaultHalfPoints;
        s.foreground = s.background = 0;
        formatChanged();
    } else if (word == "f") {
        s.font = parameter;
        formatChanged();
    } else if (word == "fs") {
        s.halfPoints =
            std::clamp(hasParameter ? parameter : kDefaultHalfPoints, 2, kMaxFontHalfPoints);
        formatChanged();
    } else if (word == "cf") {
        s.foreground = std::max(parameter, 0);
        formatChanged();
    } else if (word == "cb" || word == "highlight") {
        s.background = std::max(parameter, 0);
        formatChanged();
    } else if (word == "deff") {
        m_defaultFont = parameter;
        if (m_stack.size() <= 2) {
            s.font = parameter;
        }
        formatChanged();
    } else if (word == "ansi") {
        m_documentCodePage = kDefaultCodePage;
    } else if (word == "mac") {
        m_documentCodePage = 10000;
    } else if (word == "pc") {
        m_documentCodePage = 437;
    } else if (word == "pca") {
        m_documentCodePage = 850;
    } else if (word == "ansicpg") {
        if (codepage::isSupported(parameter)) {
            m_documentCodePage = parameter;
        }
    } else if (word == "pard") {
        m_paragraphList = 0;
        m_paragraphLevel = 0;
        m_oldNumbering = OldNumbering{};
        m_paragraphStyle = 0;
        m_paragraphOutline = -1;
    } else if (word == "s") {
        m_paragraphStyle = parameter;
    } else if (word == "outlinelevel") {
        m_paragraphOutline = parameter;
    } else if (word == "ls") {
        m_paragraphList = parameter;
    } else if (word == "ilvl") {
        m_paragraphLevel = parameter;
    } else if (word == "listtext" || word == "pntext") {
        // The writer gave the number itself.
        m_paragraphHasNumber = true;
        s.listText = true;
    } else if (word == "chftn") {
        // The footnote's mark in the text; the note itself is not read.
        appendText(QString::number(++m_footnotes));
    } else if (word == "emdash") {
        appendUnit(u'\u2014');
    } else if (word == "endash") {
        appendUnit(u'\u2013');
    } else if (word == "emspace") {
        appendUnit(u'\u2003');
    } else if (word == "enspace") {
        appendUnit(u'\u2002');
    } else if (word == "qmspace") {
        appendUnit(u'\u2005');
    } else if (word == "bullet") {
        appendUnit(u'\u2022');
    } else if (word == "lquote") {
        appendUnit(u'\u2018');
    } else if (word == "rquote") {
        appendUnit(u'\u2019');
    } else if (word == "ldblquote") {
        appendUnit(u'\u201C');
    } else if (word == "rdblquote") {
        appendUnit(u'\u201D');
    } else if (word == "zwj") {
        appendUnit(u'\u200D');
    } else if (word == "zwnj") {
        appendUnit(u'\u200C');
    } else if (word == "ltrmark") {
        appendUnit(u'\u200E');
    } else if (word == "rtlmark") {
        appendUnit(u'\u200F');
    }
}

void Parser::controlSymbol(char symbol)
{
    if (symbol == '\'') {
        // A byte in hexadecimal; a broken escape is dropped.
        int value = 0;
        int digits = 0;
        while (digits < 2 && m_pos < m_data.size()) {
            const int digit = hexDigit(m_data[m_pos]);
            if (digit < 0) {
                break;
            }
            value = value * 16 + digit;
            ++digits;
            ++m_pos;
        }
        if (digits == 2) {
            textByte(static_cast<char>(value));
        }
        return;
    }
    if (symbol == '*') {
        m_starPending = true;
        return;
    }
    if (symbol == '\\' || symbol == '{' || symbol == '}') {
        textByte(symbol);
        return;
    }
    if (consumeUnicodeFallback() || state().destination != Destination::Text) {
        return;
    }
    switch (symbol) {
    case '~':
        flushBytes();
        appendUnit(u'\u00A0');
        break;
    case '_':
        flushBytes();
        appendUnit(u'\u2011');
        break;
    case '\r':
    case '\n':
        paragraph();
        break;
    default:
        break; // optional hyphen, index marks and unknown symbols carry no text
    }
}

} // namespace

bool RtfReader::looksLikeRtf(const QByteArray& data)
{
    qsizetype i = 0;
    while (i < data.size() &&
           (data[i] == ' ' || data[i] == '\t' || data[i] == '\r' || data[i] == '\n')) {
        ++i;
    }
    return data.mid(i, 5) == "{\\rtf";
}

platform::Result<RtfEnd> RtfReader::read(const QByteArray& data, QTextDocument& document,
                                         DocumentOutline* outline)
{
    if (!looksLikeRtf(data)) {
        return platform::Failure{tr("The file is not in Rich Text Format.")};
    }
    document.clear();
    // Thousands of small inserts would each be an undo step.
    const bool undo = document.isUndoRedoEnabled();
    document.setUndoRedoEnabled(false);
    // One edit for the whole file: the document reports and lays out the change once,
    // not after each of the many small inserts.
    QTextCursor edit(&document);
    edit.beginEditBlock();
    Parser parser(data, document);
    parser.run();
    edit.endEditBlock();
    document.setUndoRedoEnabled(undo);
    if (outline != nullptr) {
        *outline = parser.outline();
    }
    return parser.ended() ? RtfEnd::Complete : RtfEnd::CutShort;
}

platform::Result<RtfEnd> RtfReader::readFile(const QString& path, QTextDocument& document)
{
    const platform::Result<QByteArray> file = documentfile::read(path);
    if (!file) {
        return platform::Failure{file.error()};
    }
    return read(file.value(), document);
}

} // namespace documents
