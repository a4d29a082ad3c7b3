// Reception: decoded messages assembled by sender, stored in tbinqueue in
// one transaction, and announced only after the commit. PDUs are written
// out field by field as 3GPP TS 23.040 lays out SMS-DELIVER.
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <sys/mman.h>
#include <unistd.h>

#include "modem/EngineState.h"
#include "modem/Reception.h"
#include "startup/Database.h"
#include "startup/SharedFlagBlock.h"
#include "support/TestEnv.h"

namespace {

const QString kScts = "52101291000000";
const QString kHeader = ",24"; // the "+CMT: " header line after the prefix; not read
// +447700900123 (international), "hellohello" (10 septets).
const QString kOaIntl = "0C91447700091032";
const QString kHello = "E8329BFD4697D9EC37";

QString hex2(int v) { return QString("%1").arg(v, 2, 16, QLatin1Char('0')).toUpper(); }

// SMS-DELIVER without SMSC address: first octet, OA, PID 00, DCS, SCTS, UDL, UD.
QString deliver(const QString& firstOctet, const QString& oa, const QString& dcs, const QString& udl,
                const QString& ud)
{
    return "00" + firstOctet + oa + "00" + dcs + kScts + udl + ud;
}

// One part of a smart message (8-bit, UDHI): the part header with the
// port and the concatenation element, then the payload.
QString smartPart(const QString& oa, const QString& port, int total, int seq, const QString& payload)
{
    const QString ud = "0B0504" + port + "0000" + "000301" + hex2(total) + hex2(seq) + payload;
    return deliver("44", oa, "F5", hex2(int(ud.size() / 2)), ud);
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
    receive(deliver("04", kOaIntl, "00", "0A", kHello));

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
    st_.sAreaCode = "44";
    receive(deliver("04", kOaIntl, "00", "0A", kHello));
    st_.sAreaCode = "+44";
    receive(deliver("04", kOaIntl, "00", "0A", kHello));
    // 07700900123, odd digit count: no "+44" in it.
    receive(deliver("04", "0B817007900021F3", "00", "0A", kHello));
    st_.sAreaCode.clear();
    receive(deliver("04", kOaIntl, "00", "0A", kHello));
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
    // "#NU" (3 septets).
    receive(deliver("04", kOaIntl, "00", "03", "236715"));
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
    const QString p1 = smartPart(kOaIntl, "1581", 3, 1, "024A3A");
    const QString p2 = smartPart(kOaIntl, "1581", 3, 2, "51D195");
    const QString p3 = smartPart(kOaIntl, "1581", 3, 3, "CD00");
    receive(p1);
    receive(p2);
    EXPECT_TRUE(inbox().isEmpty());
    EXPECT_EQ(tempRows(), 1);
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
    receive(smartPart(kOaIntl, "158A", 3, 2, "AA"));
    receive(smartPart(kOaIntl, "158A", 3, 3, "BB"));
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
    receive(smartPart(kOaIntl, "1582", 2, 1, "11"));
    receive(smartPart(kOaIntl, "1582", 2, 1, "22"));
    receive(smartPart(kOaIntl, "1582", 2, 2, "33"));
    ASSERT_EQ(inbox().size(), 1);
    EXPECT_EQ(inbox()[0].code, 1);
    EXPECT_EQ(inbox()[0].type, 3);
    EXPECT_EQ(inbox()[0].content, "0B0504158200000003010201220B050415820000000301020233");
}

TEST_F(ReceptionTest, InterleavedSendersKeepTheirOwnParts)
{
    // A: +447700900123; B: "O'Neil" (alphanumeric, 11 semi-octets).
    const QString oaB = "0BD0CF93B39C6603";
    receive(smartPart(kOaIntl, "1581", 2, 1, "A1"));
    receive(smartPart(oaB, "158A", 2, 1, "B1"));
    EXPECT_EQ(tempRows(), 2);
    receive(smartPart(kOaIntl, "1581", 2, 2, "A2"));
    receive(smartPart(oaB, "158A", 2, 2, "B2"));
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
    receive(deliver("04", "0BD0CF93B39C6603", "00", "0A", kHello));
    ASSERT_EQ(inbox().size(), 1);
    EXPECT_EQ(inbox()[0].from, "O'Neil");
    ASSERT_EQ(stored_.size(), 1);
    EXPECT_EQ(stored_.at(0).at(2).toString(), "Siobhan O'Neil");
    EXPECT_EQ(stored_.at(0).at(3).toString(), "O'Neil");
}

TEST_F(ReceptionTest, UnicodeAndLongTextsAreStoredAsMessagesOfTheirOwn)
{
    // "Привет" in UCS-2.
    receive(deliver("04", kOaIntl, "08", "0C", "041F04400438043204350442"));
    // Part 2 of a long 7-bit text: 16-bit reference header (8 septets),
    // "and its second part" (19 septets).
    receive(deliver("44", kOaIntl, "00", "1B", "0608041234020261371994A6CF41F3F2F8ED2683E061391D"));
    const QList<Row> rows = inbox();
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0].type, 5);
    EXPECT_EQ(rows[0].content, "041F04400438043204350442");
    EXPECT_EQ(rows[1].type, 1);
    EXPECT_EQ(rows[1].content, "61371994A6CF41F3F2F8ED2683E061391D");
}

TEST_F(ReceptionTest, MalformedOrUnkeptPdusLeaveNoTrace)
{
    const QString good = deliver("04", kOaIntl, "00", "0A", kHello);
    receive("");
    receive(good.left(good.size() - 2));       // truncated user data
    receive(good + "0");                       // odd length
    receive(QString(good).replace(4, 1, "X")); // not hex
    receive("FF" + good.mid(2));               // SMSC length past the end
    receive(deliver("04", kOaIntl, "0C", "09", kHello)); // reserved coding
    receive(deliver("44", kOaIntl, "F5", "04", "03050415")); // 8-bit, too short
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

TEST_F(ReceptionTest, FailingCodeRollsBackTheStoreAndKeepsTheParts)
{
    ASSERT_TRUE(db().exec("UPDATE tbnumbers SET incode=NULL"));
    receive(smartPart(kOaIntl, "1581", 2, 1, "A1"));
    receive(smartPart(kOaIntl, "1581", 2, 2, "A2"));
    EXPECT_TRUE(inbox().isEmpty());
    EXPECT_EQ(stored_.size(), 0);
    EXPECT_EQ(st_.iNewSMS, 0);
    EXPECT_FALSE(db().inTransaction());
    // The assembled parts stay until the sender's next first part.
    EXPECT_EQ(db().query("SELECT msgcontent FROM tbintemp").value(0, 0).toString(),
              "0B0504158100000003010201A10B0504158100000003010202A2");

    ASSERT_TRUE(db().exec("UPDATE tbnumbers SET incode=41"));
    receive(deliver("04", kOaIntl, "00", "0A", kHello));
    ASSERT_EQ(inbox().size(), 1);
    EXPECT_EQ(inbox()[0].code, 42);
    ASSERT_EQ(stored_.size(), 1);
}
