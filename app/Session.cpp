#include "app/Session.h"

#include "app/FollowAlong.h"
#include "app/Main.h"
#include "controls/rkbuttons/rkButtons_H.h"
#include "controls/skinned/UcScroll.h"
#include "editor/DocumentLoading.h"
#include "editor/FileOpen.h"
#include "editor/RichTextBox.h"
#include "editor/Zoom.h"
#include "helpviewer/HelpWindow.h"
#include "platform/MenuBar.h"
#include "platform/ScreenPlace.h"

#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QScreen>
#include <QTextDocument>
#include <QTimer>

namespace app {

namespace {

const QString kVoice = QStringLiteral("speech/voice");
const QString kSpeed = QStringLiteral("speech/speed");
const QString kTone = QStringLiteral("speech/tone");
const QString kZoom = QStringLiteral("editor/zoom");
const QString kOpenFolder = QStringLiteral("open/folder");
const QString kOpenFilter = QStringLiteral("open/filter");
const QString kRecordFolder = QStringLiteral("record/folder");
const QString kWindowPlace = QStringLiteral("window/place");
const QString kHelpPlace = QStringLiteral("help/place");
const QString kSentenceTimings = QStringLiteral("record/sentenceTimings");
const QString kWordTimings = QStringLiteral("record/wordTimings");
// The document the draft's text came from, written with the draft.
const QString kDraftDocument = QStringLiteral("draft/document");

const QString kReopenKey = QStringLiteral("keyReopen");

template <typename Control> Control* control(const Main& main, const char* name)
{
    return main.findChild<Control*>(QLatin1String(name));
}

// A stored number that a bar can hold; nothing for anything else.
std::optional<int> storedNumber(const QVariant& stored, const skinned::UcScroll& bar)
{
    bool ok = false;
    const int value = stored.toInt(&ok);
    if (!ok || value < std::min(bar.Min(), bar.Max()) || value > std::max(bar.Min(), bar.Max())) {
        return std::nullopt;
    }
    return value;
}

// A stored choice is on only when it says so plainly; anything else leaves it off.
bool storedSwitch(const QVariant& stored)
{
    return stored.typeId() == QMetaType::Bool
               ? stored.toBool()
               : stored.toString().compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
}

QString folderOf(const QString& path)
{
    return QFileInfo(path).absolutePath();
}

} // namespace

Session::Session(Main& main, const QString& settingsPath, const QString& draftPath)
    : m_main(main), m_settings(settingsPath), m_draft(draftPath), m_lastText(m_draft.load()),
      m_lastDocument(m_lastText ? m_settings.value(kDraftDocument).toString() : QString())
{
    // Every window shows wholly on a screen, a remembered place included.
    qApp->installEventFilter(new platform::KeepWindowsOnScreen(this));
    const QRect place = m_settings.value(kWindowPlace).toRect();
    if (place.isValid() && isOnScreen(QRect(place.topLeft(), m_main.size()))) {
        m_main.move(place.topLeft());
    }
}

Session::~Session()
{
    saveDraft();
    saveWindowPlace();
}

bool Session::isOnScreen(const QRect& place)
{
    // The top-left corner (where the title bar is grabbed) and the middle must both be
    // on a screen: a window left on a monitor that has gone is placed as new.
    constexpr int kGrabInset = 8;
    const QPoint corner = place.topLeft() + QPoint(kGrabInset, kGrabInset);
    bool cornerSeen = false;
    bool middleSeen = false;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect area = screen->availableGeometry();
        cornerSeen = cornerSeen || area.contains(corner);
        middleSeen = middleSeen || area.contains(place.center());
    }
    return place.isValid() && cornerSeen && middleSeen;
}

void Session::Form_Loaded()
{
    restoreControls();
    watchControls();
    addReopenItem();
    qApp->installEventFilter(this);
}

void Session::restoreControls()
{
    auto* voices = control<QListWidget>(m_main, "lstVoice");
    auto* speed = control<skinned::UcScroll>(m_main, "scrSpeed");
    auto* tone = control<skinned::UcScroll>(m_main, "scrPitch");
    if (voices && speed && tone) {
        const QString voice = m_settings.value(kVoice).toString();
        const QList<QListWidgetItem*> found = voices->findItems(voice, Qt::MatchExactly);
        if (!voice.isEmpty() && !found.isEmpty()) {
            // The voice's own speed and tone come first; the stored ones then replace them.
            voices->setCurrentItem(found.first());
        }
        if (const std::optional<int> value = storedNumber(m_settings.value(kSpeed), *speed)) {
            speed->setValue(*value);
        }
        if (const std::optional<int> value = storedNumber(m_settings.value(kTone), *tone)) {
            tone->setValue(*value);
        }
        if (auto* label = control<QLabel>(m_main, "lblSpeed")) {
            label->setText(QString::number(speed->Value()));
        }
        if (auto* label = control<QLabel>(m_main, "lblPitch")) {
            label->setText(QString::number(tone->Value()));
        }
    }

    auto* zoom = control<QComboBox>(m_main, "cboZoom");
    auto* box = control<editor::RichTextBox>(m_main, "RichTextBox1");
    const QString zoomText = m_settings.value(kZoom).toString();
    if (zoom && box && !zoomText.isEmpty()) {
        const int row = zoom->findText(zoomText);
        if (row >= 0) {
            zoom->setCurrentIndex(row);
            editor::cboZoom_Click(*zoom, *box);
        }
    }

    const QString openFolder = m_settings.value(kOpenFolder).toString();
    if (QFileInfo(openFolder).isDir()) {
        editor::FileOpen::OpenInitDir = openFolder;
    }
    bool ok = false;
    const int entry = m_settings.value(kOpenFilter).toInt(&ok);
    if (ok && entry >= editor::TextFilesEntry && entry <= editor::AllDocumentsEntry) {
        editor::FileOpen::OpenFilterIndex = entry;
    }
    const QString recordFolder = m_settings.value(kRecordFolder).toString();
    if (QFileInfo(recordFolder).isDir()) {
        m_main.commonDialog().InitDir = recordFolder;
    }
    if (FollowAlong* follow = m_main.followAlong()) {
        follow->setTimingFiles(storedSwitch(m_settings.value(kSentenceTimings)),
                               storedSwitch(m_settings.value(kWordTimings)));
    }
}

void Session::watchControls()
{
    // Connected after the window's own handlers, so these see the values they left.
    if (auto* voices = control<QListWidget>(m_main, "lstVoice")) {
        connect(voices, &QListWidget::currentRowChanged, this, [this, voices] {
            if (voices->currentItem()) {
                m_settings.setValue(kVoice, voices->currentItem()->text());
            }
        });
    }
    const auto rememberBar = [this](skinned::UcScroll* bar, const QString& key) {
        if (bar) {
            connect(bar, &skinned::UcScroll::Change, this,
                    [this, bar, key] { m_settings.setValue(key, bar->Value()); });
        }
    };
    rememberBar(control<skinned::UcScroll>(m_main, "scrSpeed"), kSpeed);
    rememberBar(control<skinned::UcScroll>(m_main, "scrPitch"), kTone);
    if (auto* zoom = control<QComboBox>(m_main, "cboZoom")) {
        connect(zoom, &QComboBox::activated, this,
                [this, zoom] { m_settings.setValue(kZoom, zoom->currentText()); });
    }
    if (auto* open = control<rkbuttons::rkButtons_H>(m_main, "cmdOpen")) {
        connect(open, &rkbuttons::rkButtons_H::Click, this, [this] {
            if (!editor::FileOpen::OpenFileName.isEmpty()) {
                m_settings.setValue(kOpenFolder, folderOf(editor::FileOpen::OpenFileName));
                m_settings.setValue(kOpenFilter, editor::FileOpen::OpenFilterIndex);
            }
        });
    }
    if (auto* file = control<QLineEdit>(m_main, "txtFile")) {
        connect(file, &QLineEdit::textChanged, this, [this](const QString& path) {
            if (QFileInfo(path).isAbsolute() && QFileInfo(folderOf(path)).isDir()) {
                m_settings.setValue(kRecordFolder, folderOf(path));
            }
        });
    }
    if (auto* box = control<editor::RichTextBox>(m_main, "RichTextBox1")) {
        m_draftTimer = new QTimer(this);
        m_draftTimer->setInterval(kDraftInterval);
        m_draftTimer->setSingleShot(true);
        connect(m_draftTimer, &QTimer::timeout, this, &Session::saveDraft);
        connect(box->document(), &QTextDocument::contentsChanged, this, [this] {
            m_textChanged = true;
            if (!m_draftTimer->isActive()) {
                m_draftTimer->start();
            }
        });
    }
    // The text ERASE takes is kept at once, newer than any draft saved before it.
    connect(&m_main, &Main::textErasing, this, &Session::keepDraft);
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] {
        saveDraft();
        saveWindowPlace();
    });
}

void Session::addReopenItem()
{
    platform::MenuBar* menu = m_main.menuBar();
    if (!menu) {
        return;
    }
    m_reopenId =
        menu->addItem(QStringLiteral("keyFile"), kReopenKey, platform::MenuBar::ItemKind::Item,
                      QStringLiteral("Reopen Last Text"));
    // Above Exit, which stays the last item of the File menu.
    menu->moveBefore(m_reopenId, QStringLiteral("keyExit"));
    if (QAction* reopen = menu->action(m_reopenId)) {
        reopen->setEnabled(m_lastText.has_value() && !m_lastText->isEmpty());
        reopen->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_T));
    }
    connect(menu, &platform::MenuBar::Click, this, [this, menu](qint32 id) {
        const QString key = menu->keyOf(id);
        FollowAlong* follow = m_main.followAlong();
        if (key == kReopenKey) {
            reopenLastText();
        } else if (follow &&
                   (key == FollowAlong::kSentenceCuesKey || key == FollowAlong::kWordCuesKey)) {
            m_settings.setValue(kSentenceTimings, follow->sentenceTimings());
            m_settings.setValue(kWordTimings, follow->wordTimings());
        }
    });
}

void Session::reopenLastText()
{
    if (m_lastText) {
        m_main.replaceText(*m_lastText, m_lastDocument);
    }
}

void Session::saveDraft()
{
    auto* box = control<editor::RichTextBox>(m_main, "RichTextBox1");
    if (!box || !m_textChanged) {
        return;
    }
    m_textChanged = false;
    const QString text = box->text();
    // An emptied editor keeps the last text that had something in it.
    if (!text.isEmpty()) {
        keepDraft(text);
    }
}

void Session::keepDraft(const QString& text)
{
    m_draft.save(text);
    m_settings.setValue(kDraftDocument, m_main.documentPath());
    m_lastText = text;
    m_lastDocument = m_main.documentPath();
    if (platform::MenuBar* menu = m_main.menuBar(); menu && m_reopenId != 0) {
        if (QAction* reopen = menu->action(m_reopenId)) {
            reopen->setEnabled(true);
        }
    }
}

bool Session::rememberedSwitch(const QString& key) const
{
    return storedSwitch(m_settings.value(key));
}

void Session::rememberSwitch(const QString& key, bool on)
{
    m_settings.setValue(key, on);
}

void Session::saveWindowPlace()
{
    if (m_windowPlace.isValid()) {
        m_settings.setValue(kWindowPlace, m_windowPlace);
    }
    if (m_helpPlace.isValid()) {
        m_settings.setValue(kHelpPlace, m_helpPlace);
    }
}

void Session::openFile(const QString& path)
{
    m_main.openFile(path);
    m_main.showNormal();
    m_main.raise();
    m_main.activateWindow();
}

bool Session::eventFilter(QObject* watched, QEvent* event)
{
    // Every event of the program passes here: only showing, hiding and moving matter.
    const QEvent::Type type = event->type();
    if (type != QEvent::Show && type != QEvent::Hide && type != QEvent::Move &&
        type != QEvent::Resize) {
        return false;
    }
    auto* window = qobject_cast<QWidget*>(watched);
    if (!window || !window->isWindow()) {
        return false;
    }
    if (window == &m_main) {
        if (type == QEvent::Hide) {
            saveWindowPlace();
        } else if (type == QEvent::Move && m_main.isVisible()) {
            m_windowPlace = m_main.geometry();
        }
    } else if (qobject_cast<helpviewer::HelpWindow*>(window)) {
        if (type == QEvent::Show) {
            const QRect place = m_settings.value(kHelpPlace).toRect();
            if (isOnScreen(place)) {
                window->setGeometry(place);
            }
            m_helpPlace = window->geometry();
        } else if (type == QEvent::Hide) {
            saveWindowPlace();
        } else if (window->isVisible()) {
            m_helpPlace = window->geometry();
        }
    }
    return false;
}

} // namespace app
