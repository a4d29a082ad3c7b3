// The text-box helper: selection on focus in, blanks trimmed on focus out,
// driven by Tab in a shown window.
#include <QApplication>
#include <QFocusEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include "controls/TrimTextBox.h"
#include "base/TextUtil.h"

TEST(TrimBlanks, RemovesOnlySpacesAtBothEnds)
{
    EXPECT_EQ(trimBlanks("  Jane Doe  "), "Jane Doe");
    EXPECT_EQ(trimBlanks(" \tJane\n "), "\tJane\n");
    EXPECT_EQ(trimBlanks("a  b"), "a  b");
    EXPECT_EQ(trimBlanks("    "), "");
    EXPECT_EQ(trimBlanks(""), "");
}

namespace {

class TrimTextBoxTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        auto* layout = new QVBoxLayout(&window);
        first = new QLineEdit;
        name = new QLineEdit;
        notes = new QPlainTextEdit;
        notes->setTabChangesFocus(true);
        last = new QLineEdit;
        for (QWidget* w : {static_cast<QWidget*>(first), static_cast<QWidget*>(name),
                           static_cast<QWidget*>(notes), static_cast<QWidget*>(last)})
            layout->addWidget(w);
        ASSERT_TRUE(nameTrim.setTextBox(name));
        ASSERT_TRUE(notesTrim.setTextBox(notes));
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        first->setFocus();
        ASSERT_TRUE(first->hasFocus());
    }

    void tab() { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab); }

    QWidget window;
    QLineEdit* first = nullptr;
    QLineEdit* name = nullptr;
    QPlainTextEdit* notes = nullptr;
    QLineEdit* last = nullptr;
    TrimTextBox nameTrim;
    TrimTextBox notesTrim;
};

} // namespace

TEST_F(TrimTextBoxTest, TabbingInSelectsAndTabbingOutTrims)
{
    name->setText("  Jane Doe  ");
    notes->setPlainText("  \tfirst line\nsecond\t  ");
    tab();
    ASSERT_TRUE(name->hasFocus());
    EXPECT_EQ(name->selectedText(), "  Jane Doe  ");
    tab();
    ASSERT_TRUE(notes->hasFocus());
    EXPECT_EQ(name->text(), "Jane Doe");
    EXPECT_EQ(notes->textCursor().selectionStart(), 0);
    EXPECT_EQ(notes->textCursor().selectionEnd(), notes->toPlainText().size());
    tab();
    ASSERT_TRUE(last->hasFocus());
    EXPECT_EQ(notes->toPlainText(), "\tfirst line\nsecond\t");
    // The trim is one edit that can be undone.
    notes->undo();
    EXPECT_EQ(notes->toPlainText(), "  \tfirst line\nsecond\t  ");
}

TEST_F(TrimTextBoxTest, SelectsAtMostTheFirstThousandCharacters)
{
    name->setText(QString(1500, 'x'));
    notes->setPlainText(QString(1200, 'y'));
    tab();
    ASSERT_TRUE(name->hasFocus());
    EXPECT_EQ(name->selectionStart(), 0);
    EXPECT_EQ(name->selectedText().size(), 1000);
    tab();
    EXPECT_EQ(notes->textCursor().selectedText().size(), 1000);
    EXPECT_EQ(notes->textCursor().selectionStart(), 0);
}

TEST_F(TrimTextBoxTest, EmptyStaysEmpty)
{
    tab();
    ASSERT_TRUE(name->hasFocus());
    EXPECT_FALSE(name->hasSelectedText());
    tab();
    tab();
    EXPECT_EQ(name->text(), "");
    EXPECT_EQ(notes->toPlainText(), "");
}

TEST_F(TrimTextBoxTest, WindowSwitchesAndPopupsAreNotFocusChanges)
{
    name->setText(" a ");
    for (Qt::FocusReason reason : {Qt::ActiveWindowFocusReason, Qt::PopupFocusReason}) {
        QFocusEvent out(QEvent::FocusOut, reason);
        QApplication::sendEvent(name, &out);
        EXPECT_EQ(name->text(), " a ");
    }
    QFocusEvent out(QEvent::FocusOut, Qt::MouseFocusReason);
    QApplication::sendEvent(name, &out);
    EXPECT_EQ(name->text(), "a");
}

TEST_F(TrimTextBoxTest, ServesOnlyTheBoxAssignedLast)
{
    EXPECT_FALSE(nameTrim.setTextBox(new QPushButton(&window)));
    EXPECT_EQ(nameTrim.textBox(), nullptr);
    ASSERT_TRUE(nameTrim.setTextBox(last));
    name->setText(" kept ");
    last->setText(" trimmed ");
    tab();
    tab();
    tab();
    ASSERT_TRUE(last->hasFocus());
    EXPECT_EQ(last->selectedText(), " trimmed ");
    EXPECT_EQ(name->text(), " kept ");
    first->setFocus();
    EXPECT_EQ(last->text(), "trimmed");

    // A box that goes away leaves the helper serving none.
    delete last;
    EXPECT_EQ(nameTrim.textBox(), nullptr);
}
