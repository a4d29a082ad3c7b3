#include "startup/Startup.h"

#include "startup/AppController.h"
#include "startup/AppPaths.h"
#include "startup/Database.h"
#include "startup/SingleInstance.h"
#include "startup/UserPrompt.h"

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

    SingleInstance instance;
    if (!instance.acquire()) {
        UserPrompt::warning(QStringLiteral("An instance of Velquarin is already running."),
                            QStringLiteral("Warning..."));
        return 0;
    }

    if (!AppPaths::seed()) {
        UserPrompt::error(QStringLiteral("Unable to create the data folder %1.").arg(AppPaths::appDir()));
        return 1;
    }
    Database& db = Database::instance();
    if (!OpenDB()) {
        UserPrompt::error(db.lastError());
        return 1;
    }

    AppController controller(db, &instance);
    controller.load();
    return app.exec();
}

} // namespace Startup
