// The window while another program holds the database's write lock.
//
//   bench_locked_database [messages] [hold-ms]      (default 20 messages, 5000 ms)
//
// A child process (the SQLite C API only, as another program would) takes
// the write lock with BEGIN IMMEDIATE, hands in rows inside that
// transaction, and holds it for hold-ms; then it commits and raises the
// "Outbox" flag. Rows handed in before the lock wait in tbouttemp with the
// flag raised. Meanwhile the activity cycle runs against the simulated modem
// with the program's reception, hand-in and sender wired in as the program
// wires them, and the modem delivers the messages one after the other (each
// after the previous was acknowledged, as a modem does in the routing mode
// the program sets).
//
// Measured: the longest gap between two ticks of a 10 ms timer (the event
// loop standing still: the window would not repaint or take input), the
// longest gap between two cycles, the longest wait of one statement for the
// lock, how many messages went through the receive journal, and, after the
// lock is released, how long until every message is stored and every row
// queued. It passes when the longest gap stays under 200 ms and everything
// is stored once and queued once.
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <functional>
#include <cstring>
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include "base/Database.h"
#include "base/SharedFlagBlock.h"
#include "support/ScriptedPrompt.h"
#include "wiring/EngineWiring.h"
#include "engine/ActivityScheduler.h"
#include "base/EngineState.h"
#include "modem/ModemLink.h"
#include "engine/OutboxQueue.h"
#include "engine/OutboxSender.h"
#include "engine/Reception.h"
#include "remote/HandIn.h"
#include "simmodem/SimModem.h"
#include "BenchSupport.h"
#include "support/Tpdu.h"

namespace {

constexpr int kRowsBefore = 10;
constexpr int kRowsDuring = 10;

bool waitFor(const std::function<bool()>& done, int timeoutMs)
{
    return bench::waitFor(done, timeoutMs, 5);
}

// The other program: lock, hand in, hold, commit, raise the flag.
[[noreturn]] void holdLock(const QByteArray& dbPath, const QByteArray& flagName, int holdMs, int readyFd)
{
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(dbPath.constData(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
        ::_exit(10);
    sqlite3_busy_timeout(db, 5000);
    if (sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK)
        ::_exit(11);
    for (int i = 0; i < kRowsDuring; ++i) {
        char sql[160];
        std::snprintf(sql, sizeof sql,
                      "INSERT INTO tbouttemp (msgno, msgcontent) VALUES ('+4477009002%02d', 'during %d')", i, i);
        if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
            ::_exit(12);
    }
    const char ready = 1;
    if (::write(readyFd, &ready, 1) != 1)
        ::_exit(13);
    ::usleep(useconds_t(holdMs) * 1000);
    if (sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
        ::_exit(14);
    sqlite3_close(db);
    const int fd = ::shm_open(flagName.constData(), O_RDWR, 0);
    if (fd < 0)
        ::_exit(15);
    void* p = ::mmap(nullptr, 10, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    ::close(fd);
    if (p == MAP_FAILED)
        ::_exit(16);
    const float one = 1.0f;
    std::memcpy(p, &one, 4); // little-endian host
    ::munmap(p, 10);
    ::_exit(0);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int messages = argc > 1 ? qMax(1, QString::fromLocal8Bit(argv[1]).toInt()) : 20;
    const int holdMs = argc > 2 ? qMax(100, QString::fromLocal8Bit(argv[2]).toInt()) : 5000;
    QTemporaryDir dir;
    if (!dir.isValid())
        return 2;
    const QString dbPath = QDir(dir.path()).filePath(QStringLiteral("data.db"));
    Database db;
    if (!db.open(dbPath)) {
        std::fprintf(stderr, "cannot open the database: %s\n", qPrintable(db.lastError()));
        return 2;
    }
    const QByteArray flagName = "/VelquarinBenchOutbox-" + QByteArray::number(::getpid());
    SharedFlagBlock flag;
    if (flag.create(QString::fromLatin1(flagName)) != SharedFlagBlock::Result::Ok) {
        std::fprintf(stderr, "cannot create the flag block\n");
        return 2;
    }

    EngineState st;
    ScriptedPrompt prompt;
    SimModem modem;
    if (!modem.start()) {
        std::fprintf(stderr, "cannot start the simulated modem: %s\n", qPrintable(modem.errorString()));
        return 2;
    }
    modem.setEcho(false);
    ModemLink link(st);
    if (!link.openPort(modem.portPath(), 115200, QStringLiteral("None")))
        return 2;
    Reception reception(db, st, nullptr);
    int journaled = 0;
    qint64 longestReceptionMs = 0;
    QObject::connect(&link, &ModemLink::cmtReceived, &reception, [&](const QString& header, const QString& pdu) {
        QElapsedTimer t;
        t.start();
        reception.DecodeIncomingPDU(header, pdu);
        longestReceptionMs = qMax(longestReceptionMs, t.elapsed());
        journaled += reception.lastKept() == Reception::Kept::Journaled;
    });
    OutboxQueue queue(db, prompt, st);
    OutboxSender sender(st, db);
    HandIn handIn(db, queue, flag, prompt);
    ActivityScheduler scheduler(st, db, prompt);
    scheduler.setChannel(&link);
    installOutboxSender(scheduler, sender);
    installHandIn(scheduler, handIn);
    QElapsedTimer clock;
    clock.start();
    qint64 lastCycle = -1, longestCycleGap = 0;
    scheduler.steps().readOutboxFlag = [&] {
        const qint64 now = clock.elapsed();
        if (lastCycle >= 0)
            longestCycleGap = qMax(longestCycleGap, now - lastCycle);
        lastCycle = now;
        return flag.readFloat();
    };
    st.bModemConnected = true;
    st.bOutboxPaused = false;
    modem.setHoldCmtUntilAcked(true);

    for (int i = 0; i < kRowsBefore; ++i)
        db.exec(QStringLiteral("INSERT INTO tbouttemp (msgno, msgcontent) VALUES (?, ?)"),
                {QStringLiteral("+4477009001%1").arg(i, 2, 10, QLatin1Char('0')), QStringLiteral("before %1").arg(i)});

    // The probe: how long the event loop stands still.
    QElapsedTimer probeClock;
    qint64 lastProbe = -1, longestGap = 0, longestGapLocked = 0;
    bool lockReleased = false;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    probe.setInterval(10);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 now = probeClock.elapsed();
        if (lastProbe >= 0) {
            longestGap = qMax(longestGap, now - lastProbe);
            if (!lockReleased)
                longestGapLocked = qMax(longestGapLocked, now - lastProbe);
        }
        lastProbe = now;
    });

    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return 2;
    const pid_t pid = ::fork();
    if (pid < 0)
        return 2;
    if (pid == 0) {
        ::close(pipeFds[0]);
        holdLock(QFile::encodeName(dbPath), flagName, holdMs, pipeFds[1]);
    }
    ::close(pipeFds[1]);
    char ready = 0;
    if (::read(pipeFds[0], &ready, 1) != 1) {
        std::fprintf(stderr, "the lock holder did not start\n");
        return 2;
    }
    ::close(pipeFds[0]);
    clock.restart();
    db.resetBusyWaitStatistics();

    // The lock is held: the cycle runs, the flag is up, messages arrive.
    flag.writeFloat(1.0f);
    probeClock.start();
    probe.start();
    scheduler.start();
    QStringList pdus;
    for (int i = 0; i < messages; ++i)
        pdus << tpdu::deliverText(QStringLiteral("+4477009003%1").arg(i, 2, 10, QLatin1Char('0')),
                                  QStringLiteral("Message %1 while the database is locked").arg(i + 1));
    for (const QString& pdu : pdus)
        modem.injectCmt(pdu);

    // Just before the lock goes: what was acknowledged and stored by then.
    int storedDuringLock = -1, deliveredDuringLock = -1, journaledDuringLock = -1;
    waitFor([&] { return clock.elapsed() >= holdMs - 200; }, holdMs);
    storedDuringLock = db.query(QStringLiteral("SELECT COUNT(*) FROM tbinqueue")).value(0, 0).toInt();
    deliveredDuringLock = int(modem.deliveries().size()) - modem.unacknowledgedCount();
    journaledDuringLock = journaled;
    int status = -1;
    waitFor([&] { return ::waitpid(pid, &status, WNOHANG) == pid; }, holdMs + 30000);
    const qint64 releasedAt = clock.elapsed();
    lockReleased = true;
    qint64 storedAt = -1, queuedAt = -1;
    const int rows = kRowsBefore + kRowsDuring;
    const bool settled = waitFor(
        [&] {
            const qint64 now = clock.elapsed();
            if (storedAt < 0 && db.query(QStringLiteral("SELECT COUNT(*) FROM tbinqueue")).value(0, 0).toInt() >= messages &&
                modem.unacknowledgedCount() == 0 && modem.deliveries().size() == messages && !reception.journalPending())
                storedAt = now;
            if (queuedAt < 0 &&
                db.query(QStringLiteral("SELECT (SELECT COUNT(*) FROM tboutqueue) + (SELECT COUNT(*) FROM tboutlog)"))
                        .value(0, 0)
                        .toInt() >= rows &&
                db.query(QStringLiteral("SELECT COUNT(*) FROM tbouttemp")).value(0, 0).toInt() == 0)
                queuedAt = now;
            return storedAt >= 0 && queuedAt >= 0;
        },
        60000);
    scheduler.stop();
    probe.stop();

    const int stored = db.query(QStringLiteral("SELECT COUNT(*) FROM tbinqueue")).value(0, 0).toInt();
    const int distinct = db.query(QStringLiteral("SELECT COUNT(DISTINCT msgcontent) FROM tbinqueue")).value(0, 0).toInt();
    const int queued =
        db.query(QStringLiteral("SELECT (SELECT COUNT(*) FROM tboutqueue) + (SELECT COUNT(*) FROM tboutlog)")).value(0, 0).toInt();
    const bool ok = settled && WIFEXITED(status) && WEXITSTATUS(status) == 0 && longestGap < 200 &&
                    stored == messages && distinct == messages && queued == rows && prompt.count() == 0;
    std::printf("locked database: write lock held by another process for %d ms; %d messages arriving, "
                "%d rows handed in (%d before, %d inside the lock)\n",
                holdMs, messages, rows, kRowsBefore, kRowsDuring);
    std::printf("  %s\n", ok ? "PASS" : "FAIL");
    std::printf("  longest event-loop gap (10 ms timer): %lld ms (limit 200); while locked %lld ms\n",
                qint64(longestGap), qint64(longestGapLocked));
    std::printf("  longest gap between two cycles:       %lld ms\n", qint64(longestCycleGap));
    std::printf("  longest wait of one statement:        %lld ms\n", qint64(db.longestBusyWaitMs()));
    std::printf("  longest reception of one message:     %lld ms (store or journal)\n", qint64(longestReceptionMs));
    std::printf("  while locked: %d messages acknowledged, %d journaled, %d stored\n", deliveredDuringLock,
                journaledDuringLock, storedDuringLock);
    std::printf("  after the release: all stored %.3f s later, all queued %.3f s later\n",
                storedAt < 0 ? -1.0 : (storedAt - releasedAt) / 1000.0,
                queuedAt < 0 ? -1.0 : (queuedAt - releasedAt) / 1000.0);
    std::printf("  stored %d/%d (%d distinct), queued %d/%d, warnings shown %d, lock holder exit %d\n", stored,
                messages, distinct, queued, rows, prompt.count(), WIFEXITED(status) ? WEXITSTATUS(status) : -1);
    flag.close();
    ::shm_unlink(flagName.constData());
    return ok ? 0 : 1;
}
