// The remote services' passes over a fresh database: who may command, what
// each command queues, the failures that must end a pass, and the bound on
// the work of one cycle.
#include <gtest/gtest.h>

#include <QSignalSpy>

#include "base/Clock.h"
#include "base/Database.h"
#include "base/EngineState.h"
#include "engine/OutboxQueue.h"
#include "remote/QtPrint.h"
#include "remote/RemoteSeed.h"
#include "remote/RemoteServices.h"
#include "support/TestEnv.h"
#include "support/Tpdu.h"

namespace {

struct FixedClock : Clock {
    QDateTime t = QDateTime(QDate(2024, 5, 6), QTime(12, 0, 0));
    QDateTime now() const override { return t; }
};

const QString kRemote = QStringLiteral("+447700900123");

class RemoteServicesTest : public ::testing::Test {
protected:
    testenv::FreshDb fresh;
    Database& db = fresh.db();
    EngineState st;
    FixedClock clock;
    OutboxQueue queue{db, testenv::prompt(), st, clock};
    RemoteServices services{db, queue, st, testenv::prompt(), clock};

    void SetUp() override
    {
        testenv::prompt().reset();
        st.sRemotePhoneNo = kRemote;
    }
    QStringList queued() { return seed::queued(db); }
    int boxes() { return testenv::prompt().count(); }
};

} // namespace

TEST(RemoteRules, RetrievalCountsAreReadAsIntegersAndBounded)
{
    const std::pair<const char*, int> cases[] = {
        {"#RU", 1},          {"#RU,2", 2},          {"#RU, 3 ,x", 3},  {"#RU,x", 1},      {"#RU,0", 1},
        {"#RU,-4", 1},       {"#RU,2.9", 2},        {"#RU,+5", 5},     {"#RU,-0.5", 1},   {"#RU,", 1},
        {"#RU,1e3", 1},      {"#RU,40000", 32767},  {"#RU,32767", 32767}, {"#RU,0000012", 12},
        {"#RU,99999999999999999999", 32767},        {"#RUxyz,4", 4},   {"#RU,.", 1},
    };
    for (const auto& [text, count] : cases)
        EXPECT_EQ(RemoteServices::retrieveCount(QString::fromLatin1(text)), count) << text;
}

TEST(RemoteRules, NumbersAreComparedInOneNormalForm)
{
    EXPECT_EQ(RemoteServices::normalNumber("+44 7700-900 123", ""), "+447700900123");
    EXPECT_EQ(RemoteServices::normalNumber("(07700) 900.123", ""), "07700900123");
    // Reception removes the area code from senders; the setting loses it too.
    EXPECT_EQ(RemoteServices::normalNumber("+65 9123 4567", "65"), "91234567");
    EXPECT_EQ(RemoteServices::normalNumber("91234567", "65"), "91234567");
    EXPECT_EQ(RemoteServices::normalNumber("Bank", ""), "");
    EXPECT_EQ(RemoteServices::normalNumber("", ""), "");
    EXPECT_EQ(RemoteServices::normalNumber("+", ""), "");
    EXPECT_EQ(RemoteServices::normalNumber("123456789012345678901", ""), "");
}

TEST(RemoteRules, PassedOnTextsFitOneMessage)
{
    const QString sender = "+44770090012"; // 12 characters
    QString text;
    for (int i = 0; i < 160; ++i)
        text += QChar('a' + i % 26);
    const QString reply = RemoteServices::passOnText(sender, text);
    EXPECT_EQ(reply, sender + "-" + text.left(147));
    EXPECT_EQ(reply.size(), 160);

    // Characters of the extension table take two septets each.
    const QString euros = QString(100, QChar(0x20AC));
    const QString cut = RemoteServices::passOnText(sender, euros);
    EXPECT_EQ(tpdu::gsmSeptetCount(cut), 159);
    EXPECT_EQ(cut, sender + "-" + euros.left(73));

    QString group, message;
    EXPECT_TRUE(RemoteServices::parseGroupSend("#GP Sales , Hi, all", &group, &message));
    EXPECT_EQ(group, "Sales");
    EXPECT_EQ(message, " Hi, all");
    EXPECT_TRUE(RemoteServices::parseGroupSend("#GPx,y", &group, &message));
    EXPECT_EQ(group, "x");
    EXPECT_TRUE(RemoteServices::parseGroupSend("#GP,y", &group, &message));
    EXPECT_EQ(group, "");
    EXPECT_FALSE(RemoteServices::parseGroupSend("#GP Sales hello", &group, &message));
}

TEST_F(RemoteServicesTest, UnreadCountAnswersOnlyTheRemoteNumber)
{
    seed::store(db, "+447700900001", "one");
    seed::store(db, "+447700900002", "two");
    seed::store(db, "+447700900003", "three");
    seed::store(db, "+447700900004", "read", 0, "O");
    seed::store(db, "+447700900005", "041F", 0, "N", 5); // Unicode: not counted
    seed::store(db, "+447700900666", "#NU", 2);          // a stranger
    seed::store(db, kRemote, "#NU please", 2);
    st.sRemotePhoneNo = "+44 7700 900123";

    services.ProcessUnreadCount();

    EXPECT_EQ(queued(), QStringList({kRemote + "|3 Unread Messages|7"}));
    EXPECT_EQ(seed::count(db, "msgreqtype=2"), 0);
    EXPECT_EQ(db.query("SELECT msgout FROM tboutqueue").value(0, 0).toString(), "2024-05-06 12:00:00");
    EXPECT_TRUE(st.bOutboxChanged);
    EXPECT_EQ(boxes(), 0);

    // Without a remote number every request is discarded unanswered.
    db.exec("DELETE FROM tboutqueue");
    seed::store(db, kRemote, "#NU", 2);
    seed::store(db, kRemote, "#RU", 3);
    st.sRemotePhoneNo.clear();
    services.ProcessUnreadCount();
    services.ProcessRemoteRetrieve();
    EXPECT_EQ(seed::count(db, "msgreqtype<>0"), 0);
    EXPECT_TRUE(queued().isEmpty());
}

TEST_F(RemoteServicesTest, RetrievalSendsTheOldestUnreadTextsAndMarksThemRead)
{
    st.sCurrentFolder = "Inbox";
    st.iNewSMS = 4;
    st.bNewMsgAlert = true;
    const qint64 first = seed::store(db, "+447700900001", "first");
    const qint64 second = seed::store(db, "+447700900002", "second");
    seed::store(db, "+447700900003", "third");
    seed::store(db, "+447700900004", "old", 0, "O");
    seed::store(db, "+447700900666", "#RU,5", 3); // a stranger: nothing
    seed::store(db, kRemote, "#RU, 2", 3);
    QSignalSpy read(&services, &RemoteServices::markedRead);

    services.ProcessRemoteRetrieve();

    EXPECT_EQ(queued(), QStringList({kRemote + "|+447700900001-first|8", kRemote + "|+447700900002-second|8"}));
    EXPECT_EQ(seed::count(db, "msgstatus='N' AND msgreqtype=0"), 1);
    EXPECT_EQ(seed::count(db, "msgreqtype=3"), 0);
    ASSERT_EQ(read.size(), 2);
    EXPECT_EQ(read[0][0].toLongLong(), first);
    EXPECT_EQ(read[1][0].toLongLong(), second);
    EXPECT_EQ(st.iNewSMS, 2);
    EXPECT_FALSE(st.bNewMsgAlert);

    // No count, a count that is no number, and 0 each retrieve one.
    db.exec("DELETE FROM tboutqueue");
    seed::store(db, kRemote, "#RU", 3);
    services.ProcessRemoteRetrieve();
    EXPECT_EQ(queued(), QStringList({kRemote + "|+447700900003-third|8"}));
}

TEST_F(RemoteServicesTest, GroupSendingComesFromMembersAndReachesTheNamedGroup)
{
    seed::group(db, "Staff", {"+447700900010", "07700 900011"});
    seed::group(db, "Sales", {"+447700900020", "+447700900021"});
    seed::group(db, "x", {"+447700900030"});
    seed::address(db, "+447700900020", "Ann", "Lee");
    st.sGroupSendGroup = "Staff";

    seed::store(db, "+447700900010", "#GP sales , Hello {fn}!", 1); // the case of the name does not matter
    seed::store(db, "+447700900666", "#GPSales,from a stranger", 1);
    seed::store(db, "07700900011", "#GPx,one letter", 1);         // a member in another notation
    seed::store(db, "+447700900010", "#GP Sales no comma", 1);
    seed::store(db, "+447700900010", "#GP Sa%,a pattern is no group", 1);
    services.ProcessGroupSend();

    EXPECT_EQ(queued(), QStringList({"+447700900020|Hello Ann!|9", "+447700900021|Hello !|9",
                                     "+447700900030|one letter|9"}));
    EXPECT_EQ(seed::count(db, "msgreqtype=1"), 0);
    EXPECT_EQ(boxes(), 0);

    // Switched off: requests are discarded.
    db.exec("DELETE FROM tboutqueue");
    st.sGroupSendGroup = "None";
    seed::store(db, "+447700900010", "#GPSales,hi", 1);
    services.ProcessGroupSend();
    EXPECT_EQ(seed::count(db, "msgreqtype=1"), 0);
    EXPECT_TRUE(queued().isEmpty());

    // A member whose number the modem cannot take gets nothing, and the end
    // of the pass names it; the other members are served.
    st.sGroupSendGroup = "Staff";
    seed::group(db, "Mixed", {"12 34 x", "+447700900050"});
    seed::store(db, "+447700900010", "#GPMixed,hi", 1);
    services.ProcessGroupSend();
    EXPECT_EQ(queued(), QStringList({"+447700900050|hi|9"}));
    ASSERT_EQ(boxes(), 1);
    EXPECT_EQ(testenv::prompt().shown()[0].title, "Warning");
    EXPECT_TRUE(testenv::prompt().shown()[0].notice);
    EXPECT_TRUE(testenv::prompt().shown()[0].text.contains("12 34 x"))
        << testenv::prompt().shown()[0].text.toStdString();
}

TEST_F(RemoteServicesTest, ForwardAndAutoResponse)
{
    seed::group(db, "Fwd", {"+447700900040", "+447700900041"});
    st.sAutoFwdGroup = "Fwd";
    st.iAutoRespond = 1;
    st.sAutoRespondText = "Thank you";
    seed::store(db, "+447700900001", "news");
    seed::store(db, "Bank", "code 1234");
    seed::store(db, "+447700900003", "seen", 0, "O", 1, 1);
    seed::store(db, "+447700900004", "041F", 0, "N", 5);
    QSignalSpy read(&services, &RemoteServices::markedRead);

    services.ProcessAutoForward();
    services.ProcessAutoRespond();

    EXPECT_EQ(queued(), QStringList({
                            "+447700900040|+447700900001-news|8",
                            "+447700900041|+447700900001-news|8",
                            "+447700900040|Bank-code 1234|8",
                            "+447700900041|Bank-code 1234|8",
                            // a sender name cannot be answered, the Unicode text can
                            "+447700900001|Thank you|7",
                            "+447700900004|Thank you|7",
                        }));
    EXPECT_EQ(read.size(), 2);
    EXPECT_EQ(seed::count(db, "msgstatus='N'"), 1); // only the Unicode text
    EXPECT_EQ(seed::count(db, "msgresponded=0"), 0);

    // Each message is answered and forwarded once.
    services.ProcessAutoForward();
    services.ProcessAutoRespond();
    EXPECT_EQ(queued().size(), 6);
}

TEST_F(RemoteServicesTest, AFailedDeleteOrUpdateEndsThePassWithOneReport)
{
    ASSERT_TRUE(db.exec("CREATE TRIGGER keep BEFORE DELETE ON tbinqueue WHEN old.msgreqtype=2 "
                        "BEGIN SELECT RAISE(ABORT, 'disk is busy'); END"));
    seed::store(db, kRemote, "#NU", 2);
    seed::store(db, kRemote, "#NU", 2);
    services.ProcessUnreadCount();
    // The reply went with the rolled-back delete; the pass stopped at once.
    EXPECT_TRUE(queued().isEmpty());
    EXPECT_EQ(seed::count(db, "msgreqtype=2"), 2);
    ASSERT_EQ(boxes(), 1);
    EXPECT_EQ(testenv::prompt().shown()[0].title, "Database Error");
    EXPECT_TRUE(testenv::prompt().shown()[0].text.startsWith("Unable to delete"));
    // The passes run inside the activity cycle: their boxes wait for nobody.
    EXPECT_TRUE(testenv::prompt().shown()[0].notice);
    EXPECT_FALSE(st.bInboxProcessRequest);

    // Failing again is not shown again; once it works the rows are served.
    services.ProcessUnreadCount();
    EXPECT_EQ(boxes(), 1);
    db.exec("DROP TRIGGER keep");
    services.ProcessUnreadCount();
    EXPECT_EQ(queued(), QStringList({kRemote + "|0 Unread Messages|7", kRemote + "|0 Unread Messages|7"}));

    // The auto-response: a message that cannot be marked answered is not
    // answered at all, so no cycle answers it again and again.
    testenv::prompt().reset();
    db.exec("DELETE FROM tboutqueue");
    ASSERT_TRUE(db.exec("CREATE TRIGGER nomark BEFORE UPDATE OF msgresponded ON tbinqueue "
                        "BEGIN SELECT RAISE(ABORT, 'read-only'); END"));
    st.iAutoRespond = 1;
    st.sAutoRespondText = "Thanks";
    seed::store(db, "+447700900001", "a");
    seed::store(db, "+447700900002", "b");
    for (int cycle = 0; cycle < 3; ++cycle)
        services.ProcessAutoRespond();
    EXPECT_TRUE(queued().isEmpty());
    EXPECT_EQ(boxes(), 1);

    // A reply the queue refuses is reported the same way.
    testenv::prompt().reset();
    db.exec("DROP TRIGGER nomark");
    st.sAutoRespondText = QString::fromUtf8("\u0416");
    services.ProcessAutoRespond();
    ASSERT_EQ(boxes(), 1);
    EXPECT_EQ(testenv::prompt().shown()[0].title, "Warning");
    EXPECT_TRUE(testenv::prompt().shown()[0].text.startsWith("Unable to queue a message of the remote services."));
    EXPECT_TRUE(testenv::prompt().shown()[0].notice);
}

TEST_F(RemoteServicesTest, ABurstOfRequestsIsServedInBoundedSlices)
{
    for (int i = 0; i < 300; ++i)
        seed::store(db, QStringLiteral("+4477009%1").arg(i, 5, 10, QChar('0')), QStringLiteral("text %1").arg(i));
    for (int i = 0; i < 200; ++i)
        seed::store(db, kRemote, "#RU", 3);
    for (int i = 0; i < 200; ++i)
        seed::store(db, "+447700900666", "#RU,500", 3);

    int cycles = 0, last = 0;
    st.bInboxProcessRequest = true;
    while (st.bInboxProcessRequest && cycles < 100) {
        st.bInboxProcessRequest = false; // the cycle clears it before the passes
        const int before = seed::count(db, "msgreqtype=3");
        services.ProcessRemoteRetrieve();
        const int now = int(queued().size());
        EXPECT_LE(now - last, RemoteServices::kMessagesPerPass);
        EXPECT_LE(before - seed::count(db, "msgreqtype=3"), RemoteServices::kRequestsPerPass);
        last = now;
        ++cycles;
    }
    EXPECT_EQ(seed::count(db, "msgreqtype=3"), 0);
    // One text per request of the remote number, the oldest first; the
    // stranger got nothing.
    const QStringList replies = queued();
    ASSERT_EQ(replies.size(), 200);
    EXPECT_EQ(replies.first(), kRemote + "|+447700900000-text 0|8");
    EXPECT_EQ(replies.last(), kRemote + "|+447700900199-text 199|8");
    EXPECT_EQ(seed::count(db, "msgstatus='N' AND msgreqtype=0"), 100);
    EXPECT_GE(cycles, 400 / RemoteServices::kRequestsPerPass);
}

TEST_F(RemoteServicesTest, ALargeRetrievalOwesTheRestToTheNextCycles)
{
    for (int i = 0; i < 130; ++i)
        seed::store(db, QStringLiteral("+4477009%1").arg(i, 5, 10, QChar('0')), QStringLiteral("t%1").arg(i));
    const qint64 request = seed::store(db, kRemote, "#RU,120", 3);

    services.ProcessRemoteRetrieve();
    EXPECT_EQ(queued().size(), RemoteServices::kMessagesPerPass);
    EXPECT_TRUE(st.bInboxProcessRequest);
    const QString owed = db.query("SELECT msgcontent FROM tbinqueue WHERE msgcode=?", {request}).value(0, 0).toString();
    EXPECT_EQ(seed::unpacked(owed), "#RU,70");

    for (int cycle = 0; cycle < 5 && st.bInboxProcessRequest; ++cycle) {
        st.bInboxProcessRequest = false;
        services.ProcessRemoteRetrieve();
    }
    EXPECT_EQ(queued().size(), 120);
    EXPECT_EQ(seed::count(db, "msgreqtype=3"), 0);
    EXPECT_EQ(seed::count(db, "msgstatus='N'"), 10);
}

TEST_F(RemoteServicesTest, AClosingWindowStopsTheRequestPasses)
{
    seed::store(db, kRemote, "#NU", 2);
    st.bClosePending = true;
    services.ProcessUnreadCount();
    EXPECT_EQ(seed::count(db, "msgreqtype=2"), 1);
    EXPECT_TRUE(queued().isEmpty());
}
