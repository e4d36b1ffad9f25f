#include "skin/SkinCatalogue.h"

#include "platform/Resources.h"

namespace skin {

platform::OleColor captionColor(int stringId)
{
    const std::optional<QString> text = platform::resources::string(stringId);
    if (!text) {
        return 0;
    }
    bool ok = false;
    const qulonglong value = text->trimmed().toULongLong(&ok);
    return ok ? static_cast<platform::OleColor>(value & 0xFFFFFFFFu) : 0;
}

} // namespace skin
