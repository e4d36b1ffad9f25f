// libFuzzer target: the help file's own tables (#SYSTEM, #WINDOWS, #IVB, #STRINGS and
// the contents and index lists) straight from the input, so that mutations reach the
// parsers without first having to survive the file's compression.
#include "helpviewer/ChmFile.h"

#include <QByteArray>
#include <QHash>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    static const QString names[] = {
        QStringLiteral("/#SYSTEM"),  QStringLiteral("/#WINDOWS"),  QStringLiteral("/#IVB"),
        QStringLiteral("/#STRINGS"), QStringLiteral("/toc.hhc"),   QStringLiteral("/index.hhk"),
        QStringLiteral("/page.htm"), QStringLiteral("/a/b/c.htm"),
    };
    QHash<QString, QByteArray> objects;
    const QList<QByteArray> parts = input.split('\xff');
    for (qsizetype i = 0; i < parts.size() && i < qsizetype(std::size(names)); ++i) {
        objects.insert(names[i], parts.at(i));
    }
    const helpviewer::ChmFile chm = helpviewer::ChmFile::fromObjects(objects);
    chm.defaultTopic();
    chm.contents();
    chm.index();
    chm.windowTypes();
    for (quint32 id = 0; id < 64; ++id) {
        chm.topicForContextId(id);
    }
    chm.search(QStringLiteral("a b"));
    chm.topicsForALink(QStringLiteral("x;y"));
    chm.topicsForKeyword(QStringLiteral("x;y"));
    return 0;
}
