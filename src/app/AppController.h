#pragma once
// The running program: owns the engine state, the activity cycle, the
// shared-memory blocks and the main window, and carries out the main
// window's load and close in their fixed order.
#include <QObject>
#include <QPointer>
#include <memory>

#include "base/Sound.h"
#include "mainwindow/AppCommands.h"
#include "modem/ActivityScheduler.h"
#include "modem/EngineState.h"
#include "base/SharedFlagBlock.h"

class Database;
class MainWindow;
class ModemLink;
class Reception;
class OutboxQueue;
class OutboxSender;
class HandIn;
class RemoteServices;
class HttpServer;
class SingleInstance;
class UserPrompt;

class AppController : public QObject, public AppCommands {
    Q_OBJECT
public:
    // The prompt and the sound are the program's ways to reach the user;
    // without a sound the program is silent.
    AppController(Database& db, SingleInstance* instance, UserPrompt& prompt, SoundPlayer* sound = nullptr,
                  QObject* parent = nullptr);
    ~AppController() override;

    EngineState& state() override { return state_; }
    UserPrompt& prompt() override { return prompt_; }
    SoundPlayer& sound() override { return *sound_; }
    QString modemLog() override;
    ActivityScheduler& scheduler() { return scheduler_; }
    Database& db() override { return db_; }
    SharedFlagBlock& outboxBlock() { return outboxBlock_; }
    SharedFlagBlock& inboxBlock() { return inboxBlock_; }
    MainWindow* window() const;
    ModemLink& modem() { return *modem_; }
    Reception& reception() { return *reception_; }
    OutboxQueue& outbox() { return *outbox_; }
    OutboxSender& sender() { return *sender_; }
    HttpServer& http() { return *http_; }
    RemoteServices& remote() { return *remote_; }

    // The main window's load. Shows the window when show is true. The
    // activity timer is started last, and also after a reported error.
    void load(bool show = true);
    // The close request: true when the window may close now; false when it
    // was deferred because a cycle is running.
    bool requestClose() override;
    // Releases database, serial port, shared memory, pages and the lock, in
    // that order. Safe to call twice.
    void release() override;

    void activateOutbox() override { scheduler_.activateOutbox(); }
    void detectModem() override { scheduler_.requestDetectModem(); }
    void resetModem() override { scheduler_.requestResetModem(); }
    void closeSharedMemory();
    // The names of the two shared-memory blocks ("Outbox" and "Inbox"),
    // before load().
    void setFlagNames(const QString& outbox, const QString& inbox)
    {
        outboxFlagName_ = outbox;
        inboxFlagName_ = inbox;
    }

signals:
    void finished();

private:
    void readSettings();

    Database& db_;
    SingleInstance* instance_;
    UserPrompt& prompt_;
    SilentSound silence_;
    SoundPlayer* sound_;
    EngineState state_;
    std::unique_ptr<ModemLink> modem_;
    ActivityScheduler scheduler_;
    SharedFlagBlock outboxBlock_;
    SharedFlagBlock inboxBlock_;
    QString outboxFlagName_ = QStringLiteral("Outbox");
    QString inboxFlagName_ = QStringLiteral("Inbox");
    std::unique_ptr<Reception> reception_;
    std::unique_ptr<OutboxQueue> outbox_;
    std::unique_ptr<OutboxSender> sender_;
    std::unique_ptr<HandIn> handIn_;
    std::unique_ptr<RemoteServices> remote_;
    std::unique_ptr<HttpServer> http_;
    QPointer<MainWindow> window_;
    bool released_ = false;
};
