// The modem start-up tasks against a scripted in-memory modem: port scan,
// initialisation, reset and SIM set-up, without any window.
#include <QElapsedTimer>
#include <QTimer>
#include <gtest/gtest.h>

#include "modem/AtChannel.h"
#include "base/EngineState.h"
#include "modem/ModemStart.h"
#include "base/Settings.h"
#include "support/TestEnv.h"

#include "modemstart_fake.h"

namespace {

ModemStartTiming quick()
{
    ModemStartTiming t;
    t.scanSettleMs = t.scanSettle2Ms = 0;
    t.initRetryMs = 0;
    t.resetRestartMs = 0;
    t.simRetryMs = 0;
    return t;
}

// A modem that answers the probe commands with a maker name.
FakeModem::Handler answeringModem(const QString& maker)
{
    return [maker](const QString& cmd) -> FakeModem::Answer {
        if (cmd == "AT+CGMI")
            return {FakeModem::Ok, "\r\n" + maker + "\r\n"};
        return {FakeModem::Ok, "\r\n"};
    };
}

class ModemStartTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        testenv::prompt().reset();
        Settings::save("SettingHaveModem", "0");
        Settings::save("SettingComPort", "1");
    }
    EngineState st;
    FakeModem modem{st};
};

// --- candidate ports --------------------------------------------------------

TEST(ModemPortsTest, ExtraPortsComeFirstInTheirOrderWithoutDuplicates)
{
    qputenv("VELQUARIN_SCAN_PORTS", " /tmp/pty-b:/tmp/pty-a::/tmp/pty-b:");
    const QStringList ports = candidateModemPorts();
    qunsetenv("VELQUARIN_SCAN_PORTS");
    ASSERT_GE(ports.size(), 2);
    EXPECT_EQ(ports.at(0), "/tmp/pty-b");
    EXPECT_EQ(ports.at(1), "/tmp/pty-a");
    EXPECT_EQ(QStringList(ports).removeDuplicates(), 0);
    EXPECT_EQ(candidateModemPorts(), ports.mid(2)) << "without the variable only system ports remain";
}

// --- detection ---------------------------------------------------------------

TEST_F(ModemStartTest, ScanSkipsDeadAndSilentPortsAndStoresTheAcceptedModem)
{
    modem.addPort("/dev/closed", nullptr, /*opens=*/false);
    modem.addPort("/dev/silent", FakeModem::silent());
    modem.addPort("/dev/first", answeringModem("ACME"));
    modem.addPort("/dev/second", answeringModem("Quectel"));
    modem.addPort("/dev/third", answeringModem("Other"));
    testenv::prompt().queue(UserPrompt::Answer::No);
    testenv::prompt().queue(UserPrompt::Answer::Yes);
    st.bModemConnected = true;

    ModemDetector scan(st, modem, modem, testenv::prompt(), quick());
    QStringList shownPorts;
    scan.onPort = [&](int pos, int count, const QString& path) {
        EXPECT_EQ(count, 5);
        shownPorts << QString::number(pos) + path;
    };
    ASSERT_TRUE(scan.run({"/dev/closed", "/dev/silent", "/dev/first", "/dev/second", "/dev/third"}));

    EXPECT_EQ(scan.acceptedPort(), "/dev/second");
    EXPECT_EQ(shownPorts, QStringList({"1/dev/closed", "2/dev/silent", "3/dev/first", "4/dev/second"}));
    // A silent port gets no second command; the third modem is never tried.
    EXPECT_EQ(modem.sent, QStringList({"/dev/silent ATE0", "/dev/first ATE0", "/dev/first AT+CGMI",
                                       "/dev/second ATE0", "/dev/second AT+CGMI"}));
    EXPECT_EQ(modem.openPath, "/dev/second") << "the accepted port stays open";
    const auto& shown = testenv::prompt().shown();
    ASSERT_EQ(shown.size(), 2);
    EXPECT_EQ(shown[0].title, "Modem Detected...");
    EXPECT_EQ(shown[0].icon, UserPrompt::Icon::Question);
    EXPECT_EQ(shown[0].buttons, UserPrompt::Buttons::YesNo);
    EXPECT_EQ(shown[0].text, "Detected ACME in /dev/first.\r\nUse this modem?");
    EXPECT_EQ(shown[1].text, "Detected Quectel in /dev/second.\r\nUse this modem?");
    EXPECT_EQ(Settings::text("SettingComPort"), "/dev/second");
    EXPECT_EQ(Settings::haveModem(), 1);
    EXPECT_TRUE(st.bInitModemRequest);
    EXPECT_FALSE(st.bModemConnected);
}

TEST_F(ModemStartTest, ScanWithoutAcceptedModemWarnsAndClosesTheLastPort)
{
    modem.addPort("/dev/modem", answeringModem("ACME"));
    modem.addPort("/dev/silent", FakeModem::silent());
    testenv::prompt().queue(UserPrompt::Answer::No);
    st.bModemConnected = true;

    ModemDetector scan(st, modem, modem, testenv::prompt(), quick());
    EXPECT_FALSE(scan.run({"/dev/modem", "/dev/silent"}));

    ASSERT_EQ(testenv::prompt().count(), 2);
    const auto& warning = testenv::prompt().shown().last();
    EXPECT_EQ(warning.text, "Unable to detect any modem.");
    EXPECT_EQ(warning.title, "Warning");
    EXPECT_EQ(warning.icon, UserPrompt::Icon::Warning);
    EXPECT_TRUE(modem.openPath.isEmpty()) << "nothing may stay open on a foreign device";
    EXPECT_FALSE(st.bModemConnected);
    EXPECT_FALSE(st.bInitModemRequest);
    EXPECT_EQ(Settings::haveModem(), 0);
    EXPECT_EQ(Settings::text("SettingComPort"), "1");
}

TEST_F(ModemStartTest, CancelDuringTheScanStopsAtThatPort)
{
    ModemDetector scan(st, modem, modem, testenv::prompt(), quick());
    modem.addPort("/dev/a", [&](const QString&) {
        scan.cancel(); // pressed while the probe waits
        return FakeModem::Answer{FakeModem::Silent, {}};
    });
    modem.addPort("/dev/b", answeringModem("ACME"));
    EXPECT_FALSE(scan.run({"/dev/a", "/dev/b"}));
    EXPECT_TRUE(scan.cancelled());
    EXPECT_FALSE(st.bCancelled) << "Cancel ends with the scan";
    EXPECT_EQ(modem.sent, QStringList({"/dev/a ATE0"}));
    EXPECT_EQ(modem.cancelCalls, 1);
    EXPECT_TRUE(testenv::prompt().sawText("Unable to detect any modem."));
    EXPECT_TRUE(modem.openPath.isEmpty());
}

// --- initialisation and reset -------------------------------------------------

TEST_F(ModemStartTest, InitialisationOpensTheStoredPortAndRepeatsUntilTheModemAnswers)
{
    Settings::save("SettingComPort", "/dev/ttyUSB3");
    Settings::save("SettingBaudRate", "19200");
    Settings::save("SettingHandshake", "XonXoff");
    Settings::save("SettingAreaCode", "44");
    int calls = 0;
    modem.addPort("/dev/ttyUSB3", [&](const QString&) {
        return FakeModem::Answer{++calls < 3 ? FakeModem::Silent : FakeModem::Ok, {}};
    });
    st.bCancelled = true; // left over from an earlier form

    ModemInitialiser init(st, modem, modem, testenv::prompt(), quick());
    EXPECT_TRUE(init.run());
    EXPECT_TRUE(st.bModemInitOK);
    EXPECT_EQ(modem.openArgs, "/dev/ttyUSB3 19200 XonXoff");
    EXPECT_EQ(modem.sent, QStringList(3, "/dev/ttyUSB3 ATE0V1S0=0"));
    EXPECT_EQ(modem.timeouts.value(0), 2.0);
    EXPECT_EQ(st.sAreaCode, "44");
}

TEST_F(ModemStartTest, InitialisationReportsAPortThatCannotOpen)
{
    Settings::save("SettingComPort", "/dev/missing");
    modem.addPort("/dev/missing", nullptr, /*opens=*/false);
    ModemInitialiser init(st, modem, modem, testenv::prompt(), quick());
    EXPECT_FALSE(init.run());
    EXPECT_FALSE(st.bModemInitOK);
    EXPECT_TRUE(modem.sent.isEmpty());
    ASSERT_EQ(testenv::prompt().count(), 1);
    EXPECT_EQ(testenv::prompt().shown()[0].text, "Unable to Initialise Modem");
    EXPECT_EQ(testenv::prompt().shown()[0].title, "Error");
    EXPECT_EQ(testenv::prompt().shown()[0].icon, UserPrompt::Icon::Critical);
}

TEST_F(ModemStartTest, CancelEndsTheInitialisationPauseAtOnce)
{
    Settings::save("SettingComPort", "/dev/silent");
    modem.addPort("/dev/silent", FakeModem::silent());
    ModemStartTiming timing = quick();
    timing.initRetryMs = 20000;
    ModemInitialiser init(st, modem, modem, testenv::prompt(), timing);
    QTimer::singleShot(50, [&] { init.cancel(); });
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(init.run());
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_FALSE(st.bModemInitOK);
    EXPECT_EQ(modem.sent.size(), 1);
    EXPECT_EQ(testenv::prompt().count(), 0);
}

TEST_F(ModemStartTest, CancelWhileTheModemIsAskedLeavesInitialisationFailed)
{
    Settings::save("SettingComPort", "/dev/m");
    ModemInitialiser init(st, modem, modem, testenv::prompt(), quick());
    modem.addPort("/dev/m", [&](const QString&) {
        init.cancel(); // the real link then ends the wait "successfully"
        return FakeModem::Answer{FakeModem::Silent, {}};
    });
    EXPECT_FALSE(init.run());
    EXPECT_FALSE(st.bModemInitOK);
    EXPECT_EQ(modem.sent.size(), 1);
}

TEST_F(ModemStartTest, ResetRestartsTheModemAndWaitsForIt)
{
    modem.addPort("/dev/m", [](const QString&) { return FakeModem::Answer{FakeModem::Ok, {}}; });
    modem.openPort("/dev/m", 9600, "RTS");
    ModemStartTiming timing = quick();
    timing.resetRestartMs = 300;
    ModemResetter reset(st, modem, modem, testenv::prompt(), timing);
    QElapsedTimer clock;
    clock.start();
    EXPECT_TRUE(reset.run());
    EXPECT_GE(clock.elapsed(), 300);
    EXPECT_TRUE(st.bModemInitOK);
    EXPECT_EQ(modem.sent, QStringList({"/dev/m AT+CFUN=1,1"}));
    EXPECT_EQ(modem.timeouts.value(0), 10.0);
    EXPECT_EQ(testenv::prompt().count(), 0);
}

TEST_F(ModemStartTest, ResetReportsAClosedPortOrAFailureAndLetsInitialisationFollow)
{
    ModemResetter closed(st, modem, modem, testenv::prompt(), quick());
    EXPECT_TRUE(closed.run());
    EXPECT_TRUE(modem.sent.isEmpty());
    EXPECT_TRUE(testenv::prompt().sawText("Unable to reset modem."));

    testenv::prompt().reset();
    modem.addPort("/dev/m", [](const QString&) { return FakeModem::Answer{FakeModem::Error, {}}; });
    modem.openPort("/dev/m", 9600, "RTS");
    ModemResetter failed(st, modem, modem, testenv::prompt(), quick());
    EXPECT_TRUE(failed.run());
    ASSERT_EQ(testenv::prompt().count(), 1);
    EXPECT_EQ(testenv::prompt().shown()[0].title, "Error");
    EXPECT_EQ(testenv::prompt().shown()[0].text, "Unable to reset modem.");
}

TEST_F(ModemStartTest, CancelDuringTheRestartWaitClearsTheOutcome)
{
    modem.addPort("/dev/m", [](const QString&) { return FakeModem::Answer{FakeModem::Ok, {}}; });
    modem.openPort("/dev/m", 9600, "RTS");
    ModemStartTiming timing = quick();
    timing.resetRestartMs = 20000;
    ModemResetter reset(st, modem, modem, testenv::prompt(), timing);
    QTimer::singleShot(50, [&] { reset.cancel(); });
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(reset.run());
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_FALSE(st.bModemInitOK);
    EXPECT_EQ(testenv::prompt().count(), 0);
}

TEST_F(ModemStartTest, ResetOpensAPortThatWentAwayInsteadOfGivingUp)
{
    Settings::save("SettingComPort", "/dev/m");
    modem.addPort("/dev/m", [](const QString&) { return FakeModem::Answer{FakeModem::Ok, {}}; });
    ASSERT_FALSE(modem.isOpen()); // the device went away and came back
    ModemResetter reset(st, modem, modem, testenv::prompt(), quick());
    EXPECT_TRUE(reset.run());
    EXPECT_EQ(modem.openPath, "/dev/m");
    EXPECT_EQ(modem.sent, QStringList({"/dev/m AT+CFUN=1,1"}));
    EXPECT_EQ(testenv::prompt().count(), 0);
}

// --- quiet reconnection -------------------------------------------------------

TEST_F(ModemStartTest, TheReconnectionSaysNothingAndTellsWhatItFound)
{
    using Outcome = ModemReconnector::Outcome;
    Settings::save("SettingComPort", "/dev/m");
    FakeSim sim;
    bool silent = false;
    modem.addPort("/dev/m", [&](const QString& cmd) {
        if (silent)
            return FakeModem::Answer{FakeModem::Silent, {}};
        if (cmd == "ATE0V1S0=0")
            return FakeModem::Answer{FakeModem::Ok, {}};
        return sim.answer(cmd);
    });
    auto attempt = [&] { return ModemReconnector(st, modem, modem, testenv::prompt(), quick()).run(); };

    // Still away: the stored port does not open.
    Settings::save("SettingComPort", "/dev/gone");
    EXPECT_EQ(attempt(), Outcome::NotYet);
    EXPECT_TRUE(modem.sent.isEmpty());

    // There but not answering: left closed for the next try.
    Settings::save("SettingComPort", "/dev/m");
    silent = true;
    EXPECT_EQ(attempt(), Outcome::NotYet);
    EXPECT_TRUE(modem.openPath.isEmpty());
    EXPECT_FALSE(st.bModemInitOK);

    // Answering, but the SIM wants its PIN: that needs the operator.
    silent = false;
    sim.state = "SIM PIN";
    EXPECT_EQ(attempt(), Outcome::NeedsOperator);
    EXPECT_FALSE(st.bSIMReady);
    EXPECT_FALSE(st.bCancelled);

    sim.state = "READY";
    EXPECT_EQ(attempt(), Outcome::Connected);
    EXPECT_TRUE(st.bModemInitOK);
    EXPECT_TRUE(st.bSIMReady);
    EXPECT_EQ(modem.openArgs.section(' ', 0, 0), "/dev/m");
    EXPECT_EQ(testenv::prompt().count(), 0);
}

// --- SIM set-up ---------------------------------------------------------------

class SimSetupTest : public ModemStartTest {
protected:
    void SetUp() override
    {
        ModemStartTest::SetUp();
        modem.addPort("/dev/m", [this](const QString& cmd) { return sim.answer(cmd); });
        modem.openPort("/dev/m", 9600, "RTS");
    }
    QStringList commands() const
    {
        QStringList out;
        for (const QString& s : modem.sent)
            out << s.mid(7);
        return out;
    }
    FakeSim sim;
    ScriptedPins pins;
};

TEST_F(SimSetupTest, AModemWithEverySettingGetsNoChangesAndNoProfileWrite)
{
    SimSetup setup(st, modem, modem, testenv::prompt(), pins, quick());
    QStringList status;
    setup.onStatus = [&](const QString& t) { status << t; };
    EXPECT_TRUE(setup.run());
    EXPECT_TRUE(st.bSIMReady);
    EXPECT_EQ(commands(), QStringList({"AT+CGMI", "AT+CPIN?", "AT+CPBS=\"SM\"", "AT+CSMS?", "AT+CNMI?",
                                       "AT+CMGF?"}));
    EXPECT_EQ(status, QStringList({"Detecting SIM Card..."}));
    EXPECT_TRUE(pins.asked.isEmpty());
    EXPECT_EQ(st.sngModemMake, 2);
}

TEST_F(SimSetupTest, MissingSettingsAreSetAndStoredOnce)
{
    sim.csms = 0;
    sim.cnmi = "1,1,0,0,0";
    sim.cmgf = 1;
    SimSetup setup(st, modem, modem, testenv::prompt(), pins, quick());
    EXPECT_TRUE(setup.run());
    EXPECT_EQ(commands(), QStringList({"AT+CGMI", "AT+CPIN?", "AT+CPBS=\"SM\"", "AT+CSMS?", "AT+CSMS=1",
                                       "AT+CNMI?", "AT+CNMI=2,2,0", "AT+CMGF?", "AT+CMGF=0", "AT&W"}));
    EXPECT_EQ(modem.timeouts.value(4), 4.0);
    EXPECT_EQ(modem.timeouts.value(6), 4.0);
    EXPECT_EQ(modem.timeouts.value(8), 8.0);

    // Only one of the three missing still needs the profile written.
    modem.sent.clear();
    sim.cmgf = 1;
    st.bSIMReady = false;
    EXPECT_TRUE(setup.run());
    EXPECT_EQ(commands().mid(3), QStringList({"AT+CSMS?", "AT+CNMI?", "AT+CMGF?", "AT+CMGF=0", "AT&W"}));
}

TEST_F(SimSetupTest, TheRightPinUnlocksTheSim)
{
    sim.state = "SIM PIN";
    pins.answers = {PinEntry{"1234", {}}};
    SimSetup setup(st, modem, modem, testenv::prompt(), pins, quick());
    EXPECT_TRUE(setup.run());
    EXPECT_EQ(pins.asked, QStringList({"PIN"}));
    EXPECT_EQ(commands().mid(0, 4),
              QStringList({"AT+CGMI", "AT+CPIN?", "AT+CPIN=1234", "AT+CPBS=\"SM\""}));
    EXPECT_EQ(testenv::prompt().count(), 0);
}

TEST_F(SimSetupTest, WrongPinsWarnAndTheBlockedSimIsUnlockedWithThePukAndANewPin)
{
    sim.state = "SIM PIN";
    pins.answers = {PinEntry{"1111", {}}, PinEntry{"2222", {}}, PinEntry{"3333", {}},
                    PinEntry{"87654321", "4321"}};
    SimSetup setup(st, modem, modem, testenv::prompt(), pins, quick());
    EXPECT_TRUE(setup.run());
    EXPECT_TRUE(st.bSIMReady);
    EXPECT_EQ(pins.asked, QStringList({"PIN", "PIN", "PIN", "PUK"}));
    EXPECT_EQ(commands().mid(1, 9),
              QStringList({"AT+CPIN?", "AT+CPIN=1111", "AT+CPIN?", "AT+CPIN=2222", "AT+CPIN?",
                           "AT+CPIN=3333", "AT+CPIN?", "AT+CPIN=87654321,4321", "AT+CPBS=\"SM\""}));
    EXPECT_EQ(sim.pin, "4321");
    ASSERT_EQ(testenv::prompt().count(), 3);
    for (const auto& shown : testenv::prompt().shown()) {
        EXPECT_EQ(shown.text, "Incorrect PIN. Please do not exceed 3 tries.");
        EXPECT_EQ(shown.title, "Warning");
    }
    EXPECT_EQ(setup.passes(), 1);
}

TEST_F(SimSetupTest, AWrongPukIsReportedAsPuk)
{
    sim.state = "SIM PUK";
    pins.answers = {PinEntry{"00000000", "1111"}, PinEntry{"87654321", "1111"}};
    SimSetup setup(st, modem, modem, testenv::prompt(), pins, quick());
    EXPECT_TRUE(setup.run());
    EXPECT_EQ(pins.asked, QStringList({"PUK", "PUK"}));
    EXPECT_TRUE(testenv::prompt().sawText("Incorrect PUK. Please do not exceed 3 tries."));
}

TEST_F(SimSetupTest, CancelInThePinDialogEndsTheSetUp)
{
    sim.state = "SIM PIN";
    pins.answers = {std::nullopt};
    SimSetup setup(st, modem, modem, testenv::prompt(), pins, quick());
    EXPECT_FALSE(setup.run());
    EXPECT_FALSE(st.bSIMReady);
    EXPECT_TRUE(setup.cancelled());
    EXPECT_FALSE(st.bCancelled);
    EXPECT_EQ(pins.asked.size(), 1);
    EXPECT_EQ(commands(), QStringList({"AT+CGMI", "AT+CPIN?"}));
    EXPECT_EQ(setup.passes(), 1);
}

TEST_F(SimSetupTest, AFailedStepRunsTheWholePassAgain)
{
    sim.failCpbs = 2;
    SimSetup setup(st, modem, modem, testenv::prompt(), pins, quick());
    EXPECT_TRUE(setup.run());
    EXPECT_EQ(setup.passes(), 3);
    EXPECT_EQ(commands().count("AT+CGMI"), 3);
    EXPECT_EQ(commands().count("AT+CSMS?"), 1);
}

TEST_F(SimSetupTest, CancelDuringAStepSendsNothingMore)
{
    SimSetup setup(st, modem, modem, testenv::prompt(), pins, quick());
    sim.onCommand = [&](const QString& cmd) {
        if (cmd == "AT+CSMS?")
            setup.cancel();
    };
    EXPECT_FALSE(setup.run());
    EXPECT_FALSE(st.bSIMReady);
    EXPECT_EQ(commands().last(), "AT+CSMS?");
    EXPECT_EQ(setup.passes(), 1);
}

TEST_F(SimSetupTest, TheMakerNamedInTheReplySelectsMakeThree)
{
    sim.maker = "SIEMENS";
    SimSetup setup(st, modem, modem, testenv::prompt(), pins, quick());
    EXPECT_TRUE(setup.run());
    EXPECT_EQ(st.sngModemMake, 3);
}

} // namespace
