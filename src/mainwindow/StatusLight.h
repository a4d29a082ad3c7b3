#pragma once
// The two signals of the main window that need no modem: the new-message
// alert (the Inbox node in bold while messages are unread, and a beep every
// tenth half-second tick while a new message waits and the audible alert is
// on) and the status light (the window icon, and the tray icon with it,
// blinking between "on" and an "off" picture that tells whether the Outbox
// is active or paused; faster while paused).
#include <QIcon>
#include <QObject>
#include <QString>
#include <QTimer>

class MainWindow;
class SoundPlayer;
class TrayController;
struct EngineState;

// The counting of the alert: one call per tick; true when the beep sounds.
class AlertTicker {
public:
    static constexpr int kTicksPerBeep = 10;
    // No waiting message starts the count again; with the audible alert off
    // the count stays where it is.
    bool tick(bool newMessageWaiting, int audibleAlert);
    int ticks() const { return sngAlertTicks_; }

private:
    int sngAlertTicks_ = 0;
};

// The light: which picture each tick shows.
class LedBlinker {
public:
    static constexpr int kActiveIntervalMs = 1000;
    static constexpr int kPausedIntervalMs = 300;
    static int intervalMs(bool outboxPaused) { return outboxPaused ? kPausedIntervalMs : kActiveIntervalMs; }
    // The "off" picture: one for an active Outbox, one for a paused one.
    static QString offImage(bool outboxPaused)
    {
        return outboxPaused ? QStringLiteral("imgPauseOff") : QStringLiteral("imgActiveOff");
    }
    // Alternates: "imgOn", then the off picture, then "imgOn", ...
    QString tick(bool outboxPaused);
    bool isOn() const { return bLEDOn_; }

private:
    bool bLEDOn_ = false;
};

// The timers timInAlert (500 ms) and timLED on the main window.
class StatusLight : public QObject {
    Q_OBJECT
public:
    static constexpr int kAlertIntervalMs = 500;

    StatusLight(MainWindow& window, EngineState& state, SoundPlayer& sound, TrayController* tray = nullptr);

    void start();
    void stop();

    // One tick of each timer (the timers call them; tests too).
    void alertTick();
    void ledTick();
    // The Outbox was paused or activated: the light's pace and off picture.
    void setOutboxPaused(bool paused);

    QTimer& alertTimer() { return timInAlert_; }
    QTimer& ledTimer() { return timLED_; }
    const AlertTicker& alert() const { return alert_; }
    const LedBlinker& led() const { return led_; }

private:
    MainWindow& window_;
    EngineState& st_;
    SoundPlayer& sound_;
    TrayController* tray_;
    AlertTicker alert_;
    LedBlinker led_;
    QTimer timInAlert_;
    QTimer timLED_;
    bool paused_ = true;
};
