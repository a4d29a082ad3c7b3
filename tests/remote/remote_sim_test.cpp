// The remote services end to end: commands arrive as "+CMT: " indications
// from the simulated modem, the running activity cycle serves them, and the
// replies leave as SMS-SUBMIT PDUs that the modem decodes with the
// reference codec.
#include <gtest/gtest.h>

#include <algorithm>

#include "base/Database.h"
#include "wiring/EngineWiring.h"
#include "engine/ActivityScheduler.h"
#include "base/EngineState.h"
#include "modem/ModemLink.h"
#include "engine/OutboxQueue.h"
#include "engine/OutboxSender.h"
#include "engine/Reception.h"
#include "remote/QtPrint.h"
#include "remote/RemoteSeed.h"
#include "remote/RemoteServices.h"
#include "simmodem/SimModem.h"
#include "support/TestEnv.h"
#include "support/Tpdu.h"

namespace {

// A national number: a sender name can spell it (at most 11 characters).
const QString kRemote = QStringLiteral("07700900123");

class RemoteSimTest : public ::testing::Test {
protected:
    testenv::FreshDb fresh;
    Database& db = fresh.db();
    EngineState st;
    SimModem modem;
    ModemLink link{st};
    Reception reception{db, st, nullptr};
    OutboxQueue queue{db, testenv::prompt(), st};
    OutboxSender sender{st, db};
    RemoteServices services{db, queue, st, testenv::prompt()};
    ActivityScheduler scheduler{st, db, testenv::prompt()};

    void SetUp() override
    {
        testenv::prompt().reset();
        ASSERT_TRUE(modem.start(testenv::newDir("modem") + "/modem0")) << modem.errorString().toStdString();
        modem.setEcho(false);
        // The next indication comes once the last one was acknowledged.
        modem.setHoldCmtUntilAcked(true);
        ASSERT_TRUE(link.openPort(modem.portPath(), 115200, "None"));
        QObject::connect(&link, &ModemLink::cmtReceived, &reception, &Reception::DecodeIncomingPDU);
        scheduler.setChannel(&link);
        installOutboxSender(scheduler, sender);
        installRemoteServices(scheduler, services);
        st.bModemConnected = true;
        st.bOutboxPaused = false;
        st.sRemotePhoneNo = "07700 900123";
    }
    void TearDown() override { scheduler.stop(); }

    void receive(const QString& from, const QString& text) { modem.injectCmt(tpdu::deliverText(from, text)); }
    void receiveFromName(const QString& name, const QString& text)
    {
        tpdu::DeliverSpec s;
        s.sender = name;
        s.alphanumericSender = true;
        s.text = text;
        modem.injectCmt(tpdu::buildDeliver(s).value());
    }
    // Runs the cycle until every indication is stored and acknowledged, no
    // request or pass waits and the queue is empty: nothing is left that
    // could still send.
    void runUntilSent(int received, int sent)
    {
        scheduler.start();
        ASSERT_TRUE(testenv::waitUntil(
            [&] {
                return modem.deliveries().size() == received &&
                       std::all_of(modem.deliveries().begin(), modem.deliveries().end(),
                                   [](const SimModem::Delivery& d) { return d.ackedMs >= 0; }) &&
                       seed::count(db, "msgreqtype<>0") == 0 && !st.bInboxProcessRequest &&
                       db.query("SELECT COUNT(*) FROM tboutqueue").value(0, 0).toInt() == 0 &&
                       modem.sentMessages().size() >= sent;
            },
            30000));
        scheduler.stop();
        EXPECT_EQ(modem.sentMessages().size(), sent);
    }
    // What left the modem: "number|text".
    QStringList sentTexts()
    {
        QStringList out;
        for (const tpdu::Submit& s : modem.sentMessages())
            out << s.da.number + "|" + s.ud.text;
        return out;
    }
    QStringList priorities()
    {
        const Recordset rs = db.query("SELECT msgoutpri FROM tboutlog ORDER BY msgcode");
        QStringList out;
        for (int i = 0; i < rs.size(); ++i)
            out << rs.value(i, 0).toString();
        return out;
    }
};

} // namespace

TEST_F(RemoteSimTest, UnreadCountFromTheRemoteNumberOnly)
{
    receive("+447700900001", "hello");
    receive("+447700900002", "there");
    // A sender name that spells the remote number commands nothing: its
    // text is an ordinary message.
    receiveFromName(kRemote, "#NU");
    receive("+447700900666", "#NU");
    receive(kRemote, "#NU");
    runUntilSent(5, 1);

    EXPECT_EQ(sentTexts(), QStringList({kRemote + "|3 Unread Messages"}));
    EXPECT_EQ(priorities(), QStringList({"7"}));
    EXPECT_EQ(seed::count(db, "msgfrom='" + kRemote + "' AND msgreqtype=0"), 1);
    EXPECT_EQ(testenv::prompt().count(), 0);
}

TEST_F(RemoteSimTest, RetrievalSendsTheTextsAndMarksThemRead)
{
    receive("+447700900001", "first");
    receive("+447700900002", "second");
    receive("+447700900003", "third");
    receiveFromName(kRemote, "#RU,3");
    receive("+447700900666", "#RU,3");
    receive(kRemote, "#RU,2");
    runUntilSent(6, 2);

    EXPECT_EQ(sentTexts(), QStringList({kRemote + "|+447700900001-first", kRemote + "|+447700900002-second"}));
    EXPECT_EQ(priorities(), QStringList({"8", "8"}));
    // The third text and the sender name's text stay unread.
    EXPECT_EQ(seed::count(db, "msgstatus='N'"), 2);
}

TEST_F(RemoteSimTest, GroupSendingFromAMember)
{
    seed::group(db, "Staff", {"07700900010"});
    seed::group(db, "Sales", {"+447700900020", "+447700900021"});
    st.sGroupSendGroup = "Staff";
    receive("07700900010", "#GP Sales,Meeting at 10");
    receive("+447700900666", "#GPSales,not a member");
    receiveFromName("07700900010", "#GPSales,a name is no member");
    runUntilSent(3, 2);

    EXPECT_EQ(sentTexts(),
              QStringList({"+447700900020|Meeting at 10", "+447700900021|Meeting at 10"}));
    EXPECT_EQ(priorities(), QStringList({"9", "9"}));
}

TEST_F(RemoteSimTest, AutoResponseGoesAheadOfTheForwards)
{
    seed::group(db, "Fwd", {"+447700900040"});
    st.sAutoFwdGroup = "Fwd";
    st.iAutoRespond = 1;
    st.sAutoRespondText = "Got it, thanks";
    receive("+447700900001", "Are you there?");
    receiveFromName("Shop", "Sale today");
    runUntilSent(2, 3);

    // Priority 7 leaves before priority 8; the shop's name gets no answer.
    EXPECT_EQ(sentTexts(), QStringList({"+447700900001|Got it, thanks", "+447700900040|+447700900001-Are you there?",
                                        "+447700900040|Shop-Sale today"}));
    EXPECT_EQ(priorities(), QStringList({"7", "8", "8"}));
    EXPECT_EQ(seed::count(db, "msgresponded=0 OR msgstatus='N'"), 0);
}
