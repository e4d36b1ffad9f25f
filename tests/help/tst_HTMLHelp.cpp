#include "TestFiles.h"
#include "help/HTMLHelp.h"
#include "helpviewer/ChmHelpViewer.h"
#include "helpviewer/HelpWindow.h"
#include "helpviewer/TestPeImage.h"
#include "platform/AppInfo.h"
#include "platform/Registry.h"
#include "support/FakeMessageBoxService.h"

#include <QCursor>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <QWhatsThis>

using namespace helpviewer;
using testfiles::write;

namespace {

const QString ViewerClass = "{4662DAB0-D393-11D0-9A56-00C04FB68B66}\\InprocServer32";
const QString BrowserClass = "{0A89A860-D7B1-11CE-8350-444553540000}\\InProcServer32";

struct HelpCall
{
    QWidget* caller = nullptr;
    QString file;
    HelpCommand command = HelpCommand::DisplayTopic;
    HelpData data;
};

// A call as the viewer received it: file, command and data, values left out as "-".
QString describe(const HelpCall& call)
{
    const auto text = [](const std::optional<QString>& value) { return value.value_or("-"); };
    QStringList parts{call.file, QString::number(int(call.command))};
    if (const auto* number = std::get_if<quintptr>(&call.data)) {
        parts << QString::number(*number);
    } else if (const auto* path = std::get_if<QString>(&call.data)) {
        parts << *path;
    } else if (const auto* query = std::get_if<HelpFtsQuery>(&call.data)) {
        parts << QString::number(query->structSize) << query->searchQuery << query->windowName
              << (query->execute ? "execute" : "wait");
    } else if (const auto* link = std::get_if<HelpAkLink>(&call.data)) {
        parts << QString::number(link->structSize) << text(link->keywords) << text(link->url)
              << text(link->msgText) << text(link->msgTitle) << text(link->window)
              << (link->indexOnFail ? "index" : "no index");
    }
    return parts.join(" | ");
}

// Records what the wrapper hands the viewer, also spelled out, and answers with a fixed window.
class RecordingHelpViewer final : public HelpViewer
{
public:
    RecordingHelpViewer() { helpviewer::setCurrentHelpViewer(this); }
    ~RecordingHelpViewer() override { helpviewer::setCurrentHelpViewer(nullptr); }
    RecordingHelpViewer(const RecordingHelpViewer&) = delete;
    RecordingHelpViewer& operator=(const RecordingHelpViewer&) = delete;

    HelpWindowHandle htmlHelp(QWidget* caller, const QString& file, HelpCommand command,
                              const HelpData& data) override
    {
        calls.append({caller, file, command, data});
        described << describe(calls.last());
        return answer;
    }
    bool deleteSystemMenuItem(HelpWindowHandle window, unsigned command) override
    {
        deleted.append({window, command});
        return false;
    }

    QList<HelpCall> calls;
    QStringList described;
    QList<std::pair<HelpWindowHandle, unsigned>> deleted;
    HelpWindowHandle answer = 0x4242;
};

using DisplayCall = void (help::HTMLHelp::*)(QWidget*);

} // namespace

// The calls that end in a message box, each with the one argument it takes: displaying,
// the window handle, registering (once, twice, in a locked registry), unregistering, a
// component's version, a pop-up.
enum class Call { Display, Handle, Register, Twice, Locked, Unregister, Viewer, Browser, Popup };
Q_DECLARE_METATYPE(Call)
Q_DECLARE_METATYPE(DisplayCall)
Q_DECLARE_METATYPE(helpviewer::HelpCommand)

class tst_HTMLHelp : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    std::unique_ptr<platform::Registry> m_registry;
    std::unique_ptr<support::FakeMessageBoxService> m_boxes;
    std::unique_ptr<RecordingHelpViewer> m_viewer;
    QString m_manual;    // a help file with a folder
    QString m_localName; // a help file's bare name, in the program's folder

    void registerComponent(const QString& classKey, const QString& path)
    {
        std::optional<platform::RegistryKey> key =
            m_registry->createKey(platform::RegistryRoot::ClassesRoot, "CLSID\\" + classKey,
                                  platform::registry_access::AllAccess);
        QVERIFY(key);
        QVERIFY(m_registry->setValue(*key, {QString(), platform::RegistryValueType::String, path}));
    }

    using Version = std::array<quint16, 4>;
    void installVersions(const Version& viewer, const Version& browser)
    {
        const QString viewerFile = m_dir.filePath("hhctrl.ocx");
        const QString browserFile = m_dir.filePath("shdocvw.dll");
        QVERIFY(write(viewerFile, testpe::image(viewer[0], viewer[1], viewer[2], viewer[3])));
        QVERIFY(write(browserFile, testpe::image(browser[0], browser[1], browser[2], browser[3])));
        registerComponent(ViewerClass, viewerFile);
        registerComponent(BrowserClass, browserFile);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_manual = m_dir.filePath("Manual.chm");
        QVERIFY(write(m_manual, "ITSF"));
        m_localName = QString("tst_HTMLHelp_%1.chm").arg(QCoreApplication::applicationPid());
        QVERIFY(write(platform::programFile(m_localName), "ITSF"));
    }

    void cleanupTestCase() { QFile::remove(platform::programFile(m_localName)); }

    void init()
    {
        static int count = 0;
        m_registry = std::make_unique<platform::Registry>(
            m_dir.filePath(QString("registry%1.json").arg(++count)));
        platform::Registry::setCurrent(m_registry.get());
        m_boxes = std::make_unique<support::FakeMessageBoxService>();
        m_viewer = std::make_unique<RecordingHelpViewer>();
    }

    void cleanup()
    {
        m_viewer.reset();
        m_boxes.reset();
        platform::Registry::setCurrent(nullptr);
        m_registry.reset();
    }

    // The command and the data each sends (in the look-ups the texts that are set travel,
    // the others are left out).
    void displayOperationsSendTheirCommand_data()
    {
        QTest::addColumn<DisplayCall>("display");
        QTest::addColumn<HelpCommand>("command");
        QTest::addColumn<QString>("data");
        const auto row = [](const char* name, DisplayCall display, HelpCommand command,
                            const QString& data) {
            QTest::newRow(name) << display << command << data;
        };
        using H = help::HTMLHelp;
        const QString link = "28 | %1 | default.htm | - | - | Main | no index";
        row("topic url", &H::HHDisplayTopicURL, HelpCommand::DisplayTopic, "/pages/intro.htm");
        row("topic id", &H::HHDisplayTopicID, HelpCommand::HelpContext, "4294967294");
        row("search", &H::HHDisplaySearch, HelpCommand::DisplaySearch, "32 |  |  | execute");
        row("index", &H::HHDisplayIndex, HelpCommand::DisplayIndex, "0");
        row("contents", &H::HHDisplayContents, HelpCommand::DisplayToc, "0");
        row("alink", &H::HHDisplayALink, HelpCommand::ALinkLookup, link.arg("Recording"));
        row("keyword", &H::HHDisplayKeyword, HelpCommand::KeywordLookup, link.arg("speed;tone"));
    }

    void displayOperationsSendTheirCommand()
    {
        QFETCH(DisplayCall, display);
        QFETCH(HelpCommand, command);
        QFETCH(QString, data);
        help::HTMLHelp help;
        help.setCHMFile(m_manual);
        help.setHHWindow("Main");
        help.setHHTopicURL("/pages/intro.htm");
        help.setHHTopicID(-2);
        help.setHHKeyword("speed;tone");
        help.setHHALink("Recording");
        help.setHHDefaultURL("default.htm");
        QWidget caller;
        (help.*display)(&caller);

        QVERIFY(m_boxes->boxes().isEmpty());
        QStringList expected;
        if (command == HelpCommand::KeywordLookup) {
            // The file is opened first, without the window type, on its default topic.
            expected << m_manual + " | 0 | 0";
        }
        expected << m_manual + ">Main | " + QString::number(int(command)) + " | " + data;
        QCOMPARE(m_viewer->described, expected);
        QCOMPARE(m_viewer->calls.last().caller, nullptr); // not on top: owned by the desktop
        QCOMPARE(help.HHWndHandle(), m_viewer->answer);

        // On top, the caller owns the window.
        help.setHHShowOnTop(true);
        (help.*display)(&caller);
        QCOMPARE(m_viewer->calls.last().caller, &caller);
    }

    // A blank window type is no window type: no suffix and no name; the messages travel
    // without a default topic.
    void lookUpRecordLeavesOutWhatIsBlank()
    {
        help::HTMLHelp help;
        help.setCHMFile(m_manual);
        help.setHHWindow("   ");
        help.setHHMsgText("Nothing found");
        help.setHHMsgTitle("Look-up");
        help.HHDisplayALink();
        QCOMPARE(
            m_viewer->described,
            QStringList{m_manual + " | 19 | 28 |  | - | Nothing found | Look-up | - | no index"});
    }

    // Each text with %1 for the call's argument.
    void messageBoxes_data()
    {
        QTest::addColumn<Call>("call");
        QTest::addColumn<QString>("argument");
        QTest::addColumn<platform::MessageIcon>("icon");
        QTest::addColumn<QString>("text");
        const auto row = [](const char* name, Call call, const QString& argument,
                            platform::MessageIcon icon, const QString& text) {
            QTest::newRow(name) << call << argument << icon << text;
        };
        const platform::MessageIcon warning = platform::MessageIcon::Exclamation;
        const platform::MessageIcon error = platform::MessageIcon::Critical;
        const platform::MessageIcon information = platform::MessageIcon::Information;
        row("not a help file", Call::Display, "help.txt", warning,
            "%1 is not a valid HTML Help file.");
        row("missing help file", Call::Display, m_dir.filePath("Gone.CHM"), warning,
            "The file %1 does not exist.\nPlease make sure the correct path and file name have "
            "been specified.");
        row("no window handle", Call::Handle, "", warning,
            "No HTML Help window handle to retrieve.");
        row("registered twice", Call::Twice, m_manual, information,
            "The file %1 is already registered.  HHRegister will not be run as no action need be "
            "taken.");
        row("unregistered, not registered", Call::Unregister, m_manual, information,
            "The file %1 is not registered.  HHUnRegister will not be run as no action need be "
            "taken.");
        // A bare name cannot be registered, even when the program's folder has it.
        row("registered without a folder", Call::Register, m_localName, warning,
            "Cannot register %1 without having a supplied path.\"");
        row("registry locked", Call::Locked, m_manual, warning,
            "HTML Help Class: HHRegister Error");
        row("viewer not registered", Call::Viewer, "", error,
            "Hhctrl.ocx is not registered.  Please install HTML Help.");
        row("browser not registered", Call::Browser, "", error,
            "Shdocvw.dll is not registered.  Please install Internet Explorer.");
        row("viewer not in place", Call::Viewer, "/nowhere/hhctrl.ocx", error,
            "Hhctrl.ocx is not in its registered location.  Please reinstall HTML Help.");
        row("browser not in place", Call::Browser, "/nowhere/shdocvw.dll", error,
            "Internet Explorer is not in its registered location.  Please reinstall Internet "
            "Explorer.");
        row("pop-up source not text", Call::Popup, "cs.htm", warning,
            "The file specified as the text popup source, '%1', is not a valid popup file.");
    }

    void messageBoxes()
    {
        QFETCH(Call, call);
        QFETCH(QString, argument);
        QFETCH(platform::MessageIcon, icon);
        QFETCH(QString, text);
        help::HTMLHelp help;
        switch (call) {
        case Call::Display:
            help.setCHMFile(argument);
            help.HHDisplayTopicID();
            break;
        case Call::Handle:
            help.HHWndHandle();
            break;
        case Call::Twice:
            help.HHRegister(argument);
            [[fallthrough]];
        case Call::Register:
            help.HHRegister(argument);
            break;
        case Call::Locked: {
            // The registry cannot be written: its file is a folder.
            const QString folder = m_dir.filePath("locked.json");
            QVERIFY(QDir().mkpath(folder));
            platform::Registry locked(folder);
            platform::Registry::setCurrent(&locked);
            help.HHRegister(argument);
            platform::Registry::setCurrent(m_registry.get());
            break;
        }
        case Call::Unregister:
            help.HHUnRegister(argument);
            break;
        case Call::Viewer:
        case Call::Browser:
            if (!argument.isEmpty()) {
                registerComponent(call == Call::Viewer ? ViewerClass : BrowserClass, argument);
            }
            QVERIFY((call == Call::Viewer ? help.HHVersion() : help.IEVersion()).isEmpty());
            break;
        case Call::Popup:
            help.setCHMFile(m_manual);
            help.setHHPopupType(1);
            help.setHHPopupFile(argument);
            help.HHDisplayPopup(nullptr);
            break;
        }
        QVERIFY(m_viewer->calls.isEmpty());
        QCOMPARE(m_boxes->boxes().size(), 1);
        const platform::MessageBoxRequest& box = m_boxes->boxes().first();
        QCOMPARE(box.text, text.contains(u'%') ? text.arg(argument) : text);
        QCOMPARE(box.title, "HTML Help Class");
        QCOMPARE(box.icon, icon);
        QCOMPARE(box.buttons, platform::MessageButtons::Ok);
        QCOMPARE(box.owner, nullptr);
    }

    // Registering stores the file's folder under its name; a bare name is then looked for
    // there, whatever its case, and in the program's folder while it is not registered.
    void registersAndUnregisters()
    {
        help::HTMLHelp help;
        help.HHRegister(QString());
        help.HHCheckRegistry(QString());
        help.setCHMFile(m_localName);
        help.HHDisplayTopicID();
        QCOMPARE(help.CHMFile(), platform::programFile(m_localName));
        help.HHRegister(m_manual);
        help.setCHMFile("MANUAL.chm");
        help.HHDisplayTopicID();
        QCOMPARE(help.CHMFile(), m_manual);
        QCOMPARE(m_viewer->described, QStringList({platform::programFile(m_localName) + " | 15 | 0",
                                                   m_manual + " | 15 | 0"}));
        QVERIFY(m_boxes->boxes().isEmpty());
        QCOMPARE(help.HHRegFileName(), "Manual.chm");
        QCOMPARE(help.HHRegFilePath(), m_dir.path());
        QVERIFY(help.HHRegFileExists());
        std::optional<platform::RegistryKey> key = m_registry->openKey(
            platform::RegistryRoot::LocalMachine, "Software\\Microsoft\\Windows\\HTML Help",
            platform::registry_access::Read);
        QVERIFY(key);
        QCOMPARE(m_registry->queryValue(*key, "Manual.chm")->data, m_dir.path());

        help.HHUnRegister("manual.chm");
        QVERIFY(m_boxes->boxes().isEmpty());
        QVERIFY(help.HHRegFileName().isEmpty() && help.HHRegFilePath().isEmpty());
        QVERIFY(!help.HHRegFileExists());
        QVERIFY(!m_registry->queryValue(*key, "Manual.chm"));

        // Refused registrations write nothing.
        help.HHRegister(m_localName);
        help.HHRegister("/nowhere/Other.chm");
        help.HHRegister("/nowhere/notes.txt");
        QVERIFY(help.HHRegFileName().isEmpty());
        QCOMPARE(m_registry->values(*key).value_or(QList<platform::RegistryValue>{{}}).size(), 0);

        // A registered file that has since gone reads as registered but missing.
        const QString doomed = m_dir.filePath("Doomed.chm");
        QVERIFY(write(doomed, "ITSF"));
        help.HHRegister(doomed);
        QFile::remove(doomed);
        m_boxes->clear();
        help.HHCheckRegistry("Doomed.chm");
        QCOMPARE(help.HHRegFileName(), "Doomed.chm");
        QVERIFY(!help.HHRegFileExists());
        QCOMPARE(m_boxes->boxes().size(), 1);
        QVERIFY(m_boxes->boxes().last().text.contains(doomed + " does not exist"));
    }

    // Without the components nothing is known (their messages are the message-box test's);
    // installed, their versions and names are read and checked against the minimums a code
    // asks for: the versions installed, the codes, and whether they pass.
    void readsAndVerifiesComponentVersions()
    {
        help::HTMLHelp help;
        QVERIFY(!help.HHInstalled());
        QCOMPARE(help.HHFriendlyName(), "unknown");
        m_boxes->clear();
        const Version viewer13{4, 74, 8702, 0};
        const Version ie501{5, 0, 2919, 6307};
        installVersions(viewer13, ie501);
        QCOMPARE(QStringList({help.HHVersion(), help.HHFriendlyName(), help.IEVersion(),
                              help.IEFriendlyName()}),
                 QStringList({"4.74.8702.00", "1.3", "5.00.2919.6307", "5.01"}));
        QVERIFY(m_boxes->boxes().isEmpty());
        QVERIFY(m_registry->createKey(
            platform::RegistryRoot::LocalMachine,
            "SOFTWARE\\Classes\\TypeLib\\{ADB880A2-D8FF-11CF-9377-00AA003B7A11}",
            platform::registry_access::AllAccess));
        QVERIFY(help.HHInstalled());

        const std::tuple<Version, Version, int, int, bool> rows[] = {
            // Compared as numbers: 6307 is newer than 800 (as text it would be older).
            {viewer13, ie501, 26, 272, true},
            {viewer13, ie501, 26, 274, true}, // the minimum itself
            {{4, 72, 7290, 0}, ie501, 17, 256, false},
            {viewer13, {5, 0, 2717, 2000}, 16, 270, true}, // a minimum with fewer digits
            {viewer13, {5, 0, 2717, 1999}, 16, 270, false},
            {viewer13, ie501, 27, 256, false}, // unknown codes
            {viewer13, ie501, 16, 255, false}};
        for (const auto& [viewer, browser, viewerCode, browserCode, passes] : rows) {
            installVersions(viewer, browser);
            QVERIFY2(help::HTMLHelp().HHVerifyMinConfig(viewerCode, browserCode) == passes,
                     qPrintable(QString("%1 %2").arg(viewerCode).arg(browserCode)));
        }
    }

    // The type (4 literal, 2 a string resource, 1 a help file's text, 3 unknown), the text
    // and file, whether the pop-up is shown, and whether in its own colours and font.
    void popups()
    {
        const QString hello = "Hello";
        const std::tuple<int, QString, QString, bool, bool> rows[] = {
            {4, hello, {}, true, false},    {4, hello, {}, true, true},
            {4, {}, {}, false, false},      {2, {}, {}, true, false},
            {1, {}, "cs.TXT", true, false}, {3, hello, {}, false, false}};
        for (const auto& [type, text, popupFile, sent, custom] : rows) {
            m_viewer->calls.clear();
            m_boxes->clear(); // the last row's handle check told there was no window
            help::HTMLHelp help;
            help.setCHMFile(m_manual);
            if (custom) {
                help.setHHPopupCustomColors(true);
                help.setHHPopupTextFont("Courier");
                help.setHHPopupTextSize("14");
                help.setHHPopupTextBold(true);
                help.setHHPopupTextItalic(true);
                help.setHHPopupTextUnderline(true);
            }
            help.setHHPopupType(type);
            help.setHHPopupText(text);
            help.setHHPopupFile(popupFile);
            help.setHHPopupID(17);
            help.setHHPopupTextColor(platform::rgb(1, 2, 3));
            help.setHHPopupBackColor(platform::rgb(4, 5, 6));
            help.setHHPopupCustomTextColor(platform::rgb(7, 8, 9));
            help.setHHPopupCustomBackColor(platform::rgb(10, 11, 12));
            QWidget caller;
            QCursor::setPos(123, 45);
            help.HHDisplayPopup(&caller);
            QCOMPARE(m_viewer->calls.size(), sent ? 1 : 0);
            QVERIFY(m_boxes->boxes().isEmpty());
            if (!sent) {
                continue;
            }
            const HelpCall& call = m_viewer->calls.first();
            QCOMPARE(int(call.command), int(HelpCommand::DisplayTextPopup));
            QCOMPARE(call.caller, &caller);
            QCOMPARE(call.file, type == 1 ? m_manual + "::/cs.TXT" : QString());
            const HelpPopup& popup = std::get<HelpPopup>(call.data);
            QCOMPARE(popup.instance, quintptr(0));
            QCOMPARE(popup.textId, type == 4 ? 0u : 17u);
            QCOMPARE(popup.text.has_value(), type == 4);
            QCOMPARE(popup.position, QCursor::pos());
            QCOMPARE(popup.foreground, custom ? platform::rgb(7, 8, 9) : platform::rgb(1, 2, 3));
            QCOMPARE(popup.background, custom ? platform::rgb(10, 11, 12) : platform::rgb(4, 5, 6));
            QCOMPARE(popup.margins, QRect(QPoint(-1, -1), QPoint(-1, -1)));
            QCOMPARE(popup.font,
                     custom ? "Courier, 14, ascii, Bold Italic Underline" : "Arial, 10, ascii, ");
            QCOMPARE(help.HHWndHandle(), HelpWindowHandle(0)); // pop-ups keep no window
        }
    }

    void closeSystemMenuAndWhatsThis()
    {
        help::HTMLHelp help;
        help.HHClose();
        QCOMPARE(m_viewer->described, QStringList{" | 18 | 0"});
        QCOMPARE(m_viewer->calls.first().caller, nullptr);
        help.HHDeleteJumpURLSysMenu(0x77);
        QCOMPARE(m_viewer->deleted, (QList{std::make_pair(HelpWindowHandle(0x77), 0xEFFFu)}));

        // What's This help needs a window to start from.
        help.HHInvokeWhatsThisHelp(nullptr);
        QVERIFY(!QWhatsThis::inWhatsThisMode());
        QWidget caller;
        help.HHInvokeWhatsThisHelp(&caller);
        QVERIFY(QWhatsThis::inWhatsThisMode());
        QWhatsThis::leaveWhatsThisMode();
    }

    void howToUseOpensTheRealHelp()
    {
        // What the program's Help, How to Use command does, with the real viewer.
        m_viewer.reset();
        ChmHelpViewer viewer;
        helpviewer::setCurrentHelpViewer(&viewer);
        help::HTMLHelp help;
        help.setCHMFile(PARLANZA_HELP_FILE);
        help.setHHTopicID(1);
        help.setHHWindow("Main");
        help.HHDisplayTopicID();
        QVERIFY(m_boxes->boxes().isEmpty());
        const HelpWindowHandle handle = help.HHWndHandle();
        HelpWindow* window = viewer.window(handle);
        QVERIFY(window && window->isVisible());
        QCOMPARE(window->windowTitle(), "Parlanza Help");
        QCOMPARE(window->geometry(), QRect(80, 60, 840, 640)); // the window type's place
        QCOMPARE(window->currentTopic(), "/howto.htm");
        QCOMPARE(window->contentsTree()->currentItem()->text(0), "How to Use");
        // The same file and window type come back to the same window.
        help.setHHWindow("main");
        help.setHHTopicURL("zoom.htm");
        help.HHDisplayTopicURL();
        QCOMPARE(help.HHWndHandle(), handle);
        QCOMPARE(window->currentTopic(), "/zoom.htm");
        help.HHClose();
        QVERIFY(!viewer.window(help.HHWndHandle()));
        helpviewer::setCurrentHelpViewer(nullptr);
    }
};

QTEST_MAIN(tst_HTMLHelp)
#include "tst_HTMLHelp.moc"
