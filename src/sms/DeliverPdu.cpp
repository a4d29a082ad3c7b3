#include "sms/DeliverPdu.h"

#include "sms/Gsm7.h"

#include "sms/Pdu.h"

#include <vector>

namespace {

// The septets packed in octets from bit `firstBit` on (bit 0 is the lowest
// bit of the first octet), as characters of those values.
QString septetsFrom(const std::vector<unsigned char>& octets, size_t firstOctet, size_t firstBit,
                    size_t count)
{
    QString out;
    out.reserve(qsizetype(count));
    for (size_t s = 0; s < count; ++s) {
        const size_t bit = firstBit + 7 * s;
        const size_t at = firstOctet + bit / 8;
        const unsigned shift = unsigned(bit % 8);
        unsigned v = octets[at] >> shift;
        if (shift > 1)
            v |= unsigned(octets[at + 1]) << (8 - shift);
        out += QChar(char16_t(v & 0x7F));
    }
    return out;
}

} // namespace

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
        d.sender = gsm7::toText(Unpack7Bit(field));
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
    size_t headerOctets = 0;
    if (udhi) {
        if (udOctets == 0)
            return std::nullopt;
        headerOctets = size_t(o[ud]) + 1;
        if (headerOctets > udlOctets)
            return std::nullopt;
    }
    QString userData = hex.mid(qsizetype(2 * ud));

    switch (alphabet) {
    case 0: // GSM 7-bit
        d.messageType = MessageText;
        if (udhi) {
            // The header fills whole septets (the fill bits pad it to the
            // next septet boundary); the text follows. The text is stored
            // packed on its own, as a text without a header would be.
            const size_t headerSeptets = (headerOctets * 8 + 6) / 7;
            if (headerSeptets > udLength)
                return std::nullopt;
            d.text = septetsFrom(o, ud, headerSeptets * 7, udLength - headerSeptets);
            d.userData = Pack7Bit(d.text);
        } else {
            d.text = Unpack7Bit(userData);
            d.userData = userData;
        }
        d.requestType = remoteRequestType(d.text);
        break;
    case 1: { // 8-bit: smart messages by their destination port
        if (userData.size() < 11) {
            d.messageType = MessageDropped;
            break;
        }
        const QString port = userData.mid(6, 4);
        if (port == QLatin1String("1581"))
            d.messageType = MessageRingtone;
        else if (port == QLatin1String("1582"))
            d.messageType = MessageOperatorLogo;
        else if (port == QLatin1String("158A"))
            d.messageType = MessagePicture;
        else
            d.messageType = MessageText;
        d.userData = userData;
        if (d.messageType == MessageText) {
            d.text = Unpack7Bit(userData);
            d.requestType = remoteRequestType(d.text);
        } else if (userData.size() < 24) {
            // The part header ends before its concatenation element.
            d.messageType = MessageDropped;
            d.userData.clear();
        } else {
            d.partTotal = userData.mid(20, 2).toInt(nullptr, 16);
            d.partSequence = userData.mid(22, 2).toInt(nullptr, 16);
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
