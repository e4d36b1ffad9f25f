#include "platform/PropertyBag.h"

#include "platform/EventLog.h"

#include <QBuffer>
#include <QJsonValue>
#include <cmath>
#include <limits>

namespace platform {
namespace {

// Colours and other long values may be stored as numbers or as hexadecimal text
// ("0x8000000F", or the classic "&H8000000F&").
std::optional<qint64> wholeNumber(const QJsonValue& value)
{
    if (value.isDouble()) {
        const double number = value.toDouble();
        if (!std::isfinite(number) || number != std::floor(number) || std::abs(number) > 9.0e15) {
            return std::nullopt;
        }
        return static_cast<qint64>(number);
    }
    if (value.isString()) {
        QString text = value.toString().trimmed();
        int base = 10;
        if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
            text = text.mid(2);
            base = 16;
        } else if (text.startsWith(QLatin1String("&H"), Qt::CaseInsensitive)) {
            text = text.mid(2);
            if (text.endsWith(QLatin1Char('&'))) {
                text.chop(1);
            }
            base = 16;
        }
        bool ok = false;
        const qint64 number = text.toLongLong(&ok, base);
        if (ok) {
            return number;
        }
    }
    return std::nullopt;
}

QString colorText(OleColor color)
{
    return QStringLiteral("0x%1")
        .arg(color, 8, 16, QLatin1Char('0'))
        .toUpper()
        .replace(QLatin1String("0X"), QLatin1String("0x"));
}

QJsonObject fontToJson(const QFont& font)
{
    QJsonObject object;
    object.insert(QStringLiteral("name"), font.family());
    object.insert(QStringLiteral("size"), font.pointSizeF());
    object.insert(QStringLiteral("weight"), font.weight());
    object.insert(QStringLiteral("italic"), font.italic());
    object.insert(QStringLiteral("underline"), font.underline());
    object.insert(QStringLiteral("strikethrough"), font.strikeOut());
    return object;
}

bool sameFont(const QFont& a, const QFont& b)
{
    return fontToJson(a) == fontToJson(b);
}

} // namespace

PropertyBag::PropertyBag(QJsonObject values, QString owner)
    : m_values(std::move(values)), m_owner(std::move(owner))
{
}

QJsonValue PropertyBag::find(const QString& key) const
{
    const auto exact = m_values.constFind(key);
    if (exact != m_values.constEnd()) {
        return *exact;
    }
    for (auto it = m_values.constBegin(); it != m_values.constEnd(); ++it) {
        if (it.key().compare(key, Qt::CaseInsensitive) == 0) {
            return *it;
        }
    }
    return QJsonValue(QJsonValue::Undefined);
}

bool PropertyBag::contains(const QString& key) const
{
    return !find(key).isUndefined();
}

void PropertyBag::remove(const QString& key)
{
    for (auto it = m_values.begin(); it != m_values.end();) {
        if (it.key().compare(key, Qt::CaseInsensitive) == 0) {
            it = m_values.erase(it);
        } else {
            ++it;
        }
    }
}

void PropertyBag::store(const QString& key, const QJsonValue& value)
{
    remove(key);
    m_values.insert(key, value);
}

void PropertyBag::warnBadValue(const QString& key, const QString& expected) const
{
    const QString where = m_owner.isEmpty() ? key : m_owner + QLatin1Char('.') + key;
    eventlog::warning(QStringLiteral("Stored property %1 is not a valid %2; using its default.")
                          .arg(where, expected));
}

std::optional<qint64> PropertyBag::readWhole(const QString& key, qint64 low, qint64 high,
                                             const QString& typeName) const
{
    const QJsonValue value = find(key);
    if (value.isUndefined()) {
        return std::nullopt;
    }
    const std::optional<qint64> number = wholeNumber(value);
    if (!number || *number < low || *number > high) {
        warnBadValue(key, typeName);
        return std::nullopt;
    }
    return number;
}

qint16 PropertyBag::readInteger(const QString& key, qint16 defaultValue) const
{
    return static_cast<qint16>(readWhole(key, std::numeric_limits<qint16>::min(),
                                         std::numeric_limits<qint16>::max(),
                                         QStringLiteral("16-bit integer"))
                                   .value_or(defaultValue));
}

qint32 PropertyBag::readLong(const QString& key, qint32 defaultValue) const
{
    // Longs that hold colours may be stored unsigned (0x8000000F): they wrap as they would
    // in a 32-bit register.
    const std::optional<qint64> value =
        readWhole(key, std::numeric_limits<qint32>::min(), std::numeric_limits<quint32>::max(),
                  QStringLiteral("32-bit integer"));
    return value ? static_cast<qint32>(static_cast<quint32>(*value)) : defaultValue;
}

quint8 PropertyBag::readByte(const QString& key, quint8 defaultValue) const
{
    return static_cast<quint8>(
        readWhole(key, 0, 255, QStringLiteral("byte")).value_or(defaultValue));
}

OleColor PropertyBag::readColor(const QString& key, OleColor defaultValue) const
{
    const std::optional<qint64> value =
        readWhole(key, std::numeric_limits<qint32>::min(), std::numeric_limits<quint32>::max(),
                  QStringLiteral("colour"));
    return value ? static_cast<OleColor>(*value) : defaultValue;
}

bool PropertyBag::readBoolean(const QString& key, bool defaultValue) const
{
    const QJsonValue value = find(key);
    if (value.isUndefined()) {
        return defaultValue;
    }
    if (value.isBool()) {
        return value.toBool();
    }
    if (const std::optional<qint64> number = wholeNumber(value)) {
        return *number != 0;
    }
    warnBadValue(key, QStringLiteral("boolean"));
    return defaultValue;
}

double PropertyBag::readDouble(const QString& key, double defaultValue) const
{
    const QJsonValue value = find(key);
    if (value.isUndefined()) {
        return defaultValue;
    }
    if (value.isDouble() && std::isfinite(value.toDouble())) {
        return value.toDouble();
    }
    warnBadValue(key, QStringLiteral("number"));
    return defaultValue;
}

float PropertyBag::readSingle(const QString& key, float defaultValue) const
{
    const double value = readDouble(key, defaultValue);
    if (std::abs(value) > std::numeric_limits<float>::max()) {
        warnBadValue(key, QStringLiteral("single-precision number"));
        return defaultValue;
    }
    return static_cast<float>(value);
}

QString PropertyBag::readString(const QString& key, const QString& defaultValue) const
{
    const QJsonValue value = find(key);
    if (value.isUndefined()) {
        return defaultValue;
    }
    if (value.isString()) {
        return value.toString();
    }
    warnBadValue(key, QStringLiteral("text"));
    return defaultValue;
}

QFont PropertyBag::readFont(const QString& key, const QFont& defaultValue) const
{
    const QJsonValue value = find(key);
    if (value.isUndefined()) {
        return defaultValue;
    }
    const QJsonObject object = value.toObject();
    const QString name = object.value(QStringLiteral("name")).toString();
    const double size = object.value(QStringLiteral("size")).toDouble(defaultValue.pointSizeF());
    const int weight = object.value(QStringLiteral("weight")).toInt(QFont::Normal);
    // Qt reads the name as a list of families ("Liberation Sans, Arial"): one whose first
    // family is empty names no font, and would be written back as an empty name.
    QFont font(name);
    if (!value.isObject() || font.family().isEmpty() || !(size > 0.0 && size <= 1638.0) ||
        weight < 1 || weight > 1000) {
        warnBadValue(key, QStringLiteral("font"));
        return defaultValue;
    }
    font.setPointSizeF(size);
    font.setWeight(static_cast<QFont::Weight>(weight));
    font.setItalic(object.value(QStringLiteral("italic")).toBool());
    font.setUnderline(object.value(QStringLiteral("underline")).toBool());
    font.setStrikeOut(object.value(QStringLiteral("strikethrough")).toBool());
    return font;
}

Picture PropertyBag::readPicture(const QString& key) const
{
    const QJsonValue value = find(key);
    if (value.isUndefined() || value.isNull()) {
        return {};
    }
    const QJsonObject object = value.toObject();
    std::optional<Picture> picture;
    if (object.contains(QStringLiteral("resource"))) {
        picture = Picture::fromResource(object.value(QStringLiteral("resource")).toString());
    } else if (object.contains(QStringLiteral("data"))) {
        picture = Picture::fromData(
            QByteArray::fromBase64(object.value(QStringLiteral("data")).toString().toLatin1()));
    }
    if (!picture) {
        warnBadValue(key, QStringLiteral("picture"));
        return {};
    }
    // The icon writer cannot mark a cursor as one, so the type is stored beside the data.
    if (object.value(QStringLiteral("type")).toString() == QLatin1String("cursor")) {
        return Picture(Picture::Type::Cursor, picture->image());
    }
    return *picture;
}

void PropertyBag::writeInteger(const QString& key, qint16 value, std::optional<qint16> defaultValue)
{
    writeLong(key, value, defaultValue ? std::optional<qint32>(*defaultValue) : std::nullopt);
}

void PropertyBag::writeLong(const QString& key, qint32 value, std::optional<qint32> defaultValue)
{
    if (defaultValue && value == *defaultValue) {
        remove(key);
        return;
    }
    store(key, value);
}

void PropertyBag::writeByte(const QString& key, quint8 value, std::optional<quint8> defaultValue)
{
    writeLong(key, value, defaultValue ? std::optional<qint32>(*defaultValue) : std::nullopt);
}

void PropertyBag::writeBoolean(const QString& key, bool value, std::optional<bool> defaultValue)
{
    if (defaultValue && value == *defaultValue) {
        remove(key);
        return;
    }
    store(key, value);
}

void PropertyBag::writeSingle(const QString& key, float value, std::optional<float> defaultValue)
{
    writeDouble(key, value, defaultValue ? std::optional<double>(*defaultValue) : std::nullopt);
}

void PropertyBag::writeDouble(const QString& key, double value, std::optional<double> defaultValue)
{
    if (defaultValue && value == *defaultValue) {
        remove(key);
        return;
    }
    store(key, value);
}

void PropertyBag::writeString(const QString& key, const QString& value,
                              std::optional<QString> defaultValue)
{
    if (defaultValue && value == *defaultValue) {
        remove(key);
        return;
    }
    store(key, value);
}

void PropertyBag::writeColor(const QString& key, OleColor value,
                             std::optional<OleColor> defaultValue)
{
    if (defaultValue && value == *defaultValue) {
        remove(key);
        return;
    }
    store(key, colorText(value));
}

void PropertyBag::writeFont(const QString& key, const QFont& value,
                            std::optional<QFont> defaultValue)
{
    if (defaultValue && sameFont(value, *defaultValue)) {
        remove(key);
        return;
    }
    store(key, fontToJson(value));
}

void PropertyBag::writePicture(const QString& key, const Picture& value)
{
    if (value.isNull()) {
        remove(key);
        return;
    }
    QJsonObject object;
    if (!value.resourceName().isEmpty()) {
        object.insert(QStringLiteral("resource"), value.resourceName());
    } else {
        QByteArray data;
        QBuffer buffer(&data);
        buffer.open(QIODevice::WriteOnly);
        const char* format = value.type() == Picture::Type::Bitmap ? "PNG" : "ICO";
        value.image().save(&buffer, format);
        object.insert(QStringLiteral("data"), QString::fromLatin1(data.toBase64()));
        if (value.type() == Picture::Type::Cursor) {
            object.insert(QStringLiteral("type"), QStringLiteral("cursor"));
        }
    }
    store(key, object);
}

} // namespace platform
