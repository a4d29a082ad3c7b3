#pragma once
// Form data of a web submission: "name=value" pairs joined by "&", from a
// query string or an urlencoded body.
#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace FormData {

// Decodes one value: "+" is a blank, "%" with two hexadecimal digits is that
// byte, and a "%" without two hexadecimal digits after it stays a "%".
QByteArray decode(QByteArrayView raw);

// The value of the first pair whose name equals `name` without regard to
// case (names are compared whole, never as substrings). The data and the
// value are trimmed, the value is decoded, and its bytes are read as UTF-8
// (what the served pages declare and browsers send), or as Latin-1 when
// they hold no UTF-8 sequence of two or more bytes at all. A value that
// holds such a sequence and yet is no valid UTF-8 as a whole gives an empty
// text and *ok false. A pair without "=" has an empty value; an absent name
// gives an empty text.
QString field(QByteArrayView data, QByteArrayView name, bool* ok = nullptr);

} // namespace FormData
