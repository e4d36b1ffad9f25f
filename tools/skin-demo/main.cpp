// Shows a skinned window with every skinned control in every style.
//   skin-demo                      the window, to try out
//   skin-demo --screenshot FILE    draws the window into FILE (PNG) and quits

#include "controls/skinned/UcCmd.h"
#include "controls/skinned/UcProgress.h"
#include "controls/skinned/UcScroll.h"
#include "platform/ControlTag.h"
#include "platform/Units.h"
#include "skin/ClsSkin.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QLabel>
#include <QTimer>
#include <QWidget>

namespace {

QLabel* addLabel(QWidget* form, const QString& text, int x, int y)
{
    auto* label = new QLabel(text, form);
    label->move(x, y);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, QColor(57, 69, 87));
    label->setPalette(palette);
    label->adjustSize();
    return label;
}

skinned::UcCmd* addButton(QWidget* form, int style, const QString& caption, int x, int y)
{
    auto* button = new skinned::UcCmd(form);
    button->setStyle(style);
    button->setCaption(caption);
    button->move(x, y);
    return button;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption screenshot(QStringLiteral("screenshot"),
                                        QStringLiteral("Draw the window into a PNG file."),
                                        QStringLiteral("file"));
    parser.addOption(screenshot);
    parser.process(app);

    QWidget form(nullptr, Qt::Window | Qt::FramelessWindowHint);
    form.setWindowTitle(QStringLiteral("Parlanza - skin demo"));
    form.resize(600, 380);

    auto* caption = new QLabel(&form);
    platform::setControlTag(caption, QStringLiteral("LblCaption"));
    QFont captionFont = caption->font();
    captionFont.setBold(true);
    caption->setFont(captionFont);
    caption->setGeometry(36, 6, 300, 18);

    for (int style : {skinned::UcCmd::StyleClose, skinned::UcCmd::StyleRestore,
                      skinned::UcCmd::StyleMinimise}) {
        addButton(&form, style, QString(), 0, 0);
    }

    skin::ClsSkin skin;
    skin.setTheForm(&form);
    skin.SetFrmPict();
    skin.setCloseButtonAllow(true);
    skin.setMinimiseAllow(true);

    addLabel(&form, QStringLiteral("Push buttons"), 24, 48);
    auto* speak = addButton(&form, skinned::UcCmd::StyleButton, QStringLiteral("SPEAK"), 24, 68);
    addButton(&form, skinned::UcCmd::StyleButton, QStringLiteral("PAUSE"), 128, 68)
        ->setEnabled(false);
    auto* plain = new skinned::UcCmd(&form);
    plain->setPictureDN(QStringLiteral("BUTTONDN"));
    plain->setPictureUP(QStringLiteral("BUTTONUP"));
    plain->setCaption(QStringLiteral("Own pictures"));
    plain->setScaleFactor(1.2);
    plain->move(232, 66);

    addLabel(&form, QStringLiteral("Check and option buttons"), 24, 104);
    addButton(&form, skinned::UcCmd::StyleCheck, QStringLiteral("Read punctuation"), 24, 124);
    addButton(&form, skinned::UcCmd::StyleCheck, QStringLiteral("Loop"), 24, 146)->setValue(true);
    addButton(&form, skinned::UcCmd::StyleOption, QStringLiteral("Female voice"), 220, 124);
    auto* male =
        addButton(&form, skinned::UcCmd::StyleOption, QStringLiteral("Male voice"), 220, 146);
    addButton(&form, skinned::UcCmd::StyleOption, QStringLiteral("Robot"), 220, 168);

    addLabel(&form, QStringLiteral("Speed"), 24, 200);
    auto* speed = new skinned::UcScroll(&form);
    speed->setGeometry(24, 220, 300, 22);
    speed->UserControl_InitProperties();
    speed->setMax(200);
    speed->setValue(120);
    addLabel(&form, QStringLiteral("Tone"), 24, 252);
    auto* tone = new skinned::UcScroll(&form);
    tone->setGeometry(24, 272, 300, 22);
    tone->UserControl_InitProperties();
    tone->setValue(40);
    auto* vertical = new skinned::UcScroll(&form);
    vertical->setGeometry(540, 48, 22, 290);
    vertical->setOrientation(1);
    vertical->setValue(30);

    addLabel(&form, QStringLiteral("Progress"), 24, 304);
    auto* progress = new skinned::UcProgress(&form);
    progress->setGeometry(24, 324, 300, 19);
    progress->setMax(200);
    progress->setValue(120);
    auto* verticalProgress = new skinned::UcProgress(&form);
    verticalProgress->setGeometry(500, 48, 19, 290);
    verticalProgress->setOrientation(1);
    verticalProgress->setValue(30);

    QObject::connect(speed, &skinned::UcScroll::Change, progress,
                     [&] { progress->setValue(speed->Value()); });
    QObject::connect(vertical, &skinned::UcScroll::Change, verticalProgress,
                     [&] { verticalProgress->setValue(vertical->Value()); });
    QObject::connect(speak, &skinned::UcCmd::Click, &form, [&] {
        tone->setValue(tone->Value() + 10 > tone->Max() ? tone->Min() : tone->Value() + 10);
    });
    for (skinned::UcCmd* button : form.findChildren<skinned::UcCmd*>()) {
        if (platform::controlTag(button) == QLatin1String("TOPCLOSE")) {
            QObject::connect(button, &skinned::UcCmd::Click, &form, &QWidget::close);
        } else if (platform::controlTag(button) == QLatin1String("MINIMISE")) {
            QObject::connect(button, &skinned::UcCmd::Click, &form, &QWidget::showMinimized);
        }
    }

    form.show();
    // Laying out an option button that is off clears its group, and every button is laid
    // out when first shown: the choice is made after that.
    QTimer::singleShot(0, male, [male] { male->setValue(true); });
    if (parser.isSet(screenshot)) {
        const QString file = parser.value(screenshot);
        QTimer::singleShot(200, &form, [&form, file] {
            const bool saved = form.grab().save(file);
            QApplication::exit(saved ? 0 : 1);
        });
    }
    return app.exec();
}
