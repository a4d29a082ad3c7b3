#include "modem/ModemStart.h"

#include "modem/SerialPorts.h"

#include "modem/AtChannel.h"
#include "base/EngineState.h"
#include "base/Settings.h"
#include "base/UserPrompt.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QRegularExpression>
#include <QSerialPortInfo>
#include <QTimer>
#include <algorithm>

namespace {

// "/dev/ttyUSB10" -> ("/dev/ttyUSB", 10), so ttyS2 sorts before ttyS10.
std::pair<QString, qint64> portSortKey(const QString& path)
{
    int i = int(path.size());
    while (i > 0 && path.at(i - 1).isDigit())
        --i;
    if (i == path.size())
        return {path, -1};
    return {path.left(i), path.mid(i).toLongLong()};
}

} // namespace

QStringList candidateModemPorts()
{
    QStringList ports;
    auto add = [&ports](const QString& raw) {
        const QString path = raw.trimmed();
        if (!path.isEmpty() && !ports.contains(path))
            ports.append(path);
    };
    const QString extra = qEnvironmentVariable("VELQUARIN_SCAN_PORTS");
    for (const QString& path : extra.split(QLatin1Char(':'), Qt::SkipEmptyParts))
        add(path);

    QStringList system;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        system.append(info.systemLocation());
    std::sort(system.begin(), system.end(), [](const QString& a, const QString& b) {
        return portSortKey(a) < portSortKey(b);
    });
    for (const QString& path : system)
        add(path);
    return ports;
}

// ---------------------------------------------------------------------------

ModemStartTask::ModemStartTask(EngineState& state, AtChannel& channel, ModemPort& port, UserPrompt& prompt,
                               const ModemStartTiming& timing)
    : st_(state), at_(channel), port_(port), prompt_(prompt), timing_(timing)
{
}

void ModemStartTask::cancel()
{
    st_.bCancelled = true;
    port_.cancelWait();
    if (pauseLoop_)
        pauseLoop_->quit();
}

bool ModemStartTask::cancelled() const { return st_.bCancelled || wasCancelled_; }

ModemStartTask::Run::Run(ModemStartTask& task) : task_(task)
{
    task_.st_.bCancelled = false;
    task_.wasCancelled_ = false;
}

ModemStartTask::Run::~Run()
{
    task_.wasCancelled_ = task_.st_.bCancelled;
    task_.st_.bCancelled = false;
}

bool ModemStartTask::pause(int ms)
{
    const QDeadlineTimer deadline(ms);
    while (!st_.bCancelled && !deadline.hasExpired()) {
        QEventLoop loop;
        QTimer::singleShot(int(qMax<qint64>(deadline.remainingTime(), 0)), &loop, &QEventLoop::quit);
        pauseLoop_ = &loop;
        loop.exec();
        pauseLoop_ = nullptr;
    }
    return !st_.bCancelled;
}

bool ModemStartTask::send(const QString& line, double timeoutSec)
{
    if (st_.bCancelled)
        return false;
    // Cancel ends the wait "successfully"; here it counts as a stop.
    return at_.sendATCommand(line, timeoutSec) && !st_.bCancelled;
}

// ---------------------------------------------------------------------------

bool ModemDetector::run(const QStringList& ports)
{
    const Run run(*this);
    accepted_.clear();
    bool touchedPort = false;
    QStringList unopened;
    for (int i = 0; i < ports.size() && accepted_.isEmpty() && !st_.bCancelled; ++i) {
        const QString& path = ports.at(i);
        if (onPort)
            onPort(i + 1, int(ports.size()), path);
        // Whatever was open is closed now: there is no connected modem until
        // one is accepted and started again.
        port_.closePort();
        touchedPort = true;
        st_.bModemConnected = false;
        if (!port_.openPort(path, Settings::baudRate(), Settings::handshake())) {
            const QString why = port_.openError();
            unopened.append(why.isEmpty() ? path : why);
            continue;
        }
        if (!probe(path))
            continue;
        accepted_ = path;
    }
    if (accepted_.isEmpty()) {
        // Leave nothing open on a device that was not accepted as a modem.
        if (touchedPort) {
            port_.closePort();
            st_.bModemConnected = false;
        }
        // Ports that could not even be opened are named with their reason:
        // a modem behind a missing permission is the usual first-start case.
        prompt_.warning(unopened.isEmpty()
                            ? QStringLiteral("Unable to detect any modem.")
                            : QStringLiteral("Unable to detect any modem.\n\nThese ports could not be opened:\n") +
                                  unopened.join(QLatin1Char('\n')));
        return false;
    }
    // Stored by its stable name when it has one: a USB modem may come back
    // under another number after a reset or a replug.
    Settings::save(QStringLiteral("SettingComPort"), serialports::storedNameFor(accepted_));
    Settings::save(QStringLiteral("SettingHaveModem"), QStringLiteral("1"));
    st_.sHaveModem = QStringLiteral("1");
    st_.bInitModemRequest = true;
    return true;
}

bool ModemDetector::probe(const QString& path)
{
    if (!pause(timing_.scanSettleMs) || !pause(timing_.scanSettle2Ms))
        return false;
    if (!send(QStringLiteral("ATE0\r"), timing_.scanProbeSec))
        return false;
    if (!send(QStringLiteral("AT+CGMI\r"), timing_.scanProbeSec))
        return false;
    QString maker = at_.modemReply();
    maker.remove(QLatin1Char('\r'));
    maker.remove(QLatin1Char('\n'));
    const QString question =
        QStringLiteral("Detected %1 in %2.\r\nUse this modem?").arg(maker, path);
    return prompt_.show(UserPrompt::Icon::Question, QStringLiteral("Modem Detected..."),
                                       question, UserPrompt::Buttons::YesNo) == UserPrompt::Answer::Yes;
}

// ---------------------------------------------------------------------------

bool ModemInitialiser::run()
{
    const Run run(*this);
    st_.bModemInitOK = false;
    const QString path = Settings::comPort();
    const int baud = Settings::baudRate();
    const QString handshake = Settings::handshake();
    st_.sAreaCode = Settings::areaCode();
    st_.sOpCode = Settings::opCode();

    port_.closePort();
    if (!port_.openPort(path, baud, handshake)) {
        const QString why = port_.openError();
        prompt_.error(why.isEmpty() ? QStringLiteral("Unable to Initialise Modem")
                                    : QStringLiteral("Unable to Initialise Modem\n\n") + why);
        return false;
    }
    // No echo, verbose result codes, no automatic answer: asked again each
    // second until the modem answers or the user gives up.
    while (!st_.bCancelled) {
        if (send(QStringLiteral("ATE0V1S0=0\r"), timing_.initCommandSec)) {
            st_.bModemInitOK = true;
            break;
        }
        if (!pause(timing_.initRetryMs))
            break;
    }
    return st_.bModemInitOK;
}

// ---------------------------------------------------------------------------

bool ModemResetter::run()
{
    const Run run(*this);
    st_.bModemInitOK = false;
    // The modem may be the reason for the reset: a port that went away is
    // opened again before anything is said about it.
    if (!at_.isOpen())
        port_.openPort(Settings::comPort(), Settings::baudRate(), Settings::handshake());
    if (!at_.isOpen() || !send(QStringLiteral("AT+CFUN=1,1\r"), timing_.resetCommandSec)) {
        if (!st_.bCancelled)
            prompt_.error(QStringLiteral("Unable to reset modem."));
    } else {
        pause(timing_.resetRestartMs);
    }
    st_.bModemInitOK = !st_.bCancelled;
    return st_.bModemInitOK;
}

// ---------------------------------------------------------------------------

namespace {

// Asks nobody: a code request only marks that the operator is needed.
class NoPinAsker : public PinAsker {
public:
    std::optional<PinEntry> askPin(const QString&) override
    {
        asked = true;
        return std::nullopt;
    }
    bool asked = false;
};

} // namespace

ModemReconnector::Outcome ModemReconnector::run()
{
    const Run run(*this);
    st_.bModemInitOK = false;
    st_.bSIMReady = false;
    port_.closePort();
    if (!port_.openPort(Settings::comPort(), Settings::baudRate(), Settings::handshake()))
        return Outcome::NotYet;
    if (!send(QStringLiteral("ATE0V1S0=0\r"), timing_.initCommandSec)) {
        port_.closePort();
        return Outcome::NotYet;
    }
    st_.bModemInitOK = true;
    NoPinAsker pins;
    SimSetup setup(st_, at_, port_, prompt_, pins, timing_);
    const SimSetup::Pass pass = setup.runPass();
    if (pass == SimSetup::Pass::Ready)
        return Outcome::Connected;
    if (pins.asked)
        return Outcome::NeedsOperator;
    port_.closePort();
    return Outcome::NotYet;
}

// ---------------------------------------------------------------------------

SimSetup::SimSetup(EngineState& state, AtChannel& channel, ModemPort& port, UserPrompt& prompt, PinAsker& pins,
                   const ModemStartTiming& timing)
    : ModemStartTask(state, channel, port, prompt, timing), pins_(pins)
{
}

QString SimSetup::codeKind(const QString& reply)
{
    if (reply.contains(QLatin1String("SIM PIN")))
        return QStringLiteral("PIN");
    if (reply.contains(QLatin1String("SIM PUK")))
        return QStringLiteral("PUK");
    return {};
}

bool SimSetup::ensureSetting(const QString& query, const QString& expected, const QString& set,
                             double setTimeoutSec, bool& changed)
{
    if (!send(query, 8))
        return false;
    if (at_.modemReply().contains(expected))
        return true;
    if (!send(set, setTimeoutSec))
        return false;
    changed = true;
    return true;
}

SimSetup::Pass SimSetup::runPass()
{
    ++passes_;
    auto stopped = [this] { return st_.bCancelled ? Pass::Cancelled : Pass::Failed; };
    if (onStatus)
        onStatus(QStringLiteral("Detecting SIM Card..."));

    // The modem family: one maker does not end "AT+CPIN?" with "+CPIN: ".
    if (send(QStringLiteral("AT+CGMI\r"), 8) && at_.modemReply().contains(QLatin1String("SIEMENS")))
        st_.sngModemMake = 3;
    if (st_.bCancelled)
        return Pass::Cancelled;

    if (!send(QStringLiteral("AT+CPIN?\r"), 8))
        return stopped();
    QString kind = codeKind(at_.modemReply());
    while (!kind.isEmpty()) {
        const std::optional<PinEntry> entry = pins_.askPin(kind);
        if (!entry) {
            // Cancel in the code dialog gives up the set-up, as Cancel on
            // the progress form does.
            cancel();
            return Pass::Cancelled;
        }
        const QString command = kind == QLatin1String("PUK")
                                    ? QStringLiteral("AT+CPIN=%1,%2\r").arg(entry->code, entry->newPin)
                                    : QStringLiteral("AT+CPIN=%1\r").arg(entry->code);
        if (send(command, 8))
            break;
        if (st_.bCancelled)
            return Pass::Cancelled;
        prompt_.warning(QStringLiteral("Incorrect %1. Please do not exceed 3 tries.").arg(kind));
        // The SIM may want something else now: after the third wrong PIN it
        // asks for the PUK.
        if (!send(QStringLiteral("AT+CPIN?\r"), 8))
            return stopped();
        kind = codeKind(at_.modemReply());
    }

    if (!send(QStringLiteral("AT+CPBS=\"SM\"\r"), 8))
        return stopped();
    bool changed = false;
    if (!ensureSetting(QStringLiteral("AT+CSMS?\r"), QStringLiteral("+CSMS: 1"),
                       QStringLiteral("AT+CSMS=1\r"), 4, changed))
        return stopped();
    if (!ensureSetting(QStringLiteral("AT+CNMI?\r"), QStringLiteral("+CNMI: 2,2,0"),
                       QStringLiteral("AT+CNMI=2,2,0\r"), 4, changed))
        return stopped();
    if (!ensureSetting(QStringLiteral("AT+CMGF?\r"), QStringLiteral("+CMGF: 0"),
                       QStringLiteral("AT+CMGF=0\r"), 8, changed))
        return stopped();
    if (changed && !send(QStringLiteral("AT&W\r"), 8))
        return stopped();
    st_.bSIMReady = true;
    return Pass::Ready;
}

bool SimSetup::run()
{
    const Run run(*this);
    st_.bSIMReady = false;
    passes_ = 0;
    for (;;) {
        const Pass pass = runPass();
        if (pass != Pass::Failed)
            return pass == Pass::Ready;
        if (!pause(timing_.simRetryMs))
            return false;
    }
}
