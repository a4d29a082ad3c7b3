// The ringtone player's timing against the recording output: which MIDI
// bytes go out at each tick and how long each tick waits. No timer runs;
// the tests call tick() themselves.
#include <gtest/gtest.h>

#include <QStringList>

#include "media/MidiOut.h"
#include "media/RecordingMidiOut.h"
#include "media/RingtonePlayerCore.h"

using namespace media;

namespace {

RingtoneNote note(int semitone, int scale, int divisor, int specifier = 0)
{
    RingtoneNote n;
    n.semitone = semitone;
    n.scale = scale;
    n.divisor = divisor;
    n.specifier = specifier;
    return n;
}

RingtoneNote rest(int divisor, int scale = 2)
{
    RingtoneNote n;
    n.pause = true;
    n.scale = scale;
    n.divisor = divisor;
    return n;
}

RingtoneTune tune(QList<RingtoneNote> notes, int tempo = 0)
{
    RingtoneTune t;
    t.notes = std::move(notes);
    t.tempo = tempo;
    return t;
}

// Drives a player the way its window does: every tick's messages go to the
// output; the delays asked for are collected.
struct Harness {
    RecordingMidiOut out;
    RingtonePlayerCore core;
    QList<int> delays;

    void tick()
    {
        const RingtonePlayerCore::Tick t = core.tick();
        sendActions(out, t.actions);
        delays << t.nextMs;
    }
    // Ticks until the player stops (at most `limit` ticks).
    void runToEnd(int limit = 1000)
    {
        while (core.state() == RingtonePlayerCore::State::Playing && limit-- > 0)
            tick();
    }
};

// C in scale 2 (key 70 = 0x46), a rest, E in scale 3 (key 86 = 0x56), dotted eighth.
const RingtoneTune kTune = tune({note(0, 2, 4), rest(4), note(4, 3, 8, 1)});

} // namespace

TEST(RingtonePlayer, OpeningSelectsProgramSeventyOnChannelZero)
{
    RecordingMidiOut out;
    ASSERT_TRUE(out.open());
    sendActions(out, RingtonePlayerCore::openingActions());
    EXPECT_EQ(out.log(), QStringList({"open", "C0 46"}));
}

TEST(RingtonePlayer, PlaysEachEntryForItsLengthAndStopsAtTheEnd)
{
    Harness h;
    h.core.setTune(kTune);
    EXPECT_EQ(h.core.play(), 0) << "nothing has set a length yet: the first tick is due at once";
    h.runToEnd();

    EXPECT_EQ(h.out.log(), QStringList({
                               "90 46 78",          // C on
                               "80 46 78",          // C off; the rest sounds nothing
                               "80 18 78",          // the rest's key is 12 x scale
                               "90 56 78",          // E on
                               "80 56 78", "reset", // the end
                           }));
    // 60/140*1200/4*3 = 385.7; dotted eighth 60/140*1200/8*5 = 321.4.
    EXPECT_EQ(h.delays, QList<int>({386, 386, 321, -1}));
    EXPECT_EQ(h.core.state(), RingtonePlayerCore::State::Stopped);
    EXPECT_EQ(h.core.position(), 0);

    // A tick while stopped does nothing.
    h.out.clear();
    EXPECT_TRUE(h.core.tick().actions.isEmpty());
    EXPECT_TRUE(h.out.events().isEmpty());
}

TEST(RingtonePlayer, PositionCountsTheEntriesStarted)
{
    Harness h;
    h.core.setTune(kTune);
    EXPECT_EQ(h.core.noteCount(), 3);
    h.core.play();
    QList<int> positions;
    for (int i = 0; i < 4; ++i) {
        h.tick();
        positions << h.core.position();
    }
    EXPECT_EQ(positions, QList<int>({1, 2, 3, 0}));
}

TEST(RingtonePlayer, PauseKeepsThePlaceAndStopGoesBackToTheStart)
{
    Harness h;
    h.core.setTune(kTune);
    h.core.play();
    h.tick();
    h.tick(); // the rest has started
    h.out.clear();

    sendActions(h.out, h.core.pause());
    EXPECT_EQ(h.out.log(), QStringList({"B0 7B 00", "reset"}));
    EXPECT_EQ(h.core.state(), RingtonePlayerCore::State::Paused);
    EXPECT_EQ(h.core.position(), 2);
    EXPECT_TRUE(h.core.tick().actions.isEmpty()) << "no ticks while paused";
    EXPECT_TRUE(h.core.pause().isEmpty()) << "pausing twice does nothing";

    h.out.clear();
    EXPECT_EQ(h.core.play(), 386) << "the first tick waits the length of the last entry started";
    EXPECT_EQ(h.core.play(), -1) << "play while playing does nothing";
    h.tick();
    EXPECT_EQ(h.out.log(), QStringList({"80 18 78", "90 56 78"}));

    h.out.clear();
    sendActions(h.out, h.core.stop());
    EXPECT_EQ(h.out.log(), QStringList({"B0 7B 00", "reset"}));
    EXPECT_EQ(h.core.state(), RingtonePlayerCore::State::Stopped);
    EXPECT_EQ(h.core.position(), 0);
    EXPECT_TRUE(h.core.stop().isEmpty()) << "stopping twice does nothing";

    h.out.clear();
    h.core.play();
    h.tick();
    EXPECT_EQ(h.out.log(), QStringList({"90 46 78"})) << "after Stop the tune starts again";

    // Stop from paused.
    h.core.pause();
    h.out.clear();
    sendActions(h.out, h.core.stop());
    EXPECT_EQ(h.out.log(), QStringList({"B0 7B 00", "reset"}));
    EXPECT_EQ(h.core.position(), 0);
}

TEST(RingtonePlayer, AShorterTuneAfterPauseEndsCleanly)
{
    Harness h;
    h.core.setTune(tune({note(0, 2, 4), note(2, 2, 4), note(4, 2, 4), note(5, 2, 4)}));
    h.core.play();
    for (int i = 0; i < 3; ++i)
        h.tick();
    h.core.pause();
    ASSERT_EQ(h.core.position(), 3);

    h.core.setTune(tune({note(7, 1, 4)})); // G in scale 1: key 12 + 53 = 65 = 0x41
    EXPECT_EQ(h.core.position(), 1) << "the position is brought back into the new list";
    h.out.clear();
    h.core.play();
    h.runToEnd();
    EXPECT_EQ(h.out.log(), QStringList({"80 41 78", "reset"}));
    EXPECT_EQ(h.core.state(), RingtonePlayerCore::State::Stopped);

    // An empty tune stops on its first tick.
    h.core.setTune(RingtoneTune{});
    h.out.clear();
    h.core.play();
    h.runToEnd();
    EXPECT_EQ(h.out.log(), QStringList({"reset"}));
}

TEST(RingtonePlayer, TempoComesFromTheTuneOrStaysAsItWas)
{
    RingtonePlayerCore core;
    EXPECT_EQ(core.tempo(), 140);
    core.setTune(tune({note(0, 2, 4)}, 125));
    EXPECT_EQ(core.tempo(), 125);
    core.play();
    EXPECT_EQ(core.tick().nextMs, 432); // 60/125*1200/4*3
    core.setTune(tune({note(0, 2, 4)}, 0));
    EXPECT_EQ(core.tempo(), 125) << "a tune without a tempo plays at the last tune's";
}

TEST(RingtonePlayer, LengthsOfEveryDurationAndSpecifier)
{
    // At 140 bpm a plain quarter is 385.714 ms.
    EXPECT_EQ(RingtonePlayerCore::lengthMs(note(0, 2, 1), 140), 1543);
    EXPECT_EQ(RingtonePlayerCore::lengthMs(note(0, 2, 2), 140), 771);
    EXPECT_EQ(RingtonePlayerCore::lengthMs(note(0, 2, 4), 140), 386);
    EXPECT_EQ(RingtonePlayerCore::lengthMs(note(0, 2, 8), 140), 193);
    EXPECT_EQ(RingtonePlayerCore::lengthMs(note(0, 2, 16), 140), 96);
    EXPECT_EQ(RingtonePlayerCore::lengthMs(note(0, 2, 32), 140), 48);
    EXPECT_EQ(RingtonePlayerCore::lengthMs(note(0, 2, 4, 1), 140), 643);
    EXPECT_EQ(RingtonePlayerCore::lengthMs(note(0, 2, 4, 2), 140), 675) << "double-dotted: 1.75 x";
    EXPECT_EQ(RingtonePlayerCore::lengthMs(note(0, 2, 4, 3), 140), 257) << "two-thirds";
    EXPECT_EQ(RingtonePlayerCore::lengthMs(rest(4), 140), 386) << "a rest lasts like a note";
    // Halves go to the even neighbour: 112.5 -> 112, 67.5 -> 68.
    EXPECT_EQ(RingtonePlayerCore::lengthMs(note(0, 2, 16), 120), 112);
    EXPECT_EQ(RingtonePlayerCore::lengthMs(note(0, 2, 32), 100), 68);
    // Never shorter than a millisecond, whatever the divisor.
    EXPECT_EQ(RingtonePlayerCore::lengthMs(note(0, 2, 4096, 3), 900), 1);
}

TEST(RingtonePlayer, KeysOfNotesAndRests)
{
    EXPECT_EQ(RingtonePlayerCore::keyOf(note(0, 1, 4)), 58);
    EXPECT_EQ(RingtonePlayerCore::keyOf(note(11, 4, 4)), 105);
    EXPECT_EQ(RingtonePlayerCore::keyOf(note(9, 2, 4)), 79);
    EXPECT_EQ(RingtonePlayerCore::keyOf(rest(4, 3)), 36);
    EXPECT_EQ(RingtonePlayerCore::keyOf(note(11, 9, 4)), 127) << "kept inside the MIDI range";
}
