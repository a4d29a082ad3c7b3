#pragma once
// The engine of the running program without any window: the engine state,
// the modem link, the activity cycle, the two shared-memory blocks and the
// workers the cycle drives (reception, Outbox, sender, hand-in, remote
// services, the send page), wired together. The composition root adds the
// windows on top; a program without windows (a test driver) runs it alone,
// through the same start as the program.
#include <QObject>
#include <memory>

#include "base/Clock.h"
#include "base/SharedFlagBlock.h"
#include "engine/ActivityScheduler.h"
#include "base/EngineState.h"

class Database;
class HandIn;
class HttpServer;
class ModemLink;
class OutboxQueue;
class OutboxSender;
class Reception;
class RemoteServices;
class UserPrompt;

class EngineCore : public QObject {
    Q_OBJECT
public:
    // The clock decides due times and stamps arrivals.
    EngineCore(Database& db, UserPrompt& prompt, const Clock& clock = systemClock(), QObject* parent = nullptr);
    ~EngineCore() override;

    EngineState& state() { return state_; }
    ModemLink& modem() { return *modem_; }
    ActivityScheduler& scheduler() { return scheduler_; }
    SharedFlagBlock& outboxBlock() { return outboxBlock_; }
    SharedFlagBlock& inboxBlock() { return inboxBlock_; }
    Reception& reception() { return *reception_; }
    OutboxQueue& outbox() { return *outbox_; }
    OutboxSender& sender() { return *sender_; }
    HandIn& handIn() { return *handIn_; }
    HttpServer& http() { return *http_; }
    RemoteServices& remote() { return *remote_; }

    // The state a start begins from: the modem and SIM requests cleared,
    // the Outbox paused; the Inbox and Outbox requests stay as they are.
    void resetForLoad();
    // What the last run left unfinished is settled, once the database is
    // open and before anything is shown or sent: the sends the send journal
    // holds. (The receive journal is replayed by Reception from the event
    // loop.)
    void recoverInterruptedWork();
    // The settings into the engine (and the send page started when the
    // settings ask for it). Values that do not parse read as their defaults.
    void readSettings();
    // Starts the activity cycle.
    void startCycle();
    // Stops the cycle and the send page.
    void stop();

private:
    Database& db_;
    UserPrompt& prompt_;
    const Clock& clock_;
    EngineState state_;
    std::unique_ptr<ModemLink> modem_;
    ActivityScheduler scheduler_;
    SharedFlagBlock outboxBlock_;
    SharedFlagBlock inboxBlock_;
    std::unique_ptr<Reception> reception_;
    std::unique_ptr<OutboxQueue> outbox_;
    std::unique_ptr<OutboxSender> sender_;
    std::unique_ptr<HandIn> handIn_;
    std::unique_ptr<RemoteServices> remote_;
    std::unique_ptr<HttpServer> http_;
};
