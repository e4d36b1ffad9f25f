// The main window in process: its start, layout, states, messages, voices, bars, menus and
// drops, and what screen readers and keyboard users get: each accessible interface (role, name,
// states, actions, value, text), the keys that press, move and leave the controls, the
// window's shortcuts and tab order. The same seen from outside is in tests/app/atspi/.
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
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>
#include <QTimer>
#include <cmath>
#include <functional>
#include <memory>

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
const QString kOldText = QStringLiteral("The old text, being spoken.");

QString startSoundPath()
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("audio/start.wav"));
}

// A fake that also notes what the window looked like when the start sound played and
// when the voices were first asked for.
class ProbeSpeech : public support::FakeSpeechControl
{
public:
    std::function<void()> onStartSound;
    std::function<void()> onVoiceCount;

    bool playWaveFile(const QString& path) override
    {
        if (onStartSound) {
            onStartSound();
        }
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

    template <typename T = QWidget> T* control(const char* name)
    {
        return windowtest::child<T>(&main, name);
    }
    bevel::bvlBUTTON* button(const char* name) { return control<bevel::bvlBUTTON>(name); }
    rkbuttons::rkButtons_H* image(const char* name)
    {
        return control<rkbuttons::rkButtons_H>(name);
    }
    editor::RichTextBox* editor() { return control<editor::RichTextBox>("RichTextBox1"); }
    QLabel* label(const char* name) { return control<QLabel>(name); }
    QTimer* timer() { return control<QTimer>("Timer1"); }
    QListWidget* voices() { return control<QListWidget>("lstVoice"); }
    skinned::UcScroll* speed() { return control<skinned::UcScroll>("scrSpeed"); }
    skinned::UcScroll* pitch() { return control<skinned::UcScroll>("scrPitch"); }
    QLineEdit* fileBox() { return control<QLineEdit>("txtFile"); }
    // The title bar's button with that tag.
    skinned::UcCmd* titleButton(const QString& tag)
    {
        for (skinned::UcCmd* button : main.findChildren<skinned::UcCmd*>()) {
            if (platform::controlTag(button) == tag) {
                return button;
            }
        }
        qFatal("no title bar button %s", qPrintable(tag));
    }

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

// A button of one kind ("bevel", "image", "skinned") and behaviour (0 push, 1 check,
// 2 option) on a shown form, with the focus; Click is counted.
struct Button
{
    QWidget form;
    QWidget* widget = nullptr;
    std::unique_ptr<QSignalSpy> clicks;
    bool active = false;

    Button(const QString& kind, int behaviour)
    {
        if (kind == QLatin1String("bevel")) {
            auto* button = new bevel::bvlBUTTON(&form);
            button->setCaption(QStringLiteral("&Speak"));
            button->setBehaviour(static_cast<quint8>(behaviour));
            watch(button, &bevel::bvlBUTTON::Click);
        } else if (kind == QLatin1String("image")) {
            auto* button = new rkbuttons::rkButtons_H(&form);
            button->setMode(static_cast<rkbuttons::Behaviour>(behaviour));
            watch(button, &rkbuttons::rkButtons_H::Click);
        } else {
            auto* button = new skinned::UcCmd(&form);
            const int styles[] = {skinned::UcCmd::StyleClose, skinned::UcCmd::StyleCheck,
                                  skinned::UcCmd::StyleOption};
            button->setStyle(styles[behaviour]);
            button->setCaption(QStringLiteral("Loud"));
            watch(button, &skinned::UcCmd::Click);
        }
        widget->setToolTip(QStringLiteral("Close"));
        widget->setGeometry(10, 10, 80, 30);
        form.show();
        form.activateWindow();
        widget->setFocus();
        active = QTest::qWaitForWindowActive(&form);
    }
    template <typename T, typename Signal> void watch(T* button, Signal click)
    {
        widget = button;
        clicks = std::make_unique<QSignalSpy>(button, click);
    }
};

const QColor kBackground(0, 0, 0);

// Bars on a 150 x 60 pixel picture of 2250 x 900 twips: bar width 225 twips = 15 pixels.
struct Bars
{
    explicit Bars(std::function<int()> steps = {})
    {
        bars.setup(2250);
        if (steps) {
            bars.setStepSource(std::move(steps));
        }
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
        app::MainAccessible::installFactories();
        QVERIFY(m_scratch.isValid());
        QDir().mkpath(QFileInfo(startSoundPath()).path());
        QVERIFY(testfiles::write(startSoundPath(), {}));
        QVERIFY(testfiles::write(scratchFile(QStringLiteral("new.txt")), "The new text."));
    }

    void cleanupTestCase() { QFile::remove(startSoundPath()); }

    void loadSequenceRunsInOrder()
    {
        Workbench bench({}, false);
        QStringList seen;
        bench.speech.onStartSound = [&] {
            seen << QStringLiteral("sound: skin %1, menu %2, visible %3, voices %4")
                        .arg(bench.main.findChild<skin::ClsSkin*>() != nullptr)
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
        // order, the first selected with its own values; no file named.
        QVERIFY(bench.main.isVisible());
        auto* zoom = bench.control<QComboBox>("cboZoom");
        QCOMPARE(bench.main.focusWidget(), zoom);
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
        editor->setSelText(QStringLiteral("typed"));
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
                QVERIFY2(!widget->geometry().intersects(other->geometry()),
                         qPrintable(QString::fromLatin1(name) + QStringLiteral(" overlaps ") +
                                    other->objectName()));
            }
            widgets << widget;
        }
        QVERIFY(!bench.control("RTFtemp")->isVisible());
        for (const char* name : {"cmdOpen", "cmdCut", "cmdCopy", "cmdPaste", "cmdDelete",
                                 "cmdClear", "cmdAll", "cmdForeColor", "cmdBackColor"}) {
            QVERIFY2(!bench.image(name)->Picture().isNull(), name);
        }
        QCOMPARE(bench.image("cmdBold")->Caption(), QStringLiteral("B"));
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
        QCOMPARE(bench.button("cmdSpkText")->toolTip(),
                 QStringLiteral("Speak Text (F5, Ctrl+Return)"));
        QCOMPARE(bench.speed()->toolTip(), QStringLiteral("Set Speaking Speed"));
        QStringList tags;
        for (skinned::UcCmd* button : bench.main.findChildren<skinned::UcCmd*>()) {
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
        platform::sendMessage(&bench.main, app::Main::WM_NCDESTROY, 0, 0);
        platform::sendMessage(&bench.main, platform::WM_SYSCOMMAND, platform::SC_SIZE + 8, 0);
        QCOMPARE(passed, QList<quint32>({platform::SC_MOVE, platform::SC_MINIMIZE,
                                         app::Main::WM_NCDESTROY, platform::SC_SIZE}));
    }

    // The window after each sequence, and what it sent the control after the first step
    // (STOP and the end of a recording reset the output file; other ends do not). The bars
    // drawn after the first step stay in the picture until STOP or an end.
    void stateTable_data()
    {
        QTest::addColumn<QStringList>("actions");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<qint16>("pauseState");
        QTest::addColumn<bool>("recording");
        QTest::addColumn<QList<int>>("later");

        const auto row = [](const char* name, const QStringList& actions, const QString& state,
                            const QList<int>& later, qint16 pause = app::Main::kNotPaused,
                            bool recording = false) {
            QTest::newRow(name) << actions << state << pause << recording << later;
        };
        const QList<int> speakCalls{16, 10, 7, 6, 59};
        const QList<int> recordCalls{16, 10, 7, 68, 6, 59};
        row("speaking", {"speak"}, kSpeakingState, {});
        row("paused", {"speak", "pause"}, kPausedState, {35}, app::Main::kPaused);
        row("resumed", {"speak", "pause", "resume"}, kSpeakingState, {35, 37});
        row("recording", {"record"}, kRecordingState, {}, app::Main::kNotPaused, true);
        row("stop while speaking", {"speak", "stop"}, kIdle, {36, 68});
        row("stop while paused", {"speak", "pause", "stop"}, kIdle, {35, 36, 68});
        // STOP leaves the recording to be ended by the audio-stopped event.
        row("stop while recording", {"record", "stop"}, kIdle, {36}, app::Main::kNotPaused, true);
        row("stop then end of recording", {"record", "stop", "end"}, kIdle, {36, 68});
        // Speech that ends by itself leaves the window Idle, ERASE included.
        row("end of speech", {"speak", "end"}, kIdle, {});
        row("end of recording", {"record", "end"}, kIdle, {68});
        row("end while paused", {"speak", "pause", "end"}, kPausedState, {35}, app::Main::kPaused);
        row("pause, stop, speak to the end", {"speak", "pause", "stop", "speak", "end"}, kIdle,
            QList<int>{35, 36, 68} + speakCalls);
        // PAUSE goes by its caption, exactly: under any other nothing is sent.
        row("pause under another caption", {"speak", "recaption", "pause"},
            QString(kSpeakingState).replace(QStringLiteral("(PAUSE)"), QStringLiteral("(Pause)")),
            {});
        row("speak again while speaking", {"speak", "speak"}, kSpeakingState, speakCalls);
        row("record while speaking", {"speak", "record"}, kRecordingState, recordCalls,
            app::Main::kNotPaused, true);
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
        bench.main.Timer1_Timer();
        bench.speech.clearCalls();
        for (const QString& action : actions) {
            bench.run(action);
        }
        const bool cleared = actions.contains("stop") || actions.contains("end");
        QCOMPARE(bench.label("Picture1")->pixmap().isNull(), cleared);
        QCOMPARE(bench.main.animationPicture().isNull(), cleared);
        QCOMPARE(bench.state(), expected);
        QCOMPARE(bench.main.pauseState(), pauseState);
        QCOMPARE(bench.main.isRecording(), recording);
        QCOMPARE(bench.speech.dispids(), later);
        if (later.endsWith(68)) {
            QCOMPARE(bench.speech.outputFile(), QString());
        }
    }

    // On a first run Open starts in the user's documents folder and FILE in the music
    // folder (as the desktop names them). FILE fills the box with the name chosen; a
    // cancelled dialog keeps the box, chosen or typed. A bare recording name goes into the
    // music folder and the box shows where.
    void fileBoxTakesTheChosenNameAndFirstRunFoldersAreTheUsers()
    {
        QTemporaryDir config;
        const QString documents = scratchFile(QStringLiteral("My Documents"));
        const QString music = scratchFile(QStringLiteral("My Music"));
        QVERIFY(QDir().mkpath(documents) && QDir().mkpath(music));
        QVERIFY(testfiles::write(config.filePath(QStringLiteral("user-dirs.dirs")),
                                 "XDG_DOCUMENTS_DIR=\"" + documents.toUtf8() +
                                     "\"\nXDG_MUSIC_DIR=\"" + music.toUtf8() + "\"\n"));
        const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
        const auto restore = qScopeGuard([&] { qputenv("XDG_CONFIG_HOME", oldConfig); });
        Workbench bench;
        QCOMPARE(editor::FileOpen::OpenInitDir, documents);
        QCOMPARE(bench.main.commonDialog().InitDir, music);

        const QString chosen = scratchFile(QStringLiteral("chosen.wav"));
        bench.dialogs.queueFile(
            platform::FileDialogResult{chosen, QStringLiteral("chosen.wav"), 1});
        bench.main.cmdSaveFile_Click();
        QCOMPARE(bench.fileBox()->text(), chosen);
        QCOMPARE(bench.dialogs.requests().size(), 1);
        QCOMPARE(bench.dialogs.requests()[0].kind, support::FakeCommonDialogService::Kind::Save);
        // The wave entry first, as it always was, then the compressed formats.
        QVERIFY(bench.dialogs.requests()[0].file.filter.startsWith(
            QStringLiteral("Wav Files (*.wav)|*.wav|MP3 Files (*.mp3)|*.mp3|")));
        bench.main.cmdSaveFile_Click();
        QCOMPARE(bench.fileBox()->text(), chosen);
        const QString typed = scratchFile(QStringLiteral("typed-by-hand.wav"));
        bench.fileBox()->setText(typed);
        bench.main.cmdSaveFile_Click();
        QCOMPARE(bench.fileBox()->text(), typed);
        QCOMPARE(bench.dialogs.requests().last().file.fileName, typed);

        bench.editor()->setText(QStringLiteral("Some text to record."));
        bench.fileBox()->setText(QStringLiteral("bare name.wav"));
        bench.main.cmdRec_Click();
        const QString expected = music + QStringLiteral("/bare name.wav");
        QCOMPARE(bench.speech.outputFile(), expected);
        QCOMPARE(bench.fileBox()->text(), expected);
    }

    // SPEAK and RECORD want text, RECORD a file name and leave to overwrite one: each refusal
    // sends only the voice and keeps the box and any old file. A setting the voice refuses
    // is told after it was sent, and the voice's own values come back.
    void speakAndRecordChecks()
    {
        struct Row
        {
            QString action, text;
            bool withFile, fileExists;
            MessageAnswer answer;
            QString message; // none when empty
            QList<int> sent;
            QString state;
        };
        const MessageAnswer ok = MessageAnswer::Ok;
        const QList<int> refused{16, 10, 7};
        const QList<int> records{16, 10, 7, 68, 6, 59};
        const Row rows[] = {
            {"speak", {}, false, false, ok, kNoText, refused, kIdle},
            {"record", {}, true, false, ok, kNoText, refused, kIdle},
            {"record", "Text.", false, false, ok, kNoFileName, refused, kIdle},
            {"record", "Text.", true, true, MessageAnswer::Cancel, kOverwrite, refused, kIdle},
            {"record", "Text.", true, true, ok, kOverwrite, records, kRecordingState},
            {"record", "Text.", true, false, ok, {}, records, kRecordingState},
            {"speak",
             "Text.",
             false,
             false,
             ok,
             kIncompatible,
             {16, 10, 7, 6, 59, 19},
             kSpeakingState},
            {"record", "Text.", true, false, ok, kIncompatible, records + QList<int>{19},
             kRecordingState}};
        const QString path = scratchFile(QStringLiteral("check.wav"));
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
                if (row.fileExists) {
                    QCOMPARE(testfiles::read(path), QByteArray("old recording"));
                }
            }
        }
    }

    void failedRecordingIsReportedAndEnds()
    {
        Workbench bench;
        bench.editor()->setText(QStringLiteral("Text."));
        const QString path = scratchFile(QStringLiteral("no/such/folder/out.wav"));
        bench.fileBox()->setText(path);
        bench.main.cmdRec_Click();
        // Told once the window has left RECORDING, its bars still.
        QString stateAtBox;
        bool barsAtBox = true;
        bench.boxes.onShow = [&](const platform::MessageBoxRequest&) {
            stateAtBox = bench.state();
            barsAtBox = bench.timer()->isActive();
        };
        bench.speech.failRecording(QStringLiteral("No such file or directory"));
        QCOMPARE(stateAtBox, kIdle);
        QVERIFY(!barsAtBox);
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

    // The voices, the row chosen and the values it shows: the user's own 200 and 250 stay for
    // a voice the table does not know, whatever the case of a known name. SPEAK then sends
    // the voice, its values and the whole text in order, whatever is selected.
    void voiceSelection()
    {
        const std::tuple<QStringList, int, int, int> rows[] = {
            {{}, 10, 130, 130}, // RoboSoft Five
            {{}, 2, 150, 120},  // Sam
            {{"Mary", "Zed"}, 1, 200, 250},
            {{"Mary", "mary in space"}, 1, 200, 250}};
        const QString text = QStringLiteral("Hello there. Second sentence.");
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
            QList<QVariantList> sent;
            for (const support::FakeSpeechControl::Call& call : bench.speech.calls()) {
                sent << call.args;
            }
            QCOMPARE(sent.first(5),
                     QList<QVariantList>({{row + 1}, {row + 1}, {speed}, {pitch}, {text}}));
        }
    }

    void noVoicesLeavesTheListEmpty()
    {
        Workbench bench({}, false);
        bench.speech.setVoices({});
        bench.main.Form_Load();
        QCOMPARE(bench.voices()->count(), 0);
        QCOMPARE(bench.voices()->currentRow(), -1);
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

    // The colours run from orange to pale yellow. The generator's first step leaves every bar
    // in the lower half, in its colour; then each bar draws its own steps, so the bars do not
    // all move alike.
    void barsStartInTheLowerHalfAndMoveApart()
    {
        QCOMPARE(app::BarAnimation::barColor(0, 10), QColor(235, 105, 35));
        QCOMPARE(app::BarAnimation::barColor(9, 10), QColor(255, 255, 188));
        QCOMPARE(app::BarAnimation::barColor(4, 10), QColor(255, 173, 103));
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
    }

    // Even steps raise a bar (its top goes up), odd steps lower it, within 0..height. Lines of
    // background colour every 75 twips (5 pixels) cut the full-height bars into segments; a
    // level above a hundred draws nothing.
    void stepsMoveLevelsWithinBoundsAndSegmentLinesCutTheBars()
    {
        int step = 10;
        Bars b([&step] { return step; });
        b.tick(5);
        for (int row = 0; row < 60; ++row) {
            const bool isLine = row % 5 == 0; // 1/15, 76/15, ... rounded
            QCOMPARE(b.image.pixelColor(20, row) == kBackground, isLine);
        }
        b.tick();
        QCOMPARE(b.bars.level(0), 0.0f); // 50 - 10 five times, then held at 0
        step = 9;
        b.tick(200);
        QCOMPARE(b.bars.level(9), 900.0f); // held at the picture's height
        QCOMPARE(barTop(b.image, 7), 60);
    }

    // The window's picture shows the bars while speaking, each in its colour, drawn at most
    // once a screen frame.
    void animationDrawsTheBarsInThePicture()
    {
        Workbench bench;
        QVERIFY(bench.timer()->interval() >= app::Main::kFrameInterval);
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

        for (const QString key : {"keyFile", "KEYEXIT", "keyabout"}) {
            const qint32 id = windowtest::menuId(menu, key);
            bench.main.SmartMenuXP1_Click(id != 0 ? id
                                                  : menu->addItem(QStringLiteral("keyHelp"), key,
                                                                  platform::MenuBar::ItemKind::Item,
                                                                  QStringLiteral("Odd")));
            QVERIFY(bench.main.isVisible());
            QVERIFY(!bench.main.aboutWindow());
            QVERIFY(!bench.main.helpObject());
            QVERIFY(bench.boxes.boxes().isEmpty());
        }

        menu->trigger(4);
        help::HTMLHelp* helpObject = bench.main.helpObject();
        QVERIFY(helpObject);
        menu->trigger(4);
        QCOMPARE(bench.main.helpObject(), helpObject);
        QCOMPARE(helpObject->CHMFile(), platform::programFile(QStringLiteral("help/Parlanza.chm")));
        QCOMPARE(helpObject->HHTopicID(), 1);
        QCOMPARE(helpObject->HHWindow(), QStringLiteral("Main"));
    }

    // Exit and the title bar's close button both take the About window along.
    void closingTakesAboutAlong()
    {
        for (const bool titleBar : {false, true}) {
            Workbench bench;
            bench.main.menuBar()->trigger(6); // About
            app::About* about = bench.main.aboutWindow();
            QVERIFY(about && about->isVisible());
            QVERIFY(about->speechText().contains(QStringLiteral("19 voices")));
            if (titleBar) {
                Q_EMIT bench.titleButton(QStringLiteral("MINIMISE"))->Click();
                QVERIFY(bench.main.isMinimized());
                bench.main.showNormal();
                Q_EMIT bench.titleButton(QStringLiteral("TOPCLOSE"))->Click();
            } else {
                bench.main.menuBar()->trigger(2); // Exit
            }
            QVERIFY(!about->isVisible());
            QVERIFY(!bench.main.isVisible());
        }
    }

    // A run without any sound output tells the user once, in plain words, over the window;
    // an output reached within the first seconds (a sound service that starts after the
    // program) gives no notice, and a SPEAK that finds none is told at once.
    void noSoundOutputIsToldOncePerRun_data()
    {
        QTest::addColumn<bool>("speaks");      // SPEAK while the output is still missing
        QTest::addColumn<int>("reachedAfter"); // ms after the window shows; -1 never
        QTest::addColumn<int>("toldBefore");   // ms after the window shows; -1 never told
        QTest::newRow("never reached") << false << -1 << app::Main::kSoundOutputGraceMs + 1000;
        QTest::newRow("reached in time") << false << 800 << -1;
        QTest::newRow("speak finds none") << true << -1 << app::Main::kSoundOutputCheckMs + 700;
        QTest::newRow("speak after it came") << true << 300 << -1;
    }

    void noSoundOutputIsToldOncePerRun()
    {
        QFETCH(bool, speaks);
        QFETCH(int, reachedAfter);
        QFETCH(int, toldBefore);
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
            bench.editor()->setText(QStringLiteral("Hello."));
            bench.main.cmdSpkText_Click();
        }
        const int waited = toldBefore >= 0 ? toldBefore : app::Main::kSoundOutputGraceMs + 1000;
        QTRY_VERIFY_WITH_TIMEOUT(!bench.boxes.boxes().isEmpty() || shown.elapsed() > waited,
                                 waited + 1000);
        QCOMPARE(bench.boxes.boxes().size(), toldBefore >= 0 ? 1 : 0);
        if (toldBefore < 0) {
            return;
        }
        const QString text = bench.boxes.boxes().constLast().text;
        QVERIFY2(text.contains(QLatin1String("No sound output")) &&
                     text.contains(QLatin1String("recording")),
                 qPrintable(text));
        // Once a run, however often the output is found missing again.
        Q_EMIT bench.speech.SoundOutputMissing();
        bench.editor()->setText(QStringLiteral("Hello again."));
        bench.main.cmdSpkText_Click();
        QTest::qWait(app::Main::kSoundOutputCheckMs + 200);
        QCOMPARE(bench.boxes.boxes().size(), 1);
    }

    // A new text while the old one is spoken (or paused) stops that speech first: a file
    // opened, dropped on the window or on its editor (read by its content), or handed over
    // by a second copy. A file that cannot be opened changes nothing; a dropped selection is
    // typed in and the speech goes on.
    void newTextStopsTheSpeechOfTheOld_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("paused");
        QTest::addColumn<QString>("file"); // none: words are dropped
        QTest::addColumn<QString>("text"); // the editor's afterwards
        const QString file = scratchFile(QStringLiteral("new.txt"));
        const QString newText = QStringLiteral("The new text.");
        QTest::newRow("open") << "open" << false << file << newText;
        QTest::newRow("drop") << "drop" << false << file << newText;
        QTest::newRow("drop while paused") << "drop" << true << file << newText;
        QTest::newRow("hand-off") << "hand-off" << false << file << newText;
        QTest::newRow("drop on the editor")
            << "drop on the editor" << false << testfiles::fixture(QStringLiteral("sample.html"))
            << testfiles::expectedText(QStringLiteral("sample")).simplified();
        QTest::newRow("open of a missing file")
            << "open" << false << scratchFile(QStringLiteral("missing.txt")) << kOldText;
        QTest::newRow("words dropped on the editor")
            << "drop on the editor" << false << QString() << QStringLiteral("dropped words");
    }

    void newTextStopsTheSpeechOfTheOld()
    {
        QFETCH(QString, how);
        QFETCH(bool, paused);
        QFETCH(QString, file);
        QFETCH(QString, text);
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
        if (how == QLatin1String("open")) {
            bench.dialogs.queueFile(
                platform::FileDialogResult{file, QFileInfo(file).fileName(), 1});
            bench.image("cmdOpen")->click();
        } else if (how == QLatin1String("hand-off")) {
            bench.main.openFile(file);
        } else {
            QVERIFY(windowtest::dragAndDrop(
                how == QLatin1String("drop") ? &bench.main : editor->viewport(), data));
        }
        const bool replaced = QFile::exists(file);
        QCOMPARE(status->text(), replaced ? QStringLiteral("STOPPED") : before);
        QCOMPARE(bench.speech.isPaused(), paused && !replaced);
        if (file.isEmpty()) {
            QVERIFY2(editor->text().contains(text) && editor->text().contains(kOldText),
                     qPrintable(editor->text()));
        } else {
            QCOMPARE(file.endsWith(QLatin1String(".html")) ? editor->text().simplified()
                                                           : editor->text(),
                     text);
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
             QDir(QStringLiteral(PARLANZA_HELP_SOURCE)).entryInfoList({QStringLiteral("*.htm")})) {
            const QByteArray source = testfiles::read(page.filePath());
            QVERIFY2(
                compiled.object(page.fileName()) == source,
                qPrintable(page.fileName() + QStringLiteral(" differs: run tools/build-help.sh")));
            QTextDocument document;
            document.setHtml(QString::fromUtf8(source));
            help += document.toPlainText().simplified() + u' ';
        }
        QStringList named;
        platform::MenuBar* menu = bench.main.menuBar();
        for (qint32 id = 1; id <= menu->count(); ++id) {
            if (QAction* action = menu->action(id); action && !action->isSeparator()) {
                named << platform::withoutAccessMarks(action->text());
                named << action->shortcut().toString(QKeySequence::NativeText);
            }
        }
        for (QWidget* control : bench.main.findChildren<QWidget*>()) {
            named
                << control->property(platform::AccessibleButton::kShortcutsProperty).toStringList();
        }
        named.removeAll(QString());
        QVERIFY(named.size() > 20);
        QStringList missing;
        for (const QString& name : std::as_const(named)) {
            if (!help.contains(name)) {
                missing << name;
            }
        }
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QStringLiteral(" | "))));
    }

    // Role, name, states, actions; Press, Space, Return and keypad Enter all run the click,
    // and a disabled button answers none of them. Each kind, pushed, checked and as an option:
    // an image option button is quiet once set, skinned check and option buttons never click.
    void buttons()
    {
        const std::tuple<const char*, int, QString, int> rows[] = {
            {"bevel", 0, "Speak", 4},   {"bevel", 1, "Speak", 4},  {"bevel", 2, "Speak", 4},
            {"image", 0, "Close", 4},   {"image", 1, "Close", 4},  {"image", 2, "Close", 1},
            {"skinned", 0, "Close", 4}, {"skinned", 1, "Loud", 0}, {"skinned", 2, "Loud", 0}};
        for (const auto& [kind, behaviour, name, clicks] : rows) {
            Button button(kind, behaviour);
            QVERIFY(button.active);
            QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(button.widget);
            const QAccessible::Role roles[] = {QAccessible::PushButton, QAccessible::CheckBox,
                                               QAccessible::RadioButton};
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
        Button button(QStringLiteral("bevel"), 0);
        auto* bevel = static_cast<bevel::bvlBUTTON*>(button.widget);
        QStringList heard;
        connect(bevel, &bevel::bvlBUTTON::KeyDown, this,
                [&heard](qint16 key) { heard << QStringLiteral("down %1").arg(key); });
        connect(bevel, &bevel::bvlBUTTON::KeyPress, this,
                [&heard](qint16 key) { heard << QStringLiteral("press %1").arg(key); });
        connect(bevel, &bevel::bvlBUTTON::KeyUp, this,
                [&heard](qint16 key) { heard << QStringLiteral("up %1").arg(key); });
        connect(bevel, &bevel::bvlBUTTON::Click, this,
                [&heard] { heard << QStringLiteral("click"); });
        QTest::keyPress(bevel, Qt::Key_Return);
        QVERIFY(bevel->stateWord() & bevel::bvlBUTTON::kStatePressed);
        QTest::keyRelease(bevel, Qt::Key_Return);
        QCOMPARE(heard, QStringList({"down 13", "press 13", "up 13", "click"}));
        QCOMPARE(bevel->stateWord() & bevel::bvlBUTTON::kStatePressed, 0);
    }

    // Return and Escape that no control takes press the form's default and cancel buttons.
    void defaultAndCancelButtons()
    {
        Button button(QStringLiteral("image"), 0);
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

    // Arrows, pages, Home and End from 150 in 50..270, across and upright; Scroll stays the
    // thumb drag's.
    void scrollBarKeys()
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

    void valueInterfaces()
    {
        skinned::UcScroll bar;
        bar.setMax(270);
        bar.setMin(50);
        bar.setSmallChange(10);
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&bar);
        QCOMPARE(iface->role(), QAccessible::Slider);
        QAccessibleValueInterface* value = iface->valueInterface();
        QCOMPARE(value->minimumValue().toInt(), 50);
        QCOMPARE(value->maximumValue().toInt(), 270);
        QCOMPARE(value->minimumStepSize().toInt(), 10);
        QSignalSpy changed(&bar, &skinned::UcScroll::Change);
        value->setCurrentValue(199.6);
        QCOMPARE(bar.Value(), 200);
        QCOMPARE(changed.count(), 1);
        value->setCurrentValue(900);
        QCOMPARE(value->currentValue().toInt(), 270);
        iface->actionInterface()->doAction(QAccessibleActionInterface::decreaseAction());
        QTRY_COMPARE(iface->text(QAccessible::Value), QStringLiteral("260"));

        skinned::UcProgress progress;
        progress.setValue(40);
        QAccessibleInterface* shown = QAccessible::queryAccessibleInterface(&progress);
        QCOMPARE(shown->role(), QAccessible::ProgressBar);
        shown->valueInterface()->setCurrentValue(90);
        QCOMPARE(shown->valueInterface()->currentValue().toInt(), 40);
        QCOMPARE(shown->valueInterface()->maximumValue().toInt(), 100);
    }

    void editor()
    {
        QWidget form;
        auto* editor = new editor::RichTextBox(&form);
        auto* after = new QLineEdit(&form);
        editor->setGeometry(0, 0, 300, 200);
        after->move(0, 210);
        form.show();
        editor->setFocus();
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(editor);
        QCOMPARE(iface->role(), QAccessible::EditableText);
        QVERIFY(iface->state().editable && iface->state().multiLine);
        QAccessibleTextInterface* text = iface->textInterface();
        QVERIFY(text && iface->editableTextInterface());

        QTest::keyClicks(editor, QStringLiteral("Hello"));
        QTest::keyClick(editor, Qt::Key_Tab);
        QTest::keyClicks(editor, QStringLiteral("world"));
        QCOMPARE(text->text(0, text->characterCount()), QStringLiteral("Hello\tworld"));
        QCOMPARE(text->cursorPosition(), 11);

        text->setSelection(0, 1, 4);
        QCOMPARE(editor->selText(), QStringLiteral("ell"));
        int start = 0;
        int end = 0;
        text->selection(0, &start, &end);
        QCOMPARE(std::pair(start, end), std::pair(1, 4));
        iface->editableTextInterface()->replaceText(0, 5, QStringLiteral("Goodbye"));
        iface->editableTextInterface()->deleteText(7, 8);
        iface->editableTextInterface()->insertText(7, QStringLiteral(", "));
        QCOMPARE(editor->text(), QStringLiteral("Goodbye, world"));

        const QRect letter = text->characterRect(9);
        QVERIFY(letter.width() > 0 && letter.height() > 0);
        QCOMPARE(text->offsetAtPoint(letter.center()), 9);

        // Ctrl+Tab leaves the editor, which Tab does not.
        QTest::keyClick(editor, Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(form.focusWidget(), after);
    }

    // The window: a frame named by its title, without the hidden editor; the numbers and
    // the status tied to what they label; Tab in reading order and round again.
    void mainWindow()
    {
        Workbench window;
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&window.main);
        QCOMPARE(iface->role(), QAccessible::Window);
        QCOMPARE(iface->text(QAccessible::Name), QStringLiteral("Parlanza"));
        QList<QObject*> children;
        for (int i = 0; i < iface->childCount(); ++i) {
            children << iface->child(i)->object();
            QCOMPARE(iface->indexOfChild(iface->child(i)), i);
        }
        QVERIFY(children.contains(window.control<QWidget>("RichTextBox1")));
        QVERIFY(!children.contains(window.control<QWidget>("RTFtemp")));

        const auto labels = [&window](const char* name) {
            QStringList texts;
            for (const auto& [other, relation] :
                 QAccessible::queryAccessibleInterface(window.control<QWidget>(name))
                     ->relations(QAccessible::Label)) {
                texts << other->text(QAccessible::Name);
            }
            texts.sort();
            return texts;
        };
        window.speed()->setValue(200);
        QCOMPARE(labels("scrSpeed"), QStringList({"200", "SPEED"}));
        QCOMPARE(labels("lblStatus"), QStringList({"STATUS"}));

        QStringList order;
        QWidget* start = window.control<QWidget>("cmdOpen");
        for (QWidget* w = start->nextInFocusChain(); w != start; w = w->nextInFocusChain()) {
            if (w->parentWidget() == &window.main && !w->isHidden() &&
                (w->focusPolicy() & Qt::TabFocus)) {
                order << w->objectName();
            }
        }
        QCOMPARE(order.join(QLatin1Char(' ')),
                 QStringLiteral("cmdFont cmdBold cmdItalic cmdForeColor cmdBackColor cmdCut "
                                "cmdCopy cmdPaste cmdDelete cmdClear cmdAll cboZoom "
                                "RichTextBox1 lstVoice scrSpeed scrPitch cmdSpkText cmdPauseText "
                                "cmdStopText cmdRec cmdSaveFile cmdClearText txtFile UcCmd3 "
                                "UcCmd2 UcCmd1"));
    }

    // Each shortcut does what its button's click does (after SPEAK, for PAUSE and STOP),
    // and nothing while the button is disabled.
    void shortcuts()
    {
        const std::pair<QKeySequence, QString> rows[] = {
            {QKeySequence(Qt::Key_F5), "SPEAKING"},
            {QKeySequence(Qt::CTRL | Qt::Key_Return), "SPEAKING"},
            {QKeySequence(Qt::Key_F6), "PAUSED"},
            {QKeySequence(Qt::CTRL | Qt::Key_Space), "PAUSED"},
            {QKeySequence(Qt::Key_Escape), "STOPPED"},
            {QKeySequence(Qt::CTRL | Qt::Key_R), "RECORDING"}};
        for (const auto& [keys, status] : rows) {
            Workbench window;
            QVERIFY(QTest::qWaitForWindowActive(&window.main));
            window.editor()->setText(QStringLiteral("Hi"));
            window.fileBox()->setText(scratchFile(QStringLiteral("typed.wav")));
            if (status == QLatin1String("PAUSED") || status == QLatin1String("STOPPED")) {
                window.main.cmdSpkText_Click();
            }
            QWidget* focus = QApplication::focusWidget();
            QTest::keySequence(focus, keys);
            QLabel* label = window.label("lblStatus");
            QCOMPARE(label->text(), status);
            if (status == QLatin1String("PAUSED")) {
                QTest::keySequence(focus, keys); // resumes
                window.control<QWidget>("cmdPauseText")->setEnabled(false);
                QTest::keySequence(focus, keys);
                QCOMPARE(label->text(), QStringLiteral("SPEAKING"));
            }
        }
    }
};

QTEST_MAIN(tst_Main)
#include "tst_Main.moc"
