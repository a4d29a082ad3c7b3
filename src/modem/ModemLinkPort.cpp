#include "modem/ModemLinkPort.h"

#include "modem/ModemLink.h"

bool ModemLinkPort::openPort(const QString& path, int baudRate, const QString& handshake)
{
    return link_.openPort(path, baudRate, handshake);
}

void ModemLinkPort::closePort() { link_.closePort(); }

void ModemLinkPort::cancelWait() { link_.cancel(); }

QString ModemLinkPort::openError() const { return link_.lastOpenError(); }
