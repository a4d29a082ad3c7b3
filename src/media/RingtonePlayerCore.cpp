#include "media/RingtonePlayerCore.h"

#include "media/MidiOut.h"

#include <cmath>

namespace media {

namespace {

int roundHalfEven(double x)
{
    const double down = std::floor(x);
    const double fraction = x - down;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(down, 2.0) != 0.0))
        return int(down + 1);
    return int(down);
}

} // namespace

void sendActions(MidiOut& out, const QList<MidiAction>& actions)
{
    for (const MidiAction& a : actions) {
        if (a.kind == MidiAction::Reset)
            out.reset();
        else
            out.shortMsg(a.status, a.data1, a.data2);
    }
}

QList<MidiAction> RingtonePlayerCore::openingActions()
{
    return {MidiAction::message(kProgramChange, kProgram)};
}

int RingtonePlayerCore::keyOf(const RingtoneNote& note)
{
    const int key = 12 * note.scale + (note.pause ? 0 : 46 + note.semitone);
    return qBound(0, key, 127);
}

int RingtonePlayerCore::lengthMs(const RingtoneNote& note, int tempo)
{
    const double divisor = note.divisor > 0 ? note.divisor : 4;
    if (tempo <= 0)
        tempo = kStartTempo;
    double ms;
    switch (note.specifier) {
    case 1: ms = 60.0 / tempo * 1200.0 / divisor * 5.0; break;
    case 2: ms = 60.0 / tempo * 1200.0 / divisor * 3.0 * 1.75; break;
    case 3: ms = 60.0 / tempo * 1200.0 / divisor * 3.0 * 2.0 / 3.0; break;
    default: ms = 60.0 / tempo * 1200.0 / divisor * 3.0; break;
    }
    return qMax(1, roundHalfEven(ms));
}

void RingtonePlayerCore::setTune(const RingtoneTune& tune)
{
    notes_ = tune.notes;
    if (tune.tempo > 0)
        tempo_ = tune.tempo;
    position_ = qMin(position_, int(notes_.size()));
}

int RingtonePlayerCore::play()
{
    if (state_ == State::Playing)
        return -1;
    state_ = State::Playing;
    return intervalMs_;
}

QList<MidiAction> RingtonePlayerCore::pause()
{
    if (state_ != State::Playing)
        return {};
    state_ = State::Paused;
    return {MidiAction::message(kControlChange, kAllNotesOff, 0), MidiAction::reset()};
}

QList<MidiAction> RingtonePlayerCore::stop()
{
    if (state_ == State::Stopped)
        return {};
    state_ = State::Stopped;
    position_ = 0;
    return {MidiAction::message(kControlChange, kAllNotesOff, 0), MidiAction::reset()};
}

RingtonePlayerCore::Tick RingtonePlayerCore::tick()
{
    Tick t;
    if (state_ != State::Playing)
        return t;
    if (position_ >= 1)
        t.actions << MidiAction::message(kNoteOff, quint8(keyOf(notes_.at(position_ - 1))), kVelocity);
    if (position_ >= notes_.size()) {
        t.actions << MidiAction::reset();
        position_ = 0;
        state_ = State::Stopped;
        return t;
    }
    const RingtoneNote& note = notes_.at(position_);
    intervalMs_ = lengthMs(note, tempo_);
    if (!note.pause)
        t.actions << MidiAction::message(kNoteOn, quint8(keyOf(note)), kVelocity);
    ++position_;
    t.nextMs = intervalMs_;
    return t;
}

} // namespace media
