// Test entry point: every test process gets its own data folder and settings
// folder, and runs headless, so tests can run in parallel without touching
// the user's files. Programs that test windows run on a QApplication with
// the offscreen platform; the others on a QCoreApplication.
#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#ifdef VELQUARIN_TEST_GUI
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif

#include "base/UserPrompt.h"
#include "support/TestEnv.h"

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
#ifdef VELQUARIN_TEST_GUI
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
#endif

    QTemporaryDir root(QDir::tempPath() + "/velquarin-test-XXXXXX");
    if (!root.isValid())
        return 2;
    testenv::setRoot(root.path());

    TestApplication app(argc, argv);
    TestApplication::setOrganizationName("Velquarin");
    TestApplication::setApplicationName("Velquarin");
#ifdef VELQUARIN_TEST_GUI
    QApplication::setQuitOnLastWindowClosed(false);
#endif

    // No test may block on a dialog: questions are answered from a script,
    // and every part that asks is handed this prompt.
    ScriptedPrompt prompt;
    testenv::setPrompt(&prompt);

    return RUN_ALL_TESTS();
}
