#pragma once
// Layout measures are given in twips. They convert to logical pixels at a
// fixed 15 twips per pixel (96 dpi) rather than the screen's resolution, so
// layouts come out the same on every screen and in tests.

namespace twips {

inline constexpr int kPerPixel = 15;

// Twips to pixels, rounding half up: 50 -> 3, 80 -> 5, 1600 -> 107.
constexpr int toPx(int tw)
{
    return tw >= 0 ? (tw * 2 + kPerPixel) / (2 * kPerPixel)
                   : -((-tw * 2 + kPerPixel - 1) / (2 * kPerPixel));
}

constexpr int fromPx(int px) { return px * kPerPixel; }

} // namespace twips
