#pragma once
// The passwords in the running program: the Change Password menu (the
// administrator check, then the change window) and the password asked
// before the windows come back from the tray. Installs the window's tray,
// alert, status light and help menu on the way.
#include "mainwindow/WindowShell.h"

WindowShell installLoginAndTray(MainWindow& window, AppCommands& app, TrayIcon* icon = nullptr);
