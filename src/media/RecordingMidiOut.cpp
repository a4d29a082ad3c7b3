#include "media/RecordingMidiOut.h"

namespace media {

bool RecordingMidiOut::open()
{
    events_.append(Event{Event::Open});
    return opens_;
}

void RecordingMidiOut::shortMsg(quint8 status, quint8 data1, quint8 data2)
{
    events_.append(Event{Event::Message, status, data1, data2});
}

void RecordingMidiOut::reset()
{
    events_.append(Event{Event::Reset});
}

void RecordingMidiOut::setVolume(double level)
{
    Event e{Event::Volume};
    e.level = level;
    events_.append(e);
}

void RecordingMidiOut::close()
{
    events_.append(Event{Event::Close});
}

QString RecordingMidiOut::describe(const Event& e)
{
    switch (e.kind) {
    case Event::Open: return QStringLiteral("open");
    case Event::Close: return QStringLiteral("close");
    case Event::Reset: return QStringLiteral("reset");
    case Event::Volume: return QStringLiteral("volume %1").arg(e.level);
    case Event::Message: break;
    }
    const auto hex = [](quint8 b) { return QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0')).toUpper(); };
    QString text = hex(e.status) + QLatin1Char(' ') + hex(e.data1);
    const int kind = e.status & 0xF0;
    if (kind != 0xC0 && kind != 0xD0)
        text += QLatin1Char(' ') + hex(e.data2);
    return text;
}

QStringList RecordingMidiOut::log() const
{
    QStringList lines;
    for (const Event& e : events_)
        lines << describe(e);
    return lines;
}

} // namespace media
