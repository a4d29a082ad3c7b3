#pragma once
// A one-bit picture: width x height pixels, each ink (1, drawn black) or
// paper (0). Logos are 72 x 14, picture messages 72 x 28. Colour appears
// only where a view paints one; converting from and to images is the
// views' business.
#include <QBitArray>

namespace sms {

class MonoBitmap {
public:
    // The largest side accepted; a larger or negative size gives a null
    // (0 x 0) bitmap.
    static constexpr int kMaxSide = 8192;

    MonoBitmap() = default;
    // All paper.
    MonoBitmap(int width, int height);

    int width() const { return width_; }
    int height() const { return height_; }
    bool isNull() const { return width_ == 0 || height_ == 0; }

    // Pixels outside the bitmap read as paper; writes outside are dropped.
    bool pixel(int x, int y) const;
    void setPixel(int x, int y, bool ink = true);
    void fill(bool ink);
    // The number of ink pixels.
    int inkCount() const;

    bool operator==(const MonoBitmap& other) const = default;

private:
    int width_ = 0;
    int height_ = 0;
    QBitArray bits_;
};

} // namespace sms
