#include "SpeechTestSupport.h"

#include <QElapsedTimer>

using namespace speechtest;

// The control's contract as the main window uses it: every DISPID through the dispatch
// entry, the voices and their names, and the refusal code.
class tst_DirectSS : public QObject
{
    Q_OBJECT

    static auto makeControl() { return std::move(SilentControl().control); }

private Q_SLOTS:
    void voicesStartWithTheNamedOnesThenLanguages()
    {
        auto control = makeControl();
        const int count = control->invoke(speech::SpeechControl::DispidVoiceCount).toInt();
        QVERIFY2(count > 19 + 50, qPrintable(QString::number(count)));
        const QStringList named =
            QStringLiteral("Mary|Mike|Sam|Mary (for Telephone)|Mike (for Telephone)|Female Whisper|"
                           "Mary in Space|Mary in Hall|Mary in Stadium|RoboSoft Six|RoboSoft Five|"
                           "RoboSoft Four|Male Whisper|RoboSoft One|RoboSoft Two|RoboSoft Three|"
                           "Mike in Hall|Mike in Stadium|Mike in Space")
                .split(u'|');
        QStringList names;
        for (int i = 1; i <= count; ++i) {
            names.append(control->invoke(speech::SpeechControl::DispidVoiceName, {i}).toString());
        }
        QCOMPARE(names.mid(0, 19), named);
        QVERIFY(names.contains("German"));
        QVERIFY(names.contains("French (France)"));
        QCOMPARE(names.removeDuplicates(), 0);
        QVERIFY(!names.contains(QString()));
        // The whisper and RoboSoft voices are really espeak-ng variants, not plain English.
        // Each engine's voices, as the About box counts them, add up to the list.
        QList<int> listed{0, 0};
        for (const speech::VoiceDefinition& voice : control->voices()) {
            const bool espeak = voice.engine == speech::SynthEngine::Espeak;
            ++listed[espeak ? 0 : 1];
            QVERIFY2(!espeak || !named.contains(voice.name) || voice.engineVoice.contains('+'),
                     voice.engineVoice.constData());
        }
        QStringList engines;
        for (const auto& [engine, voices] : control->engineVoices()) {
            engines << engine + u' ' + QString::number(voices);
        }
        QCOMPARE(engines, (QStringList{"espeak-ng " + QString::number(listed[0]),
                                       "flite " + QString::number(listed[1])}));
        QCOMPARE(listed[0] + listed[1], count);
    }

    void badArgumentsAreReportedNotObeyed_data()
    {
        QTest::addColumn<int>("dispid");
        QTest::addColumn<QVariantList>("args");
        QTest::addColumn<quint32>("result");
        const quint32 invalid = speech::SpeechControl::ResultInvalidArgument;
        QTest::newRow("name of voice 0") << 19 << QVariantList{0} << invalid;
        QTest::newRow("name past the end") << 19 << QVariantList{100000} << invalid;
        QTest::newRow("name without number") << 19 << QVariantList{} << invalid;
        QTest::newRow("select a text") << 16 << QVariantList{"Mary"} << invalid;
        QTest::newRow("speed a text") << 10 << QVariantList{"fast"} << invalid;
        QTest::newRow("unknown member")
            << 1234 << QVariantList{} << speech::SpeechControl::ResultUnknownMember;
        QTest::newRow("valid select") << 16 << QVariantList{2} << speech::SpeechControl::ResultOk;
    }

    void badArgumentsAreReportedNotObeyed()
    {
        QFETCH(int, dispid);
        QFETCH(QVariantList, args);
        QFETCH(quint32, result);
        auto control = makeControl();
        control->invoke(dispid, args);
        QCOMPARE(control->invoke(speech::SpeechControl::DispidLastResult).toUInt(), result);
    }

    // The window's order for one utterance (16, 10, 7, (68), 6, 59), with settings each
    // voice accepts or refuses.
    void callingOrderAndRefusal_data()
    {
        QTest::addColumn<QString>("voice");
        QTest::addColumn<int>("speed");
        QTest::addColumn<int>("pitch");
        QTest::addColumn<quint32>("result");
        const quint32 ok = speech::SpeechControl::ResultOk;
        const quint32 refused = speech::SpeechControl::ResultIncompatible;
        const auto row = [](const char* tag, const char* voice, int speed, int pitch,
                            quint32 result) {
            QTest::newRow(tag) << QString::fromLatin1(voice) << speed << pitch << result;
        };
        row("Mary, extremes", "Mary", 50, 300, ok);
        row("Mike, fastest lowest", "Mike", 270, 90, ok);
        row("Female Whisper, high tone", "Female Whisper", 150, 250, refused);
        row("Female Whisper, highest accepted", "Female Whisper", 150, 200, ok);
        row("RoboSoft One, slowest", "RoboSoft One", 50, 100, refused);
        row("RoboSoft Six, fastest", "RoboSoft Six", 270, 170, refused);
        row("RoboSoft Three, edge speeds", "RoboSoft Three", 80, 90, ok);
        row("speed below the scale", "Mary", 10, 170, refused);
    }

    void callingOrderAndRefusal()
    {
        QFETCH(QString, voice);
        QFETCH(int, speed);
        QFETCH(int, pitch);
        QFETCH(quint32, result);
        auto control = makeControl();
        QSignalSpy stopped(control.get(), &speech::SpeechControl::AudioStop);
        const int number = voiceNumber(*control, voice);
        QVERIFY(number > 0);
        control->invoke(speech::SpeechControl::DispidSelectVoice, {number});
        control->invoke(speech::SpeechControl::DispidSpeed, {speed});
        control->invoke(speech::SpeechControl::DispidPitch, {pitch});
        control->invoke(speech::SpeechControl::DispidSpeak, {"Hi."});
        QCOMPARE(control->invoke(speech::SpeechControl::DispidLastResult).toUInt(), result);
        // Reading the result does not change it.
        QCOMPARE(control->lastResult(), result);
        control->invoke(speech::SpeechControl::DispidStop);
        QTRY_COMPARE(stopped.count(), 1);
    }

    // Start-up starts the worker's thread before the control exists: the next control
    // takes it over, and one that no control took over ends with the warm-up. Speaking a
    // book returns at once.
    void warmedUpThreadBecomesTheWorker()
    {
        {
            const speech::DirectSS::WarmUp unused;
        }
        const speech::DirectSS::WarmUp warmUp;
        auto control = makeControl();
        QVERIFY(control->voiceCount() > 19);
        QSignalSpy stopped(control.get(), &speech::SpeechControl::AudioStop);
        const QString book = QStringLiteral("A sentence of a long book goes on. ").repeated(300000);
        QElapsedTimer timer;
        timer.start();
        control->speak(book);
        QVERIFY2(timer.elapsed() < 100, qPrintable(QString::number(timer.elapsed())));
        QTRY_VERIFY(control->bufferedSamples() > 0);
        control->stop();
        QTRY_COMPARE(stopped.count(), 1);
        QTRY_VERIFY(control->isIdle());
    }
};

QTEST_GUILESS_MAIN(tst_DirectSS)
#include "tst_DirectSS.moc"
