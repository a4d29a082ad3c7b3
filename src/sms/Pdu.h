#pragma once
// Text and PDU codecs: message text to the hex forms that the PDUs and the
// database use, and back. Hex is upper case, two digits per octet.
#include <QByteArray>
#include <QString>

namespace pdu {

// The value of one hex digit (either case), or -1.
int hexDigitValue(QChar c);
// True for whole octets of hex digits (an even count, possibly none).
bool isHexOctets(const QString& hex);

// Each character's code (0..255) as two hex digits.
QString TextToHex(const QString& text);
// Semi-octet order of phone numbers: trims blanks, then swaps every pair;
// with an odd length the last character stays ("ABCDE" -> "BADCE").
QString SwapDigitPairs(const QString& text);
// Packs septet values (each character's code, 0..127) into octets, as hex.
// Blanks at both ends are trimmed first.
QString Pack7Bit(const QString& septets);
// The same without the trimming: every septet is packed.
QString packSeptets(const QString& septets);
// The septets packed in the hex text, one character per septet value. A
// septet of value 0 or 1 in the last place of a group of eight (the top
// bits of every seventh octet) is dropped, so the zero fill of a last
// octet adds no character (nor does an '@' or a '\u00A3' there).
QString Unpack7Bit(const QString& hex);
// Standard unpacking: `count` septets (fewer when the octets run out) from
// bit `firstBit` on, bit 0 being the lowest bit of the first octet. The one
// septet reader of the program.
QString unpackSeptets(const unsigned char* octets, size_t size, size_t firstBit, size_t count);
// The whole octets at the front of a hex text (up to the first pair that is
// not hex).
QByteArray leadingOctets(const QString& hex);
// The text of UCS-2 code units, four hex digits each.
QString HexToUnicode(const QString& hex);

} // namespace pdu
