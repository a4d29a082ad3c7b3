// The start-up forms shown offscreen: Cancel on each progress form, the
// scan's progress, and the SIM code dialog.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include "modem/ui/ModemForms.h"
#include "base/Settings.h"
#include "support/TestEnv.h"

#include "../modemstart_fake.h"

namespace {

// Watches for the modal window named name while ready() holds, then runs
// act on it once.
class ModalWatcher {
public:
    ModalWatcher(const QString& name, std::function<void(QWidget*)> act,
                 std::function<bool()> ready = [] { return true; })
    {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this, name, act, ready] {
            QWidget* w = QApplication::activeModalWidget();
            if (!w || w->objectName() != name || !w->isVisible() || !ready())
                return;
            ++hits;
            act(w);
        });
        timer_.start();
    }
    int hits = 0;

private:
    QTimer timer_;
};

void clickCancel(QWidget* w) { w->findChild<QPushButton*>("cmdCancel")->click(); }

ModemFormOptions quickForms()
{
    ModemFormOptions o;
    o.timing.scanSettleMs = o.timing.scanSettle2Ms = 0;
    o.timing.initRetryMs = o.timing.resetRestartMs = o.timing.simRetryMs = 0;
    o.timing.detectStartMs = o.timing.initStartMs = o.timing.resetStartMs = o.timing.simStartMs = 10;
    return o;
}

class ModemFormsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        testenv::prompt().reset();
        Settings::save("SettingComPort", "/dev/m");
        Settings::save("SettingHaveModem", "0");
        modem.blockOnSilence = true;
        parent.show();
    }
    void TearDown() override { EXPECT_EQ(QApplication::activeModalWidget(), nullptr); }
    EngineState st;
    FakeModem modem{st};
    QWidget parent;
};

TEST_F(ModemFormsTest, CancelEndsTheInitialisationWhileTheModemIsSilent)
{
    modem.addPort("/dev/m", FakeModem::silent());
    QString caption;
    ModalWatcher cancel("frmInitialiseModem", [&](QWidget* w) { caption = w->windowTitle(); clickCancel(w); },
                        [&] { return !modem.sent.isEmpty(); });
    runInitialiseModemForm(st, modem, modem, testenv::prompt(), &parent, quickForms());
    EXPECT_EQ(cancel.hits, 1);
    EXPECT_EQ(caption, "Initialise Modem");
    EXPECT_FALSE(st.bCancelled) << "Cancel ends with its form";
    EXPECT_FALSE(st.bModemInitOK);
    EXPECT_EQ(modem.cancelCalls, 1);
    EXPECT_EQ(modem.sent, QStringList({"/dev/m ATE0V1S0=0"})) << "no retry after Cancel";
}

TEST_F(ModemFormsTest, CancelEndsTheResetCommand)
{
    modem.addPort("/dev/m", FakeModem::silent());
    modem.openPort("/dev/m", 9600, "RTS");
    ModalWatcher cancel("frmReseting", clickCancel, [&] { return !modem.sent.isEmpty(); });
    runResetModemForm(st, modem, modem, testenv::prompt(), &parent, quickForms());
    EXPECT_EQ(cancel.hits, 1);
    EXPECT_FALSE(st.bModemInitOK);
    EXPECT_EQ(testenv::prompt().count(), 0);
}

TEST_F(ModemFormsTest, CancelEndsTheSimSetUp)
{
    modem.addPort("/dev/m", FakeModem::silent());
    modem.openPort("/dev/m", 9600, "RTS");
    ModalWatcher cancel("frmDetectSIM", clickCancel, [&] { return !modem.sent.isEmpty(); });
    QStringList status;
    runDetectSimForm(st, modem, modem, testenv::prompt(), &parent, quickForms(), [&](const QString& t) { status << t; });
    EXPECT_EQ(cancel.hits, 1);
    EXPECT_FALSE(st.bSIMReady);
    EXPECT_EQ(status, QStringList({"Detecting SIM Card..."}));
    EXPECT_EQ(modem.sent, QStringList({"/dev/m AT+CGMI"}));
}

TEST_F(ModemFormsTest, CancelEndsTheScanAndShowsTheWarning)
{
    modem.addPort("/dev/a", FakeModem::silent());
    modem.addPort("/dev/b", FakeModem::silent());
    ModemFormOptions options = quickForms();
    options.ports = [] { return QStringList({"/dev/a", "/dev/b"}); };
    ModalWatcher cancel("frmDetectModem", clickCancel, [&] { return !modem.sent.isEmpty(); });
    runDetectModemForm(st, modem, modem, testenv::prompt(), &parent, options);
    EXPECT_EQ(cancel.hits, 1);
    EXPECT_EQ(modem.sent, QStringList({"/dev/a ATE0"}));
    EXPECT_TRUE(testenv::prompt().sawText("Unable to detect any modem."));
    EXPECT_TRUE(modem.openPath.isEmpty());
}

TEST_F(ModemFormsTest, CancelBeforeTheWorkBeginsClosesTheFormWithoutTouchingTheModem)
{
    modem.addPort("/dev/m", FakeModem::silent());
    ModemFormOptions options = quickForms();
    options.timing.initStartMs = 60000;
    ModalWatcher cancel("frmInitialiseModem", clickCancel);
    runInitialiseModemForm(st, modem, modem, testenv::prompt(), &parent, options);
    EXPECT_EQ(cancel.hits, 1);
    EXPECT_TRUE(modem.sent.isEmpty());
    EXPECT_TRUE(modem.openArgs.isEmpty());
    EXPECT_FALSE(st.bModemInitOK);
}

TEST_F(ModemFormsTest, TheScanShowsEachPortOnTheProgressBar)
{
    QList<int> seen;
    auto recordBar = [&](const QString&) {
        auto* bar = QApplication::activeModalWidget()->findChild<QProgressBar*>("prgProgress");
        seen << bar->value() << bar->maximum();
        return FakeModem::Answer{FakeModem::Error, {}};
    };
    modem.addPort("/dev/a", recordBar);
    modem.addPort("/dev/b", recordBar);
    ModemFormOptions options = quickForms();
    options.ports = [] { return QStringList({"/dev/a", "/dev/b"}); };
    runDetectModemForm(st, modem, modem, testenv::prompt(), &parent, options);
    EXPECT_EQ(seen, QList<int>({1, 2, 2, 2}));
}

TEST_F(ModemFormsTest, TheSimFormAsksForThePinInTheCodeDialog)
{
    FakeSim sim;
    sim.state = "SIM PIN";
    modem.addPort("/dev/m", [&](const QString& cmd) { return sim.answer(cmd); });
    modem.openPort("/dev/m", 9600, "RTS");
    QString caption, prompt;
    ModalWatcher enter("frmGetPin", [&](QWidget* w) {
        caption = w->windowTitle();
        prompt = w->findChild<QLabel*>("lblPrompt")->text();
        auto* edit = w->findChild<QLineEdit*>("txtPin");
        QTest::keyClicks(edit, "12x34");
        w->findChild<QPushButton*>("cmdOK")->click();
    });
    runDetectSimForm(st, modem, modem, testenv::prompt(), &parent, quickForms());
    EXPECT_EQ(enter.hits, 1);
    EXPECT_EQ(caption, "SIM Locked");
    EXPECT_EQ(prompt, "Enter PIN");
    EXPECT_TRUE(modem.sent.contains("/dev/m AT+CPIN=1234")) << "only digits reach the modem";
    EXPECT_TRUE(st.bSIMReady);
}

TEST_F(ModemFormsTest, CancelInTheCodeDialogEndsTheSimForm)
{
    FakeSim sim;
    sim.state = "SIM PIN";
    modem.addPort("/dev/m", [&](const QString& cmd) { return sim.answer(cmd); });
    modem.openPort("/dev/m", 9600, "RTS");
    ModalWatcher cancel("frmGetPin", clickCancel);
    runDetectSimForm(st, modem, modem, testenv::prompt(), &parent, quickForms());
    EXPECT_EQ(cancel.hits, 1);
    EXPECT_FALSE(st.bSIMReady);
    EXPECT_FALSE(st.bCancelled) << "Cancel ends with its form";
    EXPECT_FALSE(modem.sent.join('|').contains("AT+CPIN=")) << "no empty code is sent";
}

TEST(PinDialogTest, ABlankCodeIsRefusedAndThePukAlsoNeedsANewPin)
{
    testenv::prompt().reset();
    PinDialog dialog("PUK", testenv::prompt());
    dialog.show();
    ASSERT_NE(dialog.newPinEdit(), nullptr);
    dialog.okButton()->click();
    EXPECT_TRUE(dialog.isVisible());
    ASSERT_EQ(testenv::prompt().count(), 1);
    EXPECT_EQ(testenv::prompt().shown()[0].text, "PIN cannot be blank");
    EXPECT_EQ(testenv::prompt().shown()[0].title, "Warning");

    QTest::keyClicks(dialog.pinEdit(), "87654321");
    dialog.okButton()->click();
    EXPECT_TRUE(dialog.isVisible()) << "the new PIN is still blank";
    EXPECT_EQ(testenv::prompt().count(), 2);

    QTest::keyClicks(dialog.newPinEdit(), "4a3b21");
    dialog.okButton()->click();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.entry().code, "87654321");
    EXPECT_EQ(dialog.entry().newPin, "4321");

    PinDialog pin("PIN", testenv::prompt());
    EXPECT_EQ(pin.newPinEdit(), nullptr);
}

} // namespace
