#include "controls/Resizer.h"

#include <QMouseEvent>

#include "controls/Twips.h"

// The strip behind both panes. Only the gap shows it, so every press and
// drag it receives is one on the gap.
class ResizerHandle : public QWidget {
public:
    explicit ResizerHandle(Resizer* owner) : QWidget(owner), owner_(owner)
    {
        setObjectName(QStringLiteral("lblResizer"));
        setAutoFillBackground(true);
        setBackgroundRole(QPalette::Button);
    }

protected:
    void mousePressEvent(QMouseEvent* e) override
    {
        if (e->button() == Qt::LeftButton)
            owner_->dragStart(mapToParent(e->position().toPoint()));
        e->accept();
    }
    void mouseMoveEvent(QMouseEvent* e) override
    {
        // Only a drag with the left button alone moves the boundary.
        if (e->buttons() == Qt::LeftButton)
            owner_->dragMove(mapToParent(e->position().toPoint()));
        e->accept();
    }

private:
    Resizer* owner_;
};

Resizer::Resizer(QWidget* parent) : Resizer(Options{}, parent) {}

Resizer::Resizer(const Options& o, QWidget* parent) : QWidget(parent)
{
    separatorTwips_ = o.separatorTwips;
    minTwips_ = o.minTwips;
    rules_.orientation = o.orientation;
    rules_.separator = twips::toPx(o.separatorTwips);
    rules_.invert = o.invert;
    rules_.minimum = {twips::toPx(o.minTwips[0]), twips::toPx(o.minTwips[1])};
    rules_.shown = o.visible;
    rules_.overhang = o.overhang;
    handle_ = new ResizerHandle(this);
    handle_->lower();
}

bool Resizer::addWidget(QWidget* w)
{
    if (!w)
        return false;
    for (QPointer<QWidget>& slot : children_) {
        if (slot == w)
            return true;
        if (!slot) {
            slot = w;
            w->setParent(this);
            handle_->lower();
            relayout();
            return true;
        }
    }
    return false;
}

QWidget* Resizer::child(int index) const
{
    return index == 0 || index == 1 ? children_[index] : nullptr;
}

QWidget* Resizer::leadingWidget() const { return children_[rules_.leadingChild()]; }
QWidget* Resizer::trailingWidget() const { return children_[rules_.trailingChild()]; }

void Resizer::setSeparatorSize(int tw)
{
    if (tw < 15)
        return;
    separatorTwips_ = tw;
    rules_.separator = twips::toPx(tw);
    relayout();
}

void Resizer::setOrientation(int orientation)
{
    rules_.orientation = orientation;
    relayout();
}

void Resizer::setInvertControls(bool invert)
{
    rules_.invert = invert;
    relayout();
}

void Resizer::setMinControlSize1(int tw)
{
    if (tw < 90)
        return;
    const int c = rules_.leadingChild();
    minTwips_[c] = tw;
    rules_.minimum[c] = twips::toPx(tw);
}

void Resizer::setMinControlSize2(int tw)
{
    if (tw < 90)
        return;
    const int c = rules_.trailingChild();
    minTwips_[c] = tw;
    rules_.minimum[c] = twips::toPx(tw);
}

void Resizer::setControl1Visible(bool v)
{
    rules_.setShown(rules_.leadingChild(), v);
    relayout();
}

void Resizer::setControl2Visible(bool v)
{
    rules_.setShown(rules_.trailingChild(), v);
    relayout();
}

int Resizer::paneSize(int pane) const
{
    const QWidget* w = pane == 0 ? leadingWidget() : trailingWidget();
    if (!w)
        return 0;
    return twips::fromPx(rules_.orientation != 0 ? w->width() : w->height());
}

int Resizer::control1Size() const { return paneSize(0); }
int Resizer::control2Size() const { return paneSize(1); }

void Resizer::setPaneSize(int pane, int tw)
{
    QWidget* own = pane == 0 ? leadingWidget() : trailingWidget();
    if (!own)
        return;
    QWidget* other = pane == 0 ? trailingWidget() : leadingWidget();
    const std::array<int, 2> sizes = rules_.presize(pane, twips::toPx(tw), size());
    auto setAlong = [this](QWidget* w, int v) {
        if (rules_.orientation != 0)
            w->resize(v, w->height());
        else
            w->resize(w->width(), v);
    };
    setAlong(own, sizes[pane]);
    if (other)
        setAlong(other, sizes[1 - pane]);
    relayout();
}

void Resizer::setControl1Size(int tw) { setPaneSize(0, tw); }
void Resizer::setControl2Size(int tw) { setPaneSize(1, tw); }

std::array<QRect, 2> Resizer::childRects() const
{
    return {children_[0]->geometry(), children_[1]->geometry()};
}

void Resizer::relayout()
{
    handle_->setGeometry(0, 0, width(), height());
    handle_->lower();
    if (!children_[0] || !children_[1])
        return;

    // isHidden(), not isVisible(): a pane inside a window that is not shown
    // yet (or sits in the tray) is not visible but is not hidden either.
    ResizerGeometry::Panes current;
    for (int c = 0; c < 2; ++c)
        current[c] = {children_[c]->geometry(), children_[c]->isHidden()};
    const ResizerGeometry::Panes next = rules_.layout(size(), current);
    for (int c = 0; c < 2; ++c) {
        QWidget* w = children_[c];
        w->setGeometry(next[c].rect);
        if (next[c].hidden != w->isHidden())
            w->setHidden(next[c].hidden);
    }
    if (!next[0].hidden && !next[1].hidden) {
        if (rules_.orientation == 0)
            handle_->setCursor(Qt::SizeVerCursor);
        else if (rules_.orientation == 1)
            handle_->setCursor(Qt::SizeHorCursor);
    }
}

void Resizer::dragStart(QPoint pos) { start_ = pos; }

void Resizer::dragMove(QPoint pos)
{
    if (!children_[0] || !children_[1])
        return;
    const bool stacked = rules_.orientation == 0;
    const int p = stacked ? pos.y() : pos.x();
    const int s = stacked ? start_.y() : start_.x();
    const ResizerGeometry::DragStep step = rules_.drag(childRects(), p, s);
    if (rules_.orientation != 0 && rules_.orientation != 1)
        return;
    for (int c = 0; c < 2; ++c)
        children_[c]->setGeometry(step.rects[c]);
    if (stacked)
        start_.setY(step.start);
    else
        start_.setX(step.start);
}

void Resizer::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    relayout();
}

void Resizer::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    relayout();
}

// The meta-object code is built with this file, on its own.
