#include "editor/ui/PaintForm.h"

#include <QApplication>
#include <QButtonGroup>
#include <QClipboard>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "base/AppPaths.h"
#include "base/UserPrompt.h"
#include "compose/ui/BitmapImage.h"
#include "compose/ui/BitmapView.h"
#include "controls/WindowServices.h"
#include "editor/ui/EditorIcons.h"
#include "editor/ui/EditorView.h"
#include "editor/ui/TextForm.h"

namespace editor {

namespace {

// The part of a pasted picture that is read.
constexpr int kMaxPasteSide = 1000;

struct ToolInfo {
    Tool tool;
    const char* icon;
    const char* tip;
};

const ToolInfo kTools[] = {
    {Tool::Select, "select", "Select"},  {Tool::Text, "text", "Text"},
    {Tool::Pencil, "draw", "Draw"},      {Tool::Fill, "paint", "Paint"},
    {Tool::Line, "line", "Line"},        {Tool::Box, "box", "Box"},
    {Tool::FilledBox, "filledbox", "Filled Box"}, {Tool::Ellipse, "circle", "Circle"},
    {Tool::FilledEllipse, "filledcircle", "Filled Circle"},
};

QPushButton* makeButton(QWidget* parent, const char* name, const char* icon, const QString& tip)
{
    auto* b = new QPushButton(parent);
    b->setObjectName(QLatin1String(name));
    b->setIcon(editorIcon(QLatin1String(icon)));
    b->setIconSize(QSize(20, 20));
    b->setToolTip(tip);
    b->setAccessibleName(tip);
    b->setAutoDefault(false);
    return b;
}

} // namespace

sms::MonoBitmap monoFromPastedImage(const QImage& image)
{
    const int w = qMin(image.width(), kMaxPasteSide);
    const int h = qMin(image.height(), kMaxPasteSide);
    sms::MonoBitmap out(w, h);
    if (out.isNull())
        return out;
    QImage canvas(w, h, QImage::Format_RGB32);
    canvas.fill(compose::paperColour());
    {
        QPainter p(&canvas);
        QImage source = image.copy(0, 0, w, h).convertToFormat(QImage::Format_ARGB32);
        source.setDevicePixelRatio(1.0);
        p.drawImage(QPoint(0, 0), source);
    }
    for (int y = 0; y < h; ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(canvas.constScanLine(y));
        for (int x = 0; x < w; ++x)
            out.setPixel(x, y, !EditorModel::pastedColourIsPaper(line[x] & 0xFFFFFF));
    }
    return out;
}

PaintForm::PaintForm(UserPrompt& prompt, WindowServices& windows, QWidget* parent)
    : QDialog(parent), prompt_(prompt), windows_(windows)
{
    setObjectName(QStringLiteral("frmPaint"));
    setWindowTitle(QStringLiteral("Edit Picture"));
    buildControls();
    addShortcuts();
    load(4, {});
}

void PaintForm::buildControls()
{
    // Tools, two to a row.
    auto* tools = new QGridLayout;
    tools->setSpacing(2);
    // The check follows the model's tool. The buttons are in no button
    // group, which would keep only the checked one on the Tab chain: the
    // arrow keys shift the picture, so Tab is the way from tool to tool.
    int i = 0;
    for (const ToolInfo& t : kTools) {
        auto* b = new QToolButton(this);
        b->setObjectName(QStringLiteral("optTool%1").arg(int(t.tool)));
        b->setProperty("tool", int(t.tool));
        b->setIcon(editorIcon(QLatin1String(t.icon)));
        b->setIconSize(QSize(20, 20));
        b->setCheckable(true);
        b->setAutoRaise(false);
        // On the Tab chain like the push buttons, whatever the platform's
        // rule for tool buttons.
        b->setFocusPolicy(Qt::StrongFocus);
        b->setToolTip(QLatin1String(t.tip));
        b->setAccessibleName(QLatin1String(t.tip));
        // Checked by a click, a key, a screen reader or the program: a tool
        // other than the model's is chosen. Unchecked while it is the
        // model's tool (a click on the chosen tool): chosen again.
        connect(b, &QToolButton::toggled, this, [this, tool = t.tool](bool checked) {
            if (checked != (model_.tool() == tool))
                chooseTool(tool);
        });
        toolButtons_ << b;
        tools->addWidget(b, i / 2, i % 2);
        ++i;
    }

    picPaste_ = new QWidget(this);
    picPaste_->setObjectName(QStringLiteral("picPaste"));
    {
        auto* v = new QVBoxLayout(picPaste_);
        v->setContentsMargins(0, 4, 0, 0);
        optPasteMerged_ = new QRadioButton(QStringLiteral("Paste Merged"), picPaste_);
        optPasteMerged_->setObjectName(QStringLiteral("optPaste0"));
        optPasteOver_ = new QRadioButton(QStringLiteral("Paste Over"), picPaste_);
        optPasteOver_->setObjectName(QStringLiteral("optPaste1"));
        optPasteMerged_->setAccessibleName(optPasteMerged_->text());
        optPasteOver_->setAccessibleName(optPasteOver_->text());
        pasteGroup_ = new QButtonGroup(this);
        pasteGroup_->addButton(optPasteMerged_, int(PasteMode::Merged));
        pasteGroup_->addButton(optPasteOver_, int(PasteMode::Over));
        optPasteMerged_->setChecked(true);
        v->addWidget(optPasteMerged_);
        v->addWidget(optPasteOver_);
        connect(pasteGroup_, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
            if (!checked || model_.pasteMode() == PasteMode(id))
                return;
            model_.setPasteMode(PasteMode(id));
            done();
        });
    }
    // The choice keeps its place while hidden, so the tools do not move.
    QSizePolicy keep = picPaste_->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    picPaste_->setSizePolicy(keep);

    auto* left = new QVBoxLayout;
    left->addLayout(tools);
    left->addWidget(picPaste_);
    left->addStretch(1);

    picView_ = new EditorView(model_, this);
    connect(picView_, &EditorView::changed, this, &PaintForm::refresh);
    connect(picView_, &EditorView::textToolRequested, this, &PaintForm::openTextTool, Qt::QueuedConnection);

    // The picture at its actual size, and the pointer cell.
    picFrame_ = new QFrame(this);
    picFrame_->setObjectName(QStringLiteral("picFrame"));
    picActual_ = new compose::BitmapView(model_.width(), model_.height(), 1, picFrame_);
    picActual_->setObjectName(QStringLiteral("picActual"));
    picActual_->setAccessibleName(QStringLiteral("Actual size"));
    lblX_ = new QLabel(picFrame_);
    lblX_->setObjectName(QStringLiteral("lblX"));
    lblX_->setAccessibleName(QStringLiteral("X"));
    lblX_->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("000")));
    lblY_ = new QLabel(picFrame_);
    lblY_->setObjectName(QStringLiteral("lblY"));
    lblY_->setAccessibleName(QStringLiteral("Y"));
    lblY_->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("000")));
    {
        auto* h = new QHBoxLayout(picFrame_);
        h->setContentsMargins(0, 0, 0, 0);
        h->addWidget(picActual_, 0, Qt::AlignTop);
        h->addSpacing(12);
        h->addWidget(new QLabel(QStringLiteral("X:"), picFrame_), 0, Qt::AlignTop);
        h->addWidget(lblX_, 0, Qt::AlignTop);
        h->addWidget(new QLabel(QStringLiteral("Y:"), picFrame_), 0, Qt::AlignTop);
        h->addWidget(lblY_, 0, Qt::AlignTop);
        h->addStretch(1);
    }

    cmdUndo_ = makeButton(this, "cmdUndo", "undo", QStringLiteral("Undo (Ctrl-Z)"));
    cmdPaste_ = makeButton(this, "cmdPaste", "paste", QStringLiteral("Paste from Clipboard (Ctrl-V)"));
    cmdCopy_ = makeButton(this, "cmdCopy", "copy", QStringLiteral("Copy Selection (Ctrl-C)"));
    cmdCut_ = makeButton(this, "cmdCut", "cut", QStringLiteral("Cut Selection (Ctrl-X)"));
    cmdClear_ = makeButton(this, "cmdClear", "clear", QStringLiteral("Clear All"));
    cmdSave_ = makeButton(this, "cmdSave", "save", QStringLiteral("Save to file"));
    cmdShiftLeft_ = makeButton(this, "cmdShiftLeft", "left", QStringLiteral("Shift Left"));
    cmdShiftUp_ = makeButton(this, "cmdShiftUp", "up", QStringLiteral("Shift Up"));
    cmdShiftDown_ = makeButton(this, "cmdShiftDown", "down", QStringLiteral("Shift Down"));
    cmdShiftRight_ = makeButton(this, "cmdShiftRight", "right", QStringLiteral("Shift Right"));
    cmdFlipHorizontal_ =
        makeButton(this, "cmdFlipHorizontal", "fliph", QStringLiteral("Flip Selection Horizontally"));
    cmdFlipVertical_ = makeButton(this, "cmdFlipVertical", "flipv", QStringLiteral("Flip Selection Vertically"));
    cmdInverse_ = makeButton(this, "cmdInverse", "inverse", QStringLiteral("Inverse Picture"));
    cmdOK_ = new QPushButton(QStringLiteral("OK"), this);
    cmdOK_->setObjectName(QStringLiteral("cmdOK"));
    cmdOK_->setAutoDefault(false);
    cmdOK_->setDefault(true); // Enter, wherever the focus is
    cmdExit_ = new QPushButton(QStringLiteral("Cancel"), this);
    cmdExit_->setObjectName(QStringLiteral("cmdExit"));
    cmdExit_->setAutoDefault(false);

    connect(cmdUndo_, &QPushButton::clicked, this, &PaintForm::undo);
    connect(cmdPaste_, &QPushButton::clicked, this, &PaintForm::paste);
    connect(cmdCopy_, &QPushButton::clicked, this, &PaintForm::copy);
    connect(cmdCut_, &QPushButton::clicked, this, &PaintForm::cut);
    connect(cmdClear_, &QPushButton::clicked, this, &PaintForm::clearAll);
    connect(cmdSave_, &QPushButton::clicked, this, &PaintForm::save);
    connect(cmdShiftLeft_, &QPushButton::clicked, this, [this] { shift(-1, 0); });
    connect(cmdShiftUp_, &QPushButton::clicked, this, [this] { shift(0, -1); });
    connect(cmdShiftDown_, &QPushButton::clicked, this, [this] { shift(0, 1); });
    connect(cmdShiftRight_, &QPushButton::clicked, this, [this] { shift(1, 0); });
    connect(cmdFlipHorizontal_, &QPushButton::clicked, this, [this] { flip(sms::FlipAxis::Horizontal); });
    connect(cmdFlipVertical_, &QPushButton::clicked, this, [this] { flip(sms::FlipAxis::Vertical); });
    connect(cmdInverse_, &QPushButton::clicked, this, &PaintForm::inverse);
    connect(cmdOK_, &QPushButton::clicked, this, &PaintForm::ok);
    connect(cmdExit_, &QPushButton::clicked, this, &QDialog::reject);

    auto* commands = new QHBoxLayout;
    commands->setSpacing(2);
    for (QPushButton* b : {cmdUndo_, cmdPaste_, cmdCopy_, cmdCut_, cmdClear_, cmdSave_})
        commands->addWidget(b);
    commands->addSpacing(10);
    for (QPushButton* b : {cmdShiftLeft_, cmdShiftUp_, cmdShiftDown_, cmdShiftRight_})
        commands->addWidget(b);
    commands->addSpacing(10);
    for (QPushButton* b : {cmdFlipHorizontal_, cmdFlipVertical_, cmdInverse_})
        commands->addWidget(b);
    commands->addStretch(1);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(picFrame_, 1);
    bottom->addWidget(cmdOK_, 0, Qt::AlignBottom);
    bottom->addWidget(cmdExit_, 0, Qt::AlignBottom);

    auto* right = new QVBoxLayout;
    right->addWidget(picView_, 0, Qt::AlignLeft | Qt::AlignTop);
    right->addLayout(commands);
    right->addLayout(bottom);
    right->addStretch(1);

    auto* outer = new QHBoxLayout(this);
    outer->addLayout(left);
    outer->addLayout(right, 1);
    outer->setSizeConstraint(QLayout::SetFixedSize);

    // Tab order: the tools, the paste choice, the view, the commands, OK,
    // Cancel.
    QList<QWidget*> order;
    for (QToolButton* b : toolButtons_)
        order << b;
    order << optPasteMerged_ << optPasteOver_ << picView_;
    for (QPushButton* b : {cmdUndo_, cmdPaste_, cmdCopy_, cmdCut_, cmdClear_, cmdSave_, cmdShiftLeft_,
                           cmdShiftUp_, cmdShiftDown_, cmdShiftRight_, cmdFlipHorizontal_, cmdFlipVertical_,
                           cmdInverse_, cmdOK_, cmdExit_})
        order << b;
    for (int k = 1; k < order.size(); ++k)
        setTabOrder(order[k - 1], order[k]);

    timer1_ = new QTimer(this);
    timer1_->setObjectName(QStringLiteral("Timer1"));
    timer1_->setInterval(200);
    connect(timer1_, &QTimer::timeout, this, [this] {
        model_.blink();
        picView_->update();
    });
}

void PaintForm::addShortcuts()
{
    // The form sees these keys first, whichever control has the focus.
    auto add = [this](const QKeySequence& key, std::function<void()> action) {
        auto* s = new QShortcut(key, this);
        s->setContext(Qt::WindowShortcut);
        connect(s, &QShortcut::activated, this, std::move(action));
    };
    add(QKeySequence(Qt::Key_Escape), [this] { escape(); });
    add(QKeySequence(Qt::Key_Left), [this] { shift(-1, 0); });
    add(QKeySequence(Qt::Key_Up), [this] { shift(0, -1); });
    add(QKeySequence(Qt::Key_Right), [this] { shift(1, 0); });
    add(QKeySequence(Qt::Key_Down), [this] { shift(0, 1); });
    add(QKeySequence(Qt::Key_Delete), [this] { deleteSelection(); });
    add(QKeySequence(Qt::CTRL | Qt::Key_C), [this] { copy(); });
    add(QKeySequence(Qt::CTRL | Qt::Key_V), [this] { paste(); });
    add(QKeySequence(Qt::CTRL | Qt::Key_X), [this] { cut(); });
    add(QKeySequence(Qt::CTRL | Qt::Key_Z), [this] { undo(); });
}

void PaintForm::load(int picType, const sms::MonoBitmap& picture)
{
    model_.load(picType, picture);
    if (auto* old = textTool())
        old->close();
    picView_->resizeToModel();
    // The actual-size picture takes the picture's size.
    auto* actual = new compose::BitmapView(model_.width(), model_.height(), 1, picFrame_);
    actual->setObjectName(QStringLiteral("picActual"));
    actual->setAccessibleName(QStringLiteral("Actual size"));
    // The layout hands back the old widget's item, which is ours to delete.
    delete picFrame_->layout()->replaceWidget(picActual_, actual);
    delete picActual_;
    picActual_ = actual;
    refresh();
}

QToolButton* PaintForm::optTool(Tool tool) const
{
    for (QToolButton* b : toolButtons_)
        if (b->property("tool").toInt() == int(tool))
            return b;
    return nullptr;
}

QRadioButton* PaintForm::optPaste(PasteMode mode) const
{
    return mode == PasteMode::Merged ? optPasteMerged_ : optPasteOver_;
}

TextForm* PaintForm::textTool() const
{
    return findChild<TextForm*>(QStringLiteral("frmText"), Qt::FindDirectChildrenOnly);
}

void PaintForm::refresh()
{
    picView_->update();
    picActual_->setBitmap(model_.picture());
    for (QToolButton* b : toolButtons_)
        b->setChecked(b->property("tool").toInt() == int(model_.tool()));
    optPaste(model_.pasteMode())->setChecked(true);
    picPaste_->setVisible(model_.pasteChoiceVisible());
    if (model_.blinking() && !timer1_->isActive())
        timer1_->start();
    else if (!model_.blinking())
        timer1_->stop();
    cmdUndo_->setEnabled(model_.canUndo());
    lblX_->setText(QString::number(model_.cursorX() + 1));
    lblY_->setText(QString::number(model_.cursorY() + 1));
}

void PaintForm::done()
{
    refresh();
    picView_->setFocus();
}

// ---------------------------------------------------------------- actions

void PaintForm::chooseTool(Tool tool)
{
    model_.setTool(tool);
    done();
    if (tool == Tool::Text)
        openTextTool();
}

void PaintForm::openTextTool()
{
    if (textTool() || model_.tool() != Tool::Text)
        return;
    auto* text = new TextForm(model_.width(), model_.height(), this);
    text->setAttribute(Qt::WA_DeleteOnClose);
    connect(text, &TextForm::textPlaced, this, [this](const sms::MonoBitmap& rendered) {
        model_.placeText(rendered);
        done();
    });
    text->open();
}

void PaintForm::undo()
{
    model_.undo();
    done();
}

void PaintForm::copy()
{
    const sms::MonoBitmap clip = model_.copySelection();
    QApplication::clipboard()->setImage(compose::imageFromMono(clip));
    done();
}

void PaintForm::cut()
{
    sms::MonoBitmap clip;
    if (model_.cutSelection(&clip))
        QApplication::clipboard()->setImage(compose::imageFromMono(clip));
    done();
}

void PaintForm::paste()
{
    const QMimeData* data = QApplication::clipboard()->mimeData();
    if (data && data->hasImage()) {
        const QImage image = QApplication::clipboard()->image();
        if (!image.isNull())
            model_.paste(monoFromPastedImage(image));
    }
    done();
}

void PaintForm::clearAll()
{
    if (prompt_.confirmDestructive(QStringLiteral("Confirm clear picture?"), QStringLiteral("Clear All")))
        model_.clearAll();
    done();
}

void PaintForm::save()
{
    const QString path = windows_.chooseFileToSave(this, QStringLiteral("Save Picture as..."), AppPaths::appDir(),
                                                   QStringLiteral("*.bmp"));
    if (path.isEmpty()) {
        done();
        return;
    }
    if (QFileInfo::exists(path)
        && prompt_.show(UserPrompt::Icon::Question, QStringLiteral("File Exists"),
                        QStringLiteral("Overwrite existing file?"), UserPrompt::Buttons::YesNo)
               != UserPrompt::Answer::Yes) {
        done();
        return;
    }
    if (!compose::imageFromMono(model_.picture()).save(path, "BMP"))
        prompt_.show(UserPrompt::Icon::Critical, QStringLiteral("Error"), QStringLiteral("Unable to save picture"),
                     UserPrompt::Buttons::Ok);
    done();
}

void PaintForm::shift(int dx, int dy)
{
    model_.shift(dx, dy);
    done();
}

void PaintForm::flip(sms::FlipAxis axis)
{
    model_.flip(axis);
    done();
}

void PaintForm::inverse()
{
    model_.inverse();
    done();
}

void PaintForm::escape()
{
    // Esc first takes off a pasted selection or a line being drawn; with
    // neither it cancels the editor.
    const bool lineDrawn = model_.tool() == Tool::Line && !model_.lineAwaitingStart();
    if (!model_.floating() && !lineDrawn) {
        reject();
        return;
    }
    model_.escape();
    done();
}

void PaintForm::deleteSelection()
{
    model_.clearSelection();
    done();
}

void PaintForm::hideEvent(QHideEvent* event)
{
    // The focus goes back to the window the editor was opened over.
    if (QWidget* owner = parentWidget(); owner && owner->isVisible())
        owner->activateWindow();
    QDialog::hideEvent(event);
}

void PaintForm::ok()
{
    if (handBack_)
        handBack_(model_.picType(), model_.picture());
    accept();
}

} // namespace editor
