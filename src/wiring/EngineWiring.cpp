#include "wiring/EngineWiring.h"

#include "engine/ActivityScheduler.h"
#include "modem/ModemStart.h"
#include "engine/OutboxSender.h"
#include "remote/HandIn.h"
#include "remote/RemoteServices.h"

void installOutboxSender(ActivityScheduler& scheduler, OutboxSender& sender)
{
    scheduler.steps().sendNextOutbox = [&scheduler, &sender] {
        sender.setChannel(scheduler.channel());
        sender.SendNextOutbox();
    };
}

void installHandIn(ActivityScheduler& scheduler, HandIn& handIn)
{
    scheduler.steps().importOutTemp = [&handIn] { handIn.importOutTemp(); };
}

void installRemoteServices(ActivityScheduler& scheduler, RemoteServices& services)
{
    ActivityScheduler::Steps& steps = scheduler.steps();
    steps.processGroupSend = [&services] { services.ProcessGroupSend(); };
    steps.processAutoForward = [&services] { services.ProcessAutoForward(); };
    steps.processUnreadCount = [&services] { services.ProcessUnreadCount(); };
    steps.processRemoteRetrieve = [&services] { services.ProcessRemoteRetrieve(); };
    steps.processAutoRespond = [&services] { services.ProcessAutoRespond(); };
}

void installModemReconnect(ActivityScheduler& scheduler, AtChannel& channel, std::shared_ptr<ModemPort> port,
                           const ModemStartTiming& timing)
{
    EngineState& st = scheduler.state();
    UserPrompt& prompt = scheduler.prompt();
    scheduler.steps().reconnectModem = [&st, &prompt, &channel, port, timing] {
        ModemReconnector task(st, channel, *port, prompt, timing);
        switch (task.run()) {
        case ModemReconnector::Outcome::Connected: return ActivityScheduler::Reconnect::Connected;
        case ModemReconnector::Outcome::NeedsOperator: return ActivityScheduler::Reconnect::NeedsOperator;
        case ModemReconnector::Outcome::NotYet: break;
        }
        return ActivityScheduler::Reconnect::NotYet;
    };
}
