#include "editor/FileOpen.h"

#include "platform/CommonDialogService.h"

namespace editor::FileOpen {

void ShowOpenDialog()
{
    platform::FileDialogRequest request;
    request.filter = OpenFilter;
    request.filterIndex = OpenFilterIndex;
    request.initialDir = OpenInitDir;
    request.title = OpenTitle;
    request.owner = OpenOwner;
    const std::optional<platform::FileDialogResult> result =
        platform::CommonDialogService::current().showOpen(request);
    if (!result) {
        OpenFileName.clear();
        return;
    }
    OpenFileName = StripNulls(result->fileName).trimmed();
    OpenFileTitle = StripNulls(result->fileTitle).trimmed();
    OpenFilterIndex = result->filterIndex;
}

QString StripNulls(const QString& text)
{
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    return nul < 0 ? text : text.left(nul);
}

} // namespace editor::FileOpen
