#include "sms/DeliverPdu.h"

#include "sms/Gsm7.h"
#include "sms/Pdu.h"
#include "sms/UserDataHeader.h"

#include <vector>

namespace pdu {

int remoteRequestType(const QString& text)
{
    if (text.startsWith(QLatin1String("#GP")))
        return RequestGroupSend;
    if (text.startsWith(QLatin1String("#NU")))
        return RequestNumberUpdate;
    if (text.startsWith(QLatin1String("#RU")))
        return RequestRetrieve;
    return RequestNone;
}

std::optional<Deliver> decodeDeliverPdu(const QString& input)
{
    const QString trimmed = input.trimmed();
    const qsizetype hexLen = trimmed.size();
    if (hexLen == 0 || hexLen % 2 != 0)
        return std::nullopt;
    std::vector<unsigned char> o(size_t(hexLen / 2));
    for (qsizetype i = 0; i < hexLen; i += 2) {
        const int hi = pdu::hexDigitValue(trimmed.at(i)), lo = pdu::hexDigitValue(trimmed.at(i + 1));
        if (hi < 0 || lo < 0)
            return std::nullopt;
        o[size_t(i / 2)] = static_cast<unsigned char>(hi * 16 + lo);
    }
    // Every character is a hex digit now, so upper-casing keeps the length.
    const QString hex = trimmed.toUpper();
    const size_t size = o.size();

    // Octet offsets: service centre, first octet, originating address, then
    // PID, DCS, the 7-octet time stamp, UDL and the user data.
    const size_t smscLen = o[0];
    const size_t fo = 1 + smscLen;
    if (fo + 3 > size)
        return std::nullopt;
    Deliver d;
    d.firstOctet = o[fo];
    const size_t digits = o[fo + 1];
    d.typeOfNumber = o[fo + 2];
    const size_t addrOctets = (digits + 1) / 2;
    const size_t addr = fo + 3;
    const size_t pid = addr + addrOctets;
    const size_t dcs = pid + 1;
    const size_t udl = dcs + 8;
    const size_t ud = udl + 1;
    if (ud > size)
        return std::nullopt;

    const QString field = hex.mid(qsizetype(2 * addr), qsizetype(2 * addrOctets));
    const int tonHigh = d.typeOfNumber & 0xF0;
    if (tonHigh == 0xD0 || tonHigh == 0xF0) {
        // The address length counts the semi-octets the septets fill.
        d.sender = gsm7::toText(unpackSeptets(o.data() + addr, addrOctets, 0, digits * 4 / 7));
    } else {
        // An odd digit count ends in the "F" filler, which is dropped.
        const QString semi = digits % 2 ? field.left(qsizetype(digits) - 1) + field.at(qsizetype(digits))
                                        : field;
        d.sender = SwapDigitPairs(semi);
    }
    if (d.typeOfNumber == 0x91)
        d.sender.prepend(QLatin1Char('+'));

    d.dcs = o[dcs];
    const int alphabet = (d.dcs >> 2) & 3;
    const size_t udLength = o[udl];
    const size_t udOctets = size - ud;
    // UDL counts septets for the 7-bit alphabet and octets otherwise.
    const size_t udlOctets = alphabet == 0 ? (udLength * 7 + 7) / 8 : udLength;
    if (udlOctets > udOctets)
        return std::nullopt;
    const bool udhi = d.firstOctet & 0x40;
    std::optional<udh::UserDataHeader> header;
    size_t headerOctets = 0;
    if (udhi) {
        header = udh::readUserDataHeader(o.data() + ud, udlOctets);
        if (!header)
            return std::nullopt;
        headerOctets = size_t(header->octets);
    }
    QString userData = hex.mid(qsizetype(2 * ud));

    switch (alphabet) {
    case 0: { // GSM 7-bit
        d.messageType = MessageText;
        // The header fills whole septets (the fill bits pad it to the next
        // septet boundary); the text follows. The text is stored with every
        // septet UDL counts, nothing trimmed, so its length survives.
        const size_t headerSeptets = (headerOctets * 8 + 6) / 7;
        if (headerSeptets > udLength)
            return std::nullopt;
        d.text = unpackSeptets(o.data() + ud, udOctets, headerSeptets * 7, udLength - headerSeptets);
        d.userData = gsm7::packReceived(d.text);
        d.requestType = remoteRequestType(d.text);
        break;
    }
    case 1: { // 8-bit: smart messages by the destination port of their header
        if (userData.size() < 11) {
            d.messageType = MessageDropped;
            break;
        }
        const int port = header && header->widePorts ? header->destinationPort : -1;
        if (port == 0x1581)
            d.messageType = MessageRingtone;
        else if (port == 0x1582)
            d.messageType = MessageOperatorLogo;
        else if (port == 0x158A)
            d.messageType = MessagePicture;
        else
            d.messageType = MessageText;
        if (d.messageType == MessageText) {
            d.userData = userData;
            d.text = Unpack7Bit(userData);
            d.requestType = remoteRequestType(d.text);
        } else {
            // The part is kept with its header in the program's own layout,
            // which the readers of smart messages expect.
            d.userData = udh::portFirstHeaderHex(*header) +
                         hex.mid(qsizetype(2 * (ud + headerOctets)), qsizetype(2 * (udlOctets - headerOctets)));
            d.partReference = header->reference;
            d.partTotal = header->total;
            d.partSequence = header->sequence;
        }
        break;
    }
    case 2: // UCS-2: the header is not part of the text
        d.messageType = MessageUnicode;
        d.userData = userData.mid(qsizetype(2 * headerOctets));
        break;
    default: // reserved coding
        d.messageType = MessageDropped;
        break;
    }
    // A sender name is free text that anyone can choose, also one that spells
    // a trusted number: only a numbered sender's text is a remote command.
    if (tonHigh == 0xD0 || tonHigh == 0xF0)
        d.requestType = RequestNone;
    return d;
}

} // namespace pdu
