#include <QTest>
class tst_TextSegmenter : public QObject { Q_OBJECT };
QTEST_GUILESS_MAIN(tst_TextSegmenter)
#include "tst_TextSegmenter.moc"
