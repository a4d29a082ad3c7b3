// The warnings of a large hand-in that cannot be sent: another program
// hands in many rows whose numbers the program refuses (default 10,000),
// with a good row among every 200, and raises the "Outbox" flag. The
// activity cycle runs with the hand-in and the sender wired in as the
// program wires them, against the simulated modem, and the warnings go to
// the program's own prompt over a main window (offscreen unless a platform
// is set).
//
//   bench_notice_flood [bad-rows] [good-every]      (default 10000 200)
//
// Measured while the rows are taken: the most top-level windows shown at
// once, and the resident memory against its value before the hand-in. It
// passes when no more than 3 top-level windows were shown, the memory
// stayed within 30 MB of the start, and every good row was sent.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <sys/mman.h>
#include <unistd.h>

#include "base/Database.h"
#include "base/EngineState.h"
#include "base/SharedFlagBlock.h"
#include "controls/QtUserPrompt.h"
#include "engine/ActivityScheduler.h"
#include "engine/OutboxQueue.h"
#include "engine/OutboxSender.h"
#include "modem/ModemLink.h"
#include "remote/HandIn.h"
#include "simmodem/SimModem.h"
#include "BenchSupport.h"
#include "support/TestEnv.h"
#include "wiring/EngineWiring.h"

namespace {

// Resident set size in kB, from /proc/self/status.
qint64 residentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int bad = argc > 1 ? qMax(1, atoi(argv[1])) : 10000;
    const int goodEvery = argc > 2 ? qMax(2, atoi(argv[2])) : 200;
    const int good = bad / (goodEvery - 1);

    QTemporaryDir root(QDir::tempPath() + "/velquarin-bench-XXXXXX");
    if (!root.isValid())
        return 2;
    testenv::setRoot(root.path());

    int rc = 0;
    {
        testenv::FreshDb fresh;
        Database& db = fresh.db();
        const QByteArray flagName = "/VelquarinBenchOutbox-" + QByteArray::number(::getpid());
        SharedFlagBlock flag;
        if (flag.create(QString::fromLatin1(flagName)) != SharedFlagBlock::Result::Ok) {
            std::fprintf(stderr, "cannot create the flag block\n");
            return 2;
        }

        QWidget main;
        main.setObjectName(QStringLiteral("frmMain"));
        main.resize(800, 600);
        main.show();
        QtUserPrompt prompt;

        bench::HandInEngine engine(db, prompt, flag);
        if (!engine.open())
            return 2;
        SimModem& modem = engine.modem;
        HandIn& handIn = engine.handIn;
        ActivityScheduler& scheduler = engine.scheduler;

        // The other program's rows: numbers with spaces are refused, each
        // one different, and a good row among every goodEvery.
        {
            Transaction t(db);
            int b = 0, g = 0;
            while (b < bad) {
                const bool isGood = (b + g + 1) % goodEvery == 0 && g < good;
                const QString number = isGood ? QStringLiteral("+4477009%1").arg(g, 5, 10, QChar('0'))
                                              : QStringLiteral("+44 7700 9%1").arg(b, 5, 10, QChar('0'));
                if (!db.exec(QStringLiteral("INSERT INTO tbouttemp (msgno, msgcontent) VALUES (?, ?)"),
                             {number, QStringLiteral("Handed in %1").arg(b + g)})) {
                    std::fprintf(stderr, "cannot hand in: %s\n", qPrintable(db.lastError()));
                    return 2;
                }
                (isGood ? g : b) += 1;
            }
            if (!t.commit())
                return 2;
        }

        QCoreApplication::processEvents();
        const qint64 startKb = residentKb();
        qint64 peakKb = startKb;
        int mostWindows = 0, mostNotices = 0, refused = 0;
        auto sample = [&] {
            int windows = 0;
            for (QWidget* w : QApplication::topLevelWidgets())
                windows += w->isVisible();
            mostWindows = qMax(mostWindows, windows);
            mostNotices = qMax(mostNotices, int(prompt.openNotices().size()));
            peakKb = qMax(peakKb, residentKb());
        };
        QObject::connect(&handIn, &HandIn::imported, [&](int, int left) {
            refused += left;
            sample();
        });
        QTimer probe;
        probe.setInterval(50);
        QObject::connect(&probe, &QTimer::timeout, sample);

        QElapsedTimer clock;
        clock.start();
        probe.start();
        flag.writeFloat(1.0f);
        scheduler.start();
        const bool settled = testenv::waitUntil(
            [&] { return refused >= bad && int(modem.sentMessages().size()) >= good && !handIn.retryPending(); },
            600000);
        const double seconds = clock.nsecsElapsed() / 1e9;
        scheduler.stop();
        probe.stop();
        sample();

        const int left = db.query(QStringLiteral("SELECT COUNT(*) FROM tbouttemp")).value(0, 0).toInt();
        const int sent = int(modem.sentMessages().size());
        const qint64 grownKb = peakKb - startKb;
        const bool ok = settled && mostWindows <= 3 && grownKb <= 30 * 1024 && sent == good;
        std::printf("notice flood: %d refused rows and %d good rows handed in at once\n", bad, good);
        std::printf("  %s\n", ok ? "PASS" : "FAIL");
        std::printf("  rows refused (reported)     %d, left in tbouttemp %d\n", refused, left);
        std::printf("  good rows sent meanwhile    %d of %d\n", sent, good);
        std::printf("  most top-level windows      %d (limit 3; the main window and %d warning boxes)\n",
                    mostWindows, mostNotices);
        std::printf("  resident memory             %.1f MB at the start, %.1f MB at the peak (+%.1f MB, limit 30)\n",
                    startKb / 1024.0, peakKb / 1024.0, grownKb / 1024.0);
        std::printf("  elapsed                     %.1f s\n", seconds);
        const QList<QMessageBox*> open = prompt.openNotices();
        if (!open.isEmpty())
            std::printf("  the box's last line         %s\n",
                        qPrintable(open.first()->text().section(QLatin1Char('\n'), -1)));
        rc = ok ? 0 : 1;
        flag.close();
        ::shm_unlink(flagName.constData());
    }
    return rc;
}
