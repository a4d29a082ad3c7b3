#include "mainwindow/TrayController.h"

#include <QApplication>
#include <QDialog>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QWidget>

// ------------------------------------------------------------ system icon

SystemTrayIcon::SystemTrayIcon(QObject* parent)
    : TrayIcon(parent), menu_(std::make_unique<QMenu>()), tray_(new QSystemTrayIcon(this))
{
    menu_->setObjectName(QStringLiteral("mnuTray"));
    QAction* restore = menu_->addAction(QStringLiteral("&Restore"));
    restore->setObjectName(QStringLiteral("mnuTrayRestore"));
    connect(restore, &QAction::triggered, this, &TrayIcon::restoreClicked);
    tray_->setContextMenu(menu_.get());
    // Only a double click acts; a single click or the middle button does not.
    connect(tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason why) {
        if (why == QSystemTrayIcon::DoubleClick)
            emit restoreClicked();
    });
}

SystemTrayIcon::~SystemTrayIcon()
{
    tray_->setContextMenu(nullptr);
}

bool SystemTrayIcon::isAvailable() const { return QSystemTrayIcon::isSystemTrayAvailable(); }
void SystemTrayIcon::show() { tray_->show(); }
void SystemTrayIcon::hide() { tray_->hide(); }
bool SystemTrayIcon::isVisible() const { return tray_->isVisible(); }
void SystemTrayIcon::setToolTip(const QString& tip) { tray_->setToolTip(tip); }
QString SystemTrayIcon::toolTip() const { return tray_->toolTip(); }
void SystemTrayIcon::setIcon(const QIcon& icon) { tray_->setIcon(icon); }

// ------------------------------------------------------------- controller

TrayController::TrayController(QWidget* mainWindow, TrayIcon* icon, QObject* parent)
    : QObject(parent), main_(mainWindow), icon_(icon ? icon : new SystemTrayIcon(this))
{
    if (!icon_->parent())
        icon_->setParent(this);
    connect(icon_, &TrayIcon::restoreClicked, this, [this] {
        if (hidden_)
            emit restoreRequested();
    });
}

bool TrayController::minimise()
{
    if (!main_)
        return false;
    if (hidden_)
        return true;
    bool shown = false;
    if (icon_->isAvailable()) {
        icon_->setToolTip(main_->windowTitle().left(kMaxTipLength));
        icon_->setIcon(main_->windowIcon());
        icon_->show();
        shown = icon_->isVisible();
    }
    if (!shown) {
        // No way back from the tray: minimise as any window does.
        icon_->hide();
        main_->showMinimized();
        return false;
    }

    hiddenWindows_.clear();
    hiddenWindows_.append(main_);
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w == main_ || !w->isVisible())
            continue;
        // Menus, tips and the like close by themselves. A modal window may
        // be running its own event loop, which hiding would end as a Cancel.
        const Qt::WindowType type = w->windowType();
        if (type == Qt::Popup || type == Qt::ToolTip || type == Qt::SplashScreen || type == Qt::Desktop)
            continue;
        if (w->windowModality() != Qt::NonModal)
            continue;
        hiddenWindows_.append(w);
    }
    hidden_ = true;
    for (const QPointer<QWidget>& w : std::as_const(hiddenWindows_))
        if (w)
            w->hide();
    return true;
}

void TrayController::restore()
{
    if (!hidden_)
        return;
    hidden_ = false;
    // The main window first, so that the dialogs come up over it.
    for (const QPointer<QWidget>& w : std::as_const(hiddenWindows_)) {
        if (!w)
            continue; // closed while hidden
        w->show();
        w->raise();
        w->activateWindow();
    }
    hiddenWindows_.clear();
    icon_->hide();
}

QList<QWidget*> TrayController::hiddenWindows() const
{
    QList<QWidget*> out;
    for (const QPointer<QWidget>& w : hiddenWindows_)
        if (w)
            out.append(w);
    return out;
}

void TrayController::setIcon(const QIcon& icon) { icon_->setIcon(icon); }
