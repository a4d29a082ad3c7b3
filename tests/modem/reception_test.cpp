// Reception: decoded messages, smart-message parts joined by sender,
// reference, total and type in sequence order, stored in tbinqueue in one
// transaction, and announced only after the commit. PDUs come from the
// reference codec of the test support, not from the code under test.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QSignalSpy>
#include <sys/mman.h>
#include <unistd.h>

#include "base/EngineState.h"
#include "engine/PartAssembler.h"
#include "engine/Reception.h"
#include "sms/Gsm7.h"
#include "sms/SmartMessage.h"
#include "base/Database.h"
#include "base/SharedFlagBlock.h"
#include "support/TestEnv.h"
#include "support/Tpdu.h"

namespace {

const QString kHeader = ",24"; // the "+CMT: " header line after the prefix; not read
const QString kIntl = "+447700900123";
const QString kHello = "E8329BFD4697D9EC37"; // "hellohello" packed

// Builds the PDU with the reference codec.
QString build(const tpdu::DeliverSpec& spec)
{
    const std::optional<QString> pdu = tpdu::buildDeliver(spec);
    EXPECT_TRUE(pdu.has_value());
    return pdu.value_or(QString());
}

QString text(const QString& sender, const QString& body, bool alphanumeric = false)
{
    tpdu::DeliverSpec s;
    s.sender = sender;
    s.alphanumericSender = alphanumeric;
    s.text = body;
    return build(s);
}

// One part of a smart message: 8-bit data behind the part header (16-bit
// ports, then the concatenation element with reference 1).
QString smartPart(const QString& sender, int port, int total, int seq, const QByteArray& payload,
                  bool alphanumeric = false)
{
    tpdu::DeliverSpec s;
    s.sender = sender;
    s.alphanumericSender = alphanumeric;
    s.dcs = 0xF5;
    s.udh = {tpdu::portElement16(port, 0), tpdu::concatElement8(1, total, seq)};
    s.data = payload;
    return build(s);
}

struct Row {
    qint64 code;
    QString from, content;
    int type, reqType;
    QString status, folder;
};

class ReceptionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        flagName_ = QString("velquarin-test-inbox-%1").arg(::getpid());
        ASSERT_EQ(flag_.create(flagName_), SharedFlagBlock::Result::Ok);
        flag_.writeFloat(0.0f);
    }
    void TearDown() override
    {
        flag_.close();
        ::shm_unlink(SharedFlagBlock::objectName(flagName_).toLocal8Bit().constData());
    }

    QList<Row> inbox()
    {
        const Recordset rs = db().query("SELECT msgcode,msgfrom,msgcontent,msgtype,msgreqtype,msgstatus,msgfolder "
                                        "FROM tbinqueue ORDER BY msgcode");
        EXPECT_TRUE(rs.ok());
        QList<Row> out;
        for (const QVariantList& r : rs.rows())
            out.append({r[0].toLongLong(), r[1].toString(), r[2].toString(), r[3].toInt(), r[4].toInt(),
                        r[5].toString(), r[6].toString()});
        return out;
    }
    int tempRows() { return db().query("SELECT COUNT(*) FROM tbintemp").value(0, 0).toInt(); }
    Database& db() { return fresh_.db(); }
    void receive(const QString& pdu) { reception_.DecodeIncomingPDU(kHeader, pdu); }

    testenv::FreshDb fresh_;
    EngineState st_;
    QString flagName_;
    SharedFlagBlock flag_;
    Reception reception_{fresh_.db(), st_, &flag_};
    QSignalSpy stored_{&reception_, &Reception::messageStored};
};

} // namespace

TEST_F(ReceptionTest, TextIsStoredAndAnnouncedAfterTheCommit)
{
    ASSERT_TRUE(db().exec("INSERT INTO tbaddrs(addrno,addrnam1,addrnam2) VALUES(?,?,?)",
                          {"+447700900123", "Ada", "Lovelace"}));
    bool committedBeforeSignal = false;
    QObject::connect(&reception_, &Reception::messageStored, [&](qint64 code) {
        committedBeforeSignal = !db().inTransaction() &&
                                db().query("SELECT 1 FROM tbinqueue WHERE msgcode=?", {code}).size() == 1 &&
                                flag_.readFloat() == 1.0f;
    });
    receive(text(kIntl, "hellohello"));

    const QList<Row> rows = inbox();
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0].code, 1);
    EXPECT_EQ(rows[0].from, "+447700900123");
    EXPECT_EQ(rows[0].content, kHello);
    EXPECT_EQ(rows[0].type, 1);
    EXPECT_EQ(rows[0].reqType, 0);
    EXPECT_EQ(rows[0].status, "N");
    EXPECT_EQ(rows[0].folder, "Inbox");
    EXPECT_EQ(tempRows(), 0);

    ASSERT_EQ(stored_.size(), 1);
    const QList<QVariant> args = stored_.at(0);
    EXPECT_EQ(args.at(0).toLongLong(), 1);
    EXPECT_LE(qAbs(args.at(1).toDateTime().secsTo(QDateTime::currentDateTime())), 5);
    EXPECT_EQ(args.at(2).toString(), "Ada Lovelace");
    EXPECT_EQ(args.at(3).toString(), "+447700900123");
    EXPECT_EQ(args.at(4).toInt(), 1);
    EXPECT_EQ(args.at(5).toInt(), 0);
    EXPECT_TRUE(committedBeforeSignal);

    EXPECT_EQ(st_.iNewSMS, 1);
    EXPECT_TRUE(st_.bInboxProcessRequest);
    EXPECT_TRUE(st_.bNewMsgAlert);
    EXPECT_EQ(st_.sngInboxFlag, 1.0f);
    // The peer sees the flag through its own mapping.
    SharedFlagBlock peer;
    ASSERT_EQ(peer.create(flagName_), SharedFlagBlock::Result::Ok);
    EXPECT_EQ(peer.readFloat(), 1.0f);
}

TEST_F(ReceptionTest, AreaCodeIsRemovedFromTheSender)
{
    // Four different messages: the same one again would be a redelivery.
    st_.sAreaCode = "44";
    receive(text(kIntl, "hellohello1"));
    st_.sAreaCode = "+44";
    receive(text(kIntl, "hellohello2"));
    // 07700900123, odd digit count: no "+44" in it.
    receive(text("07700900123", "hellohello3"));
    st_.sAreaCode.clear();
    receive(text(kIntl, "hellohello4"));
    const QList<Row> rows = inbox();
    ASSERT_EQ(rows.size(), 4);
    EXPECT_EQ(rows[0].from, "7700900123");
    EXPECT_EQ(rows[1].from, "7700900123");
    EXPECT_EQ(rows[2].from, "07700900123");
    EXPECT_EQ(rows[3].from, "+447700900123");
    EXPECT_EQ(stored_.at(0).at(3).toString(), "7700900123");

    EXPECT_EQ(Reception::removeAreaCode("+4412+4434", "44"), "1234");
    EXPECT_EQ(Reception::removeAreaCode("4412", "44"), "4412");
    EXPECT_EQ(Reception::removeAreaCode("+4412", ""), "+4412");
}

TEST_F(ReceptionTest, RemoteRequestsAreStoredWithoutAnAlert)
{
    receive(text(kIntl, "#NU"));
    ASSERT_EQ(inbox().size(), 1);
    EXPECT_EQ(inbox()[0].reqType, 2);
    EXPECT_EQ(inbox()[0].content, "236715");
    EXPECT_EQ(st_.iNewSMS, 1);
    EXPECT_TRUE(st_.bInboxProcessRequest);
    EXPECT_FALSE(st_.bNewMsgAlert);
    EXPECT_EQ(flag_.readFloat(), 1.0f);
    ASSERT_EQ(stored_.size(), 1);
    EXPECT_EQ(stored_.at(0).at(5).toInt(), 2);
}

TEST_F(ReceptionTest, SmartMessageInThreePartsIsStoredOnceAfterTheLast)
{
    const QString p1 = smartPart(kIntl, 0x1581, 3, 1, QByteArray::fromHex("024A3A"));
    const QString p2 = smartPart(kIntl, 0x1581, 3, 2, QByteArray::fromHex("51D195"));
    const QString p3 = smartPart(kIntl, 0x1581, 3, 3, QByteArray::fromHex("CD00"));
    receive(p1);
    receive(p2);
    EXPECT_TRUE(inbox().isEmpty());
    EXPECT_EQ(tempRows(), 2);
    EXPECT_EQ(stored_.size(), 0);
    EXPECT_EQ(st_.iNewSMS, 0);
    receive(p3);

    const QList<Row> rows = inbox();
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0].type, 2);
    EXPECT_EQ(rows[0].content, "0B0504158100000003010301024A3A"
                               "0B050415810000000301030251D195"
                               "0B0504158100000003010303CD00");
    EXPECT_EQ(tempRows(), 0);
    ASSERT_EQ(stored_.size(), 1);
    EXPECT_EQ(stored_.at(0).at(4).toInt(), 2);
    EXPECT_EQ(st_.iNewSMS, 1);
    EXPECT_TRUE(st_.bNewMsgAlert);
}

TEST_F(ReceptionTest, LastPartsWithoutTheirFirstStoreNothing)
{
    receive(smartPart(kIntl, 0x158A, 3, 2, "\xAA"));
    receive(smartPart(kIntl, 0x158A, 3, 3, "\xBB"));
    EXPECT_TRUE(inbox().isEmpty());
    EXPECT_EQ(stored_.size(), 0);
    EXPECT_EQ(st_.iNewSMS, 0);
    EXPECT_FALSE(st_.bInboxProcessRequest);
    EXPECT_FALSE(st_.bNewMsgAlert);
    EXPECT_EQ(flag_.readFloat(), 0.0f);
    // No code was used up.
    EXPECT_EQ(db().query("SELECT incode FROM tbnumbers").value(0, 0).toLongLong(), 0);

    // A new first part from the same sender starts afresh and discards an
    // unfinished message.
    receive(smartPart(kIntl, 0x1582, 2, 1, "\x11"));
    receive(smartPart(kIntl, 0x1582, 2, 1, "\x22"));
    receive(smartPart(kIntl, 0x1582, 2, 2, "\x33"));
    ASSERT_EQ(inbox().size(), 1);
    EXPECT_EQ(inbox()[0].code, 1);
    EXPECT_EQ(inbox()[0].type, 3);
    EXPECT_EQ(inbox()[0].content, "0B0504158200000003010201220B050415820000000301020233");
}

TEST_F(ReceptionTest, InterleavedSendersKeepTheirOwnParts)
{
    // A: +447700900123; B: "O'Neil" (alphanumeric).
    receive(smartPart(kIntl, 0x1581, 2, 1, "\xA1"));
    receive(smartPart("O'Neil", 0x158A, 2, 1, "\xB1", true));
    EXPECT_EQ(tempRows(), 2);
    receive(smartPart(kIntl, 0x1581, 2, 2, "\xA2"));
    receive(smartPart("O'Neil", 0x158A, 2, 2, "\xB2", true));
    const QList<Row> rows = inbox();
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0].from, "+447700900123");
    EXPECT_EQ(rows[0].type, 2);
    EXPECT_EQ(rows[0].content, "0B0504158100000003010201A10B0504158100000003010202A2");
    EXPECT_EQ(rows[1].from, "O'Neil");
    EXPECT_EQ(rows[1].type, 4);
    EXPECT_EQ(rows[1].content, "0B0504158A00000003010201B10B0504158A00000003010202B2");
    EXPECT_EQ(tempRows(), 0);
    EXPECT_EQ(st_.iNewSMS, 2);
}

TEST_F(ReceptionTest, ApostropheSenderIsBoundAndFoundInTheAddressBook)
{
    ASSERT_TRUE(db().exec("INSERT INTO tbaddrs(addrno,addrnam1,addrnam2) VALUES(?,?,?)",
                          {"O'Neil", "Siobhan", "O'Neil"}));
    receive(text("O'Neil", "hellohello", true));
    ASSERT_EQ(inbox().size(), 1);
    EXPECT_EQ(inbox()[0].from, "O'Neil");
    ASSERT_EQ(stored_.size(), 1);
    EXPECT_EQ(stored_.at(0).at(2).toString(), "Siobhan O'Neil");
    EXPECT_EQ(stored_.at(0).at(3).toString(), "O'Neil");
}

TEST_F(ReceptionTest, UnicodeAndLongTextsAreStoredAsMessagesOfTheirOwn)
{
    receive(tpdu::deliverUcs2(kIntl, QString::fromUtf8("Привет")));
    // Part 2 of a long 7-bit text with a 16-bit concatenation reference.
    tpdu::DeliverSpec part2;
    part2.sender = kIntl;
    part2.udh = {tpdu::concatElement16(0x1234, 2, 2)};
    part2.text = "and its second part";
    receive(build(part2));
    const QList<Row> rows = inbox();
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0].type, 5);
    EXPECT_EQ(rows[0].content, "041F04400438043204350442");
    EXPECT_EQ(rows[1].type, 1);
    EXPECT_EQ(rows[1].content, "61371994A6CF41F3F2F8ED2683E061391D");
}

TEST_F(ReceptionTest, MalformedOrUnkeptPdusLeaveNoTrace)
{
    const QString good = text(kIntl, "hellohello");
    receive("");
    receive(good.left(good.size() - 2));       // truncated user data
    receive(good + "0");                       // odd length
    receive(QString(good).replace(4, 1, "X")); // not hex
    receive("FF" + good.mid(2));               // SMSC length past the end
    tpdu::DeliverSpec reserved;
    reserved.sender = kIntl;
    reserved.dcs = 0x0C;
    reserved.data = QByteArray::fromHex(kHello.toLatin1());
    receive(build(reserved));
    tpdu::DeliverSpec shortData; // 8-bit user data of 4 octets
    shortData.sender = kIntl;
    shortData.dcs = 0xF5;
    shortData.data = QByteArray::fromHex("03050415");
    receive(build(shortData));
    EXPECT_TRUE(inbox().isEmpty());
    EXPECT_EQ(tempRows(), 0);
    EXPECT_EQ(stored_.size(), 0);
    EXPECT_EQ(st_.iNewSMS, 0);
    EXPECT_FALSE(st_.bInboxProcessRequest);
    EXPECT_EQ(flag_.readFloat(), 0.0f);
    // Reception goes on afterwards.
    receive(good);
    EXPECT_EQ(inbox().size(), 1);
}

TEST_F(ReceptionTest, FailingCodeKeepsNothingOfTheLastPart)
{
    ASSERT_TRUE(db().exec("UPDATE tbnumbers SET incode=NULL"));
    receive(smartPart(kIntl, 0x1581, 2, 1, "\xA1"));
    EXPECT_EQ(tempRows(), 1);
    // The message cannot be stored: the last part is not kept either, so
    // that the same part, received again, completes it.
    receive(smartPart(kIntl, 0x1581, 2, 2, "\xA2"));
    receive(text(kIntl, "hellohello"));
    EXPECT_TRUE(inbox().isEmpty());
    EXPECT_EQ(stored_.size(), 0);
    EXPECT_EQ(st_.iNewSMS, 0);
    EXPECT_FALSE(db().inTransaction());
    EXPECT_EQ(db().query("SELECT msgcontent FROM tbintemp").value(0, 0).toString(),
              "0B0504158100000003010201A1");
    EXPECT_EQ(tempRows(), 1);
    // The kept part carries its arrival time, which the start-up tidy goes by.
    const QDateTime kept = QDateTime::fromString(
        db().query("SELECT msgreceived FROM tbintemp").value(0, 0).toString(), "yyyy-MM-dd HH:mm:ss");
    ASSERT_TRUE(kept.isValid());
    EXPECT_LE(qAbs(kept.secsTo(QDateTime::currentDateTime())), 3600);

    ASSERT_TRUE(db().exec("UPDATE tbnumbers SET incode=41"));
    receive(smartPart(kIntl, 0x1581, 2, 2, "\xA2"));
    receive(text(kIntl, "hellohello"));
    ASSERT_EQ(inbox().size(), 2);
    EXPECT_EQ(inbox()[0].code, 42);
    EXPECT_EQ(inbox()[0].content, "0B0504158100000003010201A10B0504158100000003010202A2");
    EXPECT_EQ(inbox()[1].code, 43);
    EXPECT_EQ(tempRows(), 0);
    ASSERT_EQ(stored_.size(), 2);
}

namespace {

// A smart-message part with any header, built by the reference codec.
QString part(const QString& sender, const QList<tpdu::UdhElement>& udh, const QByteArray& payload)
{
    tpdu::DeliverSpec s;
    s.sender = sender;
    s.dcs = 0xF5;
    s.udh = udh;
    s.data = payload;
    return build(s);
}

// The stored form of one part: the header with its port element first and
// the concatenation element, then the payload, as hex.
QString kept(int port, const tpdu::UdhElement& concat, const QByteArray& payload)
{
    return tpdu::toHex(tpdu::encodeUdh({tpdu::portElement16(port, 0), concat}) + payload);
}

QByteArray payloadOf(int set, int seq) { return QByteArray(40 + seq, char(0x10 * set + seq)); }

} // namespace

TEST_F(ReceptionTest, PartsInAnyOrderAreStoredOnceInSequenceOrder)
{
    using tpdu::concatElement8;
    using tpdu::portElement16;
    // The concatenation element ahead of the ports, as other phones write it.
    auto p = [&](int seq) {
        return part(kIntl, {concatElement8(0x42, 3, seq), portElement16(0x158A, 0)}, payloadOf(1, seq));
    };
    receive(p(3));
    receive(p(1));
    EXPECT_TRUE(inbox().isEmpty());
    EXPECT_EQ(tempRows(), 2);
    EXPECT_EQ(stored_.size(), 0);
    EXPECT_EQ(st_.iNewSMS, 0);
    receive(p(2));
    const QList<Row> rows = inbox();
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0].type, 4);
    EXPECT_EQ(rows[0].content, kept(0x158A, concatElement8(0x42, 3, 1), payloadOf(1, 1)) +
                                   kept(0x158A, concatElement8(0x42, 3, 2), payloadOf(1, 2)) +
                                   kept(0x158A, concatElement8(0x42, 3, 3), payloadOf(1, 3)));
    EXPECT_EQ(tempRows(), 0);
    ASSERT_EQ(stored_.size(), 1);
    EXPECT_EQ(st_.iNewSMS, 1);

    // A message of one part that carries only the port element.
    receive(part(kIntl, {portElement16(0x1581, 0)}, payloadOf(2, 0)));
    ASSERT_EQ(inbox().size(), 2);
    EXPECT_EQ(inbox()[1].type, 2);
    EXPECT_EQ(inbox()[1].content, tpdu::toHex(tpdu::encodeUdh({portElement16(0x1581, 0)}) + payloadOf(2, 0)));
    EXPECT_EQ(tempRows(), 0);
}

TEST_F(ReceptionTest, SetsOfOneSenderAreKeptApartAndIncompleteOnesWait)
{
    using tpdu::concatElement16;
    using tpdu::concatElement8;
    using tpdu::portElement16;
    // Two ringtones (8-bit references 1 and 2), a logo under reference 1 and
    // a picture with a 16-bit reference, all from one sender, interleaved.
    const tpdu::UdhElement a1 = concatElement8(1, 2, 1), a2 = concatElement8(1, 2, 2);
    const tpdu::UdhElement b1 = concatElement8(2, 2, 1), b2 = concatElement8(2, 2, 2);
    const tpdu::UdhElement w1 = concatElement16(0x0102, 3, 1), w2 = concatElement16(0x0102, 3, 2);
    receive(part(kIntl, {portElement16(0x1581, 0), a1}, payloadOf(1, 1)));
    receive(part(kIntl, {portElement16(0x1582, 0), a2}, payloadOf(3, 2)));
    receive(part(kIntl, {portElement16(0x158A, 0), w2}, payloadOf(4, 2)));
    receive(part(kIntl, {portElement16(0x1581, 0), b2}, payloadOf(2, 2)));
    receive(part(kIntl, {portElement16(0x158A, 0), w1}, payloadOf(4, 1)));
    receive(part(kIntl, {portElement16(0x1581, 0), b1}, payloadOf(2, 1)));
    ASSERT_EQ(inbox().size(), 1);
    EXPECT_EQ(inbox()[0].content, kept(0x1581, b1, payloadOf(2, 1)) + kept(0x1581, b2, payloadOf(2, 2)));
    // The same part twice is kept once.
    receive(part(kIntl, {portElement16(0x1581, 0), a1}, payloadOf(1, 1)));
    EXPECT_EQ(tempRows(), 4);
    receive(part(kIntl, {portElement16(0x1581, 0), a2}, payloadOf(1, 2)));
    ASSERT_EQ(inbox().size(), 2);
    EXPECT_EQ(inbox()[1].type, 2);
    EXPECT_EQ(inbox()[1].content, kept(0x1581, a1, payloadOf(1, 1)) + kept(0x1581, a2, payloadOf(1, 2)));
    // The logo's part 2 and the picture's parts 1 and 2 of 3 still wait.
    EXPECT_EQ(tempRows(), 3);
    EXPECT_EQ(stored_.size(), 2);
    EXPECT_EQ(st_.iNewSMS, 2);
}

TEST_F(ReceptionTest, AReusedReferenceStartsANewMessage)
{
    using tpdu::concatElement8;
    using tpdu::portElement16;
    // This program numbers every set 1; a sender whose last part was lost
    // sends the next message under the same reference.
    auto p = [&](int set, int seq) {
        return part(kIntl, {portElement16(0x1581, 0), concatElement8(1, 3, seq)}, payloadOf(set, seq));
    };
    receive(p(3, 1));
    receive(p(3, 2));
    EXPECT_EQ(tempRows(), 2);
    // Another part 1 than the waiting one: a new message.
    receive(p(4, 1));
    EXPECT_EQ(tempRows(), 1);
    receive(p(4, 3));
    receive(p(4, 2));
    ASSERT_EQ(inbox().size(), 1);
    EXPECT_EQ(inbox()[0].content, kept(0x1581, concatElement8(1, 3, 1), payloadOf(4, 1)) +
                                      kept(0x1581, concatElement8(1, 3, 2), payloadOf(4, 2)) +
                                      kept(0x1581, concatElement8(1, 3, 3), payloadOf(4, 3)));
    EXPECT_EQ(tempRows(), 0);
}

TEST_F(ReceptionTest, ASenderKeepsABoundedNumberOfUnfinishedSets)
{
    using tpdu::concatElement8;
    using tpdu::portElement16;
    const int n = PartAssembler::kOpenSetsPerSender;
    for (int ref = 0; ref <= n; ++ref)
        receive(part(kIntl, {portElement16(0x1581, 0), concatElement8(ref, 2, 1)}, payloadOf(1, ref)));
    receive(part("+447700900999", {portElement16(0x1581, 0), concatElement8(0, 2, 1)}, payloadOf(2, 0)));
    EXPECT_EQ(tempRows(), n + 1);
    // The oldest set gave way: its last part starts a set of its own.
    receive(part(kIntl, {portElement16(0x1581, 0), concatElement8(0, 2, 2)}, payloadOf(1, 0)));
    EXPECT_TRUE(inbox().isEmpty());
    // The newest is complete with its part 2, and another sender's set is
    // untouched.
    receive(part(kIntl, {portElement16(0x1581, 0), concatElement8(n, 2, 2)}, payloadOf(1, n)));
    receive(part("+447700900999", {portElement16(0x1581, 0), concatElement8(0, 2, 2)}, payloadOf(2, 1)));
    ASSERT_EQ(inbox().size(), 2);
    EXPECT_EQ(inbox()[0].from, kIntl);
    EXPECT_EQ(inbox()[1].from, "+447700900999");
}

TEST_F(ReceptionTest, TextsWithAHeaderKeepTheirBlanksAndAFinalAt)
{
    for (const QString& body : {QString("  first of two  "), QString("ABCDEFG@"), QString(" ")}) {
        tpdu::DeliverSpec s;
        s.sender = kIntl;
        s.udh = {tpdu::concatElement8(0x21, 2, 1)};
        s.text = body;
        receive(build(s));
        const QString stored = inbox().constLast().content;
        EXPECT_EQ(gsm7::textFromPacked(stored), body);
        // Independently: the septets packed from the first bit.
        const QByteArray septets = tpdu::gsmEncode(body).value();
        EXPECT_EQ(tpdu::unpackSeptets(tpdu::fromHex(stored).value(), int(septets.size())), septets);
    }
    EXPECT_EQ(inbox().size(), 3);
}

TEST_F(ReceptionTest, ALogoFromAnotherPhoneReadsLikeOneOfOurOwn)
{
    // The payload of a 72 x 14 logo for operator 23415 with a diagonal,
    // built field by field: version 0, the operator code, a line feed, the
    // bitmap header and 126 octets of pixels.
    QByteArray pixels(126, '\0');
    for (int y = 0; y < 14; ++y)
        pixels[y * 9 + y / 8] = char(pixels[y * 9 + y / 8] | (0x80 >> (y % 8)));
    const QByteArray payload = QByteArray::fromHex("3032F4510A00480E01") + pixels;
    // Another phone cuts it in its own places, writes the concatenation
    // element first with a 16-bit reference, and the parts come last first.
    const QList<QByteArray> cuts = {payload.left(60), payload.mid(60, 60), payload.mid(120)};
    for (int seq = 3; seq >= 1; --seq)
        receive(part(kIntl, {tpdu::concatElement16(0x5A5A, 3, seq), tpdu::portElement16(0x1582, 0)}, cuts[seq - 1]));
    ASSERT_EQ(inbox().size(), 1);
    EXPECT_EQ(inbox()[0].type, 3);

    // The readers of stored logos find every header, as in the program's own
    // content.
    const sms::MonoBitmap logo = sms::decodeOperatorLogo(inbox()[0].content);
    ASSERT_EQ(logo.width(), 72);
    ASSERT_EQ(logo.height(), 14);
    EXPECT_EQ(logo.inkCount(), 14);
    for (int y = 0; y < 14; ++y)
        EXPECT_TRUE(logo.pixel(y, y)) << y;
    EXPECT_EQ(sms::stripPartHeaders(inbox()[0].content, sms::SmartPort::OperatorLogo), tpdu::toHex(payload));
}
