#include "compose/RingtoneSource.h"

#include <QFile>

#include "base/UserPrompt.h"
#include "sms/MidiToRtttl.h"
#include "sms/Ringtone.h"

namespace compose {

QString shortenedText(int notes)
{
    return QStringLiteral("The ring tone was shortened to %1 notes.").arg(notes);
}

bool isMidiFileName(const QString& path)
{
    return path.right(4).compare(QLatin1String(".mid"), Qt::CaseInsensitive) == 0;
}

RingtoneChoice ringtoneFromBytes(const QByteArray& bytes, const QString& path)
{
    RingtoneChoice out;
    QString rtttl;
    if (isMidiFileName(path)) {
        // A file the converter cannot take gives no text, which the
        // encoder refuses as "no ringtone".
        rtttl = midi::convertMidiToRtttl(bytes, midi::tuneNameFromPath(path)).rtttl;
    } else {
        rtttl = sms::rtttlFromFile(bytes);
    }
    const sms::RtttlEncoding enc = sms::encodeRtttl(rtttl);
    switch (enc.status) {
    case sms::RtttlEncoding::Status::NotRingtone:
        out.status = RingtoneChoice::Status::NotRingtone;
        return out;
    case sms::RtttlEncoding::Status::BadDefaults:
        out.status = RingtoneChoice::Status::BadDefaults;
        return out;
    case sms::RtttlEncoding::Status::Ok:
        break;
    }
    out.status = RingtoneChoice::Status::Ok;
    out.title = enc.title;
    out.streamHex = enc.hex;
    out.notes = enc.notesWritten;
    out.shortened = enc.shortened;
    return out;
}

RingtoneChoice readRingtone(const QString& path)
{
    QFile file(path);
    // MIDI files larger than the converter takes are refused by it; an
    // RTTTL text needs only its first line, so neither is read whole when
    // it is huge.
    const qint64 limit = midi::kMaxFileBytes + 1;
    if (!file.open(QIODevice::ReadOnly)) {
        RingtoneChoice out;
        out.error = file.errorString();
        return out;
    }
    QByteArray bytes = isMidiFileName(path) ? file.read(limit) : file.readLine(64 * 1024);
    if (file.error() != QFileDevice::NoError) {
        RingtoneChoice out;
        out.error = file.errorString();
        return out;
    }
    return ringtoneFromBytes(bytes, path);
}

bool reportRingtone(const RingtoneChoice& choice, UserPrompt& prompt)
{
    switch (choice.status) {
    case RingtoneChoice::Status::Ok:
        if (choice.shortened)
            prompt.note(shortenedText(choice.notes));
        return true;
    case RingtoneChoice::Status::Unreadable:
        prompt.error(choice.error);
        return false;
    case RingtoneChoice::Status::NotRingtone:
        prompt.warning(kNotRingtoneText);
        return false;
    case RingtoneChoice::Status::BadDefaults:
        prompt.warning(kBadDefaultsText);
        return false;
    }
    return false;
}

} // namespace compose
