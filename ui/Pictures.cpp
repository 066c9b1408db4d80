#include "ui/Pictures.h"

#include <QImage>

namespace ui {

namespace {

constexpr int kTolerance = 40;  // sum of the channel differences still counted as background

}  // namespace

QPixmap picture(const QString& name) {
    return QPixmap(QStringLiteral(":/pictures/") + name);
}

QPixmap transparentPicture(const QString& name) {
    QImage image(QStringLiteral(":/pictures/") + name);
    if (image.isNull())
        return {};
    image = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = image.pixel(0, image.height() - 1);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = line[x];
            const int distance = std::abs(qRed(p) - qRed(key)) + std::abs(qGreen(p) - qGreen(key)) +
                                 std::abs(qBlue(p) - qBlue(key));
            if (distance <= kTolerance)
                line[x] = qRgba(0, 0, 0, 0);
        }
    }
    return QPixmap::fromImage(image);
}
}  // namespace ui
