#include "platform/Resources.h"

#include "platform/EventLog.h"
#include "platform/MessageBoxService.h"

#include <QFile>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>

namespace platform::resources {
namespace {

QHash<int, QString> loadStringTable()
{
    QHash<int, QString> table;
    QFile file(QStringLiteral(":/strings/strings.json"));
    if (!file.open(QIODevice::ReadOnly)) {
        return table;
    }
    const QJsonObject object = QJsonDocument::fromJson(file.readAll()).object();
    for (auto it = object.begin(); it != object.end(); ++it) {
        bool ok = false;
        const int id = it.key().toInt(&ok);
        if (ok && it.value().isString()) {
            table.insert(id, it.value().toString());
        }
    }
    return table;
}

} // namespace

std::optional<QImage> bitmap(const QString& name)
{
    QImage image(QStringLiteral(":/bitmaps/%1.bmp").arg(name));
    if (image.isNull()) {
        return std::nullopt;
    }
    return image;
}

QImage bitmapOrReport(const QString& name)
{
    std::optional<QImage> image = bitmap(name);
    if (!image) {
        reportMissing(QStringLiteral("bitmap"), name);
        return {};
    }
    return *image;
}

std::optional<QString> string(int id)
{
    static const QHash<int, QString> table = loadStringTable();
    const auto it = table.constFind(id);
    if (it == table.cend()) {
        return std::nullopt;
    }
    return *it;
}

QString formFilePath(const QString& formName)
{
    return QStringLiteral(":/forms/%1.json").arg(formName);
}

void reportMissing(const QString& kind, const QString& name)
{
    const QString text =
        QStringLiteral("The %1 \"%2\" is missing from the program's resources.").arg(kind, name);
    eventlog::error(text);
    showMessage(text, MessageButtons::Ok, MessageIcon::Exclamation);
}

} // namespace platform::resources
