// The send journal when the program dies in the middle of a send. The
// journal as it was on the disk at the moment of death is taken at that
// moment and put back before the next start:
// - while it waits for the "> " prompt: no body has been written, so a
//   restart must not count one as gone out without an answer;
// - as the body is handed to the system: the modem may get it, so a restart
//   must count it, and kills there never add a copy beyond the limit.
#include <gtest/gtest.h>

#include "base/AppPaths.h"
#include "base/Database.h"
#include "base/EngineState.h"
#include "modem/ModemLink.h"
#include "engine/OutboxQueue.h"
#include "engine/OutboxSender.h"
#include "simmodem/SimModem.h"
#include "support/TestEnv.h"

#include "engine/SendJournal.h"

#include <QFile>
#include <memory>

namespace {

// The serial link as the sender drives it, with the program dying at a
// chosen moment: the journal's bytes on the disk are taken then, the modem
// drops the line, and the dead program reaches the modem no more.
class DyingLink : public AtChannel {
public:
    enum class Death { None, AtThePrompt, AsTheBodyIsWritten };
    DyingLink(ModemLink& link, SimModem& modem, const QString& journalPath)
        : link_(link), modem_(modem), journalPath_(journalPath)
    {
    }
    Death death = Death::None;
    bool died = false;
    QByteArray onDisk;

    using AtChannel::exchange;
    AtResult exchange(const QString& command, double timeoutSec, const std::function<void()>& written) override
    {
        if (died) {
            AtResult lost;
            lost.kind = AtResult::Kind::PortLost;
            return lost;
        }
        if (death == Death::AsTheBodyIsWritten && !command.startsWith(QLatin1String("AT"))) {
            // The line drops as the body arrives: the modem has it, nobody
            // learns whether it went.
            modem_.addFault(SimModem::kPduInput, 1, SimModem::Fault::unplug());
            return link_.exchange(command, timeoutSec, [&] {
                die();
                if (written)
                    written();
            });
        }
        const AtResult r = link_.exchange(command, timeoutSec, written);
        if (death == Death::AtThePrompt && r.kind == AtResult::Kind::Prompt) {
            die();
            modem_.unplug();
        }
        return r;
    }
    bool sendATCommand(const QString& command, double timeoutSec) override
    {
        return exchange(command, timeoutSec).success;
    }
    QString modemReply() const override { return link_.modemReply(); }
    bool isOpen() const override { return !died && link_.isOpen(); }

private:
    void die()
    {
        QFile f(journalPath_);
        onDisk = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        died = true;
    }
    ModemLink& link_;
    SimModem& modem_;
    QString journalPath_;
};

// A connected modem and an empty Outbox; each test kills the sender.
class SendJournalKill : public ::testing::Test {
protected:
    void SetUp() override
    {
        testenv::prompt().reset();
        ASSERT_TRUE(modem.start(testenv::newDir("modem") + "/modem0")) << modem.errorString().toStdString();
        modem.setEcho(false);
        ASSERT_TRUE(link.openPort(modem.portPath(), 115200, "None"));
        st.bModemConnected = true;
        st.bOutboxPaused = false;
    }

    testenv::FreshDb fresh;
    Database& db = fresh.db();
    EngineState st;
    SimModem modem;
    ModemLink link{st};
    OutboxQueue queue{db, testenv::prompt(), st};
    const QString journalPath = AppPaths::filePath(QStringLiteral("sending.journal"));
};

} // namespace

TEST_F(SendJournalKill, DeathsWhileWaitingForThePromptDoNotUseUpTheMessage)
{
    ASSERT_TRUE(queue.AddToOutboxQuiet("+447700900123", 1, "sent in the end",
                                       QDateTime::currentDateTime().addSecs(-3600), 9));

    QByteArray onDisk;
    QObject::connect(&modem, &SimModem::commandReceived, &modem, [&](const QString& line) {
        if (line.startsWith(QLatin1String("AT+CMGS="))) {
            QFile f(journalPath);
            onDisk = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        }
    });

    // Twice the program dies while the modem has the command and not yet
    // answered it (the line drops there, so nothing more happens).
    for (int death = 1; death <= 2; ++death) {
        modem.addFault(QStringLiteral("AT+CMGS="), 1, SimModem::Fault::unplug());
        OutboxSender sender(st, db);
        sender.setChannel(&link);
        ASSERT_TRUE(sender.recoverInterruptedSends());
        sender.SendNextOutbox();
        ASSERT_TRUE(testenv::waitUntil([&] { return !link.isOpen(); }, 10000));
        // What the disk held when the program died.
        QFile f(journalPath);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(onDisk);
        f.close();
        ASSERT_TRUE(modem.replug());
        modem.setEcho(false);
        ASSERT_TRUE(link.openPort(modem.portPath(), 115200, "None"));
    }
    EXPECT_TRUE(modem.submits().isEmpty());

    OutboxSender sender(st, db);
    sender.setChannel(&link);
    ASSERT_TRUE(sender.recoverInterruptedSends());
    sender.SendNextOutbox();
    EXPECT_EQ(modem.sentMessages().size(), 1) << "the message was never sent";
    const Recordset log = db.query(QStringLiteral("SELECT msgstatus FROM tboutlog"));
    ASSERT_EQ(log.size(), 1);
    EXPECT_EQ(log.value(0, 0).toString(), QStringLiteral("C"));
}

TEST_F(SendJournalKill, DeathsAsTheBodyIsWrittenNeverAddACopyBeyondTheLimit)
{
    const QDateTime past = QDateTime::currentDateTime().addSecs(-3600);
    DyingLink dying(link, modem, journalPath);
    using Death = DyingLink::Death;

    // One run of the program up to its death; the next start finds the
    // journal as the disk held it, and the row marked as being sent.
    auto run = [&](Death death) {
        dying.death = death;
        dying.died = false;
        OutboxSender sender(st, db);
        sender.setChannel(&dying);
        ASSERT_TRUE(sender.recoverInterruptedSends());
        sender.SendNextOutbox();
        if (!dying.died)
            return; // nothing was sent this run
        ASSERT_TRUE(testenv::waitUntil([&] { return !link.isOpen(); }, 10000));
        QFile f(journalPath);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(dying.onDisk);
        f.close();
        ASSERT_TRUE(db.exec(QStringLiteral("UPDATE tboutqueue SET msgstatus='A'")));
        ASSERT_TRUE(modem.replug());
        modem.setEcho(false);
        ASSERT_TRUE(link.openPort(modem.portPath(), 115200, "None"));
    };
    auto logged = [&] {
        QStringList out;
        const Recordset rs = db.query(QStringLiteral("SELECT msgno,msgstatus FROM tboutlog ORDER BY msgcode"));
        for (int i = 0; i < rs.size(); ++i)
            out << rs.value(i, 0).toString() + "/" + rs.value(i, 1).toString();
        return out;
    };

    ASSERT_TRUE(queue.AddToOutboxQuiet("+447700900123", 1, "killed as it went", past, 9));
    run(Death::AsTheBodyIsWritten);
    ASSERT_EQ(modem.submits().size(), 1);
    {
        // The body the modem got counts as gone out without an answer.
        SendJournal read(journalPath);
        ASSERT_TRUE(read.load());
        EXPECT_EQ(read.unansweredBodies(1, 1), 1);
    }
    run(Death::AtThePrompt);
    run(Death::AsTheBodyIsWritten);
    run(Death::AtThePrompt);
    run(Death::AsTheBodyIsWritten);
    run(Death::None);
    EXPECT_EQ(modem.submits().size(), 2) << "a body written beyond the limit";
    EXPECT_EQ(logged(), QStringList({"+447700900123/E"}));

    // Deaths before the body leave a message that never reached the modem:
    // it is sent in the end.
    ASSERT_TRUE(queue.AddToOutboxQuiet("+447700900124", 1, "killed before it went", past, 9));
    for (int death = 0; death < 3; ++death)
        run(Death::AtThePrompt);
    run(Death::None);
    EXPECT_EQ(modem.submits().size(), 3);
    EXPECT_EQ(modem.sentMessages().size(), 1);
    EXPECT_EQ(logged(), QStringList({"+447700900123/E", "+447700900124/C"}));
}
