#pragma once
// Resizer: a container with exactly two panes, stacked or side by side, and
// a gap between them that the user drags to move the boundary.
//
// Use:
//     Resizer::Options o;                // measures in twips (15 per pixel)
//     o.orientation = 1;                 // 0 stacked, 1 side by side
//     o.separatorTwips = 50;             // the gap; 15 or more
//     o.invert = true;                   // the second child leads
//     o.minTwips = {1600, 1800};         // minimum of child 1, of child 2
//     auto* rsz = new Resizer(o, parent);
//     rsz->addWidget(rightPart);         // child 1: trailing pane when inverted
//     rsz->addWidget(tree);              // child 2: leading (left/top) pane when inverted
//     rsz->setControl1Size(3000);        // optional: width of the leading pane
//
// Without `invert`, child 1 is the leading pane (top or left) and child 2 the
// trailing one. Properties numbered 1 and 2 (Control1Visible, Control1Size,
// MinControlSize1, ...) address the leading and trailing pane, so with
// `invert` set, Control1Visible is child 2's flag. Options::minTwips and
// Options::visible are by child, as stored with a window layout.
//
// The container lays the panes out whenever it is shown or resized and after
// the setters that say so. It owns a handle widget that lies behind both
// panes and fills the container; the gap between the panes shows it, and
// dragging it with the left button moves the boundary. The container has no
// border of its own and raises no signals.
//
// The leading pane keeps the size its widget has (within the minimums) and
// the trailing pane takes the rest, so the boundary stays put when the
// container is resized. A widget made without a parent starts 640x480: size
// the panes with setControl1Size() once both widgets are in.
#include <QPointer>
#include <QWidget>
#include <array>

#include "controls/ResizerGeometry.h"

class Resizer : public QWidget {
    Q_OBJECT
public:
    struct Options {
        int orientation = 1;
        int separatorTwips = 45;
        bool invert = false;
        std::array<int, 2> minTwips{90, 90};         // by child
        std::array<bool, 2> visible{true, true};     // by child
        std::array<bool, 2> overhang{false, false};  // by child, see ResizerGeometry
    };

    explicit Resizer(QWidget* parent = nullptr);
    // Values are taken as given, without the setters' lower limits, like a
    // saved layout.
    explicit Resizer(const Options& options, QWidget* parent = nullptr);

    // Places a widget in the container: the first call gives child 1, the
    // second child 2; further widgets are ignored (returns false). The
    // widget is reparented to the container. A child destroyed elsewhere
    // leaves its place empty, and the layout then does nothing.
    bool addWidget(QWidget* w);
    QWidget* child(int index) const;  // 0 = child 1, 1 = child 2
    QWidget* leadingWidget() const;   // top or left pane, or nullptr
    QWidget* trailingWidget() const;  // bottom or right pane, or nullptr
    QWidget* handle() const { return handle_; }

    // The gap in twips. Values under 15 are ignored. Lays out.
    int separatorSize() const { return separatorTwips_; }
    void setSeparatorSize(int twips);

    // 0 stacked, 1 side by side; stored unchecked. Lays out.
    int orientation() const { return rules_.orientation; }
    void setOrientation(int orientation);

    bool invertControls() const { return rules_.invert; }
    void setInvertControls(bool invert);

    // Minimum of the leading (1) or trailing (2) pane in twips along the
    // orientation. Values under 90 are ignored. Does not lay out.
    int minControlSize1() const { return minTwips_[rules_.leadingChild()]; }
    int minControlSize2() const { return minTwips_[rules_.trailingChild()]; }
    void setMinControlSize1(int twips);
    void setMinControlSize2(int twips);

    // Whether the leading (1) or trailing (2) pane is shown. Hiding one while
    // the other is hidden shows the other again; a hidden pane leaves the
    // container to the other. Lays out.
    bool control1Visible() const { return rules_.shown[rules_.leadingChild()]; }
    bool control2Visible() const { return rules_.shown[rules_.trailingChild()]; }
    void setControl1Visible(bool v);
    void setControl2Visible(bool v);

    // Size in twips of the leading (1) or trailing (2) pane's widget: its
    // height when stacked, else its width; 0 while that pane is empty.
    // Setting it sizes that pane (kept off the ends of the container by a
    // minimum), gives the other the rest, then lays out.
    int control1Size() const;
    int control2Size() const;
    void setControl1Size(int twips);
    void setControl2Size(int twips);

    // The pixel rules in force.
    const ResizerGeometry& rules() const { return rules_; }

    // Lays the panes out now.
    void relayout();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    friend class ResizerHandle;
    void dragStart(QPoint pos);
    void dragMove(QPoint pos);
    void setPaneSize(int pane, int twips);
    int paneSize(int pane) const;
    std::array<QRect, 2> childRects() const;

    ResizerGeometry rules_;
    int separatorTwips_ = 45;
    std::array<int, 2> minTwips_{90, 90};
    std::array<QPointer<QWidget>, 2> children_;
    QWidget* handle_ = nullptr;
    QPoint start_;
};
