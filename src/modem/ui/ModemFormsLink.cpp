// The start-up forms over the program's modem link. Kept apart from
// ModemForms.cpp so that code using the forms with another channel does not
// need the serial link.
#include "modem/ui/ModemForms.h"

#include "modem/ModemLink.h"

bool ModemLinkPort::openPort(const QString& path, int baudRate, const QString& handshake)
{
    return link_.openPort(path, baudRate, handshake);
}

void ModemLinkPort::closePort() { link_.closePort(); }

void ModemLinkPort::cancelWait() { link_.cancel(); }

QString ModemLinkPort::openError() const { return link_.lastOpenError(); }

void installModemForms(ActivityScheduler& scheduler, ModemLink& link, QWidget* parent,
                       const ModemFormOptions& options)
{
    installModemForms(scheduler, link, std::make_shared<ModemLinkPort>(link), parent, options);
}
