#include "platform/CommonDialogService.h"
#include "platform/FakeCommonDialogService.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

using namespace platform;

namespace {

const QString kFilter =
    QStringLiteral("Text Files (*.txt)|*.txt|Rich Text (*.rtf)|*.rtf|Word Document (*.doc)|*.doc|"
                   "All files (*.*)|*.*");

// Runs the action on the file dialog as soon as it is shown.
void onFileDialog(QObject* context, std::function<void(QFileDialog&)> action)
{
    auto* poll = new QTimer(context);
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, context, [poll, action] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog) {
            return;
        }
        poll->stop();
        poll->deleteLater();
        // Whatever the checks find, the dialog must close or the test hangs.
        const auto close = qScopeGuard([dialog] {
            if (dialog->isVisible()) {
                dialog->reject();
            }
        });
        action(*dialog);
    });
    poll->start();
}

void touch(const QString& path)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("x");
}

// The names the dialog lists in its folder.
QStringList listedNames(QFileDialog& dialog)
{
    QStringList names;
    auto* view = dialog.findChild<QAbstractItemView*>(QStringLiteral("listView"));
    if (!view) {
        return names;
    }
    QAbstractItemModel* model = view->model();
    const QModelIndex root = view->rootIndex();
    for (int row = 0; row < model->rowCount(root); ++row) {
        names << model->index(row, 0, root).data().toString();
    }
    names.sort();
    return names;
}

} // namespace

class tst_CommonDialogService : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void nameFilters_data();
    void nameFilters();
    void openDialogReturnsPathAndEntry();
    void openDialogStartsOnTheEntryGiven();
    void allFilesListsNamesWithoutExtension();
    void cancelledDialogReturnsNothing();
    void fakeRecordsAndAnswers();
};

void tst_CommonDialogService::nameFilters_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("open list") << kFilter
                               << QStringList{
                                      "Text Files (*.txt) (*.txt)", "Rich Text (*.rtf) (*.rtf)",
                                      "Word Document (*.doc) (*.doc)", "All files (*.*) (*)"};
    QTest::newRow("wave files") << QStringLiteral("Wav Files (*.wav)|*.wav")
                                << QStringList{"Wav Files (*.wav) (*.wav)"};
    QTest::newRow("several patterns")
        << QStringLiteral("Pictures|*.bmp;*.png") << QStringList{"Pictures (*.bmp *.png)"};
    QTest::newRow("description without pattern")
        << QStringLiteral("Anything") << QStringList{"Anything (*)"};
    QTest::newRow("empty") << QString() << QStringList{};
}

void tst_CommonDialogService::nameFilters()
{
    QFETCH(QString, filter);
    QFETCH(QStringList, expected);
    QCOMPARE(fileDialogNameFilters(filter), expected);
}

void tst_CommonDialogService::openDialogReturnsPathAndEntry()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("notes.rtf"));
    touch(path);
    QStringList shownFilters;
    onFileDialog(this, [&](QFileDialog& dialog) {
        shownFilters = dialog.nameFilters();
        QVERIFY(dialog.testOption(QFileDialog::DontUseNativeDialog));
        dialog.selectNameFilter(dialog.nameFilters().at(1));
        // Typed, as a user would (selectFile leaves a focused name field alone).
        if (auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
            name->setText(path);
        }
        static_cast<QDialog&>(dialog).accept();
    });
    FileDialogRequest request;
    request.filter = kFilter;
    request.initialDir = dir.path();
    const std::optional<FileDialogResult> result = CommonDialogService::current().showOpen(request);
    QVERIFY(result.has_value());
    QCOMPARE(result->fileName, path);
    QCOMPARE(result->fileTitle, QStringLiteral("notes.rtf"));
    QCOMPARE(result->filterIndex, 2);
    QCOMPARE(shownFilters.size(), 4);
}

void tst_CommonDialogService::openDialogStartsOnTheEntryGiven()
{
    QTemporaryDir dir;
    QString selected;
    QString visible;
    onFileDialog(this, [&](QFileDialog& dialog) {
        selected = dialog.selectedNameFilter();
        if (auto* combo = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"))) {
            visible = combo->currentText();
        }
        dialog.reject();
    });
    FileDialogRequest request;
    request.filter = kFilter;
    request.filterIndex = 3;
    request.initialDir = dir.path();
    QVERIFY(!CommonDialogService::current().showOpen(request).has_value());
    // The user sees the description as the program wrote it.
    QCOMPARE(selected, QStringLiteral("Word Document (*.doc)"));
    QCOMPARE(visible, QStringLiteral("Word Document (*.doc)"));
}

void tst_CommonDialogService::allFilesListsNamesWithoutExtension()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    touch(dir.filePath(QStringLiteral("README")));
    touch(dir.filePath(QStringLiteral("a.txt")));
    touch(dir.filePath(QStringLiteral("b.doc")));
    QStringList underText;
    QStringList underAll;
    onFileDialog(this, [&](QFileDialog& dialog) {
        QTRY_COMPARE(listedNames(dialog), QStringList{"a.txt"});
        underText = listedNames(dialog);
        dialog.selectNameFilter(dialog.nameFilters().at(3));
        QTRY_COMPARE(listedNames(dialog).size(), 3);
        underAll = listedNames(dialog);
        dialog.reject();
    });
    FileDialogRequest request;
    request.filter = kFilter;
    request.filterIndex = 1;
    request.initialDir = dir.path();
    CommonDialogService::current().showOpen(request);
    QCOMPARE(underText, QStringList{"a.txt"});
    QCOMPARE(underAll, (QStringList{"README", "a.txt", "b.doc"}));
}

void tst_CommonDialogService::cancelledDialogReturnsNothing()
{
    onFileDialog(this, [](QFileDialog& dialog) { dialog.reject(); });
    FileDialogRequest request;
    request.filter = QStringLiteral("Wav Files (*.wav)|*.wav");
    QVERIFY(!CommonDialogService::current().showSave(request).has_value());
}

void tst_CommonDialogService::fakeRecordsAndAnswers()
{
    CommonDialogService* real = &CommonDialogService::current();
    {
        FakeCommonDialogService fake;
        QCOMPARE(&CommonDialogService::current(), &fake);
        fake.queueColor(rgb(1, 2, 3));
        QCOMPARE(CommonDialogService::current().showColor(0, nullptr),
                 std::optional<OleColor>(rgb(1, 2, 3)));
        QCOMPARE(CommonDialogService::current().showColor(5, nullptr), std::nullopt);
        QCOMPARE(fake.requests().size(), 2);
        QCOMPARE(fake.requests().at(1).color, OleColor(5));
    }
    QCOMPARE(&CommonDialogService::current(), real);
}

QTEST_MAIN(tst_CommonDialogService)
#include "tst_CommonDialogService.moc"
