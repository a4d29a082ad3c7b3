#pragma once
// The modem reply parser: cuts received text into final results, the "> "
// send prompt, "+CMT: " and "+CDS: " indications with their PDU line, rings
// and other unsolicited lines. It knows nothing of the serial port or of
// widgets: received text goes in through feed(), the outcome of the
// exchange in hand is read from the accessors, and indications leave
// through callbacks.
//
// Text that does not yet end in CR LF stays in the buffer until the rest
// arrives, so a reply may be split into chunks anywhere; a line longer than
// kMaxLine is cut and dropped. An exchange gathers only what arrives after
// it began and up to its first outcome (a final result or the prompt).
// Everything else is not part of any reply: information lines go to
// onUnsolicited, and a final result or prompt that belongs to no exchange
// is counted as a stray, which tells the link that it may be out of step
// with the modem.
#include <QString>
#include <functional>

class ReplyParser {
public:
    enum class ErrorKind { None, Cms, Cme };

    // A line (or an indication) longer than this is dropped.
    static constexpr int kMaxLine = 4096;
    // The gathered reply of one exchange keeps at most this much; further
    // lines are dropped.
    static constexpr int kMaxReply = 64 * 1024;

    // An indication handler may feed more text (a nested event loop); the
    // text is then parsed by the pass already running.
    std::function<void(const QString& header, const QString& pdu)> onCmt;
    std::function<void(const QString& header, const QString& pdu)> onStatusReport;
    std::function<void()> onRing;
    // An information line that belongs to no reply ("+CREG: 1", "+CMTI: ...",
    // or any line between exchanges), without its CR LF.
    std::function<void(const QString& line)> onUnsolicited;

    // Starts an exchange for the command about to be written: clears the
    // outcome, the error number and the reply. Text already received came
    // before the command and is not part of its reply. A line of the reply
    // that carries the command's own prefix ("+CREG: " for "AT+CREG?") is
    // kept even where it would otherwise be taken for an unsolicited one.
    void beginExchange(const QString& command = QString());
    // Ends the exchange in hand without an outcome (it timed out or was
    // cancelled): what arrives from now on belongs to no exchange.
    void endExchange() { inExchange_ = false; }

    // Appends received text and parses as far as complete lines allow.
    void feed(const QString& chunk);

    // Modem family: with 3 a "+CPIN: " line is an ordinary reply line that
    // waits for its "OK"; otherwise it is a final result by itself.
    void setModemMake(int make) { modemMake_ = make; }
    int modemMake() const { return modemMake_; }

    bool gotOK() const { return gotOK_; }
    bool gotError() const { return gotError_; }
    bool gotPrompt() const { return gotPrompt_; }
    // A final result (OK, ERROR, "+CPIN: ", "+CMS ERROR: ", "+CME ERROR:")
    // was seen since the exchange began.
    bool finalSeen() const { return finalSeen_; }
    // The exchange has its outcome: a final result or the prompt.
    bool outcomeSeen() const { return finalSeen_ || gotPrompt_; }
    int modemError() const { return modemError_; }
    ErrorKind errorKind() const { return errorKind_; }
    // The reply of the exchange: the text before its "OK" (with the leading
    // and trailing CR LF of its lines), or the "+CPIN: " line itself.
    const QString& modemReply() const { return modemReply_; }

    // Received text not parsed yet (an incomplete line).
    QString rxBuffer() const { return rxBuffer_.mid(pos_); }
    // The reply lines gathered so far by the exchange in hand.
    const QString& response() const { return response_; }
    // The last "+CMT: " or "+CDS: " header and PDU line (header, CR LF, PDU).
    const QString& cmtData() const { return cmtData_; }

    // Counters that only grow: every final result and prompt parsed, in an
    // exchange or not; every "+CMGS: " line (a message the modem confirmed);
    // every line dropped for its length or for a full reply.
    int outcomeCount() const { return outcomeCount_; }
    bool lastOutcomeWasOk() const { return lastOutcomeOk_; }
    int submitConfirmations() const { return submitConfirmations_; }
    int droppedLines() const { return droppedLines_; }
    // Final results and prompts that belonged to no exchange since the last
    // clearStrays().
    int strays() const { return strays_; }
    void clearStrays() { strays_ = 0; }

    // Forgets everything, as after a restart.
    void reset();

private:
    enum class Line { Info, Ok, Error, Cpin, Cms, Cme };

    void parse();
    // Each returns false when its text is not complete yet.
    // start: where the prefix begins, at the start of a line.
    bool handleIndication(int start, const QString& prefix, bool cmt);
    bool handleLine();
    void handlePrompt();
    void dispatch(const QString& unit, const QString& content, bool inExchange);
    void takeOutcome(Line kind, const QString& unit, const QString& content);
    void noteStray(bool ok);
    bool isUnsolicited(const QString& content) const;
    // The next CR LF at or after from, remembering how far a failed search
    // got so that a long line arriving in pieces is not searched again.
    int findCrLf(int from);
    void compact();

    QString rxBuffer_;
    int pos_ = 0;            // start of the unparsed text in rxBuffer_
    int staleUntil_ = 0;     // text before this position came before the exchange
    bool discarding_ = false; // dropping the rest of a line that was too long
    int memoFrom_ = -1, memoScan_ = 0;

    QString response_;
    QString modemReply_;
    QString cmtData_;
    QString ownPrefix_;      // "+CREG:" for "AT+CREG?"
    bool inExchange_ = false;
    bool gotOK_ = false;
    bool gotError_ = false;
    bool gotPrompt_ = false;
    bool finalSeen_ = false;
    bool parsing_ = false;
    // The "OK" that follows a "+CPIN: " status taken as the final result.
    bool trailingOkAllowed_ = false;
    int modemError_ = 0;
    ErrorKind errorKind_ = ErrorKind::None;
    int modemMake_ = 2;

    int outcomeCount_ = 0;
    bool lastOutcomeOk_ = false;
    int submitConfirmations_ = 0;
    int droppedLines_ = 0;
    int strays_ = 0;
};
