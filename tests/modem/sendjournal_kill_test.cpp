// The send journal when the program dies while it waits for the "> "
// prompt: no body has been written, so a restart must not count one as
// gone out without an answer. The journal as it was on the disk at the
// moment of death is taken when "AT+CMGS=" reaches the modem (the journal
// is synced before each step), and put back before the next start.
#include <gtest/gtest.h>

#include "base/AppPaths.h"
#include "base/Database.h"
#include "base/EngineState.h"
#include "modem/ModemLink.h"
#include "engine/OutboxQueue.h"
#include "engine/OutboxSender.h"
#include "simmodem/SimModem.h"
#include "support/TestEnv.h"

#include <QFile>
#include <memory>

TEST(SendJournalKill, DeathsWhileWaitingForThePromptDoNotUseUpTheMessage)
{
    testenv::FreshDb fresh;
    Database& db = fresh.db();
    testenv::prompt().reset();
    EngineState st;
    SimModem modem;
    ModemLink link{st};
    OutboxQueue queue{db, testenv::prompt(), st};
    const QString journalPath = AppPaths::filePath(QStringLiteral("sending.journal"));
    ASSERT_TRUE(modem.start(testenv::newDir("modem") + "/modem0")) << modem.errorString().toStdString();
    modem.setEcho(false);
    ASSERT_TRUE(link.openPort(modem.portPath(), 115200, "None"));
    st.bModemConnected = true;
    st.bOutboxPaused = false;
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
