#pragma once
// The player's tune of a stored ringtone: the reader's note list (scale,
// note number, divisor, factor) turned into the notes the player times.
#include <QString>

#include "media/RingtoneNotes.h"

namespace sms {
struct Ringtone;
}

namespace media {

// Notes 46..57 are C..B; any other note number is a rest. A factor of 1,
// 2, 4 or 8 is a plain, dotted, double-dotted or two-thirds note; any other
// factor plays plain. A ringtone without a style instruction has style 0.
RingtoneTune tuneFromRingtone(const sms::Ringtone& ringtone);

// Reads stored ringtone content (part headers and all) into a tune.
// Content that holds no ringtone gives whatever notes its bits make.
RingtoneTune tuneFromContent(const QString& content);

} // namespace media
