#pragma once
// Bit streams held as hex text: upper-case digits, two per octet, the most
// significant bit first. Smart messages (ringtones, logos, pictures) are
// kept in this form from the moment they are built until they are sent.
#include <QString>

#include "sms/Pdu.h"
#include <cstdint>

namespace sms {

// Writes bits into hex text. Bits gather in an unfinished digit; each
// fourth bit completes it and its upper-case hex character is appended.
class BitWriter {
public:
    // Appends the `width` low-order bits of value, the most significant
    // first. Widths outside 0..32 are clamped; 0 appends nothing.
    void append(uint32_t value, int width);
    // Completes an unfinished digit with zero bits.
    void padToDigit();

    // The finished digits.
    const QString& hex() const { return hex_; }
    // Bits held in the unfinished digit (0..3).
    int pendingBits() const { return pendingBits_; }

private:
    QString hex_;
    int pending_ = 0;
    int pendingBits_ = 0;
};

// Reads bits from hex text, upper or lower case. The text ends at its
// first character that is not a hex digit.
//
// A read that uses up the last digit stops there and returns the bits
// gathered so far, not shifted for the bits it did not get; reads on the
// used-up text give 0.
class BitReader {
public:
    explicit BitReader(const QString& hex);

    // The next `width` bits (0..32) as a number, the most significant first.
    uint32_t read(int width);
    // Digits not yet used up (the current digit counts until its last bit
    // has been read).
    qsizetype digitsLeft() const { return hex_.size() - at_; }
    bool atEnd() const { return digitsLeft() <= 0; }
    // Bits not yet read.
    qsizetype bitsLeft() const { return atEnd() ? 0 : digitsLeft() * 4 - (3 - bit_); }

private:
    QString hex_;
    qsizetype at_ = 0;
    int bit_ = 3; // bit position in the current digit, 3 = most significant
};

// A text of '0' and '1' characters (blanks at both ends ignored) as hex:
// each group of four, from the left, gives one digit, the first character
// worth 8. A short last group counts its missing characters as 0; any
// character other than '1' counts as 0. Empty text gives empty hex.
QString bitsToHex(const QString& bits);

using pdu::hexDigitValue;
// The value of `count` hex digits of text from position `at`, or -1 when
// they are not all there or not all hex digits.
int hexValue(const QString& text, qsizetype at, int count);
// The part of text before its first character that is not a hex digit.
QString hexPrefix(const QString& text);

// The one-octet codes of a text (ISO 8859-1); a character without one
// becomes '?'. Counted in characters, not UTF-16 units.
QByteArray latin1Octets(const QString& text);
// The same octets as upper-case hex, two digits each.
QString latin1Hex(const QString& text);
// The text of whole octets of hex, one ISO 8859-1 character each; it ends
// at the first octet that is not two hex digits.
QString latin1FromHex(const QString& hex);

} // namespace sms
