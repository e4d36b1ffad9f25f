#include "platform/CommonDialogService.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>

namespace platform {

namespace {

// The 1-based entry the user confirmed. With the patterns hidden the dialog names the
// entry by its description, so both forms are looked for.
int selectedFilterIndex(const QFileDialog& dialog)
{
    const QString selected = dialog.selectedNameFilter();
    const QStringList filters = dialog.nameFilters();
    for (qsizetype i = 0; i < filters.size(); ++i) {
        const QString& filter = filters.at(i);
        const QString description =
            filter.left(filter.lastIndexOf(QLatin1String(" ("))).simplified();
        if (filter == selected || description == selected) {
            return int(i) + 1;
        }
    }
    return 1;
}

class QtCommonDialogService final : public CommonDialogService
{
public:
    std::optional<FileDialogResult> showOpen(const FileDialogRequest& request) override
    {
        return showFile(request, false);
    }

    std::optional<FileDialogResult> showSave(const FileDialogRequest& request) override
    {
        return showFile(request, true);
    }

    std::optional<OleColor> showColor(OleColor initial, QWidget* owner) override
    {
        QColorDialog dialog(toQColor(translateColor(initial)), owner);
        dialog.setOption(QColorDialog::DontUseNativeDialog);
        if (dialog.exec() != QDialog::Accepted) {
            return std::nullopt;
        }
        return fromQColor(dialog.selectedColor());
    }

    std::optional<FontChoice> showFont(const FontChoice& initial, QWidget* owner) override
    {
        QFont font;
        if (!initial.name.isEmpty()) {
            font.setFamilies({initial.name});
        }
        if (initial.size > 0) {
            font.setPointSizeF(initial.size);
        }
        font.setBold(initial.bold);
        font.setItalic(initial.italic);
        font.setStrikeOut(initial.strikeThru);
        font.setUnderline(initial.underline);
        QFontDialog dialog(font, owner);
        dialog.setOption(QFontDialog::DontUseNativeDialog);
        if (dialog.exec() != QDialog::Accepted) {
            return std::nullopt;
        }
        const QFont chosen = dialog.selectedFont();
        FontChoice choice;
        choice.name = chosen.family();
        choice.size = static_cast<float>(chosen.pointSizeF());
        choice.bold = chosen.bold();
        choice.italic = chosen.italic();
        choice.strikeThru = chosen.strikeOut();
        choice.underline = chosen.underline();
        return choice;
    }

private:
    static std::optional<FileDialogResult> showFile(const FileDialogRequest& request, bool save)
    {
        QFileDialog dialog(request.owner);
        configureFileDialog(dialog, request, save);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
            return std::nullopt;
        }
        FileDialogResult result;
        result.fileName = dialog.selectedFiles().constFirst();
        result.fileTitle = QFileInfo(result.fileName).fileName();
        result.filterIndex = selectedFilterIndex(dialog);
        return result;
    }
};

QtCommonDialogService& realService()
{
    static QtCommonDialogService service;
    return service;
}

CommonDialogService* g_current = nullptr;

} // namespace

CommonDialogService& CommonDialogService::current()
{
    return g_current ? *g_current : realService();
}

void CommonDialogService::setCurrent(CommonDialogService* service)
{
    g_current = service;
}

QStringList fileDialogNameFilters(const QString& filter)
{
    QStringList filters;
    if (filter.trimmed().isEmpty()) {
        return filters;
    }
    const QStringList parts = filter.split(u'|');
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        const QString description = parts[i].trimmed();
        QStringList patterns;
        const QString patternText = i + 1 < parts.size() ? parts[i + 1] : QStringLiteral("*");
        for (const QString& pattern : patternText.split(u';', Qt::SkipEmptyParts)) {
            const QString trimmed = pattern.trimmed();
            // The classic dialog's "*.*" also lists names without an extension.
            patterns << (trimmed == QLatin1String("*.*") ? QStringLiteral("*") : trimmed);
        }
        if (patterns.isEmpty()) {
            patterns << QStringLiteral("*");
        }
        // The dialog hides the parenthesised patterns, so the user sees the description
        // as it was given.
        filters << description + QLatin1String(" (") + patterns.join(u' ') + u')';
    }
    return filters;
}

void configureFileDialog(QFileDialog& dialog, const FileDialogRequest& request, bool save)
{
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    if (save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        // The caller asks about an existing file in its own words.
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
        dialog.setDefaultSuffix(request.defaultExtension);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    if (!request.title.isEmpty()) {
        dialog.setWindowTitle(request.title);
    }
    const QStringList filters = fileDialogNameFilters(request.filter);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        const int index = request.filterIndex >= 1 && request.filterIndex <= filters.size()
                              ? request.filterIndex - 1
                              : 0;
        dialog.selectNameFilter(filters.at(index));
    }
    if (!request.initialDir.isEmpty()) {
        dialog.setDirectory(request.initialDir);
    }
    if (!request.fileName.isEmpty()) {
        dialog.selectFile(request.fileName);
    }
}

} // namespace platform
