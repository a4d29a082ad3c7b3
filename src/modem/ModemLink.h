#pragma once
// The serial link to the modem and the AT exchange: writes one command and
// waits on the event loop for its outcome, a Cancel, the loss of the port
// or the deadline, while the reply parser cuts incoming text into final
// results, the prompt and unsolicited indications.
//
// A command that timed out (or was cancelled) still owes its reply. Before
// the next command the link brings the line back in step: ESC to leave a
// prompt the modem may be showing, then "AT" until an "OK" arrives after
// which the line stays quiet; everything received meanwhile is dropped
// (indications still reach their handlers). So no late reply is ever taken
// for another command's. A message body that timed out is brought back in
// step at once: a "+CMGS: " confirmation that arrives meanwhile means the
// message was sent after all.
#include <QDeadlineTimer>
#include <QObject>
#include <QSerialPort>
#include <QString>
#include <QStringList>
#include <functional>

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
    // Bringing the line back in step: this many rounds of ESC and "AT",
    // each waiting this long for an answer; the answer is the last one when
    // the line then stays quiet this long.
    static constexpr int kResyncRounds = 3;
    static constexpr int kResyncAnswerMs = 2000;
    static constexpr int kResyncQuietMs = 250;
    // How long each round waits for its answer (kResyncAnswerMs unless set).
    void setResyncAnswerMs(int ms) { resyncAnswerMs_ = ms; }

    explicit ModemLink(ModemState& state, QObject* parent = nullptr);
    ~ModemLink() override;

    // Opens the port (a device path) with the speed, 8N1 and the handshake
    // ("None", "XonXoff", "RTS", "RTSXonXoff"). False when it cannot open.
    // A newly opened port starts in step with an empty parser.
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

    // AtChannel. The line is written as given (Latin-1). A command on a
    // closed port fails at once, silently, with PortLost. A command line
    // ("AT...") is preceded by the acknowledgement of a pending "+CMT: "
    // indication (acknowledgePendingCMT). A message body is
    // answered by its "OK" ("+CMGS: <mr>" before it is not required: some
    // phones leave it out); the line is in step when the body goes, so an
    // "OK" before the deadline is the body's.
    using AtChannel::exchange;
    AtResult exchange(const QString& command, double timeoutSec,
                      const std::function<void()>& written) override;
    // SendATCommand: true when the command got the outcome it asked for
    // (OK, the prompt for "AT+CMGS=", the confirmation for a body), or when
    // Cancel ended its wait.
    bool sendATCommand(const QString& command, double timeoutSec) override;
    QString modemReply() const override;
    bool isOpen() const override;
    int lastCmsError() const override;
    int lastCmeError() const override;
    // The number of the last "+CMS ERROR: " or "+CME ERROR:" (iModemError).
    int modemError() const;
    // The link waits: for a reply, in the pause before a command, or while
    // it brings the line back in step.
    bool isWaiting() const { return loop_ != nullptr; }
    // A reply is still owed: the next command first brings the line back in
    // step.
    bool needsResync() const { return needsResync_; }

    // Cancel on a progress form: sets bCancelled, and the exchange in hand
    // ends with Cancelled. A bCancelled raised before an exchange began is
    // not this exchange's: it does not end its wait.
    void cancel();

    // The serial log (the newest 10000 characters).
    const QString& commLog() const;
    // The receive handler's work for one piece of received text: the log,
    // then the parser.
    void processModemInput(const QString& chunk);

    ReplyParser& parser() { return parser_; }
    const ReplyParser& parser() const { return parser_; }

signals:
    // A "+CMT: " indication with its header line and PDU line. The receiver
    // raises bGotCMT once the message is kept; until then it is not
    // acknowledged.
    void cmtReceived(const QString& header, const QString& pdu);
    void ringReceived();
    // A line the modem sent of its own accord that has no handler here.
    void unsolicitedLine(const QString& line);
    // Writing to the port failed; why is the system's text. The port is
    // closed and portLost follows.
    void linkError(const QString& why);
    void logAppended(const QString& chunk);
    // "AT+CNMA" went to the modem: it acknowledges the indications received
    // before it. acknowledgementConfirmed follows as soon as the modem's
    // "OK" is read, before any indication behind it; acknowledgementFailed
    // when the exchange ends without it (an error, "+CMS ERROR: 340", no
    // answer in time, the port lost). A late "OK" is not taken for it.
    void acknowledgementSent();
    void acknowledgementConfirmed();
    void acknowledgementFailed();
    // The port went away under us (a USB modem re-enumerating, a pulled
    // cable, a write that failed) and was closed.
    void portLost();

private:
    enum class WaitEnd { Done, TimedOut, Cancelled, PortLost };

    void onReadyRead();
    void onPortError(QSerialPort::SerialPortError error);
    void losePort();
    bool writeRaw(const QByteArray& bytes);
    // Runs the event loop until done() holds, the deadline passes, Cancel or
    // the port goes. When several happened before the loop got to look, the
    // earliest wins; *at gets the time of the one that ended the wait.
    WaitEnd waitFor(const std::function<bool()>& done, qint64 deadlineNs, qint64* at = nullptr);
    // Reads whatever the port holds right now.
    void drainPort();
    // Emits acknowledgementConfirmed once "AT+CNMA" has its "OK".
    void noteAcknowledged();
    // ESC and "AT" rounds until an "OK" is the last answer for a while.
    WaitEnd resynchronise();
    // The monotonic clock of the deadlines, in nanoseconds.
    static qint64 now() { return QDeadlineTimer::current(Qt::PreciseTimer).deadlineNSecs(); }

    ModemState& st_;
    QSerialPort port_;
    ReplyParser parser_;
    QString commLog_;
    QString openError_;
    QEventLoop* loop_ = nullptr;        // the wait in hand
    std::function<bool()> waitDone_;   // what ends it
    bool inCommand_ = false;
    bool needsResync_ = false;
    bool acknowledging_ = false;       // "AT+CNMA" in hand, its "OK" not seen yet
    int resyncAnswerMs_ = kResyncAnswerMs;
    bool cancelRequested_ = false;     // Cancel for the exchange in hand
    bool cancelFlagAtStart_ = false;   // bCancelled was already up when it began
    qint64 doneAt_ = -1;               // when the awaited text arrived
    qint64 cancelAt_ = -1;             // when Cancel was pressed
    qint64 lostAt_ = -1;               // when the port went
};
