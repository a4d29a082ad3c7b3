// Idle processor use of the engine, as a share of one core:
//  (a) the event loop with the 100 ms activity cycle running and no modem;
//  (b) a command waiting 60 s for a reply that never comes (a
//      pseudo-terminal nobody answers on).
// Usage: bench_idle_cpu [--seconds N]
//   Without --seconds, (a) runs 30 s and (b) the whole 60 s wait; with it,
//   each part runs N seconds (a shorter wait ends by Cancel).
#include "engine/ActivityScheduler.h"
#include "base/EngineState.h"
#include "modem/ModemLink.h"
#include "base/AppPaths.h"
#include "base/Database.h"
#include "support/ScriptedPrompt.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>


// Nothing here asks; a question would be answered from the script.
static ScriptedPrompt benchPrompt;

namespace {

double processCpuSeconds()
{
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return double(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
           double(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

struct Measure {
    QElapsedTimer wall;
    double cpuStart = 0;
    void start()
    {
        cpuStart = processCpuSeconds();
        wall.start();
    }
    // CPU seconds, wall seconds.
    std::pair<double, double> stop() const
    {
        return {processCpuSeconds() - cpuStart, double(wall.nsecsElapsed()) / 1e9};
    }
};

void runEventLoopFor(double seconds)
{
    QEventLoop loop;
    QTimer::singleShot(int(seconds * 1000), Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

int main(int argc, char** argv)
{
    double seconds = 0;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--seconds") && i + 1 < argc)
            seconds = std::atof(argv[++i]);
        else if (!std::strncmp(argv[i], "--seconds=", 10))
            seconds = std::atof(argv[i] + 10);
    }
    const double loopSeconds = seconds > 0 ? seconds : 30;
    const double waitSeconds = seconds > 0 && seconds < 60 ? seconds : 0;

    // Nothing of the user's: a throwaway data and settings folder.
    QTemporaryDir tmp;
    qputenv("XDG_CONFIG_HOME", QDir(tmp.path()).filePath("config").toLocal8Bit());
    QDir(tmp.path()).mkdir("runtime");
    QFile::setPermissions(QDir(tmp.path()).filePath("runtime"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", QDir(tmp.path()).filePath("runtime").toLocal8Bit());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    AppPaths::setAppDir(tmp.path());

    Database db;
    if (!db.open(QDir(tmp.path()).filePath("data.db"))) {
        std::fprintf(stderr, "cannot create the database: %s\n", qPrintable(db.lastError()));
        return 1;
    }

    // (a) The cycle with no modem: every tick asks for a modem start that
    // fails at once, which also counts the ticks.
    {
        EngineState st;
        ActivityScheduler scheduler(st, db, benchPrompt);
        long cycles = 0;
        st.bInitModemRequest = true;
        scheduler.steps().initialiseModem = [&] {
            ++cycles;
            st.bInitModemRequest = true;
        };
        scheduler.start();
        Measure m;
        m.start();
        runEventLoopFor(loopSeconds);
        const auto [cpu, wall] = m.stop();
        scheduler.stop();
        std::printf("(a) event loop with the 100 ms activity cycle, no modem: %.3f%% of one core "
                    "(%.3f s CPU over %.1f s, %ld cycles)\n",
                    100.0 * cpu / wall, cpu, wall, cycles);
    }

    // (b) A 60 s command on a port that never answers.
    {
        const int master = posix_openpt(O_RDWR | O_NOCTTY);
        if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
            std::fprintf(stderr, "no pseudo-terminal: %s\n", std::strerror(errno));
            return 1;
        }
        const QString slave = QString::fromLocal8Bit(ptsname(master));
        EngineState st;
        ModemLink link(st);
        if (!link.openPort(slave, 9600, QStringLiteral("None"))) {
            std::fprintf(stderr, "cannot open %s: %s\n", qPrintable(slave), qPrintable(link.port().errorString()));
            return 1;
        }
        // Shorter runs end the wait with Cancel when the time is up.
        if (waitSeconds > 0)
            QTimer::singleShot(int(waitSeconds * 1000) + ModemLink::kCommandPauseMs, Qt::PreciseTimer, &link,
                               [&link] { link.cancel(); });
        Measure m;
        m.start();
        const bool result = link.sendATCommand(QStringLiteral("AT+CSQ\r"), 60);
        const auto [cpu, wall] = m.stop();
        std::printf("(b) waiting on a 60 s command that gets no reply: %.3f%% of one core "
                    "(%.3f s CPU over %.1f s; ended by %s)\n",
                    100.0 * cpu / wall, cpu, wall, result ? "Cancel" : "time-out");
        ::close(master);
    }
    return 0;
}
