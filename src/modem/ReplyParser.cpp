#include "modem/ReplyParser.h"

#include <QStringView>
#include <climits>

namespace {

const QString kCrLf = QStringLiteral("\r\n");
const QString kPrompt = QStringLiteral("\r\n> ");
const QString kCmt = QStringLiteral("+CMT: ");
const QString kCds = QStringLiteral("+CDS: ");
const QString kRing = QStringLiteral("RING\r\n");

// What a modem never puts into a line of its own: control characters
// (line ends among them) and bytes outside printable ASCII. Line noise is
// made of them.
bool isNoise(QChar c) { return c.unicode() < 0x20 || c.unicode() >= 0x7F; }

// The error number starts right after "+CMS ERROR: ", or after
// "+CME ERROR:" and one blank.
constexpr int kErrorNumberOffset = 12;

// Lines a modem sends of its own accord. One that carries the prefix of the
// command in hand is that command's reply.
const QLatin1String kUnsolicitedPrefixes[] = {
    QLatin1String("+CMTI:"), QLatin1String("+CDSI:"), QLatin1String("+CBM:"),  QLatin1String("+CBMI:"),
    QLatin1String("+CREG:"), QLatin1String("+CGREG:"), QLatin1String("+CEREG:"), QLatin1String("+CUSD:"),
    QLatin1String("+CRING:"), QLatin1String("+CLIP:"), QLatin1String("+CCWA:"), QLatin1String("+CIEV:"),
    QLatin1String("+CSSI:"), QLatin1String("+CSSU:"), QLatin1String("+CMT:"),  QLatin1String("+CDS:"),
};

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

// "+CREG:" for "AT+CREG?", "AT+CREG=1" or "at+creg"; empty for a basic command.
QString ownPrefixOf(const QString& command)
{
    if (!command.startsWith(QLatin1String("AT+"), Qt::CaseInsensitive))
        return {};
    int end = 3;
    while (end < command.size() && command.at(end).isLetterOrNumber())
        ++end;
    return QLatin1Char('+') + command.mid(3, end - 3).toUpper() + QLatin1Char(':');
}

} // namespace

void ReplyParser::beginExchange(const QString& command)
{
    gotOK_ = false;
    gotError_ = false;
    gotPrompt_ = false;
    finalSeen_ = false;
    modemError_ = 0;
    errorKind_ = ErrorKind::None;
    modemReply_.clear();
    response_.clear();
    ownPrefix_ = ownPrefixOf(command);
    trailingOkAllowed_ = false;
    inExchange_ = true;
    // Whatever is already here was sent before the command.
    staleUntil_ = int(rxBuffer_.size());
}

void ReplyParser::reset()
{
    beginExchange();
    inExchange_ = false;
    rxBuffer_.clear();
    pos_ = 0;
    staleUntil_ = 0;
    discarding_ = false;
    memoFrom_ = -1;
    cmtData_.clear();
    outcomeCount_ = 0;
    lastOutcomeOk_ = false;
    submitConfirmations_ = 0;
    droppedLines_ = 0;
    strays_ = 0;
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

int ReplyParser::findCrLf(int from)
{
    int start = from;
    if (memoFrom_ == from && memoScan_ > start)
        start = memoScan_;
    const int at = int(rxBuffer_.indexOf(kCrLf, start));
    if (at < 0) {
        // A CR at the very end may still get its LF.
        memoFrom_ = from;
        memoScan_ = qMax(from, int(rxBuffer_.size()) - 1);
    }
    return at;
}

void ReplyParser::compact()
{
    if (pos_ == 0)
        return;
    rxBuffer_.remove(0, pos_);
    staleUntil_ = qMax(0, staleUntil_ - pos_);
    if (memoFrom_ >= 0) {
        memoFrom_ -= pos_;
        memoScan_ -= pos_;
        if (memoFrom_ < 0)
            memoFrom_ = -1;
    }
    pos_ = 0;
}

void ReplyParser::parse()
{
    for (;;) {
        if (discarding_) {
            const int end = findCrLf(pos_);
            if (end < 0) {
                pos_ = int(rxBuffer_.size()) - (rxBuffer_.endsWith(QLatin1Char('\r')) ? 1 : 0);
                break;
            }
            pos_ = end + 2;
            discarding_ = false;
            continue;
        }
        if (pos_ >= rxBuffer_.size())
            break;
        const QStringView rest = QStringView(rxBuffer_).mid(pos_);
        // An indication starts a line: after the CR LF the modem puts before
        // it, or after a line end, or after noise that has no line end of
        // its own (or that took the indication's CR LF as its own). Text of
        // a line that is not noise (a reply, a PDU) never starts one.
        int lineStart = pos_;
        while (lineStart < rxBuffer_.size() && isNoise(rxBuffer_.at(lineStart)))
            ++lineStart;
        const QStringView head = QStringView(rxBuffer_).mid(lineStart);
        if (rest.startsWith(kPrompt)) {
            pos_ += int(kPrompt.size());
            handlePrompt();
        } else if (head.startsWith(kCmt)) {
            if (!handleIndication(lineStart, kCmt, true))
                break;
        } else if (head.startsWith(kCds)) {
            if (!handleIndication(lineStart, kCds, false))
                break;
        } else if (head.startsWith(kRing)) {
            pos_ = lineStart + int(kRing.size());
            if (onRing)
                onRing();
        } else if (!handleLine()) {
            break;
        }
    }
    compact();
    if (rxBuffer_.size() > kMaxLine) {
        // A line this long without its end is noise: it goes, and so does
        // the rest of it when it comes.
        ++droppedLines_;
        const bool keepCr = rxBuffer_.endsWith(QLatin1Char('\r'));
        rxBuffer_ = keepCr ? QStringLiteral("\r") : QString();
        staleUntil_ = 0;
        memoFrom_ = -1;
        discarding_ = true;
    }
}

bool ReplyParser::handleIndication(int start, const QString& prefix, bool cmt)
{
    const int headerEnd = findCrLf(start);
    const int pduEnd = headerEnd < 0 ? -1 : findCrLf(headerEnd + 2);
    if (pduEnd < 0)
        return false; // the PDU line is still on its way
    const int headerStart = start + int(prefix.size());
    const QString header = rxBuffer_.mid(headerStart, headerEnd - headerStart);
    const QString pdu = rxBuffer_.mid(headerEnd + 2, pduEnd - headerEnd - 2);
    pos_ = pduEnd + 2;
    if (pduEnd - headerStart > kMaxLine) {
        ++droppedLines_;
        return true;
    }
    cmtData_ = header + kCrLf + pdu;
    if (cmt) {
        if (onCmt)
            onCmt(header, pdu);
    } else if (onStatusReport) {
        onStatusReport(header, pdu);
    }
    return true;
}

bool ReplyParser::handleLine()
{
    const bool leadingCrLf = QStringView(rxBuffer_).mid(pos_).startsWith(kCrLf);
    const int end = findCrLf(leadingCrLf ? pos_ + 2 : pos_);
    if (end < 0)
        return false; // an incomplete line waits for its CR LF
    const int start = pos_;
    pos_ = end + 2;
    if (end + 2 - start > kMaxLine) {
        ++droppedLines_;
        return true;
    }
    const QString unit = rxBuffer_.mid(start, end + 2 - start);
    const int skip = leadingCrLf ? 2 : 0;
    const QString content = unit.mid(skip, unit.size() - 2 - skip);
    dispatch(unit, content, inExchange_ && start >= staleUntil_);
    return true;
}

void ReplyParser::handlePrompt()
{
    if (inExchange_ && pos_ - int(kPrompt.size()) >= staleUntil_) {
        gotPrompt_ = true;
        inExchange_ = false;
        response_.clear();
        ++outcomeCount_;
        lastOutcomeOk_ = false;
        return;
    }
    noteStray(false);
}

bool ReplyParser::isUnsolicited(const QString& content) const
{
    if (content.startsWith(QLatin1Char('^'))) // makers' own indications
        return true;
    for (const QLatin1String& prefix : kUnsolicitedPrefixes)
        if (content.startsWith(prefix) && ownPrefix_ != prefix)
            return true;
    return false;
}

void ReplyParser::dispatch(const QString& unit, const QString& content, bool inExchange)
{
    Line kind = Line::Info;
    if (content == QLatin1String("OK"))
        kind = Line::Ok;
    else if (content == QLatin1String("ERROR"))
        kind = Line::Error;
    else if (modemMake_ != 3 && content.startsWith(QLatin1String("+CPIN: ")))
        kind = Line::Cpin;
    else if (content.startsWith(QLatin1String("+CMS ERROR: ")))
        kind = Line::Cms;
    else if (content.startsWith(QLatin1String("+CME ERROR:")))
        kind = Line::Cme;
    if (content.startsWith(QLatin1String("+CMGS:")))
        ++submitConfirmations_;

    if (kind == Line::Info) {
        if (inExchange && !isUnsolicited(content)) {
            if (response_.size() + unit.size() > kMaxReply)
                ++droppedLines_;
            else
                response_ += unit;
        } else if (!content.isEmpty() && onUnsolicited) {
            onUnsolicited(content);
        }
        return;
    }
    if (inExchange) {
        takeOutcome(kind, unit, content);
        return;
    }
    if (kind == Line::Ok && trailingOkAllowed_) {
        // The "OK" after a "+CPIN: " status that already ended its exchange.
        trailingOkAllowed_ = false;
        ++outcomeCount_;
        lastOutcomeOk_ = true;
        return;
    }
    noteStray(kind == Line::Ok);
}

void ReplyParser::takeOutcome(Line kind, const QString& unit, const QString& content)
{
    inExchange_ = false;
    finalSeen_ = true;
    ++outcomeCount_;
    lastOutcomeOk_ = kind == Line::Ok || kind == Line::Cpin;
    switch (kind) {
    case Line::Ok:
        gotOK_ = true;
        modemReply_ = response_;
        // "OK" straight after a line end: that CR LF led in the "OK".
        if (!unit.startsWith(kCrLf) && modemReply_.endsWith(kCrLf))
            modemReply_.chop(2);
        break;
    case Line::Cpin:
        gotOK_ = true;
        modemReply_ = content;
        trailingOkAllowed_ = true;
        break;
    case Line::Error:
        gotError_ = true;
        break;
    case Line::Cms:
    case Line::Cme:
        gotError_ = true;
        errorKind_ = kind == Line::Cms ? ErrorKind::Cms : ErrorKind::Cme;
        modemError_ = leadingInteger(content.mid(kErrorNumberOffset));
        break;
    case Line::Info:
        break;
    }
    response_.clear();
}

void ReplyParser::noteStray(bool ok)
{
    ++strays_;
    ++outcomeCount_;
    lastOutcomeOk_ = ok;
}
