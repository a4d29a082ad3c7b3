#pragma once
// Plays a short sound file without waiting for it to end.
#include <QString>

// Plays a WAV file: the name must end in "wav" (any case) and the file must
// exist; a bare name is looked up in the application folder. Returns true
// when playing was started. Nothing is reported: a missing sound device
// only means silence.
bool PlayWave(const QString& file);
