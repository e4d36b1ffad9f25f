// What the follow-along shows beyond the editor: the timing-file choice kept between runs,
// and how screen readers read the position line and the two timing items.
#include "app/FollowAlong.h"
#include "app/Main.h"
#include "app/ProgressLine.h"
#include "app/Session.h"
#include "platform/FakeMessageBoxService.h"
#include "platform/MenuBar.h"
#include "speech/FakeSpeechControl.h"

#include <QAccessible>
#include <QDir>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace {

// One run of the program over a fake speech control, remembering into the folder.
struct Run
{
    platform::FakeMessageBoxService boxes;
    FakeSpeechControl speech;
    Main main{&speech};
    std::unique_ptr<Session> session;

    explicit Run(const QString& folder)
    {
        session = std::make_unique<Session>(main, settingsPath(folder),
                                            QDir(folder).filePath(QStringLiteral("draft.txt")));
        main.Form_Load();
        session->Form_Loaded();
    }
    static QString settingsPath(const QString& folder)
    {
        return QDir(folder).filePath(QStringLiteral("config/parlanza.conf"));
    }
    QAction* item(const QString& key) const
    {
        platform::MenuBar* menu = main.menuBar();
        for (qint32 id = 1; id <= menu->count(); ++id) {
            if (menu->keyOf(id) == key) {
                return menu->action(id);
            }
        }
        return nullptr;
    }
    // The two items as checked, and what recordings were told to write.
    QList<bool> timings() const
    {
        return {item(FollowAlong::kSentenceCuesKey)->isChecked(),
                item(FollowAlong::kWordCuesKey)->isChecked(), speech.sentenceCues(),
                speech.wordCues()};
    }
};

} // namespace

class tst_FollowAlongExtras : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void timingChoiceSurvivesARestart()
    {
        QTemporaryDir folder;
        {
            Run run(folder.path());
            QCOMPARE(run.timings(), QList<bool>({false, false, false, false}));
            run.item(FollowAlong::kWordCuesKey)->trigger();
            QCOMPARE(run.timings(), QList<bool>({false, true, false, true}));
        }
        {
            Run run(folder.path());
            QCOMPARE(run.timings(), QList<bool>({false, true, false, true}));
            run.item(FollowAlong::kSentenceCuesKey)->trigger();
            run.item(FollowAlong::kWordCuesKey)->trigger();
        }
        Run again(folder.path());
        QCOMPARE(again.timings(), QList<bool>({true, false, true, false}));
    }

    void brokenStoredChoiceIsOff_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("on");
        QTest::newRow("true") << "true" << true;
        QTest::newRow("True") << "True" << true;
        QTest::newRow("false") << "false" << false;
        QTest::newRow("a word") << "yes please" << false;
        QTest::newRow("a number") << "2" << false;
        QTest::newRow("empty") << "" << false;
    }

    void brokenStoredChoiceIsOff()
    {
        QFETCH(QString, stored);
        QFETCH(bool, on);
        QTemporaryDir folder;
        {
            QSettings settings(Run::settingsPath(folder.path()), QSettings::IniFormat);
            settings.setValue(QStringLiteral("record/sentenceTimings"), stored);
            settings.setValue(QStringLiteral("record/wordTimings"), stored);
        }
        Run run(folder.path());
        QCOMPARE(run.timings(), QList<bool>({on, on, on, on}));
    }

    // Read as a screen reader reads them, from inside the program.
    void accessibleReading()
    {
        QTemporaryDir folder;
        Run run(folder.path());
        ProgressLine* line = run.main.followAlong()->progressLine();
        line->setProgress(7, 51, QStringLiteral("Word 7 of 51"));
        QAccessibleInterface* bar = QAccessible::queryAccessibleInterface(line);
        QVERIFY(bar && bar->valueInterface());
        QCOMPARE(bar->role(), QAccessible::ProgressBar);
        QCOMPARE(bar->text(QAccessible::Name), QStringLiteral("Speaking position"));
        QCOMPARE(bar->text(QAccessible::Description), QStringLiteral("Word 7 of 51"));
        QCOMPARE(bar->valueInterface()->currentValue().toInt(), 7);
        QCOMPARE(bar->valueInterface()->minimumValue().toInt(), 0);
        QCOMPARE(bar->valueInterface()->maximumValue().toInt(), 51);
        line->setProgress(80, 51, {}); // past the end stays at the end
        QCOMPARE(bar->valueInterface()->currentValue().toInt(), 51);

        for (const QString& key : {FollowAlong::kSentenceCuesKey, FollowAlong::kWordCuesKey}) {
            QAction* action = run.item(key);
            QAccessibleInterface* item = QAccessible::queryAccessibleInterface(action);
            QVERIFY(item);
            QCOMPARE(item->role(), QAccessible::MenuItem);
            QVERIFY(item->state().checkable);
            QCOMPARE(item->state().checked, false);
            item->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
            QVERIFY(item->state().checked && action->isChecked());
        }
        QAccessibleInterface* plain =
            QAccessible::queryAccessibleInterface(run.item(FollowAlong::kContinueKey));
        QVERIFY(plain && !plain->state().checkable);
    }
};

QTEST_MAIN(tst_FollowAlongExtras)
#include "tst_FollowAlongExtras.moc"
