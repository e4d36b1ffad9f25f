#pragma once

#include "platform/OleColor.h"

#include <QString>

class QWidget;

// The main window's common dialog: the colour, font and save-as dialogs with the values
// they keep between uses. Each Show... returns false when the user cancelled, and then
// leaves the values as they were.
namespace editor {

class CommonDialog
{
public:
    // Colour dialog
    platform::OleColor Color = 0;

    // Font dialog
    QString FontName;
    float FontSize = 0.0F;
    bool FontBold = false;
    bool FontItalic = false;
    bool FontStrikethru = false;
    bool FontUnderline = false;
    quint32 Flags = 0;

    // Save-as dialog: "|"-separated filter list, 1-based entry, the chosen path
    QString Filter;
    int FilterIndex = 0;
    QString FileName;
    QString FileTitle;
    QString DialogTitle;
    QString InitDir;
    QString DefaultExt;

    QWidget* owner = nullptr;

    bool ShowColor();
    bool ShowFont();
    bool ShowSave();
};

} // namespace editor
