#include "platform/WindowProperties.h"

#include <QHash>
#include <QPointer>
#include <variant>

namespace platform::windowprops {
namespace {

// The holder is a child of the window: deleting the window deletes its properties.
class PropertyStore final : public QObject
{
public:
    using Value = std::variant<qint64, QPointer<QObject>>;

    explicit PropertyStore(QObject* window) : QObject(window)
    {
        setObjectName(QString::fromLatin1(kName));
    }

    static constexpr const char* kName = "parlanza_window_properties";

    QHash<QString, Value> values;
};

QString keyOf(const QString& name)
{
    return name.toCaseFolded();
}

PropertyStore* findStore(const QObject* window)
{
    if (!window) {
        return nullptr;
    }
    return dynamic_cast<PropertyStore*>(window->findChild<QObject*>(
        QString::fromLatin1(PropertyStore::kName), Qt::FindDirectChildrenOnly));
}

PropertyStore* storeFor(QObject* window)
{
    if (!window) {
        return nullptr;
    }
    if (PropertyStore* store = findStore(window)) {
        return store;
    }
    return new PropertyStore(window);
}

const PropertyStore::Value* find(const QObject* window, const QString& name)
{
    const PropertyStore* store = findStore(window);
    if (!store) {
        return nullptr;
    }
    const auto it = store->values.constFind(keyOf(name));
    return it == store->values.constEnd() ? nullptr : &*it;
}

} // namespace

void setObject(QObject* window, const QString& name, QObject* object)
{
    if (PropertyStore* store = storeFor(window)) {
        store->values.insert(keyOf(name), QPointer<QObject>(object));
    }
}

void setNumber(QObject* window, const QString& name, qint64 number)
{
    if (PropertyStore* store = storeFor(window)) {
        store->values.insert(keyOf(name), number);
    }
}

QObject* object(const QObject* window, const QString& name)
{
    const PropertyStore::Value* value = find(window, name);
    if (!value) {
        return nullptr;
    }
    const auto* pointer = std::get_if<QPointer<QObject>>(value);
    return pointer ? pointer->data() : nullptr;
}

std::optional<qint64> number(const QObject* window, const QString& name)
{
    const PropertyStore::Value* value = find(window, name);
    if (!value) {
        return std::nullopt;
    }
    const auto* number = std::get_if<qint64>(value);
    return number ? std::optional<qint64>(*number) : std::nullopt;
}

bool contains(const QObject* window, const QString& name)
{
    return find(window, name) != nullptr;
}

void remove(QObject* window, const QString& name)
{
    if (PropertyStore* store = findStore(window)) {
        store->values.remove(keyOf(name));
    }
}

} // namespace platform::windowprops
