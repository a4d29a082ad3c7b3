// The import wizard, the import log window and the file keys of the main
// window, offscreen. File dialogs are replaced by the test; every box is
// answered by the scripted prompt.
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFontDatabase>
#include <QFile>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTest>
#include <QTreeView>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include "remote/QtPrint.h"

#include "addressbook/AddressExchange.h"
#include "addressbook/ui/AddressBookWiring.h"
#include "addressbook/ui/AddressExchangeWiring.h"
#include "addressbook/ui/AddressListModel.h"
#include "addressbook/ui/FileImportForm.h"
#include "addressbook/ui/ImportLogForm.h"
#include "app/AppController.h"
#include "base/AppPaths.h"
#include "base/Database.h"
#include "base/Settings.h"
#include "controls/FormHelpers.h"
#include "controls/PopButton.h"
#include "controls/QtUserPrompt.h"
#include "mainwindow/FolderTree.h"
#include "mainwindow/MainWindow.h"
#include "mainwindow/Seed.h"
#include "support/BoxAnswerer.h"
#include "support/ScriptedWindowServices.h"
#include "support/TestEnv.h"

using addrx::FileImportForm;

namespace {

template <class T>
T* child(QWidget* w, const char* name)
{
    T* c = w->findChild<T*>(QLatin1String(name));
    EXPECT_NE(c, nullptr) << name;
    return c;
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

QStringList tabWalk(QWidget* dialog, QWidget* start, int max = 30)
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

class ExchangeUiTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        testenv::prompt().reset();
        Settings::clear();
        dir = testenv::newDir("ui");
        AppPaths::setAppDir(dir);
        seed::address(db, "+441", "Ann", "Lee");
        seed::address(db, "+442", "Bob", "");
        seed::group(db, "Family");
        seed::group(db, "Sales");
        seed::member(db, "Sales", "+441");
        app = std::make_unique<AppController>(db, nullptr, testenv::prompt(), testenv::windows());
        w = std::make_unique<MainWindow>(*app);
        book = installAddressBook(*w, *app);
        exchange = addrx::installAddressExchange(*w, *app);
        w->populate();
    }
    void TearDown() override
    {
        w.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    QString path(const QString& name) const { return QDir(dir).filePath(name); }
    FileImportForm* openWizard()
    {
        w->dispatchToolbar(ToolbarId::Address, "AddressFileImport");
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        const auto forms = w->findChildren<FileImportForm*>();
        return forms.size() == 1 ? forms.first() : nullptr;
    }
    void select(const QStringList& numbers)
    {
        QItemSelectionModel* sel = w->addressList()->selectionModel();
        sel->clearSelection();
        for (const QString& n : numbers) {
            const int r = book->model()->rowOfNumber(n);
            ASSERT_GE(r, 0);
            sel->select(book->model()->index(r, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
    }

    testenv::FreshDb f;
    Database& db = f.db();
    QString dir;
    std::unique_ptr<AppController> app;
    std::unique_ptr<MainWindow> w;
    AddressBookUi* book = nullptr;
    addrx::AddressExchangeUi* exchange = nullptr;
};

} // namespace

TEST_F(ExchangeUiTest, WizardStepsButtonsAndMapping)
{
    writeFile(path("in.csv"), "Mobile,First,Last\r\n+443,Cy,Dee\r\n");
    FileImportForm* form = openWizard();
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->objectName(), "frmFileImport");
    EXPECT_EQ(form->windowTitle(), "Import to Address Book");
    auto* cmdNext = child<QPushButton>(form, "cmdNext");
    auto* cmdImport = child<QPushButton>(form, "cmdImport");
    auto* cboGroup = child<QComboBox>(form, "cboGroup");
    EXPECT_EQ(form->step(), 1);
    EXPECT_FALSE(cmdNext->isEnabled());
    EXPECT_TRUE(cmdNext->isDefault());
    EXPECT_TRUE(child<QRadioButton>(form, "optReplace1")->isChecked());
    ASSERT_EQ(cboGroup->count(), 3);
    EXPECT_EQ(cboGroup->itemText(0), "Do Not Add To Group!");
    EXPECT_EQ(cboGroup->itemText(2), "Sales");
    EXPECT_EQ(child<PopButton>(form, "cmdFile")->toolTip(), "Select File to Import");

    // A file that is not there keeps Next off; the chosen one turns it on.
    testenv::windows().queueFile(QStringLiteral("/no/such/file.csv"));
    form->cmdFile_Click();
    EXPECT_FALSE(cmdNext->isEnabled());
    const QString file = path("in.csv");
    testenv::windows().queueFile(file);
    form->cmdFile_Click();
    EXPECT_EQ(child<QLineEdit>(form, "txtFile")->text(), file);
    ASSERT_TRUE(cmdNext->isEnabled());

    QTest::mouseClick(cmdNext, Qt::LeftButton);
    ASSERT_EQ(form->step(), 2);
    auto* lsvFrom = child<QTreeWidget>(form, "lsvFrom");
    auto* lsvTo = child<QTreeWidget>(form, "lsvTo");
    ASSERT_EQ(lsvFrom->topLevelItemCount(), 3);
    EXPECT_EQ(lsvFrom->topLevelItem(0)->text(0), "Mobile");
    ASSERT_EQ(lsvTo->topLevelItemCount(), 17);
    EXPECT_EQ(lsvTo->topLevelItem(1)->text(0), "First Name*");
    EXPECT_EQ(lsvTo->topLevelItem(3)->text(0), "Mobile Number*");
    EXPECT_TRUE(child<QCheckBox>(form, "chkHeader")->isChecked());
    EXPECT_FALSE(cmdImport->isEnabled());

    form->mapTarget(4, 1);
    EXPECT_EQ(lsvTo->topLevelItem(3)->text(1), "Mobile");
    EXPECT_FALSE(cmdImport->isEnabled());
    form->mapTarget(2, 2);
    EXPECT_TRUE(cmdImport->isEnabled());
    EXPECT_TRUE(cmdImport->isDefault());
    form->unmapTarget(2);
    EXPECT_EQ(lsvTo->topLevelItem(1)->text(1), "");
    EXPECT_FALSE(cmdImport->isEnabled());
    form->mapTarget(2, 2);
    form->mapTarget(3, 3);
    form->mapTarget(12, 3);  // a field may feed several targets
    EXPECT_EQ(form->mapping()[11], 3);

    // Previous then Next clears every mapping.
    QTest::mouseClick(child<QPushButton>(form, "cmdPrevious"), Qt::LeftButton);
    EXPECT_EQ(form->step(), 1);
    QTest::mouseClick(cmdNext, Qt::LeftButton);
    EXPECT_EQ(form->step(), 2);
    EXPECT_FALSE(cmdImport->isEnabled());
    EXPECT_EQ(form->mapping(), addrx::Mapping{});
    EXPECT_EQ(lsvTo->topLevelItem(3)->text(1), "");

    // Esc closes the wizard.
    form->show();
    QPointer<FileImportForm> guard(form);
    QTest::keyClick(form, Qt::Key_Escape);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(guard.isNull());
}

TEST_F(ExchangeUiTest, WizardTabOrderAndNames)
{
    writeFile(path("in.csv"), "a,b\r\n");
    FileImportForm* form = openWizard();
    ASSERT_NE(form, nullptr);
    // Next is off until a file is chosen.
    EXPECT_EQ(tabWalk(form, child<QWidget>(form, "cmdFile")),
              (QStringList{"cmdFile", "cboGroup", "optReplace1", "cmdCancel"}));
    form->chooseFile(path("in.csv"));
    EXPECT_EQ(tabWalk(form, child<QWidget>(form, "cmdFile")),
              (QStringList{"cmdFile", "cboGroup", "optReplace1", "cmdNext", "cmdCancel"}));
    form->cmdNext_Click();
    EXPECT_EQ(tabWalk(form, child<QWidget>(form, "lsvFrom")),
              (QStringList{"lsvFrom", "cmdMap", "cmdUnmap", "lsvTo", "chkHeader", "cmdPrevious", "cmdCancel"}));
    for (QWidget* c : form->findChildren<QWidget*>()) {
        if (c->focusPolicy() == Qt::NoFocus || c->objectName().startsWith("qt_") || c->objectName().isEmpty())
            continue;
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(c);
        ASSERT_NE(a, nullptr);
        EXPECT_FALSE(a->text(QAccessible::Name).trimmed().isEmpty()) << c->objectName().toStdString();
    }
}

TEST_F(ExchangeUiTest, ImportShowsTheSummaryAndTheLog)
{
    writeFile(path("in.txt"), "First\tMobile\r\nCy\t+443\r\nAnn2\t+441\r\n\t+444\r\n");
    w->jumpToNode(NodeKind::AddressBook);
    ASSERT_EQ(book->model()->rowCount(), 2);
    FileImportForm* form = openWizard();
    ASSERT_NE(form, nullptr);
    form->chooseFile(path("in.txt"));
    child<QComboBox>(form, "cboGroup")->setCurrentIndex(2);
    child<QRadioButton>(form, "optReplace0")->setChecked(true);
    form->cmdNext_Click();
    form->mapTarget(2, 1);
    form->mapTarget(4, 2);
    QPointer<FileImportForm> guard(form);
    testenv::prompt().queue(UserPrompt::Answer::Yes);
    QTest::mouseClick(child<QPushButton>(form, "cmdImport"), Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(guard.isNull());

    ASSERT_EQ(testenv::prompt().count(), 1);
    const auto& box = testenv::prompt().shown()[0];
    EXPECT_EQ(box.title, "Completed...");
    EXPECT_EQ(box.text, "Total: 3\r\nImported: 1\r\nSkipped: 1\r\nFailed: 1\r\n\r\nClick Yes to view the log file");
    EXPECT_EQ(box.buttons, UserPrompt::Buttons::YesNo);
    EXPECT_EQ(box.icon, UserPrompt::Icon::Information);
    // The list shows the new address.
    EXPECT_EQ(book->model()->rowCount(), 3);
    EXPECT_GE(book->model()->rowOfNumber("+443"), 0);
    EXPECT_EQ(db.query("select count(*) from tbaddrgrps where grpnam='Sales' and addrno='+443'").value(0, 0).toInt(),
              1);

    // Yes opened the log, as written, in a fixed-pitch font.
    const auto logs = w->findChildren<addrx::ImportLogForm*>();
    ASSERT_EQ(logs.size(), 1);
    addrx::ImportLogForm* log = logs.first();
    EXPECT_EQ(log->objectName(), "frmImportLog");
    EXPECT_EQ(log->windowTitle(), "Import Log");
    EXPECT_TRUE(log->logText()->isReadOnly());
    EXPECT_EQ(log->logText()->font().family(), QFontDatabase::systemFont(QFontDatabase::FixedFont).family());
    EXPECT_EQ(log->logText()->toPlainText(), "Rec No\tStatus\tRemark\n------\t------\t------\n"
                                             "0000001\tOK      \n0000002\tSkipped\t(Duplicate record)\n"
                                             "0000003\tFailed\t(First Name is blank)\n--- End of Log ---\n");
    QPointer<addrx::ImportLogForm> logGuard(log);
    log->show();
    QTest::keyClick(log, Qt::Key_Escape);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(logGuard.isNull());
}

TEST_F(ExchangeUiTest, AFailedImportKeepsTheWizardOpen)
{
    writeFile(path("in.csv"), "Ann,+445\r\n");
    FileImportForm* form = openWizard();
    ASSERT_NE(form, nullptr);
    form->chooseFile(path("in.csv"));
    form->cmdNext_Click();
    child<QCheckBox>(form, "chkHeader")->setChecked(false);
    form->mapTarget(2, 1);
    form->mapTarget(4, 2);
    seed::exec(db, "alter table tbaddrs rename to gone");
    form->cmdImport_Click();
    ASSERT_EQ(testenv::prompt().count(), 1);
    EXPECT_EQ(testenv::prompt().shown()[0].title, "Error");
    EXPECT_TRUE(form->result().aborted);
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(w->findChildren<FileImportForm*>().size(), 1);

    // An empty file cannot be mapped: the error, and step 1 stays.
    writeFile(path("empty.csv"), "\r\n\r\n");
    testenv::prompt().reset();
    form->cmdPrevious_Click();
    form->chooseFile(path("empty.csv"));
    form->cmdNext_Click();
    EXPECT_EQ(form->step(), 1);
    ASSERT_EQ(testenv::prompt().count(), 1);
    EXPECT_EQ(testenv::prompt().shown()[0].title, "Error");
}

// With the program's real boxes: after the box of a file that cannot be
// mapped is answered, the wizard over the main window is the active window
// and keeps the focus on its Next key.
TEST_F(ExchangeUiTest, AfterTheErrorBoxTheWizardHasTheKeyboard)
{
    w->show();
    QtUserPrompt boxes;
    BoxAnswerer person;
    QPointer<FileImportForm> form = openSingleDialog<FileImportForm>(w.get(), db, boxes, testenv::windows());
    ASSERT_TRUE(QTest::qWaitForWindowActive(form));
    writeFile(path("empty.csv"), "\r\n");
    form->chooseFile(path("empty.csv"));
    auto* next = child<QPushButton>(form, "cmdNext");
    next->setFocus();
    QTest::keyClick(next, Qt::Key_Space);
    ASSERT_EQ(person.texts, QStringList{"Input past end of file"});
    EXPECT_EQ(person.owners.value(0), form.data());
    ASSERT_TRUE(testenv::waitUntil([&] { return QApplication::activeWindow() == form; }, 20000));
    EXPECT_EQ(QApplication::focusWidget(), next);
    EXPECT_EQ(form->step(), 1);
    delete form;
}

TEST_F(ExchangeUiTest, ExportKeysWriteTheSelectedAddresses)
{
    const QString out = path("out.txt");
    testenv::windows().setFileAnswerer([out](const ScriptedWindowServices::FileAsked&) { return out; });
    w->jumpToNode(NodeKind::AddressBook);
    w->dispatchToolbar(ToolbarId::Address, "AddressFileExport");
    ASSERT_EQ(testenv::prompt().count(), 1);
    EXPECT_EQ(testenv::prompt().shown()[0].text, "Please select items to export");
    EXPECT_EQ(testenv::prompt().shown()[0].title, "Warning");
    EXPECT_FALSE(QFile::exists(out));

    testenv::prompt().reset();
    select({"+442", "+441"});
    w->dispatchToolbar(ToolbarId::Address, "AddressFileExport");
    EXPECT_TRUE(testenv::prompt().sawText("Export completed"));
    QFile f(out);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = f.readAll().split('\n');
    ASSERT_EQ(lines.size(), 3);  // two records and the empty rest after the last line end
    // In list order.
    const int first = book->model()->rowOfNumber("+441") < book->model()->rowOfNumber("+442") ? 0 : 1;
    EXPECT_EQ(lines[first].split('\t').value(3), "+441");
    EXPECT_EQ(lines[1 - first].split('\t').value(3), "+442");
    f.close();

    // The group toolbar exports the members shown.
    testenv::prompt().reset();
    w->folderTree()->setCurrentItem(w->folderTree()->findNode(NodeKind::Group, "Sales"));
    ASSERT_EQ(book->model()->rowCount(), 1);
    select({"+441"});
    testenv::prompt().queue(UserPrompt::Answer::Ok);
    w->dispatchToolbar(ToolbarId::Group, "GroupFileExport");
    EXPECT_TRUE(testenv::prompt().sawText("Overwrite existing file?"));
    EXPECT_TRUE(testenv::prompt().sawText("Export completed"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("\tAnn\tLee\t+441") + QByteArray(13, '\t') + "\r\n");
}

TEST_F(ExchangeUiTest, DropsMapAndUnmapFields)
{
    writeFile(path("in.csv"), "Mobile,First\r\n");
    FileImportForm* form = openWizard();
    ASSERT_NE(form, nullptr);
    form->chooseFile(path("in.csv"));
    form->cmdNext_Click();
    auto* lsvFrom = child<QTreeWidget>(form, "lsvFrom");
    auto* lsvTo = child<QTreeWidget>(form, "lsvTo");
    form->resize(900, 700);
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form));
    auto drop = [](QTreeWidget* list, QTreeWidgetItem* onto, const QByteArray& what) {
        QMimeData data;
        data.setData("application/x-velquarin-importfield", what);
        const QPointF at = onto ? QPointF(list->visualItemRect(onto).center())
                                : QPointF(5, list->viewport()->height() - 2);
        // As a drag does it: enter, move, drop.
        QDragEnterEvent enter(at.toPoint(), Qt::LinkAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(list->viewport(), &enter);
        QDragMoveEvent move(at.toPoint(), Qt::LinkAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(list->viewport(), &move);
        QDropEvent event(at, Qt::LinkAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(list->viewport(), &event);
    };
    drop(lsvTo, lsvTo->topLevelItem(3), "from:1");
    drop(lsvTo, lsvTo->topLevelItem(1), "from:2");
    EXPECT_EQ(form->mapping()[3], 1);
    EXPECT_EQ(form->mapping()[1], 2);
    EXPECT_EQ(lsvTo->topLevelItem(1)->text(1), "First");
    EXPECT_TRUE(child<QPushButton>(form, "cmdImport")->isEnabled());
    // A target dropped on the targets does nothing; dropped on the file's
    // fields it is unmapped.
    drop(lsvTo, lsvTo->topLevelItem(5), "to:2");
    EXPECT_EQ(form->mapping()[5], 0);
    EXPECT_EQ(form->mapping()[1], 2);
    drop(lsvFrom, lsvFrom->topLevelItem(0), "to:2");
    EXPECT_EQ(form->mapping()[1], 0);
    EXPECT_FALSE(child<QPushButton>(form, "cmdImport")->isEnabled());
    // A field dropped back on the file's list does nothing.
    drop(lsvFrom, lsvFrom->topLevelItem(1), "from:1");
    EXPECT_EQ(form->mapping()[3], 1);
}

TEST_F(ExchangeUiTest, TheKeyboardMapsAndUnmapsFields)
{
    writeFile(path("in.csv"), "Mobile,First\r\n");
    FileImportForm* form = openWizard();
    ASSERT_NE(form, nullptr);
    form->chooseFile(path("in.csv"));
    form->cmdNext_Click();
    form->show();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form));
    auto* lsvFrom = child<QTreeWidget>(form, "lsvFrom");
    auto* lsvTo = child<QTreeWidget>(form, "lsvTo");
    auto* cmdMap = child<QPushButton>(form, "cmdMap");
    auto* cmdUnmap = child<QPushButton>(form, "cmdUnmap");
    auto* cmdImport = child<QPushButton>(form, "cmdImport");
    EXPECT_EQ(cmdMap->text(), "&Map >");
    EXPECT_EQ(cmdUnmap->text(), "< &Unmap");
    ASSERT_EQ(QApplication::focusWidget(), lsvFrom);
    auto key = [](int k, Qt::KeyboardModifiers m = Qt::NoModifier) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(k), m);
    };

    // "Mobile" onto "Mobile Number*": the file's first field is current;
    // the address field is chosen with the arrows, then Map is pressed.
    key(Qt::Key_Tab);
    key(Qt::Key_Tab);
    key(Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), lsvTo);
    for (int i = 0; i < 3; ++i)
        key(Qt::Key_Down);
    key(Qt::Key_Tab, Qt::ShiftModifier);
    key(Qt::Key_Tab, Qt::ShiftModifier);
    ASSERT_EQ(QApplication::focusWidget(), cmdMap);
    key(Qt::Key_Space);
    EXPECT_EQ(form->mapping()[3], 1);
    EXPECT_EQ(lsvTo->topLevelItem(3)->text(1), "Mobile");
    EXPECT_FALSE(cmdImport->isEnabled());
    // Both lists moved on by one: "First" is the file field now.
    EXPECT_EQ(lsvFrom->currentItem(), lsvFrom->topLevelItem(1));
    EXPECT_EQ(lsvTo->currentItem(), lsvTo->topLevelItem(4));

    // "First" onto "First Name*".
    key(Qt::Key_Tab);
    key(Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), lsvTo);
    for (int i = 0; i < 3; ++i)
        key(Qt::Key_Up);
    key(Qt::Key_Tab, Qt::ShiftModifier);
    key(Qt::Key_Tab, Qt::ShiftModifier);
    key(Qt::Key_Space);
    EXPECT_EQ(form->mapping()[1], 2);
    EXPECT_TRUE(cmdImport->isEnabled());

    // Unmap takes the mapping off the chosen address field.
    key(Qt::Key_Tab);
    key(Qt::Key_Tab);
    key(Qt::Key_Up);
    ASSERT_EQ(lsvTo->currentItem(), lsvTo->topLevelItem(1));
    key(Qt::Key_Tab, Qt::ShiftModifier);
    ASSERT_EQ(QApplication::focusWidget(), cmdUnmap);
    key(Qt::Key_Space);
    EXPECT_EQ(form->mapping()[1], 0);
    EXPECT_EQ(lsvTo->topLevelItem(1)->text(1), "");
    EXPECT_FALSE(cmdImport->isEnabled());
    EXPECT_EQ(form->mapping()[3], 1);
}
