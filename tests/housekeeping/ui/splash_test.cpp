// The splash window: the tidy after the first wait, the window accepted
// after the second, rejected when the tidy fails, and not closable while
// it works.
#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include "housekeeping/ui/SplashDialog.h"
#include "support/TestEnv.h"

TEST(Splash, TidiesThenWaitsThenLetsTheMainWindowCome)
{
    int runs = 0;
    SplashDialog splash([&] {
        ++runs;
        return true;
    });
    EXPECT_EQ(splash.objectName(), "frmFlash");
    EXPECT_EQ(splash.windowTitle(), "Welcome");
    EXPECT_EQ(splash.lblProgramName->text(), "Velquarin 1.2");
    EXPECT_EQ(splash.shpProgress->maximum(), 0); // a busy bar
    EXPECT_EQ(SplashDialog::kStartDelayMs, 500);
    EXPECT_EQ(SplashDialog::kFinishDelayMs, 3000);

    splash.setDelays(20, 150);
    QSignalSpy finished(&splash, &QDialog::finished);
    splash.show();
    ASSERT_TRUE(testenv::waitUntil([&] { return splash.maintained(); }, 20000));
    EXPECT_EQ(runs, 1);
    // Not before the second wait is over, and Escape or the close box do not
    // cut it short.
    EXPECT_TRUE(splash.isVisible());
    QTest::keyClick(&splash, Qt::Key_Escape);
    splash.close();
    EXPECT_TRUE(splash.isVisible());
    ASSERT_TRUE(testenv::waitUntil([&] { return finished.size() == 1; }, 20000));
    EXPECT_EQ(splash.result(), QDialog::Accepted);
    EXPECT_FALSE(splash.isVisible());
    EXPECT_EQ(runs, 1);
}

TEST(Splash, AFailedTidyEndsWithoutTheMainWindow)
{
    SplashDialog splash([] { return false; });
    splash.setDelays(0, 100000);
    QSignalSpy finished(&splash, &QDialog::finished);
    splash.show();
    ASSERT_TRUE(testenv::waitUntil([&] { return finished.size() == 1; }, 20000));
    EXPECT_EQ(splash.result(), QDialog::Rejected);
    EXPECT_FALSE(splash.isVisible());
}
