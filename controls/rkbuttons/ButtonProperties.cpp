#include "controls/rkbuttons/ButtonProperties.h"

namespace rkbuttons {
namespace {

// The enumerator a stored number names, or the fallback for a number outside the set.
template <typename Enum> Enum fromStored(qint64 stored, Enum last, Enum fallback)
{
    return stored >= 0 && stored <= static_cast<qint64>(last) ? static_cast<Enum>(stored)
                                                              : fallback;
}

template <typename Enum> qint32 toStored(Enum value)
{
    return static_cast<qint32>(value);
}

} // namespace

ButtonProperties ButtonProperties::read(const platform::PropertyBag& bag, OleColor backDefault)
{
    const ButtonProperties defaults;
    auto readEnum = [&bag](const char* key, auto last, auto fallback) {
        return fromStored(bag.readLong(QLatin1String(key), toStored(fallback)), last, fallback);
    };
    ButtonProperties stored;
    stored.caption = bag.readString(QStringLiteral("Caption"), QString());
    stored.captionAlign = readEnum("CapAlign", CaptionPlace::Centre, defaults.captionAlign);
    stored.style = readEnum("BackStyle", FaceStyle::Shaded, defaults.style);
    stored.shape = readEnum("Shape", Outline::CustomInset, defaults.shape);
    stored.gradient =
        readEnum("Gradient", paint::GradientDirection::BottomToTop, defaults.gradient);
    stored.gradientColor = bag.readColor(QStringLiteral("cGradient"), kButtonFace);
    stored.foreColor = bag.readColor(QStringLiteral("cFore"), kButtonText);
    stored.showFocusRect = bag.readBoolean(QStringLiteral("Focus"), true);
    stored.mode = readEnum("Mode", Behaviour::Option, defaults.mode);
    stored.value =
        bag.readBoolean(QStringLiteral("Value"), false) && stored.mode != Behaviour::Push;
    stored.customClick = readEnum("CustomClick", ClickShift::Left, defaults.customClick);
    stored.picture = bag.readPicture(QStringLiteral("Image"));
    const qint16 size = bag.readInteger(QStringLiteral("ImgSize"), kSmallestPicture);
    const bool sizeValid =
        size >= kSmallestPicture && size <= kLargestPicture && size % kPictureSizeStep == 0;
    stored.pictureSize = sizeValid ? size : kSmallestPicture;
    stored.pictureAlign = readEnum("ImgAlign", PicturePlace::BottomCentre, defaults.pictureAlign);
    stored.hoverForeColor = bag.readColor(QStringLiteral("cFHover"), kButtonText);
    stored.backColor = bag.readColor(QStringLiteral("cBack"), backDefault);
    stored.hoverBackColor = bag.readColor(QStringLiteral("cBHover"), stored.backColor);
    stored.hoverColorLocks = bag.readLong(QStringLiteral("LockHover"), 0);
    stored.captionRelief = readEnum("CapStyle", CaptionRelief::Embossed, defaults.captionRelief);
    stored.mousePointer = bag.readInteger(QStringLiteral("mPointer"), 0);

    if (isCustom(stored.shape) && (stored.picture.isNull() || isIcon(stored.picture))) {
        // A custom shape is cut from a bitmap; without one the button stays rectangular.
        stored.shape = Outline::Rectangle;
    }
    if (isCustom(stored.shape)) {
        stored.pictureSize = kLargestPicture;
    }
    return stored;
}

void ButtonProperties::write(platform::PropertyBag& bag) const
{
    const ButtonProperties defaults;
    auto writeEnum = [&bag](const char* key, auto value, std::optional<qint32> fallback) {
        bag.writeLong(QLatin1String(key), toStored(value), fallback);
    };
    bag.writeString(QStringLiteral("Caption"), caption, QString());
    writeEnum("CapAlign", captionAlign, toStored(defaults.captionAlign));
    writeEnum("BackStyle", style, toStored(defaults.style));
    writeEnum("Shape", shape, toStored(defaults.shape));
    bag.writeColor(QStringLiteral("cFore"), foreColor, kButtonText);
    bag.writeColor(QStringLiteral("cFHover"), hoverForeColor, kButtonText);
    bag.writeColor(QStringLiteral("cBhover"), hoverBackColor, backColor);
    bag.writeBoolean(QStringLiteral("Focus"), showFocusRect, true);
    bag.writeLong(QStringLiteral("LockHover"), hoverColorLocks, 0);
    bag.writeColor(QStringLiteral("cGradient"), gradientColor, kButtonFace);
    writeEnum("Gradient", gradient, toStored(defaults.gradient));
    writeEnum("CapStyle", captionRelief, toStored(defaults.captionRelief));
    writeEnum("Mode", mode, std::nullopt);
    bag.writeBoolean(QStringLiteral("Value"), value, std::nullopt);
    writeEnum("CustomClick", customClick, toStored(defaults.customClick));
    writeEnum("ImgAlign", pictureAlign, toStored(defaults.pictureAlign));
    bag.writePicture(QStringLiteral("Image"), picture);
    bag.writeInteger(QStringLiteral("ImgSize"), static_cast<qint16>(pictureSize), kSmallestPicture);
    bag.writeColor(QStringLiteral("cBack"), backColor, std::nullopt);
    bag.writeInteger(QStringLiteral("mPointer"), static_cast<qint16>(mousePointer), 0);
}

} // namespace rkbuttons
