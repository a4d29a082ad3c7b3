#pragma once
// The program's modem link as the port the start-up tasks open and close.
#include "modem/ModemStart.h"

class ModemLink;

class ModemLinkPort : public ModemPort {
public:
    explicit ModemLinkPort(ModemLink& link) : link_(link) {}
    bool openPort(const QString& path, int baudRate, const QString& handshake) override;
    void closePort() override;
    void cancelWait() override;
    QString openError() const override;

private:
    ModemLink& link_;
};
