#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringView>
#include <optional>

// A document's own structure, read with its text: the chapters a listener can skip between, and the
// title, author and cover an audiobook carries.
namespace documents {

struct Chapter
{
    QString title;           // plain text, control characters removed, at most kMaxTitleLength
    qsizetype textStart = 0; // offset in the document's text where the chapter's heading begins
    int level = 1;           // 1 = top (h1 / outline level 1 / book part), 2, 3
};

struct Cover
{
    QByteArray data;  // the image file's bytes as stored in the document
    QString mimeType; // "image/jpeg", "image/png"
};

struct DocumentOutline
{
    QString title; // from the document's metadata, empty when it has none
    QString author;
    std::optional<Cover> cover;
    QList<Chapter> chapters; // in text order, textStart strictly increasing; empty: no structure
};

// Longer titles are cut: a heading that long is a paragraph marked as a heading by mistake.
constexpr qsizetype kMaxTitleLength = 500;
// Only these levels are chapters; deeper headings are sections a listener does not skip by.
constexpr int kMaxChapterLevel = 3;

// The chapters of a text without markup: lines standing alone that read like "Chapter 12",
// "CHAPTER XII", "Part Two: The Return", "Prologue", optionally followed by a title line.
QList<Chapter> plainTextChapters(QStringView text);

// A title as a listener hears it: whitespace collapsed, control characters removed, cut short.
QString cleanTitle(QStringView title);

// The heading level a paragraph style's name gives: "heading 2", "Heading 2" and the
// identifier "Heading2" are 2; 0 for other names.
int headingLevelOfStyleName(QStringView name);

// Heading texts found in text converted by another program, in order: each is looked for after
// the one before, at the end of a line; a heading not found is left out.
QList<Chapter> locateHeadings(const QList<Chapter>& headings, QStringView text);

// Makes an outline keep its promises, whichever reader made it: titles cleaned, chapters in text
// order with untitled, out-of-range and same-place ones left out, and a text with no chapters of
// its own given those its lines show.
void finishOutline(DocumentOutline& outline, QStringView text);

} // namespace documents
