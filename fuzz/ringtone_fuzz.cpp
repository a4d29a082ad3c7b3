// Fuzzes the RTTTL encoder and the readers of stored smart messages. The
// first input byte picks the form: even, the rest is an RTTTL file's bytes
// (encoded, cut into parts, and read back: the notes and title must come
// back as written); odd, the rest is stored content (taken as octets and
// given as hex when bit 1 is set, else as text as it stands) for the
// ringtone, logo and picture readers. A broken promise aborts.
#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>

#include "sms/BitStream.h"
#include "sms/Ringtone.h"
#include "sms/SmartMessage.h"

namespace {

void require(bool condition)
{
    if (!condition)
        __builtin_trap();
}

bool isUpperHex(const QString& s)
{
    for (const QChar c : s) {
        const char16_t u = c.unicode();
        if (!((u >= u'0' && u <= u'9') || (u >= u'A' && u <= u'F')))
            return false;
    }
    return true;
}

void encodeAndReadBack(const QByteArray& bytes)
{
    const sms::RtttlEncoding enc = sms::encodeRtttl(sms::rtttlFromFile(bytes));
    if (!enc.ok())
        return;
    require(isUpperHex(enc.hex) && enc.hex.size() % 2 == 0 && enc.hex.endsWith(QLatin1String("00")));
    require(enc.hex.startsWith(QLatin1String("024A3A")));
    require(enc.title.size() <= sms::kMaxRingtoneTitle);
    require(enc.instructionCount >= enc.notesWritten + 1 && enc.instructionCount <= sms::kMaxRingtoneInstructions);
    // The count field ends one bit before the end of the header (bit
    // 47 + 8n of the stream for a title of n characters).
    sms::BitReader count(enc.hex.mid(11 + 2 * enc.title.size()));
    count.read(3);
    require(int(count.read(8)) == enc.instructionCount);

    const QString content = sms::ringtoneParts(enc.hex);
    require(!content.isEmpty() && (content.size() + 279) / 280 <= 4);
    const sms::Ringtone tone = sms::parseRingtone(content);
    require(tone.notes.size() == enc.notesWritten);
    require(tone.title == enc.title && sms::ringtoneTitle(content) == enc.title);
    require(tone.tempo > 0 && tone.style == -1);
    for (const sms::RingNote& n : tone.notes)
        require(n.scale >= 1 && n.scale <= 4 && (n.note == 0 || (n.note >= 46 && n.note <= 57)) &&
                n.divisor >= 1 && n.divisor <= 32 && n.factor >= 1 && n.factor <= 4);
}

void readStored(const QString& content)
{
    const sms::Ringtone tone = sms::parseRingtone(content);
    require(tone.notes.size() <= content.size());
    require(tone.title.size() <= 15 && sms::ringtoneTitle(content) == tone.title);
    for (const sms::RingNote& n : tone.notes)
        require(n.scale >= 1 && n.scale <= 4 && n.divisor >= 1 && n.divisor <= 128 && n.factor >= 1 && n.factor <= 8);

    const sms::MonoBitmap logo = sms::decodeOperatorLogo(content);
    require(logo.width() <= 255 && logo.height() <= 255);
    const sms::PictureMessage pm = sms::decodePictureMessage(content);
    require(pm.bitmap.width() <= 255 && pm.bitmap.height() <= 255);
    require(pm.text.size() <= qMax<qsizetype>(17, content.size() / 2));
    for (const sms::SmartPort port :
         {sms::SmartPort::Ringtone, sms::SmartPort::OperatorLogo, sms::SmartPort::PictureMessage})
        require(sms::stripPartHeaders(content, port).size() <= content.size());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const QByteArray rest(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    if ((data[0] & 1) == 0)
        encodeAndReadBack(rest);
    else
        readStored((data[0] & 2) ? QString::fromLatin1(rest.toHex().toUpper()) : QString::fromLatin1(rest));
    return 0;
}
