#pragma once
// The one way to talk to the modem: send one command and wait for its
// outcome. Implemented by ModemLink over the serial port, and by fakes in
// tests.
#include <QString>
#include <functional>

// What a command waits for.
enum class AtExpect {
    Final,  // a final result: "OK" is success
    Prompt, // "AT+CMGS=<n>": the "> " prompt for the message body
    Submit, // a message body ended by Ctrl-Z: "OK", mostly after "+CMGS: <mr>"
};

// How one exchange ended.
struct AtResult {
    enum class Kind {
        Ok,        // "OK" (or a "+CPIN: " status line that ends the reply)
        Error,     // "ERROR", "+CMS ERROR: n", "+CME ERROR: n"
        Prompt,    // the "> " prompt
        TimedOut,  // no outcome before the deadline
        Cancelled, // Cancel on the operation's form ended the wait
        PortLost,  // the port was closed or went away
    };
    enum class ErrorKind { None, Cms, Cme };

    Kind kind = Kind::TimedOut;
    // The outcome the command asked for (see AtExpect). Anything else,
    // including "OK" to "AT+CMGS=" or the prompt to another command, is not.
    bool success = false;
    ErrorKind errorKind = ErrorKind::None;
    int code = 0;         // the number of "+CMS ERROR: "/"+CME ERROR:"; 0 for "ERROR"
    QString reply;        // the text before the final result
    bool written = false; // the command reached the modem
    // A message body whose "+CMGS: " confirmation arrived after the deadline:
    // the message was sent, and is not to be sent again.
    bool late = false;

    bool ok() const { return success; }
};

// What the command line asks for: the prompt for "AT+CMGS=" with a length,
// the confirmation for a body ended by Ctrl-Z, else a final result.
AtExpect expectFor(const QString& command);

class AtChannel {
public:
    virtual ~AtChannel() = default;

    // Sends the command text as given (the caller adds the CR, or Ctrl-Z
    // after a message body) and waits up to timeoutSec for its outcome.
    // written, when given, is called once the whole command has been handed
    // to the system for the line, before the wait; it is not called when
    // the command never left. The default builds the result from
    // sendATCommand() for channels that have only that (and calls written
    // just before it).
    virtual AtResult exchange(const QString& command, double timeoutSec, const std::function<void()>& written);
    AtResult exchange(const QString& command, double timeoutSec) { return exchange(command, timeoutSec, {}); }

    // The same as a yes or no: true when exchange() gives success, and when
    // Cancel ended the wait (the caller looks at bCancelled, as every
    // progress form does).
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
// waiting. The serial link (ModemLink) does this itself before every
// command it sends; the activity cycle calls it for an indication that
// arrives while no command is sent. The flag is cleared on OK, on
// "+CMS ERROR: 340" (nothing left to acknowledge), and after three failures
// in a row, so a lost acknowledgement is not retried for ever.
struct ModemState;
void acknowledgePendingCMT(ModemState& state, AtChannel& channel);

// Whether a pending indication is acknowledged before the command: any
// command line but the acknowledgement itself; never a message body or
// the ESC that leaves a prompt.
bool acknowledgesFirst(const QString& command);
