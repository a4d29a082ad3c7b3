#include "modem/ReplyParser.h"

#include <climits>

namespace {

const QString kCrLf = QStringLiteral("\r\n");
const QString kPrompt = QStringLiteral("\r\n> ");
const QString kCmt = QStringLiteral("\r\n+CMT: ");
const QString kCds = QStringLiteral("\r\n+CDS: ");
const QString kRing = QStringLiteral("\r\nRING\r\n");
const QString kOk = QStringLiteral("\r\nOK\r\n");
const QString kError = QStringLiteral("\r\nERROR\r\n");
const QString kCpin = QStringLiteral("\r\n+CPIN: ");
const QString kCms = QStringLiteral("\r\n+CMS ERROR: ");
const QString kCme = QStringLiteral("\r\n+CME ERROR:");

// The error number starts at the 13th character after the CR LF, that is
// right after "+CMS ERROR: " or after "+CME ERROR:" and one blank.
constexpr int kErrorNumberOffset = 2 + 12;

// The leading integer of a text, as a lenient numeric reading does it:
// blanks skipped, digits up to the first other character, 0 when none.
int leadingInteger(const QString& text)
{
    int i = 0;
    while (i < text.size() && (text[i] == QLatin1Char(' ') || text[i] == QLatin1Char('\t')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }
    long long value = 0;
    for (; i < text.size() && text[i].isDigit() && text[i].unicode() < 128; ++i) {
        value = qMin(value * 10 + (text[i].unicode() - '0'), 1000000LL);
    }
    if (negative)
        value = -value;
    if (value > SHRT_MAX)
        value = SHRT_MAX;
    if (value < SHRT_MIN)
        value = SHRT_MIN;
    return int(value);
}

} // namespace

void ReplyParser::beginExchange()
{
    gotOK_ = false;
    gotError_ = false;
    gotPrompt_ = false;
    finalSeen_ = false;
    modemError_ = 0;
    errorKind_ = ErrorKind::None;
    modemReply_.clear();
}

void ReplyParser::reset()
{
    beginExchange();
    rxBuffer_.clear();
    response_.clear();
    cmtData_.clear();
    parseMore_ = false;
}

void ReplyParser::feed(const QString& chunk)
{
    rxBuffer_ += chunk;
    // A handler that runs an event loop may bring more text; the pass that
    // is already running parses it.
    if (parsing_)
        return;
    parsing_ = true;
    parse();
    parsing_ = false;
}

void ReplyParser::parse()
{
    parseMore_ = true;
    while (parseMore_) {
        if (rxBuffer_.startsWith(kPrompt)) {
            gotPrompt_ = true;
            if (rxBuffer_.size() < 5) {
                rxBuffer_.clear();
                parseMore_ = false;
            } else {
                rxBuffer_.remove(0, kPrompt.size());
            }
        } else if (rxBuffer_.startsWith(kCmt)) {
            handleCmt();
        } else if (rxBuffer_.startsWith(kCds)) {
            handleStatusReport();
        } else if (rxBuffer_.startsWith(kRing)) {
            handleRing();
        } else {
            handleResponseLine();
        }
    }
}

void ReplyParser::handleCmt()
{
    const int headerEnd = rxBuffer_.indexOf(kCrLf, 2);
    const int pduEnd = headerEnd < 0 ? -1 : rxBuffer_.indexOf(kCrLf, headerEnd + 2);
    if (pduEnd < 0) {
        parseMore_ = false; // the PDU line is still on its way
        return;
    }
    const int headerStart = kCmt.size();
    const QString header = rxBuffer_.mid(headerStart, headerEnd - headerStart);
    const QString pdu = rxBuffer_.mid(headerEnd + 2, pduEnd - headerEnd - 2);
    cmtData_ = rxBuffer_.mid(headerStart, pduEnd - headerStart);
    rxBuffer_.remove(0, pduEnd + 2);
    parseMore_ = true;
    if (onCmt)
        onCmt(header, pdu);
}

void ReplyParser::handleStatusReport()
{
    const int headerEnd = rxBuffer_.indexOf(kCrLf, 2);
    if (headerEnd < 0) {
        parseMore_ = false;
        return;
    }
    const int headerStart = kCds.size();
    cmtData_ = rxBuffer_.mid(headerStart, headerEnd - headerStart);
    // Only the header goes: status reports are not used, and a PDU line
    // after it is read as an ordinary reply line.
    rxBuffer_.remove(0, headerEnd + 2);
    parseMore_ = true;
    if (onStatusReport)
        onStatusReport(cmtData_);
}

void ReplyParser::handleRing()
{
    const int end = rxBuffer_.indexOf(kCrLf, 2);
    if (end < 0) {
        parseMore_ = false;
        return;
    }
    rxBuffer_.remove(0, end + 2);
    parseMore_ = true;
    if (onRing)
        onRing();
}

void ReplyParser::handleResponseLine()
{
    const int end = rxBuffer_.indexOf(kCrLf, 2);
    if (end < 0) {
        parseMore_ = false; // an incomplete line waits for its CR LF
        return;
    }
    response_ += rxBuffer_.left(end + 2);
    rxBuffer_.remove(0, end + 2);
    checkFinalResult();
}

bool ReplyParser::takeFinal()
{
    // When a "+CPIN: " line ends the exchange, the "OK" that follows it in
    // the same reply must not overwrite the PIN status with an empty reply:
    // the first final result of an exchange decides it.
    if (finalSeen_)
        return false;
    finalSeen_ = true;
    return true;
}

void ReplyParser::checkFinalResult()
{
    int at = response_.indexOf(kOk);
    if (at >= 0) {
        if (takeFinal()) {
            modemReply_ = response_.left(at);
            gotOK_ = true;
        }
        response_.remove(0, at + kOk.size());
        parseMore_ = true;
        return;
    }

    at = response_.indexOf(kError);
    if (at >= 0) {
        if (takeFinal())
            gotError_ = true;
        response_.remove(0, at + kError.size());
        parseMore_ = true;
        return;
    }

    if (modemMake_ != 3) {
        at = response_.indexOf(kCpin);
        const int end = at < 0 ? -1 : response_.indexOf(kCrLf, at + kCpin.size());
        if (end >= 0) {
            if (takeFinal()) {
                modemReply_ = response_.mid(at + 2, end - at - 2);
                gotOK_ = true;
            }
            response_.remove(0, end + 2);
            parseMore_ = true;
            return;
        }
    }

    for (const auto& [prefix, kind] : {std::pair{kCms, ErrorKind::Cms}, std::pair{kCme, ErrorKind::Cme}}) {
        at = response_.indexOf(prefix);
        const int end = at < 0 ? -1 : response_.indexOf(kCrLf, at + 2);
        if (end < 0)
            continue;
        if (takeFinal()) {
            const int numberAt = at + kErrorNumberOffset;
            modemError_ = leadingInteger(response_.mid(numberAt, qMax(0, end - numberAt)));
            errorKind_ = kind;
            gotError_ = true;
        }
        response_.remove(0, end + 2);
        parseMore_ = true;
        return;
    }

    parseMore_ = rxBuffer_.contains(kCrLf);
}
