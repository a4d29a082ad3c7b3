#pragma once
// The tune a ringtone player plays: the notes of a ringtone in order, with
// the tempo and style its instructions set. A ringtone parser fills it.
#include <QList>

namespace media {

struct RingtoneNote {
    bool pause = false;  // a rest: sounds nothing for its length
    int semitone = 0;    // 0 = C, 1 = C#, ... 11 = B (ignored for a rest)
    int scale = 2;       // 1 to 4: the ringtone's scale code + 1
    int divisor = 4;     // 1 whole, 2 half, 4 quarter ... 32 (2 to the power of the duration code)
    int specifier = 0;   // 0 plain, 1 dotted, 2 double-dotted, 3 two-thirds length
};

struct RingtoneTune {
    QList<RingtoneNote> notes;
    int tempo = 0; // beats per minute from the tune's last tempo instruction; 0: none
    int style = 0; // 0 natural, 1 continuous, 2 staccato (the player plays every style alike)
};

} // namespace media
