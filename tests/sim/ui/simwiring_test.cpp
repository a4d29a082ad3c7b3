// The SIM phonebook in the main window, driven through the activity cycle
// against the simulated modem: read, clear, edit, add, delete, export and
// import, and Cancel at each form.
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTreeView>
#include <gtest/gtest.h>

#include "base/Database.h"
#include "base/Sound.h"
#include "mainwindow/AppCommands.h"
#include "mainwindow/MainWindow.h"
#include "engine/ActivityScheduler.h"
#include "base/EngineState.h"
#include "modem/ModemLink.h"
#include "sim/SimListModel.h"
#include "sim/ui/SimForms.h"
#include "sim/ui/SimWiring.h"
#include "simmodem/SimModem.h"
#include "support/ScriptedWindowServices.h"
#include "support/TestEnv.h"

namespace {

class TestApp : public AppCommands {
public:
    explicit TestApp(Database& db) : db_(db) {}
    Database& db() override { return db_; }
    EngineState& state() override { return st; }
    UserPrompt& prompt() override { return testenv::prompt(); }
    WindowServices& windows() override { return testenv::windows(); }
    SoundPlayer& sound() override { return sound_; }
    QString modemLog() override { return QString(); }
    void activateOutbox() override {}
    void detectModem() override {}
    void resetModem() override {}
    bool requestClose() override { return true; }
    void release() override {}
    EngineState st;

private:
    Database& db_;
    SilentSound sound_;
};

template <class T>
T* openDialog(const char* name)
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String(name) && w->isVisible())
            return qobject_cast<T*>(w);
    return nullptr;
}

struct SimUi : ::testing::Test {
    testenv::FreshDb fresh;
    Database& db = fresh.db();
    TestApp app{db};
    EngineState& st = app.st;
    SimModem modem;
    ModemLink link{st};
    ActivityScheduler sched{st, db, testenv::prompt()};
    std::unique_ptr<MainWindow> window;
    SimPhonebookUi* ui = nullptr;
    QList<QMetaObject::Connection> hooks;

    void SetUp() override
    {
        testenv::prompt().reset();
        ASSERT_TRUE(modem.start(testenv::newDir("modem") + "/modem0")) << modem.errorString().toStdString();
        modem.setEcho(false);
        modem.setPhonebookSize(6);
        modem.setPhonebookLimits(12, 8);
        ASSERT_TRUE(link.openPort(modem.portPath(), 115200, "None"));
        sched.setChannel(&link);
        window = std::make_unique<MainWindow>(app);
        window->populate();
        window->show();
        ui = installSimPhonebook(*window, app, sched, link);
        st.bModemConnected = true;
    }
    void TearDown() override
    {
        for (const auto& h : hooks)
            QObject::disconnect(h);
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    }
    SimListModel& list() { return ui->model(); }
    QList<int> shown()
    {
        QList<int> out;
        for (const SimEntry& e : list().entries())
            out << e.index;
        return out;
    }
    void selectIndices(const QList<int>& indices)
    {
        QTreeView* view = window->simList();
        view->clearSelection();
        for (int i : indices)
            view->selectionModel()->select(list().index(list().rowOfIndex(i), 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    // Presses Cancel on the modal form when the modem receives the line
    // (once).
    void cancelFormAt(const QString& line, const char* form)
    {
        auto hook = std::make_shared<QMetaObject::Connection>();
        *hook = QObject::connect(&modem, &SimModem::commandReceived, &modem, [line, form, hook](const QString& l) {
            QWidget* w = QApplication::activeModalWidget();
            if (l == line && w && w->objectName() == QLatin1String(form)) {
                QObject::disconnect(*hook);
                w->findChild<QPushButton*>("cmdCancel")->click();
            }
        });
        hooks << *hook;
    }
    // Runs act on the modal dialog once it is up (the dialog runs its own
    // event loop, which serves this timer) until act returns true.
    void onModal(const char* form, std::function<bool(QWidget*)> act)
    {
        auto* timer = new QTimer(window.get());
        timer->setInterval(10);
        QObject::connect(timer, &QTimer::timeout, timer, [timer, form, act] {
            QWidget* w = QApplication::activeModalWidget();
            if (w && w->objectName() == QLatin1String(form) && w->isVisible() && act(w))
                timer->deleteLater();
        });
        timer->start();
    }
    void readSim()
    {
        st.bSIMReadRequest = true;
        sched.runActivities();
        ASSERT_TRUE(ui->phonebook().isCurrent());
    }
    // The address list with rows as the address book shows them, all selected.
    void chooseAddresses(const QList<QPair<QString, QString>>& rows)
    {
        auto* m = qobject_cast<QStandardItemModel*>(window->addressList()->model());
        ASSERT_NE(m, nullptr);
        for (const auto& r : rows)
            m->appendRow({new QStandardItem(r.first), new QStandardItem(r.second)});
        window->addressList()->selectAll();
    }
};

} // namespace

TEST_F(SimUi, OpeningTheSimViewReadsTheSimIntoTheList)
{
    modem.setPhonebookEntry(1, "101", "Ann");
    modem.setPhonebookEntry(3, "+44103", "Smith, J");
    window->jumpToNode(NodeKind::SimCard);
    EXPECT_TRUE(st.bSIMReadRequest);
    sched.runActivities();
    EXPECT_FALSE(st.bSIMReadRequest);
    EXPECT_EQ(window->simList()->model(), &list());
    EXPECT_EQ(shown(), QList<int>({1, 3}));
    EXPECT_EQ(list().index(1, 0).data().toString(), "Smith, J");
    EXPECT_FALSE(list().index(0, 0).data(Qt::DecorationRole).isNull());
    EXPECT_EQ(window->heading(), "  SIM Card (2)");
    EXPECT_EQ(st.iSIMMaxNameLen, 8);
    EXPECT_EQ(testenv::prompt().count(), 0);
}

TEST_F(SimUi, CancelAtTheReadFormLeavesTheMapStale)
{
    for (int i = 1; i <= 6; ++i)
        modem.setPhonebookEntry(i, QString::number(100 + i), "N");
    cancelFormAt("AT+CPBR=2", "frmSIMRead");
    st.bSIMReadRequest = true;
    sched.runActivities();
    EXPECT_FALSE(ui->phonebook().isCurrent());
    EXPECT_EQ(modem.commandCount("AT+CPBR=3"), 0);
    EXPECT_EQ(testenv::prompt().count(), 0);
    EXPECT_FALSE(st.bCancelled);

    // A failed read says so in the status bar and in a box.
    modem.addFault("AT+CPBR=?", 1, SimModem::Fault::error());
    st.bSIMReadRequest = true;
    sched.runActivities();
    EXPECT_TRUE(testenv::prompt().sawText("Error reading SIM Card."));
    EXPECT_EQ(window->statusLabel()->text(), "Error reading SIM Card.");
}

TEST_F(SimUi, ClearEmptiesTheSimAndReadsItAgain)
{
    for (int i = 1; i <= 6; ++i)
        modem.setPhonebookEntry(i, QString::number(100 + i), "N");
    readSim();
    // No leaves everything as it is.
    testenv::prompt().queue(UserPrompt::Answer::No);
    ui->clearSim();
    sched.runActivities();
    EXPECT_EQ(modem.commandCount("AT+CPBW"), 0);
    EXPECT_TRUE(testenv::prompt().sawText("Confirm Clear SIM Card?"));
    EXPECT_EQ(testenv::prompt().shown().last().buttons, UserPrompt::Buttons::YesNoDefaultNo);

    // Cancel at the clear form: the read that follows shows what is left.
    cancelFormAt("AT+CPBW=2", "frmSIMClear");
    ui->clearSim();
    sched.runActivities();
    EXPECT_TRUE(testenv::prompt().sawText("Clearing not complete."));
    EXPECT_EQ(modem.phonebook().keys(), QList<int>({3, 4, 5, 6}));
    EXPECT_EQ(shown(), QList<int>({3, 4, 5, 6}));
    EXPECT_TRUE(ui->phonebook().isCurrent());

    ui->clearSim();
    sched.runActivities();
    EXPECT_TRUE(modem.phonebook().isEmpty());
    EXPECT_EQ(list().rowCount(), 0);
}

TEST_F(SimUi, EditWritesTheLocationItWasOpenedFor)
{
    modem.setPhonebookEntry(1, "101", "Ann");
    modem.setPhonebookEntry(2, "102", "Bob");
    ui->editSimEntry();
    EXPECT_EQ(openDialog<SimEntryDialog>("frmSIMEdit"), nullptr) << "nothing to edit in an empty list";
    readSim();
    selectIndices({2});
    ui->editSimEntry();
    auto* dialog = openDialog<SimEntryDialog>("frmSIMEdit");
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->nameEdit()->text(), "Bob");
    EXPECT_EQ(dialog->nameEdit()->maxLength(), 8);
    dialog->nameEdit()->setText("   ");
    dialog->saveButton()->click();
    ASSERT_EQ(testenv::prompt().count(), 1);
    EXPECT_EQ(testenv::prompt().shown().first().title, "Warning:");
    EXPECT_EQ(testenv::prompt().shown().first().text, "Name cannot be blank.");
    EXPECT_TRUE(dialog->isVisible());

    dialog->nameEdit()->setText("Bob \"B\"");
    dialog->numberEdit()->setText("+44102");
    selectIndices({1});   // the list's selection moves on; the edit does not
    dialog->saveButton()->click();
    EXPECT_TRUE(st.bSIMEditRequest);
    sched.runActivities();
    EXPECT_EQ(modem.phonebookEntry(2)->text, "Bob 'B'");
    EXPECT_EQ(modem.phonebookEntry(2)->number, "+44102");
    EXPECT_EQ(modem.phonebookEntry(1)->text, "Ann");
    EXPECT_EQ(list().entryAt(list().rowOfIndex(2)).name, "Bob 'B'");

    // Cancel changes nothing.
    ui->editSimEntry();
    dialog = openDialog<SimEntryDialog>("frmSIMEdit");
    ASSERT_NE(dialog, nullptr);
    dialog->nameEdit()->setText("Zed");
    dialog->cancelButton()->click();
    EXPECT_FALSE(st.bSIMEditRequest);
}

TEST_F(SimUi, AddReadsAnUnreadSimFirstAndTakesAFreeLocation)
{
    modem.setPhonebookEntry(1, "101", "Ann");
    modem.setPhonebookEntry(2, "102", "Bob");
    // Shown but never read: the list is not where free locations come from.
    list().add({3, "shown only", "1"});
    ui->addSimEntry();
    auto* dialog = openDialog<SimEntryDialog>("frmSIMAdd");
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->nameEdit()->maxLength(), 32767) << "no limit before the SIM was read";
    dialog->nameEdit()->setText("Christopher Robin");
    dialog->numberEdit()->setText("+447700900999");
    dialog->saveButton()->click();
    ASSERT_TRUE(st.bSIMAddRequest);
    // A second entry posted before the first was written is refused.
    ui->addSimEntry();
    dialog = openDialog<SimEntryDialog>("frmSIMAdd");
    dialog->nameEdit()->setText("Other");
    dialog->numberEdit()->setText("2");
    dialog->saveButton()->click();
    EXPECT_EQ(st.sSIMRecName, "Christopher Robin");
    dialog->cancelButton()->click();

    sched.runActivities();
    EXPECT_EQ(modem.commandCount("AT+CPBR=1"), 1);
    EXPECT_EQ(modem.phonebookEntry(3)->text, "Christop");
    EXPECT_EQ(modem.phonebookEntry(3)->number, "+447700900999");
    EXPECT_EQ(shown(), QList<int>({1, 2, 3}));
    EXPECT_FALSE(testenv::prompt().sawText("Error adding record to SIM Card."));
}

TEST_F(SimUi, AddToAFullSimWritesNothing)
{
    modem.setPhonebookSize(2);
    modem.setPhonebookEntry(1, "101", "Ann");
    modem.setPhonebookEntry(2, "102", "Bob");
    readSim();
    st.sSIMRecName = "New";
    st.sSIMRecNumber = "103";
    st.bSIMAddRequest = true;
    sched.runActivities();
    EXPECT_TRUE(testenv::prompt().sawText("SIM Card is full."));
    EXPECT_FALSE(testenv::prompt().sawText("Error adding record to SIM Card."));
    EXPECT_EQ(modem.commandCount("AT+CPBW"), 0);
}

TEST_F(SimUi, DeleteErasesTheSelectedLocations)
{
    for (int i = 1; i <= 4; ++i)
        modem.setPhonebookEntry(i, QString::number(100 + i), "N");
    readSim();
    selectIndices({1, 3});
    ui->deleteSimEntries();
    sched.runActivities();
    EXPECT_EQ(modem.phonebook().keys(), QList<int>({2, 4}));
    EXPECT_EQ(shown(), QList<int>({2, 4}));
    EXPECT_EQ(ui->phonebook().nextFreeIndex(0), 1);
}

TEST_F(SimUi, ImportCopiesTheSelectedEntriesIntoTheAddressBook)
{
    ASSERT_TRUE(db.exec("insert into tbgrps (grpnam) values ('Sales')"));
    modem.setPhonebookEntry(1, "101", "Ann");
    modem.setPhonebookEntry(2, "102", "Smith, J");
    modem.setPhonebookEntry(3, "103", "Cy");
    readSim();
    ui->importSimEntries();
    EXPECT_TRUE(testenv::prompt().sawText("Please select items to import"));

    // Cancel imports nothing.
    selectIndices({1, 2});
    onModal("frmSIMImport", [](QWidget* w) {
        w->findChild<QPushButton*>("cmdCancel")->click();
        return true;
    });
    ui->importSimEntries();
    EXPECT_EQ(db.query("select count(*) from tbaddrs").value(0, 0).toInt(), 0);

    // A number already in the book: the dialog stays, nothing is kept.
    ASSERT_TRUE(db.exec("insert into tbaddrs (addrnam1, addrno) values ('Old', '102')"));
    int presses = 0;
    onModal("frmSIMImport", [&presses](QWidget* w) {
        auto* combo = w->findChild<QComboBox*>("cboGroup");
        EXPECT_EQ(combo->itemText(0), "(No group)");
        combo->setCurrentIndex(1);
        w->findChild<QPushButton*>(++presses == 1 ? "cmdImport" : "cmdCancel")->click();
        return presses == 2;
    });
    ui->importSimEntries();
    EXPECT_EQ(presses, 2);
    EXPECT_TRUE(testenv::prompt().sawText("Unable to import to address book"));
    EXPECT_EQ(db.query("select count(*) from tbaddrs").value(0, 0).toInt(), 1);
    EXPECT_EQ(db.query("select count(*) from tbaddrgrps").value(0, 0).toInt(), 0);

    ASSERT_TRUE(db.exec("delete from tbaddrs"));
    onModal("frmSIMImport", [](QWidget* w) {
        w->findChild<QComboBox*>("cboGroup")->setCurrentIndex(1);
        w->findChild<QPushButton*>("cmdImport")->click();
        return true;
    });
    ui->importSimEntries();
    EXPECT_TRUE(testenv::prompt().sawText("Import completed"));
    const Recordset rs = db.query("select addrnam1, addrno from tbaddrs order by addrno");
    ASSERT_EQ(rs.size(), 2);
    EXPECT_EQ(rs.value(1, 0).toString(), "Smith, J");
    EXPECT_EQ(db.query("select count(*) from tbaddrgrps where grpnam = 'Sales'").value(0, 0).toInt(), 2);
}

TEST_F(SimUi, ExportWritesTheChosenAddressesAfterACompleteRead)
{
    modem.setPhonebookEntry(2, "102", "Bob");
    ASSERT_TRUE(db.exec("insert into tbaddrs (addrnam1, addrnam2, addrno) values ('Ann', NULL, '+44201')"));
    ASSERT_TRUE(db.exec("insert into tbaddrs (addrnam1, addrnam2, addrno) values ('Cy', 'Long-Surname', '202')"));
    ui->exportAddressesToSim();
    EXPECT_TRUE(testenv::prompt().sawText("Please select items to export"));
    EXPECT_FALSE(st.bSIMExportRequest);
    chooseAddresses({{"Ann ", "+44201"}, {"Cy Long-Surname", "202"}});

    // Cancel at the question: nothing is read, cleared or written.
    ui->exportAddressesToSim();
    ASSERT_TRUE(st.bSIMExportRequest);
    testenv::prompt().queue(UserPrompt::Answer::Cancel);
    sched.runActivities();
    EXPECT_FALSE(st.bSIMExportRequest);
    const auto& q = testenv::prompt().shown().last();
    EXPECT_EQ(q.title, "Export to SIM Card");
    EXPECT_EQ(q.text, "Clear SIM Card before export?");
    EXPECT_EQ(q.buttons, UserPrompt::Buttons::YesNoCancelDefaultNo);
    EXPECT_EQ(modem.commandCount("AT+CPB"), 0);

    // No: the unread SIM is read first, then written around what it holds.
    ui->exportAddressesToSim();
    testenv::prompt().queue(UserPrompt::Answer::No);
    sched.runActivities();
    EXPECT_EQ(modem.phonebookEntry(1)->text, "Ann");
    EXPECT_EQ(modem.phonebookEntry(1)->number, "+44201");
    EXPECT_EQ(modem.phonebookEntry(2)->text, "Bob");
    EXPECT_EQ(modem.phonebookEntry(3)->text, "Cy Long-");
    EXPECT_EQ(shown(), QList<int>({2, 1, 3}));

    // Yes: cleared, then written from the first location.
    ui->exportAddressesToSim();
    testenv::prompt().queue(UserPrompt::Answer::Yes);
    sched.runActivities();
    EXPECT_EQ(modem.phonebook().keys(), QList<int>({1, 2}));
    EXPECT_EQ(modem.phonebookEntry(2)->number, "202");
    EXPECT_EQ(shown(), QList<int>({1, 2}));
}

TEST_F(SimUi, CancelAtTheExportsForms)
{
    modem.setPhonebookEntry(1, "101", "Ann");
    ASSERT_TRUE(db.exec("insert into tbaddrs (addrnam1, addrno) values ('A', '201')"));
    ASSERT_TRUE(db.exec("insert into tbaddrs (addrnam1, addrno) values ('B', '202')"));
    chooseAddresses({{"A", "201"}, {"B", "202"}});

    // Cancel at the read that must come first: nothing is written.
    cancelFormAt("AT+CPBR=1", "frmSIMRead");
    ui->exportAddressesToSim();
    testenv::prompt().queue(UserPrompt::Answer::No);
    sched.runActivities();
    EXPECT_TRUE(testenv::prompt().sawText("Writing Not Complete."));
    EXPECT_EQ(modem.commandCount("AT+CPBW"), 0);

    // Cancel at the write form after its first entry.
    testenv::prompt().reset();
    cancelFormAt("AT+CPBW=3,\"202\",,\"B\"", "frmSIMWrite");
    ui->exportAddressesToSim();
    testenv::prompt().queue(UserPrompt::Answer::No);
    sched.runActivities();
    EXPECT_TRUE(testenv::prompt().sawText("Writing Not Complete."));
    EXPECT_EQ(modem.phonebookEntry(2)->text, "A");
    EXPECT_FALSE(ui->phonebook().isCurrent());

    // Too few free locations: nothing is written.
    testenv::prompt().reset();
    modem.setPhonebookSize(4);
    ui->exportAddressesToSim();
    testenv::prompt().queue(UserPrompt::Answer::No);
    sched.runActivities();
    EXPECT_TRUE(testenv::prompt().sawText("Short of 1 SIM Card Memory Slots."));
    EXPECT_EQ(modem.commandCount("AT+CPBW"), 2);
}
