#pragma once
// A MIDI output that records every call, for tests of what a player sends.
#include <QList>
#include <QString>
#include <QStringList>

#include "media/MidiOut.h"

namespace media {

class RecordingMidiOut final : public MidiOut {
public:
    struct Event {
        enum Kind { Open, Message, Reset, Volume, Close };
        Kind kind = Message;
        quint8 status = 0;
        quint8 data1 = 0;
        quint8 data2 = 0;
        double level = 0; // Volume
    };

    // `opens`: what open() answers.
    explicit RecordingMidiOut(bool opens = true) : opens_(opens) {}

    bool open() override;
    void shortMsg(quint8 status, quint8 data1, quint8 data2) override;
    void reset() override;
    void setVolume(double level) override;
    void close() override;

    const QList<Event>& events() const { return events_; }
    void clear() { events_.clear(); }
    // The events as text: "open", "close", "reset", "volume 1", and each
    // message as its bytes in upper-case hex, "90 3A 78" (one data byte for
    // program change and channel pressure).
    QStringList log() const;
    static QString describe(const Event& e);

private:
    bool opens_;
    QList<Event> events_;
};

} // namespace media
