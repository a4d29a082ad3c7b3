#include "remote/http/HttpServer.h"

#include "engine/OutboxQueue.h"
#include "remote/AllowList.h"
#include "remote/http/FormData.h"
#include "remote/http/HttpRequestReader.h"
#include "remote/http/RequestSite.h"
#include "remote/RemoteInput.h"
#include "base/AppPaths.h"
#include "base/Database.h"
#include "base/UserPrompt.h"

#include <QDeadlineTimer>
#include <QTcpSocket>
#include <QTimer>

#include <sys/socket.h>

namespace {

// Drops a connection with a reset, so that the caller sees the refusal at
// once and no byte of an answer.
void resetConnection(QTcpSocket* socket)
{
    const qintptr fd = socket->socketDescriptor();
    if (fd >= 0) {
        const struct linger lg {1, 0};
        ::setsockopt(int(fd), SOL_SOCKET, SO_LINGER, &lg, sizeof lg);
    }
    socket->abort();
}

QByteArray response(const QByteArray& body, bool headOnly)
{
    QByteArray r = "HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(body.size()) +
                   "\r\nConnection: close\r\n\r\n";
    if (!headOnly)
        r += body;
    return r;
}

} // namespace

// One accepted connection: reads the request, answers once, closes.
class HttpConnection : public QObject {
public:
    HttpConnection(HttpServer& server, QTcpSocket* socket, bool counted)
        : QObject(&server), server_(server), socket_(socket), counted_(counted)
    {
        socket_->setParent(this);
        socket_->setReadBufferSize(16 * 1024);
        deadline_.setSingleShot(true);
        busyRetry_.setSingleShot(true);
        connect(&deadline_, &QTimer::timeout, this, [this] { drop(); });
        connect(&busyRetry_, &QTimer::timeout, this, [this] { process(); });
        connect(socket_, &QTcpSocket::readyRead, this, [this] { readAvailable(); });
        connect(socket_, &QTcpSocket::bytesWritten, this, [this] { closeWhenWritten(); });
        connect(socket_, &QTcpSocket::disconnected, this, [this] { finish(); });
        connect(socket_, &QTcpSocket::errorOccurred, this, [this] {
            if (socket_->state() == QAbstractSocket::UnconnectedState)
                finish();
        });
    }

    void startReading()
    {
        // The whole request within the limit from the accept: a caller that
        // trickles bytes does not extend it. The timer drops an idle caller;
        // the deadline is checked again before a request is acted on, in case
        // the event loop came back late.
        deadline_.start(server_.requestTimeoutMs_);
        requestDeadline_.setRemainingTime(server_.requestTimeoutMs_);
        readAvailable();
    }

    // Sends an answer and closes once it is written.
    void answer(const QByteArray& bytes)
    {
        state_ = State::Answering;
        deadline_.start(server_.writeTimeoutMs_);
        socket_->write(bytes);
        socket_->flush();
        closeWhenWritten();
    }

private:
    enum class State { Reading, Busy, Answering, Done };

    void readAvailable()
    {
        char chunk[4096];
        while (state_ != State::Done && socket_->bytesAvailable() > 0) {
            const qint64 n = socket_->read(chunk, sizeof chunk);
            if (n <= 0)
                break;
            // After the request anything further is read and dropped, so that
            // unread data does not turn the close into a reset.
            if (state_ != State::Reading)
                continue;
            const auto status = reader_.feed(QByteArrayView(chunk, n));
            if (status == HttpRequestReader::Status::Failed) {
                drop();
                return;
            }
            if (reader_.takeContinueRequest()) {
                socket_->write("HTTP/1.1 100 Continue\r\n\r\n");
                socket_->flush();
            }
            if (status == HttpRequestReader::Status::Complete)
                process();
        }
    }

    void process()
    {
        if (state_ == State::Done || state_ == State::Answering)
            return;
        if (requestDeadline_.hasExpired()) {
            drop();
            return;
        }
        const RequestTarget target = parseRequestTarget(reader_.requestLine());
        QByteArray page;
        if (!target.valid) {
            page = "notfound.htm";
        } else if (target.page == "sendsms.htm") {
            if (server_.db_.inTransaction()) {
                // Another part of the program has a transaction open on the
                // shared connection; a row queued inside it could still be
                // rolled back after "success.htm" went out.
                state_ = State::Busy;
                busyRetry_.start(server_.busyRetryMs_);
                return;
            }
            // A page of another site may not send through the browser of
            // an allowed computer, nor through a name of its own that it
            // pointed at this machine.
            const bool crossSite =
                isCrossSiteRequest(reader_.siteHeaders(), socket_->localAddress().toString(), socket_->localPort()) ||
                !namesThisServer(reader_.siteHeaders(), ServerNames::ofThisMachine(socket_->localAddress()));
            const bool queued = !crossSite && server_.submit(target.hasQuery ? target.query : reader_.body());
            page = queued ? "success.htm" : "fail.htm";
        } else {
            page = target.page;
        }
        bool close = false;
        const QByteArray bytes = server_.answerFor(page, reader_.isHeadMethod(), &close);
        if (close)
            drop();
        else
            answer(bytes);
    }

    void closeWhenWritten()
    {
        if (state_ == State::Answering && socket_->bytesToWrite() == 0)
            socket_->disconnectFromHost();
    }

    void drop()
    {
        if (state_ == State::Done)
            return;
        resetConnection(socket_);
        finish();
    }

    void finish()
    {
        if (state_ == State::Done)
            return;
        state_ = State::Done;
        deadline_.stop();
        busyRetry_.stop();
        socket_->disconnect(this);
        deleteLater();
        server_.connectionFinished(counted_);
    }

    HttpServer& server_;
    QTcpSocket* socket_;
    const bool counted_;
    State state_ = State::Reading;
    HttpRequestReader reader_;
    QTimer deadline_;
    QDeadlineTimer requestDeadline_;
    QTimer busyRetry_;
};

HttpServer::HttpServer(Database& db, OutboxQueue& queue, UserPrompt& prompt,
                       QObject* parent)
    : QObject(parent), db_(db), queue_(queue), prompt_(prompt)
{
    // Connections are taken from a queued call, not from the signal itself:
    // the signal is emitted inside the listener's accept loop, which under a
    // flood of callers would never return to the event loop. Left pending,
    // at most maxPendingConnections() are accepted per pass of the loop, and
    // timers (the activity cycle) and live connections run in between.
    server_.setMaxPendingConnections(kAcceptBatch);
    connect(&server_, &QTcpServer::newConnection, this, &HttpServer::acceptPending, Qt::QueuedConnection);
}

HttpServer::~HttpServer() { stop(); }

bool HttpServer::start(quint16 port, const QString& wwwDir, const QHostAddress& address)
{
    stop();
    error_.clear();
    pages_.load(wwwDir);
    if (!server_.listen(address, port)) {
        error_ = server_.errorString();
        return false;
    }
    return true;
}

void HttpServer::stop()
{
    server_.close();
    const auto connections = findChildren<HttpConnection*>(Qt::FindDirectChildrenOnly);
    for (HttpConnection* c : connections)
        delete c;
    live_ = 0;
    overflow_ = 0;
}

void HttpServer::acceptPending()
{
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
        // The allow list is read for every caller, so a change applies to the
        // next connection.
        if (!AllowList::isAllowed(db_, socket->peerAddress())) {
            resetConnection(socket);
            socket->deleteLater();
            continue;
        }
        if (live_ >= maxConnections_) {
            // Full: "full.htm" when held, then close. Such answers are bounded
            // too, so that a flood cannot pile up sockets.
            const QByteArray full = pages_.page("full.htm");
            if (full.isNull() || overflow_ >= maxConnections_) {
                resetConnection(socket);
                socket->deleteLater();
                continue;
            }
            ++overflow_;
            auto* c = new HttpConnection(*this, socket, false);
            c->answer(response(full, false));
            continue;
        }
        ++live_;
        auto* c = new HttpConnection(*this, socket, true);
        c->startReading();
    }
}

void HttpServer::connectionFinished(bool counted)
{
    if (counted)
        live_ = qMax(0, live_ - 1);
    else
        overflow_ = qMax(0, overflow_ - 1);
}

QByteArray HttpServer::answerFor(const QByteArray& page, bool headOnly, bool* close) const
{
    *close = false;
    QByteArray body = pages_.page(page);
    if (!body.isNull())
        return response(body, headOnly);
    if (page == "success.htm")
        return response(QByteArray(), headOnly);
    // A failure never looks like a success: without "fail.htm" there is no
    // answer at all.
    if (page != "fail.htm") {
        body = pages_.page("notfound.htm");
        if (!body.isNull())
            return response(body, headOnly);
    }
    *close = true;
    return {};
}

bool HttpServer::submit(const QByteArray& form)
{
    bool phoneRead = true, messageRead = true, dateRead = true;
    const QString phone = FormData::field(form, "mPhoneNo", &phoneRead).trimmed();
    const QString message = FormData::field(form, "mMessage", &messageRead);
    const QString date = FormData::field(form, "mOutDate", &dateRead).trimmed();
    if (!phoneRead || !messageRead || !dateRead)
        return false;
    if (!RemoteInput::isValidPhone(phone) || message.trimmed().isEmpty())
        return false;
    const QDateTime due = date.isEmpty() ? queue_.clock().now() : RemoteInput::parseSendTime(date);
    if (!due.isValid())
        return false;
    // The queue fills the merge fields and refuses a text that cannot be
    // sent as one GSM message.
    if (!queue_.AddToOutboxQuiet(phone, 1, message, due, 9))
        return false;
    emit submissionQueued(phone);
    return true;
}

bool StartHTTPServer(HttpServer& server, int port)
{
    QString reason;
    if (port < 1 || port > 65535)
        reason = QStringLiteral("The port number is out of range.");
    else if (server.start(quint16(port), AppPaths::wwwDir()))
        return true;
    else
        reason = server.errorString();
    // Said without waiting: at load the cycle starts after this, and a
    // program left running unattended must not wait for an OK to send.
    server.prompt().notify(UserPrompt::Icon::Warning, QStringLiteral("Warning"),
                           QStringLiteral("Unable to start HTTP service on port %1.\n%2").arg(port).arg(reason),
                           QStringLiteral("http port"));
    return false;
}
