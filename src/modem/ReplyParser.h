#pragma once
// The modem reply parser: cuts received text into final results, the "> "
// send prompt, "+CMT: " indications with their PDU line, "+CDS: " headers
// and rings. It knows nothing of the serial port or of widgets: received
// text goes in through feed(), the outcome of the exchange in hand is read
// from the accessors, and indications leave through callbacks.
//
// Text that does not yet end in CR LF stays in the buffer until the rest
// arrives, so a reply may be split into chunks anywhere. The buffer and the
// gathered reply lines are kept across exchanges: text left over from one
// exchange is parsed with the next.
#include <QString>
#include <functional>

class ReplyParser {
public:
    enum class ErrorKind { None, Cms, Cme };

    // An indication handler may feed more text (a nested event loop); the
    // text is then parsed by the pass already running.
    std::function<void(const QString& header, const QString& pdu)> onCmt;
    std::function<void(const QString& header)> onStatusReport;
    std::function<void()> onRing;

    // Starts an exchange: clears the outcome flags, the error number and the
    // reply. The buffer and the gathered lines are left alone.
    void beginExchange();

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
    int modemError() const { return modemError_; }
    ErrorKind errorKind() const { return errorKind_; }
    // The reply of the exchange: the text before its "OK" (with the leading
    // and trailing CR LF of its lines), or the "+CPIN: " line itself.
    const QString& modemReply() const { return modemReply_; }

    const QString& rxBuffer() const { return rxBuffer_; }
    const QString& response() const { return response_; }
    // The last "+CMT: " header and PDU line (header, CR LF, PDU), or the
    // last "+CDS: " header line.
    const QString& cmtData() const { return cmtData_; }

    // Forgets everything, as after a restart.
    void reset();

private:
    void parse();
    void handleCmt();
    void handleStatusReport();
    void handleRing();
    void handleResponseLine();
    void checkFinalResult();
    // Records a final result; only the first of an exchange changes the
    // outcome.
    bool takeFinal();

    QString rxBuffer_;
    QString response_;
    QString modemReply_;
    QString cmtData_;
    bool gotOK_ = false;
    bool gotError_ = false;
    bool gotPrompt_ = false;
    bool finalSeen_ = false;
    bool parseMore_ = false;
    bool parsing_ = false;
    int modemError_ = 0;
    ErrorKind errorKind_ = ErrorKind::None;
    int modemMake_ = 2;
};
