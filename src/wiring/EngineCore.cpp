#include "wiring/EngineCore.h"

#include "base/AppPaths.h"
#include "base/Database.h"
#include "base/Settings.h"
#include "wiring/EngineWiring.h"
#include "modem/ModemLink.h"
#include "engine/OutboxQueue.h"
#include "engine/OutboxSender.h"
#include "engine/Reception.h"
#include "remote/HandIn.h"
#include "remote/RemoteServices.h"
#include "remote/http/HttpServer.h"

EngineCore::EngineCore(Database& db, UserPrompt& prompt, const Clock& clock, QObject* parent)
    : QObject(parent), db_(db), prompt_(prompt), clock_(clock), modem_(std::make_unique<ModemLink>(state_)),
      scheduler_(state_, db, prompt, clock)
{
    scheduler_.setChannel(modem_.get());
    // A modem that vanishes while in use (a USB modem re-enumerating, a
    // pulled cable) is brought back quietly by the cycle once it answers.
    connect(modem_.get(), &ModemLink::portLost, &scheduler_, &ActivityScheduler::modemPortLost);
    // Every "+CMT: " the link recognises is decoded and stored at once, also
    // in the middle of another exchange.
    reception_ = std::make_unique<Reception>(db_, state_, &inboxBlock_, clock_);
    connect(modem_.get(), &ModemLink::cmtReceived, reception_.get(), &Reception::DecodeIncomingPDU);
    // What the modem has surely acknowledged is no longer taken for a
    // redelivery when it comes again.
    connect(modem_.get(), &ModemLink::acknowledgementSent, reception_.get(), &Reception::acknowledgementSent);
    connect(modem_.get(), &ModemLink::acknowledgementConfirmed, reception_.get(),
            &Reception::acknowledgementConfirmed);
    connect(modem_.get(), &ModemLink::acknowledgementFailed, reception_.get(), &Reception::acknowledgementFailed);

    // The Outbox: queued rows are sent by the cycle's sending step.
    outbox_ = std::make_unique<OutboxQueue>(db_, prompt_, state_, clock_);
    sender_ = std::make_unique<OutboxSender>(state_, db_, clock_);
    installOutboxSender(scheduler_, *sender_);

    // Other programs: rows handed in through tbouttemp and the "Outbox"
    // flag, and texts submitted over HTTP.
    handIn_ = std::make_unique<HandIn>(db_, *outbox_, outboxBlock_, prompt_);
    installHandIn(scheduler_, *handIn_);
    http_ = std::make_unique<HttpServer>(db_, *outbox_, prompt_);

    // Received messages drive the remote services: answers, forwards and
    // commands, queued by the cycle's received-message step.
    remote_ = std::make_unique<RemoteServices>(db_, *outbox_, state_, prompt_, clock_);
    installRemoteServices(scheduler_, *remote_);

    scheduler_.steps().readOutboxFlag = [this] { return outboxBlock_.readFloat(); };
}

EngineCore::~EngineCore() = default;

void EngineCore::resetForLoad()
{
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
}

void EngineCore::recoverInterruptedWork() { sender_->recoverInterruptedSends(); }

void EngineCore::readSettings()
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

void EngineCore::startCycle() { scheduler_.start(); }

void EngineCore::stop()
{
    scheduler_.stop();
    http_->stop();
}
