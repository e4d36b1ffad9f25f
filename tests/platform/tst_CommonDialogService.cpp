#include "TestFiles.h"
#include "platform/CommonDialogService.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QFileDialog>
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
    void nameFilters_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("open list")
            << kFilter
            << QStringList{"Text Files (*.txt) (*.txt)", "Rich Text (*.rtf) (*.rtf)",
                           "Word Document (*.doc) (*.doc)", "All files (*.*) (*)"};
        QTest::newRow("wave files") << QStringLiteral("Wav Files (*.wav)|*.wav")
                                    << QStringList{"Wav Files (*.wav) (*.wav)"};
        QTest::newRow("several patterns")
            << QStringLiteral("Pictures|*.bmp;*.png") << QStringList{"Pictures (*.bmp *.png)"};
        QTest::newRow("description without pattern")
            << QStringLiteral("Anything") << QStringList{"Anything (*)"};
        QTest::newRow("empty") << QString() << QStringList{};
    }

    void nameFilters()
    {
        QFETCH(QString, filter);
        QFETCH(QStringList, expected);
        QCOMPARE(fileDialogNameFilters(filter), expected);
    }

    void allFilesListsNamesWithoutExtension()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        for (const char* name : {"README", "a.txt", "b.doc"}) {
            QVERIFY(testfiles::write(dir.filePath(QLatin1String(name)), "x"));
        }
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
        QVERIFY(!CommonDialogService::current().showOpen(request).has_value());
        QCOMPARE(underText, QStringList{"a.txt"});
        QCOMPARE(underAll, (QStringList{"README", "a.txt", "b.doc"}));
    }
};

QTEST_MAIN(tst_CommonDialogService)
#include "tst_CommonDialogService.moc"
