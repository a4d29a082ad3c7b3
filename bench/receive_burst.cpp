// Receiving a burst of "+CMT: " indications from the simulated modem through
// the serial link into the database, each acknowledged with "AT+CNMA" by a
// loop standing in for the activity cycle.
//
//   bench_receive_burst [count]      (default 500)
//
// Two runs:
//  - burst: the modem writes every indication at once, as fast as the pty
//    takes them; the loop sends one "AT+CNMA" per indication received.
//  - held: the modem writes the next indication only after the previous one
//    was acknowledged (what a modem does in the routing mode the program
//    sets); the loop acknowledges as the cycle does, by the pending flag.
// Each run reports whether every message was stored (sender and content
// checked against the reference codec), every indication acknowledged and
// none lost, the time until all were stored and until all were
// acknowledged, and the time reception spent per message. Every "AT+CNMA"
// carries the link's 100 ms pause before a command, so acknowledging N
// indications takes at least N x 100 ms.
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <functional>

#include "base/EngineState.h"
#include "modem/ModemLink.h"
#include "engine/Reception.h"
#include "simmodem/SimModem.h"
#include "BenchSupport.h"
#include "base/Database.h"
#include "support/Tpdu.h"

namespace {

using bench::waitFor;

struct Outcome {
    bool ok = false;
    int stored = 0, matching = 0, acknowledged = 0, lost = 0, cnma = 0;
    qint64 allStoredMs = -1, allAckedMs = -1;
    double receptionMsPerMessage = 0;
};

Outcome run(const QString& dir, int count, bool held)
{
    Outcome out;
    Database db;
    if (!db.open(QDir(dir).filePath(held ? "held.db" : "burst.db"))) {
        std::fprintf(stderr, "cannot open the database: %s\n", qPrintable(db.lastError()));
        return out;
    }
    EngineState st;
    SimModem modem;
    if (!modem.start()) {
        std::fprintf(stderr, "cannot start the simulated modem: %s\n", qPrintable(modem.errorString()));
        return out;
    }
    ModemLink link(st);
    if (!link.openPort(modem.portPath(), 115200, QStringLiteral("None"))) {
        std::fprintf(stderr, "cannot open %s\n", qPrintable(modem.portPath()));
        return out;
    }
    Reception reception(db, st, nullptr);
    QElapsedTimer clock;
    int received = 0;
    qint64 receptionNs = 0;
    QElapsedTimer decodeClock;
    QObject::connect(&link, &ModemLink::cmtReceived, &reception, [&](const QString& header, const QString& pdu) {
        ++received;
        decodeClock.restart();
        reception.DecodeIncomingPDU(header, pdu);
        receptionNs += decodeClock.nsecsElapsed();
        if (out.allStoredMs < 0 && st.iNewSMS >= count)
            out.allStoredMs = clock.elapsed();
    });
    if (!link.sendATCommand(QStringLiteral("ATE0\r"), 2))
        return out;
    modem.clearRecords();
    modem.setHoldCmtUntilAcked(held);

    QStringList pdus, senders, contents;
    for (int i = 0; i < count; ++i) {
        senders << QStringLiteral("+4477009%1").arg(i, 5, 10, QLatin1Char('0'));
        pdus << tpdu::deliverText(senders.last(), QStringLiteral("Burst message number %1 of the run").arg(i + 1));
        contents << tpdu::toHex(tpdu::decodeDeliver(pdus.last())->ud.raw);
    }

    clock.start();
    for (const QString& pdu : pdus)
        modem.injectCmt(pdu);
    int acknowledgedByLoop = 0;
    const bool finished = waitFor(
        [&] {
            // The stand-in for the cycle's first step.
            const bool pending = held ? st.bGotCMT : acknowledgedByLoop < received;
            if (pending) {
                st.bGotCMT = false;
                if (link.sendATCommand(QStringLiteral("AT+CNMA\r"), 2))
                    ++acknowledgedByLoop;
                else if (held)
                    st.bGotCMT = true;
            }
            return st.iNewSMS >= count && modem.deliveries().size() == count && modem.unacknowledgedCount() == 0 &&
                   std::all_of(modem.deliveries().begin(), modem.deliveries().end(),
                               [](const SimModem::Delivery& d) { return d.ackedMs >= 0; });
        },
        count * 400 + 10000);
    if (finished)
        out.allAckedMs = clock.elapsed();

    const Recordset rs = db.query(QStringLiteral("SELECT msgfrom, msgcontent FROM tbinqueue ORDER BY msgcode"));
    out.stored = rs.size();
    for (int i = 0; i < rs.size() && i < count; ++i)
        if (rs.value(i, 0).toString() == senders[i] && rs.value(i, 1).toString() == contents[i])
            ++out.matching;
    for (const SimModem::Delivery& d : modem.deliveries()) {
        out.acknowledged += d.ackedMs >= 0;
        out.lost += d.lost || d.deliveredMs < 0;
    }
    out.cnma = modem.commandCount(QStringLiteral("AT+CNMA"));
    out.receptionMsPerMessage = received ? receptionNs / 1e6 / received : 0;
    out.ok = finished && out.stored == count && out.matching == count && out.acknowledged == count &&
             out.lost == 0 && out.cnma == count;
    return out;
}

void report(const char* name, int count, const Outcome& o)
{
    std::printf("%-5s  %s: stored %d/%d (%d matching), acknowledged %d/%d with %d AT+CNMA, lost %d\n", name,
                o.ok ? "PASS" : "FAIL", o.stored, count, o.matching, o.acknowledged, count, o.cnma, o.lost);
    std::printf("       all stored after %.3f s, all acknowledged after %.3f s (floor of the 100 ms pauses: %.1f s)\n",
                o.allStoredMs / 1000.0, o.allAckedMs / 1000.0, count * 0.1);
    std::printf("       reception: %.3f ms per message (decode, assembly, store, commit)\n", o.receptionMsPerMessage);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? qMax(1, QString::fromLocal8Bit(argv[1]).toInt()) : 500;
    QTemporaryDir dir;
    if (!dir.isValid())
        return 2;
    std::printf("receive burst: %d \"+CMT: \" indications through the simulated modem\n", count);
    const Outcome burst = run(dir.path(), count, false);
    report("burst", count, burst);
    const Outcome held = run(dir.path(), count, true);
    report("held", count, held);
    return burst.ok && held.ok ? 0 : 1;
}
