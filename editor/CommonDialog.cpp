#include "editor/CommonDialog.h"

#include "platform/CommonDialogService.h"

namespace editor {

bool CommonDialog::ShowColor()
{
    const std::optional<platform::OleColor> color =
        platform::CommonDialogService::current().showColor(Color, owner);
    if (!color) {
        return false;
    }
    Color = *color;
    return true;
}

bool CommonDialog::ShowFont()
{
    platform::FontChoice initial;
    initial.name = FontName;
    initial.size = FontSize;
    initial.bold = FontBold;
    initial.italic = FontItalic;
    initial.strikeThru = FontStrikethru;
    initial.underline = FontUnderline;
    const std::optional<platform::FontChoice> font =
        platform::CommonDialogService::current().showFont(initial, owner);
    if (!font) {
        return false;
    }
    FontName = font->name;
    FontSize = font->size;
    FontBold = font->bold;
    FontItalic = font->italic;
    FontStrikethru = font->strikeThru;
    FontUnderline = font->underline;
    return true;
}

bool CommonDialog::ShowSave()
{
    platform::FileDialogRequest request;
    request.filter = Filter;
    request.filterIndex = FilterIndex;
    request.fileName = FileName;
    request.initialDir = InitDir;
    request.title = DialogTitle;
    request.defaultExtension = DefaultExt;
    request.owner = owner;
    const std::optional<platform::FileDialogResult> result =
        platform::CommonDialogService::current().showSave(request);
    if (!result) {
        return false;
    }
    FileName = result->fileName;
    FileTitle = result->fileTitle;
    FilterIndex = result->filterIndex;
    return true;
}

} // namespace editor
