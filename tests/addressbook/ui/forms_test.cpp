// The entry forms, the group picker, the new-group dialog and the send
// form's recipient pickers, offscreen. Modal dialogs are run by a runner
// that fills them in, so no test waits on one.
#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include "remote/QtPrint.h"

#include "addressbook/ui/AddressDialog.h"
#include "addressbook/ui/CheckListDialog.h"
#include "addressbook/ui/GroupAddDialog.h"
#include "addressbook/ui/RecipientPickers.h"
#include "base/Database.h"
#include "mainwindow/Seed.h"
#include "support/ScriptedWindowServices.h"
#include "support/TestEnv.h"

namespace {

int count(Database& db, const QString& sql, const QVariantList& binds = {})
{
    return db.query(sql, binds).value(0, 0).toInt();
}

QString typed(QWidget* w)
{
    if (auto* l = qobject_cast<QLineEdit*>(w))
        return l->text();
    return qobject_cast<QPlainTextEdit*>(w)->toPlainText();
}

// Every control a user can reach has a name that a screen reader reads.
void expectAccessibleNames(QWidget* form)
{
    for (QWidget* w : form->findChildren<QWidget*>()) {
        if (w->focusPolicy() == Qt::NoFocus || qobject_cast<QLabel*>(w) || w->objectName().startsWith("qt_"))
            continue;
        if (!qobject_cast<QAbstractButton*>(w) && !qobject_cast<QLineEdit*>(w) && !qobject_cast<QPlainTextEdit*>(w) &&
            !qobject_cast<QAbstractItemView*>(w) && !qobject_cast<QTabWidget*>(w))
            continue;
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
        ASSERT_NE(a, nullptr);
        EXPECT_FALSE(a->text(QAccessible::Name).trimmed().isEmpty()) << w->objectName().toStdString();
    }
}

// The object names of the widgets Tab visits from start, until it comes
// back to start or leaves the dialog.
QStringList tabWalk(QWidget* dialog, QWidget* start, int max = 40)
{
    dialog->show();
    dialog->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(dialog));
    start->setFocus(Qt::TabFocusReason);
    QStringList out;
    for (int i = 0; i < max; ++i) {
        QWidget* f = QApplication::focusWidget();
        if (!f)
            break;
        out << f->objectName();
        QTest::keyClick(f, Qt::Key_Tab);
        if (QApplication::focusWidget() == start)
            break;
    }
    return out;
}

class FormsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        testenv::prompt().reset();
        testenv::windows().reset();
    }
    void TearDown() override { testenv::windows().reset(); }

    // Runs the next modal dialog with fill, which must close it.
    void onModal(std::function<void(QDialog&)> fill)
    {
        testenv::windows().setModalRunner([this, fill](QDialog& d) {
            ++modals;
            fill(d);
            return d.result();
        });
    }

    testenv::FreshDb f;
    Database& db = f.db();
    int modals = 0;
};

} // namespace

TEST_F(FormsTest, AddFormSavesEveryBoxAndItsGroups)
{
    seed::group(db, "Friends");
    seed::group(db, "Work");
    AddressDialog d(AddressDialog::Mode::Add, db, testenv::prompt(), testenv::windows(), "+44770");
    EXPECT_EQ(d.objectName(), "frmAddressAdd");
    EXPECT_EQ(d.windowTitle(), "New Address");
    EXPECT_EQ(d.cmdSave->objectName(), "cmdSave");
    EXPECT_EQ(d.cmdSave->text(), "Save");
    EXPECT_TRUE(d.cmdSave->isDefault());
    EXPECT_EQ(typed(d.box(AddressField::PhoneNo)), "+44770");
    expectAccessibleNames(&d);

    for (const AddressFieldInfo& info : addressFields()) {
        QWidget* box = d.box(info.field);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->objectName(), info.control);
        if (info.field != AddressField::PhoneNo)
            d.setText(info.field, QString::fromLatin1(info.column) + "'s");
    }
    // The group picker lists every group for a number nobody has.
    onModal([](QDialog& dlg) {
        auto& picker = static_cast<CheckListDialog&>(dlg);
        EXPECT_EQ(picker.objectName(), "frmAddressGroupAdd");
        EXPECT_EQ(picker.windowTitle(), "Group List");
        ASSERT_EQ(picker.rowCount(), 2);
        picker.setTicked(1, true);
        picker.cmdAccept->click();
    });
    d.cmdAdd->click();
    EXPECT_EQ(d.groups(), QStringList{"Work"});

    QSignalSpy saved(&d, &AddressDialog::saved);
    d.cmdSave->click();
    ASSERT_EQ(saved.size(), 1) << testenv::prompt().count();
    const auto s = saved.at(0).at(0).value<SavedAddress>();
    EXPECT_TRUE(s.added);
    EXPECT_EQ(s.number, "+44770");
    EXPECT_EQ(s.name, "addrnam1's addrnam2's");
    EXPECT_EQ(s.groups, QStringList{"Work"});
    EXPECT_EQ(d.result(), QDialog::Accepted);
    const Recordset rs = db.query("select * from tbaddrs where addrno='+44770'");
    ASSERT_EQ(rs.size(), 1);
    for (const AddressFieldInfo& info : addressFields()) {
        if (info.field != AddressField::PhoneNo) {
            EXPECT_EQ(rs.value(0, QString::fromLatin1(info.column)).toString(), QString::fromLatin1(info.column) + "'s");
        }
    }
    EXPECT_EQ(count(db, "select count(*) from tbaddrgrps where addrno='+44770' and grpnam='Work'"), 1);
}

TEST_F(FormsTest, RefusalsNameTheBoxAndTurnBackToTheFirstPage)
{
    seed::address(db, "+441", "Ann", "Lee");
    AddressDialog d(AddressDialog::Mode::Add, db, testenv::prompt(), testenv::windows(), "");
    d.show();
    d.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&d));

    d.setText(AddressField::FirstName, "   ");
    d.tabDef->setCurrentIndex(2);
    d.cmdSave->click();
    ASSERT_EQ(testenv::prompt().count(), 1);
    EXPECT_EQ(testenv::prompt().shown()[0].text, "First Name cannot be blank");
    EXPECT_EQ(testenv::prompt().shown()[0].title, "Warning");
    EXPECT_EQ(testenv::prompt().shown()[0].icon, UserPrompt::Icon::Warning);
    EXPECT_EQ(d.tabDef->currentIndex(), 0);
    EXPECT_EQ(QApplication::focusWidget(), d.box(AddressField::FirstName));
    EXPECT_EQ(typed(d.box(AddressField::FirstName)), "");
    EXPECT_TRUE(d.isVisible());

    d.setText(AddressField::FirstName, "Bob");
    d.tabDef->setCurrentIndex(3);
    d.cmdSave->click();
    EXPECT_EQ(testenv::prompt().shown().last().text, "Mobile Phone Number cannot be blank");
    EXPECT_EQ(QApplication::focusWidget(), d.box(AddressField::PhoneNo));

    d.setText(AddressField::PhoneNo, " +441");
    d.cmdSave->click();
    EXPECT_EQ(testenv::prompt().shown().last().text,
              "This Mobile Phone Number already exists.\nPlease check and try again.");
    EXPECT_EQ(count(db, "select count(*) from tbaddrs"), 1);
    EXPECT_TRUE(d.isVisible());

    // Cancel writes nothing.
    d.setText(AddressField::PhoneNo, "+442");
    d.cmdCancel->click();
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(d.result(), QDialog::Rejected);
    EXPECT_EQ(count(db, "select count(*) from tbaddrs"), 1);
}

TEST_F(FormsTest, BoxesKeepToTheirLengthsAndTrimOnLeaving)
{
    AddressDialog d(AddressDialog::Mode::Add, db, testenv::prompt(), testenv::windows(), "");
    for (const AddressFieldInfo& info : addressFields()) {
        if (auto* l = qobject_cast<QLineEdit*>(d.box(info.field))) {
            EXPECT_EQ(l->maxLength(), info.maxLength) << info.control;
        }
    }
    auto* remark = qobject_cast<QPlainTextEdit*>(d.box(AddressField::Remark));
    ASSERT_NE(remark, nullptr);
    remark->setPlainText(QString(250, 'a'));
    remark->moveCursor(QTextCursor::End);
    remark->insertPlainText(QString(20, 'b'));
    EXPECT_EQ(remark->toPlainText(), QString(250, 'a') + QString(5, 'b'));
    auto* street = qobject_cast<QPlainTextEdit*>(d.box(AddressField::StAddress));
    ASSERT_NE(street, nullptr);
    street->setPlainText(QString(400, 's'));
    EXPECT_EQ(street->toPlainText().size(), 255);

    d.show();
    d.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
    auto* first = qobject_cast<QLineEdit*>(d.box(AddressField::FirstName));
    first->setText("  Ann  ");
    first->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(first->selectedText(), "  Ann  ");
    QTest::keyClick(first, Qt::Key_Tab);
    EXPECT_EQ(first->text(), "Ann");
}

TEST_F(FormsTest, TabOrderDefaultAndCancelButtons)
{
    AddressDialog d(AddressDialog::Mode::Add, db, testenv::prompt(), testenv::windows(), "");
    const QStringList walk = tabWalk(&d, d.box(AddressField::Salutation));
    EXPECT_EQ(walk.mid(0, 8), (QStringList{"txtSalutation", "txtFirstName", "txtLastName", "txtTitle", "txtPhoneNo",
                                           "txtEmail", "cmdSave", "cmdCancel"}));
    // The other pages in the order of their labels.
    d.tabDef->setCurrentIndex(1);
    EXPECT_EQ(tabWalk(&d, d.box(AddressField::Company)).mid(0, 6),
              (QStringList{"txtCompany", "txtStAddress", "txtPCode", "txtContactNo", "txtContactExt", "txtFaxNo"}));
    d.tabDef->setCurrentIndex(3);
    EXPECT_EQ(tabWalk(&d, d.lsvGroup).mid(0, 5),
              (QStringList{"lsvGroup", "cmdAdd", "cmdDelete", "cmdSave", "cmdCancel"}));

    // Escape is Cancel; Enter in a box is Save.
    d.tabDef->setCurrentIndex(0);
    d.setText(AddressField::FirstName, "Eve");
    d.setText(AddressField::PhoneNo, "+445");
    d.box(AddressField::PhoneNo)->setFocus();
    QTest::keyClick(d.box(AddressField::PhoneNo), Qt::Key_Return);
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(count(db, "select count(*) from tbaddrs where addrno='+445'"), 1);

    AddressDialog e(AddressDialog::Mode::Add, db, testenv::prompt(), testenv::windows(), "");
    e.show();
    e.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&e));
    e.setText(AddressField::FirstName, "Zed");
    e.setText(AddressField::PhoneNo, "+446");
    QTest::keyClick(e.box(AddressField::FirstName), Qt::Key_Escape);
    EXPECT_FALSE(e.isVisible());
    EXPECT_EQ(count(db, "select count(*) from tbaddrs where addrno='+446'"), 0);
}

TEST_F(FormsTest, EditFormLoadsAndChangesTheNumberWithItsMessages)
{
    seed::address(db, "+441", "Ann", "Lee");
    seed::exec(db, "update tbaddrs set addrrem='line 1\nline 2', addrdpt='Sales' where addrno='+441'");
    seed::group(db, "A");
    seed::group(db, "B");
    seed::group(db, "C");
    seed::member(db, "A", "+441");
    seed::member(db, "B", "+441");
    seed::outbox(db, 7, "+441", "2024-01-01 10:00:00");

    AddressDialog d(AddressDialog::Mode::Edit, db, testenv::prompt(), testenv::windows(), "+441");
    EXPECT_EQ(d.objectName(), "frmAddressEdit");
    EXPECT_EQ(d.windowTitle(), "Update Address");
    EXPECT_EQ(d.cmdSave->objectName(), "cmdUpdate");
    EXPECT_EQ(d.cmdSave->text(), "Update");
    EXPECT_EQ(d.text(AddressField::LastName), "Lee");
    EXPECT_EQ(d.text(AddressField::Remark), "line 1\nline 2");
    EXPECT_EQ(d.groups(), (QStringList{"A", "B"}));
    EXPECT_EQ(testenv::prompt().count(), 0);

    // Tick B and delete it from the list; the picker then offers only C.
    d.lsvGroup->item(1)->setCheckState(Qt::Checked);
    d.cmdDelete->click();
    EXPECT_EQ(d.groups(), QStringList{"A"});
    d.setText(AddressField::PhoneNo, "+442");
    QStringList offered;
    onModal([&offered](QDialog& dlg) {
        auto& picker = static_cast<CheckListDialog&>(dlg);
        for (int i = 0; i < picker.rowCount(); ++i)
            offered << picker.tagOf(i);
        picker.cmdCancel->click();
    });
    d.cmdAdd->click();
    EXPECT_EQ(offered, (QStringList{"B", "C"}));
    EXPECT_EQ(d.groups(), QStringList{"A"});

    QSignalSpy saved(&d, &AddressDialog::saved);
    d.cmdSave->click();
    ASSERT_EQ(saved.size(), 1);
    const auto s = saved.at(0).at(0).value<SavedAddress>();
    EXPECT_FALSE(s.added);
    EXPECT_EQ(s.oldNumber, "+441");
    EXPECT_EQ(s.number, "+442");
    EXPECT_EQ(db.query("select msgno from tboutqueue").value(0, 0).toString(), "+442");
    EXPECT_EQ(db.query("select addrdpt from tbaddrs where addrno='+442'").value(0, 0).toString(), "Sales");
    EXPECT_EQ(count(db, "select count(*) from tbaddrgrps where addrno='+442'"), 1);
    EXPECT_EQ(count(db, "select count(*) from tbaddrgrps where addrno='+441'"), 0);
}

TEST_F(FormsTest, GroupPickAfterANumberChangeCannotOverwriteAnotherEntry)
{
    seed::address(db, "+441", "Ann", "Lee");
    seed::address(db, "+442", "Bob", "Ray");
    seed::group(db, "A");
    seed::group(db, "B");
    seed::member(db, "B", "+442");

    AddressDialog d(AddressDialog::Mode::Edit, db, testenv::prompt(), testenv::windows(), "+441");
    d.setText(AddressField::PhoneNo, "+442");
    onModal([](QDialog& dlg) {
        auto& picker = static_cast<CheckListDialog&>(dlg);
        ASSERT_EQ(picker.rowCount(), 1);  // B holds +442 already
        picker.setTicked(0, true);
        picker.cmdAccept->click();
    });
    d.cmdAdd->click();
    EXPECT_EQ(d.loadedNumber(), "+441");
    d.cmdSave->click();
    EXPECT_EQ(testenv::prompt().shown().last().text,
              "This Mobile Phone Number already exists.\nPlease check and try again.");
    EXPECT_EQ(db.query("select addrnam1 from tbaddrs where addrno='+442'").value(0, 0).toString(), "Bob");
    EXPECT_EQ(count(db, "select count(*) from tbaddrgrps where addrno='+442' and grpnam='B'"), 1);
    EXPECT_EQ(count(db, "select count(*) from tbaddrs where addrno='+441'"), 1);
}

TEST_F(FormsTest, EditOfAnEntryThatIsGoneReportsAndWritesNothing)
{
    seed::group(db, "A");
    AddressDialog d(AddressDialog::Mode::Edit, db, testenv::prompt(), testenv::windows(), "+449");
    ASSERT_EQ(testenv::prompt().count(), 1);
    EXPECT_EQ(testenv::prompt().shown()[0].text, "Unable to access record");
    EXPECT_EQ(testenv::prompt().shown()[0].title, "Database Error");
    d.setText(AddressField::FirstName, "Ann");
    d.setText(AddressField::PhoneNo, "+449");
    d.addGroups({"A"});
    d.cmdSave->click();
    EXPECT_EQ(testenv::prompt().shown().last().text, "Unable to Update Record.");
    EXPECT_EQ(testenv::prompt().shown().last().icon, UserPrompt::Icon::Critical);
    EXPECT_EQ(count(db, "select count(*) from tbaddrs"), 0);
    EXPECT_EQ(count(db, "select count(*) from tbaddrgrps"), 0);
}

TEST_F(FormsTest, NewGroupDialog)
{
    seed::group(db, "Sales");
    GroupAddDialog d(db, testenv::prompt());
    EXPECT_EQ(d.objectName(), "frmGroupAdd");
    EXPECT_EQ(d.txtGrpNam->maxLength(), 40);
    EXPECT_TRUE(d.cmdAdd->isDefault());
    expectAccessibleNames(&d);
    EXPECT_EQ(tabWalk(&d, d.txtGrpNam), (QStringList{"txtGrpNam", "cmdAdd", "cmdCancel"}));

    const struct {
        const char* typed;
        const char* message;
    } refused[] = {{"  ", "Group Name cannot be blank"},
                   {"-5", "Group Name cannot be numeric."},
                   {" SALES ", "This Group already exists.\nPlease use another Group Name."}};
    for (const auto& r : refused) {
        d.txtGrpNam->setText(r.typed);
        d.cmdAdd->click();
        EXPECT_EQ(testenv::prompt().shown().last().text, r.message);
        EXPECT_TRUE(d.isVisible());
        EXPECT_TRUE(d.createdGroup().isEmpty());
    }
    EXPECT_EQ(d.txtGrpNam->text(), "SALES");
    d.txtGrpNam->setText("  Sales 'north' ");
    QTest::keyClick(d.txtGrpNam, Qt::Key_Return);
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(d.createdGroup(), "Sales 'north'");
    EXPECT_EQ(count(db, "select count(*) from tbgrps where grpnam=?", {"Sales 'north'"}), 1);
}

TEST_F(FormsTest, RecipientPickersTickAgainRewriteOnOkAndKeepOnCancel)
{
    seed::address(db, "+441", "bob", "Lee");
    seed::address(db, "+442", "Ann", "");
    seed::address(db, "+443", "Cy", "Dee");
    seed::group(db, "Zed");
    seed::group(db, "alpha");
    RecipientPicks picks;
    picks.asRecipients = {{"+443", "+443"}, {"+449", "+449"}};  // +449 was deleted since
    picks.asPickedGroups = {"ZED"};

    QStringList shown;
    QList<bool> ticked;
    onModal([&](QDialog& dlg) {
        auto& p = static_cast<CheckListDialog&>(dlg);
        EXPECT_EQ(p.objectName(), "frmPickAddress");
        EXPECT_EQ(p.windowTitle(), "Address List");
        EXPECT_EQ(p.lsvList->headerItem()->text(0), "Name");
        EXPECT_EQ(p.lsvList->headerItem()->text(1), "Number");
        for (int i = 0; i < p.rowCount(); ++i) {
            shown << p.row(i)->text(0) + "|" + p.row(i)->text(1);
            ticked << p.isTicked(i);
        }
        p.setTicked(0, true);
        p.cmdAccept->click();
    });
    EXPECT_TRUE(pickAddresses(nullptr, db, testenv::prompt(), testenv::windows(), picks));
    EXPECT_EQ(shown, (QStringList{"Ann |+442", "bob Lee|+441", "Cy Dee|+443"}));
    EXPECT_EQ(ticked, (QList<bool>{false, false, true}));
    EXPECT_EQ(picks.iRecipientCount(), 2);
    EXPECT_EQ(picks.asRecipients, (QList<PickedRecipient>{{"+442", "+442"}, {"+443", "+443"}}));

    // Cancel changes nothing, even with other ticks made.
    onModal([](QDialog& dlg) {
        auto& p = static_cast<CheckListDialog&>(dlg);
        p.setTicked(1, true);
        p.cmdCancel->click();
    });
    EXPECT_FALSE(pickAddresses(nullptr, db, testenv::prompt(), testenv::windows(), picks));
    EXPECT_EQ(picks.iRecipientCount(), 2);

    // OK with nothing ticked leaves no recipient.
    onModal([](QDialog& dlg) {
        auto& p = static_cast<CheckListDialog&>(dlg);
        for (int i = 0; i < p.rowCount(); ++i)
            p.setTicked(i, false);
        p.cmdAccept->click();
    });
    EXPECT_TRUE(pickAddresses(nullptr, db, testenv::prompt(), testenv::windows(), picks));
    EXPECT_EQ(picks.iRecipientCount(), 0);

    QStringList groups;
    onModal([&](QDialog& dlg) {
        auto& p = static_cast<CheckListDialog&>(dlg);
        EXPECT_EQ(p.objectName(), "frmPickGroup");
        EXPECT_EQ(p.windowTitle(), "Group List");
        for (int i = 0; i < p.rowCount(); ++i)
            groups << p.tagOf(i) + (p.isTicked(i) ? "*" : "");
        p.setTicked(0, true);
        p.cmdAccept->click();
    });
    EXPECT_TRUE(pickGroups(nullptr, db, testenv::prompt(), testenv::windows(), picks));
    EXPECT_EQ(groups, (QStringList{"alpha", "Zed*"}));
    EXPECT_EQ(picks.asPickedGroups, (QStringList{"alpha", "Zed"}));
    EXPECT_EQ(picks.iPickedGroupCount(), 2);
    EXPECT_EQ(modals, 4);
}

TEST_F(FormsTest, CheckListKeysTickWithSpaceAndAcceptWithEnter)
{
    CheckListDialog d({"frmPickGroup", "Group List", {"Name"}, "Groups", "OK", "cmdOK"});
    d.addRow({"a"}, "a");
    d.addRow({"b"}, "b");
    expectAccessibleNames(&d);
    EXPECT_EQ(tabWalk(&d, d.lsvList), (QStringList{"lsvList", "cmdOK", "cmdCancel"}));
    d.lsvList->setFocus();
    d.lsvList->setCurrentItem(d.row(1));
    QTest::keyClick(d.lsvList, Qt::Key_Space);
    EXPECT_EQ(d.tickedTags(), QStringList{"b"});
    QTest::keyClick(d.lsvList, Qt::Key_Return);
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(d.tickedTags(), QStringList{"b"});
}
