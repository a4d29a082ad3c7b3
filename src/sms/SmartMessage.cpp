#include "sms/SmartMessage.h"

#include "sms/BitStream.h"

#include <QStringView>

namespace sms {

namespace {

QString hex2(int value)
{
    return QStringLiteral("%1").arg(value & 0xFF, 2, 16, QLatin1Char('0')).toUpper();
}

bool isEvenHex(const QString& text)
{
    return text.size() % 2 == 0 && hexPrefix(text).size() == text.size();
}

// The pixels of an OTA bitmap: one continuous bit stream, row after row,
// with no padding at the row ends. Missing bits are paper.
MonoBitmap bitmapFromBits(const QString& pixelHex, int width, int height)
{
    MonoBitmap bitmap(width, height);
    if (bitmap.isNull())
        return bitmap;
    const QString digits = hexPrefix(pixelHex);
    const qsizetype pixels = qsizetype(width) * height;
    const qsizetype used = qMin(digits.size(), (pixels + 3) / 4);
    for (qsizetype d = 0; d < used; ++d) {
        const int value = hexDigitValue(digits.at(d));
        for (int b = 0; b < 4; ++b) {
            const qsizetype i = d * 4 + b;
            if (i < pixels && (value & (8 >> b)))
                bitmap.setPixel(int(i % width), int(i / width));
        }
    }
    return bitmap;
}

// A bitmap item's or a logo's OTA bitmap: info field, width, height and
// depth octets, then the pixels. A bitmap whose size cannot be read is null.
MonoBitmap otaBitmap(const QString& hex)
{
    const int width = hexValue(hex, 2, 2);
    const int height = hexValue(hex, 4, 2);
    if (width <= 0 || height <= 0)
        return {};
    return bitmapFromBits(hex.mid(8), width, height);
}

} // namespace

QString smartPortText(SmartPort port)
{
    return QStringLiteral("0504") + hex2(int(port) >> 8) + hex2(int(port));
}

QString smartPartHeader(SmartPort port, int total, int part)
{
    if (total < 1 || total > 255 || part < 1 || part > 255)
        return {};
    return QStringLiteral("0B") + smartPortText(port) + QStringLiteral("0000000301") + hex2(total) + hex2(part);
}

QString stripPartHeaders(const QString& content, SmartPort port)
{
    // The joined text is out followed by content from `kept` on; positions
    // in it are content positions less the digits removed so far. Headers
    // are cut out in one pass, and the search goes on at each cut.
    const QString key = smartPortText(port);
    QString out;
    out.reserve(content.size());
    qsizetype kept = 0;
    qsizetype removed = 0;
    qsizetype from = 0;
    for (;;) {
        const qsizetype m = content.indexOf(key, from, Qt::CaseInsensitive);
        if (m < 0)
            break;
        const qsizetype p = m - removed; // where the match stands in the joined text
        int length = -1;
        if (p >= 2 && p % 2 == 0) {
            // The length octet may have been kept before the last cut.
            const QString lengthDigits =
                m - 2 >= kept ? content.mid(m - 2, 2) : out.right(kept - (m - 2)) + content.mid(kept, m - kept);
            length = hexValue(lengthDigits, 0, 2);
        }
        const qsizetype cut = 2 + 2 * qsizetype(length);
        if (length < 4 || (m - 2) + cut > content.size()) {
            from = m + 1;
            continue;
        }
        if (m - 2 >= kept)
            out += QStringView(content).mid(kept, m - 2 - kept);
        else
            out.chop(kept - (m - 2));
        kept = m - 2 + cut;
        removed += cut;
        from = kept;
    }
    out += QStringView(content).mid(kept);
    return out;
}

QString operatorCodeOctets(const QString& operatorCode)
{
    QString d;
    for (const QChar c : operatorCode) {
        if (c.isSpace())
            continue;
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return {};
        d += c;
    }
    if (d.size() == 5)
        d.insert(3, QLatin1Char('F')); // the filler in the high half of the second octet
    else if (d.size() != 6)
        return {};
    QString octets;
    for (qsizetype i = 0; i < 6; i += 2)
        octets += QString(d[i + 1]) + d[i];
    return octets;
}

QString bitmapHex(const MonoBitmap& bitmap, int width, int height)
{
    BitWriter w;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            w.append(bitmap.pixel(x, y) ? 1 : 0, 1);
    w.padToDigit();
    return w.hex();
}

QString ringtoneParts(const QString& streamHex)
{
    constexpr int chunk = 2 * kSmartPayloadOctets;
    if (streamHex.isEmpty() || !isEvenHex(streamHex))
        return {};
    const qsizetype total = (streamHex.size() + chunk - 1) / chunk;
    if (total > 255)
        return {};
    const QString stream = streamHex.toUpper();
    QString content;
    content.reserve(stream.size() + total * 2 * kSmartHeaderOctets);
    for (int k = 1; k <= total; ++k)
        content += smartPartHeader(SmartPort::Ringtone, int(total), k) + stream.mid((k - 1) * chunk, chunk);
    return content;
}

QString operatorLogoPayload(const QString& operatorCode, const MonoBitmap& logo)
{
    const QString code = operatorCodeOctets(operatorCode);
    if (code.isEmpty())
        return {};
    const QString pixels = bitmapHex(logo, kLogoWidth, kLogoHeight); // 252 digits
    return smartPartHeader(SmartPort::OperatorLogo, 2, 1) + QStringLiteral("30") + code + QStringLiteral("0A") +
           QStringLiteral("00480E01") + pixels.left(238) +
           smartPartHeader(SmartPort::OperatorLogo, 2, 2) + pixels.mid(238);
}

QString pictureMessagePayload(const MonoBitmap& picture, const QString& text)
{
    const QByteArray octets = latin1Octets(text);
    if (octets.size() > kMaxPictureText)
        return {};
    const QString pixels = bitmapHex(picture, kPictureWidth, kPictureHeight); // 504 digits
    QString content = smartPartHeader(SmartPort::PictureMessage, 3, 1) + QStringLiteral("30") +
                      QStringLiteral("02") + QStringLiteral("0100") + QStringLiteral("00481C01") + pixels.left(240) +
                      smartPartHeader(SmartPort::PictureMessage, 3, 2) + pixels.mid(240, 256) +
                      smartPartHeader(SmartPort::PictureMessage, 3, 3) + pixels.mid(496);
    if (!octets.isEmpty())
        content += QStringLiteral("0000") + hex2(int(octets.size())) + QString::fromLatin1(octets.toHex().toUpper());
    return content;
}

MonoBitmap decodeOperatorLogo(const QString& content)
{
    // Version, the three operator code octets and the line feed come first.
    return otaBitmap(stripPartHeaders(content, SmartPort::OperatorLogo).mid(10));
}

PictureMessage decodePictureMessage(const QString& content)
{
    PictureMessage out;
    const QString data = stripPartHeaders(content, SmartPort::PictureMessage);
    // After the version octet: items of a type octet, a 2-octet length and
    // that many octets of data.
    qsizetype at = 2;
    while (at + 6 <= data.size()) {
        const int type = hexValue(data, at, 2);
        const int length = hexValue(data, at + 2, 4);
        if (type < 0 || length < 0)
            break;
        const QString item = data.mid(at + 6, 2 * qsizetype(length));
        if (type == 0x02) {
            const MonoBitmap bitmap = otaBitmap(item);
            if (!bitmap.isNull())
                out.bitmap = bitmap;
        } else if (type == 0x01) {
            out.text = QStringLiteral("<Unicode Message>");
            out.hasText = true;
        } else {
            out.text = latin1FromHex(item);
            out.hasText = true;
        }
        at += 6 + 2 * qsizetype(length);
    }
    return out;
}

} // namespace sms
