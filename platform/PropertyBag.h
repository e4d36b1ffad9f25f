#pragma once

#include "platform/OleColor.h"
#include "platform/Picture.h"

#include <QFont>
#include <QJsonObject>
#include <QString>

#include <optional>

// The stored properties of one control inside its host form. Each key has a default:
// reading a missing key gives the default, writing a value equal to the default stores
// nothing. Keys match without regard to case. A stored value that is malformed or out
// of range for its type reads as the default and leaves a warning in the event log.
namespace platform {

class PropertyBag
{
public:
    PropertyBag() = default;
    explicit PropertyBag(QJsonObject values, QString owner = {});

    const QJsonObject& toJson() const { return m_values; }
    bool contains(const QString& key) const;
    bool isEmpty() const { return m_values.isEmpty(); }

    qint16 readInteger(const QString& key, qint16 defaultValue) const;
    qint32 readLong(const QString& key, qint32 defaultValue) const;
    quint8 readByte(const QString& key, quint8 defaultValue) const;
    bool readBoolean(const QString& key, bool defaultValue) const;
    float readSingle(const QString& key, float defaultValue) const;
    double readDouble(const QString& key, double defaultValue) const;
    QString readString(const QString& key, const QString& defaultValue) const;
    OleColor readColor(const QString& key, OleColor defaultValue) const;
    QFont readFont(const QString& key, const QFont& defaultValue) const;
    // A picture has no default but "none".
    Picture readPicture(const QString& key) const;

    // A default of std::nullopt means the value is always written.
    void writeInteger(const QString& key, qint16 value, std::optional<qint16> defaultValue);
    void writeLong(const QString& key, qint32 value, std::optional<qint32> defaultValue);
    void writeByte(const QString& key, quint8 value, std::optional<quint8> defaultValue);
    void writeBoolean(const QString& key, bool value, std::optional<bool> defaultValue);
    void writeSingle(const QString& key, float value, std::optional<float> defaultValue);
    void writeDouble(const QString& key, double value, std::optional<double> defaultValue);
    void writeString(const QString& key, const QString& value,
                     std::optional<QString> defaultValue);
    void writeColor(const QString& key, OleColor value, std::optional<OleColor> defaultValue);
    void writeFont(const QString& key, const QFont& value, std::optional<QFont> defaultValue);
    void writePicture(const QString& key, const Picture& value);

    void remove(const QString& key);

private:
    // The stored value under a key matched without case; undefined when missing.
    QJsonValue find(const QString& key) const;
    void store(const QString& key, const QJsonValue& value);
    void warnBadValue(const QString& key, const QString& expected) const;
    std::optional<qint64> readWhole(const QString& key, qint64 low, qint64 high,
                                    const QString& typeName) const;

    QJsonObject m_values;
    QString m_owner; // named in warnings, e.g. "Main.cmdSpkText"
};

} // namespace platform
