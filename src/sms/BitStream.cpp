#include "sms/BitStream.h"

#include <QByteArray>
#include <QList>

namespace sms {

namespace {

QChar hexChar(int value)
{
    return QLatin1Char("0123456789ABCDEF"[value & 0xF]);
}

} // namespace

void BitWriter::append(uint32_t value, int width)
{
    width = qBound(0, width, 32);
    for (int i = width - 1; i >= 0; --i) {
        pending_ = pending_ * 2 + int((value >> i) & 1u);
        if (++pendingBits_ > 3) {
            hex_ += hexChar(pending_);
            pending_ = 0;
            pendingBits_ = 0;
        }
    }
}

void BitWriter::padToDigit()
{
    if (pendingBits_ > 0)
        append(0, 4 - pendingBits_);
}

BitReader::BitReader(const QString& hex) : hex_(hexPrefix(hex)) {}

uint32_t BitReader::read(int width)
{
    width = qBound(0, width, 32);
    uint32_t value = 0;
    for (int i = 0; i < width; ++i) {
        const int digit = at_ < hex_.size() ? hexDigitValue(hex_.at(at_)) : 0;
        value = value * 2 + uint32_t((digit >> bit_) & 1);
        if (--bit_ < 0) {
            bit_ = 3;
            // Past the last digit, or on a text already used up, the read
            // stops with what it has.
            if (at_ < hex_.size())
                ++at_;
            if (at_ >= hex_.size())
                break;
        }
    }
    return value;
}

QString bitsToHex(const QString& bits)
{
    const QString t = bits.trimmed();
    QString hex;
    hex.reserve((t.size() + 3) / 4);
    for (qsizetype i = 0; i < t.size(); i += 4) {
        int digit = 0;
        for (qsizetype k = 0; k < 4; ++k) {
            digit *= 2;
            if (i + k < t.size() && t.at(i + k) == QLatin1Char('1'))
                digit += 1;
        }
        hex += hexChar(digit);
    }
    return hex;
}

int hexValue(const QString& text, qsizetype at, int count)
{
    if (at < 0 || count < 0 || count > 7 || at + count > text.size())
        return -1;
    int value = 0;
    for (int i = 0; i < count; ++i) {
        const int d = hexDigitValue(text.at(at + i));
        if (d < 0)
            return -1;
        value = value * 16 + d;
    }
    return value;
}

QString hexPrefix(const QString& text)
{
    qsizetype n = 0;
    while (n < text.size() && hexDigitValue(text.at(n)) >= 0)
        ++n;
    return n == text.size() ? text : text.left(n);
}

QByteArray latin1Octets(const QString& text)
{
    QByteArray out;
    const QList<uint> codes = text.toUcs4();
    out.reserve(codes.size());
    for (const uint code : codes)
        out += code < 256 ? char(code) : '?';
    return out;
}

QString latin1Hex(const QString& text)
{
    return QString::fromLatin1(latin1Octets(text).toHex().toUpper());
}

QString latin1FromHex(const QString& hex)
{
    QString text;
    for (qsizetype i = 0; i + 1 < hex.size(); i += 2) {
        const int octet = hexValue(hex, i, 2);
        if (octet < 0)
            break;
        text += QChar(char16_t(octet));
    }
    return text;
}

} // namespace sms
