#include "media/RingtoneTune.h"

#include "sms/Ringtone.h"

namespace media {

namespace {

int specifierOf(int factor)
{
    switch (factor) {
    case 2: return 1;
    case 4: return 2;
    case 8: return 3;
    default: return 0;
    }
}

} // namespace

RingtoneTune tuneFromRingtone(const sms::Ringtone& ringtone)
{
    RingtoneTune tune;
    tune.tempo = qMax(0, ringtone.tempo);
    tune.style = qMax(0, ringtone.style);
    tune.notes.reserve(ringtone.notes.size());
    for (const sms::RingNote& in : ringtone.notes) {
        RingtoneNote out;
        out.pause = in.note < 46 || in.note > 57;
        out.semitone = out.pause ? 0 : in.note - 46;
        out.scale = qBound(1, in.scale, 4);
        out.divisor = in.divisor > 0 ? in.divisor : 4;
        out.specifier = specifierOf(in.factor);
        tune.notes.append(out);
    }
    return tune;
}

RingtoneTune tuneFromContent(const QString& content)
{
    return tuneFromRingtone(sms::parseRingtone(content));
}

} // namespace media
