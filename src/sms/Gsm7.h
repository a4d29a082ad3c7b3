#pragma once
// The GSM 7-bit default alphabet between message text and septets.
//
// Phones decode text messages with this alphabet, not with the character
// codes of the platform: '@' is septet 0, '$' septet 2, '_' septet 17, and
// the characters of the extension table ('€', '[', '{', '|' ...) take two
// septets, the escape septet 27 and their own code. Only the default table
// and its extension table are used; any other character has no GSM form.
//
// A septet string is a QString whose characters carry the septet values
// 0..127; pdu::Pack7Bit and pdu::Unpack7Bit work on such strings.
#include <QString>

namespace gsm7 {

// The longest text a single message carries, in septets.
constexpr int kMaxSeptets = 160;
// The escape septet that leads to the extension table.
constexpr ushort kEscape = 0x1B;

// The septets of a text. A character without a GSM form becomes '?' and
// sets *ok to false.
QString fromText(const QString& text, bool* ok = nullptr);
// The text of a septet string, for display. An escape followed by a code
// outside the extension table shows that code's default character; an
// escape at the end, or before a second escape, shows as a blank.
QString toText(const QString& septets);
// The septets a text needs (extension characters count two). A character
// without a GSM form counts one and sets *ok to false.
int septetCount(const QString& text, bool* ok = nullptr);
// The characters of a text that have no GSM form, each once, in order.
QString unsupportedCharacters(const QString& text);

// The stored form of a text message: its septets, blanks at both ends
// trimmed, packed as upper-case hex. When the last septet is '@' and ends
// an octet group, it would be indistinguishable from the zero fill of a
// text one septet shorter, so a carriage return follows it (the padding
// character that GSM uses for the same purpose). Empty when *ok is false.
QString packText(const QString& text, bool* ok = nullptr);
// The septets packText stores for a text, pad included (blanks trimmed).
QString storedSeptets(const QString& text, bool* ok = nullptr);
// The stored form of received septets: every septet as it came (nothing
// trimmed), packed, with the same pad after a final '@' as packText, so
// that septetCountOfPacked and textFromPacked give the septets back.
QString packReceived(const QString& septets);

// The number of septets in packed user data whose length was not kept:
// every seven octets hold eight septets, and when the last octet ends a
// group of seven with seven zero bits, those are the fill, not an '@'.
// -1 for text that is not whole hex octets.
int septetCountOfPacked(const QString& hex);
// Standard unpacking of the first `count` septets (no septet is dropped,
// unlike pdu::Unpack7Bit, which loses an '@' or '£' on every eighth place).
QString unpackSeptets(const QString& hex, int count);
// The text of stored packed user data, for the views: the septets counted
// as septetCountOfPacked says, mapped through the alphabet.
QString textFromPacked(const QString& hex);

} // namespace gsm7
