#pragma once
// A reference SMS PDU codec for the tests, written straight from the GSM
// message formats (SMS-SUBMIT and SMS-DELIVER TPDUs, semi-octet addresses,
// the data coding scheme, user data headers, the GSM 7-bit default alphabet
// with its extension table, UCS-2). It shares no code with the application's
// own codecs on purpose: tests check what the application builds or decodes
// against this independent reading.
//
// Hex text in and out is upper case, two digits per octet. Decoders are
// bounds-checked and return std::nullopt (with a reason) on any malformed
// input instead of guessing.
#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <optional>

namespace tpdu {

// ---- GSM 7-bit default alphabet ------------------------------------------

// Text -> septet values (0..127), extension characters as ESC (0x1B) plus
// their code. std::nullopt when a character has no GSM representation.
std::optional<QByteArray> gsmEncode(const QString& text);
// Septet values -> text. ESC followed by a code without an extension
// character shows the default-alphabet character of that code; a lone ESC at
// the end is dropped.
QString gsmDecode(const QByteArray& septets);
// Number of septets the text needs (extension characters count two), or -1
// when it cannot be written in the GSM alphabet.
int gsmSeptetCount(const QString& text);

// Packs septets into octets, least significant bits first. fillBits (0..6)
// zero bits are put in front, as after a user data header.
QByteArray packSeptets(const QByteArray& septets, int fillBits = 0);
// Reads count septets from octets after skipping fillBits bits. Fewer are
// returned when the octets run out.
QByteArray unpackSeptets(const QByteArray& octets, int count, int fillBits = 0);

// ---- Hex -------------------------------------------------------------------

QString toHex(const QByteArray& bytes);
// std::nullopt for an odd length or a non-hex character (no blanks allowed).
std::optional<QByteArray> fromHex(const QString& hex);

// ---- Addresses ---------------------------------------------------------------

// Type-of-address octets used by the tests.
enum : int {
    kToaInternational = 0x91,
    kToaUnknown = 0x81,
    kToaNational = 0xA1,
    kToaAlphanumeric = 0xD0,
};

struct Address {
    QString number;   // digits (with '*', '#', 'a'..'c'); '+' in front for TON international;
                      // the text for an alphanumeric address
    int toa = 0;      // the type-of-address octet
    int digitCount = 0;  // the address length field (semi-octets) as read or written
    int ton() const { return (toa >> 4) & 0x07; }
    int npi() const { return toa & 0x0F; }
    bool isAlphanumeric() const { return ton() == 5; }
};

// ---- Data coding scheme ------------------------------------------------------

enum class Alphabet { Gsm7, Data8, Ucs2, Reserved };
// The alphabet a DCS selects (general data coding groups 00xx and 01xx,
// message waiting groups 1100..1110, data coding/class group 1111). The
// reserved groups 1000..1011 and the reserved alphabet value give Reserved.
Alphabet alphabetOf(int dcs);
bool isCompressed(int dcs);
// Message class 0..3, or -1 when the DCS gives none.
int messageClass(int dcs);

// ---- User data header ------------------------------------------------------

struct UdhElement {
    int iei = 0;
    QByteArray data;
};

struct UserDataHeader {
    QList<UdhElement> elements;
    // Application ports (IEI 05: 16-bit, IEI 04: 8-bit); -1 when absent.
    int destinationPort = -1;
    int originatorPort = -1;
    // Concatenation (IEI 00: 8-bit reference, IEI 08: 16-bit); total 0 when absent.
    int concatRef = -1;
    int concatTotal = 0;
    int concatSeq = 0;
    bool concatWide = false;   // the reference came in IEI 08

    // A receiver ignores a concatenation element whose total is 0 or whose
    // sequence number is 0 or past the total (TS 23.040 9.2.3.24.1): the
    // message then stands on its own.
    bool isPartOfSet() const { return concatRef >= 0 && concatTotal >= 1 && concatSeq >= 1 && concatSeq <= concatTotal; }
};

// Elements for building headers.
UdhElement portElement16(int destination, int originator);   // IEI 05
UdhElement portElement8(int destination, int originator);    // IEI 04
UdhElement concatElement8(int ref, int total, int seq);      // IEI 00
UdhElement concatElement16(int ref, int total, int seq);     // IEI 08
// The header octets, including the leading length octet (UDHL).
QByteArray encodeUdh(const QList<UdhElement>& elements);
// Reads header octets (UDHL first) strictly: std::nullopt when UDHL does not
// match the octets, an element runs past the header, or a concatenation or
// port element has the wrong length.
std::optional<UserDataHeader> decodeUdh(const QByteArray& headerWithUdhl, QString* error = nullptr);

// ---- Decoded TPDUs -----------------------------------------------------------

// What both message kinds carry in their user data.
struct UserData {
    int udl = 0;            // TP-UDL as sent (septets for 7-bit, else octets)
    QByteArray raw;         // all user data octets as sent, header included
    bool hasHeader = false;
    QByteArray headerRaw;   // the header octets including UDHL
    UserDataHeader header;
    QByteArray payload;     // octets after the header (8-bit, UCS-2, reserved),
                            // or the septet values after header and fill bits (7-bit)
    QString text;           // 7-bit through the GSM alphabet, or UCS-2; empty for 8-bit data
};

struct Submit {
    std::optional<Address> sca;   // the SMSC prefix; absent when its length octet is 0
    int firstOctet = 0;
    bool rejectDuplicates = false;
    int vpf = 0;                  // 0 none, 1 enhanced, 2 relative, 3 absolute
    bool statusReportRequest = false;
    bool udhi = false;
    bool replyPath = false;
    int mr = 0;
    Address da;
    int pid = 0;
    int dcs = 0;
    int vpRelative = -1;          // the relative VP octet, -1 for other formats
    QByteArray vpRaw;             // the VP octets as sent (0, 1 or 7)
    UserData ud;
    int tpduLength = 0;           // octets after the SCA (what AT+CMGS= counts)
};

struct Deliver {
    std::optional<Address> sca;
    int firstOctet = 0;
    bool moreMessagesToSend = false;   // TP-MMS bit clear
    bool statusReportIndication = false;
    bool udhi = false;
    bool replyPath = false;
    Address oa;
    int pid = 0;
    int dcs = 0;
    QByteArray sctsRaw;      // 7 octets
    QDateTime scts;          // with its offset from UTC
    UserData ud;
    int tpduLength = 0;
};

// Decodes an SMS-SUBMIT. withSca: the PDU begins with the SMSC length octet
// (what AT+CMGS takes). error (when given) receives the reason of a failure.
std::optional<Submit> decodeSubmit(const QString& hex, bool withSca = true, QString* error = nullptr);
std::optional<Deliver> decodeDeliver(const QString& hex, bool withSca = true, QString* error = nullptr);

// ---- Building SMS-DELIVER for tests ---------------------------------------

struct DeliverSpec {
    // SMSC prefix: empty gives the single "00" octet (no SMSC information).
    QString smsc;                 // "+447785016005" or digits
    // The sender: digits with an optional '+' (TOA 91, else 81 unless toa is
    // set), or any text when alphanumeric (TOA D0, 7-bit packed).
    QString sender;
    bool alphanumericSender = false;
    int toa = -1;                 // override the sender's type of address
    int pid = 0;
    int dcs = 0;
    QDateTime scts;               // default 2024-05-06 12:34:56 UTC+1
    bool moreMessagesToSend = false;
    bool statusReportIndication = false;
    bool replyPath = false;
    QList<UdhElement> udh;        // non-empty sets TP-UDHI
    // Header octets as sent (UDHL first), used instead of udh when not
    // empty: headers no encoder would write (an element cut short, a UDHL
    // that disagrees with the elements). Sets TP-UDHI.
    QByteArray rawUdh;
    // The content: text for 7-bit (through the GSM alphabet) and UCS-2, or
    // data octets for 8-bit and reserved alphabets (and to send raw UCS-2).
    QString text;
    QByteArray data;
};

// The whole PDU as a modem shows it after "+CMT: " (SMSC prefix first).
// std::nullopt when the text cannot be written in the DCS's alphabet.
std::optional<QString> buildDeliver(const DeliverSpec& spec);
// Octets after the SMSC prefix: the length a "+CMT: ,<length>" header gives.
int tpduLengthOf(const QString& pduHexWithSca);

// Shorthands: a plain 7-bit text and a UCS-2 text from a number.
QString deliverText(const QString& sender, const QString& text, const QString& smsc = QString());
QString deliverUcs2(const QString& sender, const QString& text, const QString& smsc = QString());

// Builds an SMS-SUBMIT (tests of the decoding side of the simulated modem).
struct SubmitSpec {
    QString smsc;         // empty: "00"
    int mr = 0;
    QString destination;  // '+' gives TOA 91, else 81
    int pid = 0;
    int dcs = 0;
    int vpRelative = 0xA7;   // -1: no validity period
    bool statusReportRequest = false;
    QList<UdhElement> udh;
    QString text;
    QByteArray data;
};
std::optional<QString> buildSubmit(const SubmitSpec& spec);

} // namespace tpdu
