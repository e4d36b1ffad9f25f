// The main window in process: start, layout, states, messages, voices, bars, menus and drops,
// and what screen readers and keyboard users get from its controls, keys, shortcuts and tab
// order. The same seen from outside is in tests/app/atspi/.
#include "TestFiles.h"
#include "app/About.h"
#include "app/BarAnimation.h"
#include "app/Main.h"
#include "app/MainAccessible.h"
#include "controls/bevel/bvlBUTTON.h"
#include "controls/rkbuttons/rkButtons_H.h"
#include "controls/skinned/UcCmd.h"
#include "controls/skinned/UcProgress.h"
#include "controls/skinned/UcScroll.h"
#include "editor/FileOpen.h"
#include "editor/RichTextBox.h"
#include "help/HTMLHelp.h"
#include "helpviewer/ChmFile.h"
#include "platform/AccessibleButton.h"
#include "platform/AmbientProperties.h"
#include "platform/AppInfo.h"
#include "platform/ControlTag.h"
#include "platform/MenuBar.h"
#include "platform/WindowMessages.h"
#include "skin/ClsSkin.h"
#include "support/FakeCommonDialogService.h"
#include "support/FakeMessageBoxService.h"
#include "support/FakeSpeechControl.h"
#include "tests/app/WindowTestSupport.h"

#include <QAccessible>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QTextDocument>
#include <QTimer>
#include <cmath>
#include <functional>
#include <memory>

namespace {

using platform::MessageAnswer;
using platform::MessageButtons;
using platform::MessageIcon;
using rkbuttons::rkButtons_H;
using windowtest::child;

const QString kNoText = "Please Enter Some Text In the Text Box !";
const QString kNoFileName = "Please Enter A File Name To Save !";
const QString kOverwrite = "File already exists ! Overwrite ?";
const QString kIncompatible =
    "This setting is not compatible with the selected\r\n     Voice. Please try a different "
    "setting.";
const QString kOldText = "The old text, being spoken.";

// A fake that also notes the window as the start sound plays and as the voices are counted.
class ProbeSpeech : public support::FakeSpeechControl
{
public:
    std::function<void()> onStartSound = [] {};
    std::function<void()> onVoiceCount;

    bool playWaveFile(const QString& path) override
    {
        onStartSound();
        return support::FakeSpeechControl::playWaveFile(path);
    }
    QVariant invoke(int dispid, const QVariantList& args = {}) override
    {
        if (dispid == DispidVoiceCount && onVoiceCount) {
            onVoiceCount();
        }
        return support::FakeSpeechControl::invoke(dispid, args);
    }
};

// A loaded window over a recording fake, with message boxes and dialogs answered by fakes.
struct Workbench
{
    support::FakeMessageBoxService boxes;
    support::FakeCommonDialogService dialogs;
    ProbeSpeech speech;
    app::Main main{&speech};

    explicit Workbench(const QStringList& voices = {}, bool load = true)
    {
        if (!voices.isEmpty()) {
            speech.setVoices(voices);
        }
        if (load) {
            main.Form_Load();
        }
    }

    template <typename T = QWidget> T* control(const char* name) { return child<T>(&main, name); }
    bevel::bvlBUTTON* button(const char* name) { return control<bevel::bvlBUTTON>(name); }
    rkButtons_H* image(const char* name) { return control<rkButtons_H>(name); }
    editor::RichTextBox* editor() { return control<editor::RichTextBox>("RichTextBox1"); }
    QLabel* label(const char* name) { return control<QLabel>(name); }
    QTimer* timer() { return control<QTimer>("Timer1"); }
    QListWidget* voices() { return control<QListWidget>("lstVoice"); }
    skinned::UcScroll* speed() { return control<skinned::UcScroll>("scrSpeed"); }
    skinned::UcScroll* pitch() { return control<skinned::UcScroll>("scrPitch"); }
    QLineEdit* fileBox() { return control<QLineEdit>("txtFile"); }
    // The title bar's buttons by their tags.
    QMap<QString, skinned::UcCmd*> titleButtons()
    {
        QMap<QString, skinned::UcCmd*> buttons;
        for (skinned::UcCmd* button : main.findChildren<skinned::UcCmd*>()) {
            buttons.insert(platform::controlTag(button), button);
        }
        return buttons;
    }

    // The speed and tone bars' values, then their labels.
    QStringList voiceValues()
    {
        return {QString::number(speed()->Value()), QString::number(pitch()->Value()),
                label("lblSpeed")->text(), label("lblPitch")->text()};
    }

    // Buttons (+ on, - off), PAUSE's caption, the bars' timer, status text and colour.
    QString state()
    {
        const auto on = [this](const char* name) { return button(name)->Enabled() ? "+" : "-"; };
        QLabel* status = label("lblStatus");
        return QString("SPEAK%1 PAUSE%2 (%3) STOP%4 REC%5 FILE%6 ERASE%7 bars%8 %9 %10")
            .arg(on("cmdSpkText"), on("cmdPauseText"), button("cmdPauseText")->Caption(),
                 on("cmdStopText"), on("cmdRec"), on("cmdSaveFile"), on("cmdClearText"),
                 timer()->isActive() ? "+" : "-", status->text(),
                 status->palette().color(QPalette::WindowText).name());
    }

    void run(const QString& action)
    {
        const QHash<QString, std::function<void()>> actions{
            {"speak", [this] { main.cmdSpkText_Click(); }},
            {"pause", [this] { main.cmdPauseText_Click(); }},
            {"resume", [this] { main.cmdPauseText_Click(); }},
            {"stop", [this] { main.cmdStopText_Click(); }},
            {"record", [this] { main.cmdRec_Click(); }},
            {"end", [this] { speech.finishUtterance(); }},
            {"recaption", [this] { button("cmdPauseText")->setCaption("Pause"); }}};
        actions.value(action, [] { qFatal("unknown action"); })();
    }
};

// A button of one kind ("bevel", "image", "skinned") and behaviour (0 push, 1 check,
// 2 option) on a shown form, with the focus; Click is counted.
struct Button
{
    QWidget form;
    QWidget* widget = nullptr;
    std::unique_ptr<QSignalSpy> clicks;

    Button(const QString& kind, int behaviour)
    {
        if (kind == "bevel") {
            auto* button = new bevel::bvlBUTTON(&form);
            button->setCaption("&Speak");
            button->setBehaviour(static_cast<quint8>(behaviour));
        } else if (kind == "image") {
            auto* button = new rkButtons_H(&form);
            button->setMode(static_cast<rkbuttons::Behaviour>(behaviour));
        } else {
            auto* button = new skinned::UcCmd(&form);
            const int styles[] = {skinned::UcCmd::StyleClose, skinned::UcCmd::StyleCheck,
                                  skinned::UcCmd::StyleOption};
            button->setStyle(styles[behaviour]);
            button->setCaption("Loud");
        }
        widget = form.findChild<QWidget*>(); // the one button made
        clicks = std::make_unique<QSignalSpy>(widget, SIGNAL(Click()));
        widget->setToolTip("Close");
        widget->setGeometry(10, 10, 80, 30);
        form.show();
        form.activateWindow();
        widget->setFocus();
    }
};

const QColor kBackground(0, 0, 0);

// Bars on a 150 x 60 pixel picture of 2250 x 900 twips: bar width 225 twips = 15 pixels.
struct Bars
{
    explicit Bars(std::function<int()> steps = {})
    {
        bars.setup(2250);
        bars.setStepSource(std::move(steps)); // none: its own random steps
    }
    void tick(int times = 1)
    {
        for (int n = 0; n < times; ++n) {
            bars.tick(image, QSizeF(2250, 900), kBackground);
        }
    }
    app::BarAnimation bars;
    QImage image{150, 60, QImage::Format_RGB32};
};

// The topmost row of a column that is not background, or the height when none is.
int barTop(const QImage& image, int x)
{
    for (int y = 0; y < image.height(); ++y) {
        if (image.pixelColor(x, y) != kBackground) {
            return y;
        }
    }
    return image.height();
}

const QString kIdle = "SPEAK+ PAUSE- (PAUSE) STOP+ REC+ FILE+ ERASE+ bars- STOPPED #ff0000";
const QString kSpeaking = "SPEAK+ PAUSE+ (PAUSE) STOP+ REC+ FILE+ ERASE- bars+ SPEAKING #ffff00";
const QString kPaused = "SPEAK- PAUSE+ (RESUME) STOP+ REC+ FILE+ ERASE- bars- PAUSED #ffff00";
const QString kRecording = "SPEAK- PAUSE- (PAUSE) STOP+ REC+ FILE+ ERASE- bars+ RECORDING #00ffff";

} // namespace

class tst_Main : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_scratch;

    QString scratchFile(const QString& name) const { return m_scratch.filePath(name); }
    static QString startSound() { return qApp->applicationDirPath() + "/audio/start.wav"; }

private Q_SLOTS:
    void initTestCase()
    {
        app::MainAccessible::installFactories();
        QVERIFY(m_scratch.isValid());
        QDir().mkpath(QFileInfo(startSound()).path());
        QVERIFY(testfiles::write(startSound(), {}));
        QVERIFY(testfiles::write(scratchFile("new.txt"), "The new text."));
        // The desktop's own names for the documents and music folders.
        const QByteArray here = QFile::encodeName(m_scratch.path());
        QVERIFY(QDir(m_scratch.path()).mkpath("My Documents") &&
                QDir(m_scratch.path()).mkpath("My Music"));
        QVERIFY(testfiles::write(scratchFile("user-dirs.dirs"),
                                 "XDG_DOCUMENTS_DIR=\"" + here + "/My Documents\"\n" +
                                     "XDG_MUSIC_DIR=\"" + here + "/My Music\"\n"));
        qputenv("XDG_CONFIG_HOME", here);
    }

    void cleanupTestCase() { QFile::remove(startSound()); }

    void loadSequenceRunsInOrder()
    {
        Workbench bench({}, false);
        QStringList seen;
        bench.speech.onStartSound = [&] {
            seen << QString("sound: skin %1, menu %2, visible %3, voices %4")
                        .arg(bench.main.findChild<skin::ClsSkin*>() != nullptr)
                        .arg(bench.main.menuBar()->count())
                        .arg(bench.main.isVisible())
                        .arg(bench.voices()->count());
        };
        bench.speech.onVoiceCount = [&] {
            seen << QString("voices: timer %1, PAUSE %2, zoom rows %3, bars %4")
                        .arg(bench.timer()->isActive())
                        .arg(bench.button("cmdPauseText")->Enabled())
                        .arg(bench.control<QComboBox>("cboZoom")->count())
                        .arg(bench.main.bars().barWidth() > 0);
        };
        bench.main.Form_Load();
        QCOMPARE(seen, QStringList({"sound: skin 1, menu 16, visible 0, voices 0",
                                    "voices: timer 0, PAUSE 0, zoom rows 0, bars 1"}));
        QCOMPARE(bench.speech.playedFiles(), QStringList{startSound()});
        // The window shows with the zoom list filled and focused; the voices in the engine's
        // order, the first selected with its own values; no file named.
        auto* zoom = bench.control<QComboBox>("cboZoom");
        QVERIFY(bench.main.isVisible() && bench.main.focusWidget() == zoom);
        QListWidget* voices = bench.voices();
        QCOMPARE(QStringList({QString::number(zoom->count()), zoom->currentText(),
                              QString::number(voices->count()), voices->item(0)->text(),
                              voices->item(18)->text(), voices->currentItem()->text(),
                              bench.label("lblSpeed")->text(), bench.label("lblPitch")->text(),
                              bench.fileBox()->text(), bench.state()}),
                 QStringList({"11", "100%", "19", "Mary", "Mike in Space", "Mary", "150", "170", "",
                              kIdle}));
        // Typed text takes the caption colour.
        editor::RichTextBox* editor = bench.editor();
        editor->setSelText("typed");
        editor->setSelStart(2);
        QCOMPARE(editor->textCursor().charFormat().foreground().color(), QColor(57, 69, 87));
    }

    void everyControlIsPlacedWithoutOverlap()
    {
        Workbench bench;
        const char* const names[] = {
            "RichTextBox1", "lstVoice",     "scrSpeed",    "scrPitch", "lblSpeed",
            "lblPitch",     "Label3",       "Label5",      "Label4",   "lblStatus",
            "cmdSpkText",   "cmdPauseText", "cmdStopText", "cmdRec",   "cmdSaveFile",
            "txtFile",      "cmdClearText", "Picture1",    "cboZoom",  "cmdOpen",
            "cmdAll",       "cmdClear",     "cmdDelete",   "cmdCut",   "cmdCopy",
            "cmdPaste",     "cmdBold",      "cmdItalic",   "cmdFont",  "cmdForeColor",
            "cmdBackColor", "SmartMenuXP1"};
        QList<QWidget*> widgets;
        for (const char* name : names) {
            QWidget* widget = bench.control(name);
            QVERIFY2(widget->isVisible() && bench.main.rect().contains(widget->geometry()), name);
            for (QWidget* other : std::as_const(widgets)) {
                QVERIFY2(
                    !widget->geometry().intersects(other->geometry()),
                    qPrintable(QString::fromLatin1(name) + " overlaps " + other->objectName()));
            }
            widgets << widget;
        }
        QVERIFY(!bench.control("RTFtemp")->isVisible());
        for (const char* name : {"cmdOpen", "cmdCut", "cmdCopy", "cmdPaste", "cmdDelete",
                                 "cmdClear", "cmdAll", "cmdForeColor", "cmdBackColor"}) {
            QVERIFY2(!bench.image(name)->Picture().isNull(), name);
        }
        QCOMPARE(bench.image("cmdBold")->Caption(), "B");
        QCOMPARE(bench.image("cmdBold")->Mode(), rkbuttons::Behaviour::Check);
        // The letters of F, B and I read as working buttons: dark on their face (a contrast
        // of 4.5 or more), not faint like a disabled caption.
        const auto luminance = [](QColor c) {
            const auto linear = [](qreal v) {
                return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
            };
            return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) +
                   0.0722 * linear(c.blueF());
        };
        for (const char* name : {"cmdFont", "cmdBold", "cmdItalic"}) {
            const QImage shot = bench.image(name)->grab().toImage();
            const QRect inside = shot.rect().adjusted(4, 4, -4, -4);
            const qreal face = luminance(shot.pixelColor(inside.topLeft()));
            qreal darkest = face;
            for (int y = inside.top(); y <= inside.bottom(); ++y) {
                for (int x = inside.left(); x <= inside.right(); ++x) {
                    darkest = std::min(darkest, luminance(shot.pixelColor(x, y)));
                }
            }
            QVERIFY2((face + 0.05) / (darkest + 0.05) >= 4.5, name);
        }
        QVERIFY(bench.boxes.boxes().isEmpty()); // every picture was found
        QCOMPARE(bench.button("cmdSpkText")->toolTip(), "Speak Text (F5, Ctrl+Return)");
        QCOMPARE(bench.speed()->toolTip(), "Set Speaking Speed");
        QCOMPARE(bench.titleButtons().keys(), QStringList({"MINIMISE", "RESTORE", "TOPCLOSE"}));
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
        // The first and the last edge: the ones between take the same way.
        platform::sendMessage(&bench.main, platform::WM_SYSCOMMAND, platform::SC_SIZE + 1, 0);
        platform::sendMessage(&bench.main, platform::WM_SYSCOMMAND, platform::SC_SIZE + 8, 0);
        QVERIFY(passed.isEmpty());
        QCOMPARE(bench.main.size(), size);
        platform::sendMessage(&bench.main, platform::WM_SYSCOMMAND, platform::SC_MOVE, 0);
        platform::sendMessage(&bench.main, platform::WM_SYSCOMMAND, platform::SC_MINIMIZE, 0);
        QCOMPARE(passed, QList<quint32>({platform::SC_MOVE, platform::SC_MINIMIZE}));
        // As the window goes its previous procedure is put back, and sees everything again.
        platform::sendMessage(&bench.main, app::Main::WM_NCDESTROY, 0, 0);
        platform::sendMessage(&bench.main, platform::WM_SYSCOMMAND, platform::SC_SIZE + 8, 0);
        QCOMPARE(passed, QList<quint32>({platform::SC_MOVE, platform::SC_MINIMIZE,
                                         app::Main::WM_NCDESTROY, platform::SC_SIZE}));
    }

    // The window after each sequence and what it sent after the first step (STOP and a
    // recording's end reset the output file). The first step's bars stay until STOP or an
    // end; a recording lasts until its end.
    void buttonsAndStatusFollowEachStep_data()
    {
        QTest::addColumn<QStringList>("actions");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QList<int>>("later");
        const auto row = [](const char* name, const QStringList& actions, const QString& state,
                            const QList<int>& later) {
            QTest::newRow(name) << actions << state << later;
        };
        const QList<int> speakCalls{16, 10, 7, 6, 59};
        row("paused", {"speak", "pause"}, kPaused, {35});
        row("resumed", {"speak", "pause", "resume"}, kSpeaking, {35, 37});
        row("stop while speaking", {"speak", "stop"}, kIdle, {36, 68});
        // STOP leaves the recording to be ended by the audio-stopped event.
        row("stop while recording", {"record", "stop"}, kIdle, {36});
        // Speech that ends by itself leaves the window Idle, ERASE included.
        row("end of speech", {"speak", "end"}, kIdle, {});
        row("end of recording", {"record", "end"}, kIdle, {68});
        row("end while paused", {"speak", "pause", "end"}, kPaused, {35});
        row("pause, stop, speak to the end", {"speak", "pause", "stop", "speak", "end"}, kIdle,
            QList<int>{35, 36, 68} + speakCalls);
        // PAUSE goes by its caption, exactly: under any other nothing is sent.
        row("pause under another caption", {"speak", "recaption", "pause"},
            QString(kSpeaking).replace("(PAUSE)", "(Pause)"), {});
        row("speak again while speaking", {"speak", "speak"}, kSpeaking, speakCalls);
        row("record while speaking", {"speak", "record"}, kRecording, {16, 10, 7, 68, 6, 59});
        // The paused speech is stopped first: once the recording ends nothing is paused.
        row("record while paused, to its end", {"speak", "pause", "record", "end"}, kIdle,
            {35, 16, 10, 7, 36, 68, 68, 6, 59, 68});
    }

    void buttonsAndStatusFollowEachStep()
    {
        QFETCH(QStringList, actions);
        QFETCH(QString, expected);
        QFETCH(QList<int>, later);
        const bool recording = actions.contains("record") && !actions.contains("end");
        Workbench bench;
        bench.editor()->setText("Some text to speak.");
        bench.fileBox()->setText(scratchFile("state.wav"));
        bench.run(actions.takeFirst());
        bench.main.Timer1_Timer();
        bench.speech.clearCalls();
        for (const QString& action : actions) {
            bench.run(action);
            QCoreApplication::sendPostedEvents(); // what a step left queued runs before the next
        }
        const bool cleared = actions.contains("stop") || actions.contains("end");
        QCOMPARE(bench.label("Picture1")->pixmap().isNull(), cleared);
        QCOMPARE(bench.main.animationPicture().isNull(), cleared);
        QCOMPARE(bench.state(), expected);
        QCOMPARE(bench.main.isRecording(), recording);
        QCOMPARE(bench.speech.dispids(), later);
        if (later.endsWith(68)) {
            QCOMPARE(bench.speech.outputFile(), QString());
        }
    }

    // A first run's Open starts in the documents folder and FILE in the music folder, as the
    // desktop names them. FILE fills the box with the name chosen, a cancel keeps what it
    // holds; a bare recording name goes into the music folder and the box shows where.
    void fileBoxTakesTheChosenNameAndFirstRunFoldersAreTheUsers()
    {
        Workbench bench;
        const QString music = scratchFile("My Music");
        QCOMPARE(editor::FileOpen::OpenInitDir, scratchFile("My Documents"));
        QCOMPARE(bench.main.commonDialog().InitDir, music);
        const QString chosen = scratchFile("chosen.wav");
        bench.dialogs.queueFile(platform::FileDialogResult{chosen, "chosen.wav", 1});
        bench.main.cmdSaveFile_Click();
        QCOMPARE(bench.fileBox()->text(), chosen);
        QCOMPARE(bench.dialogs.requests().size(), 1);
        QCOMPARE(bench.dialogs.requests()[0].kind, support::FakeCommonDialogService::Kind::Save);
        // The wave entry first, as it always was, then the compressed formats.
        QVERIFY(bench.dialogs.requests()[0].file.filter.startsWith(
            "Wav Files (*.wav)|*.wav|MP3 Files (*.mp3)|*.mp3|"));
        const QString typed = scratchFile("typed-by-hand.wav");
        bench.fileBox()->setText(typed);
        bench.main.cmdSaveFile_Click();
        QCOMPARE(bench.fileBox()->text(), typed);
        QCOMPARE(bench.dialogs.requests().last().file.fileName, typed);
        bench.editor()->setText("Some text to record.");
        bench.fileBox()->setText("bare name.wav");
        bench.main.cmdRec_Click();
        const QString expected = music + "/bare name.wav";
        QCOMPARE(bench.speech.outputFile(), expected);
        QCOMPARE(bench.fileBox()->text(), expected);
    }

    // SPEAK and RECORD want text, RECORD a file name and leave to overwrite one: each refusal
    // sends only the voice and keeps the box and any old file. A setting the voice refuses
    // is told after it was sent, and the voice's own values come back.
    void speakAndRecordRefuseOrTellWhatIsWrong()
    {
        struct Row
        {
            QString action, text;
            bool withFile, fileExists;
            MessageAnswer answer;
            QString message, state; // no message when empty
            QList<int> sent;
        };
        const MessageAnswer ok = MessageAnswer::Ok;
        const QList<int> refused{16, 10, 7};
        const QList<int> records{16, 10, 7, 68, 6, 59};
        // Then the voice is asked its name (19), to bring back its own values.
        const QList<int> speaksTold{16, 10, 7, 6, 59, 19};
        const QList<int> recordsTold = records + QList<int>{19};
        const Row rows[] = {
            {"speak", {}, false, false, ok, kNoText, kIdle, refused},
            {"record", {}, true, false, ok, kNoText, kIdle, refused},
            {"record", "Text.", false, false, ok, kNoFileName, kIdle, refused},
            {"record", "Text.", true, true, MessageAnswer::Cancel, kOverwrite, kIdle, refused},
            {"record", "Text.", true, true, ok, kOverwrite, kRecording, records},
            {"record", "Text.", true, false, ok, {}, kRecording, records},
            {"speak", "Text.", false, false, ok, kIncompatible, kSpeaking, speaksTold},
            {"record", "Text.", true, false, ok, kIncompatible, kRecording, recordsTold}};
        const QString path = scratchFile("check.wav");
        for (const Row& row : rows) {
            Workbench bench;
            QFile::remove(path);
            QVERIFY(!row.fileExists || testfiles::write(path, "old recording"));
            bench.editor()->setText(row.text);
            bench.fileBox()->setText(row.withFile ? path : QString());
            const bool incompatible = row.message == kIncompatible;
            if (incompatible) {
                bench.voices()->setCurrentRow(6); // Mary in Space
                bench.speed()->setValue(270);
                bench.pitch()->setValue(300);
                bench.speech.setNextSpeakResult(speech::SpeechControl::ResultIncompatible);
            }
            bench.boxes.queueAnswers({row.answer});
            bench.speech.clearCalls();
            bench.run(row.action);
            QCOMPARE(bench.boxes.boxes().size(), row.message.isEmpty() ? 0 : 1);
            if (!row.message.isEmpty()) {
                const platform::MessageBoxRequest& box = bench.boxes.boxes()[0];
                QCOMPARE(box.text, row.message);
                const bool question = row.message == kOverwrite;
                QCOMPARE(box.icon, question ? MessageIcon::None : MessageIcon::Exclamation);
                QCOMPARE(box.buttons, question ? MessageButtons::OkCancel : MessageButtons::Ok);
            }
            QCOMPARE(bench.speech.dispids(), row.sent);
            QCOMPARE(bench.state(), row.state);
            if (row.sent == records) {
                QCOMPARE(bench.speech.calls()[3].args, QVariantList{path}); // the path in the box
            } else if (incompatible) {
                QCOMPARE(bench.speech.calls().last().args, QVariantList{7});
                QCOMPARE(bench.voiceValues(), QStringList({"150", "200", "150", "200"}));
            } else if (row.sent == refused) {
                QCOMPARE(bench.fileBox()->text(), row.withFile ? path : QString());
                QCOMPARE(testfiles::read(path), row.fileExists ? "old recording" : QByteArray());
            }
        }
    }

    void failedRecordingIsReportedAndEnds()
    {
        Workbench bench;
        bench.editor()->setText("Text.");
        const QString path = scratchFile("no/such/folder/out.wav");
        bench.fileBox()->setText(path);
        bench.main.cmdRec_Click();
        // Told once the window has left RECORDING, its bars still (the timer off).
        QString stateAtBox;
        bench.boxes.onShow = [&](auto&) { stateAtBox = bench.state(); };
        bench.speech.failRecording("No such file or directory");
        QCOMPARE(stateAtBox, kIdle);
        bench.speech.finishUtterance();
        QCOMPARE(bench.boxes.boxes().size(), 1);
        const platform::MessageBoxRequest& box = bench.boxes.boxes()[0];
        QCOMPARE(box.text, "The recording could not be written:\n" +
                               QDir::toNativeSeparators(path) + "\n\nNo such file or directory");
        QCOMPARE(box.icon, MessageIcon::Exclamation);
        QCOMPARE(bench.state(), kIdle);
        QVERIFY(!bench.main.isRecording());
        QCOMPARE(bench.speech.outputFile(), QString());
    }

    // A voice of the table brings its own values; the user's 200 and 250 stay for one it does
    // not know, a known name in another case too. SPEAK then sends the voice, its values and
    // the whole text in order, whatever is selected.
    void choosingAVoiceSetsItsValuesAndSpeakSendsThem()
    {
        const std::tuple<QStringList, int, int, int> rows[] = {
            {{}, 10, 130, 130}, // RoboSoft Five
            {{"Mary", "mary in space"}, 1, 200, 250}};
        const QString text = "Hello there. Second sentence.";
        for (const auto& [voices, row, speed, pitch] : rows) {
            Workbench bench(voices);
            bench.speed()->setValue(200);
            bench.pitch()->setValue(250);
            bench.editor()->setText(text);
            bench.editor()->setSelStart(6);
            bench.editor()->setSelLength(5);
            bench.speech.clearCalls();
            bench.voices()->setCurrentRow(row);
            const QString s = QString::number(speed);
            const QString p = QString::number(pitch);
            QCOMPARE(bench.voiceValues(), QStringList({s, p, s, p}));
            bench.main.cmdSpkText_Click();
            QCOMPARE(bench.speech.dispids(),
                     QList<int>({speech::SpeechControl::DispidVoiceName, 16, 10, 7, 6, 59}));
            QCOMPARE(QVariantList({bench.speech.calls()[0].args[0], bench.speech.currentVoice(),
                                   bench.speech.speed(), bench.speech.pitch(),
                                   bench.speech.spokenTexts()}),
                     QVariantList({row + 1, row + 1, speed, pitch, QStringList{text}}));
        }
    }

    void noVoicesLeavesTheListEmpty()
    {
        Workbench bench({}, false);
        bench.speech.setVoices({});
        bench.main.Form_Load();
        QCOMPARE(std::pair(bench.voices()->count(), bench.voices()->currentRow()),
                 std::pair(0, -1));
        QCOMPARE(bench.speech.dispids(), QList<int>{speech::SpeechControl::DispidVoiceCount});
    }

    // The number follows every change of its bar, arrows and thumb alike.
    void arrowsAndThumbDragUpdateTheLabel()
    {
        for (const auto& [bar, label] :
             {std::pair{"scrSpeed", "lblSpeed"}, {"scrPitch", "lblPitch"}}) {
            Workbench bench;
            auto* scroll = bench.control<skinned::UcScroll>(bar);
            QLabel* number = bench.label(label);
            const int value = scroll->Value();
            QTest::mouseClick(scroll, Qt::LeftButton, {}, scroll->ImgRight().center());
            QVERIFY(scroll->Value() > value);
            QCOMPARE(number->text(), QString::number(scroll->Value()));
            const QPoint grab = scroll->ImgThumb().center();
            QTest::mousePress(scroll, Qt::LeftButton, {}, grab);
            QTest::mouseMove(scroll, grab + QPoint(40, 0));
            QVERIFY(scroll->Value() > value);
            QCOMPARE(number->text(), QString::number(scroll->Value()));
            QTest::mouseRelease(scroll, Qt::LeftButton, {}, grab + QPoint(40, 0));
        }
    }

    // Colours run from orange to pale yellow. The first step leaves every bar in the lower
    // half, in its colour; then each bar draws its own steps, so they do not move alike. Even
    // steps raise a bar, odd steps lower it, within 0..height; background lines every 75
    // twips (5 pixels) cut the bars into segments; a level above a hundred draws nothing.
    void barsStartLowMoveApartAndKeepWithinTheirSegmentedPicture()
    {
        QCOMPARE(app::BarAnimation::barColor(0, 10), QColor(235, 105, 35));
        QCOMPARE(app::BarAnimation::barColor(9, 10), QColor(255, 255, 188));
        Bars b;
        b.tick();
        for (int i = 0; i < 10; ++i) {
            QVERIFY(b.bars.level(i) >= 40.0f && b.bars.level(i) <= 59.0f);
            // Level 50 +- 10 of a 60 pixel picture: the top lies between rows 24 and 36.
            const int top = barTop(b.image, i * 15 + 7);
            QVERIFY2(top >= 23 && top <= 36, qPrintable(QString::number(top)));
            QCOMPARE(b.image.pixelColor(i * 15 + 7, 58), app::BarAnimation::barColor(i, 10));
        }
        bool differ = false;
        for (int n = 0; n < 5 && !differ; ++n, b.tick()) {
            for (int i = 1; i < 10; ++i) {
                differ = differ || b.bars.level(i) != b.bars.level(0);
            }
        }
        QVERIFY(differ);
        int step = 10;
        Bars steps([&step] { return step; });
        steps.tick(5);
        for (int row = 0; row < 60; ++row) {
            const bool isLine = row % 5 == 0; // 1/15, 76/15, ... rounded
            QCOMPARE(steps.image.pixelColor(20, row) == kBackground, isLine);
        }
        steps.tick();
        QCOMPARE(steps.bars.level(0), 0.0f); // 50 - 10 five times, then held at 0
        step = 9;
        steps.tick(200);
        QCOMPARE(steps.bars.level(9), 900.0f); // held at the picture's height
        QCOMPARE(barTop(steps.image, 7), 60);
    }

    // The window's picture shows the bars while speaking, each in its colour, drawn at most
    // once a screen frame.
    void animationDrawsTheBarsInThePicture()
    {
        Workbench bench;
        QVERIFY(bench.timer()->interval() >= app::Main::kFrameInterval);
        bench.editor()->setText("Text.");
        bench.main.cmdSpkText_Click();
        auto* picture = bench.label("Picture1");
        bench.main.Timer1_Timer();
        const QImage& image = bench.main.animationPicture();
        QCOMPARE(image.size(), picture->size());
        QCOMPARE(bench.main.bars().barCount(), 10);
        for (int i = 0; i < 10; ++i) {
            // The middle of each bar: coloured at the bottom, background near the top.
            const int x = int((i + 0.5) * image.width() / 10.0);
            QCOMPARE(image.pixelColor(x, image.height() - 2), app::BarAnimation::barColor(i, 10));
            QCOMPARE(image.pixelColor(x, image.height() / 4),
                     picture->palette().color(QPalette::Window));
        }
    }

    // The items in order, with their texts, font, icons and key. Only the items' own keys,
    // exactly, act: File, and Exit and About in another case, do nothing. How to Use keeps
    // one help object on the main topic.
    void menuItemsInOrderAndWhatTheyDo()
    {
        Workbench bench;
        platform::MenuBar* menu = bench.main.menuBar();
        QStringList keys;
        for (qint32 id = 1; id <= menu->count(); ++id) {
            keys << menu->keyOf(id);
        }
        QCOMPARE(keys, QStringList({"keyFile", "keyExit", "keyHelp", "keyHelpfile", "", "keyAbout",
                                    "keySpeak", "keySpeakFromCaret", "keySpeakSelection",
                                    "keyContinue", "", "keySentenceCues", "keyWordCues", "",
                                    "keyPronounceAs", "keyPronunciations"}));
        QCOMPARE(menu->fontName(), "Ms Sans Serif");
        QCOMPARE(menu->fontSize(), 9.0);
        const QList<QAction*> bar = menu->widget()->actions();
        const QList<QAction*> help = bar[2]->menu()->actions();
        QStringList texts;
        for (const QAction* action : bar + help) {
            texts << (action->isSeparator() ? "-" : action->text());
        }
        QCOMPARE(texts, QStringList({"&File", "&Speak", "&Help", "&How to Use", "-", "&About"}));
        QCOMPARE(help[0]->shortcut(), QKeySequence(Qt::Key_F1));
        QVERIFY(!help[0]->icon().isNull() && !help[2]->icon().isNull() &&
                !bar[0]->menu()->actions().at(0)->icon().isNull());
        for (const QString key : {"keyFile", "KEYEXIT", "keyabout"}) {
            const qint32 id = windowtest::menuId(menu, key);
            bench.main.SmartMenuXP1_Click(
                id != 0 ? id
                        : menu->addItem("keyHelp", key, platform::MenuBar::ItemKind::Item, "Odd"));
            QVERIFY2(bench.main.isVisible() && !bench.main.aboutWindow() &&
                         !bench.main.helpObject() && bench.boxes.boxes().isEmpty(),
                     qPrintable(key));
        }

        menu->trigger(4);
        help::HTMLHelp* helpObject = bench.main.helpObject();
        QVERIFY(helpObject);
        menu->trigger(4);
        QCOMPARE(bench.main.helpObject(), helpObject);
        QCOMPARE(
            QVariantList({helpObject->CHMFile(), helpObject->HHTopicID(), helpObject->HHWindow()}),
            QVariantList({platform::programFile("help/Parlanza.chm"), 1, "Main"}));
    }

    // Exit and the title bar's close button both take the About window along.
    void closingTakesAboutAlong()
    {
        for (const bool titleBar : {false, true}) {
            Workbench bench;
            bench.main.menuBar()->trigger(6); // About
            app::About* about = bench.main.aboutWindow();
            QVERIFY(about && about->isVisible());
            QVERIFY(about->speechText().contains("19 voices"));
            if (titleBar) {
                Q_EMIT bench.titleButtons()["MINIMISE"]->Click();
                QVERIFY(bench.main.isMinimized());
                bench.main.showNormal();
                Q_EMIT bench.titleButtons()["TOPCLOSE"]->Click();
            } else {
                bench.main.menuBar()->trigger(2); // Exit
            }
            QVERIFY(!about->isVisible() && !bench.main.isVisible());
        }
    }

    // A run without any sound output tells the user once, in plain words, over the window;
    // an output reached within the first seconds (a sound service that starts after the
    // program) gives no notice, and a SPEAK that finds none is told at once.
    void noSoundOutputIsToldOncePerRun()
    {
        // SPEAK while the output is still missing; when it is reached and by when the user is
        // told, in ms after the window shows (-1: never).
        const std::tuple<bool, int, int> rows[] = {
            {false, -1, app::Main::kSoundOutputGraceMs + 1000}, // never reached
            {false, 800, -1},                                   // reached in time
            {true, -1, app::Main::kSoundOutputCheckMs + 700},   // SPEAK finds none
            {true, 300, -1}};                                   // SPEAK after it came
        for (const auto& [speaks, reachedAfter, toldBefore] : rows) {
            Workbench bench({}, false);
            bench.speech.setOutputReached(false);
            // Found during the start sound: nothing over an empty screen.
            Q_EMIT bench.speech.SoundOutputMissing();
            QTest::qWait(20);
            QVERIFY(bench.boxes.boxes().isEmpty());
            bench.main.Form_Load();
            QElapsedTimer shown;
            shown.start();
            if (reachedAfter >= 0) {
                QTimer::singleShot(reachedAfter, [&] { bench.speech.setOutputReached(true); });
            }
            if (speaks) {
                QTest::qWait(qMax(reachedAfter, 0) + 50);
                bench.editor()->setText("Hello.");
                bench.main.cmdSpkText_Click();
            }
            const int waited = toldBefore >= 0 ? toldBefore : app::Main::kSoundOutputGraceMs + 1000;
            QTRY_VERIFY_WITH_TIMEOUT(!bench.boxes.boxes().isEmpty() || shown.elapsed() > waited,
                                     waited + 1000);
            QCOMPARE(bench.boxes.boxes().size(), toldBefore >= 0 ? 1 : 0);
            if (toldBefore < 0) {
                continue;
            }
            QCOMPARE(bench.boxes.boxes().constLast().text,
                     "No sound output was found, so speech cannot be heard. Speaking still runs "
                     "in time, and recording into a wave file still works.");
            // Once a run, however often the output is found missing again.
            Q_EMIT bench.speech.SoundOutputMissing();
            bench.editor()->setText("Hello again.");
            bench.main.cmdSpkText_Click();
            QTest::qWait(app::Main::kSoundOutputCheckMs + 200);
            QCOMPARE(bench.boxes.boxes().size(), 1);
        }
    }

    // A new text while the old is spoken (or paused) stops that speech: a file opened, dropped
    // on the window (as a second copy hands one over) or on the editor (read by content). A
    // file that cannot be opened changes nothing; dropped words are typed in, speech goes on.
    void newTextStopsTheSpeechOfTheOld_data()
    {
        QTest::addColumn<QString>("file"); // none: words are dropped
        QTest::addColumn<QString>("text"); // the editor's afterwards
        const QString file = scratchFile("new.txt");
        QTest::newRow("open") << file << "The new text.";
        QTest::newRow("drop on the window while paused") << file << "The new text.";
        QTest::newRow("drop on the editor")
            << testfiles::fixture("sample.html") << testfiles::expectedText("sample").simplified();
        QTest::newRow("open of a missing file") << scratchFile("missing.txt") << kOldText;
        QTest::newRow("words dropped on the editor") << QString() << "dropped words";
    }

    void newTextStopsTheSpeechOfTheOld()
    {
        QFETCH(QString, file);
        QFETCH(QString, text);
        const QString how = QTest::currentDataTag();
        const bool paused = how.endsWith("while paused");
        Workbench bench;
        editor::RichTextBox* editor = bench.editor();
        editor->setText(kOldText);
        bench.main.cmdSpkText_Click();
        if (paused) {
            bench.main.cmdPauseText_Click();
        }
        QLabel* status = bench.label("lblStatus");
        const QString before = status->text();
        QMimeData data;
        if (file.isEmpty()) {
            data.setText(text + u' ');
        } else {
            data.setUrls({QUrl::fromLocalFile(file)});
        }
        if (how.startsWith("open")) {
            bench.dialogs.queueFile(
                platform::FileDialogResult{file, QFileInfo(file).fileName(), 1});
            bench.image("cmdOpen")->click();
        } else {
            QVERIFY(windowtest::dragAndDrop(
                how.startsWith("drop on the window") ? &bench.main : editor->viewport(), data));
        }
        const bool replaced = QFile::exists(file);
        QCOMPARE(status->text(), replaced ? "STOPPED" : before);
        QCOMPARE(bench.speech.isPaused(), paused && !replaced);
        if (file.isEmpty()) {
            QVERIFY2(editor->text().contains(text) && editor->text().contains(kOldText),
                     qPrintable(editor->text()));
        } else {
            QCOMPARE(file.endsWith(".html") ? editor->text().simplified() : editor->text(), text);
        }
    }

    // The help names every menu command and every key the window answers.
    void helpNamesEveryCommandAndKey()
    {
        Workbench bench;
        // The help the user reads is the compiled file: it holds every page as written.
        const helpviewer::ChmFile compiled =
            helpviewer::ChmFile::open(QStringLiteral(PARLANZA_HELP_FILE));
        QVERIFY2(compiled.isOpen(), qPrintable(compiled.errorString()));
        QString help;
        for (const QFileInfo& page :
             QDir(QStringLiteral(PARLANZA_HELP_SOURCE)).entryInfoList({"*.htm"})) {
            const QByteArray source = testfiles::read(page.filePath());
            QVERIFY2(compiled.object(page.fileName()) == source,
                     qPrintable(page.fileName() + " differs: run tools/build-help.sh"));
            QTextDocument document;
            document.setHtml(QString::fromUtf8(source));
            help += document.toPlainText().simplified() + u' ';
        }
        QStringList named;
        platform::MenuBar* menu = bench.main.menuBar();
        for (qint32 id = 1; id <= menu->count(); ++id) {
            if (QAction* action = menu->action(id); action && !action->isSeparator()) {
                named << platform::withoutAccessMarks(action->text())
                      << action->shortcut().toString(QKeySequence::NativeText);
            }
        }
        for (QWidget* control : bench.main.findChildren<QWidget*>()) {
            named
                << control->property(platform::AccessibleButton::kShortcutsProperty).toStringList();
        }
        named.removeAll(QString());
        QVERIFY(named.size() > 20);
        named.removeIf([&help](const QString& name) { return help.contains(name); });
        QVERIFY2(named.isEmpty(), qPrintable("not in the help: " + named.join(" | ")));
    }

    // Role, name, states, actions; Press, Space, Return and keypad Enter all run the click,
    // and a disabled button answers none of them. Each kind, pushed, checked and as an option:
    // an image option button is quiet once set, skinned check and option buttons never click.
    void buttonsReadAndPressAlikeFromReadersAndKeys()
    {
        const std::tuple<const char*, int, QString, int> rows[] = {
            {"bevel", 0, "Speak", 4},   {"bevel", 1, "Speak", 4},  {"bevel", 2, "Speak", 4},
            {"image", 0, "Close", 4},   {"image", 1, "Close", 4},  {"image", 2, "Close", 1},
            {"skinned", 0, "Close", 4}, {"skinned", 1, "Loud", 0}, {"skinned", 2, "Loud", 0}};
        const QAccessible::Role roles[] = {QAccessible::PushButton, QAccessible::CheckBox,
                                           QAccessible::RadioButton};
        for (const auto& [kind, behaviour, name, clicks] : rows) {
            Button button(kind, behaviour);
            QVERIFY(QTest::qWaitForWindowActive(&button.form));
            QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(button.widget);
            QCOMPARE(iface->role(), roles[behaviour]);
            QCOMPARE(iface->text(QAccessible::Name), name);
            QVERIFY(iface->state().focusable && iface->state().focused);
            QCOMPARE(bool(iface->state().checkable), behaviour != 0);
            QAccessibleActionInterface* actions = iface->actionInterface();
            QCOMPARE(actions->actionNames(),
                     QStringList({QAccessibleActionInterface::pressAction(),
                                  QAccessibleActionInterface::setFocusAction()}));
            // The reader has its reply before the click runs from the event loop.
            // (An image option button already clicked as it took the focus.)
            const qsizetype before = button.clicks->count();
            actions->doAction(QAccessibleActionInterface::pressAction());
            QCOMPARE(button.clicks->count(), before);
            QTRY_COMPARE(button.clicks->count(), std::min(clicks, 1));
            QTRY_COMPARE(bool(iface->state().checked), behaviour != 0);
            QTest::keyClick(button.widget, Qt::Key_Space);
            QTest::keyClick(button.widget, Qt::Key_Return);
            QTest::keyClick(button.widget, Qt::Key_Enter, Qt::KeypadModifier);
            QCOMPARE(button.clicks->count(), clicks);
            // Four presses: a toggle is off again, an option button stays on.
            QCOMPARE(bool(iface->state().checked), behaviour == 2);
            button.widget->setEnabled(false);
            actions->doAction(QAccessibleActionInterface::pressAction());
            QCoreApplication::processEvents();
            QTest::keyClick(button.widget, Qt::Key_Space);
            QCOMPARE(button.clicks->count(), clicks);
            QVERIFY(iface->state().disabled);
        }
    }

    // The form hears every key first, in order; the click follows the release.
    void bevelledButtonKeysReachTheFormFirst()
    {
        Button button("bevel", 0);
        auto* bevel = static_cast<bevel::bvlBUTTON*>(button.widget);
        QStringList heard;
        const auto hear = [&heard](const char* what) {
            return [&heard, what](qint16 key) { heard << what + QString::number(key); };
        };
        connect(bevel, &bevel::bvlBUTTON::KeyDown, this, hear("down "));
        connect(bevel, &bevel::bvlBUTTON::KeyPress, this, hear("press "));
        connect(bevel, &bevel::bvlBUTTON::KeyUp, this, hear("up "));
        connect(bevel, &bevel::bvlBUTTON::Click, this, [&heard] { heard << "click"; });
        QTest::keyPress(bevel, Qt::Key_Return);
        QVERIFY(bevel->stateWord() & bevel::bvlBUTTON::kStatePressed);
        QTest::keyRelease(bevel, Qt::Key_Return);
        QCOMPARE(heard, QStringList({"down 13", "press 13", "up 13", "click"}));
        QCOMPARE(bevel->stateWord() & bevel::bvlBUTTON::kStatePressed, 0);
    }

    // Return and Escape that no control takes press the form's default and cancel buttons.
    void defaultAndCancelButtons()
    {
        Button button("image", 0);
        auto* box = new QLineEdit(&button.form);
        box->show();
        box->setFocus();
        QTest::keyClick(box, Qt::Key_Return);
        QTest::keyClick(box, Qt::Key_Escape);
        QCOMPARE(button.clicks->count(), 0);
        platform::AmbientProperties::setDisplayAsDefault(button.widget, true);
        QTest::keyClick(box, Qt::Key_Return);
        QCOMPARE(button.clicks->count(), 1);
        QVERIFY(QAccessible::queryAccessibleInterface(button.widget)->state().defaultButton);
        platform::AmbientProperties::setCancel(button.widget, true);
        QTest::keyClick(box, Qt::Key_Escape);
        QCOMPARE(button.clicks->count(), 2);
    }

    // Arrows, pages, Home and End from 150 in 50..270, across and upright; no Scroll event.
    void scrollBarKeysMoveTheValue()
    {
        const std::tuple<qint16, Qt::Key, int> rows[] = {
            {0, Qt::Key_Right, 151}, {0, Qt::Key_Up, 151},     {0, Qt::Key_Left, 149},
            {0, Qt::Key_Down, 149},  {0, Qt::Key_PageUp, 160}, {0, Qt::Key_PageDown, 140},
            {0, Qt::Key_Home, 50},   {0, Qt::Key_End, 270},    {1, Qt::Key_Down, 151},
            {1, Qt::Key_PageUp, 140}};
        for (const auto& [orientation, key, value] : rows) {
            skinned::UcScroll bar;
            bar.setOrientation(orientation);
            bar.setMax(270);
            bar.setMin(50);
            bar.setValue(150);
            QSignalSpy scrolled(&bar, &skinned::UcScroll::Scroll);
            QVERIFY(bar.focusPolicy() & Qt::TabFocus);
            QTest::keyClick(&bar, key);
            QCOMPARE(bar.Value(), value);
            QCOMPARE(scrolled.count(), 0);
        }
    }

    // A reader's value is rounded and held in the bar's range, and Decrease takes the bar's
    // own step; a progress bar cannot be set.
    void readersSetTheBarsValueButNotTheProgress()
    {
        skinned::UcScroll bar;
        bar.setMax(270);
        bar.setMin(50);
        bar.setSmallChange(10);
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&bar);
        QAccessibleValueInterface* value = iface->valueInterface();
        QCOMPARE(QList<int>({value->minimumValue().toInt(), value->maximumValue().toInt(),
                             value->minimumStepSize().toInt()}),
                 QList<int>({50, 270, 10}));
        QSignalSpy changed(&bar, &skinned::UcScroll::Change);
        value->setCurrentValue(199.6);
        QCOMPARE(std::pair(bar.Value(), changed.count()), std::pair(200, qsizetype(1)));
        value->setCurrentValue(900);
        QCOMPARE(value->currentValue().toInt(), 270);
        iface->actionInterface()->doAction(QAccessibleActionInterface::decreaseAction());
        QTRY_COMPARE(iface->text(QAccessible::Value), "260");
        skinned::UcProgress progress;
        progress.setValue(40);
        QAccessibleInterface* shown = QAccessible::queryAccessibleInterface(&progress);
        QCOMPARE(shown->role(), QAccessible::ProgressBar);
        shown->valueInterface()->setCurrentValue(90);
        QCOMPARE(shown->valueInterface()->currentValue().toInt(), 40);
        QCOMPARE(shown->valueInterface()->maximumValue().toInt(), 100);
    }

    // Tab types a tab and Ctrl+Tab leaves; a reader selects, replaces, deletes and inserts
    // text and finds each letter.
    void readersSelectEditAndLocateTheEditorsText()
    {
        QWidget form;
        auto* editor = new editor::RichTextBox(&form);
        auto* after = new QLineEdit(&form);
        editor->setGeometry(0, 0, 300, 200);
        after->move(0, 210);
        form.show();
        editor->setFocus();
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(editor);
        QVERIFY(iface->state().editable && iface->state().multiLine);
        QAccessibleTextInterface* text = iface->textInterface();
        QVERIFY(text && iface->editableTextInterface());
        QTest::keyClicks(editor, "Hello");
        QTest::keyClick(editor, Qt::Key_Tab);
        QTest::keyClicks(editor, "world");
        QCOMPARE(text->text(0, text->characterCount()), "Hello\tworld");
        QCOMPARE(text->cursorPosition(), 11);
        text->setSelection(0, 1, 4);
        QCOMPARE(editor->selText(), "ell");
        std::pair<int, int> selected;
        text->selection(0, &selected.first, &selected.second);
        QCOMPARE(selected, std::pair(1, 4));
        iface->editableTextInterface()->replaceText(0, 5, "Goodbye");
        iface->editableTextInterface()->deleteText(7, 8);
        iface->editableTextInterface()->insertText(7, ", ");
        QCOMPARE(editor->text(), "Goodbye, world");
        const QRect letter = text->characterRect(9);
        QVERIFY(letter.width() > 0 && letter.height() > 0);
        QCOMPARE(text->offsetAtPoint(letter.center()), 9);
        QTest::keyClick(editor, Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(form.focusWidget(), after);
    }

    // Children as a reader counts them; the speed bar tied to its caption and number; Tab in
    // reading order and round. (Frame, one editor, status caption: atspi/test_tree.py.)
    void readersFindTheWindowsPartsLabelledAndInTabOrder()
    {
        Workbench window;
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&window.main);
        QVERIFY(iface->childCount() > 20);
        for (int i = 0; i < iface->childCount(); ++i) {
            QCOMPARE(iface->indexOfChild(iface->child(i)), i);
        }
        window.speed()->setValue(200);
        QStringList labels;
        for (const auto& [other, relation] :
             QAccessible::queryAccessibleInterface(window.speed())->relations(QAccessible::Label)) {
            labels << other->text(QAccessible::Name);
        }
        labels.sort();
        QCOMPARE(labels, QStringList({"200", "SPEED"}));
        QStringList order;
        QWidget* start = window.control("cmdOpen");
        for (QWidget* w = start->nextInFocusChain(); w != start; w = w->nextInFocusChain()) {
            if (w->parentWidget() == &window.main && !w->isHidden() &&
                (w->focusPolicy() & Qt::TabFocus)) {
                order << w->objectName();
            }
        }
        QCOMPARE(order.join(' '),
                 "cmdFont cmdBold cmdItalic cmdForeColor cmdBackColor cmdCut cmdCopy cmdPaste "
                 "cmdDelete cmdClear cmdAll cboZoom RichTextBox1 lstVoice scrSpeed scrPitch "
                 "cmdSpkText cmdPauseText cmdStopText cmdRec cmdSaveFile cmdClearText txtFile "
                 "UcCmd3 UcCmd2 UcCmd1");
    }

    // Each shortcut runs its button's click, and nothing while the button is disabled: F6
    // while recording (PAUSE off) leaves it recording. (Also atspi/test_keyboard.py.)
    void shortcutsRunTheirButtonsOnlyWhileEnabled()
    {
        Workbench window;
        QVERIFY(QTest::qWaitForWindowActive(&window.main));
        window.editor()->setText("Hi");
        window.fileBox()->setText(scratchFile("typed.wav"));
        QWidget* focus = QApplication::focusWidget();
        QStringList statuses;
        for (const QKeySequence& keys :
             {QKeySequence(Qt::CTRL | Qt::Key_R), QKeySequence(Qt::Key_F6),
              QKeySequence(Qt::Key_Escape), QKeySequence(Qt::Key_F5), QKeySequence(Qt::Key_F6),
              QKeySequence(Qt::Key_F6)}) {
            QTest::keySequence(focus, keys);
            statuses << window.label("lblStatus")->text();
        }
        QCOMPARE(statuses, QStringList({"RECORDING", "RECORDING", "STOPPED", "SPEAKING", "PAUSED",
                                        "SPEAKING"}));
    }
};

QTEST_MAIN(tst_Main)
#include "tst_Main.moc"
