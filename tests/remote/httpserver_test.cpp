// The HTTP server spoken to with raw bytes over loopback: the answers byte
// for byte, what reaches the Outbox, the allow list, the limits and the
// deadlines.
#include <QDir>
#include <QFile>
#include <QHostAddress>
#include <QRandomGenerator>
#include <QTcpServer>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <fcntl.h>
#include <unistd.h>

#include "base/EngineState.h"
#include "sms/Gsm7.h"
#include "engine/OutboxQueue.h"
#include "remote/http/HttpServer.h"
#include "base/Database.h"
#include "support/TestEnv.h"
#include "remote/QtPrint.h"

using testenv::waitUntil;

namespace {

QByteArray ok(const QByteArray& body)
{
    return "HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(body.size()) +
           "\r\nConnection: close\r\n\r\n" + body;
}
const QByteArray kIndex = ok("INDEX\r\n");
const QByteArray kSuccess = ok("OK-SUCCESS\r\n");
const QByteArray kFail = ok("FAIL\r\n");
const QByteArray kNotFound = ok("NOTFOUND\r\n");
const QByteArray kFull = ok("FULL\r\n");
const QByteArray kContinue = "HTTP/1.1 100 Continue\r\n\r\n";

int openFds() { return int(QDir("/proc/self/fd").entryList(QDir::Files | QDir::System).size()); }

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// A plain socket client. The server runs in this thread, so every wait
// runs the event loop, and reads never block.
struct Client {
    int fd = -1;
    QByteArray got;
    bool closed = false;

    explicit Client(quint16 port, const char* from = "127.0.0.1")
    {
        fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in local{};
        local.sin_family = AF_INET;
        ::inet_pton(AF_INET, from, &local.sin_addr);
        ::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(port);
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        // On loopback the kernel completes the handshake before the server
        // accepts, so a blocking connect returns at once.
        if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0)
            closed = true;
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    }
    ~Client() { ::close(fd); }
    void send(const QByteArray& bytes)
    {
        qsizetype done = 0;
        while (done < bytes.size() && !closed) {
            const ssize_t n = ::send(fd, bytes.constData() + done, size_t(bytes.size() - done), MSG_NOSIGNAL);
            if (n > 0)
                done += n;
            else if (n < 0 && errno == EAGAIN)
                waitUntil([this] { pump(); return closed; }, 10);
            else
                break;
        }
    }
    void pump()
    {
        char buf[65536];
        while (!closed) {
            const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
            if (n > 0)
                got.append(buf, n);
            else if (n < 0 && errno == EAGAIN)
                return;
            else
                closed = true; // end of stream or reset
        }
    }
    bool waitClosed(int ms = 5000) { return waitUntil([this] { pump(); return closed; }, ms); }
    QByteArray answer(int ms = 5000)
    {
        EXPECT_TRUE(waitClosed(ms)) << "still open: " << got.constData();
        return got;
    }
};

class HttpServerTest : public ::testing::Test {
protected:
    testenv::FreshDb f;
    EngineState st;
    OutboxQueue queue{f.db(), testenv::prompt(), st};
    HttpServer server{f.db(), queue, testenv::prompt()};
    QString www;

    void SetUp() override
    {
        testenv::prompt().reset();
        www = testenv::newDir("www");
        for (const char* name : {"index", "success", "fail", "notfound", "full"}) {
            QByteArray text = name == QByteArray("success") ? "OK-SUCCESS" : QByteArray(name).toUpper();
            writeFile(QDir(www).filePath(QString::fromLatin1(name) + ".htm"), text + "\n");
        }
        allow(127, 0, 0, 1);
        restart();
    }
    void restart() { ASSERT_TRUE(server.start(0, www, QHostAddress::LocalHost)) << server.errorString().toStdString(); }
    void allow(int a, int b, int c, int d, int e = 0)
    {
        ASSERT_TRUE(f.db().exec("INSERT INTO tbipallowed VALUES (?,?,?,?,?)", {a, b, c, d, e}));
    }
    QByteArray exchange(const QByteArray& request, const char* from = "127.0.0.1")
    {
        Client c(server.port(), from);
        c.send(request);
        return c.answer();
    }
    QByteArray get(const QByteArray& target) { return exchange("GET /" + target + " HTTP/1.1\r\nHost: localhost\r\n\r\n"); }
    QByteArray post(const QByteArray& target, const QByteArray& body)
    {
        return exchange("POST /" + target + " HTTP/1.1\r\nContent-Type: application/x-www-form-urlencoded\r\n"
                        "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body);
    }
    int rows() { return f.db().query("SELECT COUNT(*) FROM tboutqueue").value(0, 0).toInt(); }
    // Number, text, priority and send time of the only Outbox row.
    QStringList onlyRow()
    {
        const Recordset rs = f.db().query("SELECT msgno, msgcontent, msgoutpri, msgout FROM tboutqueue");
        if (rs.size() != 1)
            return {QStringLiteral("rows: %1").arg(rs.size())};
        return {rs.value(0, 0).toString(), gsm7::textFromPacked(rs.value(0, 1).toString()), rs.value(0, 2).toString(),
                rs.value(0, 3).toString()};
    }
};

} // namespace

TEST_F(HttpServerTest, ServesPagesFromMemoryOnly)
{
    EXPECT_EQ(get(""), kIndex);
    EXPECT_EQ(get("index.htm"), kIndex);
    EXPECT_EQ(exchange("HEAD / HTTP/1.1\r\n\r\n"), "HTTP/1.1 200 OK\r\nContent-Length: 7\r\nConnection: close\r\n\r\n");
    // Bare LF line ends are understood too.
    EXPECT_EQ(exchange("GET / HTTP/1.0\n\n"), kIndex);

    // Exact, case-sensitive names; nothing outside the pages held.
    writeFile(QDir(www).filePath("../secret.htm"), "SECRET\n");
    EXPECT_EQ(get("Index.htm"), kNotFound);
    EXPECT_EQ(get("../secret.htm"), kNotFound);
    EXPECT_EQ(get("..%2fsecret.htm"), kNotFound);
    EXPECT_EQ(get("..%252fsecret.htm"), kNotFound);
    EXPECT_EQ(get("www/../secret.htm"), kNotFound);
    EXPECT_EQ(exchange("GET http://127.0.0.1/etc/passwd HTTP/1.1\r\n\r\n"), kNotFound);
    EXPECT_EQ(get(QByteArray(3000, 'a') + ".htm"), kNotFound);
    EXPECT_EQ(exchange(QByteArray("GET /ind\0ex.htm HTTP/1.1\r\n\r\n", 28)), kNotFound);
    // A request line without " HTTP/" names no page.
    EXPECT_EQ(exchange("GET /index.htm\r\n\r\n"), kNotFound);
    EXPECT_EQ(exchange("GET\r\n\r\n"), kNotFound);
    EXPECT_EQ(exchange("\r\n\r\n"), kNotFound);

    // A page added after the start is not served; a page changed is served
    // as it was read.
    writeFile(QDir(www).filePath("late.htm"), "LATE\n");
    writeFile(QDir(www).filePath("index.htm"), "CHANGED\n");
    EXPECT_EQ(get("late.htm"), kNotFound);
    EXPECT_EQ(get(""), kIndex);
    EXPECT_EQ(rows(), 0);
}

TEST_F(HttpServerTest, ContentLengthCountsBytesOfMultibytePages)
{
    writeFile(QDir(www).filePath("utf8.htm"), "caf\xc3\xa9\r\nna\xc3\xafve");
    restart();
    EXPECT_EQ(get("utf8.htm"), ok("caf\xc3\xa9\r\nna\xc3\xafve\r\n"));
}

TEST_F(HttpServerTest, QueuesSubmissionsFromQueryAndBody)
{
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    EXPECT_EQ(get("sendsms.htm?mPhoneNo=123&mMessage=Hello+there"), kSuccess);
    QStringList row = onlyRow();
    ASSERT_EQ(row.size(), 4) << row.join(',').toStdString();
    EXPECT_EQ(row.mid(0, 3), QStringList({"123", "Hello there", "9"}));
    const QDateTime due = dbtime::fromDb(row[3]);
    EXPECT_GE(due, before);
    EXPECT_LE(due, QDateTime::currentDateTime().addSecs(1));
    EXPECT_TRUE(st.bOutboxChanged);
    EXPECT_EQ(st.sngSendCount, 1);

    // Names without regard to case, in any order; an empty date is now.
    ASSERT_TRUE(f.db().exec("DELETE FROM tboutqueue"));
    EXPECT_EQ(post("sendsms.htm", "moutdate=&mmessage=a%2Cb&mphoneno=%2B447700900123"), kSuccess);
    EXPECT_EQ(onlyRow().mid(0, 2), QStringList({"+447700900123", "a,b"}));

    // Text as browsers send it, UTF-8; bytes that are no UTF-8 are Latin-1.
    ASSERT_TRUE(f.db().exec("DELETE FROM tboutqueue"));
    EXPECT_EQ(post("sendsms.htm", "mPhoneNo=1&mMessage=caf%C3%A9+%C2%A35"), kSuccess);
    EXPECT_EQ(onlyRow().value(1), QString::fromUtf8("caf\xc3\xa9 \xc2\xa3" "5"));
    ASSERT_TRUE(f.db().exec("DELETE FROM tboutqueue"));
    EXPECT_EQ(get("sendsms.htm?mPhoneNo=1&mMessage=caf%E9+%A35"), kSuccess);
    EXPECT_EQ(onlyRow().value(1), QString::fromUtf8("caf\xc3\xa9 \xc2\xa3" "5"));

    // A query string wins over the body.
    ASSERT_TRUE(f.db().exec("DELETE FROM tboutqueue"));
    EXPECT_EQ(post("sendsms.htm?mPhoneNo=1&mMessage=q", "mPhoneNo=2&mMessage=b"), kSuccess);
    EXPECT_EQ(onlyRow().mid(0, 2), QStringList({"1", "q"}));

    // Send times in both forms, read as local time.
    ASSERT_TRUE(f.db().exec("DELETE FROM tboutqueue"));
    EXPECT_EQ(get("sendsms.htm?mPhoneNo=5&mMessage=x&mOutDate=31%2F12%2F2030+18%3A30"), kSuccess);
    EXPECT_EQ(onlyRow().value(3), "2030-12-31 18:30:00");
    ASSERT_TRUE(f.db().exec("DELETE FROM tboutqueue"));
    EXPECT_EQ(post("sendsms.htm", "mPhoneNo=5&mMessage=x&mOutDate=2031-01-02T03:04:05"), kSuccess);
    EXPECT_EQ(onlyRow().value(3), "2031-01-02 03:04:05");
}

TEST_F(HttpServerTest, FieldsArePairsNotSubstrings)
{
    // Look-alike names and a name inside another value are not the field;
    // of repeated fields the first counts; escapes decode, a lone "%" stays.
    EXPECT_EQ(post("sendsms.htm", "xmPhoneNo=5&mMessage=see+mPhoneNo%3D7&mPhoneNo=6&mPhoneNo=8&mMessageX=no"),
              kSuccess);
    EXPECT_EQ(onlyRow().mid(0, 2), QStringList({"6", "see mPhoneNo=7"}));
    ASSERT_TRUE(f.db().exec("DELETE FROM tboutqueue"));
    EXPECT_EQ(post("sendsms.htm", "mPhoneNo=6&mMessage=%41%zz+50%+100%"), kSuccess);
    EXPECT_EQ(onlyRow().value(1), "A%zz 50% 100%");
}

TEST_F(HttpServerTest, RefusesWhatCannotBeSent)
{
    const QList<QByteArray> bad = {
        "mMessage=hello",                                    // no number
        "mPhoneNo=&mMessage=hello",                          // empty number
        "mPhoneNo=12a&mMessage=hello",                       // not a number
        "mPhoneNo=123456789012345678901&mMessage=hello",     // 21 digits
        "mPhoneNo=123",                                      // no text
        "mPhoneNo=123&mMessage=+++",                         // only blanks
        "mPhoneNo=123&mMessage=%C5%A1ta",                    // UTF-8 of a letter GSM lacks
        "mPhoneNo=123&mMessage=%C4%A3%A3",                   // UTF-8 and a stray byte: neither
        "mPhoneNo=123&mMessage=" + QByteArray(161, 'a'),     // over one message
        "mPhoneNo=123&mMessage=x&mOutDate=31%2F02%2F2030",   // no such day
        "mPhoneNo=123&mMessage=x&mOutDate=tomorrow",
        "mPhoneNo=123&mMessage=x&mOutDate=2030-12-31+25:00",
    };
    for (const QByteArray& body : bad) {
        EXPECT_EQ(post("sendsms.htm", body), kFail) << body.constData();
        EXPECT_EQ(get("sendsms.htm?" + body), kFail) << body.constData();
    }
    EXPECT_EQ(rows(), 0);
    EXPECT_FALSE(st.bOutboxChanged);
    // The exact page name only.
    EXPECT_EQ(get("SendSMS.htm?mPhoneNo=1&mMessage=x"), kNotFound);
    EXPECT_EQ(rows(), 0);
}

TEST_F(HttpServerTest, SubmissionsFromPagesOfOtherSitesAreRefused)
{
    const QByteArray host = "Host: 127.0.0.1:" + QByteArray::number(server.port()) + "\r\n";
    const QByteArray self = "http://127.0.0.1:" + QByteArray::number(server.port());
    const QByteArray port = QByteArray::number(server.port());
    const QByteArray rebound = "Host: attacker.example:" + port + "\r\n";
    const QByteArray form = "mPhoneNo=123&mMessage=hi";
    auto postWith = [&](const QByteArray& headers) {
        return exchange("POST /sendsms.htm HTTP/1.1\r\n" + headers + "Content-Type: application/x-www-form-urlencoded\r\n"
                        "Content-Length: " + QByteArray::number(form.size()) + "\r\n\r\n" + form);
    };
    auto getWith = [&](const QByteArray& headers) {
        return exchange("GET /sendsms.htm?" + form + " HTTP/1.1\r\n" + headers + "\r\n");
    };
    // An image or a form on another site's page, as browsers send them.
    const QList<QByteArray> foreign = {
        host + "Referer: http://evil.example/cats.html\r\nSec-Fetch-Site: cross-site\r\n",
        host + "Referer: http://evil.example/cats.html\r\n",
        host + "Sec-Fetch-Site: cross-site\r\n",
        host + "Origin: http://evil.example\r\n",
        host + "Origin: null\r\n",
        host + "Origin: http://127.0.0.1:1\r\n",
        // A page whose own name was pointed at this machine.
        rebound + "Origin: http://attacker.example:" + port + "\r\n",
        rebound + "Sec-Fetch-Site: same-origin\r\n",
        rebound,
    };
    for (const QByteArray& headers : foreign) {
        EXPECT_EQ(getWith(headers), kFail) << headers.constData();
        EXPECT_EQ(postWith(headers), kFail) << headers.constData();
    }
    // A page on another port of this machine whose referrer policy is
    // "no-referrer": Chromium's heads for an image, a GET form and a no-cors
    // fetch name neither Origin nor Referer, only the site.
    const QByteArray chromium =
        host + "Connection: keep-alive\r\nsec-ch-ua: \"Chromium\";v=\"131\", \"Not_A Brand\";v=\"24\"\r\n"
               "sec-ch-ua-mobile: ?0\r\nsec-ch-ua-platform: \"Linux\"\r\n"
               "User-Agent: Mozilla/5.0 (X11; Linux x86_64) AppleWebKit/537.36 (KHTML, like Gecko) "
               "HeadlessChrome/131.0.0.0 Safari/537.36\r\n"
               "Accept-Encoding: gzip, deflate, br, zstd\r\nAccept-Language: en-US,en;q=0.9\r\n";
    const QList<QByteArray> sameSite = {
        chromium + "Accept: image/avif,image/webp,image/apng,image/svg+xml,image/*,*/*;q=0.8\r\n"
                   "Sec-Fetch-Site: same-site\r\nSec-Fetch-Mode: no-cors\r\nSec-Fetch-Dest: image\r\n",
        chromium + "Upgrade-Insecure-Requests: 1\r\nAccept: text/html,application/xhtml+xml,application/xml;q=0.9,"
                   "image/avif,image/webp,image/apng,*/*;q=0.8,application/signed-exchange;v=b3;q=0.7\r\n"
                   "Sec-Fetch-Site: same-site\r\nSec-Fetch-Mode: navigate\r\nSec-Fetch-User: ?1\r\n"
                   "Sec-Fetch-Dest: document\r\n",
        chromium + "Accept: */*\r\nSec-Fetch-Site: same-site\r\nSec-Fetch-Mode: no-cors\r\nSec-Fetch-Dest: empty\r\n",
    };
    for (const QByteArray& headers : sameSite)
        EXPECT_EQ(getWith(headers), kFail) << headers.constData();
    EXPECT_EQ(rows(), 0);
    EXPECT_FALSE(st.bOutboxChanged);

    // The served form posted by Chromium, and curl.
    EXPECT_EQ(postWith(chromium + "Cache-Control: max-age=0\r\nOrigin: " + self + "\r\nUpgrade-Insecure-Requests: 1\r\n"
                                  "Accept: text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8\r\n"
                                  "Sec-Fetch-Site: same-origin\r\nSec-Fetch-Mode: navigate\r\nSec-Fetch-User: ?1\r\n"
                                  "Sec-Fetch-Dest: document\r\nReferer: " + self + "/\r\n"),
              kSuccess);
    EXPECT_EQ(getWith(host + "User-Agent: curl/8.5.0\r\nAccept: */*\r\n"), kSuccess);
    ASSERT_TRUE(f.db().exec("DELETE FROM tboutqueue"));

    // The served form, and clients that say nothing of where they come from.
    EXPECT_EQ(postWith(host + "Origin: " + self + "\r\nReferer: " + self + "/\r\nSec-Fetch-Site: same-origin\r\n"),
              kSuccess);
    EXPECT_EQ(getWith(host + "Referer: " + self + "/index.htm\r\n"), kSuccess);
    EXPECT_EQ(getWith(host), kSuccess);
    EXPECT_EQ(postWith(QByteArray()), kSuccess);
    EXPECT_EQ(exchange("GET /sendsms.htm?" + form + " HTTP/1.0\r\n\r\n"), kSuccess);
    EXPECT_EQ(getWith("Host: localhost:" + port + "\r\nOrigin: http://localhost:" + port + "\r\n"), kSuccess);
    EXPECT_EQ(rows(), 6);
    // Other pages are served whoever asks.
    EXPECT_EQ(exchange("GET / HTTP/1.1\r\n" + host + "Origin: http://evil.example\r\n\r\n"), kIndex);
}

TEST_F(HttpServerTest, BodyMayArriveLaterAndAfterContinue)
{
    // Head and body in separate segments, the body itself split.
    {
        Client c(server.port());
        c.send("POST /sendsms.htm HTTP/1.1\r\nContent-Length: 26\r\n");
        waitUntil([] { return false; }, 50);
        c.send("\r\nmPhoneNo=12&mMe");
        waitUntil([] { return false; }, 50);
        c.pump();
        EXPECT_TRUE(c.got.isEmpty());
        c.send("ssage=split");
        EXPECT_EQ(c.answer(), kSuccess);
    }
    EXPECT_EQ(onlyRow().mid(0, 2), QStringList({"12", "split"}));

    // Expect: 100-continue: the body is sent only after the interim answer.
    ASSERT_TRUE(f.db().exec("DELETE FROM tboutqueue"));
    {
        Client c(server.port());
        c.send("POST /sendsms.htm HTTP/1.1\r\nExpect: 100-continue\r\nContent-Length: 25\r\n\r\n");
        ASSERT_TRUE(waitUntil([&] { c.pump(); return c.got.size() >= kContinue.size(); }));
        EXPECT_EQ(c.got, kContinue);
        c.send("mPhoneNo=13&mMessage=cont");
        EXPECT_EQ(c.answer(), kContinue + kSuccess);
    }
    EXPECT_EQ(onlyRow().mid(0, 2), QStringList({"13", "cont"}));

    // A client that sends the body at once gets no interim answer.
    ASSERT_TRUE(f.db().exec("DELETE FROM tboutqueue"));
    EXPECT_EQ(exchange("POST /sendsms.htm HTTP/1.1\r\nExpect: 100-continue\r\nContent-Length: 24\r\n\r\n"
                       "mPhoneNo=14&mMessage=one"),
              kSuccess);
    EXPECT_EQ(rows(), 1);
}

TEST_F(HttpServerTest, DropsMalformedAndOversizedRequests)
{
    EXPECT_EQ(get(""), kIndex);
    const int fds = openFds();
    const QList<QByteArray> dropped = {
        "GET /" + QByteArray(9000, 'a') + " HTTP/1.1\r\n\r\n",
        "GET / HTTP/1.1\r\nX-Pad: " + QByteArray(8200, 'p') + "\r\n\r\n",
        "POST /sendsms.htm HTTP/1.1\r\nContent-Length: -1\r\n\r\n",
        "POST /sendsms.htm HTTP/1.1\r\nContent-Length: abc\r\n\r\n",
        "POST /sendsms.htm HTTP/1.1\r\nContent-Length: 99999999\r\n\r\n",
        "POST /sendsms.htm HTTP/1.1\r\nContent-Length: 8193\r\n\r\n" + QByteArray(8193, 'a'),
        "POST /sendsms.htm HTTP/1.1\r\nContent-Length: 3\r\nContent-Length: 4\r\n\r\nabcd",
        "POST /sendsms.htm HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nabcde\r\n0\r\n\r\n",
    };
    for (const QByteArray& r : dropped) {
        EXPECT_EQ(exchange(r), QByteArray()) << r.left(60).constData();
        EXPECT_EQ(get(""), kIndex) << "still serving after " << r.left(60).constData();
    }
    // Just inside the limits is served.
    const QByteArray head = "GET / HTTP/1.1\r\nX-Pad: ";
    EXPECT_EQ(exchange(head + QByteArray(8192 - head.size() - 4, 'p') + "\r\n\r\n"), kIndex);
    QByteArray body = "mPhoneNo=1&mMessage=x&pad=" + QByteArray(8192 - 26, 'p');
    EXPECT_EQ(post("sendsms.htm", body), kSuccess);

    // 64 KiB of noise.
    QByteArray noise(64 * 1024, 0);
    QRandomGenerator gen(42);
    for (char& ch : noise)
        ch = char(gen.bounded(256));
    noise.replace("\n", "x");
    EXPECT_EQ(exchange(noise), QByteArray());

    // Two requests in one write: only the first is answered.
    EXPECT_EQ(exchange("GET /notfound.htm HTTP/1.1\r\n\r\nGET / HTTP/1.1\r\n\r\n"), kNotFound);
    EXPECT_EQ(rows(), 1);
    EXPECT_EQ(server.liveConnections(), 0);
    // Every socket of the server is closed again.
    EXPECT_TRUE(waitUntil([&] { return openFds() == fds; }, 20000)) << openFds() << " vs " << fds;
}

TEST_F(HttpServerTest, AllowListDecidesBeforeAnythingIsRead)
{
    // 127.0.0.2 is not on the list: dropped, no byte of an answer, nothing queued.
    EXPECT_EQ(exchange("GET /sendsms.htm?mPhoneNo=1&mMessage=x HTTP/1.1\r\n\r\n", "127.0.0.2"), QByteArray());
    EXPECT_EQ(rows(), 0);
    // A change applies to the next connection without a restart.
    allow(127, 0, 0, 0);
    EXPECT_EQ(exchange("GET / HTTP/1.1\r\n\r\n", "127.0.0.2"), kIndex);
    // An empty list admits no one.
    ASSERT_TRUE(f.db().exec("DELETE FROM tbipallowed"));
    EXPECT_EQ(exchange("GET / HTTP/1.1\r\n\r\n"), QByteArray());
    EXPECT_EQ(server.liveConnections(), 0);
}

TEST_F(HttpServerTest, ConnectionLimitAnswersFullAndIdleClientsAreCut)
{
    server.setMaxConnections(3);
    server.setRequestTimeout(400);
    EXPECT_EQ(get(""), kIndex);
    const int fds = openFds();
    std::vector<std::unique_ptr<Client>> idle;
    for (int i = 0; i < 3; ++i)
        idle.push_back(std::make_unique<Client>(server.port()));
    ASSERT_TRUE(waitUntil([&] { return server.liveConnections() == 3; }));

    // The next allowed caller gets "full.htm" and is closed; a refused one
    // gets nothing.
    EXPECT_EQ(get(""), kFull);
    EXPECT_EQ(exchange("GET / HTTP/1.1\r\n\r\n", "127.0.0.3"), QByteArray());

    // A trickling client does not extend its deadline.
    idle[0]->send("G");
    for (int i = 0; i < 20 && !idle[0]->closed; ++i) {
        waitUntil([] { return false; }, 50);
        idle[0]->pump();
        idle[0]->send("E");
    }
    for (auto& c : idle) {
        EXPECT_TRUE(c->waitClosed(2000));
        EXPECT_TRUE(c->got.isEmpty());
    }
    EXPECT_EQ(server.liveConnections(), 0);
    EXPECT_EQ(get(""), kIndex);
    idle.clear();
    EXPECT_TRUE(waitUntil([&] { return openFds() == fds; }, 20000)) << openFds() << " vs " << fds;
}

TEST_F(HttpServerTest, ClientThatNeverReadsIsDropped)
{
    // A page larger than the socket buffers can take (4 MiB with its CR LF).
    writeFile(QDir(www).filePath("big.htm"), QByteArray(4 * 1024 * 1024 - 2, 'b'));
    restart();
    server.setWriteTimeout(300);
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    int small = 4096;
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(server.port());
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    const char req[] = "GET /big.htm HTTP/1.1\r\n\r\n";
    ASSERT_EQ(::write(fd, req, sizeof req - 1), qint64(sizeof req - 1));
    ASSERT_TRUE(waitUntil([&] { return server.liveConnections() == 1; }));
    waitUntil([] { return false; }, 100);
    EXPECT_EQ(server.liveConnections(), 1);
    EXPECT_TRUE(waitUntil([&] { return server.liveConnections() == 0; }, 20000));
    ::close(fd);
}

TEST_F(HttpServerTest, WaitsForAnOpenTransactionBeforeQueueing)
{
    Client c(server.port());
    ASSERT_TRUE(f.db().begin());
    c.send("GET /sendsms.htm?mPhoneNo=1&mMessage=later HTTP/1.1\r\n\r\n");
    waitUntil([] { return false; }, 200);
    c.pump();
    EXPECT_TRUE(c.got.isEmpty());
    // The other part's work is rolled back; the submission must survive it.
    ASSERT_TRUE(f.db().rollback());
    EXPECT_EQ(c.answer(), kSuccess);
    EXPECT_EQ(onlyRow().mid(0, 2), QStringList({"1", "later"}));
}

TEST_F(HttpServerTest, MissingAnswerPagesNeverLookLikeSuccess)
{
    for (const char* name : {"success.htm", "fail.htm", "notfound.htm"})
        QFile::remove(QDir(www).filePath(name));
    restart();
    EXPECT_EQ(get("sendsms.htm?mPhoneNo=1&mMessage=x"), ok(""));
    EXPECT_EQ(rows(), 1);
    EXPECT_EQ(get("sendsms.htm?mPhoneNo=1"), QByteArray());
    EXPECT_EQ(get("nothere.htm"), QByteArray());
    EXPECT_EQ(rows(), 1);
}

TEST_F(HttpServerTest, PortInUseIsAWarningAndNotAnError)
{
    QTcpServer other;
    ASSERT_TRUE(other.listen(QHostAddress::AnyIPv4, 0));
    HttpServer second(f.db(), queue, testenv::prompt());
    EXPECT_FALSE(StartHTTPServer(second, other.serverPort()));
    ASSERT_EQ(testenv::prompt().count(), 1);
    EXPECT_EQ(testenv::prompt().shown()[0].title, "Warning");
    EXPECT_TRUE(testenv::prompt().shown()[0].notice);
    EXPECT_TRUE(testenv::prompt().shown()[0].text.startsWith(
        QStringLiteral("Unable to start HTTP service on port %1.\n").arg(other.serverPort())));
    EXPECT_FALSE(StartHTTPServer(second, 70000));
    EXPECT_EQ(testenv::prompt().count(), 2);
}
