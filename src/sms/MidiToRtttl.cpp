#include "sms/MidiToRtttl.h"

#include <QList>
#include <array>
#include <cstdlib>

namespace {

// The tempos a ringtone can carry, ascending.
constexpr std::array<int, 32> kRingtoneTempos = {25,  28,  31,  35,  40,  45,  50,  56,  63,  70,  80,
                                                 90,  100, 112, 125, 140, 160, 180, 200, 225, 250, 285,
                                                 320, 355, 400, 450, 500, 565, 635, 715, 800, 900};

const char* const kNoteNames[12] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};

constexpr int kRest = -1;

// a / b rounded to the nearest whole number, halves to the even one (a >= 0, b > 0).
qint64 divideRoundingHalfEven(qint64 a, qint64 b)
{
    const qint64 q = a / b, twiceRem = 2 * (a % b);
    if (twiceRem > b || (twiceRem == b && (q & 1)))
        return q + 1;
    return q;
}

// Bounds-checked reading of the bytes [pos, end) of a file.
class ByteReader {
public:
    ByteReader(const QByteArray& data, qsizetype pos, qsizetype end) : d_(data), pos_(pos), end_(end) {}

    bool atEnd() const { return pos_ >= end_; }
    bool peek(quint8& out) const
    {
        if (atEnd())
            return false;
        out = quint8(d_.at(pos_));
        return true;
    }
    bool byte(quint8& out)
    {
        if (!peek(out))
            return false;
        ++pos_;
        return true;
    }
    // A variable-length quantity of at most four bytes.
    bool varLen(quint32& out)
    {
        out = 0;
        for (int i = 0; i < 4; ++i) {
            quint8 b;
            if (!byte(b))
                return false;
            out = (out << 7) | (b & 0x7F);
            if (!(b & 0x80))
                return true;
        }
        return false;
    }
    bool skip(quint32 count)
    {
        if (qint64(count) > qint64(end_ - pos_))
            return false;
        pos_ += qsizetype(count);
        return true;
    }

private:
    const QByteArray& d_;
    qsizetype pos_;
    qsizetype end_;
};

quint32 bigEndian(const QByteArray& d, qsizetype at, int bytes)
{
    quint32 v = 0;
    for (int i = 0; i < bytes; ++i)
        v = (v << 8) | quint8(d.at(at + i));
    return v;
}

struct Entry {
    qint64 ticks = 0;
    int key = kRest; // MIDI key, or kRest
};

// One voice on absolute time: the notes and rests of a track.
class NoteTracker {
public:
    // False once no further entry fits.
    bool noteOn(qint64 now, int key)
    {
        if (sounding_ && start_ == now) {
            // Notes starting together: the last one is kept.
            entries_.last().key = key;
            key_ = key;
            return true;
        }
        if (sounding_)
            end(now);
        const bool rest = lastEnd_ >= 0 && now > lastEnd_;
        if (entries_.size() + (rest ? 2 : 1) > midi::kMaxEntries)
            return false;
        if (rest)
            entries_.append({now - lastEnd_, kRest});
        entries_.append({0, key});
        sounding_ = true;
        key_ = key;
        start_ = now;
        return true;
    }
    void noteOff(qint64 now, int key)
    {
        if (sounding_ && key == key_)
            end(now);
    }
    // The end of the track. A note cut off there as it starts never
    // sounded: it goes, and so does the rest before it.
    void finish(qint64 now)
    {
        if (!sounding_)
            return;
        if (now > start_) {
            end(now);
            return;
        }
        entries_.removeLast();
        if (!entries_.isEmpty() && entries_.last().key == kRest)
            entries_.removeLast();
        sounding_ = false;
    }
    const QList<Entry>& entries() const { return entries_; }

private:
    void end(qint64 now)
    {
        entries_.last().ticks = now - start_;
        sounding_ = false;
        lastEnd_ = now;
    }

    QList<Entry> entries_;
    bool sounding_ = false;
    int key_ = 0;
    qint64 start_ = 0;
    qint64 lastEnd_ = -1;
};

struct Track {
    QList<Entry> entries;
    int bpm = 0; // 0: no tempo event
};

// Reads the events of the track in [pos, end).
Track readTrack(const QByteArray& file, qsizetype pos, qsizetype end)
{
    ByteReader r(file, pos, end);
    NoteTracker voice;
    Track track;
    qint64 now = 0;
    int running = 0;
    bool more = true;
    while (more) {
        quint32 delta;
        quint8 first;
        if (!r.varLen(delta) || !r.peek(first))
            break;
        now += delta;
        int status = running;
        if (first & 0x80) {
            status = first;
            r.skip(1);
        } else if (status == 0) {
            continue; // a data byte with no status to apply it to
        }

        if (status == 0xFF) {
            running = 0;
            quint8 type;
            quint32 length;
            if (!r.byte(type) || !r.varLen(length))
                break;
            if (type == 0x2F)
                break; // end of track
            if (type == 0x51 && length >= 3) {
                quint8 t[3];
                if (!r.byte(t[0]) || !r.byte(t[1]) || !r.byte(t[2]))
                    break;
                const qint64 us = (qint64(t[0]) << 16) | (qint64(t[1]) << 8) | t[2];
                if (us > 0)
                    track.bpm = midi::nearestRingtoneTempo(int(divideRoundingHalfEven(60000000, us)));
                length -= 3;
            }
            more = r.skip(length);
        } else if (status == 0xF0 || status == 0xF7) {
            running = 0;
            quint32 length;
            more = r.varLen(length) && r.skip(length);
        } else if (status > 0xF0) {
            running = 0; // no system message other than these belongs in a file
        } else {
            running = status;
            const int kind = status >> 4;
            quint8 d1 = 0, d2 = 0;
            if (!r.byte(d1))
                break;
            if (kind != 0xC && kind != 0xD && !r.byte(d2))
                break;
            const int key = d1 & 0x7F;
            if (kind == 0x9 && d2 > 0)
                more = voice.noteOn(now, key);
            else if (kind == 0x8 || kind == 0x9)
                voice.noteOff(now, key);
        }
    }
    voice.finish(now);
    track.entries = voice.entries();
    return track;
}

int unitsToDuration(qint64 units)
{
    switch (units) {
    case 1: return 32;
    case 2: return 16;
    case 4: return 8;
    case 8: return 4;
    case 16: return 2;
    case 32: return 1;
    default: return 0;
    }
}

struct Duration {
    int value = 32; // 1 ... 32, or 0 for a length of 64 units or more
    bool dotted = false;
};

Duration ticksToDuration(qint64 ticks, qint64 ticksPerUnit)
{
    if (ticks <= ticksPerUnit)
        return {};
    // The largest power of two whose units do not exceed the length.
    qint64 units = 1;
    while (2 * units * ticksPerUnit <= ticks)
        units *= 2;
    const qint64 whole = units * ticksPerUnit;
    return {unitsToDuration(units), ticks > whole && ticks < 2 * whole};
}

} // namespace

namespace midi {

int nearestRingtoneTempo(int bpm)
{
    int best = kRingtoneTempos.front();
    for (const int t : kRingtoneTempos)
        if (std::abs(qint64(t) - bpm) < std::abs(qint64(best) - bpm))
            best = t;
    return best;
}

QString tuneNameFromPath(const QString& path)
{
    QString name = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    if (dot >= 0)
        name.truncate(dot);
    return name;
}

ConvertResult convertMidiToRtttl(const QByteArray& file, const QString& tuneName)
{
    if (file.size() > kMaxFileBytes)
        return {ConvertError::TooLarge, {}};
    if (file.size() < 14 || !file.startsWith("MThd") || bigEndian(file, 4, 4) != 6)
        return {ConvertError::NotMidi, {}};
    if (bigEndian(file, 8, 2) != 0 || bigEndian(file, 10, 2) > 1)
        return {ConvertError::NotSingleTrack, {}};
    const quint32 division = bigEndian(file, 12, 2);
    if (division & 0x8000)
        return {ConvertError::BadDivision, {}};
    const qint64 ticksPerUnit = divideRoundingHalfEven(division, 8);
    if (ticksPerUnit < 1)
        return {ConvertError::BadDivision, {}};
    if (file.size() < 22 || file.mid(14, 4) != "MTrk")
        return {ConvertError::NoTrack, {}};
    const qint64 trackEnd = 22 + qint64(bigEndian(file, 18, 4));
    const Track track = readTrack(file, 22, qsizetype(qMin(trackEnd, qint64(file.size()))));
    if (track.entries.isEmpty())
        return {ConvertError::NoNotes, {}};

    int lowestOctave = 127;
    for (const Entry& e : track.entries)
        if (e.key != kRest)
            lowestOctave = qMin(lowestOctave, e.key / 12);
    const int octaveShift = 5 - lowestOctave;

    struct Written {
        Duration duration;
        int octave = 0;
        int key = kRest;
    };
    QList<Written> notes;
    int durationCount[33] = {};
    int octaveCount[9] = {};
    for (const Entry& e : track.entries) {
        Written w{ticksToDuration(e.ticks, ticksPerUnit), 0, e.key};
        ++durationCount[w.duration.value];
        if (e.key != kRest) {
            w.octave = e.key / 12 + octaveShift;
            if (w.octave <= 8)
                ++octaveCount[w.octave];
        }
        notes.append(w);
    }
    int defaultDuration = 0, defaultDurationCount = 0;
    for (const int d : {1, 2, 4, 8, 16, 32})
        if (durationCount[d] > defaultDurationCount) {
            defaultDuration = d;
            defaultDurationCount = durationCount[d];
        }
    int defaultOctave = 5;
    for (int o = 6; o <= 8; ++o)
        if (octaveCount[o] > octaveCount[defaultOctave])
            defaultOctave = o;

    QString text;
    for (const Written& w : notes) {
        if (!text.isEmpty())
            text += QLatin1Char(',');
        if (w.duration.value != 0 && w.duration.value != defaultDuration)
            text += QString::number(w.duration.value);
        if (w.key == kRest) {
            text += QLatin1Char('p');
        } else {
            text += QLatin1String(kNoteNames[w.key % 12]);
            if (w.octave != defaultOctave)
                text += QString::number(w.octave);
        }
        if (w.duration.dotted)
            text += QLatin1Char('.');
    }

    QString name = tuneName.trimmed();
    name.replace(QLatin1Char(':'), QLatin1Char('_'));
    if (name.isEmpty())
        name = QStringLiteral("Tune");
    return {ConvertError::None, name + QLatin1String(":d=") + QString::number(defaultDuration) +
                                    QLatin1String(",o=") + QString::number(defaultOctave) +
                                    QLatin1String(",b=") + QString::number(track.bpm) + QLatin1Char(':') + text};
}

} // namespace midi
