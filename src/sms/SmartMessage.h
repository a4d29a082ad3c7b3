#pragma once
// Smart messages: ringtones, operator logos and picture messages as 8-bit
// user data, cut into parts of at most 140 octets. Each part begins with
// the same 12-octet user data header:
//
//   0B          header length (11 octets follow)
//   05 04 PPPP 0000   application port element: destination port, origin 0
//   00 03 01 TT SS    concatenation element: reference 1, total, this part
//
// The stored content of a smart message is the hex of all its parts joined
// in order. Every part but the last is exactly 140 octets (280 digits),
// which is how the sender cuts the content into messages again.
#include <QString>

#include "sms/MonoBitmap.h"

namespace sms {

enum class SmartPort : quint16 {
    Ringtone = 0x1581,
    OperatorLogo = 0x1582,
    PictureMessage = 0x158A,
};

constexpr int kSmartPartOctets = 140;
constexpr int kSmartHeaderOctets = 12;
constexpr int kSmartPayloadOctets = kSmartPartOctets - kSmartHeaderOctets;
// The longest picture message text: it fills the last part to 140 octets.
constexpr int kMaxPictureText = 121;
// The sizes the payloads carry.
constexpr int kLogoWidth = 72;
constexpr int kLogoHeight = 14;
constexpr int kPictureWidth = 72;
constexpr int kPictureHeight = 28;

// The 24-digit part header. Empty when total or part is outside 1..255.
QString smartPartHeader(SmartPort port, int total, int part);

// The port text by which a part header is found ("0504" and the port, e.g.
// "05041581").
QString smartPortText(SmartPort port);

// Removes every part header of the port from stored content and returns
// the payloads joined. A header is found by its port text; the length octet
// before it says how much to remove. A match is taken only where a header
// can stand: at an octet boundary with its length octet inside the text,
// a length that covers the port text, and the whole header inside the
// text. Other matches are left as data; the search goes on after them.
QString stripPartHeaders(const QString& content, SmartPort port);

// The operator code (blanks removed: 5 or 6 decimal digits, the country
// code then the network code) as three octets of swapped semi-octets:
// d2d1 Fd3 d5d4 for five digits, d2d1 d4d3 d6d5 for six. Empty for any
// other text.
QString operatorCodeOctets(const QString& operatorCode);

// The pixels of the width x height area of a bitmap from its top-left
// corner, row by row, each row from the left, the first pixel in the most
// significant bit, ink 1, as hex. Pixels outside the bitmap are paper.
QString bitmapHex(const MonoBitmap& bitmap, int width, int height);

// Stored content of a ringtone: the stream hex (even length) cut into
// 128-octet chunks, each behind a port 1581 header. Empty when the stream
// is empty, of odd length, not hex, or needs more than 255 parts.
QString ringtoneParts(const QString& streamHex);

// Stored content of an operator logo (two parts, port 1582): version 0,
// the operator code octets, a line feed, then the 72 x 14 bitmap. Empty
// when the operator code is not 5 or 6 digits.
QString operatorLogoPayload(const QString& operatorCode, const MonoBitmap& logo);

// Stored content of a picture message (three parts, port 158A): version 0,
// the 72 x 28 bitmap item, and a text item (ISO 8859-1, '?' for other
// characters) when text is not empty. Empty when the text is longer than
// 121 characters.
QString pictureMessagePayload(const MonoBitmap& picture, const QString& text);

// An operator logo read from stored content: the bitmap its data states
// (width and height as given, at most 255 each). Pixel data is one
// continuous bit stream without row padding; missing bits are paper.
MonoBitmap decodeOperatorLogo(const QString& content);

struct PictureMessage {
    // The last bitmap item; null when there was none.
    MonoBitmap bitmap;
    // The last text item's text; "<Unicode Message>" for a Unicode item.
    QString text;
    bool hasText = false;
};

// A picture message read from stored content: every item, each bounded by
// its own length (cut at the end of the data); a later bitmap or text
// replaces an earlier one.
PictureMessage decodePictureMessage(const QString& content);

} // namespace sms
