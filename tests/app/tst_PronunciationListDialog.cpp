// The list of pronunciations: what the table shows sorted and found, what an import adds
// and says, and OK that cannot save.
#include "app/PronunciationListDialog.h"
#include "app/PronunciationModel.h"
#include "support/FakeMessageBoxService.h"

#include <QSortFilterProxyModel>
#include <QTest>

using speech::LexiconEntry;

namespace {

LexiconEntry entry(const QString& written, const QString& respelling, bool matchCase = false)
{
    LexiconEntry made;
    made.written = written;
    made.respelling = respelling;
    made.matchCase = matchCase;
    return made;
}

const QList<LexiconEntry> kEntries = {entry("Nguyen", "win"), entry("GIF", "jif", true),
                                      entry("Siobhan", "shiv awn"), entry("Zhou", "joe")};

QStringList shownWritten(const app::PronunciationListDialog& dialog)
{
    QStringList written;
    for (int row = 0; row < dialog.shown().rowCount(); ++row) {
        written << dialog.shown().index(row, app::PronunciationModel::Written).data().toString();
    }
    return written;
}

} // namespace

class tst_PronunciationListDialog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sortedAndFound_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<Qt::SortOrder>("order");
        QTest::addColumn<QString>("find");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("as opened")
            << -1 << Qt::AscendingOrder << "" << QStringList{"GIF", "Nguyen", "Siobhan", "Zhou"};
        QTest::newRow("said as, descending")
            << int(app::PronunciationModel::Respelling) << Qt::DescendingOrder << ""
            << QStringList{"Nguyen", "Siobhan", "Zhou", "GIF"};
        QTest::newRow("found in what is said")
            << -1 << Qt::AscendingOrder << "SHIV" << QStringList{"Siobhan"};
        QTest::newRow("found by option")
            << -1 << Qt::AscendingOrder << "match case" << QStringList{"GIF"};
    }

    void sortedAndFound()
    {
        QFETCH(int, column);
        QFETCH(Qt::SortOrder, order);
        QFETCH(QString, find);
        QFETCH(QStringList, shown);
        app::PronunciationListDialog dialog(kEntries, "en", {}, {});
        if (column >= 0) {
            dialog.shown().sort(column, order);
        }
        QTest::keyClicks(dialog.findChild<QWidget*>("find"), find);
        QCOMPARE(shownWritten(dialog), shown);
    }

    // The good entries are added (one for a word already there takes its place); the bad
    // ones are named by line in one message, and a file that is no list adds nothing.
    void import_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QStringList>("told");
        QTest::newRow("bad lines")
            << QByteArray("nguyen\tnew win\nAnna\t\n\nTom\ttom\t\t\tloud\n"
                          "Paris\tparee\n")
            << QStringList{"GIF", "nguyen", "Paris", "Siobhan", "Zhou"}
            << QStringList{"2 pronunciations", "2 entries", "Line 2: ", "Line 4: "};
        QTest::newRow("not a list")
            << QByteArray("<lexicon") << QStringList{"GIF", "Nguyen", "Siobhan", "Zhou"}
            << QStringList{"no pronunciations that can be read"};
        QTest::newRow("all good") << QByteArray("Paris\tparee\n")
                                  << QStringList{"GIF", "Nguyen", "Paris", "Siobhan", "Zhou"}
                                  << QStringList{};
    }

    void import()
    {
        QFETCH(QByteArray, data);
        QFETCH(QStringList, shown);
        QFETCH(QStringList, told);
        app::PronunciationListDialog dialog(kEntries, "en", {}, {});
        const QString message = dialog.importData(data, "names.tsv");
        QCOMPARE(shownWritten(dialog), shown);
        QCOMPARE(message.isEmpty(), told.isEmpty());
        for (const QString& part : told) {
            QVERIFY2(message.contains(part), qPrintable(message));
        }
    }

    void failedSaveKeepsTheDialogOpen()
    {
        support::FakeMessageBoxService boxes;
        QList<LexiconEntry> saved;
        QString failure = "No space left on device";
        app::PronunciationListDialog dialog(kEntries, "en", {}, [&](const auto& entries) {
            saved = entries;
            return failure;
        });
        dialog.show();
        dialog.model().remove({0});
        dialog.accept();
        QVERIFY(dialog.isVisible());
        QCOMPARE(boxes.boxes().size(), 1);
        QVERIFY(boxes.boxes().first().text.contains(failure));
        failure.clear();
        dialog.accept();
        QVERIFY(!dialog.isVisible());
        QCOMPARE(saved, kEntries.mid(1));
    }
};

QTEST_MAIN(tst_PronunciationListDialog)
#include "tst_PronunciationListDialog.moc"
