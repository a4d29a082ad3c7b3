#pragma once
// The one way to talk to the modem: send one command and wait for its final
// result, the "> " prompt or a cancel. Implemented by ModemLink over the
// serial port, and by fakes in tests.
#include <QString>

class AtChannel {
public:
    virtual ~AtChannel() = default;
    // Sends the command text as given (the caller adds the CR) and waits up
    // to timeoutSec. True on OK, the prompt or Cancel.
    virtual bool sendATCommand(const QString& command, double timeoutSec) = 0;
    // The reply text of the last exchange (the text before the final result).
    virtual QString modemReply() const = 0;
    virtual bool isOpen() const = 0;
    // The number of the last "+CMS ERROR: n" final result, 0 when the last
    // exchange did not end in one.
    virtual int lastCmsError() const { return 0; }
    // The same for a "+CME ERROR: n" final result.
    virtual int lastCmeError() const { return 0; }
};

// Acknowledges a pending "+CMT: " indication ("AT+CNMA", 2 s) when one is
// waiting. Every modem user calls this before its own command. The flag is
// cleared on OK, on "+CMS ERROR: 340" (nothing left to acknowledge), and
// after three failures in a row, so a lost acknowledgement is not retried
// for ever.
struct EngineState;
void acknowledgePendingCMT(EngineState& state, AtChannel& channel);
