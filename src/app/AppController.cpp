#include "app/AppController.h"

#include "compose/ui/ComposeWiring.h"
#include "editor/ui/EditorWiring.h"
#include "mainwindow/MainWindow.h"
#include "modem/ui/ModemForms.h"
#include "modem/ModemLink.h"
#include "engine/OutboxQueue.h"
#include "engine/OutboxSender.h"
#include "engine/Reception.h"
#include "remote/HandIn.h"
#include "remote/RemoteServices.h"
#include "remote/http/HttpServer.h"
#include "sim/ui/SimWiring.h"
#include "media/ui/PlayerWiring.h"
#include "compose/ui/CannedWiring.h"
#include "base/AppPaths.h"
#include "base/Database.h"
#include "base/Settings.h"
#include "base/SingleInstance.h"
#include "base/UserPrompt.h"
#include "wiring/EngineWiring.h"
#include "security/ui/LoginWiring.h"
#include "addressbook/ui/AddressBookWiring.h"
#include "reading/ui/ReadingWiring.h"
#include "folders/ui/FolderWiring.h"
#include "addressbook/ui/AddressExchangeWiring.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QStringList>

AppController::AppController(Database& db, SingleInstance* instance, UserPrompt& prompt, WindowServices& windows,
                             SoundPlayer* sound, QObject* parent)
    : QObject(parent), db_(db), instance_(instance), prompt_(prompt), windows_(windows),
      sound_(sound ? sound : &silence_),
      core_(db, prompt)
{
    // The engine (link, cycle, reception, Outbox, sender, hand-in, remote
    // services, send page) is wired in EngineCore; the windows and the
    // sound are added here.
    connect(&core_.scheduler(), &ActivityScheduler::closeRequested, this, [this] {
        if (window_)
            window_->close();
        else if (requestClose())
            release();
    });

    // The ring of an incoming call reaches the user here. A failed write
    // closes the port like a vanished device: no box waits for an operator.
    connect(&core_.modem(), &ModemLink::ringReceived, this,
            [this] { sound_->playWave(QStringLiteral("phonering.wav")); });
}

AppController::~AppController()
{
    release();
    // The window and its timers hold on to this controller and its state:
    // they go with it, not later.
    delete window_.data();
}

MainWindow* AppController::window() const { return window_.data(); }

QString AppController::modemLog() { return core_.modem().commLog(); }

void AppController::load(bool show)
{
    // 1-4: initial state; the load clears the modem and SIM requests but
    // leaves the Inbox and Outbox requests as they are.
    core_.resetForLoad();
    ActivityScheduler& scheduler = core_.scheduler();

    if (!window_) {
        window_ = new MainWindow(*this);
        connect(&scheduler, &ActivityScheduler::outboxPausedChanged, window_, &MainWindow::setOutboxCaption);
        connect(&scheduler, &ActivityScheduler::signalRangeChanged, window_->signalBar(), &QProgressBar::setMaximum);
        connect(&scheduler, &ActivityScheduler::signalValueChanged, window_->signalBar(), &QProgressBar::setValue);
        connect(&scheduler, &ActivityScheduler::statusText, window_->statusLabel(), &QLabel::setText);
        // The modal progress forms that the cycle opens: detection,
        // initialisation, reset and SIM set-up.
        installModemForms(scheduler, core_.modem(), window_);
        installSimPhonebook(*window_, *this, scheduler, core_.modem());
        connect(&core_.reception(), &Reception::messageStored, window_,
                [w = window_.data()](qint64 code, const QDateTime& when, const QString& name,
                                     const QString& number, int type, int requestType) {
                    // Remote requests are served, not listed as new mail.
                    if (requestType == 0)
                        w->messageStored(code, when, name, number, type);
                });
        connect(&core_.outbox(), &OutboxQueue::rowAdded, window_, &MainWindow::outboxRowAdded);
        connect(&core_.remote(), &RemoteServices::markedRead, window_, &MainWindow::markedRead);
        connect(&core_.sender(), &OutboxSender::rowSending, window_, &MainWindow::outboxRowSending);
        connect(&core_.sender(), &OutboxSender::rowWaiting, window_, &MainWindow::outboxRowWaiting);
        connect(&core_.sender(), &OutboxSender::rowLogged, window_,
                [w = window_.data()](qint64 oldCode, qint64 newCode, const QString& status, const QString&,
                                     const QString&, int) { w->outboxRowLogged(oldCode, newCode, status); });
        connect(&core_.sender(), &OutboxSender::statusText, window_->messageIdLabel(), &QLabel::setText);
        installCompose(*window_, *this, core_.outbox());
        installEditor(*window_, *this);
        installLoginAndTray(*window_, *this);
        installAddressBook(*window_, *this);
        installFolderActions(*window_, *this, core_.outbox());
        addrx::installAddressExchange(*window_, *this);
        installRingtonePlayer(*window_, *this);
        installReading(*window_, *this);
        installCannedMessages(*window_, *this);
    }

    // 6-7: the two shared-memory blocks; a failure is reported and the load
    // goes on without that block. A block another user could write is not
    // used; one warning names every such block.
    QStringList untrusted;
    switch (core_.outboxBlock().create(outboxFlagName_)) {
    case SharedFlagBlock::Result::CreateFailed:
        prompt_.error(QStringLiteral("Can't create shared memory for OutQueue."));
        break;
    case SharedFlagBlock::Result::MapFailed:
        prompt_.error(QStringLiteral("Can't map shared memory for Outbox."));
        break;
    case SharedFlagBlock::Result::NotTrusted:
        untrusted << SharedFlagBlock::objectName(outboxFlagName_);
        break;
    case SharedFlagBlock::Result::Ok: break;
    }
    switch (core_.inboxBlock().create(inboxFlagName_)) {
    case SharedFlagBlock::Result::CreateFailed:
        prompt_.error(QStringLiteral("Can't create shared memory for Inbox."));
        break;
    case SharedFlagBlock::Result::MapFailed:
        prompt_.error(QStringLiteral("Can't map shared memory for InQueue."));
        break;
    case SharedFlagBlock::Result::NotTrusted:
        untrusted << SharedFlagBlock::objectName(inboxFlagName_);
        break;
    case SharedFlagBlock::Result::Ok: break;
    }
    if (!untrusted.isEmpty())
        prompt_.warning(QStringLiteral("The shared memory \"%1\" is not used: it belongs to another user or other "
                                       "users may write to it.\nVelquarin runs without the hand-in of messages by "
                                       "other programs.")
                            .arg(untrusted.join(QStringLiteral("\" and \""))));

    // 8-9: database, folder tree and Inbox list.
    if (!db_.isOpen() && !db_.open(AppPaths::databasePath())) {
        prompt_.error(db_.lastError() + QLatin1Char('\n'));
    } else {
        // Sends the last session left unfinished are settled from the send
        // journal before the Outbox is shown or anything is sent.
        core_.recoverInterruptedWork();
        window_->populate();
    }

    // 10: settings into the engine. Values that do not parse read as their
    // defaults, so nothing here can stop the load.
    core_.readSettings();

    if (show)
        window_->show();

    // 13: the activity cycle runs from here on.
    core_.startCycle();
}

bool AppController::requestClose()
{
    core_.state().bClosePending = true;
    if (core_.state().bActivityBusy)
        return false;
    return true;
}

void AppController::closeSharedMemory()
{
    core_.outboxBlock().close();
    core_.inboxBlock().close();
}

void AppController::release()
{
    if (released_)
        return;
    released_ = true;
    core_.stop();
    db_.close();
    core_.modem().closePort();
    closeSharedMemory();
    if (instance_)
        instance_->release();
    emit finished();
}
