// Following the speech in the whole window with the real engines on a real X server: the mark
// moves on, the speaking commands start where they say, editing never marks a wrong place.
#include "app/FollowAlong.h"
#include "app/Main.h"
#include "editor/RichTextBox.h"
#include "speech/DirectSS.h"
#include "tests/app/WindowTestSupport.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QMenu>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollBar>
#include <QTextCursor>
#include <optional>

const QString kParagraph =
    "Reading along is easier when the word being spoken stands out on the page. The listener "
    "can look away for a moment and find the place again at a glance, even in a long text that "
    "keeps scrolling while it is read aloud from the first line to the last one.";

class tst_FollowAlong : public QObject
{
    Q_OBJECT

    using Range = std::pair<int, int>;
    std::unique_ptr<app::Main> m_main;
    editor::RichTextBox* m_editor = nullptr;
    QList<Range> m_marks; // each word marked, in order
    QStringList m_counts; // the status's "Word n of m" as each was marked

    // The document position at the middle of the marked word as the screen shows it.
    std::optional<int> markedOnScreen() const
    {
        const QWidget* view = m_editor->viewport();
        const QPoint at = view->mapToGlobal(QPoint(0, 0));
        const QImage shot =
            view->screen()->grabWindow(0, at.x(), at.y(), view->width(), view->height()).toImage();
        const QRgb marked = editor::RichTextBox::spokenColor().rgb() & 0xFFFFFF;
        QRect found;
        for (int y = 0; y < shot.height(); ++y) {
            for (int x = 0; x < shot.width(); ++x) {
                if ((shot.pixel(x, y) & 0xFFFFFF) == marked) {
                    found |= QRect(x, y, 1, 1);
                }
            }
        }
        return found.isEmpty() ? std::nullopt : std::optional(m_editor->positionAt(found.center()));
    }

    static Range wordAt(const QString& text, int position)
    {
        int start = position;
        while (start > 0 && text.at(start - 1).isLetterOrNumber()) {
            --start;
        }
        int end = position;
        while (end < text.size() && text.at(end).isLetterOrNumber()) {
            ++end;
        }
        return {start, end - start};
    }

    void command(const QKeySequence& keys) { QTest::keySequence(m_main.get(), keys); }

private Q_SLOTS:
    void initTestCase()
    {
        m_main = std::make_unique<app::Main>();
        m_main->Form_Load();
        QVERIFY(QTest::qWaitForWindowExposed(m_main.get()));
        m_main->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_main.get()));
        m_editor = m_main->findChild<editor::RichTextBox*>("RichTextBox1");
        QVERIFY(m_editor && m_main->followAlong());
        connect(m_main->speechControl(), &speech::SpeechControl::WordHeard, this, [this] {
            if (const std::optional<Range> mark = m_editor->spokenRange()) {
                m_marks.append(*mark);
                m_counts.append(m_main->findChild<QLabel*>("lblStatus")->toolTip());
            }
        });
    }

    void init()
    {
        m_main->cmdStopText_Click();
        m_editor->setText(kParagraph);
        QTRY_VERIFY(qobject_cast<speech::DirectSS*>(m_main->speechControl())->isIdle());
        QTest::qWait(100); // the stopped speech's end, reported by a queued call
        m_marks.clear();
        m_counts.clear();
    }

    void cleanupTestCase() { m_main.reset(); }

    void markMovesOnWhileSpeaking()
    {
        auto* status = m_main->findChild<QLabel*>("lblStatus");
        m_main->cmdSpkText_Click();
        QTRY_VERIFY_WITH_TIMEOUT(m_marks.size() >= 2, 10000);
        const std::optional<int> first = markedOnScreen();
        QTest::qWait(1000);
        const std::optional<int> second = markedOnScreen();
        QVERIFY(first && second);
        QVERIFY2(wordAt(kParagraph, *second).first > wordAt(kParagraph, *first).first,
                 qPrintable(QString("%1 then %2").arg(*first).arg(*second)));
        // The position at a glance, the written status as it was.
        QCOMPARE(status->text(), "SPEAKING");
        QVERIFY(status->toolTip().contains(" of 51"));
        QVERIFY(m_main->followAlong()->progressLine()->isVisible());
        // Drawn over the text, not written into it.
        QVERIFY(!m_editor->document()->isModified());
        QVERIFY(!m_editor->document()->isUndoAvailable());
        m_main->cmdStopText_Click();
        QVERIFY(!m_editor->spokenRange());
        QTRY_VERIFY(!markedOnScreen());
        QVERIFY(!m_main->followAlong()->progressLine()->isVisible());
    }

    // Speak from the Caret starts at the word the caret is in or just after; Speak the
    // Selection speaks the selected words alone and takes the mark away at their end.
    void speakFromTheCaretOrTheSelection_data()
    {
        QTest::addColumn<int>("caret");
        QTest::addColumn<int>("selected");
        QTest::addColumn<int>("firstWord");
        const int spoken = int(kParagraph.indexOf("spoken"));
        QTest::newRow("inside a word") << spoken + 3 << 0 << spoken;
        QTest::newRow("at a word's start") << spoken << 0 << spoken;
        QTest::newRow("after a word") << spoken - 1 << 0 << spoken;
        const int start = int(kParagraph.indexOf("The listener"));
        const int end = int(kParagraph.indexOf(" for a moment"));
        QTest::newRow("selection") << start << end - start << start;
    }

    void speakFromTheCaretOrTheSelection()
    {
        QFETCH(int, caret);
        QFETCH(int, selected);
        QFETCH(int, firstWord);
        m_editor->setSelStart(caret);
        m_editor->setSelLength(selected);
        QSignalSpy stopped(m_main->speechControl(), &speech::SpeechControl::AudioStop);
        command(QKeySequence(selected > 0 ? Qt::CTRL | Qt::Key_F5 : Qt::SHIFT | Qt::Key_F5));
        QTRY_VERIFY_WITH_TIMEOUT(!m_marks.isEmpty(), 10000);
        QCOMPARE(m_marks.first(), wordAt(kParagraph, firstWord));
        if (selected > 0) {
            QTRY_VERIFY_WITH_TIMEOUT(stopped.count() > 0, 15000);
            QCOMPARE(m_marks.size(), 5);
            QCOMPARE(m_marks.last(), wordAt(kParagraph, caret + selected - 1));
            QVERIFY(!m_editor->spokenRange());
        }
    }
    void continueAfterStop()
    {
        m_main->cmdSpkText_Click();
        QTRY_VERIFY_WITH_TIMEOUT(m_marks.size() >= 4, 10000);
        m_main->cmdStopText_Click();
        const Range last = m_marks.last();
        const QString lastCount = m_counts.last();
        m_marks.clear();
        m_counts.clear();
        QTest::qWait(300);
        QVERIFY(m_marks.isEmpty());
        command(QKeySequence(Qt::Key_F7));
        QTRY_VERIFY_WITH_TIMEOUT(!m_marks.isEmpty(), 10000);
        const QRegularExpression word("\\w");
        QCOMPARE(m_marks.first(),
                 wordAt(kParagraph, int(kParagraph.indexOf(word, last.first + last.second))));
        // The count goes on from the word before, out of the same whole.
        QCOMPARE(
            m_counts.first(),
            QString("Word %1 of 51").arg(lastCount.section(QLatin1Char(' '), 1, 1).toInt() + 1));
    }

    // The view goes to the word only once it is out of sight, and not while the user has
    // just scrolled; zoomed, the mark is still drawn on its word.
    void markKeptInView()
    {
        m_editor->setText(kParagraph.repeated(30));
        QScrollBar* bar = m_editor->verticalScrollBar();
        const int far = int(kParagraph.size()) * 15;
        QVERIFY(m_editor->sendZoomMessage(2, 1));
        m_editor->setSpokenRange(far, 7);
        QVERIFY(bar->value() > 0);
        QVERIFY(m_editor->viewport()->rect().contains(m_editor->cursorRect(far)));
        QTRY_VERIFY(markedOnScreen().has_value());
        QCOMPARE(wordAt(m_editor->text(), *markedOnScreen()), Range(far, 7));
        const int shown = bar->value();
        m_editor->setSpokenRange(far + 8, 4);
        QCOMPARE(bar->value(), shown);
        bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
        const int scrolled = bar->value();
        m_editor->setSpokenRange(far + int(kParagraph.size()) * 10, 7);
        QCOMPARE(bar->value(), scrolled);
        QVERIFY(m_editor->sendZoomMessage(0, 0));
        m_editor->clearSpokenRange();
    }

    // Text typed before the word being spoken moves the mark along with its word; text
    // deleted under it takes the mark away.
    void editingWhileSpeaking()
    {
        m_main->cmdSpkText_Click();
        QTRY_VERIFY_WITH_TIMEOUT(m_marks.size() >= 2, 10000);
        // Typed in by the program, then pasted at the start as a user pastes, by the key.
        const std::pair<QString, bool> edits[] = {{"Inserted first. ", false},
                                                  {"Pasted too. ", true}};
        int added = 0;
        for (const auto& [words, pasted] : edits) {
            if (pasted) {
                QGuiApplication::clipboard()->setText(words);
                m_editor->setSelStart(0);
                m_editor->setFocus();
                QTest::keySequence(m_editor, QKeySequence::Paste);
            } else {
                QTextCursor(m_editor->document()).insertText(words);
            }
            QVERIFY(m_editor->text().startsWith(words));
            added += int(words.size());
            const int marked = int(m_marks.size());
            QTRY_VERIFY_WITH_TIMEOUT(m_marks.size() >= marked + 2, 10000);
            const QString now = m_editor->text();
            for (qsizetype i = marked; i < m_marks.size(); ++i) {
                const Range mark = m_marks.at(i);
                QCOMPARE(now.mid(mark.first, mark.second),
                         kParagraph.mid(mark.first - added, mark.second));
            }
        }
        m_editor->selectAll();
        m_editor->setSelText("Something else entirely, spoken by nobody.");
        const int before = int(m_marks.size());
        QTest::qWait(1000);
        QCOMPARE(m_marks.size(), before);
        QVERIFY(!m_editor->spokenRange());
    }

    void contextMenuOffersTheCommands()
    {
        const QPoint at(10, 10);
        QContextMenuEvent event(QContextMenuEvent::Mouse, at,
                                m_editor->viewport()->mapToGlobal(at));
        QCoreApplication::sendEvent(m_editor->viewport(), &event);
        QTRY_VERIFY(qobject_cast<QMenu*>(QApplication::activePopupWidget()));
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QStringList texts;
        for (const QAction* action : menu->actions().mid(menu->actions().size() - 4)) {
            texts << action->text() + QLatin1Char(' ') + action->shortcut().toString();
        }
        menu->close();
        QCOMPARE(texts,
                 QStringList({"Speak from the &Caret Shift+F5", "Speak the &Selection Ctrl+F5",
                              "C&ontinue F7", "Pronounce &As... F8"}));
    }
};

QTEST_MAIN(tst_FollowAlong)
#include "tst_FollowAlong.moc"
