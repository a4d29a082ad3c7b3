#include "compose/ui/BitmapImage.h"

#include <QImageReader>
#include <QPainter>

namespace compose {

sms::MonoBitmap monoFromImage(const QImage& image, int width, int height)
{
    sms::MonoBitmap out(width, height);
    if (out.isNull())
        return out;
    QImage canvas(width, height, QImage::Format_RGB32);
    canvas.fill(paperColour());
    if (!image.isNull()) {
        QPainter p(&canvas);
        p.setCompositionMode(QPainter::CompositionMode_SourceOver);
        // One image pixel to one canvas pixel, whatever the file's DPI.
        QImage source = image.convertToFormat(QImage::Format_ARGB32);
        source.setDevicePixelRatio(1.0);
        p.drawImage(QPoint(0, 0), source);
    }
    for (int y = 0; y < height; ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(canvas.constScanLine(y));
        for (int x = 0; x < width; ++x)
            if ((line[x] & 0xFFFFFF) == 0)
                out.setPixel(x, y, true);
    }
    return out;
}

QImage imageFromMono(const sms::MonoBitmap& bitmap)
{
    QImage image(qMax(1, bitmap.width()), qMax(1, bitmap.height()), QImage::Format_RGB32);
    image.fill(paperColour());
    const QRgb ink = qRgb(0, 0, 0);
    for (int y = 0; y < bitmap.height(); ++y)
        for (int x = 0; x < bitmap.width(); ++x)
            if (bitmap.pixel(x, y))
                image.setPixel(x, y, ink);
    return image;
}

bool loadMonoBitmap(const QString& path, int width, int height, sms::MonoBitmap* out, QString* error)
{
    QImageReader reader(path);
    reader.setAutoTransform(false);
    // Only the top-left corner is used; a huge file is refused rather than
    // decoded whole.
    const QSize size = reader.size();
    if (size.isValid() && qint64(size.width()) * size.height() > 64LL * 1024 * 1024) {
        *error = QStringLiteral("Invalid picture");
        return false;
    }
    const QImage image = reader.read();
    if (image.isNull()) {
        *error = QStringLiteral("Invalid picture");
        return false;
    }
    *out = monoFromImage(image, width, height);
    return true;
}

} // namespace compose
