#include <QTest>
class tst_WaveRecording : public QObject { Q_OBJECT };
QTEST_GUILESS_MAIN(tst_WaveRecording)
#include "tst_WaveRecording.moc"
