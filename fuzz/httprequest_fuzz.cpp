// Fuzzes the HTTP request reader and what the server derives from a
// request: the target, the form fields and the checks on them.
//
// The first input byte picks the segment size, so one input is fed in
// pieces the way a slow client would send it; the result must not depend on
// the pieces where the reader promises that.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "remote/http/FormData.h"
#include "remote/http/HttpRequestReader.h"
#include "remote/http/RequestSite.h"
#include "remote/RemoteInput.h"

namespace {

void check(bool ok)
{
    if (!ok)
        std::abort();
}

HttpRequestReader::Status feedInPieces(HttpRequestReader& r, QByteArrayView data, qsizetype step)
{
    HttpRequestReader::Status s = r.status();
    for (qsizetype i = 0; i < data.size(); i += step) {
        s = r.feed(data.sliced(i, qMin(step, data.size() - i)));
        r.takeContinueRequest();
    }
    return s;
}

void derive(const HttpRequestReader& r)
{
    const RequestTarget t = parseRequestTarget(r.requestLine());
    if (t.valid)
        check(!t.page.isEmpty() && !t.page.contains('?'));
    const QByteArray form = t.hasQuery ? t.query : r.body();
    for (const char* name : {"mPhoneNo", "mMessage", "mOutDate"}) {
        const QString value = FormData::field(form, name);
        check(value.size() <= form.size());
        RemoteInput::isValidPhone(value);
        const QDateTime when = RemoteInput::parseSendTime(value);
        check(!when.isValid() || when.date().year() >= 0);
    }
    const QByteArray decoded = FormData::decode(form);
    check(decoded.size() <= form.size());
    // Without any of the headers that tell where a request comes from, no
    // request is taken for another site's.
    const RequestSiteHeaders& site = r.siteHeaders();
    const bool crossSite = isCrossSiteRequest(site, QStringLiteral("127.0.0.1"), 8010);
    if (site.origin.isEmpty() && site.referer.isEmpty() && site.fetchSite.isEmpty())
        check(!crossSite);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const qsizetype step = 1 + data[0] % 64;
    const QByteArrayView input(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));

    HttpRequestReader whole;
    const auto s1 = whole.feed(input);
    HttpRequestReader pieces;
    const auto s2 = feedInPieces(pieces, input, step);

    using S = HttpRequestReader::Status;
    for (const HttpRequestReader* r : {&whole, &pieces}) {
        if (r->status() != S::Complete)
            continue;
        check(r->requestLine().size() < HttpRequestReader::kMaxHead);
        check(r->body().size() <= HttpRequestReader::kMaxBody);
        check(r->contentLength() < 0 || r->body().size() == r->contentLength());
        derive(*r);
    }
    // The head, the length and the outcome do not depend on how the bytes
    // were split; only a body without Content-Length is "what came with the
    // head" and may differ.
    check(s1 == s2);
    if (s1 == S::Complete) {
        check(whole.requestLine() == pieces.requestLine());
        check(whole.contentLength() == pieces.contentLength());
        if (whole.contentLength() >= 0)
            check(whole.body() == pieces.body());
    }
    // Nothing changes once the request is over.
    if (s1 != S::NeedMore) {
        const QByteArray body = whole.body();
        check(whole.feed("GET / HTTP/1.1\r\n\r\n") == s1);
        check(whole.body() == body);
    }
    return 0;
}
