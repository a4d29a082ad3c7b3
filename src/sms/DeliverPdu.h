#pragma once
// Decoding of a received SMS-DELIVER PDU (hex text as the modem gives it
// after "+CMT: ") into what reception stores: the sender, the kind of
// message, the user data and the part numbering of smart messages.
#include <QString>
#include <optional>

namespace pdu {

// msgtype of tbinqueue, tboutqueue and tboutlog.
enum MessageType {
    MessageDropped = 0, // not stored (reserved coding, too short an 8-bit message)
    MessageText = 1,
    MessageRingtone = 2,
    MessageOperatorLogo = 3,
    MessagePicture = 4,
    MessageUnicode = 5,
};

// msgreqtype: the remote service a text asks for by its first characters.
enum RemoteRequestType {
    RequestNone = 0,
    RequestGroupSend = 1,   // "#GP"
    RequestNumberUpdate = 2, // "#NU"
    RequestRetrieve = 3,     // "#RU"
};

struct Deliver {
    int firstOctet = 0;
    int typeOfNumber = 0;  // of the originating address
    QString sender;        // digits, "+" first for an international number, or the alphanumeric name
    int dcs = 0;
    int messageType = MessageDropped;
    int requestType = RequestNone;
    // The user data as stored: hex, upper case. A 7-bit text holds its
    // septets packed (header and fill bits left out, every septet kept); a
    // UCS-2 text holds its code units only; a smart-message part keeps its
    // header, rewritten with the port element first.
    QString userData;
    // The text of a 7-bit message as septet values (empty for other types).
    QString text;
    // Smart messages: the set the part belongs to, from the concatenation
    // element. Without one (reference -1) the part is the whole message.
    int partReference = -1;
    int partTotal = 1;
    int partSequence = 1;
};

// Decodes a DELIVER PDU. std::nullopt when the PDU is malformed: empty, an
// odd number of hex digits, a character that is not a hex digit, or a length
// field (service centre, originating address, user data length, user data
// header length) pointing past the end. A well-formed PDU whose coding is
// not stored comes back with messageType MessageDropped.
std::optional<Deliver> decodeDeliverPdu(const QString& pdu);

// The request type a text asks for: "#GP" 1, "#NU" 2, "#RU" 3 at its start
// (exact case), otherwise 0.
int remoteRequestType(const QString& text);

} // namespace pdu
