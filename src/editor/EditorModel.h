#pragma once
// The bitmap editor without its window: the working picture, the tools and
// what the mouse does with each, the selection (a marquee, or a floating
// selection lifted over a background), the ten-step undo history, the
// clipboard rules and the shifts, flips and inverse. The window feeds it
// mouse positions in view pixels and draws what it holds; everything here
// works on one-bit bitmaps and is tested without a display.
#include <QList>
#include <QtGlobal>
#include <optional>

#include "sms/MonoBitmap.h"
#include "sms/MonoDraw.h"

namespace editor {

// View cells per picture pixel.
constexpr int kZoom = 7;
// Snapshots kept by the undo history.
constexpr int kUndoSlots = 10;

// iPaintTool; the values are the tool buttons' indexes (there is no 5).
enum class Tool : int {
    Select = 0,
    Text = 1,
    Pencil = 2,
    Fill = 3,
    Line = 4,
    Box = 6,
    FilledBox = 7,
    Ellipse = 8,
    FilledEllipse = 9,
};

// iPasteMode: how a floating selection is stamped.
enum class PasteMode : int { Merged = 0, Over = 1 };

// The left button draws ink, any other paper.
enum class Button { Left, Other };

// The marquee or the rectangle / ellipse preview over the view, in view
// pixels: its outline covers left .. left + width - 1.
struct ShapeOverlay {
    enum class Kind { Rectangle, Oval };
    enum class Border { Solid, Dotted, DashDot };
    bool visible = false;
    Kind kind = Kind::Rectangle;
    Border border = Border::Solid;
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

// The preview of the next line segment, in view pixels.
struct LineOverlay {
    bool visible = false;
    int x1 = 0;
    int y1 = 0;
    int x2 = 0;
    int y2 = 0;
};

class EditorModel {
public:
    EditorModel();

    // The opening: picType 3 edits a 72 x 14 logo, anything else a 72 x 28
    // picture; the bitmap is cut or padded to that size. Pencil, an empty
    // history, no selection.
    void load(int picType, const sms::MonoBitmap& picture);

    int picType() const { return picType_; }
    int width() const { return work_.width(); }
    int height() const { return work_.height(); }
    // The view: zoom x size plus the closing grid line.
    int viewWidth() const { return width() * kZoom + 1; }
    int viewHeight() const { return height() * kZoom + 1; }

    // picWork: what OK hands back and what the view shows.
    const sms::MonoBitmap& picture() const { return work_; }
    // picTempWork while a selection floats: the picture under it.
    const sms::MonoBitmap& background() const { return tempWork_; }
    // picClip: the selection's content.
    const sms::MonoBitmap& clip() const { return clip_; }

    // --- Tools -----------------------------------------------------------------
    Tool tool() const { return tool_; }
    // A click on a tool button. It ends the selection (a floating one is
    // dropped into the picture). For Text the window opens the text tool.
    void setTool(Tool tool);
    PasteMode pasteMode() const { return pasteMode_; }
    // Applies to the next stamp.
    void setPasteMode(PasteMode mode) { pasteMode_ = mode; }

    // --- Selection ---------------------------------------------------------------
    // Picture pixels, inclusive; a single pixel (0, 0) when there is none.
    // While a marquee is dragged left/top hold its anchor.
    sms::PixelArea selection() const { return sel_; }
    bool floating() const { return floating_; }
    bool lineAwaitingStart() const { return lineAwaitingStart_; }
    const ShapeOverlay& shape() const { return shape_; }
    const LineOverlay& linePreview() const { return line_; }
    // picPaste: the paste mode choice is shown with the select tool.
    bool pasteChoiceVisible() const { return pasteChoice_; }
    // Timer1: the marquee blinks.
    bool blinking() const { return blinking_; }
    // One blink: the marquee's border alternates dotted and dash-dot.
    void blink();

    // --- Mouse over the view (positions in view pixels) ------------------------
    int cursorX() const { return curX_; }
    int cursorY() const { return curY_; }
    // Sets the pointer cell: the position divided by the zoom, clamped to
    // the picture.
    void pointAt(int viewX, int viewY);
    void mouseMove(int viewX, int viewY, std::optional<Button> held);
    void mouseDown(int viewX, int viewY, Button button);
    void mouseUp(Button button);
    bool mouseHeld() const { return mouseHeld_; }
    // The size-all pointer: over a floating selection with no button held.
    bool sizeAllPointer() const { return sizeAll_; }

    // --- Keys and buttons --------------------------------------------------------
    // Esc: a floating selection is taken back off the picture; with the line
    // tool the polyline ends.
    void escape();
    // The whole picture by one pixel, wrapping around.
    void shift(int dx, int dy);
    // Delete: the selection's area becomes paper.
    void clearSelection();
    // Copy: the selection's content, for the clipboard.
    sms::MonoBitmap copySelection();
    // Cut: only a selection of more than one pixel; false otherwise.
    bool cutSelection(sms::MonoBitmap* copied);
    // Paste: the bitmap floats at the top-left corner with the select tool.
    void paste(const sms::MonoBitmap& bitmap);
    void flip(sms::FlipAxis axis);
    // Not recorded in the history.
    void inverse();
    // After the user confirmed: an empty picture and an empty history.
    void clearAll();

    // The text tool's OK: the ink of the rendered text (its width() x
    // height() corner) floats at the top-left corner with the select tool.
    // False, and nothing placed, when it holds no ink.
    bool placeText(const sms::MonoBitmap& rendered);

    // --- Undo ----------------------------------------------------------------------
    bool canUndo() const { return undoCount_ > 0; }
    int undoCount() const { return undoCount_; }
    void undo();

    // --- Clipboard rules -------------------------------------------------------------
    // A pasted pixel (0xRRGGBB) is paper when it has any of the paper
    // colour's blue bits, green above 0x88, or is white; otherwise ink.
    static bool pastedColourIsPaper(quint32 rgb);

private:
    void resetSelection();
    void anchorSelection();
    // Ends a floating selection: its pixels already are in the picture, so
    // the background is kept as the undo step.
    void dropFloating();
    void pushUndo(const sms::MonoBitmap& snapshot);
    void showShapeFrame(ShapeOverlay::Kind kind, bool marquee);
    void showLinePreview();
    void moveSelection();
    void normaliseSelection();
    void floatClip(int marqueeWidth, int marqueeHeight, sms::StampMode mode);

    int picType_ = 4;
    sms::MonoBitmap work_;
    sms::MonoBitmap tempWork_;
    sms::MonoBitmap clip_;

    Tool tool_ = Tool::Pencil;
    PasteMode pasteMode_ = PasteMode::Merged;
    sms::PixelArea sel_;
    int curX_ = 0;
    int curY_ = 0;
    int downX_ = 0;
    int downY_ = 0;
    bool mouseHeld_ = false;
    bool floating_ = false;
    bool lineAwaitingStart_ = false;
    bool sizeAll_ = false;
    bool pasteChoice_ = false;
    bool blinking_ = false;
    ShapeOverlay shape_;
    LineOverlay line_;

    QList<sms::MonoBitmap> undo_;
    int undoSlot_ = 0; // 1..10, 0 before the first step
    int undoCount_ = 0;
};

} // namespace editor
