#pragma once

#include <QImage>
#include <QString>

#include <optional>

// The program's compiled-in resources: skin bitmaps by name, strings by id and
// form files by window name.
namespace platform::resources {

// The bitmap of that name (":/bitmaps/NAME.bmp"), pixel-exact.
std::optional<QImage> bitmap(const QString& name);
// The same, reporting a missing bitmap in a message box.
QImage bitmapOrReport(const QString& name);

// The string of the string table with that id.
std::optional<QString> string(int id);

// The path of a window's form file inside the resources.
QString formFilePath(const QString& formName);

// Tells the user that a resource the program needs is missing.
void reportMissing(const QString& kind, const QString& name);

} // namespace platform::resources
