#include "editor/Zoom.h"

#include "editor/RichTextBox.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFileInfo>

namespace editor {

namespace {
constexpr qint32 kDenominatorMask = 0x7FFF;
constexpr qint32 kNumeratorShift = 65536;
} // namespace

void fillZoomList(QComboBox& cboZoom)
{
    for (const ZoomRow& row : kZoomRows) {
        cboZoom.addItem(QString::fromLatin1(row.text));
        cboZoom.setItemData(cboZoom.count() - 1, zoomItemValue(row));
    }
    // The list opens showing the editor's actual zoom, not its first row.
    cboZoom.setCurrentIndex(cboZoom.findText(QStringLiteral("100%")));
}

std::optional<ZoomError> cboZoom_Click(const QComboBox& cboZoom, editor::RichTextBox& RichTextBox1)
{
    const int index = cboZoom.currentIndex();
    if (index == -1) {
        return std::nullopt;
    }
    const qint32 value = cboZoom.itemData(index).toInt();
    return setZoom(RichTextBox1.hWnd(), value / kNumeratorShift, value & kDenominatorMask);
}

std::optional<ZoomError> setZoom(editor::RichTextBox* hWndRtf, qint32 lNumerator,
                                 qint32 lDenominator)
{
    const auto inRange = [](qint32 term) {
        return term >= 0 && term <= editor::RichTextBox::kMaxZoomTerm;
    };
    if (inRange(lNumerator) && inRange(lDenominator)) {
        if (hWndRtf) {
            hWndRtf->sendZoomMessage(lNumerator, lDenominator);
        }
        return std::nullopt;
    }
    ZoomError error;
    error.source = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName() +
                   QLatin1String(".mRichEdit30");
    error.description = QStringLiteral("Numerator and Denominator must be between 1 and 64");
    return error;
}

} // namespace editor
