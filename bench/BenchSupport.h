#pragma once
// Pieces the measuring programs share: waiting on the event loop for a
// condition, and a simulated modem on a pseudo-terminal with the link open.
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <cstdio>
#include <functional>

#include "base/EngineState.h"
#include "base/SharedFlagBlock.h"
#include "engine/ActivityScheduler.h"
#include "engine/OutboxQueue.h"
#include "engine/OutboxSender.h"
#include "modem/ModemLink.h"
#include "remote/HandIn.h"
#include "wiring/EngineWiring.h"
#include "simmodem/SimModem.h"
#include "support/TestEnv.h"

namespace bench {

// Runs the event loop until done() holds or timeoutMs has passed, looking
// every stepMs; true when done() held.
inline bool waitFor(const std::function<bool()>& done, int timeoutMs, int stepMs = 1)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QEventLoop loop;
        QTimer::singleShot(stepMs, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

// Starts the modem without echo, with new messages already routed as
// "+CMT: " (the routing poll asks once), and opens the link on it. Says
// what failed on stderr.
inline bool openSimModem(SimModem& modem, ModemLink& link)
{
    if (!modem.start(testenv::newDir("modem") + "/modem0")) {
        std::fprintf(stderr, "cannot start the simulated modem: %s\n", qPrintable(modem.errorString()));
        return false;
    }
    modem.setEcho(false);
    modem.setSavedProfile(SimModem::Profile{1, {2, 2, 0, 0, 0}, 0});
    if (!link.openPort(modem.portPath(), 115200, QStringLiteral("None"))) {
        std::fprintf(stderr, "cannot open %s\n", qPrintable(modem.portPath()));
        return false;
    }
    return true;
}

// The cycle with the sender and the hand-in, connected to the simulated
// modem, reading the "Outbox" flag from the block another program raises.
struct HandInEngine {
    HandInEngine(Database& db, UserPrompt& prompt, SharedFlagBlock& flag)
        : queue(db, prompt, st), sender(st, db), handIn(db, queue, flag, prompt), scheduler(st, db, prompt)
    {
        scheduler.setChannel(&link);
        installOutboxSender(scheduler, sender);
        installHandIn(scheduler, handIn);
        scheduler.steps().readOutboxFlag = [&flag] { return flag.readFloat(); };
        st.bModemConnected = true;
        st.bOutboxPaused = false;
    }
    bool open() { return openSimModem(modem, link); }

    SimModem modem;
    EngineState st;
    ModemLink link{st};
    OutboxQueue queue;
    OutboxSender sender;
    HandIn handIn;
    ActivityScheduler scheduler;
};

} // namespace bench
