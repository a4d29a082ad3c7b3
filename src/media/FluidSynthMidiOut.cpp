#include "media/FluidSynthMidiOut.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

#ifdef VELQUARIN_HAVE_FLUIDSYNTH
#include <fluidsynth.h>
#endif

namespace media {

namespace {

// The synthesizer's gain at full level. FluidSynth's own default (0.2) is
// meant for many voices at once; a single melody line at velocity 120 stays
// well clear of clipping at this gain.
constexpr double kFullGain = 1.0;
constexpr int kPeriodFrames = 64;

} // namespace

QString defaultSoundFont()
{
    const QString fromEnv = qEnvironmentVariable("VELQUARIN_SOUNDFONT");
    if (!fromEnv.isEmpty())
        return fromEnv;
    for (const char* path : {"/usr/share/sounds/sf2/default-GM.sf2", "/usr/share/sounds/sf2/FluidR3_GM.sf2",
                             "/usr/share/sounds/sf3/default-GM.sf3", "/usr/share/sounds/sf3/FluidR3Mono_GM.sf3"}) {
        if (QFileInfo(QString::fromLatin1(path)).isFile())
            return QString::fromLatin1(path);
    }
    return {};
}

#ifdef VELQUARIN_HAVE_FLUIDSYNTH

bool fluidSynthBuiltIn()
{
    return true;
}

struct FluidSynthMidiOut::Impl {
    FluidSynthOptions options;
    double level = 1.0;
    QString error;
    fluid_settings_t* settings = nullptr;
    fluid_synth_t* synth = nullptr;
    fluid_audio_driver_t* driver = nullptr;
    fluid_file_renderer_t* renderer = nullptr;
    qint64 renderedFrames = 0;
    qint64 renderedMs = 0;

    void release()
    {
        if (driver)
            delete_fluid_audio_driver(driver);
        if (renderer)
            delete_fluid_file_renderer(renderer); // finishes the file
        if (synth)
            delete_fluid_synth(synth);
        if (settings)
            delete_fluid_settings(settings);
        driver = nullptr;
        renderer = nullptr;
        synth = nullptr;
        settings = nullptr;
    }

    bool fail(const QString& why)
    {
        error = why;
        release();
        return false;
    }
};

FluidSynthMidiOut::FluidSynthMidiOut(FluidSynthOptions options) : d_(std::make_unique<Impl>())
{
    d_->options = std::move(options);
}

FluidSynthMidiOut::~FluidSynthMidiOut()
{
    close();
}

bool FluidSynthMidiOut::isOpen() const
{
    return d_->synth != nullptr;
}

QString FluidSynthMidiOut::errorString() const
{
    return d_->error;
}

bool FluidSynthMidiOut::open()
{
    close();
    d_->error.clear();
    const QString soundFont = d_->options.soundFont.isEmpty() ? defaultSoundFont() : d_->options.soundFont;
    if (soundFont.isEmpty() || !QFileInfo(soundFont).isFile())
        return d_->fail(QStringLiteral("No SoundFont found"));

    d_->settings = new_fluid_settings();
    if (!d_->settings)
        return d_->fail(QStringLiteral("FluidSynth settings could not be created"));
    fluid_settings_setnum(d_->settings, "synth.sample-rate", d_->options.sampleRate);
    fluid_settings_setnum(d_->settings, "synth.gain", d_->level * kFullGain);
    // Only the samples of the programs selected are loaded.
    fluid_settings_setint(d_->settings, "synth.dynamic-sample-loading", 1);
    const bool rendering = !d_->options.renderFile.isEmpty();
    if (rendering) {
        fluid_settings_setstr(d_->settings, "audio.file.name", QFile::encodeName(d_->options.renderFile).constData());
        fluid_settings_setstr(d_->settings, "audio.file.type", "wav");
        fluid_settings_setstr(d_->settings, "audio.file.format", "s16");
        fluid_settings_setint(d_->settings, "audio.period-size", kPeriodFrames);
    }

    d_->synth = new_fluid_synth(d_->settings);
    if (!d_->synth)
        return d_->fail(QStringLiteral("FluidSynth could not be started"));
    if (fluid_synth_sfload(d_->synth, QFile::encodeName(soundFont).constData(), 1) == FLUID_FAILED)
        return d_->fail(QStringLiteral("The SoundFont %1 could not be loaded").arg(soundFont));

    if (rendering) {
        d_->renderer = new_fluid_file_renderer(d_->synth);
        if (!d_->renderer)
            return d_->fail(QStringLiteral("%1 could not be written").arg(d_->options.renderFile));
        d_->renderedFrames = 0;
        d_->renderedMs = 0;
        return true;
    }

    const QStringList drivers = d_->options.audioDriver.isEmpty()
                                    ? QStringList{"pulseaudio", "pipewire", "alsa"}
                                    : QStringList{d_->options.audioDriver};
    for (const QString& name : drivers) {
        fluid_settings_setstr(d_->settings, "audio.driver", name.toLatin1().constData());
        d_->driver = new_fluid_audio_driver(d_->settings, d_->synth);
        if (d_->driver)
            return true;
    }
    return d_->fail(QStringLiteral("No sound device could be opened"));
}

void FluidSynthMidiOut::shortMsg(quint8 status, quint8 data1, quint8 data2)
{
    fluid_synth_t* s = d_->synth;
    if (!s)
        return;
    const int channel = status & 0x0F;
    const int a = data1 & 0x7F, b = data2 & 0x7F;
    switch (status & 0xF0) {
    case 0x80: fluid_synth_noteoff(s, channel, a); break;
    case 0x90:
        if (b == 0)
            fluid_synth_noteoff(s, channel, a);
        else
            fluid_synth_noteon(s, channel, a, b);
        break;
    case 0xA0: fluid_synth_key_pressure(s, channel, a, b); break;
    case 0xB0: fluid_synth_cc(s, channel, a, b); break;
    case 0xC0: fluid_synth_program_change(s, channel, a); break;
    case 0xD0: fluid_synth_channel_pressure(s, channel, a); break;
    case 0xE0: fluid_synth_pitch_bend(s, channel, a | (b << 7)); break;
    default: break; // no system messages
    }
}

void FluidSynthMidiOut::reset()
{
    fluid_synth_t* s = d_->synth;
    if (!s)
        return;
    const int channels = fluid_synth_count_midi_channels(s);
    for (int channel = 0; channel < channels; ++channel)
        fluid_synth_cc(s, channel, 64, 0); // sustain pedal up
    fluid_synth_all_notes_off(s, -1);
}

void FluidSynthMidiOut::setVolume(double level)
{
    d_->level = qBound(0.0, level, 1.0);
    if (d_->synth)
        fluid_synth_set_gain(d_->synth, float(d_->level * kFullGain));
}

void FluidSynthMidiOut::close()
{
    d_->release();
}

bool FluidSynthMidiOut::render(int milliseconds)
{
    if (!d_->renderer || milliseconds < 0)
        return false;
    d_->renderedMs += milliseconds;
    const qint64 target = d_->renderedMs * d_->options.sampleRate / 1000;
    while (d_->renderedFrames < target) {
        if (fluid_file_renderer_process_block(d_->renderer) != FLUID_OK)
            return false;
        d_->renderedFrames += kPeriodFrames;
    }
    return true;
}

#else // no FluidSynth in this build

bool fluidSynthBuiltIn()
{
    return false;
}

struct FluidSynthMidiOut::Impl {
    FluidSynthOptions options;
};

FluidSynthMidiOut::FluidSynthMidiOut(FluidSynthOptions options) : d_(std::make_unique<Impl>())
{
    d_->options = std::move(options);
}

FluidSynthMidiOut::~FluidSynthMidiOut() = default;

bool FluidSynthMidiOut::open()
{
    return false;
}

void FluidSynthMidiOut::shortMsg(quint8, quint8, quint8) {}
void FluidSynthMidiOut::reset() {}
void FluidSynthMidiOut::setVolume(double) {}
void FluidSynthMidiOut::close() {}

bool FluidSynthMidiOut::isOpen() const
{
    return false;
}

QString FluidSynthMidiOut::errorString() const
{
    return QStringLiteral("This build has no FluidSynth");
}

bool FluidSynthMidiOut::render(int)
{
    return false;
}

#endif

} // namespace media
