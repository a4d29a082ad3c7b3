// The Outbox sender against a scripted modem. Every PDU the modem receives
// is read back by the reference codec of the tests, which shares no code
// with the program's own codecs.
#include <gtest/gtest.h>

#include "modem/AtChannel.h"
#include "base/EngineState.h"
#include "engine/OutboxQueue.h"
#include "engine/OutboxSender.h"
#include "base/Database.h"
#include "support/TestEnv.h"
#include "support/Tpdu.h"

#include <QSignalSpy>
#include <functional>
#include <optional>

namespace {

using tpdu::Submit;

// Decodes a SUBMIT as "AT+CMGS=" takes it; it must be upper-case hex.
std::optional<Submit> decodeSubmit(const QByteArray& hexPdu)
{
    QString why;
    const auto d = tpdu::decodeSubmit(QString::fromLatin1(hexPdu), true, &why);
    EXPECT_TRUE(d.has_value()) << hexPdu.constData() << ": " << why.toStdString();
    EXPECT_EQ(hexPdu, hexPdu.toUpper());
    return d;
}

// ---- Scripted modem ------------------------------------------------------

class ScriptedModem : public AtChannel {
public:
    enum class Answer { Ok, Prompt, Error, Timeout };
    struct Sent {
        QString command;
        double timeout;
    };

    // Answers each command; the default accepts everything.
    std::function<Answer(const QString&)> responder;
    QList<Sent> sent;
    bool open = true;

    bool sendATCommand(const QString& command, double timeoutSec) override
    {
        sent.append({command, timeoutSec});
        Answer a = responder ? responder(command)
                             : (command.startsWith("AT+CMGS=") ? Answer::Prompt : Answer::Ok);
        return a == Answer::Ok || a == Answer::Prompt;
    }
    QString modemReply() const override { return {}; }
    bool isOpen() const override { return open; }

    QStringList commands() const
    {
        QStringList out;
        for (const Sent& s : sent)
            out << s.command;
        return out;
    }
    // The PDUs handed over after a prompt, decoded; each must end in Ctrl-Z.
    QList<Submit> submits() const
    {
        QList<Submit> out;
        for (const Sent& s : sent) {
            if (s.command.startsWith("AT"))
                continue;
            EXPECT_TRUE(s.command.endsWith(QChar(0x1A))) << s.command.toStdString();
            const auto d = decodeSubmit(s.command.chopped(1).toLatin1());
            if (d)
                out << *d;
        }
        return out;
    }
};

bool isPdu(const QString& command) { return !command.startsWith("AT"); }

struct SenderFixture : ::testing::Test {
    testenv::FreshDb fresh;
    Database& db = fresh.db();
    EngineState st;
    OutboxQueue queue{db, testenv::prompt(), st};
    OutboxSender sender{st, db};
    ScriptedModem modem;
    QDateTime past = QDateTime::currentDateTime().addSecs(-3600);

    void SetUp() override
    {
        testenv::prompt().reset();
        st.bOutboxPaused = false;
        st.bModemConnected = true;
        sender.setChannel(&modem);
    }

    void queueText(const QString& number, const QString& text, int priority = 9, QDateTime when = {})
    {
        ASSERT_TRUE(queue.AddToOutboxQuiet(number, 1, text, when.isValid() ? when : past, priority));
    }
    void queueRaw(qint64 code, const QString& number, int type, const QString& content)
    {
        ASSERT_TRUE(db.exec("INSERT INTO tboutqueue(msgcode,msgno,msgtype,msgcontent,msgout) VALUES(?,?,?,?,?)",
                            {code, number, type, content, dbtime::toDb(past)}));
    }
    Recordset logRows()
    {
        return db.query("SELECT msgcode,msgno,msgtype,msgstatus,msgoutpri FROM tboutlog ORDER BY msgcode");
    }
    int queued() { return int(db.query("SELECT msgcode FROM tboutqueue").size()); }
};

// A smart-message part: the 12-octet header with port and concatenation
// elements, then the payload.
QString smartPart(const QString& port, int total, int seq, int payloadOctets, int fill)
{
    auto hex2 = [](int v) { return QStringLiteral("%1").arg(v & 0xFF, 2, 16, QChar('0')).toUpper(); };
    QString part = "0B0504" + port + "0000" + "000301" + hex2(total) + hex2(seq);
    for (int i = 0; i < payloadOctets; ++i)
        part += hex2(fill + i);
    return part;
}

} // namespace

TEST(SubmitPdu, TheExampleAndItsLengths)
{
    const pdu::SubmitPdu s = pdu::buildSubmitPdu("+447700900123", 1, 1, "E8329BFD4697D9EC37");
    EXPECT_EQ(s.pdu, "0011010C914477000910320000A70AE8329BFD4697D9EC37");
    EXPECT_EQ(s.cmgsLength, 23);
    const auto d = decodeSubmit(s.pdu);
    ASSERT_TRUE(d);
    EXPECT_EQ(d->tpduLength, s.cmgsLength);
    EXPECT_EQ(d->firstOctet, 0x11);
    EXPECT_EQ(d->da.number, "+447700900123");
    EXPECT_EQ(d->da.toa, 0x91);
    EXPECT_EQ(d->pid, 0);
    EXPECT_EQ(d->dcs, 0);
    EXPECT_EQ(d->vpRelative, 0xA7);
    EXPECT_EQ(d->ud.text, "hellohello");

    // Ten digits after "+": five octets, each pair swapped.
    const pdu::SubmitPdu ten = pdu::buildSubmitPdu("+3056123456", 2, 1, "C8");
    EXPECT_TRUE(ten.pdu.startsWith("0011020A910365214365"));
    const auto dTen = decodeSubmit(ten.pdu);
    ASSERT_TRUE(dTen);
    EXPECT_EQ(dTen->da.number, "+3056123456");
    EXPECT_EQ(dTen->tpduLength, ten.cmgsLength);
    // A national number of eleven digits: "81", the filler, six octets.
    const pdu::SubmitPdu odd = pdu::buildSubmitPdu("07700900123", 3, 1, "C8");
    EXPECT_TRUE(odd.pdu.startsWith("0011030B817007900021F3"));
    EXPECT_EQ(odd.cmgsLength, 8 + 6 + 1);
    const auto dOdd = decodeSubmit(odd.pdu);
    ASSERT_TRUE(dOdd);
    EXPECT_EQ(dOdd->da.number, "07700900123");
    EXPECT_EQ(dOdd->da.toa, 0x81);
    EXPECT_EQ(dOdd->tpduLength, odd.cmgsLength);
}

TEST(SubmitPdu, RefusesWhatCannotBeSent)
{
    for (const char* number : {"", "+", "+44 7700", "12a4", "+123456789012345678901"})
        EXPECT_FALSE(pdu::buildSubmitPdu(number, 1, 1, "C8").isValid()) << number;
    EXPECT_TRUE(pdu::buildSubmitPdu("+12345678901234567890", 1, 1, "C8").isValid());
    EXPECT_FALSE(pdu::buildSubmitPdu("123", 1, 1, "C8F").isValid());
    EXPECT_FALSE(pdu::buildSubmitPdu("123", 1, 1, "C8G0").isValid());
    EXPECT_FALSE(pdu::buildSubmitPdu("123", 1, 5, "C8").isValid());
    EXPECT_FALSE(pdu::buildSubmitPdu("123", 1, 1, QString(282, 'A')).isValid());
    // 140 octets of text are 160 septets: UDL "A0".
    const pdu::SubmitPdu full = pdu::buildSubmitPdu("123", 1, 1, QString(280, 'A'));
    ASSERT_TRUE(full.isValid());
    const auto d = decodeSubmit(full.pdu);
    ASSERT_TRUE(d);
    EXPECT_EQ(d->ud.udl, 0xA0);
    EXPECT_EQ(full.cmgsLength, 8 + 2 + 140);
}

TEST_F(SenderFixture, SendsTheExampleAndLogsItSent)
{
    QSignalSpy sending(&sender, &OutboxSender::rowSending);
    QSignalSpy logged(&sender, &OutboxSender::rowLogged);
    QSignalSpy status(&sender, &OutboxSender::statusText);
    st.sngMsgReference = 0;
    st.sngSendCount = 1;
    queueText("+447700900123", "hellohello");

    sender.SendNextOutbox();

    ASSERT_EQ(modem.commands(),
              QStringList({"AT+CMGS=23\r", QStringLiteral("0011010C914477000910320000A70AE8329BFD4697D9EC37") +
                                               QChar(0x1A)}));
    EXPECT_EQ(modem.sent[0].timeout, 8);
    EXPECT_EQ(modem.sent[1].timeout, 60);
    ASSERT_EQ(modem.submits().size(), 1);
    EXPECT_EQ(modem.submits()[0].ud.text, "hellohello");

    const Recordset log = logRows();
    ASSERT_EQ(log.size(), 1);
    EXPECT_EQ(log.value(0, "msgstatus").toString(), "C");
    EXPECT_EQ(log.value(0, "msgno").toString(), "+447700900123");
    EXPECT_EQ(queued(), 0);
    ASSERT_EQ(sending.size(), 1);
    EXPECT_EQ(sending[0][0].toLongLong(), 1);
    ASSERT_EQ(logged.size(), 1);
    EXPECT_EQ(logged[0][0].toLongLong(), 1);
    EXPECT_EQ(logged[0][1].toLongLong(), log.value(0, "msgcode").toLongLong());
    EXPECT_EQ(logged[0][2].toString(), "C");
    EXPECT_EQ(logged[0][3].toString(), " ");
    ASSERT_EQ(status.size(), 2);
    EXPECT_EQ(status[0][0].toString(), "Message ID: 1 - Sending...");
    EXPECT_EQ(status[1][0].toString(), "");
    EXPECT_EQ(st.sngSendCount, 2);
}

TEST_F(SenderFixture, NationalOddNumberAndTheGsmAlphabetReachThePhone)
{
    ASSERT_TRUE(db.exec("INSERT INTO tbaddrs(addrnam1,addrnam2,addrno) VALUES('Ann','Lee','07700900123')"));
    // '@' and '£' on eighth places, '$', '_', 'é' and '€': the septet count
    // sent as UDL must cover every one of them.
    const QString text = QString::fromUtf8("1234567@abcdefg\u00A3 $_ Jos\u00E9 \u20AC5 {fn}");
    queueText("07700900123", text);
    QSignalSpy logged(&sender, &OutboxSender::rowLogged);
    sender.SendNextOutbox();

    const QList<Submit> subs = modem.submits();
    ASSERT_EQ(subs.size(), 1);
    EXPECT_EQ(subs[0].da.number, "07700900123");
    EXPECT_EQ(subs[0].da.toa, 0x81);
    EXPECT_EQ(subs[0].da.digitCount, 11);
    const QString merged = QString::fromUtf8("1234567@abcdefg\u00A3 $_ Jos\u00E9 \u20AC5 Ann");
    EXPECT_EQ(subs[0].ud.text, merged);
    EXPECT_EQ(subs[0].ud.udl, tpdu::gsmSeptetCount(merged));
    EXPECT_EQ(modem.commands()[0], QStringLiteral("AT+CMGS=%1\r").arg(subs[0].tpduLength));
    ASSERT_EQ(logged.size(), 1);
    EXPECT_EQ(logged[0][3].toString(), "Ann Lee");
}

TEST_F(SenderFixture, PriorityThenSendTimeThenCodeDecideTheOrder)
{
    const QDateTime now = QDateTime::currentDateTime();
    queueText("+101", "a", 9, now.addSecs(-500)); // oldest, lowest priority
    queueText("+102", "b", 7, now.addSecs(-10));
    queueText("+103", "c", 8, now.addSecs(-400));
    queueText("+104", "d", 7, now.addSecs(-20));  // priority 7, older than +102
    queueText("+105", "e", 7, now.addSecs(3600)); // not due yet
    queueText("+106", "f", 8, now.addSecs(-400)); // same as +103: code decides
    for (int i = 0; i < 7; ++i)
        sender.SendNextOutbox();
    QStringList order;
    for (const Submit& s : modem.submits())
        order << s.da.number;
    EXPECT_EQ(order, QStringList({"+104", "+102", "+103", "+106", "+101"}));
    EXPECT_EQ(queued(), 1);
    EXPECT_EQ(st.sngSendCount, 1 + 7) << "the queue set it to 1, each call counts";
}

TEST_F(SenderFixture, ARowIsDueOnceItsSecondHasBegun)
{
    // Times are stored in whole seconds: a row handed in at 12:00:05.100
    // reads 12:00:05 and goes at once, not a second later.
    struct AtClock : Clock {
        QDateTime t;
        QDateTime now() const override { return t; }
    } clock;
    const QDateTime second(QDate(2031, 3, 4), QTime(12, 0, 5));
    clock.t = second.addMSecs(100);
    OutboxSender timed(st, db, clock);
    timed.setChannel(&modem);
    queueText("+101", "this second", 9, clock.t);
    queueText("+102", "the next second", 9, second.addSecs(1));
    timed.SendNextOutbox();
    timed.SendNextOutbox();
    QStringList to;
    for (const Submit& s : modem.submits())
        to << s.da.number;
    EXPECT_EQ(to, QStringList({"+101"}));
    EXPECT_EQ(queued(), 1);
}

TEST_F(SenderFixture, APartFailingTwiceThenPassingKeepsItsReference)
{
    int pdus = 0;
    modem.responder = [&](const QString& c) {
        if (c.startsWith("AT+CMGS="))
            return ScriptedModem::Answer::Prompt;
        if (isPdu(c))
            return ++pdus <= 2 ? ScriptedModem::Answer::Error : ScriptedModem::Answer::Ok;
        return ScriptedModem::Answer::Ok;
    };
    st.sngMsgReference = 41;
    queueText("+447700900123", "retry me");
    sender.SendNextOutbox();

    QStringList kinds;
    for (const QString& c : modem.commands())
        kinds << (isPdu(c) ? "PDU" : c.trimmed());
    EXPECT_EQ(kinds, QStringList({"AT+CMGS=21", "PDU", "AT+CMGS=21", "PDU", "AT+CMGS=21", "PDU"}));
    const QList<Submit> subs = modem.submits();
    ASSERT_EQ(subs.size(), 3);
    for (const Submit& s : subs)
        EXPECT_EQ(s.mr, 42);
    EXPECT_EQ(logRows().value(0, "msgstatus").toString(), "C");
}

TEST_F(SenderFixture, TenFailuresLogTheMessageFailed)
{
    // No prompt at all: ten "AT+CMGS=" and never a PDU.
    modem.responder = [](const QString& c) {
        return c.startsWith("AT+CMGS=") ? ScriptedModem::Answer::Timeout : ScriptedModem::Answer::Ok;
    };
    queueText("+447700900123", "never");
    sender.SendNextOutbox();
    EXPECT_EQ(modem.commands().size(), 10);
    EXPECT_EQ(modem.commands().filter("AT+CMGS=").size(), 10);
    EXPECT_EQ(logRows().value(0, "msgstatus").toString(), "E");
    EXPECT_EQ(queued(), 0);

    // The prompt comes but the PDU fails: ten of each.
    modem.sent.clear();
    modem.responder = [](const QString& c) {
        return c.startsWith("AT+CMGS=") ? ScriptedModem::Answer::Prompt : ScriptedModem::Answer::Error;
    };
    queueText("+447700900123", "never again");
    sender.SendNextOutbox();
    EXPECT_EQ(modem.commands().size(), 20);
    EXPECT_EQ(modem.submits().size(), 10);
    EXPECT_EQ(logRows().value(1, "msgstatus").toString(), "E");
}

TEST_F(SenderFixture, SmartMessagesGoInPartsOf140Octets)
{
    // A ringtone of two parts: 140 octets, then 19.
    const QString content = smartPart("1581", 2, 1, 128, 0) + smartPart("1581", 2, 2, 7, 0x80);
    ASSERT_EQ(content.size(), 2 * (140 + 19));
    ASSERT_TRUE(queue.AddToOutboxQuiet("+447700900123", 2, content, past, 9));
    sender.SendNextOutbox();

    const QList<Submit> subs = modem.submits();
    ASSERT_EQ(subs.size(), 2);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(subs[i].firstOctet, 0x51);
        EXPECT_TRUE(subs[i].udhi);
        EXPECT_EQ(subs[i].dcs, 0xF5);
        EXPECT_EQ(subs[i].vpRelative, 0xA7);
        EXPECT_EQ(subs[i].ud.header.destinationPort, 0x1581);
        EXPECT_EQ(subs[i].ud.header.originatorPort, 0);
        EXPECT_EQ(subs[i].ud.header.concatRef, 1);
        EXPECT_EQ(subs[i].ud.header.concatTotal, 2);
        EXPECT_EQ(subs[i].ud.header.concatSeq, i + 1);
        EXPECT_EQ(subs[i].mr, subs[0].mr);
    }
    EXPECT_EQ(subs[0].ud.udl, 140);
    EXPECT_EQ(subs[1].ud.udl, 19);
    EXPECT_EQ(subs[0].ud.payload.size(), 128);
    EXPECT_EQ(static_cast<unsigned char>(subs[1].ud.payload[0]), 0x80);
    EXPECT_EQ(modem.commands().filter("AT+CMGS=").join("|"),
              QStringLiteral("AT+CMGS=154\r|AT+CMGS=33\r"));
    for (const auto& s : modem.sent) {
        if (isPdu(s.command)) {
            EXPECT_EQ(s.timeout, 30);
        }
    }
    EXPECT_EQ(logRows().value(0, "msgstatus").toString(), "C");
    EXPECT_EQ(logRows().value(0, "msgtype").toInt(), 2);
}

TEST_F(SenderFixture, ASmartPartFailingTenTimesStopsTheMessage)
{
    // Three parts of 140, 140 and 2 octets; the second never goes.
    const QString content = smartPart("158A", 3, 1, 128, 0) + smartPart("158A", 3, 2, 128, 0x40) +
                            smartPart("158A", 3, 3, 0, 0).left(4);
    ASSERT_EQ(content.size(), 2 * 282);
    modem.responder = [](const QString& c) {
        if (c.startsWith("AT+CMGS="))
            return ScriptedModem::Answer::Prompt;
        if (isPdu(c) && c.contains("0B0504158A0000000301" "0302"))
            return ScriptedModem::Answer::Error;
        return ScriptedModem::Answer::Ok;
    };
    queueRaw(1, "+447700900123", 4, content);
    sender.SendNextOutbox();
    const QList<Submit> subs = modem.submits();
    ASSERT_EQ(subs.size(), 11);
    EXPECT_EQ(subs[0].ud.header.concatSeq, 1);
    for (int i = 1; i < 11; ++i)
        EXPECT_EQ(subs[i].ud.header.concatSeq, 2);
    EXPECT_EQ(logRows().value(0, "msgstatus").toString(), "E");
}

TEST_F(SenderFixture, TheMessageReferenceRunsTo250ThenStartsAgain)
{
    st.sngMsgReference = 249;
    for (const char* n : {"+101", "+102", "+103"})
        queueText(n, "x");
    for (int i = 0; i < 4; ++i)
        sender.SendNextOutbox();
    QList<int> refs;
    for (const Submit& s : modem.submits())
        refs << s.mr;
    EXPECT_EQ(refs, QList<int>({250, 1, 2}));
    // A call with nothing due leaves the reference alone.
    EXPECT_EQ(st.sngMsgReference, 2);
}

TEST_F(SenderFixture, SendCountFollowsPauseAndClose)
{
    st.sngSendCount = 1;
    sender.SendNextOutbox(); // nothing due: counted all the same
    EXPECT_EQ(st.sngSendCount, 2);
    st.bOutboxPaused = true;
    sender.SendNextOutbox();
    EXPECT_EQ(st.sngSendCount, 2);
    st.bOutboxPaused = false;
    st.bClosePending = true;
    queueText("+101", "x");
    EXPECT_EQ(st.sngSendCount, 1) << "set by the queue";
    sender.SendNextOutbox();
    EXPECT_EQ(st.sngSendCount, 1);
    EXPECT_EQ(modem.submits().size(), 1);
}

TEST_F(SenderFixture, ContentThatCannotBeSentIsLoggedFailedAtOnce)
{
    queueRaw(1, "+101", 1, QString(282, 'A'));      // 141 octets
    queueRaw(2, "+101", 2, smartPart("1581", 1, 1, 2, 0) + "F"); // odd hex
    queueRaw(3, "+10 1", 1, "C8");                  // not a number
    queueRaw(4, "+101", 5, "00480069");             // a received Unicode text
    queueRaw(5, "+101", 3, "");                     // a smart message without parts
    for (int i = 0; i < 5; ++i)
        sender.SendNextOutbox();
    EXPECT_TRUE(modem.sent.isEmpty());
    const Recordset log = logRows();
    ASSERT_EQ(log.size(), 5);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(log.value(i, "msgstatus").toString(), "E") << i;
    EXPECT_EQ(queued(), 0);
}

TEST_F(SenderFixture, AFailedMoveIsRetriedWithoutSendingAgain)
{
    QSignalSpy logged(&sender, &OutboxSender::rowLogged);
    queueText("+101", "once");
    queueText("+102", "other", 9, past.addSecs(60));
    // The Sent Items counter broken: GetNextCode gives -1.
    ASSERT_TRUE(db.exec("UPDATE tbnumbers SET outcode=NULL"));

    sender.SendNextOutbox();
    EXPECT_EQ(modem.submits().size(), 1);
    EXPECT_EQ(logRows().size(), 0); // rolled back, no row with code -1
    EXPECT_EQ(db.query("SELECT msgstatus FROM tboutqueue WHERE msgcode=1").value(0, 0).toString(), "A");
    EXPECT_TRUE(sender.hasPendingMove(1));

    // The next call sends the other message, not the first one again.
    sender.SendNextOutbox();
    QStringList sentTo;
    for (const Submit& s : modem.submits())
        sentTo << s.da.number;
    EXPECT_EQ(sentTo, QStringList({"+101", "+102"}));
    EXPECT_EQ(sender.pendingMoveCount(), 2);

    // Once the database works again only the moves happen.
    ASSERT_TRUE(db.exec("UPDATE tbnumbers SET outcode=0"));
    sender.SendNextOutbox();
    EXPECT_EQ(modem.submits().size(), 2);
    EXPECT_EQ(sender.pendingMoveCount(), 0);
    const Recordset log = logRows();
    ASSERT_EQ(log.size(), 2);
    EXPECT_EQ(log.value(0, "msgstatus").toString(), "C");
    EXPECT_EQ(log.value(1, "msgstatus").toString(), "C");
    EXPECT_EQ(queued(), 0);
    EXPECT_EQ(logged.size(), 2);
}

TEST_F(SenderFixture, APendingMoveOfADeletedRowIsDropped)
{
    queueText("+101", "once");
    ASSERT_TRUE(db.exec("UPDATE tbnumbers SET outcode=NULL"));
    sender.SendNextOutbox();
    ASSERT_TRUE(sender.hasPendingMove(1));
    ASSERT_TRUE(db.exec("DELETE FROM tboutqueue WHERE msgcode=1"));
    ASSERT_TRUE(db.exec("UPDATE tbnumbers SET outcode=0"));
    sender.SendNextOutbox();
    EXPECT_EQ(sender.pendingMoveCount(), 0);
    EXPECT_EQ(logRows().size(), 0);
}

TEST_F(SenderFixture, WithoutTheModemNothingIsTakenOrBurnt)
{
    queueText("+101", "wait for me");
    modem.open = false;
    sender.SendNextOutbox();
    EXPECT_TRUE(modem.sent.isEmpty());
    EXPECT_TRUE(db.query("SELECT msgstatus FROM tboutqueue WHERE msgcode=1").value(0, 0).isNull());

    // The port goes away during the first try: one try, the row waits.
    modem.open = true;
    modem.responder = [&](const QString&) {
        modem.open = false;
        return ScriptedModem::Answer::Error;
    };
    sender.SendNextOutbox();
    EXPECT_EQ(modem.sent.size(), 1);
    EXPECT_EQ(logRows().size(), 0);
    EXPECT_EQ(queued(), 1);
    EXPECT_FALSE(sender.hasPendingMove(1));
}

TEST_F(SenderFixture, ResendCopiesALoggedMessageBackIntoTheQueue)
{
    queueText("+101", "again", 7);
    ASSERT_TRUE(db.exec("UPDATE tboutqueue SET msgcreated='2020-01-02 03:04:05'"));
    sender.SendNextOutbox();
    const qint64 logCode = logRows().value(0, "msgcode").toLongLong();

    const qint64 code = queue.ResendFromLog(logCode);
    EXPECT_EQ(code, 2);
    const Recordset q = db.query("SELECT msgno,msgtype,msgcontent,msgoutpri,msgcreated,msgout FROM tboutqueue");
    ASSERT_EQ(q.size(), 1);
    EXPECT_EQ(q.value(0, "msgno").toString(), "+101");
    EXPECT_EQ(q.value(0, "msgoutpri").toInt(), 9);
    EXPECT_EQ(q.value(0, "msgcreated").toString(), "2020-01-02 03:04:05");
    EXPECT_LE(qAbs(dbtime::fromDb(q.value(0, "msgout")).secsTo(QDateTime::currentDateTime())), 2);

    // An unknown code and a broken counter add nothing and use no code.
    EXPECT_EQ(queue.ResendFromLog(999), -1);
    ASSERT_TRUE(db.exec("UPDATE tbnumbers SET msgcode=NULL"));
    EXPECT_EQ(queue.ResendFromLog(logCode), -1);
    ASSERT_TRUE(db.exec("UPDATE tbnumbers SET msgcode=2"));
    EXPECT_EQ(db.query("SELECT msgcode FROM tboutqueue").size(), 1);
}
