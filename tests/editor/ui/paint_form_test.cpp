// The editor's windows on the offscreen display: the mouse on the view, the
// keys, the clipboard, the text tool, saving (the file read back by a BMP
// reader of our own), and the way the send form opens the editor and the
// operator list.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QFontMetrics>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTest>
#include <QToolButton>

#include "app/AppController.h"
#include "base/Database.h"
#include "compose/ui/BitmapImage.h"
#include "compose/ui/BitmapView.h"
#include "compose/ui/ComposeWiring.h"
#include "compose/ui/OperatorForm.h"
#include "compose/ui/SendForm.h"
#include "editor/ui/EditorView.h"
#include "editor/ui/PaintForm.h"
#include "editor/ui/TextForm.h"
#include "mainwindow/MainWindow.h"
#include "base/EngineState.h"
#include "support/ScriptedWindowServices.h"
#include "support/TestEnv.h"

using editor::PaintForm;
using editor::TextForm;
using editor::Tool;
using sms::MonoBitmap;

namespace {

int v(int cell) { return cell * editor::kZoom + editor::kZoom / 2; }

void sendMouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held)
{
    QMouseEvent e(type, QPointF(at), w->mapToGlobal(QPointF(at)), button, held, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

// A press at the first cell, moves through the others, a release at the last.
void stroke(QWidget* view, const QList<QPoint>& cells, Qt::MouseButton button = Qt::LeftButton)
{
    const QPoint first(v(cells.first().x()), v(cells.first().y()));
    sendMouse(view, QEvent::MouseMove, first, Qt::NoButton, Qt::NoButton);
    sendMouse(view, QEvent::MouseButtonPress, first, button, button);
    for (const QPoint& c : cells)
        sendMouse(view, QEvent::MouseMove, QPoint(v(c.x()), v(c.y())), Qt::NoButton, button);
    const QPoint last(v(cells.last().x()), v(cells.last().y()));
    sendMouse(view, QEvent::MouseButtonRelease, last, button, Qt::NoButton);
}

MonoBitmap inkAt(std::initializer_list<std::pair<int, int>> pixels, int w, int h)
{
    MonoBitmap b(w, h);
    for (const auto& [x, y] : pixels)
        b.setPixel(x, y);
    return b;
}

// A reader for uncompressed 24- and 32-bit Windows bitmaps: the pixels as
// 0xRRGGBB, top row first; empty when the file is not such a bitmap.
struct Bmp {
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;
    QList<quint32> pixels;
    quint32 at(int x, int y) const { return pixels.value(y * width + x, 0xDEADBEEF); }
};

Bmp readBmp(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray d = f.readAll();
    auto u16 = [&](int o) { return quint32(quint8(d[o])) | quint32(quint8(d[o + 1])) << 8; };
    auto u32 = [&](int o) { return u16(o) | u16(o + 2) << 16; };
    if (d.size() < 54 || d.left(2) != "BM" || u32(2) != quint32(d.size()))
        return {};
    Bmp b;
    const quint32 offset = u32(10);
    b.width = int(qint32(u32(18)));
    const qint32 rawHeight = qint32(u32(22));
    b.height = std::abs(rawHeight);
    b.bitsPerPixel = int(u16(28));
    const quint32 compression = u32(30);
    if (u16(26) != 1 || (b.bitsPerPixel != 24 && b.bitsPerPixel != 32) || (compression != 0 && compression != 3))
        return {};
    const int stride = ((b.width * b.bitsPerPixel + 31) / 32) * 4;
    if (qint64(offset) + qint64(stride) * b.height > d.size())
        return {};
    for (int y = 0; y < b.height; ++y) {
        const int row = rawHeight > 0 ? b.height - 1 - y : y; // bottom-up unless negative
        for (int x = 0; x < b.width; ++x) {
            const int o = int(offset) + row * stride + x * (b.bitsPerPixel / 8);
            b.pixels << (quint32(quint8(d[o + 2])) << 16 | quint32(quint8(d[o + 1])) << 8 | quint8(d[o]));
        }
    }
    return b;
}

struct Editor : ::testing::Test {
    std::unique_ptr<PaintForm> form;
    QStringList saveAnswers;
    QList<std::pair<int, MonoBitmap>> handedBack;

    void SetUp() override
    {
        testenv::prompt().reset();
        open(3, {});
    }
    void open(int picType, const MonoBitmap& picture)
    {
        form = std::make_unique<PaintForm>(testenv::prompt(), testenv::windows());
        form->load(picType, picture);
        form->setHandBack([this](int type, const MonoBitmap& b) { handedBack.append({type, b}); });
        testenv::windows().setFileAnswerer(
            [this](const ScriptedWindowServices::FileAsked&) { return saveAnswers.value(0); });
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    }
    void activate()
    {
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    }
    QWidget* view() const { return form->picView(); }
    const MonoBitmap& picture() const { return form->model().picture(); }
};

} // namespace

TEST_F(Editor, TheWindowShowsTheViewTheToolsAndTheButtonsWithTheirNames)
{
    EXPECT_EQ(form->objectName(), "frmPaint");
    EXPECT_EQ(form->windowTitle(), "Edit Picture");
    EXPECT_EQ(view()->size(), QSize(505, 99));
    EXPECT_EQ(form->picActual()->bitmap().height(), 14);
    open(4, {});
    EXPECT_EQ(view()->size(), QSize(505, 197));
    EXPECT_EQ(form->picActual()->bitmap().height(), 28);

    EXPECT_TRUE(form->optTool(Tool::Pencil)->isChecked());
    EXPECT_FALSE(form->cmdUndo()->isEnabled());
    EXPECT_FALSE(form->picPaste()->isVisible());
    EXPECT_TRUE(form->optPaste(editor::PasteMode::Merged)->isChecked());
    EXPECT_EQ(form->optTool(Tool::FilledEllipse)->toolTip(), "Filled Circle");
    EXPECT_EQ(form->cmdUndo()->toolTip(), "Undo (Ctrl-Z)");
    EXPECT_EQ(form->cmdFlipHorizontal()->toolTip(), "Flip Selection Horizontally");
    EXPECT_EQ(form->cmdExit()->text(), "Cancel");
    EXPECT_EQ(form->optTool(Tool(5)), nullptr) << "there is no tool 5";

    // A tool or paste button checked without a click (a screen reader's
    // toggle, the program) chooses as a click does.
    form->optTool(Tool::Box)->setChecked(true);
    EXPECT_EQ(form->model().tool(), Tool::Box);
    EXPECT_FALSE(form->optTool(Tool::Pencil)->isChecked());
    form->optTool(Tool::Select)->setChecked(true);
    form->optPaste(editor::PasteMode::Over)->setChecked(true);
    EXPECT_EQ(form->model().pasteMode(), editor::PasteMode::Over);
    form->optPaste(editor::PasteMode::Merged)->setChecked(true);
    form->optTool(Tool::Pencil)->setChecked(true);
    EXPECT_EQ(form->model().tool(), Tool::Pencil);

    // OK is the default button (Enter); no other button takes Enter over
    // when it has the focus.
    for (QPushButton* b : form->findChildren<QPushButton*>())
        EXPECT_EQ(b->isDefault() || b->autoDefault(), b == form->cmdOK()) << b->objectName().toStdString();

    const QRegularExpression control("^(opt|cmd|pic)");
    int checked = 0;
    for (QWidget* c : form->findChildren<QWidget*>(control)) {
        if (c->objectName() == "picPaste" || c->objectName() == "picFrame")
            continue; // containers
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(c);
        ASSERT_NE(a, nullptr);
        EXPECT_FALSE(a->text(QAccessible::Name).trimmed().isEmpty()) << c->objectName().toStdString();
        ++checked;
    }
    EXPECT_EQ(checked, 9 + 2 + 15 + 2);

    // The tab chain runs tools, view, commands (Undo is still disabled),
    // OK, Cancel.
    activate();
    form->optTool(Tool::Select)->setFocus();
    QStringList walked;
    for (int i = 0; i < 13; ++i) {
        walked << QApplication::focusWidget()->objectName();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    EXPECT_EQ(walked.join(' ').toStdString(), QStringList({"optTool0", "optTool1", "optTool2", "optTool3", "optTool4", "optTool6",
                                   "optTool7", "optTool8", "optTool9", "picView", "cmdPaste", "cmdCopy",
                                   "cmdCut"}).join(' ').toStdString());
}

TEST_F(Editor, TheMouseDrawsOnTheViewAndTheActualSizePictureFollows)
{
    stroke(view(), {{2, 3}, {3, 3}, {4, 3}, {5, 4}});
    EXPECT_EQ(picture(), inkAt({{2, 3}, {3, 3}, {4, 3}, {5, 4}}, 72, 14));
    EXPECT_EQ(form->picActual()->bitmap(), picture());
    EXPECT_EQ(form->lblX()->text(), "6");
    EXPECT_EQ(form->lblY()->text(), "5");
    EXPECT_TRUE(form->cmdUndo()->isEnabled());

    // The right button draws paper.
    stroke(view(), {{3, 3}, {4, 3}}, Qt::RightButton);
    EXPECT_EQ(picture(), inkAt({{2, 3}, {5, 4}}, 72, 14));

    // The view paints each ink pixel inside its cell, between grid lines.
    const QImage shot = view()->grab().toImage();
    EXPECT_EQ(shot.pixelColor(2 * 7 + 3, 3 * 7 + 3), editor::viewInkColour());
    EXPECT_EQ(shot.pixelColor(2 * 7 + 1, 3 * 7 + 6), editor::viewInkColour());
    EXPECT_EQ(shot.pixelColor(2 * 7, 3 * 7 + 3), editor::viewGridColour());
    EXPECT_EQ(shot.pixelColor(3 * 7 + 3, 3 * 7 + 3), editor::viewPaperColour());

    // A rectangle from the Box tool, then the button goes back to Undo.
    QTest::mouseClick(form->optTool(Tool::Box), Qt::LeftButton);
    stroke(view(), {{10, 2}, {12, 4}, {14, 6}});
    EXPECT_TRUE(picture().pixel(10, 2));
    EXPECT_TRUE(picture().pixel(14, 6));
    EXPECT_FALSE(picture().pixel(12, 4));
    QTest::mouseClick(form->cmdUndo(), Qt::LeftButton);
    EXPECT_FALSE(picture().pixel(10, 2));

    // The select tool: a marquee, then a pasted selection is dragged with
    // the size-all pointer.
    QTest::mouseClick(form->optTool(Tool::Select), Qt::LeftButton);
    EXPECT_TRUE(form->picPaste()->isVisible());
    EXPECT_TRUE(form->timer1()->isActive());
    form->model().paste(inkAt({{0, 0}, {1, 1}}, 2, 2));
    sendMouse(view(), QEvent::MouseMove, QPoint(v(1), v(0)), Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(view()->cursor().shape(), Qt::SizeAllCursor);
    stroke(view(), {{1, 1}, {20, 5}, {31, 11}});
    EXPECT_TRUE(picture().pixel(30, 10));
    EXPECT_TRUE(picture().pixel(31, 11));
    EXPECT_EQ(form->picActual()->bitmap(), picture());
}

TEST_F(Editor, TheKeysActWhereverTheFocusIs)
{
    open(4, inkAt({{0, 0}, {5, 5}}, 72, 28));
    activate();
    form->cmdSave()->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Left);
    EXPECT_EQ(picture(), inkAt({{71, 0}, {4, 5}}, 72, 28));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    EXPECT_EQ(picture(), inkAt({{71, 1}, {4, 6}}, 72, 28));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    EXPECT_EQ(picture(), inkAt({{0, 0}, {5, 5}}, 72, 28));

    // Delete with no marquee clears the top-left pixel.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Delete);
    EXPECT_EQ(picture(), inkAt({{5, 5}}, 72, 28));

    // Every button gives the focus back to the view.
    QTest::mouseClick(form->cmdInverse(), Qt::LeftButton);
    QTest::mouseClick(form->cmdInverse(), Qt::LeftButton);
    EXPECT_EQ(QApplication::focusWidget(), view());

    // Esc takes a pasted selection off and leaves the window open.
    form->model().paste(inkAt({{1, 1}}, 3, 3));
    EXPECT_TRUE(picture().pixel(1, 1));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_FALSE(picture().pixel(1, 1));
    EXPECT_TRUE(form->isVisible());
}

TEST_F(Editor, CopyCutAndPasteGoThroughTheClipboard)
{
    open(3, inkAt({{1, 1}, {2, 1}, {3, 2}}, 72, 14));
    QTest::mouseClick(form->optTool(Tool::Select), Qt::LeftButton);
    stroke(view(), {{1, 1}, {3, 2}});
    QTest::mouseClick(form->cmdCopy(), Qt::LeftButton);
    const QImage copied = QApplication::clipboard()->image();
    ASSERT_EQ(copied.size(), QSize(3, 2));
    EXPECT_EQ(copied.pixel(0, 0) & 0xFFFFFF, 0x000000u);
    EXPECT_EQ(copied.pixel(2, 1) & 0xFFFFFF, 0x000000u);
    EXPECT_EQ(copied.pixel(0, 1) & 0xFFFFFF, 0xE0FFEEu) << "paper as the paper colour";

    QTest::mouseClick(form->cmdCut(), Qt::LeftButton);
    EXPECT_EQ(picture().inkCount(), 0);

    // The clipboard picture is thresholded: black and dark red are ink;
    // white, light green and see-through pixels are paper.
    QImage image(4, 2, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    image.setPixel(0, 0, qRgb(0, 0, 0));
    image.setPixel(1, 0, qRgb(0x80, 0, 0));
    image.setPixel(2, 0, qRgb(0xFF, 0xFF, 0xFF));
    image.setPixel(3, 0, qRgb(0x40, 0xA0, 0x40));
    image.setPixel(0, 1, qRgba(0, 0, 0, 0));
    QApplication::clipboard()->setImage(image);
    QTest::mouseClick(form->cmdPaste(), Qt::LeftButton);
    EXPECT_TRUE(form->model().floating());
    EXPECT_TRUE(form->optTool(Tool::Select)->isChecked());
    EXPECT_EQ(form->model().clip(), inkAt({{0, 0}, {1, 0}}, 4, 2));
    EXPECT_EQ(picture(), inkAt({{0, 0}, {1, 0}}, 72, 14));

    // Text on the clipboard is no picture: nothing happens.
    form->model().escape();
    QApplication::clipboard()->setText("not a picture");
    QTest::mouseClick(form->cmdPaste(), Qt::LeftButton);
    EXPECT_FALSE(form->model().floating());
    EXPECT_EQ(picture().inkCount(), 0);

    // A huge picture is read from its top-left 1000 x 1000 only.
    QImage huge(3000, 1200, QImage::Format_RGB32);
    huge.fill(Qt::white);
    huge.setPixel(5, 5, qRgb(0, 0, 0));
    const MonoBitmap taken = editor::monoFromPastedImage(huge);
    EXPECT_EQ(taken.width(), 1000);
    EXPECT_EQ(taken.height(), 1000);
    EXPECT_EQ(taken.inkCount(), 1);
}

TEST_F(Editor, TheTextToolPlacesTheInkOfItsTextAsAFloatingSelection)
{
    QTest::mouseClick(form->optTool(Tool::Text), Qt::LeftButton);
    TextForm* text = form->textTool();
    ASSERT_NE(text, nullptr);
    EXPECT_TRUE(text->isVisible());
    EXPECT_TRUE(text->isModal());
    EXPECT_EQ(text->windowTitle(), "Enter Text ...");
    EXPECT_EQ(text->cmbFontSize()->count(), 31);
    EXPECT_EQ(text->cmbFontSize()->currentText(), "8");
    EXPECT_EQ(text->cmbFontSize()->itemText(30), "72");
    EXPECT_EQ(text->chosenFont().pixelSize(), 11);
    EXPECT_GT(text->cmbFonts()->count(), 0);
    EXPECT_EQ(text->rendered().width(), 72);
    EXPECT_EQ(text->rendered().height(), 14);
    EXPECT_TRUE(text->cmdOK()->isDefault());
    // The window's focus is in the text box: typing goes there and the
    // font stays.
    const QString face = text->cmbFonts()->currentText();
    ASSERT_EQ(text->focusWidget(), text->txtText());

    // Typing repaints the preview; blanks around the text are trimmed.
    QTest::keyClicks(text->focusWidget(), "  Hi  ");
    EXPECT_EQ(text->txtText()->text(), "  Hi  ");
    EXPECT_EQ(text->cmbFonts()->currentText(), face);
    const int plain = text->rendered().inkCount();
    EXPECT_GT(plain, 0);
    EXPECT_EQ(text->picText()->bitmap(), text->rendered());
    text->chkBold()->setChecked(true);
    EXPECT_GT(text->rendered().inkCount(), plain);
    text->chkBold()->setChecked(false);
    QTest::mouseClick(text->cmdOK(), Qt::LeftButton);
    EXPECT_EQ(text->txtText()->text(), "Hi");
    EXPECT_TRUE(form->model().floating());
    EXPECT_TRUE(form->optTool(Tool::Select)->isChecked());
    EXPECT_TRUE(form->picPaste()->isVisible());
    const MonoBitmap clip = form->model().clip();
    EXPECT_EQ(clip.inkCount(), plain);
    EXPECT_EQ(form->model().shape().width, clip.width() * editor::kZoom);
    // The box is tight: ink touches each of its sides.
    sms::PixelArea box;
    ASSERT_TRUE(sms::inkArea(clip, &box));
    EXPECT_EQ(box, (sms::PixelArea{0, 0, clip.width() - 1, clip.height() - 1}));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(form->textTool(), nullptr);

    // An "I" in a large size: the box is the stem, not the letter's cell.
    const MonoBitmap before = picture();
    form->chooseTool(Tool::Text);
    text = form->textTool();
    ASSERT_NE(text, nullptr);
    text->cmbFontSize()->setCurrentText("20");
    text->txtText()->setText("I");
    const QFont f = text->chosenFont();
    EXPECT_EQ(f.pixelSize(), 27);
    QTest::mouseClick(text->cmdOK(), Qt::LeftButton);
    EXPECT_LT(form->model().clip().width(), QFontMetrics(f).horizontalAdvance(QLatin1Char('I')));
    EXPECT_LT(form->model().clip().height(), QFontMetrics(f).height());

    // Blanks only, or Cancel: nothing is placed.
    form->model().escape();
    EXPECT_EQ(picture(), before);
    form->chooseTool(Tool::Text);
    text = form->textTool();
    ASSERT_NE(text, nullptr);
    text->txtText()->setText("   ");
    QTest::mouseClick(text->cmdOK(), Qt::LeftButton);
    EXPECT_FALSE(form->model().floating());
    EXPECT_EQ(picture(), before);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    // A click on the view with the text tool opens it again.
    sendMouse(view(), QEvent::MouseButtonPress, QPoint(v(4), v(4)), Qt::LeftButton, Qt::LeftButton);
    ASSERT_TRUE(testenv::waitUntil([&] { return form->textTool() != nullptr; }));
    form->textTool()->txtText()->setText("X");
    QTest::mouseClick(form->textTool()->cmdCancel(), Qt::LeftButton);
    EXPECT_EQ(picture(), before);
    EXPECT_FALSE(form->model().floating());
}

TEST(TextTool, SizesAreReadAsTheirLeadingNumberAndBadOnesKeepTheLastSize)
{
    EXPECT_EQ(TextForm::sizeValue("8"), 8);
    EXPECT_EQ(TextForm::sizeValue(" 1 2 "), 12);
    EXPECT_EQ(TextForm::sizeValue("10.5pt"), 10.5);
    EXPECT_EQ(TextForm::sizeValue("pt10"), 0);
    EXPECT_EQ(TextForm::sizeValue(""), 0);

    TextForm text(72, 28);
    text.cmbFontSize()->setCurrentText("24");
    EXPECT_EQ(text.chosenFont().pixelSize(), 32);
    text.cmbFontSize()->setCurrentText("abc");
    EXPECT_EQ(text.chosenFont().pixelSize(), 32);
    text.cmbFontSize()->setCurrentText("0");
    EXPECT_EQ(text.chosenFont().pixelSize(), 32);

    // Rendering keeps only exact ink: a black pen on paper without
    // smoothing leaves no in-between shades, so the ink equals the black
    // pixels of the same drawing.
    QFont f = text.chosenFont();
    const MonoBitmap r = TextForm::renderText("Wq@", f, 72, 28);
    QImage image(72, 28, QImage::Format_RGB32);
    image.fill(compose::paperColour());
    {
        QPainter p(&image);
        f.setStyleStrategy(QFont::NoAntialias);
        p.setFont(f);
        p.setPen(Qt::black);
        p.drawText(QRect(0, 0, 4000, 4000), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, "Wq@");
    }
    int black = 0, other = 0;
    for (int y = 0; y < 28; ++y)
        for (int x = 0; x < 72; ++x) {
            const QRgb c = image.pixel(x, y) & 0xFFFFFF;
            if (c == 0)
                ++black;
            else if (c != (compose::paperColour().rgb() & 0xFFFFFF))
                ++other;
        }
    EXPECT_GT(black, 20);
    EXPECT_EQ(other, 0) << "no grey pixels";
    EXPECT_EQ(r.inkCount(), black);
}

TEST_F(Editor, SaveWritesABitmapFileAndReportsWhatFails)
{
    open(3, inkAt({{0, 0}, {71, 13}, {10, 5}}, 72, 14));
    const QString dir = testenv::newDir("save");
    const QString path = dir + "/logo.bmp";

    saveAnswers = {QString()};
    form->save();
    EXPECT_EQ(testenv::prompt().count(), 0);

    saveAnswers = {path};
    form->save();
    EXPECT_EQ(testenv::prompt().count(), 0);
    const Bmp bmp = readBmp(path);
    ASSERT_EQ(bmp.width, 72);
    ASSERT_EQ(bmp.height, 14);
    EXPECT_TRUE(bmp.bitsPerPixel == 24 || bmp.bitsPerPixel == 32);
    for (int y = 0; y < 14; ++y)
        for (int x = 0; x < 72; ++x)
            ASSERT_EQ(bmp.at(x, y), picture().pixel(x, y) ? 0x000000u : 0xE0FFEEu) << x << "," << y;

    // An existing file: No keeps it, Yes replaces it.
    QTest::mouseClick(form->cmdInverse(), Qt::LeftButton);
    testenv::prompt().queue(UserPrompt::Answer::No);
    form->save();
    ASSERT_EQ(testenv::prompt().count(), 1);
    EXPECT_EQ(testenv::prompt().shown().last().title, "File Exists");
    EXPECT_EQ(testenv::prompt().shown().last().text, "Overwrite existing file?");
    EXPECT_EQ(readBmp(path).at(1, 0), 0xE0FFEEu);
    testenv::prompt().queue(UserPrompt::Answer::Yes);
    form->save();
    EXPECT_EQ(readBmp(path).at(1, 0), 0x000000u);

    // A file that cannot be written is reported.
    saveAnswers = {dir + "/no-such-folder/logo.bmp"};
    form->save();
    ASSERT_EQ(testenv::prompt().count(), 3);
    EXPECT_EQ(testenv::prompt().shown().last().title, "Error");
    EXPECT_EQ(testenv::prompt().shown().last().text, "Unable to save picture");
    EXPECT_EQ(testenv::prompt().shown().last().icon, UserPrompt::Icon::Critical);
}

TEST_F(Editor, ClearAllAsksFirstAndCannotBeUndone)
{
    open(3, inkAt({{4, 4}}, 72, 14));
    stroke(view(), {{6, 6}});
    testenv::prompt().queue(UserPrompt::Answer::No);
    QTest::mouseClick(form->cmdClear(), Qt::LeftButton);
    ASSERT_EQ(testenv::prompt().count(), 1);
    EXPECT_EQ(testenv::prompt().shown()[0].title, "Clear All");
    EXPECT_EQ(testenv::prompt().shown()[0].text, "Confirm clear picture?");
    // It cannot be undone: Enter answers No.
    EXPECT_EQ(testenv::prompt().shown()[0].buttons, UserPrompt::Buttons::YesNoDefaultNo);
    EXPECT_EQ(picture().inkCount(), 2);
    testenv::prompt().queue(UserPrompt::Answer::Yes);
    QTest::mouseClick(form->cmdClear(), Qt::LeftButton);
    EXPECT_EQ(picture().inkCount(), 0);
    EXPECT_FALSE(form->cmdUndo()->isEnabled());
}

TEST_F(Editor, OkHandsThePictureBackAndCancelDoesNot)
{
    open(4, {});
    stroke(view(), {{1, 1}, {2, 1}});
    QTest::mouseClick(form->cmdExit(), Qt::LeftButton);
    EXPECT_TRUE(handedBack.isEmpty());
    open(4, {});
    stroke(view(), {{1, 1}, {2, 1}});
    QTest::mouseClick(form->cmdOK(), Qt::LeftButton);
    ASSERT_EQ(handedBack.size(), 1);
    EXPECT_EQ(handedBack[0].first, 4);
    EXPECT_EQ(handedBack[0].second, inkAt({{1, 1}, {2, 1}}, 72, 28));
    EXPECT_FALSE(form->isVisible());

    // The keys of every dialog: Esc with nothing pasted cancels, Enter is OK.
    open(4, {});
    activate();
    stroke(view(), {{1, 1}, {2, 1}});
    ASSERT_NE(QApplication::focusWidget(), nullptr);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(form->result(), QDialog::Rejected);
    EXPECT_EQ(handedBack.size(), 1);
    open(4, {});
    activate();
    stroke(view(), {{3, 1}});
    form->cmdSave()->setFocus();
    QTest::keyClick(form->cmdSave(), Qt::Key_Return);
    ASSERT_EQ(handedBack.size(), 2);
    EXPECT_EQ(handedBack[1].second, inkAt({{3, 1}}, 72, 28));
    EXPECT_FALSE(form->isVisible());
}

// ------------------------------------------------------------ operator list

TEST(OperatorForm, OpensOnTheCurrentCodeAndOkStoresTheChosenOne)
{
    testenv::FreshDb fresh;
    testenv::prompt().reset();
    QString opCode = "26209";
    compose::OperatorForm dialog(fresh.db(), testenv::prompt(), opCode);
    EXPECT_EQ(dialog.objectName(), "frmOperator");
    EXPECT_EQ(dialog.windowTitle(), "Mobile Operators");
    EXPECT_EQ(dialog.cboCountry()->currentText(), "Germany");
    EXPECT_EQ(dialog.cboOperator()->currentText(), "1&1");
    EXPECT_EQ(dialog.txtOpCode()->text(), "26202") << "the first row of that operator";
    EXPECT_EQ(dialog.cboCountry()->accessibleName(), "Country");
    EXPECT_EQ(dialog.txtOpCode()->accessibleName(), "Operator Code");
    EXPECT_TRUE(dialog.cmdOK()->isDefault());
    EXPECT_EQ(dialog.cmdExit()->text(), "Exit");

    // Another country: its first operator, that operator's code.
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    const int albania = dialog.cboCountry()->findText("Albania");
    ASSERT_GE(albania, 0);
    dialog.cboCountry()->setCurrentIndex(albania);
    emit dialog.cboCountry()->activated(albania);
    EXPECT_EQ(dialog.cboOperator()->currentText(), "Albania Mobile Communications (AMC)");
    EXPECT_EQ(dialog.txtOpCode()->text(), "27601");
    dialog.cboOperator()->setCurrentIndex(1);
    emit dialog.cboOperator()->activated(1);
    EXPECT_EQ(dialog.txtOpCode()->text(), "27602");

    // A blank code is refused; a typed one is taken as it stands.
    dialog.txtOpCode()->setText("   ");
    QTest::mouseClick(dialog.cmdOK(), Qt::LeftButton);
    ASSERT_EQ(testenv::prompt().count(), 1);
    EXPECT_EQ(testenv::prompt().shown()[0].title, "Warning");
    EXPECT_EQ(testenv::prompt().shown()[0].text, "Operator code cannot be blank");
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(opCode, "26209");
    dialog.txtOpCode()->setText(" 12345 ");
    QTest::mouseClick(dialog.cmdOK(), Qt::LeftButton);
    EXPECT_EQ(opCode, "12345");
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST(OperatorForm, AnUnknownCodeShowsTheFirstEntriesAndExitKeepsIt)
{
    testenv::FreshDb fresh;
    testenv::prompt().reset();
    QString opCode = "00000";
    compose::OperatorForm dialog(fresh.db(), testenv::prompt(), opCode);
    EXPECT_EQ(dialog.cboCountry()->currentIndex(), 0);
    EXPECT_EQ(dialog.cboCountry()->currentText(), "Afghanistan");
    EXPECT_EQ(dialog.txtOpCode()->text(), "41201");
    dialog.show();
    QTest::mouseClick(dialog.cmdExit(), Qt::LeftButton);
    EXPECT_EQ(opCode, "00000");

    // An empty table: empty lists, and OK warns.
    ASSERT_TRUE(fresh.db().exec("DELETE FROM tboperators"));
    compose::OperatorForm empty(fresh.db(), testenv::prompt(), opCode);
    EXPECT_EQ(empty.cboCountry()->count(), 0);
    EXPECT_EQ(empty.cboOperator()->count(), 0);
    EXPECT_TRUE(empty.txtOpCode()->text().isEmpty());
    empty.confirm();
    EXPECT_TRUE(testenv::prompt().sawText("Operator code cannot be blank"));
    EXPECT_EQ(opCode, "00000");
}

// ----------------------------------------------------------------- wiring

namespace {

struct Wired : ::testing::Test {
    testenv::FreshDb fresh;
    std::unique_ptr<AppController> app;

    void SetUp() override
    {
        testenv::prompt().reset();
        app = std::make_unique<AppController>(fresh.db(), nullptr, testenv::prompt(), testenv::windows());
        app->load(false);
        app->scheduler().stop();
    }
    void TearDown() override
    {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == "frmSendSMS" || w->objectName() == "frmPaint")
                delete w;
        app->release();
    }
    SendForm* newForm()
    {
        SendFormOpener* opener = SendFormOpener::of(*app->window());
        return opener ? opener->newMessage() : nullptr;
    }
    PaintForm* openEditor()
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        PaintForm* found = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* p = qobject_cast<PaintForm*>(w); p && p->isVisible())
                found = found ? nullptr : p; // exactly one
        return found;
    }
};

} // namespace

TEST_F(Wired, TheSendFormsEditButtonsOpenTheEditorOnItsBitmapAndOkHandsItBack)
{
    SendForm* form = newForm();
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(form->cmdLogoEdit()->isEnabled());
    EXPECT_TRUE(form->cmdOperatorCodes()->isEnabled());
    form->chooseKind(compose::KindLogo);
    QTest::mouseClick(form->cmdLogoEdit(), Qt::LeftButton);
    PaintForm* editor = openEditor();
    ASSERT_NE(editor, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowActive(editor));
    EXPECT_EQ(editor->parentWidget(), app->window());
    EXPECT_FALSE(editor->isModal());
    EXPECT_EQ(editor->model().picType(), 3);
    EXPECT_EQ(editor->model().height(), 14);
    stroke(editor->picView(), {{3, 3}});
    EXPECT_FALSE(form->logoLoaded());
    QTest::mouseClick(editor->cmdOK(), Qt::LeftButton);
    EXPECT_EQ(form->logoBitmap(), inkAt({{3, 3}}, 72, 14));
    EXPECT_TRUE(form->logoLoaded());
    // The keyboard is back in the send form, not in the main window.
    EXPECT_TRUE(testenv::waitUntil([&] { return QApplication::activeWindow() == form; }, 20000));

    // Opened again, the editor starts from the form's logo.
    QTest::mouseClick(form->cmdLogoEdit(), Qt::LeftButton);
    editor = openEditor();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->model().picture(), inkAt({{3, 3}}, 72, 14));
    QTest::mouseClick(editor->cmdExit(), Qt::LeftButton);

    // The picture; opening again replaces an open editor; Cancel hands
    // nothing back.
    form->chooseKind(compose::KindPicture);
    QTest::mouseClick(form->cmdPictureEdit(), Qt::LeftButton);
    QTest::mouseClick(form->cmdPictureEdit(), Qt::LeftButton);
    editor = openEditor();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->model().height(), 28);
    stroke(editor->picView(), {{70, 27}});
    QTest::mouseClick(editor->cmdExit(), Qt::LeftButton);
    EXPECT_FALSE(form->pictureLoaded());
    EXPECT_EQ(form->pictureBitmap().inkCount(), 0);
    EXPECT_EQ(form->logoBitmap(), inkAt({{3, 3}}, 72, 14));
}

TEST_F(Wired, AnEditorWhoseSendFormClosedHandsNothingBack)
{
    SendForm* form = newForm();
    ASSERT_NE(form, nullptr);
    form->chooseKind(compose::KindPicture);
    QTest::mouseClick(form->cmdPictureEdit(), Qt::LeftButton);
    PaintForm* editor = openEditor();
    ASSERT_NE(editor, nullptr);
    QPointer<SendForm> gone(form);
    form->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    delete gone.data();
    ASSERT_TRUE(gone.isNull());
    stroke(editor->picView(), {{1, 1}});
    QTest::mouseClick(editor->cmdOK(), Qt::LeftButton);
    EXPECT_FALSE(editor->isVisible());
}

TEST_F(Wired, ViewListOpensTheOperatorListAndItsChoiceFillsTheCode)
{
    SendForm* form = newForm();
    ASSERT_NE(form, nullptr);
    form->chooseKind(compose::KindLogo);
    bool seen = false;
    testenv::windows().setModalRunner([&](QDialog& d) {
        auto* dialog = qobject_cast<compose::OperatorForm*>(&d);
        if (!dialog)
            return d.result();
        seen = true;
        dialog->show();
        dialog->txtOpCode()->setText("23415");
        QTest::mouseClick(dialog->cmdOK(), Qt::LeftButton);
        return d.result();
    });
    QTest::mouseClick(form->cmdOperatorCodes(), Qt::LeftButton);
    EXPECT_TRUE(seen);
    EXPECT_EQ(app->state().sOpCode, "23415");
    EXPECT_EQ(form->txtOperatorCode()->text(), "23415");
}
