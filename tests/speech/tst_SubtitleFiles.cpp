// Where a recording's files land when the name given is not a plain file: a folder is
// refused in the same words for the sound and its timings and stays as it was; a link is
// written through to where it points, or refused when that folder is missing.
#include "speech/SubtitleWriter.h"
#include "speech/WaveFileWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <functional>

namespace {

enum class Target { Folder, LinkToNewFile, LinkIntoMissingFolder, LinkToFolder };

// Makes the name a folder or a link; returns where a written file would land.
QString prepare(Target target, const QString& path, const QDir& dir)
{
    const QString aside = dir.filePath(QStringLiteral("elsewhere/") + QFileInfo(path).fileName());
    switch (target) {
    case Target::Folder:
        QDir().mkpath(path);
        QFile(path + QStringLiteral("/keep")).open(QIODevice::WriteOnly);
        return path;
    case Target::LinkToNewFile:
        QDir().mkpath(dir.filePath(QStringLiteral("elsewhere")));
        QFile::link(aside, path);
        return aside;
    case Target::LinkIntoMissingFolder:
        QFile::link(dir.filePath(QStringLiteral("missing/x")), path);
        return dir.filePath(QStringLiteral("missing/x"));
    case Target::LinkToFolder:
        QDir().mkpath(aside);
        QFile::link(aside, path);
        return aside;
    }
    return path;
}

struct Written
{
    bool ok;
    QString error;
};

Written writeSound(const QString& path)
{
    WaveFileWriter writer(path, 22050);
    const QVector<qint16> samples(2205, 1000);
    const bool ok =
        writer.open() && writer.write(samples.constData(), samples.size()) && writer.commit();
    return {ok, writer.errorString()};
}

Written writeTimings(const QString& path)
{
    SubtitleWriter timings(QStringLiteral("One word."), 22050);
    timings.addWord({0, 0, 3});
    const platform::Result<void> written =
        timings.write(path, SubtitleWriter::Kind::Sentences, 22050);
    return {written.ok(), written.error()};
}

} // namespace

class tst_SubtitleFiles : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void awkwardNames_data()
    {
        QTest::addColumn<Target>("target");
        QTest::addColumn<bool>("writes");
        QTest::addColumn<QString>("words"); // of the refusal
        QTest::newRow("a folder") << Target::Folder << false << QStringLiteral("is a folder");
        QTest::newRow("a link to a folder")
            << Target::LinkToFolder << false << QStringLiteral("is a folder");
        QTest::newRow("a link to nothing yet") << Target::LinkToNewFile << true << QString();
        QTest::newRow("a link into a missing folder")
            << Target::LinkIntoMissingFolder << false << QStringLiteral("does not exist");
    }

    void awkwardNames()
    {
        QFETCH(Target, target);
        QFETCH(bool, writes);
        QFETCH(QString, words);
        const std::pair<QString, std::function<Written(const QString&)>> writers[] = {
            {QStringLiteral("speech.wav"), writeSound},
            {QStringLiteral("speech.srt"), writeTimings}};
        for (const auto& [name, write] : writers) {
            QTemporaryDir dir;
            const QString path = QDir(dir.path()).filePath(name);
            const QString lands = prepare(target, path, QDir(dir.path()));
            const QStringList before = QDir(dir.path()).entryList(QDir::AllEntries);
            const Written written = write(path);
            QVERIFY2(written.ok == writes, qPrintable(name + u' ' + written.error));
            QVERIFY2(written.error.contains(words), qPrintable(written.error));
            if (!writes) {
                // Said with the name given, and nothing around it changed.
                QVERIFY2(written.error.contains(QFileInfo(lands).dir().dirName()) ||
                             written.error.contains(name),
                         qPrintable(written.error));
                QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries), before);
                QCOMPARE(QFileInfo(lands).isDir(), target != Target::LinkIntoMissingFolder);
                continue;
            }
            QVERIFY(QFileInfo(path).isSymLink());
            QVERIFY2(QFileInfo(lands).isFile() && QFileInfo(lands).size() > 0, qPrintable(lands));
            QCOMPARE(QDir(QFileInfo(lands).path()).entryList(QDir::Files).size(), 1);
        }
    }
};

QTEST_GUILESS_MAIN(tst_SubtitleFiles)
#include "tst_SubtitleFiles.moc"
