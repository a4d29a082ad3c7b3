// The remote services' setting forms, offscreen: what each saves, what it
// refuses, and the allow-list editor's changes to tbipallowed.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTextCursor>
#include <QTreeWidget>

#include "base/Database.h"
#include "base/Settings.h"
#include "mainwindow/SettingsMenu.h"
#include "base/EngineState.h"
#include "engine/OutboxQueue.h"
#include "remote/QtPrint.h"
#include "remote/RemoteServices.h"
#include "remote/ui/HttpSettingForms.h"
#include "remote/ui/RemoteSettingForms.h"
#include "support/ScriptedWindowServices.h"
#include "support/TestEnv.h"

namespace {

class RemoteFormsTest : public ::testing::Test {
protected:
    testenv::FreshDb fresh;
    Database& db = fresh.db();
    EngineState st;
    QWidget main;

    void SetUp() override
    {
        testenv::prompt().reset();
        Settings::clear();
    }
    ScriptedPrompt& prompt() { return testenv::prompt(); }
    QStringList texts()
    {
        QStringList out;
        for (const auto& s : prompt().shown())
            out << s.title + ": " + s.text;
        return out;
    }
    int column(const QString& sql) { return db.query(sql).value(0, 0).toInt(); }
};

template <class T>
T* opened(QWidget* w)
{
    T* dialog = qobject_cast<T*>(w);
    EXPECT_NE(dialog, nullptr);
    return dialog;
}

// Types characters that a keyboard layout may produce but QTest cannot
// name as keys.
void typeText(QWidget* w, const QString& text)
{
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(w, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(w, &release);
    }
}

void pick(QComboBox* combo, const QString& text)
{
    const int i = combo->findText(text);
    ASSERT_GE(i, 0) << text.toStdString();
    combo->setCurrentIndex(i);
}

} // namespace

TEST_F(RemoteFormsTest, RemoteRetrievingSavesTheTrimmedNumber)
{
    st.sRemotePhoneNo = "+447700900001";
    auto* d = opened<SettingRetrievingDialog>(
        SettingsMenu::openRemoteRetrievingSettings(&main, db, st, prompt(), testenv::windows()));
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->windowTitle(), "Remote Retrieving Setting");
    EXPECT_EQ(d->txtSettingRemotePN->text(), "+447700900001");
    d->txtSettingRemotePN->clear();
    QTest::keyClicks(d->txtSettingRemotePN, "  +44 7700 900123 4567 8901");
    EXPECT_EQ(d->txtSettingRemotePN->text().size(), 20);
    d->txtSettingRemotePN->setText("  +44 7700 900123  ");
    QTest::mouseClick(d->cmdOK, Qt::LeftButton);
    EXPECT_EQ(d->result(), QDialog::Accepted);
    EXPECT_EQ(Settings::remotePhoneNo(), "+44 7700 900123");
    EXPECT_EQ(st.sRemotePhoneNo, "+44 7700 900123");

    // Cancel changes nothing.
    auto* again = opened<SettingRetrievingDialog>(
        SettingsMenu::openRemoteRetrievingSettings(&main, db, st, prompt(), testenv::windows()));
    again->txtSettingRemotePN->setText("999");
    QTest::mouseClick(again->cmdCancel, Qt::LeftButton);
    EXPECT_EQ(Settings::remotePhoneNo(), "+44 7700 900123");
    EXPECT_EQ(st.sRemotePhoneNo, "+44 7700 900123");
    EXPECT_EQ(prompt().count(), 0);
}

TEST_F(RemoteFormsTest, AutoRespondRefusesABlankTextAndAnswersOnlyNewMessages)
{
    // Two messages stored while the service was off.
    for (int code : {1, 2})
        db.exec("INSERT INTO tbinqueue(msgcode,msgfrom,msgcontent,msgtype,msgreqtype) VALUES(?,?,'C8',1,0)",
                {code, QStringLiteral("+44770090000%1").arg(code)});
    auto* d = opened<SettingAutoRespondDialog>(
        SettingsMenu::openAutoRespondSettings(&main, db, st, prompt(), testenv::windows()));
    ASSERT_NE(d, nullptr);
    d->show();
    d->chkSettingAutRsp->setChecked(true);
    d->txtSettingAutRspTxt->setPlainText("   ");
    QTest::mouseClick(d->cmdOK, Qt::LeftButton);
    EXPECT_EQ(texts(), QStringList({"Warning: Auto-respond message cannot be blank."}));
    EXPECT_TRUE(d->isVisible());
    EXPECT_FALSE(Settings::contains("SettingAutRsp"));

    d->txtSettingAutRspTxt->setPlainText("  Back on Monday  ");
    QTest::mouseClick(d->cmdOK, Qt::LeftButton);
    EXPECT_EQ(d->result(), QDialog::Accepted);
    EXPECT_EQ(Settings::autoRespond(), 1);
    EXPECT_EQ(Settings::autoRespondText(), "Back on Monday");
    EXPECT_EQ(st.iAutoRespond, 1);
    EXPECT_EQ(st.sAutoRespondText, "Back on Monday");
    EXPECT_EQ(column("SELECT COUNT(*) FROM tbinqueue WHERE msgresponded=0"), 0);

    // The service answers the message that arrives now, not the two before.
    db.exec("INSERT INTO tbinqueue(msgcode,msgfrom,msgcontent,msgtype,msgreqtype) VALUES(3,'+447700900003','C8',1,0)");
    OutboxQueue queue(db, prompt(), st);
    RemoteServices services(db, queue, st, prompt());
    services.ProcessAutoRespond();
    EXPECT_EQ(column("SELECT COUNT(*) FROM tboutqueue"), 1);
    EXPECT_EQ(db.query("SELECT msgno FROM tboutqueue").value(0, 0).toString(), "+447700900003");
}

TEST_F(RemoteFormsTest, AutoRespondChangesNothingWhenTheMessagesCannotBeMarked)
{
    db.exec("INSERT INTO tbinqueue(msgcode,msgfrom,msgcontent,msgtype,msgreqtype) VALUES(1,'+447700900001','C8',1,0)");
    ASSERT_TRUE(db.exec("CREATE TRIGGER nomark BEFORE UPDATE ON tbinqueue BEGIN SELECT RAISE(ABORT,'busy'); END"));
    auto* d = opened<SettingAutoRespondDialog>(
        SettingsMenu::openAutoRespondSettings(&main, db, st, prompt(), testenv::windows()));
    d->show();
    d->chkSettingAutRsp->setChecked(true);
    d->txtSettingAutRspTxt->setPlainText("Thanks");
    QTest::mouseClick(d->cmdOK, Qt::LeftButton);
    EXPECT_EQ(texts(), QStringList({"Database Error: Unable to update messages."}));
    EXPECT_TRUE(d->isVisible());
    EXPECT_FALSE(Settings::contains("SettingAutRsp"));
    EXPECT_EQ(st.iAutoRespond, 0);
}

TEST_F(RemoteFormsTest, AutoRespondTextIsOneSendableMessage)
{
    auto* d = opened<SettingAutoRespondDialog>(
        SettingsMenu::openAutoRespondSettings(&main, db, st, prompt(), testenv::windows()));
    typeText(d->txtSettingAutRspTxt, QString::fromUtf8("Caf\u00E9 \u4E2D ok"));
    // The character without a GSM form is not taken.
    EXPECT_EQ(d->txtSettingAutRspTxt->toPlainText(), QString::fromUtf8("Caf\u00E9  ok"));
    d->txtSettingAutRspTxt->setPlainText(QString(150, 'a'));
    d->txtSettingAutRspTxt->moveCursor(QTextCursor::End);
    QTest::keyClicks(d->txtSettingAutRspTxt, "{}[]xyz");
    // Each bracket takes two septets: 150 + 8 = 158, then "x" and "y" fill
    // the 160 and "z" is not taken.
    EXPECT_EQ(d->txtSettingAutRspTxt->toPlainText(), QString(150, 'a') + "{}[]xy");
}

TEST_F(RemoteFormsTest, GroupDialogsOfferNoneAndTheGroups)
{
    for (const char* g : {"Sales", "Staff"})
        db.exec("INSERT INTO tbgrps(grpnam) VALUES(?)", {QString::fromLatin1(g)});
    st.sGroupSendGroup = "Deleted Group";
    st.sAutoFwdGroup = "staff";

    auto* send = opened<SettingGroupDialog>(
        SettingsMenu::openRemoteSendingSettings(&main, db, st, prompt(), testenv::windows()));
    ASSERT_NE(send, nullptr);
    EXPECT_EQ(send->objectName(), "frmSettingGrpSnd");
    EXPECT_EQ(send->windowTitle(), "Remote Sending");
    QStringList items;
    for (int i = 0; i < send->cboGroup->count(); ++i)
        items << send->cboGroup->itemText(i);
    EXPECT_EQ(items, QStringList({"None", "Sales", "Staff"}));
    EXPECT_EQ(send->cboGroup->currentText(), "None");
    pick(send->cboGroup, "Sales");
    QTest::mouseClick(send->cmdOK, Qt::LeftButton);
    EXPECT_EQ(Settings::groupSendGroup(), "Sales");
    EXPECT_EQ(st.sGroupSendGroup, "Sales");

    auto* forward = opened<SettingGroupDialog>(
        SettingsMenu::openAutoForwardSettings(&main, db, st, prompt(), testenv::windows()));
    EXPECT_EQ(forward->objectName(), "frmSettingForward");
    EXPECT_EQ(forward->windowTitle(), "Auto-forward");
    EXPECT_EQ(forward->cboGroup->currentText(), "Staff");
    pick(forward->cboGroup, "None");
    QTest::mouseClick(forward->cmdOK, Qt::LeftButton);
    EXPECT_EQ(Settings::autoForwardGroup(), "None");
    EXPECT_EQ(st.sAutoFwdGroup, "None");
    EXPECT_EQ(prompt().count(), 0);
}

// ------------------------------------------------------------------ HTTP

namespace {

class HttpFormTest : public RemoteFormsTest {
protected:
    QPointer<SettingHttpDialog> d;
    // What the next address dialog gets typed (keys to the focused box) and
    // whether it was accepted.
    QString typing;
    QList<int> results;

    void SetUp() override
    {
        RemoteFormsTest::SetUp();
        db.exec("INSERT INTO tbipallowed VALUES(10,0,0,0,0)");
        db.exec("INSERT INTO tbipallowed VALUES(192,168,1,10,20)");
        d = opened<SettingHttpDialog>(SettingsMenu::openHttpSettings(&main, db, st, prompt(), testenv::windows()));
        ASSERT_NE(d, nullptr);
        testenv::windows().setModalRunner([this](QDialog& dialog) {
            auto& a = static_cast<IpAddressDialog&>(dialog);
            a.show();
            QApplication::setActiveWindow(&a);
            a.txtIP[0]->setFocus();
            for (const QChar c : typing) {
                if (c == '>')
                    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
                else
                    QTest::keyClicks(QApplication::focusWidget(), QString(c));
            }
            QTest::mouseClick(a.cmdOK, Qt::LeftButton);
            results << a.result();
            return a.result();
        });
    }
    QStringList rows()
    {
        QStringList out;
        for (int i = 0; i < d->lsvList->topLevelItemCount(); ++i) {
            QString row;
            for (int c = 0; c < 5; ++c)
                row += d->lsvList->topLevelItem(i)->text(c);
            out << row;
        }
        return out;
    }
    QStringList table()
    {
        const Recordset rs = db.query("SELECT IP11,IP21,IP31,IP41,IP42 FROM tbipallowed ORDER BY 1,2,3,4,5");
        QStringList out;
        for (const auto& r : rs.rows())
            out << QStringLiteral("%1.%2.%3.%4-%5").arg(r[0].toInt()).arg(r[1].toInt()).arg(r[2].toInt())
                                                     .arg(r[3].toInt()).arg(r[4].toInt());
        return out;
    }
};

} // namespace

TEST_F(HttpFormTest, ThePortIsAnIntegerAndTakesEffectAtTheNextStart)
{
    EXPECT_EQ(d->txtSettingHTTPPort->text(), "8010");
    EXPECT_FALSE(d->chkSettingStartHTTP->isChecked());
    EXPECT_EQ(rows(), QStringList({" 10.0.0.0", " 192.168.1.10-20"}));
    EXPECT_FALSE(d->lblIPAddress->text().startsWith("127."));

    d->txtSettingHTTPPort->clear();
    QTest::keyClicks(d->txtSettingHTTPPort, "8a0-8.0e1");
    EXPECT_EQ(d->txtSettingHTTPPort->text(), "80801");

    d->show();
    for (const char* bad : {"0", "70000", "65536"}) {
        prompt().reset();
        d->txtSettingHTTPPort->setText(QString::fromLatin1(bad));
        QTest::mouseClick(d->cmdOK, Qt::LeftButton);
        EXPECT_EQ(texts(), QStringList({"Warning: Invalid HTTP Port Number."})) << bad;
        EXPECT_TRUE(d->isVisible());
    }
    prompt().reset();
    d->chkSettingStartHTTP->setChecked(true);
    d->txtSettingHTTPPort->clear();
    QTest::mouseClick(d->cmdOK, Qt::LeftButton);
    EXPECT_EQ(texts(), QStringList({"Warning: Invalid HTTP Port Number."}));
    EXPECT_FALSE(Settings::contains("SettingHTTPPort"));

    // Off and empty stores the default port.
    prompt().reset();
    d->chkSettingStartHTTP->setChecked(false);
    QTest::mouseClick(d->cmdOK, Qt::LeftButton);
    EXPECT_EQ(texts(), QStringList({"Note: Please restart program to apply changes."}));
    EXPECT_EQ(Settings::text("SettingHTTPPort"), "8010");
    EXPECT_EQ(Settings::startHttp(), 0);

    auto* again = opened<SettingHttpDialog>(
        SettingsMenu::openHttpSettings(&main, db, st, prompt(), testenv::windows()));
    again->txtSettingHTTPPort->setText("65535");
    again->chkSettingStartHTTP->setChecked(true);
    QTest::mouseClick(again->cmdOK, Qt::LeftButton);
    EXPECT_EQ(Settings::httpPort(), 65535);
    EXPECT_EQ(Settings::startHttp(), 1);
    EXPECT_EQ(st.iHTTPPort, 65535);
    EXPECT_EQ(st.iStartHTTP, 1);
}

TEST_F(HttpFormTest, AddingAnAddressTypedWithItsDots)
{
    typing = "10.255.3.4";
    QTest::mouseClick(d->cmdAdd, Qt::LeftButton);
    EXPECT_EQ(results, QList<int>({QDialog::Accepted}));
    EXPECT_EQ(rows(), QStringList({" 10.0.0.0", " 192.168.1.10-20", " 10.255.3.4"}));
    EXPECT_EQ(table(), QStringList({"10.0.0.0-0", "10.255.3.4-0", "192.168.1.10-20"}));

    // The dot and any letter are not typed; the range end goes last.
    typing = "172.16x.0.5>9";
    QTest::keyClick(d->lsvList, Qt::Key_Insert);
    EXPECT_EQ(rows().last(), " 172.16.0.5-9");

    const std::pair<const char*, const char*> refused[] = {
        {"10.255.3.4", "Warning: Duplicate IP Address"},
        {"10.256.3.4", "Warning: Invalid IP Address"},
        {"10.1.1.9>5", "Warning: Invalid IP Address Range"},
        {"10.1.1.0>5", "Warning: Invalid IP Address Range"},
    };
    for (const auto& [typed, text] : refused) {
        prompt().reset();
        typing = QString::fromLatin1(typed);
        QTest::mouseClick(d->cmdAdd, Qt::LeftButton);
        EXPECT_EQ(results.last(), QDialog::Rejected) << typed;
        EXPECT_EQ(texts(), QStringList({QString::fromLatin1(text)})) << typed;
    }
    EXPECT_EQ(table().size(), 4);
}

TEST_F(HttpFormTest, ChangingARow)
{
    d->lsvList->setCurrentItem(d->lsvList->topLevelItem(1));
    // The boxes show the row; selecting a box's text and typing replaces it.
    typing = "192.168.1.10>30";
    QTest::mouseClick(d->cmdChange, Qt::LeftButton);
    EXPECT_EQ(results.last(), QDialog::Accepted);
    EXPECT_EQ(rows(), QStringList({" 10.0.0.0", " 192.168.1.10-30"}));
    EXPECT_EQ(table(), QStringList({"10.0.0.0-0", "192.168.1.10-30"}));

    // Unchanged values are a duplicate; a start above the end is refused.
    prompt().reset();
    typing = "192.168.1.10>30";
    QTest::mouseClick(d->cmdChange, Qt::LeftButton);
    EXPECT_EQ(texts(), QStringList({"Warning: Duplicate IP Address"}));
    prompt().reset();
    typing = "192.168.1.40>30";
    QTest::mouseClick(d->cmdChange, Qt::LeftButton);
    EXPECT_EQ(texts(), QStringList({"Warning: Invalid IP Address"}));
    EXPECT_EQ(table(), QStringList({"10.0.0.0-0", "192.168.1.10-30"}));
}

TEST_F(HttpFormTest, DeletingRowsOnlyOnceTheTableHasLostThem)
{
    db.exec("INSERT INTO tbipallowed VALUES(172,16,0,0,0)");
    d->reloadList();
    d->lsvList->topLevelItem(0)->setSelected(true);
    d->lsvList->topLevelItem(2)->setSelected(true);

    prompt().queue(UserPrompt::Answer::No);
    QTest::mouseClick(d->cmdDelete, Qt::LeftButton);
    EXPECT_EQ(rows().size(), 3);

    // One of the two deletes fails: neither row goes, from the table or the list.
    ASSERT_TRUE(db.exec("CREATE TRIGGER keep BEFORE DELETE ON tbipallowed WHEN old.IP11=192 "
                        "BEGIN SELECT RAISE(ABORT,'busy'); END"));
    prompt().reset();
    QTest::keyClick(d->lsvList, Qt::Key_Delete);
    EXPECT_EQ(texts(), QStringList({"Confirm Delete...: Confirm delete selected items?",
                                    "Database Error: Unable to delete record"}));
    EXPECT_EQ(rows(), QStringList({" 10.0.0.0", " 172.16.0.0", " 192.168.1.10-20"}));
    EXPECT_EQ(table().size(), 3);

    db.exec("DROP TRIGGER keep");
    d->lsvList->topLevelItem(0)->setSelected(true);
    d->lsvList->topLevelItem(2)->setSelected(true);
    QTest::mouseClick(d->cmdDelete, Qt::LeftButton);
    EXPECT_EQ(rows(), QStringList({" 172.16.0.0"}));
    EXPECT_EQ(table(), QStringList({"172.16.0.0-0"}));
}

TEST_F(RemoteFormsTest, EveryControlHasAnAccessibleName)
{
    std::vector<QWidget*> forms = {
        SettingsMenu::openRemoteRetrievingSettings(&main, db, st, prompt(), testenv::windows()),
        SettingsMenu::openAutoRespondSettings(&main, db, st, prompt(), testenv::windows()),
        SettingsMenu::openRemoteSendingSettings(&main, db, st, prompt(), testenv::windows()),
        SettingsMenu::openHttpSettings(&main, db, st, prompt(), testenv::windows()),
        new IpAddressDialog(IpAddressDialog::Mode::Add, db, prompt(), {}, &main),
    };
    for (QWidget* form : forms) {
        ASSERT_NE(form, nullptr);
        int checked = 0;
        for (QWidget* w : form->findChildren<QWidget*>()) {
            const QString name = w->objectName();
            if (!name.startsWith(QLatin1String("txt")) && !name.startsWith(QLatin1String("cbo")) &&
                !name.startsWith(QLatin1String("lsv")))
                continue;
            ++checked;
            EXPECT_FALSE(w->accessibleName().isEmpty()) << name.toStdString();
        }
        EXPECT_GT(checked, 0) << form->objectName().toStdString();
    }
}
