#pragma once

#include "platform/OleColor.h"

#include <QString>
#include <QStringList>
#include <optional>

class QFileDialog;
class QWidget;

// The common dialogs (open, save as, colour, font): every one the program shows goes
// through the current service, so that tests can replace it with a fake.
namespace platform {

struct FileDialogRequest
{
    // Descriptions and patterns alternating, separated by "|":
    // "Text Files (*.txt)|*.txt|All files (*.*)|*.*". Several patterns are separated by ";".
    QString filter;
    int filterIndex = 0;      // 1-based; 0 or out of range: the first entry
    QString fileName;         // proposed name or path
    QString initialDir;       // empty: the current folder
    QString title;            // empty: the dialog's own caption
    QString defaultExtension; // added to a typed name without one (save as)
    QWidget* owner = nullptr;
};

struct FileDialogResult
{
    QString fileName;  // full path
    QString fileTitle; // name without folder
    int filterIndex = 1;
};

struct FontChoice
{
    QString name;
    float size = 0.0F;
    bool bold = false;
    bool italic = false;
    bool strikeThru = false;
    bool underline = false;
};

class CommonDialogService
{
public:
    virtual ~CommonDialogService() = default;

    // Each returns nothing when the user cancelled.
    virtual std::optional<FileDialogResult> showOpen(const FileDialogRequest& request) = 0;
    virtual std::optional<FileDialogResult> showSave(const FileDialogRequest& request) = 0;
    virtual std::optional<OleColor> showColor(OleColor initial, QWidget* owner) = 0;
    virtual std::optional<FontChoice> showFont(const FontChoice& initial, QWidget* owner) = 0;

    // The service in use; the real one unless a test installed another.
    static CommonDialogService& current();
    // Installs a service; nullptr puts the real one back. The caller keeps ownership.
    static void setCurrent(CommonDialogService* service);
};

// The file dialog's name filters for a "|"-separated filter list, one per entry. Each
// keeps its description as the visible text; "*.*" matches names without a dot too.
QStringList fileDialogNameFilters(const QString& filter);

// The non-native file dialog the real service shows, set up for the request (exposed so
// that tests can look at and drive it).
void configureFileDialog(QFileDialog& dialog, const FileDialogRequest& request, bool save);

} // namespace platform
