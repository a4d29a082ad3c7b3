// The send form on the offscreen display: its modes, kinds and recipient
// modes, each refusal with its focus, bitmap and ringtone files, the
// counters and keys, and how the main window opens it.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QListView>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QRadioButton>
#include <QTest>
#include <QTimeEdit>
#include <QTimer>
#include <QTreeView>

#include "app/AppController.h"
#include "base/AppPaths.h"
#include "base/Database.h"
#include "compose/ui/BitmapImage.h"
#include "compose/ui/BitmapView.h"
#include "compose/ui/ComposeWiring.h"
#include "compose/ui/SendForm.h"
#include "controls/FileDialogs.h"
#include "controls/FormHelpers.h"
#include "controls/QtUserPrompt.h"
#include "controls/QtWindowServices.h"
#include "mainwindow/MainWindow.h"
#include "mainwindow/MessageListModel.h"
#include "base/EngineState.h"
#include "engine/OutboxQueue.h"
#include "sms/Gsm7.h"
#include "sms/SmartMessage.h"
#include "sms/SmartReference.h"
#include "support/BoxAnswerer.h"
#include "support/ScriptedWindowServices.h"
#include "support/TestEnv.h"

using compose::RecipientMode;

namespace {

QString writeFile(const QString& name, const QByteArray& bytes)
{
    const QString path = testenv::newDir("files") + "/" + name;
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        return {};
    return path;
}

struct FormFixture : ::testing::Test {
    testenv::FreshDb fresh;
    Database& db = fresh.db();
    EngineState st;
    OutboxQueue queue{db, testenv::prompt(), st};
    QHash<SendForm::FileKind, QString> files;
    QList<SendForm::FileKind> asked;
    QList<SendForm::PickedAddress> addressPicks;
    QStringList groupPicks;
    QStringList played;
    std::unique_ptr<SendForm> form;

    // The file the form asked for, told by the dialog's caption and filters.
    static SendForm::FileKind kindOf(const ScriptedWindowServices::FileAsked& a)
    {
        if (a.caption == "Select Logo...")
            return SendForm::FileKind::Logo;
        if (a.caption == "Select Picture...")
            return SendForm::FileKind::Picture;
        return a.filters == "Text File (*.txt)" ? SendForm::FileKind::Numbers : SendForm::FileKind::Ringtone;
    }
    SendForm::Hooks hooks()
    {
        SendForm::Hooks h;
        h.pickAddresses = [this](QWidget*, QList<SendForm::PickedAddress>& picks) {
            picks = addressPicks;
            return true;
        };
        h.pickGroups = [this](QWidget*, QStringList& groups) {
            groups = groupPicks;
            return true;
        };
        h.playRingtone = [this](QWidget*, const QString& content) { played << content; };
        return h;
    }
    void make(SendForm::Hooks h, WindowServices& windows = testenv::windows())
    {
        form = std::make_unique<SendForm>(
            db, testenv::prompt(), windows, st,
            [this](const QString& n, int t, const QString& c, const QDateTime& w, int p) {
                return queue.AddToOutbox(n, t, c, w, p);
            },
            std::move(h));
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    }
    void SetUp() override
    {
        testenv::prompt().reset();
        testenv::windows().setFileAnswerer([this](const ScriptedWindowServices::FileAsked& a) {
            asked << kindOf(a);
            return files.value(kindOf(a));
        });
        make(hooks());
    }

    Recordset rows() { return db.query("SELECT msgno,msgtype,msgcontent,msgoutpri FROM tboutqueue ORDER BY msgcode"); }
    QStringList queuedNumbers()
    {
        const Recordset rs = rows();
        QStringList out;
        for (int i = 0; i < rs.size(); ++i)
            out << rs.value(i, 0).toString();
        return out;
    }
    QString lastShown() const
    {
        const auto& s = testenv::prompt().shown();
        return s.isEmpty() ? QString() : s.last().title + ": " + s.last().text;
    }
};

sms::MonoBitmap ink(std::initializer_list<std::pair<int, int>> pixels, int w, int h)
{
    sms::MonoBitmap b(w, h);
    for (const auto& [x, y] : pixels)
        b.setPixel(x, y);
    return b;
}

} // namespace

TEST_F(FormFixture, NewReplyAndForwardOpenWithTheirKindAndRecipients)
{
    EXPECT_EQ(form->objectName(), "frmSendSMS");
    EXPECT_TRUE(form->optText()->isChecked());
    EXPECT_TRUE(form->optList()->isChecked());
    EXPECT_TRUE(form->fraText()->isVisible());
    EXPECT_TRUE(form->fraAddress()->isVisible());
    EXPECT_EQ(form->txtList()->text(), "0 Address, 0 Group");
    EXPECT_EQ(form->ccrpTime()->time().second(), 0);
    EXPECT_EQ(form->ccrpDate()->date(), QDate::currentDate());

    form->load(SendForm::Mode::Reply, "+447700900123");
    EXPECT_TRUE(form->optSingle()->isChecked());
    EXPECT_EQ(form->txtNumber()->text(), "+447700900123");
    EXPECT_EQ(form->messageKind(), 1);

    form->load(SendForm::Mode::Forward, {}, "Pass it on", 1);
    EXPECT_TRUE(form->optList()->isChecked());
    EXPECT_TRUE(form->optText()->isChecked());
    EXPECT_EQ(form->txtMessage()->toPlainText(), "Pass it on");

    // A received Unicode text is forwarded as a text.
    form->load(SendForm::Mode::Forward, {}, QString::fromUtf8("\u041F\u0440\u0438\u0432\u0435\u0442"), 5);
    EXPECT_EQ(form->messageKind(), 1);
    EXPECT_TRUE(form->optText()->isChecked());
    form->txtNumber()->clear();
    form->chooseRecipients(RecipientMode::Numbers);
    form->txtNumber()->setText("+441");
    form->send();
    EXPECT_TRUE(rows().isEmpty());
    EXPECT_TRUE(lastShown().startsWith("Warning: Message contains characters that cannot be sent"));
    EXPECT_EQ(form->focusWidget(), form->txtMessage());
}

TEST_F(FormFixture, KindButtonsShowTheirFrameAndFocusTheirFirstField)
{
    struct Case {
        QRadioButton* button;
        QGroupBox* frame;
        int kind;
        QWidget* focus;
    };
    const QList<Case> cases{{form->optRingTone(), form->fraRingTone(), 2, form->cmdRingTone()},
                            {form->optPicture(), form->fraPicture(), 4, form->txtPictureMessage()},
                            {form->optCannedText(), form->fraCannedText(), 1, form->cboCannedMessage()},
                            {form->optLogo(), form->fraLogo(), 3, form->txtOperatorCode()},
                            {form->optText(), form->fraText(), 1, form->txtMessage()}};
    for (const Case& c : cases) {
        QTest::mouseClick(c.button, Qt::LeftButton);
        EXPECT_EQ(form->messageKind(), c.kind);
        for (QGroupBox* f : {form->fraText(), form->fraCannedText(), form->fraLogo(), form->fraPicture(),
                             form->fraRingTone()})
            EXPECT_EQ(f->isVisible(), f == c.frame) << f->objectName().toStdString();
        EXPECT_EQ(form->focusWidget(), c.focus) << c.button->objectName().toStdString();
        if (c.kind == 3) {
            EXPECT_TRUE(form->optSingle()->isChecked()) << "a logo starts with typed numbers";
        }
    }
    for (auto [button, page, focus] : {std::tuple{form->optFile(), form->fraFile(), (QWidget*)form->cmdFile()},
                                       std::tuple{form->optList(), form->fraAddress(), (QWidget*)form->cmdAddresses()},
                                       std::tuple{form->optSingle(), form->fraNumbers(), (QWidget*)form->txtNumber()}}) {
        QTest::mouseClick(button, Qt::LeftButton);
        EXPECT_TRUE(page->isVisible());
        EXPECT_EQ(form->focusWidget(), focus);
    }

    // Checked without a click (a screen reader's toggle, the program): the
    // same handlers run, so the page shown is the page checked.
    form->optList()->setChecked(true);
    form->optSingle()->setChecked(true);
    EXPECT_TRUE(form->fraNumbers()->isVisible());
    EXPECT_EQ(form->recipientMode(), compose::RecipientMode::Numbers);
    form->optFile()->setChecked(true);
    EXPECT_TRUE(form->fraFile()->isVisible());
    for (const Case& c : cases) {
        c.button->setChecked(true);
        EXPECT_EQ(form->messageKind(), c.kind) << c.button->objectName().toStdString();
        EXPECT_TRUE(c.frame->isVisible()) << c.button->objectName().toStdString();
    }
    // A screen reader's toggle action of an option button.
    QAccessibleInterface* picture = QAccessible::queryAccessibleInterface(form->optPicture());
    ASSERT_NE(picture, nullptr);
    ASSERT_NE(picture->actionInterface(), nullptr);
    picture->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_TRUE(form->fraPicture()->isVisible());
    EXPECT_EQ(form->messageKind(), 4);
}

TEST_F(FormFixture, TypedNumbersAreQueuedAndTheFormKeepsItsContent)
{
    form->chooseRecipients(RecipientMode::Numbers);
    QTest::keyClicks(form->txtMessage(), "Hello there");
    form->txtNumber()->setText("  +441, ,+442 ,");
    QTest::mouseClick(form->cmdSend(), Qt::LeftButton);
    EXPECT_EQ(queuedNumbers(), (QStringList{"+441", "+442"}));
    EXPECT_EQ(form->txtNumber()->text(), "+441, ,+442 ,");
    EXPECT_EQ(lastShown(), "Note: Message Successfully Sent to Out Queue");
    EXPECT_TRUE(st.bOutboxChanged);
    EXPECT_TRUE(form->isVisible()) << "the form stays open";
    // A second Send queues the same again.
    QTest::mouseClick(form->cmdSend(), Qt::LeftButton);
    EXPECT_EQ(queuedNumbers().size(), 4);
    const Recordset rs = rows();
    for (int i = 0; i < rs.size(); ++i) {
        EXPECT_EQ(gsm7::textFromPacked(rs.value(i, 2).toString()), "Hello there");
        EXPECT_EQ(rs.value(i, 3).toInt(), 9);
    }
}

TEST_F(FormFixture, ANumberFileIsChosenThenWalked)
{
    QTest::mouseClick(form->optFile(), Qt::LeftButton);
    form->txtMessage()->setPlainText("From a file");
    files[SendForm::FileKind::Numbers] = writeFile("numbers.txt", " +441\r\n\r\n+442\t\r\n");
    QTest::mouseClick(form->cmdFile(), Qt::LeftButton);
    EXPECT_EQ(form->txtFilePath()->text(), files[SendForm::FileKind::Numbers]);
    EXPECT_TRUE(form->txtFilePath()->isReadOnly());
    form->send();
    EXPECT_EQ(queuedNumbers(), (QStringList{"+441", "+442"}));

    // A file that is not there empties the box.
    files[SendForm::FileKind::Numbers] = testenv::newDir() + "/gone.txt";
    form->chooseNumberFile();
    EXPECT_TRUE(form->txtFilePath()->text().isEmpty());
    // Send without a file says so and opens the dialog.
    asked.clear();
    testenv::prompt().reset();
    form->send();
    EXPECT_EQ(lastShown(), "Warning: Please select file");
    EXPECT_EQ(asked, QList<SendForm::FileKind>{SendForm::FileKind::Numbers});
    EXPECT_EQ(queuedNumbers().size(), 2);
}

TEST_F(FormFixture, FileDialogsStartInTheirFoldersAndOfferEveryTune)
{
    // The program's own dialogs.
    QtWindowServices dialogs;
    make(hooks(), dialogs);
    // Notes where the next file dialog opened and what it offers, then
    // cancels it.
    struct Seen {
        QString folder;
        QStringList filters;
    };
    auto cancelNextDialog = [](Seen& seen) {
        QTimer::singleShot(0, [&seen] {
            QFileDialog* d = nullptr;
            testenv::waitUntil([&] { return (d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())); },
                               30000);
            if (d) {
                seen = {d->directory().absolutePath(), d->nameFilters()};
                d->reject();
            }
        });
    };
    ASSERT_TRUE(QDir().mkpath(AppPaths::filePath("RingTones")));
    Seen tune, numbers;
    cancelNextDialog(tune);
    form->chooseRingtoneFile();
    EXPECT_EQ(tune.folder.toStdString(), QDir(AppPaths::filePath("RingTones")).absolutePath().toStdString());
    // The first filter shows the samples of both kinds.
    const QString first = tune.filters.value(0);
    for (const char* pattern : {"*.mid", "*.txt", "*.rtx"})
        EXPECT_TRUE(first.contains(QLatin1String(pattern))) << first.toStdString();

    // The next dialog does not start where the last one was left.
    cancelNextDialog(numbers);
    form->chooseNumberFile();
    EXPECT_EQ(numbers.folder.toStdString(), QDir(documentsFolder()).absolutePath().toStdString());
    EXPECT_EQ(numbers.filters, QStringList{"Text File (*.txt)"});
}

// The picture dialog's preview never reads a link to the database that
// is highlighted in its list: the preview stays blank and SQLite keeps its
// locks.
TEST_F(FormFixture, ThePicturePreviewLeavesALinkToTheDatabaseUnread)
{
    QtWindowServices dialogs;
    make(hooks(), dialogs);
    ASSERT_TRUE(db.exec("INSERT INTO tbgrps (grpnam) VALUES ('one')"));
    ASSERT_TRUE(testenv::holdsLock(fresh.path()));
    const QString folder = AppPaths::filePath("Pictures");
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString link = folder + "/logo.bmp";
    ASSERT_TRUE(QFile::link(fresh.path(), link));

    bool highlighted = false, blank = false, locked = false;
    QTimer::singleShot(0, [&] {
        QFileDialog* d = nullptr;
        testenv::waitUntil([&] { return (d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())); },
                           30000);
        if (!d)
            return;
        auto* preview = d->findChild<compose::BitmapView*>("picDialog");
        auto* list = d->findChild<QListView*>("listView");
        auto* model = d->findChild<QFileSystemModel*>();
        if (preview && list && model && list->model() == model
            && testenv::waitUntil([&] { return model->index(link).isValid(); }, 30000)) {
            list->setCurrentIndex(model->index(link));
            highlighted = list->currentIndex() == model->index(link);
            blank = preview->bitmap() == sms::MonoBitmap(sms::kPictureWidth, sms::kPictureHeight);
            locked = testenv::holdsLock(fresh.path());
        }
        d->reject();
    });
    form->choosePictureFile();
    ASSERT_TRUE(highlighted);
    EXPECT_TRUE(blank);
    EXPECT_TRUE(locked);
    EXPECT_TRUE(testenv::holdsLock(fresh.path()));
}

TEST_F(FormFixture, PickedGroupsAndAddressesAreSummedUpAndWalked)
{
    ASSERT_TRUE(db.exec("INSERT INTO tbgrps(grpnam) VALUES('Team')"));
    ASSERT_TRUE(db.exec("INSERT INTO tbaddrgrps(grpnam,addrno) VALUES('Team','+443'),('Team','+441')"));
    form->txtMessage()->setPlainText("Meeting at 5");
    addressPicks = {{"+441", "+441"}, {"+442", "+442"}};
    groupPicks = {"Team"};
    QTest::mouseClick(form->cmdAddresses(), Qt::LeftButton);
    EXPECT_EQ(form->txtList()->text(), "2 Addresses, 0 Group");
    QTest::mouseClick(form->cmdGroups(), Qt::LeftButton);
    EXPECT_EQ(form->txtList()->text(), "2 Addresses, 1 Group");
    QTest::mouseClick(form->cmdSend(), Qt::LeftButton);
    EXPECT_EQ(queuedNumbers(), (QStringList{"+443", "+441", "+441", "+442"}));

    // Without pickers the buttons cannot be used.
    make({});
    EXPECT_FALSE(form->cmdAddresses()->isEnabled());
    EXPECT_FALSE(form->cmdGroups()->isEnabled());
    EXPECT_FALSE(form->cmdPlay()->isEnabled());
}

TEST_F(FormFixture, EachRefusalKeepsEverythingAndFocusesItsField)
{
    const int before = 0;
    auto expectRefusal = [&](const QString& text, QWidget* focus) {
        testenv::prompt().reset();
        form->send();
        EXPECT_EQ(lastShown(), "Warning: " + text);
        EXPECT_EQ(rows().size(), before);
        if (focus) {
            EXPECT_EQ(form->focusWidget(), focus) << text.toStdString();
        }
    };
    form->chooseRecipients(RecipientMode::Numbers);
    form->txtNumber()->setText("+441");

    form->txtMessage()->setPlainText("   ");
    expectRefusal(compose::text::kBlankMessage, form->txtMessage());
    form->chooseKind(compose::KindText, true);
    form->txtMessage()->clear();
    form->txtOperatorCode()->setFocus();
    expectRefusal(compose::text::kBlankMessage, form->cboCannedMessage());

    form->chooseKind(compose::KindLogo);
    expectRefusal(compose::text::kNoLogo, nullptr);
    form->setLogoBitmap(ink({{1, 1}}, 72, 14));
    form->txtOperatorCode()->setText("2 341");
    form->cmdSend()->setFocus();
    expectRefusal(compose::text::kBadOperatorCode, form->txtOperatorCode());
    EXPECT_EQ(form->txtOperatorCode()->text(), "2341") << "written back without blanks";

    form->chooseKind(compose::KindPicture);
    expectRefusal(compose::text::kNoPicture, nullptr);
    form->chooseKind(compose::KindRingtone);
    expectRefusal(compose::text::kNoRingtone, nullptr);

    form->chooseKind(compose::KindText);
    form->txtMessage()->setPlainText("ok");
    form->chooseRecipients(RecipientMode::AddressBook);
    expectRefusal(compose::text::kNoAddress, nullptr);
    form->chooseRecipients(RecipientMode::Numbers);
    form->txtNumber()->setText("  ");
    form->cmdSend()->setFocus();
    expectRefusal(compose::text::kNoNumber, form->txtNumber());
    EXPECT_TRUE(form->txtNumber()->text().isEmpty());
    EXPECT_FALSE(st.bOutboxChanged);
}

TEST_F(FormFixture, LogoAndPictureFilesKeepOnlyPureBlackAsInk)
{
    QImage image(100, 40, QImage::Format_ARGB32);
    image.fill(Qt::white);
    image.setPixel(0, 0, qRgb(0, 0, 0));           // ink
    image.setPixel(1, 0, qRgb(1, 0, 0));           // very dark: paper
    image.setPixel(2, 0, qRgba(0, 0, 0, 0));       // transparent: paper
    image.setPixel(3, 0, qRgba(0, 0, 0, 128));     // half transparent: paper
    image.setPixel(71, 13, qRgb(0, 0, 0));         // ink, last of the logo
    image.setPixel(71, 27, qRgb(0, 0, 0));         // ink in a picture only
    image.setPixel(72, 0, qRgb(0, 0, 0));          // outside both
    const QString png = testenv::newDir() + "/art.png";
    ASSERT_TRUE(image.save(png));

    files[SendForm::FileKind::Logo] = png;
    QTest::mouseClick(form->optLogo(), Qt::LeftButton);
    QTest::mouseClick(form->cmdLogo(), Qt::LeftButton);
    EXPECT_TRUE(form->logoLoaded());
    EXPECT_EQ(form->logoBitmap(), ink({{0, 0}, {71, 13}}, 72, 14));

    files[SendForm::FileKind::Picture] = png;
    QTest::mouseClick(form->optPicture(), Qt::LeftButton);
    QTest::mouseClick(form->cmdPicture(), Qt::LeftButton);
    EXPECT_TRUE(form->pictureLoaded());
    EXPECT_EQ(form->pictureBitmap(), ink({{0, 0}, {71, 13}, {71, 27}}, 72, 28));

    // The view shows the bitmap: ink black, paper the paper colour.
    const QImage shot = form->picPicture()->grab().toImage();
    const int z = form->picPicture()->zoom();
    EXPECT_EQ(shot.pixelColor(1 + z / 2, 1 + z / 2), QColor(Qt::black));
    EXPECT_EQ(shot.pixelColor(1 + z + z / 2, 1 + z / 2), compose::paperColour());

    // A file that is no picture: an Error, and the form keeps its bitmap.
    testenv::prompt().reset();
    EXPECT_FALSE(form->loadPictureFile(writeFile("not.bmp", "not a picture")));
    EXPECT_EQ(lastShown(), "Error: Invalid picture");
    EXPECT_EQ(form->pictureBitmap().inkCount(), 3);

    // The shipped samples load.
    EXPECT_TRUE(compose::monoFromImage(QImage(":/seed/Logos/Velquarin.bmp"), 72, 14).inkCount() > 0);
    EXPECT_TRUE(compose::monoFromImage(QImage(":/seed/Pictures/Sunrise.bmp"), 72, 28).inkCount() > 0);
}

TEST_F(FormFixture, ARingtoneFileIsEncodedShownAndPlayedAsItsParts)
{
    QTest::mouseClick(form->optRingTone(), Qt::LeftButton);
    EXPECT_FALSE(form->cmdPlay()->isEnabled());
    // Play without a tune asks for one.
    files[SendForm::FileKind::Ringtone] = writeFile("bad.txt", "Bad:d=x:c");
    form->playRingtone();
    EXPECT_EQ(testenv::prompt().shown().value(0).text, "Please select Ring Tone");
    EXPECT_EQ(lastShown(), "Warning: Please select a RTTL Format Ring Tone File");
    EXPECT_TRUE(form->ringtoneHex().isEmpty());

    files[SendForm::FileKind::Ringtone] = writeFile("tune.rtx", "Little Tune Here:d=8,o=5,b=140:c,e,g\r\n");
    QTest::mouseClick(form->cmdRingTone(), Qt::LeftButton);
    EXPECT_EQ(form->txtRingTone()->text(), "Little Tun");
    ASSERT_TRUE(form->cmdPlay()->isEnabled());
    QTest::mouseClick(form->cmdPlay(), Qt::LeftButton);
    ASSERT_EQ(played.size(), 1);
    QString why;
    const auto msg = smartref::sendAndJoin(played[0], 2, &why);
    ASSERT_TRUE(msg) << why.toStdString();
    EXPECT_EQ(msg->port, 0x1581);
    const auto tone = smartref::readRingtone(msg->payload, &why);
    ASSERT_TRUE(tone) << why.toStdString();
    EXPECT_EQ(tone->title, "Little Tun");
    EXPECT_EQ(tone->instructions.size(), 5);

    // A refused file keeps the tune chosen before.
    files[SendForm::FileKind::Ringtone] = writeFile("none.txt", "Nothing::");
    form->chooseRingtoneFile();
    EXPECT_EQ(form->txtRingTone()->text(), "Little Tun");
    form->chooseRecipients(RecipientMode::Numbers);
    form->txtNumber()->setText("+441");
    form->send();
    ASSERT_EQ(rows().size(), 1);
    EXPECT_EQ(rows().value(0, 1).toInt(), 2);
    EXPECT_EQ(rows().value(0, 2).toString(), played[0]);
}

TEST_F(FormFixture, CountersKeysAndLimits)
{
    EXPECT_EQ(form->fraText()->title(), "Text (0 of 160 characters)");
    form->txtMessage()->setFocus();
    QTest::keyClicks(form->txtMessage(), "Hi");
    QTest::keyClick(form->txtMessage(), Qt::Key_Return);
    QTest::keyClick(form->txtMessage(), Qt::Key_Enter);
    QTest::keyClicks(form->txtMessage(), "yo");
    EXPECT_EQ(form->txtMessage()->toPlainText(), "Hiyo");
    EXPECT_EQ(form->fraText()->title(), "Text - 4 of 160 Characters)");
    EXPECT_TRUE(rows().isEmpty()) << "Enter does not send";
    form->txtMessage()->insertPlainText(QString(200, QChar(u'a')));
    EXPECT_EQ(form->txtMessage()->toPlainText().size(), 160);
    EXPECT_EQ(form->fraText()->title(), "Text - 160 of 160 Characters)");

    EXPECT_EQ(form->fraPicture()->title(), "Picture (Text - 0 of 121 Characters)");
    form->txtPictureMessage()->setText(QString(130, QChar(u'b')));
    EXPECT_EQ(form->txtPictureMessage()->text().size(), 121);
    EXPECT_EQ(form->fraPicture()->title(), "Picture (Text - 121 of 121 Characters)");
    EXPECT_EQ(form->lblPictureMessage()->text(), form->txtPictureMessage()->text());
    EXPECT_TRUE(form->txtList()->isReadOnly());
}

TEST_F(FormFixture, ATypedOperatorCodeSurvivesActivationAndThePickerFillsIt)
{
    st.sOpCode = "11111";
    SendForm::Hooks h = hooks();
    h.pickOperator = [this](QWidget*) { st.sOpCode = "310410"; };
    make(h);
    EXPECT_EQ(form->txtOperatorCode()->text(), "11111");
    form->chooseKind(compose::KindLogo);
    form->txtOperatorCode()->selectAll();
    QTest::keyClicks(form->txtOperatorCode(), "23415");
    form->refreshOnActivation();
    EXPECT_EQ(form->txtOperatorCode()->text(), "23415");
    QTest::mouseClick(form->cmdOperatorCodes(), Qt::LeftButton);
    EXPECT_EQ(form->txtOperatorCode()->text(), "310410");
}

TEST_F(FormFixture, TabOrderDefaultAndCancelButtonsAndAccessibleNames)
{
    EXPECT_TRUE(form->cmdSend()->isDefault());
    EXPECT_FALSE(form->cmdCancel()->isDefault());

    // The chain of the text kind with typed numbers, as Tab walks it.
    form->chooseRecipients(RecipientMode::Numbers);
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    form->txtMessage()->setFocus();
    QStringList walked;
    for (int i = 0, presses = 0; i < 12 && presses < 40; ++i, ++presses) {
        QWidget* w = QApplication::focusWidget();
        ASSERT_NE(w, nullptr);
        // The date and time boxes take the focus in their inner line.
        // The date and time boxes take the focus in their inner line, and
        // Tab walks their sections first.
        QWidget* control = w->objectName().startsWith("qt_") ? w->parentWidget() : w;
        if (walked.isEmpty() || walked.last() != control->objectName())
            walked << control->objectName();
        else
            --i;
        QTest::keyClick(w, Qt::Key_Tab);
    }
    EXPECT_EQ(walked, (QStringList{"txtMessage", "cmdClearText", "optSingle", "txtNumber", "cmdClearNumbers",
                                   "ccrpDate", "ccrpTime", "cmdSend", "cmdCancel", "optText", "txtMessage",
                                   "cmdClearText"}));

    // Every control the user can reach has a name a screen reader says.
    const QRegularExpression control("^(txt|cmd|opt|cbo|ccrp|pic)");
    int checked = 0;
    for (QWidget* c : form->findChildren<QWidget*>(control)) {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(c);
        ASSERT_NE(a, nullptr);
        EXPECT_FALSE(a->text(QAccessible::Name).trimmed().isEmpty()) << c->objectName().toStdString();
        ++checked;
    }
    EXPECT_GE(checked, 35);

    // Esc closes the form like Exit.
    QTest::keyClick(form.get(), Qt::Key_Escape);
    EXPECT_FALSE(form->isVisible());
}

// ----------------------------------------------------------------- wiring

namespace {

// The send form over the main window, with the program's real boxes: once
// "Phone number cannot be blank" is answered the form is the active window
// with the focus in the number box.
TEST_F(FormFixture, AfterTheBlankNumberBoxTheNumberIsTypedIntoTheForm)
{
    QWidget main;
    main.setObjectName("frmMain");
    main.resize(800, 600);
    main.show();
    QtUserPrompt boxes;
    BoxAnswerer person;
    QPointer<SendForm> over = new SendForm(
        db, boxes, testenv::windows(), st,
        [this](const QString& n, int t, const QString& c, const QDateTime& w, int p) {
            return queue.AddToOutbox(n, t, c, w, p);
        },
        hooks(), &main);
    EmbedForm(&main, over);
    ASSERT_TRUE(QTest::qWaitForWindowActive(over));
    over->chooseRecipients(RecipientMode::Numbers);
    over->txtMessage()->setPlainText("ok");
    over->cmdSend()->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    ASSERT_EQ(person.texts, QStringList{compose::text::kNoNumber});
    EXPECT_EQ(person.owners.value(0), over.data());
    ASSERT_TRUE(testenv::waitUntil([&] { return QApplication::activeWindow() == over; }, 20000));
    EXPECT_EQ(QApplication::focusWidget(), over->txtNumber());
    delete over;
}

struct Wired : ::testing::Test {
    testenv::FreshDb fresh;
    std::unique_ptr<AppController> app;

    void SetUp() override
    {
        testenv::prompt().reset();
        Database& db = fresh.db();
        ASSERT_TRUE(db.exec("INSERT INTO tbinqueue(msgcode,msgfrom,msgcontent,msgtype,msgreqtype,msgcreated,"
                            "msgstatus,msgfolder) VALUES(1,'+447700900555',?,1,0,'2024-02-01 09:00:00','O','Inbox')",
                            {gsm7::packText("See you at noon")}));
        ASSERT_TRUE(db.exec("INSERT INTO tbinqueue(msgcode,msgfrom,msgcontent,msgtype,msgreqtype,msgcreated,"
                            "msgstatus,msgfolder) VALUES(2,'+447700900666','C8329BFD06',1,0,'2024-02-03 09:00:00',"
                            "'O','Inbox')"));
        app = std::make_unique<AppController>(db, nullptr, testenv::prompt(), testenv::windows());
        app->load(false);
        app->scheduler().stop();
    }
    void TearDown() override
    {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == "frmSendSMS")
                delete w;
        app->release();
    }
    QList<SendForm*> openForms()
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QList<SendForm*> out;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* f = qobject_cast<SendForm*>(w); f && f->isVisible())
                out << f;
        return out;
    }
};

} // namespace

TEST_F(Wired, TheToolbarKeysOpenOneSendFormInTheirMode)
{
    MainWindow* w = app->window();
    ASSERT_NE(w, nullptr);
    ASSERT_NE(SendFormOpener::of(*w), nullptr) << "installed by the load";

    for (const auto& [bar, key] : {std::pair{ToolbarId::Inbox, "sendsms"}, {ToolbarId::Outbox, "sendsms"},
                                   {ToolbarId::SentItems, "sendsms"}, {ToolbarId::Address, "NewMessage"},
                                   {ToolbarId::Group, "NewMessage"}, {ToolbarId::SIM, "NewMessage"}}) {
        ASSERT_TRUE(w->dispatchToolbar(bar, key));
        const QList<SendForm*> forms = openForms();
        ASSERT_EQ(forms.size(), 1) << key;
        EXPECT_EQ(forms[0]->mode(), SendForm::Mode::New);
        EXPECT_EQ(forms[0]->parentWidget(), w);
    }

    // Reply and Forward take the selected row of the Inbox list.
    MessageListModel* model = w->messageModel();
    const int row = model->rowOfCode(1);
    ASSERT_GE(row, 0);
    w->messageList()->setCurrentIndex(model->index(row, 0));
    w->showMessage(1);
    ASSERT_TRUE(w->dispatchToolbar(ToolbarId::Inbox, "reply"));
    QList<SendForm*> forms = openForms();
    ASSERT_EQ(forms.size(), 1);
    EXPECT_EQ(forms[0]->mode(), SendForm::Mode::Reply);
    EXPECT_EQ(forms[0]->txtNumber()->text(), "+447700900555");

    ASSERT_TRUE(w->dispatchToolbar(ToolbarId::Inbox, "forward"));
    forms = openForms();
    ASSERT_EQ(forms.size(), 1);
    EXPECT_EQ(forms[0]->mode(), SendForm::Mode::Forward);
    EXPECT_EQ(forms[0]->txtMessage()->toPlainText(), "See you at noon");
    EXPECT_TRUE(forms[0]->optList()->isChecked());

    // A send from the opened form reaches the program's queue.
    forms[0]->chooseRecipients(RecipientMode::Numbers);
    forms[0]->txtNumber()->setText("+447700900777");
    forms[0]->send();
    EXPECT_EQ(fresh.db().query("SELECT msgno FROM tboutqueue").value(0, 0).toString(), "+447700900777");
    EXPECT_TRUE(app->state().bOutboxChanged);
}

TEST_F(Wired, ReplyAndForwardDoNothingOnAnEmptyList)
{
    MainWindow* w = app->window();
    ASSERT_TRUE(fresh.db().exec("DELETE FROM tbinqueue"));
    w->populateInbox("Inbox");
    ASSERT_EQ(w->messageModel()->rowCount(), 0);
    ASSERT_TRUE(w->dispatchToolbar(ToolbarId::Inbox, "reply"));
    ASSERT_TRUE(w->dispatchToolbar(ToolbarId::Inbox, "forward"));
    EXPECT_TRUE(openForms().isEmpty());
}
