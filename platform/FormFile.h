#pragma once

#include "platform/PropertyBag.h"

#include <QList>
#include <QRect>
#include <QString>

#include <optional>

// A window described by a form file: its own size and properties and each control's
// class, name, position and size in twips, tab order and stored properties. Form files
// are JSON:
//   {"name": "Main", "width": 9000, "height": 7000, "properties": {...},
//    "controls": [{"class": "bvlBUTTON", "name": "cmdSpkText", "left": 120, "top": 240,
//                  "width": 1200, "height": 600, "tabIndex": 3, "properties": {...}}]}
namespace platform {

struct FormControl
{
    QString className;
    QString name;
    QRect twips; // left, top, width, height in twips
    int tabIndex = 0;
    PropertyBag properties;
};

class FormFile
{
public:
    // Reads a form file; a file that cannot be read or is not a JSON object gives
    // std::nullopt and the reason. Bad values inside fall back to their defaults.
    static std::optional<FormFile> load(const QString& path, QString* error = nullptr);
    static std::optional<FormFile> parse(const QByteArray& json, QString* error = nullptr);
    QByteArray toJson() const;

    QString name;
    QSize twips;
    PropertyBag properties;
    QList<FormControl> controls;

    // The control of that name (matched without case), or nullptr.
    const FormControl* control(const QString& controlName) const;
    FormControl* control(const QString& controlName);
};

} // namespace platform
