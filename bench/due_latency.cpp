// From a handed-in row to the modem: the time between another program
// raising the "Outbox" flag for a row it handed in (no send time: due at
// once) and the "AT+CMGS=" of that row reaching the simulated modem, with
// the activity cycle running and the hand-in and the sender wired in as the
// program wires them. Each row is handed in at a random point of a second
// (the stored times are whole seconds), after the previous one went out.
//
//   bench_due_latency [rows] [seed]      (default 10 rows, seed from the clock)
//
// Prints each latency, then the median, the shortest and the longest; the
// target is a median of at most 200 ms.
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <unistd.h>

#include "base/Database.h"
#include "base/EngineState.h"
#include "base/SharedFlagBlock.h"
#include "engine/ActivityScheduler.h"
#include "engine/OutboxQueue.h"
#include "engine/OutboxSender.h"
#include "modem/ModemLink.h"
#include "remote/HandIn.h"
#include "simmodem/SimModem.h"
#include "BenchSupport.h"
#include "support/ScriptedPrompt.h"
#include "support/TestEnv.h"
#include "wiring/EngineWiring.h"

using bench::waitFor;

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int rows = argc > 1 ? qMax(1, atoi(argv[1])) : 10;
    const quint32 seed = argc > 2 ? quint32(strtoul(argv[2], nullptr, 10)) : quint32(QDateTime::currentMSecsSinceEpoch());
    QRandomGenerator random(seed);

    QTemporaryDir root(QDir::tempPath() + "/velquarin-bench-XXXXXX");
    if (!root.isValid())
        return 2;
    testenv::setRoot(root.path());
    ScriptedPrompt prompt;

    int rc = 0;
    {
        testenv::FreshDb fresh;
        Database& db = fresh.db();
        const QString flagName = QStringLiteral("/VelquarinBenchDue-%1").arg(::getpid());
        SharedFlagBlock flag;
        if (flag.create(flagName) != SharedFlagBlock::Result::Ok) {
            std::fprintf(stderr, "cannot create the flag block\n");
            return 2;
        }
        bench::HandInEngine engine(db, prompt, flag);
        if (!engine.open())
            return 1;
        SimModem& modem = engine.modem;
        ActivityScheduler& scheduler = engine.scheduler;

        QElapsedTimer clock;
        clock.start();
        qint64 raisedAt = -1, cmgsAt = -1;
        QObject::connect(&modem, &SimModem::commandReceived, &modem, [&](const QString& line) {
            if (cmgsAt < 0 && line.startsWith(QLatin1String("AT+CMGS=")))
                cmgsAt = clock.elapsed();
        });
        scheduler.start();
        // Let the cycle's start-up polls settle first.
        waitFor([] { return false; }, 1500);

        QList<double> ms;
        for (int i = 0; i < rows; ++i) {
            // A random point of the second.
            const int phase = int(random.bounded(1000));
            const qint64 epochMs = QDateTime::currentMSecsSinceEpoch();
            const qint64 target = (epochMs / 1000 + 1) * 1000 + phase;
            waitFor([&] { return QDateTime::currentMSecsSinceEpoch() >= target; }, 3000);

            // The other program: a row without a send time, then the flag.
            if (!db.exec(QStringLiteral("INSERT INTO tbouttemp (msgno, msgcontent) VALUES (?, ?)"),
                         {QStringLiteral("+4477009003%1").arg(i, 2, 10, QLatin1Char('0')),
                          QStringLiteral("due now %1").arg(i)})) {
                std::fprintf(stderr, "cannot hand in row %d\n", i);
                rc = 1;
                break;
            }
            cmgsAt = -1;
            raisedAt = clock.elapsed();
            flag.writeFloat(1.0f);
            if (!waitFor([&] { return cmgsAt >= 0; }, 10000)) {
                std::fprintf(stderr, "row %d: no AT+CMGS= within 10 s\n", i);
                rc = 1;
                break;
            }
            ms << double(cmgsAt - raisedAt);
            std::printf("row %2d  phase %3d ms  flag to AT+CMGS= %5.0f ms\n", i, phase, ms.last());
            // Sent before the next one.
            waitFor([&] { return db.query(QStringLiteral("SELECT msgcode FROM tboutqueue")).isEmpty(); }, 10000);
        }
        scheduler.stop();
        if (!ms.isEmpty()) {
            QList<double> sorted = ms;
            std::sort(sorted.begin(), sorted.end());
            const qsizetype n = sorted.size();
            const double median = n % 2 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2;
            std::printf("seed                     %u\n", seed);
            std::printf("rows                     %d\n", int(n));
            std::printf("median                   %.3f s (shortest %.3f s, longest %.3f s)\n", median / 1000,
                        sorted.first() / 1000, sorted.last() / 1000);
            std::printf("target                   median at most 0.2 s: %s\n", median <= 200 ? "met" : "NOT met");
            if (median > 200)
                rc = 1;
        }
    }
    return rc;
}
