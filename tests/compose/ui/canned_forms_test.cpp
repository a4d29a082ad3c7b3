// The canned-message dialogs, the merge-field dialog and the canned list
// of a send form, offscreen. Modal dialogs are answered by runners that
// press their buttons; no nested event loop runs.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTextCursor>
#include <QVBoxLayout>

#include "base/Database.h"
#include "compose/ui/CannedForms.h"
#include "compose/ui/InsertFieldDialog.h"
#include "support/ScriptedWindowServices.h"
#include "support/TestEnv.h"

namespace {

ScriptedPrompt& prompt() { return testenv::prompt(); }

QStringList boxes()
{
    QStringList out;
    for (const auto& s : prompt().shown())
        out << s.title + ": " + s.text;
    return out;
}

QStringList items(QComboBox* c)
{
    QStringList out;
    for (int i = 0; i < c->count(); ++i)
        out << c->itemText(i);
    return out;
}

void select(QPlainTextEdit* box, int from, int to)
{
    QTextCursor c = box->textCursor();
    c.setPosition(from);
    c.setPosition(to, QTextCursor::KeepAnchor);
    box->setTextCursor(c);
}

// A runner for the field dialog that picks an option and presses Insert,
// or presses Cancel when option is negative.
std::function<int(QDialog&)> fieldRunner(int option, int* runs = nullptr)
{
    return [option, runs](QDialog& d) {
        if (runs)
            ++*runs;
        auto* f = qobject_cast<InsertFieldDialog*>(&d);
        EXPECT_NE(f, nullptr);
        if (option < 0) {
            f->cmdCancel->click();
        } else {
            f->optField[size_t(option)]->click();
            f->cmdInsert->click();
        }
        return d.result();
    };
}

// The window services with the field dialog answered by fieldRunner.
WindowServices& fields(int option)
{
    testenv::windows().setModalRunner(fieldRunner(option));
    return testenv::windows();
}

struct CannedUi : ::testing::Test {
    testenv::FreshDb fresh;
    Database& db = fresh.db();

    void SetUp() override { prompt().reset(); }
    int rows() { return db.query("SELECT COUNT(*) FROM tbcannedmsg").value(0, 0).toInt(); }
    QString stored(const QString& title)
    {
        const Recordset rs = db.query("SELECT canmsg FROM tbcannedmsg WHERE canttl=?", {title});
        return rs.isEmpty() ? QStringLiteral("<none>") : rs.value(0, 0).toString();
    }
    void seed(const QString& title, const QString& text)
    {
        ASSERT_TRUE(db.exec("INSERT INTO tbcannedmsg (canttl, canmsg) VALUES (?,?)", {title, text}));
    }
};

// A stand-in for the send form's canned controls.
struct Host {
    QWidget form;
    QComboBox* list = new QComboBox(&form);
    QPushButton* cmdNew = new QPushButton("New", &form);
    QPushButton* cmdEdit = new QPushButton("Edit", &form);
    QPushButton* cmdDelete = new QPushButton("Delete", &form);
    QPlainTextEdit* txtMessage = new QPlainTextEdit(&form);
    CannedListControls controls() { return {list, cmdNew, cmdEdit, cmdDelete, txtMessage}; }
};

} // namespace

// ------------------------------------------------------------ field dialog

TEST(InsertField, OptionsCodesAndDefault)
{
    InsertFieldDialog d;
    EXPECT_EQ(d.objectName(), "frmInsertField");
    EXPECT_EQ(d.windowTitle(), "Insert Address Field");
    QStringList captions;
    for (QRadioButton* o : d.optField)
        captions << o->text();
    EXPECT_EQ(captions, QStringList({"{sa} Salutation", "{fn} First Name", "{ln} Last Name", "{mn} Mobile Phone Number",
                                     "{co} Company Name", "{f1} Custom Field 1", "{f2} Custom Field 2",
                                     "{f3} Custom Field 3"}));
    EXPECT_TRUE(d.optField[1]->isChecked());
    EXPECT_EQ(d.code(), "{fn}");
    EXPECT_TRUE(d.cmdInsert->isDefault());

    d.optField[7]->click();
    EXPECT_EQ(d.code(), "{f3}");
    d.optField[0]->click();
    EXPECT_EQ(d.code(), "{sa}");
    // Checked without a click (a screen reader's toggle): chosen as well.
    d.optField[4]->setChecked(true);
    EXPECT_EQ(d.code(), "{co}");

    // The window is wide enough for its whole title in a bold title bar
    // beside the icon and three buttons.
    QFont bold = QApplication::font();
    bold.setBold(true);
    d.show();
    EXPECT_GT(d.width(), QFontMetrics(bold).horizontalAdvance(d.windowTitle()) + 120);
}

TEST(InsertField, InsertReplacesTheSelectionOrGoesInAtTheCaret)
{
    QPlainTextEdit box;
    box.setPlainText("Dear NAME, hello");
    select(&box, 5, 9);
    EXPECT_TRUE(insertMergeField(nullptr, &box, fields(1)));
    EXPECT_EQ(box.toPlainText(), "Dear {fn}, hello");

    QTextCursor c = box.textCursor();
    c.setPosition(0);
    box.setTextCursor(c);
    EXPECT_TRUE(insertMergeField(nullptr, &box, fields(0)));
    EXPECT_EQ(box.toPlainText(), "{sa}Dear {fn}, hello");

    // Cancel leaves the text and its selection alone.
    select(&box, 0, 4);
    EXPECT_FALSE(insertMergeField(nullptr, &box, fields(-1)));
    EXPECT_EQ(box.toPlainText(), "{sa}Dear {fn}, hello");
    EXPECT_EQ(box.textCursor().selectedText(), "{sa}");

    QLineEdit line;
    line.setText("to COMPANY");
    line.setSelection(3, 7);
    EXPECT_TRUE(insertMergeField(nullptr, &line, fields(4)));
    EXPECT_EQ(line.text(), "to {co}");

    EXPECT_EQ(pickMergeField(nullptr, fields(6)), std::optional<QString>("{f2}"));
    EXPECT_EQ(pickMergeField(nullptr, fields(-1)), std::nullopt);
}

// ----------------------------------------------------------- add and edit

TEST_F(CannedUi, AddDialogRefusesThenSaves)
{
    seed("Home", "On my way home");
    CannedMessageDialog d(CannedMessageDialog::Mode::Add, db, prompt(), testenv::windows());
    d.show();
    EXPECT_EQ(d.objectName(), "frmCannedAdd");
    EXPECT_EQ(d.windowTitle(), "New Canned Message");
    EXPECT_EQ(d.cmdInsertField->objectName(), "cmdInsertField");
    EXPECT_EQ(d.txtTitle->maxLength(), 50);
    EXPECT_EQ(d.lblCount->text(), " 0 of 160 Characters");
    EXPECT_TRUE(d.cmdSave->isDefault());

    d.cmdSave->click();
    EXPECT_EQ(boxes(), QStringList({"Warning: Message Title cannot be blank"}));
    EXPECT_EQ(d.focusWidget(), d.txtTitle);

    prompt().reset();
    d.txtTitle->setText("  home ");
    d.txtMessage->setPlainText("text");
    d.cmdSave->click();
    EXPECT_EQ(boxes(), QStringList({"Warning: This Message Title already exists"}));
    EXPECT_EQ(d.txtTitle->text(), "home") << "the title is shown trimmed";
    EXPECT_EQ(d.focusWidget(), d.txtTitle);

    prompt().reset();
    d.txtTitle->setText("Meeting");
    d.txtMessage->setPlainText("   ");
    d.cmdSave->click();
    EXPECT_EQ(boxes(), QStringList({"Warning: Message Text cannot be blank"}));
    EXPECT_EQ(d.focusWidget(), d.txtMessage);
    EXPECT_EQ(rows(), 1);
    EXPECT_TRUE(d.isVisible());

    prompt().reset();
    d.txtMessage->setPlainText("  See you at {co}'s office  ");
    d.cmdSave->click();
    EXPECT_TRUE(boxes().isEmpty());
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(d.savedText(), "See you at {co}'s office");
    EXPECT_EQ(stored("Meeting"), "See you at {co}'s office");
}

TEST_F(CannedUi, MessageBoxHoldsOneLineOfAtMost160Characters)
{
    CannedMessageDialog d(CannedMessageDialog::Mode::Add, db, prompt(), testenv::windows());
    d.show();
    d.txtMessage->setFocus();
    QTest::keyClicks(d.txtMessage, "Hi");
    QTest::keyClick(d.txtMessage, Qt::Key_Return);
    QTest::keyClick(d.txtMessage, Qt::Key_Enter);
    QTest::keyClicks(d.txtMessage, "!");
    EXPECT_EQ(d.txtMessage->toPlainText(), "Hi!") << "Enter is swallowed";
    EXPECT_EQ(d.lblCount->text(), " 3 of 160 Characters");
    EXPECT_TRUE(d.isVisible()) << "nor does Enter save";
    EXPECT_EQ(rows(), 0);

    // A paste that does not fit goes in as far as it fits, where it was put.
    QTextCursor c = d.txtMessage->textCursor();
    c.setPosition(2);
    d.txtMessage->setTextCursor(c);
    d.txtMessage->insertPlainText(QString(200, 'x'));
    EXPECT_EQ(d.txtMessage->toPlainText(), "Hi" + QString(157, 'x') + "!");
    EXPECT_EQ(d.lblCount->text(), " 160 of 160 Characters");
    QTest::keyClicks(d.txtMessage, "yz");
    EXPECT_EQ(d.txtMessage->toPlainText().size(), 160);
    EXPECT_TRUE(d.txtMessage->toPlainText().endsWith("x!"));

    // A field code at the caret of a full box is cut the same way.
    d.txtMessage->setPlainText(QString(158, 'a'));
    d.txtMessage->moveCursor(QTextCursor::End);
    testenv::windows().setModalRunner(fieldRunner(2));
    d.cmdInsertField->click();
    EXPECT_EQ(d.txtMessage->toPlainText(), QString(158, 'a') + "{l");
}

TEST_F(CannedUi, FieldButtonOfTheAddDialogInsertsAtTheCaret)
{
    CannedMessageDialog d(CannedMessageDialog::Mode::Add, db, prompt(), testenv::windows());
    d.show();
    d.txtMessage->setPlainText("Hello , bye");
    QTextCursor c = d.txtMessage->textCursor();
    c.setPosition(6);
    d.txtMessage->setTextCursor(c);
    int runs = 0;
    testenv::windows().setModalRunner(fieldRunner(1, &runs));
    d.cmdInsertField->click();
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(d.txtMessage->toPlainText(), "Hello {fn}, bye");
    EXPECT_EQ(d.lblCount->text(), " 15 of 160 Characters");
    EXPECT_EQ(d.focusWidget(), d.txtMessage);
}

TEST_F(CannedUi, EditDialogChangesTheTextOfItsTitleOnly)
{
    seed("Bob's", "old text");
    seed("Other", "other text");
    CannedMessageDialog d(CannedMessageDialog::Mode::Edit, db, prompt(), testenv::windows(), "Bob's");
    d.show();
    EXPECT_EQ(d.objectName(), "frmCannedEdit");
    EXPECT_EQ(d.windowTitle(), "Edit Canned Message");
    EXPECT_EQ(d.cmdInsertField->objectName(), "Command1");
    EXPECT_EQ(d.cmdSave->objectName(), "cmdUpdate");
    EXPECT_EQ(d.txtTitle->text(), "Bob's");
    EXPECT_TRUE(d.txtTitle->isReadOnly());
    EXPECT_EQ(d.txtMessage->toPlainText(), "old text");
    EXPECT_EQ(d.lblCount->text(), " 8 of 160 Characters");

    d.txtMessage->setPlainText("  ");
    d.cmdSave->click();
    EXPECT_EQ(boxes(), QStringList({"Warning: Message cannot be blank"}));
    EXPECT_EQ(d.focusWidget(), d.txtMessage);
    EXPECT_EQ(stored("Bob's"), "old text");

    prompt().reset();
    d.txtMessage->setPlainText(" new text ");
    d.cmdSave->click();
    EXPECT_TRUE(boxes().isEmpty());
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(d.savedText(), "new text");
    EXPECT_EQ(stored("Bob's"), "new text");
    EXPECT_EQ(stored("Other"), "other text");
}

TEST_F(CannedUi, DatabaseFailuresKeepTheDialogsOpen)
{
    seed("Kept", "text");
    ASSERT_TRUE(db.exec("ALTER TABLE tbcannedmsg RENAME TO tbcannedgone"));

    CannedMessageDialog edit(CannedMessageDialog::Mode::Edit, db, prompt(), testenv::windows(), "Kept");
    EXPECT_EQ(boxes(), QStringList({"Error: Unable to retrieve Canned Message\n"
                                    "Check Message Queue for successful records."}));
    EXPECT_TRUE(edit.txtMessage->toPlainText().isEmpty());
    edit.show();
    prompt().reset();
    edit.txtMessage->setPlainText("changed");
    edit.cmdSave->click();
    EXPECT_EQ(boxes(), QStringList({"Error: Unable to retrieve Canned Message\n"
                                    "Check Message Queue for successful records."}));
    EXPECT_TRUE(edit.isVisible());
    EXPECT_NE(edit.result(), QDialog::Accepted);

    prompt().reset();
    CannedMessageDialog add(CannedMessageDialog::Mode::Add, db, prompt(), testenv::windows());
    add.show();
    add.txtTitle->setText("New");
    add.txtMessage->setPlainText("text");
    add.cmdSave->click();
    EXPECT_EQ(boxes(), QStringList({"Error: Unable to add Canned Message\n"
                                    "Check Message Queue for successful records."}));
    EXPECT_TRUE(add.isVisible());
    EXPECT_EQ(prompt().shown().first().icon, UserPrompt::Icon::Critical);
}

// ------------------------------------------------------------- canned list

TEST_F(CannedUi, ListShowsTheTitlesAndAChoiceFillsTheMessage)
{
    seed("b title", "second text");
    seed("A title", "first text");
    Host h;
    h.form.show();
    CannedList* list = installCannedList(h.controls(), db, prompt(), testenv::windows());
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(items(h.list), QStringList({"Select Canned Message", "A title", "b title"}));
    EXPECT_EQ(h.list->currentIndex(), 0);

    h.txtMessage->setPlainText("typed");
    h.list->setFocus();
    QTest::keyClick(h.list, Qt::Key_Down);
    EXPECT_EQ(h.list->currentIndex(), 1);
    EXPECT_EQ(h.txtMessage->toPlainText(), "first text");
    QTest::keyClick(h.list, Qt::Key_Down);
    EXPECT_EQ(h.txtMessage->toPlainText(), "second text");

    // Entry 0 changes nothing; a title deleted meanwhile gives an empty text.
    h.txtMessage->setPlainText("typed");
    list->choose(0);
    EXPECT_EQ(h.txtMessage->toPlainText(), "typed");
    ASSERT_TRUE(db.exec("DELETE FROM tbcannedmsg WHERE canttl='A title'"));
    list->choose(1);
    EXPECT_EQ(h.txtMessage->toPlainText(), "");
    EXPECT_TRUE(boxes().isEmpty());
}

TEST_F(CannedUi, NewPutsTheSavedTextIntoTheMessageAndRefillsTheList)
{
    seed("Zed", "z");
    Host h;
    installCannedList(h.controls(), db, prompt(), testenv::windows());
    auto* list = h.form.findChild<CannedList*>("CannedList");
    ASSERT_NE(list, nullptr);
    h.list->setCurrentIndex(1);

    QString shownTitle;
    testenv::windows().setModalRunner([&](QDialog& d) {
        auto* c = qobject_cast<CannedMessageDialog*>(&d);
        EXPECT_NE(c, nullptr);
        shownTitle = d.windowTitle();
        c->txtTitle->setText("It's new");
        c->txtMessage->setPlainText("Call me on {mn}");
        c->cmdSave->click();
        return d.result();
    });
    h.cmdNew->click();
    EXPECT_EQ(shownTitle, "New Canned Message");
    EXPECT_EQ(h.txtMessage->toPlainText(), "Call me on {mn}");
    EXPECT_EQ(items(h.list), QStringList({"Select Canned Message", "It's new", "Zed"}));
    EXPECT_EQ(h.list->currentIndex(), 0) << "the list is back at its first entry";

    // Cancel: the list is refilled, the message kept.
    seed("Added elsewhere", "x");
    testenv::windows().setModalRunner([](QDialog& d) {
        qobject_cast<CannedMessageDialog*>(&d)->cmdCancel->click();
        return d.result();
    });
    h.cmdNew->click();
    EXPECT_EQ(h.txtMessage->toPlainText(), "Call me on {mn}");
    EXPECT_EQ(items(h.list).size(), 4);
}

TEST_F(CannedUi, EditOpensOnlyForAChosenTitle)
{
    seed("Greeting", "Hello {fn}");
    Host h;
    CannedList* list = installCannedList(h.controls(), db, prompt(), testenv::windows());
    int runs = 0;
    testenv::windows().setModalRunner([&](QDialog& d) {
        ++runs;
        auto* c = qobject_cast<CannedMessageDialog*>(&d);
        EXPECT_EQ(c->txtTitle->text(), "Greeting");
        EXPECT_EQ(c->txtMessage->toPlainText(), "Hello {fn}");
        c->txtMessage->setPlainText("Hi {fn}");
        c->cmdSave->click();
        return d.result();
    });
    h.cmdEdit->click();
    EXPECT_EQ(runs, 0) << "nothing chosen";
    // Nothing chosen is said, not passed over.
    ASSERT_EQ(prompt().count(), 1);
    EXPECT_EQ(prompt().shown()[0].title, "Warning");
    EXPECT_EQ(prompt().shown()[0].text, "Please select Canned Message");

    h.list->setCurrentIndex(1);
    h.cmdEdit->click();
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(h.txtMessage->toPlainText(), "Hi {fn}");
    EXPECT_EQ(stored("Greeting"), "Hi {fn}");
    EXPECT_EQ(h.list->currentIndex(), 1) << "an edit does not refill the list";
}

TEST_F(CannedUi, DeleteAsksFirstAndRemovesTheEntry)
{
    seed("One", "1");
    seed("Two", "2");
    Host h;
    installCannedList(h.controls(), db, prompt(), testenv::windows());

    h.cmdDelete->click();
    EXPECT_EQ(prompt().count(), 0) << "nothing chosen: no question";

    h.list->setCurrentIndex(2);
    prompt().queue(UserPrompt::Answer::No);
    h.cmdDelete->click();
    EXPECT_EQ(boxes(), QStringList({"Confirm: Confirm delete selected canned message?"}));
    EXPECT_EQ(prompt().shown().first().buttons, UserPrompt::Buttons::YesNoDefaultNo);
    EXPECT_EQ(rows(), 2);
    EXPECT_EQ(h.list->count(), 3);

    prompt().reset();
    prompt().queue(UserPrompt::Answer::Yes);
    h.cmdDelete->click();
    EXPECT_EQ(rows(), 1);
    EXPECT_EQ(stored("Two"), "<none>");
    EXPECT_EQ(items(h.list), QStringList({"Select Canned Message", "One"}));
    EXPECT_EQ(h.list->currentIndex(), 0);

    // A failed delete keeps the entry.
    ASSERT_TRUE(db.exec("ALTER TABLE tbcannedmsg RENAME TO tbcannedgone"));
    h.list->setCurrentIndex(1);
    prompt().reset();
    h.cmdDelete->click();
    EXPECT_EQ(boxes(), QStringList({"Confirm: Confirm delete selected canned message?",
                                    "Error: Unable to delete Canned Message"}));
    EXPECT_EQ(items(h.list), QStringList({"Select Canned Message", "One"}));
    EXPECT_EQ(h.list->currentIndex(), 1);
}

TEST_F(CannedUi, AListThatCannotBeReadIsReported)
{
    ASSERT_TRUE(db.exec("ALTER TABLE tbcannedmsg RENAME TO tbcannedgone"));
    Host h;
    h.txtMessage->setPlainText("typed");
    CannedList* list = installCannedList(h.controls(), db, prompt(), testenv::windows());
    EXPECT_EQ(items(h.list), QStringList({"Select Canned Message"}));
    EXPECT_EQ(prompt().count(), 1);
    EXPECT_EQ(prompt().shown().first().title, "Error");

    // A choice that cannot be read keeps the message as it was.
    h.list->addItem("Phantom");
    prompt().reset();
    list->choose(1);
    EXPECT_EQ(h.txtMessage->toPlainText(), "typed");
    EXPECT_EQ(prompt().count(), 1);
}
