// The program killed (SIGKILL) at random points while it sends and receives,
// and started again on the same data folder each time: no message is lost,
// none is stored twice, and none goes to the network more than once more
// than the modem confirmed.
//
// The engine runs as its own process (velquarin-enginedriver: the program's
// engine and start-up without the windows) against the simulated modem,
// which runs here and plays the network: it records every SMS-SUBMIT that
// reaches it (decoded by the test's own PDU reader) and every delivery it
// makes with its acknowledgement, and delivers again what was not
// acknowledged, as a network does. The kills come at seeded random points:
// after a random time, just as a message body reached the modem (also as a
// crash loop, at the first body of several runs in a row), or just after an
// incoming message was written to the program. The seed is printed;
// VELQUARIN_KILL_SEED=<n> runs the same schedule again.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QRandomGenerator>
#include <QTimer>
#include <csignal>
#include <random>
#include <sys/types.h>

#include "base/AppPaths.h"
#include "base/Database.h"
#include "base/EngineState.h"
#include "engine/OutboxQueue.h"
#include "simmodem/SimModem.h"
#include "support/TestEnv.h"
#include "support/Tpdu.h"

namespace {

constexpr int kSends = 100;
constexpr int kReceptions = 100;
constexpr int kKills = 24;

QString outNumber(int i) { return QStringLiteral("+4477009%1").arg(i, 5, 10, QLatin1Char('0')); }
QString outText(int i) { return QStringLiteral("Outgoing %1 of %2").arg(i).arg(kSends); }
QString inNumber(int i) { return QStringLiteral("+4477005%1").arg(i, 5, 10, QLatin1Char('0')); }
QString inText(int i) { return QStringLiteral("Incoming %1 of %2").arg(i).arg(kReceptions); }

// One run of the engine process.
class Driver {
public:
    Driver(const QString& dataDir, const QString& port) : dataDir_(dataDir), port_(port) {}
    ~Driver() { killNow(); wait(); }

    bool start()
    {
        proc_ = std::make_unique<QProcess>();
        proc_->setProcessChannelMode(QProcess::SeparateChannels);
        proc_->setStandardOutputFile(QProcess::nullDevice());
        proc_->setStandardErrorFile(QDir(dataDir_).filePath(QStringLiteral("engine-stderr.log")),
                                    QIODevice::Append);
        proc_->start(QStringLiteral(VELQUARIN_ENGINEDRIVER),
                     {QStringLiteral("--data-dir"), dataDir_, QStringLiteral("--port"), port_});
        if (!proc_->waitForStarted(30000))
            return false;
        pid_ = proc_->processId();
        return true;
    }
    bool running() const { return proc_ && proc_->state() != QProcess::NotRunning; }
    // SIGKILL at once, also from inside a signal handler of the modem.
    void killNow()
    {
        if (pid_ > 0 && running())
            ::kill(pid_t(pid_), SIGKILL);
    }
    // Waits until the process is gone; true when it was killed (not an
    // exit of its own).
    bool wait()
    {
        if (!proc_)
            return true;
        proc_->waitForFinished(60000);
        const bool killed = proc_->exitStatus() == QProcess::CrashExit;
        exitCode_ = proc_->exitCode();
        proc_.reset();
        pid_ = 0;
        return killed;
    }
    int exitCode() const { return exitCode_; }

private:
    QString dataDir_, port_;
    std::unique_ptr<QProcess> proc_;
    qint64 pid_ = 0;
    int exitCode_ = 0;
};

struct Kill {
    QString how;
    qint64 atMs = 0;     // on the modem's clock
};

} // namespace

TEST(KillRestart, HundredSendsAndReceptionsSurviveKills)
{
    quint32 seed = QRandomGenerator::system()->generate();
    if (qEnvironmentVariableIsSet("VELQUARIN_KILL_SEED"))
        seed = quint32(qEnvironmentVariable("VELQUARIN_KILL_SEED").toULongLong());
    std::printf("[ seed     ] VELQUARIN_KILL_SEED=%u\n", seed);
    std::fflush(stdout);
    RecordProperty("seed", std::to_string(seed));
    std::mt19937 rng(seed);
    auto uniform = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };

    const QString dataDir = testenv::newDir(QStringLiteral("data"));
    SimModem modem;
    ASSERT_TRUE(modem.start(testenv::newDir(QStringLiteral("modem")) + QStringLiteral("/modem0")))
        << qPrintable(modem.errorString());
    // One indication at a time, as the modem does while it waits for the
    // acknowledgement; one left unacknowledged for long is delivered again.
    modem.setHoldCmtUntilAcked(true);
    modem.setRedeliverUnackedAfter(20000);

    // The Outbox, written as the program writes it, before the first start.
    {
        AppPaths::setAppDir(dataDir);
        ASSERT_TRUE(AppPaths::seed());
        Database db;
        ASSERT_TRUE(db.open(AppPaths::databasePath())) << qPrintable(db.lastError());
        CycleState cycle;
        OutboxQueue queue(db, testenv::prompt(), cycle);
        const QDateTime due = QDateTime::currentDateTime().addSecs(-60);
        for (int i = 1; i <= kSends; ++i) {
            QString why;
            ASSERT_TRUE(queue.AddToOutboxQuiet(outNumber(i), 1, outText(i), due, 9, &why)) << qPrintable(why);
        }
        db.close();
    }

    // The network's side of the incoming messages: nothing is written until
    // the program's side of the line is there.
    modem.hangUp();
    QHash<QString, int> incomingByPdu;
    for (int i = 1; i <= kReceptions; ++i) {
        const QString pdu = tpdu::deliverText(inNumber(i), inText(i));
        incomingByPdu.insert(pdu, i);
        modem.injectCmt(pdu);
    }

    // Progress as the network sees it.
    auto sentTexts = [&] {
        QHash<QString, int> seen;
        for (const SimModem::SubmitRecord& r : modem.submits())
            if (r.accepted && r.decoded)
                ++seen[r.decoded->da.number + QLatin1Char('|') + r.decoded->ud.text];
        return seen;
    };
    auto ackedMessages = [&] {
        QSet<int> acked;
        for (const SimModem::Delivery& d : modem.deliveries())
            if (d.ackedMs >= 0)
                acked.insert(incomingByPdu.value(d.pdu));
        return acked;
    };
    auto networkDone = [&] {
        return sentTexts().size() == kSends && ackedMessages().size() == kReceptions;
    };

    Driver driver(dataDir, modem.portPath());
    QList<Kill> kills;
    QString armed;          // how the run in hand is to be killed
    bool killedNow = false;
    int run = 0;            // a delayed kill belongs to the run that armed it
    int lastKind = -1;
    int submitsToGo = -1, cmtsToGo = -1, killDelayMs = 0;
    auto killSoon = [&](const QString& how) {
        if (killedNow || !driver.running())
            return;
        auto doKill = [&, how, armedIn = run] {
            if (armedIn != run || killedNow || !driver.running())
                return;
            killedNow = true;
            driver.killNow();
            kills.append({how, modem.elapsedMs()});
        };
        if (killDelayMs == 0)
            doKill();
        else
            QTimer::singleShot(killDelayMs, &modem, doKill);
    };
    QObject::connect(&modem, &SimModem::submitReceived, &modem, [&](const SimModem::SubmitRecord&) {
        if (submitsToGo > 0 && --submitsToGo == 0)
            killSoon(armed);
    });
    QObject::connect(&modem, &SimModem::bytesSent, &modem, [&](const QByteArray& bytes) {
        if (cmtsToGo > 0 && bytes.contains("+CMT:") && --cmtsToGo == 0)
            killSoon(armed);
    });

    QElapsedTimer clock;
    clock.start();
    QStringList unexpectedExits;
    while (kills.size() < kKills && !networkDone() && clock.elapsed() < 240000) {
        killedNow = false;
        submitsToGo = cmtsToGo = -1;
        killDelayMs = uniform(0, 1) ? 0 : uniform(1, 60);
        ASSERT_TRUE(driver.start());
        ++run;
        // A crash loop (killed as the first message body of each run
        // reaches the modem) tends to go on for a few runs.
        const int kind = lastKind == 3 && uniform(1, 10) <= 6 ? 3 : uniform(0, 3);
        lastKind = kind;
        if (kind == 0) {
            const int afterMs = uniform(200, 3000);
            armed = QStringLiteral("%1 ms after the start").arg(afterMs);
            killDelayMs = afterMs;
            killSoon(armed);
        } else if (kind == 1 || kind == 3) {
            if (kind == 3)
                killDelayMs = 0;
            submitsToGo = kind == 3 ? 1 : uniform(1, 6);
            armed = QStringLiteral("%1 ms after message body %2 of this run").arg(killDelayMs).arg(submitsToGo);
        } else {
            cmtsToGo = uniform(1, 6);
            armed = QStringLiteral("%1 ms after incoming message %2 of this run").arg(killDelayMs).arg(cmtsToGo);
        }
        // A run whose event does not come (the work ran out) is killed
        // after a while anyway.
        const bool ended = testenv::waitUntil([&] { return killedNow || !driver.running() || networkDone(); },
                                              30000);
        if (!killedNow && driver.running()) {
            armed += QStringLiteral(" (did not come: killed after waiting)");
            killDelayMs = 0;
            killSoon(armed);
        }
        Q_UNUSED(ended);
        const bool killed = driver.wait();
        if (!killed)
            unexpectedExits << QStringLiteral("run %1 ended by itself with exit code %2").arg(run).arg(driver.exitCode());
        // The program's side of the line is gone with the process.
        modem.hangUp();
    }

    // The last run is left alone until everything went through and the
    // Outbox is empty.
    ASSERT_TRUE(driver.start());
    ++run;
    const bool allThrough = testenv::waitUntil(networkDone, 180000);
    Database db;
    AppPaths::setAppDir(dataDir);
    ASSERT_TRUE(db.open(AppPaths::databasePath())) << qPrintable(db.lastError());
    const bool outboxEmpty = testenv::waitUntil(
        [&] {
            const Recordset rs = db.query(QStringLiteral("SELECT COUNT(*) FROM tboutqueue"));
            return rs.ok() && rs.value(0, 0).toInt() == 0;
        },
        allThrough ? 60000 : 1000);
    driver.killNow();
    driver.wait();
    modem.hangUp();

    std::printf("[ kills    ] %d kills over %d runs in %.1f s (seed %u)\n", int(kills.size()), run,
                clock.elapsed() / 1000.0, seed);
    QString killLog;
    for (const Kill& k : kills)
        killLog += QStringLiteral("  at %1 ms: %2\n").arg(k.atMs).arg(k.how);
    std::fflush(stdout);

    EXPECT_TRUE(unexpectedExits.isEmpty()) << qPrintable(unexpectedExits.join(QLatin1Char('\n')));
    EXPECT_TRUE(allThrough) << "not everything reached the network: " << sentTexts().size() << " of " << kSends
                            << " messages sent, " << ackedMessages().size() << " of " << kReceptions
                            << " incoming messages acknowledged";
    EXPECT_TRUE(outboxEmpty) << "rows left in the Outbox";
    // Sending: every message reached the network; a second time only when
    // a kill came between the two (the outcome of the first was unknown to
    // the program), never a third time; each is in Sent Items once.
    QHash<QString, QList<qint64>> submitTimes;
    QStringList refused, neverSent, tooOften, againWithoutKill, sentItems;
    for (const SimModem::SubmitRecord& r : modem.submits()) {
        if (!r.accepted)
            refused << r.error;
        else if (r.decoded)
            submitTimes[r.decoded->da.number + QLatin1Char('|') + r.decoded->ud.text].append(r.atMs);
    }
    int twice = 0, givenUp = 0;
    for (int i = 1; i <= kSends; ++i) {
        const QString key = outNumber(i) + QLatin1Char('|') + outText(i);
        const QList<qint64> times = submitTimes.value(key);
        if (times.isEmpty())
            neverSent << outText(i);
        if (times.size() > 2)
            tooOften << QStringLiteral("%1: %2 times").arg(outText(i)).arg(times.size());
        for (int n = 1; n < times.size(); ++n) {
            const bool killBetween = std::any_of(kills.cbegin(), kills.cend(), [&](const Kill& k) {
                return k.atMs >= times.at(n - 1) && k.atMs <= times.at(n);
            });
            if (!killBetween)
                againWithoutKill << QStringLiteral("%1: at %2 ms and again at %3 ms")
                                        .arg(outText(i)).arg(times.at(n - 1)).arg(times.at(n));
        }
        if (times.size() == 2)
            ++twice;
        const Recordset log =
            db.query(QStringLiteral("SELECT msgstatus FROM tboutlog WHERE msgno=?"), {outNumber(i)});
        ASSERT_TRUE(log.ok()) << qPrintable(db.lastError());
        // (each goes to a number of its own; the content is stored coded)
        // Sent; or failed when the program could not know: it wrote the
        // message's body twice and a kill cut each off from its answer (the
        // second may have been cut before it reached the modem), and it may
        // not be written a third time.
        const QString status = log.size() == 1 ? log.value(0, 0).toString() : QString();
        const bool killAfterLast = !times.isEmpty() && std::any_of(kills.cbegin(), kills.cend(), [&](const Kill& k) {
            return k.atMs >= times.last();
        });
        if (status == QLatin1String("E") && killAfterLast) {
            ++givenUp;
        } else if (status != QLatin1String("C")) {
            QStringList statuses;
            for (int r = 0; r < log.size(); ++r)
                statuses << log.value(r, 0).toString();
            sentItems << QStringLiteral("%1: [%2], reached the network %3 times")
                             .arg(outText(i), statuses.join(QLatin1Char(',')))
                             .arg(times.size());
        }
    }
    EXPECT_EQ(sentTexts().size(), kSends) << "the network received messages nobody queued";
    EXPECT_TRUE(refused.isEmpty()) << "bodies the modem refused:\n" << qPrintable(refused.join(QLatin1Char('\n')));
    EXPECT_TRUE(neverSent.isEmpty()) << "never reached the network:\n" << qPrintable(neverSent.join(QLatin1Char('\n')));
    EXPECT_TRUE(tooOften.isEmpty()) << "sent more than once more than confirmed:\n"
                                    << qPrintable(tooOften.join(QLatin1Char('\n')));
    EXPECT_TRUE(againWithoutKill.isEmpty()) << "confirmed and sent again with no kill in between:\n"
                                            << qPrintable(againWithoutKill.join(QLatin1Char('\n')));
    EXPECT_TRUE(sentItems.isEmpty()) << "not in Sent Items exactly once as sent ([statuses]):\n"
                                     << qPrintable(sentItems.join(QLatin1Char('\n')));

    // Reception: every message was acknowledged in the end and is stored
    // exactly once, whatever was delivered again (each comes from a number
    // of its own; the content is stored coded).
    const QSet<int> acked = ackedMessages();
    int redelivered = 0;
    for (const SimModem::Delivery& d : modem.deliveries())
        if (d.redeliveryOf >= 0)
            ++redelivered;
    QStringList storedWrong;
    for (int i = 1; i <= kReceptions; ++i) {
        const Recordset rs = db.query(
            QStringLiteral("SELECT COUNT(*) FROM tbinqueue WHERE msgfrom=?"), {inNumber(i)});
        ASSERT_TRUE(rs.ok()) << qPrintable(db.lastError());
        const int stored = rs.value(0, 0).toInt();
        if (acked.contains(i) ? stored != 1 : stored > 1)
            storedWrong << QStringLiteral("%1 (%2): stored %3 times")
                               .arg(inText(i), acked.contains(i) ? QStringLiteral("acknowledged")
                                                                 : QStringLiteral("never acknowledged"))
                               .arg(stored);
    }
    EXPECT_TRUE(storedWrong.isEmpty()) << storedWrong.size() << " incoming messages not stored exactly once:\n"
                                       << qPrintable(storedWrong.join(QLatin1Char('\n')));
    const Recordset total = db.query(QStringLiteral("SELECT COUNT(*) FROM tbinqueue"));
    EXPECT_EQ(total.value(0, 0).toInt(), kReceptions) << "messages in the Inbox";
    std::printf("[ network  ] %d messages sent twice, %d logged as failed after two unanswered bodies, "
                "%d deliveries made again\n", twice, givenUp, redelivered);
    if (::testing::Test::HasFailure())
        std::printf("seed %u; kills on the modem's clock:\n%s", seed, qPrintable(killLog));
    std::fflush(stdout);
    db.close();
}
