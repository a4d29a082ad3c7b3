// The player's tune of stored ringtone content. The streams are written
// here bit by bit after the smart-messaging layout, not by the program's
// encoder, so that a reader or an adapter that misplaces a field shows.
#include <gtest/gtest.h>

#include <QString>

#include "media/RingtonePlayerCore.h"
#include "media/RingtoneTune.h"
#include "sms/Ringtone.h"
#include "sms/SmartMessage.h"

using namespace media;

namespace {

// A ringing-tone stream, most significant bit first.
class StreamWriter {
public:
    explicit StreamWriter(const QString& title)
    {
        put(0x02, 8);       // command-part length
        put(0x25, 7);       // ringing-tone programming
        put(0, 1);          // filler
        put(0x1D, 7);       // sound
        put(0b001, 3);      // basic song type
        put(int(title.size()), 4);
        for (QChar c : title)
            put(c.unicode(), 8);
        put(1, 8);          // one song pattern
        put(0b000, 3);      // pattern header
        put(0, 2);          // pattern A
        put(0, 4);          // no loop
        countAt_ = bits_.size();
        put(0, 8);          // instruction count, filled in by hex()
    }
    StreamWriter& note(int value, int durationCode, int specifier)
    {
        ++count_;
        put(0b001, 3), put(value, 4), put(durationCode, 3), put(specifier, 2);
        return *this;
    }
    StreamWriter& scale(int code) { return ++count_, put(0b010, 3), put(code, 2), *this; }
    StreamWriter& style(int code) { return ++count_, put(0b011, 3), put(code, 2), *this; }
    StreamWriter& tempo(int code) { return ++count_, put(0b100, 3), put(code, 5), *this; }
    StreamWriter& volume(int level) { return ++count_, put(0b101, 3), put(level, 4), *this; }

    QString hex() const
    {
        QString b = bits_;
        for (int i = 0; i < 8; ++i)
            b[countAt_ + i] = (count_ >> (7 - i)) & 1 ? QLatin1Char('1') : QLatin1Char('0');
        while (b.size() % 8)
            b += QLatin1Char('0');
        QString out;
        for (qsizetype i = 0; i < b.size(); i += 8)
            out += QStringLiteral("%1").arg(b.mid(i, 8).toInt(nullptr, 2), 2, 16, QLatin1Char('0')).toUpper();
        return out + QStringLiteral("00"); // command end
    }

private:
    void put(int value, int width)
    {
        for (int i = width - 1; i >= 0; --i)
            bits_ += (value >> i) & 1 ? QLatin1Char('1') : QLatin1Char('0');
    }
    QString bits_;
    qsizetype countAt_ = 0;
    int count_ = 0;
};

struct Expected {
    bool pause;
    int semitone, scale, divisor, specifier;
};

void expectNotes(const RingtoneTune& tune, const QList<Expected>& want)
{
    ASSERT_EQ(tune.notes.size(), want.size());
    for (qsizetype i = 0; i < want.size(); ++i) {
        const RingtoneNote& n = tune.notes[i];
        const Expected& w = want[i];
        EXPECT_EQ(n.pause, w.pause) << "entry " << i;
        if (!w.pause) {
            EXPECT_EQ(n.semitone, w.semitone) << "entry " << i;
        }
        EXPECT_EQ(n.scale, w.scale) << "entry " << i;
        EXPECT_EQ(n.divisor, w.divisor) << "entry " << i;
        EXPECT_EQ(n.specifier, w.specifier) << "entry " << i;
    }
}

} // namespace

TEST(RingtoneTune, EveryFieldOfEveryInstructionReachesThePlayer)
{
    StreamWriter w(QStringLiteral("Tune"));
    w.tempo(14) // 125 beats per minute
        .style(2)
        .volume(7)
        .note(3, 2, 0) // D quarter, default scale (code 1)
        .scale(0)
        .note(1, 2, 0) // C quarter
        .scale(3)
        .note(12, 3, 1) // B dotted eighth
        .note(0, 0, 2)  // double-dotted whole rest
        .note(11, 5, 3) // A# two-thirds thirty-second
        .note(6, 1, 0); // F half
    const RingtoneTune tune = tuneFromContent(w.hex());

    EXPECT_EQ(tune.tempo, 125);
    EXPECT_EQ(tune.style, 2);
    expectNotes(tune, {
                          {false, 2, 2, 4, 0},
                          {false, 0, 1, 4, 0},
                          {false, 11, 4, 8, 1},
                          {true, 0, 4, 1, 2},
                          {false, 10, 4, 32, 3},
                          {false, 5, 4, 2, 0},
                      });
    // The keys the player sends: 12 x scale + 46..57; a rest's is 12 x scale.
    QList<int> keys;
    for (const RingtoneNote& n : tune.notes)
        keys << RingtonePlayerCore::keyOf(n);
    EXPECT_EQ(keys, QList<int>({72, 58, 105, 48, 104, 99}));
}

TEST(RingtoneTune, StoredPartsReadLikeTheBareStream)
{
    StreamWriter w(QStringLiteral("Parts"));
    w.scale(2);
    for (int i = 0; i < 120; ++i) // long enough for two parts
        w.note(1 + i % 12, i % 6, i % 4);
    const QString stream = w.hex();
    const QString stored = sms::ringtoneParts(stream);
    ASSERT_GT(stored.size(), stream.size() + 24) << "two part headers";

    const RingtoneTune bare = tuneFromContent(stream);
    const RingtoneTune parts = tuneFromContent(stored);
    ASSERT_EQ(bare.notes.size(), 120);
    ASSERT_EQ(parts.notes.size(), 120);
    for (int i = 0; i < 120; ++i) {
        EXPECT_EQ(parts.notes[i].semitone, i % 12) << i;
        EXPECT_EQ(parts.notes[i].divisor, 1 << (i % 6)) << i;
        EXPECT_EQ(parts.notes[i].specifier, i % 4) << i;
        EXPECT_EQ(parts.notes[i].scale, 3) << i;
    }
    EXPECT_EQ(parts.tempo, 0) << "no tempo instruction: the player keeps its own";
    EXPECT_EQ(parts.style, 0);
}

TEST(RingtoneTune, ReaderEntriesOutsideTheTablesPlaySafely)
{
    sms::Ringtone tone;
    tone.tempo = 0;
    tone.style = -1;
    tone.notes = {
        {2, 0, 4, 1},    // a rest
        {2, 45, 4, 1},   // below the note numbers: a rest
        {2, 58, 4, 1},   // above them: a rest
        {2, 57, 128, 1}, // reserved duration code 7
        {3, 46, 4, 16},  // unknown factor: plain
    };
    const RingtoneTune tune = tuneFromRingtone(tone);
    EXPECT_EQ(tune.style, 0);
    EXPECT_EQ(tune.tempo, 0);
    expectNotes(tune, {
                          {true, 0, 2, 4, 0},
                          {true, 0, 2, 4, 0},
                          {true, 0, 2, 4, 0},
                          {false, 11, 2, 128, 0},
                          {false, 0, 3, 4, 0},
                      });
    for (const RingtoneNote& n : tune.notes) {
        const int key = RingtonePlayerCore::keyOf(n);
        EXPECT_TRUE(key >= 0 && key <= 127);
        EXPECT_GE(RingtonePlayerCore::lengthMs(n, 140), 1);
    }
}

TEST(RingtoneTune, TheProgramsOwnRtttlPlaysAsWritten)
{
    // Octave 6 is the default scale (code 1, the player's scale 2).
    const sms::RtttlEncoding e = sms::encodeRtttl(QStringLiteral("Song:d=4,o=6,b=140:c,8d#.,p,2b5,32a7"));
    ASSERT_TRUE(e.ok());
    const RingtoneTune tune = tuneFromContent(sms::ringtoneParts(e.hex));
    EXPECT_EQ(tune.tempo, 140);
    expectNotes(tune, {
                          {false, 0, 2, 4, 0},
                          {false, 3, 2, 8, 1},
                          {true, 0, 2, 4, 0},
                          {false, 11, 1, 2, 0},
                          {false, 9, 3, 32, 0},
                      });
}
