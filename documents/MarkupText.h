#pragma once

#include "documents/DocumentText.h"

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QString>

class QTextDocument;

// Web pages and Markdown notes to plain text through Qt's own readers, with list numbers
// and bullets kept as words ("1. Alpha"), since a listener cannot see the indent.
namespace documents::markuptext {

// Whether the data reads like a web page: its first tag is a document type, <html>,
// <head> or <body>, after optional blanks, an XML declaration and comments.
bool looksLikeHtml(const QByteArray& head);

// Whether the text reads like Markdown: a heading line, or two kinds of Markdown marks
// (lists, links, emphasis, quotes, fenced code).
bool looksLikeMarkdown(const QString& text);

// A page's or a note's text with its outline: headings h1 to h3 (in Markdown "#" to "###"
// and underlined ones), and a page's <title> and author <meta>. A page's encoding comes from
// its byte-order mark or <meta> charset, else UTF-8.
DocumentText htmlDocument(const QByteArray& data);
DocumentText markdownDocument(const QString& markdown);

// Reads the page into the document, in the encoding htmlDocument uses.
void setHtml(QTextDocument& document, const QByteArray& data);

// A document's text, paragraph after paragraph, each list item led by its number or
// bullet; lineStarts, when given, gets the offset where each block's line begins.
QString plainText(const QTextDocument& document, QList<qsizetype>* lineStarts = nullptr);

// Where the blocks holding the wanted anchors (ids) begin; an anchor not there is left out.
QHash<QString, qsizetype> anchorStarts(const QTextDocument& document,
                                       const QList<qsizetype>& lineStarts,
                                       const QSet<QString>& wanted);

} // namespace documents::markuptext
