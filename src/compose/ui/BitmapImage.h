#pragma once
// One-bit bitmaps and images. A picture file comes in over paper: it is
// drawn over the paper colour first (so transparent pixels are paper), and
// only what is then exactly black becomes ink; near-blacks, greys and
// colours are paper. Going out, ink is black and paper the paper colour.
#include <QColor>
#include <QImage>
#include <QString>

#include "sms/MonoBitmap.h"

namespace compose {

// The paper of the send form's and the editor's bitmaps.
inline QColor paperColour() { return QColor(0xE0, 0xFF, 0xEE); }

// The width x height area from the image's top-left corner; parts beyond
// the image are paper.
sms::MonoBitmap monoFromImage(const QImage& image, int width, int height);
// Ink black, paper the paper colour, one image pixel per bitmap pixel.
QImage imageFromMono(const sms::MonoBitmap& bitmap);
// Loads a picture file (BMP, JPEG, GIF, ...) into a width x height bitmap;
// false with *error set when the file is no picture.
bool loadMonoBitmap(const QString& path, int width, int height, sms::MonoBitmap* out, QString* error);

} // namespace compose
