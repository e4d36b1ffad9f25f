#pragma once

#include <QImage>
#include <QString>

#include <optional>

// A picture property: a bitmap (BMP, JPEG, PNG, GIF), an icon or a cursor, or none.
// Bitmaps from the program's resources remember their name so they can be stored by it.
namespace platform {

class Picture
{
public:
    enum class Type { None, Bitmap, Icon, Cursor };

    Picture() = default;
    Picture(Type type, QImage image, QString resourceName = {});

    // Loads a picture file; the type follows the file's contents, not its name.
    static std::optional<Picture> fromFile(const QString& path, QString* error = nullptr);
    static std::optional<Picture> fromData(const QByteArray& data, QString* error = nullptr);
    // A bitmap of the program's resources, by name.
    static std::optional<Picture> fromResource(const QString& name);

    bool isNull() const { return m_type == Type::None || m_image.isNull(); }
    Type type() const { return m_type; }
    const QImage& image() const { return m_image; }
    const QString& resourceName() const { return m_resourceName; }

    bool operator==(const Picture& other) const;

private:
    Type m_type = Type::None;
    QImage m_image;
    QString m_resourceName;
};

} // namespace platform
