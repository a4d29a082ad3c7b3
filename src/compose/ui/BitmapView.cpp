#include "compose/ui/BitmapView.h"

#include <QPainter>

#include "compose/ui/BitmapImage.h"

namespace compose {

BitmapView::BitmapView(int width, int height, int zoom, QWidget* parent)
    : QWidget(parent), bitmap_(width, height), zoom_(qMax(1, zoom))
{
    setFixedSize(sizeHint());
}

void BitmapView::setBitmap(const sms::MonoBitmap& bitmap)
{
    // The view keeps its size: a bitmap of another size is shown in it,
    // cut or padded with paper.
    sms::MonoBitmap fitted(bitmap_.width(), bitmap_.height());
    for (int y = 0; y < fitted.height(); ++y)
        for (int x = 0; x < fitted.width(); ++x)
            fitted.setPixel(x, y, bitmap.pixel(x, y));
    bitmap_ = fitted;
    update();
}

QSize BitmapView::sizeHint() const
{
    return QSize(bitmap_.width() * zoom_ + 2, bitmap_.height() * zoom_ + 2);
}

void BitmapView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setPen(palette().color(QPalette::Mid));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    const QImage image = imageFromMono(bitmap_);
    p.drawImage(QRect(1, 1, bitmap_.width() * zoom_, bitmap_.height() * zoom_), image);
}

} // namespace compose
