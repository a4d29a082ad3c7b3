#pragma once
// Conversion of a Standard MIDI File into an RTTTL ringtone text.
//
// Only a format-0 file with at most one track is taken. Its events are read
// with bounds checks throughout: a stated track length beyond the data, a
// truncated variable-length quantity or a missing data byte ends the reading,
// so a malformed file never makes the reader run past its bytes or loop.
//
// The tune is tracked as one voice on absolute time: a note lasts from its
// note-on to its note-off (or a note-on with velocity 0 for the same key,
// or the next note-on, or the end of the track); silence between two notes
// becomes a rest "p"; of notes starting together (a chord) the last one is
// kept; a note cut off by the end of the track as it starts is dropped. At
// most kMaxEntries entries, rests included, are written.
//
// The text is "name:d=D,o=O,b=B:notes" with upper-case note names. Lengths
// are quantised to 1 to 32 (a 32nd note is one eighth of the file's ticks
// per quarter note, rounded half to even), with a dot when a length lies
// strictly between two whole durations; 64 32nds or more get no duration
// of their own. Octaves are shifted so that the lowest note sits in octave
// 5; rests carry no octave. D is the most frequent duration (on a tie the
// first of 1, 2, 4, 8, 16, 32) and O the most frequent octave of 5 to 8 (on
// a tie the lowest); entries equal to them leave them out. B is the file's
// last tempo snapped to the nearest tempo a ringtone can carry (120 becomes
// 125), or 0 when the file has no tempo event.
#include <QByteArray>
#include <QString>

namespace midi {

// A larger file is not read.
constexpr qsizetype kMaxFileBytes = 1024 * 1024;
// Entries (notes and rests) written at most.
constexpr int kMaxEntries = 300;

enum class ConvertError {
    None,
    TooLarge,       // more than kMaxFileBytes
    NotMidi,        // no "MThd" chunk of length 6 at the start
    NotSingleTrack, // a format other than 0, or more than one track
    NoTrack,        // no "MTrk" chunk right after the header
    BadDivision,    // SMPTE time codes, or fewer than 5 ticks per quarter note
    NoNotes,        // the track holds no note
};

struct ConvertResult {
    ConvertError error = ConvertError::None;
    QString rtttl; // empty unless error is None
    bool ok() const { return error == ConvertError::None; }
};

// Converts the bytes of a MIDI file. `tuneName` becomes the RTTTL name,
// trimmed, with every ':' replaced by '_' (a colon would end the name
// field); an empty name becomes "Tune".
ConvertResult convertMidiToRtttl(const QByteArray& file, const QString& tuneName);

// The tune name a file path gives: the file name without its folder, up to
// its first '.'.
QString tuneNameFromPath(const QString& path);

// The ringtone tempo (beats per minute) nearest to `bpm`, the lower one
// when two are equally near.
int nearestRingtoneTempo(int bpm);

} // namespace midi
