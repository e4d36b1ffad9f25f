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

const QString BoxTitle = QStringLiteral("HTML Help Class");
const QString ViewerClass =
    QStringLiteral("{4662DAB0-D393-11D0-9A56-00C04FB68B66}\\InprocServer32");
const QString BrowserClass =
    QStringLiteral("{0A89A860-D7B1-11CE-8350-444553540000}\\InProcServer32");

struct HelpCall
{
    QWidget* caller = nullptr;
    QString file;
    HelpCommand command = HelpCommand::DisplayTopic;
    HelpData data;
};

// Records what the wrapper hands the viewer and answers with a fixed window.
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
        return answer;
    }
    bool deleteSystemMenuItem(HelpWindowHandle window, unsigned command) override
    {
        deleted.append({window, command});
        return false;
    }

    QList<HelpCall> calls;
    QList<std::pair<HelpWindowHandle, unsigned>> deleted;
    HelpWindowHandle answer = 0x4242;
};

using DisplayCall = void (help::HTMLHelp::*)(QWidget*);

} // namespace

// The calls that end in a message box, each with the one argument it takes.
enum class Call {
    Display,
    Handle,
    Register,
    RegisterTwice,
    RegisterLocked,
    Unregister,
    ViewerVersion,
    BrowserVersion,
    PopupSource
};
Q_DECLARE_METATYPE(Call)
Q_DECLARE_METATYPE(DisplayCall)

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
        std::optional<platform::RegistryKey> key = m_registry->createKey(
            platform::RegistryRoot::ClassesRoot, QStringLiteral("CLSID\\") + classKey,
            platform::registry_access::AllAccess);
        QVERIFY(key);
        QVERIFY(m_registry->setValue(*key, {QString(), platform::RegistryValueType::String, path}));
    }

    void installVersions(QList<int> viewer, QList<int> browser)
    {
        const QString viewerFile = m_dir.filePath(QStringLiteral("hhctrl.ocx"));
        const QString browserFile = m_dir.filePath(QStringLiteral("shdocvw.dll"));
        QVERIFY(write(viewerFile, testpe::image(viewer[0], viewer[1], viewer[2], viewer[3])));
        QVERIFY(write(browserFile, testpe::image(browser[0], browser[1], browser[2], browser[3])));
        registerComponent(ViewerClass, viewerFile);
        registerComponent(BrowserClass, browserFile);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_manual = m_dir.filePath(QStringLiteral("Manual.chm"));
        QVERIFY(write(m_manual, "ITSF"));
        m_localName = QStringLiteral("tst_HTMLHelp_%1.chm").arg(QCoreApplication::applicationPid());
        QVERIFY(write(platform::programFile(m_localName), "ITSF"));
    }

    void cleanupTestCase() { QFile::remove(platform::programFile(m_localName)); }

    void init()
    {
        static int count = 0;
        m_registry = std::make_unique<platform::Registry>(
            m_dir.filePath(QStringLiteral("registry%1.json").arg(++count)));
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

    void displayOperationsSendTheirCommand_data()
    {
        QTest::addColumn<DisplayCall>("display");
        QTest::addColumn<int>("command");
        QTest::newRow("topic url")
            << &help::HTMLHelp::HHDisplayTopicURL << int(HelpCommand::DisplayTopic);
        QTest::newRow("topic id") << &help::HTMLHelp::HHDisplayTopicID
                                  << int(HelpCommand::HelpContext);
        QTest::newRow("search") << &help::HTMLHelp::HHDisplaySearch
                                << int(HelpCommand::DisplaySearch);
        QTest::newRow("index") << &help::HTMLHelp::HHDisplayIndex << int(HelpCommand::DisplayIndex);
        QTest::newRow("contents") << &help::HTMLHelp::HHDisplayContents
                                  << int(HelpCommand::DisplayToc);
        QTest::newRow("alink") << &help::HTMLHelp::HHDisplayALink << int(HelpCommand::ALinkLookup);
        QTest::newRow("keyword") << &help::HTMLHelp::HHDisplayKeyword
                                 << int(HelpCommand::KeywordLookup);
    }
    void displayOperationsSendTheirCommand()
    {
        QFETCH(DisplayCall, display);
        QFETCH(int, command);
        help::HTMLHelp help;
        help.setCHMFile(m_manual);
        help.setHHWindow(QStringLiteral("Main"));
        help.setHHTopicURL(QStringLiteral("/pages/intro.htm"));
        help.setHHTopicID(-2);
        help.setHHKeyword(QStringLiteral("speed;tone"));
        help.setHHALink(QStringLiteral("Recording"));
        help.setHHDefaultURL(QStringLiteral("default.htm"));
        QWidget caller;
        (help.*display)(&caller);

        QVERIFY(m_boxes->boxes().isEmpty());
        const bool keyword = HelpCommand(command) == HelpCommand::KeywordLookup;
        QCOMPARE(m_viewer->calls.size(), keyword ? 2 : 1);
        if (keyword) {
            // The file is opened first, without the window type, on its default topic.
            const HelpCall& open = m_viewer->calls.first();
            QCOMPARE(open.file, m_manual);
            QCOMPARE(int(open.command), int(HelpCommand::DisplayTopic));
            QCOMPARE(std::get<quintptr>(open.data), quintptr(0));
        }
        const HelpCall& call = m_viewer->calls.last();
        QCOMPARE(call.caller, nullptr); // not on top: owned by the desktop
        QCOMPARE(call.file, m_manual + QStringLiteral(">Main"));
        QCOMPARE(int(call.command), command);
        QCOMPARE(help.HHWndHandle(), m_viewer->answer);

        switch (HelpCommand(command)) {
        case HelpCommand::DisplayTopic:
            QCOMPARE(std::get<QString>(call.data), QStringLiteral("/pages/intro.htm"));
            break;
        case HelpCommand::HelpContext:
            QCOMPARE(std::get<quintptr>(call.data), quintptr(0xFFFFFFFEu));
            break;
        case HelpCommand::DisplaySearch: {
            const HelpFtsQuery& query = std::get<HelpFtsQuery>(call.data);
            QCOMPARE(query.structSize, 32);
            QVERIFY(query.searchQuery.isEmpty() && query.windowName.isEmpty() && query.execute);
            break;
        }
        case HelpCommand::ALinkLookup:
        case HelpCommand::KeywordLookup: {
            const HelpAkLink& link = std::get<HelpAkLink>(call.data);
            QCOMPARE(link.structSize, 28);
            QCOMPARE(link.keywords,
                     keyword ? QStringLiteral("speed;tone") : QStringLiteral("Recording"));
            QCOMPARE(link.url, QStringLiteral("default.htm"));
            QVERIFY(!link.msgText && !link.msgTitle && !link.indexOnFail);
            QCOMPARE(link.window, QStringLiteral("Main"));
            break;
        }
        default:
            QCOMPARE(std::get<quintptr>(call.data), quintptr(0));
        }

        // On top, the caller owns the window.
        help.setHHShowOnTop(true);
        (help.*display)(&caller);
        QCOMPARE(m_viewer->calls.last().caller, &caller);
    }

    // Look-up texts travel only when set: here the messages without a default topic, in the
    // display test the other way round.
    void lookUpRecordLeavesOutWhatIsBlank()
    {
        help::HTMLHelp help;
        help.setCHMFile(m_manual);
        help.setHHWindow(QStringLiteral("   "));
        help.setHHMsgText(QStringLiteral("Nothing found"));
        help.setHHMsgTitle(QStringLiteral("Look-up"));
        help.HHDisplayALink();
        // A blank window type is no window type: no suffix and no name.
        QCOMPARE(m_viewer->calls.last().file, m_manual);
        const HelpAkLink& link = std::get<HelpAkLink>(m_viewer->calls.last().data);
        QVERIFY(!link.window && !link.url);
        QCOMPARE(link.msgText, QStringLiteral("Nothing found"));
        QCOMPARE(link.msgTitle, QStringLiteral("Look-up"));
    }

    // Each text with %1 for the call's argument.
    void messageBoxes_data()
    {
        QTest::addColumn<Call>("call");
        QTest::addColumn<QString>("argument");
        QTest::addColumn<platform::MessageIcon>("icon");
        QTest::addColumn<QString>("text");
        const platform::MessageIcon warning = platform::MessageIcon::Exclamation;
        const platform::MessageIcon error = platform::MessageIcon::Critical;
        const platform::MessageIcon information = platform::MessageIcon::Information;
        QTest::newRow("not a help file")
            << Call::Display << "help.txt" << warning << "%1 is not a valid HTML Help file.";
        QTest::newRow("missing help file")
            << Call::Display << m_dir.filePath(QStringLiteral("Gone.CHM")) << warning
            << "The file %1 does not exist.\nPlease make sure the correct path and file name have "
               "been specified.";
        QTest::newRow("no window handle")
            << Call::Handle << "" << warning << "No HTML Help window handle to retrieve.";
        QTest::newRow("registered twice")
            << Call::RegisterTwice << m_manual << information
            << "The file %1 is already registered.  HHRegister will not be run as no action need "
               "be taken.";
        QTest::newRow("unregistered, not registered")
            << Call::Unregister << m_manual << information
            << "The file %1 is not registered.  HHUnRegister will not be run as no action need be "
               "taken.";
        // A bare name cannot be registered, even when the program's folder has it.
        QTest::newRow("registered without a folder") << Call::Register << m_localName << warning
                                                     << "Cannot register %1 without having a "
                                                        "supplied path.\"";
        QTest::newRow("registry locked")
            << Call::RegisterLocked << m_manual << warning << "HTML Help Class: HHRegister Error";
        QTest::newRow("viewer not registered")
            << Call::ViewerVersion << "" << error
            << "Hhctrl.ocx is not registered.  Please install HTML Help.";
        QTest::newRow("browser not registered")
            << Call::BrowserVersion << "" << error
            << "Shdocvw.dll is not registered.  Please install Internet Explorer.";
        QTest::newRow("viewer not in place")
            << Call::ViewerVersion << "/nowhere/hhctrl.ocx" << error
            << "Hhctrl.ocx is not in its registered location.  Please reinstall HTML Help.";
        QTest::newRow("browser not in place")
            << Call::BrowserVersion << "/nowhere/shdocvw.dll" << error
            << "Internet Explorer is not in its registered location.  Please reinstall Internet "
               "Explorer.";
        QTest::newRow("pop-up source not text")
            << Call::PopupSource << "cs.htm" << warning
            << "The file specified as the text popup source, '%1', is not a valid popup file.";
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
        case Call::RegisterTwice:
            help.HHRegister(argument);
            [[fallthrough]];
        case Call::Register:
            help.HHRegister(argument);
            break;
        case Call::RegisterLocked: {
            // The registry cannot be written: its file is a folder.
            const QString folder = m_dir.filePath(QStringLiteral("locked.json"));
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
        case Call::ViewerVersion:
        case Call::BrowserVersion:
            if (!argument.isEmpty()) {
                registerComponent(call == Call::ViewerVersion ? ViewerClass : BrowserClass,
                                  argument);
            }
            QVERIFY((call == Call::ViewerVersion ? help.HHVersion() : help.IEVersion()).isEmpty());
            break;
        case Call::PopupSource:
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
        QCOMPARE(box.title, BoxTitle);
        QCOMPARE(box.icon, icon);
        QCOMPARE(box.buttons, platform::MessageButtons::Ok);
        QCOMPARE(box.owner, nullptr);
    }

    void bareNamesBecomeFullPaths()
    {
        help::HTMLHelp help;
        // Not registered: the program's folder.
        help.setCHMFile(m_localName);
        help.HHDisplayTopicID();
        QCOMPARE(help.CHMFile(), platform::programFile(m_localName));
        QCOMPARE(m_viewer->calls.last().file, platform::programFile(m_localName));

        // Registered: its registered folder, whatever the case of the name.
        help.HHRegister(m_manual);
        help.setCHMFile(QStringLiteral("MANUAL.chm"));
        help.HHDisplayTopicID();
        QCOMPARE(help.CHMFile(), m_manual);
        QCOMPARE(m_viewer->calls.last().file, m_manual);
        QVERIFY(m_boxes->boxes().isEmpty());
    }

    void registersAndUnregisters()
    {
        help::HTMLHelp help;
        help.HHRegister(QString());
        help.HHCheckRegistry(QString());
        help.HHRegister(m_manual);
        QVERIFY(m_boxes->boxes().isEmpty());
        QCOMPARE(help.HHRegFileName(), QStringLiteral("Manual.chm"));
        QCOMPARE(help.HHRegFilePath(), m_dir.path());
        QVERIFY(help.HHRegFileExists());
        std::optional<platform::RegistryKey> key =
            m_registry->openKey(platform::RegistryRoot::LocalMachine,
                                QStringLiteral("Software\\Microsoft\\Windows\\HTML Help"),
                                platform::registry_access::Read);
        QVERIFY(key);
        QCOMPARE(m_registry->queryValue(*key, QStringLiteral("Manual.chm"))->data, m_dir.path());

        help.HHUnRegister(QStringLiteral("manual.chm"));
        QVERIFY(m_boxes->boxes().isEmpty());
        QVERIFY(help.HHRegFileName().isEmpty() && help.HHRegFilePath().isEmpty());
        QVERIFY(!help.HHRegFileExists());
        QVERIFY(!m_registry->queryValue(*key, QStringLiteral("Manual.chm")));

        // Refused registrations write nothing.
        help.HHRegister(m_localName);
        help.HHRegister(QStringLiteral("/nowhere/Other.chm"));
        help.HHRegister(QStringLiteral("/nowhere/notes.txt"));
        QVERIFY(help.HHRegFileName().isEmpty());
        QCOMPARE(m_registry->values(*key).value_or(QList<platform::RegistryValue>{{}}).size(), 0);

        // A registered file that has since gone reads as registered but missing.
        const QString doomed = m_dir.filePath(QStringLiteral("Doomed.chm"));
        QVERIFY(write(doomed, "ITSF"));
        help.HHRegister(doomed);
        QFile::remove(doomed);
        m_boxes->clear();
        help.HHCheckRegistry(QStringLiteral("Doomed.chm"));
        QCOMPARE(help.HHRegFileName(), QStringLiteral("Doomed.chm"));
        QVERIFY(!help.HHRegFileExists());
        QCOMPARE(m_boxes->boxes().size(), 1);
        QVERIFY(m_boxes->boxes().last().text.contains(QStringLiteral("does not exist")));
    }

    void readsComponentVersions()
    {
        // Without the components (their messages are the message-box test's) nothing is known.
        help::HTMLHelp help;
        QVERIFY(!help.HHInstalled());
        QCOMPARE(help.HHFriendlyName(), QStringLiteral("unknown"));
        m_boxes->clear();

        installVersions({4, 74, 8702, 0}, {5, 0, 2919, 6307});
        QCOMPARE(QStringList({help.HHVersion(), help.HHFriendlyName(), help.IEVersion(),
                              help.IEFriendlyName()}),
                 QStringList({"4.74.8702.00", "1.3", "5.00.2919.6307", "5.01"}));
        QVERIFY(m_boxes->boxes().isEmpty());
        QVERIFY(m_registry->createKey(
            platform::RegistryRoot::LocalMachine,
            QStringLiteral("SOFTWARE\\Classes\\TypeLib\\{ADB880A2-D8FF-11CF-9377-00AA003B7A11}"),
            platform::registry_access::AllAccess));
        QVERIFY(help.HHInstalled());
    }

    void verifiesTheMinimumConfiguration()
    {
        struct Row
        {
            const char* name;
            QList<int> viewer;
            QList<int> browser;
            int viewerCode;
            int browserCode;
            bool result;
        };
        const QList<int> viewer13{4, 74, 8702, 0};
        const QList<int> ie501{5, 0, 2919, 6307};
        const Row rows[] = {
            {"browser too old for 275", viewer13, ie501, 16, 275, false},
            {"browser new enough for 275", viewer13, {5, 50, 3825, 1300}, 16, 275, true},
            // Compared as numbers: 6307 is newer than 800 (as text it would be older).
            {"revision compared as a number", viewer13, ie501, 26, 272, true},
            {"same as minimum", viewer13, ie501, 26, 274, true},
            {"viewer too old", {4, 72, 7290, 0}, ie501, 17, 256, false},
            {"minimum written with fewer digits", viewer13, {5, 0, 2717, 2000}, 16, 270, true},
            {"one revision short", viewer13, {5, 0, 2717, 1999}, 16, 270, false},
            {"unknown viewer code", viewer13, ie501, 27, 256, false},
            {"unknown browser code", viewer13, ie501, 16, 255, false}};
        for (const Row& row : rows) {
            installVersions(row.viewer, row.browser);
            QVERIFY2(help::HTMLHelp().HHVerifyMinConfig(row.viewerCode, row.browserCode) ==
                         row.result,
                     row.name);
        }
    }

    // The type (4 literal, 2 a string resource, 1 a help file's text, 3 unknown), the text
    // and file, whether the pop-up is shown, and whether in its own colours and font.
    void popups()
    {
        const QString hello = QStringLiteral("Hello");
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
                help.setHHPopupTextFont(QStringLiteral("Courier"));
                help.setHHPopupTextSize(QStringLiteral("14"));
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
            QCOMPARE(call.file, type == 1 ? m_manual + QStringLiteral("::/cs.TXT") : QString());
            const HelpPopup& popup = std::get<HelpPopup>(call.data);
            QCOMPARE(popup.instance, quintptr(0));
            QCOMPARE(popup.textId, type == 4 ? 0u : 17u);
            QCOMPARE(popup.text.has_value(), type == 4);
            QCOMPARE(popup.position, QCursor::pos());
            QCOMPARE(popup.foreground, custom ? platform::rgb(7, 8, 9) : platform::rgb(1, 2, 3));
            QCOMPARE(popup.background, custom ? platform::rgb(10, 11, 12) : platform::rgb(4, 5, 6));
            QCOMPARE(popup.margins, QRect(QPoint(-1, -1), QPoint(-1, -1)));
            QCOMPARE(popup.font, custom
                                     ? QStringLiteral("Courier, 14, ascii, Bold Italic Underline")
                                     : QStringLiteral("Arial, 10, ascii, "));
            QCOMPARE(help.HHWndHandle(), HelpWindowHandle(0)); // pop-ups keep no window
        }
    }

    void closeSystemMenuAndWhatsThis()
    {
        help::HTMLHelp help;
        help.HHClose();
        QCOMPARE(m_viewer->calls.size(), 1);
        const HelpCall& close = m_viewer->calls.first();
        QCOMPARE(int(close.command), int(HelpCommand::CloseAll));
        QVERIFY(close.file.isEmpty() && !close.caller);
        QCOMPARE(std::get<quintptr>(close.data), quintptr(0));
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
        help.setCHMFile(QStringLiteral(PARLANZA_HELP_FILE));
        help.setHHTopicID(1);
        help.setHHWindow(QStringLiteral("Main"));
        help.HHDisplayTopicID();
        QVERIFY(m_boxes->boxes().isEmpty());
        const HelpWindowHandle handle = help.HHWndHandle();
        HelpWindow* window = viewer.window(handle);
        QVERIFY(window && window->isVisible());
        QCOMPARE(window->windowTitle(), QStringLiteral("Parlanza Help"));
        QCOMPARE(window->geometry(), QRect(80, 60, 840, 640)); // the window type's place
        QCOMPARE(window->currentTopic(), QStringLiteral("/howto.htm"));
        QCOMPARE(window->contentsTree()->currentItem()->text(0), QStringLiteral("How to Use"));
        // The same file and window type come back to the same window.
        help.setHHWindow(QStringLiteral("main"));
        help.setHHTopicURL(QStringLiteral("zoom.htm"));
        help.HHDisplayTopicURL();
        QCOMPARE(help.HHWndHandle(), handle);
        QCOMPARE(window->currentTopic(), QStringLiteral("/zoom.htm"));
        help.HHClose();
        QVERIFY(!viewer.window(help.HHWndHandle()));
        helpviewer::setCurrentHelpViewer(nullptr);
    }
};

QTEST_MAIN(tst_HTMLHelp)
#include "tst_HTMLHelp.moc"
