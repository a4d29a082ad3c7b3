#pragma once
// Sound through Qt Multimedia.
#include <QString>

#include "base/Sound.h"

// Plays a WAV file: the name must end in "wav" (any case) and the file must
// exist; a bare name is looked up in the application folder. Returns true
// when playing was started. Nothing is reported: a missing sound device
// only means silence.
bool PlayWave(const QString& file);

class QtSound : public SoundPlayer {
public:
    bool playWave(const QString& file) override { return PlayWave(file); }
    void beep() override;
};
