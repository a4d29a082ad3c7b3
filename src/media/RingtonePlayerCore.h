#pragma once
// The timing of the ringtone player, without a timer or a device: a note
// list, a position, the play/pause/stop states and a tick that says which
// MIDI messages to send and when the next tick is due.
//
// Everything plays on channel 0 with program 70 (selected once when the
// output opens). A note's key is 12 × scale + 46 + semitone, so keys run
// from 58 to 105; a rest's key is 12 × scale. Each tick first sends a
// note-off for the entry before the position (rest or not), then starts
// the entry at the position (note-on at velocity 120, nothing for a rest)
// and asks for the next tick after that entry's length:
//     60 / tempo × 1200 / divisor × 3 ms          plain
//     60 / tempo × 1200 / divisor × 5 ms          dotted
//     1.75 × plain, 2/3 × plain                   double-dotted, two-thirds
// rounded to whole milliseconds, halves to the even one (386 ms for a
// quarter note at 140 beats per minute, 643 ms dotted). The tick after the
// last entry resets the output and stops with the position back at 0.
#include <QList>

#include "media/RingtoneNotes.h"

namespace media {

class MidiOut;

// One thing to do to a MIDI output: a short message, or a reset.
struct MidiAction {
    enum Kind { Message, Reset };
    Kind kind = Message;
    quint8 status = 0;
    quint8 data1 = 0;
    quint8 data2 = 0;

    static MidiAction message(quint8 status, quint8 data1, quint8 data2 = 0) { return {Message, status, data1, data2}; }
    static MidiAction reset() { return {Reset}; }
    bool operator==(const MidiAction&) const = default;
};

// Carries out the actions in order.
void sendActions(MidiOut& out, const QList<MidiAction>& actions);

class RingtonePlayerCore {
public:
    enum class State { Stopped, Playing, Paused };

    static constexpr int kProgram = 70;
    static constexpr int kVelocity = 120;
    static constexpr int kStartTempo = 140;
    static constexpr quint8 kProgramChange = 0xC0;
    static constexpr quint8 kNoteOn = 0x90;
    static constexpr quint8 kNoteOff = 0x80;
    static constexpr quint8 kControlChange = 0xB0;
    static constexpr quint8 kAllNotesOff = 123;

    struct Tick {
        QList<MidiAction> actions;
        int nextMs = -1; // delay before the next tick; -1: no further tick
    };

    // What to send right after the output is opened: the program change.
    static QList<MidiAction> openingActions();

    // Replaces the note list (Play takes a freshly parsed copy each time).
    // The tune's tempo applies when it has one; otherwise the tempo stays
    // as it was (140 at first, else the last tune's). A position beyond the
    // new list is brought back to its end.
    void setTune(const RingtoneTune& tune);

    // Stopped or paused: starts playing from the position and returns the
    // delay before the first tick (the length of the last entry started,
    // 0 before any). Playing already: nothing changes, -1.
    int play();
    // Playing: stops the ticks and silences the output, keeping the
    // position. Otherwise nothing.
    QList<MidiAction> pause();
    // Playing or paused: stops, silences the output and returns the
    // position to 0. Otherwise nothing.
    QList<MidiAction> stop();
    // The timer's tick; nothing while not playing.
    Tick tick();

    State state() const { return state_; }
    int position() const { return position_; }
    int noteCount() const { return int(notes_.size()); }
    int tempo() const { return tempo_; }

    // The MIDI key of an entry (0 to 127).
    static int keyOf(const RingtoneNote& note);
    // An entry's length in milliseconds at a tempo (at least 1).
    static int lengthMs(const RingtoneNote& note, int tempo);

private:
    QList<RingtoneNote> notes_;
    State state_ = State::Stopped;
    int position_ = 0;
    int tempo_ = kStartTempo;
    int intervalMs_ = 0;
};

} // namespace media
