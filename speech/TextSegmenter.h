#pragma once

#include <QString>
#include <QStringView>
#include <optional>

namespace speech {

// Cuts a text into pieces the engines take one at a time, at sentence ends where it
// can, so that no engine ever sees more than a few kilobytes and a stop is noticed
// between pieces as well as inside them.
class TextSegmenter
{
public:
    static constexpr qsizetype DefaultMaximum = 2000;

    explicit TextSegmenter(const QString& text, qsizetype maximum = DefaultMaximum);

    // The next piece, or none at the end. Pieces cover the text without gaps or overlap.
    std::optional<QStringView> next();

private:
    qsizetype cutBefore(qsizetype limit) const;

    QString m_text; // shares the caller's data
    qsizetype m_position = 0;
    qsizetype m_maximum;
};

} // namespace speech
