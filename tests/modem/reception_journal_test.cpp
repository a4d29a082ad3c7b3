// A received message is acknowledged only once it is kept: stored, or, while
// another program holds the database's write lock, written to the receive
// journal and stored when the lock is free. Nothing acknowledged is lost and
// nothing is stored twice, also when the network delivers a message again or
// the journal is replayed a second time. Through the simulated modem; the
// journal is read and written here by a reader of its own.
#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <sqlite3.h>

#include "modem/AtChannel.h"
#include "base/EngineState.h"
#include "modem/ModemLink.h"
#include "engine/Reception.h"
#include "simmodem/SimModem.h"
#include "base/Database.h"
#include "support/TestEnv.h"
#include "support/Tpdu.h"

namespace {

// Another program with the database's write lock.
class LockHolder {
public:
    ~LockHolder() { release(); }
    bool hold(const QString& path)
    {
        if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db_, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
            return false;
        return sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    void release()
    {
        if (!db_)
            return;
        sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_close(db_);
        db_ = nullptr;
    }

private:
    sqlite3* db_ = nullptr;
};

// The journal's lines as this test reads them: "V1 arrival pdu check".
struct Line {
    QString arrival, pdu;
};
QList<Line> readJournal(const QString& path, int* broken = nullptr)
{
    QFile f(path);
    QList<Line> out;
    if (broken)
        *broken = 0;
    if (!f.open(QIODevice::ReadOnly))
        return out;
    for (const QByteArray& line : f.readAll().split('\n')) {
        if (line.isEmpty())
            continue;
        const QList<QByteArray> parts = line.split(' ');
        const QByteArray body = parts.mid(0, 3).join(' ');
        const QByteArray check = QCryptographicHash::hash(body, QCryptographicHash::Sha1).toHex().left(8);
        if (parts.size() != 4 || parts[0] != "V1" || parts[3] != check) {
            if (broken)
                ++*broken;
            continue;
        }
        out.append({QString::fromLatin1(parts[1]), QString::fromLatin1(parts[2])});
    }
    return out;
}
QByteArray journalLine(const QString& arrival, const QString& pdu)
{
    const QByteArray body = "V1 " + arrival.toLatin1() + ' ' + pdu.toLatin1();
    return body + ' ' + QCryptographicHash::hash(body, QCryptographicHash::Sha1).toHex().left(8) + '\n';
}

class ReceptionJournalTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        testenv::prompt().reset();
        ASSERT_TRUE(modem.start(testenv::newDir("modem") + "/modem0")) << modem.errorString().toStdString();
        modem.setEcho(false);
        ASSERT_TRUE(link.openPort(modem.portPath(), 115200, "None"));
        QObject::connect(&link, &ModemLink::cmtReceived, reception.get(), &Reception::DecodeIncomingPDU);
        reception->setReplayInterval(20);
    }
    // Reception learns which acknowledgements were confirmed.
    void followAcknowledgements()
    {
        QObject::connect(&link, &ModemLink::acknowledgementSent, reception.get(), &Reception::acknowledgementSent);
        QObject::connect(&link, &ModemLink::acknowledgementConfirmed, reception.get(),
                         &Reception::acknowledgementConfirmed);
        QObject::connect(&link, &ModemLink::acknowledgementFailed, reception.get(), &Reception::acknowledgementFailed);
    }
    // The program stopped with whatever reception held in memory, and
    // started again.
    void restart()
    {
        reception = std::make_unique<Reception>(fresh.db(), st, nullptr);
        QObject::connect(&link, &ModemLink::cmtReceived, reception.get(), &Reception::DecodeIncomingPDU);
        followAcknowledgements();
    }
    int acked(const QString& pdu)
    {
        return fresh.db()
            .query("SELECT acked FROM tbindigest WHERE digest=?", {Reception::digestOf(pdu)})
            .value(0, 0)
            .toInt();
    }

    int stored(const char* where = "tbinqueue")
    {
        return fresh.db().query(QStringLiteral("SELECT COUNT(*) FROM %1").arg(QLatin1String(where))).value(0, 0).toInt();
    }
    QString journal() const { return QDir(fresh.dir()).filePath("received.journal"); }
    // Delivers one indication and waits until reception has dealt with it.
    void deliver(const QString& pdu)
    {
        const int before = cmts.size();
        modem.injectCmt(pdu);
        ASSERT_TRUE(testenv::waitUntil([&] { return cmts.size() > before; }, 10000));
    }
    // The cycle's first step: acknowledge what is pending.
    void acknowledge() { acknowledgePendingCMT(st, link); }

    testenv::FreshDb fresh;
    EngineState st;
    SimModem modem;
    ModemLink link{st};
    std::unique_ptr<Reception> reception = std::make_unique<Reception>(fresh.db(), st, nullptr);
    QSignalSpy cmts{&link, &ModemLink::cmtReceived};
    QSignalSpy storedSpy{reception.get(), &Reception::messageStored};
    LockHolder other;
};

} // namespace

TEST_F(ReceptionJournalTest, ALockedDatabaseJournalsBeforeTheAcknowledgementAndStoresOnceFree)
{
    const QString first = tpdu::deliverText("+447700900123", "while locked");
    const QString second = tpdu::deliverText("+447700900124", "also while locked");
    ASSERT_TRUE(other.hold(fresh.path()));
    deliver(first);
    EXPECT_EQ(reception->lastKept(), Reception::Kept::Journaled);
    EXPECT_TRUE(st.bGotCMT);
    acknowledge();
    deliver(second);
    EXPECT_EQ(reception->lastKept(), Reception::Kept::Journaled);
    EXPECT_EQ(stored(), 0);
    // Acknowledged only because the journal has it, flushed.
    const QList<Line> lines = readJournal(journal());
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0].pdu, first);
    EXPECT_EQ(lines[1].pdu, second);
    EXPECT_TRUE(QDateTime::fromString(lines[0].arrival, Qt::ISODate).isValid()) << lines[0].arrival.toStdString();
    EXPECT_TRUE(st.bGotCMT);
    acknowledge();
    EXPECT_EQ(modem.unacknowledgedCount(), 0);
    EXPECT_EQ(storedSpy.size(), 0);

    other.release();
    ASSERT_TRUE(testenv::waitUntil([&] { return stored() == 2; }, 10000));
    EXPECT_FALSE(QFile::exists(journal()));
    EXPECT_FALSE(reception->journalPending());
    const Recordset rs = fresh.db().query("SELECT msgfrom, msgcreated FROM tbinqueue ORDER BY msgcode");
    EXPECT_EQ(rs.value(0, 0).toString(), "+447700900123");
    EXPECT_EQ(rs.value(1, 0).toString(), "+447700900124");
    // Stored with the time it arrived.
    EXPECT_EQ(dbtime::fromDb(rs.value(0, 1)), QDateTime::fromString(lines[0].arrival, Qt::ISODate));
    EXPECT_EQ(storedSpy.size(), 2);

    // The network offers the first again (its acknowledgement was lost):
    // acknowledged, not stored twice.
    deliver(first);
    EXPECT_EQ(reception->lastKept(), Reception::Kept::AlreadyKept);
    EXPECT_TRUE(st.bGotCMT);
    acknowledge();
    EXPECT_EQ(stored(), 2);
    EXPECT_EQ(storedSpy.size(), 2);
}

TEST_F(ReceptionJournalTest, AMessageNeitherStoredNorJournaledIsNotAcknowledged)
{
    const QString pdu = tpdu::deliverText("+447700900123", "nowhere to go");
    ASSERT_TRUE(other.hold(fresh.path()));
    // A folder where the journal would be: it cannot be written.
    ASSERT_TRUE(QDir().mkpath(journal()));
    deliver(pdu);
    EXPECT_EQ(reception->lastKept(), Reception::Kept::NotKept);
    EXPECT_FALSE(st.bGotCMT);
    acknowledge();
    EXPECT_EQ(modem.commandCount("AT+CNMA"), 0);
    EXPECT_EQ(modem.unacknowledgedCount(), 1);

    // The network delivers it again once the program can keep it.
    other.release();
    ASSERT_TRUE(QDir(journal()).removeRecursively());
    deliver(pdu);
    EXPECT_EQ(reception->lastKept(), Reception::Kept::Stored);
    EXPECT_TRUE(st.bGotCMT);
    EXPECT_EQ(stored(), 1);
}

TEST_F(ReceptionJournalTest, AMalformedIndicationIsDroppedAndStillAcknowledged)
{
    ASSERT_TRUE(other.hold(fresh.path()));
    deliver(tpdu::deliverText("+447700900123", "cut short").chopped(2));
    EXPECT_EQ(reception->lastKept(), Reception::Kept::Dropped);
    EXPECT_TRUE(st.bGotCMT);
    EXPECT_FALSE(QFile::exists(journal()));
}

TEST_F(ReceptionJournalTest, PartsOfASetAreJournaledAndJoinedOnce)
{
    auto part = [](int seq) {
        tpdu::DeliverSpec s;
        s.sender = "+447700900555";
        s.dcs = 0xF5;
        s.udh = {tpdu::portElement16(0x1581, 0), tpdu::concatElement8(7, 3, seq)};
        s.data = QByteArray(10, char(0x40 + seq));
        return tpdu::buildDeliver(s).value_or(QString());
    };
    ASSERT_TRUE(other.hold(fresh.path()));
    deliver(part(2));
    deliver(part(1));
    EXPECT_EQ(readJournal(journal()).size(), 2);
    other.release();
    ASSERT_TRUE(testenv::waitUntil([&] { return !reception->journalPending(); }, 10000));
    EXPECT_EQ(stored("tbintemp"), 2);
    // Part 1 again (a redelivery), then the last part.
    deliver(part(1));
    EXPECT_EQ(reception->lastKept(), Reception::Kept::AlreadyKept);
    deliver(part(3));
    ASSERT_EQ(stored(), 1);
    EXPECT_EQ(stored("tbintemp"), 0);
    QString expected;
    for (int seq = 1; seq <= 3; ++seq)
        expected += tpdu::toHex(tpdu::encodeUdh({tpdu::portElement16(0x1581, 0), tpdu::concatElement8(7, 3, seq)}) +
                                QByteArray(10, char(0x40 + seq)));
    EXPECT_EQ(fresh.db().query("SELECT msgcontent FROM tbinqueue").value(0, 0).toString(), expected);
}

TEST_F(ReceptionJournalTest, AMessageArrivingInsideAnOpenTransactionSurvivesItsRollback)
{
    ASSERT_TRUE(fresh.db().begin());
    deliver(tpdu::deliverText("+447700900123", "during a transaction"));
    EXPECT_EQ(reception->lastKept(), Reception::Kept::Journaled);
    EXPECT_TRUE(st.bGotCMT);
    ASSERT_TRUE(fresh.db().rollback());
    ASSERT_TRUE(testenv::waitUntil([&] { return stored() == 1; }, 10000));
    EXPECT_FALSE(QFile::exists(journal()));
}

// A confirmation is kept with the message it confirms: neither applied
// before the journaled message's row exists, nor lost when the program
// stops while the database is locked. Either way the same PDU afterwards
// is a new message.
TEST_F(ReceptionJournalTest, TheConfirmationOfAJournaledMessageIsAppliedWithIt)
{
    followAcknowledgements();
    reception->setReplayInterval(60000);
    const QString alarm = tpdu::deliverText("+447700900123", "ALARM zone 3");
    ASSERT_TRUE(other.hold(fresh.path()));
    deliver(alarm);
    EXPECT_EQ(reception->lastKept(), Reception::Kept::Journaled);
    other.release();
    acknowledge(); // its "OK" comes before the journal is replayed
    EXPECT_EQ(modem.unacknowledgedCount(), 0);
    EXPECT_EQ(stored(), 0);
    EXPECT_TRUE(reception->replayJournal());
    EXPECT_EQ(acked(alarm), 1);
    deliver(alarm);
    EXPECT_EQ(reception->lastKept(), Reception::Kept::Stored);
    EXPECT_EQ(stored(), 2);
}

TEST_F(ReceptionJournalTest, AConfirmationTheLockedDatabaseRefusedSurvivesAStop)
{
    followAcknowledgements();
    const QString alarm = tpdu::deliverText("+447700900123", "ALARM zone 4");
    deliver(alarm);
    EXPECT_EQ(reception->lastKept(), Reception::Kept::Stored);
    ASSERT_TRUE(other.hold(fresh.path()));
    acknowledge();
    EXPECT_EQ(modem.unacknowledgedCount(), 0);
    restart();
    other.release();
    ASSERT_TRUE(testenv::waitUntil([&] { return !QFile::exists(journal()); }, 10000));
    EXPECT_EQ(acked(alarm), 1);
    deliver(alarm);
    EXPECT_EQ(stored(), 2);
}

// The program stopped after storing what the journal held but before the
// journal was removed, and in the middle of writing a last line that was
// therefore never acknowledged: the next start stores every complete line
// exactly once and skips the torn one.
TEST(ReceptionJournalReplay, AJournalReplayedAgainAfterAStopStoresEachMessageOnce)
{
    testenv::FreshDb fresh;
    EngineState st;
    const QString a = tpdu::deliverText("+447700900123", "one");
    const QString b = tpdu::deliverText("+447700900124", "two");
    const QString journal = QDir(fresh.dir()).filePath("received.journal");
    QByteArray contents = journalLine("2026-01-02T03:04:05", a) + journalLine("2026-01-02T03:04:06", b);
    QFile f(journal);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(contents);
    f.close();
    {
        Reception first(fresh.db(), st, nullptr);
        ASSERT_TRUE(testenv::waitUntil([&] { return !QFile::exists(journal); }));
        EXPECT_EQ(fresh.db().query("SELECT COUNT(*) FROM tbinqueue").value(0, 0).toInt(), 2);
    }
    // The same journal again, with a third line cut short and a line whose
    // check does not match.
    const QString c = tpdu::deliverText("+447700900125", "three");
    QByteArray bad = journalLine("2026-01-02T03:04:07", c);
    bad[10] = 'X';
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(contents + bad + journalLine("2026-01-02T03:04:08", c).left(30));
    f.close();
    Reception again(fresh.db(), st, nullptr);
    QSignalSpy spy(&again, &Reception::messageStored);
    ASSERT_TRUE(testenv::waitUntil([&] { return !QFile::exists(journal); }));
    EXPECT_EQ(fresh.db().query("SELECT COUNT(*) FROM tbinqueue").value(0, 0).toInt(), 2);
    EXPECT_EQ(spy.size(), 0);
    const Recordset rs = fresh.db().query("SELECT msgcreated FROM tbinqueue ORDER BY msgcode");
    EXPECT_EQ(rs.value(0, 0).toString(), "2026-01-02 03:04:05");
    EXPECT_EQ(rs.value(1, 0).toString(), "2026-01-02 03:04:06");

    // A message journaled after a torn line still gets a line of its own.
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(journalLine("2026-01-02T03:04:08", c).left(30));
    f.close();
    ASSERT_TRUE(fresh.db().begin()); // holds the journal back
    const QString d = tpdu::deliverText("+447700900126", "four");
    again.DecodeIncomingPDU(QStringLiteral(",20"), d);
    EXPECT_EQ(again.lastKept(), Reception::Kept::Journaled);
    int broken = 0;
    const QList<Line> lines = readJournal(journal, &broken);
    ASSERT_EQ(lines.size(), 1);
    EXPECT_EQ(lines[0].pdu, d);
    EXPECT_EQ(broken, 1);
    ASSERT_TRUE(fresh.db().rollback());
    ASSERT_TRUE(testenv::waitUntil([&] { return !QFile::exists(journal); }));
    EXPECT_EQ(fresh.db().query("SELECT COUNT(*) FROM tbinqueue").value(0, 0).toInt(), 3);
}

// An older database without the digest table gets it when opened.
TEST(ReceptionJournalReplay, AnOlderDatabaseIsUpgradedWhenOpened)
{
    testenv::FreshDb fresh;
    // As a first-version file was: no digest table, waiting parts untimed.
    ASSERT_TRUE(fresh.db().exec("DROP TABLE tbindigest"));
    ASSERT_TRUE(fresh.db().exec("DROP TABLE tbintemp"));
    ASSERT_TRUE(fresh.db().exec(
        "CREATE TABLE tbintemp (msgfrom TEXT, msgcontent TEXT, msgtype INTEGER, msgreqtype INTEGER)"));
    ASSERT_TRUE(fresh.db().exec("INSERT INTO tbintemp VALUES ('+1', '0504158A', 4, 0)"));
    ASSERT_TRUE(fresh.db().exec("PRAGMA user_version = 1"));
    fresh.db().close();
    ASSERT_TRUE(fresh.db().open(fresh.path()));
    EXPECT_EQ(fresh.db().schemaVersion(), Database::kSchemaVersion);
    EXPECT_EQ(fresh.db().query("PRAGMA user_version").value(0, 0).toInt(), 4);
    EXPECT_TRUE(fresh.db().query("SELECT COUNT(*) FROM tbindigest").ok());
    // The part kept before the upgrade is still there, with no arrival time.
    const Recordset parts = fresh.db().query("SELECT msgfrom, msgreceived FROM tbintemp");
    ASSERT_TRUE(parts.ok());
    ASSERT_EQ(parts.size(), 1);
    EXPECT_EQ(parts.value(0, 0).toString(), "+1");
    EXPECT_TRUE(parts.value(0, 1).isNull());
}
