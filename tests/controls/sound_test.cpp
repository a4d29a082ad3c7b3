// Playing a wave file through Qt Multimedia.
#include <gtest/gtest.h>

#include "base/AppPaths.h"
#include "controls/QtSound.h"
#include "support/TestEnv.h"

#include <QElapsedTimer>
#include <QFile>

TEST(PlayWave, PlaysOnlyExistingWaveFilesAndDoesNotWait)
{
    AppPaths::setAppDir(testenv::newDir(QStringLiteral("app")));
    EXPECT_FALSE(PlayWave(QString()));
    EXPECT_FALSE(PlayWave(QStringLiteral("phonering.wav"))); // not there yet
    ASSERT_TRUE(AppPaths::seed());
    ASSERT_TRUE(QFile::exists(AppPaths::filePath(QStringLiteral("phonering.wav"))));
    QFile::copy(AppPaths::filePath(QStringLiteral("phonering.wav")), AppPaths::filePath(QStringLiteral("ring.mp3")));
    EXPECT_FALSE(PlayWave(QStringLiteral("ring.mp3")));

    QElapsedTimer t;
    t.start();
    EXPECT_TRUE(PlayWave(QStringLiteral("phonering.wav")));
    EXPECT_TRUE(PlayWave(AppPaths::filePath(QStringLiteral("phonering.wav"))));
    EXPECT_LT(t.elapsed(), 500); // the sound lasts about a second
    testenv::waitUntil([] { return false; }, 100); // let the loader start before the test ends
}
