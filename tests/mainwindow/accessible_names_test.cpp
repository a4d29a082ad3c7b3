// Every form of the program read as a screen reader reads it: each control
// that can take the focus has a name of its own (its label as buddy, or its
// caption), not nothing, not its value, and not the title of a frame it
// shares with other controls.
#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMap>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QProgressBar>
#include <QTest>
#include <QTreeWidgetItem>
#include <gtest/gtest.h>

#include "addressbook/ui/AddressDialog.h"
#include "addressbook/ui/AddressBookWiring.h"
#include "addressbook/ui/CheckListDialog.h"
#include "addressbook/ui/FileImportForm.h"
#include "addressbook/ui/GroupAddDialog.h"
#include "addressbook/ui/ImportLogForm.h"
#include "app/AppController.h"
#include "compose/ui/CannedForms.h"
#include "compose/ui/CannedWiring.h"
#include "compose/ui/ComposeWiring.h"
#include "compose/ui/InsertFieldDialog.h"
#include "compose/ui/OperatorForm.h"
#include "editor/ui/PaintForm.h"
#include "editor/ui/TextForm.h"
#include "folders/ui/FolderAddDialog.h"
#include "housekeeping/ui/SplashDialog.h"
#include "mainwindow/AboutBox.h"
#include "mainwindow/FolderTree.h"
#include "mainwindow/IconStore.h"
#include "mainwindow/LogWindow.h"
#include "mainwindow/MainWindow.h"
#include "media/MidiOut.h"
#include "media/ui/RingtonePlayer.h"
#include "modem/ui/ModemForms.h"
#include "reading/ui/MessageWindow.h"
#include "remote/ui/HttpSettingForms.h"
#include "remote/ui/RemoteSettingForms.h"
#include "security/ui/LoginDialog.h"
#include "settings/ui/SettingDialog.h"
#include "sim/ui/SimForms.h"
#include "support/ScriptedWindowServices.h"
#include "support/TestEnv.h"

namespace {

QString stripAmp(QString s) { return s.remove(QLatin1Char('&')); }

// What is wrong with the name a screen reader gives the control; empty
// when nothing is.
QString nameFault(QWidget* w)
{
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(w);
    if (!iface)
        return QStringLiteral("no accessible interface");
    QString name = iface->text(QAccessible::Name);
    // A combo box is read by its value; the reader names it by its own
    // name or by the label that points at it.
    if (iface->role() == QAccessible::ComboBox) {
        name = w->accessibleName();
        const auto labels = iface->relations(QAccessible::Label);
        if (name.isEmpty() && !labels.isEmpty())
            name = labels.first().first->text(QAccessible::Name);
    }
    if (name.trimmed().isEmpty())
        return QStringLiteral("no name");
    // A frame's title names a control only when it is the frame's one control.
    for (QWidget* p = w->parentWidget(); p && !p->isWindow(); p = p->parentWidget()) {
        auto* frame = qobject_cast<QGroupBox*>(p);
        if (!frame || stripAmp(frame->title()) != name)
            continue;
        int focusable = 0;
        for (QWidget* c : frame->findChildren<QWidget*>())
            if ((c->focusPolicy() & Qt::TabFocus) && !c->focusProxy())
                ++focusable;
        if (focusable > 1)
            return QStringLiteral("named by its frame \"%1\" only").arg(name);
    }
    return {};
}

// The controls on the Tab chain of a form that are named badly, as
// "objectName (class): fault". The pop-up lists of combo boxes are windows
// of their own, read when they open.
QStringList unnamedControls(QWidget* form)
{
    QStringList out;
    for (QWidget* w : form->findChildren<QWidget*>()) {
        if (!(w->focusPolicy() & Qt::TabFocus) || w->window() != form)
            continue;
        const QString fault = nameFault(w);
        if (!fault.isEmpty())
            out << QStringLiteral("%1 (%2): %3")
                       .arg(w->objectName().isEmpty() ? QStringLiteral("?") : w->objectName(),
                            QLatin1String(w->metaObject()->className()), fault);
    }
    return out;
}

struct AccessibleNames : ::testing::Test {
    testenv::FreshDb f;
    ScriptedPrompt& prompt = testenv::prompt();
    std::unique_ptr<AppController> app;
    std::unique_ptr<MainWindow> w;
    QStringList faults;

    void SetUp() override
    {
        prompt.reset();
        app = std::make_unique<AppController>(f.db(), nullptr, prompt, testenv::windows());
        w = std::make_unique<MainWindow>(*app);
        installAddressBook(*w, *app);
        w->populate();
    }
    void TearDown() override
    {
        w.reset();
        app->release();
    }
    // Checks the form and deletes it.
    void check(QWidget* form)
    {
        ASSERT_NE(form, nullptr);
        QPointer<QWidget> guard(form);
        for (const QString& fault : unnamedControls(form))
            faults << form->objectName() + ": " + fault;
        delete guard.data();
    }
};

} // namespace

TEST_F(AccessibleNames, EveryFocusableControlOfEveryFormHasANameOfItsOwn)
{
    // The main window with every page of its list pane.
    w->show();
    for (const QString& fault : unnamedControls(w.get()))
        faults << "frmMain: " + fault;

    // The send form as the program opens it, with every kind and recipient page.
    SendFormOpener* opener = installCompose(*w, *app, app->outbox());
    installCannedMessages(*w, *app);
    check(opener->newMessage());

    Database& db = f.db();
    EngineState& st = app->state();
    QString opCode;
    check(new AddressDialog(AddressDialog::Mode::Add, db, prompt, testenv::windows(), QString()));
    check(new AddressDialog(AddressDialog::Mode::Edit, db, prompt, testenv::windows(), QStringLiteral("+441")));
    check(new GroupAddDialog(db, prompt));
    check(new addrx::ImportLogForm(testenv::newDir() + "/import.log"));
    check(new addrx::FileImportForm(db, prompt, testenv::windows()));
    check(new CheckListDialog({QStringLiteral("frmPickAddress"), QStringLiteral("Address Book"),
                               {QStringLiteral("Name"), QStringLiteral("Number")}, QStringLiteral("Addresses"),
                               QStringLiteral("OK"), QStringLiteral("cmdOK")}));
    check(new editor::TextForm(72, 28));
    check(new editor::PaintForm(prompt, testenv::windows()));
    check(new MessageWindow(MessageWindowData{}));
    check(new ModemProgressDialog(nullptr, QStringLiteral("frmDetectModem"), QStringLiteral("Detect Modem"),
                                  QStringLiteral("Detecting Modem...")));
    check(new PinDialog(QStringLiteral("PIN"), prompt));
    check(new PinDialog(QStringLiteral("PUK"), prompt));
    check(new FolderAddDialog(NodeKind::Inbox, db, prompt));
    check(new LogWindow(QStringLiteral("AT\r\nOK\r\n")));
    check(new AboutBox);
    check(new InsertFieldDialog);
    check(new CannedMessageDialog(CannedMessageDialog::Mode::Add, db, prompt, testenv::windows()));
    check(new compose::OperatorForm(db, prompt, opCode));
    check(new SplashDialog([] { return true; }));
    check(new RingtonePlayerWindow(QString(), [] { return std::unique_ptr<media::MidiOut>(); }));
    check(new SimEntryDialog(SimEntryDialog::Mode::Add, st, prompt, SimEntry{}));
    check(new SimImportDialog(db, prompt, {SimEntry{1, QStringLiteral("Ann"), QStringLiteral("+441")}}));
    check(new SettingDialog(st, prompt));
    check(new SettingRetrievingDialog(st, prompt));
    check(new SettingAutoRespondDialog(db, st, prompt));
    check(new SettingGroupDialog(SettingGroupDialog::Kind::Forward, db, st, prompt));
    check(new SettingGroupDialog(SettingGroupDialog::Kind::GroupSend, db, st, prompt));
    check(new IpAddressDialog(IpAddressDialog::Mode::Add, db, prompt));
    check(new SettingHttpDialog(db, st, prompt, testenv::windows()));
    check(new LoginDialog(db, prompt, security::LoginMode::StartUp));
    check(new ChangePasswordDialog(db, prompt, security::UserPassword));

    EXPECT_TRUE(faults.isEmpty()) << faults.join(QLatin1Char('\n')).toStdString();
}

TEST_F(AccessibleNames, TheShortcutButtonsAreNamedButtonsAScreenReaderCanPress)
{
    w->show();
    const std::pair<IconStore::Shortcut, const char*> buttons[] = {{IconStore::Shortcut::Inbox, "Inbox"},
                                                                   {IconStore::Shortcut::Outbox, "Outbox"},
                                                                   {IconStore::Shortcut::SentItems, "Sent Items"},
                                                                   {IconStore::Shortcut::AddressBook, "Address Book"}};
    for (const auto& [which, caption] : buttons) {
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(w->shortcutButton(which));
        ASSERT_NE(iface, nullptr);
        EXPECT_EQ(iface->role(), QAccessible::Button) << caption;
        EXPECT_EQ(iface->text(QAccessible::Name), QLatin1String(caption));
        QAccessibleActionInterface* action = iface->actionInterface();
        ASSERT_NE(action, nullptr) << caption;
        ASSERT_TRUE(action->actionNames().contains(QAccessibleActionInterface::pressAction())) << caption;
        action->doAction(QAccessibleActionInterface::pressAction());
        EXPECT_EQ(w->folderTree()->currentItem()->text(0), QLatin1String(caption));
    }
    // From the keyboard: Tab reaches each, Space presses it.
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    for (const auto& [which, caption] : buttons) {
        QWidget* button = w->shortcutButton(which);
        EXPECT_TRUE(button->focusPolicy() & Qt::TabFocus) << caption;
        w->jumpToNode(which == IconStore::Shortcut::Inbox ? NodeKind::Outbox : NodeKind::Inbox);
        button->setFocus(Qt::TabFocusReason);
        ASSERT_TRUE(button->hasFocus()) << caption;
        QTest::keyClick(button, Qt::Key_Space);
        EXPECT_EQ(w->folderTree()->currentItem()->text(0), QLatin1String(caption));
    }

    // The logo opens the home page from the keyboard too; it and the
    // signal level are named.
    QWidget* logo = w->logoLabel();
    EXPECT_EQ(nameFault(logo), QString());
    EXPECT_TRUE(logo->focusPolicy() & Qt::TabFocus);
    logo->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(logo->hasFocus());
    testenv::windows().reset();
    QTest::keyClick(logo, Qt::Key_Space);
    QTest::keyClick(logo, Qt::Key_Return);
    ASSERT_EQ(testenv::windows().opened().size(), 2);
    EXPECT_EQ(testenv::windows().opened()[0], QUrl(QString::fromLatin1(MainWindow::kHomePageUrl)));
    QAccessibleInterface* signal = QAccessible::queryAccessibleInterface(w->signalBar());
    ASSERT_NE(signal, nullptr);
    EXPECT_EQ(signal->text(QAccessible::Name), "Signal level");
}

// Every entry of every menu of the main window, and every caption of the
// send form, has a mnemonic of its own in its menu or window.
TEST_F(AccessibleNames, MenusAndTheSendFormHaveMnemonicsThatDoNotClash)
{
    auto mnemonic = [](const QString& text) {
        const qsizetype at = QString(text).replace(QLatin1String("&&"), QLatin1String("__")).indexOf('&');
        return at >= 0 && at + 1 < text.size() ? text.at(at + 1).toUpper() : QChar();
    };
    std::function<void(QMenu*, const QString&)> walk = [&](QMenu* menu, const QString& path) {
        QMap<QChar, QString> taken;
        for (QAction* a : menu->actions()) {
            if (a->isSeparator())
                continue;
            const QString where = path + " > " + stripAmp(a->text());
            const QChar key = mnemonic(a->text());
            if (key.isNull())
                faults << where + ": no mnemonic";
            else if (taken.contains(key))
                faults << where + ": " + key + " also " + taken.value(key);
            else
                taken.insert(key, where);
            if (a->menu())
                walk(a->menu(), where);
        }
    };
    for (QAction* top : w->menuBar()->actions())
        if (top->menu())
            walk(top->menu(), stripAmp(top->text()));

    SendFormOpener* opener = installCompose(*w, *app, app->outbox());
    std::unique_ptr<QWidget> form(opener->newMessage());
    ASSERT_NE(form, nullptr);
    QMap<QChar, QString> taken;
    for (QWidget* c : form->findChildren<QWidget*>()) {
        QString text;
        if (auto* b = qobject_cast<QAbstractButton*>(c))
            text = b->text();
        else if (auto* l = qobject_cast<QLabel*>(c))
            text = l->text();
        else if (auto* g = qobject_cast<QGroupBox*>(c))
            text = g->title();
        const QChar key = mnemonic(text);
        if (key.isNull())
            continue;
        if (taken.contains(key))
            faults << "frmSendSMS: " + stripAmp(text) + ": " + key + " also " + taken.value(key);
        taken.insert(key, stripAmp(text));
    }
    for (const char* name : {"cmdSend", "cmdCancel"}) {
        auto* b = form->findChild<QAbstractButton*>(name);
        ASSERT_NE(b, nullptr) << name;
        if (mnemonic(b->text()).isNull())
            faults << QStringLiteral("frmSendSMS: %1 has no mnemonic").arg(name);
    }
    EXPECT_EQ(stripAmp(form->findChild<QAbstractButton*>("cmdSend")->text()), "Send");
    EXPECT_EQ(stripAmp(form->findChild<QAbstractButton*>("cmdCancel")->text()), "Exit");
    EXPECT_TRUE(faults.isEmpty()) << faults.join(QLatin1Char('\n')).toStdString();
}
