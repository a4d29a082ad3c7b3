#pragma once
// Whether a request was made by a browser on behalf of a page of another
// site. A page anywhere on the web, opened in a browser on an allowed
// computer, can make that browser submit the send form to this server (an
// image or a form whose address is "sendsms.htm"); the browser says where
// such a request comes from, and this is how the server tells it from the
// served form and from scripted clients:
//
//   Sec-Fetch-Site other than "same-origin" or "none" (another site, or
//   "same-site": another port or name of an allowed machine)  refused
//   Origin "null" (a sandboxed or local page)   refused
//   Origin or Referer naming another host       refused
//   none of these headers (curl, scripts)       accepted
//
// The host a request is addressed to is its Host header, or the address it
// arrived at when there is none; a port is compared when the Host header
// (or the address) gives one, the Origin's or Referer's port counting as
// its scheme's default when not written.
#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QString>
#include <QStringList>

struct RequestSiteHeaders {
    // Every value of each header, in the order received.
    QList<QByteArray> host;
    QList<QByteArray> origin;
    QList<QByteArray> referer;
    QList<QByteArray> fetchSite; // Sec-Fetch-Site
};

bool isCrossSiteRequest(const RequestSiteHeaders& headers, const QString& localHost, int localPort);

// What a Host header may name: the addresses of this machine, on any of
// which the server may listen, its names and "localhost".
struct ServerNames {
    QList<QHostAddress> addresses;
    QStringList names; // lower case

    // This machine's, and the address a request arrived at.
    static ServerNames ofThisMachine(const QHostAddress& arrivedAt);
};

// Whether every Host header of a request names this server. A page of
// another site can have its own name pointed at this machine (DNS
// rebinding); its browser then takes the server for that site and sends
// the page's requests, with a matching Origin, addressed to that name. A
// request without a Host header (an HTTP/1.0 caller; browsers always send
// one) is addressed to the address it arrived at.
bool namesThisServer(const RequestSiteHeaders& headers, const ServerNames& own);
