#pragma once

#include <QByteArray>
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

// A page's text; its encoding comes from its byte-order mark or <meta> charset, else
// UTF-8.
QString fromHtml(const QByteArray& data);
QString fromMarkdown(const QString& markdown);

// A document's text, paragraph after paragraph, each list item led by its number or
// bullet.
QString plainText(const QTextDocument& document);

} // namespace documents::markuptext
