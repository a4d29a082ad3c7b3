// The SIM phonebook's transfers end to end: the serial link on a
// pseudo-terminal to the simulated modem, whose own command parser checks
// every "AT+CPBW" and keeps the phonebook the tests look at.
#include <gtest/gtest.h>

#include "base/Database.h"
#include "base/EngineState.h"
#include "modem/ModemLink.h"
#include "sim/SimAddressBook.h"
#include "sim/SimListModel.h"
#include "sim/SimPhonebook.h"
#include "simmodem/SimModem.h"
#include "support/TestEnv.h"

namespace {

using Kind = SimPhonebook::Outcome::Kind;

struct PhonebookFixture : ::testing::Test {
    EngineState st;
    SimModem modem;
    ModemLink link{st};
    SimListModel list;
    SimPhonebook pb{st, link, list};

    void SetUp() override
    {
        ASSERT_TRUE(modem.start(testenv::newDir("modem") + "/modem0")) << modem.errorString().toStdString();
        modem.setEcho(false);
        ASSERT_TRUE(link.openPort(modem.portPath(), 115200, "None"));
        pb.setCancelWait([this] { link.cancel(); });
        modem.setPhonebookSize(8);
        modem.setPhonebookLimits(12, 6);
    }
    QList<int> shown() const
    {
        QList<int> out;
        for (const SimEntry& e : list.entries())
            out << e.index;
        return out;
    }
    QStringList phonebookCommands() const
    {
        QStringList out;
        for (const QString& c : modem.commands())
            if (c.startsWith("AT+CPB") || c.startsWith("AT+CNMA"))
                out << c;
        return out;
    }
    // Cancels the transfer when the modem receives the line (once).
    void cancelAt(const QString& line)
    {
        QObject::disconnect(cancelling_);
        cancelling_ = QObject::connect(&modem, &SimModem::commandReceived, &modem, [this, line](const QString& l) {
            if (l == line) {
                QObject::disconnect(cancelling_);
                pb.cancel();
            }
        });
    }
    QMetaObject::Connection cancelling_;
    QString textAt(int index) const
    {
        const auto e = modem.phonebookEntry(index);
        return e ? e->text : QStringLiteral("<empty>");
    }
};

} // namespace

TEST_F(PhonebookFixture, ReadStopsAtTheLastUsedLocation)
{
    modem.setPhonebookEntry(2, "+447700900601", "Smith, J");
    modem.setPhonebookEntry(5, "07700900602", "Bob");
    modem.setPhonebookEntry(6, "112", "SOS");
    list.add({7, "stale", "1"});
    const auto o = pb.read();
    EXPECT_EQ(o.kind, Kind::Done) << o.message.toStdString();
    EXPECT_EQ(phonebookCommands(), QStringList({"AT+CPBR=?", "AT+CPBS?", "AT+CPBR=1", "AT+CPBR=2", "AT+CPBR=3",
                                                "AT+CPBR=4", "AT+CPBR=5", "AT+CPBR=6"}));
    EXPECT_EQ(shown(), QList<int>({2, 5, 6}));
    EXPECT_EQ(list.entryAt(0), (SimEntry{2, "Smith, J", "+447700900601"}));
    EXPECT_EQ(st.iSIMMaxNumberLen, 12);
    EXPECT_EQ(st.iSIMMaxNameLen, 6);
    EXPECT_TRUE(pb.isCurrent());
    EXPECT_EQ(pb.total(), 8);
    EXPECT_EQ(pb.nextFreeIndex(0), 1);
    EXPECT_EQ(pb.nextFreeIndex(1), 3);
    EXPECT_EQ(pb.nextFreeIndex(4), 7);
}

TEST_F(PhonebookFixture, EmptyLocationsAnsweredWithCme22AreSkipped)
{
    modem.setEmptySlotError(22);
    modem.setPhonebookEntry(1, "101", "A");
    modem.setPhonebookEntry(4, "104", "D");
    const auto o = pb.read();
    EXPECT_EQ(o.kind, Kind::Done) << o.message.toStdString();
    EXPECT_EQ(shown(), QList<int>({1, 4}));
    EXPECT_EQ(modem.commandCount("AT+CPBR="), 5);   // =? and 1-4
    EXPECT_TRUE(pb.isCurrent());
}

TEST_F(PhonebookFixture, AnotherErrorEndsTheReadAndLeavesTheMapStale)
{
    modem.setPhonebookEntry(1, "101", "A");
    modem.setPhonebookEntry(3, "103", "C");
    modem.addFault("AT+CPBR=2", 1, SimModem::Fault::cme(100));
    const auto o = pb.read();
    EXPECT_EQ(o.kind, Kind::Failed);
    EXPECT_EQ(o.message, "Error reading SIM Card.");
    EXPECT_EQ(shown(), QList<int>({1}));   // what was read stays shown
    EXPECT_FALSE(pb.isCurrent());
    EXPECT_EQ(modem.commandCount("AT+CPBR=3"), 0);
}

TEST_F(PhonebookFixture, AModemWithoutCountsIsReadOverItsWholeRange)
{
    modem.setPhonebookCounts(false);
    modem.setPhonebookEntry(8, "108", "H");
    const auto o = pb.read();
    EXPECT_EQ(o.kind, Kind::Done) << o.message.toStdString();
    EXPECT_EQ(shown(), QList<int>({8}));
    EXPECT_EQ(modem.commandCount("AT+CPBR="), 9);
    EXPECT_EQ(pb.nextFreeIndex(7), 9);   // beyond the last: the caller reports a full SIM
}

TEST_F(PhonebookFixture, CancelEndsTheReadAndAPendingIndicationIsAcknowledgedFirst)
{
    for (int i = 1; i <= 6; ++i)
        modem.setPhonebookEntry(i, QString::number(100 + i), "N");
    st.bGotCMT = true;
    cancelAt("AT+CPBR=3");
    const auto o = pb.read();
    EXPECT_EQ(o.kind, Kind::Cancelled);
    EXPECT_FALSE(pb.isCurrent());
    EXPECT_FALSE(st.bCancelled) << "a cancel must not reach the cycle's next command";
    EXPECT_EQ(phonebookCommands().first(), "AT+CNMA");
    EXPECT_EQ(modem.commandCount("AT+CPBR=4"), 0);
    EXPECT_EQ(shown(), QList<int>({1, 2}));
}

TEST_F(PhonebookFixture, ClearErasesEveryLocationAndMakesTheMapCurrent)
{
    modem.setPhonebookEntry(2, "102", "B");
    modem.setPhonebookEntry(8, "108", "H");
    list.add({2, "B", "102"});
    const auto o = pb.clear();
    EXPECT_EQ(o.kind, Kind::Done) << o.message.toStdString();
    EXPECT_EQ(modem.commandCount("AT+CPBW="), 8);
    EXPECT_TRUE(modem.phonebook().isEmpty());
    EXPECT_EQ(list.rowCount(), 0);
    EXPECT_TRUE(pb.isCurrent());
    EXPECT_EQ(pb.nextFreeIndex(0), 1);
}

TEST_F(PhonebookFixture, CancelAndFailureDuringTheClear)
{
    for (int i = 1; i <= 8; ++i)
        modem.setPhonebookEntry(i, QString::number(100 + i), "N");
    cancelAt("AT+CPBW=3");
    auto o = pb.clear();
    EXPECT_EQ(o.kind, Kind::Cancelled);
    EXPECT_EQ(o.message, "Clearing not complete.");
    EXPECT_FALSE(pb.isCurrent());
    EXPECT_EQ(modem.commandCount("AT+CPBW=4"), 0);
    // The modem carried out the command in hand; the ones after it never came.
    EXPECT_EQ(modem.phonebook().keys(), QList<int>({4, 5, 6, 7, 8}));

    modem.addFault("AT+CPBW=5", 1, SimModem::Fault::error());
    o = pb.clear();
    EXPECT_EQ(o.kind, Kind::Failed);
    EXPECT_EQ(o.message, "Problem in clearing item no 5.\r\nClearing not complete.");
    EXPECT_EQ(modem.phonebook().keys(), QList<int>({5, 6, 7, 8}));
    EXPECT_FALSE(pb.isCurrent());
}

TEST_F(PhonebookFixture, WriteFillsFreeLocationsWithinTheSimLimits)
{
    modem.setPhonebookEntry(1, "101", "A");
    modem.setPhonebookEntry(3, "103", "C");
    EXPECT_EQ(pb.write({{0, "X", "1"}}).kind, Kind::Refused) << "never without a complete read";
    EXPECT_EQ(modem.commandCount("AT+CPBW"), 0);
    ASSERT_TRUE(pb.read().done());
    const auto o = pb.write({{0, "Christopher Robin", "+447700900123"},
                             {0, "Ann \"Q\"\r\nAT+CFUN=0", "*#06#"},
                             {0, QString::fromUtf8("Zoë"), "000000000000"}});
    EXPECT_EQ(o.kind, Kind::Done) << o.message.toStdString();
    // Read back from the modem's own parsing of each command.
    EXPECT_EQ(textAt(2), "Christ");
    EXPECT_EQ(modem.phonebookEntry(2)->number, "+447700900123");
    EXPECT_EQ(modem.phonebookEntry(2)->type, 145);
    EXPECT_EQ(textAt(4), "Ann 'Q");
    EXPECT_EQ(textAt(5), "Zo?");
    EXPECT_EQ(modem.commandCount("AT+CFUN"), 0);
    EXPECT_EQ(shown(), QList<int>({1, 3, 2, 4, 5}));
    EXPECT_TRUE(pb.isCurrent());
    EXPECT_EQ(pb.nextFreeIndex(0), 6);
}

TEST_F(PhonebookFixture, WriteRefusesWhatTheSimCannotTake)
{
    for (int i = 1; i <= 5; ++i)
        modem.setPhonebookEntry(i, QString::number(100 + i), "N");
    ASSERT_TRUE(pb.read().done());
    // Five entries into three free locations: nothing is written.
    QList<SimEntry> five;
    for (int i = 0; i < 5; ++i)
        five.append({0, "E", "5"});
    auto o = pb.write(five);
    EXPECT_EQ(o.kind, Kind::Refused);
    EXPECT_EQ(o.message, "Short of 2 SIM Card Memory Slots.");
    EXPECT_EQ(modem.commandCount("AT+CPBW"), 0);

    // A number with other characters stops the write at that record; one
    // longer than the SIM takes is refused before it is sent.
    o = pb.write({{0, "Ok", "+123"}, {0, "Bad", "0770 090"}});
    EXPECT_EQ(o.kind, Kind::Failed);
    EXPECT_EQ(o.message, "Error writing record 2.\r\nWriting not complete.");
    EXPECT_EQ(textAt(6), "Ok");
    EXPECT_EQ(modem.phonebook().size(), 6);
    o = pb.write({{0, "Long", "1234567890123"}});
    EXPECT_EQ(o.message, "Error writing record 1.\r\nWriting not complete.");
    EXPECT_EQ(modem.commandCount("AT+CPBW"), 1);
}

TEST_F(PhonebookFixture, AFailedOrCancelledWriteMakesTheMapStale)
{
    ASSERT_TRUE(pb.read().done());
    modem.addFault("AT+CPBW=2", 1, SimModem::Fault::cme(24));
    auto o = pb.write({{0, "A", "1"}, {0, "B", "2"}, {0, "C", "3"}});
    EXPECT_EQ(o.kind, Kind::Failed);
    EXPECT_EQ(o.message, "Error writing record 2.\r\nWriting not complete.");
    EXPECT_EQ(shown(), QList<int>({1}));
    EXPECT_FALSE(pb.isCurrent());

    ASSERT_TRUE(pb.read().done());
    cancelAt("AT+CPBW=2,\"2\",,\"B\"");
    o = pb.write({{0, "B", "2"}, {0, "C", "3"}});
    EXPECT_EQ(o.kind, Kind::Cancelled);
    EXPECT_EQ(o.message, "Writing Not Complete.");
    EXPECT_EQ(modem.commandCount("AT+CPBW=4"), 0);
    EXPECT_FALSE(pb.isCurrent());
    EXPECT_FALSE(st.bCancelled);
}

TEST_F(PhonebookFixture, TheCyclesChangesFollowInListAndMap)
{
    modem.setPhonebookEntry(1, "101", "A");
    ASSERT_TRUE(pb.read().done());
    pb.noteWritten({2, "B", "102"});
    pb.noteWritten({1, "A2", "201"});
    EXPECT_EQ(list.rowCount(), 2);
    EXPECT_EQ(list.entryAt(0).name, "A2");
    EXPECT_EQ(pb.nextFreeIndex(0), 3);
    pb.noteErased(1);
    EXPECT_EQ(shown(), QList<int>({2}));
    EXPECT_EQ(pb.nextFreeIndex(0), 1);
    pb.invalidate();
    EXPECT_FALSE(pb.isCurrent());
}

// ---------------------------------------------------------------------------

TEST(SimAddressBook, ImportIsAllOrNothing)
{
    testenv::FreshDb f;
    Database& db = f.db();
    ASSERT_TRUE(db.exec("insert into tbgrps (grpnam) values ('Sales')"));
    ASSERT_TRUE(db.exec("insert into tbgrps (grpnam) values ('Admin')"));
    QStringList groups;
    QString error;
    ASSERT_TRUE(simaddress::groupNames(db, &groups, &error));
    EXPECT_EQ(groups, QStringList({"Admin", "Sales"}));

    const QList<SimEntry> three = {{1, "Smith, J", "+4401"}, {2, "O'Hara", "02"}, {3, "", "03"}};
    ASSERT_TRUE(simaddress::importEntries(db, three, "Sales", &error)) << error.toStdString();
    const Recordset rs = db.query("select addrnam1, addrno from tbaddrs order by addrno");
    ASSERT_EQ(rs.size(), 3);
    EXPECT_EQ(rs.value(0, 0).toString(), "Smith, J");
    EXPECT_EQ(rs.value(1, 0).toString(), "O'Hara");
    EXPECT_TRUE(rs.value(2, 0).isNull());   // an empty name is stored as NULL
    EXPECT_EQ(db.query("select count(*) from tbaddrgrps where grpnam = 'Sales'").value(0, 0).toInt(), 3);

    // One number already in the book: nothing of this import is kept.
    EXPECT_FALSE(simaddress::importEntries(db, {{4, "New", "04"}, {5, "Dup", "02"}}, "Admin", &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(db.query("select count(*) from tbaddrs").value(0, 0).toInt(), 3);
    EXPECT_EQ(db.query("select count(*) from tbaddrgrps").value(0, 0).toInt(), 3);

    // Without a group only the addresses are added.
    ASSERT_TRUE(simaddress::importEntries(db, {{6, "Solo", "06"}}, QString()));
    EXPECT_EQ(db.query("select count(*) from tbaddrgrps").value(0, 0).toInt(), 3);
}

TEST(SimAddressBook, ExportTakesTheNamesFromTheBook)
{
    testenv::FreshDb f;
    Database& db = f.db();
    ASSERT_TRUE(db.exec("insert into tbaddrs (addrnam1, addrnam2, addrno) values ('Ann', NULL, '01')"));
    ASSERT_TRUE(db.exec("insert into tbaddrs (addrnam1, addrnam2, addrno) values ('Bob', 'Lee', '02')"));
    const QList<SimEntry> out =
        simaddress::exportEntries(db, {{0, "Ann ", "01"}, {0, "shown", "09"}, {0, "x", "02"}});
    EXPECT_EQ(out, (QList<SimEntry>{{0, "Ann", "01"}, {0, "shown", "09"}, {0, "Bob Lee", "02"}}));
}
