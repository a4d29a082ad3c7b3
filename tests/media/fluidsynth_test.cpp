// The FluidSynth output, rendered into a WAV file instead of a sound device
// and read back with a WAV reader of the test's own: there is sound while a
// note plays and silence where the tune rests or the output was reset.
// Skipped when the build has no FluidSynth or the system no GM SoundFont.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <cmath>

#include "media/FluidSynthMidiOut.h"
#include "media/MidiOut.h"
#include "media/RingtonePlayerCore.h"

using namespace media;

namespace {

struct Wav {
    bool valid = false;
    int channels = 0;
    int sampleRate = 0;
    int bits = 0;
    QList<qint16> samples; // interleaved
};

// Reads a RIFF WAVE file of 16-bit PCM.
Wav readWav(const QString& path)
{
    Wav w;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return w;
    const QByteArray d = f.readAll();
    if (d.size() < 12 || !d.startsWith("RIFF") || d.mid(8, 4) != "WAVE")
        return w;
    const auto u16 = [&](qsizetype at) { return qFromLittleEndian<quint16>(d.constData() + at); };
    const auto u32 = [&](qsizetype at) { return qFromLittleEndian<quint32>(d.constData() + at); };
    bool haveFormat = false;
    for (qsizetype at = 12; at + 8 <= d.size();) {
        const QByteArray id = d.mid(at, 4);
        const qsizetype size = u32(at + 4);
        const qsizetype body = at + 8;
        if (body + size > d.size())
            return w;
        if (id == "fmt " && size >= 16) {
            if (u16(body) != 1 && u16(body) != 0xFFFE) // PCM, or extensible PCM
                return w;
            w.channels = u16(body + 2);
            w.sampleRate = int(u32(body + 4));
            w.bits = u16(body + 14);
            haveFormat = true;
        } else if (id == "data" && haveFormat && w.bits == 16) {
            for (qsizetype i = 0; i + 1 < size; i += 2)
                w.samples << qint16(u16(body + i));
            w.valid = w.channels > 0;
        }
        at = body + size + (size & 1);
    }
    return w;
}

// Root mean square level of the milliseconds [fromMs, toMs), over all channels.
double rms(const Wav& w, int fromMs, int toMs)
{
    const qsizetype from = qsizetype(fromMs) * w.sampleRate / 1000 * w.channels;
    const qsizetype to = qMin(qsizetype(toMs) * w.sampleRate / 1000 * w.channels, w.samples.size());
    if (to <= from)
        return -1;
    double sum = 0;
    for (qsizetype i = from; i < to; ++i)
        sum += double(w.samples[i]) * w.samples[i];
    return std::sqrt(sum / double(to - from));
}

int peak(const Wav& w)
{
    int p = 0;
    for (qint16 s : w.samples)
        p = qMax(p, std::abs(int(s)));
    return p;
}

RingtoneNote note(int semitone, int divisor, bool pause = false)
{
    RingtoneNote n;
    n.semitone = semitone;
    n.divisor = divisor;
    n.pause = pause;
    return n;
}

} // namespace

TEST(FluidSynthOutput, WithoutASoundFontThePlayerGetsTheSilentOutput)
{
    FluidSynthOptions o;
    o.soundFont = "/nonexistent/none.sf2";
    FluidSynthMidiOut synth(o);
    EXPECT_FALSE(synth.open());
    EXPECT_FALSE(synth.isOpen());
    EXPECT_FALSE(synth.errorString().isEmpty());
    synth.shortMsg(0x90, 60, 100); // harmless while closed
    synth.reset();

    const std::unique_ptr<MidiOut> out = openMidiOut(o);
    ASSERT_NE(out, nullptr);
    EXPECT_NE(dynamic_cast<NullMidiOut*>(out.get()), nullptr);
    EXPECT_EQ(out->silentReason(), synth.errorString()) << "the player tells why nothing is heard";
}

TEST(FluidSynthOutput, RenderedTuneHasSoundWhereItsNotesAre)
{
    if (!fluidSynthBuiltIn())
        GTEST_SKIP() << "built without FluidSynth";
    if (defaultSoundFont().isEmpty())
        GTEST_SKIP() << "no General MIDI SoundFont installed";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    FluidSynthOptions o;
    o.renderFile = dir.filePath("tune.wav");
    o.sampleRate = 22050;

    FluidSynthMidiOut out(o);
    ASSERT_TRUE(out.open()) << out.errorString().toStdString();
    sendActions(out, RingtonePlayerCore::openingActions());
    out.setVolume(1.0);

    // A quarter, a whole rest, a quarter (386, 1543, 386 ms at 140 bpm).
    RingtonePlayerCore core;
    RingtoneTune tune;
    tune.notes = {note(0, 4), note(0, 1, true), note(4, 4)};
    core.setTune(tune);
    core.play();
    int now = 0;
    QList<int> starts;
    for (;;) {
        const RingtonePlayerCore::Tick t = core.tick();
        sendActions(out, t.actions);
        if (t.nextMs < 0)
            break;
        starts << now;
        ASSERT_TRUE(out.render(t.nextMs));
        now += t.nextMs;
    }
    ASSERT_EQ(starts, QList<int>({0, 386, 1929}));
    const int end = now; // 2315
    ASSERT_TRUE(out.render(1200));

    // A held note (sustain pedal down, key released) that only reset() ends.
    const int held = end + 1200;
    out.shortMsg(0xB0, 64, 127);
    out.shortMsg(0x90, 70, 120);
    ASSERT_TRUE(out.render(100));
    out.shortMsg(0x80, 70, 120);
    ASSERT_TRUE(out.render(500));
    out.reset();
    ASSERT_TRUE(out.render(1200));
    out.close(); // finishes the file

    const Wav w = readWav(o.renderFile);
    ASSERT_TRUE(w.valid);
    EXPECT_EQ(w.channels, 2);
    EXPECT_EQ(w.sampleRate, 22050);
    EXPECT_GE(w.samples.size() / w.channels, qsizetype(held + 1800) * 22050 / 1000 - 64);

    const double firstNote = rms(w, 30, 350);
    const double restLate = rms(w, 386 + 900, 1929);
    const double secondNote = rms(w, 1929 + 30, 1929 + 350);
    const double afterEnd = rms(w, end + 800, end + 1200);
    const double sustained = rms(w, held + 150, held + 600);
    const double afterReset = rms(w, held + 600 + 800, held + 1800);
    EXPECT_GT(firstNote, 300) << "the first note sounds";
    EXPECT_GT(secondNote, 300) << "the second note sounds";
    EXPECT_GT(sustained, 300) << "the pedal holds the released key";
    EXPECT_LT(restLate, firstNote / 20) << "the rest is silent once the first note has died away";
    EXPECT_LT(afterEnd, secondNote / 20) << "the end of the tune is silent";
    EXPECT_LT(afterReset, sustained / 20) << "reset releases the pedal and the note";
    EXPECT_LT(peak(w), 32767) << "full level does not clip";
}
