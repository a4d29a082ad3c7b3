#pragma once
// frmPaint, "Edit Picture": the one-bit editor of an operator logo or a
// picture message. It is not modal; OK hands the picture back through the
// hand-back given to it, Cancel hands nothing back. The drawing rules are
// EditorModel's; this window shows it, forwards the mouse, the keys and
// the buttons to it, and deals with the clipboard, the file and the
// questions.
#include <QDialog>
#include <QList>
#include <functional>

#include "editor/EditorModel.h"

class QAbstractButton;
class QButtonGroup;
class QClipboard;
class QImage;
class QLabel;
class QPushButton;
class QRadioButton;
class QTimer;
class QToolButton;
class QWidget;
class UserPrompt;
class WindowServices;

namespace compose {
class BitmapView;
}

namespace editor {

class EditorView;
class TextForm;

// A clipboard picture as the editor takes it: drawn over paper (so that
// transparent parts are paper), then each pixel by the paste rule; at most
// 1000 x 1000 from its top-left corner.
sms::MonoBitmap monoFromPastedImage(const QImage& image);

class PaintForm : public QDialog {
    Q_OBJECT
public:
    // OK: the picture and the picType it was opened with.
    using HandBack = std::function<void(int picType, const sms::MonoBitmap& picture)>;

    // Save asks for its file through windows.
    PaintForm(UserPrompt& prompt, WindowServices& windows, QWidget* parent = nullptr);

    // picType 3 a logo, else a picture; the picture to start from.
    void load(int picType, const sms::MonoBitmap& picture);
    void setHandBack(HandBack handBack) { handBack_ = std::move(handBack); }

    EditorModel& model() { return model_; }
    const EditorModel& model() const { return model_; }

    // --- Actions (the buttons and keys) ------------------------------------------
    void chooseTool(Tool tool);
    void undo();
    void copy();
    void cut();
    void paste();
    void clearAll();
    void save();
    void shift(int dx, int dy);
    void flip(sms::FlipAxis axis);
    void inverse();
    void escape();
    void deleteSelection();
    void ok();
    // The text tool open now, if any.
    TextForm* textTool() const;

    // --- Controls ----------------------------------------------------------------
    EditorView* picView() const { return picView_; }
    compose::BitmapView* picActual() const { return picActual_; }
    QToolButton* optTool(Tool tool) const;
    QWidget* picPaste() const { return picPaste_; }
    QRadioButton* optPaste(PasteMode mode) const;
    QLabel* lblX() const { return lblX_; }
    QLabel* lblY() const { return lblY_; }
    QTimer* timer1() const { return timer1_; }
    QPushButton* cmdUndo() const { return cmdUndo_; }
    QPushButton* cmdPaste() const { return cmdPaste_; }
    QPushButton* cmdCopy() const { return cmdCopy_; }
    QPushButton* cmdCut() const { return cmdCut_; }
    QPushButton* cmdClear() const { return cmdClear_; }
    QPushButton* cmdSave() const { return cmdSave_; }
    QPushButton* cmdShiftLeft() const { return cmdShiftLeft_; }
    QPushButton* cmdShiftUp() const { return cmdShiftUp_; }
    QPushButton* cmdShiftDown() const { return cmdShiftDown_; }
    QPushButton* cmdShiftRight() const { return cmdShiftRight_; }
    QPushButton* cmdFlipHorizontal() const { return cmdFlipHorizontal_; }
    QPushButton* cmdFlipVertical() const { return cmdFlipVertical_; }
    QPushButton* cmdInverse() const { return cmdInverse_; }
    QPushButton* cmdOK() const { return cmdOK_; }
    QPushButton* cmdExit() const { return cmdExit_; }

protected:
    void hideEvent(QHideEvent* event) override;

private:
    void buildControls();
    void addShortcuts();
    void openTextTool();
    // Shows what the model holds: the view, the actual-size picture, the
    // tool, the paste choice, the blink, Undo and the pointer cell.
    void refresh();
    // Every button gives the focus back to the view.
    void done();

    UserPrompt& prompt_;
    WindowServices& windows_;
    EditorModel model_;
    HandBack handBack_;

    EditorView* picView_ = nullptr;
    QWidget* picFrame_ = nullptr;
    compose::BitmapView* picActual_ = nullptr;
    QList<QToolButton*> toolButtons_;
    QWidget* picPaste_ = nullptr;
    QButtonGroup* pasteGroup_ = nullptr;
    QRadioButton* optPasteMerged_ = nullptr;
    QRadioButton* optPasteOver_ = nullptr;
    QLabel* lblX_ = nullptr;
    QLabel* lblY_ = nullptr;
    QTimer* timer1_ = nullptr;
    QPushButton* cmdUndo_ = nullptr;
    QPushButton* cmdPaste_ = nullptr;
    QPushButton* cmdCopy_ = nullptr;
    QPushButton* cmdCut_ = nullptr;
    QPushButton* cmdClear_ = nullptr;
    QPushButton* cmdSave_ = nullptr;
    QPushButton* cmdShiftLeft_ = nullptr;
    QPushButton* cmdShiftUp_ = nullptr;
    QPushButton* cmdShiftDown_ = nullptr;
    QPushButton* cmdShiftRight_ = nullptr;
    QPushButton* cmdFlipHorizontal_ = nullptr;
    QPushButton* cmdFlipVertical_ = nullptr;
    QPushButton* cmdInverse_ = nullptr;
    QPushButton* cmdOK_ = nullptr;
    QPushButton* cmdExit_ = nullptr;
};

} // namespace editor
