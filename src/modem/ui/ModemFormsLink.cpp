// The start-up forms over the program's modem link. Kept apart from
// ModemForms.cpp so that code using the forms with another channel does not
// need the serial link.
#include "modem/ui/ModemForms.h"

#include "modem/ModemLink.h"
#include "modem/ModemLinkPort.h"

void installModemForms(ActivityScheduler& scheduler, ModemLink& link, QWidget* parent,
                       const ModemFormOptions& options)
{
    installModemForms(scheduler, link, std::make_shared<ModemLinkPort>(link), parent, options);
}
