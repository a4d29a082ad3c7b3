#include "sms/MonoBitmap.h"

namespace sms {

MonoBitmap::MonoBitmap(int width, int height)
{
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide)
        return;
    width_ = width;
    height_ = height;
    bits_.resize(width * height);
}

bool MonoBitmap::pixel(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width_ || y >= height_)
        return false;
    return bits_.testBit(y * width_ + x);
}

void MonoBitmap::setPixel(int x, int y, bool ink)
{
    if (x < 0 || y < 0 || x >= width_ || y >= height_)
        return;
    bits_.setBit(y * width_ + x, ink);
}

void MonoBitmap::fill(bool ink)
{
    bits_.fill(ink);
}

int MonoBitmap::inkCount() const
{
    return int(bits_.count(true));
}

} // namespace sms
