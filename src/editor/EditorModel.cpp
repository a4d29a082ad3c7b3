#include "editor/EditorModel.h"

#include <algorithm>

#include "sms/SmartMessage.h"

namespace editor {

using sms::MonoBitmap;
using sms::PixelArea;

EditorModel::EditorModel()
{
    load(4, {});
}

void EditorModel::load(int picType, const MonoBitmap& picture)
{
    picType_ = picType;
    const int height = picType == 3 ? sms::kLogoHeight : sms::kPictureHeight;
    work_ = MonoBitmap(sms::kPictureWidth, height);
    sms::stamp(work_, picture, 0, 0, work_.width(), work_.height(), sms::StampMode::Over);
    tempWork_ = MonoBitmap(work_.width(), work_.height());
    clip_ = MonoBitmap(work_.width(), work_.height());

    tool_ = Tool::Pencil;
    pasteMode_ = PasteMode::Merged;
    sel_ = {};
    curX_ = curY_ = downX_ = downY_ = 0;
    mouseHeld_ = false;
    floating_ = false;
    lineAwaitingStart_ = false;
    sizeAll_ = false;
    pasteChoice_ = false;
    blinking_ = false;
    shape_ = {};
    line_ = {};

    undo_ = QList<MonoBitmap>(kUndoSlots);
    undoSlot_ = 0;
    undoCount_ = 0;
}

// ------------------------------------------------------------------ tools

void EditorModel::setTool(Tool tool)
{
    tool_ = tool;
    resetSelection();
    switch (tool) {
    case Tool::Select:
        pasteChoice_ = true;
        blinking_ = true;
        shape_.border = ShapeOverlay::Border::Dotted;
        break;
    case Tool::Line:
        lineAwaitingStart_ = true;
        break;
    case Tool::Text:
        break;
    default:
        shape_.border = ShapeOverlay::Border::Solid;
        lineAwaitingStart_ = false;
        break;
    }
}

void EditorModel::blink()
{
    if (!blinking_)
        return;
    shape_.border = shape_.border == ShapeOverlay::Border::Dotted ? ShapeOverlay::Border::DashDot
                                                                  : ShapeOverlay::Border::Dotted;
}

// -------------------------------------------------------------- selection

void EditorModel::dropFloating()
{
    if (!floating_)
        return;
    pushUndo(tempWork_);
    floating_ = false;
}

void EditorModel::resetSelection()
{
    dropFloating();
    pasteChoice_ = false;
    shape_.visible = false;
    line_.visible = false;
    blinking_ = false;
    sel_ = {};
    if (tool_ == Tool::Line)
        lineAwaitingStart_ = true;
}

void EditorModel::anchorSelection()
{
    sel_ = {curX_, curY_, curX_, curY_};
}

void EditorModel::normaliseSelection()
{
    sel_ = PixelArea{sel_.left, sel_.top, curX_, curY_}.normalised();
}

void EditorModel::showShapeFrame(ShapeOverlay::Kind kind, bool marquee)
{
    const int minX = std::min(curX_, sel_.left);
    const int maxX = std::max(curX_, sel_.left);
    const int minY = std::min(curY_, sel_.top);
    const int maxY = std::max(curY_, sel_.top);
    if (marquee) {
        // On the grid lines around the cells.
        shape_.left = minX * kZoom;
        shape_.top = minY * kZoom;
        shape_.width = (maxX - minX + 1) * kZoom + 1;
        shape_.height = (maxY - minY + 1) * kZoom + 1;
    } else {
        // Through the centres of the corner cells.
        shape_.left = minX * kZoom + kZoom / 2;
        shape_.top = minY * kZoom + kZoom / 2;
        shape_.width = (maxX - minX) * kZoom + 2;
        shape_.height = (maxY - minY) * kZoom + 2;
    }
    shape_.kind = kind;
    shape_.visible = true;
}

void EditorModel::showLinePreview()
{
    line_.x1 = sel_.left * kZoom + kZoom / 2;
    line_.y1 = sel_.top * kZoom + kZoom / 2;
    line_.x2 = curX_ * kZoom + kZoom / 2;
    line_.y2 = curY_ * kZoom + kZoom / 2;
    line_.visible = true;
}

void EditorModel::moveSelection()
{
    // The selection may leave the picture; whatever is drawn with it clips.
    const int dx = curX_ - downX_;
    const int dy = curY_ - downY_;
    sel_ = sel_.moved(dx, dy);
    shape_.left += dx * kZoom;
    shape_.top += dy * kZoom;
    downX_ = curX_;
    downY_ = curY_;
}

// ------------------------------------------------------------------ mouse

void EditorModel::pointAt(int viewX, int viewY)
{
    curX_ = std::clamp(viewX / kZoom, 0, width() - 1);
    curY_ = std::clamp(viewY / kZoom, 0, height() - 1);
}

void EditorModel::mouseMove(int viewX, int viewY, std::optional<Button> held)
{
    pointAt(viewX, viewY);
    switch (tool_) {
    case Tool::Select:
        if (held) {
            if (!floating_)
                showShapeFrame(ShapeOverlay::Kind::Rectangle, true);
            else if (curX_ != downX_ || curY_ != downY_)
                moveSelection();
        } else {
            sizeAll_ = floating_ && sel_.contains(curX_, curY_);
        }
        break;
    case Tool::Pencil:
        if (held)
            work_.setPixel(curX_, curY_, *held == Button::Left);
        break;
    case Tool::Line:
        if (!lineAwaitingStart_)
            showLinePreview();
        break;
    case Tool::Box:
    case Tool::FilledBox:
        if (held)
            showShapeFrame(ShapeOverlay::Kind::Rectangle, false);
        break;
    case Tool::Ellipse:
    case Tool::FilledEllipse:
        if (held)
            showShapeFrame(ShapeOverlay::Kind::Oval, false);
        break;
    case Tool::Text:
    case Tool::Fill:
        break;
    }
    if (tool_ != Tool::Select)
        sizeAll_ = false;
}

void EditorModel::mouseDown(int viewX, int viewY, Button button)
{
    pointAt(viewX, viewY);
    mouseHeld_ = true;
    const bool ink = button == Button::Left;
    switch (tool_) {
    case Tool::Select:
        if (!sel_.contains(curX_, curY_) && floating_) {
            // A click outside drops the floating selection where it is.
            dropFloating();
            shape_.visible = false;
        }
        if (floating_) {
            // A click inside lifts it off the picture for dragging.
            downX_ = curX_;
            downY_ = curY_;
            sms::restoreArea(work_, tempWork_, sel_);
        } else {
            anchorSelection();
            // The new selection is the one pixel until the pointer moves;
            // an older marquee no longer means anything.
            shape_.visible = false;
        }
        break;
    case Tool::Text:
        break;
    case Tool::Pencil:
        downX_ = curX_;
        downY_ = curY_;
        pushUndo(work_);
        work_.setPixel(curX_, curY_, ink);
        break;
    case Tool::Fill:
        pushUndo(work_);
        sms::floodFill(work_, curX_, curY_, ink);
        break;
    case Tool::Line:
        if (lineAwaitingStart_) {
            lineAwaitingStart_ = false;
            anchorSelection();
        } else {
            pushUndo(work_);
            sms::drawLine(work_, sel_.left, sel_.top, curX_, curY_, ink);
            work_.setPixel(curX_, curY_, ink);
            // The end is the start of the next segment.
            anchorSelection();
        }
        break;
    case Tool::Box:
    case Tool::FilledBox:
    case Tool::Ellipse:
    case Tool::FilledEllipse:
        anchorSelection();
        break;
    }
}

void EditorModel::mouseUp(Button button)
{
    mouseHeld_ = false;
    const bool ink = button == Button::Left;
    switch (tool_) {
    case Tool::Select:
        if (!floating_) {
            normaliseSelection();
        } else {
            tempWork_ = work_;
            sms::stamp(work_, clip_, sel_.left, sel_.top, sel_.width(), sel_.height(),
                       pasteMode_ == PasteMode::Merged ? sms::StampMode::Merge : sms::StampMode::Over);
        }
        return;
    case Tool::Line:
        return;
    case Tool::Pencil:
        work_.setPixel(curX_, curY_, ink);
        break;
    case Tool::Box:
    case Tool::FilledBox:
        normaliseSelection();
        pushUndo(work_);
        sms::drawBox(work_, sel_, ink, tool_ == Tool::FilledBox);
        break;
    case Tool::Ellipse:
    case Tool::FilledEllipse:
        normaliseSelection();
        if (sel_.right > sel_.left && sel_.bottom > sel_.top) {
            pushUndo(work_);
            sms::drawEllipse(work_, sel_, ink, tool_ == Tool::FilledEllipse);
        }
        break;
    case Tool::Text:
    case Tool::Fill:
        break;
    }
    resetSelection();
}

// ------------------------------------------------------- keys and buttons

void EditorModel::escape()
{
    if (floating_) {
        sms::restoreArea(work_, tempWork_, sel_);
        shape_.visible = false;
        floating_ = false;
    } else if (tool_ == Tool::Line) {
        line_.visible = false;
        lineAwaitingStart_ = true;
    }
}

void EditorModel::shift(int dx, int dy)
{
    resetSelection();
    pushUndo(work_);
    sms::shiftWrapped(work_, dx, dy);
}

void EditorModel::clearSelection()
{
    dropFloating();
    sms::fillArea(work_, sel_, false);
}

MonoBitmap EditorModel::copySelection()
{
    dropFloating();
    shape_.visible = false;
    clip_ = sms::copyArea(work_, sel_);
    return clip_;
}

bool EditorModel::cutSelection(MonoBitmap* copied)
{
    if (sel_.left == sel_.right && sel_.top == sel_.bottom)
        return false;
    dropFloating();
    pushUndo(work_);
    const MonoBitmap c = copySelection();
    if (copied)
        *copied = c;
    clearSelection();
    return true;
}

void EditorModel::floatClip(int marqueeWidth, int marqueeHeight, sms::StampMode mode)
{
    sel_ = {0, 0, clip_.width() - 1, clip_.height() - 1};
    tempWork_ = work_;
    sms::stamp(work_, clip_, 0, 0, mode);
    shape_.kind = ShapeOverlay::Kind::Rectangle;
    shape_.border = ShapeOverlay::Border::Dotted;
    shape_.left = 0;
    shape_.top = 0;
    shape_.width = marqueeWidth;
    shape_.height = marqueeHeight;
    shape_.visible = true;
    line_.visible = false;
    tool_ = Tool::Select;
    floating_ = true;
    lineAwaitingStart_ = false;
    pasteChoice_ = true;
    blinking_ = true;
}

void EditorModel::paste(const MonoBitmap& bitmap)
{
    if (bitmap.isNull())
        return;
    // A selection still floating stays where it is.
    dropFloating();
    clip_ = bitmap;
    floatClip(clip_.width() * kZoom + 1, clip_.height() * kZoom + 1,
              pasteMode_ == PasteMode::Merged ? sms::StampMode::Merge : sms::StampMode::Over);
}

bool EditorModel::placeText(const MonoBitmap& rendered)
{
    PixelArea box;
    const MonoBitmap area = sms::copyArea(rendered, {0, 0, width() - 1, height() - 1});
    if (!sms::inkArea(area, &box)) {
        // Nothing to place, as for empty text.
        sel_ = {};
        return false;
    }
    dropFloating();
    clip_ = sms::copyArea(area, box);
    // Text is always merged, whatever the paste mode; its marquee is the
    // box times the zoom.
    floatClip(clip_.width() * kZoom, clip_.height() * kZoom, sms::StampMode::Merge);
    return true;
}

void EditorModel::flip(sms::FlipAxis axis)
{
    dropFloating();
    pushUndo(work_);
    sms::mirrorArea(work_, sel_, axis);
}

void EditorModel::inverse()
{
    dropFloating();
    sms::invert(work_);
}

void EditorModel::clearAll()
{
    // Nothing of the old picture stays reachable, a floating selection's
    // background included.
    floating_ = false;
    undoCount_ = 0;
    work_.fill(false);
    resetSelection();
}

// ------------------------------------------------------------------- undo

void EditorModel::pushUndo(const MonoBitmap& snapshot)
{
    undoCount_ = std::min(undoCount_ + 1, kUndoSlots);
    undoSlot_ = undoSlot_ % kUndoSlots + 1;
    undo_[undoSlot_ - 1] = snapshot;
}

void EditorModel::undo()
{
    if (undoCount_ <= 0)
        return;
    if (floating_) {
        // The snapshot replaces the picture with the selection in it.
        floating_ = false;
        shape_.visible = false;
    }
    --undoCount_;
    work_ = undo_[undoSlot_ - 1];
    undoSlot_ = undoSlot_ == 1 ? kUndoSlots : undoSlot_ - 1;
}

// -------------------------------------------------------------- clipboard

bool EditorModel::pastedColourIsPaper(quint32 rgb)
{
    // The rule is on the colour as blue-green-red: masked with the paper
    // colour it must stay at or below 0x88FF to be ink.
    const quint32 r = (rgb >> 16) & 0xFF;
    const quint32 g = (rgb >> 8) & 0xFF;
    const quint32 b = rgb & 0xFF;
    const quint32 bgr = (b << 16) | (g << 8) | r;
    return (bgr & 0xEEFFE0) > 0x88FF || bgr == 0xFFFFFF;
}

} // namespace editor
