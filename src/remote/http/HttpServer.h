#pragma once
// The HTTP server through which allowed computers submit messages to send.
//
// It listens on IPv4 only. A caller that the allow list refuses is dropped
// at once, before anything it sent is read. At most maxConnections() allowed
// callers are served at a time; the next one gets "full.htm" and is closed.
// A request (head up to 8 KiB, body up to 8 KiB) must arrive within the
// request timeout counted from the accept, or the connection is dropped.
// Every answer is "HTTP/1.1 200 OK" with the page from memory, then the
// connection closes. "sendsms.htm" queues a text from the fields mPhoneNo,
// mMessage and mOutDate and answers "success.htm" only when the message was
// queued, "fail.htm" otherwise; a submission that a browser makes for a page
// of another site is refused (RequestSite.h).
#include <QHostAddress>
#include <QObject>
#include <QString>
#include <QTcpServer>

#include "remote/http/WebPages.h"

class Database;
class UserPrompt;
class OutboxQueue;

class HttpServer : public QObject {
    Q_OBJECT
public:
    HttpServer(Database& db, OutboxQueue& queue, UserPrompt& prompt,
               QObject* parent = nullptr);
    // Where the server's warnings go.
    UserPrompt& prompt() { return prompt_; }
    ~HttpServer() override;

    // Loads the pages of `wwwDir` and starts listening. Returns false with
    // errorString() set when the port cannot be taken.
    bool start(quint16 port, const QString& wwwDir, const QHostAddress& address = QHostAddress::AnyIPv4);
    // Stops listening and drops every connection.
    void stop();
    bool isListening() const { return server_.isListening(); }
    quint16 port() const { return server_.serverPort(); }
    QString errorString() const { return error_; }

    const WebPages& pages() const { return pages_; }
    int liveConnections() const { return live_; }

    // Limits; the defaults are those of the running program.
    int maxConnections() const { return maxConnections_; }
    void setMaxConnections(int n) { maxConnections_ = n; }
    // From the accept to the last byte of the request.
    void setRequestTimeout(int ms) { requestTimeoutMs_ = ms; }
    // For the caller to take the answer.
    void setWriteTimeout(int ms) { writeTimeoutMs_ = ms; }
    // Between tries while another part of the program holds a transaction.
    void setBusyRetryInterval(int ms) { busyRetryMs_ = ms; }

signals:
    // A submission was queued for `number`.
    void submissionQueued(const QString& number);

private:
    friend class HttpConnection;
    void acceptPending();
    void connectionFinished(bool counted);
    // The answer to a complete request; `close` is set when the connection
    // is to be closed without any answer.
    QByteArray answerFor(const QByteArray& page, bool headOnly, bool* close) const;
    // Queues a submission; true when the message was queued.
    bool submit(const QByteArray& form);

    static constexpr int kAcceptBatch = 16;

    Database& db_;
    OutboxQueue& queue_;
    UserPrompt& prompt_;
    QTcpServer server_;
    WebPages pages_;
    QString error_;
    int live_ = 0;
    int overflow_ = 0;
    int maxConnections_ = 50;
    int requestTimeoutMs_ = 10000;
    int writeTimeoutMs_ = 10000;
    int busyRetryMs_ = 50;
};

// The start at the program's load: pages from the data folder's "www", the
// port from the settings. A failure shows the Warning "Unable to start HTTP
// service on port N." with the reason, and the load goes on without the
// server. Returns whether the server listens.
bool StartHTTPServer(HttpServer& server, int port);
