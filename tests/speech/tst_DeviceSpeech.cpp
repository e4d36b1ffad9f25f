#include <QTest>
class tst_DeviceSpeech : public QObject { Q_OBJECT };
QTEST_GUILESS_MAIN(tst_DeviceSpeech)
#include "tst_DeviceSpeech.moc"
