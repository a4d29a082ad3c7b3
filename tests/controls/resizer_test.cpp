// The two-pane splitter: its layout and drag arithmetic on plain rectangles,
// then the widget driven by real mouse events on its gap.
#include <QApplication>
#include <QMouseEvent>
#include <gtest/gtest.h>

#include "controls/Resizer.h"
#include "controls/ResizerGeometry.h"
#include "controls/Twips.h"

using Panes = ResizerGeometry::Panes;

namespace {

ResizerGeometry stacked()
{
    ResizerGeometry g;
    g.orientation = 0;
    g.separator = 5;
    g.minimum = {20, 30};
    return g;
}

Panes panes(QRect a, QRect b, bool hiddenA = false, bool hiddenB = false)
{
    return Panes{ResizerGeometry::Pane{a, hiddenA}, ResizerGeometry::Pane{b, hiddenB}};
}

} // namespace

TEST(Twips, ConvertAtFifteenPerPixelRoundingHalfUp)
{
    EXPECT_EQ(twips::toPx(15), 1);
    EXPECT_EQ(twips::toPx(50), 3);
    EXPECT_EQ(twips::toPx(80), 5);
    EXPECT_EQ(twips::toPx(1000), 67);
    EXPECT_EQ(twips::toPx(1600), 107);
    EXPECT_EQ(twips::toPx(1800), 120);
    EXPECT_EQ(twips::toPx(-15), -1);
}

TEST(ResizerGeometry, StacksAndPlacesSideBySideAroundTheGap)
{
    ResizerGeometry g = stacked();
    const QSize box(200, 300);
    Panes out = g.layout(box, panes({0, 0, 100, 100}, {7, 7, 10, 10}));
    EXPECT_EQ(out[0].rect, QRect(0, 0, 200, 100));
    EXPECT_EQ(out[1].rect, QRect(0, 105, 200, 195));

    // Inverted, the second child is on top and keeps its height.
    g.invert = true;
    out = g.layout(box, panes({0, 0, 100, 100}, {0, 0, 100, 80}));
    EXPECT_EQ(out[1].rect, QRect(0, 0, 200, 80));
    EXPECT_EQ(out[0].rect, QRect(0, 85, 200, 215));

    g.invert = false;
    g.orientation = 1;
    out = g.layout(QSize(300, 200), panes({0, 0, 120, 10}, {0, 0, 10, 10}));
    EXPECT_EQ(out[0].rect, QRect(0, 0, 120, 200));
    EXPECT_EQ(out[1].rect, QRect(125, 0, 175, 200));

    // Any other orientation leaves the panes where they are.
    g.orientation = 2;
    const Panes in = panes({1, 2, 3, 4}, {5, 6, 7, 8});
    EXPECT_EQ(g.layout(QSize(300, 200), in), in);
}

TEST(ResizerGeometry, LayoutKeepsTheLeadingPaneWithinBothMinimums)
{
    const ResizerGeometry g = stacked();
    Panes out = g.layout(QSize(200, 300), panes({0, 0, 200, 5}, {}));
    EXPECT_EQ(out[0].rect.height(), 20);
    EXPECT_EQ(out[1].rect, QRect(0, 25, 200, 275));

    out = g.layout(QSize(200, 300), panes({0, 0, 200, 290}, {}));
    EXPECT_EQ(out[0].rect.height(), 265);
    EXPECT_EQ(out[1].rect, QRect(0, 270, 200, 30));

    // Too small for both: a leading pane already below its minimum gets it...
    out = g.layout(QSize(200, 40), panes({0, 0, 200, 10}, {}));
    EXPECT_EQ(out[0].rect.height(), 20);
    EXPECT_EQ(out[1].rect, QRect(0, 25, 200, 15));
    // ...otherwise the trailing pane's limit applies.
    out = g.layout(QSize(200, 40), panes({0, 0, 200, 25}, {}));
    EXPECT_EQ(out[0].rect.height(), 5);
    EXPECT_EQ(out[1].rect, QRect(0, 10, 200, 30));
    // Nothing goes negative when even the gap does not fit.
    out = g.layout(QSize(200, 3), panes({0, 0, 200, 25}, {}));
    EXPECT_EQ(out[0].rect.height(), 0);
    EXPECT_EQ(out[1].rect.height(), 0);
}

TEST(ResizerGeometry, HiddenPaneLeavesTheContainerToTheOther)
{
    ResizerGeometry g = stacked();
    g.shown = {false, true};
    const Panes out = g.layout(QSize(200, 300), panes({0, 0, 200, 100}, {0, 105, 200, 195}, false, true));
    EXPECT_TRUE(out[0].hidden);
    EXPECT_EQ(out[0].rect.left(), 200);
    EXPECT_EQ(out[0].rect.height(), 100);
    // The filling child is shown again even if it had been hidden before.
    EXPECT_FALSE(out[1].hidden);
    EXPECT_EQ(out[1].rect, QRect(0, 0, 200, 300));

    // A list that overhangs lies one pixel outside on every side.
    g.overhang = {false, true};
    EXPECT_EQ(g.layout(QSize(200, 300), out)[1].rect, QRect(-1, -1, 202, 302));

    // Shown again: both panes start from halves of the space beyond the gap.
    g.shown = {true, true};
    g.overhang = {false, false};
    const Panes back = g.layout(QSize(200, 300), g.layout(QSize(200, 300), out));
    EXPECT_FALSE(back[0].hidden);
    EXPECT_EQ(back[0].rect, QRect(0, 0, 200, 147));
    EXPECT_EQ(back[1].rect, QRect(0, 152, 200, 148));
}

TEST(ResizerGeometry, OnePaneAlwaysStaysShown)
{
    ResizerGeometry g;
    EXPECT_FALSE(g.setShown(0, false));
    EXPECT_EQ(g.shown, (std::array<bool, 2>{false, true}));
    EXPECT_TRUE(g.setShown(1, false));
    EXPECT_EQ(g.shown, (std::array<bool, 2>{true, false}));
    EXPECT_FALSE(g.setShown(1, true));
    EXPECT_EQ(g.shown, (std::array<bool, 2>{true, true}));
}

TEST(ResizerGeometry, OverhangingListsInTheLayout)
{
    ResizerGeometry g = stacked();
    g.overhang = {true, false};
    Panes out = g.layout(QSize(200, 300), panes({0, 0, 200, 100}, {}));
    EXPECT_EQ(out[0].rect, QRect(-1, -1, 202, 100));
    EXPECT_EQ(out[1].rect, QRect(0, 103, 200, 197));

    g.orientation = 1;
    g.overhang = {false, true};
    out = g.layout(QSize(300, 200), panes({0, 0, 100, 10}, {}));
    EXPECT_EQ(out[0].rect, QRect(0, 0, 100, 200));
    EXPECT_EQ(out[1].rect, QRect(104, -1, 195, 202));
}

TEST(ResizerGeometry, PresizeBoundsBothEndsByThePanesNumberedMinimum)
{
    ResizerGeometry g = stacked();
    const QSize box(200, 300);
    EXPECT_EQ(g.presize(0, 10, box), (std::array<int, 2>{20, 280}));
    EXPECT_EQ(g.presize(0, 290, box), (std::array<int, 2>{280, 20}));
    EXPECT_EQ(g.presize(1, 100, box), (std::array<int, 2>{200, 100}));
    EXPECT_EQ(g.presize(1, 290, box), (std::array<int, 2>{30, 270}));
    g.orientation = 1;
    EXPECT_EQ(g.presize(0, 150, QSize(400, 10)), (std::array<int, 2>{150, 250}));
}

TEST(ResizerGeometry, DragMovesTheBoundaryAndStopsAtEachMinimum)
{
    const ResizerGeometry g = stacked();
    const std::array<QRect, 2> start{QRect(0, 0, 200, 100), QRect(0, 105, 200, 195)};

    ResizerGeometry::DragStep s = g.drag(start, 150, 100);
    EXPECT_EQ(s.rects[0], QRect(0, 0, 200, 150));
    EXPECT_EQ(s.rects[1], QRect(0, 155, 200, 145));
    EXPECT_EQ(s.start, 150);

    // Past the leading minimum: the pane stops exactly on it...
    s = g.drag(start, 0, 100);
    EXPECT_EQ(s.rects[0], QRect(0, 0, 200, 20));
    EXPECT_EQ(s.rects[1], QRect(0, 25, 200, 275));
    EXPECT_EQ(s.start, 0);
    // ...and turning back moves the boundary at once, without a dead zone.
    s = g.drag(s.rects, 10, s.start);
    EXPECT_EQ(s.rects[0].height(), 30);
    EXPECT_EQ(s.rects[1], QRect(0, 35, 200, 265));

    // Past the trailing minimum.
    s = g.drag(start, 400, 100);
    EXPECT_EQ(s.rects[0].height(), 265);
    EXPECT_EQ(s.rects[1], QRect(0, 270, 200, 30));
    s = g.drag(s.rects, 390, s.start);
    EXPECT_EQ(s.rects[0].height(), 255);
}

TEST(ResizerGeometry, DragInTooSmallContainerLetsTheTrailingMinimumWin)
{
    const ResizerGeometry g = stacked();
    const std::array<QRect, 2> squeezed{QRect(0, 0, 200, 20), QRect(0, 25, 200, 15)};
    const ResizerGeometry::DragStep s = g.drag(squeezed, 10, 10);
    EXPECT_EQ(s.rects[0], QRect(0, 0, 200, 5));
    EXPECT_EQ(s.rects[1], QRect(0, 10, 200, 30));
}

TEST(ResizerGeometry, DragSideBySideInvertedMovesTheSecondChildAsLeader)
{
    ResizerGeometry g;
    g.orientation = 1;
    g.invert = true;
    g.separator = 3;
    g.minimum = {50, 40};  // child 0 trails, child 1 leads
    const std::array<QRect, 2> r{QRect(103, 0, 197, 80), QRect(0, 0, 100, 80)};
    ResizerGeometry::DragStep s = g.drag(r, 120, 100);
    EXPECT_EQ(s.rects[1], QRect(0, 0, 120, 80));
    EXPECT_EQ(s.rects[0], QRect(123, 0, 177, 80));
    s = g.drag(r, 0, 100);
    EXPECT_EQ(s.rects[1].width(), 40);
    s = g.drag(r, 299, 100);
    EXPECT_EQ(s.rects[0], QRect(250, 0, 50, 80));

    g.orientation = 3;
    EXPECT_EQ(g.drag(r, 0, 100).rects, r);
}

// ---- The widget ------------------------------------------------------------

namespace {

void sendMouse(QWidget* target, QEvent::Type type, QPoint local, Qt::MouseButton button,
               Qt::MouseButtons buttons)
{
    QMouseEvent ev(type, QPointF(local), QPointF(target->mapToGlobal(local)), button, buttons,
                   Qt::NoModifier);
    QApplication::sendEvent(target, &ev);
}

// A drag along the gap: press at `from` (container coordinates), move to
// each point with the left button held.
QWidget* pressOnGap(Resizer& r, QPoint at)
{
    QWidget* target = r.childAt(at);
    if (target == r.handle())
        sendMouse(target, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
    return target;
}

void dragTo(Resizer& r, QPoint at, Qt::MouseButtons held = Qt::LeftButton)
{
    sendMouse(r.handle(), QEvent::MouseMove, at, Qt::NoButton, held);
}

Resizer::Options messageSplit()
{
    Resizer::Options o;
    o.orientation = 0;
    o.separatorTwips = 80;        // 5 px
    o.invert = true;
    o.minTwips = {1800, 1000};    // 120 px below, 67 px above
    return o;
}

} // namespace

TEST(ResizerWidget, StackedDragOnTheGapClampsAtBothEnds)
{
    QWidget window;
    auto* r = new Resizer(messageSplit(), &window);
    auto* below = new QWidget;
    auto* above = new QWidget;
    below->resize(100, 30);
    above->resize(100, 30);
    r->addWidget(below);
    r->addWidget(above);
    EXPECT_FALSE(r->addWidget(new QWidget(&window)));
    r->setGeometry(0, 0, 300, 400);
    window.resize(300, 400);
    window.show();

    EXPECT_EQ(r->leadingWidget(), above);
    EXPECT_EQ(above->geometry(), QRect(0, 0, 300, 67));
    EXPECT_EQ(below->geometry(), QRect(0, 72, 300, 328));
    EXPECT_EQ(r->handle()->cursor().shape(), Qt::SizeVerCursor);
    EXPECT_EQ(r->handle()->geometry(), QRect(0, 0, 300, 400));

    ASSERT_EQ(pressOnGap(*r, {150, 69}), r->handle());
    dragTo(*r, {150, 200});
    EXPECT_EQ(above->geometry(), QRect(0, 0, 300, 198));
    EXPECT_EQ(below->geometry(), QRect(0, 203, 300, 197));

    dragTo(*r, {150, 390});
    EXPECT_EQ(above->height(), 275);
    EXPECT_EQ(below->geometry(), QRect(0, 280, 300, 120));
    dragTo(*r, {150, 380});
    EXPECT_EQ(above->height(), 265);

    // Another button held, or none: the boundary stays.
    dragTo(*r, {150, 300}, Qt::RightButton);
    dragTo(*r, {150, 300}, Qt::LeftButton | Qt::RightButton);
    EXPECT_EQ(above->height(), 265);

    dragTo(*r, {150, -50});
    EXPECT_EQ(above->height(), 67);
    EXPECT_EQ(below->geometry(), QRect(0, 72, 300, 328));
    sendMouse(r->handle(), QEvent::MouseButtonRelease, {150, -50}, Qt::LeftButton, Qt::NoButton);

    // A resize keeps the top pane's height and gives the rest below.
    ASSERT_EQ(pressOnGap(*r, {150, 69}), r->handle());
    dragTo(*r, {150, 169});
    ASSERT_EQ(above->height(), 167);
    r->resize(300, 500);
    EXPECT_EQ(above->geometry(), QRect(0, 0, 300, 167));
    EXPECT_EQ(below->geometry(), QRect(0, 172, 300, 328));
    EXPECT_EQ(r->control1Size(), 167 * 15);
    EXPECT_EQ(r->control2Size(), 328 * 15);
}

TEST(ResizerWidget, SideBySideLikeTheMainSplit)
{
    Resizer::Options o;
    o.orientation = 1;
    o.separatorTwips = 50;
    o.invert = true;
    o.minTwips = {1600, 1800};
    Resizer r(o);
    auto* right = new QWidget;
    auto* tree = new QWidget;
    r.addWidget(right);
    r.addWidget(tree);
    r.resize(600, 300);
    r.setControl1Size(3000);  // 200 px for the tree
    r.show();

    EXPECT_EQ(tree->geometry(), QRect(0, 0, 200, 300));
    EXPECT_EQ(right->geometry(), QRect(203, 0, 397, 300));
    EXPECT_EQ(r.handle()->cursor().shape(), Qt::SizeHorCursor);
    EXPECT_EQ(r.minControlSize1(), 1800);
    EXPECT_EQ(r.minControlSize2(), 1600);

    ASSERT_EQ(pressOnGap(r, {201, 150}), r.handle());
    dragTo(r, {10, 150});
    EXPECT_EQ(tree->width(), 120);
    dragTo(r, {590, 150});
    EXPECT_EQ(right->geometry(), QRect(493, 0, 107, 300));
    EXPECT_EQ(tree->width(), 490);

    // The right button does not start a drag from a new point.
    sendMouse(r.handle(), QEvent::MouseButtonPress, {100, 150}, Qt::RightButton, Qt::RightButton);
    dragTo(r, {580, 150});
    EXPECT_EQ(tree->width(), 480);
}

TEST(ResizerWidget, HidingPanesKeepsOneShownAndFillsTheContainer)
{
    Resizer::Options o = messageSplit();
    o.overhang = {false, true};  // the list on top overhangs
    Resizer r(o);
    // Widgets made without a parent start as 640x480 windows; the top pane
    // keeps the height it comes with, so give them a small one.
    auto* below = new QWidget;
    auto* list = new QWidget;
    below->resize(100, 30);
    list->resize(100, 30);
    r.addWidget(below);
    r.addWidget(list);
    r.resize(300, 400);
    r.show();
    ASSERT_EQ(list->geometry(), QRect(-1, -1, 302, 67));
    EXPECT_EQ(below->geometry(), QRect(0, 70, 300, 330));

    r.setControl2Visible(false);
    EXPECT_TRUE(below->isHidden());
    EXPECT_EQ(below->x(), 300);
    EXPECT_EQ(list->geometry(), QRect(-1, -1, 302, 402));
    EXPECT_TRUE(r.control1Visible());

    // Hiding the other one as well brings the first back, and it fills.
    r.setControl1Visible(false);
    EXPECT_TRUE(r.control2Visible());
    EXPECT_FALSE(r.control1Visible());
    EXPECT_FALSE(below->isHidden());
    EXPECT_TRUE(list->isHidden());
    EXPECT_EQ(below->geometry(), QRect(0, 0, 300, 400));

    // Both shown again: halves of the space beyond the gap.
    r.setControl1Visible(true);
    EXPECT_FALSE(list->isHidden());
    EXPECT_FALSE(below->isHidden());
    EXPECT_EQ(list->geometry(), QRect(-1, -1, 302, 197));
    EXPECT_EQ(below->geometry(), QRect(0, 200, 300, 200));
}

TEST(ResizerWidget, LaysOutBeforeTheWindowIsShown)
{
    // Inside a window that is not shown, no pane is visible, yet none is
    // hidden: the layout must not halve the panes on every resize.
    QWidget window;
    auto* r = new Resizer(messageSplit(), &window);
    auto* below = new QWidget;
    auto* above = new QWidget;
    r->addWidget(below);
    r->addWidget(above);
    r->resize(300, 400);
    r->setControl1Size(2250);  // 150 px
    EXPECT_EQ(above->geometry(), QRect(0, 0, 300, 150));
    r->setSeparatorSize(80);   // lays out again
    EXPECT_EQ(above->geometry(), QRect(0, 0, 300, 150));
    EXPECT_EQ(below->geometry(), QRect(0, 155, 300, 245));
    EXPECT_FALSE(below->isVisible());
}

TEST(ResizerWidget, SettersKeepTheirLowerLimits)
{
    Resizer r(messageSplit());
    auto* below = new QWidget;
    auto* above = new QWidget;
    below->resize(100, 30);
    above->resize(100, 30);
    r.addWidget(below);
    r.addWidget(above);
    r.resize(300, 400);

    r.setSeparatorSize(10);
    EXPECT_EQ(r.separatorSize(), 80);
    EXPECT_EQ(below->y(), 72);
    r.setSeparatorSize(15);
    EXPECT_EQ(r.separatorSize(), 15);
    EXPECT_EQ(below->y(), 68);

    r.setMinControlSize1(80);
    EXPECT_EQ(r.minControlSize1(), 1000);
    r.setMinControlSize1(3000);  // 200 px, applied at the next layout
    EXPECT_EQ(above->height(), 67);
    r.relayout();
    EXPECT_EQ(above->height(), 200);

    // Turning the container round changes the axis and the pointer.
    r.setInvertControls(false);
    EXPECT_EQ(r.leadingWidget(), below);
    r.setOrientation(1);
    EXPECT_EQ(r.handle()->cursor().shape(), Qt::SizeHorCursor);
    EXPECT_EQ(below->geometry().topLeft(), QPoint(0, 0));
    EXPECT_EQ(above->x(), below->width() + 1);
}

TEST(ResizerWidget, WithOneChildNothingMoves)
{
    Resizer r(messageSplit());
    auto* only = new QWidget;
    r.addWidget(only);
    only->setGeometry(5, 6, 7, 8);
    r.resize(300, 400);
    r.show();
    EXPECT_EQ(only->geometry(), QRect(5, 6, 7, 8));
    EXPECT_EQ(r.control1Size(), 0);  // the leading place is empty
    sendMouse(r.handle(), QEvent::MouseButtonPress, {10, 10}, Qt::LeftButton, Qt::LeftButton);
    dragTo(r, {10, 100});
    EXPECT_EQ(only->geometry(), QRect(5, 6, 7, 8));

    auto* second = new QWidget;
    r.addWidget(second);
    delete second;  // the place is empty again
    r.resize(300, 300);
    EXPECT_EQ(r.trailingWidget(), only);
    EXPECT_EQ(r.leadingWidget(), nullptr);
}
