// The modem start-up over the real serial link against simulated modems on
// pseudo-terminals: scan, initialisation, reset, SIM set-up, Cancel on each
// form, the activity cycle from a fresh start to a connected modem, and a
// modem that is pulled out and plugged in again.
#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

#include "wiring/EngineWiring.h"
#include "engine/ActivityScheduler.h"
#include "modem/ui/ModemForms.h"
#include "modem/ModemLink.h"
#include "engine/OutboxQueue.h"
#include "engine/OutboxSender.h"
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
    // So do the rounds that bring the line back in step: on a busy machine
    // a round could otherwise end before Cancel is served and send one more
    // "AT".
    link.setResyncAnswerMs(600 * 1000);
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

// --- a modem that goes away by itself -----------------------------------------

class ReconnectTest : public ModemStartCycleTest {
protected:
    void SetUp() override
    {
        ModemStartCycleTest::SetUp();
        modem.setEcho(false);
        Settings::save("SettingHaveModem", "1");
        // What the program wires: a lost port is the cycle's to bring back.
        QObject::connect(&link, &ModemLink::portLost, &scheduler, &ActivityScheduler::modemPortLost);
        scheduler.setReconnectInterval(200);
        installOutboxSender(scheduler, sender);
        st.bInitModemRequest = true;
        scheduler.start();
        ASSERT_TRUE(testenv::waitUntil([&] { return st.bModemConnected; }, 20000));
        ASSERT_FALSE(st.bOutboxPaused);
        testenv::prompt().reset();
    }
    void queueText(const QString& text)
    {
        ASSERT_TRUE(queue.AddToOutboxQuiet("+447700900123", 1, text, QDateTime::currentDateTime().addSecs(-60), 9));
    }
    QStringList sentTexts()
    {
        QStringList out;
        for (const tpdu::Submit& m : modem.sentMessages())
            out << m.ud.text;
        return out;
    }

    OutboxQueue queue{db.db(), testenv::prompt(), st};
    OutboxSender sender{st, db.db()};
};

TEST_F(ReconnectTest, APulledModemIsReportedAndComesBackByItselfAndTheQueueGoesOn)
{
    // The line drops just as a message is being sent.
    modem.addFault("AT+CMGS=", 1, SimModem::Fault::unplug());
    queueText("first");
    ASSERT_TRUE(testenv::waitUntil([&] { return scheduler.isReconnecting(); }, 20000));
    EXPECT_FALSE(st.bModemConnected);
    EXPECT_EQ(status.last(), ActivityScheduler::disconnectedText());

    // While it is away, the cycle keeps trying without a word, and rows
    // queued meanwhile wait.
    queueText("second");
    testenv::waitUntil([&] { return status.count(ActivityScheduler::disconnectedText()) >= 3; }, 20000);
    EXPECT_TRUE(modem.sentMessages().isEmpty());
    EXPECT_EQ(testenv::prompt().count(), 0);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);

    // Plugged in again: a modem fresh from power-up, set up again quietly.
    ASSERT_TRUE(modem.replug());
    ASSERT_TRUE(testenv::waitUntil([&] { return sentTexts().size() == 2; }, 30000)) << sentTexts().join(',').toStdString();
    EXPECT_EQ(sentTexts(), QStringList({"first", "second"}));
    EXPECT_TRUE(st.bModemConnected);
    EXPECT_FALSE(scheduler.isReconnecting());
    EXPECT_EQ(status.last(), QString());
    EXPECT_EQ(testenv::prompt().count(), 0) << testenv::prompt().shown().value(0).text.toStdString();
}

TEST_F(ReconnectTest, ASimThatWantsItsPinAfterwardsIsLeftToTheOrdinaryStartUp)
{
    answerPins({"1234"});
    installModemForms(scheduler, link, &parent, options); // again, with the code answers
    modem.setPin("1234");
    modem.unplugFor(300);
    ASSERT_TRUE(testenv::waitUntil([&] { return scheduler.isReconnecting(); }, 20000));
    // The reconnection finds the modem, sees the PIN request and hands over
    // to the start-up forms, which ask for the code.
    ASSERT_TRUE(testenv::waitUntil([&] { return st.bModemConnected; }, 30000));
    EXPECT_EQ(asked, QStringList({"PIN"}));
    EXPECT_FALSE(scheduler.isReconnecting());
    EXPECT_EQ(modem.simState(), SimModem::SimState::Ready);
}

TEST_F(ReconnectTest, ResetFromTheMenuReopensAVanishedPortFirst)
{
    // Gone and back before the cycle tried again: the operator resets.
    scheduler.setReconnectInterval(600000);
    modem.setRestartMs(100);
    options.timing.resetRestartMs = 300;
    installModemForms(scheduler, link, &parent, options);
    modem.unplug();
    ASSERT_TRUE(testenv::waitUntil([&] { return scheduler.isReconnecting(); }, 20000));
    ASSERT_TRUE(modem.replug());
    scheduler.requestResetModem();
    ASSERT_TRUE(testenv::waitUntil([&] { return st.bModemConnected; }, 30000));
    EXPECT_FALSE(testenv::prompt().sawText("Unable to reset modem."));
    EXPECT_EQ(testenv::prompt().count(), 0);
    EXPECT_EQ(modem.restartCount(), 1);
    EXPECT_FALSE(scheduler.isReconnecting());
}

} // namespace
