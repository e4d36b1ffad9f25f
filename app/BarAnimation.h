#pragma once

#include <QColor>
#include <QImage>
#include <QRandomGenerator>
#include <QSizeF>
#include <array>
#include <functional>

namespace app {

// The level-meter animation beside the speech buttons: bars in warm colours whose
// heights wander at random, cut into segments by lines in the background colour.
// Positions are in the picture's scale units (twips); drawing is into a pixel image.
class BarAnimation
{
public:
    static constexpr int kLevelCount = 100;
    static constexpr int kDefaultBarCount = 10;

    // Draws one random step 1..10 for a bar.
    using StepSource = std::function<int()>;

    BarAnimation();

    // Load-time set-up: ten bars sharing the picture's width, every level at 50.
    void setup(double pictureWidth);

    // One timer tick: every bar takes a random step and the picture is drawn afresh.
    void tick(QImage& picture, const QSizeF& scaleSize, const QColor& background);

    // Tests choose the steps; by default each bar draws its own from one generator.
    void setStepSource(StepSource source) { m_stepSource = std::move(source); }

    static QColor barColor(int index, int barCount);

    int barCount() const { return m_barCount; }
    float barWidth() const { return m_barWidth; }
    float level(int index) const { return m_levels.at(static_cast<std::size_t>(index)); }

private:
    void drawBox(QImage& picture, const QSizeF& scaleSize, double left, const QColor& color,
                 float level) const;

    qint16 m_barCount = kDefaultBarCount;
    float m_barWidth = 0.0f;
    std::array<float, kLevelCount> m_levels{};
    QRandomGenerator m_random;
    StepSource m_stepSource;
};

} // namespace app
