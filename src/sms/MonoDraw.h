#pragma once
// Drawing on one-bit bitmaps with integer rules: areas, stamps, mirrors,
// lines, boxes, ellipses, the flood fill and the wrap-around shift. Every
// operation clips to the bitmap: coordinates may lie anywhere, pixels
// outside are neither read (they count as paper) nor written.
#include "sms/MonoBitmap.h"

namespace sms {

// An area given by two corners, both inclusive, in either order.
struct PixelArea {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    // The same area with left <= right and top <= bottom.
    PixelArea normalised() const;
    int width() const { return normalised().right - normalised().left + 1; }
    int height() const { return normalised().bottom - normalised().top + 1; }
    bool contains(int x, int y) const;
    PixelArea moved(int dx, int dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }
    bool operator==(const PixelArea&) const = default;
};

// How a stamp meets what is under it: Merge keeps the ink below and adds
// the stamp's ink (paper in the stamp is transparent); Over replaces every
// pixel of the stamped area.
enum class StampMode { Merge, Over };

enum class FlipAxis { Horizontal, Vertical };

// The area of source as a bitmap of its size; parts beyond the source are
// paper. A null bitmap for an area larger than MonoBitmap::kMaxSide.
MonoBitmap copyArea(const MonoBitmap& source, const PixelArea& area);

// Draws the top-left width x height of stamp into target with its corner at
// (x, y). Parts of that area beyond the stamp count as paper.
void stamp(MonoBitmap& target, const MonoBitmap& stamp, int x, int y, int width, int height, StampMode mode);
inline void stamp(MonoBitmap& target, const MonoBitmap& s, int x, int y, StampMode mode)
{
    stamp(target, s, x, y, s.width(), s.height(), mode);
}

// Gives the area of target the pixels of the same area of source.
void restoreArea(MonoBitmap& target, const MonoBitmap& source, const PixelArea& area);

void fillArea(MonoBitmap& target, const PixelArea& area, bool ink);

// Mirrors the area in place, left to right or top to bottom. Pixels that
// would come from beyond the bitmap are paper.
void mirrorArea(MonoBitmap& target, const PixelArea& area, FlipAxis axis);

// A straight line of 8-connected pixels, both end points included.
void drawLine(MonoBitmap& target, int x0, int y0, int x1, int y1, bool ink);

// The outline of the area (both corners included), or the whole area.
void drawBox(MonoBitmap& target, const PixelArea& area, bool ink, bool filled);

// The ellipse that touches all four sides of the area (semi-axes of half
// its width and half its height, measured between pixel centres); filled,
// its inside as well. An area one pixel wide or high draws nothing.
void drawEllipse(MonoBitmap& target, const PixelArea& area, bool ink, bool filled);

// Paints the 4-connected region of the other colour that holds (x, y) with
// the colour; nothing when that pixel already has it or lies outside.
void floodFill(MonoBitmap& target, int x, int y, bool ink);

// Moves the whole picture by one pixel (dx, dy each -1, 0 or 1); what
// leaves one side comes back at the other.
void shiftWrapped(MonoBitmap& target, int dx, int dy);

void invert(MonoBitmap& target);

// The smallest area holding every ink pixel; false when there is none.
bool inkArea(const MonoBitmap& bitmap, PixelArea* area);

} // namespace sms
