#include "app/NoticeLine.h"

#include <QAccessible>
#include <QAccessibleWidget>

namespace app {

namespace {

class NoticeLineAccessible : public QAccessibleWidget
{
public:
    explicit NoticeLineAccessible(NoticeLine* line)
        : QAccessibleWidget(line, QAccessible::AlertMessage)
    {
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name) {
            return static_cast<const NoticeLine*>(widget())->text();
        }
        return QAccessibleWidget::text(t);
    }
};

} // namespace

NoticeLine::NoticeLine(QWidget* parent) : QLabel(parent)
{
    setAlignment(Qt::AlignCenter);
    setWordWrap(false);
    hide();
}

void NoticeLine::tell(const QString& words)
{
    if (words == text() && isVisible() == !words.isEmpty()) {
        return;
    }
    setText(words);
    setVisible(!words.isEmpty());
    if (!words.isEmpty()) {
        QAccessibleEvent event(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&event);
    }
}

QAccessibleInterface* NoticeLine::createAccessible(const QString& className, QObject* object)
{
    auto* line = qobject_cast<NoticeLine*>(object);
    if (className != QLatin1String(NoticeLine::staticMetaObject.className()) || !line) {
        return nullptr;
    }
    return new NoticeLineAccessible(line);
}

} // namespace app
