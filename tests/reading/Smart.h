#pragma once
// Smart-message content for the reading tests, written here by hand from
// the formats (part headers, OTA bitmap, picture items, ringtone stream),
// sharing nothing with the program's codecs.
#include <QString>
#include <functional>

namespace smartwriter {

// '0'/'1' text to upper-case hex, four bits a digit, the last digit filled
// with zeros.
inline QString hexOfBits(QString bits)
{
    while (bits.size() % 4)
        bits += '0';
    QString out;
    for (qsizetype i = 0; i < bits.size(); i += 4)
        out += QString::number(bits.mid(i, 4).toInt(nullptr, 2), 16).toUpper();
    return out;
}

inline QString hexOfText(const QByteArray& latin1)
{
    return QString::fromLatin1(latin1.toHex().toUpper());
}

// A pixel pattern as one continuous bit stream, row after row.
using Pattern = std::function<bool(int x, int y)>;
inline QString pixelBits(int width, int height, const Pattern& ink)
{
    QString bits;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            bits += ink(x, y) ? '1' : '0';
    return bits;
}

inline QString header(const char* port, int total, int part)
{
    return QStringLiteral("0B0504") + QLatin1String(port) + QStringLiteral("0000000301") +
           QStringLiteral("%1%2").arg(total, 2, 16, QLatin1Char('0')).arg(part, 2, 16, QLatin1Char('0')).toUpper();
}

// An operator logo of any size in two parts, as a phone network sends it:
// version 30, operator 234 15, line feed, the OTA bitmap.
inline QString logo(int width, int height, const Pattern& ink)
{
    const QString body = QStringLiteral("3032F4510A") + QStringLiteral("00%1%2").arg(width, 2, 16, QLatin1Char('0'))
                             .arg(height, 2, 16, QLatin1Char('0')).toUpper() +
                         QStringLiteral("01") + hexOfBits(pixelBits(width, height, ink));
    const qsizetype cut = qMin<qsizetype>(body.size(), 256);
    return header("1582", 2, 1) + body.left(cut) + header("1582", 2, 2) + body.mid(cut);
}

// A picture message: the 72 x 28 bitmap item and, when text is given, a
// one-octet text item, in three parts.
inline QString picture(const Pattern& ink, const QByteArray& text)
{
    QString body = QStringLiteral("30") + QStringLiteral("02") + QStringLiteral("0100") + QStringLiteral("00481C01") +
                   hexOfBits(pixelBits(72, 28, ink));
    if (!text.isEmpty())
        body += QStringLiteral("00") + QStringLiteral("%1").arg(text.size(), 4, 16, QLatin1Char('0')).toUpper() +
                hexOfText(text);
    return header("158A", 3, 1) + body.left(256) + header("158A", 3, 2) + body.mid(256, 256) +
           header("158A", 3, 3) + body.mid(512);
}

// A ringtone: command part, song type, the title (ISO 8859-1, up to 15
// characters), no notes.
inline QString ringtone(const QByteArray& title)
{
    QString bits = QStringLiteral("00000010") + QStringLiteral("0100101000111010") + QStringLiteral("01") +
                   QString::number(title.size(), 2).rightJustified(4, '0');
    for (const char c : title)
        bits += QString::number(uchar(c), 2).rightJustified(8, '0');
    bits += QStringLiteral("00000000");
    while (bits.size() % 8)
        bits += '0';
    return header("1581", 1, 1) + hexOfBits(bits);
}

} // namespace smartwriter
