#include "app/AppController.h"

#include "compose/ui/ComposeWiring.h"
#include "editor/ui/EditorWiring.h"
#include "mainwindow/MainWindow.h"
#include "modem/ui/ModemForms.h"
#include "modem/ModemLink.h"
#include "modem/OutboxQueue.h"
#include "modem/OutboxSender.h"
#include "modem/Reception.h"
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
#include "engine/EngineWiring.h"
#include "security/ui/LoginWiring.h"
#include "addressbook/ui/AddressBookWiring.h"
#include "folders/ui/FolderWiring.h"
#include "addressbook/ui/AddressExchangeWiring.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QStringList>

AppController::AppController(Database& db, SingleInstance* instance, UserPrompt& prompt, SoundPlayer* sound,
                             QObject* parent)
    : QObject(parent), db_(db), instance_(instance), prompt_(prompt), sound_(sound ? sound : &silence_),
      modem_(std::make_unique<ModemLink>(state_)), scheduler_(state_, db, prompt)
{
    scheduler_.setChannel(modem_.get());
    // A modem that vanishes while in use (a USB modem re-enumerating, a
    // pulled cable) is brought back quietly by the cycle once it answers.
    connect(modem_.get(), &ModemLink::portLost, &scheduler_, &ActivityScheduler::modemPortLost);
    connect(&scheduler_, &ActivityScheduler::closeRequested, this, [this] {
        if (window_)
            window_->close();
        else if (requestClose())
            release();
    });
    // Every "+CMT: " the link recognises is decoded and stored at once, also
    // in the middle of another exchange.
    reception_ = std::make_unique<Reception>(db_, state_, &inboxBlock_);
    connect(modem_.get(), &ModemLink::cmtReceived, reception_.get(), &Reception::DecodeIncomingPDU);

    // The Outbox: queued rows are sent by the cycle's sending step.
    outbox_ = std::make_unique<OutboxQueue>(db_, prompt_);
    sender_ = std::make_unique<OutboxSender>(state_, db_);
    installOutboxSender(scheduler_, *sender_);

    // Other programs: rows handed in through tbouttemp and the "Outbox"
    // flag, and texts submitted over HTTP.
    handIn_ = std::make_unique<HandIn>(db_, *outbox_, state_, outboxBlock_, prompt_);
    installHandIn(scheduler_, *handIn_);
    http_ = std::make_unique<HttpServer>(db_, *outbox_, state_, prompt_);

    // Received messages drive the remote services: answers, forwards and
    // commands, queued by the cycle's received-message step.
    remote_ = std::make_unique<RemoteServices>(db_, *outbox_, state_, prompt_);
    installRemoteServices(scheduler_, *remote_);

    scheduler_.steps().readOutboxFlag = [this] { return outboxBlock_.readFloat(); };

    // The ring of an incoming call reaches the user here. A failed write
    // closes the port like a vanished device: no box waits for an operator.
    connect(modem_.get(), &ModemLink::ringReceived, this,
            [this] { sound_->playWave(QStringLiteral("phonering.wav")); });
}

AppController::~AppController() { release(); }

MainWindow* AppController::window() const { return window_.data(); }

QString AppController::modemLog() { return modem_->commLog(); }

void AppController::load(bool show)
{
    // 1-4: initial state; the load clears the modem and SIM requests but
    // leaves the Inbox and Outbox requests as they are.
    state_.sngModemMake = 2;
    state_.iSignalPollTicks = 0;
    state_.iRoutingPollTicks = 0;
    state_.sngMsgReference = 0;
    state_.bModemConnected = false;
    state_.bInitModemRequest = false;
    state_.bResetModemRequest = false;
    state_.bSIMReadRequest = state_.bSIMClearRequest = state_.bSIMEditRequest = false;
    state_.bSIMAddRequest = state_.bSIMDeleteRequest = state_.bSIMExportRequest = false;
    state_.bNewMsgAlert = false;
    state_.bGotCMT = false;
    state_.bOutboxPaused = true;
    state_.sCurrentFolder = QStringLiteral("Inbox");

    if (!window_) {
        window_ = new MainWindow(*this);
        connect(&scheduler_, &ActivityScheduler::outboxPausedChanged, window_, &MainWindow::setOutboxCaption);
        connect(&scheduler_, &ActivityScheduler::signalRangeChanged, window_->signalBar(), &QProgressBar::setMaximum);
        connect(&scheduler_, &ActivityScheduler::signalValueChanged, window_->signalBar(), &QProgressBar::setValue);
        connect(&scheduler_, &ActivityScheduler::statusText, window_->statusLabel(), &QLabel::setText);
        // The modal progress forms that the cycle opens: detection,
        // initialisation, reset and SIM set-up.
        installModemForms(scheduler_, *modem_, window_);
        installSimPhonebook(*window_, *this, scheduler_, *modem_);
        connect(reception_.get(), &Reception::messageStored, window_,
                [w = window_.data()](qint64 code, const QDateTime& when, const QString& name,
                                     const QString& number, int type, int requestType) {
                    // Remote requests are served, not listed as new mail.
                    if (requestType == 0)
                        w->messageStored(code, when, name, number, type);
                });
        connect(outbox_.get(), &OutboxQueue::rowAdded, window_, &MainWindow::outboxRowAdded);
        connect(remote_.get(), &RemoteServices::markedRead, window_, &MainWindow::markedRead);
        connect(sender_.get(), &OutboxSender::rowSending, window_, &MainWindow::outboxRowSending);
        connect(sender_.get(), &OutboxSender::rowWaiting, window_, &MainWindow::outboxRowWaiting);
        connect(sender_.get(), &OutboxSender::rowLogged, window_,
                [w = window_.data()](qint64 oldCode, qint64 newCode, const QString& status, const QString&,
                                     const QString&, int) { w->outboxRowLogged(oldCode, newCode, status); });
        connect(sender_.get(), &OutboxSender::statusText, window_->messageIdLabel(), &QLabel::setText);
        installCompose(*window_, *this, *outbox_);
        installEditor(*window_, *this);
        installLoginAndTray(*window_, *this);
        installAddressBook(*window_, *this);
        installFolderActions(*window_, *this, *sender_);
        addrx::installAddressExchange(*window_, *this);
        installRingtonePlayer(*window_, *this);
        installCannedMessages(*window_, *this);
    }

    // 6-7: the two shared-memory blocks; a failure is reported and the load
    // goes on without that block. A block another user could write is not
    // used; one warning names every such block.
    QStringList untrusted;
    switch (outboxBlock_.create(outboxFlagName_)) {
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
    switch (inboxBlock_.create(inboxFlagName_)) {
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
        sender_->recoverInterruptedSends();
        window_->populate();
    }

    // 10: settings into the engine. Values that do not parse read as their
    // defaults, so nothing here can stop the load.
    readSettings();

    if (show)
        window_->show();

    // 13: the activity cycle runs from here on.
    scheduler_.start();
}

void AppController::readSettings()
{
    state_.sHaveModem = Settings::text(QStringLiteral("SettingHaveModem"));
    if (Settings::haveModem() != 0)
        state_.bInitModemRequest = true;
    else
        state_.bDetectModemRequest = true;
    state_.iStartHTTP = Settings::startHttp();
    state_.iHTTPPort = Settings::httpPort();
    // A port in use is reported by a Warning and the load goes on.
    if (state_.iStartHTTP == 1)
        StartHTTPServer(*http_, state_.iHTTPPort);
    state_.iAutoRespond = Settings::autoRespond();
    state_.sAutoRespondText = Settings::autoRespondText();
    state_.sRemotePhoneNo = Settings::remotePhoneNo();
    state_.sAutoFwdGroup = Settings::autoForwardGroup();
    state_.sGroupSendGroup = Settings::groupSendGroup();
    state_.sAreaCode = Settings::areaCode();
    state_.sOpCode = Settings::opCode();
    if (Settings::appPath() != AppPaths::appDir())
        Settings::save(QStringLiteral("SettingAppPath"), AppPaths::appDir());
    state_.iAudibleAlert = Settings::audible();
}

bool AppController::requestClose()
{
    state_.bClosePending = true;
    if (state_.bActivityBusy)
        return false;
    return true;
}

void AppController::closeSharedMemory()
{
    outboxBlock_.close();
    inboxBlock_.close();
}

void AppController::release()
{
    if (released_)
        return;
    released_ = true;
    scheduler_.stop();
    http_->stop();
    db_.close();
    modem_->closePort();
    closeSharedMemory();
    if (instance_)
        instance_->release();
    emit finished();
}
