// The bitmap editor's rules without a window: every tool through the mouse
// as the view reports it (view pixels), the selection and its floating
// state, the undo history, the clipboard rules, shifts, flips and text.
#include <gtest/gtest.h>

#include <QRandomGenerator>

#include "editor/EditorModel.h"

using editor::Button;
using editor::EditorModel;
using editor::kZoom;
using editor::PasteMode;
using editor::ShapeOverlay;
using editor::Tool;
using sms::MonoBitmap;
using sms::PixelArea;

namespace {

// The middle of a cell in view pixels.
int v(int cell) { return cell * kZoom + kZoom / 2; }

MonoBitmap inkAt(std::initializer_list<std::pair<int, int>> pixels, int w = 72, int h = 28)
{
    MonoBitmap b(w, h);
    for (const auto& [x, y] : pixels)
        b.setPixel(x, y);
    return b;
}

MonoBitmap randomPicture(int h, quint32 seed)
{
    QRandomGenerator rng(seed);
    MonoBitmap b(72, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < 72; ++x)
            b.setPixel(x, y, rng.bounded(3) == 0);
    return b;
}

struct Model : ::testing::Test {
    EditorModel m;

    void SetUp() override { m.load(4, {}); }

    void click(int x, int y, Button b = Button::Left)
    {
        m.mouseMove(v(x), v(y), std::nullopt);
        m.mouseDown(v(x), v(y), b);
        m.mouseUp(b);
    }
    void drag(int x0, int y0, int x1, int y1, Button b = Button::Left)
    {
        m.mouseMove(v(x0), v(y0), std::nullopt);
        m.mouseDown(v(x0), v(y0), b);
        m.mouseMove(v((x0 + x1) / 2), v((y0 + y1) / 2), b);
        m.mouseMove(v(x1), v(y1), b);
        m.mouseUp(b);
    }
};

} // namespace

TEST_F(Model, OpeningTakesTheSendFormsPictureAtItsSizeWithThePencilAndNoHistory)
{
    const MonoBitmap big = randomPicture(40, 3);
    m.load(3, big);
    EXPECT_EQ(m.width(), 72);
    EXPECT_EQ(m.height(), 14);
    EXPECT_EQ(m.viewWidth(), 505);
    EXPECT_EQ(m.viewHeight(), 99);
    for (int y = 0; y < 14; ++y)
        for (int x = 0; x < 72; ++x)
            ASSERT_EQ(m.picture().pixel(x, y), big.pixel(x, y));
    EXPECT_EQ(m.tool(), Tool::Pencil);
    EXPECT_FALSE(m.canUndo());
    EXPECT_FALSE(m.floating());
    EXPECT_FALSE(m.lineAwaitingStart());
    EXPECT_EQ(m.pasteMode(), PasteMode::Merged);

    // An empty send form gives an all-paper picture.
    m.load(4, {});
    EXPECT_EQ(m.height(), 28);
    EXPECT_EQ(m.viewHeight(), 197);
    EXPECT_EQ(m.picture().inkCount(), 0);

    // The pointer cell: view pixels divided by the zoom, kept inside.
    m.pointAt(6, 13);
    EXPECT_EQ(m.cursorX(), 0);
    EXPECT_EQ(m.cursorY(), 1);
    m.pointAt(-40, 5000);
    EXPECT_EQ(m.cursorX(), 0);
    EXPECT_EQ(m.cursorY(), 27);
    m.pointAt(504, 196);
    EXPECT_EQ(m.cursorX(), 71);
    EXPECT_EQ(m.cursorY(), 27);
}

TEST_F(Model, PencilDrawsInkWithTheLeftButtonAndPaperWithTheOtherAsOneUndoStep)
{
    drag(2, 3, 6, 3);
    EXPECT_TRUE(m.picture().pixel(2, 3));
    EXPECT_TRUE(m.picture().pixel(4, 3));
    EXPECT_TRUE(m.picture().pixel(6, 3));
    EXPECT_EQ(m.picture().inkCount(), 3);
    EXPECT_EQ(m.undoCount(), 1);

    drag(4, 3, 6, 3, Button::Other);
    EXPECT_TRUE(m.picture().pixel(2, 3));
    EXPECT_FALSE(m.picture().pixel(4, 3));
    EXPECT_FALSE(m.picture().pixel(6, 3));
    m.undo();
    EXPECT_EQ(m.picture().inkCount(), 3);
    m.undo();
    EXPECT_EQ(m.picture().inkCount(), 0);
    EXPECT_FALSE(m.canUndo());
}

TEST_F(Model, FillPaintsTheClickedRegionUpToItsBorder)
{
    m.setTool(Tool::Box);
    drag(10, 5, 20, 15);
    const int outline = m.picture().inkCount();
    m.setTool(Tool::Fill);
    click(15, 10);
    EXPECT_EQ(m.picture().inkCount(), 11 * 11);
    EXPECT_FALSE(m.picture().pixel(9, 10));
    click(15, 10, Button::Other); // the whole box, outline included, is one ink region
    EXPECT_EQ(m.picture().inkCount(), 0);
    m.undo();
    EXPECT_EQ(m.picture().inkCount(), 11 * 11);
    m.undo();
    EXPECT_EQ(m.picture().inkCount(), outline);
}

TEST_F(Model, TheLineToolDrawsAPolylineUntilEsc)
{
    m.setTool(Tool::Line);
    EXPECT_TRUE(m.lineAwaitingStart());
    click(2, 2);
    EXPECT_EQ(m.picture().inkCount(), 0) << "the first click only sets the start";
    EXPECT_FALSE(m.canUndo());
    m.mouseMove(v(10), v(2), std::nullopt);
    ASSERT_TRUE(m.linePreview().visible);
    EXPECT_EQ(m.linePreview().x1, 2 * kZoom + 3);
    EXPECT_EQ(m.linePreview().x2, 10 * kZoom + 3);

    click(10, 2);
    EXPECT_EQ(m.picture().inkCount(), 9);
    click(10, 8); // continues from the last point
    EXPECT_EQ(m.picture().inkCount(), 9 + 6);
    EXPECT_EQ(m.undoCount(), 2);

    m.escape();
    EXPECT_TRUE(m.lineAwaitingStart());
    EXPECT_FALSE(m.linePreview().visible);
    click(30, 20);
    EXPECT_EQ(m.picture().inkCount(), 15) << "after Esc a click starts a new line";
    click(30, 25, Button::Other);
    EXPECT_EQ(m.picture().inkCount(), 15);
    m.undo();
    m.undo();
    EXPECT_TRUE(m.picture().pixel(2, 2));
    EXPECT_FALSE(m.picture().pixel(10, 8));
}

TEST_F(Model, BoxesAndEllipsesFollowTheDragAndShowTheirPreview)
{
    m.setTool(Tool::Box);
    m.mouseMove(v(5), v(4), std::nullopt);
    m.mouseDown(v(5), v(4), Button::Left);
    m.mouseMove(v(2), v(2), Button::Left);
    // The preview runs through the centres of the corner cells.
    EXPECT_TRUE(m.shape().visible);
    EXPECT_EQ(m.shape().kind, ShapeOverlay::Kind::Rectangle);
    EXPECT_EQ(m.shape().border, ShapeOverlay::Border::Solid);
    EXPECT_EQ(m.shape().left, 2 * kZoom + 3);
    EXPECT_EQ(m.shape().top, 2 * kZoom + 3);
    EXPECT_EQ(m.shape().width, 3 * kZoom + 2);
    EXPECT_EQ(m.shape().height, 2 * kZoom + 2);
    m.mouseUp(Button::Left);
    EXPECT_FALSE(m.shape().visible);
    EXPECT_EQ(m.picture().inkCount(), 4 + 4 + 1 + 1);
    EXPECT_TRUE(m.picture().pixel(2, 2));
    EXPECT_TRUE(m.picture().pixel(5, 4));
    EXPECT_FALSE(m.picture().pixel(3, 3));

    m.setTool(Tool::FilledBox);
    drag(20, 20, 22, 21);
    EXPECT_EQ(m.picture().inkCount(), 10 + 6);
    m.setTool(Tool::FilledBox);
    drag(20, 20, 22, 21, Button::Other);
    EXPECT_EQ(m.picture().inkCount(), 10);

    m.setTool(Tool::Ellipse);
    const int before = m.undoCount();
    drag(40, 5, 60, 5);
    drag(40, 5, 40, 20);
    EXPECT_EQ(m.picture().inkCount(), 10) << "one row or one column draws nothing";
    EXPECT_EQ(m.undoCount(), before);
    m.mouseMove(v(40), v(5), std::nullopt);
    m.mouseDown(v(40), v(5), Button::Left);
    m.mouseMove(v(50), v(15), Button::Left);
    EXPECT_EQ(m.shape().kind, ShapeOverlay::Kind::Oval);
    m.mouseUp(Button::Left);
    EXPECT_TRUE(m.picture().pixel(40, 10));
    EXPECT_TRUE(m.picture().pixel(45, 5));
    EXPECT_FALSE(m.picture().pixel(45, 10));
    m.setTool(Tool::FilledEllipse);
    drag(40, 5, 50, 15);
    EXPECT_TRUE(m.picture().pixel(45, 10));
    EXPECT_EQ(m.undoCount(), before + 2);
}

TEST_F(Model, TheMarqueeSitsOnTheGridAndDeleteCopyAndCutUseIt)
{
    m.load(4, randomPicture(28, 11));
    const MonoBitmap start = m.picture();
    m.setTool(Tool::Select);
    EXPECT_TRUE(m.pasteChoiceVisible());
    EXPECT_TRUE(m.blinking());
    m.mouseMove(v(12), v(9), std::nullopt);
    m.mouseDown(v(12), v(9), Button::Left);
    m.mouseMove(v(4), v(3), Button::Left);
    EXPECT_EQ(m.shape().left, 4 * kZoom);
    EXPECT_EQ(m.shape().top, 3 * kZoom);
    EXPECT_EQ(m.shape().width, 9 * kZoom + 1);
    EXPECT_EQ(m.shape().height, 7 * kZoom + 1);
    m.mouseUp(Button::Left);
    EXPECT_EQ(m.selection(), (PixelArea{4, 3, 12, 9}));
    EXPECT_TRUE(m.shape().visible);

    const MonoBitmap copied = m.copySelection();
    EXPECT_EQ(copied.width(), 9);
    EXPECT_EQ(copied.height(), 7);
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 9; ++x)
            ASSERT_EQ(copied.pixel(x, y), start.pixel(x + 4, y + 3));
    EXPECT_FALSE(m.shape().visible);
    EXPECT_EQ(m.picture(), start);

    MonoBitmap cut;
    ASSERT_TRUE(m.cutSelection(&cut));
    EXPECT_EQ(cut, copied);
    for (int y = 3; y <= 9; ++y)
        for (int x = 4; x <= 12; ++x)
            ASSERT_FALSE(m.picture().pixel(x, y));
    m.undo();
    EXPECT_EQ(m.picture(), start);

    // A one-pixel selection is not cut; Delete clears it, without undo.
    click(30, 20);
    EXPECT_EQ(m.selection(), (PixelArea{30, 20, 30, 20}));
    EXPECT_FALSE(m.cutSelection(&cut));
    EXPECT_EQ(m.picture(), start);
    const int steps = m.undoCount();
    m.clearSelection();
    MonoBitmap expected = start;
    expected.setPixel(30, 20, false);
    EXPECT_EQ(m.picture(), expected);
    EXPECT_EQ(m.undoCount(), steps);
}

TEST_F(Model, DeleteWithoutAMarqueeClearsTheTopLeftPixel)
{
    m.load(3, inkAt({{0, 0}, {1, 0}, {0, 1}}, 72, 14));
    m.clearSelection();
    EXPECT_FALSE(m.picture().pixel(0, 0));
    EXPECT_EQ(m.picture().inkCount(), 2);
}

TEST_F(Model, PasteFloatsTheBitmapMergedOrOverAndDraggingMovesIt)
{
    m.load(4, inkAt({{1, 1}, {10, 10}}));
    const MonoBitmap start = m.picture();
    // A 4 x 3 stamp with ink only in its corners.
    const MonoBitmap clip = inkAt({{0, 0}, {3, 2}}, 4, 3);
    m.setTool(Tool::Line);
    m.paste(clip);
    EXPECT_EQ(m.tool(), Tool::Select);
    EXPECT_TRUE(m.floating());
    EXPECT_TRUE(m.pasteChoiceVisible());
    EXPECT_TRUE(m.blinking());
    EXPECT_FALSE(m.canUndo()) << "nothing is recorded until the selection is dropped";
    EXPECT_EQ(m.selection(), (PixelArea{0, 0, 3, 2}));
    EXPECT_EQ(m.shape().width, 4 * kZoom + 1);
    EXPECT_EQ(m.shape().height, 3 * kZoom + 1);
    // Merged: the ink under the stamp's paper stays.
    EXPECT_TRUE(m.picture().pixel(0, 0));
    EXPECT_TRUE(m.picture().pixel(1, 1));
    EXPECT_TRUE(m.picture().pixel(3, 2));

    // Hovering shows the size-all pointer; dragging lifts it and puts it
    // down where the mouse is let go.
    m.mouseMove(v(2), v(1), std::nullopt);
    EXPECT_TRUE(m.sizeAllPointer());
    m.mouseMove(v(20), v(20), std::nullopt);
    EXPECT_FALSE(m.sizeAllPointer());
    m.mouseMove(v(1), v(1), std::nullopt);
    m.mouseDown(v(1), v(1), Button::Left);
    EXPECT_FALSE(m.picture().pixel(0, 0)) << "lifted while dragged";
    m.mouseMove(v(11), v(6), Button::Left);
    m.mouseMove(v(21), v(11), Button::Left);
    EXPECT_EQ(m.shape().left, 20 * kZoom);
    EXPECT_EQ(m.shape().top, 10 * kZoom);
    m.mouseUp(Button::Left);
    EXPECT_EQ(m.selection(), (PixelArea{20, 10, 23, 12}));
    EXPECT_TRUE(m.picture().pixel(20, 10));
    EXPECT_TRUE(m.picture().pixel(23, 12));
    EXPECT_FALSE(m.picture().pixel(0, 0));
    EXPECT_TRUE(m.picture().pixel(1, 1));
    EXPECT_EQ(m.picture().inkCount(), 4);

    // A click outside drops it; Undo then gives the picture before it.
    click(50, 25);
    EXPECT_FALSE(m.floating());
    EXPECT_FALSE(m.shape().visible);
    EXPECT_EQ(m.undoCount(), 1);
    EXPECT_EQ(m.picture().inkCount(), 4);
    m.undo();
    EXPECT_EQ(m.picture(), start);

    // Over replaces the whole rectangle.
    m.load(4, inkAt({{1, 1}}));
    m.setPasteMode(PasteMode::Over);
    m.paste(clip);
    EXPECT_FALSE(m.picture().pixel(1, 1));
    EXPECT_TRUE(m.picture().pixel(0, 0));
    // Esc takes the floating selection off again.
    m.escape();
    EXPECT_FALSE(m.floating());
    EXPECT_FALSE(m.shape().visible);
    EXPECT_EQ(m.picture(), inkAt({{1, 1}}));
}

TEST_F(Model, AFloatingSelectionMayLeaveThePictureAndComeBackWhole)
{
    const MonoBitmap clip = inkAt({{0, 0}, {5, 0}, {0, 3}, {5, 3}}, 6, 4);
    m.paste(clip);
    // Dragged past the bottom-right corner, only the part inside is drawn.
    m.mouseMove(v(0), v(0), std::nullopt);
    m.mouseDown(v(0), v(0), Button::Left);
    m.mouseMove(v(71), v(27), Button::Left);
    m.mouseUp(Button::Left);
    EXPECT_EQ(m.selection(), (PixelArea{71, 27, 76, 30}));
    EXPECT_TRUE(m.picture().pixel(71, 27));
    EXPECT_EQ(m.picture().inkCount(), 1);
    // And back: the clip was kept whole.
    m.mouseMove(v(71), v(27), std::nullopt);
    m.mouseDown(v(71), v(27), Button::Left);
    EXPECT_EQ(m.picture().inkCount(), 0);
    m.mouseMove(v(40), v(10), Button::Left);
    m.mouseUp(Button::Left);
    EXPECT_EQ(m.picture(), inkAt({{40, 10}, {45, 10}, {40, 13}, {45, 13}}));
    // Dragged by its bottom-right corner to the top-left cell it hangs
    // off the top-left edges; a flip there brings in paper from outside.
    m.mouseMove(v(45), v(13), std::nullopt);
    m.mouseDown(v(45), v(13), Button::Left);
    m.mouseMove(v(0), v(0), Button::Left);
    m.mouseUp(Button::Left);
    EXPECT_EQ(m.selection(), (PixelArea{-5, -3, 0, 0}));
    EXPECT_EQ(m.picture(), inkAt({{0, 0}}));
    m.flip(sms::FlipAxis::Horizontal);
    EXPECT_EQ(m.picture().inkCount(), 0);
    m.undo();
    EXPECT_EQ(m.picture(), inkAt({{0, 0}}));
}

TEST_F(Model, ToolChangesAndOtherCommandsDropAFloatingSelectionAsOneUndoStep)
{
    // The stale-flag trap: the line tool's waiting state means nothing to
    // the select tool, so its first click lifts and stamps nothing.
    m.load(4, inkAt({{5, 5}}));
    m.setTool(Tool::Line);
    m.setTool(Tool::Select);
    click(5, 5);
    EXPECT_EQ(m.picture(), inkAt({{5, 5}}));
    EXPECT_FALSE(m.canUndo());

    const MonoBitmap clip = inkAt({{0, 0}, {1, 1}}, 2, 2);
    const MonoBitmap start = m.picture();
    m.paste(clip);
    m.setTool(Tool::Pencil);
    EXPECT_FALSE(m.floating());
    EXPECT_EQ(m.picture().inkCount(), 3) << "the pasted pixels stay";
    EXPECT_EQ(m.undoCount(), 1);
    m.undo();
    EXPECT_EQ(m.picture(), start);

    // A shift with a selection floating: one step for the drop, one for
    // the shift.
    m.paste(clip);
    m.shift(1, 0);
    EXPECT_EQ(m.undoCount(), 2);
    EXPECT_TRUE(m.picture().pixel(1, 0));
    m.undo();
    EXPECT_TRUE(m.picture().pixel(0, 0));
    m.undo();
    EXPECT_EQ(m.picture(), start);

    // Undo while a selection floats ends it; a later drag moves nothing.
    m.paste(clip);
    m.setTool(Tool::Pencil);
    m.paste(clip);
    m.undo();
    EXPECT_FALSE(m.floating());
    EXPECT_EQ(m.picture(), start);
    m.mouseMove(v(0), v(0), std::nullopt);
    m.mouseDown(v(0), v(0), Button::Left);
    m.mouseMove(v(30), v(0), Button::Left);
    m.mouseUp(Button::Left);
    EXPECT_EQ(m.picture(), start);

    // Delete of a floating selection: the drop is undoable, then the area
    // is cleared.
    m.load(4, start);
    m.paste(clip);
    m.clearSelection();
    EXPECT_FALSE(m.floating());
    EXPECT_EQ(m.picture(), start);
    m.undo();
    EXPECT_EQ(m.picture(), start);

    // Clear All empties the history even with a selection floating.
    m.paste(clip);
    m.clearAll();
    EXPECT_FALSE(m.canUndo());
    EXPECT_FALSE(m.floating());
    EXPECT_EQ(m.picture().inkCount(), 0);
    EXPECT_EQ(m.tool(), Tool::Select);
}

TEST_F(Model, TheHistoryKeepsTheLastTenSnapshots)
{
    m.setTool(Tool::Pencil);
    for (int i = 0; i < 11; ++i)
        click(i, 0);
    EXPECT_EQ(m.undoCount(), 10);
    for (int i = 0; i < 10; ++i)
        m.undo();
    EXPECT_FALSE(m.canUndo());
    EXPECT_EQ(m.picture(), inkAt({{0, 0}})) << "the first change is out of reach";
    m.undo();
    EXPECT_EQ(m.picture(), inkAt({{0, 0}}));

    // Inverse is not recorded: Undo goes back past it.
    m.load(4, {});
    click(3, 3);
    m.inverse();
    EXPECT_EQ(m.picture().inkCount(), 72 * 28 - 1);
    EXPECT_EQ(m.undoCount(), 1);
    m.undo();
    EXPECT_EQ(m.picture().inkCount(), 0);
}

TEST_F(Model, ShiftsWrapAndFlipsMirrorTheSelection)
{
    const MonoBitmap start = randomPicture(28, 21);
    m.load(4, start);
    m.shift(-1, 0);
    for (int y = 0; y < 28; ++y)
        ASSERT_EQ(m.picture().pixel(71, y), start.pixel(0, y));
    m.shift(1, 0);
    EXPECT_EQ(m.picture(), start);
    m.shift(0, 1);
    m.shift(0, -1);
    EXPECT_EQ(m.picture(), start);
    EXPECT_EQ(m.undoCount(), 4);

    m.load(4, inkAt({{2, 2}, {3, 2}, {2, 3}, {9, 9}}));
    m.setTool(Tool::Select);
    drag(2, 2, 5, 4);
    m.flip(sms::FlipAxis::Horizontal);
    EXPECT_EQ(m.picture(), inkAt({{5, 2}, {4, 2}, {5, 3}, {9, 9}}));
    m.flip(sms::FlipAxis::Vertical);
    EXPECT_EQ(m.picture(), inkAt({{5, 4}, {4, 4}, {5, 3}, {9, 9}}));
    m.undo();
    m.undo();
    EXPECT_EQ(m.picture(), inkAt({{2, 2}, {3, 2}, {2, 3}, {9, 9}}));
}

TEST_F(Model, PlacedTextIsItsInkBoxMergedAtTheCornerAndNoInkPlacesNothing)
{
    m.load(3, inkAt({{1, 0}, {40, 10}}, 72, 14));
    m.setPasteMode(PasteMode::Over);
    m.setTool(Tool::Text);
    // The rendering is larger than the logo: only its 72 x 14 corner counts.
    MonoBitmap rendered(80, 20);
    for (int y = 3; y <= 7; ++y)
        rendered.setPixel(4, y);
    rendered.setPixel(6, 5);
    rendered.setPixel(75, 5);
    rendered.setPixel(6, 16);
    ASSERT_TRUE(m.placeText(rendered));
    EXPECT_EQ(m.clip().width(), 3);
    EXPECT_EQ(m.clip().height(), 5);
    EXPECT_EQ(m.selection(), (PixelArea{0, 0, 2, 4}));
    EXPECT_EQ(m.shape().width, 3 * kZoom);
    EXPECT_EQ(m.shape().height, 5 * kZoom);
    EXPECT_EQ(m.tool(), Tool::Select);
    EXPECT_TRUE(m.floating());
    // Merged whatever the paste mode: the ink at (1, 0) stays.
    EXPECT_TRUE(m.picture().pixel(1, 0));
    EXPECT_TRUE(m.picture().pixel(0, 0));
    EXPECT_TRUE(m.picture().pixel(2, 2));
    EXPECT_EQ(m.picture().inkCount(), 2 + 6);

    // A rendering without ink places nothing and leaves the picture alone.
    m.load(3, inkAt({{1, 0}}, 72, 14));
    m.setTool(Tool::Text);
    MonoBitmap blank(72, 14);
    blank.setPixel(72, 3); // outside: not part of the picture
    EXPECT_FALSE(m.placeText(blank));
    EXPECT_FALSE(m.floating());
    EXPECT_EQ(m.picture(), inkAt({{1, 0}}, 72, 14));
    EXPECT_EQ(m.selection(), PixelArea{});
}

TEST(EditorClipboard, PastedColoursArePaperByTheirBlueAndGreenBitsOrWhite)
{
    // 0xRRGGBB.
    EXPECT_TRUE(EditorModel::pastedColourIsPaper(0x008900)) << "green above 0x88";
    EXPECT_FALSE(EditorModel::pastedColourIsPaper(0xFF8800)) << "green 0x88 with any red";
    EXPECT_TRUE(EditorModel::pastedColourIsPaper(0x000002)) << "a blue bit of the paper";
    EXPECT_FALSE(EditorModel::pastedColourIsPaper(0x000011)) << "the two blue bits the paper lacks";
    EXPECT_TRUE(EditorModel::pastedColourIsPaper(0x000020));
    EXPECT_TRUE(EditorModel::pastedColourIsPaper(0xFFFFFF));
    EXPECT_TRUE(EditorModel::pastedColourIsPaper(0xE0FFEE)) << "the paper itself";
    EXPECT_FALSE(EditorModel::pastedColourIsPaper(0x000000));
    EXPECT_FALSE(EditorModel::pastedColourIsPaper(0xFF0000)) << "pure red";
    EXPECT_TRUE(EditorModel::pastedColourIsPaper(0x808080)) << "grey has blue bits";
    EXPECT_FALSE(EditorModel::pastedColourIsPaper(0x204000)) << "dark green";
}

TEST(EditorBlink, TheMarqueeAlternatesDottedAndDashDotOnlyWhileBlinking)
{
    EditorModel m;
    m.blink();
    EXPECT_EQ(m.shape().border, ShapeOverlay::Border::Solid);
    m.setTool(Tool::Select);
    EXPECT_EQ(m.shape().border, ShapeOverlay::Border::Dotted);
    m.blink();
    EXPECT_EQ(m.shape().border, ShapeOverlay::Border::DashDot);
    m.blink();
    EXPECT_EQ(m.shape().border, ShapeOverlay::Border::Dotted);
    m.setTool(Tool::Box);
    EXPECT_FALSE(m.blinking());
    EXPECT_FALSE(m.pasteChoiceVisible());
}
