// The activity cycle: step order, request flags, the send/recompute rhythm,
// the polls and the deferred close, driven without the main window.
#include <QSignalSpy>
#include <gtest/gtest.h>

#include "engine/ActivityScheduler.h"
#include "modem/AtChannel.h"
#include "base/Database.h"
#include "support/TestEnv.h"

namespace {

// Records the commands and answers from a table of (prefix -> reply).
class FakeChannel : public AtChannel {
public:
    QStringList sent;
    QMap<QString, QString> replies;  // command prefix -> reply text
    QSet<QString> failing;           // command prefixes that fail
    int cmsError = 0;
    bool sendATCommand(const QString& command, double) override
    {
        sent << command.trimmed();
        reply_.clear();
        for (const QString& f : failing)
            if (command.startsWith(f))
                return false;
        for (auto it = replies.cbegin(); it != replies.cend(); ++it)
            if (command.startsWith(it.key()))
                reply_ = it.value();
        return true;
    }
    QString modemReply() const override { return reply_; }
    bool isOpen() const override { return true; }
    int lastCmsError() const override { return cmsError; }

private:
    QString reply_;
};

struct Cycle : ::testing::Test {
    testenv::FreshDb f;
    EngineState st;
    ActivityScheduler sched{st, f.db(), testenv::prompt()};
    FakeChannel ch;
    QStringList trace;

    void SetUp() override
    {
        testenv::prompt().reset();
        sched.setChannel(&ch);
        auto& s = sched.steps();
        s.detectModem = [this] { trace << "detect"; };
        s.resetModem = [this] { trace << "reset"; st.bModemInitOK = true; };
        s.initialiseModem = [this] { trace << "init"; st.bModemInitOK = true; };
        s.detectSim = [this] { trace << "sim"; st.bSIMReady = true; };
        s.simRead = [this] { trace << "simread"; };
        s.processGroupSend = [this] { trace << "groupsend"; };
        s.processAutoForward = [this] { trace << "autofwd"; };
        s.processUnreadCount = [this] { trace << "unread"; };
        s.processRemoteRetrieve = [this] { trace << "retrieve"; };
        s.processAutoRespond = [this] { trace << "autorsp"; };
        s.readOutboxFlag = [this] { trace << "flag"; return 0.0f; };
        s.importOutTemp = [this] { trace << "import"; };
        s.sendNextOutbox = [this] { trace << "send"; st.sngSendCount += 1; };
    }
};

} // namespace

TEST_F(Cycle, WithoutAModemOnlyTheFirstStepsRun)
{
    st.bGotCMT = true;
    st.bInboxProcessRequest = true;
    st.bOutboxChanged = true;
    st.bSIMReadRequest = true;
    sched.runActivities();
    EXPECT_EQ(ch.sent, QStringList({"AT+CNMA"}));
    EXPECT_TRUE(trace.isEmpty()) << trace.join(',').toStdString();
    EXPECT_FALSE(st.bGotCMT);
    // The requests wait for a connected modem.
    EXPECT_TRUE(st.bInboxProcessRequest);
    EXPECT_TRUE(st.bSIMReadRequest);
}

TEST_F(Cycle, StartUpConnectsActivatesAndRaisesTheQueues)
{
    st.bInitModemRequest = true;
    st.bResetModemRequest = true;
    ch.replies["AT+CSQ=?"] = "\r\n+CSQ: (0-31,99),(0-7,99)\r\n";
    ch.replies["AT+CSQ\r"] = "\r\n+CSQ: 17,99\r\n";
    QSignalSpy range(&sched, &ActivityScheduler::signalRangeChanged);
    QSignalSpy value(&sched, &ActivityScheduler::signalValueChanged);
    QSignalSpy paused(&sched, &ActivityScheduler::outboxPausedChanged);
    sched.runActivities();
    EXPECT_TRUE(st.bModemConnected);
    EXPECT_FALSE(st.bOutboxPaused);
    ASSERT_GE(paused.size(), 1);
    EXPECT_FALSE(paused.last().at(0).toBool());
    EXPECT_FALSE(st.bInitModemRequest);
    EXPECT_FALSE(st.bResetModemRequest);
    // Reset, initialise, SIM, then the rest of the same cycle runs: the
    // raised Inbox request is served, what a run left in the hand-in table
    // is imported with the flag down, and the Outbox is sent from.
    EXPECT_EQ(trace, QStringList({"reset", "init", "sim", "groupsend", "unread", "retrieve", "flag", "import",
                                  "send"}));
    ASSERT_EQ(range.size(), 1);
    EXPECT_EQ(range.at(0).at(0).toInt(), 31);
    ASSERT_EQ(value.size(), 1);
    EXPECT_EQ(value.at(0).at(0).toInt(), 17);
    // Later cycles import only on the flag.
    trace.clear();
    sched.runActivities();
    EXPECT_EQ(trace, QStringList({"flag", "send"}));
}

TEST_F(Cycle, FailedStartUpsStopWhereTheyFail)
{
    QStringList status;
    QObject::connect(&sched, &ActivityScheduler::statusText, [&](const QString& t) { status << t; });
    sched.steps().initialiseModem = [this] { trace << "init"; st.bModemInitOK = false; };
    st.bInitModemRequest = true;
    sched.runActivities();
    EXPECT_EQ(trace, QStringList({"init"}));
    EXPECT_FALSE(st.bModemConnected);
    EXPECT_EQ(testenv::prompt().count(), 0);
    // The status bar says so, and what to do, once.
    EXPECT_EQ(status, QStringList{ActivityScheduler::notConnectedText()});
    sched.runActivities();
    EXPECT_EQ(status.size(), 1);

    // A detection answered No leaves the port closed: the same.
    status.clear();
    st.bDetectModemRequest = true;
    sched.runActivities();
    EXPECT_EQ(trace.last(), "detect");
    EXPECT_EQ(status, QStringList{ActivityScheduler::notConnectedText()});

    trace.clear();
    sched.steps().initialiseModem = [this] { trace << "init"; st.bModemInitOK = true; };
    sched.steps().detectSim = [this] { trace << "sim"; st.bSIMReady = false; };
    st.bInitModemRequest = true;
    sched.runActivities();
    EXPECT_EQ(trace, QStringList({"init", "sim"}));
    EXPECT_FALSE(st.bModemConnected);
    EXPECT_TRUE(st.bOutboxPaused);
    EXPECT_TRUE(testenv::prompt().sawText("Unable to detect SIM Card."));
}

TEST_F(Cycle, ConnectedCycleServesStepsInOrder)
{
    st.bModemConnected = true;
    st.bOutboxPaused = false;
    st.bSIMReadRequest = true;
    st.bInboxProcessRequest = true;
    st.sAutoFwdGroup = "Sales";
    st.iAutoRespond = 1;
    st.bOutboxChanged = true;
    st.sngSendCount = 1;
    sched.steps().readOutboxFlag = [this] { trace << "flag"; return 1.0f; };
    sched.runActivities();
    EXPECT_EQ(trace, QStringList({"simread", "groupsend", "autofwd", "unread", "retrieve", "autorsp", "flag",
                                  "import", "send"}));
    EXPECT_FALSE(st.bSIMReadRequest);
    EXPECT_FALSE(st.bInboxProcessRequest);
}

TEST_F(Cycle, TenSendsThenOneRecompute)
{
    st.bModemConnected = true;
    st.bOutboxPaused = false;
    st.bOutboxChanged = true;
    st.sngSendCount = 1;
    for (int i = 0; i < 10; ++i)
        sched.runActivities();
    EXPECT_EQ(trace.count("send"), 10);
    EXPECT_TRUE(st.bOutboxChanged);
    // The eleventh cycle only recomputes the next due time.
    sched.runActivities();
    EXPECT_EQ(trace.count("send"), 10);
    EXPECT_FALSE(st.bOutboxChanged);
    EXPECT_EQ(st.sngSendCount, 1);
    // An empty queue: nothing due until tomorrow, so nothing more is sent.
    const QDateTime now = QDateTime::currentDateTime();
    EXPECT_GT(st.dtNextOutboxDue, now.addSecs(86400 - 60));
    EXPECT_LT(st.dtNextOutboxDue, now.addSecs(86400 + 60));
    sched.runActivities();
    EXPECT_EQ(trace.count("send"), 10);
}

TEST_F(Cycle, NextDueTimeIsTheEarliestQueuedRow)
{
    ASSERT_TRUE(f.db().exec("INSERT INTO tboutqueue (msgcode, msgout) VALUES (1, '2031-05-06 07:08:09'), "
                            "(2, '2030-01-02 03:04:05')"));
    EXPECT_TRUE(sched.refreshNextOutboxDue());
    EXPECT_EQ(dbtime::toDb(st.dtNextOutboxDue), "2030-01-02 03:04:05");
    // A past due time starts a run of sends even without an enqueue.
    ASSERT_TRUE(f.db().exec("UPDATE tboutqueue SET msgout = '2001-01-01 00:00:00' WHERE msgcode = 1"));
    EXPECT_TRUE(sched.refreshNextOutboxDue());
    st.bModemConnected = true;
    st.bOutboxPaused = false;
    st.bOutboxChanged = false;
    st.sngSendCount = 1;
    sched.runActivities();
    EXPECT_EQ(trace.count("send"), 1);
    // A database error gives a day's wait and false.
    f.db().exec("DROP TABLE tboutqueue");
    EXPECT_FALSE(sched.refreshNextOutboxDue());
    EXPECT_GT(st.dtNextOutboxDue, QDateTime::currentDateTime().addSecs(86000));
}

TEST_F(Cycle, PausedOutboxSendsNothing)
{
    st.bModemConnected = true;
    st.bOutboxPaused = true;
    st.bOutboxChanged = true;
    sched.runActivities();
    EXPECT_EQ(trace.count("send"), 0);
}

TEST_F(Cycle, DetectionPausesAnActiveOutboxOnly)
{
    st.bModemConnected = true;
    st.bOutboxPaused = false;
    st.bDetectModemRequest = true;
    sched.runActivities();
    EXPECT_TRUE(st.bOutboxPaused);
    EXPECT_FALSE(st.bModemConnected);
    EXPECT_FALSE(st.bDetectModemRequest);
    EXPECT_EQ(trace.first(), "detect");

    // Already paused: the connection is kept and the cycle goes on.
    trace.clear();
    st.bModemConnected = true;
    st.bDetectModemRequest = true;
    sched.runActivities();
    EXPECT_TRUE(st.bModemConnected);
    EXPECT_EQ(trace.first(), "detect");
    EXPECT_TRUE(trace.contains("flag"));
}

TEST_F(Cycle, PollsRunEvery101And51ConnectedCycles)
{
    st.bModemConnected = true;
    ch.replies["AT+CNMI?"] = "\r\n+CNMI: 2,1,0,0,0\r\n";
    for (int i = 0; i < 50; ++i)
        sched.runActivities();
    EXPECT_FALSE(ch.sent.contains("AT+CNMI?"));
    sched.runActivities();
    EXPECT_EQ(ch.sent.count("AT+CNMI?"), 1);
    // Routing was not direct delivery: it is restored.
    EXPECT_EQ(ch.sent.count("AT+CNMI=,2"), 1);
    for (int i = 0; i < 49; ++i)
        sched.runActivities();
    EXPECT_FALSE(ch.sent.contains("AT+CSQ=?"));
    sched.runActivities(); // the 101st connected cycle
    EXPECT_EQ(ch.sent.count("AT+CSQ=?"), 1);
    // Direct delivery already on: nothing is changed at the next check.
    ch.replies["AT+CNMI?"] = "\r\n+CNMI: 2,2,0,0,0\r\n";
    for (int i = 0; i < 51; ++i)
        sched.runActivities();
    EXPECT_EQ(ch.sent.count("AT+CNMI?"), 2);
    EXPECT_EQ(ch.sent.count("AT+CNMI=,2"), 1);
}

TEST_F(Cycle, SignalBarLimitsAndUnknownQuality)
{
    st.bModemConnected = true;
    QSignalSpy range(&sched, &ActivityScheduler::signalRangeChanged);
    QSignalSpy value(&sched, &ActivityScheduler::signalValueChanged);
    ch.replies["AT+CSQ=?"] = "\r\n+CSQ: (0-5,99),(0-7,99)\r\n";
    ch.replies["AT+CSQ\r"] = "\r\n+CSQ: 28,99\r\n";
    sched.updateSignal();
    EXPECT_EQ(range.last().at(0).toInt(), 5);
    EXPECT_EQ(value.last().at(0).toInt(), 5); // capped at the maximum
    ch.replies["AT+CSQ=?"] = "\r\n+CSQ: (0,99)\r\n";
    ch.replies["AT+CSQ\r"] = "\r\n+CSQ: 99,99\r\n";
    sched.updateSignal();
    EXPECT_EQ(range.last().at(0).toInt(), 1); // at least 1
    EXPECT_EQ(value.last().at(0).toInt(), 0); // unknown shows no bars
    ch.failing << "AT+CSQ\r";
    const qsizetype before = value.size();
    sched.updateSignal();
    EXPECT_EQ(value.size(), before);
}

TEST_F(Cycle, AcknowledgementGivesUpOnNothingToAcknowledge)
{
    st.bGotCMT = true;
    ch.failing << "AT+CNMA";
    ch.cmsError = 0;
    sched.runActivities();
    EXPECT_TRUE(st.bGotCMT); // a plain failure is retried
    ch.cmsError = 340;
    sched.runActivities();
    EXPECT_FALSE(st.bGotCMT);
    // Three plain failures in a row also end the retries.
    st.bGotCMT = true;
    ch.cmsError = 0;
    for (int i = 0; i < 3; ++i)
        sched.runActivities();
    EXPECT_FALSE(st.bGotCMT);
    EXPECT_EQ(ch.sent.count("AT+CNMA"), 5);
}

TEST_F(Cycle, ActivationWithoutAModemOffersAReset)
{
    st.bModemConnected = false;
    st.bOutboxPaused = true;
    testenv::prompt().queue(UserPrompt::Answer::Yes);
    sched.activateOutbox();
    EXPECT_TRUE(st.bOutboxPaused);
    EXPECT_TRUE(testenv::prompt().sawText("Connection to modem failed.\r\nDo you wish to Reset Modem instead?"));
    EXPECT_TRUE(st.bResetModemRequest);
    EXPECT_TRUE(st.bInitModemRequest);
    st.bModemConnected = true;
    sched.activateOutbox();
    EXPECT_FALSE(st.bOutboxPaused);
    sched.activateOutbox();
    EXPECT_TRUE(st.bOutboxPaused);
}

TEST_F(Cycle, SimWritesAreSanitisedAndReported)
{
    st.bModemConnected = true;
    st.bSIMEditRequest = true;
    st.iSIMRecIndex = 4;
    st.sSIMRecName = "Ann \"The\"\r\nAT+CFUN=0";
    st.sSIMRecNumber = "+44 (7700) 900-123";
    QSignalSpy updated(&sched, &ActivityScheduler::simEntryUpdated);
    sched.runActivities();
    ASSERT_FALSE(ch.sent.isEmpty());
    EXPECT_EQ(ch.sent.first(), "AT+CPBW=4,\"+447700900123\",,\"Ann TheAT+CFUN=0\"");
    EXPECT_EQ(updated.size(), 1);
    EXPECT_FALSE(st.bSIMEditRequest);

    ch.failing << "AT+CPBW";
    st.bSIMAddRequest = true;
    sched.steps().nextFreeSimIndex = [] { return 9; };
    sched.runActivities();
    EXPECT_TRUE(testenv::prompt().sawText("Error adding record to SIM Card."));
    EXPECT_FALSE(st.bSIMAddRequest);
}

TEST_F(Cycle, SimDeleteWalksFromTheLastSelected)
{
    st.bModemConnected = true;
    st.bSIMDeleteRequest = true;
    sched.steps().selectedSimIndices = [] { return QList<int>{2, 5, 7}; };
    QSignalSpy removed(&sched, &ActivityScheduler::simEntryRemoved);
    testenv::prompt().queue(UserPrompt::Answer::Yes);
    sched.runActivities();
    EXPECT_EQ(ch.sent.mid(0, 3), QStringList({"AT+CPBW=7", "AT+CPBW=5", "AT+CPBW=2"}));
    EXPECT_EQ(removed.size(), 3);
    // The entries are erased for good: Enter answers No.
    ASSERT_EQ(testenv::prompt().count(), 1);
    EXPECT_EQ(testenv::prompt().shown()[0].buttons, UserPrompt::Buttons::YesNoDefaultNo);
    // Answering No deletes nothing.
    ch.sent.clear();
    st.bSIMDeleteRequest = true;
    testenv::prompt().queue(UserPrompt::Answer::No);
    sched.runActivities();
    EXPECT_FALSE(ch.sent.join(',').contains("CPBW"));
}

TEST_F(Cycle, CloseDuringACycleIsCarriedOutByTheNextTick)
{
    QSignalSpy close(&sched, &ActivityScheduler::closeRequested);
    bool sawBusy = false;
    sched.steps().detectModem = [&] {
        sawBusy = st.bActivityBusy;
        st.bClosePending = true; // a close asked for while the cycle waits
    };
    st.bDetectModemRequest = true;
    sched.tick();
    EXPECT_TRUE(sawBusy);
    EXPECT_FALSE(st.bActivityBusy);
    EXPECT_EQ(close.size(), 0);
    EXPECT_TRUE(sched.isRunning());
    sched.tick();
    EXPECT_EQ(close.size(), 1);
    EXPECT_FALSE(sched.isRunning());
}

TEST_F(Cycle, TicksComeFromTheTimerAndNeverOverlap)
{
    int depth = 0, maxDepth = 0, cycles = 0;
    sched.steps().readOutboxFlag = [&] {
        ++depth;
        maxDepth = std::max(maxDepth, depth);
        ++cycles;
        // A wait inside the cycle lets the event loop run, as modem waits do.
        testenv::waitUntil([] { return false; }, 150);
        --depth;
        return 0.0f;
    };
    st.bModemConnected = true;
    sched.start();
    EXPECT_TRUE(testenv::waitUntil([&] { return cycles >= 3; }, 20000));
    sched.stop();
    EXPECT_EQ(maxDepth, 1);
}

TEST_F(Cycle, AnIndicationDuringTheAcknowledgementIsAcknowledgedToo)
{
    // The next "+CMT: " arrives while "AT+CNMA" waits (right behind its OK).
    struct NextIndication : FakeChannel {
        EngineState* st = nullptr;
        int arrivals = 1;
        bool sendATCommand(const QString& command, double t) override
        {
            const bool ok = FakeChannel::sendATCommand(command, t);
            if (command.startsWith("AT+CNMA") && arrivals-- > 0)
                st->bGotCMT = true;
            return ok;
        }
    } ch2;
    ch2.st = &st;
    sched.setChannel(&ch2);
    st.bGotCMT = true;
    sched.runActivities();
    EXPECT_TRUE(st.bGotCMT);
    sched.runActivities();
    EXPECT_FALSE(st.bGotCMT);
    EXPECT_EQ(ch2.sent.count("AT+CNMA"), 2);
}

TEST_F(Cycle, ALostModemIsTriedAgainQuietlyUntilItAnswersAndTheQueueGoesOn)
{
    st.bModemConnected = true;
    st.bOutboxPaused = false;
    QStringList status;
    QObject::connect(&sched, &ActivityScheduler::statusText, [&](const QString& t) { status << t; });
    auto answer = ActivityScheduler::Reconnect::NotYet;
    sched.steps().reconnectModem = [&] {
        trace << "reconnect";
        return answer;
    };
    sched.setReconnectInterval(0);
    sched.modemPortLost();
    EXPECT_FALSE(st.bModemConnected);
    EXPECT_TRUE(sched.isReconnecting());
    ASSERT_FALSE(status.isEmpty());
    EXPECT_EQ(status.last(), ActivityScheduler::disconnectedText());

    // Not yet: the cycle ends there; nothing is sent, no form is opened.
    st.bOutboxChanged = true;
    sched.runActivities();
    sched.runActivities();
    EXPECT_EQ(trace, QStringList({"reconnect", "reconnect"}));
    EXPECT_FALSE(st.bInitModemRequest);

    // Back: the rest of the same cycle runs, the queue included.
    trace.clear();
    answer = ActivityScheduler::Reconnect::Connected;
    sched.runActivities();
    EXPECT_TRUE(st.bModemConnected);
    EXPECT_FALSE(sched.isReconnecting());
    EXPECT_FALSE(st.bOutboxPaused);
    // (Its first connected cycle: the hand-in table is swept once.)
    EXPECT_EQ(trace, QStringList({"reconnect", "groupsend", "unread", "retrieve", "flag", "import", "send"}));
    EXPECT_EQ(status.last(), QString());
    EXPECT_EQ(testenv::prompt().count(), 0);
}

TEST_F(Cycle, TheReconnectionKeepsItsIntervalAndLeavesTheStartUpAlone)
{
    int tries = 0;
    auto answer = ActivityScheduler::Reconnect::NotYet;
    sched.steps().reconnectModem = [&] {
        ++tries;
        return answer;
    };
    // A port lost while a start-up opened by the operator works on it (a
    // reset makes a USB modem re-enumerate) is the start-up's business.
    sched.steps().resetModem = [this] {
        sched.modemPortLost();
        st.bModemInitOK = true;
    };
    sched.requestResetModem();
    sched.runActivities();
    EXPECT_TRUE(st.bModemConnected);
    EXPECT_FALSE(sched.isReconnecting());

    // Lost: the first try waits for the interval.
    sched.setReconnectInterval(600000);
    sched.modemPortLost();
    sched.runActivities();
    EXPECT_EQ(tries, 0);

    // A SIM that wants its code after the modem came back: the start-up
    // with its forms takes over.
    sched.setReconnectInterval(0);
    answer = ActivityScheduler::Reconnect::NeedsOperator;
    trace.clear();
    sched.runActivities();
    EXPECT_EQ(tries, 1);
    EXPECT_FALSE(sched.isReconnecting());
    EXPECT_TRUE(st.bInitModemRequest);
    sched.runActivities();
    EXPECT_TRUE(st.bModemConnected);
    EXPECT_EQ(trace.mid(0, 2), QStringList({"init", "sim"}));
}
