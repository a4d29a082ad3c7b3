#include "sms/Ringtone.h"

#include "sms/BitStream.h"
#include "sms/SmartMessage.h"

#include <QStringList>
#include <QStringView>

namespace sms {

namespace {

constexpr int kTempoTable[32] = {25,  28,  31,  35,  40,  45,  50,  56,  63,  70,  80,  90,  100, 112, 125, 140,
                                 160, 180, 200, 225, 250, 285, 320, 355, 400, 450, 500, 565, 635, 715, 800, 900};

// Instruction ids.
enum : uint32_t { kPatternHeader = 0, kNote = 1, kScale = 2, kStyle = 3, kTempo = 4, kVolume = 5 };

// Plain decimal digits, blanks around them allowed, at most 32767; -1 for
// anything else.
int defaultValue(QStringView text)
{
    const QStringView digits = text.trimmed();
    if (digits.isEmpty())
        return -1;
    int value = 0;
    for (const QChar c : digits) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return -1;
        value = value * 10 + (c.unicode() - u'0');
        if (value > 32767)
            return -1;
    }
    return value;
}

// One note item as read from its front: [duration] [note] [dots] [octave]
// [dots]. What matches nothing is left over and ignored.
struct NoteItem {
    int value = 0;
    int durationCode = 2;
    int specifier = 0;
    int scaleCode = 1;
};

NoteItem readItem(QStringView w, int defaultDuration, int defaultOctave)
{
    auto take = [&w](qsizetype n) { w = w.mid(n).trimmed(); };
    auto startsWithOneOf = [&w](const char* const* list) -> qsizetype {
        for (const char* const* s = list; *s; ++s)
            if (w.startsWith(QLatin1String(*s)))
                return qsizetype(qstrlen(*s));
        return 0;
    };
    auto dots = [&](NoteItem& item) {
        if (w.startsWith(QLatin1String(".."))) {
            item.specifier = 2;
            take(2);
        } else if (w.startsWith(QLatin1Char('.'))) {
            item.specifier = 1;
            take(1);
        }
    };
    static const char* const twoDigitDurations[] = {"16", "32", nullptr};
    static const char* const oneDigitDurations[] = {"1", "2", "4", "8", nullptr};
    static const char* const sharps[] = {"c#", "d#", "f#", "g#", "a#", nullptr};
    static const char* const letters[] = {"p", "c", "d", "e", "f", "g", "a", "b", "h", nullptr};

    NoteItem item;
    int duration = defaultDuration;
    if (qsizetype n = startsWithOneOf(twoDigitDurations); n || (n = startsWithOneOf(oneDigitDurations))) {
        duration = w.left(n).toInt();
        take(n);
    }
    item.durationCode = durationCode(duration);
    if (qsizetype n = startsWithOneOf(sharps); n || (n = startsWithOneOf(letters))) {
        item.value = noteCode(w.left(n).toString());
        take(n);
    }
    dots(item);
    if (!w.isEmpty() && w.front() >= QLatin1Char('1') && w.front() <= QLatin1Char('9')) {
        // Octaves are relative to the default one, which is scale code 1.
        item.scaleCode = scaleCode(w.front().unicode() - u'0' + 6 - defaultOctave);
        take(1);
    }
    if (item.specifier == 0)
        dots(item);
    return item;
}

// Reads the header fields up to and including the instruction count and
// returns the title.
QString readHeader(BitReader& r)
{
    r.read(2); // the rest of the song type
    const int length = int(r.read(4));
    QString title;
    // Only characters whose eight bits are all there.
    for (int i = 0; i < length && r.bitsLeft() >= 8; ++i)
        title += QChar(char16_t(r.read(8)));
    r.read(8); // song patterns
    r.read(3); // pattern header: id, pattern id, loop value, instruction count
    r.read(2);
    r.read(4);
    r.read(8);
    return title;
}

// The stream after its part headers and the first 24 bits ("024A3A").
QString streamBody(const QString& content)
{
    return stripPartHeaders(content, SmartPort::Ringtone).mid(6);
}

} // namespace

int tempoCode(int bpm)
{
    for (int code = 0; code < 32; ++code)
        if (kTempoTable[code] == bpm)
            return code;
    return 8;
}

int tempoFromCode(int code)
{
    return code >= 0 && code < 32 ? kTempoTable[code] : 0;
}

int scaleCode(int octave)
{
    return octave >= 5 && octave <= 8 ? octave - 5 : 1;
}

int noteCode(const QString& name)
{
    static const char* const names[] = {"p", "c", "c#", "d", "d#", "e", "f", "f#", "g", "g#", "a", "a#", "h"};
    const QString n = name.trimmed().toLower();
    if (n == QLatin1String("b"))
        return 12;
    for (int value = 0; value < 13; ++value)
        if (n == QLatin1String(names[value]))
            return value;
    return 0;
}

int durationCode(int duration)
{
    switch (duration) {
    case 1: return 0;
    case 2: return 1;
    case 4: return 2;
    case 8: return 3;
    case 16: return 4;
    case 32: return 5;
    default: return 2;
    }
}

int midiNoteFromCode(int value)
{
    return value >= 1 && value <= 12 ? 45 + value : 0;
}

RtttlEncoding encodeRtttl(const QString& rtttl)
{
    RtttlEncoding out;
    QString text = rtttl;
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    const QStringList fields = text.split(QLatin1Char(':'));
    const QString name = fields.value(0).trimmed();
    const QString defaults = fields.value(1).trimmed().toLower();
    const QString notes = fields.value(2).trimmed().toLower();
    if (name.isEmpty() || notes.isEmpty()) {
        out.status = RtttlEncoding::Status::NotRingtone;
        return out;
    }

    // Only the first three defaults are looked at.
    int duration = 0, octave = 0, bpm = 0;
    const QStringList items = defaults.split(QLatin1Char(','));
    for (qsizetype i = 0; i < qMin<qsizetype>(3, items.size()); ++i) {
        const QString item = items.at(i).trimmed();
        if (item.size() < 3)
            continue;
        const int value = defaultValue(QStringView(item).mid(2));
        if (value < 0) {
            out.status = RtttlEncoding::Status::BadDefaults;
            return out;
        }
        if (item.startsWith(QLatin1String("d=")))
            duration = value;
        else if (item.startsWith(QLatin1String("o=")))
            octave = value;
        else if (item.startsWith(QLatin1String("b=")))
            bpm = value;
    }
    if (duration == 0)
        duration = 4;
    if (octave == 0)
        octave = 6;
    if (bpm == 0)
        bpm = 63;

    // One octet per character, so the title is cut on characters.
    const QByteArray title = latin1Octets(name).left(kMaxRingtoneTitle);
    out.title = QString::fromLatin1(title);

    BitWriter head;
    head.append(0x024A3A, 24);
    head.append(1, 2); // simple song type
    head.append(uint32_t(title.size()), 4);
    for (const char c : title)
        head.append(uint8_t(c), 8);
    head.append(1, 8); // one song pattern
    head.append(0, 3); // pattern header, pattern id, loop value
    head.append(0, 2);
    head.append(0, 4);

    // The instructions start with the tempo; the first bit of its id is the
    // last bit of the header, written when the count is known.
    BitWriter body;
    body.append(0, 2);
    body.append(uint32_t(tempoCode(bpm)), 5);
    int count = 0;
    int lastScale = -1;
    QString rest = notes;
    while (!rest.isEmpty()) {
        QString item;
        const qsizetype comma = rest.indexOf(QLatin1Char(','));
        if (comma >= 0) {
            item = rest.left(comma).trimmed();
            rest = rest.mid(comma + 1).trimmed();
        } else {
            item = rest;
            rest.clear();
        }
        const NoteItem note = readItem(item, duration, octave);
        const bool scaleChange = note.value != 0 && note.scaleCode != lastScale;
        // The count, the tempo instruction included, must fit its 8 bits.
        if (count + (scaleChange ? 1 : 0) + 1 + 1 > kMaxRingtoneInstructions) {
            out.shortened = true;
            break;
        }
        if (scaleChange) {
            ++count;
            lastScale = note.scaleCode;
            body.append(kScale, 3);
            body.append(uint32_t(note.scaleCode), 2);
        }
        ++count;
        ++out.notesWritten;
        body.append(kNote, 3);
        body.append(uint32_t(note.value), 4);
        body.append(uint32_t(note.durationCode), 3);
        body.append(uint32_t(note.specifier), 2);
    }
    ++count; // the tempo instruction
    body.padToDigit();

    head.append(uint32_t(count), 8);
    head.append(1, 1);
    Q_ASSERT(head.pendingBits() == 0);
    out.hex = head.hex() + body.hex();
    if (out.hex.size() % 2)
        out.hex += QLatin1Char('0');
    out.hex += QStringLiteral("00");
    out.instructionCount = count;
    out.status = RtttlEncoding::Status::Ok;
    return out;
}

QString rtttlFromFile(const QByteArray& bytes)
{
    QByteArray line = bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes;
    const qsizetype end = line.indexOf('\n');
    if (end >= 0)
        line.truncate(end);
    const qsizetype cr = line.indexOf('\r');
    if (cr >= 0)
        line.truncate(cr);
    return QString::fromLatin1(line);
}

Ringtone parseRingtone(const QString& content)
{
    Ringtone tone;
    BitReader r(streamBody(content));
    tone.title = readHeader(r);
    int scale = 2;
    // The instruction count is not trusted: instructions are read until the
    // text is used up. Filler and command end read as pattern headers.
    while (!r.atEnd()) {
        switch (r.read(3)) {
        case kPatternHeader:
            r.read(2);
            r.read(4);
            r.read(8);
            break;
        case kNote: {
            RingNote note;
            note.scale = scale;
            note.note = midiNoteFromCode(int(r.read(4)));
            note.divisor = 1 << r.read(3);
            note.factor = 1 << r.read(2);
            tone.notes.append(note);
            break;
        }
        case kScale: scale = int(r.read(2)) + 1; break;
        case kStyle: tone.style = int(r.read(2)); break;
        case kTempo: tone.tempo = tempoFromCode(int(r.read(5))); break;
        case kVolume: r.read(4); break;
        default: break;
        }
    }
    return tone;
}

QString ringtoneTitle(const QString& content)
{
    BitReader r(streamBody(content));
    return readHeader(r);
}

} // namespace sms
