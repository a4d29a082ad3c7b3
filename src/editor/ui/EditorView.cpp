#include "editor/ui/EditorView.h"

#include <QMouseEvent>
#include <QPainter>

#include "compose/ui/BitmapImage.h"

namespace editor {

QColor viewPaperColour() { return compose::paperColour(); }
QColor viewGridColour() { return QColor(0x00, 0xB0, 0x00); }
QColor viewInkColour() { return QColor(0, 0, 0); }

namespace {

Button buttonOf(Qt::MouseButton b)
{
    return b == Qt::LeftButton ? Button::Left : Button::Other;
}

std::optional<Button> heldOf(Qt::MouseButtons buttons)
{
    if (buttons & Qt::LeftButton)
        return Button::Left;
    if (buttons != Qt::NoButton)
        return Button::Other;
    return std::nullopt;
}

Qt::PenStyle penStyle(ShapeOverlay::Border border)
{
    switch (border) {
    case ShapeOverlay::Border::Solid: return Qt::SolidLine;
    case ShapeOverlay::Border::Dotted: return Qt::DotLine;
    case ShapeOverlay::Border::DashDot: return Qt::DashDotLine;
    }
    return Qt::SolidLine;
}

} // namespace

EditorView::EditorView(EditorModel& model, QWidget* parent) : QWidget(parent), model_(model)
{
    setObjectName(QStringLiteral("picView"));
    setAccessibleName(QStringLiteral("Picture"));
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    resizeToModel();
}

void EditorView::resizeToModel()
{
    setFixedSize(sizeHint());
    update();
}

QSize EditorView::sizeHint() const
{
    return QSize(model_.viewWidth(), model_.viewHeight());
}

void EditorView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const int w = model_.width();
    const int h = model_.height();
    const int vw = model_.viewWidth();
    const int vh = model_.viewHeight();
    p.fillRect(rect(), viewPaperColour());

    // Each ink pixel fills the inside of its cell.
    const sms::MonoBitmap& picture = model_.picture();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (picture.pixel(x, y))
                p.fillRect(x * kZoom + 1, y * kZoom + 1, kZoom - 1, kZoom - 1, viewInkColour());

    p.setPen(viewGridColour());
    for (int i = 0; i <= w; ++i)
        p.drawLine(i * kZoom, 0, i * kZoom, vh - 1);
    for (int j = 0; j <= h; ++j)
        p.drawLine(0, j * kZoom, vw - 1, j * kZoom);

    const ShapeOverlay& shape = model_.shape();
    if (shape.visible && shape.width > 0 && shape.height > 0) {
        p.setPen(QPen(viewInkColour(), 0, penStyle(shape.border)));
        p.setBrush(Qt::NoBrush);
        const QRect r(shape.left, shape.top, shape.width - 1, shape.height - 1);
        if (shape.kind == ShapeOverlay::Kind::Oval)
            p.drawEllipse(r);
        else
            p.drawRect(r);
    }
    const LineOverlay& line = model_.linePreview();
    if (line.visible) {
        p.setPen(QPen(viewInkColour(), 0));
        p.drawLine(line.x1, line.y1, line.x2, line.y2);
    }
}

void EditorView::mousePressEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    model_.mouseDown(pos.x(), pos.y(), buttonOf(event->button()));
    update();
    emit changed();
    if (model_.tool() == Tool::Text)
        emit textToolRequested();
}

void EditorView::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    model_.mouseMove(pos.x(), pos.y(), heldOf(event->buttons()));
    updatePointer();
    update();
    emit changed();
}

void EditorView::mouseReleaseEvent(QMouseEvent* event)
{
    model_.mouseUp(buttonOf(event->button()));
    update();
    emit changed();
}

void EditorView::leaveEvent(QEvent* event)
{
    unsetCursor();
    QWidget::leaveEvent(event);
}

void EditorView::updatePointer()
{
    if (model_.sizeAllPointer())
        setCursor(Qt::SizeAllCursor);
    else
        unsetCursor();
}

} // namespace editor
