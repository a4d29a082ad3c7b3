#include "sms/UserDataHeader.h"

#include "sms/Pdu.h"

#include <vector>

namespace {

QString hex2(int value)
{
    return QStringLiteral("%1").arg(value & 0xFF, 2, 16, QLatin1Char('0')).toUpper();
}

QString hex4(int value)
{
    return QStringLiteral("%1").arg(value & 0xFFFF, 4, 16, QLatin1Char('0')).toUpper();
}

} // namespace

namespace udh {

std::optional<UserDataHeader> readUserDataHeader(const unsigned char* ud, size_t size)
{
    if (size == 0)
        return std::nullopt;
    const size_t end = size_t(ud[0]) + 1;
    if (end > size)
        return std::nullopt;
    UserDataHeader h;
    h.octets = int(end);
    size_t at = 1;
    while (at + 2 <= end) {
        const int id = ud[at];
        const size_t length = ud[at + 1];
        const size_t data = at + 2;
        if (data + length > end)
            break;
        at = data + length;
        const unsigned char* d = ud + data;
        switch (id) {
        case 0x00:
        case 0x08: {
            const bool wide = id == 0x08;
            if (length != (wide ? 4u : 3u))
                break;
            const int reference = wide ? d[0] << 8 | d[1] : d[0];
            const int total = d[wide ? 2 : 1];
            const int sequence = d[wide ? 3 : 2];
            if (total == 0 || sequence == 0 || sequence > total) {
                // Numbers no set can have: the element is ignored.
                h.reference = -1;
                h.wideReference = false;
                h.total = h.sequence = 1;
                break;
            }
            h.reference = reference;
            h.wideReference = wide;
            h.total = total;
            h.sequence = sequence;
            break;
        }
        case 0x05:
            if (length == 4) {
                h.destinationPort = d[0] << 8 | d[1];
                h.originatorPort = d[2] << 8 | d[3];
                h.widePorts = true;
            }
            break;
        case 0x04:
            if (length == 2) {
                h.destinationPort = d[0];
                h.originatorPort = d[1];
                h.widePorts = false;
            }
            break;
        default:
            break;
        }
    }
    return h;
}

std::optional<UserDataHeader> readUserDataHeader(const QString& udHex)
{
    if (!pdu::isHexOctets(udHex))
        return std::nullopt;
    std::vector<unsigned char> octets(size_t(udHex.size() / 2));
    for (size_t i = 0; i < octets.size(); ++i)
        octets[i] = static_cast<unsigned char>(pdu::hexDigitValue(udHex.at(qsizetype(2 * i))) * 16 +
                                               pdu::hexDigitValue(udHex.at(qsizetype(2 * i + 1))));
    return readUserDataHeader(octets.data(), octets.size());
}

QString portFirstHeaderHex(const UserDataHeader& header)
{
    QString elements;
    if (header.destinationPort >= 0) {
        if (header.widePorts)
            elements += QStringLiteral("0504") + hex4(header.destinationPort) + hex4(header.originatorPort);
        else
            elements += QStringLiteral("0402") + hex2(header.destinationPort) + hex2(header.originatorPort);
    }
    if (header.isPartOfSet()) {
        if (header.wideReference)
            elements += QStringLiteral("0804") + hex4(header.reference);
        else
            elements += QStringLiteral("0003") + hex2(header.reference);
        elements += hex2(header.total) + hex2(header.sequence);
    }
    return hex2(int(elements.size() / 2)) + elements;
}

} // namespace udh
