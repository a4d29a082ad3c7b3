// What the main window does around its panes: the menu bar and its
// commands, hiding into the tray and coming back (with the password), the
// new-message alert and the status light, and the shipped help and manual.
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QMap>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTextDocument>
#include <QTreeWidgetItem>
#include <QUrl>
#include <gtest/gtest.h>

#include "app/AppController.h"
#include "base/AppPaths.h"
#include "base/Database.h"
#include "base/Sound.h"
#include "base/UserPrompt.h"
#include "controls/QtWindowServices.h"
#include "mainwindow/FolderTree.h"
#include "mainwindow/HelpFiles.h"
#include "mainwindow/IconStore.h"
#include "mainwindow/MainWindow.h"
#include "mainwindow/StatusLight.h"
#include "mainwindow/TrayController.h"
#include "security/ui/LoginDialog.h"
#include "security/ui/LoginWiring.h"
#include "support/ScriptedWindowServices.h"
#include "support/TestEnv.h"

namespace {

class FakeTray : public TrayIcon {
public:
    bool available = true;
    bool appears = true; // the icon is visible once shown
    bool visible = false;
    QString tip;
    QIcon icon;
    int iconChanges = 0;
    bool isAvailable() const override { return available; }
    void show() override { visible = appears; }
    void hide() override { visible = false; }
    bool isVisible() const override { return visible; }
    void setToolTip(const QString& t) override { tip = t; }
    QString toolTip() const override { return tip; }
    void setIcon(const QIcon& i) override
    {
        icon = i;
        ++iconChanges;
    }
    void doubleClick() { emit restoreClicked(); }
};

class CountingSound : public SoundPlayer {
public:
    int beeps = 0;
    bool playWave(const QString&) override { return false; }
    void beep() override { ++beeps; }
};

QImage picture(const QIcon& icon) { return icon.pixmap(16, 16).toImage(); }
QImage picture(const char* name) { return picture(IconStore::statusIcon(QLatin1String(name))); }

QStringList captions(const QMenu* menu)
{
    QStringList out;
    for (QAction* a : menu->actions())
        if (!a->isSeparator())
            out << a->text() + "=" + (a->menu() ? a->menu()->objectName() : a->objectName());
    return out;
}

struct Shell : ::testing::Test {
    testenv::FreshDb f;
    ScriptedPrompt& prompt = testenv::prompt();
    CountingSound sound;
    std::unique_ptr<AppController> app;
    std::unique_ptr<MainWindow> w;
    FakeTray* icon = nullptr;
    WindowShell shell;

    void SetUp() override
    {
        prompt.reset();
        app = std::make_unique<AppController>(f.db(), nullptr, prompt, testenv::windows(), &sound);
        w = std::make_unique<MainWindow>(*app);
        icon = new FakeTray;
        shell = installLoginAndTray(*w, *app, icon);
        shell.light->stop(); // the tests tick by hand
        w->populate();
        w->show();
    }
    void TearDown() override
    {
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top->objectName() == "frmLogin")
                delete top;
        w.reset();
        app->release();
    }
    QList<LoginDialog*> logins() const
    {
        QList<LoginDialog*> out;
        for (QWidget* top : QApplication::topLevelWidgets())
            if (auto* d = qobject_cast<LoginDialog*>(top); d && d->isVisible())
                out << d;
        return out;
    }
};

} // namespace

TEST_F(Shell, MenuBarCaptionsAndNames)
{
    const QList<QAction*> top = w->menuBar()->actions();
    ASSERT_EQ(top.size(), 3);
    EXPECT_EQ(top[0]->text(), "&File");
    EXPECT_EQ(top[1]->text(), "&System");
    EXPECT_EQ(top[2]->text(), "&Help");
    EXPECT_EQ(captions(top[0]->menu()), QStringList({"E&xit=mnuFileExit"}));
    EXPECT_EQ(captions(top[1]->menu()),
              QStringList({"&Activate Outbox=mnuActivate", "&Detect Modem=mnuSystemDetectModem",
                           "&Reset Modem=mnuSystemResetModem", "Se&ttings=mnuSystemSetting",
                           "Change &Password=mnuSettingPassword", "System &Log=mnuSystemLog",
                           "&Minimise to System Tray=mnuMinimise"}));
    EXPECT_EQ(captions(w->findChild<QMenu*>("mnuSettingPassword")),
              QStringList({"Change &User Password=mnuChgPwdUsr", "Change &Admin Password=mnuChgPwdAdm"}));
    EXPECT_EQ(captions(w->findChild<QMenu*>("mnuSystemSetting")),
              QStringList({"Remote &Retrieving=mnuSettingRemoteRetrieving", "Auto-&forward=mnuSystemSettingAutFwd",
                           "&Auto-respond=mnuSystemSettingAutRsp", "&HTTP Service=mnuSystemSettingHTTP",
                           "&Options=mnuSystemSettingOptions", "Remote &Sending=mnuSystemSettingRemote"}));
    EXPECT_EQ(captions(top[2]->menu()), QStringList({"&Content=mnuHelpContent", "&User Manual=mnuHelpUserManual",
                                                     "&About=mnuHelpAbout"}));
}

TEST_F(Shell, EntriesWaitDisabledForTheirCommands)
{
    for (const char* name : {"mnuHelpContent", "mnuHelpUserManual", "mnuHelpAbout", "mnuSystemLog", "mnuMinimise",
                             "mnuChgPwdUsr", "mnuChgPwdAdm", "mnuSystemSettingOptions", "mnuSystemSettingHTTP",
                             "mnuSettingRemoteRetrieving", "mnuSystemSettingAutFwd", "mnuSystemSettingAutRsp",
                             "mnuSystemSettingRemote"})
        EXPECT_TRUE(w->menuAction(name)->isEnabled()) << name;

    // The About box and the log window open over the main window, one copy each.
    w->menuAction("mnuHelpAbout")->trigger();
    w->menuAction("mnuSystemLog")->trigger();
    w->menuAction("mnuSystemLog")->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    int abouts = 0, logs = 0;
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (!top->isVisible())
            continue;
        abouts += top->objectName() == "frmAbout";
        logs += top->objectName() == "frmLog";
    }
    EXPECT_EQ(abouts, 1);
    EXPECT_EQ(logs, 1);

    int about = 0;
    EXPECT_TRUE(w->setMenuAction("mnuHelpAbout", [&] { ++about; }));
    EXPECT_TRUE(w->menuAction("mnuHelpAbout")->isEnabled());
    w->menuAction("mnuHelpAbout")->trigger();
    EXPECT_EQ(about, 1);
    EXPECT_FALSE(w->setMenuAction("mnuNoSuchThing", [] {}));
    EXPECT_EQ(w->menuAction("mnuNoSuchThing"), nullptr);
    EXPECT_FALSE(w->dispatchMenu("mnuNoSuchThing"));
    EXPECT_TRUE(w->setMenuAction("mnuHelpAbout", nullptr));
    EXPECT_FALSE(w->menuAction("mnuHelpAbout")->isEnabled());
}

TEST_F(Shell, MinimiseHidesEveryWindowAndRestoreBringsThemBack)
{
    QDialog tool(w.get());
    tool.setObjectName("frmSomeTool");
    tool.show();
    QDialog modal(w.get());
    modal.setWindowModality(Qt::ApplicationModal);
    modal.show();
    w->setWindowTitle(QString(70, 'C'));

    w->menuAction("mnuMinimise")->trigger();
    ASSERT_TRUE(shell.tray->isHidden());
    EXPECT_TRUE(icon->visible);
    EXPECT_EQ(icon->tip, QString(63, 'C'));
    EXPECT_FALSE(w->isVisible());
    EXPECT_FALSE(tool.isVisible());
    // A modal window may be inside its own event loop: hiding it would end it.
    EXPECT_TRUE(modal.isVisible());
    EXPECT_EQ(shell.tray->hiddenWindows(), QList<QWidget*>({w.get(), &tool}));
    modal.hide();

    // No user password: the double click brings them back at once.
    icon->doubleClick();
    EXPECT_FALSE(shell.tray->isHidden());
    EXPECT_TRUE(w->isVisible());
    EXPECT_TRUE(tool.isVisible());
    EXPECT_FALSE(icon->visible);
    EXPECT_TRUE(logins().isEmpty());

    // The toolbars' minimise keys do the same; a double click while shown
    // does nothing.
    icon->doubleClick();
    EXPECT_TRUE(w->isVisible());
    EXPECT_TRUE(w->dispatchToolbar(ToolbarId::Inbox, "minimize"));
    EXPECT_TRUE(shell.tray->isHidden());
    shell.tray->restore();
    EXPECT_TRUE(w->dispatchToolbar(ToolbarId::Address, "Minimise"));
    EXPECT_TRUE(shell.tray->isHidden());
}

TEST_F(Shell, WithoutANotificationAreaTheWindowIsMinimisedInstead)
{
    icon->available = false;
    EXPECT_FALSE(shell.tray->minimise());
    EXPECT_FALSE(shell.tray->isHidden());
    EXPECT_TRUE(w->isVisible());
    EXPECT_TRUE(w->windowState() & Qt::WindowMinimized);
    EXPECT_FALSE(icon->visible);

    w->showNormal();
    icon->available = true;
    icon->appears = false; // the tray took no icon
    EXPECT_FALSE(shell.tray->minimise());
    EXPECT_TRUE(w->isVisible());
    EXPECT_TRUE(w->windowState() & Qt::WindowMinimized);
}

TEST_F(Shell, RestoreAsksForThePasswordWhenOneIsSet)
{
    ASSERT_TRUE(f.db().exec("UPDATE tbsecurity SET pwduser='user1'"));
    ASSERT_TRUE(shell.tray->minimise());
    icon->doubleClick();
    icon->doubleClick(); // one login window at a time
    ASSERT_EQ(logins().size(), 1);
    LoginDialog* login = logins()[0];
    EXPECT_EQ(login->mode(), security::LoginMode::Restore);
    EXPECT_EQ(login->lblPassword->text(), "Enter Password");

    // Three wrong passwords: the windows stay in the tray.
    for (int i = 0; i < 3; ++i) {
        login->txtPassword->setText("wrong");
        login->cmdLogin->click();
    }
    EXPECT_FALSE(login->isVisible());
    EXPECT_TRUE(shell.tray->isHidden());
    EXPECT_FALSE(w->isVisible());

    icon->doubleClick();
    ASSERT_EQ(logins().size(), 1);
    login = logins()[0];
    EXPECT_EQ(login->tries(), 0);
    login->txtPassword->setText("5927"); // the built-in administrator password
    login->cmdLogin->click();
    EXPECT_FALSE(shell.tray->isHidden());
    EXPECT_TRUE(w->isVisible());
}

TEST_F(Shell, ChangePasswordOpensOneAdministratorCheckOverTheWindow)
{
    w->menuAction("mnuChgPwdAdm")->trigger();
    w->menuAction("mnuChgPwdUsr")->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_EQ(logins().size(), 1);
    LoginDialog* login = logins()[0];
    EXPECT_EQ(login->mode(), security::LoginMode::AdminCheck);
    EXPECT_EQ(login->parentWidget(), w.get());
    EXPECT_EQ(login->lblPassword->text(), "Admin Password");
    login->txtPassword->setText("5927");
    login->cmdLogin->click();
    ASSERT_NE(login->changeWindow(), nullptr);
    EXPECT_EQ(login->changeWindow()->objectName(), "frmChgPwdUsr");
    login->changeWindow()->cmdCancel->click();
    EXPECT_FALSE(login->isVisible());
}

TEST_F(Shell, AlertBeepsEveryTenthTickWhileAudibleAndBoldensTheInbox)
{
    AppController& a = *app;
    StatusLight& light = *shell.light;
    QTreeWidgetItem* inbox = w->folderTree()->fixedNode(NodeKind::Inbox);
    ASSERT_NE(inbox, nullptr);
    EXPECT_FALSE(inbox->font(0).bold());
    EXPECT_EQ(light.alertTimer().interval(), 500);

    a.state().bNewMsgAlert = true;
    a.state().iAudibleAlert = 1;
    a.state().iNewSMS = 1;
    for (int i = 0; i < 9; ++i)
        light.alertTick();
    EXPECT_EQ(sound.beeps, 0);
    EXPECT_TRUE(inbox->font(0).bold());
    light.alertTick();
    EXPECT_EQ(sound.beeps, 1);

    // Off: the count stands still; on again: it goes on from there.
    for (int i = 0; i < 4; ++i)
        light.alertTick();
    a.state().iAudibleAlert = 0;
    for (int i = 0; i < 30; ++i)
        light.alertTick();
    EXPECT_EQ(sound.beeps, 1);
    a.state().iAudibleAlert = 1;
    for (int i = 0; i < 5; ++i)
        light.alertTick();
    EXPECT_EQ(sound.beeps, 1);
    light.alertTick();
    EXPECT_EQ(sound.beeps, 2);

    // Looked at: the count starts again; nothing unread: the Inbox is plain.
    for (int i = 0; i < 5; ++i)
        light.alertTick();
    a.state().bNewMsgAlert = false;
    a.state().iNewSMS = 0;
    light.alertTick();
    EXPECT_EQ(light.alert().ticks(), 0);
    EXPECT_FALSE(inbox->font(0).bold());
    a.state().bNewMsgAlert = true;
    for (int i = 0; i < 9; ++i)
        light.alertTick();
    EXPECT_EQ(sound.beeps, 2);
}

TEST_F(Shell, StatusLightBlinksWithThePictureOfThePause)
{
    StatusLight& light = *shell.light;
    ASSERT_TRUE(app->state().bOutboxPaused);
    EXPECT_EQ(light.ledTimer().interval(), 300);
    light.ledTick();
    EXPECT_EQ(picture(w->windowIcon()), picture("imgOn"));
    EXPECT_EQ(picture(icon->icon), picture("imgOn")); // the tray icon follows
    light.ledTick();
    EXPECT_EQ(picture(w->windowIcon()), picture("imgPauseOff"));

    w->setOutboxCaption(false); // activated
    EXPECT_EQ(light.ledTimer().interval(), 1000);
    light.ledTick();
    EXPECT_EQ(picture(w->windowIcon()), picture("imgOn"));
    light.ledTick();
    EXPECT_EQ(picture(w->windowIcon()), picture("imgActiveOff"));
    EXPECT_EQ(picture(icon->icon), picture("imgActiveOff"));
    w->setOutboxCaption(true);
    EXPECT_EQ(light.ledTimer().interval(), 300);
}

TEST(HelpFiles, WrittenIntoTheApplicationFolderAndOpenedFromThere)
{
    AppPaths::setAppDir(testenv::newDir("app"));
    ScriptedWindowServices windows;
    EXPECT_TRUE(HelpFiles::openContent(windows));
    EXPECT_TRUE(HelpFiles::openManual(windows));
    const QList<QUrl>& opened = windows.opened();
    ASSERT_EQ(opened.size(), 2);
    EXPECT_EQ(opened[0], QUrl::fromLocalFile(AppPaths::filePath("help/index.html")));
    EXPECT_EQ(opened[1], QUrl::fromLocalFile(AppPaths::filePath("manual.pdf")));

    QFile shipped(":/seed/help/index.html");
    ASSERT_TRUE(shipped.open(QIODevice::ReadOnly));
    const QByteArray page = shipped.readAll();
    QFile onDisk(HelpFiles::contentPath());
    ASSERT_TRUE(onDisk.open(QIODevice::ReadOnly));
    EXPECT_EQ(onDisk.readAll(), page);
    onDisk.close();

    // A copy that differs (an older program's, or damaged) is replaced.
    ASSERT_TRUE(onDisk.open(QIODevice::WriteOnly | QIODevice::Truncate));
    onDisk.write("old help");
    onDisk.close();
    EXPECT_EQ(HelpFiles::ensureContent(), HelpFiles::contentPath());
    ASSERT_TRUE(onDisk.open(QIODevice::ReadOnly));
    EXPECT_EQ(onDisk.readAll(), page);

    // The page reads as the manual it is.
    QTextDocument doc;
    doc.setHtml(QString::fromUtf8(page));
    EXPECT_EQ(doc.metaInformation(QTextDocument::DocumentTitle), "Velquarin 1.2 User Manual");
    for (const char* entry : {"Change User Password", "Minimise to System Tray", "data-backup.db", "5927"})
        EXPECT_TRUE(doc.toPlainText().contains(QLatin1String(entry))) << entry;
}

// The desktop's opener answers only after it has started: one that finds
// no program for the file (xdg-open ends with 3, "no method available")
// brings the box with the file's path, and the menu does not wait for it.
TEST(HelpFiles, TheDesktopsOpenerFindingNoProgramIsToldWithThePath)
{
    AppPaths::setAppDir(testenv::newDir("app"));
    ScriptedPrompt& prompt = testenv::prompt();
    prompt.reset();
    const QString bin = testenv::newDir("bin");
    const QString log = bin + "/opened";
    auto installOpener = [&](int status) {
        QFile script(bin + "/xdg-open");
        ASSERT_TRUE(script.open(QIODevice::WriteOnly | QIODevice::Truncate));
        script.write(QStringLiteral("#!/bin/sh\necho \"$1\" >> '%1'\nexit %2\n").arg(log).arg(status).toUtf8());
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    };
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(bin) + ":" + path);
    QtWindowServices desktop;

    installOpener(3);
    HelpFiles::showContent(prompt, desktop);
    EXPECT_EQ(prompt.count(), 0);
    ASSERT_TRUE(testenv::waitUntil([&] { return prompt.count() == 1; }, 30000));
    EXPECT_EQ(prompt.shown()[0].title, "Error");
    EXPECT_EQ(prompt.shown()[0].text, "Unable to open the help: no program to show web pages is set up.\n\n"
                                      "The file is:\n" + HelpFiles::contentPath());

    // An opener that found its program: opened.
    installOpener(0);
    bool told = false, opened = false;
    desktop.openUrl(QUrl::fromLocalFile(HelpFiles::manualPath()), [&](bool ok) {
        told = true;
        opened = ok;
    });
    EXPECT_FALSE(told);
    ASSERT_TRUE(testenv::waitUntil([&] { return told; }, 30000));
    EXPECT_TRUE(opened);
    qputenv("PATH", path);
    QFile asked(log);
    ASSERT_TRUE(asked.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(asked.readAll()), HelpFiles::contentPath() + "\n" + HelpFiles::manualPath() + "\n");
    EXPECT_EQ(prompt.count(), 1);
}

TEST_F(Shell, HelpThatCannotBeOpenedSaysSoAndWhereTheFileIs)
{
    AppPaths::setAppDir(testenv::newDir("app"));
    testenv::windows().reset();
    testenv::windows().setOpenResult(false); // no browser, no PDF viewer
    w->menuAction("mnuHelpContent")->trigger();
    w->menuAction("mnuHelpUserManual")->trigger();
    EXPECT_EQ(testenv::windows().opened().size(), 2);
    ASSERT_EQ(prompt.count(), 2);
    EXPECT_EQ(prompt.shown()[0].title, "Error");
    EXPECT_EQ(prompt.shown()[0].text, "Unable to open the help: no program to show web pages is set up.\n\n"
                                      "The file is:\n" + HelpFiles::contentPath());
    EXPECT_EQ(prompt.shown()[1].title, "Error");
    EXPECT_TRUE(prompt.shown()[1].text.startsWith("Unable to open the user manual"));
    EXPECT_TRUE(prompt.shown()[1].text.endsWith("\n" + HelpFiles::manualPath()));

    // A folder where the file cannot be written: the box names where it belongs.
    const QString blocker = testenv::newDir("blocked") + "/file";
    QFile(blocker).open(QIODevice::WriteOnly);
    AppPaths::setAppDir(blocker + "/app");
    w->menuAction("mnuHelpContent")->trigger();
    ASSERT_EQ(prompt.count(), 3);
    EXPECT_EQ(prompt.shown()[2].text, "Unable to write the help to:\n" + HelpFiles::contentPath());

    // Opened: nothing to say.
    testenv::windows().setOpenResult(true);
    AppPaths::setAppDir(testenv::newDir("app2"));
    w->menuAction("mnuHelpUserManual")->trigger();
    EXPECT_EQ(prompt.count(), 3);
}

namespace {

// A small reader of the PDF file structure, enough to check the manual: the
// cross-reference table, the trailer's /Root and /Info, the page tree.
struct PdfFile {
    QByteArray data;
    QMap<int, qsizetype> offsets; // object number -> offset of "N 0 obj"

    bool parse()
    {
        if (!data.startsWith("%PDF-1.") || !data.trimmed().endsWith("%%EOF"))
            return false;
        const qsizetype sx = data.lastIndexOf("startxref");
        if (sx < 0)
            return false;
        const qsizetype xref = data.mid(sx + 9).trimmed().split('\n').value(0).trimmed().toLongLong();
        if (data.mid(xref, 4) != "xref")
            return false;
        QList<QByteArray> lines = data.mid(xref).split('\n');
        const QList<QByteArray> head = lines.value(1).trimmed().split(' ');
        const int first = head.value(0).toInt();
        const int count = head.value(1).toInt();
        for (int i = 0; i < count; ++i) {
            const QList<QByteArray> entry = lines.value(2 + i).trimmed().split(' ');
            if (entry.value(2) == "n")
                offsets[first + i] = entry.value(0).toLongLong();
        }
        // Every object is where the table says.
        for (auto it = offsets.cbegin(); it != offsets.cend(); ++it)
            if (!data.mid(it.value()).startsWith(QByteArray::number(it.key()) + " 0 obj"))
                return false;
        return !offsets.isEmpty();
    }
    QByteArray object(int n) const
    {
        if (!offsets.contains(n))
            return {};
        const qsizetype start = offsets[n];
        return data.mid(start, data.indexOf("endobj", start) - start);
    }
    // The object a "/Key N 0 R" reference in text points at.
    static int reference(const QByteArray& text, const QByteArray& key)
    {
        const qsizetype at = text.indexOf(key + ' ');
        return at < 0 ? -1 : text.mid(at + key.size() + 1).simplified().split(' ').value(0).toInt();
    }
    int trailerReference(const QByteArray& key) const
    {
        return reference(data.mid(data.lastIndexOf("trailer")), key);
    }
    // A literal string "(...)" after key, escapes undone, UTF-16 read.
    static QString literal(const QByteArray& text, const QByteArray& key)
    {
        qsizetype i = text.indexOf(key + " (");
        if (i < 0)
            return {};
        i += key.size() + 2;
        QByteArray raw;
        for (int depth = 0; i < text.size(); ++i) {
            const char c = text[i];
            if (c == '\\' && i + 1 < text.size()) {
                raw += text[++i];
                continue;
            }
            if (c == '(')
                ++depth;
            if (c == ')' && depth-- == 0)
                break;
            raw += c;
        }
        if (raw.startsWith("\xfe\xff")) {
            QString s;
            for (qsizetype k = 2; k + 1 < raw.size(); k += 2)
                s += QChar((uchar(raw[k]) << 8) | uchar(raw[k + 1]));
            return s;
        }
        return QString::fromLatin1(raw);
    }
};

} // namespace

TEST(HelpFiles, TheManualIsAPdfOfSeveralA4PagesWithItsTitle)
{
    QFile shipped(":/seed/manual.pdf");
    ASSERT_TRUE(shipped.open(QIODevice::ReadOnly));
    PdfFile pdf{shipped.readAll(), {}};
    ASSERT_TRUE(pdf.parse());
    EXPECT_EQ(PdfFile::literal(pdf.object(pdf.trailerReference("/Info")), "/Title"), "Velquarin 1.2 User Manual");
    const QByteArray catalog = pdf.object(pdf.trailerReference("/Root"));
    ASSERT_TRUE(catalog.contains("/Type /Catalog"));
    const QByteArray pages = pdf.object(PdfFile::reference(catalog, "/Pages"));
    ASSERT_TRUE(pages.contains("/Type /Pages"));
    const int count = PdfFile::reference(pages, "/Count");
    EXPECT_GE(count, 4);
    // Each kid is a page of A4 (595 x 842 points).
    const QByteArray kids = pages.mid(pages.indexOf("/Kids"));
    int seen = 0;
    for (const QByteArray& tok : kids.mid(kids.indexOf('[') + 1, kids.indexOf(']') - kids.indexOf('[') - 1)
                                     .simplified()
                                     .split(' ')) {
        if (tok == "0" || tok == "R" || tok.isEmpty())
            continue;
        const QByteArray page = pdf.object(tok.toInt());
        EXPECT_TRUE(page.contains("/Type /Page")) << tok.toStdString();
        EXPECT_TRUE(page.simplified().contains("/MediaBox [0 0 595")) << page.toStdString();
        ++seen;
    }
    EXPECT_EQ(seen, count);
    // The page's own links were dropped for print: no address that leads nowhere.
    EXPECT_FALSE(pdf.data.contains("/URI (#"));
}
