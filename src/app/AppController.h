#pragma once
// The running program: owns the engine state, the activity cycle, the
// shared-memory blocks and the main window, and carries out the main
// window's load and close in their fixed order.
#include <QObject>
#include <QPointer>
#include <memory>

#include "base/Sound.h"
#include "wiring/EngineCore.h"
#include "mainwindow/AppCommands.h"
#include "engine/ActivityScheduler.h"
#include "base/EngineState.h"
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
class WindowServices;

class AppController : public QObject, public AppCommands {
    Q_OBJECT
public:
    // The prompt, the window services and the sound are the program's ways
    // to reach the user; without a sound the program is silent.
    AppController(Database& db, SingleInstance* instance, UserPrompt& prompt, WindowServices& windows,
                  SoundPlayer* sound = nullptr, QObject* parent = nullptr);
    ~AppController() override;

    EngineState& state() override { return core_.state(); }
    UserPrompt& prompt() override { return prompt_; }
    WindowServices& windows() override { return windows_; }
    SoundPlayer& sound() override { return *sound_; }
    QString modemLog() override;
    ActivityScheduler& scheduler() { return core_.scheduler(); }
    Database& db() override { return db_; }
    SharedFlagBlock& outboxBlock() { return core_.outboxBlock(); }
    SharedFlagBlock& inboxBlock() { return core_.inboxBlock(); }
    MainWindow* window() const;
    EngineCore& core() { return core_; }
    ModemLink& modem() { return core_.modem(); }
    Reception& reception() { return core_.reception(); }
    OutboxQueue& outbox() { return core_.outbox(); }
    OutboxSender& sender() { return core_.sender(); }
    HttpServer& http() { return core_.http(); }
    RemoteServices& remote() { return core_.remote(); }

    // The main window's load. Shows the window when show is true. The
    // activity timer is started last, and also after a reported error.
    void load(bool show = true);
    // The close request: true when the window may close now; false when it
    // was deferred because a cycle is running.
    bool requestClose() override;
    // Releases database, serial port, shared memory, pages and the lock, in
    // that order. Safe to call twice.
    void release() override;

    void activateOutbox() override { core_.scheduler().activateOutbox(); }
    void detectModem() override { core_.scheduler().requestDetectModem(); }
    void resetModem() override { core_.scheduler().requestResetModem(); }
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
    Database& db_;
    SingleInstance* instance_;
    UserPrompt& prompt_;
    WindowServices& windows_;
    SilentSound silence_;
    SoundPlayer* sound_;
    EngineCore core_;
    QString outboxFlagName_ = QStringLiteral("Outbox");
    QString inboxFlagName_ = QStringLiteral("Inbox");
    QPointer<MainWindow> window_;
    bool released_ = false;
};
