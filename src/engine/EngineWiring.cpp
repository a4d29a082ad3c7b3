#include "engine/EngineWiring.h"

#include "modem/ActivityScheduler.h"
#include "modem/OutboxSender.h"
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
