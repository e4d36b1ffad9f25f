#include "app/FormLoader.h"

#include "app/VoiceList.h"
#include "controls/bevel/bvlBUTTON.h"
#include "controls/rkbuttons/rkButtons_H.h"
#include "controls/skinned/UcCmd.h"
#include "controls/skinned/UcScroll.h"
#include "editor/RichTextBox.h"
#include "platform/ControlTag.h"
#include "platform/EventLog.h"
#include "platform/FormFile.h"
#include "platform/MenuBar.h"
#include "platform/Resources.h"
#include "platform/Units.h"

#include <QBitmap>
#include <QComboBox>
#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <algorithm>

namespace app {
namespace {

QRect pixelRect(const QRect& twips)
{
    return {platform::twipsToPixelsX(twips.x()), platform::twipsToPixelsY(twips.y()),
            platform::twipsToPixelsX(twips.width()), platform::twipsToPixelsY(twips.height())};
}

void setColors(QWidget* widget, const platform::PropertyBag& bag)
{
    QPalette palette = widget->palette();
    if (bag.contains(QStringLiteral("BackColor"))) {
        const QColor back = platform::toQColor(bag.readColor(QStringLiteral("BackColor"), 0));
        palette.setColor(QPalette::Window, back);
        palette.setColor(QPalette::Base, back);
        widget->setAutoFillBackground(true);
    }
    if (bag.contains(QStringLiteral("ForeColor"))) {
        const QColor fore = platform::toQColor(bag.readColor(QStringLiteral("ForeColor"), 0));
        palette.setColor(QPalette::WindowText, fore);
        palette.setColor(QPalette::Text, fore);
    }
    widget->setPalette(palette);
}

// The corner pixel of a picture is its transparent colour.
QBitmap transparentCornerMask(const QImage& image)
{
    if (image.isNull()) {
        return {};
    }
    return QBitmap::fromImage(image.createMaskFromColor(image.pixel(0, 0), Qt::MaskInColor));
}

// Named and placed first, then given its stored properties: a caption falls back to the
// name, and a control that builds its faces from its size builds them once, at the size
// it keeps.
template <typename Control> Control* ownControl(QWidget& window, const platform::FormControl& form)
{
    auto* control = new Control(&window);
    control->setObjectName(form.name);
    control->setGeometry(pixelRect(form.twips));
    control->UserControl_ReadProperties(form.properties);
    return control;
}

QLabel* label(QWidget& window, const platform::PropertyBag& bag)
{
    auto* label = new QLabel(bag.readString(QStringLiteral("Caption"), QString()), &window);
    label->setAlignment(
        Qt::Alignment(bag.readLong(QStringLiteral("Alignment"), Qt::AlignLeft | Qt::AlignVCenter)));
    const platform::Picture picture = bag.readPicture(QStringLiteral("Picture"));
    if (!picture.isNull()) {
        const QImage& image = picture.image();
        QPixmap pixmap = QPixmap::fromImage(image);
        const bool stretch = bag.readBoolean(QStringLiteral("Stretch"), false);
        if (!stretch) {
            pixmap.setMask(transparentCornerMask(image));
        }
        label->setPixmap(pixmap);
        label->setScaledContents(stretch);
    }
    return label;
}

// A visual control of the form, or nullptr for a kind the program does not know. The
// program's own controls paint themselves from their stored properties; the others take
// the form's colours.
QWidget* createWidget(QWidget& window, const platform::FormControl& control)
{
    const QString& kind = control.className;
    const platform::PropertyBag& bag = control.properties;
    if (kind == QLatin1String("bvlBUTTON")) {
        return ownControl<bevel::bvlBUTTON>(window, control);
    }
    if (kind == QLatin1String("rkButtons_H")) {
        return ownControl<rkbuttons::rkButtons_H>(window, control);
    }
    if (kind == QLatin1String("UcCmd")) {
        return ownControl<skinned::UcCmd>(window, control);
    }
    if (kind == QLatin1String("UcScroll")) {
        return ownControl<skinned::UcScroll>(window, control);
    }
    QWidget* widget = nullptr;
    if (kind == QLatin1String("RichTextBox")) {
        widget = new editor::RichTextBox(&window);
    } else if (kind == QLatin1String("ListBox")) {
        widget = new VoiceList(&window);
    } else if (kind == QLatin1String("Label") || kind == QLatin1String("PictureBox") ||
               kind == QLatin1String("Image")) {
        widget = label(window, bag);
    } else if (kind == QLatin1String("TextBox")) {
        widget = new QLineEdit(bag.readString(QStringLiteral("Text"), QString()), &window);
    } else if (kind == QLatin1String("ComboBox")) {
        widget = new QComboBox(&window);
    } else if (kind == QLatin1String("MenuBar")) {
        auto* menu = new platform::MenuBar(&window);
        menu->setObjectName(control.name);
        widget = menu->widget();
    } else {
        return nullptr;
    }
    widget->setObjectName(control.name);
    widget->setGeometry(pixelRect(control.twips));
    setColors(widget, bag);
    return widget;
}

// Adds the control to the window; the widget it shows, if any.
QWidget* addControl(QWidget& window, const QString& formName, const platform::FormControl& control,
                    FormContents& contents)
{
    const QString& kind = control.className;
    const platform::PropertyBag& bag = control.properties;
    if (kind == QLatin1String("Timer")) {
        auto* timer = new QTimer(&window);
        timer->setObjectName(control.name);
        timer->setInterval(bag.readLong(QStringLiteral("Interval"), 0));
        return nullptr;
    }
    if (kind == QLatin1String("ImageList")) {
        const QJsonArray names = bag.toJson().value(QStringLiteral("Images")).toArray();
        for (const QJsonValue& name : names) {
            const QImage image = platform::resources::bitmapOrReport(name.toString());
            QPixmap pixmap = QPixmap::fromImage(image);
            pixmap.setMask(transparentCornerMask(image));
            contents.images.append(pixmap);
        }
        return nullptr;
    }
    if (kind == QLatin1String("CommonDialog") || kind == QLatin1String("DirectSS")) {
        return nullptr; // non-visual: the window keeps the dialog and the speech control
    }
    QWidget* widget = createWidget(window, control);
    if (!widget) {
        platform::eventlog::warning(
            QStringLiteral("The form %1 has a control of an unknown kind: %2 (%3)")
                .arg(formName, kind, control.name));
        return nullptr;
    }
    if (bag.contains(QStringLiteral("Font"))) {
        widget->setFont(bag.readFont(QStringLiteral("Font"), widget->font()));
    }
    widget->setToolTip(bag.readString(QStringLiteral("ToolTipText"), QString()));
    const QString tag = bag.readString(QStringLiteral("Tag"), QString());
    if (!tag.isEmpty()) {
        platform::setControlTag(widget, tag);
    }
    if (!bag.readBoolean(QStringLiteral("Visible"), true)) {
        widget->hide();
    }
    return widget;
}

} // namespace

platform::Result<FormContents> loadForm(const QString& formName, QWidget& window)
{
    QString error;
    const std::optional<platform::FormFile> form =
        platform::FormFile::load(platform::resources::formFilePath(formName), &error);
    if (!form) {
        return platform::Failure{error};
    }
    window.setFixedSize(platform::twipsToPixelsX(form->twips.width()),
                        platform::twipsToPixelsY(form->twips.height()));
    FormContents contents;
    QList<std::pair<int, QWidget*>> tabOrder;
    for (const platform::FormControl& control : form->controls) {
        QWidget* widget = addControl(window, formName, control, contents);
        if (widget && widget->focusPolicy() != Qt::NoFocus) {
            tabOrder.append({control.tabIndex, widget});
        }
    }
    std::stable_sort(tabOrder.begin(), tabOrder.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (qsizetype i = 1; i < tabOrder.size(); ++i) {
        QWidget::setTabOrder(tabOrder[i - 1].second, tabOrder[i].second);
    }
    return contents;
}

} // namespace app
