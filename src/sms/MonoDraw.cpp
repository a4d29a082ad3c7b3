#include "sms/MonoDraw.h"

#include <QList>
#include <climits>
#include <algorithm>
#include <cstdlib>

namespace sms {

PixelArea PixelArea::normalised() const
{
    return {std::min(left, right), std::min(top, bottom), std::max(left, right), std::max(top, bottom)};
}

bool PixelArea::contains(int x, int y) const
{
    const PixelArea n = normalised();
    return x >= n.left && x <= n.right && y >= n.top && y <= n.bottom;
}

namespace {

// The part of the area inside a width x height bitmap; false when none.
bool clipped(const PixelArea& area, int width, int height, PixelArea* out)
{
    const PixelArea n = area.normalised();
    out->left = std::max(n.left, 0);
    out->top = std::max(n.top, 0);
    out->right = std::min(n.right, width - 1);
    out->bottom = std::min(n.bottom, height - 1);
    return out->left <= out->right && out->top <= out->bottom;
}

} // namespace

MonoBitmap copyArea(const MonoBitmap& source, const PixelArea& area)
{
    const PixelArea n = area.normalised();
    const qint64 w = qint64(n.right) - n.left + 1;
    const qint64 h = qint64(n.bottom) - n.top + 1;
    if (w > MonoBitmap::kMaxSide || h > MonoBitmap::kMaxSide)
        return {};
    MonoBitmap out{int(w), int(h)};
    PixelArea inside;
    if (!clipped(n, source.width(), source.height(), &inside))
        return out;
    for (int y = inside.top; y <= inside.bottom; ++y)
        for (int x = inside.left; x <= inside.right; ++x)
            if (source.pixel(x, y))
                out.setPixel(x - n.left, y - n.top, true);
    return out;
}

void stamp(MonoBitmap& target, const MonoBitmap& s, int x, int y, int width, int height, StampMode mode)
{
    if (width <= 0 || height <= 0)
        return;
    PixelArea inside;
    const PixelArea area{x, y, int(std::min<qint64>(qint64(x) + width - 1, INT_MAX)),
                         int(std::min<qint64>(qint64(y) + height - 1, INT_MAX))};
    if (!clipped(area, target.width(), target.height(), &inside))
        return;
    for (int ty = inside.top; ty <= inside.bottom; ++ty)
        for (int tx = inside.left; tx <= inside.right; ++tx) {
            const bool ink = s.pixel(tx - x, ty - y);
            if (mode == StampMode::Over)
                target.setPixel(tx, ty, ink);
            else if (ink)
                target.setPixel(tx, ty, true);
        }
}

void restoreArea(MonoBitmap& target, const MonoBitmap& source, const PixelArea& area)
{
    PixelArea inside;
    if (!clipped(area, target.width(), target.height(), &inside))
        return;
    for (int y = inside.top; y <= inside.bottom; ++y)
        for (int x = inside.left; x <= inside.right; ++x)
            target.setPixel(x, y, source.pixel(x, y));
}

void fillArea(MonoBitmap& target, const PixelArea& area, bool ink)
{
    PixelArea inside;
    if (!clipped(area, target.width(), target.height(), &inside))
        return;
    for (int y = inside.top; y <= inside.bottom; ++y)
        for (int x = inside.left; x <= inside.right; ++x)
            target.setPixel(x, y, ink);
}

void mirrorArea(MonoBitmap& target, const PixelArea& area, FlipAxis axis)
{
    const PixelArea n = area.normalised();
    PixelArea inside;
    if (!clipped(n, target.width(), target.height(), &inside))
        return;
    const MonoBitmap before = target;
    for (int y = inside.top; y <= inside.bottom; ++y)
        for (int x = inside.left; x <= inside.right; ++x) {
            // In 64 bits: the mirror of a far-away area must not overflow.
            const qint64 sx = axis == FlipAxis::Horizontal ? qint64(n.left) + n.right - x : x;
            const qint64 sy = axis == FlipAxis::Vertical ? qint64(n.top) + n.bottom - y : y;
            const bool ink = sx >= 0 && sy >= 0 && sx < before.width() && sy < before.height()
                             && before.pixel(int(sx), int(sy));
            target.setPixel(x, y, ink);
        }
}

void drawLine(MonoBitmap& target, int x0, int y0, int x1, int y1, bool ink)
{
    const qint64 dx = std::llabs(qint64(x1) - x0);
    const qint64 dy = -std::llabs(qint64(y1) - y0);
    const int sx = x0 < x1 ? 1 : -1;
    const int sy = y0 < y1 ? 1 : -1;
    qint64 err = dx + dy;
    qint64 x = x0;
    qint64 y = y0;
    for (;;) {
        if (x >= 0 && y >= 0 && x < target.width() && y < target.height())
            target.setPixel(int(x), int(y), ink);
        if (x == x1 && y == y1)
            break;
        const qint64 e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y += sy;
        }
    }
}

void drawBox(MonoBitmap& target, const PixelArea& area, bool ink, bool filled)
{
    const PixelArea n = area.normalised();
    if (filled) {
        fillArea(target, n, ink);
        return;
    }
    fillArea(target, {n.left, n.top, n.right, n.top}, ink);
    fillArea(target, {n.left, n.bottom, n.right, n.bottom}, ink);
    fillArea(target, {n.left, n.top, n.left, n.bottom}, ink);
    fillArea(target, {n.right, n.top, n.right, n.bottom}, ink);
}

void drawEllipse(MonoBitmap& target, const PixelArea& area, bool ink, bool filled)
{
    const PixelArea n = area.normalised();
    if (n.right == n.left || n.bottom == n.top)
        return;
    // Only the rows the bitmap can show are collected; an area far larger
    // than the bitmap is still walked, but the walk is bounded by its size.
    const qint64 a0 = qint64(n.right) - n.left;
    const qint64 b0 = qint64(n.bottom) - n.top;
    if (a0 > 4 * MonoBitmap::kMaxSide || b0 > 4 * MonoBitmap::kMaxSide)
        return;
    const int rows = target.height();
    QList<qint64> minX(rows, LLONG_MAX);
    QList<qint64> maxX(rows, LLONG_MIN);
    auto plot = [&](qint64 x, qint64 y) {
        if (y < 0 || y >= rows)
            return;
        minX[int(y)] = std::min(minX[int(y)], x);
        maxX[int(y)] = std::max(maxX[int(y)], x);
        if (!filled && x >= 0 && x < target.width())
            target.setPixel(int(x), int(y), ink);
    };

    // The rectangle-bounded midpoint ellipse: the error terms are whole
    // numbers for odd and even diameters alike.
    qint64 a = a0;
    qint64 b = b0;
    qint64 b1 = b & 1;
    qint64 dx = 4 * (1 - a) * b * b;
    qint64 dy = 4 * (b1 + 1) * a * a;
    qint64 err = dx + dy + b1 * a * a;
    qint64 x0 = n.left;
    qint64 x1 = n.right;
    qint64 y0 = n.top + (b + 1) / 2;
    qint64 y1 = y0 - b1;
    a = 8 * a * a;
    b1 = 8 * b * b;
    do {
        plot(x1, y0);
        plot(x0, y0);
        plot(x0, y1);
        plot(x1, y1);
        const qint64 e2 = 2 * err;
        if (e2 <= dy) {
            ++y0;
            --y1;
            dy += a;
            err += dy;
        }
        if (e2 >= dx || 2 * err > dy) {
            ++x0;
            --x1;
            dx += b1;
            err += dx;
        }
    } while (x0 <= x1);
    // Flat ellipses stop early: finish their tips.
    while (y0 - y1 <= b) {
        plot(x0 - 1, y0);
        plot(x1 + 1, y0++);
        plot(x0 - 1, y1);
        plot(x1 + 1, y1--);
    }

    if (filled)
        for (int y = 0; y < rows; ++y)
            if (minX[y] <= maxX[y])
                fillArea(target,
                         {int(std::clamp<qint64>(minX[y], -1, target.width())), y,
                          int(std::clamp<qint64>(maxX[y], -1, target.width())), y},
                         ink);
}

void floodFill(MonoBitmap& target, int x, int y, bool ink)
{
    const int w = target.width();
    const int h = target.height();
    if (x < 0 || y < 0 || x >= w || y >= h || target.pixel(x, y) == ink)
        return;
    QList<int> queue;
    queue.append(y * w + x);
    target.setPixel(x, y, ink);
    for (qsizetype i = 0; i < queue.size(); ++i) {
        const int cx = queue[i] % w;
        const int cy = queue[i] / w;
        const int next[4][2] = {{cx - 1, cy}, {cx + 1, cy}, {cx, cy - 1}, {cx, cy + 1}};
        for (const auto& p : next) {
            if (p[0] < 0 || p[1] < 0 || p[0] >= w || p[1] >= h || target.pixel(p[0], p[1]) == ink)
                continue;
            target.setPixel(p[0], p[1], ink);
            queue.append(p[1] * w + p[0]);
        }
    }
}

void shiftWrapped(MonoBitmap& target, int dx, int dy)
{
    const int w = target.width();
    const int h = target.height();
    if (target.isNull())
        return;
    const MonoBitmap before = target;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int sx = ((x - dx) % w + w) % w;
            const int sy = ((y - dy) % h + h) % h;
            target.setPixel(x, y, before.pixel(sx, sy));
        }
}

void invert(MonoBitmap& target)
{
    for (int y = 0; y < target.height(); ++y)
        for (int x = 0; x < target.width(); ++x)
            target.setPixel(x, y, !target.pixel(x, y));
}

bool inkArea(const MonoBitmap& bitmap, PixelArea* area)
{
    bool found = false;
    PixelArea box{bitmap.width(), bitmap.height(), -1, -1};
    for (int y = 0; y < bitmap.height(); ++y)
        for (int x = 0; x < bitmap.width(); ++x)
            if (bitmap.pixel(x, y)) {
                found = true;
                box.left = std::min(box.left, x);
                box.top = std::min(box.top, y);
                box.right = std::max(box.right, x);
                box.bottom = std::max(box.bottom, y);
            }
    if (found)
        *area = box;
    return found;
}

} // namespace sms
