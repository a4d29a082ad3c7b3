#pragma once
// Shows a one-bit bitmap enlarged, ink black on the paper colour.
#include <QWidget>

#include "sms/MonoBitmap.h"

namespace compose {

class BitmapView : public QWidget {
    Q_OBJECT
public:
    BitmapView(int width, int height, int zoom, QWidget* parent = nullptr);

    const sms::MonoBitmap& bitmap() const { return bitmap_; }
    void setBitmap(const sms::MonoBitmap& bitmap);
    int zoom() const { return zoom_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    sms::MonoBitmap bitmap_;
    int zoom_;
};

} // namespace compose
