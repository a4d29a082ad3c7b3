// The Outbox queue: merge fields, the text rule, the stored row and the
// database failures.
#include <gtest/gtest.h>

#include "sms/Gsm7.h"
#include "base/EngineState.h"
#include "engine/OutboxQueue.h"
#include "base/Database.h"
#include "support/TestEnv.h"

#include <QSignalSpy>
#include <functional>

namespace {

struct QueueFixture : ::testing::Test {
    testenv::FreshDb fresh;
    Database& db = fresh.db();
    CycleState cycle;
    OutboxQueue queue{db, testenv::prompt(), cycle};
    QDateTime when = QDateTime(QDate(2025, 3, 4), QTime(5, 6, 7));

    void SetUp() override
    {
        testenv::prompt().reset();
        ASSERT_TRUE(db.exec("INSERT INTO tbaddrs(addrslt,addrnam1,addrnam2,addrno,addrco,addrf1,addrf2,addrf3) "
                            "VALUES(?,?,?,?,?,?,?,?)",
                            {"Mr", QString::fromUtf8("Jos\u00E9"), "O'Neil", "+447700900123", "Acme", "one",
                             QVariant(), "three"}));
    }

    Recordset rows() { return db.query("SELECT msgcode,msgno,msgtype,msgcontent,msgout,msgoutpri,msgstatus "
                                       "FROM tboutqueue ORDER BY msgcode"); }
    QString storedText(int row) { return gsm7::textFromPacked(rows().value(row, "msgcontent").toString()); }
};

} // namespace

TEST_F(QueueFixture, MergeFieldsComeFromTheEntryAndAreCaseSensitive)
{
    ASSERT_TRUE(queue.AddToOutbox("+447700900123", 1,
                                  "{sa} {fn} {ln} {mn} {co} {f1}/{f2}/{f3} {SA} {Fn}", when, 9));
    EXPECT_EQ(storedText(0),
              QString::fromUtf8("Mr Jos\u00E9 O'Neil +447700900123 Acme one//three {SA} {Fn}"));
    // A number not in the address book loses the codes and keeps the rest.
    ASSERT_TRUE(queue.AddToOutbox("+15550001", 1, "Dear {sa} {ln}, hello", when, 9));
    EXPECT_EQ(storedText(1), "Dear  , hello");
    EXPECT_EQ(testenv::prompt().count(), 0);
}

// Whoever queues a row, the sending step is told at once; a row refused
// tells it nothing.
TEST_F(QueueFixture, EveryRowTakenRaisesTheOutbox)
{
    ASSERT_TRUE(db.exec("INSERT INTO tbaddrgrps(grpnam,addrno) VALUES('Team','+447700900123')"));
    ASSERT_TRUE(db.exec("INSERT INTO tboutlog(msgcode,msgno,msgtype,msgcontent) VALUES(5,'+441',1,'C8')"));
    const QList<std::pair<const char*, std::function<bool()>>> ways{
        {"box", [&] { return queue.AddToOutbox("+441", 1, "a", when, 9); }},
        {"quiet", [&] { return queue.AddToOutboxQuiet("+441", 3, "0B05", QDateTime(), 9); }},
        {"group", [&] { return queue.AddGroupToOutbox("Team", 1, "a", when, 9) == 1; }},
        {"resend", [&] { return queue.ResendFromLog(5) > 0; }},
        {"refused", [&] { return !queue.AddToOutboxQuiet("+441", 1, QString(161, 'a'), when, 9); }},
    };
    for (const auto& [name, queueRow] : ways) {
        cycle.bOutboxChanged = false;
        cycle.sngSendCount = 7;
        ASSERT_TRUE(queueRow()) << name;
        const bool refused = std::string(name) == "refused";
        EXPECT_EQ(cycle.bOutboxChanged, !refused) << name;
        EXPECT_EQ(cycle.sngSendCount, refused ? 7 : 1) << name;
    }
}

TEST_F(QueueFixture, RowHoldsBoundValuesAndSignalsTheList)
{
    QSignalSpy added(&queue, &OutboxQueue::rowAdded);
    ASSERT_TRUE(queue.AddToOutbox("+447700900123", 1, "It's {fn}'s; DROP TABLE tboutqueue;--", when, 7));
    ASSERT_TRUE(queue.AddToOutbox(" 01 ", 1, "x", QDateTime(), 8));
    ASSERT_TRUE(queue.AddToOutbox("+447700900123", 3, "0B0504158200000003010201", when, 9));

    const Recordset rs = rows();
    ASSERT_EQ(rs.size(), 3);
    EXPECT_EQ(rs.value(0, "msgcode").toLongLong(), 1);
    EXPECT_EQ(rs.value(0, "msgno").toString(), "+447700900123");
    EXPECT_EQ(rs.value(0, "msgtype").toInt(), 1);
    EXPECT_EQ(rs.value(0, "msgout").toString(), "2025-03-04 05:06:07");
    EXPECT_EQ(rs.value(0, "msgoutpri").toInt(), 7);
    EXPECT_TRUE(rs.value(0, "msgstatus").isNull());
    EXPECT_EQ(gsm7::textFromPacked(rs.value(0, "msgcontent").toString()),
              QString::fromUtf8("It's Jos\u00E9's; DROP TABLE tboutqueue;--"));
    EXPECT_EQ(rs.value(0, "msgcontent").toString(), rs.value(0, "msgcontent").toString().toUpper());
    // The number is stored as given; no send time means now.
    EXPECT_EQ(rs.value(1, "msgno").toString(), " 01 ");
    EXPECT_LE(qAbs(dbtime::fromDb(rs.value(1, "msgout")).secsTo(QDateTime::currentDateTime())), 2);
    // Smart content is stored exactly as given.
    EXPECT_EQ(rs.value(2, "msgcontent").toString(), "0B0504158200000003010201");

    ASSERT_EQ(added.size(), 3);
    EXPECT_EQ(added[0][0].toLongLong(), 1);
    EXPECT_EQ(added[0][1].toDateTime(), when);
    EXPECT_EQ(added[0][2].toString(), QString::fromUtf8("Jos\u00E9 O'Neil"));
    EXPECT_EQ(added[0][3].toString(), "+447700900123");
    EXPECT_EQ(added[0][4].toInt(), 1);
    EXPECT_EQ(added[1][2].toString(), " ");
    // Other types show a blank for the name even for a known number.
    EXPECT_EQ(added[2][2].toString(), " ");
    EXPECT_EQ(added[2][4].toInt(), 3);
}

TEST_F(QueueFixture, TextsThatCannotBeSentAreRefusedWhereTheyEnter)
{
    QString why;
    EXPECT_TRUE(OutboxQueue::canSendText(QString(160, 'a')));
    EXPECT_FALSE(OutboxQueue::canSendText(QString(161, 'a'), &why));
    EXPECT_TRUE(why.contains("161")) << why.toStdString();
    // Extension characters take two septets each.
    EXPECT_TRUE(OutboxQueue::canSendText(QString(80, QChar(0x20AC))));
    EXPECT_FALSE(OutboxQueue::canSendText(QString(80, QChar(0x20AC)) + "a"));
    // 160 characters ending in '@' would need the pad after it.
    EXPECT_TRUE(OutboxQueue::canSendText(QString(158, 'a') + "@a"));
    EXPECT_FALSE(OutboxQueue::canSendText(QString(159, 'a') + "@", &why));
    EXPECT_TRUE(why.contains("cannot end in")) << why.toStdString();
    EXPECT_FALSE(OutboxQueue::canSendText(QString(159, 'a') + "@\r", &why));
    EXPECT_TRUE(why.contains("161")) << why.toStdString();
    // Blanks at both ends do not count; a blank text is empty.
    EXPECT_TRUE(OutboxQueue::canSendText("  " + QString(160, 'a') + "  "));
    EXPECT_FALSE(OutboxQueue::canSendText("   ", &why));
    EXPECT_EQ(why, "The message is empty.");
    EXPECT_FALSE(OutboxQueue::canSendText(QString::fromUtf8("ok \u2713"), &why));
    EXPECT_TRUE(why.contains(QString::fromUtf8("\"\u2713\""))) << why.toStdString();

    // The box-showing variant warns and stores nothing.
    EXPECT_FALSE(queue.AddToOutbox("+15550001", 1, QString::fromUtf8("smile \U0001F600"), when, 9));
    ASSERT_EQ(testenv::prompt().count(), 1);
    EXPECT_EQ(testenv::prompt().shown()[0].title, "Warning");
    EXPECT_TRUE(testenv::prompt().shown()[0].text.contains(QString::fromUtf8("\U0001F600")));
    // The quiet one gives the reason and shows nothing.
    EXPECT_FALSE(queue.AddToOutboxQuiet("+15550001", 1, "", when, 9, &why));
    EXPECT_EQ(why, "The message is empty.");
    // A merge field can make a valid text too long.
    EXPECT_FALSE(queue.AddToOutboxQuiet("+447700900123", 1, QString(155, 'a') + "{ln}", when, 9, &why));
    EXPECT_TRUE(queue.AddToOutboxQuiet("+15550001", 1, QString(155, 'a') + "{ln}", when, 9, &why));
    EXPECT_EQ(testenv::prompt().count(), 1);
    EXPECT_EQ(rows().size(), 1);
    // No code was drawn for the refused texts.
    EXPECT_EQ(rows().value(0, "msgcode").toLongLong(), 1);
}

// The sender could only log such a row as failed: every way in refuses it
// and says which number, before a code is drawn.
TEST_F(QueueFixture, NumbersTheModemCannotTakeAreRefusedOnEveryPath)
{
    QString why;
    for (const char* bad : {"12 34 x", "", "+", "0'1", "123456789012345678901"}) {
        EXPECT_FALSE(queue.AddToOutboxQuiet(bad, 1, "hi", when, 9, &why)) << bad;
        EXPECT_TRUE(why.contains(QString("\"%1\"").arg(bad))) << why.toStdString();
        EXPECT_FALSE(queue.AddToOutboxQuiet(bad, 3, "0B05", when, 9)) << bad;
    }
    EXPECT_EQ(testenv::prompt().count(), 0);
    EXPECT_FALSE(queue.AddToOutbox("12 34 x", 1, "hi", when, 9));
    ASSERT_EQ(testenv::prompt().count(), 1);
    EXPECT_EQ(testenv::prompt().shown()[0].title, "Warning");
    EXPECT_TRUE(testenv::prompt().shown()[0].text.contains("\"12 34 x\""));

    testenv::prompt().reset();
    ASSERT_TRUE(db.exec("INSERT INTO tbaddrgrps(grpnam,addrno) VALUES('Team','12 34 x'),('Team','+15550001')"));
    EXPECT_EQ(queue.AddGroupToOutbox("Team", 1, "hi", when, 9), 1);
    ASSERT_EQ(testenv::prompt().count(), 1);
    EXPECT_TRUE(testenv::prompt().shown()[0].text.contains("\"12 34 x\""));

    // A failed row of Sent Items is not queued again.
    ASSERT_TRUE(db.exec("INSERT INTO tboutlog(msgcode,msgno,msgtype,msgcontent,msgstatus) "
                        "VALUES(5,'12 34 x',1,'E8','E')"));
    why.clear();
    EXPECT_EQ(queue.ResendFromLog(5, &why), -1);
    EXPECT_TRUE(why.contains("\"12 34 x\"")) << why.toStdString();
    EXPECT_EQ(rows().size(), 1);
    EXPECT_EQ(rows().value(0, "msgcode").toLongLong(), 1);
}

TEST_F(QueueFixture, DatabaseFailuresSayUnableToAddRecord)
{
    // The code counter broken: GetNextCode gives -1.
    ASSERT_TRUE(db.exec("UPDATE tbnumbers SET msgcode=NULL"));
    EXPECT_FALSE(queue.AddToOutbox("+15550001", 1, "hi", when, 9));
    ASSERT_EQ(testenv::prompt().count(), 1);
    EXPECT_EQ(testenv::prompt().shown()[0].title, "Database Error");
    EXPECT_EQ(testenv::prompt().shown()[0].text, "Unable to add record");
    QString why;
    EXPECT_FALSE(queue.AddToOutboxQuiet("+15550001", 2, "00", when, 9, &why));
    EXPECT_EQ(why, "Unable to add record");

    // The insert fails: the next code is already taken.
    ASSERT_TRUE(db.exec("UPDATE tbnumbers SET msgcode=4"));
    ASSERT_TRUE(db.exec("INSERT INTO tboutqueue(msgcode,msgno) VALUES(5,'x')"));
    EXPECT_FALSE(queue.AddToOutbox("+15550001", 1, "hi", when, 9));
    EXPECT_EQ(testenv::prompt().count(), 2);
    EXPECT_EQ(rows().size(), 1);
    EXPECT_TRUE(queue.AddToOutbox("+15550001", 1, "hi", when, 9));
    EXPECT_EQ(rows().value(1, "msgcode").toLongLong(), 6);
}

TEST_F(QueueFixture, GroupQueuesEveryMemberWithItsOwnFields)
{
    ASSERT_TRUE(db.exec("INSERT INTO tbaddrs(addrnam1,addrno) VALUES('Ann','+15550002'),(?,'+15550003'),(?,'+15550005')",
                        {QString::fromUtf8("\u2603"), QString::fromUtf8("\u2603")}));
    for (const char* no : {"+447700900123", "+15550002", "+15550003", "+15550004", "+15550005"})
        ASSERT_TRUE(db.exec("INSERT INTO tbaddrgrps(grpnam,addrno) VALUES('Team',?)", {no}));
    ASSERT_TRUE(db.exec("INSERT INTO tbaddrgrps(grpnam,addrno) VALUES('Other','+15550009')"));

    // The group name matches without case; two members' names cannot be
    // sent, and the same reason is shown once.
    EXPECT_EQ(queue.AddGroupToOutbox("team", 1, "Hi {fn}", when, 9), 3);
    const Recordset rs = rows();
    ASSERT_EQ(rs.size(), 3);
    QStringList texts;
    for (int i = 0; i < rs.size(); ++i)
        texts << rs.value(i, "msgno").toString() + "=" + gsm7::textFromPacked(rs.value(i, "msgcontent").toString());
    texts.sort();
    EXPECT_EQ(texts, QStringList({"+15550002=Hi Ann", "+15550004=Hi",
                                  QString::fromUtf8("+447700900123=Hi Jos\u00E9")}));
    ASSERT_EQ(testenv::prompt().count(), 1);
    EXPECT_EQ(testenv::prompt().shown()[0].title, "Warning");

    testenv::prompt().reset();
    EXPECT_EQ(queue.AddGroupToOutbox("Nobody", 1, "Hi", when, 9), 0);
    EXPECT_EQ(testenv::prompt().count(), 0);
    EXPECT_EQ(rows().size(), 3);
}

TEST(OutboxQueueInTransaction, ListsHearOfARowOnlyAfterItsCommit)
{
    testenv::FreshDb f;
    CycleState cycle;
    OutboxQueue queue(f.db(), testenv::prompt(), cycle);
    QSignalSpy added(&queue, &OutboxQueue::rowAdded);
    {
        Transaction t(f.db());
        ASSERT_TRUE(queue.AddToOutboxQuiet("+447700900123", 1, "rolled back", QDateTime(), 9));
        // t rolls back
    }
    {
        Transaction t(f.db());
        ASSERT_TRUE(queue.AddToOutboxQuiet("+447700900124", 1, "kept", QDateTime(), 9));
        EXPECT_EQ(added.size(), 0);
        ASSERT_TRUE(t.commit());
    }
    testenv::waitUntil([&] { return added.size() >= 1; }, 20000);
    testenv::waitUntil([] { return false; }, 50);
    ASSERT_EQ(added.size(), 1);
    EXPECT_EQ(added.at(0).at(3).toString(), "+447700900124");
}
