#pragma once

#include <QClipboard>
#include <QObject>
#include <QString>

namespace desktop {

// Reads the text other programs offer (the selection and the clipboard), and while it is on
// reports each new text another program puts on the clipboard.
class ClipboardWatch : public QObject
{
    Q_OBJECT
public:
    explicit ClipboardWatch(QObject* parent = nullptr);

    bool isOn() const { return m_on; }
    void setOn(bool on);

    // The text the mode holds now: the primary selection (what is selected in any program)
    // or the clipboard; blank space counts as none.
    static QString text(QClipboard::Mode mode);

Q_SIGNALS:
    // Another program put this text (never blank) on the clipboard.
    void textCopied(const QString& text);

private:
    void clipboardChanged();

    bool m_on = false;
};

} // namespace desktop
