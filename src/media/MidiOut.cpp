#include "media/MidiOut.h"

#include "media/FluidSynthMidiOut.h"

#include <QDebug>

namespace media {

std::unique_ptr<MidiOut> openMidiOut()
{
    return openMidiOut(FluidSynthOptions{});
}

std::unique_ptr<MidiOut> openMidiOut(const FluidSynthOptions& options)
{
    auto synth = std::make_unique<FluidSynthMidiOut>(options);
    if (synth->open())
        return synth;
    qWarning().noquote() << "MIDI output is silent:" << synth->errorString();
    auto silent = std::make_unique<NullMidiOut>(synth->errorString());
    silent->open();
    return silent;
}

} // namespace media
