#pragma once
// Reads one HTTP request from the bytes of a connection as they arrive: the
// head up to its blank line, then the body the head declares. It does no
// I/O, so the server, the tests and the fuzzer drive it alike.
//
// Limits: the head with its blank line at most 8 KiB; Content-Length a
// decimal number from 0 to 8192; no Transfer-Encoding. A request past any
// of them fails, and the server then drops the connection. Without a
// Content-Length the body is whatever arrived together with the head.
#include <QByteArray>
#include <QByteArrayView>

#include "remote/http/RequestSite.h"

class HttpRequestReader {
public:
    static constexpr qsizetype kMaxHead = 8 * 1024;
    static constexpr qsizetype kMaxBody = 8 * 1024;

    enum class Status { NeedMore, Complete, Failed };

    // Adds the next bytes of the connection. Bytes after the end of the
    // request (a second, pipelined request) are ignored.
    Status feed(QByteArrayView data);
    Status status() const { return status_; }

    // True once, right after a head that asked "Expect: 100-continue" while
    // its body is still to come: the caller then answers
    // "HTTP/1.1 100 Continue" so that the client sends the body.
    bool takeContinueRequest();

    // Valid once the head is complete.
    QByteArray requestLine() const { return requestLine_; }
    QByteArray method() const;
    bool isHeadMethod() const { return method() == "HEAD"; }
    qint64 contentLength() const { return contentLength_; } // -1 when absent
    bool expectsContinue() const { return expectContinue_; }
    // Host, Origin, Referer and Sec-Fetch-Site, for telling a request from
    // a page of another site.
    const RequestSiteHeaders& siteHeaders() const { return site_; }
    // Valid once complete.
    QByteArray body() const { return body_; }
    // Why the request failed (for logs and tests).
    const char* failure() const { return failure_; }

private:
    Status fail(const char* why);
    bool parseHead(QByteArrayView head);

    Status status_ = Status::NeedMore;
    bool headDone_ = false;
    QByteArray buffer_;        // the head while it is incomplete
    qsizetype scanned_ = 0;    // head bytes already searched for the blank line
    QByteArray requestLine_;
    QByteArray body_;
    qint64 contentLength_ = -1;
    bool expectContinue_ = false;
    bool continuePending_ = false;
    RequestSiteHeaders site_;
    const char* failure_ = "";
};

// Where a request line points: the text after its first "/" up to " HTTP/",
// trimmed, and split at the first "?" into the page name and the form data
// of a query string. An empty name is "index.htm". A line without " HTTP/",
// or without a "/" before it, names no page. Nothing is percent-decoded.
struct RequestTarget {
    bool valid = false;
    QByteArray page;
    bool hasQuery = false;
    QByteArray query;
};
RequestTarget parseRequestTarget(QByteArrayView requestLine);
