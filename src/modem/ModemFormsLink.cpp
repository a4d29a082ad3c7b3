// The start-up forms over the program's modem link. Kept apart from
// ModemForms.cpp so that code using the forms with another channel does not
// need the serial link.
#include "modem/ModemForms.h"

#include "modem/ModemLink.h"

namespace {

class ModemLinkPort : public ModemPort {
public:
    explicit ModemLinkPort(ModemLink& link) : link_(link) {}
    bool openPort(const QString& path, int baudRate, const QString& handshake) override
    {
        return link_.openPort(path, baudRate, handshake);
    }
    void closePort() override { link_.closePort(); }
    void cancelWait() override { link_.cancel(); }

private:
    ModemLink& link_;
};

} // namespace

void installModemForms(ActivityScheduler& scheduler, ModemLink& link, QWidget* parent,
                       const ModemFormOptions& options)
{
    installModemForms(scheduler, link, std::make_shared<ModemLinkPort>(link), parent, options);
}
