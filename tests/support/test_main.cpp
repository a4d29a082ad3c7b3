// Test entry point: every test process gets its own data folder and settings
// folder, and runs headless, so tests can run in parallel without touching
// the user's files.
#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "startup/UserPrompt.h"
#include "support/TestEnv.h"

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    QTemporaryDir root(QDir::tempPath() + "/velquarin-test-XXXXXX");
    if (!root.isValid())
        return 2;
    testenv::setRoot(root.path());

    QApplication app(argc, argv);
    QApplication::setOrganizationName("Velquarin");
    QApplication::setApplicationName("Velquarin");
    QApplication::setQuitOnLastWindowClosed(false);

    // No test may block on a dialog: questions are answered from a script.
    ScriptedPrompt prompt;
    UserPrompt::setInstance(&prompt);
    testenv::setPrompt(&prompt);

    const int rc = RUN_ALL_TESTS();
    UserPrompt::setInstance(nullptr);
    return rc;
}
