#include "app/VoiceList.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QHash>
#include <QPointer>
#include <QWindow>

namespace app {

namespace {

// One voice of the list.
class VoiceItemAccessible : public QAccessibleInterface
{
public:
    VoiceItemAccessible(VoiceList* list, int row) : m_list(list), m_row(row) {}

    bool isValid() const override { return m_list && m_row < m_list->count(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return m_list ? m_list->window()->windowHandle() : nullptr; }
    QAccessibleInterface* focusChild() const override { return nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* parent() const override
    {
        return QAccessible::queryAccessibleInterface(m_list.data());
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QString text(QAccessible::Text t) const override
    {
        const QListWidgetItem* entry = item();
        return t == QAccessible::Name && entry ? entry->text() : QString();
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override
    {
        const QListWidgetItem* entry = item();
        if (!entry) {
            return {};
        }
        const QRect place = m_list->visualItemRect(entry);
        return {m_list->viewport()->mapToGlobal(place.topLeft()), place.size()};
    }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override
    {
        QAccessible::State state;
        const QListWidgetItem* entry = item();
        if (!entry) {
            state.invalid = true;
            return state;
        }
        state.selectable = true;
        state.focusable = true;
        state.selected = entry->isSelected();
        // The current voice is the focus only while the list has it.
        state.focused = m_list->hasFocus() && m_list->currentRow() == m_row;
        state.invisible = !m_list->viewport()->rect().intersects(m_list->visualItemRect(entry));
        state.offscreen = state.invisible;
        return state;
    }

private:
    QListWidgetItem* item() const { return isValid() ? m_list->item(m_row) : nullptr; }

    QPointer<VoiceList> m_list;
    int m_row;
};

class VoiceListAccessible : public QAccessibleWidget
{
public:
    explicit VoiceListAccessible(VoiceList* list) : QAccessibleWidget(list, QAccessible::List) {}
    ~VoiceListAccessible() override
    {
        for (const QAccessible::Id id : std::as_const(m_items)) {
            QAccessible::deleteAccessibleInterface(id);
        }
    }

    int childCount() const override { return list()->count(); }
    QAccessibleInterface* child(int index) const override
    {
        if (index < 0 || index >= list()->count()) {
            return nullptr;
        }
        // The same object for a row every time: the bridge knows it by its id.
        auto found = m_items.constFind(index);
        if (found == m_items.cend()) {
            found = m_items.insert(index, QAccessible::registerAccessibleInterface(
                                              new VoiceItemAccessible(list(), index)));
        }
        return QAccessible::accessibleInterface(*found);
    }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        for (auto it = m_items.cbegin(); it != m_items.cend(); ++it) {
            if (QAccessible::accessibleInterface(*it) == child) {
                return it.key();
            }
        }
        return -1;
    }
    QAccessibleInterface* focusChild() const override
    {
        return list()->hasFocus() ? child(list()->currentRow()) : nullptr;
    }
    QAccessibleInterface* childAt(int x, int y) const override
    {
        const QPoint at = list()->viewport()->mapFromGlobal(QPoint(x, y));
        const QModelIndex index = list()->indexAt(at);
        return index.isValid() ? child(index.row()) : nullptr;
    }

private:
    VoiceList* list() const { return static_cast<VoiceList*>(widget()); }

    mutable QHash<int, QAccessible::Id> m_items;
};

} // namespace

QAccessibleInterface* VoiceList::createAccessible(const QString& className, QObject* object)
{
    auto* list = qobject_cast<VoiceList*>(object);
    if (className != QLatin1String(VoiceList::staticMetaObject.className()) || !list) {
        return nullptr;
    }
    return new VoiceListAccessible(list);
}

} // namespace app
