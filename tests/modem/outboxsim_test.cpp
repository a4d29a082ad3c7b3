// The Outbox sender end to end: the serial link on a pseudo-terminal to the
// simulated modem, which decodes every SMS-SUBMIT with the reference codec.
#include <gtest/gtest.h>

#include "engine/ActivityScheduler.h"
#include "base/EngineState.h"
#include "modem/ModemLink.h"
#include "engine/Reception.h"
#include "engine/OutboxQueue.h"
#include "engine/OutboxSender.h"
#include "wiring/EngineWiring.h"
#include "simmodem/SimModem.h"
#include "base/Database.h"
#include "support/TestEnv.h"
#include "support/Tpdu.h"

#include <QSignalSpy>

namespace {

struct SimSendFixture : ::testing::Test {
    testenv::FreshDb fresh;
    Database& db = fresh.db();
    EngineState st;
    SimModem modem;
    ModemLink link{st};
    OutboxQueue queue{db, testenv::prompt(), st};
    OutboxSender sender{st, db};
    QDateTime past = QDateTime::currentDateTime().addSecs(-3600);

    void SetUp() override
    {
        testenv::prompt().reset();
        ASSERT_TRUE(modem.start(testenv::newDir("modem") + "/modem0")) << modem.errorString().toStdString();
        modem.setEcho(false);
        ASSERT_TRUE(link.openPort(modem.portPath(), 115200, "None"));
        st.bModemConnected = true;
        st.bOutboxPaused = false;
        sender.setChannel(&link);
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
    // The modem's lines, message bodies shown as "<PDU>".
    QStringList lines()
    {
        QStringList out;
        for (const QString& c : modem.commands())
            out << (c.startsWith("AT", Qt::CaseInsensitive) ? c : QStringLiteral("<PDU>"));
        return out;
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

TEST_F(SimSendFixture, TheModemReceivesTheExampleExactly)
{
    queueText("+447700900123", "hellohello");
    sender.SendNextOutbox();

    ASSERT_EQ(modem.submits().size(), 1);
    const SimModem::SubmitRecord& rec = modem.submits()[0];
    EXPECT_EQ(rec.declaredLength, 23);
    EXPECT_EQ(rec.pdu, "0011010C914477000910320000A70AE8329BFD4697D9EC37");
    EXPECT_TRUE(rec.accepted) << rec.error.toStdString();
    ASSERT_TRUE(rec.decoded);
    EXPECT_EQ(rec.decoded->da.number, "+447700900123");
    EXPECT_EQ(rec.decoded->mr, 1);
    EXPECT_EQ(rec.decoded->vpRelative, 0xA7);
    EXPECT_EQ(rec.decoded->ud.text, "hellohello");
    EXPECT_EQ(rec.decoded->tpduLength, 23);
    EXPECT_EQ(statuses(), QStringList({"C"}));
}

TEST_F(SimSendFixture, RefusedBodiesAreTriedAgainWithTheSameReference)
{
    modem.addFault(SimModem::kPduInput, 1, SimModem::Fault::cms(500), 2);
    queueText("+447700900123", "third time lucky");
    sender.SendNextOutbox();
    EXPECT_EQ(lines(), QStringList({"AT+CMGS=28", "<PDU>", "AT+CMGS=28", "<PDU>", "AT+CMGS=28", "<PDU>"}));
    ASSERT_EQ(modem.submits().size(), 3);
    for (const auto& rec : modem.submits())
        EXPECT_EQ(rec.decoded->mr, 1);
    EXPECT_EQ(modem.sentMessages().size(), 1);
    EXPECT_EQ(statuses(), QStringList({"C"}));
}

TEST_F(SimSendFixture, ACmtArrivingDuringASendIsAcknowledgedFirstThingNext)
{
    QSignalSpy cmts(&link, &ModemLink::cmtReceived);
    Reception reception(db, st, nullptr);
    QObject::connect(&link, &ModemLink::cmtReceived, &reception, &Reception::DecodeIncomingPDU);
    // The first indication comes just ahead of the prompt of the first
    // message, the second between the "+CMGS: " line and the OK of the
    // second message's body.
    const QString first = tpdu::deliverText("+447700900555", "Hi there");
    const QString second = tpdu::deliverText("+447700900556", "Hello again");
    int bodies = 0;
    QObject::connect(&modem, &SimModem::commandReceived, &modem, [&](const QString& line) {
        if (line.startsWith("AT+CMGS=") && modem.deliveries().isEmpty())
            modem.injectCmtIntoNextReply(first, 0);
        else if (!line.startsWith("AT") && ++bodies == 2)
            modem.injectCmtIntoNextReply(second, -1);
    });
    queueText("+447700900123", "first");
    queueText("+447700900124", "second");
    queueText("+447700900125", "third");
    for (int i = 0; i < 3; ++i) {
        sender.SendNextOutbox();
        EXPECT_EQ(cmts.size(), i < 2 ? i + 1 : 2);
        EXPECT_EQ(st.bGotCMT, i < 2); // each is pending until the next try
    }

    EXPECT_EQ(lines(), QStringList({"AT+CMGS=19", "<PDU>", "AT+CNMA", "AT+CMGS=20", "<PDU>", "AT+CNMA",
                                    "AT+CMGS=19", "<PDU>"}));
    ASSERT_EQ(cmts.size(), 2);
    EXPECT_EQ(cmts[0][1].toString(), first);
    EXPECT_EQ(cmts[1][1].toString(), second);
    EXPECT_EQ(modem.unacknowledgedCount(), 0);
    const QList<tpdu::Submit> sent = modem.sentMessages();
    ASSERT_EQ(sent.size(), 3);
    EXPECT_EQ(sent[0].ud.text, "first");
    EXPECT_EQ(sent[1].ud.text, "second");
    EXPECT_EQ(sent[2].ud.text, "third");
    EXPECT_EQ(statuses(), QStringList({"C", "C", "C"}));
}

TEST_F(SimSendFixture, TheRunningCycleSendsEveryKindInOrder)
{
    ActivityScheduler scheduler(st, db, testenv::prompt());
    scheduler.setChannel(&link);
    installOutboxSender(scheduler, sender);

    // Characters whose raw codes differ from their septets, the extension
    // table, '@' and '£' on eighth places, to a national odd-length number.
    const QString alphabet =
        QString::fromUtf8("1234567@abcdefg\u00A3 $ _ \u00A1 \u00BF \u00E0 \u00C4 {x} [y] ~\\| ^ \u20AC");
    queueText("07700900123", alphabet);
    queueText("+15550001", "ABCDEFG@"); // an '@' that ends an octet group
    const QString ringtone = smartPart(2, 1, 128) + smartPart(2, 2, 30);
    ASSERT_TRUE(queue.AddToOutboxQuiet("+447700900123", 2, ringtone, past, 9));
    for (int i = 0; i < 9; ++i) // past the run of ten sends and the recomputation
        queueText(QStringLiteral("+4477009001%1").arg(i, 2, 10, QChar('0')), QStringLiteral("message %1").arg(i));
    st.bOutboxChanged = true;
    st.sngSendCount = 1;
    scheduler.start();
    ASSERT_TRUE(testenv::waitUntil([&] { return statuses().size() == 12; }, 20000));
    scheduler.stop();

    const QList<tpdu::Submit> sent = modem.sentMessages();
    ASSERT_EQ(sent.size(), 13);
    EXPECT_EQ(sent[0].da.number, "07700900123");
    EXPECT_EQ(sent[0].da.toa, 0x81);
    EXPECT_EQ(sent[0].da.digitCount, 11);
    EXPECT_EQ(sent[0].ud.text, alphabet);
    EXPECT_EQ(sent[0].ud.udl, tpdu::gsmSeptetCount(alphabet));
    EXPECT_TRUE(sent[1].ud.text.startsWith("ABCDEFG@")); // the pad may follow
    EXPECT_EQ(sent[1].ud.text.trimmed(), "ABCDEFG@");
    for (int part = 0; part < 2; ++part) {
        const tpdu::Submit& s = sent[2 + part];
        EXPECT_EQ(tpdu::alphabetOf(s.dcs), tpdu::Alphabet::Data8);
        EXPECT_EQ(tpdu::messageClass(s.dcs), 1);
        EXPECT_EQ(s.ud.header.destinationPort, 0x1581);
        EXPECT_EQ(s.ud.header.concatTotal, 2);
        EXPECT_EQ(s.ud.header.concatSeq, part + 1);
        EXPECT_EQ(s.mr, 3);
    }
    EXPECT_EQ(tpdu::toHex(sent[2].ud.raw + sent[3].ud.raw), ringtone);
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(sent[4 + i].ud.text, QStringLiteral("message %1").arg(i));
        EXPECT_EQ(sent[4 + i].mr, 4 + i);
    }
    EXPECT_EQ(statuses(), QStringList(12, "C"));
}
