#pragma once
// What the main window does around its panes: the Help menu (help, manual,
// About box), the System Log, hiding into the tray (menu entry and the
// toolbars' minimise keys), and the new-message alert with the status light.
class AppCommands;
class MainWindow;
class StatusLight;
class TrayController;
class TrayIcon;

struct WindowShell {
    TrayController* tray = nullptr;
    StatusLight* light = nullptr;
};

// Installs them on the window and starts the two timers. The tray uses
// icon when given (tests), the system's tray otherwise. Restoring from the
// tray is left to the caller (TrayController::restoreRequested).
WindowShell installWindowShell(MainWindow& window, AppCommands& app, TrayIcon* icon = nullptr);
