#include "helpviewer/ChmSitemap.h"

#include <QRegularExpression>

namespace helpviewer {
namespace {

struct Tag
{
    bool closing = false;
    QString name;       // lower case
    QString attributes; // raw
};

QList<Tag> tagsOf(const QString& html)
{
    static const QRegularExpression tagPattern(QStringLiteral("<(/?)([A-Za-z]+)([^>]*)>"));
    QList<Tag> tags;
    for (auto it = tagPattern.globalMatch(html); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        const QString name = match.captured(2).toLower();
        if (name == QLatin1String("ul") || name == QLatin1String("object") ||
            name == QLatin1String("param")) {
            tags.append({!match.captured(1).isEmpty(), name, match.captured(3)});
        }
    }
    return tags;
}

QString attribute(const QString& attributes, const QString& name)
{
    const QRegularExpression pattern(
        QStringLiteral("\\b%1\\s*=\\s*(?:\"([^\"]*)\"|'([^']*)'|([^\\s>]+))").arg(name),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = pattern.match(attributes);
    if (!match.hasMatch()) {
        return {};
    }
    for (int group = 1; group <= 3; ++group) {
        if (match.capturedStart(group) >= 0) {
            return ChmSitemap::decodeEntities(match.captured(group));
        }
    }
    return {};
}

class Parser
{
public:
    explicit Parser(QList<Tag> tags) : m_tags(std::move(tags)) {}

    QList<ChmSitemapEntry> parseList(int depth)
    {
        QList<ChmSitemapEntry> entries;
        while (m_pos < m_tags.size()) {
            const Tag& tag = m_tags.at(m_pos++);
            if (tag.name == QLatin1String("ul") && tag.closing) {
                if (depth > 0) {
                    return entries;
                }
                continue;
            }
            if (tag.name == QLatin1String("ul")) {
                if (depth + 1 >= ChmSitemap::MaxDepth) {
                    continue;
                }
                QList<ChmSitemapEntry> children = parseList(depth + 1);
                if (entries.isEmpty()) {
                    entries += children;
                } else {
                    entries.last().children += children;
                }
                continue;
            }
            if (tag.name == QLatin1String("object") && !tag.closing) {
                if (std::optional<ChmSitemapEntry> entry = parseObject(tag)) {
                    entries.append(*entry);
                }
            }
        }
        return entries;
    }

private:
    std::optional<ChmSitemapEntry> parseObject(const Tag& open)
    {
        const bool sitemap = attribute(open.attributes, QStringLiteral("type"))
                                 .compare(QLatin1String("text/sitemap"), Qt::CaseInsensitive) == 0;
        ChmSitemapEntry entry;
        while (m_pos < m_tags.size()) {
            const Tag& tag = m_tags.at(m_pos);
            if (tag.name != QLatin1String("param")) {
                if (tag.name == QLatin1String("object") && tag.closing) {
                    ++m_pos;
                }
                break;
            }
            ++m_pos;
            const QString name = attribute(tag.attributes, QStringLiteral("name"));
            const QString value = attribute(tag.attributes, QStringLiteral("value"));
            // An index entry may name several pages; the first "Name" is the entry's own.
            if (name.compare(QLatin1String("Name"), Qt::CaseInsensitive) == 0) {
                if (entry.name.isEmpty()) {
                    entry.name = value;
                }
            } else if (name.compare(QLatin1String("Local"), Qt::CaseInsensitive) == 0) {
                if (!value.isEmpty()) {
                    entry.locals.append(value);
                }
            }
        }
        if (!sitemap || entry.name.isEmpty()) {
            return std::nullopt;
        }
        return entry;
    }

    QList<Tag> m_tags;
    qsizetype m_pos = 0;
};

} // namespace

QList<ChmSitemapEntry> ChmSitemap::parse(const QString& html)
{
    Parser parser(tagsOf(html));
    return parser.parseList(0);
}

QString ChmSitemap::decodeEntities(const QString& text)
{
    if (!text.contains(QLatin1Char('&'))) {
        return text;
    }
    static const QRegularExpression entity(
        QStringLiteral("&(#[0-9]+|#[xX][0-9A-Fa-f]+|[A-Za-z]+);"));
    QString result;
    qsizetype last = 0;
    for (auto it = entity.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        result += QStringView(text).mid(last, match.capturedStart() - last);
        const QString name = match.captured(1);
        QString replacement = match.captured();
        if (name.startsWith(QLatin1Char('#'))) {
            bool ok = false;
            const bool hex = name.size() > 1 &&
                             (name.at(1) == QLatin1Char('x') || name.at(1) == QLatin1Char('X'));
            const uint code = hex ? name.mid(2).toUInt(&ok, 16) : name.mid(1).toUInt(&ok, 10);
            if (ok && code > 0 && code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF)) {
                const char32_t character = code;
                replacement = QString::fromUcs4(&character, 1);
            }
        } else if (name == QLatin1String("amp")) {
            replacement = QStringLiteral("&");
        } else if (name == QLatin1String("lt")) {
            replacement = QStringLiteral("<");
        } else if (name == QLatin1String("gt")) {
            replacement = QStringLiteral(">");
        } else if (name == QLatin1String("quot")) {
            replacement = QStringLiteral("\"");
        } else if (name == QLatin1String("apos")) {
            replacement = QStringLiteral("'");
        } else if (name == QLatin1String("nbsp")) {
            replacement = QString(QChar(0xA0));
        }
        result += replacement;
        last = match.capturedEnd();
    }
    result += QStringView(text).mid(last);
    return result;
}

} // namespace helpviewer
