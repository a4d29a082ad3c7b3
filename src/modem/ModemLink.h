#pragma once
// The serial link to the modem and the AT exchange: writes one command and
// waits on the event loop for its final result, the "> " prompt, a Cancel
// or the deadline, while the reply parser cuts incoming text into final
// results, the prompt and unsolicited indications.
#include <QDeadlineTimer>
#include <QObject>
#include <QSerialPort>
#include <QString>
#include <QStringList>

#include "modem/AtChannel.h"
#include "modem/ReplyParser.h"

class QEventLoop;
struct ModemState;

class ModemLink : public QObject, public AtChannel {
    Q_OBJECT
public:
    // The serial log keeps the newest this many characters.
    static constexpr int kLogLimit = 10000;
    // The pause before each command; it paces real modems.
    static constexpr int kCommandPauseMs = 100;

    explicit ModemLink(ModemState& state, QObject* parent = nullptr);
    ~ModemLink() override;

    // Opens the port (a device path) with the speed, 8N1 and the handshake
    // ("None", "XonXoff", "RTS", "RTSXonXoff"). False when it cannot open.
    bool openPort(const QString& path, int baudRate, const QString& handshake);
    // Why the last open failed: the port, the system's reason and what to do;
    // "" after a successful open.
    QString lastOpenError() const { return openError_; }
    void closePort();
    QString portName() const;
    QSerialPort& port();

    // The handshake names of the settings and the flow control each stands
    // for. Qt has no combined RTS and XON/XOFF mode: "RTSXonXoff" uses the
    // hardware lines. An unknown name means no flow control.
    static const QStringList& handshakeNames();
    static QSerialPort::FlowControl flowControlFor(const QString& handshake);

    // AtChannel: SendATCommand. The line is written as given (Latin-1). A
    // command on a closed port fails at once, silently.
    bool sendATCommand(const QString& command, double timeoutSec) override;
    QString modemReply() const override;
    bool isOpen() const override;
    int lastCmsError() const override;
    int lastCmeError() const override;
    // The number of the last "+CMS ERROR: " or "+CME ERROR:" (iModemError).
    int modemError() const;
    // An exchange is waiting for its outcome.
    bool isWaiting() const { return loop_ != nullptr; }

    // Cancel on a progress form: sets bCancelled, and the wait in hand ends
    // as if the reply came.
    void cancel();

    // The serial log (the newest 10000 characters).
    const QString& commLog() const;
    // The receive handler's work for one piece of received text: the log,
    // then the parser.
    void processModemInput(const QString& chunk);

    ReplyParser& parser() { return parser_; }
    const ReplyParser& parser() const { return parser_; }

signals:
    // A "+CMT: " indication with its header line and PDU line; bGotCMT is
    // already set.
    void cmtReceived(const QString& header, const QString& pdu);
    void ringReceived();
    // Writing to the port failed and the port was closed; why is the system's text.
    void linkError(const QString& why);
    void logAppended(const QString& chunk);
    // The port went away under us (a USB modem re-enumerating) and was closed.
    void portLost();

private:
    void onReadyRead();
    void onPortError(QSerialPort::SerialPortError error);
    bool waitModemReply(double timeoutSec);
    void noteOutcome();
    // The monotonic clock of the deadlines, in nanoseconds.
    static qint64 now() { return QDeadlineTimer::current(Qt::PreciseTimer).deadlineNSecs(); }

    ModemState& st_;
    QSerialPort port_;
    ReplyParser parser_;
    QString commLog_;
    QString openError_;
    QEventLoop* loop_ = nullptr;   // the wait in hand
    bool inCommand_ = false;
    bool portLostInWait_ = false;
    qint64 resultAt_ = -1;         // when the exchange's outcome arrived
    qint64 cancelAt_ = -1;         // when Cancel was pressed
};
