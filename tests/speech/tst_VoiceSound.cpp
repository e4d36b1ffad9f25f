#include <QTest>
class tst_VoiceSound : public QObject { Q_OBJECT };
QTEST_GUILESS_MAIN(tst_VoiceSound)
#include "tst_VoiceSound.moc"
