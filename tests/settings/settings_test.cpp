// The settings store and the Options dialog, offscreen.
#include <gtest/gtest.h>

#include "mainwindow/SettingsMenu.h"
#include "base/EngineState.h"
#include "settings/ui/SettingDialog.h"
#include "base/Settings.h"
#include "support/ScriptedWindowServices.h"
#include "support/TestEnv.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>

namespace {

// Closed dialogs delete themselves later; the test code runs outside the
// event loop that would do it.
bool goneAfterDeferredDeletes(const QPointer<SettingDialog>& d)
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return d.isNull();
}

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Settings::clear();
        testenv::prompt().reset();
        main.resize(800, 600);
        main.show();
    }
    void TearDown() override
    {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == QLatin1String("frmSetting"))
                delete w;
    }

    SettingDialog* open()
    {
        auto* d = qobject_cast<SettingDialog*>(
            SettingsMenu::openSettingDialog(&main, fresh.db(), st, testenv::prompt(), testenv::windows()));
        EXPECT_NE(d, nullptr);
        return d;
    }

    // Picks an entry the way a user does: open the list, move, confirm.
    static void pick(QComboBox* combo, const QString& text)
    {
        const int target = combo->findText(text);
        ASSERT_GE(target, 0);
        combo->showPopup();
        QAbstractItemView* view = combo->view();
        ASSERT_TRUE(testenv::waitUntil([view] { return view->isVisible(); }, 20000));
        view->setCurrentIndex(combo->model()->index(target, 0));
        QTest::keyClick(view, Qt::Key_Return);
        ASSERT_EQ(combo->currentText(), text);
    }

    testenv::FreshDb fresh;
    QWidget main;
    EngineState st;
};

} // namespace

TEST_F(SettingsTest, FreshStoreReadsTheDefaults)
{
    EXPECT_EQ(Settings::comPort(), QStringLiteral("/dev/ttyS0"));
    EXPECT_EQ(Settings::baudRate(), 9600);
    EXPECT_EQ(Settings::handshake(), QStringLiteral("RTS"));
    EXPECT_EQ(Settings::areaCode(), QString());
    EXPECT_EQ(Settings::inboxDays(), 0);
    EXPECT_EQ(Settings::sentItemsDays(), 0);
    EXPECT_EQ(Settings::audible(), 1);
    EXPECT_EQ(Settings::haveModem(), 0);
    EXPECT_EQ(Settings::opCode(), QString());
    EXPECT_EQ(Settings::startHttp(), 0);
    EXPECT_EQ(Settings::httpPort(), 8010);
    EXPECT_EQ(Settings::autoRespond(), 0);
    EXPECT_EQ(Settings::autoRespondText(), QString());
    EXPECT_EQ(Settings::remotePhoneNo(), QString());
    EXPECT_EQ(Settings::autoForwardGroup(), QStringLiteral("None"));
    EXPECT_EQ(Settings::groupSendGroup(), QStringLiteral("None"));
    EXPECT_EQ(Settings::appPath(), QString());

    SettingDialog* d = open();
    EXPECT_EQ(d->windowTitle(), QStringLiteral("Velquarin 1.2 - Setting"));
    EXPECT_EQ(d->cboSettingCOMPort->currentText(), QStringLiteral("/dev/ttyS0"));
    EXPECT_EQ(d->cboSettingBaudRate->currentText(), QStringLiteral("9600"));
    EXPECT_EQ(d->cboSettingHandshake->currentText(), QStringLiteral("RTS"));
    EXPECT_EQ(d->txtAreaCode->text(), QString());
    EXPECT_EQ(d->txtInbox->text(), QStringLiteral("0"));
    EXPECT_EQ(d->txtSentItems->text(), QStringLiteral("0"));
    EXPECT_TRUE(d->chkAudible->isChecked());
    EXPECT_EQ(d->txtInbox->maxLength(), 2);
    EXPECT_EQ(d->cboSettingBaudRate->count(), 6);
    EXPECT_EQ(d->cboSettingHandshake->count(), 4);
    EXPECT_TRUE(d->isVisible());
    EXPECT_EQ(d->parentWidget(), &main);
}

TEST_F(SettingsTest, ValuesThatDoNotParseReadAsDefaults)
{
    Settings::save(QStringLiteral("SettingInbox"), QStringLiteral("ten"));
    Settings::save(QStringLiteral("SettingHTTPPort"), QStringLiteral("80x"));
    Settings::save(QStringLiteral("SettingAudible"), QString());
    Settings::save(QStringLiteral("SettingHaveModem"), QStringLiteral("yes"));
    Settings::save(QStringLiteral("SettingBaudRate"), QStringLiteral("fast"));
    Settings::save(QStringLiteral("SettingHandshake"), QStringLiteral("CTS"));
    EXPECT_EQ(Settings::inboxDays(), 0);
    EXPECT_EQ(Settings::httpPort(), 8010);
    EXPECT_EQ(Settings::audible(), 1);
    EXPECT_EQ(Settings::haveModem(), 0);
    EXPECT_EQ(Settings::baudRate(), 9600);
    EXPECT_EQ(Settings::handshake(), QStringLiteral("RTS"));

    Settings::save(QStringLiteral("SettingSentItems"), QStringLiteral(" 7 "));
    EXPECT_EQ(Settings::sentItemsDays(), 7);
}

TEST_F(SettingsTest, PortIsADevicePathAndAnOldNumberMapsToOne)
{
    Settings::save(QStringLiteral("SettingComPort"), QStringLiteral("3"));
    EXPECT_EQ(Settings::comPort(), QStringLiteral("/dev/ttyS2"));
    Settings::save(QStringLiteral("SettingComPort"), QStringLiteral("COM2"));
    EXPECT_EQ(Settings::comPort(), QStringLiteral("/dev/ttyS1"));

    // A path the system does not list (a pseudo-terminal) is still offered.
    Settings::save(QStringLiteral("SettingComPort"), QStringLiteral("/tmp/velquarin-modem0"));
    EXPECT_EQ(Settings::comPort(), QStringLiteral("/tmp/velquarin-modem0"));
    SettingDialog* d = open();
    EXPECT_EQ(d->cboSettingCOMPort->currentText(), QStringLiteral("/tmp/velquarin-modem0"));
}

TEST_F(SettingsTest, ChangingTheBaudRateAsksForAModemStart)
{
    QPointer<SettingDialog> d = open();
    pick(d->cboSettingBaudRate, QStringLiteral("19200"));
    QTest::mouseClick(d->cmdSave, Qt::LeftButton);
    EXPECT_TRUE(st.bInitModemRequest);
    EXPECT_EQ(Settings::baudRate(), 19200);
    EXPECT_EQ(Settings::text(QStringLiteral("SettingComPort")), QStringLiteral("/dev/ttyS0"));
    EXPECT_TRUE(goneAfterDeferredDeletes(d)); // closed and gone
}

TEST_F(SettingsTest, ChangingOnlyTheDaysDoesNotRestartTheModem)
{
    SettingDialog* d = open();
    d->txtInbox->clear();
    QTest::keyClicks(d->txtInbox, QStringLiteral("14"));
    d->txtSentItems->setText(QStringLiteral(" 30 "));
    d->txtAreaCode->setText(QStringLiteral(" 021 "));
    d->chkAudible->setChecked(false);
    st.iAudibleAlert = 1;
    QTest::mouseClick(d->cmdSave, Qt::LeftButton);
    EXPECT_FALSE(st.bInitModemRequest);
    EXPECT_EQ(Settings::inboxDays(), 14);
    EXPECT_EQ(Settings::text(QStringLiteral("SettingSentItems")), QStringLiteral("30"));
    EXPECT_EQ(Settings::text(QStringLiteral("SettingAreaCode")), QStringLiteral("021"));
    EXPECT_EQ(Settings::text(QStringLiteral("SettingAudible")), QStringLiteral("0"));
    EXPECT_EQ(st.iAudibleAlert, 0); // at once
}

TEST_F(SettingsTest, DayFieldsTakeDigitsOnlyAndListsTakeNoTyping)
{
    SettingDialog* d = open();
    d->txtSentItems->setText(QStringLiteral("5"));
    d->txtSentItems->setFocus();
    QTest::keyClicks(d->txtSentItems, QStringLiteral("a"));
    EXPECT_EQ(d->txtSentItems->text(), QStringLiteral("5"));
    ASSERT_EQ(testenv::prompt().count(), 1);
    EXPECT_EQ(testenv::prompt().shown().at(0).title, QStringLiteral("Warning"));
    EXPECT_EQ(testenv::prompt().shown().at(0).text, QStringLiteral("Only numbers allowed"));
    EXPECT_EQ(testenv::prompt().shown().at(0).icon, UserPrompt::Icon::Warning);
    QTest::keyClick(d->txtSentItems, Qt::Key_Backspace);
    QTest::keyClicks(d->txtSentItems, QStringLiteral("12"));
    EXPECT_EQ(d->txtSentItems->text(), QStringLiteral("12"));
    EXPECT_EQ(testenv::prompt().count(), 1);

    d->txtInbox->clear();
    QTest::keyClicks(d->txtInbox, QStringLiteral("123"));
    EXPECT_EQ(d->txtInbox->text(), QStringLiteral("12"));

    // Typing into the lists, arrows and the wheel change nothing.
    QTest::keyClicks(d->cboSettingBaudRate, QStringLiteral("4"));
    QTest::keyClick(d->cboSettingBaudRate, Qt::Key_Down);
    QTest::keyClick(d->cboSettingHandshake, Qt::Key_N);
    EXPECT_EQ(d->cboSettingBaudRate->currentText(), QStringLiteral("9600"));
    EXPECT_EQ(d->cboSettingHandshake->currentText(), QStringLiteral("RTS"));
    EXPECT_FALSE(d->modemSettingsChanged());
}

TEST_F(SettingsTest, CancelSavesNothingAndReopeningGivesAFreshCopy)
{
    QPointer<SettingDialog> first = open();
    pick(first->cboSettingHandshake, QStringLiteral("None"));
    QPointer<SettingDialog> second = open();
    EXPECT_TRUE(goneAfterDeferredDeletes(first));
    ASSERT_FALSE(second.isNull());
    EXPECT_EQ(second->cboSettingHandshake->currentText(), QStringLiteral("RTS"));
    EXPECT_FALSE(second->modemSettingsChanged());

    pick(second->cboSettingHandshake, QStringLiteral("XonXoff"));
    QTest::mouseClick(second->cmdCancel, Qt::LeftButton);
    EXPECT_FALSE(st.bInitModemRequest);
    EXPECT_FALSE(Settings::contains(QStringLiteral("SettingHandshake")));
    EXPECT_TRUE(goneAfterDeferredDeletes(second));
}

TEST(SettingsMenu, EveryEntryOpensItsDialog)
{
    testenv::FreshDb fresh;
    testenv::prompt().reset();
    QWidget main;
    EngineState st;
    const auto entries = SettingsMenu::entries();
    const QStringList dialogs = {"frmSettingRetrieving", "frmSettingForward", "frmSettingAutoRespond",
                                 "frmSettingHTTP",       "frmSetting",        "frmSettingGrpSnd"};
    ASSERT_EQ(entries.size(), dialogs.size());
    for (int i = 0; i < entries.size(); ++i) {
        EXPECT_TRUE(entries[i].available) << entries[i].caption.toStdString();
        QWidget* w = entries[i].open(&main, fresh.db(), st, testenv::prompt(), testenv::windows());
        ASSERT_NE(w, nullptr) << entries[i].caption.toStdString();
        EXPECT_EQ(w->objectName(), dialogs[i]);
        delete w;
    }
    EXPECT_EQ(testenv::prompt().count(), 0);
}
