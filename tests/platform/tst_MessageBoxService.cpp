#include "platform/FakeMessageBoxService.h"
#include "platform/MessageBoxService.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

using namespace platform;

namespace {

// Answers the real box that is about to run modally, after checking what it shows.
struct SeenBox
{
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
};

void answerNextBox(SeenBox* seen, QMessageBox::StandardButton press)
{
    QTimer::singleShot(0, [seen, press] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box);
        seen->title = box->windowTitle();
        seen->text = box->text();
        seen->icon = box->icon();
        seen->buttons = box->standardButtons();
        box->button(press)->click();
    });
}

} // namespace

class tst_MessageBoxService : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void realBoxShowsWhatItIsAsked()
    {
        SeenBox seen;
        answerNextBox(&seen, QMessageBox::Cancel);
        const MessageAnswer answer =
            showMessage(QStringLiteral("File already exists ! Overwrite ?"),
                        MessageButtons::OkCancel, MessageIcon::Exclamation);
        QCOMPARE(answer, MessageAnswer::Cancel);
        QCOMPARE(seen.title, QStringLiteral("Parlanza"));
        QCOMPARE(seen.text, QStringLiteral("File already exists ! Overwrite ?"));
        QCOMPARE(seen.icon, QMessageBox::Warning);
        QCOMPARE(seen.buttons, QMessageBox::Ok | QMessageBox::Cancel);

        // A given title is kept.
        answerNextBox(&seen, QMessageBox::Yes);
        QCOMPARE(MessageBoxService::current().show(requestFromStyle(
                     QStringLiteral("Go on?"), 4 + 32, QStringLiteral("HTML Help Class"))),
                 MessageAnswer::Yes);
        QCOMPARE(seen.title, QStringLiteral("HTML Help Class"));
        QCOMPARE(seen.icon, QMessageBox::Question);
        QCOMPARE(seen.buttons, QMessageBox::Yes | QMessageBox::No);
    }

    void styleWordsChooseButtonsAndIcon_data()
    {
        QTest::addColumn<unsigned>("style");
        QTest::addColumn<MessageButtons>("buttons");
        QTest::addColumn<MessageIcon>("icon");
        QTest::newRow("0") << 0u << MessageButtons::Ok << MessageIcon::None;
        QTest::newRow("48") << 48u << MessageButtons::Ok << MessageIcon::Exclamation;
        QTest::newRow("16") << 16u << MessageButtons::Ok << MessageIcon::Critical;
        QTest::newRow("64") << 64u << MessageButtons::Ok << MessageIcon::Information;
        QTest::newRow("1+48") << 49u << MessageButtons::OkCancel << MessageIcon::Exclamation;
        QTest::newRow("2") << 2u << MessageButtons::AbortRetryIgnore << MessageIcon::None;
        QTest::newRow("3+32") << 35u << MessageButtons::YesNoCancel << MessageIcon::Question;
        QTest::newRow("5+16") << 21u << MessageButtons::RetryCancel << MessageIcon::Critical;
    }

    void styleWordsChooseButtonsAndIcon()
    {
        QFETCH(unsigned, style);
        QFETCH(MessageButtons, buttons);
        QFETCH(MessageIcon, icon);
        const MessageBoxRequest request = requestFromStyle(QStringLiteral("t"), style);
        QCOMPARE(request.buttons, buttons);
        QCOMPARE(request.icon, icon);
    }
};

QTEST_MAIN(tst_MessageBoxService)
#include "tst_MessageBoxService.moc"
