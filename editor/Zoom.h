#pragma once

#include "editor/RichTextBox.h"

#include <QString>
#include <array>
#include <optional>

class QComboBox;

// The zoom list and the zoom message to the document editor: the view is scaled by a
// ratio, the document (characters, font sizes) stays as it is.
namespace editor {

struct ZoomRow
{
    const char* text;
    qint32 numerator;
    qint32 denominator;
};

inline constexpr std::array<ZoomRow, 11> kZoomRows{{{"10%", 1, 10},
                                                    {"25%", 1, 4},
                                                    {"50%", 1, 2},
                                                    {"75%", 3, 4},
                                                    {"80%", 4, 5},
                                                    {"90%", 9, 10},
                                                    {"100%", 1, 1},
                                                    {"150%", 3, 2},
                                                    {"200%", 2, 1},
                                                    {"250%", 5, 2},
                                                    {"300%", 3, 1}}};

// A row's item value: numerator * 65536 + denominator.
constexpr qint32 zoomItemValue(const ZoomRow& row)
{
    return row.numerator * 65536 + row.denominator;
}

// What setZoom reports for a ratio it does not send.
struct ZoomError
{
    static constexpr qint32 kNumber = 27110;
    qint32 number = kNumber;
    QString source;      // the program's executable name + ".mRichEdit30"
    QString description; // "Numerator and Denominator must be between 1 and 64"
};

// Adds the rows in order, each with its item value, and shows "100%". The main window
// then shows itself and focuses the list.
void fillZoomList(QComboBox& cboZoom);

// The list's click: the selected row's ratio goes to the editor. No row, no change.
std::optional<ZoomError> cboZoom_Click(const QComboBox& cboZoom, editor::RichTextBox& RichTextBox1);

// Sends the zoom message when numerator and denominator both lie in 0..64; otherwise
// sends nothing and returns error 27110.
std::optional<ZoomError> setZoom(editor::RichTextBox* hWndRtf, qint32 lNumerator,
                                 qint32 lDenominator);

} // namespace editor
