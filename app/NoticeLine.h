#pragma once

#include <QLabel>

class QAccessibleInterface;

namespace app {

// A one-line notice shown in the window instead of a box that would take the keyboard. A
// screen reader hears it as an alert when it appears, and again when its words change.
class NoticeLine : public QLabel
{
    Q_OBJECT
public:
    explicit NoticeLine(QWidget* parent = nullptr);

    // Shows the words, or hides the line when they are empty.
    void tell(const QString& words);

    // For QAccessible::installFactory.
    static QAccessibleInterface* createAccessible(const QString& className, QObject* object);
};

} // namespace app
