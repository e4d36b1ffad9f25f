#include "platform/Picture.h"

#include "platform/Resources.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>

namespace platform {

Picture::Picture(Type type, QImage image, QString resourceName)
    : m_type(image.isNull() ? Type::None : type)
    , m_image(std::move(image))
    , m_resourceName(std::move(resourceName))
{
}

std::optional<Picture> Picture::fromData(const QByteArray& data, QString* error)
{
    // Icon and cursor files share one header: reserved 0, then type 1 (icon) or 2 (cursor).
    Type type = Type::Bitmap;
    if (data.size() >= 4 && data[0] == 0 && data[1] == 0 && data[3] == 0) {
        if (data[2] == 1) {
            type = Type::Icon;
        } else if (data[2] == 2) {
            type = Type::Cursor;
        }
    }
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, type == Type::Bitmap ? QByteArray() : QByteArrayLiteral("ico"));
    QImage image = reader.read();
    if (image.isNull()) {
        if (error) {
            *error = reader.errorString();
        }
        return std::nullopt;
    }
    return Picture(type, std::move(image));
}

std::optional<Picture> Picture::fromFile(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error) {
            *error = file.errorString();
        }
        return std::nullopt;
    }
    return fromData(file.readAll(), error);
}

std::optional<Picture> Picture::fromResource(const QString& name)
{
    std::optional<QImage> image = resources::bitmap(name);
    if (!image) {
        return std::nullopt;
    }
    return Picture(Type::Bitmap, std::move(*image), name);
}

bool Picture::operator==(const Picture& other) const
{
    if (isNull() || other.isNull()) {
        return isNull() == other.isNull();
    }
    return m_type == other.m_type && m_resourceName == other.m_resourceName &&
           m_image == other.m_image;
}

} // namespace platform
