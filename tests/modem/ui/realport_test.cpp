// A modem on a desktop's serial ports: ports that cannot be opened are
// named with their reason, and a modem is stored and found again by its
// stable name.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include "base/Settings.h"
#include "base/EngineState.h"
#include "modem/ModemLink.h"
#include "modem/SerialPorts.h"
#include "modem/ui/ModemForms.h"
#include "simmodem/SimModem.h"
#include "support/TestEnv.h"

namespace {

class RealPortTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        testenv::prompt().reset();
        Settings::save("SettingHaveModem", "0");
        Settings::save("SettingBaudRate", "9600");
        Settings::save("SettingHandshake", "None");
        ASSERT_TRUE(modem.start(testenv::newDir("modem") + "/modem0"));
        byId = testenv::newDir("by-id");
        serialports::setByIdRoot(byId);
        options.timing.scanSettleMs = options.timing.scanSettle2Ms = 0;
        options.timing.initRetryMs = 50;
        options.timing.detectStartMs = options.timing.initStartMs = 10;
        parent.show();
    }
    void TearDown() override { serialports::setByIdRoot(QStringLiteral("/dev/serial/by-id")); }

    // A udev-style stable link to the simulated modem's terminal.
    QString stableLink(const QString& name)
    {
        const QString path = byId + "/" + name;
        QFile::remove(path);
        EXPECT_TRUE(QFile::link(QFileInfo(modem.portPath()).canonicalFilePath(), path));
        return path;
    }

    SimModem modem;
    QString byId;
    EngineState st;
    ModemLink link{st};
    ModemLinkPort port{link};
    ModemFormOptions options;
    QWidget parent;
};

} // namespace

TEST_F(RealPortTest, AScanNamesThePortsItCouldNotOpenAndWhy)
{
    const QString gone = testenv::root() + "/ttyUSB7";
    modem.setSilent(true);
    options.ports = [&] { return QStringList({gone, modem.portPath()}); };
    runDetectModemForm(st, link, port, testenv::prompt(), &parent, options);

    ASSERT_EQ(testenv::prompt().count(), 1);
    const QString text = testenv::prompt().shown()[0].text;
    EXPECT_TRUE(text.startsWith("Unable to detect any modem.\n\nThese ports could not be opened:\n")) << text.toStdString();
    EXPECT_TRUE(text.contains(gone + ": no such device")) << text.toStdString();
    EXPECT_FALSE(text.contains(modem.portPath())) << "a port that opened is not listed";
}

TEST_F(RealPortTest, TheAcceptedModemIsStoredByItsStableNameAndOpenedThroughIt)
{
    const QString stable = stableLink("usb-VELQUARIN_SIM_Modem-if02-port0");
    options.ports = [&] { return QStringList({modem.portPath()}); };
    runDetectModemForm(st, link, port, testenv::prompt(), &parent, options);
    EXPECT_EQ(Settings::comPort(), stable);

    // Initialisation opens the device the stable name leads to.
    testenv::prompt().reset();
    link.closePort();
    runInitialiseModemForm(st, link, port, testenv::prompt(), &parent, options);
    EXPECT_TRUE(st.bModemInitOK);
    EXPECT_TRUE(link.isOpen());
    EXPECT_EQ(testenv::prompt().count(), 0);
    EXPECT_EQ(modem.commands().last(), "ATE0V1S0=0");
}

TEST_F(RealPortTest, AFailedOpenSaysWhichPortAndWhy)
{
    // The device behind the stable name is gone (unplugged). The link points
    // at a path of this test's own: a freed terminal number could be taken
    // at once by another test running in parallel.
    const QString stable = byId + "/usb-VELQUARIN_SIM_Modem-if02-port0";
    ASSERT_TRUE(QFile::link(testenv::root() + "/pts-unplugged", stable));
    Settings::save("SettingComPort", stable);
    runInitialiseModemForm(st, link, port, testenv::prompt(), &parent, options);

    EXPECT_FALSE(st.bModemInitOK);
    ASSERT_EQ(testenv::prompt().count(), 1);
    const QString text = testenv::prompt().shown()[0].text;
    EXPECT_TRUE(text.startsWith("Unable to Initialise Modem\n\n" + stable + ": no such device")) << text.toStdString();
    EXPECT_EQ(link.lastOpenError(), text.mid(QStringLiteral("Unable to Initialise Modem\n\n").size()));
}
