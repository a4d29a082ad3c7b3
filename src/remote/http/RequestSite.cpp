#include "remote/http/RequestSite.h"

#include <QHostInfo>
#include <QNetworkInterface>
#include <QUrl>

namespace {

struct Authority {
    bool valid = false;
    QString host; // lower case; an IPv6 address without brackets
    int port = -1; // -1: not given
};

// "http://host:port/path" as an Origin or a Referer gives it.
Authority fromUrl(const QByteArray& value)
{
    Authority a;
    const QUrl url(QString::fromLatin1(value.trimmed()), QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() || (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        return a;
    a.valid = true;
    a.host = url.host().toLower();
    a.port = url.port(scheme == QLatin1String("https") ? 443 : 80);
    return a;
}

// "host" or "host:port" as a Host header gives it.
Authority fromHostHeader(const QByteArray& value)
{
    Authority a;
    const QByteArray v = value.trimmed();
    if (v.isEmpty() || v.contains('/') || v.contains('@') || v.contains('?') || v.contains('#'))
        return a;
    const QUrl url(QStringLiteral("http://") + QString::fromLatin1(v), QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty())
        return a;
    a.valid = true;
    a.host = url.host().toLower();
    a.port = url.port(-1);
    return a;
}

bool sameHost(const Authority& addressed, const Authority& named)
{
    if (!named.valid || named.host != addressed.host)
        return false;
    return addressed.port < 0 || named.port == addressed.port;
}

} // namespace

ServerNames ServerNames::ofThisMachine(const QHostAddress& arrivedAt)
{
    ServerNames own;
    own.addresses = QNetworkInterface::allAddresses();
    own.addresses << arrivedAt;
    own.names << QStringLiteral("localhost");
    const QString host = QHostInfo::localHostName().toLower();
    if (!host.isEmpty()) {
        own.names << host;
        const QString domain = QHostInfo::localDomainName().toLower();
        if (!domain.isEmpty())
            own.names << host + QLatin1Char('.') + domain;
    }
    return own;
}

bool namesThisServer(const RequestSiteHeaders& headers, const ServerNames& own)
{
    for (const QByteArray& v : headers.host) {
        const Authority a = fromHostHeader(v);
        if (!a.valid)
            return false;
        const QHostAddress address(a.host);
        bool named = false;
        if (!address.isNull()) {
            for (const QHostAddress& mine : own.addresses)
                named = named || mine.isEqual(address, QHostAddress::ConvertV4MappedToIPv4 |
                                                            QHostAddress::ConvertLocalHost);
        } else {
            // "name." is the same name written as absolute.
            QString name = a.host;
            if (name.endsWith(QLatin1Char('.')))
                name.chop(1);
            named = own.names.contains(name);
        }
        if (!named)
            return false;
    }
    return true;
}

bool isCrossSiteRequest(const RequestSiteHeaders& headers, const QString& localHost, int localPort)
{
    // A browser says "same-origin" for the served form and "none" for an
    // address typed or bookmarked; "same-site" is a page on another port or
    // another name of the same machine, which may be anybody's.
    for (const QByteArray& v : headers.fetchSite) {
        const QByteArray site = v.trimmed().toLower();
        if (site != "same-origin" && site != "none")
            return true;
    }
    const auto allEmpty = [](const QList<QByteArray>& values) {
        for (const QByteArray& v : values)
            if (!v.trimmed().isEmpty())
                return false;
        return true;
    };
    if (allEmpty(headers.origin) && allEmpty(headers.referer))
        return false;

    // The host the request was addressed to. Two different Host headers
    // leave it open: refused.
    Authority addressed;
    if (!headers.host.isEmpty()) {
        addressed = fromHostHeader(headers.host.first());
        for (const QByteArray& v : headers.host) {
            const Authority other = fromHostHeader(v);
            if (!other.valid || other.host != addressed.host || other.port != addressed.port)
                return true;
        }
    } else {
        addressed.valid = !localHost.isEmpty();
        addressed.host = localHost.toLower();
        addressed.port = localPort;
    }
    if (!addressed.valid)
        return true;
    // An empty value says nothing; "null" and anything else that names no
    // host of ours is refused.
    for (const QList<QByteArray>* list : {&headers.origin, &headers.referer})
        for (const QByteArray& v : *list)
            if (!v.trimmed().isEmpty() && !sameHost(addressed, fromUrl(v)))
                return true;
    return false;
}
