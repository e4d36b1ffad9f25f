#pragma once

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <algorithm>
#include <cstdlib>

// Comparison of a rendering with a stored reference image, shared by the controls' looks
// tests. A pixel differs when one of its channels is more than channelTolerance away;
// the rendering matches when at most allowedPixels differ.
namespace referenceimage {

// Empty when the rendering matches; otherwise why not, with the rendering saved in the
// temporary folder. When the environment variable `update` is set, the rendering is written
// as the new reference instead.
inline QString mismatch(const QImage& shot, const QString& path, const char* update,
                        int channelTolerance, qsizetype allowedPixels)
{
    if (qEnvironmentVariableIntValue(update) != 0) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        return shot.save(path) ? QString() : "cannot write " + path;
    }
    const QImage reference = QImage(path).convertToFormat(QImage::Format_RGB32);
    if (reference.size() != shot.size()) {
        return QString::asprintf("reference %s missing or not %d x %d", qPrintable(path),
                                 shot.width(), shot.height());
    }
    qsizetype differing = 0;
    int worst = 0;
    for (int y = 0; y < shot.height(); ++y) {
        for (int x = 0; x < shot.width(); ++x) {
            const QRgb a = shot.pixel(x, y);
            const QRgb b = reference.pixel(x, y);
            const int d = std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                                    std::abs(qBlue(a) - qBlue(b))});
            worst = std::max(worst, d);
            differing += d > channelTolerance ? 1 : 0;
        }
    }
    if (differing <= allowedPixels) {
        return {};
    }
    const QString saved = QDir::temp().filePath("actual-" + QFileInfo(path).fileName());
    shot.save(saved);
    return QString::asprintf(
        "%lld pixels differ (worst by %d), %lld allowed; this rendering is in %s",
        qlonglong(differing), worst, qlonglong(allowedPixels), qPrintable(saved));
}

} // namespace referenceimage
