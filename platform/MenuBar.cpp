#include "platform/MenuBar.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace platform {

MenuBar::MenuBar(QWidget* parent) : QObject(parent), m_bar(new QMenuBar(parent)) {}

MenuBar::~MenuBar()
{
    // The bar belongs to its window once it has one; a bar without a window is ours.
    if (m_bar && !m_bar->parent()) {
        delete m_bar;
    }
}

QMenu* MenuBar::menuFor(const QString& parentKey)
{
    for (Item& item : m_items) {
        if (item.key != parentKey || item.key.isEmpty()) {
            continue;
        }
        if (!item.menu && item.action) {
            // An ordinary item that receives children becomes a submenu.
            item.menu = new QMenu(item.action->text(), m_bar);
            item.action->setMenu(item.menu);
        }
        return item.menu;
    }
    return nullptr;
}

qint32 MenuBar::addItem(const QString& parentKey, const QString& key, ItemKind kind,
                        const QString& caption, const QPixmap& picture)
{
    Item item;
    item.key = key;
    const qint32 id = m_nextId;
    if (parentKey.isEmpty()) {
        item.menu = m_bar->addMenu(caption);
        item.action = item.menu->menuAction();
    } else {
        QMenu* parent = menuFor(parentKey);
        if (!parent) {
            return 0;
        }
        if (kind == ItemKind::Separator) {
            item.action = parent->addSeparator();
        } else {
            item.action = parent->addAction(caption);
            if (!picture.isNull()) {
                item.action->setIcon(QIcon(picture));
            }
            connect(item.action, &QAction::triggered, this, [this, id] { Q_EMIT Click(id); });
        }
    }
    ++m_nextId;
    m_items.insert(id, item);
    applyFont();
    return id;
}

void MenuBar::moveBefore(qint32 id, const QString& beforeKey)
{
    QAction* moved = action(id);
    for (const Item& item : std::as_const(m_items)) {
        if (item.key == beforeKey && moved && item.action) {
            const QList<QObject*> menus = item.action->associatedObjects();
            // A menu of the bar moves along the bar itself.
            for (QObject* object : menus) {
                auto* menu = qobject_cast<QWidget*>(object);
                if ((qobject_cast<QMenu*>(menu) || qobject_cast<QMenuBar*>(menu)) &&
                    moved->associatedObjects().contains(menu)) {
                    menu->removeAction(moved);
                    menu->insertAction(item.action, moved);
                    return;
                }
            }
        }
    }
}

QString MenuBar::keyOf(qint32 id) const
{
    return m_items.value(id).key;
}

void MenuBar::trigger(qint32 id)
{
    const auto it = m_items.constFind(id);
    if (it != m_items.cend() && it->action && !it->action->isSeparator()) {
        if (it->menu) {
            Q_EMIT Click(id); // a menu title reports its click but runs nothing itself
        } else {
            it->action->trigger();
        }
    }
}

QString MenuBar::fontName() const
{
    return m_bar->font().family();
}

void MenuBar::setFontName(const QString& name)
{
    QFont font = m_bar->font();
    font.setFamily(name);
    m_bar->setFont(font);
    applyFont();
}

double MenuBar::fontSize() const
{
    return m_bar->font().pointSizeF();
}

void MenuBar::setFontSize(double points)
{
    if (!(points > 0.0)) {
        return;
    }
    QFont font = m_bar->font();
    font.setPointSizeF(points);
    m_bar->setFont(font);
    applyFont();
}

void MenuBar::applyFont()
{
    // Menus are separate windows and do not inherit the bar's font.
    for (const Item& item : std::as_const(m_items)) {
        if (item.menu) {
            item.menu->setFont(m_bar->font());
        }
    }
}

} // namespace platform
