#pragma once

#include "controls/rkbuttons/ButtonProperties.h"

#include <QFont>
#include <QRect>
#include <QSize>
#include <QString>
#include <optional>

// Where the image and colour button puts its caption and its picture.
namespace rkbuttons {

// The caption's text flags, for measuring it and for drawing it.
constexpr int kCaptionTextFlags = Qt::TextWordWrap | Qt::TextShowMnemonic;

// A picture up to this size takes its room from the caption; a larger one lies under it.
constexpr int kLargestPictureBesideCaption = 32;

struct CaptionLayout
{
    QString text;  // the caption with each "||" made a line break
    QRect caption; // the caption's box; its text is drawn from the top of the box
    QRect picture; // empty without a picture
};

// The horizontal Qt alignment of a caption place.
int captionAlignment(CaptionPlace place);

// The caption's access key: the character after its last single ampersand ("&&" is a
// literal one); empty when there is none.
QString accessKey(const QString& caption);

// The font the caption is drawn in: the widget's font at the pixel size its point size
// has on the form.
QFont captionFont(const QFont& font);

// Lays out a caption, and a picture of pictureSize pixels at its place if there is one,
// on a button of that size and shape.
CaptionLayout layoutCaption(QSize size, const QString& caption, const QFont& font, Outline shape,
                            CaptionPlace align, std::optional<PicturePlace> picture,
                            int pictureSize);

} // namespace rkbuttons
