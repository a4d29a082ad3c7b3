#pragma once
// Layout measures are kept in twips, as the window's design gives them, and
// converted at a fixed 15 twips per pixel so layouts do not depend on the
// screen's resolution.

namespace twips {

constexpr int kTwipsPerPixel = 15;

// Twips to pixels, rounding half up.
constexpr int px(int twips) { return (twips * 2 + kTwipsPerPixel) / (2 * kTwipsPerPixel); }

static_assert(px(15) == 1 && px(50) == 3 && px(240) == 16 && px(1000) == 67 && px(1595) == 106
              && px(3795) == 253 && px(9600) == 640 && px(7200) == 480);

} // namespace twips
