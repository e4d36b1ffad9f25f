#pragma once

#include <QAction>
#include <QHash>
#include <QMenu>
#include <QMenuBar>
#include <QObject>
#include <QPixmap>
#include <QPointer>
#include <QString>

// A menu bar of keyed items: each item is added under its parent's key, gets an id,
// and a click is reported by that id. Top-level items are the bar's menus.
namespace platform {

class MenuBar : public QObject
{
    Q_OBJECT
public:
    enum class ItemKind { Item = 0, Separator = 3 };

    explicit MenuBar(QWidget* parent = nullptr);
    ~MenuBar() override;

    QMenuBar* widget() const { return m_bar; }

    // Adds an item under the item with key parentKey (empty: a menu of the bar itself)
    // and returns its id, or 0 when the parent key is unknown.
    qint32 addItem(const QString& parentKey, const QString& key, ItemKind kind,
                   const QString& caption, const QPixmap& picture = {});

    // Moves the item with that id just before the item with key beforeKey of the same
    // menu (or of the bar, for two menus of the bar); nothing happens when either is
    // unknown or they are in different menus.
    void moveBefore(qint32 id, const QString& beforeKey);
    // The item's action (for its shortcut and enabled state); null for an unknown id.
    QAction* action(qint32 id) const { return m_items.value(id).action; }

    // The key of the item with that id; empty for an unknown id.
    QString keyOf(qint32 id) const;
    qint32 count() const { return static_cast<qint32>(m_items.size()); }

    QString fontName() const;
    void setFontName(const QString& name);
    double fontSize() const;
    void setFontSize(double points);

    // Reports a click as if the user had chosen the item.
    void trigger(qint32 id);

Q_SIGNALS:
    void Click(qint32 id);

private:
    struct Item
    {
        QString key;
        QPointer<QAction> action;
        QPointer<QMenu> menu; // set once the item has children, or for a bar menu
    };

    QMenu* menuFor(const QString& parentKey);
    void applyFont();

    QPointer<QMenuBar> m_bar;
    QHash<qint32, Item> m_items;
    qint32 m_nextId = 1;
};

} // namespace platform
