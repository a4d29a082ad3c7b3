#include "sms/Pdu.h"

namespace {

QString hex2(unsigned value)
{
    return QStringLiteral("%1").arg(value & 0xFF, 2, 16, QLatin1Char('0')).toUpper();
}

// Trims blanks (spaces) only, at both ends.
QString trimBlanks(const QString& s)
{
    int b = 0, e = int(s.size());
    while (b < e && s.at(b) == QLatin1Char(' '))
        ++b;
    while (e > b && s.at(e - 1) == QLatin1Char(' '))
        --e;
    return s.mid(b, e - b);
}


} // namespace

namespace pdu {

QString TextToHex(const QString& text)
{
    QString out;
    out.reserve(text.size() * 2);
    for (const QChar c : text)
        out += hex2(c.unicode());
    return out;
}

QString SwapDigitPairs(const QString& text)
{
    QString s = trimBlanks(text);
    for (int i = 0; i + 1 < s.size(); i += 2) {
        const QChar a = s.at(i);
        s[i] = s.at(i + 1);
        s[i + 1] = a;
    }
    return s;
}

QString Pack7Bit(const QString& septets)
{
    return packSeptets(trimBlanks(septets));
}

QString packSeptets(const QString& s)
{
    const int n = int(s.size());
    QString out;
    out.reserve((7 * n + 7) / 8 * 2);
    for (int i = 1; i <= n; ++i) {
        const int r = i % 8;
        if (r == 0)
            continue;
        const unsigned c = s.at(i - 1).unicode() & 0x7F;
        unsigned octet = c >> (r - 1);
        if (i < n) {
            const unsigned d = s.at(i).unicode() & 0x7F;
            octet += (d & ((1u << r) - 1)) << (8 - r);
        }
        out += hex2(octet);
    }
    return out;
}

QString Unpack7Bit(const QString& hex)
{
    const QByteArray octets = leadingOctets(hex);
    const size_t size = size_t(octets.size());
    const QString all =
        unpackSeptets(reinterpret_cast<const unsigned char*>(octets.constData()), size, 0, size * 8 / 7);
    QString out;
    out.reserve(all.size());
    for (qsizetype i = 0; i < all.size(); ++i)
        if (i % 8 != 7 || all.at(i).unicode() > 1)
            out += all.at(i);
    return out;
}

QString unpackSeptets(const unsigned char* octets, size_t size, size_t firstBit, size_t count)
{
    const size_t bits = size * 8;
    if (firstBit >= bits)
        return QString();
    count = qMin(count, (bits - firstBit) / 7);
    QString out;
    out.reserve(qsizetype(count));
    for (size_t s = 0; s < count; ++s) {
        const size_t bit = firstBit + 7 * s;
        const size_t at = bit / 8;
        const unsigned shift = unsigned(bit % 8);
        unsigned v = octets[at] >> shift;
        if (shift > 1)
            v |= unsigned(octets[at + 1]) << (8 - shift);
        out += QChar(char16_t(v & 0x7F));
    }
    return out;
}

QByteArray leadingOctets(const QString& hex)
{
    QByteArray out;
    out.reserve(hex.size() / 2);
    for (qsizetype i = 0; i + 1 < hex.size(); i += 2) {
        const int hi = hexDigitValue(hex.at(i)), lo = hexDigitValue(hex.at(i + 1));
        if (hi < 0 || lo < 0)
            break;
        out.append(char(hi * 16 + lo));
    }
    return out;
}

QString HexToUnicode(const QString& hex)
{
    const QString s = trimBlanks(hex);
    QString out;
    for (int i = 0; i + 3 < s.size(); i += 4) {
        int v = 0;
        bool ok = true;
        for (int j = 0; j < 4; ++j) {
            const int d = hexDigitValue(s.at(i + j));
            if (d < 0) {
                ok = false;
                break;
            }
            v = v * 16 + d;
        }
        if (!ok)
            break;
        out += QChar(ushort(v));
    }
    return out;
}

int hexDigitValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    return -1;
}

bool isHexOctets(const QString& hex)
{
    if (hex.size() % 2 != 0)
        return false;
    for (const QChar c : hex)
        if (hexDigitValue(c) < 0)
            return false;
    return true;
}

} // namespace pdu
