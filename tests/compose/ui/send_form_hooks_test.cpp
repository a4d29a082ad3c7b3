// The send form as the running program opens it: its canned list, its
// canned dialogs and merge-field dialog, and its Play button, which opens
// the ringtone player over the main window.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QRadioButton>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTextCursor>

#include "app/AppController.h"
#include "base/Database.h"
#include "compose/ui/CannedForms.h"
#include "compose/ui/InsertFieldDialog.h"
#include "compose/ui/SendForm.h"
#include "mainwindow/MainWindow.h"
#include "media/RecordingMidiOut.h"
#include "media/ui/RingtonePlayer.h"
#include "support/ScriptedWindowServices.h"
#include "support/TestEnv.h"

namespace {

// Acts on the next modal dialog, which must have the object name, as the
// window services run it.
void whenModal(const QString& name, std::function<void(QDialog*)> act)
{
    testenv::windows().setModalRunner([name, act](QDialog& d) {
        EXPECT_EQ(d.objectName(), name);
        if (d.objectName() == name)
            act(&d);
        return d.result();
    });
}

struct Hooked : ::testing::Test {
    testenv::FreshDb fresh;
    Database& db = fresh.db();
    std::unique_ptr<AppController> app;
    std::shared_ptr<media::RecordingMidiOut> rec = std::make_shared<media::RecordingMidiOut>();

    void SetUp() override
    {
        testenv::prompt().reset();
        ASSERT_TRUE(db.exec("INSERT INTO tbcannedmsg (canttl, canmsg) VALUES ('Late', 'Running late')"));
        ASSERT_TRUE(db.exec("INSERT INTO tbcannedmsg (canttl, canmsg) VALUES ('Dinner', 'Dinner at {f1}?')"));
        // Every player records instead of sounding.
        auto r = rec;
        RingtonePlayerWindow::setMidiOutFactory([r]() -> std::unique_ptr<media::MidiOut> {
            struct Out final : media::MidiOut {
                std::shared_ptr<media::RecordingMidiOut> r;
                bool open() override { return r->open(); }
                void shortMsg(quint8 s, quint8 a, quint8 b) override { r->shortMsg(s, a, b); }
                void reset() override { r->reset(); }
                void setVolume(double l) override { r->setVolume(l); }
                void close() override { r->close(); }
            };
            auto out = std::make_unique<Out>();
            out->r = r;
            out->open();
            return out;
        });
        app = std::make_unique<AppController>(db, nullptr, testenv::prompt(), testenv::windows());
        app->load(false);
        app->scheduler().stop();
    }
    void TearDown() override
    {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == "frmSendSMS" || w->objectName() == "frmRingtone")
                w->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        RingtonePlayerWindow::setMidiOutFactory({});
        app->release();
    }
    SendForm* openForm()
    {
        EXPECT_TRUE(app->window()->dispatchToolbar(ToolbarId::Inbox, "sendsms"));
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* f = qobject_cast<SendForm*>(w); f && f->isVisible())
                return f;
        return nullptr;
    }
};

QStringList items(QComboBox* c)
{
    QStringList out;
    for (int i = 0; i < c->count(); ++i)
        out << c->itemText(i);
    return out;
}

} // namespace

TEST_F(Hooked, TheSendFormGetsItsCannedListAndFieldDialog)
{
    SendForm* form = openForm();
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(items(form->cboCannedMessage()), QStringList({"Select Canned Message", "Dinner", "Late"}));
    for (QPushButton* b : {form->cmdNew(), form->cmdEdit(), form->cmdDelete(), form->cmdInsertField()})
        EXPECT_TRUE(b->isEnabled()) << b->objectName().toStdString();

    form->chooseKind(1, true);
    form->findChild<CannedList*>("CannedList")->choose(1);
    EXPECT_EQ(form->txtMessage()->toPlainText(), "Dinner at {f1}?");

    // Insert Field: the dialog runs modally over the form; Insert puts the
    // chosen code at the caret.
    form->chooseKind(1);
    QTextCursor c = form->txtMessage()->textCursor();
    c.setPosition(0);
    form->txtMessage()->setTextCursor(c);
    QString title;
    whenModal("frmInsertField", [&title](QDialog* d) {
        title = d->windowTitle();
        auto* f = static_cast<InsertFieldDialog*>(d);
        f->optField[2]->click();
        f->cmdInsert->click();
    });
    form->cmdInsertField()->click();
    EXPECT_EQ(title, "Insert Address Field");
    EXPECT_EQ(form->txtMessage()->toPlainText(), "{ln}Dinner at {f1}?");

    // New: the saved text comes into the form and the list is filled again.
    whenModal("frmCannedAdd", [](QDialog* d) {
        auto* add = static_cast<CannedMessageDialog*>(d);
        add->txtTitle->setText("Bye");
        add->txtMessage->setPlainText("Bye {fn}");
        add->cmdSave->click();
    });
    form->cmdNew()->click();
    EXPECT_EQ(form->txtMessage()->toPlainText(), "Bye {fn}");
    EXPECT_EQ(items(form->cboCannedMessage()), QStringList({"Select Canned Message", "Bye", "Dinner", "Late"}));
    EXPECT_EQ(testenv::prompt().count(), 0);
}

TEST_F(Hooked, TheSendFormsPlayButtonOpensThePlayerOverTheMainWindow)
{
    SendForm* form = openForm();
    ASSERT_NE(form, nullptr);
    const QString path = testenv::newDir("tunes") + "/tune.txt";
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("Tune:d=8,o=6,b=140:c,e,g\n");
    f.close();
    form->chooseKind(2);
    ASSERT_TRUE(form->loadRingtoneFile(path));
    ASSERT_TRUE(form->cmdPlay()->isEnabled());

    form->cmdPlay()->click();
    RingtonePlayerWindow* player = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* p = qobject_cast<RingtonePlayerWindow*>(w); p && p->isVisible())
            player = p;
    ASSERT_NE(player, nullptr);
    EXPECT_EQ(player->parentWidget(), app->window());
    EXPECT_EQ(player->content(), form->messageContent());
    EXPECT_EQ(rec->log(), QStringList({"open", "C0 46", "volume 1"}));
    player->play();
    player->tick();
    EXPECT_EQ(rec->log().mid(3), QStringList({"90 46 78"})) << "C in the default octave";
}
