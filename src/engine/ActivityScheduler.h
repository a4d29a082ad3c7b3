#pragma once
// The activity cycle: every 100 ms (counted from the end of the previous
// cycle) one pass serves the request flags in their fixed order. All modem
// work of the program happens here or in the modal forms opened from here.
#include <QElapsedTimer>
#include <QObject>
#include <QList>
#include <QTimer>
#include <functional>

#include "base/Clock.h"
#include "base/EngineState.h"

class AtChannel;
class Database;
class UserPrompt;

class ActivityScheduler : public QObject {
    Q_OBJECT
public:
    // How a quiet attempt to bring a lost modem back ended.
    enum class Reconnect { Connected, NotYet, NeedsOperator };
    // The status bar while a lost modem is being brought back.
    static QString disconnectedText() { return QStringLiteral("Modem disconnected. Reconnecting..."); }
    // The status bar while no modem is connected and none is being brought
    // back: what the operator can do about it.
    static QString notConnectedText()
    {
        return QStringLiteral("No modem connected. Use Detect Modem or Reset Modem.");
    }

    // The work of other parts that a cycle calls. An empty step does nothing.
    struct Steps {
        // Modal progress forms (set bModemInitOK / bSIMReady themselves).
        std::function<void()> detectModem;
        std::function<void()> resetModem;
        std::function<void()> initialiseModem;
        std::function<void()> detectSim;
        // Opens and sets up the lost modem again without any window or box.
        std::function<Reconnect()> reconnectModem;
        // SIM phonebook requests whose work lives in the SIM forms.
        std::function<void()> simRead;
        std::function<void()> simClear;
        // The location of a new entry; 0 when none is known (the add
        // fails), below 0 when none is free (and the step has said so).
        std::function<int()> nextFreeSimIndex;
        std::function<QList<int>()> selectedSimIndices; // in list order
        std::function<void()> simExport;
        // Received-message services, in the order they run.
        std::function<void()> processGroupSend;
        std::function<void()> processAutoForward;
        std::function<void()> processUnreadCount;
        std::function<void()> processRemoteRetrieve;
        std::function<void()> processAutoRespond;
        // Hand-in by another program: reads the "Outbox" flag and imports.
        std::function<float()> readOutboxFlag;
        std::function<void()> importOutTemp;
        // Sends at most one due message.
        std::function<void()> sendNextOutbox;
    };

    // The clock decides when the next queued row is due.
    ActivityScheduler(EngineState& state, Database& db, UserPrompt& prompt, const Clock& clock = systemClock(),
                      QObject* parent = nullptr);

    void setChannel(AtChannel* channel) { channel_ = channel; }
    AtChannel* channel() const { return channel_; }
    Steps& steps() { return steps_; }
    EngineState& state() { return st_; }
    // Where the cycle and the forms it opens ask and warn.
    UserPrompt& prompt() { return prompt_; }

    // Starts the 100 ms tick (the main window's load does this last).
    void start();
    void stop();
    bool isRunning() const { return timer_.isActive(); }

    // One tick: a pending close is carried out instead of a cycle.
    void tick();
    // One cycle.
    void runActivities();
    void startModem();
    bool refreshNextOutboxDue();
    void updateSignal();
    void checkNewMsgRouting();

    // Menu handlers.
    void activateOutbox();       // pause / activate toggle
    void requestDetectModem();
    void requestResetModem();

    // The modem's port went away. Unless the start-up opened by the
    // operator is at work on it, the modem counts as disconnected, and the
    // cycle tries to bring it back quietly every reconnectIntervalMs until
    // it answers; queued rows wait meanwhile. A start-up the operator asks
    // for meanwhile runs as always.
    void modemPortLost();
    bool isReconnecting() const { return reconnecting_; }
    void setReconnectInterval(int ms) { reconnectIntervalMs_ = ms; }
    static constexpr int kReconnectIntervalMs = 3000;

signals:
    void closeRequested();                 // the deferred close is due
    void outboxPausedChanged(bool paused); // caption, status light
    void signalRangeChanged(int maximum);
    void signalValueChanged(int value);
    void simEntryUpdated(int index, const QString& name, const QString& number);
    void simEntryAdded(int index, const QString& name, const QString& number);
    void simEntryRemoved(int index);
    void simListChanged();                 // heading count to refresh
    void statusText(const QString& text);

private:
    void pauseOutbox();
    void tryReconnect();
    // Says in the status bar that no modem is connected, once until the
    // next start-up step.
    void showNotConnected();
    void serveSimRequests();
    bool writeSimEntry(int index);

    EngineState& st_;
    Database& db_;
    UserPrompt& prompt_;
    const Clock& clock_;
    AtChannel* channel_ = nullptr;
    Steps steps_;
    QTimer timer_;
    bool reconnecting_ = false;
    bool handInSwept_ = false;   // the first connected cycle imported what tbouttemp held
    bool inStartUp_ = false;     // detection, start-up or a reconnection at work
    bool notConnectedShown_ = false;
    QElapsedTimer sinceReconnectTry_;
    int reconnectIntervalMs_ = kReconnectIntervalMs;
};
