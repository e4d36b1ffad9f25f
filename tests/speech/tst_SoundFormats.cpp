#include "SpeechTestSupport.h"
#include "TestFiles.h"
#include "speech/WaveFileWriter.h"

#include <QDir>
#include <QTemporaryDir>

using namespace speechtest;

// Recordings in every sound format the path names: read back by libsndfile, as long as
// the wave file of the same text, tagged with the title; names of no format refused.
class tst_SoundFormats : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyFormatReadsBack_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("container");
        QTest::newRow("wave") << QString("a.wav") << int(SF_FORMAT_WAV);
        QTest::newRow("mp3") << QString("a.MP3") << int(SF_FORMAT_MPEG);
        QTest::newRow("vorbis") << QString("a.ogg") << int(SF_FORMAT_OGG);
        QTest::newRow("opus") << QString("a.opus") << int(SF_FORMAT_OGG);
        QTest::newRow("flac") << QString("a.flac") << int(SF_FORMAT_FLAC);
        QTest::newRow("no extension: wave") << QString("a") << int(SF_FORMAT_WAV);
    }

    void everyFormatReadsBack()
    {
        QFETCH(QString, name);
        QFETCH(int, container);
        SilentControl silent;
        QTemporaryDir dir;
        const QString text = QStringLiteral("Compressed speech, read back.");
        const QString wave = dir.filePath(QStringLiteral("reference.wav"));
        QVERIFY(render(*silent.control, "Mary", text, wave));
        const QString path = dir.filePath(name);
        silent.control->setRecordingTitle(QStringLiteral("Chapter One"));
        QSignalSpy progress(silent.control.get(), &SpeechControl::RecordingProgress);
        QVERIFY(render(*silent.control, "Mary", text, path));
        QVERIFY(!progress.isEmpty());
        QCOMPARE(progress.last().at(0).toInt(), 100);

        SF_INFO info{};
        SNDFILE* file = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
        QVERIFY2(file != nullptr, sf_strerror(nullptr));
        const char* title = sf_get_string(file, SF_STR_TITLE);
        const QString readTitle = title != nullptr ? QString::fromUtf8(title) : QString();
        sf_close(file);
        QCOMPARE(info.format & SF_FORMAT_TYPEMASK, container);
        QCOMPARE(info.channels, 1);
        const double seconds = double(info.frames) / info.samplerate;
        const double reference = double(readWave(wave).samples.size()) / AudioOutput::SampleRate;
        QVERIFY2(qAbs(seconds - reference) <= reference / 100,
                 qPrintable(QStringLiteral("%1 s vs %2 s").arg(seconds).arg(reference)));
        QCOMPARE(readTitle, QStringLiteral("Chapter One"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
    }

    void namesOfNoFormatAreRefused_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("known");
        QTest::newRow("wave") << QString("/x/speech.Wav") << true;
        QTest::newRow("unknown") << QString("/x/speech.aiff") << false;
        QTest::newRow("dotted folder") << QString("/x.mp3/speech") << true;
        QTest::newRow("text") << QString("speech.txt") << false;
    }

    void namesOfNoFormatAreRefused()
    {
        QFETCH(QString, path);
        QFETCH(bool, known);
        QCOMPARE(WaveFileWriter::formatForPath(path).has_value(), known);
        if (!known) {
            const QString message = WaveFileWriter::unknownFormatMessage(path);
            QVERIFY(message.contains(QFileInfo(path).fileName()));
            QVERIFY(message.contains(QStringLiteral(".mp3")));
        }
    }

    void unknownFormatFailsBeforeRendering()
    {
        SilentControl silent;
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("old.aiff"));
        QVERIFY(testfiles::write(path, "an older file"));
        QSignalSpy failed(silent.control.get(), &SpeechControl::RecordingFailed);
        QVERIFY(render(*silent.control, "Mary", QStringLiteral("Never rendered."), path));
        QCOMPARE(failed.count(), 1);
        QVERIFY(failed.at(0).at(1).toString().contains(QStringLiteral(".aiff")));
        QCOMPARE(testfiles::read(path), QByteArray("an older file"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
    }

    void dialogListsWaveFirst()
    {
        const QStringList parts = WaveFileWriter::dialogFilter().split(QLatin1Char('|'));
        QCOMPARE(parts.mid(0, 2), (QStringList{"Wav Files (*.wav)", "*.wav"}));
        QCOMPARE(parts.size(), 10);
    }
};

QTEST_GUILESS_MAIN(tst_SoundFormats)
#include "tst_SoundFormats.moc"
