// Load on the HTTP server: many concurrent clients on loopback, first for a
// static page, then for "sendsms.htm". Reports requests per second, how the
// answers split (page, "full.htm", dropped), whether every success answer
// left exactly one Outbox row, and whether a 100 ms timer in the server's
// thread (the activity cycle runs there) kept its tick meanwhile.
//
//   bench_http_load [clients] [seconds per phase]     (defaults 32 and 5)
//
// Only 127.0.0.1 is used; the run is bounded in time and in requests.
#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <arpa/inet.h>
#include <atomic>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "base/EngineState.h"
#include "engine/OutboxQueue.h"
#include "remote/http/HttpServer.h"
#include "base/Database.h"
#include "support/ScriptedPrompt.h"


// Nothing here asks; a question would be answered from the script.
static ScriptedPrompt benchPrompt;

namespace {

constexpr long kMaxRequestsPerPhase = 2'000'000;

struct Counts {
    std::atomic<long> page{0}, full{0}, dropped{0};
};

// One request on a fresh connection; the whole answer up to the close.
QByteArray request(quint16 port, const QByteArray& bytes)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return {};
    timeval tv{15, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    QByteArray got;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
        ::send(fd, bytes.constData(), size_t(bytes.size()), MSG_NOSIGNAL) == bytes.size()) {
        char buf[16384];
        ssize_t n;
        while ((n = ::recv(fd, buf, sizeof buf, 0)) > 0)
            got.append(buf, n);
    }
    ::close(fd);
    return got;
}

struct Phase {
    double seconds = 0;
    long requests = 0;
    int maxGapMs = 0;
    int lateTicks = 0;
    int ticks = 0;
};

Phase runPhase(quint16 port, int clients, int seconds, bool submit, const QByteArray& pageMarker,
               const QByteArray& fullMarker, Counts& counts)
{
    std::atomic<bool> stop{false};
    std::atomic<long> issued{0};
    std::atomic<int> running{clients};
    std::vector<std::thread> threads;
    for (int c = 0; c < clients; ++c) {
        threads.emplace_back([&, c] {
            for (long i = 0; !stop.load(); ++i) {
                if (issued.fetch_add(1) >= kMaxRequestsPerPhase)
                    break;
                const QByteArray target =
                    submit ? "/sendsms.htm?mPhoneNo=123&mMessage=bench+" + QByteArray::number(c) + "+" +
                                 QByteArray::number(i)
                           : QByteArray("/index.htm");
                const QByteArray answer = request(port, "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
                if (answer.contains(fullMarker))
                    ++counts.full;
                else if (answer.startsWith("HTTP/1.1 200 OK\r\n") && answer.contains(pageMarker))
                    ++counts.page;
                else
                    ++counts.dropped;
            }
            --running;
        });
    }

    // The server's thread: a timer restarted 100 ms after each tick, as the
    // activity cycle is.
    Phase p;
    QElapsedTimer clock, sinceTick;
    clock.start();
    sinceTick.start();
    QTimer tick;
    tick.setSingleShot(true);
    tick.setInterval(100);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const int gap = int(sinceTick.restart());
        if (p.ticks++ > 0) {
            p.maxGapMs = qMax(p.maxGapMs, gap);
            if (gap > 150)
                ++p.lateTicks;
        }
        tick.start();
    });
    tick.start();
    QTimer stopper;
    stopper.setSingleShot(true);
    QObject::connect(&stopper, &QTimer::timeout, [&] { stop = true; });
    stopper.start(seconds * 1000);
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (running.load() == 0)
            loop.quit();
    });
    poll.start(20);
    loop.exec();
    for (auto& t : threads)
        t.join();
    p.seconds = clock.elapsed() / 1000.0;
    p.requests = counts.page + counts.full + counts.dropped;
    return p;
}

void report(const char* what, const Phase& p, const Counts& c)
{
    std::printf("%-12s %7ld requests in %5.2f s = %8.0f req/s  (page %ld, full %ld, dropped %ld)\n", what,
                p.requests, p.seconds, p.requests / p.seconds, c.page.load(), c.full.load(), c.dropped.load());
    std::printf("%-12s 100 ms tick: %d ticks, longest gap %d ms, %d gaps over 150 ms\n", "", p.ticks, p.maxGapMs,
                p.lateTicks);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int clients = argc > 1 ? qBound(1, atoi(argv[1]), 500) : 32;
    const int seconds = argc > 2 ? qBound(1, atoi(argv[2]), 60) : 5;

    QTemporaryDir tmp;
    Database db;
    if (!tmp.isValid() || !db.open(tmp.filePath("data.db"))) {
        std::fprintf(stderr, "cannot create the database\n");
        return 1;
    }
    db.exec("INSERT INTO tbipallowed VALUES (127, 0, 0, 1, 0)");
    const QString www = tmp.filePath("www");
    QDir().mkpath(www);
    for (QDirIterator it(":/seed/www", QDir::Files); it.hasNext();) {
        const QString src = it.next();
        QFile::copy(src, QDir(www).filePath(QFileInfo(src).fileName()));
    }

    EngineState st;
    OutboxQueue queue(db, benchPrompt, st);
    HttpServer server(db, queue, benchPrompt);
    if (!server.start(0, www, QHostAddress::LocalHost)) {
        std::fprintf(stderr, "cannot listen: %s\n", qPrintable(server.errorString()));
        return 1;
    }
    std::printf("HTTP load on 127.0.0.1:%u, %d clients, %d s per phase, at most %d connections served at once\n",
                server.port(), clients, seconds, server.maxConnections());

    Counts stat;
    const Phase p1 = runPhase(server.port(), clients, seconds, false, "Send a text message", "Server busy", stat);
    report("index.htm", p1, stat);

    Counts sub;
    const Phase p2 = runPhase(server.port(), clients, seconds, true, "Message queued", "Server busy", sub);
    report("sendsms.htm", p2, sub);
    const Recordset rs = db.query("SELECT COUNT(*), COUNT(DISTINCT msgcontent) FROM tboutqueue");
    const long rows = rs.value(0, 0).toLongLong(), distinct = rs.value(0, 1).toLongLong();
    std::printf("%-12s Outbox rows %ld (distinct %ld) for %ld success answers: %s\n", "", rows, distinct,
                sub.page.load(), rows == sub.page && distinct == rows ? "exact" : "MISMATCH");
    return rows == sub.page && distinct == rows ? 0 : 2;
}
