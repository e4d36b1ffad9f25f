#include "speech/Lexicon.h"

#include "speech/PhonemeSpelling.h"

#include <QRegularExpression>
#include <algorithm>
#include <vector>

namespace speech {

namespace {

// Literal entries and the text are compared one UTF-16 unit at a time, each folded on its
// own, so that a folded pattern is as long as what it matches.
// ASCII, most of any text, skips Qt's tables.
char16_t folded(QChar c)
{
    const char16_t unit = c.unicode();
    if (unit < 0x80) {
        return unit >= u'A' && unit <= u'Z' ? char16_t(unit + (u'a' - u'A')) : unit;
    }
    return c.toCaseFolded().unicode();
}

bool isWordCharacter(QChar c)
{
    const char16_t unit = c.unicode();
    if (unit < 0x80) {
        return (unit >= u'a' && unit <= u'z') || (unit >= u'A' && unit <= u'Z') ||
               (unit >= u'0' && unit <= u'9') || unit == u'_';
    }
    return c.isLetterOrNumber() || c.isMark();
}

// A written form that is a whole word starts and ends where a word does: not between two
// letters of one word. Forms that begin or end with a sign ("C++", ".NET") fit where the
// sign is.
bool atWordEdges(QStringView text, qsizetype start, qsizetype end)
{
    const auto edge = [&text](qsizetype at) {
        return at <= 0 || at >= text.size() || !isWordCharacter(text[at - 1]) ||
               !isWordCharacter(text[at]);
    };
    return edge(start) && edge(end);
}

// A pattern that refers back to its own groups by number cannot share one expression
// with others: the numbers would point into another entry's groups.
bool refersBackByNumber(const QString& pattern)
{
    static const QRegularExpression backReference(QStringLiteral(R"(\\([1-9]|g\{?-?\d))"));
    return backReference.match(pattern).hasMatch();
}

// Language tags compared as lower case with hyphens ("en_US" is "en-us").
QString languageTag(QString language)
{
    return language.replace(QLatin1Char('_'), QLatin1Char('-')).toLower();
}

bool tagCovers(const QString& entry, const QString& voice)
{
    return entry.isEmpty() ||
           (voice.startsWith(entry) &&
            (voice.size() == entry.size() || voice.at(entry.size()) == QLatin1Char('-')));
}

QRegularExpression::PatternOptions patternOptions(bool matchCase)
{
    QRegularExpression::PatternOptions options = QRegularExpression::UseUnicodePropertiesOption;
    if (!matchCase) {
        options |= QRegularExpression::CaseInsensitiveOption;
    }
    return options;
}

} // namespace

struct Lexicon::Compiled
{
    // A trie of the literal entries with Aho-Corasick links: one pass over the text finds
    // every place each of them matches.
    struct Node
    {
        qint32 edgeStart = 0;
        qint32 edgeCount = 0;
        qint32 fail = 0;
        qint32 output = -1; // this node or the nearest one down its fail links that ends entries
        qint32 depth = 0;
        qint32 entryStart = 0;
        qint32 entryCount = 0;
    };
    struct Edge
    {
        char16_t unit = 0;
        qint32 target = 0;
    };
    struct Pattern
    {
        qint32 entry = 0;
        QRegularExpression expression;
    };

    explicit Compiled(QList<LexiconEntry> list);
    qint32 step(qint32 node, char16_t unit) const;
    void buildTrie();
    void buildExpressions();

    QList<LexiconEntry> entries;
    QVector<QString> phonemeForms; // per entry: "[[...]]", or empty without phonemes
    QVector<bool> usable;
    QVector<QString> languages; // per entry, as languageTag() writes it
    std::vector<Node> nodes;
    std::vector<Edge> edges;
    std::vector<qint32> nodeEntries;
    std::vector<qint32> rootNext; // the root's edges by unit, the hot path of every search
    std::vector<Pattern> patterns;
    // Where any pattern may match; the patterns themselves decide which one does.
    QRegularExpression anyPattern;
    bool hasAnyPattern = false;
};

Lexicon::Compiled::Compiled(QList<LexiconEntry> list) : entries(std::move(list))
{
    phonemeForms.resize(entries.size());
    usable.resize(entries.size());
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const LexiconEntry& entry = entries.at(i);
        languages.append(languageTag(entry.language));
        usable[i] = problem(entry).isEmpty();
        if (usable[i] && !entry.phonemes.isEmpty()) {
            phonemeForms[i] = QStringLiteral("[[") + *PhonemeSpelling::fromIpa(entry.phonemes) +
                              QStringLiteral("]]");
        }
    }
    buildTrie();
    buildExpressions();
}

qint32 Lexicon::Compiled::step(qint32 node, char16_t unit) const
{
    if (node == 0) {
        return rootNext[unit];
    }
    const Node& from = nodes[size_t(node)];
    const auto first = edges.begin() + from.edgeStart;
    const auto last = first + from.edgeCount;
    const auto found =
        std::lower_bound(first, last, unit, [](const Edge& e, char16_t u) { return e.unit < u; });
    return found != last && found->unit == unit ? found->target : 0;
}

void Lexicon::Compiled::buildTrie()
{
    struct Building
    {
        std::vector<Edge> children;
        std::vector<qint32> entries;
        qint32 depth = 0;
    };
    std::vector<Building> trie(1);
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const LexiconEntry& entry = entries.at(i);
        if (!usable[i] || entry.regex) {
            continue;
        }
        size_t node = 0;
        for (const QChar c : entry.written) {
            const char16_t unit = folded(c);
            auto& children = trie[node].children;
            const auto found = std::find_if(children.begin(), children.end(),
                                            [unit](const Edge& e) { return e.unit == unit; });
            if (found != children.end()) {
                node = size_t(found->target);
                continue;
            }
            const auto next = qint32(trie.size());
            children.push_back({unit, next});
            const qint32 depth = trie[node].depth + 1;
            trie.emplace_back();
            trie.back().depth = depth;
            node = size_t(next);
        }
        trie[node].entries.push_back(qint32(i));
    }

    nodes.resize(trie.size());
    for (size_t n = 0; n < trie.size(); ++n) {
        Building& built = trie[n];
        std::sort(built.children.begin(), built.children.end(),
                  [](const Edge& a, const Edge& b) { return a.unit < b.unit; });
        Node& node = nodes[n];
        node.edgeStart = qint32(edges.size());
        node.edgeCount = qint32(built.children.size());
        node.depth = built.depth;
        node.entryStart = qint32(nodeEntries.size());
        node.entryCount = qint32(built.entries.size());
        edges.insert(edges.end(), built.children.begin(), built.children.end());
        nodeEntries.insert(nodeEntries.end(), built.entries.begin(), built.entries.end());
    }
    rootNext.assign(0x10000, 0);
    for (qint32 e = 0; e < nodes[0].edgeCount; ++e) {
        rootNext[edges[size_t(e)].unit] = edges[size_t(e)].target;
    }

    // Breadth first, so that every fail link points at a node already linked.
    std::vector<qint32> queue{0};
    for (size_t q = 0; q < queue.size(); ++q) {
        const qint32 parent = queue[q];
        const Node& from = nodes[size_t(parent)];
        for (qint32 e = from.edgeStart; e < from.edgeStart + from.edgeCount; ++e) {
            const Edge edge = edges[size_t(e)];
            Node& child = nodes[size_t(edge.target)];
            if (parent != 0) {
                qint32 fallback = from.fail;
                qint32 next = step(fallback, edge.unit);
                while (next == 0 && fallback != 0) {
                    fallback = nodes[size_t(fallback)].fail;
                    next = step(fallback, edge.unit);
                }
                child.fail = next;
            }
            child.output = child.entryCount > 0 ? edge.target : nodes[size_t(child.fail)].output;
            queue.push_back(edge.target);
        }
    }
}

void Lexicon::Compiled::buildExpressions()
{
    QStringList alternatives;
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const LexiconEntry& entry = entries.at(i);
        if (!usable[i] || !entry.regex) {
            continue;
        }
        patterns.push_back(
            {qint32(i), QRegularExpression(entry.written, patternOptions(entry.matchCase))});
        patterns.back().expression.optimize();
        if (!refersBackByNumber(entry.written)) {
            alternatives.append(QStringLiteral("(?:") + entry.written + QLatin1Char(')'));
        }
    }
    // Patterns that cannot join the others are tried everywhere: an empty alternative
    // matches at every place.
    if (alternatives.size() < qsizetype(patterns.size())) {
        alternatives = {QString()};
    }
    hasAnyPattern = !patterns.empty();
    if (hasAnyPattern) {
        anyPattern = QRegularExpression(alternatives.join(QLatin1Char('|')), patternOptions(false));
        anyPattern.optimize();
    }
}

Lexicon::Lexicon() : Lexicon(QList<LexiconEntry>()) {}

Lexicon::Lexicon(QList<LexiconEntry> entries)
    : m_compiled(std::make_shared<const Compiled>(std::move(entries)))
{
}

const QList<LexiconEntry>& Lexicon::entries() const
{
    return m_compiled->entries;
}

bool Lexicon::isEmpty() const
{
    return m_compiled->entries.isEmpty();
}

SpokenText Lexicon::applyFor(QStringView text, const VoiceDefinition& voice) const
{
    return apply(text, voice.language(), voice.takesPhonemes());
}

QString Lexicon::problem(const LexiconEntry& entry)
{
    if (entry.written.isEmpty()) {
        return QStringLiteral("it has no written form");
    }
    // Neither file format can keep these as they are, and no text shows them.
    const auto unwritable = [](const QString& field) {
        return std::any_of(field.cbegin(), field.cend(),
                           [](QChar c) {
                               return (c.unicode() < 0x20 && c != QLatin1Char('\t')) ||
                                      c.unicode() >= 0xFFFE;
                           }) ||
               !field.isValidUtf16();
    };
    if (unwritable(entry.written) || unwritable(entry.respelling) || unwritable(entry.phonemes) ||
        unwritable(entry.language)) {
        return QStringLiteral("it holds a control character or broken text");
    }
    if (entry.respelling.isEmpty() && entry.phonemes.isEmpty()) {
        return QStringLiteral("it has neither a respelling nor phonemes");
    }
    if (entry.regex) {
        const QRegularExpression expression(entry.written);
        if (!expression.isValid()) {
            return QStringLiteral("the pattern \"%1\" is not valid: %2")
                .arg(entry.written, expression.errorString());
        }
    }
    if (!entry.phonemes.isEmpty() && !PhonemeSpelling::fromIpa(entry.phonemes)) {
        const QString unknown = PhonemeSpelling::unknownSymbol(entry.phonemes);
        return unknown.isEmpty()
                   ? QStringLiteral("the phonemes \"%1\" hold no sound").arg(entry.phonemes)
                   : QStringLiteral("the phonemes \"%1\" hold \"%2\", which is not a known IPA "
                                    "symbol")
                         .arg(entry.phonemes, unknown);
    }
    return {};
}

SpokenText Lexicon::apply(QStringView text, const QString& language, bool phonemes) const
{
    const Compiled& lexicon = *m_compiled;
    const qsizetype size = text.size();
    // Which entries this voice takes: its language's, and those it has something to say
    // for (phonemes alone say nothing to a voice without phoneme input).
    std::vector<char> takes(size_t(lexicon.entries.size()));
    bool any = false;
    const QString voiceTag = languageTag(language);
    for (qsizetype i = 0; i < lexicon.entries.size(); ++i) {
        const LexiconEntry& entry = lexicon.entries.at(i);
        takes[size_t(i)] = lexicon.usable[i] && tagCovers(lexicon.languages.at(i), voiceTag) &&
                           (!entry.respelling.isEmpty() || phonemes);
        any = any || takes[size_t(i)];
    }

    // The longest match starting at each place (the earlier entry among equals).
    std::vector<qint32> bestEntry;
    std::vector<qint32> bestLength;
    const auto offer = [&](qint32 entry, qsizetype start, qsizetype length) {
        const LexiconEntry& e = lexicon.entries.at(entry);
        if (!takes[size_t(entry)] || length <= 0 ||
            (e.wholeWord && !atWordEdges(text, start, start + length))) {
            return;
        }
        const auto at = size_t(start);
        if (length > bestLength[at] || (length == bestLength[at] && entry < bestEntry[at])) {
            bestEntry[at] = entry;
            bestLength[at] = qint32(length);
        }
    };
    if (any) {
        bestEntry.assign(size_t(size), -1);
        bestLength.assign(size_t(size), 0);
        qint32 state = 0;
        for (qsizetype i = 0; i < size; ++i) {
            const char16_t unit = folded(text[i]);
            qint32 next = lexicon.step(state, unit);
            while (next == 0 && state != 0) {
                state = lexicon.nodes[size_t(state)].fail;
                next = lexicon.step(state, unit);
            }
            state = next;
            for (qint32 out = lexicon.nodes[size_t(state)].output; out > 0;
                 out = lexicon.nodes[size_t(lexicon.nodes[size_t(out)].fail)].output) {
                const Compiled::Node& node = lexicon.nodes[size_t(out)];
                const qsizetype start = i + 1 - node.depth;
                for (qint32 k = node.entryStart; k < node.entryStart + node.entryCount; ++k) {
                    const qint32 entry = lexicon.nodeEntries[size_t(k)];
                    if (!lexicon.entries.at(entry).matchCase ||
                        text.sliced(start, node.depth) == lexicon.entries.at(entry).written) {
                        offer(entry, start, node.depth);
                    }
                }
            }
        }
        if (lexicon.hasAnyPattern) {
            const QString subject = text.toString();
            qsizetype from = 0;
            while (from < size) {
                const QRegularExpressionMatch somewhere = lexicon.anyPattern.match(subject, from);
                if (!somewhere.hasMatch()) {
                    break;
                }
                const qsizetype at = somewhere.capturedStart();
                for (const Compiled::Pattern& pattern : lexicon.patterns) {
                    const QRegularExpressionMatch here =
                        pattern.expression.match(subject, at, QRegularExpression::NormalMatch,
                                                 QRegularExpression::AnchorAtOffsetMatchOption);
                    if (here.hasMatch()) {
                        offer(pattern.entry, at, here.capturedLength());
                    }
                }
                from = at + 1;
            }
        }
    }

    SpokenText spoken;
    // Respellings tend to be longer than what they replace.
    spoken.text.reserve(size + size / 4);
    spoken.source.reserve(size + size / 4 + 1);
    for (qsizetype i = 0; i < size;) {
        // Written characters up to the next replacement go over as they are, in one piece.
        qsizetype copied = i;
        while (copied < size && (!any || bestEntry[size_t(copied)] < 0)) {
            ++copied;
        }
        if (copied > i) {
            spoken.text.append(text.sliced(i, copied - i));
            for (; i < copied; ++i) {
                spoken.source.append({i, i + 1});
            }
            continue;
        }
        const qint32 entry = bestEntry[size_t(i)];
        const qsizetype end = i + bestLength[size_t(i)];
        const QString& form = lexicon.phonemeForms.at(entry);
        const bool saysPhonemes = phonemes && !form.isEmpty();
        const QString& said = saysPhonemes ? form : lexicon.entries.at(entry).respelling;
        spoken.phonemes = spoken.phonemes || saysPhonemes;
        spoken.text.append(said);
        spoken.source.insert(spoken.source.size(), said.size(), {i, end});
        i = end;
    }
    spoken.source.append({size, size});
    return spoken;
}

} // namespace speech
