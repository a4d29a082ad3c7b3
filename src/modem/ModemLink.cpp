#include "modem/ModemLink.h"

#include "modem/SerialPorts.h"

#include "modem/EngineState.h"
#include "base/Helpers.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

ModemLink::ModemLink(ModemState& state, QObject* parent) : QObject(parent), st_(state)
{
    connect(&port_, &QSerialPort::readyRead, this, &ModemLink::onReadyRead);
    connect(&port_, &QSerialPort::errorOccurred, this, &ModemLink::onPortError);

    parser_.onCmt = [this](const QString& header, const QString& pdu) {
        // Set before the message is decoded, so that every indication is
        // acknowledged, also one that cannot be stored.
        st_.bGotCMT = true;
        emit cmtReceived(header, pdu);
    };
    parser_.onRing = [this] { emit ringReceived(); };
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
    if (port_.isOpen())
        port_.close();
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
    if (port_.open(QIODevice::ReadWrite))
        return true;
    openError_ = serialports::openFailureText(path, serialports::classifyOpenFailure(port_.error(), device),
                                              port_.errorString());
    return false;
}

void ModemLink::closePort()
{
    if (port_.isOpen())
        port_.close();
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

void ModemLink::processModemInput(const QString& chunk)
{
    commLog_ += chunk;
    if (commLog_.size() > kLogLimit)
        commLog_.remove(0, commLog_.size() - kLogLimit);
    emit logAppended(chunk);

    parser_.setModemMake(st_.sngModemMake);
    parser_.feed(chunk);
    noteOutcome();
}

void ModemLink::noteOutcome()
{
    if (!loop_ || resultAt_ >= 0)
        return;
    if (parser_.finalSeen() || parser_.gotPrompt()) {
        // The arrival time decides a race with the deadline, not the time
        // at which the wait gets to look (a nested dialog may hold it).
        resultAt_ = now();
        loop_->quit();
    }
}

void ModemLink::onPortError(QSerialPort::SerialPortError error)
{
    if (error != QSerialPort::ResourceError || !port_.isOpen())
        return;
    // The device is gone (a USB modem re-enumerating after a reset). Close
    // it, so that later commands fail at once instead of waiting.
    port_.close();
    if (loop_) {
        portLostInWait_ = true;
        loop_->quit();
    }
    emit portLost();
}

void ModemLink::cancel()
{
    st_.bCancelled = true;
    if (loop_ && cancelAt_ < 0) {
        cancelAt_ = now();
        loop_->quit();
    }
}

bool ModemLink::sendATCommand(const QString& command, double timeoutSec)
{
    // One exchange at a time: a second command from inside a wait would
    // take over the outcome of the first.
    if (inCommand_) {
        qWarning("ModemLink: command refused while another exchange is waiting");
        return false;
    }
    if (!port_.isOpen()) {
        parser_.beginExchange();
        return false;
    }
    inCommand_ = true;
    WaitMilliseconds(kCommandPauseMs);
    parser_.beginExchange();
    bool ok = false;
    if (!port_.isOpen()) {
        // The port went away during the pause.
    } else if (port_.write(command.toLatin1()) < 0) {
        const QString why = port_.errorString();
        port_.close();
        emit linkError(why);
    } else {
        ok = waitModemReply(timeoutSec);
    }
    inCommand_ = false;
    return ok;
}

bool ModemLink::waitModemReply(double timeoutSec)
{
    const QDeadlineTimer deadline(qint64(timeoutSec * 1000.0), Qt::PreciseTimer);
    const qint64 deadlineAt = deadline.deadlineNSecs();
    if (st_.bCancelled)
        return true;

    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    // A form that sets bCancelled without calling cancel() is noticed too.
    QTimer cancelWatch;
    cancelWatch.setInterval(200);
    connect(&cancelWatch, &QTimer::timeout, this, [this] {
        if (st_.bCancelled)
            cancel();
    });
    cancelWatch.start();

    resultAt_ = -1;
    cancelAt_ = -1;
    portLostInWait_ = false;
    loop_ = &loop;
    while (resultAt_ < 0 && cancelAt_ < 0 && !portLostInWait_ && !deadline.hasExpired()) {
        const qint64 remainingNs = deadline.remainingTimeNSecs();
        timer.start(int(qMin<qint64>((remainingNs + 999999) / 1000000, INT_MAX)));
        // -1: the application is quitting and no loop may run any more.
        if (loop.exec() < 0)
            break;
    }
    loop_ = nullptr;

    if (portLostInWait_ && resultAt_ < 0 && cancelAt_ < 0)
        return false;
    // OK, the prompt or Cancel give success, but only when they came before
    // the deadline; an error or the time-out give failure.
    if (cancelAt_ >= 0 && cancelAt_ <= deadlineAt)
        return true;
    if (resultAt_ >= 0 && resultAt_ <= deadlineAt)
        return parser_.gotOK() || parser_.gotPrompt();
    return false;
}
