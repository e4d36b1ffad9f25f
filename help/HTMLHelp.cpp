#include "help/HTMLHelp.h"

#include "helpviewer/ChmHelpViewer.h"
#include "helpviewer/FileVersion.h"
#include "platform/AppInfo.h"
#include "platform/MessageBoxService.h"
#include "platform/Registry.h"

#include <QCursor>
#include <QDir>
#include <QFileInfo>
#include <QWhatsThis>
#include <array>

namespace help {

using helpviewer::HelpAkLink;
using helpviewer::HelpCommand;
using helpviewer::HelpData;
using helpviewer::HelpViewer;
using platform::MessageButtons;
using platform::MessageIcon;
using platform::Registry;
using platform::RegistryRoot;

namespace {

const QString BoxTitle = QStringLiteral("HTML Help Class");
const QString HelpFilesKey = QStringLiteral("Software\\Microsoft\\Windows\\HTML Help");
const QString ViewerClassKey =
    QStringLiteral("CLSID\\{4662DAB0-D393-11D0-9A56-00C04FB68B66}\\InprocServer32");
const QString BrowserClassKey =
    QStringLiteral("CLSID\\{0A89A860-D7B1-11CE-8350-444553540000}\\InProcServer32");
const QString TypeLibraryKey =
    QStringLiteral("SOFTWARE\\Classes\\TypeLib\\{ADB880A2-D8FF-11CF-9377-00AA003B7A11}");
const QString Unknown = QStringLiteral("unknown");

// The viewer's system-menu command that jumps to an address.
constexpr unsigned JumpUrlCommand = 0xEFFF;

void errorBox(const QString& text)
{
    platform::showMessage(text, MessageButtons::Ok, MessageIcon::Critical, BoxTitle);
}

void warningBox(const QString& text)
{
    platform::showMessage(text, MessageButtons::Ok, MessageIcon::Exclamation, BoxTitle);
}

void informationBox(const QString& text)
{
    platform::showMessage(text, MessageButtons::Ok, MessageIcon::Information, BoxTitle);
}

bool hasFolder(const QString& file)
{
    return file.contains(QLatin1Char('\\')) || file.contains(QLatin1Char('/'));
}

QString bareName(const QString& file)
{
    const qsizetype slash =
        std::max(file.lastIndexOf(QLatin1Char('\\')), file.lastIndexOf(QLatin1Char('/')));
    return file.mid(slash + 1);
}

QString folderOf(const QString& file)
{
    const qsizetype slash =
        std::max(file.lastIndexOf(QLatin1Char('\\')), file.lastIndexOf(QLatin1Char('/')));
    return slash < 0 ? QString() : file.left(slash);
}

QString joinPath(const QString& folder, const QString& name)
{
    if (folder.endsWith(QLatin1Char('/')) || folder.endsWith(QLatin1Char('\\'))) {
        return folder + name;
    }
    return folder + QLatin1Char('/') + name;
}

std::optional<QString> nonEmpty(const QString& text)
{
    return text.isEmpty() ? std::nullopt : std::optional<QString>(text);
}

struct FriendlyName
{
    const char* version;
    const char* name;
};

constexpr FriendlyName ViewerNames[] = {
    {"4.72.7290.00", "1.0"},
    {"4.72.7323.00", "1.1"},
    {"4.72.7325.00", "1.1a"},
    {"4.72.8164.00", "1.1b"},
    {"4.73.8252.00", "1.2"},
    {"4.73.8412.00", "1.21"},
    {"4.73.8474.00", "1.21a"},
    {"4.73.8561.00", "1.22"},
    {"4.74.8566.00", "1.3 Windows 2000 Beta"},
    {"4.74.8637.00", "1.3 IE 5.5 Platform Preview Beta"},
    {"4.74.8702.00", "1.3"},
};

constexpr FriendlyName BrowserNames[] = {
    {"4.70.1155.0000", "3.0"},
    {"4.70.1158.0000", "3.0 OSR2"},
    {"4.70.1215.0000", "3.02"},
    {"4.70.1300.0000", "3.02"},
    {"4.71.1008.3000", "4.0 PP2"},
    {"4.71.1712.5000", "4.0"},
    {"4.72.2106.7000", "4.01"},
    {"4.72.3110.0300", "4.0 SP1"},
    {"4.72.3612.1707", "4.0 SP2"},
    {"5.00.0518.5000", "5.0 beta 1"},
    {"5.00.0910.1308", "5.0 beta 2"},
    {"5.00.2014.2130", "5.0"},
    {"5.00.2314.1000", "5.0a (Office 2000)"},
    {"5.00.2614.3500", "5.0b (Windows 98 SE)"},
    {"5.00.2717.2000", "5.0c (Icon Security Issue Update)"},
    {"5.00.2721.1400", "5.0d (ImportExport Favorites Issue Update)"},
    {"5.00.2919.800", "5.x (Windows 2000 RC1, build 5.00.2072)"},
    {"5.00.2919.3800", "5.x (Windows 2000 RC2, build 5.00.2128)"},
    {"5.00.2919.6307", "5.01"},
    {"5.50.3825.1300", "5.5 Platform Preview"},
};

// Minimum versions by code: viewer codes 16..26, browser codes 256..275.
constexpr std::array<const char*, 11> ViewerMinimums = {
    "4.72.7290", "4.72.7323", "4.72.7325", "4.72.8164.0", "4.73.8252", "4.73.8412",
    "4.73.8474", "4.73.8561", "4.74.8566", "4.74.8637",   "4.74.8702"};
constexpr qint32 FirstViewerCode = 16;
constexpr std::array<const char*, 20> BrowserMinimums = {
    "4.70.1155",      "4.70.1158",     "4.70.1215",      "4.70.1300",      "4.71.1008.3",
    "4.71.1712.5",    "4.72.2106.7",   "4.72.3110.03",   "4.72.3612.1707", "5.00.0518.5",
    "5.00.0910.1308", "5.00.2014.213", "5.00.2314.1000", "5.00.2614.3500", "5.0.2717.2000",
    "5.00.2721.1400", "5.00.2919.800", "5.00.2919.3800", "5.00.2919.6307", "5.50.3825.1300"};
constexpr qint32 FirstBrowserCode = 256;

template <std::size_t N>
QString friendlyName(const FriendlyName (&names)[N], const QString& version)
{
    for (const FriendlyName& entry : names) {
        if (version.compare(QLatin1String(entry.version), Qt::CaseInsensitive) == 0) {
            return QLatin1String(entry.name);
        }
    }
    return Unknown;
}

template <std::size_t N>
std::optional<QString> minimumFor(const std::array<const char*, N>& minimums, qint32 first,
                                  qint32 code)
{
    if (code < first || code >= first + qint32(N)) {
        return std::nullopt;
    }
    return QLatin1String(minimums[std::size_t(code - first)]);
}

// A value read the way the wrapper reads the registry: by the root's short name.
std::optional<QString> readRegistryValue(const QString& rootName, const QString& subKey,
                                         const QString& valueName)
{
    const std::optional<RegistryRoot> root = Registry::rootFromName(rootName);
    if (!root) {
        return std::nullopt;
    }
    Registry& registry = Registry::current();
    std::optional<platform::RegistryKey> key =
        registry.openKey(*root, subKey, platform::registry_access::Read);
    if (!key) {
        return std::nullopt;
    }
    const std::optional<platform::RegistryValue> value = registry.queryValue(*key, valueName);
    registry.closeKey(*key);
    if (!value) {
        return std::nullopt;
    }
    return value->data;
}

} // namespace

bool HTMLHelp::HHInstalled() const
{
    Registry& registry = Registry::current();
    std::optional<platform::RegistryKey> key = registry.openKey(
        RegistryRoot::LocalMachine, TypeLibraryKey, platform::registry_access::AllAccess);
    if (!key) {
        return false;
    }
    registry.closeKey(*key);
    return true;
}

QString HTMLHelp::componentVersion(const QString& classKey, const QString& notRegistered,
                                   const QString& notInLocation)
{
    const QString registered =
        readRegistryValue(QStringLiteral("HKCR"), classKey, QString()).value_or(QString());
    if (registered.isEmpty()) {
        errorBox(notRegistered);
        return {};
    }
    const QFileInfo info(registered);
    if (!info.isFile()) {
        errorBox(notInLocation);
        return {};
    }
    const std::optional<helpviewer::FileVersion> version =
        helpviewer::FileVersion::read(info.absoluteFilePath());
    if (!version) {
        return {};
    }
    return versionString(version->major, version->minor, version->build, version->revision);
}

QString HTMLHelp::HHVersion()
{
    m_hhVersion =
        componentVersion(ViewerClassKey,
                         QStringLiteral("Hhctrl.ocx is not registered.  ") +
                             QStringLiteral("Please install HTML Help."),
                         QStringLiteral("Hhctrl.ocx is not in its registered location.  ") +
                             QStringLiteral("Please reinstall HTML Help."));
    return m_hhVersion;
}

QString HTMLHelp::IEVersion()
{
    m_ieVersion =
        componentVersion(BrowserClassKey,
                         QStringLiteral("Shdocvw.dll is not registered.  ") +
                             QStringLiteral("Please install Internet Explorer."),
                         QStringLiteral("Internet Explorer is not in its registered location.  ") +
                             QStringLiteral("Please reinstall Internet Explorer."));
    return m_ieVersion;
}

QString HTMLHelp::HHFriendlyName()
{
    if (m_hhVersion.isEmpty()) {
        HHVersion();
    }
    m_hhFriendlyName = viewerFriendlyName(m_hhVersion);
    return m_hhFriendlyName;
}

QString HTMLHelp::IEFriendlyName()
{
    if (m_ieVersion.isEmpty()) {
        IEVersion();
    }
    m_ieFriendlyName = browserFriendlyName(m_ieVersion);
    return m_ieFriendlyName;
}

helpviewer::HelpWindowHandle HTMLHelp::HHWndHandle() const
{
    if (m_wndHandle == 0) {
        warningBox(QStringLiteral("No HTML Help window handle to retrieve."));
        return 0;
    }
    return m_wndHandle;
}

void HTMLHelp::HHDeleteJumpURLSysMenu(helpviewer::HelpWindowHandle window)
{
    helpviewer::currentHelpViewer().deleteSystemMenuItem(window, JumpUrlCommand);
}

bool HTMLHelp::isHelpFile(const QString& file) const
{
    if (file.right(3).compare(QLatin1String("chm"), Qt::CaseInsensitive) != 0) {
        warningBox(file + QStringLiteral(" is not a valid HTML Help file."));
        return false;
    }
    return true;
}

bool HTMLHelp::prepareDisplay(QWidget* caller, QString* path, QWidget** owner)
{
    if (!isHelpFile(m_chmFile) || !EnsureFileExists(m_chmFile)) {
        return false;
    }
    *path = m_chmFile;
    if (!m_window.trimmed().isEmpty()) {
        *path += QLatin1Char('>') + m_window;
    }
    *owner = m_showOnTop ? caller : nullptr;
    return true;
}

void HTMLHelp::display(QWidget* caller, HelpCommand command, const HelpData& data)
{
    QString path;
    QWidget* owner = nullptr;
    if (!prepareDisplay(caller, &path, &owner)) {
        return;
    }
    m_wndHandle = helpviewer::currentHelpViewer().htmlHelp(owner, path, command, data);
}

HelpAkLink HTMLHelp::akLink(const QString& keywords) const
{
    HelpAkLink link;
    link.keywords = keywords;
    link.url = nonEmpty(m_defaultUrl);
    link.msgText = nonEmpty(m_msgText);
    link.msgTitle = nonEmpty(m_msgTitle);
    if (!m_window.trimmed().isEmpty()) {
        link.window = m_window;
    }
    link.indexOnFail = false;
    return link;
}

void HTMLHelp::HHDisplayTopicURL(QWidget* caller)
{
    display(caller, HelpCommand::DisplayTopic, m_topicUrl);
}

void HTMLHelp::HHDisplayTopicID(QWidget* caller)
{
    // The context number travels as the data word itself, sign and all.
    display(caller, HelpCommand::HelpContext, quintptr(quint32(m_topicId)));
}

void HTMLHelp::HHDisplaySearch(QWidget* caller)
{
    helpviewer::HelpFtsQuery query;
    query.structSize = 32;
    query.unicodeStrings = false;
    query.searchQuery = QString();
    query.proximity = 0;
    query.stemmedSearch = false;
    query.titleOnly = false;
    query.execute = true;
    query.windowName = QString();
    display(caller, HelpCommand::DisplaySearch, query);
}

void HTMLHelp::HHDisplayKeyword(QWidget* caller)
{
    QString path;
    QWidget* owner = nullptr;
    if (!prepareDisplay(caller, &path, &owner)) {
        return;
    }
    HelpViewer& viewer = helpviewer::currentHelpViewer();
    m_wndHandle = viewer.htmlHelp(owner, m_chmFile, HelpCommand::DisplayTopic, quintptr(0));
    m_wndHandle = viewer.htmlHelp(owner, path, HelpCommand::KeywordLookup, akLink(m_keyword));
}

void HTMLHelp::HHDisplayIndex(QWidget* caller)
{
    display(caller, HelpCommand::DisplayIndex, quintptr(0));
}

void HTMLHelp::HHDisplayContents(QWidget* caller)
{
    display(caller, HelpCommand::DisplayToc, quintptr(0));
}

void HTMLHelp::HHDisplayALink(QWidget* caller)
{
    display(caller, HelpCommand::ALinkLookup, akLink(m_aLink));
}

void HTMLHelp::HHRegister(const QString& filePath)
{
    if (filePath.isEmpty() || !isHelpFile(filePath)) {
        return;
    }
    HHCheckRegistry(filePath);
    if (!m_regFileName.isEmpty()) {
        informationBox(QStringLiteral("The file ") + filePath +
                       QStringLiteral(" is already registered.  ") +
                       QStringLiteral("HHRegister will not be run as no action need be taken."));
        return;
    }
    // The check looks the file up but must not turn a bare name into a path: a help
    // file is registered only under a folder the caller gave.
    QString found = filePath;
    if (!EnsureFileExists(found)) {
        return;
    }
    if (!hasFolder(filePath)) {
        warningBox(QStringLiteral("Cannot register ") + filePath +
                   QStringLiteral(" without having a supplied path.") + QLatin1Char('"'));
        return;
    }
    Registry& registry = Registry::current();
    std::optional<platform::RegistryKey> key = registry.createKey(
        RegistryRoot::LocalMachine, HelpFilesKey,
        platform::registry_access::SetValue | platform::registry_access::CreateSubKey);
    if (!key) {
        warningBox(QStringLiteral("HTML Help Class: HHRegister Error"));
        return;
    }
    registry.setValue(
        *key, {bareName(filePath), platform::RegistryValueType::String, folderOf(filePath)});
    registry.closeKey(*key);
    HHCheckRegistry(filePath);
}

void HTMLHelp::HHUnRegister(const QString& file)
{
    if (!isHelpFile(file)) {
        return;
    }
    HHCheckRegistry(file);
    if (m_regFileName.isEmpty()) {
        informationBox(QStringLiteral("The file ") + file +
                       QStringLiteral(" is not registered.  ") +
                       QStringLiteral("HHUnRegister will not be run as no action need be taken."));
        return;
    }
    Registry& registry = Registry::current();
    std::optional<platform::RegistryKey> key = registry.openKey(
        RegistryRoot::LocalMachine, HelpFilesKey, platform::registry_access::SetValue);
    if (key) {
        registry.deleteValue(*key, m_regFileName);
        registry.closeKey(*key);
    }
    HHCheckRegistry(file);
}

void HTMLHelp::HHCheckRegistry(const QString& file)
{
    if (file.isEmpty() || !isHelpFile(file)) {
        return;
    }
    const QString name = bareName(file);
    m_regFileName.clear();
    m_regFilePath.clear();
    m_regFileExists = false;

    Registry& registry = Registry::current();
    std::optional<platform::RegistryKey> key =
        registry.openKey(RegistryRoot::LocalMachine, HelpFilesKey, platform::registry_access::Read);
    if (!key) {
        return;
    }
    const QList<platform::RegistryValue> values =
        registry.values(*key).value_or(QList<platform::RegistryValue>());
    registry.closeKey(*key);
    for (const platform::RegistryValue& value : values) {
        if (value.name.compare(name, Qt::CaseInsensitive) == 0) {
            m_regFileName = value.name;
            m_regFilePath = value.data;
            QString registered = joinPath(m_regFilePath, m_regFileName);
            m_regFileExists = EnsureFileExists(registered);
            return;
        }
    }
}

void HTMLHelp::HHClose()
{
    helpviewer::currentHelpViewer().htmlHelp(nullptr, QString(), HelpCommand::CloseAll,
                                             quintptr(0));
}

void HTMLHelp::setHHPopupType(qint32 value)
{
    switch (PopupType(value)) {
    case PopupType::HelpFileText:
    case PopupType::Resource:
    case PopupType::Literal:
        m_popupType = PopupType(value);
        return;
    }
    m_popupType.reset();
}

void HTMLHelp::HHDisplayPopup(QWidget* caller)
{
    if (!m_popupType) {
        return;
    }
    helpviewer::HelpPopup popup;
    QString source;
    switch (*m_popupType) {
    case PopupType::HelpFileText:
        if (!isHelpFile(m_chmFile) || !EnsureFileExists(m_chmFile)) {
            return;
        }
        if (m_popupFile.right(3).compare(QLatin1String("txt"), Qt::CaseInsensitive) != 0) {
            warningBox(QStringLiteral("The file specified as the text popup source, '") +
                       m_popupFile + QStringLiteral("', is not a valid popup file."));
            return;
        }
        source = m_chmFile + QStringLiteral("::/") + m_popupFile;
        popup.textId = quint32(m_popupId);
        break;
    case PopupType::Resource:
        popup.textId = quint32(m_popupId);
        break;
    case PopupType::Literal:
        if (m_popupText.isEmpty()) {
            return;
        }
        popup.text = m_popupText;
        break;
    }
    popup.instance = 0;
    popup.position = QCursor::pos();
    popup.foreground = m_popupCustomColors ? m_popupCustomTextColor : m_popupTextColor;
    popup.background = m_popupCustomColors ? m_popupCustomBackColor : m_popupBackColor;
    popup.margins = QRect(QPoint(-1, -1), QPoint(-1, -1));
    const QString face = m_popupTextFont.isEmpty() ? QStringLiteral("Arial") : m_popupTextFont;
    const QString size = m_popupTextSize.isEmpty() ? QStringLiteral("10") : m_popupTextSize;
    popup.font = face + QStringLiteral(", ") + size + QStringLiteral(", ascii, ") +
                 (m_popupTextBold ? QStringLiteral("Bold ") : QString()) +
                 (m_popupTextItalic ? QStringLiteral("Italic ") : QString()) +
                 (m_popupTextUnderline ? QStringLiteral("Underline") : QString());
    helpviewer::currentHelpViewer().htmlHelp(caller, source, HelpCommand::DisplayTextPopup, popup);
}

void HTMLHelp::HHInvokeWhatsThisHelp(QWidget* caller)
{
    // The window's own context-help command: the pointer becomes a question mark and the
    // next click asks the control under it for its help.
    if (caller) {
        QWhatsThis::enterWhatsThisMode();
    }
}

bool HTMLHelp::HHVerifyMinConfig(qint32 minimumViewer, qint32 minimumBrowser)
{
    HHVersion();
    IEVersion();
    bool viewerPasses = false;
    if (const std::optional<QString> minimum =
            minimumFor(ViewerMinimums, FirstViewerCode, minimumViewer)) {
        viewerPasses = compareVersions(m_hhVersion, *minimum) >= 0;
    } else {
        m_hhVersion = Unknown;
    }
    bool browserPasses = false;
    if (const std::optional<QString> minimum =
            minimumFor(BrowserMinimums, FirstBrowserCode, minimumBrowser)) {
        browserPasses = compareVersions(m_ieVersion, *minimum) >= 0;
    } else {
        m_ieVersion = Unknown;
    }
    m_hhFriendlyName = viewerFriendlyName(m_hhVersion);
    m_ieFriendlyName = browserFriendlyName(m_ieVersion);
    return viewerPasses && browserPasses;
}

bool HTMLHelp::EnsureFileExists(QString& file)
{
    if (!hasFolder(file)) {
        HHCheckRegistry(file);
        if (!m_regFileName.isEmpty()) {
            file = joinPath(m_regFilePath, m_regFileName);
        } else {
            file = joinPath(platform::programFolder(), file);
        }
    }
    if (QFileInfo(file).isFile()) {
        return true;
    }
    warningBox(QStringLiteral("The file ") + file + QStringLiteral(" does not exist.") +
               QLatin1Char('\n') +
               QStringLiteral("Please make sure the correct path and file name have been "
                              "specified."));
    return false;
}

QString HTMLHelp::HHSetHelpFile(qint16 selector) const
{
    switch (selector) {
    case 1:
        return platform::programFile(QStringLiteral("Library.chm"));
    case 2:
        return QStringLiteral("Library.txt");
    default:
        return {};
    }
}

QString HTMLHelp::versionString(quint16 major, quint16 minor, quint16 build, quint16 revision)
{
    QString text = QString::number(major) + QLatin1Char('.') +
                   QStringLiteral("%1").arg(minor, 2, 10, QLatin1Char('0')) + QLatin1Char('.');
    if (build > 0) {
        text += QStringLiteral("%1.%2")
                    .arg(build, 2, 10, QLatin1Char('0'))
                    .arg(revision, 2, 10, QLatin1Char('0'));
    } else {
        text += QStringLiteral("%1").arg(revision, 4, 10, QLatin1Char('0'));
    }
    return text;
}

QString HTMLHelp::viewerFriendlyName(const QString& version)
{
    return friendlyName(ViewerNames, version);
}

QString HTMLHelp::browserFriendlyName(const QString& version)
{
    return friendlyName(BrowserNames, version);
}

int HTMLHelp::compareVersions(const QString& a, const QString& b)
{
    auto parts = [](const QString& version) -> std::optional<QList<quint64>> {
        QList<quint64> numbers;
        for (const QString& part : version.split(QLatin1Char('.'))) {
            bool ok = false;
            numbers.append(part.trimmed().toULongLong(&ok));
            if (!ok) {
                return std::nullopt;
            }
        }
        return numbers;
    };
    const std::optional<QList<quint64>> left = parts(a);
    const std::optional<QList<quint64>> right = parts(b);
    if (!left || !right) {
        return left ? 1 : (right ? -1 : 0);
    }
    const qsizetype count = std::max(left->size(), right->size());
    for (qsizetype i = 0; i < count; ++i) {
        const quint64 x = i < left->size() ? left->at(i) : 0;
        const quint64 y = i < right->size() ? right->at(i) : 0;
        if (x != y) {
            return x < y ? -1 : 1;
        }
    }
    return 0;
}

} // namespace help
