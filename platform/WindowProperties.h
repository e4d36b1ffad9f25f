#pragma once

#include <QObject>
#include <QString>
#include <optional>

// Named values attached to a window, in the manner of the classic set/get/remove
// property calls. A value is either a number or a reference to an object; object
// references never keep their object alive and read back as nullptr once it is gone.
// The properties live in a child of the window, so they vanish with it. Names are
// matched without regard to case.
namespace platform::windowprops {

void setObject(QObject* window, const QString& name, QObject* object);
void setNumber(QObject* window, const QString& name, qint64 number);

// The object stored under a name; nullptr when there is none, the entry holds a
// number, or the object has been destroyed since.
QObject* object(const QObject* window, const QString& name);
// The number stored under a name; std::nullopt when there is none or it holds an object.
std::optional<qint64> number(const QObject* window, const QString& name);

bool contains(const QObject* window, const QString& name);
void remove(QObject* window, const QString& name);

} // namespace platform::windowprops
