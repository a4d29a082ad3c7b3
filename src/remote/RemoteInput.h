#pragma once
// Checks applied to what other programs hand in: the recipient number of a
// web submission and the send times of web submissions and handed-in rows.
#include <QDateTime>
#include <QString>

namespace RemoteInput {

// A recipient number from outside: after trimming, an optional "+" and 1 to
// 20 digits.
bool isValidPhone(const QString& number);

// A send time in one of the accepted forms, checked against the calendar and
// the clock, read as local time:
//   d/M/yyyy H:mm[:ss]   d/M/yyyy   yyyy-MM-dd[ T]HH:mm[:ss[.fff]]   yyyy-MM-dd
// Leading and trailing blanks are ignored. Anything else gives an invalid
// QDateTime (an empty text too: the callers decide what empty means).
QDateTime parseSendTime(const QString& text);

} // namespace RemoteInput
