// The pieces of the HTTP server that need no socket: the request reader,
// the request target, the cross-site check, form decoding, the checks on remote input, the page
// collection and the allow list.
#include <QDir>
#include <QFile>
#include <QHostAddress>
#include <gtest/gtest.h>

#include "remote/AllowList.h"
#include "remote/http/FormData.h"
#include "remote/http/HttpRequestReader.h"
#include "remote/http/RequestSite.h"
#include "remote/RemoteInput.h"
#include "remote/http/WebPages.h"
#include "base/Database.h"
#include "support/TestEnv.h"
#include "remote/QtPrint.h"

using Status = HttpRequestReader::Status;

TEST(HttpRequestReader, SameResultWhateverTheSegments)
{
    const QByteArray req = "POST /sendsms.htm HTTP/1.1\r\nHost: h\r\ncontent-LENGTH:  11 \r\n\r\nmPhoneNo=1&extra";
    for (int step : {1, 2, 7, 40, 1000}) {
        HttpRequestReader r;
        Status s = Status::NeedMore;
        for (int i = 0; i < req.size() && s == Status::NeedMore; i += step)
            s = r.feed(QByteArrayView(req).sliced(i, qMin<qsizetype>(step, req.size() - i)));
        ASSERT_EQ(s, Status::Complete) << step;
        EXPECT_EQ(r.requestLine(), "POST /sendsms.htm HTTP/1.1");
        EXPECT_EQ(r.method(), "POST");
        EXPECT_EQ(r.contentLength(), 11);
        EXPECT_EQ(r.body(), "mPhoneNo=1&") << step;
    }
}

TEST(HttpRequestReader, BodyWithoutLengthIsWhatCameWithTheHead)
{
    HttpRequestReader r;
    EXPECT_EQ(r.feed("GET / HTTP/1.1\r\n\r\na=b"), Status::Complete);
    EXPECT_EQ(r.body(), "a=b");
    EXPECT_EQ(r.feed("more"), Status::Complete);
    EXPECT_EQ(r.body(), "a=b");
}

TEST(HttpRequestReader, ContinueIsAskedOnceAndOnlyWhileTheBodyIsMissing)
{
    HttpRequestReader r;
    EXPECT_EQ(r.feed("POST / HTTP/1.1\r\nExpect: 100-Continue\r\nContent-Length: 3\r\n\r\n"), Status::NeedMore);
    EXPECT_TRUE(r.takeContinueRequest());
    EXPECT_FALSE(r.takeContinueRequest());
    EXPECT_EQ(r.feed("ab"), Status::NeedMore);
    EXPECT_EQ(r.feed("cd"), Status::Complete);
    EXPECT_EQ(r.body(), "abc");

    HttpRequestReader whole;
    EXPECT_EQ(whole.feed("POST / HTTP/1.1\r\nExpect: 100-continue\r\nContent-Length: 1\r\n\r\nx"), Status::Complete);
    EXPECT_FALSE(whole.takeContinueRequest());
    HttpRequestReader none;
    EXPECT_EQ(none.feed("POST / HTTP/1.1\r\nExpect: 100-continue\r\n\r\n"), Status::Complete);
    EXPECT_FALSE(none.takeContinueRequest());
}

TEST(HttpRequestReader, LimitsAreExact)
{
    const QByteArray start = "GET / HTTP/1.1\r\nX: ";
    const QByteArray fits = start + QByteArray(HttpRequestReader::kMaxHead - start.size() - 4, 'x') + "\r\n\r\n";
    HttpRequestReader a;
    EXPECT_EQ(a.feed(fits), Status::Complete);
    HttpRequestReader b;
    EXPECT_EQ(b.feed(start + "y" + fits.mid(start.size())), Status::Failed);
    // Without the blank line the head fails as soon as it reaches the limit.
    HttpRequestReader c;
    EXPECT_EQ(c.feed(QByteArray(HttpRequestReader::kMaxHead - 1, 'a')), Status::NeedMore);
    EXPECT_EQ(c.feed("a"), Status::Failed);

    HttpRequestReader d;
    EXPECT_EQ(d.feed("POST / HTTP/1.1\r\nContent-Length: 8192\r\n\r\n"), Status::NeedMore);
    EXPECT_EQ(d.feed(QByteArray(9000, 'b')), Status::Complete);
    EXPECT_EQ(d.body().size(), 8192);
    for (const char* bad : {"8193", "-1", "+5", "0x10", "1 2", "", "99999999999999999999999"}) {
        HttpRequestReader e;
        EXPECT_EQ(e.feed("POST / HTTP/1.1\r\nContent-Length: " + QByteArray(bad) + "\r\n\r\n"), Status::Failed) << bad;
    }
    HttpRequestReader same;
    EXPECT_EQ(same.feed("POST / HTTP/1.1\r\nContent-Length: 1\r\nContent-Length: 1\r\n\r\nz"), Status::Complete);
    HttpRequestReader te;
    EXPECT_EQ(te.feed("POST / HTTP/1.1\r\nTRANSFER-encoding: identity\r\n\r\n"), Status::Failed);
}

TEST(RequestTarget, PageAndQuery)
{
    auto page = [](const char* line) {
        const RequestTarget t = parseRequestTarget(line);
        return t.valid ? t.page : QByteArray("<none>");
    };
    EXPECT_EQ(page("GET / HTTP/1.1"), "index.htm");
    EXPECT_EQ(page("GET /  HTTP/1.1"), "index.htm");
    EXPECT_EQ(page("GET /my page.htm HTTP/1.1"), "my page.htm");
    EXPECT_EQ(page("GET /a%20b.htm HTTP/1.1"), "a%20b.htm");
    EXPECT_EQ(page("GET /dir/x.htm HTTP/1.1"), "dir/x.htm");
    EXPECT_EQ(page("GET /x.htm"), "<none>");
    EXPECT_EQ(page("GET HTTP/1.1"), "<none>");
    EXPECT_EQ(page(""), "<none>");
    const RequestTarget q = parseRequestTarget("GET /sendsms.htm?a=1?b HTTP/1.1");
    EXPECT_EQ(q.page, "sendsms.htm");
    EXPECT_TRUE(q.hasQuery);
    EXPECT_EQ(q.query, "a=1?b");
    EXPECT_FALSE(parseRequestTarget("GET /sendsms.htm HTTP/1.1").hasQuery);
}

TEST(FormData, DecodingAndExactNames)
{
    EXPECT_EQ(FormData::decode("a+b%2C%2cc"), "a b,,c");
    EXPECT_EQ(FormData::decode("100%"), "100%");
    EXPECT_EQ(FormData::decode("%4"), "%4");
    EXPECT_EQ(FormData::decode("%g1%%41"), "%g1%A");
    EXPECT_EQ(FormData::decode("%00"), QByteArray(1, '\0'));

    const QByteArray form = "xmPhoneNo=5&MPHONENO=6&mPhoneNo=7&flag&mMessage=%E9t%E9+&mOutDate";
    EXPECT_EQ(FormData::field(form, "mPhoneNo"), "6");
    EXPECT_EQ(FormData::field(form, "mMessage"), QString::fromUtf8("\xc3\xa9t\xc3\xa9 "));
    EXPECT_EQ(FormData::field(form, "mOutDate"), "");
    EXPECT_EQ(FormData::field(form, "flag"), "");
    EXPECT_EQ(FormData::field(form, "PhoneNo"), "");
    EXPECT_EQ(FormData::field("\r\n mPhoneNo = 12 \r\n", "mPhoneNo"), "12");
    EXPECT_EQ(FormData::field("a=1=2", "a"), "1=2");
}

TEST(RemoteInput, PhoneNumbersAndSendTimes)
{
    for (const char* good : {"1", " +447700900123 ", "12345678901234567890"})
        EXPECT_TRUE(RemoteInput::isValidPhone(good)) << good;
    for (const char* bad : {"", "+", "++1", "1 2", "12a", "123456789012345678901", "\xd9\xa1"})
        EXPECT_FALSE(RemoteInput::isValidPhone(QString::fromUtf8(bad))) << bad;

    const QDateTime t(QDate(2030, 3, 5), QTime(7, 8, 9));
    EXPECT_EQ(RemoteInput::parseSendTime("5/3/2030 7:08:09"), t);
    EXPECT_EQ(RemoteInput::parseSendTime("05/03/2030 07:08:09"), t);
    EXPECT_EQ(RemoteInput::parseSendTime("2030-03-05 07:08:09"), t);
    EXPECT_EQ(RemoteInput::parseSendTime(" 2030-03-05T07:08:09.250 "), t);
    EXPECT_EQ(RemoteInput::parseSendTime("5/3/2030 7:08"), t.addSecs(-9));
    EXPECT_EQ(RemoteInput::parseSendTime("5/3/2030"), QDateTime(QDate(2030, 3, 5), QTime(0, 0)));
    EXPECT_EQ(RemoteInput::parseSendTime("2030-03-05"), QDateTime(QDate(2030, 3, 5), QTime(0, 0)));
    EXPECT_EQ(RemoteInput::parseSendTime("29/2/2028"), QDateTime(QDate(2028, 2, 29), QTime(0, 0)));
    for (const char* bad : {"", "29/2/2030", "31/4/2030", "2030-13-01", "1/1/2030 24:00", "1/1/2030 7:60",
                            "2030-1-5", "1/1/30", "now", "1/1/2030 7", "2030-03-05 07:08:09Z"})
        EXPECT_FALSE(RemoteInput::parseSendTime(bad).isValid()) << bad;
}

TEST(WebPages, LoadsHtmFilesAsBytesWithCrLf)
{
    const QString dir = testenv::newDir("pages");
    auto put = [&](const QString& name, const QByteArray& bytes) {
        QFile f(QDir(dir).filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    };
    put("a.htm", "one\ntwo");
    put("b.htm", "one\r\ntwo\r\n\r\n");
    put("c.htm", "");
    put("Upper.HTM", "U");
    put("d.html", "not a page");
    put("e.txt", "not a page");
    put("big.htm", QByteArray(WebPages::kMaxPageSize + 1, 'x'));
    QFile::link(QDir(dir).filePath("a.htm"), QDir(dir).filePath("link.htm"));
    QDir(dir).mkdir("sub.htm");
    // ... but a link to the database is never opened: only SQLite may.
    testenv::FreshDb db;
    QFile::link(db.path(), QDir(dir).filePath("db.htm"));

    WebPages pages;
    EXPECT_EQ(pages.load(dir), 5);
    EXPECT_FALSE(pages.contains("db.htm"));
    EXPECT_EQ(pages.page("a.htm"), "one\r\ntwo\r\n");
    EXPECT_EQ(pages.page("b.htm"), "one\r\ntwo\r\n\r\n");
    EXPECT_TRUE(pages.contains("c.htm"));
    EXPECT_TRUE(pages.page("c.htm").isEmpty());
    EXPECT_FALSE(pages.page("c.htm").isNull());
    EXPECT_TRUE(pages.contains("Upper.HTM"));
    EXPECT_FALSE(pages.contains("upper.htm"));
    // A link the operator placed is a page like any other.
    EXPECT_EQ(pages.page("link.htm"), "one\r\ntwo\r\n");
    EXPECT_FALSE(pages.contains("d.html"));
    EXPECT_FALSE(pages.contains("big.htm"));
    EXPECT_TRUE(pages.page("nothere.htm").isNull());
    EXPECT_EQ(pages.load(dir + "/missing"), 0);
}

TEST(WebPages, ShippedPagesAreSeeded)
{
    WebPages pages;
    EXPECT_EQ(pages.load(":/seed/www"), 5);
    for (const char* name : {"index.htm", "success.htm", "fail.htm", "notfound.htm", "full.htm"})
        EXPECT_TRUE(pages.page(name).startsWith("<!DOCTYPE html>\r\n")) << name;
    const QByteArray index = pages.page("index.htm");
    EXPECT_TRUE(index.contains("<form method=\"post\" action=\"sendsms.htm\">"));
    for (const char* field : {"name=\"mPhoneNo\"", "name=\"mMessage\"", "name=\"mOutDate\""})
        EXPECT_TRUE(index.contains(field)) << field;
}

TEST(AllowList, RowsMatchAsTheTableSays)
{
    testenv::FreshDb f;
    Database& db = f.db();
    auto ip = [](int a, int b, int c, int d) { return quint32(a) << 24 | quint32(b) << 16 | quint32(c) << 8 | quint32(d); };
    auto allowed = [&](int a, int b, int c, int d) { return AllowList::isAllowed(db, ip(a, b, c, d)); };
    auto row = [&](int a, int b, int c, int d, int e) {
        ASSERT_TRUE(db.exec("INSERT INTO tbipallowed VALUES (?,?,?,?,?)", {a, b, c, d, e}));
    };
    EXPECT_FALSE(allowed(127, 0, 0, 1));

    row(10, 0, 0, 0, 0);         // every 10.x.y.z
    row(192, 168, 1, 10, 20);    // a range of the last octet, ends included
    row(172, 16, 0, 5, 0);       // exactly one address
    row(127, 0, 5, 0, 0);        // 127.0.5.x; the 0 in the middle is not "any"
    row(100, 64, 0, 0, 0);       // 100.64.x.y
    EXPECT_TRUE(allowed(10, 200, 3, 4));
    EXPECT_FALSE(allowed(11, 0, 0, 0));
    EXPECT_TRUE(allowed(192, 168, 1, 10));
    EXPECT_TRUE(allowed(192, 168, 1, 15));
    EXPECT_TRUE(allowed(192, 168, 1, 20));
    EXPECT_FALSE(allowed(192, 168, 1, 9));
    EXPECT_FALSE(allowed(192, 168, 1, 21));
    EXPECT_FALSE(allowed(192, 168, 2, 15));
    EXPECT_TRUE(allowed(172, 16, 0, 5));
    EXPECT_FALSE(allowed(172, 16, 0, 6));
    EXPECT_FALSE(allowed(172, 16, 1, 5));
    EXPECT_TRUE(allowed(127, 0, 5, 1));
    EXPECT_FALSE(allowed(127, 7, 5, 1));
    EXPECT_TRUE(allowed(100, 64, 9, 9));
    EXPECT_FALSE(allowed(100, 65, 9, 9));
    EXPECT_FALSE(AllowList::isAllowed(db, QHostAddress("::1")));
    EXPECT_TRUE(AllowList::isAllowed(db, QHostAddress("::ffff:10.1.2.3")));

    row(0, 0, 0, 0, 0);
    EXPECT_TRUE(allowed(8, 8, 8, 8));
}

TEST(RequestSite, PagesOfOtherHostsAreToldFromTheFormAndFromScripts)
{
    struct Case {
        QList<QByteArray> host, origin, referer, fetchSite;
        bool crossSite;
        const char* what;
    } cases[] = {
        {{}, {}, {}, {}, false, "no header at all (a script)"},
        {{"192.168.1.5:8010"}, {}, {}, {}, false, "Host only (curl)"},
        {{"192.168.1.5:8010"}, {"http://192.168.1.5:8010"}, {"http://192.168.1.5:8010/"}, {"same-origin"}, false,
         "the served form"},
        {{"SMSBOX:8010"}, {"http://smsbox:8010"}, {}, {}, false, "host names without regard to case"},
        {{"[::1]:8010"}, {"http://[::1]:8010"}, {}, {}, false, "IPv6 address"},
        {{"smsbox"}, {"https://smsbox"}, {}, {}, false, "no port in Host: the host decides"},
        {{"192.168.1.5:8010"}, {}, {"http://192.168.1.5:8010/index.htm?x=1"}, {"none"}, false, "Referer of the form"},
        {{"192.168.1.5:8010"}, {""}, {""}, {}, false, "empty values say nothing"},
        {{"192.168.1.5:8010"}, {}, {}, {"cross-site"}, true, "Sec-Fetch-Site"},
        {{"192.168.1.5:8010"}, {}, {}, {" Cross-Site "}, true, "Sec-Fetch-Site in another case"},
        {{"192.168.1.5:8010"}, {}, {}, {"same-site"}, true, "Sec-Fetch-Site of another port or name"},
        {{"192.168.1.5:8010"}, {}, {}, {"same-origin", "whatever"}, true, "a Sec-Fetch-Site not known"},
        {{"192.168.1.5:8010"}, {"http://evil.example"}, {}, {}, true, "Origin of another host"},
        {{"192.168.1.5:8010"}, {}, {"http://evil.example/page.html"}, {}, true, "Referer of another host"},
        {{"192.168.1.5:8010"}, {"http://192.168.1.5"}, {}, {}, true, "another port of this host"},
        {{"192.168.1.5:8010"}, {"null"}, {}, {}, true, "a sandboxed or local page"},
        {{"192.168.1.5:8010"}, {"http://192.168.1.5:8010"}, {"http://evil.example/"}, {}, true,
         "Origin right, Referer elsewhere"},
        {{"192.168.1.5:8010"}, {"http://192.168.1.5:8010", "http://evil.example"}, {}, {}, true, "two Origins"},
        {{"192.168.1.5:8010", "evil.example:8010"}, {"http://evil.example:8010"}, {}, {}, true, "two Host headers"},
        {{"192.168.1.5:8010"}, {"ftp://192.168.1.5:8010"}, {}, {}, true, "another scheme"},
        {{"192.168.1.5:8010"}, {"http://192.168.1.5.evil.example:8010"}, {}, {}, true, "a look-alike host"},
        {{"192.168.1.5:8010"}, {"http://user@evil.example:8010"}, {}, {}, true, "user part and another host"},
        {{}, {"http://127.0.0.1:8010"}, {}, {}, false, "no Host: the address it came to"},
        {{}, {"http://127.0.0.1:9999"}, {}, {}, true, "no Host, another port"},
        {{"a/b"}, {"http://a"}, {}, {}, true, "a Host that is no host"},
    };
    for (const Case& c : cases) {
        RequestSiteHeaders h{c.host, c.origin, c.referer, c.fetchSite};
        EXPECT_EQ(isCrossSiteRequest(h, "127.0.0.1", 8010), c.crossSite) << c.what;
    }
}

TEST(RequestSite, OnlyTheNamesOfThisServerAreHosts)
{
    const ServerNames own{{QHostAddress("192.168.1.5"), QHostAddress("127.0.0.1")}, {"localhost", "smsbox"}};
    struct Case {
        QList<QByteArray> host;
        bool ours;
        const char* what;
    } cases[] = {
        {{}, true, "no Host (HTTP/1.0): the address it came to"},
        {{"192.168.1.5:8010"}, true, "a listening address"},
        {{"127.0.0.1"}, true, "loopback without a port"},
        {{"[::1]:8010"}, true, "IPv6 loopback"},
        {{"SMSBOX:8010"}, true, "the machine's name in any case"},
        {{"smsbox."}, true, "the name written as absolute"},
        {{"localhost:8010"}, true, "localhost"},
        {{"attacker.example:8010"}, false, "another site's name pointed here"},
        {{"smsbox.attacker.example"}, false, "a look-alike name"},
        {{"192.168.1.6:8010"}, false, "an address of another machine"},
        {{"192.168.1.5:8010", "attacker.example"}, false, "a second Host of another site"},
        {{""}, false, "an empty Host"},
        {{"a/b"}, false, "a Host that is no host"},
    };
    for (const Case& c : cases) {
        RequestSiteHeaders h;
        h.host = c.host;
        EXPECT_EQ(namesThisServer(h, own), c.ours) << c.what;
    }
}

TEST(HttpRequestReader, KeepsTheHeadersThatTellWhereARequestComesFrom)
{
    HttpRequestReader r;
    ASSERT_EQ(r.feed("POST /sendsms.htm HTTP/1.1\r\nHOST:  box:8010 \r\norigin: http://box:8010\r\n"
                     "Referer: http://box:8010/\r\nsec-fetch-site: same-origin\r\nOrigin: null\r\n"
                     "Content-Length: 0\r\n\r\n"),
              Status::Complete);
    EXPECT_EQ(r.siteHeaders().host, QList<QByteArray>{"box:8010"});
    EXPECT_EQ(r.siteHeaders().origin, (QList<QByteArray>{"http://box:8010", "null"}));
    EXPECT_EQ(r.siteHeaders().referer, QList<QByteArray>{"http://box:8010/"});
    EXPECT_EQ(r.siteHeaders().fetchSite, QList<QByteArray>{"same-origin"});
    EXPECT_TRUE(isCrossSiteRequest(r.siteHeaders(), "127.0.0.1", 8010));
}
