#include "helpviewer/ChmFile.h"

#include "platform/ChildProcess.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QtEndian>
#include <algorithm>
#include <chm_lib.h>
#include <csignal>
#include <cstring>

namespace helpviewer {
namespace {

// The stream the reading child writes: one record per object, then an end mark.
constexpr char RecordObject = 'O';
constexpr char RecordEnd = 'E';
constexpr char RecordNotHelpFile = 'N';

// #SYSTEM record codes.
constexpr quint16 SystemContentsFile = 0;
constexpr quint16 SystemIndexFile = 1;
constexpr quint16 SystemDefaultTopic = 2;
constexpr quint16 SystemTitle = 3;
constexpr quint16 SystemDefaultWindow = 5;

// Offsets inside one #WINDOWS entry (the help viewer's window-type structure, with
// string fields stored as offsets into #STRINGS).
constexpr int WindowTypeName = 0x08;
constexpr int WindowCaption = 0x14;
constexpr int WindowRect = 0x20;
constexpr int WindowNavigationWidth = 0x4C;
constexpr int WindowToc = 0x60;
constexpr int WindowIndex = 0x64;
constexpr int WindowFile = 0x68;
constexpr int WindowHome = 0x6C;
constexpr int WindowEntryMinimum = 0x70;
constexpr qint32 MaxCoordinate = 100000;

struct ChildContext
{
    int fd = -1;
    qint64 total = 0;
};

int extractOne(chmFile* file, chmUnitInfo* unit, void* context)
{
    auto* child = static_cast<ChildContext*>(context);
    const auto pathLength = static_cast<quint32>(::strnlen(unit->path, CHM_MAX_PATHLEN));
    if (pathLength == 0 || unit->path[pathLength - 1] == '/') {
        return CHM_ENUMERATOR_CONTINUE;
    }
    unsigned char readable = 0;
    quint64 length = 0;
    unsigned char* buffer = nullptr;
    if (unit->length <= static_cast<quint64>(ChmFile::MaxObjectSize) &&
        child->total + static_cast<qint64>(unit->length) <= ChmFile::MaxTotalSize) {
        buffer = static_cast<unsigned char*>(::malloc(unit->length + 1));
        if (buffer) {
            const LONGINT64 got =
                chm_retrieve_object(file, unit, buffer, 0, static_cast<LONGINT64>(unit->length));
            if (got >= 0 && static_cast<quint64>(got) == unit->length) {
                readable = 1;
                length = unit->length;
                child->total += static_cast<qint64>(length);
            }
        }
    }
    const bool ok = platform::ChildProcess::writeAllTo(child->fd, &RecordObject, 1) &&
                    platform::ChildProcess::writeAllTo(child->fd, &pathLength, sizeof pathLength) &&
                    platform::ChildProcess::writeAllTo(child->fd, unit->path, pathLength) &&
                    platform::ChildProcess::writeAllTo(child->fd, &readable, 1) &&
                    platform::ChildProcess::writeAllTo(child->fd, &length, sizeof length) &&
                    (length == 0 || platform::ChildProcess::writeAllTo(child->fd, buffer, length));
    ::free(buffer);
    return ok ? CHM_ENUMERATOR_CONTINUE : CHM_ENUMERATOR_FAILURE;
}

// chmlib sizes its decompression buffers with the reset table's 64-bit block length cut
// to 32 bits but takes offsets with all of it, so a damaged length has it copy from far
// past a buffer. Under a sanitizer that ends the child; in a normal build nothing faults
// and stray memory would come back as page text. Real files use 32 KiB blocks.
bool plausibleBlockLength(chmFile* file)
{
    constexpr char resetTable[] = "::DataSpace/Storage/MSCompressed/Transform/"
                                  "{7FC28940-9D31-11D0-9B27-00A0C91E9C7C}/InstanceData/ResetTable";
    constexpr int blockLengthOffset = 0x20;
    chmUnitInfo unit = {};
    unsigned char table[blockLengthOffset + 8];
    if (chm_resolve_object(file, resetTable, &unit) != CHM_RESOLVE_SUCCESS ||
        chm_retrieve_object(file, &unit, table, 0, sizeof table) != LONGINT64(sizeof table)) {
        return true; // chmlib then leaves the compressed section alone too
    }
    const auto blockLength = qFromLittleEndian<quint64>(table + blockLengthOffset);
    return blockLength > 0 && blockLength <= quint64(ChmFile::MaxObjectSize);
}

// Runs in the child: sends every object of the file, then the end record.
int runChild(const QByteArray& nativePath, int fd)
{
    // A crash here must end this child quietly, not run the parent's handlers.
    for (int signal : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) {
        struct sigaction action = {};
        action.sa_handler = SIG_DFL;
        ::sigaction(signal, &action, nullptr);
    }
    chmFile* file = chm_open(nativePath.constData());
    if (!file) {
        platform::ChildProcess::writeAllTo(fd, &RecordNotHelpFile, 1);
        return 0;
    }
    if (!plausibleBlockLength(file)) {
        return 1;
    }
    ChildContext context;
    context.fd = fd;
    chm_enumerate(file, CHM_ENUMERATE_NORMAL | CHM_ENUMERATE_SPECIAL | CHM_ENUMERATE_FILES,
                  extractOne, &context);
    chm_close(file);
    platform::ChildProcess::writeAllTo(fd, &RecordEnd, 1);
    return 0;
}

// Reads a little-endian number at an offset; nullopt past the end.
template <typename T> std::optional<T> readNumber(const QByteArray& data, qsizetype offset)
{
    if (offset < 0 || offset + qsizetype(sizeof(T)) > data.size()) {
        return std::nullopt;
    }
    return qFromLittleEndian<T>(data.constData() + offset);
}

QString lowerKey(const QString& path)
{
    return ChmFile::normalizePath(path).toLower();
}

bool isPage(const QString& path)
{
    return path.endsWith(QLatin1String(".htm"), Qt::CaseInsensitive) ||
           path.endsWith(QLatin1String(".html"), Qt::CaseInsensitive);
}

QStringList splitNames(const QString& names)
{
    QStringList result;
    for (const QString& name : names.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString trimmed = name.trimmed();
        if (!trimmed.isEmpty()) {
            result.append(trimmed);
        }
    }
    return result;
}

void collectKeyword(const QList<ChmSitemapEntry>& entries, const QString& keyword,
                    QStringList& topics)
{
    for (const ChmSitemapEntry& entry : entries) {
        if (entry.name.compare(keyword, Qt::CaseInsensitive) == 0) {
            for (const QString& local : entry.locals) {
                const QString path = ChmFile::normalizePath(local);
                if (!topics.contains(path)) {
                    topics.append(path);
                }
            }
        }
        collectKeyword(entry.children, keyword, topics);
    }
}

} // namespace

ChmFile ChmFile::open(const QString& path, int timeLimitMs)
{
    ChmFile chm;
    chm.m_fileName = path;
    const QFileInfo info(path);
    if (!info.exists() || !info.isFile()) {
        chm.m_status = Status::Missing;
        chm.m_error = QStringLiteral("The help file %1 does not exist.").arg(path);
        return chm;
    }
    const QByteArray nativePath = QFile::encodeName(info.absoluteFilePath());
    // chmlib runs in a child process: a damaged file that crashes or hangs it costs the
    // child, never the program.
    const platform::Result<std::unique_ptr<platform::ChildProcess>> child =
        platform::ChildProcess::fork([&nativePath](int fd) { return runChild(nativePath, fd); });
    if (!child) {
        chm.m_status = Status::Damaged;
        chm.m_error = QStringLiteral("The help file %1 could not be read.").arg(path);
        return chm;
    }
    const platform::ChildProcess::Collected collected =
        child.value()->collect(timeLimitMs, ChmFile::MaxTotalSize + qint64(4) * 1024 * 1024);
    const QByteArray& stream = collected.output;

    const QString damaged =
        QStringLiteral("The help file %1 is damaged and cannot be shown.").arg(path);
    if (stream.startsWith(RecordNotHelpFile)) {
        chm.m_status = Status::NotHelpFile;
        chm.m_error = QStringLiteral("%1 is not a compiled help file.").arg(path);
        return chm;
    }
    QHash<QString, QByteArray> objects;
    QStringList order;
    QStringList unreadable;
    qsizetype pos = 0;
    bool ended = false;
    while (pos < stream.size()) {
        const char kind = stream.at(pos++);
        if (kind == RecordEnd) {
            ended = pos == stream.size();
            break;
        }
        const std::optional<quint32> pathLength = readNumber<quint32>(stream, pos);
        if (kind != RecordObject || !pathLength || *pathLength > CHM_MAX_PATHLEN) {
            break;
        }
        pos += 4;
        if (pos + qsizetype(*pathLength) + 9 > stream.size()) {
            break;
        }
        const QString objectPath = QString::fromUtf8(stream.mid(pos, *pathLength));
        pos += *pathLength;
        const bool readable = stream.at(pos++) != 0;
        const quint64 length = *readNumber<quint64>(stream, pos);
        pos += 8;
        if (length > quint64(stream.size() - pos)) {
            break;
        }
        if (readable) {
            objects.insert(objectPath, stream.mid(pos, qsizetype(length)));
            order.append(objectPath);
        } else {
            unreadable.append(objectPath);
        }
        pos += qsizetype(length);
    }
    if (!collected.exitedCleanly || !ended) {
        chm.m_status = Status::Damaged;
        chm.m_error = damaged;
        return chm;
    }
    ChmFile parsed = fromObjects(objects);
    parsed.m_fileName = path;
    parsed.m_unreadable = unreadable;
    // fromObjects keeps hash order; the file's own order is the one users see.
    parsed.m_order = order;
    // A directory entry whose data cannot be read means the file was cut short or
    // overwritten; showing the rest would leave holes the user cannot explain.
    if (!unreadable.isEmpty() || parsed.m_objects.isEmpty() || parsed.pages().isEmpty()) {
        parsed.m_status = Status::Damaged;
        parsed.m_error = damaged;
    }
    return parsed;
}

ChmFile ChmFile::fromObjects(const QHash<QString, QByteArray>& objects)
{
    ChmFile chm;
    chm.m_status = Status::Ok;
    for (auto it = objects.begin(); it != objects.end(); ++it) {
        chm.m_objects.insert(lowerKey(it.key()), it.value());
        chm.m_order.append(it.key());
    }
    std::sort(chm.m_order.begin(), chm.m_order.end());
    chm.parseTables();
    return chm;
}

QString ChmFile::normalizePath(const QString& path)
{
    QString text = path;
    text.replace(QLatin1Char('\\'), QLatin1Char('/'));
    // "page.htm#part" names a place in a page, but the file's own tables ("/#SYSTEM")
    // start with the same sign.
    for (qsizetype hash = text.indexOf(QLatin1Char('#')); hash >= 0;
         hash = text.indexOf(QLatin1Char('#'), hash + 1)) {
        if (hash > 0 && text.at(hash - 1) != QLatin1Char('/')) {
            text.truncate(hash);
            break;
        }
    }
    QStringList parts;
    for (const QString& part : text.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (part == QLatin1String(".")) {
            continue;
        }
        if (part == QLatin1String("..")) {
            if (!parts.isEmpty()) {
                parts.removeLast();
            }
            continue;
        }
        parts.append(part);
    }
    return QLatin1Char('/') + parts.join(QLatin1Char('/'));
}

bool ChmFile::contains(const QString& path) const
{
    return m_objects.contains(lowerKey(path));
}

std::optional<QByteArray> ChmFile::object(const QString& path) const
{
    const auto it = m_objects.constFind(lowerKey(path));
    if (it == m_objects.cend()) {
        return std::nullopt;
    }
    return *it;
}

QStringList ChmFile::paths() const
{
    return m_order;
}

std::optional<ChmWindowType> ChmFile::windowType(const QString& name) const
{
    for (const ChmWindowType& type : m_windows) {
        if (type.name.compare(name.trimmed(), Qt::CaseInsensitive) == 0) {
            return type;
        }
    }
    return std::nullopt;
}

QString ChmFile::stringAt(quint32 offset) const
{
    if (offset == 0 || offset >= quint32(m_strings.size())) {
        return {};
    }
    const qsizetype end = m_strings.indexOf('\0', offset);
    return decodeText(m_strings.mid(offset, (end < 0 ? m_strings.size() : end) - offset));
}

void ChmFile::parseTables()
{
    m_strings = object(QStringLiteral("/#STRINGS")).value_or(QByteArray());

    const QByteArray system = object(QStringLiteral("/#SYSTEM")).value_or(QByteArray());
    for (qsizetype pos = 4; pos + 4 <= system.size();) {
        const quint16 code = *readNumber<quint16>(system, pos);
        const quint16 length = *readNumber<quint16>(system, pos + 2);
        pos += 4;
        if (pos + length > system.size()) {
            break;
        }
        QByteArray value = system.mid(pos, length);
        pos += length;
        const qsizetype end = value.indexOf('\0');
        if (end >= 0) {
            value.truncate(end);
        }
        switch (code) {
        case SystemContentsFile:
            m_system.contentsFile = decodeText(value);
            break;
        case SystemIndexFile:
            m_system.indexFile = decodeText(value);
            break;
        case SystemDefaultTopic:
            m_system.defaultTopic = decodeText(value);
            break;
        case SystemTitle:
            m_system.title = decodeText(value);
            break;
        case SystemDefaultWindow:
            m_system.defaultWindow = decodeText(value);
            break;
        default:
            break;
        }
    }

    const QByteArray windows = object(QStringLiteral("/#WINDOWS")).value_or(QByteArray());
    const quint32 count = readNumber<quint32>(windows, 0).value_or(0);
    const quint32 entrySize = readNumber<quint32>(windows, 4).value_or(0);
    if (entrySize >= WindowEntryMinimum) {
        for (quint32 i = 0; i < count; ++i) {
            const qsizetype base = 8 + qsizetype(i) * entrySize;
            if (base + entrySize > windows.size()) {
                break;
            }
            auto field = [&](int offset) {
                return stringAt(readNumber<quint32>(windows, base + offset).value_or(0));
            };
            auto number = [&](int offset) {
                return readNumber<qint32>(windows, base + offset).value_or(0);
            };
            ChmWindowType type;
            type.name = field(WindowTypeName);
            type.caption = field(WindowCaption);
            type.contentsFile = field(WindowToc);
            type.indexFile = field(WindowIndex);
            type.defaultFile = field(WindowFile);
            type.homeFile = field(WindowHome);
            // Screen co-ordinates far beyond any screen are damage, and would overflow
            // the rectangle's arithmetic.
            const qint32 left = number(WindowRect);
            const qint32 top = number(WindowRect + 4);
            const qint32 right = number(WindowRect + 8);
            const qint32 bottom = number(WindowRect + 12);
            auto plausible = [](qint32 value) {
                return value > -MaxCoordinate && value < MaxCoordinate;
            };
            if (plausible(left) && plausible(top) && plausible(right) && plausible(bottom) &&
                right > left && bottom > top) {
                type.geometry = QRect(left, top, right - left, bottom - top);
            }
            const int navigationWidth = number(WindowNavigationWidth);
            if (navigationWidth > 0 && navigationWidth < 10000) {
                type.navigationWidth = navigationWidth;
            }
            if (!type.name.isEmpty()) {
                m_windows.append(type);
            }
        }
    }

    // #IVB: a byte count, then (context id, #STRINGS offset) pairs.
    const QByteArray ivb = object(QStringLiteral("/#IVB")).value_or(QByteArray());
    const quint32 pairBytes = readNumber<quint32>(ivb, 0).value_or(0);
    const qsizetype end = std::min<qsizetype>(ivb.size(), 4 + qsizetype(pairBytes));
    for (qsizetype pos = 4; pos + 8 <= end; pos += 8) {
        m_contextIds.insert(*readNumber<quint32>(ivb, pos), *readNumber<quint32>(ivb, pos + 4));
    }
}

std::optional<QString> ChmFile::resolveSuffix(const QString& storedPath) const
{
    // The compiler keeps the path the topic had on the machine that built the file;
    // the part of it that names an object inside the file is its longest such suffix.
    QString text = storedPath;
    text.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const qsizetype colon = text.indexOf(QLatin1String("::"));
    if (colon >= 0) {
        text = text.mid(colon + 2);
    }
    const QStringList parts = text.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (qsizetype first = 0; first < parts.size(); ++first) {
        const QString candidate = normalizePath(parts.mid(first).join(QLatin1Char('/')));
        if (contains(candidate)) {
            return candidate;
        }
    }
    return std::nullopt;
}

std::optional<QString> ChmFile::topicForContextId(quint32 id) const
{
    const auto it = m_contextIds.constFind(id);
    if (it == m_contextIds.cend()) {
        return std::nullopt;
    }
    return resolveSuffix(stringAt(*it));
}

QString ChmFile::defaultTopic() const
{
    if (!m_system.defaultTopic.isEmpty() && contains(m_system.defaultTopic)) {
        return normalizePath(m_system.defaultTopic);
    }
    for (const ChmWindowType& type : m_windows) {
        if (!type.defaultFile.isEmpty() && contains(type.defaultFile)) {
            return normalizePath(type.defaultFile);
        }
    }
    const QList<ChmSitemapEntry> toc = contents();
    if (!toc.isEmpty() && !toc.first().locals.isEmpty()) {
        return normalizePath(toc.first().locals.first());
    }
    const QStringList all = pages();
    return all.isEmpty() ? QString() : normalizePath(all.first());
}

QList<ChmSitemapEntry> ChmFile::contents() const
{
    QString file = m_system.contentsFile;
    if (file.isEmpty()) {
        for (const QString& path : m_order) {
            if (path.endsWith(QLatin1String(".hhc"), Qt::CaseInsensitive)) {
                file = path;
                break;
            }
        }
    }
    const std::optional<QByteArray> data = object(file);
    return data ? ChmSitemap::parse(decodeText(*data)) : QList<ChmSitemapEntry>();
}

QList<ChmSitemapEntry> ChmFile::index() const
{
    QString file = m_system.indexFile;
    if (file.isEmpty()) {
        for (const QString& path : m_order) {
            if (path.endsWith(QLatin1String(".hhk"), Qt::CaseInsensitive)) {
                file = path;
                break;
            }
        }
    }
    const std::optional<QByteArray> data = object(file);
    return data ? ChmSitemap::parse(decodeText(*data)) : QList<ChmSitemapEntry>();
}

QStringList ChmFile::pages() const
{
    QStringList result;
    for (const QString& path : m_order) {
        if (isPage(path)) {
            result.append(path);
        }
    }
    return result;
}

QString ChmFile::pageTitle(const QString& path) const
{
    static const QRegularExpression titlePattern(
        QStringLiteral("<title[^>]*>(.*?)</title>"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    const std::optional<QByteArray> data = object(path);
    if (!data) {
        return {};
    }
    const QString title =
        ChmSitemap::decodeEntities(titlePattern.match(decodeText(*data)).captured(1)).simplified();
    return title.isEmpty() ? normalizePath(path).mid(1) : title;
}

QString ChmFile::plainTextOf(const QString& path) const
{
    const QString key = lowerKey(path);
    const auto cached = m_plainText.constFind(key);
    if (cached != m_plainText.cend()) {
        return *cached;
    }
    static const QRegularExpression hidden(QStringLiteral("<(script|style|head)\\b.*?</\\1>"),
                                           QRegularExpression::CaseInsensitiveOption |
                                               QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression tag(QStringLiteral("<[^>]*>"));
    QString text = decodeText(object(path).value_or(QByteArray()));
    text.remove(hidden);
    text.replace(tag, QStringLiteral(" "));
    text = ChmSitemap::decodeEntities(text).simplified();
    m_plainText.insert(key, text);
    return text;
}

QList<ChmSearchHit> ChmFile::search(const QString& query) const
{
    static const QRegularExpression separators(QStringLiteral("[^\\w']+"));
    const QStringList words = query.split(separators, Qt::SkipEmptyParts);
    QList<std::pair<int, ChmSearchHit>> scored;
    if (words.isEmpty()) {
        return {};
    }
    for (const QString& path : pages()) {
        const QString text = plainTextOf(path);
        const QString title = pageTitle(path);
        int score = 0;
        bool all = true;
        for (const QString& word : words) {
            const qsizetype hits = text.count(word, Qt::CaseInsensitive);
            if (hits == 0) {
                all = false;
                break;
            }
            score += int(std::min<qsizetype>(hits, 1000));
            if (title.contains(word, Qt::CaseInsensitive)) {
                score += 1000;
            }
        }
        if (all) {
            scored.append({score, {normalizePath(path), title}});
        }
    }
    std::stable_sort(scored.begin(), scored.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });
    QList<ChmSearchHit> hits;
    for (const auto& entry : scored) {
        hits.append(entry.second);
    }
    return hits;
}

QStringList ChmFile::topicsForALink(const QString& names) const
{
    // Associative links are declared inside the topics themselves, as parameters of
    // the help viewer's link object.
    static const QRegularExpression aLink(
        QStringLiteral("<param\\s+name\\s*=\\s*\"ALink Name\"\\s+value\\s*=\\s*\"([^\"]*)\""),
        QRegularExpression::CaseInsensitiveOption);
    const QStringList wanted = splitNames(names);
    QStringList topics;
    for (const QString& path : pages()) {
        const QString html = decodeText(object(path).value_or(QByteArray()));
        for (auto it = aLink.globalMatch(html); it.hasNext();) {
            const QStringList declared =
                splitNames(ChmSitemap::decodeEntities(it.next().captured(1)));
            const bool match = std::any_of(wanted.begin(), wanted.end(), [&](const QString& name) {
                return declared.contains(name, Qt::CaseInsensitive);
            });
            if (match && !topics.contains(normalizePath(path))) {
                topics.append(normalizePath(path));
            }
        }
    }
    return topics;
}

QStringList ChmFile::topicsForKeyword(const QString& keywords) const
{
    const QList<ChmSitemapEntry> entries = index();
    QStringList topics;
    for (const QString& keyword : splitNames(keywords)) {
        collectKeyword(entries, keyword, topics);
    }
    QStringList existing;
    for (const QString& topic : topics) {
        if (contains(topic)) {
            existing.append(topic);
        }
    }
    return existing;
}

QString ChmFile::decodeText(const QByteArray& data)
{
    // Help projects are written in UTF-8 or in the Windows code page of their language.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(data);
    if (!utf8.hasError()) {
        return text;
    }
    return QString::fromLatin1(data);
}

} // namespace helpviewer
