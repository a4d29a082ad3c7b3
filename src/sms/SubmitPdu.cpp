#include "sms/SubmitPdu.h"

#include "sms/Gsm7.h"
#include "sms/Pdu.h"

namespace {

QString hex2(int value)
{
    return QStringLiteral("%1").arg(value & 0xFF, 2, 16, QLatin1Char('0')).toUpper();
}

constexpr int kMaxUserDataOctets = 140;
constexpr int kMaxAddressDigits = 20;

} // namespace

namespace pdu {

bool isSendableNumber(const QString& number)
{
    QStringView digits = QStringView(number).trimmed();
    if (digits.startsWith(QLatin1Char('+')))
        digits = digits.sliced(1);
    if (digits.isEmpty() || digits.size() > kMaxAddressDigits)
        return false;
    for (const QChar c : digits)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    return true;
}

SubmitPdu buildSubmitPdu(const QString& number, int mr, int type, const QString& udHex)
{
    if (!isSendableNumber(number))
        return {};
    QString digits = number.trimmed();
    QString typeOfNumber = QStringLiteral("81");
    if (digits.startsWith(QLatin1Char('+'))) {
        typeOfNumber = QStringLiteral("91");
        digits.remove(0, 1);
    }
    if (mr < 0 || mr > 255 || !isHexOctets(udHex))
        return {};
    const int octets = int(udHex.size() / 2);
    if (octets > kMaxUserDataOctets)
        return {};

    QString firstOctet, dcs;
    int udl = 0;
    if (type == 1) {
        firstOctet = QStringLiteral("11"); // SMS-SUBMIT, relative validity period
        dcs = QStringLiteral("00");        // GSM 7-bit default alphabet
        // The stored text keeps no length of its own; count its septets.
        udl = gsm7::septetCountOfPacked(udHex);
    } else if (type >= 2 && type <= 4) {
        firstOctet = QStringLiteral("51"); // ... with a user data header
        dcs = QStringLiteral("F5");        // 8-bit data, class 1
        udl = octets;
    } else {
        return {};
    }

    const int digitCount = int(digits.size());
    if (digitCount % 2 != 0)
        digits += QLatin1Char('F');
    const QString tpdu = QStringLiteral("00") + firstOctet + hex2(mr) + hex2(digitCount) + typeOfNumber +
                         SwapDigitPairs(digits) + QStringLiteral("00") + dcs + QStringLiteral("A7") +
                         hex2(udl) + udHex.toUpper();
    SubmitPdu out;
    out.pdu = tpdu.toLatin1();
    // The length excludes the service-centre octet: first octet, MR, DA
    // length, type, the digits, PID, DCS, VP and UDL, then the user data.
    out.cmgsLength = 8 + (digitCount + 1) / 2 + octets;
    return out;
}

} // namespace pdu

