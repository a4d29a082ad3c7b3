#include "modem/ModemLink.h"

#include "modem/SerialPorts.h"

#include "base/EngineState.h"

#include <QEventLoop>
#include <QTimer>
#include <climits>

namespace {
constexpr qint64 kNsPerMs = 1000000;
} // namespace

ModemLink::ModemLink(ModemState& state, QObject* parent) : QObject(parent), st_(state)
{
    connect(&port_, &QSerialPort::readyRead, this, &ModemLink::onReadyRead);
    connect(&port_, &QSerialPort::errorOccurred, this, &ModemLink::onPortError);

    // bGotCMT is left to reception: an indication is acknowledged only once
    // its message is kept.
    parser_.onCmt = [this](const QString& header, const QString& pdu) {
        // An indication right behind the "OK" to "AT+CNMA" comes after it.
        noteAcknowledged();
        emit cmtReceived(header, pdu);
    };
    parser_.onRing = [this] { emit ringReceived(); };
    parser_.onUnsolicited = [this](const QString& line) { emit unsolicitedLine(line); };
}

ModemLink::~ModemLink()
{
    if (loop_)
        loop_->quit();
    port_.close();
}

const QStringList& ModemLink::handshakeNames()
{
    static const QStringList names = {QStringLiteral("None"), QStringLiteral("XonXoff"),
                                      QStringLiteral("RTS"), QStringLiteral("RTSXonXoff")};
    return names;
}

QSerialPort::FlowControl ModemLink::flowControlFor(const QString& handshake)
{
    if (handshake == QLatin1String("XonXoff"))
        return QSerialPort::SoftwareControl;
    if (handshake == QLatin1String("RTS") || handshake == QLatin1String("RTSXonXoff"))
        return QSerialPort::HardwareControl;
    return QSerialPort::NoFlowControl;
}

bool ModemLink::openPort(const QString& path, int baudRate, const QString& handshake)
{
    closePort();
    openError_.clear();
    // A stable name is followed to the device it leads to now.
    const QString device = serialports::resolveForOpen(path);
    if (device.isEmpty()) {
        openError_ = serialports::openFailureText(path, serialports::OpenFailure::Missing,
                                                  QStringLiteral("nothing is plugged in behind this name"));
        return false;
    }
    port_.setPortName(device);
    port_.setBaudRate(baudRate);
    port_.setDataBits(QSerialPort::Data8);
    port_.setParity(QSerialPort::NoParity);
    port_.setStopBits(QSerialPort::OneStop);
    port_.setFlowControl(flowControlFor(handshake));
    port_.clearError();
    parser_.reset();
    needsResync_ = false;
    if (port_.open(QIODevice::ReadWrite))
        return true;
    openError_ = serialports::openFailureText(path, serialports::classifyOpenFailure(port_.error(), device),
                                              port_.errorString());
    return false;
}

void ModemLink::closePort()
{
    if (!port_.isOpen())
        return;
    port_.close();
    // A wait on this port ends now.
    if (loop_ && lostAt_ < 0) {
        lostAt_ = now();
        loop_->quit();
    }
}

QString ModemLink::portName() const { return port_.portName(); }

QSerialPort& ModemLink::port() { return port_; }

bool ModemLink::isOpen() const { return port_.isOpen(); }

QString ModemLink::modemReply() const { return parser_.modemReply(); }

int ModemLink::modemError() const { return parser_.modemError(); }

int ModemLink::lastCmsError() const
{
    return parser_.errorKind() == ReplyParser::ErrorKind::Cms ? parser_.modemError() : 0;
}

int ModemLink::lastCmeError() const
{
    return parser_.errorKind() == ReplyParser::ErrorKind::Cme ? parser_.modemError() : 0;
}

const QString& ModemLink::commLog() const { return commLog_; }

void ModemLink::onReadyRead()
{
    while (port_.isOpen() && port_.bytesAvailable() > 0)
        processModemInput(QString::fromLatin1(port_.readAll()));
}

void ModemLink::drainPort()
{
    if (!port_.isOpen())
        return;
    // Whatever the system holds for us now is read before the line is
    // judged quiet; the event loop may not have got to it yet.
    port_.waitForReadyRead(0);
    if (port_.isOpen())
        port_.clearError();
    onReadyRead();
}

void ModemLink::processModemInput(const QString& chunk)
{
    commLog_ += chunk;
    if (commLog_.size() > kLogLimit)
        commLog_.remove(0, commLog_.size() - kLogLimit);
    emit logAppended(chunk);

    parser_.setModemMake(st_.sngModemMake);
    parser_.feed(chunk);
    if (loop_ && waitDone_ && doneAt_ < 0 && waitDone_()) {
        // The arrival time decides a race with the deadline, not the time
        // at which the wait gets to look (a nested dialog may hold it).
        doneAt_ = now();
        loop_->quit();
    }
}

void ModemLink::onPortError(QSerialPort::SerialPortError error)
{
    // The device is gone (a USB modem re-enumerating after a reset, a
    // pulled cable). Close it, so that later commands fail at once instead
    // of waiting.
    if (error == QSerialPort::ResourceError)
        losePort();
}

void ModemLink::losePort()
{
    if (!port_.isOpen())
        return;
    port_.close();
    if (loop_ && lostAt_ < 0) {
        lostAt_ = now();
        loop_->quit();
    }
    emit portLost();
}

bool ModemLink::writeRaw(const QByteArray& bytes)
{
    if (!port_.isOpen())
        return false;
    if (port_.write(bytes) < 0) {
        emit linkError(port_.errorString());
        losePort();
        return false;
    }
    return port_.isOpen();
}

void ModemLink::noteAcknowledged()
{
    if (acknowledging_ && parser_.gotOK()) {
        acknowledging_ = false;
        emit acknowledgementConfirmed();
    }
}

void ModemLink::cancel()
{
    st_.bCancelled = true;
    if (!inCommand_)
        return;
    cancelRequested_ = true;
    if (loop_ && cancelAt_ < 0) {
        cancelAt_ = now();
        loop_->quit();
    }
}

ModemLink::WaitEnd ModemLink::waitFor(const std::function<bool()>& done, qint64 deadlineNs, qint64* at)
{
    doneAt_ = cancelAt_ = lostAt_ = -1;
    if (at)
        *at = now();
    if (done && done())
        return WaitEnd::Done;
    if (cancelRequested_)
        return WaitEnd::Cancelled;
    if (!port_.isOpen())
        return WaitEnd::PortLost;

    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    // A form that raises bCancelled without calling cancel() is noticed
    // too, but only a Cancel raised while this exchange runs.
    QTimer cancelWatch;
    cancelWatch.setInterval(200);
    connect(&cancelWatch, &QTimer::timeout, this, [this] {
        if (st_.bCancelled && !cancelFlagAtStart_)
            cancel();
    });
    cancelWatch.start();

    loop_ = &loop;
    waitDone_ = done;
    while (doneAt_ < 0 && cancelAt_ < 0 && lostAt_ < 0 && now() < deadlineNs) {
        const qint64 remainingNs = deadlineNs - now();
        timer.start(int(qMin<qint64>((remainingNs + kNsPerMs - 1) / kNsPerMs, INT_MAX)));
        // -1: the application is quitting and no loop may run any more.
        if (loop.exec() < 0)
            break;
    }
    loop_ = nullptr;
    waitDone_ = nullptr;

    // Several things may have happened while a nested dialog held the
    // loop: the earliest decides. A reply that came at the deadline counts.
    qint64 when = LLONG_MAX;
    WaitEnd end = WaitEnd::TimedOut;
    auto consider = [&](qint64 t, WaitEnd e) {
        if (t >= 0 && t < when) {
            when = t;
            end = e;
        }
    };
    consider(doneAt_, WaitEnd::Done);
    consider(cancelAt_, WaitEnd::Cancelled);
    consider(lostAt_, WaitEnd::PortLost);
    if (deadlineNs < when && now() >= deadlineNs) {
        when = deadlineNs;
        end = WaitEnd::TimedOut;
    }
    if (at)
        *at = when == LLONG_MAX ? now() : when;
    return end;
}

ModemLink::WaitEnd ModemLink::resynchronise()
{
    for (int round = 0; round < kResyncRounds; ++round) {
        parser_.beginExchange(QStringLiteral("AT"));
        const int before = parser_.outcomeCount();
        // ESC leaves a "> " prompt without sending the message; outside a
        // prompt it only drops a half-typed line.
        if (!writeRaw(QByteArrayLiteral("\x1b" "AT\r")))
            return WaitEnd::PortLost;
        const qint64 roundEnd = now() + qint64(resyncAnswerMs_) * kNsPerMs;
        WaitEnd w = waitFor([&] { return parser_.outcomeCount() > before; }, roundEnd);
        if (w == WaitEnd::Cancelled || w == WaitEnd::PortLost)
            return w;
        if (w == WaitEnd::TimedOut) {
            parser_.endExchange();
            continue;
        }
        // That answer may still be one owed to an earlier command, which a
        // modem sends before it answers "AT". The "OK" after which the line
        // stays quiet is the one for this "AT".
        const qint64 talkLimit = roundEnd + qint64(resyncAnswerMs_) * kNsPerMs;
        bool quiet = false;
        while (!quiet && now() < talkLimit) {
            const int seen = parser_.outcomeCount();
            w = waitFor([&] { return parser_.outcomeCount() > seen; }, now() + kResyncQuietMs * kNsPerMs);
            if (w == WaitEnd::Cancelled || w == WaitEnd::PortLost)
                return w;
            if (w == WaitEnd::TimedOut) {
                drainPort();
                quiet = parser_.outcomeCount() == seen;
            }
        }
        if (quiet && parser_.lastOutcomeWasOk()) {
            needsResync_ = false;
            parser_.clearStrays();
            return WaitEnd::Done;
        }
    }
    return WaitEnd::TimedOut;
}

bool ModemLink::sendATCommand(const QString& command, double timeoutSec)
{
    const AtResult r = exchange(command, timeoutSec);
    return r.success || r.kind == AtResult::Kind::Cancelled;
}

AtResult ModemLink::exchange(const QString& command, double timeoutSec, const std::function<void()>& written)
{
    using Kind = AtResult::Kind;
    AtResult r;
    // One exchange at a time: a second command from inside a wait would
    // take over the outcome of the first.
    if (inCommand_) {
        qWarning("ModemLink: command refused while another exchange is waiting");
        r.kind = Kind::Error;
        return r;
    }
    if (!port_.isOpen()) {
        parser_.beginExchange();
        parser_.endExchange();
        r.kind = Kind::PortLost;
        return r;
    }
    // A kept message is acknowledged before anything else goes to the
    // modem (the acknowledgement is an exchange of its own).
    if (acknowledgesFirst(command))
        acknowledgePendingCMT(st_, *this);
    inCommand_ = true;
    cancelRequested_ = false;
    cancelFlagAtStart_ = st_.bCancelled;
    struct Ending {
        ModemLink* link;
        ~Ending()
        {
            // Cancel belongs to this exchange and ends with it.
            link->inCommand_ = false;
            link->cancelRequested_ = false;
            if (link->acknowledging_) {
                // "AT+CNMA" ended without its "OK".
                link->acknowledging_ = false;
                emit link->acknowledgementFailed();
            }
        }
    } ending{this};
    auto kindOf = [](WaitEnd w) {
        return w == WaitEnd::Cancelled ? Kind::Cancelled : w == WaitEnd::PortLost ? Kind::PortLost : Kind::TimedOut;
    };

    WaitEnd w = waitFor({}, now() + kCommandPauseMs * kNsPerMs);
    if (w == WaitEnd::Cancelled || w == WaitEnd::PortLost) {
        r.kind = kindOf(w);
        return r;
    }
    // A final result or prompt that belonged to no exchange: something is
    // owed or out of order. So is a reply to a command that timed out.
    if (parser_.strays() > 0)
        needsResync_ = true;
    if (needsResync_) {
        w = resynchronise();
        if (w != WaitEnd::Done) {
            r.kind = kindOf(w);
            return r;
        }
    }

    const AtExpect expect = expectFor(command);
    parser_.setModemMake(st_.sngModemMake);
    parser_.beginExchange(command);
    const int confirmedBefore = parser_.submitConfirmations();
    if (!writeRaw(command.toLatin1())) {
        r.kind = Kind::PortLost;
        return r;
    }
    r.written = true;
    if (command.startsWith(QLatin1String("AT+CNMA"), Qt::CaseInsensitive)) {
        acknowledging_ = true;
        emit acknowledgementSent();
    }
    // Written means handed to the system, not only to Qt's buffer: what the
    // system holds reaches the modem even if this program dies now.
    bool handedOver = !written;
    auto noteHandedOver = [&] {
        if (!handedOver && port_.isOpen() && port_.bytesToWrite() == 0) {
            handedOver = true;
            written();
        }
    };
    struct Drain {
        QMetaObject::Connection connection;
        ~Drain() { QObject::disconnect(connection); }
    } drain;
    if (written) {
        port_.flush();
        noteHandedOver();
        if (!handedOver)
            drain.connection = connect(&port_, &QSerialPort::bytesWritten, this, noteHandedOver);
    }
    const qint64 deadline = now() + qint64(timeoutSec * 1e9);
    w = waitFor([this] { return parser_.outcomeSeen(); }, deadline);

    const bool outcome = parser_.outcomeSeen();
    const bool confirmed = parser_.gotOK() && parser_.submitConfirmations() > confirmedBefore;
    r.reply = parser_.modemReply();
    if (w == WaitEnd::Done) {
        if (parser_.gotPrompt()) {
            r.kind = Kind::Prompt;
            r.success = expect == AtExpect::Prompt;
            // A modem showing the prompt takes the next line as a message.
            if (!r.success)
                needsResync_ = true;
        } else if (parser_.gotOK()) {
            r.kind = Kind::Ok;
            r.success = expect == AtExpect::Final || expect == AtExpect::Submit;
            noteAcknowledged();
        } else {
            r.kind = Kind::Error;
            r.code = parser_.modemError();
            r.errorKind = parser_.errorKind() == ReplyParser::ErrorKind::Cms   ? AtResult::ErrorKind::Cms
                          : parser_.errorKind() == ReplyParser::ErrorKind::Cme ? AtResult::ErrorKind::Cme
                                                                               : AtResult::ErrorKind::None;
        }
        return r;
    }

    r.kind = kindOf(w);
    if (w == WaitEnd::PortLost)
        return r;
    // A confirmation that came after the deadline still means the message
    // went: sending it again would send it twice.
    if (expect == AtExpect::Submit && confirmed) {
        r.kind = Kind::Ok;
        r.success = true;
        r.late = true;
        return r;
    }
    // Without its outcome the command still owes a reply; after a late
    // prompt the modem waits for a message body.
    if (!outcome || parser_.gotPrompt())
        needsResync_ = true;
    if (!outcome)
        parser_.endExchange();
    if (expect == AtExpect::Submit && w == WaitEnd::TimedOut && needsResync_) {
        // Whether the message went decides whether it may be sent again:
        // the modem answers the body before it answers "AT".
        resynchronise();
        if (parser_.submitConfirmations() > confirmedBefore) {
            r.kind = Kind::Ok;
            r.success = true;
            r.late = true;
            r.reply = parser_.modemReply();
        }
    }
    return r;
}
