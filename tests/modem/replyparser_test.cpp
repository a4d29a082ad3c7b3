// The reply parser on its own: final results, the prompt, indications, and
// text split into chunks at any offset.
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
    p.onStatusReport = [&events](const QString& h) { events << "CDS " + h; };
    p.onRing = [&events] { events << QStringLiteral("RING"); };
}

Outcome run(const QStringList& chunks, int make = 2)
{
    ReplyParser p;
    Outcome o;
    record(p, o.events);
    p.setModemMake(make);
    p.beginExchange();
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
void expectSplitInvariant(const QString& text, const Outcome& expected, int make = 2)
{
    ASSERT_EQ(run({text}, make), expected);
    for (int cut = 1; cut < text.size(); ++cut)
        ASSERT_EQ(run({text.left(cut), text.mid(cut)}, make), expected) << "cut at " << cut;
    QStringList single;
    for (QChar c : text)
        single << QString(c);
    ASSERT_EQ(run(single, make), expected) << "one character at a time";
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
        p.feed(c.text);
        EXPECT_EQ(p.errorKind(), c.kind);
    }
}

TEST(ReplyParser, StatusReportHeaderIsDroppedAndItsPduJoinsTheNextReply)
{
    Outcome want;
    want.ok = true;
    want.events << QStringLiteral("CDS 25");
    want.reply = kPdu + QStringLiteral("\r\n\r\n+CSQ: 9,99\r\n");
    expectSplitInvariant(QStringLiteral("\r\n+CDS: 25\r\n") + kPdu + QStringLiteral("\r\n") +
                             QStringLiteral("\r\n+CSQ: 9,99\r\n\r\nOK\r\n"),
                         want);
}

TEST(ReplyParser, TextLeftOverIsParsedWithTheNextExchange)
{
    ReplyParser p;
    p.beginExchange();
    p.feed(QStringLiteral("\r\n+CSQ: 1"));
    EXPECT_FALSE(p.gotOK());
    p.beginExchange();
    EXPECT_EQ(p.rxBuffer(), QStringLiteral("\r\n+CSQ: 1"));
    p.feed(QStringLiteral("5,99\r\n\r\nOK\r\n"));
    EXPECT_TRUE(p.gotOK());
    EXPECT_EQ(p.modemReply(), QStringLiteral("\r\n+CSQ: 15,99\r\n"));

    // An unsolicited line between exchanges is kept with the next reply.
    p.feed(QStringLiteral("\r\n+CREG: 1\r\n"));
    p.beginExchange();
    p.feed(QStringLiteral("\r\nOK\r\n"));
    EXPECT_EQ(p.modemReply(), QStringLiteral("\r\n+CREG: 1\r\n"));
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
