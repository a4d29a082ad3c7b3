#pragma once
// How the engine and the windows make a sound: a short wave file (the ring
// of an incoming call) or the system's beep (the new-message alert). The
// program installs the Qt implementation; tests count the calls.
#include <QString>

class SoundPlayer {
public:
    virtual ~SoundPlayer() = default;
    // Starts playing a WAV file without waiting for it to end; false when it
    // could not be started (a missing file is only silence).
    virtual bool playWave(const QString& file) = 0;
    virtual void beep() = 0;
};

// Plays nothing; for programs and tests without sound.
class SilentSound : public SoundPlayer {
public:
    bool playWave(const QString&) override { return false; }
    void beep() override {}
};
