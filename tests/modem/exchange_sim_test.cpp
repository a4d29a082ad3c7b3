// The AT exchange over the serial link against the simulated modem when
// things go wrong: replies that come after their deadline, a Cancel left
// over from an operation that ended, unsolicited lines between and inside
// replies, and a line that never ends.
#include <QSignalSpy>
#include <gtest/gtest.h>

#include "engine/ActivityScheduler.h"
#include "base/EngineState.h"
#include "modem/ModemLink.h"
#include "simmodem/SimModem.h"
#include "support/TestEnv.h"
#include "support/Tpdu.h"

// Readable failures: CR and LF shown as escapes.
static void PrintTo(const QString& s, std::ostream* os)
{
    QString shown = s;
    shown.replace(QLatin1String("\r"), QLatin1String("\\r")).replace(QLatin1String("\n"), QLatin1String("\\n"));
    *os << '"' << shown.toStdString() << '"';
}

namespace {

class ExchangeSimTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        testenv::prompt().reset();
        ASSERT_TRUE(modem.start(testenv::newDir("modem") + "/modem0")) << modem.errorString().toStdString();
        modem.setEcho(false);
        ASSERT_TRUE(link.openPort(modem.portPath(), 115200, "None"));
        // What reception does once it has kept a message.
        QObject::connect(&link, &ModemLink::cmtReceived, [this] { st.bGotCMT = true; });
    }

    // A text message as the modem expects it after "AT+CMGS=": the body and
    // the length to announce.
    static std::pair<QString, int> body(const QString& text)
    {
        tpdu::SubmitSpec spec;
        spec.destination = QStringLiteral("+447700900123");
        spec.text = text;
        const QString pdu = *tpdu::buildSubmit(spec);
        return {pdu, tpdu::tpduLengthOf(pdu)};
    }

    // What the Outbox sender does for one part: up to `tries` tries of the
    // command and the body; true when one went through.
    bool sendLikeTheSender(const QString& text, double bodyTimeoutSec, int tries = 3)
    {
        const auto [pdu, length] = body(text);
        for (int i = 0; i < tries; ++i)
            if (link.sendATCommand(QStringLiteral("AT+CMGS=%1\r").arg(length), 8) &&
                link.sendATCommand(pdu + QChar(0x1A), bodyTimeoutSec))
                return true;
        return false;
    }

    EngineState st;
    SimModem modem;
    ModemLink link{st};
};

} // namespace

TEST_F(ExchangeSimTest, ALateReplyDoesNotEndTheNextCommand)
{
    // The signal poll's answer comes a second after its deadline, while the
    // next command waits for a prompt that never comes.
    modem.addFault("AT+CSQ", 1, SimModem::Fault::delay(1500));
    EXPECT_FALSE(link.sendATCommand(QStringLiteral("AT+CSQ\r"), 0.5));
    modem.addFault("AT+CMGS=", 1, SimModem::Fault::silence());
    EXPECT_FALSE(link.sendATCommand(QStringLiteral("AT+CMGS=23\r"), 3));

    // In step again: the next command gets its own reply.
    ASSERT_TRUE(link.sendATCommand(QStringLiteral("AT+CSQ\r"), 4));
    EXPECT_EQ(link.modemReply(), QStringLiteral("\r\n+CSQ: 20,0\r\n"));
}

TEST_F(ExchangeSimTest, AMessageWhoseConfirmationComesLateIsSentOnce)
{
    modem.addFault(SimModem::kPduInput, 1, SimModem::Fault::delay(1500));
    EXPECT_TRUE(sendLikeTheSender(QStringLiteral("once only"), 0.5));
    EXPECT_EQ(modem.submits().size(), 1);
    EXPECT_EQ(modem.sentMessages().size(), 1);

    // The next message and the next command are answered as usual.
    EXPECT_TRUE(sendLikeTheSender(QStringLiteral("the second"), 5));
    EXPECT_EQ(modem.sentMessages().size(), 2);
    ASSERT_TRUE(link.sendATCommand(QStringLiteral("AT+CSQ\r"), 4));
    EXPECT_EQ(link.modemReply(), QStringLiteral("\r\n+CSQ: 20,0\r\n"));
}

TEST_F(ExchangeSimTest, ALateOrLostPromptIsLeftBeforeTheNextCommand)
{
    // The prompt comes after the deadline: the modem then waits for a body
    // and would swallow the next command as one.
    modem.addFault("AT+CMGS=", 1, SimModem::Fault::delay(1200));
    EXPECT_FALSE(link.sendATCommand(QStringLiteral("AT+CMGS=23\r"), 0.4));
    ASSERT_TRUE(link.sendATCommand(QStringLiteral("AT+CSQ\r"), 4));
    EXPECT_EQ(link.modemReply(), QStringLiteral("\r\n+CSQ: 20,0\r\n"));
    EXPECT_TRUE(modem.submits().isEmpty());
}

TEST_F(ExchangeSimTest, ACancelLeftOverFromAnEndedOperationDoesNotEndTheNextWait)
{
    modem.injectCmt(tpdu::deliverText(QStringLiteral("+447700900555"), QStringLiteral("Hi")));
    ASSERT_TRUE(testenv::waitUntil([&] { return st.bGotCMT; }, 10000));
    st.bCancelled = true; // a form's Cancel, never cleared

    acknowledgePendingCMT(st, link);
    EXPECT_FALSE(st.bGotCMT);
    EXPECT_EQ(modem.unacknowledgedCount(), 0);
    ASSERT_TRUE(link.sendATCommand(QStringLiteral("AT+CSQ\r"), 4));
    EXPECT_EQ(link.modemReply(), QStringLiteral("\r\n+CSQ: 20,0\r\n"));
}

// The link acknowledges a kept message before the next command line it
// sends, whoever sends it, and tells reception of the acknowledgement; a
// message body after its prompt is never held up by it.
TEST_F(ExchangeSimTest, APendingIndicationIsAcknowledgedBeforeTheNextCommandLineNeverBeforeABody)
{
    QSignalSpy acknowledged(&link, &ModemLink::acknowledgementSent);
    QSignalSpy confirmed(&link, &ModemLink::acknowledgementConfirmed);
    modem.injectCmt(tpdu::deliverText(QStringLiteral("+447700900555"), QStringLiteral("Hi")));
    ASSERT_TRUE(testenv::waitUntil([&] { return st.bGotCMT; }, 10000));
    ASSERT_TRUE(link.sendATCommand(QStringLiteral("AT+CSQ\r"), 4));
    EXPECT_EQ(link.modemReply(), QStringLiteral("\r\n+CSQ: 20,0\r\n"));
    EXPECT_FALSE(st.bGotCMT);
    EXPECT_EQ(modem.unacknowledgedCount(), 0);
    EXPECT_EQ(acknowledged.size(), 1);
    EXPECT_EQ(confirmed.size(), 1);

    // One arrives just ahead of the prompt: the body goes, then the next
    // command is preceded by its acknowledgement.
    const auto [pdu, length] = body(QStringLiteral("Hello"));
    modem.injectCmtIntoNextReply(tpdu::deliverText(QStringLiteral("+447700900556"), QStringLiteral("Yo")), 0);
    ASSERT_TRUE(link.sendATCommand(QStringLiteral("AT+CMGS=%1\r").arg(length), 8));
    ASSERT_TRUE(st.bGotCMT);
    ASSERT_TRUE(link.sendATCommand(pdu + QChar(0x1A), 10));
    ASSERT_TRUE(link.sendATCommand(QStringLiteral("AT\r"), 4));
    EXPECT_EQ(modem.commands(), QStringList({"AT+CNMA", "AT+CSQ", QStringLiteral("AT+CMGS=%1").arg(length), pdu,
                                             "AT+CNMA", "AT"}));
    EXPECT_EQ(modem.unacknowledgedCount(), 0);
    EXPECT_EQ(confirmed.size(), 2);
}

TEST_F(ExchangeSimTest, UnsolicitedLinesAreNotPartOfAReply)
{
    modem.injectUrc(QStringLiteral("+CREG: 1"));
    ASSERT_TRUE(testenv::waitUntil([&] { return link.commLog().contains(QStringLiteral("+CREG: 1")); }, 10000));
    ASSERT_TRUE(link.sendATCommand(QStringLiteral("AT+CSQ\r"), 4));
    EXPECT_EQ(link.modemReply(), QStringLiteral("\r\n+CSQ: 20,0\r\n"));

    // Inside a reply too.
    modem.injectIntoNextReply("\r\n+CMTI: \"SM\",3\r\n");
    ASSERT_TRUE(link.sendATCommand(QStringLiteral("AT+CSQ\r"), 4));
    EXPECT_EQ(link.modemReply(), QStringLiteral("\r\n+CSQ: 20,0\r\n"));
}

TEST_F(ExchangeSimTest, ALineThatNeverEndsIsCutAndTheLinkGoesOn)
{
    const QByteArray noise = "\r\n" + QByteArray(200000, 'A');
    modem.injectRaw(noise);
    // Everything written and read: the parser kept only a bounded piece.
    ASSERT_TRUE(testenv::waitUntil([&] {
        return modem.sentBytes().size() >= noise.size() && link.commLog().endsWith(QStringLiteral("AAAA"));
    }, 20000));
    EXPECT_LE(link.parser().rxBuffer().size(), ReplyParser::kMaxLine);
    EXPECT_GE(link.parser().droppedLines(), 1);
    modem.injectRaw("\r\n");
    ASSERT_TRUE(link.sendATCommand(QStringLiteral("AT+CSQ\r"), 4));
    EXPECT_EQ(link.modemReply(), QStringLiteral("\r\n+CSQ: 20,0\r\n"));
}
