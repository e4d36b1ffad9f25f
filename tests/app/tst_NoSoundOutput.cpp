#include "app/Main.h"
#include "platform/FakeMessageBoxService.h"
#include "speech/FakeSpeechControl.h"

#include <QApplication>
#include <QTest>

// A run without any sound output tells the user once, in plain words, and not on every
// speak call.
class tst_NoSoundOutput : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void toldOncePerRun()
    {
        platform::FakeMessageBoxService boxes;
        FakeSpeechControl speech;
        Main main{&speech};
        main.Form_Load();
        const qsizetype before = boxes.boxes().size();
        for (int i = 0; i < 3; ++i) {
            Q_EMIT speech.SoundOutputMissing();
            QTest::qWait(20);
        }
        QCOMPARE(boxes.boxes().size(), before + 1);
        const QString text = boxes.boxes().constLast().text;
        QVERIFY2(text.contains(QLatin1String("No sound output")) &&
                     text.contains(QLatin1String("recording")),
                 qPrintable(text));
    }
};

QTEST_MAIN(tst_NoSoundOutput)
#include "tst_NoSoundOutput.moc"
