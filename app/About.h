#pragma once

#include <QStringList>
#include <QWidget>

class QLabel;

namespace app {

// The About window: what the program is, which speech engines and voices it uses,
// and the libraries it is built on.
class About : public QWidget
{
    Q_OBJECT
public:
    explicit About(QWidget* parent = nullptr);

    // One line per speech engine in use, e.g. "espeak-ng 1.51 (130 voices)".
    void setSpeechEngines(const QStringList& engines);
    QString speechText() const;

private:
    QLabel* m_speech = nullptr;
};

} // namespace app
