// Fuzzes the MIDI file reader behind the MIDI to RTTTL conversion. The input
// is the file. A conversion must end, and a tune it returns must keep the
// converter's promises; breaking one aborts.
#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>

#include "sms/MidiToRtttl.h"

namespace {

void require(bool condition)
{
    if (!condition)
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray file(reinterpret_cast<const char*>(data), qsizetype(size));
    const midi::ConvertResult r = midi::convertMidiToRtttl(file, QStringLiteral("Fuzz"));
    if (!r.ok()) {
        require(r.rtttl.isEmpty());
        return 0;
    }
    require(r.rtttl.count(QLatin1Char(':')) == 2);
    const QString notes = r.rtttl.section(QLatin1Char(':'), 2);
    require(!notes.isEmpty());
    require(notes.count(QLatin1Char(',')) < midi::kMaxEntries);
    require(!notes.endsWith(QLatin1Char('p')) && !notes.endsWith(QLatin1String("p.")));
    for (const QChar c : notes)
        require(QStringLiteral("0123456789ABCDEFGp#.,").contains(c));
    return 0;
}
