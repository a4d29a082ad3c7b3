#pragma once
// A simulated GSM modem on a pseudo-terminal, for tests and the demo.
//
// SimModem owns one pty. The code under test opens the pty's slave (or the
// symlink SimModem makes to it) like any serial port; SimModem answers on the
// master side from the Qt event loop of the same process (a socket notifier
// on the master), so an in-process test needs no threads: every wait that
// runs the event loop (testenv::waitUntil, a QEventLoop inside the code
// under test) lets the modem read, answer and inject.
//
// It behaves like a real GSM modem speaking AT commands in PDU mode: echo on
// at power-up until "ATE0"; verbose replies framed by CR LF; "OK", "ERROR",
// "+CME ERROR: n", "+CMS ERROR: n"; a SIM with PIN/PUK and try counters; a
// restart with a silent period; the message service settings with a saved
// profile; signal quality; sending with the "> " prompt and a PDU ended by
// Ctrl-Z; acknowledgement of delivered messages; a SIM phonebook. On top of
// that the test controls timing (delays, replies split into chunks),
// scripted faults for the Nth occurrence of a command, unsolicited results
// at any moment, and reads back everything that crossed the line, including
// each SMS-SUBMIT decoded by the reference codec in support/Tpdu.h.
//
// Commands understood (a line starts with "AT", ends with CR; basic
// commands may be chained as in "ATE0V1S0=0", extended ones with ';'):
//   AT  ATE<n> ATV<n> ATQ<n> ATS<n>=<v> ATS<n>? ATZ AT&F AT&W ATI ATH
//   AT&C AT&D AT&K (accepted)
//   AT+CGMI AT+CGMM AT+CGMR AT+CGSN AT+CFUN AT+CMEE AT+CPIN AT+CSQ
//   AT+CPBS AT+CPBR AT+CPBW AT+CSMS AT+CNMI AT+CMGF AT+CSCA AT+CMGS AT+CNMA
// in their set ("=..."), query ("?"), test ("=?") and action forms as a
// real modem has them. Anything else answers "ERROR"; a line that does not
// begin with "AT" is ignored, as modems do with line noise.
//
// Error numbers it gives: +CME ERROR: 3 (not allowed: PIN to a ready SIM,
// a phonebook other than "SM"), 11/12/13 (SIM wants its PIN / PUK / is
// blocked), 16 (wrong PIN or PUK), 20 (phonebook full), 21 (bad index),
// 22 (an empty phonebook location, after setEmptySlotError(22)), 24 (name
// too long), 26 (number too long), 27 (bad dial characters);
// +CMS ERROR: 302 (AT+CMGS in text mode), 303 (bad +CSMS/+CNMI value),
// 304 (bad length or message body), 311/316/310 (sending with a locked or
// blocked SIM), 340 (AT+CNMA with nothing to acknowledge). A quote inside a
// quoted parameter makes the line malformed: "ERROR". AT+CMEE=0 turns the
// +CME errors into plain "ERROR".
//
// Unsolicited results are written when the test injects them, whatever the
// +CNMI routing says.
//
// Usage in a test:
//
//   SimModem modem;
//   ASSERT_TRUE(modem.start(testenv::newDir("modem") + "/modem0"));
//   modem.setPin("1234");                       // SIM asks for a PIN
//   modem.addFault("AT+CMGS=", 2, SimModem::Fault::cms(500));  // 2nd AT+CMGS= fails
//   ... open modem.portPath() with QSerialPort in the code under test ...
//   ASSERT_TRUE(testenv::waitUntil([&] { return modem.submits().size() == 1; }));
//   const auto& sms = *modem.submits().first().decoded;
//   EXPECT_EQ(sms.da.number, "+447700900123");
//   EXPECT_EQ(sms.ud.text, "hellohello");
//   modem.injectCmt(tpdu::deliverText("+447700900555", "Hi"));
//   ASSERT_TRUE(testenv::waitUntil([&] { return modem.unacknowledgedCount() == 0; }));
//   EXPECT_EQ(modem.commandCount("AT+CNMA"), 1);
//
// Several SimModem objects can run at once (a detection scan over several
// ports); setSilent(true) makes one a port where nothing answers.
//
// Bytes written while no program has the slave open wait in the pty until
// one opens it (a real line would lose them); discardUnread() drops them.
#include <QByteArray>
#include <QDateTime>
#include <QElapsedTimer>
#include <QList>
#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <array>
#include <deque>
#include <optional>

#include "support/Tpdu.h"

class QSocketNotifier;

class SimModem : public QObject {
    Q_OBJECT
public:
    explicit SimModem(QObject* parent = nullptr);
    ~SimModem() override;

    // ---- The port -------------------------------------------------------------
    // Opens the pty (raw mode; the slave stays open here so the master never
    // sees a hang-up when the program under test closes and reopens the
    // port). With a link path, a symlink to the slave is made there (an old
    // symlink in its place is replaced) and removed again on destruction.
    bool start(const QString& linkPath = QString());
    bool isStarted() const { return master_ >= 0; }
    // The slave device, e.g. "/dev/pts/7".
    QString slavePath() const { return slavePath_; }
    // The path to open: the symlink when one was made, else the slave.
    QString portPath() const { return linkPath_.isEmpty() ? slavePath_ : linkPath_; }
    QString errorString() const { return error_; }
    // Drops bytes the modem wrote that nobody has read yet.
    void discardUnread();
    // Pulls the modem out: the pty goes away (a program that has it open
    // gets a read error, as with a USB modem that re-enumerates) and so
    // does the symlink. start() plugs it in again on a new pty, with the
    // same state and records.
    void unplug();
    // Plugs it in again at the path it had: a new pty, and a modem that has
    // just been powered up (echo on, the saved profile, a SIM with a PIN
    // asks for it again). False when it was never started with a path.
    bool replug();
    // Pulls the modem out now and plugs it in again after ms, from the
    // event loop.
    void unplugFor(int ms);

    // ---- Identity and behaviour ------------------------------------------------
    void setMaker(const QString& maker);            // the AT+CGMI reply; default "VELQUARIN-SIM"
    void setModel(const QString& model);            // AT+CGMM; default "GSM MODEM 900/1800"
    // A port where nothing answers: input is logged and its lines recorded,
    // nothing is echoed or replied. Injections are still written.
    void setSilent(bool silent);
    // How long the modem stays deaf after "AT+CFUN=1,1" (default 1000 ms).
    // Then echo is on again, the saved profile is loaded and a SIM with a PIN
    // asks for it again.
    void setRestartMs(int ms);
    bool isRestarting() const { return restarting_; }
    int restartCount() const { return restartCount_; }
    bool echo() const { return echo_; }
    void setEcho(bool on) { echo_ = on; }
    // "AT+CPIN?" normally ends with "OK" after the status line; some modems
    // send the status line alone.
    void setCpinFinalOk(bool on) { cpinFinalOk_ = on; }
    // A message body taken is normally answered "+CMGS: <mr>" and "OK";
    // some phones answer a bare "OK".
    void setBareOkToBodies(bool on) { bareOkToBodies_ = on; }

    // The message service settings (+CSMS service, +CNMI mode,mt,bm,ds,bfr,
    // +CMGF). At power-up and after a restart the current ones are the
    // saved ones; AT&W saves the current ones; ATZ reloads them; AT&F loads
    // the factory ones (0; 1,1,0,0,0; 0).
    struct Profile {
        int csms = 0;
        std::array<int, 5> cnmi{1, 1, 0, 0, 0};
        int cmgf = 0;
        bool operator==(const Profile&) const = default;
    };
    // Sets the saved profile and the current settings with it.
    void setSavedProfile(const Profile& profile);
    Profile savedProfile() const { return saved_; }
    Profile currentProfile() const { return current_; }

    // ---- SIM ---------------------------------------------------------------------
    enum class SimState { Ready, Pin, Puk, Blocked };
    // A non-empty PIN locks the SIM ("+CPIN: SIM PIN") now and after every
    // restart until the right PIN is given; three wrong PINs ask for the PUK
    // ("+CPIN: SIM PUK"), taken as AT+CPIN=<puk>,<newpin>; ten wrong PUKs
    // block the SIM for good. An empty PIN: the SIM is ready.
    void setPin(const QString& pin);
    void setPuk(const QString& puk);                // default "12345678"
    void setSimState(SimState state);               // e.g. start in PUK state
    SimState simState() const { return simState_; }
    QString pin() const { return pin_; }
    int pinTriesLeft() const { return pinTries_; }
    int pukTriesLeft() const { return pukTries_; }

    // ---- Radio --------------------------------------------------------------------
    // "+CSQ: <rssi>,<ber>"; 99 means not known. Default 20,0.
    void setSignalQuality(int rssi, int ber = 0);
    void setServiceCentre(const QString& number) { smsc_ = number; }   // AT+CSCA?

    // ---- SIM phonebook --------------------------------------------------------------
    struct PhonebookEntry {
        QString number;
        int type = 129;    // 145 for a number with '+'
        QString text;
    };
    void setPhonebookSize(int count);                        // default 250
    void setPhonebookLimits(int maxNumber, int maxText);    // default 40, 14
    void setPhonebookEntry(int index, const QString& number, const QString& text);
    std::optional<PhonebookEntry> phonebookEntry(int index) const;
    const QMap<int, PhonebookEntry>& phonebook() const { return phonebook_; }
    void clearPhonebook() { phonebook_.clear(); }
    // How a read of one empty location ends: 0 (the default) a plain "OK"
    // with no entry line; otherwise "+CME ERROR: <code>" (22, "not found",
    // on some modems). Ranges skip empty locations either way.
    void setEmptySlotError(int code) { pbEmptyError_ = code; }
    // "AT+CPBS?" normally gives the store with its used and total counts;
    // off, the store's name alone (as some modems answer).
    void setPhonebookCounts(bool on) { pbCounts_ = on; }

    // ---- Reply timing ----------------------------------------------------------------
    // Every reply (not echo, not injections) waits this long first (default 0).
    void setReplyDelay(int ms);
    // Each reply is written in chunks cut at these byte offsets, with gapMs
    // between the chunks; offsets past the end are ignored.
    void setReplySplit(const QList<int>& offsets, int gapMs = 0);
    // Each reply is written one byte at a time, gapMs apart.
    void setReplyByteByByte(int gapMs);
    // Back to whole replies in one write (the default).
    void setReplyWhole();

    // ---- Scripted faults ----------------------------------------------------------------
    struct Fault {
        // Unplug: the line is dropped when the command (or body) arrives; it
        // is not carried out and nothing answers.
        enum class Kind { Error, CmsError, CmeError, Silence, Custom, Delay, Unplug };
        Kind kind = Kind::Error;
        int code = 0;           // CmsError, CmeError
        QByteArray reply;       // Custom: written as given instead of the reply
        int delayMs = 0;        // Delay: the command runs, its reply comes this late
        static Fault error() { return {Kind::Error, 0, {}, 0}; }
        static Fault cms(int code) { return {Kind::CmsError, code, {}, 0}; }
        static Fault cme(int code) { return {Kind::CmeError, code, {}, 0}; }
        static Fault silence() { return {Kind::Silence, 0, {}, 0}; }
        static Fault custom(const QByteArray& bytes) { return {Kind::Custom, 0, bytes, 0}; }
        static Fault delay(int ms) { return {Kind::Delay, 0, {}, ms}; }
        static Fault unplug() { return {Kind::Unplug, 0, {}, 0}; }
    };
    // The pattern that stands for the message body after the "> " prompt.
    static const QString kPduInput;   // "<PDU>"
    // From the nth (1-based) line that starts with commandPrefix (case
    // blind; kPduInput for message bodies) after this call, for `times`
    // such lines, the fault replaces the command: it is not carried out and
    // the fault's reply is sent instead (Delay carries it out, late). Lines
    // that match several rules take the first added.
    void addFault(const QString& commandPrefix, int nth, const Fault& fault, int times = 1);
    void clearFaults() { faults_.clear(); }

    // ---- Unsolicited results ------------------------------------------------------------
    // Written at once, ahead of any reply bytes not yet written: with a
    // delayed or chunked reply in progress, this lands in its middle.
    void injectRaw(const QByteArray& bytes);
    // "\r\n+CMT: <alpha>,<tpdu length>\r\n<pdu>\r\n". The delivery waits for
    // "AT+CNMA" (see deliveries()).
    void injectCmt(const QString& pduHex, const QString& alpha = QString());
    // "\r\n+CDS: <tpdu length>\r\n<pdu>\r\n".
    void injectCds(const QString& pduHex);
    void injectRing();                            // "\r\nRING\r\n"
    void injectUrc(const QString& line);          // "\r\n<line>\r\n", e.g. "+CREG: 1"
    // Puts bytes into the next reply the modem makes, at a byte offset into
    // it; -1 puts them just before its final result ("\r\nOK\r\n", ...).
    // Several calls apply to the same next reply in order.
    void injectIntoNextReply(const QByteArray& bytes, int offset = -1);
    // The same for a "+CMT: " indication, counted as a delivery.
    void injectCmtIntoNextReply(const QString& pduHex, int offset = -1);
    static QByteArray cmtBytes(const QString& pduHex, const QString& alpha = QString());
    // Line noise: every "+CMT: " indication written from now on is led in
    // by these bytes instead of its CR LF (default "\r\n"), e.g. noise
    // with no line end of its own, before or instead of the CR LF.
    void setCmtLeadIn(const QByteArray& bytes) { cmtLeadIn_ = bytes; }

    // The demo's sample texts: the nth (counting on, repeating the texts)
    // from one sender, with the service-centre time stamp at.
    static constexpr int kSampleTexts = 4;
    static QString samplePdu(int n, const QDateTime& at);
    // When set, a new "+CMT: " waits until the previous delivery was
    // acknowledged (what the standard asks of a modem in that mode).
    // Default off: every injection is written at once.
    void setHoldCmtUntilAcked(bool hold);
    // An indication not acknowledged within ms of being written is given up
    // by the modem (its acknowledgement timer ran out) and the network
    // delivers the message again, as a new delivery. 0 (the default): the
    // modem waits for ever.
    void setRedeliverUnackedAfter(int ms);

    // The program's side of the line went away (its process ended: the port
    // closed and DTR fell). Whatever the program had written is taken in
    // first; then a command or message body it left half written is
    // dropped, what it had not read yet is discarded, and every indication
    // it had not acknowledged is given back to the network. Until the next
    // command line arrives the line counts as down: new and given-back
    // messages wait, and are then delivered again.
    void hangUp();
    bool isLineDown() const { return lineDown_; }

    // ---- What happened ---------------------------------------------------------------------
    struct Delivery {
        QString pdu;
        qint64 deliveredMs = -1;    // when written (ms since the modem started); -1 held back
        qint64 ackedMs = -1;        // when "AT+CNMA" acknowledged it; -1 not yet
        bool lost = false;          // a restart, a hang-up or the acknowledgement timer came
                                    // first: it can no longer be acknowledged
        int redeliveryOf = -1;      // a delivery again: the index of the message's first delivery
    };
    const QList<Delivery>& deliveries() const { return deliveries_; }
    // Deliveries written and not yet acknowledged.
    int unacknowledgedCount() const;

    struct SubmitRecord {
        int declaredLength = 0;     // the n of AT+CMGS=<n>
        QString pdu;                // the body as received, without Ctrl-Z
        bool accepted = false;      // answered "+CMGS: <mr>" (a fault or a bad PDU: false)
        QString error;              // why the PDU was refused
        std::optional<tpdu::Submit> decoded;
        qint64 atMs = 0;
    };
    // Every message body ended with Ctrl-Z, in order (aborted ones are not).
    const QList<SubmitRecord>& submits() const { return submits_; }
    // Accepted messages only, decoded.
    QList<tpdu::Submit> sentMessages() const;

    // Every line received in order: command lines without their CR, message
    // bodies without Ctrl-Z (an aborted body ends in ESC).
    const QStringList& commands() const { return commands_; }
    // Lines that start with prefix (case blind).
    int commandCount(const QString& prefix) const;

    struct LogEntry {
        qint64 ms = 0;          // since the modem started
        bool fromApp = false;   // true: received from the program; false: written by the modem
        QByteArray bytes;
    };
    const QList<LogEntry>& log() const { return log_; }
    QByteArray receivedBytes() const;
    QByteArray sentBytes() const;
    // Forgets commands, submits and the log (deliveries stay: the modem
    // still waits for their acknowledgements).
    void clearRecords();
    qint64 elapsedMs() const { return clock_.elapsed(); }

signals:
    // A complete command line (or message body) arrived; emitted before the
    // modem answers it, so an injection made here lands ahead of the reply.
    void commandReceived(const QString& line);
    void submitReceived(const SimModem::SubmitRecord& record);
    void bytesReceived(const QByteArray& bytes);
    void bytesSent(const QByteArray& bytes);
    void restarted();

private:
    struct Segment {
        QByteArray bytes;
        qint64 notBeforeMs = 0;
        int gapMs = 0;
        bool urgent = false;
        bool started = false;
        QList<int> cmtMarks;   // indices into deliveries_ delivered by this segment
    };
    struct FaultRule {
        QString prefix;
        int first = 1;
        int last = 1;
        int seen = 0;
        Fault fault;
    };
    struct PendingInjection {
        QByteArray bytes;
        int offset = -1;
        int delivery = -1;
    };
    enum class Final { Ok, Error, None };
    struct Result {
        QStringList info;
        Final final = Final::Ok;
        QString errorLine;    // "+CME ERROR: n" / "+CMS ERROR: n" instead of ERROR
        bool prompt = false;
        bool restart = false;
    };

    void onReadable();
    void onWritable();
    void handleInput(const QByteArray& bytes);
    void handleLine(const QByteArray& line);
    void handleBody(bool submitted);
    void execute(const QString& line, Result& r);
    bool executeBasic(const QString& body, int& i, Result& r);
    void executeExtended(const QString& cmd, Result& r);
    void cmdCpin(int kind, const QStringList& args, const QList<bool>& quoted, Result& r);
    void cmdCpbr(int kind, const QStringList& args, Result& r);
    void cmdCpbw(int kind, const QStringList& args, const QList<bool>& quoted, Result& r);
    void cmdCnmi(int kind, const QStringList& args, Result& r);
    bool simBlocks(Result& r, bool sms);
    void cmeError(Result& r, int code);
    static void cmsError(Result& r, int code);
    QByteArray format(const Result& r) const;
    QByteArray finalBytes(const QString& text, int numeric) const;
    const Fault* matchFault(const QString& line);
    void reply(QByteArray bytes, int extraDelayMs = 0);
    void enqueue(Segment seg);
    void enqueueUrgent(Segment seg);
    void pump();
    void scheduleRestart();
    void finishRestart();
    void powerUp();
    void unplugSoon();
    void deliverNextHeldCmt();
    void giveBack(int index);
    void checkAckTimers();
    bool awaitingAck() const;
    void appendLog(bool fromApp, const QByteArray& bytes);
    QString phonebookLine(int index) const;

    int master_ = -1;
    int slave_ = -1;
    QString slavePath_, linkPath_, error_;
    QString lastLinkPath_;   // where replug() plugs in again
    QSocketNotifier* readNotifier_ = nullptr;
    QSocketNotifier* writeNotifier_ = nullptr;
    QTimer pumpTimer_;
    QTimer restartTimer_;
    QElapsedTimer clock_;
    std::deque<Segment> out_;
    qint64 lastFinishMs_ = 0;
    int pumpDepth_ = 0;

    // Line state
    QByteArray line_;
    bool inBody_ = false;
    int bodyLength_ = 0;
    QByteArray body_;
    bool lastWasCr_ = false;

    // Settings
    QString maker_ = QStringLiteral("VELQUARIN-SIM");
    QString model_ = QStringLiteral("GSM MODEM 900/1800");
    QString smsc_ = QStringLiteral("+447785016005");
    bool silent_ = false;
    int restartMs_ = 1000;
    bool restarting_ = false;
    int restartCount_ = 0;
    bool echo_ = true;
    bool verbose_ = true;
    bool quiet_ = false;
    int cmee_ = 1;
    int fun_ = 1;
    QMap<int, int> sregs_;
    bool cpinFinalOk_ = true;
    bool bareOkToBodies_ = false;
    QByteArray cmtLeadIn_ = "\r\n";
    Profile saved_, current_;
    SimState simState_ = SimState::Ready;
    QString pin_, puk_ = QStringLiteral("12345678");
    int pinTries_ = 3, pukTries_ = 10;
    int rssi_ = 20, ber_ = 0;
    int pbSize_ = 250, pbMaxNumber_ = 40, pbMaxText_ = 14;
    int pbEmptyError_ = 0;
    bool pbCounts_ = true;
    QMap<int, PhonebookEntry> phonebook_;

    // Timing
    int replyDelayMs_ = 0;
    QList<int> splitOffsets_;
    bool byteByByte_ = false;
    int chunkGapMs_ = 0;

    QList<FaultRule> faults_;
    QList<PendingInjection> nextReplyInjections_;
    bool holdCmt_ = false;
    QList<int> heldCmts_;   // indices into deliveries_
    int redeliverMs_ = 0;
    QTimer ackTimer_;
    bool lineDown_ = false;

    QList<Delivery> deliveries_;
    QList<SubmitRecord> submits_;
    QStringList commands_;
    QList<LogEntry> log_;
};
