#include "controls/QtSound.h"

#include "base/AppPaths.h"

#include <QApplication>
#include <QFileInfo>
#include <QHash>
#include <QSoundEffect>
#include <QUrl>

namespace {

QHash<QString, QSoundEffect*>& effects()
{
    static QHash<QString, QSoundEffect*> map;
    return map;
}

// The effects go before the application object: their audio output must
// not outlive it.
void releaseEffects()
{
    qDeleteAll(effects());
    effects().clear();
}

} // namespace

bool PlayWave(const QString& file)
{
    if (file.isEmpty() || file.right(3).toUpper() != QLatin1String("WAV"))
        return false;
    const QString path = QFileInfo(file).isAbsolute() ? file : AppPaths::filePath(file);
    if (!QFileInfo(path).isFile())
        return false;
    if (!QCoreApplication::instance())
        return false;

    // One effect per file, kept for the life of the program: loading is
    // asynchronous, and a ring repeats every few seconds.
    QSoundEffect*& effect = effects()[path];
    if (!effect) {
        if (effects().size() == 1)
            qAddPostRoutine(releaseEffects);
        effect = new QSoundEffect;
        effect->setSource(QUrl::fromLocalFile(path));
    }
    effect->play();
    return true;
}

void QtSound::beep() { QApplication::beep(); }
