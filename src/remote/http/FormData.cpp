#include "remote/http/FormData.h"

#include <QStringDecoder>

namespace FormData {

namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

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

bool sameNameNoCase(QByteArrayView a, QByteArrayView b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = char(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = char(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

QString text(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString s = utf8(bytes);
    return utf8.hasError() ? QString::fromLatin1(bytes) : s;
}

} // namespace

QByteArray decode(QByteArrayView raw)
{
    QByteArray out;
    out.reserve(raw.size());
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const char c = raw[i];
        if (c == '+') {
            out.append(' ');
        } else if (c == '%' && i + 2 < raw.size() && hexValue(raw[i + 1]) >= 0 && hexValue(raw[i + 2]) >= 0) {
            out.append(char(hexValue(raw[i + 1]) * 16 + hexValue(raw[i + 2])));
            i += 2;
        } else {
            out.append(c);
        }
    }
    return out;
}

QString field(QByteArrayView data, QByteArrayView name)
{
    const QByteArrayView all = trimmed(data);
    qsizetype start = 0;
    while (start <= all.size()) {
        qsizetype end = all.indexOf('&', start);
        if (end < 0)
            end = all.size();
        const QByteArrayView pair = all.sliced(start, end - start);
        const qsizetype eq = pair.indexOf('=');
        const QByteArrayView key = trimmed(eq < 0 ? pair : pair.first(eq));
        if (sameNameNoCase(key, name)) {
            const QByteArrayView value = eq < 0 ? QByteArrayView() : trimmed(pair.sliced(eq + 1));
            return text(decode(value));
        }
        start = end + 1;
    }
    return QString();
}

} // namespace FormData
