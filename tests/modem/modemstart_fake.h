#pragma once
// An in-memory modem for the start-up tests: ports that open or not, each
// answered by a handler, and a small SIM model with PIN, PUK and the three
// message settings.
#include <QEventLoop>
#include <QMap>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <optional>

#include "modem/AtChannel.h"
#include "base/EngineState.h"
#include "modem/ModemStart.h"

class FakeModem : public AtChannel, public ModemPort {
public:
    enum Kind { Ok, Error, Silent };
    struct Answer {
        Kind kind;
        QString reply;
    };
    using Handler = std::function<Answer(const QString& command)>;

    explicit FakeModem(EngineState& state) : st_(state) {}

    void addPort(const QString& path, Handler handler, bool opens = true)
    {
        ports_[path] = {std::move(handler), opens};
    }
    static Handler silent()
    {
        return [](const QString&) { return Answer{Silent, {}}; };
    }

    // When set, a silent command really waits for its time-out or Cancel.
    bool blockOnSilence = false;

    bool openPort(const QString& path, int baudRate, const QString& handshake) override
    {
        openArgs = QStringLiteral("%1 %2 %3").arg(path).arg(baudRate).arg(handshake);
        if (!ports_.contains(path) || !ports_[path].opens)
            return false;
        openPath = path;
        return true;
    }
    void closePort() override { openPath.clear(); }
    void cancelWait() override
    {
        ++cancelCalls;
        if (loop_)
            loop_->quit();
    }

    bool sendATCommand(const QString& command, double timeoutSec) override
    {
        QString line = command;
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        sent << openPath + QLatin1Char(' ') + line;
        timeouts << timeoutSec;
        reply_.clear();
        if (openPath.isEmpty())
            return false;
        const Answer answer = ports_[openPath].handler(line);
        if (answer.kind == Silent && blockOnSilence && !st_.bCancelled) {
            QEventLoop loop;
            QTimer::singleShot(int(timeoutSec * 1000), &loop, &QEventLoop::quit);
            loop_ = &loop;
            loop.exec();
            loop_ = nullptr;
        }
        // As the link does: Cancel ends the wait as if the reply had come.
        if (st_.bCancelled)
            return true;
        reply_ = answer.reply;
        return answer.kind == Ok;
    }
    QString modemReply() const override { return reply_; }
    bool isOpen() const override { return !openPath.isEmpty(); }

    QStringList sent;       // "<port> <command>"
    QList<double> timeouts; // per command
    QString openPath;
    QString openArgs;       // the last open: "<path> <speed> <handshake>"
    int cancelCalls = 0;

private:
    struct Port {
        Handler handler;
        bool opens = true;
    };
    EngineState& st_;
    QMap<QString, Port> ports_;
    QString reply_;
    QEventLoop* loop_ = nullptr;
};

// A SIM behind a modem: three wrong PINs block it until the PUK and a new
// PIN are given.
struct FakeSim {
    QString maker = QStringLiteral("Generic");
    QString state = QStringLiteral("READY"); // or "SIM PIN", "SIM PUK"
    QString pin = QStringLiteral("1234");
    QString puk = QStringLiteral("87654321");
    int pinTries = 3;
    int csms = 1;
    QString cnmi = QStringLiteral("2,2,0,0,0");
    int cmgf = 0;
    int failCpbs = 0; // the next n "AT+CPBS" fail
    std::function<void(const QString&)> onCommand;

    FakeModem::Answer answer(const QString& cmd)
    {
        if (onCommand)
            onCommand(cmd);
        using A = FakeModem::Answer;
        auto ok = [](const QString& text = {}) {
            return A{FakeModem::Ok, text.isEmpty() ? QStringLiteral("\r\n") : "\r\n" + text + "\r\n"};
        };
        const A cmeError{FakeModem::Error, {}};
        if (cmd == "AT+CGMI")
            return ok(maker);
        if (cmd == "AT+CPIN?")
            return ok("+CPIN: " + state);
        if (cmd.startsWith("AT+CPIN=")) {
            const QStringList args = cmd.mid(8).split(',');
            if (state == "SIM PIN" && args.size() == 1) {
                if (args[0] == pin) {
                    state = "READY";
                    return ok();
                }
                if (--pinTries == 0)
                    state = "SIM PUK";
                return cmeError;
            }
            if (state == "SIM PUK" && args.size() == 2 && args[0] == puk) {
                pin = args[1];
                pinTries = 3;
                state = "READY";
                return ok();
            }
            return cmeError;
        }
        if (state != "READY")
            return cmeError; // SIM PIN required
        if (cmd == "AT+CPBS=\"SM\"") {
            if (failCpbs > 0) {
                --failCpbs;
                return cmeError;
            }
            return ok();
        }
        if (cmd == "AT+CSMS?")
            return ok(QStringLiteral("+CSMS: %1,1,1,1").arg(csms));
        if (cmd == "AT+CSMS=1") {
            csms = 1;
            return ok("+CSMS: 1,1,1");
        }
        if (cmd == "AT+CNMI?")
            return ok("+CNMI: " + cnmi);
        if (cmd == "AT+CNMI=2,2,0") {
            cnmi = "2,2,0,0,0";
            return ok();
        }
        if (cmd == "AT+CMGF?")
            return ok(QStringLiteral("+CMGF: %1").arg(cmgf));
        if (cmd == "AT+CMGF=0") {
            cmgf = 0;
            return ok();
        }
        if (cmd == "AT&W")
            return ok();
        return A{FakeModem::Error, {}};
    }
};

// Answers the code questions from a list; an empty list cancels.
struct ScriptedPins : PinAsker {
    QList<std::optional<PinEntry>> answers;
    QStringList asked;
    std::optional<PinEntry> askPin(const QString& kind) override
    {
        asked << kind;
        return answers.isEmpty() ? std::nullopt : answers.takeFirst();
    }
};
