#include "platform/FormFile.h"

#include "platform/EventLog.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <limits>

namespace platform {
namespace {

// Twips are stored as whole numbers; a window or control cannot be larger than a
// 16-bit count of pixels would allow.
constexpr int kMaxTwips = std::numeric_limits<qint16>::max() * 15;

int readTwips(const PropertyBag& geometry, const QString& key, int defaultValue, int low)
{
    const qint32 value = geometry.readLong(key, defaultValue);
    if (value < low || value > kMaxTwips) {
        eventlog::warning(
            QStringLiteral("Form file value %1 = %2 is out of range; using %3.")
                .arg(key)
                .arg(value)
                .arg(defaultValue));
        return defaultValue;
    }
    return value;
}

} // namespace

std::optional<FormFile> FormFile::load(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error) {
            *error = file.errorString();
        }
        return std::nullopt;
    }
    return parse(file.readAll(), error);
}

std::optional<FormFile> FormFile::parse(const QByteArray& json, QString* error)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isObject()) {
        if (error) {
            *error = parseError.error != QJsonParseError::NoError
                         ? parseError.errorString()
                         : QStringLiteral("a form file must hold one JSON object");
        }
        return std::nullopt;
    }
    const QJsonObject root = document.object();
    FormFile form;
    const PropertyBag top(root, QStringLiteral("form"));
    form.name = top.readString(QStringLiteral("name"), QString());
    form.twips = QSize(readTwips(top, QStringLiteral("width"), 4800, 0),
                       readTwips(top, QStringLiteral("height"), 3600, 0));
    form.properties =
        PropertyBag(root.value(QStringLiteral("properties")).toObject(), form.name);

    const QJsonArray controls = root.value(QStringLiteral("controls")).toArray();
    for (const QJsonValue& entry : controls) {
        const QJsonObject object = entry.toObject();
        const PropertyBag geometry(object, form.name);
        FormControl control;
        control.className = geometry.readString(QStringLiteral("class"), QString());
        control.name = geometry.readString(QStringLiteral("name"), QString());
        if (control.className.isEmpty() || control.name.isEmpty()) {
            eventlog::warning(QStringLiteral("Form %1 has a control without class or name; "
                                             "it is left out.")
                                  .arg(form.name));
            continue;
        }
        control.twips = QRect(readTwips(geometry, QStringLiteral("left"), 0, -kMaxTwips),
                              readTwips(geometry, QStringLiteral("top"), 0, -kMaxTwips),
                              readTwips(geometry, QStringLiteral("width"), 1200, 0),
                              readTwips(geometry, QStringLiteral("height"), 360, 0));
        control.tabIndex = geometry.readInteger(QStringLiteral("tabIndex"), 0);
        control.properties = PropertyBag(object.value(QStringLiteral("properties")).toObject(),
                                         form.name + QLatin1Char('.') + control.name);
        form.controls.append(control);
    }
    return form;
}

QByteArray FormFile::toJson() const
{
    QJsonObject root;
    root.insert(QStringLiteral("name"), name);
    root.insert(QStringLiteral("width"), twips.width());
    root.insert(QStringLiteral("height"), twips.height());
    if (!properties.isEmpty()) {
        root.insert(QStringLiteral("properties"), properties.toJson());
    }
    QJsonArray array;
    for (const FormControl& control : controls) {
        QJsonObject object;
        object.insert(QStringLiteral("class"), control.className);
        object.insert(QStringLiteral("name"), control.name);
        object.insert(QStringLiteral("left"), control.twips.left());
        object.insert(QStringLiteral("top"), control.twips.top());
        object.insert(QStringLiteral("width"), control.twips.width());
        object.insert(QStringLiteral("height"), control.twips.height());
        object.insert(QStringLiteral("tabIndex"), control.tabIndex);
        if (!control.properties.isEmpty()) {
            object.insert(QStringLiteral("properties"), control.properties.toJson());
        }
        array.append(object);
    }
    root.insert(QStringLiteral("controls"), array);
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

const FormControl* FormFile::control(const QString& controlName) const
{
    for (const FormControl& entry : controls) {
        if (entry.name.compare(controlName, Qt::CaseInsensitive) == 0) {
            return &entry;
        }
    }
    return nullptr;
}

FormControl* FormFile::control(const QString& controlName)
{
    return const_cast<FormControl*>(std::as_const(*this).control(controlName));
}

} // namespace platform
