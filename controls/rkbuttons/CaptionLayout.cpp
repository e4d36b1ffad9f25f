#include "controls/rkbuttons/CaptionLayout.h"

#include "platform/Units.h"

#include <QFontMetrics>
#include <algorithm>

namespace rkbuttons {
namespace {

constexpr int kCaptionMargin = 3;
constexpr int kPictureGap = 4;

} // namespace

int captionAlignment(CaptionPlace place)
{
    switch (place) {
    case CaptionPlace::Left:
        return Qt::AlignLeft;
    case CaptionPlace::Right:
        return Qt::AlignRight;
    case CaptionPlace::Centre:
        break;
    }
    return Qt::AlignHCenter;
}

QString accessKey(const QString& caption)
{
    qsizetype i = caption.size() - 1;
    while (i >= 0) {
        if (caption[i] == QLatin1Char('&')) {
            if (i > 0 && caption[i - 1] == QLatin1Char('&')) {
                i -= 2; // a literal ampersand
                continue;
            }
            return caption.mid(i + 1, 1);
        }
        --i;
    }
    return {};
}

QFont captionFont(const QFont& font)
{
    QFont caption(font.family().left(32));
    if (font.pointSizeF() > 0) {
        caption.setPixelSize(
            std::max<int>(1, static_cast<int>(platform::roundHalfEven(
                                 font.pointSizeF() * 20.0 / platform::twipsPerPixelY()))));
    } else {
        caption.setPixelSize(font.pixelSize());
    }
    caption.setWeight(font.weight());
    caption.setItalic(font.italic());
    caption.setUnderline(font.underline());
    caption.setStrikeOut(font.strikeOut());
    return caption;
}

CaptionLayout layoutCaption(QSize size, const QString& caption, const QFont& font, Outline shape,
                            CaptionPlace align, std::optional<PicturePlace> picture,
                            int pictureSize)
{
    const int W = size.width();
    const int H = size.height();
    CaptionLayout layout;
    layout.text = caption;
    layout.text.replace(QLatin1String("||"), QLatin1String("\n"));

    QRect room(kCaptionMargin, kCaptionMargin, W - 2 * kCaptionMargin, H - 2 * kCaptionMargin);
    // The slant is as wide as the button is high.
    const int slant = H + 1;
    if (slantsLeft(shape)) {
        room.setLeft(room.left() + slant / 3);
    }
    if (slantsRight(shape)) {
        room.setRight(room.right() - slant / 3);
    }
    const QRect fullRoom = room;
    const int img = pictureSize;
    const bool besideCaption = img <= kLargestPictureBesideCaption;
    const int pictureTop = (H - img) / 2;
    // A picture at a slanted side sits where the slant has passed its whole height.
    int pictureLeft = fullRoom.left();
    int pictureRight = fullRoom.right();
    if (slantsLeft(shape)) {
        pictureLeft = std::max(pictureLeft, pictureTop + img + 1);
    }
    if (slantsRight(shape)) {
        pictureRight = std::min(pictureRight, W - slant + pictureTop - 2);
    }
    if (picture && besideCaption) {
        switch (*picture) {
        case PicturePlace::Left:
        case PicturePlace::BesideCaptionLeft:
            room.setLeft(std::max(room.left() + img, pictureLeft + img));
            break;
        case PicturePlace::Right:
        case PicturePlace::BesideCaptionRight:
            room.setRight(std::min(room.right() - img, pictureRight - img));
            break;
        case PicturePlace::TopCentre:
            room.setTop(room.top() + img);
            break;
        case PicturePlace::BottomCentre:
            room.setBottom(room.bottom() - img);
            break;
        }
    }

    const QFontMetrics metrics(font);
    const QRect measured =
        layout.text.isEmpty()
            ? QRect()
            : metrics.boundingRect(QRect(0, 0, std::max(1, room.width()), 100000),
                                   kCaptionTextFlags | captionAlignment(align), layout.text);
    const int textHeight = measured.height();
    const int textTop = room.top() + (room.height() - textHeight) / 2;
    layout.caption = QRect(room.left(), textTop, room.width(), textHeight);
    if (!picture) {
        return layout;
    }

    switch (*picture) {
    case PicturePlace::Left:
        layout.picture = QRect(pictureLeft, pictureTop, img, img);
        break;
    case PicturePlace::Right:
        layout.picture = QRect(pictureRight + 1 - img, pictureTop, img, img);
        break;
    case PicturePlace::BesideCaptionLeft:
    case PicturePlace::BesideCaptionRight: {
        // The picture stays beside the text and the pair is centred together.
        const int textWidth = std::min(measured.width(), fullRoom.width());
        const int spare = std::max(0, fullRoom.width() - (textWidth + img + kPictureGap));
        const int start = fullRoom.left() + spare / 2;
        if (*picture == PicturePlace::BesideCaptionLeft) {
            layout.picture = QRect(start, pictureTop, img, img);
            if (besideCaption) {
                layout.caption = QRect(start + img + kPictureGap, textTop, textWidth, textHeight);
            }
        } else {
            if (besideCaption) {
                layout.caption = QRect(start, textTop, textWidth, textHeight);
            }
            layout.picture = QRect(start + textWidth + kPictureGap, pictureTop, img, img);
        }
        break;
    }
    case PicturePlace::TopCentre:
        layout.picture = QRect((W - img) / 2, fullRoom.top(), img, img);
        break;
    case PicturePlace::BottomCentre:
        layout.picture = QRect((W - img) / 2, fullRoom.bottom() + 1 - img, img, img);
        break;
    }
    return layout;
}

} // namespace rkbuttons
