// The reply parser on its own: final results, the prompt, indications,
// unsolicited lines, text split into chunks at any offset, and its bounds.
#include <gtest/gtest.h>

#include "modem/ReplyParser.h"

#include <QStringList>

namespace {

// What a parser did with some text: its outcome and the indications seen.
struct Outcome {
    bool ok = false, error = false, prompt = false;
    int modemError = 0;
    QString reply, rxBuffer, response;
    QStringList events;

    bool operator==(const Outcome& o) const
    {
        return ok == o.ok && error == o.error && prompt == o.prompt && modemError == o.modemError &&
               reply == o.reply && rxBuffer == o.rxBuffer && response == o.response && events == o.events;
    }
};

std::ostream& operator<<(std::ostream& os, const Outcome& o)
{
    return os << "ok=" << o.ok << " error=" << o.error << " prompt=" << o.prompt << " err#=" << o.modemError
              << " reply=[" << o.reply.toStdString() << "] rx=[" << o.rxBuffer.toStdString() << "] events=["
              << o.events.join(QLatin1Char('|')).toStdString() << "]";
}

void record(ReplyParser& p, QStringList& events)
{
    p.onCmt = [&events](const QString& h, const QString& pdu) { events << "CMT " + h + " / " + pdu; };
    p.onStatusReport = [&events](const QString& h, const QString& pdu) { events << "CDS " + h + " / " + pdu; };
    p.onRing = [&events] { events << QStringLiteral("RING"); };
    p.onUnsolicited = [&events](const QString& line) { events << "URC " + line; };
}

Outcome run(const QStringList& chunks, int make = 2, const QString& command = QString())
{
    ReplyParser p;
    Outcome o;
    record(p, o.events);
    p.setModemMake(make);
    p.beginExchange(command);
    for (const QString& c : chunks)
        p.feed(c);
    o.ok = p.gotOK();
    o.error = p.gotError();
    o.prompt = p.gotPrompt();
    o.modemError = p.modemError();
    o.reply = p.modemReply();
    o.rxBuffer = p.rxBuffer();
    o.response = p.response();
    return o;
}

// The same text fed whole, in two pieces cut at every offset, and one
// character at a time must give the same outcome.
void expectSplitInvariant(const QString& text, const Outcome& expected, int make = 2,
                          const QString& command = QString())
{
    ASSERT_EQ(run({text}, make, command), expected);
    for (int cut = 1; cut < text.size(); ++cut)
        ASSERT_EQ(run({text.left(cut), text.mid(cut)}, make, command), expected) << "cut at " << cut;
    QStringList single;
    for (QChar c : text)
        single << QString(c);
    ASSERT_EQ(run(single, make, command), expected) << "one character at a time";
}

const QString kPdu = QStringLiteral("07911326040000F0040B911346610089F60000208062917314080CC8F71D14969741F977FD07");

} // namespace

TEST(ReplyParser, InformationLineThenOkInAnyChunks)
{
    Outcome want;
    want.ok = true;
    want.reply = QStringLiteral("\r\n+CSQ: 20,99\r\n");
    expectSplitInvariant(QStringLiteral("\r\n+CSQ: 20,99\r\n\r\nOK\r\n"), want);
}

TEST(ReplyParser, EchoedCommandBeforeTheResult)
{
    const Outcome o = run({QStringLiteral("ATE0\r\r\nOK\r\n")});
    EXPECT_TRUE(o.ok);
    EXPECT_EQ(o.reply, QStringLiteral("ATE0\r"));
    EXPECT_TRUE(o.rxBuffer.isEmpty());
}

TEST(ReplyParser, IndicationInsideAnotherReplyInAnyChunks)
{
    Outcome want;
    want.ok = true;
    want.reply = QStringLiteral("\r\n+CPBR: 1,\"123\",129,\"Ann\"\r\n");
    want.events << "CMT ,25 / " + kPdu;
    expectSplitInvariant(QStringLiteral("\r\n+CPBR: 1,\"123\",129,\"Ann\"\r\n\r\n+CMT: ,25\r\n") + kPdu +
                             QStringLiteral("\r\n\r\nOK\r\n"),
                         want);
}

TEST(ReplyParser, IndicationWaitsForItsPduLine)
{
    ReplyParser p;
    QStringList events;
    record(p, events);
    p.feed(QStringLiteral("\r\n+CMT: ,25\r\n") + kPdu.left(10));
    EXPECT_TRUE(events.isEmpty());
    p.feed(kPdu.mid(10) + QStringLiteral("\r\n"));
    ASSERT_EQ(events, QStringList{"CMT ,25 / " + kPdu});
    EXPECT_EQ(p.cmtData(), QStringLiteral(",25\r\n") + kPdu);
    EXPECT_TRUE(p.rxBuffer().isEmpty());
}

TEST(ReplyParser, PinStatusWithItsOkInOneChunkKeepsTheStatus)
{
    // The OK that follows the status line must not wipe the reply.
    Outcome want;
    want.ok = true;
    want.reply = QStringLiteral("+CPIN: SIM PIN");
    expectSplitInvariant(QStringLiteral("\r\n+CPIN: SIM PIN\r\n\r\nOK\r\n"), want);
}

TEST(ReplyParser, LaterFinalResultsOfAnExchangeChangeNothing)
{
    ReplyParser p;
    p.beginExchange();
    p.feed(QStringLiteral("\r\n+CMS ERROR: 304\r\n\r\nOK\r\n\r\n+CME ERROR: 10\r\n"));
    EXPECT_TRUE(p.gotError());
    EXPECT_FALSE(p.gotOK());
    EXPECT_EQ(p.modemError(), 304);
    EXPECT_EQ(p.errorKind(), ReplyParser::ErrorKind::Cms);
    EXPECT_TRUE(p.response().isEmpty());
    // The two later ones belong to no exchange: the link learns that it may
    // be out of step.
    EXPECT_EQ(p.strays(), 2);

    // The next exchange starts clean and takes its own result.
    p.beginExchange();
    EXPECT_FALSE(p.gotError());
    EXPECT_EQ(p.modemError(), 0);
    p.feed(QStringLiteral("\r\n+CPIN: READY\r\n\r\nOK\r\n"));
    EXPECT_TRUE(p.gotOK());
    EXPECT_EQ(p.modemReply(), QStringLiteral("+CPIN: READY"));
}

TEST(ReplyParser, MakeThreeWaitsForTheOkAfterThePinStatus)
{
    Outcome want;
    want.ok = true;
    want.reply = QStringLiteral("\r\n+CPIN: READY\r\n");
    expectSplitInvariant(QStringLiteral("\r\n+CPIN: READY\r\n\r\nOK\r\n"), want, 3);

    const Outcome partial = run({QStringLiteral("\r\n+CPIN: READY\r\n")}, 3);
    EXPECT_FALSE(partial.ok);
    EXPECT_EQ(partial.response, QStringLiteral("\r\n+CPIN: READY\r\n"));
}

TEST(ReplyParser, PromptAloneOrSplit)
{
    Outcome want;
    want.prompt = true;
    expectSplitInvariant(QStringLiteral("\r\n> "), want);

    // Text after the prompt is parsed on.
    const Outcome more = run({QStringLiteral("\r\n> \r\nRING\r\n")});
    EXPECT_TRUE(more.prompt);
    EXPECT_EQ(more.events, QStringList{"RING"});
    EXPECT_TRUE(more.rxBuffer.isEmpty());
}

TEST(ReplyParser, RingInTwoChunksIsHandledOnceWhenComplete)
{
    ReplyParser p;
    QStringList events;
    record(p, events);
    p.feed(QStringLiteral("\r\nRIN"));
    EXPECT_TRUE(events.isEmpty());
    p.feed(QStringLiteral("G\r"));
    EXPECT_TRUE(events.isEmpty());
    p.feed(QStringLiteral("\n"));
    EXPECT_EQ(events, QStringList{"RING"});
    EXPECT_TRUE(p.rxBuffer().isEmpty());
    EXPECT_TRUE(p.response().isEmpty());

    Outcome want;
    want.events << "RING" << "RING";
    expectSplitInvariant(QStringLiteral("\r\nRING\r\n\r\nRING\r\n"), want);
}

TEST(ReplyParser, ErrorsWithTheirNumbers)
{
    struct Case {
        QString text;
        int number;
        ReplyParser::ErrorKind kind;
    };
    const Case cases[] = {
        {QStringLiteral("\r\nERROR\r\n"), 0, ReplyParser::ErrorKind::None},
        {QStringLiteral("\r\n+CMS ERROR: 304\r\n"), 304, ReplyParser::ErrorKind::Cms},
        {QStringLiteral("\r\n+CMS ERROR: 500\r\n"), 500, ReplyParser::ErrorKind::Cms},
        {QStringLiteral("\r\n+CME ERROR: 16\r\n"), 16, ReplyParser::ErrorKind::Cme},
        {QStringLiteral("\r\n+CME ERROR: SIM PIN required\r\n"), 0, ReplyParser::ErrorKind::Cme},
        {QStringLiteral("\r\n+CME ERROR:\r\n"), 0, ReplyParser::ErrorKind::Cme},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        Outcome want;
        want.error = true;
        want.modemError = c.number;
        expectSplitInvariant(c.text, want);
        ReplyParser p;
        p.beginExchange();
        p.feed(c.text);
        EXPECT_EQ(p.errorKind(), c.kind);
    }
}

TEST(ReplyParser, StatusReportGoesToItsHandlerWithItsPduLine)
{
    Outcome want;
    want.ok = true;
    want.events << "CDS 25 / " + kPdu;
    want.reply = QStringLiteral("\r\n+CSQ: 9,99\r\n");
    expectSplitInvariant(QStringLiteral("\r\n+CDS: 25\r\n") + kPdu + QStringLiteral("\r\n") +
                             QStringLiteral("\r\n+CSQ: 9,99\r\n\r\nOK\r\n"),
                         want);
}

TEST(ReplyParser, TextFromBeforeAnExchangeIsNotPartOfItsReply)
{
    ReplyParser p;
    QStringList events;
    record(p, events);
    p.beginExchange();
    p.feed(QStringLiteral("\r\n+CSQ: 1"));
    EXPECT_FALSE(p.gotOK());
    // The first command gave up; the rest of its reply comes during the next.
    p.endExchange();
    p.beginExchange();
    p.feed(QStringLiteral("5,99\r\n\r\nOK\r\n"));
    EXPECT_TRUE(p.modemReply().isEmpty());
    EXPECT_EQ(events, QStringList{"URC +CSQ: 15,99"});

    // An unsolicited line between exchanges goes to its handler, not into
    // the next reply.
    events.clear();
    p.feed(QStringLiteral("\r\n+CREG: 1\r\n"));
    EXPECT_EQ(events, QStringList{"URC +CREG: 1"});
    p.beginExchange();
    p.feed(QStringLiteral("\r\n+CSQ: 7,99\r\n\r\nOK\r\n"));
    EXPECT_TRUE(p.gotOK());
    EXPECT_EQ(p.modemReply(), QStringLiteral("\r\n+CSQ: 7,99\r\n"));
}

TEST(ReplyParser, UnsolicitedLinesInsideAReplyGoToTheirHandler)
{
    Outcome want;
    want.ok = true;
    want.reply = QStringLiteral("\r\n+CSQ: 5,99\r\n");
    want.events << "URC +CMTI: \"SM\",3" << "URC ^RSSI:12";
    expectSplitInvariant(QStringLiteral("\r\n+CSQ: 5,99\r\n\r\n+CMTI: \"SM\",3\r\n\r\n^RSSI:12\r\n\r\nOK\r\n"), want);

    // A line with the prefix of the command in hand is its reply.
    Outcome own;
    own.ok = true;
    own.reply = QStringLiteral("\r\n+CREG: 0,1\r\n");
    expectSplitInvariant(QStringLiteral("\r\n+CREG: 0,1\r\n\r\nOK\r\n"), own, 2, QStringLiteral("AT+CREG?\r"));
}

TEST(ReplyParser, FinalResultsOutsideAnExchangeAreStraysAndEndNothing)
{
    ReplyParser p;
    p.feed(QStringLiteral("\r\nOK\r\n\r\n> "));
    EXPECT_FALSE(p.gotOK());
    EXPECT_FALSE(p.gotPrompt());
    EXPECT_EQ(p.strays(), 2);
    EXPECT_EQ(p.outcomeCount(), 2);
    p.clearStrays();

    // The "OK" that trails a PIN status which ended its exchange is no stray,
    // also when it comes in a later piece.
    p.beginExchange(QStringLiteral("AT+CPIN?\r"));
    p.feed(QStringLiteral("\r\n+CPIN: READY\r\n"));
    EXPECT_TRUE(p.gotOK());
    p.feed(QStringLiteral("\r\nOK\r\n"));
    EXPECT_EQ(p.strays(), 0);
    EXPECT_EQ(p.modemReply(), QStringLiteral("+CPIN: READY"));
    // A second one is.
    p.feed(QStringLiteral("\r\nOK\r\n"));
    EXPECT_EQ(p.strays(), 1);
    EXPECT_TRUE(p.lastOutcomeWasOk());
}

TEST(ReplyParser, ALineTooLongIsCutAndDropped)
{
    ReplyParser p;
    QStringList events;
    record(p, events);
    p.beginExchange();
    // A megabyte without a line end, in pieces: the buffer stays small.
    const QString piece(1000, QLatin1Char('A'));
    p.feed(QStringLiteral("\r\n"));
    for (int i = 0; i < 1000; ++i) {
        p.feed(piece);
        ASSERT_LE(p.rxBuffer().size(), ReplyParser::kMaxLine) << "after piece " << i;
    }
    p.feed(QStringLiteral("AAAA\r"));
    p.feed(QStringLiteral("\n\r\n+CSQ: 3,99\r\n"));
    // A whole line too long that arrives in one piece goes as well.
    p.feed(QStringLiteral("\r\n") + QString(ReplyParser::kMaxLine + 10, QLatin1Char('B')) +
           QStringLiteral("\r\n\r\nOK\r\n"));
    EXPECT_TRUE(p.gotOK());
    EXPECT_EQ(p.modemReply(), QStringLiteral("\r\n+CSQ: 3,99\r\n"));
    EXPECT_EQ(p.droppedLines(), 2);
    EXPECT_TRUE(p.rxBuffer().isEmpty());
    EXPECT_TRUE(events.isEmpty());
}

TEST(ReplyParser, AReplyKeepsABoundedSize)
{
    ReplyParser p;
    p.beginExchange(QStringLiteral("AT+CPBR=1,250\r"));
    const QString line = QStringLiteral("\r\n+CPBR: 1,\"+447700900123\",145,\"Somebody\"\r\n");
    int fed = 0;
    while (fed <= 4 * ReplyParser::kMaxReply) {
        p.feed(line);
        fed += int(line.size());
    }
    EXPECT_LE(p.response().size(), ReplyParser::kMaxReply);
    EXPECT_GT(p.droppedLines(), 0);
    p.feed(QStringLiteral("\r\nOK\r\n"));
    EXPECT_TRUE(p.gotOK());
    EXPECT_TRUE(p.modemReply().startsWith(line));
    EXPECT_LE(p.modemReply().size(), ReplyParser::kMaxReply);
}

TEST(ReplyParser, TextFedFromAnIndicationHandlerIsParsedOnce)
{
    // A handler that runs an event loop may receive the rest of the reply.
    ReplyParser p;
    int cmts = 0;
    p.onCmt = [&](const QString&, const QString&) {
        ++cmts;
        p.feed(QStringLiteral("\r\nOK\r\n"));
    };
    p.beginExchange();
    p.feed(QStringLiteral("\r\n+CSQ: 5,99\r\n\r\n+CMT: ,25\r\n") + kPdu + QStringLiteral("\r\n"));
    EXPECT_EQ(cmts, 1);
    EXPECT_TRUE(p.gotOK());
    EXPECT_EQ(p.modemReply(), QStringLiteral("\r\n+CSQ: 5,99\r\n"));
    EXPECT_TRUE(p.rxBuffer().isEmpty());
}
