// The serial link against a raw pseudo-terminal driven from the test: the
// exchange, the time-out rule, Cancel, the log, a vanished port, and that a
// wait leaves the processor alone.
#include <gtest/gtest.h>

#include "base/EngineState.h"
#include "modem/ModemLink.h"
#include "base/AppPaths.h"
#include "support/TestEnv.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QSignalSpy>
#include <QSocketNotifier>
#include <QTimer>
#include <fcntl.h>
#include <functional>
#include <time.h>
#include <unistd.h>

namespace {

// The modem's end of a pseudo-terminal. Collects what the link writes and
// answers each command line (ended by CR) through onCommand.
class PtyPeer {
public:
    PtyPeer()
    {
        fd_ = posix_openpt(O_RDWR | O_NOCTTY);
        if (fd_ < 0 || grantpt(fd_) != 0 || unlockpt(fd_) != 0)
            return;
        path_ = QString::fromLocal8Bit(ptsname(fd_));
        fcntl(fd_, F_SETFL, fcntl(fd_, F_GETFL) | O_NONBLOCK);
        notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read);
        QObject::connect(notifier_, &QSocketNotifier::activated, [this] { readSome(); });
    }
    ~PtyPeer() { closeMaster(); }

    QString path() const { return path_; }
    bool valid() const { return fd_ >= 0 && !path_.isEmpty(); }

    void write(const QByteArray& bytes)
    {
        qsizetype done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(fd_, bytes.constData() + done, size_t(bytes.size() - done));
            if (n > 0)
                done += n;
            else
                testenv::waitUntil([] { return false; }, 2); // the line is full: let the link read
        }
    }
    // Writes after ms, from the event loop (not at all once the peer is gone).
    void writeLater(int ms, const QByteArray& bytes)
    {
        QTimer::singleShot(ms, &context_, [this, bytes] { write(bytes); });
    }
    QObject* context() { return &context_; }

    void closeMaster()
    {
        if (fd_ < 0)
            return;
        delete notifier_;
        notifier_ = nullptr;
        ::close(fd_);
        fd_ = -1;
    }

    QByteArray received;
    QList<QByteArray> commands;
    std::function<void(const QByteArray&)> onCommand;

private:
    void readSome()
    {
        char buf[4096];
        ssize_t n;
        while ((n = ::read(fd_, buf, sizeof buf)) > 0) {
            received.append(buf, n);
            pending_.append(buf, n);
        }
        if (n == 0 || (n < 0 && errno == EIO))
            notifier_->setEnabled(false); // nobody holds the other end
        qsizetype cr;
        while ((cr = pending_.indexOf('\r')) >= 0) {
            const QByteArray cmd = pending_.left(cr);
            pending_.remove(0, cr + 1);
            commands << cmd;
            if (onCommand)
                onCommand(cmd);
        }
    }

    QObject context_;
    int fd_ = -1;
    QString path_;
    QSocketNotifier* notifier_ = nullptr;
    QByteArray pending_;
};

class ModemLinkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        testenv::prompt().reset();
        ASSERT_TRUE(peer.valid());
        ASSERT_TRUE(link.openPort(peer.path(), 9600, QStringLiteral("None"))) << link.port().errorString().toStdString();
    }

    // Answers every command with the given bytes.
    void answerWith(const QByteArray& reply, int delayMs = 0)
    {
        peer.onCommand = [this, reply, delayMs](const QByteArray&) {
            if (delayMs == 0)
                peer.write(reply);
            else
                peer.writeLater(delayMs, reply);
        };
    }

    // Starts a nested event loop (a modal box) after startMs that runs
    // for holdMs.
    static void holdEventLoopLater(int startMs, int holdMs)
    {
        QTimer::singleShot(startMs, [holdMs] {
            QEventLoop nested;
            QTimer::singleShot(holdMs, &nested, &QEventLoop::quit);
            nested.exec();
        });
    }

    EngineState st;
    PtyPeer peer;
    ModemLink link{st};
};

} // namespace

TEST_F(ModemLinkTest, ExchangeWritesTheLineAndReadsTheReply)
{
    answerWith("\r\n+CSQ: 20,99\r\n\r\nOK\r\n");
    EXPECT_TRUE(link.sendATCommand(QStringLiteral("AT+CSQ\r"), 2));
    EXPECT_EQ(peer.received, QByteArray("AT+CSQ\r"));
    EXPECT_EQ(link.modemReply(), QStringLiteral("\r\n+CSQ: 20,99\r\n"));

    answerWith("\r\n+CMS ERROR: 500\r\n");
    EXPECT_FALSE(link.sendATCommand(QStringLiteral("AT+CMGS=23\r"), 2));
    EXPECT_EQ(link.modemError(), 500);
    EXPECT_EQ(link.lastCmsError(), 500);

    answerWith("\r\n+CME ERROR: 16\r\n");
    EXPECT_FALSE(link.sendATCommand(QStringLiteral("AT+CPIN=1234\r"), 2));
    EXPECT_EQ(link.modemError(), 16);
    EXPECT_EQ(link.lastCmsError(), 0);
    EXPECT_EQ(testenv::prompt().count(), 0);
}

TEST_F(ModemLinkTest, ReplySplitIntoPiecesWithPauses)
{
    const QByteArray reply = "\r\n+CPIN: SIM PIN\r\n\r\nOK\r\n";
    for (int cut : {1, 2, 5, 17, int(reply.size()) - 1}) {
        peer.onCommand = [this, reply, cut](const QByteArray&) {
            peer.write(reply.left(cut));
            peer.writeLater(30, reply.mid(cut));
        };
        EXPECT_TRUE(link.sendATCommand(QStringLiteral("AT+CPIN?\r"), 2)) << "cut " << cut;
        EXPECT_EQ(link.modemReply(), QStringLiteral("+CPIN: SIM PIN")) << "cut " << cut;
    }
    // The rest of the last reply comes after the wait ended.
    testenv::waitUntil([this] { return link.parser().rxBuffer().isEmpty(); }, 20000);
    EXPECT_TRUE(link.parser().rxBuffer().isEmpty());
    EXPECT_TRUE(link.parser().response().isEmpty());
}

TEST_F(ModemLinkTest, IndicationInsideAReplyIsPassedOnButNotAcknowledgedByTheLink)
{
    const QByteArray pdu = "07911326040000F0040B911346610089F60000208062917314080CC8F71D14969741F977FD07";
    peer.onCommand = [&](const QByteArray&) {
        peer.write("\r\n+CSQ: 12,");
        peer.writeLater(20, "99\r\n\r\n+CMT: ,25\r\n" + pdu.left(9));
        peer.writeLater(40, pdu.mid(9) + "\r\n\r\nOK\r\n");
    };
    QSignalSpy cmt(&link, &ModemLink::cmtReceived);
    bool flagSetBeforeSignal = false;
    QObject::connect(&link, &ModemLink::cmtReceived, [&] { flagSetBeforeSignal = st.bGotCMT; });
    EXPECT_TRUE(link.sendATCommand(QStringLiteral("AT+CSQ\r"), 2));
    EXPECT_EQ(link.modemReply(), QStringLiteral("\r\n+CSQ: 12,99\r\n"));
    ASSERT_EQ(cmt.count(), 1);
    EXPECT_EQ(cmt.at(0).at(0).toString(), QStringLiteral(",25"));
    EXPECT_EQ(cmt.at(0).at(1).toString(), QString::fromLatin1(pdu));
    // Whether it is acknowledged is for the receiver to say, once the
    // message is kept.
    EXPECT_FALSE(flagSetBeforeSignal);
    EXPECT_FALSE(st.bGotCMT);
}

TEST_F(ModemLinkTest, PromptEndsTheWaitAndRingIsAnnouncedOnce)
{
    answerWith("\r\n> ");
    EXPECT_TRUE(link.sendATCommand(QStringLiteral("AT+CMGS=23\r"), 2));
    EXPECT_TRUE(link.parser().gotPrompt());

    QSignalSpy ring(&link, &ModemLink::ringReceived);
    peer.write("\r\nRI");
    testenv::waitUntil([] { return false; }, 50);
    EXPECT_EQ(ring.count(), 0);
    peer.write("NG\r\n");
    EXPECT_TRUE(testenv::waitUntil([&] { return ring.count() == 1; }, 20000));
    testenv::waitUntil([] { return false; }, 50);
    EXPECT_EQ(ring.count(), 1);
}

TEST_F(ModemLinkTest, SilenceTimesOut)
{
    QElapsedTimer t;
    t.start();
    EXPECT_FALSE(link.sendATCommand(QStringLiteral("AT\r"), 0.3));
    EXPECT_GE(t.elapsed(), 300 + ModemLink::kCommandPauseMs - 5);
    EXPECT_LT(t.elapsed(), 2000);
}

TEST_F(ModemLinkTest, ReplyAfterTheDeadlineIsATimeOutAndTheLineIsBroughtBackInStep)
{
    answerWith("\r\nOK\r\n", 400);
    EXPECT_FALSE(link.sendATCommand(QStringLiteral("AT\r"), 0.2));
    EXPECT_TRUE(link.needsResync());
    // The late OK arrives between exchanges and is taken by nobody.
    ASSERT_TRUE(testenv::waitUntil([&] { return link.parser().strays() == 1; }, 10000));
    EXPECT_FALSE(link.parser().gotOK());

    // Before the next command: ESC, then "AT" until its OK.
    peer.onCommand = [this](const QByteArray& cmd) { peer.write(cmd == "\x1b" "AT" ? "\r\nOK\r\n" : "\r\nERROR\r\n"); };
    const AtResult r = link.exchange(QStringLiteral("AT+X\r"), 4);
    EXPECT_EQ(r.kind, AtResult::Kind::Error);
    EXPECT_TRUE(r.written);
    EXPECT_EQ(peer.commands, QList<QByteArray>({"AT", "\x1b" "AT", "AT+X"}));
    EXPECT_FALSE(link.needsResync());
}

TEST_F(ModemLinkTest, ACommandIsNotWrittenWhileTheLineCannotBeBroughtBackInStep)
{
    EXPECT_EQ(link.exchange(QStringLiteral("AT+CSQ\r"), 0.2).kind, AtResult::Kind::TimedOut);
    // The modem stays silent: the rounds of ESC and "AT" give up, and the
    // command is not sent into a line whose state nobody knows.
    const AtResult r = link.exchange(QStringLiteral("AT+CMGS=23\r"), 1);
    EXPECT_EQ(r.kind, AtResult::Kind::TimedOut);
    EXPECT_FALSE(r.written);
    EXPECT_FALSE(r.success);
    EXPECT_EQ(peer.commands.count("AT+CMGS=23"), 0);
    EXPECT_EQ(peer.commands.count("\x1b" "AT"), ModemLink::kResyncRounds);
    EXPECT_TRUE(link.needsResync());
}

TEST_F(ModemLinkTest, EachCommandSucceedsOnlyWithTheOutcomeItAsksFor)
{
    struct Case {
        QString command;
        QByteArray reply;
        AtResult::Kind kind;
        bool success;
    };
    const QString body = QStringLiteral("0011000B914477009021F30000A70568656C6C6F") + QChar(0x1A);
    const Case cases[] = {
        {QStringLiteral("AT+CSQ\r"), "\r\n+CSQ: 20,99\r\n\r\nOK\r\n", AtResult::Kind::Ok, true},
        {QStringLiteral("AT+CMGS=23\r"), "\r\n> ", AtResult::Kind::Prompt, true},
        {body, "\r\n+CMGS: 12\r\n\r\nOK\r\n", AtResult::Kind::Ok, true},
        // Some phones answer a body with a bare "OK": the part went.
        {body, "\r\nOK\r\n", AtResult::Kind::Ok, true},
        // An OK where the prompt was asked for, a prompt for an ordinary
        // command: neither is success.
        {QStringLiteral("AT+CMGS=23\r"), "\r\nOK\r\n", AtResult::Kind::Ok, false},
        {QStringLiteral("AT+CSQ\r"), "\r\n> ", AtResult::Kind::Prompt, false},
        {QStringLiteral("AT+CMGS=?\r"), "\r\nOK\r\n", AtResult::Kind::Ok, true},
        {QStringLiteral("AT+CMGS=23\r"), "\r\n+CMS ERROR: 304\r\n", AtResult::Kind::Error, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command.toStdString());
        // "AT" and the ESC before it are answered OK, the case's command
        // with its reply. A body ends in Ctrl-Z, not CR: it is answered
        // from a timer, after the pause before it is written.
        peer.onCommand = [this, c](const QByteArray& cmd) {
            const QByteArray line = cmd.mid(cmd.lastIndexOf('\x1a') + 1);
            peer.write(line == "AT" || line == "\x1b" "AT" ? QByteArray("\r\nOK\r\n") : c.reply);
        };
        if (c.command.endsWith(QChar(0x1A)))
            peer.writeLater(ModemLink::kCommandPauseMs + 150, c.reply);
        const AtResult r = link.exchange(c.command, 4);
        EXPECT_EQ(r.kind, c.kind);
        EXPECT_EQ(r.success, c.success);
        EXPECT_EQ(link.sendATCommand(QStringLiteral("AT\r"), 4), true) << "the next command is answered";
    }
    peer.onCommand = [this](const QByteArray&) { peer.write("\r\n+CME ERROR: 16\r\n"); };
    const AtResult error = link.exchange(QStringLiteral("AT+CPIN=1234\r"), 4);
    EXPECT_EQ(error.errorKind, AtResult::ErrorKind::Cme);
    EXPECT_EQ(error.code, 16);
}

TEST_F(ModemLinkTest, ReplyInTimeCountsEvenWhenANestedDialogHoldsTheWait)
{
    // The reply arrives at about 20 ms, but a nested loop keeps the wait
    // from returning until well after its 0.3 s deadline.
    peer.onCommand = [this](const QByteArray&) {
        peer.writeLater(20, "\r\nOK\r\n");
        holdEventLoopLater(5, 700);
    };
    QElapsedTimer t;
    t.start();
    EXPECT_TRUE(link.sendATCommand(QStringLiteral("AT\r"), 0.3));
    EXPECT_GE(t.elapsed(), 700);
}

TEST_F(ModemLinkTest, ReplyLateWhileANestedDialogHoldsTheWaitIsATimeOut)
{
    peer.onCommand = [this](const QByteArray&) {
        peer.writeLater(450, "\r\nOK\r\n");
        holdEventLoopLater(5, 700);
    };
    EXPECT_FALSE(link.sendATCommand(QStringLiteral("AT\r"), 0.3));
}

TEST_F(ModemLinkTest, CancelEndsTheWaitInHandAndNothingElse)
{
    QTimer::singleShot(ModemLink::kCommandPauseMs + 100, &link, [this] { link.cancel(); });
    QElapsedTimer t;
    t.start();
    const AtResult cancelled = link.exchange(QStringLiteral("AT\r"), 60);
    EXPECT_EQ(cancelled.kind, AtResult::Kind::Cancelled);
    EXPECT_FALSE(cancelled.success);
    EXPECT_LT(t.elapsed(), 30000);
    EXPECT_TRUE(st.bCancelled);

    // A form that only raises the flag ends the wait too; the yes-or-no
    // form says yes, and the form looks at its flag.
    st.bCancelled = false;
    QTimer::singleShot(ModemLink::kCommandPauseMs + 100, &link, [this] { st.bCancelled = true; });
    t.restart();
    EXPECT_TRUE(link.sendATCommand(QStringLiteral("AT\r"), 60));
    EXPECT_LT(t.elapsed(), 30000);

    // With the flag still raised, the next command waits for its own reply.
    peer.onCommand = [this](const QByteArray&) { peer.writeLater(200, "\r\nOK\r\n"); };
    EXPECT_TRUE(link.sendATCommand(QStringLiteral("AT+CSQ\r"), 30));
    EXPECT_EQ(peer.commands.last(), "AT+CSQ");
}

TEST_F(ModemLinkTest, LogKeepsTheNewest10000Characters)
{
    QByteArray data;
    for (int i = 0; i < 10001; ++i)
        data.append(char('a' + i % 26));
    QSignalSpy appended(&link, &ModemLink::logAppended);
    peer.write(data);
    ASSERT_TRUE(testenv::waitUntil([&] {
        qsizetype n = 0;
        for (const auto& args : appended)
            n += args.at(0).toString().size();
        return n == data.size();
    }));
    EXPECT_EQ(link.commLog().size(), ModemLink::kLogLimit);
    EXPECT_EQ(link.commLog(), QString::fromLatin1(data.right(ModemLink::kLogLimit)));

    // Bytes above 127 are one character each.
    peer.write("\xe9\xff");
    ASSERT_TRUE(testenv::waitUntil([&] { return link.commLog().endsWith(QStringLiteral("\u00e9\u00ff")); }));
    EXPECT_EQ(link.commLog().size(), ModemLink::kLogLimit);
}

TEST_F(ModemLinkTest, VanishedPortIsClosedAndCommandsFailAtOnce)
{
    QSignalSpy lost(&link, &ModemLink::portLost);
    // The device goes away while a command waits for its reply.
    peer.onCommand = [this](const QByteArray&) { QTimer::singleShot(50, peer.context(), [this] { peer.closeMaster(); }); };
    QElapsedTimer t;
    t.start();
    EXPECT_FALSE(link.sendATCommand(QStringLiteral("AT\r"), 10));
    EXPECT_LT(t.elapsed(), 2000);
    EXPECT_FALSE(link.isOpen());
    EXPECT_EQ(lost.count(), 1);

    t.restart();
    for (int i = 0; i < 20; ++i)
        EXPECT_FALSE(link.sendATCommand(QStringLiteral("AT+CSQ\r"), 4));
    EXPECT_LT(t.elapsed(), 200);
    EXPECT_EQ(testenv::prompt().count(), 0);
}

TEST_F(ModemLinkTest, CommandInsideAWaitIsRefused)
{
    bool innerResult = true;
    peer.onCommand = [&](const QByteArray& cmd) {
        if (cmd == "AT+OUTER")
            QTimer::singleShot(10, &link, [&] {
                innerResult = link.sendATCommand(QStringLiteral("AT+INNER\r"), 1);
                peer.write("\r\nOK\r\n");
            });
    };
    EXPECT_TRUE(link.sendATCommand(QStringLiteral("AT+OUTER\r"), 2));
    EXPECT_FALSE(innerResult);
    EXPECT_EQ(peer.commands, QList<QByteArray>{"AT+OUTER"});
}

TEST_F(ModemLinkTest, WaitingUsesNoProcessor)
{
    timespec a{}, b{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &a);
    QElapsedTimer t;
    t.start();
    EXPECT_FALSE(link.sendATCommand(QStringLiteral("AT\r"), 1.0));
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &b);
    const double cpu = double(b.tv_sec - a.tv_sec) + double(b.tv_nsec - a.tv_nsec) / 1e9;
    const double wall = double(t.elapsed()) / 1000.0;
    // A spinning wait would use the whole second.
    EXPECT_LT(cpu, 0.2 * wall) << "cpu " << cpu << " s over " << wall << " s";
}

TEST(ModemLinkPort, HandshakeNamesMapToFlowControl)
{
    EXPECT_EQ(ModemLink::flowControlFor(QStringLiteral("None")), QSerialPort::NoFlowControl);
    EXPECT_EQ(ModemLink::flowControlFor(QStringLiteral("XonXoff")), QSerialPort::SoftwareControl);
    EXPECT_EQ(ModemLink::flowControlFor(QStringLiteral("RTS")), QSerialPort::HardwareControl);
    EXPECT_EQ(ModemLink::flowControlFor(QStringLiteral("RTSXonXoff")), QSerialPort::HardwareControl);
    EXPECT_EQ(ModemLink::handshakeNames().size(), 4);

    EngineState st;
    ModemLink link(st);
    EXPECT_FALSE(link.openPort(testenv::newDir() + QStringLiteral("/no-such-port"), 9600, QStringLiteral("RTS")));
    EXPECT_FALSE(link.isOpen());
    EXPECT_FALSE(link.sendATCommand(QStringLiteral("AT\r"), 1));
    const AtResult r = link.exchange(QStringLiteral("AT\r"), 1);
    EXPECT_EQ(r.kind, AtResult::Kind::PortLost);
    EXPECT_FALSE(r.written);
}
