#include "app/MainAccessible.h"

#include "app/Main.h"
#include "app/NoticeLine.h"
#include "app/ProgressLineAccessible.h"
#include "app/VoiceList.h"
#include "controls/bevel/bvlBUTTONAccessible.h"
#include "controls/rkbuttons/rkButtons_HAccessible.h"
#include "controls/skinned/UcCmdAccessible.h"
#include "controls/skinned/UcProgressAccessible.h"
#include "controls/skinned/UcScrollAccessible.h"
#include "editor/RichTextBoxAccessible.h"
#include "platform/AccessibleMenuItem.h"

namespace {

// The program's other windows: About is a dialog, the help a frame of its own, as a screen
// reader expects them (a plain top-level widget would read as a filler).
QAccessibleInterface* createOtherWindow(const QString& className, QObject* object)
{
    auto* window = qobject_cast<QWidget*>(object);
    if (!window || !window->isWindow()) {
        return nullptr;
    }
    if (className == QLatin1String("About")) {
        return new QAccessibleWidget(window, QAccessible::Dialog);
    }
    if (className == QLatin1String("platform::HelpWindow")) {
        return new QAccessibleWidget(window, QAccessible::Window);
    }
    return nullptr;
}

} // namespace

MainAccessible::MainAccessible(Main* window) : QAccessibleWidget(window, QAccessible::Window) {}

QAccessibleInterface* MainAccessible::create(const QString& className, QObject* object)
{
    auto* window = qobject_cast<Main*>(object);
    if (className != QLatin1String("Main") || !window) {
        return nullptr;
    }
    return new MainAccessible(window);
}

void MainAccessible::installFactories()
{
    // Installing one twice is harmless: Qt keeps each factory once.
    QAccessible::installFactory(&bvlBUTTONAccessible::create);
    QAccessible::installFactory(&rkbuttons::rkButtons_HAccessible::create);
    QAccessible::installFactory(&UcCmdAccessible::create);
    QAccessible::installFactory(&UcScrollAccessible::create);
    QAccessible::installFactory(&UcProgressAccessible::create);
    QAccessible::installFactory(&RichTextBoxAccessible::create);
    QAccessible::installFactory(&ProgressLineAccessible::create);
    QAccessible::installFactory(&platform::AccessibleMenuItem::create);
    QAccessible::installFactory(&MainAccessible::create);
    QAccessible::installFactory(&createOtherWindow);
    QAccessible::installFactory(&NoticeLine::createAccessible);
    QAccessible::installFactory(&VoiceList::createAccessible);
}

QList<QWidget*> MainAccessible::shownChildren() const
{
    QList<QWidget*> shown;
    for (QObject* child : widget()->children()) {
        auto* control = qobject_cast<QWidget*>(child);
        if (control && !control->isWindow() && !control->isHidden()) {
            shown.append(control);
        }
    }
    return shown;
}

int MainAccessible::childCount() const
{
    return static_cast<int>(shownChildren().size());
}

QAccessibleInterface* MainAccessible::child(int index) const
{
    const QList<QWidget*> shown = shownChildren();
    if (index < 0 || index >= shown.size()) {
        return nullptr;
    }
    return QAccessible::queryAccessibleInterface(shown.at(index));
}

int MainAccessible::indexOfChild(const QAccessibleInterface* child) const
{
    if (!child) {
        return -1;
    }
    return static_cast<int>(shownChildren().indexOf(qobject_cast<QWidget*>(child->object())));
}
