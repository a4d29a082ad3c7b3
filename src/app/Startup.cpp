#include "app/Startup.h"

#include "app/AppController.h"
#include "base/AppPaths.h"
#include "base/Database.h"
#include "base/SingleInstance.h"
#include "controls/QtSound.h"
#include "controls/QtUserPrompt.h"
#include "controls/QtWindowServices.h"
#include "housekeeping/ui/SplashDialog.h"
#include "security/ui/LoginDialog.h"

#include <QApplication>

namespace Startup {

int run(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Velquarin"));
    QApplication::setApplicationName(QStringLiteral("Velquarin"));
    // The main window is shown after the splash and may hide in the tray:
    // the program ends by its own close, not by the last window closing.
    QApplication::setQuitOnLastWindowClosed(false);

    AppPaths::init(QApplication::arguments());

    QtUserPrompt prompt;
    QtWindowServices windows;
    QtSound sound;

    SingleInstance instance;
    if (!instance.acquire()) {
        prompt.warning(QStringLiteral("An instance of Velquarin is already running."),
                       QStringLiteral("Warning..."));
        return 0;
    }

    if (!AppPaths::seed()) {
        prompt.error(QStringLiteral("Unable to create the data folder %1.").arg(AppPaths::appDir()));
        return 1;
    }
    Database db;
    if (!db.open(AppPaths::databasePath())) {
        prompt.error(db.lastError());
        return 1;
    }

    // The login when a user password is set, then the splash with the
    // database's tidy; either may end the program here.
    if (!runStartUpLogin(db, prompt, [&instance] { instance.release(); }))
        return 0;
    if (!runSplash(db, prompt))
        return 1;

    AppController controller(db, &instance, prompt, windows, &sound);
    controller.load();
    return app.exec();
}

} // namespace Startup
