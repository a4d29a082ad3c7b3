// The ringtone stream: RTTTL encoding checked bit for bit and against the
// reference reader of the smart messaging grammar (sent as the sender sends
// it), the reader of stored ringtones, and the limits on what is accepted.
#include <gtest/gtest.h>

#include "sms/Ringtone.h"
#include "sms/SmartMessage.h"
#include "SmartReference.h"

namespace sms {
void PrintTo(const RingNote& n, std::ostream* os)
{
    *os << '{' << n.scale << ' ' << n.note << ' ' << n.divisor << ' ' << n.factor << '}';
}
} // namespace sms

using namespace sms;
using smartref::Instruction;
using smartref::note;
using smartref::scale;
using smartref::tempo;

namespace {

// Encodes, cuts into parts, sends and reads back with the reference reader.
smartref::Tone sent(const RtttlEncoding& enc, int* parts = nullptr)
{
    EXPECT_TRUE(enc.ok());
    QString error;
    const auto msg = smartref::sendAndJoin(ringtoneParts(enc.hex), 2, &error);
    EXPECT_TRUE(msg) << error.toStdString();
    if (!msg)
        return {};
    EXPECT_EQ(msg->port, 0x1581);
    if (parts)
        *parts = msg->parts;
    const auto tone = smartref::readRingtone(msg->payload, &error);
    EXPECT_TRUE(tone) << error.toStdString() << " in " << enc.hex.toStdString();
    return tone.value_or(smartref::Tone{});
}

QList<Instruction> instructionsOf(const QString& rtttl)
{
    const smartref::Tone tone = sent(encodeRtttl(rtttl));
    EXPECT_EQ(tone.patternCounts, QList<int>{int(tone.instructions.size())});
    return tone.instructions;
}

QString repeated(const QString& item, int times)
{
    QStringList items;
    for (int i = 0; i < times; ++i)
        items << item;
    return items.join(QLatin1Char(','));
}

} // namespace

TEST(RtttlEncoding, WorkedExampleBitForBit)
{
    const RtttlEncoding enc = encodeRtttl("Ab:d=4,o=6,b=125:c,8e6.,p");
    ASSERT_TRUE(enc.ok());
    EXPECT_EQ(enc.hex, "024A3A49058804000B1C92282AD20800");
    EXPECT_EQ(enc.title, "Ab");
    EXPECT_EQ(enc.instructionCount, 5);
    EXPECT_EQ(enc.notesWritten, 3);
    EXPECT_FALSE(enc.shortened);
    const smartref::Tone tone = sent(enc);
    EXPECT_EQ(tone.title, "Ab");
    EXPECT_EQ(tone.instructions, (QList<Instruction>{tempo(14), scale(1), note(1, 2), note(5, 3, 1), note(0, 2)}));
}

TEST(RtttlEncoding, ItemsReadAsWritten)
{
    // Octaves relative to the default octave: with o=6, c5 c c6 c7 c8 get
    // scale codes 0 1 1 2 3; a scale instruction only where it changes;
    // digits below 5 and 9 mean the default octave.
    EXPECT_EQ(instructionsOf("T:o=6:c5,c,c6,c7,c8,c4,c9"),
              (QList<Instruction>{tempo(8), scale(0), note(1, 2), scale(1), note(1, 2), note(1, 2), scale(2),
                                  note(1, 2), scale(3), note(1, 2), scale(1), note(1, 2), note(1, 2)}));
    EXPECT_EQ(instructionsOf("T:o=5:c5,c6"),
              (QList<Instruction>{tempo(8), scale(1), note(1, 2), scale(2), note(1, 2)}));
    // Durations, sharps, h and b, dots before and after the octave.
    EXPECT_EQ(instructionsOf("T:d=8,b=900:16c,32d#.,1h,2b..,g#6.,a#"),
              (QList<Instruction>{tempo(31), scale(1), note(1, 4), note(4, 5, 1), note(12, 0), note(12, 1, 2),
                                  note(9, 3, 1), note(11, 3)}));
    // A rest writes no scale; 3 and 64 are no durations, so those items,
    // and empty ones, are rests of the default duration.
    EXPECT_EQ(instructionsOf("T:d=2:c7,p,8p,c7,3c,64c,,e"),
              (QList<Instruction>{tempo(8), scale(2), note(1, 1), note(0, 1), note(0, 3), note(1, 1), note(0, 1),
                                  note(0, 1), note(0, 1), scale(1), note(5, 1)}));
    // Upper case and blanks are read like the plain form.
    EXPECT_EQ(instructionsOf(" T : D=4 , O=6 , B=125 : C , 8E6. , P "), instructionsOf("T:d=4,o=6,b=125:c,8e6.,p"));
}

TEST(RtttlEncoding, FillerAndCommandEnd)
{
    // Header 16 digits; tempo, scale and two notes are 36 bits (9 digits):
    // an odd length gets a "0" digit, then the command end.
    const RtttlEncoding odd = encodeRtttl("A:d=4:c,d");
    EXPECT_EQ(odd.hex.size(), 16 + 9 + 1 + 2);
    sent(odd);
    // Tempo and one note: 7 + 5 + 12 bits, exactly 6 digits, even.
    const RtttlEncoding even = encodeRtttl("A:d=4:c");
    EXPECT_EQ(even.hex.size(), 16 + 6 + 2);
    sent(even);
    // One rest: 7 + 12 bits, 5 digits with a filler bit, then "0" and "00".
    const RtttlEncoding rest = encodeRtttl("A:d=4:p");
    EXPECT_EQ(rest.hex.size(), 16 + 5 + 1 + 2);
    sent(rest);
}

TEST(RtttlEncoding, TitleCutAndWrittenInLatin1)
{
    EXPECT_EQ(sent(encodeRtttl("ABCDEFGHIJKLMNOP:d=4:c")).title, "ABCDEFGHIJ");
    // Each character one octet: none of ISO 8859-1 is '?'; an emoji is one
    // character. A byte-order mark in front is no part of the name.
    const QString name = QString::fromUtf8("\xEF\xBB\xBF\xC3\x87" "a\xE2\x98\x83va\xF0\x9F\x98\x80xyzwq");
    const RtttlEncoding enc = encodeRtttl(name + ":d=4:c");
    const QString expected = QString::fromUtf8("\xC3\x87") + "a?va?xyzw";
    EXPECT_EQ(enc.title, expected);
    EXPECT_EQ(sent(enc).title, expected);
}

TEST(RtttlEncoding, Refusals)
{
    using S = RtttlEncoding::Status;
    for (const char* text : {"", ":d=4:c", "Tune:d=4:", "Tune:d=4", "Tune", "  :d=4:c"})
        EXPECT_EQ(encodeRtttl(text).status, S::NotRingtone) << text;
    // Defaults are plain digits up to 32767, blanks around them allowed.
    for (const char* defaults : {"d=-5", "d=1.5", "b=1e3", "o=&H1F", "b=99999", "b=32768", "o=6,d= x", "x=y"})
        EXPECT_EQ(encodeRtttl(QString("Tune:") + defaults + ":c").status, S::BadDefaults) << defaults;
    for (const char* defaults : {"b=32767", "b= 125 ", "d=4, o=6, b=125", "d", "", "d=4,o=6,b=125,x=zz", "q=7"})
        EXPECT_EQ(encodeRtttl(QString("Tune:") + defaults + ":c").status, S::Ok) << defaults;
    // A tempo outside the table is 63 BPM (code 8); absent values are d=4, o=6.
    EXPECT_EQ(instructionsOf("Tune:b=120,o=0,d=0:c6"), (QList<Instruction>{tempo(8), scale(1), note(1, 2)}));
}

TEST(RtttlEncoding, InstructionCountCappedAt255)
{
    // One scale: the scale, 253 notes and the tempo fill the count.
    RtttlEncoding enc = encodeRtttl("Long:d=4:" + repeated("c", 253));
    EXPECT_FALSE(enc.shortened);
    EXPECT_EQ(enc.instructionCount, 255);
    enc = encodeRtttl("Long:d=4:" + repeated("c", 300));
    EXPECT_TRUE(enc.shortened);
    EXPECT_EQ(enc.notesWritten, 253);
    smartref::Tone tone = sent(enc);
    EXPECT_EQ(tone.patternCounts, QList<int>{255});
    EXPECT_EQ(tone.instructions.size(), 255);
    // Every note changes the scale: two instructions a note.
    enc = encodeRtttl("Jump:d=4:" + repeated("c5,c6", 150));
    EXPECT_TRUE(enc.shortened);
    EXPECT_EQ(enc.notesWritten, 127);
    EXPECT_EQ(sent(enc).instructions.size(), 255);
    // The longest stream (rests only, 32nd dotted) stays within four parts.
    int parts = 0;
    enc = encodeRtttl("Rests:d=4:" + repeated("32p..", 400));
    EXPECT_EQ(enc.notesWritten, 254);
    EXPECT_EQ(sent(enc, &parts).instructions.size(), 255);
    EXPECT_LE(parts, 4);
}

TEST(RingtoneReader, ReadsOwnStreams)
{
    const Ringtone tone = parseRingtone(ringtoneParts(encodeRtttl("Ab:d=4,o=6,b=125:c,8e6.,p").hex));
    EXPECT_EQ(tone.title, "Ab");
    EXPECT_EQ(tone.tempo, 125);
    EXPECT_EQ(tone.style, -1);
    EXPECT_EQ(tone.notes, (QList<RingNote>{{2, 46, 4, 1}, {2, 50, 8, 2}, {2, 0, 4, 1}}));

    // A tune over three parts reads back note for note.
    const char* names[] = {"p", "c", "c#", "d", "d#", "e", "f", "f#", "g", "g#", "a", "a#", "h"};
    const int durations[] = {1, 2, 4, 8, 16, 32};
    QStringList items;
    QList<RingNote> expected;
    int current = 2;
    for (int i = 0; i < 200; ++i) {
        const int value = (i * 7) % 13, code = (i * 5) % 6, dots = (i / 3) % 3, octave = 5 + (i / 10) % 4;
        items << QString::number(durations[code]) + names[value] + QString(dots, QLatin1Char('.')) +
                     (value ? QString::number(octave) : QString());
        if (value)
            current = octave - 4;
        expected.append({current, value ? 45 + value : 0, 1 << code, 1 << dots});
    }
    const RtttlEncoding enc = encodeRtttl("Scale run:b=200:" + items.join(','));
    ASSERT_FALSE(enc.shortened);
    const QString content = ringtoneParts(enc.hex);
    EXPECT_EQ((content.size() + 279) / 280, 3);
    const Ringtone run = parseRingtone(content);
    EXPECT_EQ(run.tempo, 200);
    EXPECT_EQ(run.notes, expected);
    EXPECT_EQ(ringtoneTitle(content), "Scale run");
}

TEST(RingtoneReader, ReadsParametersOfForeignStreams)
{
    // Tempo, style and volume before the notes, then a second pattern.
    const QString bits = "00000010 0100101 0 0011101 001 0010 01001000 01101001 00000010"
                         " 000 00 0000 00000110"
                         " 100 01110  011 10  101 0111  010 10  001 1000 011 00  001 0001 010 01"
                         " 000 01 0011 00000001  001 0011 100 10"
                         " 000 00000000";
    const QString hex = smartref::bitsHex(bits);
    QString error;
    ASSERT_TRUE(smartref::readRingtone(QByteArray::fromHex(hex.toLatin1()), &error)) << error.toStdString();
    const Ringtone tone = parseRingtone(hex);
    EXPECT_EQ(tone.title, "Hi");
    EXPECT_EQ(tone.tempo, 125);
    EXPECT_EQ(tone.style, 2);
    EXPECT_EQ(tone.notes, (QList<RingNote>{{3, 53, 8, 1}, {3, 46, 4, 2}, {3, 48, 16, 4}}));
}

TEST(RingtoneReader, MalformedContentNeverFails)
{
    // Cut anywhere, a stream gives the notes complete so far and at most
    // one more; lower case reads like upper case; a stray character ends it.
    const QString hex = encodeRtttl("Cut:d=4:c,d,e,f,g,a,h").hex;
    const QList<RingNote> all = parseRingtone(hex).notes;
    ASSERT_EQ(all.size(), 7);
    for (qsizetype n = 0; n <= hex.size(); ++n) {
        const QList<RingNote> cut = parseRingtone(hex.left(n)).notes;
        ASSERT_LE(cut.size(), 7);
        if (!cut.isEmpty()) {
            EXPECT_EQ(cut.mid(0, cut.size() - 1), all.mid(0, cut.size() - 1)) << n;
        }
    }
    EXPECT_EQ(parseRingtone(hex.toLower()).notes, all);
    // Title "Cut" makes a 20-digit header; tempo, scale and three notes
    // fill the next 12 digits.
    EXPECT_EQ(parseRingtone(hex.left(32) + "Z" + hex.mid(32)).notes, all.mid(0, 3));
    EXPECT_TRUE(parseRingtone(QString()).notes.isEmpty());
    EXPECT_TRUE(ringtoneTitle("024A3A").isEmpty());
    // A title length beyond the data gives the characters there are.
    EXPECT_EQ(ringtoneTitle("024A3A7D04"), "A");
}

TEST(RingtoneFile, FirstLineAsLatin1)
{
    EXPECT_EQ(rtttlFromFile("\xEF\xBB\xBFTune:d=4:c\r\nnext"), "Tune:d=4:c");
    EXPECT_EQ(rtttlFromFile("Caf\xE9:d=4:c\nnext"), QString::fromUtf8("Caf\xC3\xA9:d=4:c"));
    EXPECT_EQ(rtttlFromFile(""), "");
}
