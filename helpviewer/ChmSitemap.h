#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// The contents (.hhc) and index (.hhk) files of a help project: nested <UL> lists of
// "text/sitemap" objects, each with a name and one or more local pages.
namespace helpviewer {

struct ChmSitemapEntry
{
    QString name;
    QStringList locals;
    QList<ChmSitemapEntry> children;
};

class ChmSitemap
{
public:
    // Lists nested deeper than this are flattened into the deepest level kept, so a
    // hostile file cannot exhaust the stack.
    static constexpr int MaxDepth = 32;

    static QList<ChmSitemapEntry> parse(const QString& html);
    // The value of an HTML attribute text with its character references decoded.
    static QString decodeEntities(const QString& text);
};

} // namespace helpviewer
