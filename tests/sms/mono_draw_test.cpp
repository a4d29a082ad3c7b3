// Drawing on one-bit bitmaps: each shape is checked against its geometry
// (end points, extent, symmetry, distance from the ideal curve) and the
// flood fill against a plain relaxation, never against the drawing code.
#include <gtest/gtest.h>

#include <QRandomGenerator>
#include <QSet>
#include <cmath>

#include "sms/MonoDraw.h"

using sms::MonoBitmap;
using sms::PixelArea;

namespace {

QSet<std::pair<int, int>> inkSet(const MonoBitmap& b)
{
    QSet<std::pair<int, int>> out;
    for (int y = 0; y < b.height(); ++y)
        for (int x = 0; x < b.width(); ++x)
            if (b.pixel(x, y))
                out.insert({x, y});
    return out;
}

MonoBitmap fromRows(const QStringList& rows)
{
    MonoBitmap b(int(rows.value(0).size()), int(rows.size()));
    for (int y = 0; y < rows.size(); ++y)
        for (int x = 0; x < rows[y].size(); ++x)
            b.setPixel(x, y, rows[y][x] == QLatin1Char('#'));
    return b;
}

QStringList toRows(const MonoBitmap& b)
{
    QStringList rows;
    for (int y = 0; y < b.height(); ++y) {
        QString row;
        for (int x = 0; x < b.width(); ++x)
            row += b.pixel(x, y) ? QLatin1Char('#') : QLatin1Char('.');
        rows << row;
    }
    return rows;
}

MonoBitmap randomBitmap(int w, int h, quint32 seed, int inkPercent)
{
    QRandomGenerator rng(seed);
    MonoBitmap b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.setPixel(x, y, int(rng.bounded(100)) < inkPercent);
    return b;
}

} // namespace

TEST(MonoDraw, LinesJoinBothEndsWithOnePixelPerStepNearTheIdealLine)
{
    const int cases[][4] = {{0, 0, 71, 27}, {71, 0, 0, 27}, {5, 20, 60, 3}, {10, 10, 10, 2},
                            {3, 7, 40, 7},  {0, 27, 1, 0},  {30, 13, 30, 13}, {70, 1, 2, 26}};
    for (const auto& c : cases) {
        MonoBitmap b(72, 28);
        sms::drawLine(b, c[0], c[1], c[2], c[3], true);
        const auto pixels = inkSet(b);
        SCOPED_TRACE(::testing::Message() << c[0] << "," << c[1] << " -> " << c[2] << "," << c[3]);
        EXPECT_TRUE(b.pixel(c[0], c[1]));
        EXPECT_TRUE(b.pixel(c[2], c[3]));
        const int dx = std::abs(c[2] - c[0]);
        const int dy = std::abs(c[3] - c[1]);
        // One pixel for each step along the longer axis.
        EXPECT_EQ(pixels.size(), std::max(dx, dy) + 1);
        for (const auto& [x, y] : pixels) {
            // Within half a pixel of the ideal line along the shorter axis.
            if (dx >= dy && dx > 0) {
                const double ideal = c[1] + double(c[3] - c[1]) * (x - c[0]) / (c[2] - c[0]);
                EXPECT_LE(std::abs(y - ideal), 0.5 + 1e-9) << x << "," << y;
            } else if (dy > 0) {
                const double ideal = c[0] + double(c[2] - c[0]) * (y - c[1]) / (c[3] - c[1]);
                EXPECT_LE(std::abs(x - ideal), 0.5 + 1e-9) << x << "," << y;
            }
        }
    }

    // Paper lines erase; lines running off the bitmap keep what is inside.
    MonoBitmap b(10, 10);
    b.fill(true);
    sms::drawLine(b, -5, 4, 20, 4, false);
    for (int x = 0; x < 10; ++x)
        EXPECT_FALSE(b.pixel(x, 4));
    EXPECT_EQ(b.inkCount(), 90);
}

TEST(MonoDraw, BoxesIncludeBothCornersAndClip)
{
    MonoBitmap b(8, 6);
    sms::drawBox(b, {5, 4, 1, 1}, true, false);
    EXPECT_EQ(toRows(b), (QStringList{"........", ".#####..", ".#...#..", ".#...#..", ".#####..",
                                      "........"}));
    MonoBitmap f(8, 6);
    sms::drawBox(f, {1, 1, 5, 4}, true, true);
    EXPECT_EQ(f.inkCount(), 5 * 4);

    // Partly outside: only the inside part, no wrap into other rows.
    MonoBitmap c(8, 6);
    sms::drawBox(c, {-3, -2, 2, 1}, true, false);
    EXPECT_EQ(toRows(c), (QStringList{"..#.....", "###.....", "........", "........", "........",
                                      "........"}));
}

TEST(MonoDraw, EllipsesTouchEachSideAreSymmetricAndFollowTheCurve)
{
    const PixelArea areas[] = {{10, 5, 30, 20}, {0, 0, 71, 27}, {3, 3, 8, 4},  {20, 2, 21, 25},
                               {40, 10, 47, 17}, {5, 5, 10, 11}, {1, 1, 4, 2}, {30, 0, 60, 1}};
    for (const PixelArea& area : areas) {
        SCOPED_TRACE(::testing::Message() << area.left << "," << area.top << " " << area.right << ","
                                          << area.bottom);
        MonoBitmap outline(72, 28);
        sms::drawEllipse(outline, area, true, false);
        const auto pixels = inkSet(outline);
        ASSERT_FALSE(pixels.isEmpty());
        PixelArea box;
        ASSERT_TRUE(sms::inkArea(outline, &box));
        EXPECT_EQ(box, area);
        const double cx = (area.left + area.right) / 2.0;
        const double cy = (area.top + area.bottom) / 2.0;
        const double a = (area.right - area.left) / 2.0;
        const double b = (area.bottom - area.top) / 2.0;
        for (const auto& [x, y] : pixels) {
            // Mirror images across both axes are drawn too.
            EXPECT_TRUE(outline.pixel(int(2 * cx - x), y)) << x << "," << y;
            EXPECT_TRUE(outline.pixel(x, int(2 * cy - y))) << x << "," << y;
            // Each pixel lies within a pixel of the ideal curve: between
            // the ellipses one pixel inside and one pixel outside it.
            const double outer = std::pow((x - cx) / (a + 1), 2) + std::pow((y - cy) / (b + 1), 2);
            EXPECT_LE(outer, 1.0) << x << "," << y;
            if (a > 1 && b > 1) {
                const double inner = std::pow((x - cx) / (a - 1), 2) + std::pow((y - cy) / (b - 1), 2);
                EXPECT_GE(inner, 1.0) << x << "," << y;
            }
        }
        // The outline is closed: every row of the area has its pixels, and
        // the filled ellipse is the outline with each row's span filled.
        MonoBitmap filled(72, 28);
        sms::drawEllipse(filled, area, true, true);
        for (int y = area.top; y <= area.bottom; ++y) {
            int lo = 1000, hi = -1;
            for (int x = 0; x < 72; ++x)
                if (outline.pixel(x, y)) {
                    lo = std::min(lo, x);
                    hi = std::max(hi, x);
                }
            ASSERT_GE(hi, 0) << "row " << y;
            for (int x = 0; x < 72; ++x)
                EXPECT_EQ(filled.pixel(x, y), x >= lo && x <= hi) << x << "," << y;
        }
        EXPECT_TRUE(filled.pixel(int(cx), int(cy)));
    }

    // A single row or column draws nothing; an area hanging off the edge
    // draws its visible part without touching anything else.
    MonoBitmap none(72, 28);
    sms::drawEllipse(none, {5, 5, 20, 5}, true, true);
    sms::drawEllipse(none, {5, 5, 5, 20}, true, false);
    EXPECT_EQ(none.inkCount(), 0);
    MonoBitmap edge(72, 28);
    sms::drawEllipse(edge, {60, 20, 90, 40}, true, true);
    EXPECT_GT(edge.inkCount(), 0);
    PixelArea box;
    ASSERT_TRUE(sms::inkArea(edge, &box));
    EXPECT_GE(box.left, 60);
    EXPECT_GE(box.top, 20);
}

TEST(MonoDraw, FloodFillTakesTheFourConnectedRegionOfTheOtherColour)
{
    // The diagonal gap does not let the fill through.
    MonoBitmap b = fromRows({"....#...", "...#....", "..#.....", ".#......", "#......."});
    sms::floodFill(b, 0, 0, true);
    EXPECT_EQ(toRows(b), (QStringList{"#####...", "####....", "###.....", "##......", "#......."}));
    // Paper fill from an ink pixel takes that ink region back.
    sms::floodFill(b, 1, 1, false);
    // The filled triangle and the diagonal touch: one region.
    EXPECT_EQ(b.inkCount(), 0);
    // Starting on the colour itself, or outside, changes nothing.
    MonoBitmap c = fromRows({"#..", "...", "..#"});
    const MonoBitmap before = c;
    sms::floodFill(c, 0, 0, true);
    sms::floodFill(c, -1, 0, true);
    sms::floodFill(c, 3, 3, false);
    EXPECT_EQ(c, before);

    // Random pictures against a fill that relaxes until nothing changes.
    for (quint32 seed = 1; seed <= 40; ++seed) {
        const MonoBitmap start = randomBitmap(72, 28, seed, 20 + int(seed % 4) * 10);
        QRandomGenerator rng(seed * 7919);
        const int sx = int(rng.bounded(72));
        const int sy = int(rng.bounded(28));
        const bool ink = rng.bounded(2) == 1;
        MonoBitmap got = start;
        sms::floodFill(got, sx, sy, ink);

        MonoBitmap expected = start;
        if (start.pixel(sx, sy) != ink) {
            QList<bool> reached(72 * 28, false);
            reached[sy * 72 + sx] = true;
            for (bool changed = true; changed;) {
                changed = false;
                for (int y = 0; y < 28; ++y)
                    for (int x = 0; x < 72; ++x) {
                        if (reached[y * 72 + x] || start.pixel(x, y) == ink)
                            continue;
                        const bool next = (x > 0 && reached[y * 72 + x - 1]) || (x < 71 && reached[y * 72 + x + 1])
                                          || (y > 0 && reached[(y - 1) * 72 + x])
                                          || (y < 27 && reached[(y + 1) * 72 + x]);
                        if (next) {
                            reached[y * 72 + x] = true;
                            changed = true;
                        }
                    }
            }
            for (int i = 0; i < reached.size(); ++i)
                if (reached[i])
                    expected.setPixel(i % 72, i / 72, ink);
        }
        ASSERT_EQ(got, expected) << "seed " << seed;
    }
}

TEST(MonoDraw, ShiftsWrapAroundAndUndoEachOther)
{
    const MonoBitmap start = randomBitmap(72, 14, 99, 30);
    MonoBitmap b = start;
    sms::shiftWrapped(b, -1, 0);
    for (int y = 0; y < 14; ++y) {
        EXPECT_EQ(b.pixel(71, y), start.pixel(0, y)) << y;
        for (int x = 0; x < 71; ++x)
            ASSERT_EQ(b.pixel(x, y), start.pixel(x + 1, y));
    }
    sms::shiftWrapped(b, 1, 0);
    EXPECT_EQ(b, start);
    sms::shiftWrapped(b, 0, -1);
    for (int x = 0; x < 72; ++x)
        EXPECT_EQ(b.pixel(x, 13), start.pixel(x, 0));
    sms::shiftWrapped(b, 0, 1);
    EXPECT_EQ(b, start);
}

TEST(MonoDraw, MirrorsStampsAndCopiesStayInsideTheBitmap)
{
    MonoBitmap b = fromRows({"##....", "#.....", "......"});
    sms::mirrorArea(b, {0, 0, 3, 1}, sms::FlipAxis::Horizontal);
    EXPECT_EQ(toRows(b), (QStringList{"..##..", "...#..", "......"}));
    sms::mirrorArea(b, {2, 0, 3, 2}, sms::FlipAxis::Vertical);
    EXPECT_EQ(toRows(b), (QStringList{"......", "...#..", "..##.."}));
    // An area reaching past the edge brings paper in from beyond it.
    MonoBitmap edge = fromRows({"#....#"});
    sms::mirrorArea(edge, {3, 0, 8, 0}, sms::FlipAxis::Horizontal);
    EXPECT_EQ(toRows(edge), (QStringList{"#....."}));
    // Mirroring twice gives the picture back.
    const MonoBitmap r = randomBitmap(72, 28, 5, 40);
    MonoBitmap twice = r;
    sms::mirrorArea(twice, {7, 3, 50, 20}, sms::FlipAxis::Horizontal);
    EXPECT_NE(twice, r);
    sms::mirrorArea(twice, {50, 20, 7, 3}, sms::FlipAxis::Horizontal);
    EXPECT_EQ(twice, r);

    const MonoBitmap s = fromRows({"#.", ".#"});
    MonoBitmap merged = fromRows({"...#", "....", "#..."});
    sms::stamp(merged, s, 2, 0, sms::StampMode::Merge);
    EXPECT_EQ(toRows(merged), (QStringList{"..##", "...#", "#..."}));
    MonoBitmap over = fromRows({"...#", "....", "#..."});
    sms::stamp(over, s, 2, 0, sms::StampMode::Over);
    EXPECT_EQ(toRows(over), (QStringList{"..#.", "...#", "#..."}));
    // Far outside, or partly outside: only what falls inside is written.
    MonoBitmap clipped = fromRows({"...", "..."});
    sms::stamp(clipped, s, -1, -1, sms::StampMode::Over);
    sms::stamp(clipped, s, 1000000, -1000000, sms::StampMode::Over);
    sms::stamp(clipped, s, 2, 1, 5, 5, sms::StampMode::Merge);
    EXPECT_EQ(toRows(clipped), (QStringList{"#..", "..#"}));

    const MonoBitmap src = fromRows({"#..#", ".##."});
    EXPECT_EQ(toRows(sms::copyArea(src, {2, 1, 5, -1})), (QStringList{"....", ".#..", "#..."}));
    EXPECT_TRUE(sms::copyArea(src, {0, 0, 100000, 0}).isNull());

    MonoBitmap restored = fromRows({"####", "####"});
    sms::restoreArea(restored, src, {-2, 1, 1, 9});
    EXPECT_EQ(toRows(restored), (QStringList{"####", ".###"}));

    PixelArea box;
    EXPECT_FALSE(sms::inkArea(MonoBitmap(5, 5), &box));
    ASSERT_TRUE(sms::inkArea(fromRows({".....", "..#..", ".#...", "....."}), &box));
    EXPECT_EQ(box, (PixelArea{1, 1, 2, 2}));
}
