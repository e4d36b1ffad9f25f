#pragma once

#include <QListWidget>

class QAccessibleInterface;

namespace app {

// The list of voices. To a screen reader it is a list of items, each named by its voice,
// selected as the list shows it, and focused only while the list itself has the focus.
class VoiceList : public QListWidget
{
    Q_OBJECT
public:
    using QListWidget::QListWidget;

    // For QAccessible::installFactory.
    static QAccessibleInterface* createAccessible(const QString& className, QObject* object);
};

} // namespace app
