#pragma once
// picView: the editor's picture enlarged seven times on a grid, with the
// marquee, the shape preview and the line preview drawn over it. It hands
// the mouse to the model and repaints from it.
#include <QWidget>

#include "editor/EditorModel.h"

namespace editor {

// The colours of the view.
QColor viewPaperColour();
QColor viewGridColour();
QColor viewInkColour();

class EditorView : public QWidget {
    Q_OBJECT
public:
    explicit EditorView(EditorModel& model, QWidget* parent = nullptr);

    // After the model changed size (a logo or a picture).
    void resizeToModel();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

signals:
    // Anything the mouse did; the form refreshes what shows the model.
    void changed();
    // A click with the text tool.
    void textToolRequested();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void updatePointer();

    EditorModel& model_;
};

} // namespace editor
