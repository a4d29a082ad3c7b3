// MIDI to RTTTL conversion. The MIDI files are written here by a small
// Standard MIDI File writer of the test's own (chunks, variable-length
// quantities, running status written out by hand where a test needs it),
// and the RTTTL results are read back by an RTTTL reader of the test's own
// that applies the defaults, so most checks compare tunes note by note.
#include <gtest/gtest.h>

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStringList>

#include "sms/MidiToRtttl.h"

using namespace midi;

namespace {

// ---- an independent SMF writer ----

QByteArray varLen(quint32 v)
{
    QByteArray out(1, char(v & 0x7F));
    while (v >>= 7)
        out.prepend(char(0x80 | (v & 0x7F)));
    return out;
}

QByteArray be(quint32 v, int bytes)
{
    QByteArray out;
    for (int i = bytes - 1; i >= 0; --i)
        out.append(char((v >> (8 * i)) & 0xFF));
    return out;
}

class Track {
public:
    Track& on(quint32 delta, int key, int velocity = 100) { return event(delta, {0x90, key, velocity}); }
    Track& off(quint32 delta, int key) { return event(delta, {0x80, key, 64}); }
    Track& onZero(quint32 delta, int key) { return event(delta, {0x90, key, 0}); }
    Track& tempo(quint32 delta, quint32 us) { return meta(delta, 0x51, be(us, 3)); }
    Track& meta(quint32 delta, int type, const QByteArray& data)
    {
        bytes_ += varLen(delta) + char(0xFF) + char(type) + varLen(quint32(data.size())) + data;
        return *this;
    }
    Track& sysex(quint32 delta, int kind, const QByteArray& data)
    {
        bytes_ += varLen(delta) + char(kind) + varLen(quint32(data.size())) + data;
        return *this;
    }
    Track& event(quint32 delta, std::initializer_list<int> message)
    {
        bytes_ += varLen(delta);
        for (int b : message)
            bytes_ += char(b);
        return *this;
    }
    Track& raw(const QByteArray& b)
    {
        bytes_ += b;
        return *this;
    }
    Track& endOfTrack(quint32 delta = 0) { return meta(delta, 0x2F, {}); }
    const QByteArray& bytes() const { return bytes_; }

private:
    QByteArray bytes_;
};

QByteArray smf(const Track& track, int division = 480, int format = 0, int tracks = 1)
{
    return "MThd" + be(6, 4) + be(quint32(format), 2) + be(quint32(tracks), 2) + be(quint32(division), 2) + "MTrk" +
           be(quint32(track.bytes().size()), 4) + track.bytes();
}

// A tune of keys in sequence, each `ticks` long, ended by note-offs.
Track legatoTune(std::initializer_list<int> keys, quint32 ticks = 480)
{
    Track t;
    for (int k : keys)
        t.on(0, k).off(ticks, k);
    return t.endOfTrack();
}

// ---- an independent RTTTL reader ----

struct Rtttl {
    bool valid = false;
    QString name;
    int d = 0, o = 0, b = 0;
    // Each note with the defaults applied: duration, name, octave (none for
    // a rest), dot: "4C5", "8p", "2G6.".
    QStringList notes;
};

Rtttl readRtttl(const QString& text)
{
    Rtttl r;
    const QStringList fields = text.split(':');
    if (fields.size() != 3)
        return r;
    r.name = fields[0];
    static const QRegularExpression defaults("^d=(\\d+),o=(\\d+),b=(\\d+)$");
    const auto m = defaults.match(fields[1]);
    if (!m.hasMatch())
        return r;
    r.d = m.captured(1).toInt();
    r.o = m.captured(2).toInt();
    r.b = m.captured(3).toInt();
    static const QRegularExpression item("^(1|2|4|8|16|32)?([A-G]#?|p)(\\d+)?(\\.)?$");
    if (fields[2].isEmpty())
        return r;
    for (const QString& s : fields[2].split(',')) {
        const auto n = item.match(s);
        if (!n.hasMatch())
            return r;
        const bool rest = n.captured(2) == "p";
        if (rest && !n.captured(3).isEmpty())
            return r; // a rest has no octave
        const QString duration = n.captured(1).isEmpty() ? QString::number(r.d) : n.captured(1);
        const QString octave = rest ? QString() : (n.captured(3).isEmpty() ? QString::number(r.o) : n.captured(3));
        r.notes << duration + n.captured(2) + octave + n.captured(4);
    }
    r.valid = true;
    return r;
}

Rtttl convertOk(const QByteArray& file, const QString& name = "Tune")
{
    const ConvertResult res = convertMidiToRtttl(file, name);
    EXPECT_TRUE(res.ok()) << int(res.error);
    const Rtttl r = readRtttl(res.rtttl);
    EXPECT_TRUE(r.valid) << res.rtttl.toStdString();
    return r;
}

ConvertError errorOf(const QByteArray& file)
{
    const ConvertResult res = convertMidiToRtttl(file, "x");
    if (!res.ok()) {
        EXPECT_TRUE(res.rtttl.isEmpty());
    }
    return res.error;
}

constexpr int C4 = 48, E4 = 52, G4 = 55, C5 = 60, E5 = 64, G5 = 67;

} // namespace

TEST(MidiToRtttl, RefusesFilesItCannotTake)
{
    const QByteArray good = smf(legatoTune({C4}));
    ASSERT_EQ(errorOf(good), ConvertError::None);

    EXPECT_EQ(errorOf(QByteArray()), ConvertError::NotMidi);
    EXPECT_EQ(errorOf("MThd"), ConvertError::NotMidi);
    EXPECT_EQ(errorOf(QByteArray(good).replace(0, 4, "RIFF")), ConvertError::NotMidi);
    EXPECT_EQ(errorOf(QByteArray(good).replace(4, 4, be(7, 4))), ConvertError::NotMidi);
    EXPECT_EQ(errorOf(smf(legatoTune({C4}), 480, 1, 1)), ConvertError::NotSingleTrack);
    EXPECT_EQ(errorOf(smf(legatoTune({C4}), 480, 0, 2)), ConvertError::NotSingleTrack);
    EXPECT_EQ(errorOf(QByteArray(good).replace(14, 4, "MTrX")), ConvertError::NoTrack);
    EXPECT_EQ(errorOf(good.left(20)), ConvertError::NoTrack);
    // SMPTE timing (-25 frames, 40 ticks) and divisions under one tick per 32nd.
    EXPECT_EQ(errorOf(smf(legatoTune({C4}), 0xE728)), ConvertError::BadDivision);
    EXPECT_EQ(errorOf(smf(legatoTune({C4}), 4)), ConvertError::BadDivision);
    EXPECT_EQ(errorOf(smf(legatoTune({C4}), 0)), ConvertError::BadDivision);
    EXPECT_EQ(errorOf(smf(legatoTune({C4}), 5)), ConvertError::None);
    // No note at all, or only note-offs.
    EXPECT_EQ(errorOf(smf(Track().tempo(0, 500000).endOfTrack())), ConvertError::NoNotes);
    EXPECT_EQ(errorOf(smf(Track().off(0, C4).onZero(10, E4).endOfTrack())), ConvertError::NoNotes);
    // Over the size cap, even when well formed.
    Track big;
    big.meta(0, 0x01, QByteArray(kMaxFileBytes, 'a'));
    EXPECT_EQ(errorOf(smf(big.on(0, C4).off(480, C4))), ConvertError::TooLarge);
}

TEST(MidiToRtttl, NoteOffAndVelocityZeroTunesGiveOneEntryPerNote)
{
    const QByteArray withOffs = smf(legatoTune({C4, E4, G4}));
    const ConvertResult res = convertMidiToRtttl(withOffs, "Three");
    ASSERT_TRUE(res.ok());
    EXPECT_EQ(res.rtttl, "Three:d=4,o=5,b=0:C,E,G");

    Track zeros;
    zeros.on(0, C4).onZero(480, C4).on(0, E4).onZero(480, E4).on(0, G4).onZero(480, G4).endOfTrack();
    EXPECT_EQ(convertMidiToRtttl(smf(zeros), "Three").rtttl, res.rtttl);

    // The same with running status: one status byte, then key/velocity pairs.
    Track running;
    running.raw(varLen(0) + "\x90\x30\x64" + varLen(480) + QByteArray("\x30\x00", 2) + varLen(0) + "\x34\x64" +
                varLen(480) + QByteArray("\x34\x00", 2) + varLen(0) + "\x37\x64" + varLen(480) +
                QByteArray("\x37\x00", 2));
    EXPECT_EQ(convertMidiToRtttl(smf(running.endOfTrack()), "Three").rtttl, res.rtttl);

    // A note-off on another channel still ends the sounding key; other keys' note-offs do not.
    Track channels;
    channels.on(0, C4).off(240, G4).event(240, {0x83, C4, 0}).on(0, E4).off(480, E4).endOfTrack();
    EXPECT_EQ(convertOk(smf(channels)).notes, QStringList({"4C5", "4E5"}));
}

TEST(MidiToRtttl, SilenceBecomesRestsAndOverlapsPlayLegato)
{
    // C, an eighth of silence, E, a half of silence, G.
    Track t;
    t.on(0, C4).off(480, C4).on(240, E4).off(480, E4).on(960, G4).off(480, G4).endOfTrack(480);
    Rtttl r = convertOk(smf(t));
    EXPECT_EQ(r.notes, QStringList({"4C5", "8p", "4E5", "2p", "4G5"}));

    // Silence before the first note and after the last is not written.
    Track quietEnds;
    quietEnds.on(960, C4).off(480, C4).endOfTrack(1920);
    EXPECT_EQ(convertOk(smf(quietEnds)).notes, QStringList({"4C5"}));

    // A note-on while another sounds ends that one; its late note-off is ignored.
    Track overlap;
    overlap.on(0, C4).on(480, E4).off(120, C4).off(360, E4).endOfTrack();
    EXPECT_EQ(convertOk(smf(overlap)).notes, QStringList({"4C5", "4E5"}));

    // The end of the track ends a note that was never switched off.
    Track hanging;
    hanging.on(0, C4).off(480, C4).on(0, E4).endOfTrack(960);
    EXPECT_EQ(convertOk(smf(hanging)).notes, QStringList({"4C5", "2E5"}));

    // Rests count towards the default duration but are written without an octave.
    Track rests;
    rests.on(0, C4).off(240, C4).on(480, E4).off(240, E4).on(480, G4).off(960, G4).endOfTrack();
    const ConvertResult res = convertMidiToRtttl(smf(rests), "R");
    EXPECT_EQ(res.rtttl, "R:d=4,o=5,b=0:8C,p,8E,p,2G");
}

TEST(MidiToRtttl, ChordsKeepTheirLastNote)
{
    Track t;
    t.on(0, C4).on(0, E4).on(0, G4).off(480, C4).off(0, E4).off(0, G4);
    t.on(0, C5).on(0, G4).off(480, G4).off(0, C5).endOfTrack();
    EXPECT_EQ(convertOk(smf(t)).notes, QStringList({"4G5", "4G5"}));

    // The chord's dropped lower note does not move the octaves.
    Track low;
    low.on(0, 24).on(0, C5).off(480, C5).off(0, 24).on(0, E5).off(480, E5).endOfTrack();
    EXPECT_EQ(convertOk(smf(low)).notes, QStringList({"4C5", "4E5"}));
}

TEST(MidiToRtttl, TempoIsTheLastUsableTempoEventSnappedToARingtoneTempo)
{
    // 500000 us per quarter = 120 beats per minute, carried as 125.
    EXPECT_EQ(convertOk(smf(legatoTune({C4}).tempo(0, 500000))).b, 0) << "a tempo after the end is not read";
    Track t;
    t.tempo(0, 500000).on(0, C4).off(480, C4).endOfTrack();
    EXPECT_EQ(convertOk(smf(t)).b, 125);
    Track changes;
    changes.tempo(0, 500000).on(0, C4).tempo(240, 600000).off(240, C4).tempo(0, 0).endOfTrack();
    EXPECT_EQ(convertOk(smf(changes)).b, 100) << "the last tempo wins; a tempo of 0 is ignored";
    Track exact;
    exact.tempo(0, 428571).on(0, C4).off(480, C4).endOfTrack(); // 140.0000467 bpm
    EXPECT_EQ(convertOk(smf(exact)).b, 140);
    Track noTempo = legatoTune({C4});
    EXPECT_EQ(convertOk(smf(noTempo)).b, 0);

    EXPECT_EQ(nearestRingtoneTempo(120), 125);
    EXPECT_EQ(nearestRingtoneTempo(33), 31) << "a tie goes to the lower tempo";
    EXPECT_EQ(nearestRingtoneTempo(34), 35);
    EXPECT_EQ(nearestRingtoneTempo(63), 63);
    EXPECT_EQ(nearestRingtoneTempo(1), 25);
    EXPECT_EQ(nearestRingtoneTempo(60000000), 900);
}

TEST(MidiToRtttl, LengthsAreQuantisedToRingtoneDurations)
{
    // Division 480: 60 ticks per 32nd. One note per tune (the reader fills
    // in the default).
    struct Case {
        quint32 ticks;
        const char* expected;
    };
    const Case cases[] = {{480, "4C5"},  {720, "4C5."},  {60, "32C5"},   {1, "32C5"},   {90, "32C5."},
                          {119, "32C5."}, {120, "16C5"}, {959, "4C5."},  {960, "2C5"},  {1920, "1C5"},
                          {3839, "1C5."}};
    for (const Case& c : cases) {
        Track t;
        t.on(0, C4).off(c.ticks, C4).endOfTrack();
        const ConvertResult res = convertMidiToRtttl(smf(t), "L");
        const Rtttl r = readRtttl(res.rtttl);
        ASSERT_TRUE(r.valid) << res.rtttl.toStdString();
        EXPECT_EQ(r.notes, QStringList({c.expected})) << c.ticks;
    }
    // 64 units or more have no duration of their own: the default applies.
    Track longNote;
    longNote.on(0, C4).off(480, C4).on(0, E4).off(3840, E4).endOfTrack();
    EXPECT_EQ(convertMidiToRtttl(smf(longNote), "L").rtttl, "L:d=4,o=5,b=0:C,E");

    // Ticks per 32nd are the division / 8 rounded half to even: 100 -> 12, 108 -> 14.
    Track fortyEight;
    fortyEight.on(0, C4).off(48, C4).endOfTrack();
    EXPECT_EQ(convertOk(smf(fortyEight, 100)).notes, QStringList({"8C5"}));
    Track fiftySix;
    fiftySix.on(0, C4).off(56, C4).endOfTrack();
    EXPECT_EQ(convertOk(smf(fiftySix, 108)).notes, QStringList({"8C5"}));
}

TEST(MidiToRtttl, DefaultsAndOctaveShift)
{
    // MIDI octaves 4 to 6 are written as 5 to 7; octave 6 is the most frequent.
    Track t;
    t.on(0, C4).off(240, C4).on(0, C5).off(240, C5).on(0, E5).off(480, E5).on(0, 72).off(240, 72).endOfTrack();
    const ConvertResult res = convertMidiToRtttl(smf(t), "Oct");
    EXPECT_EQ(res.rtttl, "Oct:d=8,o=6,b=0:C5,C,4E,C7");

    // All eighths: d=8 and no duration in the notes.
    EXPECT_EQ(convertMidiToRtttl(smf(legatoTune({C4, E4, G4}, 240)), "E").rtttl, "E:d=8,o=5,b=0:C,E,G");
    // Ties: the duration first in 1, 2, 4, 8, 16, 32 and the lowest octave.
    Track tie;
    tie.on(0, C4).off(240, C4).on(0, E5).off(480, E5).endOfTrack();
    EXPECT_EQ(convertMidiToRtttl(smf(tie), "T").rtttl, "T:d=4,o=5,b=0:8C,E6");
    // Octaves above 8 are written out but never become the default.
    Track high;
    high.on(0, 12).off(480, 12).on(0, 120).off(480, 120).on(0, 121).off(480, 121).endOfTrack();
    EXPECT_EQ(convertMidiToRtttl(smf(high), "H").rtttl, "H:d=4,o=5,b=0:C,C14,C#14");
}

TEST(MidiToRtttl, KeepsAtMostThreeHundredEntries)
{
    Track many;
    for (int i = 0; i < 400; ++i)
        many.on(0, C4 + i % 12).off(240, C4 + i % 12);
    Rtttl r = convertOk(smf(many.endOfTrack()));
    ASSERT_EQ(r.notes.size(), kMaxEntries);
    EXPECT_EQ(r.notes.last(), "8B5") << "entry 300 is the 300th note, C + 299 % 12";

    // Notes with rests between: the last entry is a note, never a rest.
    Track gaps;
    for (int i = 0; i < 400; ++i)
        gaps.on(i ? 240 : 0, E4).off(240, E4);
    r = convertOk(smf(gaps.endOfTrack()));
    ASSERT_EQ(r.notes.size(), kMaxEntries - 1);
    EXPECT_EQ(r.notes.last(), "8E5");
    EXPECT_EQ(r.notes.count("8p"), (kMaxEntries - 2) / 2);
}

TEST(MidiToRtttl, SkipsEverythingThatIsNotANote)
{
    Track t;
    t.meta(0, 0x03, "Track name \x90\x30\x64")         // a listed meta with note-like data
        .meta(0, 0x09, QByteArray("\x90\x3c\x64\x80", 4)) // an unlisted one
        .meta(0, 0x7F, QByteArray(200, char(0x90)))       // a long one, two-byte length
        .sysex(0, 0xF0, QByteArray("\x7E\x7F\x09\x01\xF7", 5))
        .sysex(0, 0xF7, QByteArray("\x90\x30\x64", 3))
        .event(0, {0xB0, 7, 100})
        .event(0, {0xC0, 5})
        .event(0, {0xD0, 30})
        .event(0, {0xE0, 0, 64})
        .event(0, {0xA0, C4, 10})
        .on(0, C4)
        .off(2048, C4)
        .meta(0, 0x58, QByteArray("\x04\x02\x18\x08", 4))
        // A delta of 16383 ticks starts with the byte FF: FF 7F.
        .on(16383, E4)
        .off(2048, E4)
        .endOfTrack()
        .on(0, G4) // after the end of the track
        .off(2048, G4);
    // Division 4096: 512 ticks per 32nd, so 2048 ticks are an eighth and
    // 16383 a dotted half.
    EXPECT_EQ(convertOk(smf(t, 4096)).notes, QStringList({"8C5", "2p.", "8E5"}));
}

TEST(MidiToRtttl, MalformedTracksEndTheReadingWithoutHarm)
{
    const QByteArray tune = smf(legatoTune({C4, E4, G4}));

    // A stated track length far beyond the file: read to the file's end.
    QByteArray longer = tune;
    longer.replace(18, 4, be(0xFFFFFFFF, 4));
    EXPECT_EQ(convertOk(longer).notes, QStringList({"4C5", "4E5", "4G5"}));

    // A stated track length that cuts the track: read to the stated end.
    // The events are 4 bytes on + 5 bytes off per note (deltas of 480 take
    // two bytes); E's note-on is read, but E never lasts, so it is dropped.
    QByteArray shorter = tune;
    shorter.replace(18, 4, be(4 + 5 + 4, 4));
    EXPECT_EQ(convertOk(shorter).notes, QStringList({"4C5"}));

    // Cut anywhere: never more than the whole tune, never a crash.
    for (qsizetype n = 22; n < tune.size(); ++n) {
        const ConvertResult res = convertMidiToRtttl(tune.left(n), "Cut");
        if (res.ok()) {
            const Rtttl r = readRtttl(res.rtttl);
            EXPECT_TRUE(r.valid) << res.rtttl.toStdString();
            EXPECT_LE(r.notes.size(), 3);
        } else {
            EXPECT_EQ(res.error, ConvertError::NoNotes);
        }
    }

    // A variable-length quantity of five bytes, data bytes without a status,
    // and a meta length past the end.
    Track bad;
    bad.on(0, C4).off(480, C4).raw("\x81\x81\x81\x81\x01");
    EXPECT_EQ(convertOk(smf(bad)).notes, QStringList({"4C5"}));
    Track noStatus;
    noStatus.raw(QByteArray("\x00\x30\x64\x00", 4)).on(0, E4).off(480, E4);
    EXPECT_EQ(convertOk(smf(noStatus)).notes, QStringList({"4E5"}));
    Track metaPastEnd;
    metaPastEnd.on(0, C4).off(480, C4).raw(varLen(0) + "\xFF\x01" + varLen(100000) + "abc");
    EXPECT_EQ(convertOk(smf(metaPastEnd)).notes, QStringList({"4C5"}));
}

TEST(MidiToRtttl, RandomTracksAlwaysGiveAReadableTuneOrAnError)
{
    QRandomGenerator rng(19);
    const QByteArray events[] = {QByteArray("\x90\x3c\x64", 3), QByteArray("\x80\x3c\x00", 3),
                                 QByteArray("\x90\x40\x00", 3), QByteArray("\xFF\x51\x03", 3),
                                 QByteArray("\xFF\x2F\x00", 3), QByteArray("\xF0\x05", 2)};
    for (int round = 0; round < 2000; ++round) {
        QByteArray body;
        const int parts = rng.bounded(1, 40);
        for (int i = 0; i < parts; ++i) {
            if (rng.bounded(3) == 0)
                body += events[rng.bounded(6)];
            else
                body += char(rng.bounded(256));
        }
        const QByteArray file = "MThd" + be(6, 4) + be(0, 2) + be(1, 2) + be(quint32(rng.bounded(1, 2000)), 2) +
                                "MTrk" + be(quint32(rng.bounded(0, 80)), 4) + body;
        const ConvertResult res = convertMidiToRtttl(file, "Fuzz");
        if (!res.ok()) {
            EXPECT_TRUE(res.error == ConvertError::NoNotes || res.error == ConvertError::BadDivision);
            continue;
        }
        const Rtttl r = readRtttl(res.rtttl);
        EXPECT_TRUE(r.valid) << res.rtttl.toStdString();
        EXPECT_FALSE(r.notes.isEmpty());
        EXPECT_FALSE(r.notes.last().contains('p'));
    }
}

TEST(MidiToRtttl, TuneNames)
{
    EXPECT_EQ(tuneNameFromPath("/home/ann/tunes/Theme.Final.mid"), "Theme");
    EXPECT_EQ(tuneNameFromPath("Theme.MID"), "Theme");
    EXPECT_EQ(tuneNameFromPath("/home/ann/v1.2/Bells"), "Bells");
    EXPECT_EQ(tuneNameFromPath("/tmp/.mid"), "");

    const QByteArray file = smf(legatoTune({C4}));
    EXPECT_EQ(convertMidiToRtttl(file, " a:b:c ").rtttl, "a_b_c:d=4,o=5,b=0:C");
    EXPECT_EQ(readRtttl(convertMidiToRtttl(file, "").rtttl).name, "Tune");
    EXPECT_EQ(readRtttl(convertMidiToRtttl(file, "%1 %2").rtttl).name, "%1 %2");
}
