#include "remote/http/HttpRequestReader.h"

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

QByteArrayView trimmed(QByteArrayView v)
{
    qsizetype b = 0, e = v.size();
    while (b < e && isBlank(v[b]))
        ++b;
    while (e > b && isBlank(v[e - 1]))
        --e;
    return v.sliced(b, e - b);
}

bool equalsNoCase(QByteArrayView a, const char* lower)
{
    qsizetype i = 0;
    for (; i < a.size(); ++i) {
        if (!lower[i])
            return false;
        char c = a[i];
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
        if (c != lower[i])
            return false;
    }
    return lower[i] == 0;
}

// Parses Content-Length: ASCII digits only, value at most `max`.
qint64 parseLength(QByteArrayView v, qint64 max)
{
    v = trimmed(v);
    if (v.isEmpty())
        return -1;
    qint64 n = 0;
    for (char c : v) {
        if (c < '0' || c > '9')
            return -1;
        n = n * 10 + (c - '0');
        if (n > max)
            return -1;
    }
    return n;
}

} // namespace

HttpRequestReader::Status HttpRequestReader::fail(const char* why)
{
    failure_ = why;
    status_ = Status::Failed;
    buffer_.clear();
    body_.clear();
    continuePending_ = false;
    return status_;
}

bool HttpRequestReader::takeContinueRequest()
{
    const bool pending = continuePending_;
    continuePending_ = false;
    return pending;
}

QByteArray HttpRequestReader::method() const
{
    const qsizetype sp = requestLine_.indexOf(' ');
    return sp < 0 ? requestLine_ : requestLine_.left(sp);
}

HttpRequestReader::Status HttpRequestReader::feed(QByteArrayView data)
{
    if (status_ != Status::NeedMore || data.isEmpty())
        return status_;

    if (headDone_) {
        const qsizetype want = contentLength_ - body_.size();
        body_.append(data.first(qMin(want, data.size())));
        if (body_.size() >= contentLength_) {
            continuePending_ = false;
            status_ = Status::Complete;
        }
        return status_;
    }

    // Nothing past the largest head and body can matter; the rest of a
    // large write is dropped rather than buffered.
    const qsizetype room = kMaxHead + kMaxBody - buffer_.size();
    buffer_.append(data.first(qMin(room, data.size())));

    // The head ends at the first empty line: LF LF or LF CR LF (so CR LF CR LF
    // and bare LF line ends both work).
    qsizetype lineEnd = -1, headEnd = -1;
    for (qsizetype i = qMax<qsizetype>(0, scanned_ - 2); i < buffer_.size(); ++i) {
        if (buffer_[i] != '\n')
            continue;
        if (i + 1 < buffer_.size() && buffer_[i + 1] == '\n') {
            lineEnd = i;
            headEnd = i + 2;
            break;
        }
        if (i + 2 < buffer_.size() && buffer_[i + 1] == '\r' && buffer_[i + 2] == '\n') {
            lineEnd = i;
            headEnd = i + 3;
            break;
        }
    }
    if (headEnd < 0) {
        scanned_ = buffer_.size();
        if (buffer_.size() >= kMaxHead)
            return fail("head too large");
        return status_;
    }
    if (headEnd > kMaxHead)
        return fail("head too large");

    headDone_ = true;
    if (!parseHead(QByteArrayView(buffer_).first(lineEnd)))
        return status_;
    const QByteArrayView rest = QByteArrayView(buffer_).sliced(headEnd);
    if (contentLength_ < 0) {
        body_ = rest.first(qMin(rest.size(), kMaxBody)).toByteArray();
        status_ = Status::Complete;
    } else {
        body_ = rest.first(qMin(rest.size(), qsizetype(contentLength_))).toByteArray();
        if (body_.size() >= contentLength_)
            status_ = Status::Complete;
        else
            continuePending_ = expectContinue_;
    }
    buffer_.clear();
    return status_;
}

bool HttpRequestReader::parseHead(QByteArrayView head)
{
    qsizetype pos = 0;
    bool first = true;
    while (pos <= head.size()) {
        qsizetype nl = head.indexOf('\n', pos);
        if (nl < 0)
            nl = head.size();
        QByteArrayView line = head.sliced(pos, nl - pos);
        if (line.endsWith('\r'))
            line.chop(1);
        pos = nl + 1;
        if (first) {
            requestLine_ = line.toByteArray();
            first = false;
            continue;
        }
        const qsizetype colon = line.indexOf(':');
        if (colon < 0)
            continue;
        const QByteArrayView name = trimmed(line.first(colon));
        const QByteArrayView value = line.sliced(colon + 1);
        if (equalsNoCase(name, "content-length")) {
            const qint64 n = parseLength(value, kMaxBody);
            // A second, different length makes the body's end ambiguous.
            if (n < 0 || (contentLength_ >= 0 && n != contentLength_)) {
                fail("bad Content-Length");
                return false;
            }
            contentLength_ = n;
        } else if (equalsNoCase(name, "transfer-encoding")) {
            fail("Transfer-Encoding");
            return false;
        } else if (equalsNoCase(name, "expect")) {
            if (equalsNoCase(trimmed(value), "100-continue"))
                expectContinue_ = true;
        } else if (equalsNoCase(name, "host")) {
            site_.host.append(trimmed(value).toByteArray());
        } else if (equalsNoCase(name, "origin")) {
            site_.origin.append(trimmed(value).toByteArray());
        } else if (equalsNoCase(name, "referer")) {
            site_.referer.append(trimmed(value).toByteArray());
        } else if (equalsNoCase(name, "sec-fetch-site")) {
            site_.fetchSite.append(trimmed(value).toByteArray());
        }
    }
    return true;
}

RequestTarget parseRequestTarget(QByteArrayView requestLine)
{
    RequestTarget t;
    const qsizetype http = requestLine.indexOf(QByteArrayView(" HTTP/"));
    if (http < 0)
        return t;
    const qsizetype slash = requestLine.indexOf('/');
    if (slash < 0 || slash > http)
        return t;
    QByteArrayView page = trimmed(requestLine.sliced(slash + 1, http - slash - 1));
    const qsizetype q = page.indexOf('?');
    if (q >= 0) {
        t.hasQuery = true;
        t.query = page.sliced(q + 1).toByteArray();
        page = page.first(q);
    }
    t.valid = true;
    t.page = page.isEmpty() ? QByteArray("index.htm") : page.toByteArray();
    return t;
}
