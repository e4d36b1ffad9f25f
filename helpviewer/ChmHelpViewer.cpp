#include "helpviewer/ChmHelpViewer.h"

#include "helpviewer/ChmBrowser.h"
#include "helpviewer/HelpPopupWindow.h"
#include "helpviewer/HelpWindow.h"
#include "platform/MessageBoxService.h"
#include "platform/Resources.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QRegularExpression>

namespace helpviewer {
namespace {

constexpr platform::OleColor DefaultColor = 0xFFFFFFFFu;

void tell(const QString& text)
{
    platform::showMessage(text, platform::MessageButtons::Ok, platform::MessageIcon::Exclamation);
}

QColor colourOf(platform::OleColor colour)
{
    return colour == DefaultColor ? QColor() : platform::toQColor(colour);
}

// The text of one topic of a pop-up text file: ".topic <number>" lines start the
// topics, the lines up to the next one are its text.
std::optional<QString> popupTopic(const QString& source, quint32 id)
{
    static const QRegularExpression topicLine(QStringLiteral("^\\.topic\\s+(\\S+)"),
                                              QRegularExpression::CaseInsensitiveOption);
    std::optional<QString> found;
    QStringList lines;
    bool inTopic = false;
    for (const QString& line : source.split(QRegularExpression(QStringLiteral("\r?\n")))) {
        const QRegularExpressionMatch match = topicLine.match(line);
        if (match.hasMatch()) {
            if (inTopic) {
                break;
            }
            bool ok = false;
            inTopic = match.captured(1).toUInt(&ok, 0) == id && ok;
            continue;
        }
        if (inTopic) {
            lines.append(line);
        }
    }
    if (!inTopic) {
        return std::nullopt;
    }
    found = lines.join(QLatin1Char('\n')).trimmed();
    return found;
}

} // namespace

ChmHelpViewer::~ChmHelpViewer()
{
    // The real viewer lives until the program ends, possibly after the application
    // object, which has taken its windows with it by then.
    if (QCoreApplication::instance()) {
        closeAll();
    }
}

ChmHelpViewer::Target ChmHelpViewer::parseTarget(const QString& path)
{
    Target target;
    QString text = path;
    const qsizetype chm = text.lastIndexOf(QLatin1String(".chm"), -1, Qt::CaseInsensitive);
    const qsizetype window = text.indexOf(QLatin1Char('>'), chm < 0 ? 0 : chm);
    if (window >= 0) {
        target.windowType = text.mid(window + 1).trimmed();
        text.truncate(window);
    }
    const qsizetype inside = text.indexOf(QLatin1String("::"));
    if (inside >= 0) {
        target.topic = text.mid(inside + 2);
        text.truncate(inside);
    }
    target.file = text;
    return target;
}

std::shared_ptr<const ChmFile> ChmHelpViewer::load(const QString& path)
{
    const QFileInfo info(path);
    const QString key = info.absoluteFilePath();
    const auto cached = m_files.constFind(key);
    if (cached != m_files.cend() && info.exists() && cached->modified == info.lastModified() &&
        cached->size == info.size()) {
        return cached->file;
    }
    auto file = std::make_shared<const ChmFile>(ChmFile::open(path));
    if (!file->isOpen()) {
        m_files.remove(key);
        tell(file->errorString());
        return nullptr;
    }
    m_files.insert(key, {info.lastModified(), info.size(), file});
    return file;
}

std::pair<HelpWindowHandle, HelpWindow*>
ChmHelpViewer::windowFor(const std::shared_ptr<const ChmFile>& file, const QString& windowType,
                         QWidget* caller)
{
    QString type = windowType;
    if (type.isEmpty() || !file->windowType(type)) {
        type = file->system().defaultWindow;
    }
    for (auto it = m_windows.begin(); it != m_windows.end();) {
        HelpWindow* window = it.value();
        if (!window) {
            it = m_windows.erase(it);
            continue;
        }
        if (&window->helpFile() == file.get() &&
            window->windowType().compare(type, Qt::CaseInsensitive) == 0) {
            return {it.key(), window};
        }
        ++it;
    }
    auto* window = new HelpWindow(file, type, caller);
    const HelpWindowHandle handle = m_nextHandle++;
    m_windows.insert(handle, window);
    return {handle, window};
}

HelpWindowHandle ChmHelpViewer::htmlHelp(QWidget* caller, const QString& file, HelpCommand command,
                                         const HelpData& data)
{
    if (command == HelpCommand::CloseAll) {
        closeAll();
        return 0;
    }
    if (command == HelpCommand::DisplayTextPopup) {
        const auto* popup = std::get_if<HelpPopup>(&data);
        return popup ? showPopup(file, *popup) : 0;
    }

    const Target target = parseTarget(file);
    const std::shared_ptr<const ChmFile> chm = load(target.file);
    if (!chm) {
        return 0;
    }
    if (command == HelpCommand::KeywordLookup || command == HelpCommand::ALinkLookup) {
        const auto* link = std::get_if<HelpAkLink>(&data);
        return link ? lookUp(chm, target, caller, command, *link) : 0;
    }

    QString topic;
    switch (command) {
    case HelpCommand::DisplayTopic:
        if (const auto* path = std::get_if<QString>(&data)) {
            topic = *path;
        }
        if (topic.isEmpty()) {
            topic = target.topic;
        }
        if (!topic.isEmpty() && !chm->contains(topic)) {
            tell(
                QStringLiteral("The topic %1 is not in the help file %2.").arg(topic, target.file));
            return 0;
        }
        break;
    case HelpCommand::HelpContext: {
        const auto* id = std::get_if<quintptr>(&data);
        const std::optional<QString> found =
            id ? chm->topicForContextId(quint32(*id)) : std::nullopt;
        if (!found) {
            tell(QStringLiteral("The help file %1 has no topic for context number %2.")
                     .arg(target.file)
                     .arg(id ? qulonglong(*id) : 0));
            return 0;
        }
        topic = *found;
        break;
    }
    default:
        break;
    }

    auto [handle, window] = windowFor(chm, target.windowType, caller);
    switch (command) {
    case HelpCommand::DisplayToc:
        window->showPane(HelpWindow::Pane::Contents);
        break;
    case HelpCommand::DisplayIndex:
        window->showPane(HelpWindow::Pane::Index);
        break;
    case HelpCommand::DisplaySearch:
        window->showPane(HelpWindow::Pane::Search);
        if (const auto* query = std::get_if<HelpFtsQuery>(&data)) {
            if (query->execute && !query->searchQuery.isEmpty()) {
                window->search(query->searchQuery);
            }
        }
        break;
    default:
        break;
    }
    if (!topic.isEmpty()) {
        window->showTopic(topic);
    } else if (window->currentTopic().isEmpty()) {
        window->showTopic(window->homeTopic());
    }
    window->show();
    window->raise();
    window->activateWindow();
    return handle;
}

HelpWindowHandle ChmHelpViewer::lookUp(const std::shared_ptr<const ChmFile>& file,
                                       const Target& target, QWidget* caller, HelpCommand command,
                                       const HelpAkLink& link)
{
    const QString names = link.keywords.value_or(QString());
    const QStringList topics = command == HelpCommand::KeywordLookup ? file->topicsForKeyword(names)
                                                                     : file->topicsForALink(names);
    const QString windowType = link.window.value_or(target.windowType);
    QString topic;
    if (!topics.isEmpty()) {
        topic = topics.first();
    } else if (link.url && file->contains(*link.url)) {
        topic = *link.url;
    } else if (link.msgText) {
        platform::showMessage(*link.msgText, platform::MessageButtons::Ok,
                              platform::MessageIcon::Information,
                              link.msgTitle.value_or(QString()));
        return 0;
    } else if (!link.indexOnFail) {
        return 0;
    }
    auto [handle, window] = windowFor(file, windowType, caller);
    if (topics.size() > 1) {
        window->listTopics(topics);
        window->showPane(HelpWindow::Pane::Search);
    } else if (topic.isEmpty()) {
        window->showPane(HelpWindow::Pane::Index);
        window->setIndexFilter(names.section(QLatin1Char(';'), 0, 0));
    }
    window->showTopic(topic.isEmpty() ? window->homeTopic() : topic);
    window->show();
    window->raise();
    return handle;
}

HelpWindowHandle ChmHelpViewer::showPopup(const QString& file, const HelpPopup& popup)
{
    QString text;
    if (popup.text) {
        text = *popup.text;
    } else if (!file.isEmpty()) {
        const Target target = parseTarget(file);
        const std::shared_ptr<const ChmFile> chm = load(target.file);
        if (!chm) {
            return 0;
        }
        const std::optional<QByteArray> source = chm->object(target.topic);
        const std::optional<QString> found =
            source ? popupTopic(ChmFile::decodeText(*source), popup.textId) : std::nullopt;
        if (!found) {
            tell(QStringLiteral("The help file %1 has no pop-up text number %2.")
                     .arg(target.file)
                     .arg(popup.textId));
            return 0;
        }
        text = *found;
    } else {
        const std::optional<QString> resource = platform::resources::string(int(popup.textId));
        if (!resource) {
            tell(QStringLiteral("The program has no pop-up text number %1.").arg(popup.textId));
            return 0;
        }
        text = *resource;
    }
    if (text.isEmpty()) {
        return 0;
    }
    if (m_popup) {
        m_popup->close();
    }
    QColor foreground = colourOf(popup.foreground);
    QColor background = colourOf(popup.background);
    // Text in the colour of its own background cannot be read (a caller that leaves
    // both colours at zero asks for black on black): use the usual pop-up colours.
    if (foreground.isValid() && foreground == background) {
        foreground = QColor();
        background = QColor();
    }
    m_popup = new HelpPopupWindow(text, popup.position, foreground, background,
                                  HelpPopupWindow::parseFont(popup.font));
    m_popup->show();
    return m_nextHandle++;
}

bool ChmHelpViewer::deleteSystemMenuItem(HelpWindowHandle /*window*/, unsigned /*command*/)
{
    // The help window's system menu is the window manager's; it has no jump-to-address
    // item, so there is never one to remove.
    return false;
}

HelpWindow* ChmHelpViewer::window(HelpWindowHandle handle) const
{
    return m_windows.value(handle);
}

void ChmHelpViewer::closeAll()
{
    for (const QPointer<HelpWindow>& window : std::as_const(m_windows)) {
        if (window) {
            window->close();
        }
    }
    m_windows.clear();
    if (m_popup) {
        m_popup->close();
    }
}

namespace {

HelpViewer* g_current = nullptr;

} // namespace

HelpViewer& currentHelpViewer()
{
    if (g_current) {
        return *g_current;
    }
    static ChmHelpViewer viewer;
    return viewer;
}

void setCurrentHelpViewer(HelpViewer* viewer)
{
    g_current = viewer;
}

} // namespace helpviewer
