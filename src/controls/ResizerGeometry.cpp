#include "controls/ResizerGeometry.h"

#include <algorithm>

namespace {

// Widgets cannot take negative sizes; a container too small for its panes
// squeezes them to nothing rather than wrapping round.
QRect sized(int x, int y, int w, int h)
{
    return QRect(x, y, std::max(0, w), std::max(0, h));
}

} // namespace

bool ResizerGeometry::setShown(int child, bool v)
{
    const int other = 1 - child;
    shown[child] = v;
    if (!v && !shown[other]) {
        shown[other] = true;
        return true;
    }
    return false;
}

ResizerGeometry::Panes ResizerGeometry::layout(QSize container, const Panes& current) const
{
    const int W = container.width();
    const int H = container.height();
    Panes out = current;

    // One child flagged hidden: the other fills the container.
    if (!shown[0] || !shown[1]) {
        const int hide = shown[0] ? 1 : 0;
        const int fill = 1 - hide;
        out[hide].hidden = true;
        out[hide].rect.moveLeft(W);
        out[fill].hidden = false;
        out[fill].rect = overhang[fill] ? sized(-1, -1, W + 2, H + 2) : sized(0, 0, W, H);
        return out;
    }

    // Both are to be shown; if one was hidden, start again from halves.
    if (out[0].hidden || out[1].hidden) {
        const int half = ((orientation == 0 ? H : W) - separator) / 2;
        for (Pane& p : out) {
            p.hidden = false;
            if (orientation == 0)
                p.rect.setHeight(std::max(0, half));
            else
                p.rect.setWidth(std::max(0, half));
        }
    }
    if (orientation != 0 && orientation != 1)
        return out;

    const int lead = leadingChild();
    const int trail = trailingChild();
    const bool stacked = orientation == 0;
    const int along = stacked ? H : W;

    // The leading pane keeps its size; its own minimum is tested first and
    // wins, the trailing pane's limit applies only when that test passed.
    int t = stacked ? out[lead].rect.height() : out[lead].rect.width();
    if (t < minimum[lead])
        t = minimum[lead];
    else if (along - t - separator < minimum[trail])
        t = along - separator - minimum[trail];

    // e is where the leading pane ends; the trailing pane begins one
    // separator further on.
    int e = 0;
    if (stacked) {
        if (overhang[lead]) {
            out[lead].rect = sized(-1, -1, W + 2, t);
            e = out[lead].rect.height() - 2;
        } else {
            out[lead].rect = sized(0, 0, W, t);
            e = out[lead].rect.height();
        }
        if (overhang[trail])
            out[trail].rect = sized(-1, e + separator - 1, W + 2, H - e - separator);
        else
            out[trail].rect = sized(0, e + separator, W, H - e - separator);
    } else {
        if (overhang[lead]) {
            out[lead].rect = sized(-1, -1, t, H + 2);
            e = out[lead].rect.width() - 2;
        } else {
            out[lead].rect = sized(0, 0, t, H);
            e = out[lead].rect.width();
        }
        if (overhang[trail])
            out[trail].rect = sized(e + separator - 1, -1, W - e - separator, H + 2);
        else
            out[trail].rect = sized(e + separator, 0, W - e - separator, H);
    }
    return out;
}

std::array<int, 2> ResizerGeometry::presize(int pane, int size, QSize container) const
{
    const int total = orientation != 0 ? container.width() : container.height();
    const int m = minimum[pane];
    int v = size;
    if (v < m)
        v = m;
    else if (total - m < v)
        v = total - m;
    return pane == 0 ? std::array<int, 2>{v, total - v} : std::array<int, 2>{total - v, v};
}

ResizerGeometry::DragStep ResizerGeometry::drag(const std::array<QRect, 2>& rects, int pos,
                                                int start) const
{
    DragStep step{rects, start};
    if (orientation != 0 && orientation != 1)
        return step;

    const int lead = leadingChild();
    const int trail = trailingChild();
    const bool stacked = orientation == 0;
    const QRect L = rects[lead];
    const QRect T = rects[trail];
    const int leadSize = stacked ? L.height() : L.width();
    const int trailSize = stacked ? T.height() : T.width();

    // Re-base the start so that a pane passing its minimum ends exactly on
    // it; the trailing test comes second and wins.
    int s = start;
    if (leadSize + (pos - s) < minimum[lead])
        s = leadSize + pos - minimum[lead];
    if (trailSize - (pos - s) < minimum[trail])
        s = pos + minimum[trail] - trailSize;
    const int d = pos - s;

    if (stacked) {
        step.rects[lead] = sized(L.x(), L.y(), L.width(), L.height() + d);
        step.rects[trail] = sized(T.x(), T.y() + d, T.width(), T.height() - d);
    } else {
        step.rects[lead] = sized(L.x(), L.y(), L.width() + d, L.height());
        step.rects[trail] = sized(T.x() + d, T.y(), T.width() - d, T.height());
    }
    step.start = pos;
    return step;
}
