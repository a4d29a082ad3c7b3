// Reception behind the serial link: "+CMT: " indications written by the
// simulated modem on a pty reach the reply parser, are decoded and stored
// while the program waits (also inside another command's wait), and each
// one is acknowledged with "AT+CNMA".
#include <gtest/gtest.h>

#include <QSignalSpy>

#include "base/EngineState.h"
#include "modem/ModemLink.h"
#include "engine/Reception.h"
#include "simmodem/SimModem.h"
#include "base/Database.h"
#include "support/TestEnv.h"
#include "support/Tpdu.h"

namespace {

class ReceptionLinkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        testenv::prompt().reset();
        ASSERT_TRUE(modem.start(testenv::newDir("modem") + "/modem0")) << modem.errorString().toStdString();
        ASSERT_TRUE(link.openPort(modem.portPath(), 115200, "None"));
        QObject::connect(&link, &ModemLink::cmtReceived, &reception, &Reception::DecodeIncomingPDU);
        QObject::connect(&link, &ModemLink::acknowledgementSent, &reception, &Reception::acknowledgementSent);
        QObject::connect(&link, &ModemLink::acknowledgementConfirmed, &reception,
                         &Reception::acknowledgementConfirmed);
        QObject::connect(&link, &ModemLink::acknowledgementFailed, &reception, &Reception::acknowledgementFailed);
        ASSERT_TRUE(link.sendATCommand("ATE0\r", 2));
    }

    // Delivers one indication and waits until reception has dealt with it.
    void deliver(const QString& pdu)
    {
        const int before = cmts.size();
        modem.injectCmt(pdu);
        ASSERT_TRUE(testenv::waitUntil([&] { return cmts.size() > before; }, 10000));
    }
    // 1: its acknowledgement confirmed; 0: a redelivery until it is.
    int acked(const QString& pdu)
    {
        return fresh.db()
            .query("SELECT acked FROM tbindigest WHERE digest=?", {Reception::digestOf(pdu)})
            .value(0, 0)
            .toInt();
    }
    int stored() { return int(fresh.db().query("SELECT COUNT(*) FROM tbinqueue").value(0, 0).toLongLong()); }
    QVariantList row(int index)
    {
        const Recordset rs = fresh.db().query(
            "SELECT msgfrom, msgcontent, msgtype, msgreqtype FROM tbinqueue ORDER BY msgcode LIMIT 1 OFFSET ?",
            {index});
        return rs.isEmpty() ? QVariantList() : rs.rows().first();
    }
    // What the activity cycle does first: acknowledge a pending indication.
    // The flag is cleared before the command, not after it: the modem may
    // send its next indication right behind the "OK" (in the same read),
    // and that one must stay pending.
    void acknowledgePending()
    {
        if (!st.bGotCMT)
            return;
        st.bGotCMT = false;
        if (!link.sendATCommand("AT+CNMA\r", 2))
            st.bGotCMT = true;
    }
    // Acknowledges until the modem has nothing unacknowledged and holds
    // nothing back.
    bool acknowledgeAll(int expectedDeliveries)
    {
        return testenv::waitUntil([&] {
            acknowledgePending();
            return modem.deliveries().size() == expectedDeliveries && modem.unacknowledgedCount() == 0 &&
                   std::all_of(modem.deliveries().begin(), modem.deliveries().end(),
                               [](const SimModem::Delivery& d) { return d.ackedMs >= 0; });
        });
    }

    testenv::FreshDb fresh;
    EngineState st;
    SimModem modem;
    ModemLink link{st};
    Reception reception{fresh.db(), st, nullptr};
    QSignalSpy storedSpy{&reception, &Reception::messageStored};
    QSignalSpy cmts{&link, &ModemLink::cmtReceived};
};

QString smartPart(int total, int seq, const QByteArray& payload)
{
    tpdu::DeliverSpec s;
    s.sender = "+447700900555";
    s.dcs = 0xF5;
    s.udh = {tpdu::portElement16(0x1581, 0), tpdu::concatElement8(1, total, seq)};
    s.data = payload;
    return tpdu::buildDeliver(s).value_or(QString());
}

} // namespace

TEST_F(ReceptionLinkTest, EveryKindOfMessageIsStoredAndEachIndicationAcknowledged)
{
    // The modem sends the next indication only after the previous one was
    // acknowledged, as a modem in this routing mode does.
    modem.setHoldCmtUntilAcked(true);
    tpdu::DeliverSpec alpha;
    alpha.sender = "Bank";
    alpha.alphanumericSender = true;
    alpha.text = "Your code is 5927";
    modem.injectCmt(tpdu::deliverText("+447700900123", "hellohello", "+447785016005"));
    modem.injectCmt(tpdu::deliverUcs2("07700900123", QString::fromUtf8("Привет")));
    modem.injectCmt(tpdu::buildDeliver(alpha).value());
    modem.injectCmt(smartPart(3, 1, QByteArray::fromHex("024A3A")));
    modem.injectCmt(smartPart(3, 2, QByteArray::fromHex("51D1")));
    modem.injectCmt(smartPart(3, 3, QByteArray::fromHex("95CD00")));
    // A truncated PDU: dropped, still acknowledged.
    modem.injectCmt(tpdu::deliverText("+447700900123", "lost").chopped(2));

    ASSERT_TRUE(acknowledgeAll(7));
    EXPECT_EQ(modem.commandCount("AT+CNMA"), 7);
    ASSERT_EQ(stored(), 4);
    EXPECT_EQ(row(0), (QVariantList{"+447700900123", "E8329BFD4697D9EC37", 1, 0}));
    EXPECT_EQ(row(1), (QVariantList{"07700900123", "041F04400438043204350442", 5, 0}));
    EXPECT_EQ(row(2).at(0).toString(), "Bank");
    EXPECT_EQ(row(2).at(2).toInt(), 1);
    EXPECT_EQ(row(3), (QVariantList{"+447700900555",
                                    "0B0504158100000003010301024A3A"
                                    "0B050415810000000301030251D1"
                                    "0B050415810000000301030395CD00",
                                    2, 0}));
    EXPECT_EQ(storedSpy.size(), 4);
    EXPECT_EQ(st.iNewSMS, 4);
    EXPECT_FALSE(st.bGotCMT);
}

TEST_F(ReceptionLinkTest, IndicationInsideAnotherReplyIsStoredAndTheReplyKept)
{
    // Between the information line and the final result.
    modem.injectCmtIntoNextReply(tpdu::deliverText("+447700900123", "first"), -1);
    ASSERT_TRUE(link.sendATCommand("AT+CSQ\r", 4));
    EXPECT_TRUE(link.modemReply().contains("+CSQ: 20,0"));
    EXPECT_FALSE(link.modemReply().contains("CMT"));
    EXPECT_EQ(stored(), 1);
    EXPECT_TRUE(st.bGotCMT);
    acknowledgePending();
    EXPECT_FALSE(st.bGotCMT);

    // Ahead of the reply, with every byte of it arriving on its own.
    modem.setReplyByteByByte(0);
    modem.injectCmtIntoNextReply(tpdu::deliverText("+447700900124", "second"), 0);
    ASSERT_TRUE(link.sendATCommand("AT+CSQ\r", 4));
    EXPECT_TRUE(link.modemReply().contains("+CSQ: 20,0"));
    modem.setReplyWhole();
    ASSERT_EQ(stored(), 2);
    EXPECT_EQ(row(1).at(0).toString(), "+447700900124");
    ASSERT_TRUE(acknowledgeAll(2));
    ASSERT_EQ(storedSpy.size(), 2);
}

TEST_F(ReceptionLinkTest, IndicationArrivingDuringAWaitIsStoredBeforeTheWaitEnds)
{
    // The reply comes late; the indication arrives while the link waits.
    modem.addFault("AT+CSQ", 1, SimModem::Fault::delay(300));
    QTimer::singleShot(200, &modem, [this] { modem.injectCmt(tpdu::deliverText("+447700900123", "meanwhile")); });
    int storedDuringWait = -1;
    QObject::connect(&reception, &Reception::messageStored, [&] { storedDuringWait = link.isWaiting() ? 1 : 0; });
    ASSERT_TRUE(link.sendATCommand("AT+CSQ\r", 4));
    EXPECT_EQ(storedDuringWait, 1);
    EXPECT_EQ(stored(), 1);
    ASSERT_TRUE(acknowledgeAll(1));
}

TEST_F(ReceptionLinkTest, SmartPartsOutOfOrderAreStoredOnceWhenTheLastArrives)
{
    // A picture in three parts from another phone: 16-bit reference, the
    // concatenation element first; the network delivers part 3 first and
    // part 2 twice.
    auto part = [](int seq) {
        tpdu::DeliverSpec s;
        s.sender = "+447700900555";
        s.dcs = 0xF5;
        s.udh = {tpdu::concatElement16(0xC0DE, 3, seq), tpdu::portElement16(0x158A, 0)};
        s.data = QByteArray(seq == 3 ? 20 : 127, char(0x30 + seq));
        return tpdu::buildDeliver(s).value_or(QString());
    };
    modem.setHoldCmtUntilAcked(true);
    for (int seq : {3, 2, 2})
        modem.injectCmt(part(seq));
    ASSERT_TRUE(acknowledgeAll(3));
    EXPECT_EQ(stored(), 0);
    EXPECT_EQ(storedSpy.size(), 0);
    modem.injectCmt(part(1));
    ASSERT_TRUE(acknowledgeAll(4));
    ASSERT_EQ(stored(), 1);
    QString expected;
    for (int seq = 1; seq <= 3; ++seq)
        expected += tpdu::toHex(tpdu::encodeUdh({tpdu::portElement16(0x158A, 0), tpdu::concatElement16(0xC0DE, 3, seq)}) +
                                QByteArray(seq == 3 ? 20 : 127, char(0x30 + seq)));
    EXPECT_EQ(row(0), (QVariantList{"+447700900555", expected, 4, 0}));
    EXPECT_EQ(fresh.db().query("SELECT COUNT(*) FROM tbintemp").value(0, 0).toInt(), 0);
    EXPECT_EQ(storedSpy.size(), 1);
    EXPECT_EQ(modem.commandCount("AT+CNMA"), 4);
}

TEST_F(ReceptionLinkTest, AnIndicationAfterLineNoiseIsStoredAndAcknowledged)
{
    modem.setHoldCmtUntilAcked(true);
    // Noise with no line end of its own before the indication's CR LF, noise
    // between that CR LF and "+CMT: ", and noise in place of the CR LF.
    const QList<QByteArray> leadIns = {QByteArray("\xff\x13\r\n"), QByteArray("\r\n\x00\xfe", 4), "\x7f"};
    for (int i = 0; i < leadIns.size(); ++i) {
        modem.setCmtLeadIn(leadIns[i]);
        modem.injectCmt(tpdu::deliverText("+447700900123", QStringLiteral("noisy %1").arg(i)));
        ASSERT_TRUE(acknowledgeAll(i + 1)) << i;
        ASSERT_EQ(stored(), i + 1) << i;
    }
    // "+CMT: " inside a reply line is the reply's text, not an indication.
    modem.setPhonebookEntry(1, "+447700900555", "+CMT: ,24");
    ASSERT_TRUE(link.sendATCommand("AT+CPBR=1\r", 4));
    EXPECT_TRUE(link.modemReply().contains("\"+CMT: ,24\"")) << link.modemReply().toStdString();
    EXPECT_EQ(stored(), 3);
    EXPECT_FALSE(st.bGotCMT);
}

TEST_F(ReceptionLinkTest, TheSamePduIsARedeliveryOnlyUntilItsAcknowledgementIsConfirmed)
{
    // An alarm panel sends the same text twice in one second: the two are
    // alike to the byte, and both are messages.
    modem.setHoldCmtUntilAcked(true);
    const QString alarm = tpdu::deliverText("+447700900123", "ALARM zone 3");
    modem.injectCmt(alarm);
    modem.injectCmt(alarm);
    ASSERT_TRUE(acknowledgeAll(2));
    EXPECT_EQ(stored(), 2);

    // Not acknowledged in time: the network delivers it again, and that is
    // the same message.
    const QString once = tpdu::deliverText("+447700900124", "once");
    modem.setRedeliverUnackedAfter(300);
    modem.injectCmt(once);
    ASSERT_TRUE(testenv::waitUntil([&] { return modem.deliveries().size() >= 4; }));
    modem.setRedeliverUnackedAfter(0);
    // Every delivery acknowledged, or given up by the modem and delivered
    // again. (An acknowledgement may find nothing left to acknowledge: the
    // one it was for was given up meanwhile.)
    auto settled = [&] {
        acknowledgePendingCMT(st, link);
        return !st.bGotCMT && std::all_of(modem.deliveries().begin(), modem.deliveries().end(),
                                          [](const SimModem::Delivery& d) { return d.ackedMs >= 0 || d.lost; });
    };
    ASSERT_TRUE(testenv::waitUntil(settled));
    EXPECT_EQ(stored(), 3);
    EXPECT_EQ(row(2).value(0).toString(), "+447700900124");
    // Its acknowledgement confirmed: the same PDU again is a new message.
    modem.injectCmt(once);
    ASSERT_TRUE(testenv::waitUntil([&] { return settled() && stored() == 4; }));
}

TEST_F(ReceptionLinkTest, AnAcknowledgementWithoutItsOkConfirmsNothingAndTheNextOkOnlyItsOwn)
{
    // An error, nothing left to acknowledge, no answer at all: the network
    // delivers "pay" again, and the next message's "OK" is that one's alone.
    const QList<SimModem::Fault> faults = {SimModem::Fault::error(), SimModem::Fault::cms(340),
                                           SimModem::Fault::silence()};
    for (int i = 0; i < faults.size(); ++i) {
        const QString pay = tpdu::deliverText("+447700900123", QStringLiteral("pay 100 to Bob %1").arg(i));
        const QString next = tpdu::deliverText("+447700900124", QStringLiteral("ALARM %1").arg(i));
        deliver(pay);
        modem.addFault("AT+CNMA", 1, faults[i]);
        st.bGotCMT = false;
        EXPECT_FALSE(link.sendATCommand("AT+CNMA\r", 1)) << i;
        deliver(next);
        acknowledgePending();
        EXPECT_FALSE(st.bGotCMT) << i;
        EXPECT_EQ(acked(pay), 0) << i;
        EXPECT_EQ(acked(next), 1) << i;
        deliver(next); // its twin, a new message
        deliver(pay);  // delivered again
        acknowledgePending();
        EXPECT_EQ(stored(), 3 * (i + 1)) << i;
    }
}

TEST_F(ReceptionLinkTest, AnOkAfterSeveralIndicationsConfirmsNoneOfThem)
{
    // A modem that does not hold its indications until the acknowledgement:
    // two messages and one of them again before one "OK".
    const QString a = tpdu::deliverText("+447700900123", "first");
    const QString b = tpdu::deliverText("+447700900124", "second");
    deliver(a);
    deliver(b);
    deliver(a);
    acknowledgePending();
    EXPECT_EQ(stored(), 2);
    EXPECT_EQ(acked(a), 0);
    EXPECT_EQ(acked(b), 0);

    // A message dropped on purpose (a reserved coding) is one of them too.
    const QString c = tpdu::deliverText("+447700900125", "third");
    tpdu::DeliverSpec reserved;
    reserved.sender = "+447700900126";
    reserved.dcs = 0x0C;
    reserved.data = "whatever";
    deliver(c);
    deliver(tpdu::buildDeliver(reserved).value());
    EXPECT_EQ(reception.lastKept(), Reception::Kept::Dropped);
    acknowledgePending();
    EXPECT_EQ(acked(c), 0);
    deliver(c);
    acknowledgePending();
    EXPECT_EQ(stored(), 3);
}
