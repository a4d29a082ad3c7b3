// Sending throughput: the time the running activity cycle takes to send N
// queued single-part texts (default 200) through the serial link to the
// simulated modem, which answers at once, against the floor set by the
// cycle's own pauses: 100 ms before every command written to the modem and
// the 100 ms tick before every cycle.
//
//   bench_send_throughput [count]
#include "engine/ActivityScheduler.h"
#include "base/EngineState.h"
#include "modem/ModemLink.h"
#include "engine/OutboxQueue.h"
#include "engine/OutboxSender.h"
#include "wiring/EngineWiring.h"
#include "simmodem/SimModem.h"
#include "BenchSupport.h"
#include "base/Database.h"
#include "support/ScriptedPrompt.h"
#include "support/TestEnv.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? qMax(1, atoi(argv[1])) : 200;

    QTemporaryDir root(QDir::tempPath() + "/velquarin-bench-XXXXXX");
    if (!root.isValid())
        return 2;
    testenv::setRoot(root.path());
    ScriptedPrompt prompt;

    int rc = 0;
    {
        testenv::FreshDb fresh;
        Database& db = fresh.db();

        SimModem modem;
        EngineState st;
        ModemLink link(st);
        if (!bench::openSimModem(modem, link))
            return 1;
        OutboxQueue queue(db, prompt, st);
        OutboxSender sender(st, db);
        ActivityScheduler scheduler(st, db, prompt);
        scheduler.setChannel(&link);
        installOutboxSender(scheduler, sender);
        // Step 7 runs once in every connected cycle: count the cycles there.
        int cycles = 0;
        scheduler.steps().readOutboxFlag = [&cycles] {
            ++cycles;
            return 0.0f;
        };

        const QDateTime due = QDateTime::currentDateTime().addSecs(-60);
        for (int i = 0; i < count; ++i) {
            if (!queue.AddToOutboxQuiet(QStringLiteral("+4477009%1").arg(i, 5, 10, QChar('0')), 1,
                                        QStringLiteral("Benchmark message number %1").arg(i), due, 9)) {
                std::fprintf(stderr, "cannot queue message %d\n", i);
                return 1;
            }
        }

        st.bModemConnected = true;
        st.bOutboxPaused = false;
        st.bOutboxChanged = true;
        st.sngSendCount = 1;

        int logged = 0, failed = 0;
        QEventLoop done;
        QObject::connect(&sender, &OutboxSender::rowLogged, &done,
                         [&](qint64, qint64, const QString& status) {
                             if (status != QLatin1String("C"))
                                 ++failed;
                             if (++logged == count)
                                 done.quit();
                         });
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, &done, &QEventLoop::quit);
        guard.start(count * 1000 + 30000);

        QElapsedTimer clock;
        clock.start();
        scheduler.start();
        done.exec();
        const double seconds = clock.nsecsElapsed() / 1e9;
        scheduler.stop();

        const int commands = int(modem.commands().size());
        const int cmgs = modem.commandCount(QStringLiteral("AT+CMGS="));
        const double floor = (cycles + commands) * ModemLink::kCommandPauseMs / 1000.0;
        const double over = seconds / floor - 1.0;
        std::printf("messages sent            %d of %d (%d not sent as \"C\")\n", logged - failed, count, failed);
        std::printf("accepted by the modem    %d\n", int(modem.sentMessages().size()));
        std::printf("cycles                   %d (%d sending, %d recomputing or idle)\n", cycles, cmgs,
                    cycles - cmgs);
        std::printf("lines written to modem   %d (%d AT+CMGS=, %d bodies, %d polls)\n", commands, cmgs, cmgs,
                    commands - 2 * cmgs);
        std::printf("elapsed                  %.3f s (%.1f ms per message)\n", seconds, seconds * 1000 / count);
        std::printf("floor (cycles+lines)x0.1 %.3f s (%.1f ms per message)\n", floor, floor * 1000 / count);
        std::printf("above the floor          %.2f %% (%.2f ms per message)\n", over * 100,
                    (seconds - floor) * 1000 / count);
        std::printf("target                   within 10 %%: %s\n", over <= 0.10 ? "met" : "NOT met");
        if (logged != count || failed != 0)
            rc = 1;
    }
    return rc;
}
