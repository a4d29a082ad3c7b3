#include "engine/EngineWiring.h"

#include "modem/ActivityScheduler.h"
#include "modem/OutboxSender.h"
#include "remote/HandIn.h"

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
