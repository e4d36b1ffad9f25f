#include "app/BarAnimation.h"

#include "platform/Units.h"

#include <QDateTime>
#include <QPainter>
#include <algorithm>

namespace app {

namespace {

int toPixels(double units, double pixelsPerUnit)
{
    return static_cast<int>(platform::roundHalfEven(units * pixelsPerUnit));
}

} // namespace

BarAnimation::BarAnimation()
    // Seeded once: seeding again before every bar would give all ten bars the same step
    // within one tick, and they would move in lockstep.
    : m_random(static_cast<quint32>(QDateTime::currentMSecsSinceEpoch()))
{
    m_levels.fill(50.0f);
}

void BarAnimation::setup(double pictureWidth)
{
    m_barCount = kDefaultBarCount;
    m_barWidth = static_cast<float>(pictureWidth / m_barCount);
    m_levels.fill(50.0f);
}

QColor BarAnimation::barColor(int index, int barCount)
{
    const double step = 255.0 / (barCount + 5);
    const double c = (index + 5) * step;
    auto channel = [](double value) {
        return static_cast<int>(std::clamp<qint64>(platform::roundHalfEven(value), 0, 255));
    };
    return QColor(channel(c + 150), channel(c + 20), channel(c - 50));
}

void BarAnimation::tick(QImage& picture, const QSizeF& scaleSize, const QColor& background)
{
    if (picture.isNull() || scaleSize.isEmpty()) {
        return;
    }
    picture.fill(background);
    const auto height = static_cast<float>(scaleSize.height());
    for (int i = 0; i < m_barCount && i < kLevelCount; ++i) {
        const int r = m_stepSource ? m_stepSource() : m_random.bounded(1, 11);
        float& level = m_levels[static_cast<std::size_t>(i)];
        if (r % 2 == 0) {
            level = std::max(level - static_cast<float>(r), 0.0f);
        } else {
            level = std::min(level + static_cast<float>(r), height);
        }
        drawBox(picture, scaleSize, i * static_cast<double>(m_barWidth), barColor(i, m_barCount),
                level);
    }

    // Segment lines every 75 units, starting one unit below the top.
    const double sy = picture.height() / scaleSize.height();
    const auto last = platform::roundHalfEven(scaleSize.height());
    QPainter painter(&picture);
    painter.setPen(background);
    for (qint64 y = 1; y <= last; y += 75) {
        const int row = toPixels(static_cast<double>(y), sy);
        painter.drawLine(0, row, picture.width() - 1, row);
    }
}

void BarAnimation::drawBox(QImage& picture, const QSizeF& scaleSize, double left,
                           const QColor& color, float level) const
{
    // A vertical line at each unit x + 1 .. x + width from the level down to the bottom;
    // many units share one pixel, so the covered pixel columns are filled in one go.
    const auto lines = platform::roundHalfEven(m_barWidth);
    if (lines < 1) {
        return;
    }
    const double sx = picture.width() / scaleSize.width();
    const double sy = picture.height() / scaleSize.height();
    const int firstColumn = toPixels(left + 1, sx);
    const int lastColumn = toPixels(left + static_cast<double>(lines), sx);
    const int top = toPixels(scaleSize.height() / 100.0 * level, sy);
    if (top >= picture.height()) {
        return;
    }
    QPainter painter(&picture);
    painter.fillRect(
        QRect(QPoint(firstColumn, std::max(top, 0)), QPoint(lastColumn, picture.height() - 1)),
        color);
}

} // namespace app
