#pragma once
// Bringing the modem up: the port scan that finds a modem, the
// initialisation of the configured port, the modem reset, and the SIM
// set-up with PIN or PUK entry. The work lives in plain classes over the AT
// channel, a port opener and a PIN asker, so it runs the same behind the
// progress forms and in tests without any window.
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

struct EngineState;
class AtChannel;
class QEventLoop;
class UserPrompt;

// Opens and closes the serial port, and ends the modem wait in hand when
// the user presses Cancel. ModemLink does this in the program.
class ModemPort {
public:
    virtual ~ModemPort() = default;
    // The path with the speed, 8N1 and the handshake ("None", "XonXoff",
    // "RTS", "RTSXonXoff"). False when the port cannot be opened.
    virtual bool openPort(const QString& path, int baudRate, const QString& handshake) = 0;
    virtual void closePort() = 0;
    // The current modem wait ends as if the reply had come.
    virtual void cancelWait() = 0;
    // Why the last openPort failed, naming the port; "" when unknown.
    virtual QString openError() const { return {}; }
};

// What the SIM asks for, and what the user typed.
struct PinEntry {
    QString code;   // the PIN, or the PUK
    QString newPin; // with a PUK: the new PIN
};

class PinAsker {
public:
    virtual ~PinAsker() = default;
    // kind is "PIN" or "PUK". Nothing when the user cancelled.
    virtual std::optional<PinEntry> askPin(const QString& kind) = 0;
};

// The waits and time-outs of the start-up. The defaults are the program's;
// tests shorten the pauses.
struct ModemStartTiming {
    // Scan: after opening a port, then the two probe commands.
    int scanSettleMs = 200;
    int scanSettle2Ms = 1000;
    double scanProbeSec = 1;
    // Initialisation: each "ATE0V1S0=0" and the pause before the next.
    double initCommandSec = 2;
    int initRetryMs = 1000;
    // Reset: "AT+CFUN=1,1", then the time the modem needs to restart.
    double resetCommandSec = 10;
    int resetRestartMs = 5000;
    // SIM set-up: the pause before a pass is run again.
    int simRetryMs = 1000;
    // Delay between showing a form and starting its work.
    int detectStartMs = 100;
    int initStartMs = 500;
    int resetStartMs = 500;
    int simStartMs = 1000;
};

// The ports a scan tries: the paths in VELQUARIN_SCAN_PORTS (colon-separated,
// in the order given; pseudo-terminals are never listed by the system), then
// the serial ports the system lists, in name order with numbers compared by
// value. No path appears twice.
QStringList candidateModemPorts();

// What the start-up tasks share: the engine state, the channel, the port,
// and Cancel.
class ModemStartTask {
public:
    ModemStartTask(EngineState& state, AtChannel& channel, ModemPort& port, UserPrompt& prompt,
                   const ModemStartTiming& timing = {});
    virtual ~ModemStartTask() = default;
    ModemStartTask(const ModemStartTask&) = delete;
    ModemStartTask& operator=(const ModemStartTask&) = delete;

    // Cancel on the progress form: sets bCancelled and ends the wait in hand
    // (a modem wait or a pause).
    void cancel();
    bool cancelled() const;

protected:
    // Runs the event loop for ms on a monotonic clock; ends early on Cancel.
    // False when cancelled.
    bool pause(int ms);
    // One command; false when it failed or Cancel was pressed.
    bool send(const QString& line, double timeoutSec);

    EngineState& st_;
    AtChannel& at_;
    ModemPort& port_;
    UserPrompt& prompt_;
    ModemStartTiming timing_;

private:
    QEventLoop* pauseLoop_ = nullptr;
};

// The port scan. Asks the user about every modem that answers and stores
// the first one accepted.
class ModemDetector : public ModemStartTask {
public:
    using ModemStartTask::ModemStartTask;
    // Called before each port is tried: 1-based position, count, path.
    std::function<void(int, int, const QString&)> onPort;

    // Clears bCancelled, scans, and reports when nothing was accepted. True
    // when a modem was accepted (its port is stored and bInitModemRequest
    // raised).
    bool run(const QStringList& ports);
    QString acceptedPort() const { return accepted_; }

private:
    bool probe(const QString& path);
    QString accepted_;
};

// Opens the configured port and puts the modem into the reply mode the
// parser needs. Sets bModemInitOK when the modem answered.
class ModemInitialiser : public ModemStartTask {
public:
    using ModemStartTask::ModemStartTask;
    bool run();
};

// Restarts the modem with "AT+CFUN=1,1" and waits for it to come back.
// bModemInitOK is set unless Cancel was pressed; the initialisation follows
// either way.
class ModemResetter : public ModemStartTask {
public:
    using ModemStartTask::ModemStartTask;
    bool run();
};

// The SIM set-up: modem family, PIN or PUK, phonebook store, message
// service, direct delivery of new messages and PDU mode. Sets bSIMReady.
class SimSetup : public ModemStartTask {
public:
    enum class Pass { Ready, Failed, Cancelled };

    SimSetup(EngineState& state, AtChannel& channel, ModemPort& port, UserPrompt& prompt, PinAsker& pins,
             const ModemStartTiming& timing = {});
    // Status bar text for the main window.
    std::function<void(const QString&)> onStatus;

    // One pass. A failed step ends it with Failed.
    Pass runPass();
    // Clears bCancelled and bSIMReady, then runs passes a pause apart until
    // one completes or Cancel is pressed. True when the SIM is ready.
    bool run();
    int passes() const { return passes_; }

private:
    // "PIN", "PUK" or empty from the reply of "AT+CPIN?".
    static QString codeKind(const QString& reply);
    bool ensureSetting(const QString& query, const QString& expected, const QString& set,
                       double setTimeoutSec, bool& changed);

    PinAsker& pins_;
    int passes_ = 0;
};
