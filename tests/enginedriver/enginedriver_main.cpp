// The engine without windows, for tests that need the program as a process
// of its own (killed and started again on the same data folder).
//
//   velquarin-enginedriver --data-dir <folder> --port <serial port>
//
// Starts as the program does: the data folder is chosen and seeded, the
// database opened (created on first start), what the last run left
// unfinished settled, the settings read into the
// engine (the port given here is stored as the modem's port, and the modem
// counts as configured), and the engine is put together by EngineCore, the
// same composition the program's window sits on. The modem is initialised
// and its SIM set up by the same start-up tasks the program's progress
// forms run, with no form; a lost modem comes back by the quiet
// reconnection. Then the activity cycle runs until the process is killed.
//
// Every message box goes to stderr; questions are answered "No" (nothing
// here waits on an operator). "engine: started" on stdout when the cycle
// runs, "engine: connected" each time the modem is set up.
#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>

#include "base/AppPaths.h"
#include "base/Database.h"
#include "base/Settings.h"
#include "base/UserPrompt.h"
#include "wiring/EngineCore.h"
#include "wiring/EngineWiring.h"
#include "modem/ModemLink.h"
#include "modem/ModemLinkPort.h"
#include "modem/ModemStart.h"

namespace {

class StderrPrompt : public UserPrompt {
public:
    Answer show(Icon, const QString& title, const QString& text, Buttons buttons) override
    {
        std::fprintf(stderr, "engine: box \"%s\": %s\n", qPrintable(title), qPrintable(text));
        std::fflush(stderr);
        switch (buttons) {
        case Buttons::YesNo:
        case Buttons::YesNoCancel:
        case Buttons::YesNoCancelDefaultNo:
        case Buttons::YesNoDefaultNo: return Answer::No;
        case Buttons::OkCancel: return Answer::Cancel;
        default: return Answer::Ok;
        }
    }
};

class NoPin : public PinAsker {
public:
    std::optional<PinEntry> askPin(const QString& kind) override
    {
        std::fprintf(stderr, "engine: the SIM asks for its %s; none is given\n", qPrintable(kind));
        return std::nullopt;
    }
};

void say(const char* line)
{
    std::fprintf(stdout, "engine: %s\n", line);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Velquarin"));
    QCoreApplication::setApplicationName(QStringLiteral("Velquarin"));

    const QStringList args = QCoreApplication::arguments();
    const int portAt = int(args.indexOf(QStringLiteral("--port")));
    if (portAt < 0 || portAt + 1 >= args.size()) {
        std::fprintf(stderr, "usage: %s --data-dir <folder> --port <serial port>\n", argv[0]);
        return 2;
    }
    const QString port = args.at(portAt + 1);

    AppPaths::init(args);
    StderrPrompt prompt;
    if (!AppPaths::seed()) {
        prompt.error(QStringLiteral("Unable to create the data folder %1.").arg(AppPaths::appDir()));
        return 1;
    }
    Database db;
    if (!db.open(AppPaths::databasePath())) {
        prompt.error(db.lastError());
        return 1;
    }
    if (!Settings::save(QStringLiteral("SettingComPort"), port) ||
        !Settings::save(QStringLiteral("SettingHaveModem"), 1)) {
        prompt.error(QStringLiteral("Unable to write the settings to %1.").arg(Settings::fileName()));
        return 1;
    }

    EngineCore core(db, prompt);
    ActivityScheduler& scheduler = core.scheduler();
    ModemLink& link = core.modem();
    auto modemPort = std::make_shared<ModemLinkPort>(link);
    NoPin pins;
    EngineState& st = core.state();
    // The start-up tasks of the progress forms, without the forms.
    scheduler.steps().initialiseModem = [&st, &link, modemPort, &prompt] {
        ModemInitialiser task(st, link, *modemPort, prompt);
        task.run();
    };
    scheduler.steps().detectSim = [&st, &link, modemPort, &prompt, &pins] {
        SimSetup task(st, link, *modemPort, prompt, pins);
        if (task.run())
            say("connected");
    };
    installModemReconnect(scheduler, link, modemPort, ModemStartTiming{});
    QObject::connect(&link, &ModemLink::portLost, [] { say("port lost"); });

    core.resetForLoad();
    core.recoverInterruptedWork();
    core.readSettings();
    core.startCycle();
    say("started");
    const int rc = QCoreApplication::exec();
    core.stop();
    db.close();
    link.closePort();
    return rc;
}
