#pragma once
// MIDI output through FluidSynth: a synthesizer inside the program that
// plays a General MIDI SoundFont on the system's sound device, or renders
// into a WAV file instead.
#include <QString>
#include <memory>

#include "media/MidiOut.h"

namespace media {

struct FluidSynthOptions {
    // The SoundFont file; empty: defaultSoundFont().
    QString soundFont;
    // The FluidSynth audio driver; empty: the first of "pulseaudio",
    // "pipewire" and "alsa" that opens.
    QString audioDriver;
    // When set, no sound device is opened: render() writes the audio into
    // this WAV file (16-bit stereo) as fast as it is asked for.
    QString renderFile;
    int sampleRate = 44100;
};

// The SoundFont used when none is named: $VELQUARIN_SOUNDFONT when set,
// else the first General MIDI SoundFont found at the Debian paths
// (/usr/share/sounds/sf2/default-GM.sf2, FluidR3_GM.sf2, then the .sf3
// ones). Empty when there is none.
QString defaultSoundFont();

// Whether this build has FluidSynth; without it open() always fails.
bool fluidSynthBuiltIn();

class FluidSynthMidiOut final : public MidiOut {
public:
    explicit FluidSynthMidiOut(FluidSynthOptions options = {});
    ~FluidSynthMidiOut() override;
    FluidSynthMidiOut(const FluidSynthMidiOut&) = delete;
    FluidSynthMidiOut& operator=(const FluidSynthMidiOut&) = delete;

    bool open() override;
    void shortMsg(quint8 status, quint8 data1, quint8 data2) override;
    void reset() override;
    void setVolume(double level) override;
    void close() override;

    bool isOpen() const;
    // Why the last open() failed.
    QString errorString() const;
    // With a render file: appends the next `milliseconds` of audio to it.
    // False when the output is not open for rendering.
    bool render(int milliseconds);

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

} // namespace media
