#include "mainwindow/StatusLight.h"

#include "base/Sound.h"
#include "mainwindow/IconStore.h"
#include "mainwindow/MainWindow.h"
#include "mainwindow/TrayController.h"
#include "base/EngineState.h"

#include <QGuiApplication>

bool AlertTicker::tick(bool newMessageWaiting, int audibleAlert)
{
    if (!newMessageWaiting) {
        sngAlertTicks_ = 0;
        return false;
    }
    if (audibleAlert != 1)
        return false;
    if (++sngAlertTicks_ < kTicksPerBeep)
        return false;
    sngAlertTicks_ = 0;
    return true;
}

QString LedBlinker::tick(bool outboxPaused)
{
    bLEDOn_ = !bLEDOn_;
    return bLEDOn_ ? QStringLiteral("imgOn") : offImage(outboxPaused);
}

StatusLight::StatusLight(MainWindow& window, EngineState& state, SoundPlayer& sound, TrayController* tray)
    : QObject(&window), window_(window), st_(state), sound_(sound), tray_(tray)
{
    timInAlert_.setObjectName(QStringLiteral("timInAlert"));
    timInAlert_.setInterval(kAlertIntervalMs);
    connect(&timInAlert_, &QTimer::timeout, this, &StatusLight::alertTick);
    timLED_.setObjectName(QStringLiteral("timLED"));
    paused_ = st_.bOutboxPaused;
    timLED_.setInterval(LedBlinker::intervalMs(paused_));
    connect(&timLED_, &QTimer::timeout, this, &StatusLight::ledTick);
    connect(&window_, &MainWindow::outboxPauseShown, this, &StatusLight::setOutboxPaused);
}

void StatusLight::start()
{
    timInAlert_.start();
    timLED_.start();
}

void StatusLight::stop()
{
    timInAlert_.stop();
    timLED_.stop();
}

void StatusLight::alertTick()
{
    if (alert_.tick(st_.bNewMsgAlert, st_.iAudibleAlert))
        sound_.beep();
    window_.applyInboxWeight();
}

void StatusLight::ledTick()
{
    const QIcon icon = IconStore::statusIcon(led_.tick(paused_));
    window_.setWindowIcon(icon);
    if (tray_)
        tray_->setIcon(icon);
    // The window system is sent the new picture now: an idle program
    // otherwise leaves it in the connection's buffer until something else
    // is drawn, and the light would change two pictures at a time.
    QGuiApplication::sync();
}

void StatusLight::setOutboxPaused(bool paused)
{
    paused_ = paused;
    timLED_.setInterval(LedBlinker::intervalMs(paused));
}
