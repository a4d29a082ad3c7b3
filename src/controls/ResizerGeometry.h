#pragma once
// The arithmetic of the two-pane splitter, free of widgets so that it can be
// checked on plain rectangles. All measures are pixels.
//
// Children are numbered 0 (the first widget placed in the container) and 1
// (the second). The leading pane is the top one (stacked) or the left one
// (side by side); it holds child 0, or child 1 when `invert` is set. The
// minimums and the shown flags belong to the children, not to the panes.
#include <QRect>
#include <QSize>
#include <array>

struct ResizerGeometry {
    // Where one child is and whether it is hidden.
    struct Pane {
        QRect rect;
        bool hidden = false;
        bool operator==(const Pane&) const = default;
    };
    using Panes = std::array<Pane, 2>;

    // Result of one drag step: the children's new places and the start
    // point (along the drag axis) to measure the next step from.
    struct DragStep {
        std::array<QRect, 2> rects;
        int start = 0;
    };

    int orientation = 1;              // 0 stacked, 1 side by side; others leave the panes alone
    int separator = 3;                // gap between the panes
    bool invert = false;              // child 1 leads instead of child 0
    std::array<int, 2> minimum{6, 6}; // per child, along the orientation
    std::array<bool, 2> shown{true, true};
    // A child that overhangs is placed one pixel outside the container where
    // it touches the container's edges, so its own frame does not double the
    // container's (used for list views).
    std::array<bool, 2> overhang{false, false};

    int leadingChild() const { return invert ? 1 : 0; }
    int trailingChild() const { return invert ? 0 : 1; }

    // Sets the shown flag of a child. Hiding one child while the other is
    // hidden shows the other again: one pane always stays shown. Returns
    // true when the other child's flag was changed by this rule.
    bool setShown(int child, bool v);

    // Places both children in a container of the given size, starting from
    // their current places. With one child flagged hidden, it is hidden and
    // moved off to the right and the other fills the container. Otherwise a
    // child that is hidden makes both shown and halves the space; then the
    // leading pane keeps its size within the minimums (its own minimum wins
    // when the container is too small for both) and the trailing pane takes
    // the rest beyond the gap.
    Panes layout(QSize container, const Panes& current) const;

    // The pane sizes asked for by setting the size of one pane (0 leading,
    // 1 trailing) directly: the requested size is kept between child 0's or
    // child 1's minimum (by pane number, whatever `invert` says) and the
    // container's size less that minimum; the other pane gets the rest.
    // Returns {leading size, trailing size}; the layout runs afterwards.
    std::array<int, 2> presize(int pane, int size, QSize container) const;

    // One step of a boundary drag: `pos` is the pointer along the drag axis
    // (y when stacked, x side by side) and `start` where the last step left
    // it. The panes move by the difference; a pane that would pass its
    // minimum stops exactly there, and the start is re-based so that moving
    // back takes effect at once. When both minimums cannot be met, the
    // trailing pane's wins. Orientations other than 0 and 1 change nothing.
    DragStep drag(const std::array<QRect, 2>& rects, int pos, int start) const;
};
