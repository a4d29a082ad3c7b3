#pragma once
// MIDI output: the short messages of a player go to an output behind this
// interface, a software synthesizer in the running program, a recorder in
// the tests.
#include <QString>
#include <QtGlobal>
#include <memory>
#include <utility>

namespace media {

struct FluidSynthOptions;

class MidiOut {
public:
    virtual ~MidiOut() = default;

    // Opens the output. False when it cannot be opened; the other calls
    // then do nothing.
    virtual bool open() = 0;
    // A channel message: the status byte (kind and channel) and its data
    // bytes (a message with one data byte ignores the second).
    virtual void shortMsg(quint8 status, quint8 data1, quint8 data2) = 0;
    // Silences the output: all notes off and the sustain pedal released on
    // every channel. Programs and controllers are kept.
    virtual void reset() = 0;
    // The output level, 0 (silent) to 1 (full), on both stereo channels.
    virtual void setVolume(double level) = 0;
    // Releases the output; open() may be called again afterwards.
    virtual void close() = 0;
    // Why nothing is heard from this output; empty for one that sounds.
    virtual QString silentReason() const { return {}; }
};

// An output that plays nothing; it always opens. A player on it runs its
// timing silently.
class NullMidiOut final : public MidiOut {
public:
    explicit NullMidiOut(QString reason = QStringLiteral("No sound output is set up")) : reason_(std::move(reason))
    {
    }
    QString silentReason() const override { return reason_; }
    bool open() override { return true; }
    void shortMsg(quint8, quint8, quint8) override {}
    void reset() override {}
    void setVolume(double) override {}
    void close() override {}

private:
    QString reason_;
};

// The output a player uses: the FluidSynth synthesizer with the GM
// SoundFont on the system's sound device when it opens, otherwise the null
// output. The result is open.
std::unique_ptr<MidiOut> openMidiOut();
std::unique_ptr<MidiOut> openMidiOut(const FluidSynthOptions& options);

} // namespace media
