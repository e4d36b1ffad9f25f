// Every face style in every state and outline, compared with reference images.
//
// The references live in tests/controls/rkbuttons/reference/. After a deliberate change
// of the looks, regenerate them with
//   PARLANZA_REGENERATE_REFERENCES=1 ctest --test-dir build -R tst_rkButtonsLooks
// look at every sheet, and commit them with the change.

#include "controls/ReferenceImage.h"
#include "controls/rkbuttons/rkButtons_H.h"
#include "platform/AmbientProperties.h"
#include "rkTestSupport.h"

#include <QPainter>
#include <QTest>

namespace {

enum class State { Normal, Hover, Pressed, Checked, Disabled, Default };
constexpr std::array<State, 6> kStates = {State::Normal,  State::Hover,    State::Pressed,
                                          State::Checked, State::Disabled, State::Default};

constexpr QSize kCell(100, 34);
constexpr int kGap = 4;

// Pixels whose channels differ by at most this much count as equal; text is anti-aliased
// and may shift slightly between FreeType builds.
constexpr int kChannelTolerance = 40;
// The share of pixels that may differ by more.
constexpr double kPixelTolerance = 0.01;

platform::Picture samplePicture()
{
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(qRgb(255, 0, 255)); // the colour key
    QPainter painter(&image);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 128, 0));
    painter.drawRect(3, 3, 10, 10);
    painter.setBrush(QColor(255, 255, 0));
    painter.drawRect(6, 6, 4, 4);
    return platform::Picture(platform::Picture::Type::Bitmap, image);
}

platform::Picture shapePicture()
{
    // A blue diamond with anti-aliased edges on white: the fringe is near the key.
    QImage image(64, 64, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(40, 90, 200));
    painter.drawPolygon(QPolygon({QPoint(32, 2), QPoint(62, 32), QPoint(32, 62), QPoint(2, 32)}));
    painter.setBrush(QColor(250, 210, 60));
    painter.drawEllipse(QPoint(32, 32), 10, 10);
    return platform::Picture(platform::Picture::Type::Bitmap, image);
}

QImage renderCell(QWidget* container, int style, int shape, State state, QSize size)
{
    rkButtons_H* button = rktest::makeButton(container, QRect(QPoint(10, 10), size));
    button->DelayDrawing(true);
    button->setCaption(QStringLiteral("&Open"));
    button->setButtonStyle(style);
    if (shape >= 7) {
        button->setPicture(shapePicture());
    } else {
        button->setPicture(samplePicture());
    }
    button->setButtonShape(shape);
    button->setHoverBackColor(platform::rgb(255, 236, 160));
    button->setHoverForeColor(platform::rgb(0, 0, 160));
    if (state == State::Checked) {
        button->setMode(1);
        button->setValue(true);
    }
    button->DelayDrawing(false);
    switch (state) {
    case State::Hover:
        rktest::hover(button);
        break;
    case State::Pressed:
        rktest::hover(button);
        rktest::press(button);
        break;
    case State::Disabled:
        button->setEnabled(false);
        break;
    case State::Default:
        platform::AmbientProperties::setDisplayAsDefault(button, true);
        break;
    default:
        break;
    }
    QImage image = rktest::look(button);
    if (state == State::Pressed) {
        rktest::release(button);
    }
    rktest::moveAway(button);
    delete button;
    return image;
}

QImage renderSheet(QWidget* container, int style, const QList<int>& shapes, QSize cell)
{
    QImage sheet(static_cast<int>(kStates.size()) * (cell.width() + kGap) + kGap,
                 static_cast<int>(shapes.size()) * (cell.height() + kGap) + kGap,
                 QImage::Format_RGB32);
    sheet.fill(rktest::kContainerColor);
    QPainter painter(&sheet);
    for (int row = 0; row < shapes.size(); ++row) {
        for (std::size_t column = 0; column < kStates.size(); ++column) {
            const QImage cellImage =
                renderCell(container, style, shapes[row], kStates[column], cell);
            painter.drawImage(kGap + static_cast<int>(column) * (cell.width() + kGap),
                              kGap + row * (cell.height() + kGap), cellImage);
        }
    }
    return sheet;
}

} // namespace

class tst_rkButtonsLooks : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        platform::setTwipsPerPixelOverride(15.0);
        m_container = rktest::makeContainer(QSize(300, 200));
        m_container->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_container.get()));
    }

    void cleanupTestCase()
    {
        m_container.reset();
        platform::setTwipsPerPixelOverride(0.0);
    }

    void sheets_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("style");
        QTest::addColumn<QList<int>>("shapes");
        QTest::addColumn<QSize>("cell");
        for (int style = 0; style <= 7; ++style) {
            QTest::addRow("style %d", style) << QStringLiteral("style%1").arg(style) << style
                                             << QList<int>{0, 1, 2, 3, 4, 5, 6} << kCell;
        }
        QTest::addRow("custom shapes")
            << QStringLiteral("custom") << 0 << QList<int>{7, 8} << QSize(48, 48);
        QTest::addRow("custom shapes, style 2")
            << QStringLiteral("custom2") << 2 << QList<int>{7, 8} << QSize(48, 48);
    }

    void sheets()
    {
        QFETCH(QString, name);
        QFETCH(int, style);
        QFETCH(QList<int>, shapes);
        QFETCH(QSize, cell);
        const QImage sheet = renderSheet(m_container.get(), style, shapes, cell);
        const QString path = QStringLiteral(RKBUTTONS_REFERENCE_DIR "/%1.png").arg(name);
        if (referenceimage::writeIfAsked(sheet, path, "PARLANZA_REGENERATE_REFERENCES")) {
            QSKIP("reference written");
        }
        const QString mismatch = referenceimage::mismatch(
            sheet, path, kChannelTolerance,
            static_cast<qsizetype>(sheet.width() * sheet.height() * kPixelTolerance),
            QStringLiteral("rkbuttons-%1-actual.png").arg(name));
        QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
    }

private:
    std::unique_ptr<QWidget> m_container;
};

QTEST_MAIN(tst_rkButtonsLooks)
#include "tst_rkButtonsLooks.moc"
