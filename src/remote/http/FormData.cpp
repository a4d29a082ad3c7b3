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

// Whether a well-formed UTF-8 sequence of two or more bytes starts at `at`:
// no overlong form, no surrogate, nothing above U+10FFFF.
bool multiByteSequenceAt(const QByteArray& bytes, qsizetype at)
{
    const auto byte = [&](qsizetype i) { return uchar(bytes[i]); };
    const uchar lead = byte(at);
    int length = 0;
    uchar low = 0x80, high = 0xBF; // the range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0;
        else if (lead == 0xED)
            high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F;
    } else {
        return false;
    }
    if (at + length > bytes.size() || byte(at + 1) < low || byte(at + 1) > high)
        return false;
    for (qsizetype i = at + 2; i < at + length; ++i)
        if (byte(i) < 0x80 || byte(i) > 0xBF)
            return false;
    return true;
}

// UTF-8 when the bytes are UTF-8; Latin-1 when they hold no UTF-8 sequence
// at all (an older page or a hand-made address). Both at once, UTF-8 with a
// stray byte, could be either and is refused.
QString text(const QByteArray& bytes, bool* ok)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString s = utf8(bytes);
    if (!utf8.hasError())
        return s;
    for (qsizetype i = 0; i < bytes.size(); ++i)
        if (multiByteSequenceAt(bytes, i)) {
            *ok = false;
            return QString();
        }
    return QString::fromLatin1(bytes);
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

QString field(QByteArrayView data, QByteArrayView name, bool* ok)
{
    bool readable = true;
    if (!ok)
        ok = &readable;
    *ok = true;
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
            return text(decode(value), ok);
        }
        start = end + 1;
    }
    return QString();
}

} // namespace FormData
