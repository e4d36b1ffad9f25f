#include <QTest>
class tst_SpeechTiming : public QObject { Q_OBJECT };
QTEST_GUILESS_MAIN(tst_SpeechTiming)
#include "tst_SpeechTiming.moc"
