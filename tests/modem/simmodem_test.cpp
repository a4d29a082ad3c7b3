// The simulated modem as a program under test sees it: through QSerialPort
// on the pty, in the same process and event loop.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSerialPort>

#include "simmodem/SimModem.h"
#include "support/TestEnv.h"
#include "support/Tpdu.h"

static void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {

const char kHelloPdu[] = "0011010C914477000910320000A70AE8329BFD4697D9EC37";

// The application's side of the line.
class Port {
public:
    explicit Port(const QString& path, QSerialPort::FlowControl flow = QSerialPort::NoFlowControl)
    {
        port_.setPortName(path);
        port_.setBaudRate(9600);
        port_.setFlowControl(flow);
        opened_ = port_.open(QIODevice::ReadWrite);
        QObject::connect(&port_, &QSerialPort::readyRead, [this] {
            const QByteArray chunk = port_.readAll();
            chunks_.append(chunk);
            in_ += chunk;
        });
    }
    bool opened() const { return opened_; }
    void close() { port_.close(); }

    void write(const QByteArray& bytes)
    {
        port_.write(bytes);
        port_.flush();
    }
    // Sends and waits for a final result or the prompt; returns all bytes
    // received since the command was written ("" on time-out).
    QByteArray ask(const QByteArray& bytes, int ms = 2000)
    {
        in_.clear();
        chunks_.clear();
        write(bytes);
        if (!testenv::waitUntil([this] { return complete(); }, ms))
            return {};
        return in_;
    }
    // Waits until the received bytes contain needle.
    bool waitFor(const QByteArray& needle, int ms = 2000)
    {
        return testenv::waitUntil([&] { return in_.contains(needle); }, ms);
    }
    QByteArray& received() { return in_; }
    QSerialPort& serial() { return port_; }
    const QList<QByteArray>& chunks() const { return chunks_; }

private:
    bool complete() const
    {
        static const QRegularExpression final(
            QStringLiteral("(\r\n(OK|ERROR|\\+CM[ES] ERROR: \\d+)\r\n|\r\n> )$"));
        return final.match(QString::fromLatin1(in_)).hasMatch();
    }
    QSerialPort port_;
    bool opened_ = false;
    QByteArray in_;
    QList<QByteArray> chunks_;
};

// A started modem with echo already off, and the port open on it.
struct Rig {
    SimModem modem;
    std::unique_ptr<Port> port;
    explicit Rig(bool echoOff = true)
    {
        const bool started = modem.start(testenv::newDir("modem") + "/modem0");
        EXPECT_TRUE(started) << modem.errorString().toStdString();
        modem.setRestartMs(50);
        port = std::make_unique<Port>(modem.portPath());
        EXPECT_TRUE(port->opened());
        if (echoOff) {
            EXPECT_EQ(port->ask("ATE0\r"), "ATE0\r\r\nOK\r\n");
        }
    }
    QByteArray ask(const QByteArray& cmd) { return port->ask(cmd); }
};

} // namespace

TEST(SimModem, EchoFramingAndIdentity)
{
    Rig rig(false);
    EXPECT_TRUE(QFileInfo(rig.modem.portPath()).isSymLink());
    EXPECT_EQ(rig.ask("AT\r"), "AT\r\r\nOK\r\n");
    EXPECT_EQ(rig.ask("ATE0V1S0=0\r"), "ATE0V1S0=0\r\r\nOK\r\n");
    EXPECT_FALSE(rig.modem.echo());
    EXPECT_EQ(rig.ask("ATS0?\r"), "\r\n000\r\n\r\nOK\r\n");
    rig.modem.setMaker("SIEMENS");
    EXPECT_EQ(rig.ask("AT+CGMI\r"), "\r\nSIEMENS\r\n\r\nOK\r\n");
    EXPECT_EQ(rig.ask("at+cgmi\r"), "\r\nSIEMENS\r\n\r\nOK\r\n");
    EXPECT_EQ(rig.ask("AT+BOGUS\r"), "\r\nERROR\r\n");
    EXPECT_EQ(rig.ask("ATE7\r"), "\r\nERROR\r\n");
    EXPECT_EQ(rig.ask("AT+CGMI=7\r"), "\r\nERROR\r\n");
    // Line noise gets no answer; the next command does. A line feed after
    // the CR is ignored.
    EXPECT_EQ(rig.ask("hello\rAT\r\n"), "\r\nOK\r\n");
    EXPECT_EQ(rig.ask("ATE1\r"), "\r\nOK\r\n");
    EXPECT_EQ(rig.ask("AT+CSQ\r"), "AT+CSQ\r\r\n+CSQ: 20,0\r\n\r\nOK\r\n");
    EXPECT_EQ(rig.modem.commands(),
              QStringList({"AT", "ATE0V1S0=0", "ATS0?", "AT+CGMI", "at+cgmi", "AT+BOGUS", "ATE7", "AT+CGMI=7",
                           "hello", "AT", "ATE1", "AT+CSQ"}));
    EXPECT_EQ(rig.modem.commandCount("AT+CGMI"), 3);
    EXPECT_TRUE(rig.modem.receivedBytes().endsWith("ATE1\rAT+CSQ\r"));
    EXPECT_TRUE(rig.modem.sentBytes().endsWith("AT+CSQ\r\r\n+CSQ: 20,0\r\n\r\nOK\r\n"));
}

TEST(SimModem, SignalQuality)
{
    Rig rig;
    EXPECT_EQ(rig.ask("AT+CSQ=?\r"), "\r\n+CSQ: (0-31,99),(0-7,99)\r\n\r\nOK\r\n");
    rig.modem.setSignalQuality(99, 99);
    EXPECT_EQ(rig.ask("AT+CSQ\r"), "\r\n+CSQ: 99,99\r\n\r\nOK\r\n");
    rig.modem.setSignalQuality(7);
    EXPECT_EQ(rig.ask("AT+CSQ\r"), "\r\n+CSQ: 7,0\r\n\r\nOK\r\n");
}

TEST(SimModem, PinThenPukFlow)
{
    Rig rig;
    rig.modem.setPin("1234");
    EXPECT_EQ(rig.ask("AT+CPIN?\r"), "\r\n+CPIN: SIM PIN\r\n\r\nOK\r\n");
    // A locked SIM refuses the phonebook and sending.
    EXPECT_EQ(rig.ask("AT+CPBS=\"SM\"\r"), "\r\n+CME ERROR: 11\r\n");
    EXPECT_EQ(rig.ask("AT+CMGS=23\r"), "\r\n+CMS ERROR: 311\r\n");
    EXPECT_EQ(rig.ask("AT+CPIN=\"0000\"\r"), "\r\n+CME ERROR: 16\r\n");
    EXPECT_EQ(rig.modem.pinTriesLeft(), 2);
    EXPECT_EQ(rig.ask("AT+CPIN=1111\r"), "\r\n+CME ERROR: 16\r\n");
    EXPECT_EQ(rig.ask("AT+CPIN?\r"), "\r\n+CPIN: SIM PIN\r\n\r\nOK\r\n");
    EXPECT_EQ(rig.ask("AT+CPIN=2222\r"), "\r\n+CME ERROR: 16\r\n");
    EXPECT_EQ(rig.ask("AT+CPIN?\r"), "\r\n+CPIN: SIM PUK\r\n\r\nOK\r\n");
    // The right PIN is no use now; the PUK wants a new PIN with it.
    EXPECT_EQ(rig.ask("AT+CPIN=1234\r"), "\r\n+CME ERROR: 16\r\n");
    EXPECT_EQ(rig.ask("AT+CPIN=\"12345678\"\r"), "\r\n+CME ERROR: 16\r\n");
    EXPECT_EQ(rig.modem.pukTriesLeft(), 10);
    EXPECT_EQ(rig.ask("AT+CPIN=\"87654321\",\"4321\"\r"), "\r\n+CME ERROR: 16\r\n");
    EXPECT_EQ(rig.modem.pukTriesLeft(), 9);
    EXPECT_EQ(rig.ask("AT+CPIN=\"12345678\",\"4321\"\r"), "\r\nOK\r\n");
    EXPECT_EQ(rig.ask("AT+CPIN?\r"), "\r\n+CPIN: READY\r\n\r\nOK\r\n");
    EXPECT_EQ(rig.modem.pin(), "4321");
    EXPECT_EQ(rig.modem.pinTriesLeft(), 3);
    // Entering a PIN into a ready SIM is not allowed.
    EXPECT_EQ(rig.ask("AT+CPIN=4321\r"), "\r\n+CME ERROR: 3\r\n");

    // After a restart the SIM asks for the new PIN again.
    EXPECT_EQ(rig.ask("AT+CFUN=1,1\r"), "\r\nOK\r\n");
    ASSERT_TRUE(testenv::waitUntil([&] { return !rig.modem.isRestarting(); }));
    EXPECT_EQ(rig.ask("ATE0\r"), "ATE0\r\r\nOK\r\n");
    EXPECT_EQ(rig.ask("AT+CPIN?\r"), "\r\n+CPIN: SIM PIN\r\n\r\nOK\r\n");
    EXPECT_EQ(rig.ask("AT+CPIN=4321\r"), "\r\nOK\r\n");

    // Some modems send the status line without an OK.
    rig.modem.setCpinFinalOk(false);
    rig.port->received().clear();
    rig.port->write("AT+CPIN?\r");
    ASSERT_TRUE(rig.port->waitFor("READY\r\n"));
    EXPECT_EQ(rig.port->received(), "\r\n+CPIN: READY\r\n");
}

TEST(SimModem, TenWrongPuksBlockTheSim)
{
    Rig rig;
    rig.modem.setSimState(SimModem::SimState::Puk);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(rig.ask("AT+CPIN=\"00000000\",\"1111\"\r"), "\r\n+CME ERROR: 16\r\n");
    EXPECT_EQ(rig.modem.simState(), SimModem::SimState::Blocked);
    EXPECT_EQ(rig.ask("AT+CPIN?\r"), "\r\n+CME ERROR: 13\r\n");
    EXPECT_EQ(rig.ask("AT+CPIN=\"12345678\",\"1111\"\r"), "\r\n+CME ERROR: 13\r\n");
}

TEST(SimModem, MessageSettingsResetAndPersistence)
{
    Rig rig;
    EXPECT_EQ(rig.ask("AT+CSMS?\r"), "\r\n+CSMS: 0,1,1,1\r\n\r\nOK\r\n");
    EXPECT_EQ(rig.ask("AT+CNMI?\r"), "\r\n+CNMI: 1,1,0,0,0\r\n\r\nOK\r\n");
    EXPECT_EQ(rig.ask("AT+CMGF?\r"), "\r\n+CMGF: 0\r\n\r\nOK\r\n");
    EXPECT_EQ(rig.ask("AT+CSMS=1\r"), "\r\n+CSMS: 1,1,1\r\n\r\nOK\r\n");
    EXPECT_EQ(rig.ask("AT+CNMI=2,2,0\r"), "\r\nOK\r\n");
    EXPECT_EQ(rig.ask("AT+CNMI?\r"), "\r\n+CNMI: 2,2,0,0,0\r\n\r\nOK\r\n");
    EXPECT_EQ(rig.ask("AT+CMGF=1\r"), "\r\nOK\r\n");
    EXPECT_EQ(rig.ask("AT+CSMS=3\r"), "\r\n+CMS ERROR: 303\r\n");
    EXPECT_EQ(rig.ask("AT+CNMI=9\r"), "\r\n+CMS ERROR: 303\r\n");

    // Not saved: a restart brings back the power-up settings and echo, and
    // the modem hears nothing while it restarts.
    rig.modem.setRestartMs(300);
    EXPECT_EQ(rig.ask("AT+CFUN=1,1\r"), "\r\nOK\r\n");
    EXPECT_TRUE(rig.modem.isRestarting());
    EXPECT_EQ(rig.port->ask("AT\r", 100), "");
    ASSERT_TRUE(testenv::waitUntil([&] { return !rig.modem.isRestarting(); }));
    EXPECT_EQ(rig.modem.restartCount(), 1);
    EXPECT_EQ(rig.ask("AT\r"), "AT\r\r\nOK\r\n");
    EXPECT_EQ(rig.ask("ATE0;+CSMS?;+CMGF?\r"), "ATE0;+CSMS?;+CMGF?\r\r\n+CSMS: 0,1,1,1\r\n+CMGF: 0\r\n\r\nOK\r\n");

    // Saved with AT&W: they survive. The partial form changes only mt.
    rig.modem.setRestartMs(20);
    EXPECT_EQ(rig.ask("AT+CSMS=1;+CNMI=2,1,0,1,0;+CMGF=0\r"), "\r\n+CSMS: 1,1,1\r\n\r\nOK\r\n");
    EXPECT_EQ(rig.ask("AT+CNMI=,2\r"), "\r\nOK\r\n");
    EXPECT_EQ(rig.ask("AT&W\r"), "\r\nOK\r\n");
    EXPECT_EQ(rig.ask("AT+CFUN=1,1\r"), "\r\nOK\r\n");
    ASSERT_TRUE(testenv::waitUntil([&] { return !rig.modem.isRestarting(); }));
    EXPECT_EQ(rig.ask("ATE0\r"), "ATE0\r\r\nOK\r\n");
    EXPECT_EQ(rig.ask("AT+CNMI?\r"), "\r\n+CNMI: 2,2,0,1,0\r\n\r\nOK\r\n");
    EXPECT_EQ(rig.ask("AT+CSMS?\r"), "\r\n+CSMS: 1,1,1,1\r\n\r\nOK\r\n");
    SimModem::Profile expected;
    expected.csms = 1;
    expected.cnmi = {2, 2, 0, 1, 0};
    expected.cmgf = 0;
    EXPECT_EQ(rig.modem.savedProfile(), expected);
}

TEST(SimModem, SendWithPromptAndDecodedSubmit)
{
    Rig rig;
    EXPECT_EQ(rig.ask("AT+CMGS=23\r"), "\r\n> ");
    EXPECT_EQ(rig.ask(QByteArray(kHelloPdu) + '\x1A'), "\r\n+CMGS: 1\r\n\r\nOK\r\n");
    ASSERT_EQ(rig.modem.submits().size(), 1);
    const SimModem::SubmitRecord& rec = rig.modem.submits().first();
    EXPECT_TRUE(rec.accepted);
    EXPECT_EQ(rec.declaredLength, 23);
    EXPECT_EQ(rec.pdu, kHelloPdu);
    ASSERT_TRUE(rec.decoded.has_value());
    EXPECT_EQ(rec.decoded->da.number, "+447700900123");
    EXPECT_EQ(rec.decoded->da.ton(), 1);
    EXPECT_EQ(rec.decoded->mr, 1);
    EXPECT_EQ(rec.decoded->pid, 0);
    EXPECT_EQ(rec.decoded->dcs, 0);
    EXPECT_EQ(rec.decoded->vpRelative, 0xA7);
    EXPECT_EQ(rec.decoded->ud.udl, 10);
    EXPECT_EQ(rec.decoded->ud.text, "hellohello");
    EXPECT_EQ(rig.modem.commands().mid(1), QStringList({"AT+CMGS=23", kHelloPdu}));

    // A smart part with echo on: the body is echoed, the header decoded.
    tpdu::SubmitSpec spec;
    spec.mr = 42;
    spec.destination = "07700900123";
    spec.dcs = 0xF5;
    spec.udh = {tpdu::portElement16(0x158A, 0), tpdu::concatElement8(3, 2, 2)};
    spec.data = QByteArray::fromHex("00AABB");
    const QByteArray pdu = tpdu::buildSubmit(spec).value().toLatin1();
    const int length = tpdu::tpduLengthOf(QString::fromLatin1(pdu));
    EXPECT_EQ(rig.ask("ATE1\r"), "\r\nOK\r\n");
    EXPECT_EQ(rig.ask("AT+CMGS=" + QByteArray::number(length) + "\r"),
              "AT+CMGS=" + QByteArray::number(length) + "\r\r\n> ");
    EXPECT_EQ(rig.ask(pdu + '\x1A'), pdu + "\r\n+CMGS: 42\r\n\r\nOK\r\n");
    const auto sent = rig.modem.sentMessages();
    ASSERT_EQ(sent.size(), 2);
    EXPECT_EQ(sent[1].da.number, "07700900123");
    EXPECT_EQ(sent[1].da.toa, 0x81);
    EXPECT_EQ(sent[1].ud.header.destinationPort, 0x158A);
    EXPECT_EQ(sent[1].ud.header.concatTotal, 2);
    EXPECT_EQ(sent[1].ud.header.concatSeq, 2);
    EXPECT_EQ(sent[1].ud.payload, QByteArray::fromHex("00AABB"));
}

TEST(SimModem, RefusesBadMessageBodies)
{
    Rig rig;
    struct Case {
        QByteArray length;
        QByteArray body;
        const char* why;
    };
    const Case cases[] = {
        {"22", kHelloPdu, "TPDU octets"},                           // length off by one
        {"23", QByteArray(kHelloPdu) + "\r", "hex"},                // a CR inside the body
        {"23", QByteArray(kHelloPdu).left(45), "hex"},              // odd length
        {"23", "0811010C914477000910320000A70AE8329BFD4697D9EC37", "TPDU octets"},   // SCA length wrong
        {"22", "0011010C914477000910320000A70BE8329BFD4697D9EC", "TP-UDL"},         // UDL past the end
        {"23", "0004010C914477000910320000A70AE8329BFD4697D9EC37", "SUBMIT"},       // not a SUBMIT
    };
    for (const Case& c : cases) {
        EXPECT_EQ(rig.ask("AT+CMGS=" + c.length + "\r"), "\r\n> ");
        EXPECT_EQ(rig.ask(c.body + '\x1A'), "\r\n+CMS ERROR: 304\r\n") << c.body.constData();
        ASSERT_FALSE(rig.modem.submits().isEmpty());
        EXPECT_FALSE(rig.modem.submits().last().accepted);
        EXPECT_TRUE(rig.modem.submits().last().error.contains(c.why)) << rig.modem.submits().last().error.toStdString();
    }
    EXPECT_TRUE(rig.modem.sentMessages().isEmpty());
    // ESC abandons the body: OK, nothing recorded as a submit.
    EXPECT_EQ(rig.ask("AT+CMGS=23\r"), "\r\n> ");
    EXPECT_EQ(rig.ask("0011\x1B"), "\r\nOK\r\n");
    EXPECT_EQ(rig.modem.submits().size(), std::size(cases));
    EXPECT_EQ(rig.modem.commands().last(), "0011\x1B");
    // Out-of-range lengths and text mode are refused before the prompt.
    EXPECT_EQ(rig.ask("AT+CMGS=0\r"), "\r\n+CMS ERROR: 304\r\n");
    EXPECT_EQ(rig.ask("AT+CMGF=1\r"), "\r\nOK\r\n");
    EXPECT_EQ(rig.ask("AT+CMGS=23\r"), "\r\n+CMS ERROR: 302\r\n");
}

TEST(SimModem, AcknowledgementsAreCounted)
{
    Rig rig;
    EXPECT_EQ(rig.ask("AT+CNMA\r"), "\r\n+CMS ERROR: 340\r\n");
    const QString first = tpdu::deliverText("+447700900555", "one");
    const QString second = tpdu::deliverText("+447700900555", "two");
    rig.port->received().clear();
    rig.modem.injectCmt(first);
    rig.modem.injectCmt(second);
    ASSERT_TRUE(rig.port->waitFor(second.toLatin1() + "\r\n"));
    EXPECT_EQ(rig.port->received(), SimModem::cmtBytes(first) + SimModem::cmtBytes(second));
    EXPECT_TRUE(rig.port->received().startsWith("\r\n+CMT: ,22\r\n"));   // TPDU octets, not the SMSC
    EXPECT_EQ(rig.modem.unacknowledgedCount(), 2);
    EXPECT_EQ(rig.ask("AT+CNMA\r"), "\r\nOK\r\n");
    EXPECT_EQ(rig.modem.unacknowledgedCount(), 1);
    EXPECT_GE(rig.modem.deliveries().first().ackedMs, rig.modem.deliveries().first().deliveredMs);
    EXPECT_EQ(rig.modem.deliveries().last().ackedMs, -1);
    EXPECT_EQ(rig.ask("AT+CNMA\r"), "\r\nOK\r\n");
    EXPECT_EQ(rig.ask("AT+CNMA\r"), "\r\n+CMS ERROR: 340\r\n");
    EXPECT_EQ(rig.modem.unacknowledgedCount(), 0);

    // Holding back: the next indication comes only after the acknowledgement.
    rig.modem.setHoldCmtUntilAcked(true);
    rig.port->received().clear();
    rig.modem.injectCmt(first);
    rig.modem.injectCmt(second);
    ASSERT_TRUE(rig.port->waitFor(first.toLatin1() + "\r\n"));
    EXPECT_FALSE(rig.port->waitFor(second.toLatin1(), 50));
    EXPECT_EQ(rig.modem.deliveries().last().deliveredMs, -1);
    rig.port->received().clear();
    rig.port->write("AT+CNMA\r");
    ASSERT_TRUE(rig.port->waitFor(second.toLatin1() + "\r\n"));
    EXPECT_EQ(rig.port->received(), "\r\nOK\r\n" + SimModem::cmtBytes(second));

    // A restart forgets what waited for its acknowledgement.
    EXPECT_EQ(rig.ask("AT+CFUN=1,1\r"), "\r\nOK\r\n");
    ASSERT_TRUE(testenv::waitUntil([&] { return !rig.modem.isRestarting(); }));
    EXPECT_EQ(rig.ask("AT+CNMA\r"), "AT+CNMA\r\r\n+CMS ERROR: 340\r\n");
    EXPECT_TRUE(rig.modem.deliveries().last().lost);
}

TEST(SimModem, DemoSamplesCarryTheirArrivalTime)
{
    // The texts repeat; stamped with their arrival, the messages do not.
    const QDateTime at(QDate(2026, 12, 9), QTime(22, 15, 0), Qt::OffsetFromUTC, 3600);
    const QString first = SimModem::samplePdu(0, at);
    const QString again = SimModem::samplePdu(SimModem::kSampleTexts, at.addSecs(45));
    EXPECT_NE(first, again);
    const auto a = tpdu::decodeDeliver(first);
    const auto b = tpdu::decodeDeliver(again);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->ud.text, b->ud.text);
    EXPECT_EQ(a->scts, at);
    EXPECT_EQ(b->scts, at.addSecs(45));
}

TEST(SimModem, SimPhonebook)
{
    Rig rig;
    rig.modem.setPhonebookSize(5);
    rig.modem.setPhonebookLimits(20, 8);
    rig.modem.setPhonebookEntry(2, "+447700900123", "Alice");
    EXPECT_EQ(rig.ask("AT+CPBS=\"SM\"\r"), "\r\nOK\r\n");
    EXPECT_EQ(rig.ask("AT+CPBS=\"XX\"\r"), "\r\n+CME ERROR: 3\r\n");
    EXPECT_EQ(rig.ask("AT+CPBR=?\r"), "\r\n+CPBR: (1-5),20,8\r\n\r\nOK\r\n");
    EXPECT_EQ(rig.ask("AT+CPBS?\r"), "\r\n+CPBS: \"SM\",1,5\r\n\r\nOK\r\n");
    EXPECT_EQ(rig.ask("AT+CPBR=2\r"), "\r\n+CPBR: 2,\"+447700900123\",145,\"Alice\"\r\n\r\nOK\r\n");
    EXPECT_EQ(rig.ask("AT+CPBR=1\r"), "\r\nOK\r\n");
    EXPECT_EQ(rig.ask("AT+CPBR=6\r"), "\r\n+CME ERROR: 21\r\n");

    EXPECT_EQ(rig.ask("AT+CPBW=4,\"07700900999\",,\"Bob\"\r"), "\r\nOK\r\n");
    EXPECT_EQ(rig.ask("AT+CPBW=,\"112\",129,\"SOS\"\r"), "\r\nOK\r\n");   // first free slot
    EXPECT_EQ(rig.ask("AT+CPBR=1,5\r"),
              "\r\n+CPBR: 1,\"112\",129,\"SOS\"\r\n+CPBR: 2,\"+447700900123\",145,\"Alice\"\r\n"
              "+CPBR: 4,\"07700900999\",129,\"Bob\"\r\n\r\nOK\r\n");
    EXPECT_EQ(rig.ask("AT+CPBW=4\r"), "\r\nOK\r\n");
    EXPECT_FALSE(rig.modem.phonebookEntry(4).has_value());
    EXPECT_EQ(rig.ask("AT+CPBS?\r"), "\r\n+CPBS: \"SM\",2,5\r\n\r\nOK\r\n");

    // Limits, bad characters and a quote inside a field.
    EXPECT_EQ(rig.ask("AT+CPBW=3,\"1\",,\"Christopher\"\r"), "\r\n+CME ERROR: 24\r\n");
    EXPECT_EQ(rig.ask("AT+CPBW=3,\"123456789012345678901\",,\"C\"\r"), "\r\n+CME ERROR: 26\r\n");
    EXPECT_EQ(rig.ask("AT+CPBW=3,\"12A\",,\"C\"\r"), "\r\n+CME ERROR: 27\r\n");
    EXPECT_EQ(rig.ask("AT+CPBW=3,\"123\",,\"Bo\"b\"\r"), "\r\nERROR\r\n");
    EXPECT_EQ(rig.ask("AT+CPBW=3,\"1\"2\",,\"Bob\"\r"), "\r\nERROR\r\n");
    EXPECT_EQ(rig.ask("AT+CPBW=9,\"1\",,\"C\"\r"), "\r\n+CME ERROR: 21\r\n");
    EXPECT_FALSE(rig.modem.phonebookEntry(3).has_value());
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(rig.ask("AT+CPBW=,\"1\",,\"x\"\r"), "\r\nOK\r\n");
    EXPECT_EQ(rig.ask("AT+CPBW=,\"1\",,\"x\"\r"), "\r\n+CME ERROR: 20\r\n");
    EXPECT_EQ(rig.modem.phonebook().size(), 5);
}

TEST(SimModem, SimPhonebookVariants)
{
    Rig rig;
    rig.modem.setPhonebookSize(5);
    rig.modem.setPhonebookLimits(4, 8);
    rig.modem.setPhonebookEntry(2, "102", "Smith, J");
    // The '+' of an international number is not one of its digits.
    EXPECT_EQ(rig.ask("AT+CPBW=1,\"+1234\",,\"A\"\r"), "\r\nOK\r\n");
    EXPECT_EQ(rig.modem.phonebookEntry(1)->type, 145);
    EXPECT_EQ(rig.ask("AT+CPBW=1,\"12345\",,\"A\"\r"), "\r\n+CME ERROR: 26\r\n");
    // Some modems answer an empty location with an error, and a range
    // still skips it; a name with a comma comes back whole.
    rig.modem.setEmptySlotError(22);
    EXPECT_EQ(rig.ask("AT+CPBR=3\r"), "\r\n+CME ERROR: 22\r\n");
    EXPECT_EQ(rig.ask("AT+CPBR=2,3\r"), "\r\n+CPBR: 2,\"102\",129,\"Smith, J\"\r\n\r\nOK\r\n");
    // Some give the store's name alone.
    rig.modem.setPhonebookCounts(false);
    EXPECT_EQ(rig.ask("AT+CPBS?\r"), "\r\n+CPBS: \"SM\"\r\n\r\nOK\r\n");
}

TEST(SimModem, SplitDelayedAndByteByByteReplies)
{
    Rig rig;
    rig.modem.setReplySplit({3, 8}, 30);
    const QByteArray reply = "\r\n+CSQ: 20,0\r\n\r\nOK\r\n";
    EXPECT_EQ(rig.ask("AT+CSQ\r"), reply);
    QList<QByteArray> written;
    for (const SimModem::LogEntry& e : rig.modem.log())
        if (!e.fromApp)
            written.append(e.bytes);
    ASSERT_GE(written.size(), 3);
    EXPECT_EQ(written.mid(written.size() - 3), QList<QByteArray>({reply.left(3), reply.mid(3, 5), reply.mid(8)}));
    EXPECT_GE(rig.port->chunks().size(), 3);   // the gaps keep them apart at the port too

    rig.modem.setReplyByteByByte(1);
    rig.modem.clearRecords();
    EXPECT_EQ(rig.ask("AT\r"), "\r\nOK\r\n");
    EXPECT_EQ(rig.modem.log().size(), 1 + 6);   // the command, then six single bytes

    rig.modem.setReplyWhole();
    rig.modem.setReplyDelay(150);
    QElapsedTimer t;
    t.start();
    EXPECT_EQ(rig.ask("AT\r"), "\r\nOK\r\n");
    EXPECT_GE(t.elapsed(), 150);
}

TEST(SimModem, UnsolicitedResultsAnywhere)
{
    Rig rig;
    const QString pdu = tpdu::deliverText("+447700900555", "hi");
    // Between the status line and its OK, in one write.
    rig.modem.injectCmtIntoNextReply(pdu);
    EXPECT_EQ(rig.ask("AT+CPIN?\r"), "\r\n+CPIN: READY\r\n" + SimModem::cmtBytes(pdu) + "\r\nOK\r\n");
    EXPECT_EQ(rig.modem.unacknowledgedCount(), 1);
    // At a given offset.
    rig.modem.injectIntoNextReply("\r\nRING\r\n", 0);
    EXPECT_EQ(rig.ask("AT\r"), "\r\nRING\r\n\r\nOK\r\n");

    // While a slow reply is being written, an injection lands inside it.
    rig.modem.setReplyByteByByte(15);
    rig.port->received().clear();
    rig.port->write("AT+CGMI\r");
    ASSERT_TRUE(rig.port->waitFor("\r\nVELQ"));
    rig.modem.injectRing();
    ASSERT_TRUE(rig.port->waitFor("\r\nOK\r\n"));
    EXPECT_TRUE(rig.port->received().startsWith("\r\nVELQ"));
    EXPECT_TRUE(rig.port->received().contains("\r\nRING\r\n"));
    EXPECT_FALSE(rig.port->received().startsWith("\r\nRING"));
    EXPECT_EQ(QByteArray(rig.port->received()).replace("\r\nRING\r\n", ""), "\r\nVELQUARIN-SIM\r\n\r\nOK\r\n");
    rig.modem.setReplyWhole();

    // Emitted before the answer: a CMT injected when AT+CMGS= arrives comes
    // ahead of the prompt.
    QObject::connect(&rig.modem, &SimModem::commandReceived, &rig.modem, [&](const QString& line) {
        if (line.startsWith("AT+CMGS"))
            rig.modem.injectCmt(pdu);
    });
    EXPECT_EQ(rig.ask("AT+CMGS=23\r"), SimModem::cmtBytes(pdu) + "\r\n> ");
    EXPECT_EQ(rig.ask(QByteArray(kHelloPdu) + '\x1A'), "\r\n+CMGS: 1\r\n\r\nOK\r\n");

    rig.port->received().clear();
    rig.modem.injectCds("0006010C91447700091032" "42506021436540" "42506021436540" "00");
    rig.modem.injectUrc("+CREG: 1");
    ASSERT_TRUE(rig.port->waitFor("+CREG: 1\r\n"));
    EXPECT_TRUE(rig.port->received().startsWith("\r\n+CDS: "));
}

TEST(SimModem, ScriptedFaults)
{
    Rig rig;
    rig.modem.addFault("AT+CMGS=", 2, SimModem::Fault::cms(500));
    rig.modem.addFault(SimModem::kPduInput, 1, SimModem::Fault::cms(304), 2);
    rig.modem.addFault("AT+CSQ", 1, SimModem::Fault::silence());
    rig.modem.addFault("AT+CGMI", 1, SimModem::Fault::custom("\r\nWEIRD\r\n\r\nOK\r\n"));
    rig.modem.addFault("AT+CMGF?", 1, SimModem::Fault::cme(100));
    rig.modem.addFault("ATE0", 1, SimModem::Fault::error());
    rig.modem.addFault("AT+CNMI?", 1, SimModem::Fault::delay(120));

    EXPECT_EQ(rig.ask("AT+CMGS=23\r"), "\r\n> ");
    EXPECT_EQ(rig.ask(QByteArray(kHelloPdu) + '\x1A'), "\r\n+CMS ERROR: 304\r\n");
    EXPECT_EQ(rig.ask("AT+CMGS=23\r"), "\r\n+CMS ERROR: 500\r\n");
    EXPECT_EQ(rig.ask("AT+CMGS=23\r"), "\r\n> ");
    EXPECT_EQ(rig.ask(QByteArray(kHelloPdu) + '\x1A'), "\r\n+CMS ERROR: 304\r\n");
    EXPECT_EQ(rig.ask("AT+CMGS=23\r"), "\r\n> ");
    EXPECT_EQ(rig.ask(QByteArray(kHelloPdu) + '\x1A'), "\r\n+CMGS: 1\r\n\r\nOK\r\n");
    // The failed bodies were still decoded, but not accepted.
    ASSERT_EQ(rig.modem.submits().size(), 3);
    EXPECT_FALSE(rig.modem.submits()[0].accepted);
    EXPECT_TRUE(rig.modem.submits()[0].decoded.has_value());
    EXPECT_EQ(rig.modem.sentMessages().size(), 1);

    EXPECT_EQ(rig.port->ask("AT+CSQ\r", 100), "");
    EXPECT_EQ(rig.ask("AT+CSQ\r"), "\r\n+CSQ: 20,0\r\n\r\nOK\r\n");
    EXPECT_EQ(rig.ask("AT+CGMI\r"), "\r\nWEIRD\r\n\r\nOK\r\n");
    EXPECT_EQ(rig.ask("AT+CGMI\r"), "\r\nVELQUARIN-SIM\r\n\r\nOK\r\n");
    EXPECT_EQ(rig.ask("AT+CMGF?\r"), "\r\n+CME ERROR: 100\r\n");
    EXPECT_EQ(rig.ask("ATE0\r"), "\r\nERROR\r\n");
    QElapsedTimer t;
    t.start();
    EXPECT_EQ(rig.ask("AT+CNMI?\r"), "\r\n+CNMI: 1,1,0,0,0\r\n\r\nOK\r\n");
    EXPECT_GE(t.elapsed(), 120);
}

TEST(SimModem, SilentPortsAndSeveralModems)
{
    SimModem silent, answering;
    ASSERT_TRUE(silent.start(testenv::newDir("scan") + "/ttyA"));
    ASSERT_TRUE(answering.start());
    silent.setSilent(true);
    EXPECT_TRUE(answering.portPath().startsWith("/dev/pts/"));
    Port a(silent.portPath()), b(answering.portPath());
    ASSERT_TRUE(a.opened());
    ASSERT_TRUE(b.opened());
    EXPECT_EQ(a.ask("ATE0\r", 100), "");
    EXPECT_EQ(b.ask("ATE0\r"), "ATE0\r\r\nOK\r\n");
    EXPECT_EQ(silent.commands(), QStringList({"ATE0"}));
    EXPECT_EQ(answering.commands(), QStringList({"ATE0"}));
    // Injections still get out of a silent modem.
    silent.injectRing();
    EXPECT_TRUE(a.waitFor("\r\nRING\r\n"));
}

TEST(SimModem, PortCanBeClosedAndReopened)
{
    Rig rig;
    rig.port->close();
    rig.port.reset();
    // Again and again, with each handshake the settings offer.
    for (auto flow : {QSerialPort::HardwareControl, QSerialPort::SoftwareControl, QSerialPort::NoFlowControl}) {
        Port again(rig.modem.portPath(), flow);
        ASSERT_TRUE(again.opened());
        EXPECT_EQ(again.ask("AT+CSQ\r"), "\r\n+CSQ: 20,0\r\n\r\nOK\r\n");
    }
    // What was written while nobody listened waits in the pty for the next
    // program that opens it, unless it is dropped.
    rig.modem.injectRing();
    testenv::waitUntil([] { return false; }, 20);
    {
        Port next(rig.modem.portPath());
        EXPECT_TRUE(next.waitFor("\r\nRING\r\n", 500));
    }
    rig.modem.injectRing();
    testenv::waitUntil([] { return false; }, 20);
    rig.modem.discardUnread();
    Port last(rig.modem.portPath());
    EXPECT_EQ(last.ask("AT\r"), "\r\nOK\r\n");
}

TEST(SimModem, UnplugAndPlugInAgain)
{
    Rig rig;
    const QString link = rig.modem.portPath();
    QSerialPort::SerialPortError error = QSerialPort::NoError;
    QObject::connect(&rig.port->serial(), &QSerialPort::errorOccurred,
                     [&](QSerialPort::SerialPortError e) { error = e; });
    rig.modem.unplug();
    EXPECT_FALSE(rig.modem.isStarted());
    EXPECT_FALSE(QFileInfo::exists(link));
    EXPECT_TRUE(testenv::waitUntil([&] { return error != QSerialPort::NoError; }, 20000)) << "no error reported";
    EXPECT_TRUE(error == QSerialPort::ResourceError || error == QSerialPort::ReadError) << error;
    rig.port.reset();

    ASSERT_TRUE(rig.modem.start(link));
    Port again(link);
    ASSERT_TRUE(again.opened());
    EXPECT_EQ(again.ask("AT\r"), "\r\nOK\r\n");   // echo stayed off: no restart
}

TEST(SimModem, BurstLargerThanThePtyBufferArrivesWhole)
{
    Rig rig;
    rig.port->received().clear();
    QByteArray expected;
    for (int i = 0; i < 1500; ++i) {
        const QString pdu = tpdu::deliverText("+447700900555", QStringLiteral("message number %1").arg(i));
        expected += SimModem::cmtBytes(pdu);
        rig.modem.injectCmt(pdu);
    }
    ASSERT_TRUE(testenv::waitUntil([&] { return rig.port->received().size() >= expected.size(); }, 10000));
    EXPECT_EQ(rig.port->received(), expected);
    EXPECT_EQ(rig.modem.unacknowledgedCount(), 1500);
    // Written in order, each stamped when it went out.
    for (int i = 1; i < rig.modem.deliveries().size(); ++i)
        EXPECT_GE(rig.modem.deliveries()[i].deliveredMs, rig.modem.deliveries()[i - 1].deliveredMs);
}
