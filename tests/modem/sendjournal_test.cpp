// Sending exactly once across a restart, a dropped line and a pause, against
// the simulated modem. A "restart" destroys the sender without any closing
// step and builds a new one on the same data folder, as a program that died
// and started again. The send journal is read and written here by a reader
// of the test's own, from its documented record format.
#include <gtest/gtest.h>

#include "housekeeping/Housekeeping.h"
#include "base/EngineState.h"
#include "modem/ModemLink.h"
#include "engine/OutboxQueue.h"
#include "engine/OutboxSender.h"
#include "engine/SendJournal.h"
#include "simmodem/SimModem.h"
#include "base/AppPaths.h"
#include "base/Database.h"
#include "support/TestEnv.h"
#include "support/Tpdu.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <memory>

// Readable failures.
static void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {

struct JournalSimTest : ::testing::Test {
    testenv::FreshDb fresh;
    Database& db = fresh.db();
    EngineState st;
    SimModem modem;
    ModemLink link{st};
    OutboxQueue queue{db, testenv::prompt(), st};
    std::unique_ptr<OutboxSender> sender;
    QDateTime past = QDateTime::currentDateTime().addSecs(-3600);
    QString journalPath = AppPaths::filePath("sending.journal");

    void SetUp() override
    {
        testenv::prompt().reset();
        ASSERT_TRUE(modem.start(testenv::newDir("modem") + "/modem0")) << modem.errorString().toStdString();
        modem.setEcho(false);
        ASSERT_TRUE(link.openPort(modem.portPath(), 115200, "None"));
        st.bModemConnected = true;
        st.bOutboxPaused = false;
        restart();
    }

    // The program dies and starts again: nothing of the sender survives but
    // the database and the data folder.
    void restart()
    {
        sender.reset();
        sender = std::make_unique<OutboxSender>(st, db);
        sender->setChannel(&link);
    }
    // The modem dropped the line: plug it in again and reopen the port.
    void replug()
    {
        ASSERT_TRUE(testenv::waitUntil([&] { return !link.isOpen(); }, 10000));
        ASSERT_TRUE(modem.replug());
        modem.setEcho(false);
        ASSERT_TRUE(link.openPort(modem.portPath(), 115200, "None"));
    }

    void queueText(const QString& number, const QString& text)
    {
        ASSERT_TRUE(queue.AddToOutboxQuiet(number, 1, text, past, 9));
    }
    QStringList statuses()
    {
        const Recordset rs = db.query("SELECT msgstatus FROM tboutlog ORDER BY msgcode");
        QStringList out;
        for (int i = 0; i < rs.size(); ++i)
            out << rs.value(i, 0).toString();
        return out;
    }
    QVariant queueStatus(qint64 code)
    {
        return db.query("SELECT msgstatus FROM tboutqueue WHERE msgcode=?", {code}).value(0, 0);
    }
    int queued() { return db.query("SELECT msgcode FROM tboutqueue").size(); }
    int bodies() { return int(modem.submits().size()); }

    // The identity a journal line gives a row: the first 16 hex digits of
    // the SHA-1 of number, type, content, created, send time and priority,
    // joined by the unit separator.
    QByteArray rowId(qint64 code)
    {
        const Recordset rs = db.query(
            "SELECT msgno,msgtype,msgcontent,msgcreated,msgout,msgoutpri FROM tboutqueue WHERE msgcode=?", {code});
        QStringList fields;
        for (int c = 0; c < 6; ++c)
            fields << rs.value(0, c).toString();
        return QCryptographicHash::hash(fields.join(QChar(0x1F)).toUtf8(), QCryptographicHash::Sha1)
            .toHex()
            .left(16);
    }
    // The journal's complete lines, the row identity shown as "<id>".
    QStringList journalLines()
    {
        QFile f(journalPath);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        QStringList out;
        for (QByteArray line : f.readAll().split('\n')) {
            if (line.isEmpty())
                continue;
            QList<QByteArray> fields = line.split(' ');
            EXPECT_GE(fields.size(), 3) << line.constData();
            if (fields.size() >= 3) {
                EXPECT_EQ(fields[2].size(), 16) << line.constData();
                fields[2] = "<id>";
            }
            out << QString::fromLatin1(fields.join(' '));
        }
        return out;
    }
    // The state a program leaves when it dies: the rows marked as being
    // sent, and the journal as far as it got ("<id>" stands for the
    // identity of the line's row).
    void crashState(const QList<qint64>& marked, const QStringList& lines)
    {
        for (qint64 code : marked)
            ASSERT_TRUE(db.exec("UPDATE tboutqueue SET msgstatus='A' WHERE msgcode=?", {code}));
        QFile f(journalPath);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        for (QString line : lines)
            f.write(line.replace("<id>", QString::fromLatin1(rowId(line.section(' ', 1, 1).toLongLong())))
                        .toLatin1() +
                    '\n');
    }
};

// A ringtone part: the header with port 1581 and the concatenation element,
// then payload octets.
QString smartPart(int total, int seq, int payloadOctets)
{
    auto hex2 = [](int v) { return QStringLiteral("%1").arg(v & 0xFF, 2, 16, QChar('0')).toUpper(); };
    QString part = "0B0504" "1581" "0000" "000301" + hex2(total) + hex2(seq);
    for (int i = 0; i < payloadOctets; ++i)
        part += hex2(i);
    return part;
}

} // namespace

TEST_F(JournalSimTest, AConfirmedMessageWhoseMoveFailedIsMovedNotSentAfterARestart)
{
    st.sngMsgReference = 6;
    queueText("+447700900123", "only once");
    // The Sent Items counter broken: the move keeps failing.
    ASSERT_TRUE(db.exec("UPDATE tbnumbers SET outcode=NULL"));
    sender->SendNextOutbox();
    ASSERT_EQ(bodies(), 1);
    EXPECT_EQ(statuses(), QStringList());
    EXPECT_EQ(queueStatus(1).toString(), "A");
    // Each step on the disk: the body begun, written, confirmed with the
    // modem's reference, the message done.
    EXPECT_EQ(journalLines(), QStringList({"P 1 <id> 1 1 7", "W 1 <id> 1", "C 1 <id> 1 1 7 7", "S 1 <id> C"}));

    restart();
    ASSERT_TRUE(db.exec("UPDATE tbnumbers SET outcode=0"));
    for (int i = 0; i < 3; ++i)
        sender->SendNextOutbox();
    EXPECT_EQ(bodies(), 1);
    EXPECT_EQ(modem.sentMessages().size(), 1);
    EXPECT_EQ(statuses(), QStringList({"C"}));
    EXPECT_EQ(queued(), 0);
    // Settled: the journal holds nothing more.
    EXPECT_EQ(journalLines(), QStringList());
}

TEST_F(JournalSimTest, ACrashAfterTheConfirmationOrWithoutAnswerIsSettledFromTheJournal)
{
    queueText("+447700900101", "confirmed then died");
    queueText("+447700900102", "died waiting for the answer");
    queueText("+447700900103", "died waiting twice");
    queueText("+447700900104", "died before the body");
    queueText("+447700900105", "not begun");
    queueText("+447700900106", "died twice between the record and the body");
    queueText("+447700900107", "died waiting, then before the second body");
    crashState({1, 2, 3, 4, 5, 6, 7},
               {"P 1 <id> 1 1 5", "W 1 <id> 1", "C 1 <id> 1 1 5 5", "P 2 <id> 1 1 6", "W 2 <id> 1",
                "P 3 <id> 1 1 7", "W 3 <id> 1", "P 3 <id> 1 1 7", "W 3 <id> 1", "P 6 <id> 1 1 8",
                "P 6 <id> 1 1 8", "P 7 <id> 1 1 9", "W 7 <id> 1", "P 7 <id> 1 1 9"});
    // A line cut short by the crash counts for nothing.
    {
        QFile f(journalPath);
        ASSERT_TRUE(f.open(QIODevice::Append));
        f.write("P 4 " + rowId(4) + " 1 1");
    }

    restart();
    for (int i = 0; i < 8; ++i)
        sender->SendNextOutbox();

    // 1 confirmed: never again. 3 went out twice without an answer: never a
    // third time, logged failed. 2 once more, with its own reference; 4 and
    // 5 had no body written and go as usual; neither had 6, whose body was
    // recorded as about to go each time but never written. 7 had one body
    // out and the second not yet written: once more.
    QStringList to;
    for (const tpdu::Submit& s : modem.sentMessages())
        to << s.da.number + "/" + QString::number(s.mr);
    EXPECT_EQ(to, QStringList({"+447700900102/6", "+447700900104/1", "+447700900105/2", "+447700900106/8",
                               "+447700900107/9"}));
    EXPECT_EQ(bodies(), 5);
    const Recordset log = db.query("SELECT msgno,msgstatus FROM tboutlog ORDER BY msgno");
    ASSERT_EQ(log.size(), 7);
    const QStringList expected = {"C", "C", "E", "C", "C", "C", "C"};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(log.value(i, 1).toString(), expected[i]) << log.value(i, 0).toString().toStdString();
    EXPECT_EQ(queued(), 0);
    EXPECT_EQ(journalLines(), QStringList());
}

TEST_F(JournalSimTest, ABodyLostWithTheLineIsSentAtMostOnceMore)
{
    // The line drops as each of the first two bodies arrives: the modem may
    // have sent them, nobody knows.
    modem.addFault(SimModem::kPduInput, 1, SimModem::Fault::unplug(), 2);
    queueText("+447700900123", "maybe sent");
    sender->SendNextOutbox();
    EXPECT_EQ(bodies(), 1);
    EXPECT_EQ(queued(), 1);
    EXPECT_TRUE(queueStatus(1).isNull()); // waiting again, not lost
    EXPECT_EQ(journalLines(), QStringList({"P 1 <id> 1 1 1", "W 1 <id> 1"}));

    // Back after a reconnection: one more body, whose answer is lost too.
    replug();
    sender->SendNextOutbox();
    EXPECT_EQ(bodies(), 2);
    EXPECT_EQ(statuses(), QStringList());

    // Neither a reconnection nor a restart writes it a third time.
    replug();
    restart();
    sender->SendNextOutbox();
    sender->SendNextOutbox();
    EXPECT_EQ(bodies(), 2);
    EXPECT_EQ(statuses(), QStringList({"E"}));
    EXPECT_EQ(queued(), 0);

    // The line works again: the next message goes as usual.
    queueText("+447700900124", "next");
    sender->SendNextOutbox();
    EXPECT_EQ(modem.sentMessages().size(), 1);
    EXPECT_EQ(statuses(), QStringList({"E", "C"}));
}

TEST_F(JournalSimTest, ABodyAnsweredByABareOkIsSentOnce)
{
    // A phone that answers a message body with "OK" alone, no "+CMGS: ".
    modem.setBareOkToBodies(true);
    const QString ringtone = smartPart(2, 1, 128) + smartPart(2, 2, 20);
    ASSERT_TRUE(queue.AddToOutboxQuiet("+447700900123", 2, ringtone, past, 9));
    queueText("+447700900124", "bare");
    sender->SendNextOutbox();
    sender->SendNextOutbox();
    EXPECT_EQ(bodies(), 3);
    EXPECT_EQ(modem.sentMessages().size(), 3);
    EXPECT_EQ(statuses(), QStringList({"C", "C"}));
    EXPECT_EQ(queued(), 0);
}

TEST_F(JournalSimTest, APauseBetweenPartsLeavesTheRowQueuedAndItsSentPartsSent)
{
    st.sngMsgReference = 40;
    const QString ringtone = smartPart(2, 1, 128) + smartPart(2, 2, 20);
    ASSERT_TRUE(queue.AddToOutboxQuiet("+447700900123", 2, ringtone, past, 9));
    // The operator pauses the Outbox while the first part is on its way.
    QObject::connect(&modem, &SimModem::submitReceived, &modem, [&] { st.bOutboxPaused = true; });
    QSignalSpy waiting(sender.get(), &OutboxSender::rowWaiting);
    sender->SendNextOutbox();
    ASSERT_EQ(bodies(), 1);
    ASSERT_EQ(waiting.size(), 1);
    EXPECT_EQ(waiting[0][0].toLongLong(), 1);
    EXPECT_EQ(queued(), 1);
    EXPECT_TRUE(queueStatus(1).isNull());
    EXPECT_EQ(statuses(), QStringList());
    EXPECT_EQ(journalLines(), QStringList({"P 1 <id> 1 2 41", "W 1 <id> 1", "C 1 <id> 1 2 41 41"}));

    // Activated again after a restart: the second part alone, with the
    // reference of the first.
    QObject::disconnect(&modem, &SimModem::submitReceived, &modem, nullptr);
    restart();
    st.sngMsgReference = 0;
    st.bOutboxPaused = false;
    sender->SendNextOutbox();
    const QList<tpdu::Submit> sent = modem.sentMessages();
    ASSERT_EQ(sent.size(), 2);
    EXPECT_EQ(sent[0].ud.header.concatSeq, 1);
    EXPECT_EQ(sent[1].ud.header.concatSeq, 2);
    EXPECT_EQ(sent[1].mr, 41);
    EXPECT_EQ(tpdu::toHex(sent[0].ud.raw + sent[1].ud.raw), ringtone);
    EXPECT_EQ(statuses(), QStringList({"C"}));
}

TEST_F(JournalSimTest, ACloseOrPauseDuringTheTriesReturnsAndLeavesTheRowQueued)
{
    // Every body is refused: ten tries would take each its full round.
    modem.addFault(SimModem::kPduInput, 1, SimModem::Fault::cms(500), 30);
    queueText("+447700900123", "refused");
    bool* flag = &st.bClosePending;
    QObject::connect(&modem, &SimModem::submitReceived, &modem, [&] { *flag = true; });

    sender->SendNextOutbox();
    EXPECT_EQ(bodies(), 1);
    EXPECT_EQ(queued(), 1);
    EXPECT_TRUE(queueStatus(1).isNull());
    EXPECT_EQ(statuses(), QStringList());

    st.bClosePending = false;
    flag = &st.bOutboxPaused;
    sender->SendNextOutbox();
    EXPECT_EQ(bodies(), 2);
    EXPECT_EQ(queued(), 1);

    // Left alone, the tries run their course: ten more, then "E".
    st.bOutboxPaused = false;
    QObject::disconnect(&modem, &SimModem::submitReceived, &modem, nullptr);
    sender->SendNextOutbox();
    EXPECT_EQ(bodies(), 12);
    EXPECT_EQ(statuses(), QStringList({"E"}));
}

TEST_F(JournalSimTest, ARowRenumberedByTheStartUpTidyIsFoundAgain)
{
    queueText("+447700900101", "deleted");
    queueText("+447700900102", "waiting");
    queueText("+447700900103", "sent, move owed");
    crashState({3}, {"P 3 <id> 1 1 9", "C 3 <id> 1 1 9 9", "S 3 <id> C"});
    ASSERT_TRUE(db.exec("DELETE FROM tboutqueue WHERE msgcode=1"));
    ASSERT_EQ(housekeeping::renumber(db, housekeeping::kCodeTables[1]), 2);
    ASSERT_EQ(db.query("SELECT msgno FROM tboutqueue WHERE msgcode=2").value(0, 0).toString(), "+447700900103");

    restart();
    ASSERT_TRUE(sender->recoverInterruptedSends());
    EXPECT_EQ(statuses(), QStringList({"C"}));
    sender->SendNextOutbox();
    const QList<tpdu::Submit> sent = modem.sentMessages();
    ASSERT_EQ(sent.size(), 1);
    EXPECT_EQ(sent[0].da.number, "+447700900102");
    EXPECT_EQ(queued(), 0);
}

TEST_F(JournalSimTest, NothingIsSentUnlessTheJournalTakesItFirst)
{
    queueText("+447700900123", "not without a record");
    ASSERT_TRUE(sender->recoverInterruptedSends());
    // A folder where the journal should be: it cannot be written.
    QFile::remove(journalPath);
    ASSERT_TRUE(QDir().mkpath(journalPath));
    sender->SendNextOutbox();
    EXPECT_EQ(modem.commandCount("AT+CMGS="), 0);
    EXPECT_EQ(queued(), 1);
    EXPECT_TRUE(queueStatus(1).isNull());

    ASSERT_TRUE(QDir(journalPath).removeRecursively());
    sender->SendNextOutbox();
    EXPECT_EQ(modem.sentMessages().size(), 1);
    EXPECT_EQ(statuses(), QStringList({"C"}));
}

TEST(SendJournal, WrittenAnewItKeepsWhatEachPartWentThrough)
{
    const QString path = testenv::newDir("journal") + "/sending.journal";
    const QByteArray a = SendJournal::rowId("+1", "2", "AB", "2026-01-01 00:00:00", "2026-01-01 00:00:00", "9");
    const QByteArray b = SendJournal::rowId("+2", "1", "C8", "2026-01-01 00:00:00", "2026-01-01 00:00:00", "9");
    ASSERT_NE(a, b);
    {
        SendJournal j(path);
        ASSERT_TRUE(j.load());
        // Message 4, three parts: the first unanswered then confirmed, the
        // second refused, the third unanswered twice.
        ASSERT_TRUE(j.beginPart(4, a, 1, 3, 12));
        ASSERT_TRUE(j.partWritten(4, 1));
        j.noteUnanswered(4, 1);
        ASSERT_TRUE(j.beginPart(4, a, 1, 3, 12));
        ASSERT_TRUE(j.partWritten(4, 1));
        ASSERT_TRUE(j.confirmPart(4, 1, 200));
        ASSERT_TRUE(j.beginPart(4, a, 2, 3, 12));
        ASSERT_TRUE(j.refusePart(4, 2));
        ASSERT_TRUE(j.beginPart(4, a, 3, 3, 12));
        ASSERT_TRUE(j.partWritten(4, 3));
        j.noteUnanswered(4, 3);
        ASSERT_TRUE(j.beginPart(4, a, 3, 3, 12));
        ASSERT_TRUE(j.partWritten(4, 3)); // the program dies here
        // Part 2 begun once more, the program dying before its body left:
        // nothing to count.
        ASSERT_TRUE(j.beginPart(4, a, 2, 3, 12));
        // Message 9 done, its move owed; message 5 done with.
        ASSERT_TRUE(j.settle(9, b, "E"));
        ASSERT_TRUE(j.beginPart(5, b, 1, 1, 13));
        ASSERT_TRUE(j.confirmPart(5, 1, 201));
        ASSERT_TRUE(j.forget(5));
    }
    for (int round = 0; round < 2; ++round) {
        SendJournal j(path);
        ASSERT_TRUE(j.load());
        EXPECT_EQ(j.codes(), QList<qint64>({4, 9}));
        EXPECT_TRUE(j.partConfirmed(4, 1));
        EXPECT_EQ(j.unansweredBodies(4, 1), 1);
        EXPECT_FALSE(j.partConfirmed(4, 2));
        EXPECT_EQ(j.unansweredBodies(4, 2), 0);
        EXPECT_EQ(j.unansweredBodies(4, 3), 2);
        EXPECT_TRUE(j.anyPartExhausted(4));
        EXPECT_FALSE(j.allConfirmed(4));
        EXPECT_EQ(j.reference(4), 12);
        EXPECT_EQ(j.status(4), "");
        EXPECT_EQ(j.status(9), "E");
        EXPECT_EQ(j.settledCodes(), QList<qint64>({9}));
        ASSERT_TRUE(j.compact()); // the next round reads the rewritten file
    }
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray all = f.readAll();
    EXPECT_FALSE(all.contains(" 5 ")) << all.constData();
    EXPECT_TRUE(all.startsWith("P 4 " + a + " 1 3 12\n")) << all.constData();
}
