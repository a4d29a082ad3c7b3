#pragma once
// The ringing-tone bit stream of smart messaging: encoding an RTTTL text
// into it, and reading a stored ringtone (all parts, headers included) back
// into a note list for the player and a title for the views.
//
// Stream layout, in order: command-part length 2; ringing-tone programming
// (7 bits) and a filler bit; sound (7 bits); song type 001 (3 bits); title
// length (4 bits) and the title, one ISO 8859-1 octet per character; one
// song pattern (8 bits); pattern header 000, pattern id 00, loop 0 (3, 2, 4
// bits); the instruction count (8 bits); the instructions; zero bits to the
// next hex digit, a "0" digit when the hex is then odd, and the command end
// 00. The first 24 bits always read "024A3A".
//
// Instructions: a 3-bit id and its parameters: 000 pattern header (pattern
// id 2, loop 4, instruction count 8 bits), 001 note (value 4, duration 3,
// specifier 2), 010 scale (2), 011 style (2), 100 tempo (5), 101 volume (4).
#include <QByteArray>
#include <QList>
#include <QString>

namespace sms {

// The most instructions one stream can count (an 8-bit field); the tempo
// instruction is one of them.
constexpr int kMaxRingtoneInstructions = 255;
// The longest title; longer names are cut.
constexpr int kMaxRingtoneTitle = 10;

// Code tables of the encoder.
// Beats per minute to the 5-bit tempo code; a BPM outside the table is 8 (63).
int tempoCode(int bpm);
// Octave to scale code: 5 -> 0, 6 -> 1, 7 -> 2, 8 -> 3, any other -> 1.
int scaleCode(int octave);
// Note name (trimmed, any case) to note value: p 0, c 1, c# 2 ... a# 11,
// h and b 12; anything else 0 (a rest).
int noteCode(const QString& name);
// RTTTL duration to duration code: 1 0, 2 1, 4 2, 8 3, 16 4, 32 5, other 2.
int durationCode(int duration);

// Code tables of the reader.
// Tempo code to beats per minute; a code outside 0..31 gives 0.
int tempoFromCode(int code);
// Note value to the player's note number: 1..12 give 46..57, anything else
// 0 (a rest).
int midiNoteFromCode(int value);

struct RtttlEncoding {
    enum class Status {
        Ok,
        // No title or no notes (also what an empty conversion gives).
        NotRingtone,
        // A default value that is not plain decimal digits up to 32767.
        BadDefaults,
    };
    Status status = Status::NotRingtone;
    // The title as written into the stream (at most 10 characters, '?' for
    // each character without an ISO 8859-1 code).
    QString title;
    // The whole stream: header, instructions, filler, command end.
    QString hex;
    // Note instructions written (rests included).
    int notesWritten = 0;
    // Instructions counted in the stream (tempo, scales and notes).
    int instructionCount = 0;
    // The tune was cut so that the instruction count stays at 255; the
    // notes after notesWritten were dropped.
    bool shortened = false;

    bool ok() const { return status == Status::Ok; }
};

// Encodes an RTTTL text, "name:d=N,o=N,b=N:item,item,...". The name (cut
// to 10 characters) is the title; the defaults are optional (d=4, o=6,
// b=63). An item is [duration] [note] [dots] [octave] [dots]; an item that
// matches nothing, or an empty one, is a rest of the default duration.
// Octaves are written relative to the default octave, which is scale code 1.
RtttlEncoding encodeRtttl(const QString& rtttl);

// The RTTTL text of a ringtone file's bytes: its first line, each byte one
// ISO 8859-1 character, a leading UTF-8 byte-order mark dropped.
QString rtttlFromFile(const QByteArray& bytes);

// One entry of the player's note list.
struct RingNote {
    // 1..4: the scale code read plus one; 2 before any scale instruction.
    int scale = 2;
    // midiNoteFromCode of the note value: 46..57, 0 for a rest.
    int note = 0;
    // 2 to the power of the duration code: 1 (whole) ... 128.
    int divisor = 4;
    // 2 to the power of the specifier: 1 plain, 2 dotted, 4 double-dotted,
    // 8 two-thirds length.
    int factor = 1;

    bool isRest() const { return note == 0; }
    // The player's key: 12 x scale + note.
    int key() const { return 12 * scale + note; }
    bool operator==(const RingNote&) const = default;
};

struct Ringtone {
    QString title;
    // Beats per minute of the last tempo instruction; 0 when the stream had
    // none (the player then keeps the tempo it has).
    int tempo = 0;
    // The last style read (0 natural, 1 continuous, 2 staccato), -1 when
    // none was read.
    int style = -1;
    QList<RingNote> notes;
};

// Reads stored ringtone content: every part header of port 1581 is
// removed, then the title and the instructions are read until the text is
// used up (the instruction count is not trusted). Malformed content gives
// whatever notes its bits make; it never fails.
Ringtone parseRingtone(const QString& content);

// The title of stored ringtone content, read as parseRingtone reads it,
// with only the characters the content holds whole.
QString ringtoneTitle(const QString& content);

} // namespace sms
