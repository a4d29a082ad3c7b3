#pragma once
// The SMS-SUBMIT that the sender hands to the modem.
#include <QByteArray>
#include <QString>

namespace pdu {

// The sender cuts stored smart-message content into parts of this many hex
// digits (140 octets of user data each).
inline constexpr int kPartHexLength = 280;

// One SMS-SUBMIT as the modem takes it after "AT+CMGS=<cmgsLength>": hex,
// no service-centre address of its own ("00"), relative validity of 24
// hours. Empty pdu when it cannot be built.
struct SubmitPdu {
    QByteArray pdu;
    int cmgsLength = 0;
    bool isValid() const { return !pdu.isEmpty(); }
};

// Whether a SUBMIT can be addressed to the number: after trimming, an
// optional "+" and 1 to 20 ASCII digits, nothing else. The Outbox queue
// takes no row for any other number, whoever hands it in.
bool isSendableNumber(const QString& number);

// Builds the SUBMIT for a number ("+" for international, otherwise
// national; 1 to 20 digits), the message reference, the message type (1:
// text, udHex holds the packed septets; 2 to 4: one smart-message part,
// udHex starts with its user data header) and the user data. Invalid for a
// number that is not digits, user data that is not whole hex octets, more
// than 140 octets of user data, or another type.
SubmitPdu buildSubmitPdu(const QString& number, int mr, int type, const QString& udHex);

} // namespace pdu
