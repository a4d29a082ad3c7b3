#pragma once
// A ringtone chosen in the send form: a MIDI file (its name ending ".mid" in
// any case) is converted to RTTTL first, any other file gives its first
// line; the RTTTL text is then encoded into the ringing-tone stream.
#include <QByteArray>
#include <QString>

class UserPrompt;

namespace compose {

struct RingtoneChoice {
    enum class Status {
        Ok,
        Unreadable,   // the file could not be read (error holds why)
        NotRingtone,  // no title or no notes, or a MIDI file without a tune
        BadDefaults,  // a default value that is not plain digits up to 32767
    };
    Status status = Status::Unreadable;
    QString error;
    QString title;
    // The whole stream: even length, ending with the command end "00".
    QString streamHex;
    // Note instructions in the stream, and whether the tune was cut to fit
    // the 8-bit instruction count.
    int notes = 0;
    bool shortened = false;
    bool ok() const { return status == Status::Ok; }
};

inline const QString kNotRingtoneText =
    QStringLiteral("Please select Single-Track MIDI File or\nRTTL Format Ring Tone File");
inline const QString kBadDefaultsText = QStringLiteral("Please select a RTTL Format Ring Tone File");
QString shortenedText(int notes);

bool isMidiFileName(const QString& path);

// The ringtone of a file's bytes; `path` gives the kind and the tune name.
RingtoneChoice ringtoneFromBytes(const QByteArray& bytes, const QString& path);
// Reads the file and encodes it.
RingtoneChoice readRingtone(const QString& path);

// Tells the user what a choice came to: a refusal (Warning), a read error
// (Error), or that the tune was shortened (Note). Returns choice.ok().
bool reportRingtone(const RingtoneChoice& choice, UserPrompt& prompt);

} // namespace compose
