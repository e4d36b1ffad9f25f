#include "TestFiles.h"
#include "app/About.h"
#include "app/Main.h"
#include "controls/bevel/bvlBUTTON.h"
#include "controls/rkbuttons/rkButtons_H.h"
#include "controls/skinned/UcCmd.h"
#include "controls/skinned/UcScroll.h"
#include "editor/RichTextBox.h"
#include "help/HTMLHelp.h"
#include "platform/AppInfo.h"
#include "platform/ControlTag.h"
#include "platform/FakeCommonDialogService.h"
#include "platform/FakeMessageBoxService.h"
#include "platform/MenuBar.h"
#include "platform/WindowMessages.h"
#include "skin/ClsSkin.h"
#include "speech/FakeSpeechControl.h"

#include <QComboBox>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <functional>

namespace {

using platform::MessageAnswer;
using platform::MessageButtons;
using platform::MessageIcon;

const QString kNoText = QStringLiteral("Please Enter Some Text In the Text Box !");
const QString kNoFileName = QStringLiteral("Please Enter A File Name To Save !");
const QString kOverwrite = QStringLiteral("File already exists ! Overwrite ?");
const QString kIncompatible = QStringLiteral(
    "This setting is not compatible with the selected\r\n     Voice. Please try a different "
    "setting.");

QString startSoundPath()
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("audio/start.wav"));
}

// A fake that also notes what the window looked like when the start sound played and
// when the voices were first asked for.
class ProbeSpeech : public FakeSpeechControl
{
public:
    std::function<void()> onStartSound;
    std::function<void()> onVoiceCount;

    bool playWaveFile(const QString& path) override
    {
        if (onStartSound) {
            onStartSound();
        }
        return FakeSpeechControl::playWaveFile(path);
    }
    QVariant invoke(int dispid, const QVariantList& args = {}) override
    {
        if (dispid == DispidVoiceCount && onVoiceCount) {
            onVoiceCount();
        }
        return FakeSpeechControl::invoke(dispid, args);
    }
};

// A loaded window over a recording fake, with message boxes and dialogs answered by fakes.
struct Workbench
{
    platform::FakeMessageBoxService boxes;
    platform::FakeCommonDialogService dialogs;
    ProbeSpeech speech;
    Main main{&speech};

    explicit Workbench(const QStringList& voices = {}, bool load = true)
    {
        if (!voices.isEmpty()) {
            speech.setVoices(voices);
        }
        if (load) {
            main.Form_Load();
        }
    }

    template <typename T> T* control(const char* name)
    {
        T* found = main.findChild<T*>(QLatin1String(name));
        if (!found) {
            qFatal("no control %s", name);
        }
        return found;
    }
    bvlBUTTON* button(const char* name) { return control<bvlBUTTON>(name); }
    platform::RichTextBox* editor() { return control<platform::RichTextBox>("RichTextBox1"); }
    QLabel* label(const char* name) { return control<QLabel>(name); }
    QTimer* timer() { return control<QTimer>("Timer1"); }
    QListWidget* voices() { return control<QListWidget>("lstVoice"); }
    UcScroll* speed() { return control<UcScroll>("scrSpeed"); }
    UcScroll* pitch() { return control<UcScroll>("scrPitch"); }
    QLineEdit* fileBox() { return control<QLineEdit>("txtFile"); }

    // The speed and tone bars' values, then their labels.
    QStringList voiceValues()
    {
        return {QString::number(speed()->Value()), QString::number(pitch()->Value()),
                label("lblSpeed")->text(), label("lblPitch")->text()};
    }

    // Buttons, caption, timer, status text and colour in one line.
    QString state()
    {
        const auto on = [this](const char* name) {
            return button(name)->Enabled() ? QStringLiteral("on") : QStringLiteral("off");
        };
        QLabel* status = label("lblStatus");
        return QStringLiteral("SPEAK %1, PAUSE %2 (%3), STOP %4, RECORD %5, FILE %6, ERASE %7, "
                              "timer %8, %9 %10")
            .arg(on("cmdSpkText"), on("cmdPauseText"), button("cmdPauseText")->Caption(),
                 on("cmdStopText"), on("cmdRec"), on("cmdSaveFile"), on("cmdClearText"),
                 timer()->isActive() ? QStringLiteral("on") : QStringLiteral("off"), status->text(),
                 status->palette().color(QPalette::WindowText).name());
    }

    void run(const QString& action)
    {
        if (action == QLatin1String("speak")) {
            main.cmdSpkText_Click();
        } else if (action == QLatin1String("pause") || action == QLatin1String("resume")) {
            main.cmdPauseText_Click();
        } else if (action == QLatin1String("stop")) {
            main.cmdStopText_Click();
        } else if (action == QLatin1String("record")) {
            main.cmdRec_Click();
        } else if (action == QLatin1String("end")) {
            speech.finishUtterance();
        } else if (action == QLatin1String("recaption")) {
            button("cmdPauseText")->setCaption(QStringLiteral("Pause"));
        } else {
            qFatal("unknown action");
        }
    }
};

const QString kIdle = QStringLiteral(
    "SPEAK on, PAUSE off (PAUSE), STOP on, RECORD on, FILE on, ERASE on, timer off, STOPPED "
    "#ff0000");
const QString kSpeakingState = QStringLiteral(
    "SPEAK on, PAUSE on (PAUSE), STOP on, RECORD on, FILE on, ERASE off, timer on, SPEAKING "
    "#ffff00");
const QString kPausedState = QStringLiteral(
    "SPEAK off, PAUSE on (RESUME), STOP on, RECORD on, FILE on, ERASE off, timer off, PAUSED "
    "#ffff00");
const QString kRecordingState = QStringLiteral(
    "SPEAK off, PAUSE off (PAUSE), STOP on, RECORD on, FILE on, ERASE off, timer on, "
    "RECORDING #00ffff");

} // namespace

class tst_Main : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_scratch;

    QString scratchFile(const QString& name) const { return m_scratch.filePath(name); }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_scratch.isValid());
        QDir().mkpath(QFileInfo(startSoundPath()).path());
        QFile sound(startSoundPath());
        QVERIFY(sound.open(QIODevice::WriteOnly));
    }

    void cleanupTestCase() { QFile::remove(startSoundPath()); }

    void loadSequenceRunsInOrder()
    {
        Workbench bench({}, false);
        QStringList seen;
        bench.speech.onStartSound = [&] {
            seen << QStringLiteral("sound: skin %1, menu %2, visible %3, voices %4")
                        .arg(bench.main.findChild<ClsSkin*>() != nullptr)
                        .arg(bench.main.menuBar()->count())
                        .arg(bench.main.isVisible())
                        .arg(bench.voices()->count());
        };
        bench.speech.onVoiceCount = [&] {
            seen << QStringLiteral("voices: timer %1, PAUSE %2, zoom rows %3, bars %4")
                        .arg(bench.timer()->isActive())
                        .arg(bench.button("cmdPauseText")->Enabled())
                        .arg(bench.control<QComboBox>("cboZoom")->count())
                        .arg(bench.main.bars().barWidth() > 0);
        };
        bench.main.Form_Load();
        QCOMPARE(seen,
                 QStringList({QStringLiteral("sound: skin 1, menu 13, visible 0, voices 0"),
                              QStringLiteral("voices: timer 0, PAUSE 0, zoom rows 0, bars 1")}));
        QCOMPARE(bench.speech.playedFiles(), QStringList{startSoundPath()});

        // The window shows with the zoom list filled and focused; the voices in the engine's
        // order, the first selected with its own values.
        QVERIFY(bench.main.isVisible());
        auto* zoom = bench.control<QComboBox>("cboZoom");
        QCOMPARE(bench.main.focusWidget(), zoom);
        QListWidget* voices = bench.voices();
        QCOMPARE(QStringList({QString::number(zoom->count()), zoom->currentText(),
                              QString::number(voices->count()), voices->item(0)->text(),
                              voices->item(18)->text(), voices->currentItem()->text(),
                              bench.label("lblSpeed")->text(), bench.label("lblPitch")->text()}),
                 QStringList({"11", "100%", "19", "Mary", "Mike in Space", "Mary", "150", "170"}));
        QCOMPARE(bench.state(), kIdle);
        QVERIFY(bench.fileBox()->text().isEmpty());

        // Typed text takes the caption colour.
        platform::RichTextBox* editor = bench.editor();
        editor->setSelText(QStringLiteral("typed"));
        editor->setSelStart(2);
        QCOMPARE(editor->textCursor().charFormat().foreground().color(), QColor(57, 69, 87));
    }

    void everyControlIsPlacedWithoutOverlap()
    {
        Workbench bench;
        const QStringList names = {"RichTextBox1", "lstVoice",     "scrSpeed",     "scrPitch",
                                   "lblSpeed",     "lblPitch",     "Label3",       "Label5",
                                   "Label4",       "lblStatus",    "cmdSpkText",   "cmdPauseText",
                                   "cmdStopText",  "cmdRec",       "cmdSaveFile",  "txtFile",
                                   "cmdClearText", "Picture1",     "cboZoom",      "cmdOpen",
                                   "cmdAll",       "cmdClear",     "cmdDelete",    "cmdCut",
                                   "cmdCopy",      "cmdPaste",     "cmdBold",      "cmdItalic",
                                   "cmdFont",      "cmdForeColor", "cmdBackColor", "SmartMenuXP1"};
        QList<QWidget*> widgets;
        for (const QString& name : names) {
            auto* widget = bench.main.findChild<QWidget*>(name);
            QVERIFY2(widget, qPrintable(name));
            QVERIFY2(widget->isVisible(), qPrintable(name));
            QVERIFY2(bench.main.rect().contains(widget->geometry()), qPrintable(name));
            widgets << widget;
        }
        for (qsizetype i = 0; i < widgets.size(); ++i) {
            for (qsizetype j = i + 1; j < widgets.size(); ++j) {
                QVERIFY2(!widgets[i]->geometry().intersects(widgets[j]->geometry()),
                         qPrintable(names[i] + QStringLiteral(" overlaps ") + names[j]));
            }
        }
        QVERIFY(!bench.control<platform::RichTextBox>("RTFtemp")->isVisible());
        for (const char* name : {"cmdOpen", "cmdCut", "cmdCopy", "cmdPaste", "cmdDelete",
                                 "cmdClear", "cmdAll", "cmdForeColor", "cmdBackColor"}) {
            QVERIFY2(!bench.control<rkButtons_H>(name)->Picture().isNull(), name);
        }
        QCOMPARE(bench.control<rkButtons_H>("cmdBold")->Caption(), QStringLiteral("B"));
        QCOMPARE(bench.control<rkButtons_H>("cmdBold")->Mode(), 1);
        QVERIFY(bench.boxes.boxes().isEmpty()); // every picture was found
        QCOMPARE(bench.button("cmdSpkText")->toolTip(),
                 QStringLiteral("Speak Text (F5, Ctrl+Return)"));
        QCOMPARE(bench.speed()->toolTip(), QStringLiteral("Set Speaking Speed"));
        QStringList tags;
        for (UcCmd* button : bench.main.findChildren<UcCmd*>()) {
            tags << platform::controlTag(button);
        }
        tags.sort();
        QCOMPARE(tags, QStringList({"MINIMISE", "RESTORE", "TOPCLOSE"}));
    }

    void sizingIsRefusedUntilTheWindowGoes()
    {
        // The procedure the window had before notes what the filter passes on; the list
        // outlives the window, which sends one last message as it goes.
        QList<quint32> passed;
        Workbench bench({}, false);
        platform::setWindowProcedure(
            &bench.main, [&passed](QWidget*, const platform::WindowMessage& message) -> qintptr {
                passed << (message.message == platform::WM_SYSCOMMAND
                               ? quint32(message.wParam & 0xFFF0)
                               : message.message);
                return 0;
            });
        bench.main.Form_Load();
        const QSize size = bench.main.size();
        for (quintptr edge = 1; edge <= 8; ++edge) {
            platform::sendMessage(&bench.main, platform::WM_SYSCOMMAND, platform::SC_SIZE + edge,
                                  0);
        }
        QVERIFY(passed.isEmpty());
        QCOMPARE(bench.main.size(), size);
        platform::sendMessage(&bench.main, platform::WM_SYSCOMMAND, platform::SC_MOVE, 0);
        platform::sendMessage(&bench.main, platform::WM_SYSCOMMAND, platform::SC_MINIMIZE, 0);
        QCOMPARE(passed, QList<quint32>({platform::SC_MOVE, platform::SC_MINIMIZE}));
        // As the window goes its previous procedure is put back, and sees everything again.
        platform::sendMessage(&bench.main, Main::WM_NCDESTROY, 0, 0);
        platform::sendMessage(&bench.main, platform::WM_SYSCOMMAND, platform::SC_SIZE + 8, 0);
        QCOMPARE(passed, QList<quint32>({platform::SC_MOVE, platform::SC_MINIMIZE,
                                         Main::WM_NCDESTROY, platform::SC_SIZE}));
    }

    void speakSendsTheWholeTextInOrder()
    {
        Workbench bench;
        bench.editor()->setText(QStringLiteral("Hello there. Second sentence."));
        bench.editor()->setSelStart(6);
        bench.editor()->setSelLength(5);
        bench.voices()->setCurrentRow(2); // Sam: 150, 120
        bench.speech.clearCalls();
        bench.main.cmdSpkText_Click();
        QCOMPARE(bench.speech.dispids(), QList<int>({16, 10, 7, 6, 59}));
        const QList<FakeSpeechControl::Call>& calls = bench.speech.calls();
        QCOMPARE(calls[0].args, QVariantList{3});
        QCOMPARE(calls[1].args, QVariantList{150});
        QCOMPARE(calls[2].args, QVariantList{120});
        QCOMPARE(calls[3].args, QVariantList{QStringLiteral("Hello there. Second sentence.")});
        // Pressing SPEAK again sends the text again.
        bench.main.cmdSpkText_Click();
        QCOMPARE(bench.speech.spokenTexts().size(), 2);
    }

    // The window after each sequence, and what it sent the control after the first step
    // (STOP and the end of a recording reset the output file; other ends do not).
    void stateTable_data()
    {
        QTest::addColumn<QStringList>("actions");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<qint16>("pauseState");
        QTest::addColumn<bool>("recording");
        QTest::addColumn<QList<int>>("later");

        const auto row = [](const char* name, const QStringList& actions, const QString& state,
                            const QList<int>& later, qint16 pause = Main::kNotPaused,
                            bool recording = false) {
            QTest::newRow(name) << actions << state << pause << recording << later;
        };
        const QList<int> speakCalls{16, 10, 7, 6, 59};
        const QList<int> recordCalls{16, 10, 7, 68, 6, 59};
        row("speaking", {"speak"}, kSpeakingState, {});
        row("paused", {"speak", "pause"}, kPausedState, {35}, Main::kPaused);
        row("resumed", {"speak", "pause", "resume"}, kSpeakingState, {35, 37});
        row("recording", {"record"}, kRecordingState, {}, Main::kNotPaused, true);
        row("stop while speaking", {"speak", "stop"}, kIdle, {36, 68});
        row("stop while paused", {"speak", "pause", "stop"}, kIdle, {35, 36, 68});
        // STOP leaves the recording to be ended by the audio-stopped event.
        row("stop while recording", {"record", "stop"}, kIdle, {36}, Main::kNotPaused, true);
        row("stop then end of recording", {"record", "stop", "end"}, kIdle, {36, 68});
        // Speech that ends by itself leaves the window Idle, ERASE included.
        row("end of speech", {"speak", "end"}, kIdle, {});
        row("end of recording", {"record", "end"}, kIdle, {68});
        row("end while paused", {"speak", "pause", "end"},
            QStringLiteral("SPEAK off, PAUSE on (RESUME), STOP on, RECORD on, FILE on, ERASE off, "
                           "timer off, PAUSED #ffff00"),
            {35}, Main::kPaused);
        row("pause, stop, speak to the end", {"speak", "pause", "stop", "speak", "end"}, kIdle,
            QList<int>{35, 36, 68} + speakCalls);
        // PAUSE goes by its caption, exactly: under any other nothing is sent.
        row("pause under another caption", {"speak", "recaption", "pause"},
            QString(kSpeakingState).replace(QStringLiteral("(PAUSE)"), QStringLiteral("(Pause)")),
            {});
        row("record while speaking", {"speak", "record"}, kRecordingState, recordCalls,
            Main::kNotPaused, true);
    }

    void stateTable()
    {
        QFETCH(QStringList, actions);
        QFETCH(QString, expected);
        QFETCH(qint16, pauseState);
        QFETCH(bool, recording);
        QFETCH(QList<int>, later);
        Workbench bench;
        bench.editor()->setText(QStringLiteral("Some text to speak."));
        bench.fileBox()->setText(scratchFile(QStringLiteral("state.wav")));
        bench.run(actions.takeFirst());
        bench.speech.clearCalls();
        for (const QString& action : actions) {
            bench.run(action);
        }
        QCOMPARE(bench.state(), expected);
        QCOMPARE(bench.main.pauseState(), pauseState);
        QCOMPARE(bench.main.isRecording(), recording);
        QCOMPARE(bench.speech.dispids(), later);
        if (later.endsWith(68)) {
            QCOMPARE(bench.speech.outputFile(), QString());
        }
    }

    void speakAndRecordChecks_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("withFile");
        QTest::addColumn<bool>("fileExists");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("records");

        const QString record = QStringLiteral("record");
        QTest::newRow("speak without text")
            << QStringLiteral("speak") << QString() << false << false << 1 << kNoText << false;
        QTest::newRow("no text") << record << QString() << true << false << 1 << kNoText << false;
        QTest::newRow("no file") << record << "Text." << false << false << 1 << kNoFileName
                                 << false;
        QTest::newRow("existing, cancel")
            << record << "Text." << true << true << 2 << kOverwrite << false;
        QTest::newRow("existing, OK")
            << record << "Text." << true << true << 1 << kOverwrite << true;
        QTest::newRow("new file") << record << "Text." << true << false << 1 << QString() << true;
    }

    void speakAndRecordChecks()
    {
        QFETCH(QString, action);
        QFETCH(QString, text);
        QFETCH(bool, withFile);
        QFETCH(bool, fileExists);
        QFETCH(int, answer);
        QFETCH(QString, message);
        QFETCH(bool, records);

        Workbench bench;
        const QString path = scratchFile(QStringLiteral("check.wav"));
        QFile::remove(path);
        if (fileExists) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("old recording");
        }
        bench.editor()->setText(text);
        if (withFile) {
            bench.fileBox()->setText(path);
        }
        bench.boxes.queueAnswers({static_cast<MessageAnswer>(answer)});
        bench.speech.clearCalls();
        bench.run(action);

        if (message.isEmpty()) {
            QVERIFY(bench.boxes.boxes().isEmpty());
        } else {
            QCOMPARE(bench.boxes.boxes().size(), 1);
            const platform::MessageBoxRequest& box = bench.boxes.boxes()[0];
            QCOMPARE(box.text, message);
            const bool question = message == kOverwrite;
            QCOMPARE(box.icon, question ? MessageIcon::None : MessageIcon::Exclamation);
            QCOMPARE(box.buttons, question ? MessageButtons::OkCancel : MessageButtons::Ok);
        }
        if (records) {
            QCOMPARE(bench.speech.dispids(), QList<int>({16, 10, 7, 68, 6, 59}));
            QCOMPARE(bench.speech.calls()[3].args, QVariantList{path}); // the path in the box
            QCOMPARE(bench.state(), kRecordingState);
        } else {
            QCOMPARE(bench.speech.dispids(), QList<int>({16, 10, 7}));
            QCOMPARE(bench.state(), kIdle);
            QCOMPARE(bench.fileBox()->text(), withFile ? path : QString());
            if (fileExists) {
                QFile file(path);
                QVERIFY(file.open(QIODevice::ReadOnly));
                QCOMPARE(file.readAll(), QByteArray("old recording"));
            }
        }
    }

    void fileButtonFillsTheBox()
    {
        Workbench bench;
        const QString chosen = scratchFile(QStringLiteral("chosen.wav"));
        bench.dialogs.queueFile(
            platform::FileDialogResult{chosen, QStringLiteral("chosen.wav"), 1});
        bench.main.cmdSaveFile_Click();
        QCOMPARE(bench.fileBox()->text(), chosen);
        QCOMPARE(bench.dialogs.requests().size(), 1);
        QCOMPARE(bench.dialogs.requests()[0].kind, platform::FakeCommonDialogService::Kind::Save);
        // The wave entry first, as it always was, then the compressed formats.
        QVERIFY(bench.dialogs.requests()[0].file.filter.startsWith(
            QStringLiteral("Wav Files (*.wav)|*.wav|MP3 Files (*.mp3)|*.mp3|")));

        // A cancelled dialog keeps the box, chosen or typed.
        bench.main.cmdSaveFile_Click();
        QCOMPARE(bench.fileBox()->text(), chosen);
        const QString typed = scratchFile(QStringLiteral("typed-by-hand.wav"));
        bench.fileBox()->setText(typed);
        bench.main.cmdSaveFile_Click();
        QCOMPARE(bench.fileBox()->text(), typed);
        QCOMPARE(bench.dialogs.requests().last().file.fileName, typed);
    }

    void failedRecordingIsReportedAndEnds()
    {
        Workbench bench;
        bench.editor()->setText(QStringLiteral("Text."));
        const QString path = scratchFile(QStringLiteral("no/such/folder/out.wav"));
        bench.fileBox()->setText(path);
        bench.main.cmdRec_Click();
        bench.speech.failRecording(QStringLiteral("No such file or directory"));
        bench.speech.finishUtterance();
        QCOMPARE(bench.boxes.boxes().size(), 1);
        const platform::MessageBoxRequest& box = bench.boxes.boxes()[0];
        QVERIFY2(box.text.contains(QDir::toNativeSeparators(path)), qPrintable(box.text));
        QVERIFY(box.text.contains(QStringLiteral("No such file or directory")));
        QCOMPARE(box.icon, MessageIcon::Exclamation);
        QCOMPARE(bench.state(), kIdle);
        QVERIFY(!bench.main.isRecording());
        QCOMPARE(bench.speech.outputFile(), QString());
    }

    void refusedSettingRestoresTheVoiceValues_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("state");
        QTest::newRow("speak") << "speak" << kSpeakingState;
        QTest::newRow("record") << "record" << kRecordingState;
    }

    void refusedSettingRestoresTheVoiceValues()
    {
        QFETCH(QString, action);
        QFETCH(QString, state);
        Workbench bench;
        bench.editor()->setText(QStringLiteral("Text."));
        bench.fileBox()->setText(scratchFile(QStringLiteral("refused.wav")));
        bench.voices()->setCurrentRow(6); // Mary in Space
        bench.speed()->setValue(270);
        bench.pitch()->setValue(300);
        bench.speech.setNextSpeakResult(SpeechControl::ResultIncompatible);
        bench.speech.clearCalls();
        bench.run(action);
        QCOMPARE(bench.boxes.boxes().size(), 1);
        QCOMPARE(bench.boxes.boxes()[0].text, kIncompatible);
        QCOMPARE(bench.boxes.boxes()[0].icon, MessageIcon::Exclamation);
        QCOMPARE(bench.speech.dispids().last(), SpeechControl::DispidVoiceName);
        QCOMPARE(bench.speech.calls().last().args, QVariantList{7});
        QCOMPARE(bench.voiceValues(), QStringList({"150", "200", "150", "200"}));
        QCOMPARE(bench.state(), state);
    }

    void voiceSelection_data()
    {
        QTest::addColumn<QStringList>("voices");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("speed");
        QTest::addColumn<int>("pitch");
        // The user's own 200 and 250 stay for a voice the table does not know.
        QTest::newRow("RoboSoft Five") << QStringList{} << 10 << 130 << 130;
        QTest::newRow("unknown voice") << QStringList{"Mary", "Zed"} << 1 << 200 << 250;
        QTest::newRow("case matters") << QStringList{"Mary", "mary in space"} << 1 << 200 << 250;
    }

    void voiceSelection()
    {
        QFETCH(QStringList, voices);
        QFETCH(int, row);
        QFETCH(int, speed);
        QFETCH(int, pitch);
        Workbench bench(voices);
        bench.speed()->setValue(200);
        bench.pitch()->setValue(250);
        bench.speech.clearCalls();
        bench.voices()->setCurrentRow(row);
        QCOMPARE(bench.speech.dispids(), QList<int>{SpeechControl::DispidVoiceName});
        QCOMPARE(bench.speech.calls()[0].args, QVariantList{row + 1});
        const QString both[] = {QString::number(speed), QString::number(pitch)};
        QCOMPARE(bench.voiceValues(), QStringList({both[0], both[1], both[0], both[1]}));
    }

    void noVoicesLeavesTheListEmpty()
    {
        Workbench bench({}, false);
        bench.speech.setVoices({});
        bench.main.Form_Load();
        QCOMPARE(bench.voices()->count(), 0);
        QCOMPARE(bench.voices()->currentRow(), -1);
        QCOMPARE(bench.speech.dispids(), QList<int>{SpeechControl::DispidVoiceCount});
    }

    void arrowsAndThumbDragUpdateTheLabel_data()
    {
        QTest::addColumn<QString>("bar");
        QTest::addColumn<QString>("label");
        QTest::newRow("speed") << QStringLiteral("scrSpeed") << QStringLiteral("lblSpeed");
        QTest::newRow("tone") << QStringLiteral("scrPitch") << QStringLiteral("lblPitch");
    }

    void arrowsAndThumbDragUpdateTheLabel()
    {
        QFETCH(QString, bar);
        QFETCH(QString, label);
        Workbench bench;
        auto* scroll = bench.main.findChild<UcScroll*>(bar);
        QLabel* number = bench.main.findChild<QLabel*>(label);
        const int value = scroll->Value();
        QTest::mouseClick(scroll, Qt::LeftButton, {}, scroll->ImgRight().center());
        QVERIFY(scroll->Value() > value);
        // The number follows every change, arrows included.
        QCOMPARE(number->text(), QString::number(scroll->Value()));

        const QPoint grab = scroll->ImgThumb().center();
        QTest::mousePress(scroll, Qt::LeftButton, {}, grab);
        QTest::mouseMove(scroll, grab + QPoint(40, 0));
        QVERIFY(scroll->Value() > value);
        QCOMPARE(number->text(), QString::number(scroll->Value()));
        QTest::mouseRelease(scroll, Qt::LeftButton, {}, grab + QPoint(40, 0));
    }

    void animationRunsOnlyWhileSpeakingAndClearsOnStop_data()
    {
        QTest::addColumn<QString>("ending");
        QTest::newRow("stop") << "stop";
        QTest::newRow("end") << "end";
    }

    // The bars' own rules (colours, segment lines) are the animation's test; here, that the
    // window's picture shows them while speaking, and only then.
    void animationRunsOnlyWhileSpeakingAndClearsOnStop()
    {
        QFETCH(QString, ending);
        Workbench bench;
        QVERIFY(bench.timer()->interval() >= Main::kFrameInterval);
        bench.editor()->setText(QStringLiteral("Text."));
        bench.main.cmdSpkText_Click();
        QVERIFY(bench.timer()->isActive());
        auto* picture = bench.label("Picture1");
        bench.main.Timer1_Timer();
        QVERIFY(!picture->pixmap().isNull());
        const QImage& image = bench.main.animationPicture();
        QCOMPARE(image.size(), picture->size());
        QCOMPARE(bench.main.bars().barCount(), 10);
        for (int i = 0; i < 10; ++i) {
            // The middle of each bar: coloured at the bottom, background near the top.
            const int x = int((i + 0.5) * image.width() / 10.0);
            QCOMPARE(image.pixelColor(x, image.height() - 2), BarAnimation::barColor(i, 10));
            QCOMPARE(image.pixelColor(x, image.height() / 4),
                     picture->palette().color(QPalette::Window));
        }
        bench.run(ending);
        QVERIFY(!bench.timer()->isActive());
        QVERIFY(picture->pixmap().isNull());
        QVERIFY(bench.main.animationPicture().isNull());
    }

    void menuItemsInOrder()
    {
        Workbench bench;
        platform::MenuBar* menu = bench.main.menuBar();
        QStringList keys;
        for (qint32 id = 1; id <= menu->count(); ++id) {
            keys << menu->keyOf(id);
        }
        QCOMPARE(keys, QStringList({"keyFile", "keyExit", "keyHelp", "keyHelpfile", "", "keyAbout",
                                    "keySpeak", "keySpeakFromCaret", "keySpeakSelection",
                                    "keyContinue", "", "keySentenceCues", "keyWordCues"}));
        QCOMPARE(menu->fontName(), QStringLiteral("Ms Sans Serif"));
        QCOMPARE(menu->fontSize(), 9.0);
        const QList<QAction*> bar = menu->widget()->actions();
        const QList<QAction*> help = bar[2]->menu()->actions();
        QStringList texts;
        for (const QAction* action : bar + help) {
            texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
        }
        QCOMPARE(texts, QStringList({"&File", "&Speak", "&Help", "&How to Use", "-", "&About"}));
        QCOMPARE(help[0]->shortcut(), QKeySequence(Qt::Key_F1));
        QVERIFY(!help[0]->icon().isNull());
        QVERIFY(!help[2]->icon().isNull());
        QVERIFY(!bar[0]->menu()->actions().at(0)->icon().isNull());
    }

    void menuClicksThatDoNothing_data()
    {
        QTest::addColumn<QString>("key");
        QTest::newRow("File") << "keyFile";
        QTest::newRow("Exit in other case") << "KEYEXIT";
        QTest::newRow("About in other case") << "keyabout";
    }

    void menuClicksThatDoNothing()
    {
        QFETCH(QString, key);
        Workbench bench;
        platform::MenuBar* menu = bench.main.menuBar();
        qint32 id = 0;
        for (qint32 i = 1; i <= menu->count(); ++i) {
            if (menu->keyOf(i) == key) {
                id = i;
            }
        }
        if (id == 0) {
            id = menu->addItem(QStringLiteral("keyHelp"), key, platform::MenuBar::ItemKind::Item,
                               QStringLiteral("Odd"));
        }
        bench.main.SmartMenuXP1_Click(id);
        QVERIFY(bench.main.isVisible());
        QVERIFY(!bench.main.aboutWindow());
        QVERIFY(!bench.main.helpObject());
        QVERIFY(bench.boxes.boxes().isEmpty());
    }

    // Exit and the title bar's close button both take the About window along.
    void closingTakesAboutAlong_data()
    {
        QTest::addColumn<bool>("titleBar");
        QTest::newRow("Exit") << false;
        QTest::newRow("title bar") << true;
    }

    void closingTakesAboutAlong()
    {
        QFETCH(bool, titleBar);
        Workbench bench;
        bench.main.menuBar()->trigger(6); // About
        About* about = bench.main.aboutWindow();
        QVERIFY(about && about->isVisible());
        QVERIFY(about->speechText().contains(QStringLiteral("19 voices")));
        if (titleBar) {
            QHash<QString, UcCmd*> buttons;
            for (UcCmd* button : bench.main.findChildren<UcCmd*>()) {
                buttons.insert(platform::controlTag(button), button);
            }
            QVERIFY(buttons.contains("MINIMISE") && buttons.contains("TOPCLOSE"));
            Q_EMIT buttons.value(QStringLiteral("MINIMISE"))->Click();
            QVERIFY(bench.main.isMinimized());
            bench.main.showNormal();
            Q_EMIT buttons.value(QStringLiteral("TOPCLOSE"))->Click();
        } else {
            bench.main.menuBar()->trigger(2); // Exit
        }
        QVERIFY(!about->isVisible());
        QVERIFY(!bench.main.isVisible());
    }

    // A run without any sound output tells the user once, in plain words, and not on every
    // speak call.
    void noSoundOutputIsToldOncePerRun()
    {
        Workbench bench;
        for (int i = 0; i < 3; ++i) {
            Q_EMIT bench.speech.SoundOutputMissing();
            QTest::qWait(20);
        }
        QCOMPARE(bench.boxes.boxes().size(), 1);
        const QString text = bench.boxes.boxes().constLast().text;
        QVERIFY2(text.contains(QLatin1String("No sound output")) &&
                     text.contains(QLatin1String("recording")),
                 qPrintable(text));
    }

    void dropOpensTheFile_data()
    {
        QTest::addColumn<bool>("onEditor");
        QTest::addColumn<bool>("file");
        QTest::newRow("file on the window") << false << true;
        QTest::newRow("file on the editor") << true << true;
        QTest::newRow("selection on the editor") << true << false;
    }

    // A file dropped on the window, or on its editor, replaces the editor's text with the
    // file's; a dropped selection is typed in instead.
    void dropOpensTheFile()
    {
        QFETCH(bool, onEditor);
        QFETCH(bool, file);
        Workbench bench;
        platform::RichTextBox* editor = bench.editor();
        editor->setText(QStringLiteral("typed"));
        QMimeData data;
        if (file) {
            data.setUrls({QUrl::fromLocalFile(testfiles::fixture(QStringLiteral("sample.html")))});
        } else {
            data.setText(QStringLiteral("dropped words "));
        }
        QWidget* target = onEditor ? editor->viewport() : static_cast<QWidget*>(&bench.main);
        const QPoint at = target->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &drop);
        if (file) {
            QCOMPARE(editor->text().simplified(),
                     testfiles::expectedText(QStringLiteral("sample")).simplified());
        } else {
            QVERIFY2(editor->text().contains(QLatin1String("dropped words")),
                     qPrintable(editor->text()));
            QVERIFY(editor->text().contains(QLatin1String("typed")));
        }
    }

    void howToUseKeepsOneHelpObject()
    {
        Workbench bench;
        bench.main.menuBar()->trigger(4);
        HTMLHelp* help = bench.main.helpObject();
        QVERIFY(help);
        bench.main.menuBar()->trigger(4);
        QCOMPARE(bench.main.helpObject(), help);
        QCOMPARE(help->CHMFile(), platform::programFile(QStringLiteral("help/Parlanza.chm")));
        QCOMPARE(help->HHTopicID(), 1);
        QCOMPARE(help->HHWindow(), QStringLiteral("Main"));
    }
};

QTEST_MAIN(tst_Main)
#include "tst_Main.moc"
