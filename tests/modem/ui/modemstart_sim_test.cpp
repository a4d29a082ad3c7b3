// The modem start-up over the real serial link against simulated modems on
// pseudo-terminals: scan, initialisation, reset, SIM set-up, Cancel on each
// form, and the activity cycle from a fresh start to a connected modem.
#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

#include "modem/ActivityScheduler.h"
#include "modem/ui/ModemForms.h"
#include "modem/ModemLink.h"
#include "simmodem/SimModem.h"
#include "base/Database.h"
#include "base/Settings.h"
#include "support/TestEnv.h"

namespace {

ModemFormOptions quickForms()
{
    ModemFormOptions o;
    o.timing.scanSettleMs = o.timing.scanSettle2Ms = 0;
    o.timing.initRetryMs = 50;
    o.timing.simRetryMs = 50;
    o.timing.detectStartMs = o.timing.initStartMs = o.timing.resetStartMs = o.timing.simStartMs = 10;
    return o;
}

class ModemStartSimTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        testenv::prompt().reset();
        Settings::save("SettingHaveModem", "0");
        Settings::save("SettingBaudRate", "9600");
        Settings::save("SettingHandshake", "None");
        ASSERT_TRUE(silent.start(testenv::newDir("silent") + "/modem0"));
        ASSERT_TRUE(modem.start(testenv::newDir("modem") + "/modem1"));
        silent.setSilent(true);
        Settings::save("SettingComPort", modem.portPath());
        options.ports = [this] { return QStringList({silent.portPath(), modem.portPath()}); };
        parent.show();
    }
    void TearDown() override { EXPECT_EQ(QApplication::activeModalWidget(), nullptr); }

    void answerPins(QStringList codes)
    {
        options.askPin = [this, codes](const QString& kind) mutable -> std::optional<PinEntry> {
            asked << kind;
            if (codes.isEmpty())
                return std::nullopt;
            const QStringList parts = codes.takeFirst().split(',');
            return PinEntry{parts.value(0), parts.value(1)};
        };
    }

    SimModem silent, modem;
    EngineState st;
    ModemLink link{st};
    ModemLinkPort port{link};
    ModemFormOptions options = quickForms();
    QStringList asked;
    QWidget parent;
};

TEST_F(ModemStartSimTest, TheScanFindsTheModemOnTheSecondPortAndStoresIt)
{
    runDetectModemForm(st, link, port, testenv::prompt(), &parent, options);

    ASSERT_EQ(testenv::prompt().count(), 1);
    EXPECT_EQ(testenv::prompt().shown()[0].text,
              "Detected VELQUARIN-SIM in " + modem.portPath() + ".\r\nUse this modem?");
    EXPECT_EQ(silent.commands(), QStringList({"ATE0"}));
    EXPECT_EQ(modem.commands(), QStringList({"ATE0", "AT+CGMI"}));
    EXPECT_EQ(Settings::comPort(), modem.portPath());
    EXPECT_EQ(Settings::haveModem(), 1);
    EXPECT_TRUE(st.bInitModemRequest);
}

TEST_F(ModemStartSimTest, AScanThatAcceptsNothingWarnsAndLeavesNoPortOpen)
{
    testenv::prompt().queue(UserPrompt::Answer::No);
    st.bModemConnected = true;
    runDetectModemForm(st, link, port, testenv::prompt(), &parent, options);

    ASSERT_EQ(testenv::prompt().count(), 2);
    EXPECT_EQ(testenv::prompt().shown()[1].text, "Unable to detect any modem.");
    EXPECT_FALSE(link.isOpen());
    EXPECT_FALSE(st.bModemConnected);
    EXPECT_FALSE(st.bInitModemRequest);
    EXPECT_EQ(Settings::haveModem(), 0);
}

TEST_F(ModemStartSimTest, InitialisationRetriesUntilTheModemAnswers)
{
    Settings::save("SettingBaudRate", "19200");
    Settings::save("SettingHandshake", "XonXoff");
    modem.addFault("ATE0V1S0=0", 1, SimModem::Fault::silence(), 2);
    options.timing.initCommandSec = 0.3;
    runInitialiseModemForm(st, link, port, testenv::prompt(), &parent, options);

    EXPECT_TRUE(st.bModemInitOK);
    EXPECT_EQ(modem.commandCount("ATE0V1S0=0"), 3);
    EXPECT_FALSE(modem.echo());
    EXPECT_EQ(link.port().baudRate(), 19200);
    EXPECT_EQ(link.port().flowControl(), QSerialPort::SoftwareControl);
    EXPECT_EQ(testenv::prompt().count(), 0);
}

TEST_F(ModemStartSimTest, ResetRestartsTheModemAndTheSetUpFollows)
{
    modem.setRestartMs(300);
    modem.setPin("1234");
    answerPins({"1234", "1234"});
    runInitialiseModemForm(st, link, port, testenv::prompt(), &parent, options);
    runDetectSimForm(st, link, port, testenv::prompt(), &parent, options);
    ASSERT_TRUE(st.bSIMReady);

    options.timing.resetRestartMs = 500;
    QElapsedTimer clock;
    clock.start();
    runResetModemForm(st, link, port, testenv::prompt(), &parent, options);
    EXPECT_TRUE(st.bModemInitOK);
    EXPECT_GE(clock.elapsed(), 500);
    EXPECT_EQ(modem.restartCount(), 1);
    EXPECT_FALSE(modem.isRestarting());

    runInitialiseModemForm(st, link, port, testenv::prompt(), &parent, options);
    EXPECT_TRUE(st.bModemInitOK);
    runDetectSimForm(st, link, port, testenv::prompt(), &parent, options);
    EXPECT_TRUE(st.bSIMReady);
    EXPECT_EQ(asked, QStringList({"PIN", "PIN"})) << "the restarted SIM asks for its PIN again";
}

TEST_F(ModemStartSimTest, APinRightAfterAWrongOne)
{
    modem.setPin("1234");
    answerPins({"9999", "1234"});
    runInitialiseModemForm(st, link, port, testenv::prompt(), &parent, options);
    runDetectSimForm(st, link, port, testenv::prompt(), &parent, options);

    EXPECT_TRUE(st.bSIMReady);
    EXPECT_EQ(asked, QStringList({"PIN", "PIN"}));
    EXPECT_EQ(modem.simState(), SimModem::SimState::Ready);
    ASSERT_EQ(testenv::prompt().count(), 1);
    EXPECT_EQ(testenv::prompt().shown()[0].text, "Incorrect PIN. Please do not exceed 3 tries.");
}

TEST_F(ModemStartSimTest, ThreeWrongPinsThenThePukWithANewPin)
{
    modem.setPin("1234");
    answerPins({"1111", "2222", "3333", "12345678,4321"});
    runInitialiseModemForm(st, link, port, testenv::prompt(), &parent, options);
    runDetectSimForm(st, link, port, testenv::prompt(), &parent, options);

    EXPECT_TRUE(st.bSIMReady);
    EXPECT_EQ(asked, QStringList({"PIN", "PIN", "PIN", "PUK"}));
    EXPECT_TRUE(modem.commands().contains("AT+CPIN=12345678,4321"));
    EXPECT_EQ(modem.pin(), "4321");
    EXPECT_EQ(modem.simState(), SimModem::SimState::Ready);
    EXPECT_EQ(testenv::prompt().count(), 3);
}

TEST_F(ModemStartSimTest, TheSettingsAreSetAndStoredOnlyWhenMissing)
{
    // Factory profile: message service 0, indications routed elsewhere.
    runInitialiseModemForm(st, link, port, testenv::prompt(), &parent, options);
    runDetectSimForm(st, link, port, testenv::prompt(), &parent, options);
    ASSERT_TRUE(st.bSIMReady);
    EXPECT_EQ(modem.commandCount("AT&W"), 1);
    const SimModem::Profile wanted{1, {2, 2, 0, 0, 0}, 0};
    EXPECT_EQ(modem.savedProfile(), wanted);

    // The next start finds all three in place: nothing is set or stored.
    modem.clearRecords();
    runDetectSimForm(st, link, port, testenv::prompt(), &parent, options);
    EXPECT_TRUE(st.bSIMReady);
    EXPECT_EQ(modem.commands(), QStringList({"AT+CGMI", "AT+CPIN?", "AT+CPBS=\"SM\"", "AT+CSMS?",
                                             "AT+CNMI?", "AT+CMGF?"}));
}

TEST_F(ModemStartSimTest, CancelEndsEachFormWhileTheModemIsSilent)
{
    Settings::save("SettingComPort", silent.portPath());
    options.ports = [this] { return QStringList({silent.portPath()}); };
    // Waits so long that a wait Cancel did not end would stop the test.
    options.timing.scanProbeSec = options.timing.initCommandSec = options.timing.resetCommandSec = 600;
    // Cancel is pressed as soon as a line reaches the silent modem, when the
    // link is waiting for its answer. A form that went on after Cancel
    // would send more lines and be pressed again.
    int pressed = 0;
    QObject::connect(&silent, &SimModem::commandReceived, &parent, [&] {
        QTimer::singleShot(0, &parent, [&] {
            if (QWidget* w = QApplication::activeModalWidget()) {
                ++pressed;
                w->findChild<QPushButton*>("cmdCancel")->click();
            }
        });
    });

    runDetectModemForm(st, link, port, testenv::prompt(), &parent, options);
    EXPECT_EQ(pressed, 1);
    EXPECT_TRUE(testenv::prompt().sawText("Unable to detect any modem."));
    EXPECT_FALSE(link.isOpen());

    runInitialiseModemForm(st, link, port, testenv::prompt(), &parent, options);
    EXPECT_EQ(pressed, 2);
    EXPECT_FALSE(st.bModemInitOK);

    // The cancelled initialisation still owes its answer: the reset first
    // brings the line back in step, and that is where Cancel finds it.
    runResetModemForm(st, link, port, testenv::prompt(), &parent, options);
    EXPECT_EQ(pressed, 3);
    EXPECT_FALSE(st.bModemInitOK);

    runDetectSimForm(st, link, port, testenv::prompt(), &parent, options);
    EXPECT_EQ(pressed, 4);
    EXPECT_FALSE(st.bSIMReady);
    EXPECT_EQ(silent.commands(), QStringList({"ATE0", "ATE0V1S0=0", "AT", "AT"}));
    // Each Cancel ended with its form.
    EXPECT_FALSE(st.bCancelled);
}

// --- the activity cycle -------------------------------------------------------

class ModemStartCycleTest : public ModemStartSimTest {
protected:
    void SetUp() override
    {
        ModemStartSimTest::SetUp();
        scheduler.setChannel(&link);
        installModemForms(scheduler, link, &parent, options);
        QObject::connect(&scheduler, &ActivityScheduler::statusText,
                         [this](const QString& t) { status << t; });
    }
    void TearDown() override
    {
        scheduler.stop();
        ModemStartSimTest::TearDown();
    }
    testenv::FreshDb db;
    ActivityScheduler scheduler{st, db.db(), testenv::prompt()};
    QStringList status;
};

TEST_F(ModemStartCycleTest, AFreshStartWithoutAModemDetectsAndConnects)
{
    modem.setPin("1234");
    answerPins({"1234"});
    installModemForms(scheduler, link, &parent, options); // again, with the code answers
    Settings::save("SettingComPort", "1");
    st.bDetectModemRequest = true; // what the load raises with SettingHaveModem 0
    scheduler.start();
    ASSERT_TRUE(testenv::waitUntil([&] { return st.bModemConnected; }, 20000));

    EXPECT_EQ(Settings::comPort(), modem.portPath());
    EXPECT_EQ(Settings::haveModem(), 1);
    EXPECT_FALSE(st.bOutboxPaused);
    EXPECT_FALSE(st.bDetectModemRequest);
    EXPECT_EQ(modem.simState(), SimModem::SimState::Ready);
    EXPECT_TRUE(status.contains("Detecting SIM Card..."));
    EXPECT_EQ(testenv::prompt().count(), 1) << "only the question about the modem";
}

TEST_F(ModemStartCycleTest, AFreshStartWithAKnownModemConnectsWithoutAScan)
{
    Settings::save("SettingHaveModem", "1");
    st.bInitModemRequest = true; // what the load raises with SettingHaveModem 1
    scheduler.start();
    ASSERT_TRUE(testenv::waitUntil([&] { return st.bModemConnected; }, 20000));

    EXPECT_TRUE(silent.commands().isEmpty());
    EXPECT_EQ(modem.commands().first(), "ATE0V1S0=0");
    EXPECT_EQ(modem.savedProfile().cmgf, 0);
    EXPECT_EQ(testenv::prompt().count(), 0);
}

} // namespace
