#pragma once

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

namespace app {

// The thin line along the bottom of the status that grows as the speaking (or a recording)
// goes on. Screen readers read it as a progress bar: value of maximum, described by the
// status's tooltip.
class ProgressLine : public QWidget
{
    Q_OBJECT
public:
    explicit ProgressLine(QWidget* status);

    // Shows value of maximum (words heard of the words spoken, or percent recorded) along
    // the status, in the status's text colour, with the description for screen readers.
    void setProgress(int value, int maximum, const QString& description);

    int value() const { return m_value; }
    int maximum() const { return m_maximum; }

    // Screen readers hear at most this often that the line moved; the last move is always
    // told.
    static constexpr int kValueEventGapMs = 250;

private:
    void tellValue();

    int m_value = 0;
    int m_maximum = 0;
    QElapsedTimer m_sinceValueEvent;
    QTimer m_pendingValueEvent;
};

} // namespace app
