#include "SpeechTestSupport.h"
#include "recording/SubtitleWriter.h"
#include "speech/Lexicon.h"
#include "speech/SpeechRenderer.h"

#include <QTemporaryDir>

using namespace speechtest;

// A lexicon changes what a voice says, never where the words are: a respelled name sounds
// exactly as the respelling written in its place, and its words are placed on the name.
class tst_LexiconSpeech : public QObject
{
    Q_OBJECT

private:
    SilentControl m_s;
    QTemporaryDir m_dir;

    // The recording of the text, and the words of its word timing file.
    QVector<qint16> record(const QString& voice, const QString& text, QStringList* words = nullptr)
    {
        const QString path = m_dir.filePath(QStringLiteral("lexicon.wav"));
        m_s.control->setSubtitles(false, words != nullptr);
        const QVector<qint16> samples = renderedSamples(*m_s.control, voice, text, path);
        if (words != nullptr) {
            for (const Cue& cue : readCues(recording::SubtitleWriter::pathFor(
                     path, recording::SubtitleWriter::Kind::Words))) {
                words->append(cue.text);
            }
        }
        return samples;
    }

private Q_SLOTS:
    // espeak-ng carries its pitch flutter from one text to the next within a process; a
    // recording made by a render worker starts afresh, so two recordings compare.
    void initTestCase()
    {
        speech::SpeechRenderer::setWorkerProgram(QStringLiteral(PARLANZA_RENDER_PROGRAM));
    }

    void soundsAsTheRespellingReadsAndMarksTheName_data()
    {
        QTest::addColumn<QString>("voice");
        QTest::addColumn<QString>("phonemes");
        QTest::addColumn<bool>("sameAsRespelled"); // else: unlike the text without a lexicon
        QTest::newRow("espeak-ng") << "English (America)" << QString() << true;
        QTest::newRow("flite") << "Mary" << QString() << true;
        QTest::newRow("espeak-ng, phonemes") << "English (America)"
                                             << "ˈwɪn" << false;
        QTest::newRow("flite, phonemes fall back") << "Mary"
                                                   << "ˈwɪn" << true;
    }

    void soundsAsTheRespellingReadsAndMarksTheName()
    {
        QFETCH(QString, voice);
        QFETCH(QString, phonemes);
        QFETCH(bool, sameAsRespelled);
        const QString text = QStringLiteral("I met Nguyen today. Nguyen smiled.");
        speech::LexiconEntry entry;
        entry.written = QStringLiteral("nguyen");
        entry.respelling = QStringLiteral("win wen");
        entry.phonemes = phonemes;
        m_s.control->setLexicon(speech::Lexicon({entry}));
        QStringList words;
        const QVector<qint16> spoken = record(voice, text, &words);
        QVERIFY(!spoken.isEmpty());
        QCOMPARE(words.join(u' '), QStringLiteral("I met Nguyen today Nguyen smiled"));
        m_s.control->setLexicon(speech::Lexicon());
        if (sameAsRespelled) {
            QVERIFY(spoken == record(voice, QString(text).replace("Nguyen", "win wen")));
        } else {
            QVERIFY(spoken != record(voice, text));
            QVERIFY(spoken != record(voice, QString(text).replace("Nguyen", "win wen")));
        }
    }
};

QTEST_GUILESS_MAIN(tst_LexiconSpeech)
#include "tst_LexiconSpeech.moc"
