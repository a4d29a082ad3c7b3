// The send form's engine half: the checks of a Send in their order, the
// recipient walks and what they leave queued, and the ringtone files.
#include <gtest/gtest.h>

#include <QFile>

#include "base/Database.h"
#include "base/Settings.h"
#include "compose/RingtoneSource.h"
#include "compose/SendLogic.h"
#include "base/EngineState.h"
#include "engine/OutboxQueue.h"
#include "sms/Gsm7.h"
#include "support/TestEnv.h"

using namespace compose;

namespace {

QString writeFile(const QString& name, const QByteArray& bytes)
{
    const QString path = testenv::newDir("files") + "/" + name;
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        return {};
    return path;
}

struct Call {
    QString number;
    int type;
    QString content;
    QDateTime when;
    int priority;
};

// A Send whose rows are recorded on their way to the queue; numbers listed
// in `refuse` fail.
struct LogicFixture : ::testing::Test {
    testenv::FreshDb fresh;
    Database& db = fresh.db();
    EngineState st;
    OutboxQueue queue{db, testenv::prompt(), st};
    QList<Call> calls;
    QStringList refuse;
    SendLogic logic{db, testenv::prompt(), st, [this](const QString& n, int t, const QString& c, const QDateTime& w,
                                                      int p) {
                        calls << Call{n, t, c, w, p};
                        return !refuse.contains(n) && queue.AddToOutboxQuiet(n, t, c, w, p);
                    }};

    void SetUp() override { testenv::prompt().reset(); }

    SendRequest textTo(const QString& numbers, const QString& text = "Hello")
    {
        SendRequest r;
        r.kind = KindText;
        r.text = text;
        r.mode = RecipientMode::Numbers;
        r.numbers = numbers;
        r.date = QDate(2025, 6, 7);
        r.time = QTime(8, 9, 59);
        return r;
    }
    QStringList numbers() const
    {
        QStringList out;
        for (const Call& c : calls)
            out << c.number;
        return out;
    }
    QStringList shown() const
    {
        QStringList out;
        for (const auto& s : testenv::prompt().shown())
            out << s.title + ": " + s.text;
        return out;
    }
};

sms::MonoBitmap checker(int w, int h)
{
    sms::MonoBitmap b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.setPixel(x, y, (x + y) % 3 == 0);
    return b;
}

} // namespace

TEST(Recipients, ListsFilesAndSummaries)
{
    EXPECT_EQ(splitNumberList(" +441 ,, 442,  ,443 ,"), (QStringList{"+441", "442", "443"}));
    EXPECT_TRUE(splitNumberList(" , ,").isEmpty());

    const QString path = writeFile("numbers.txt", "  +441\r\n\r\n\t442\t\r\n   \n443");
    const NumberFile file = readNumberFile(path);
    ASSERT_TRUE(file.ok);
    EXPECT_EQ(file.numbers, (QStringList{"+441", "442", "443"}));
    const NumberFile missing = readNumberFile(testenv::newDir() + "/none.txt");
    EXPECT_FALSE(missing.ok);
    EXPECT_FALSE(missing.error.isEmpty());

    EXPECT_EQ(recipientSummary(0, 0), "0 Address, 0 Group");
    EXPECT_EQ(recipientSummary(1, 1), "1 Address, 1 Group");
    EXPECT_EQ(recipientSummary(2, 3), "2 Addresses, 3 Groups");
}

TEST(Checks, OperatorCodeIsFiveOrSixDigitsAfterTheBlanksGo)
{
    EXPECT_EQ(compactOperatorCode(" 234 15 "), "23415");
    EXPECT_TRUE(isValidOperatorCode("23415"));
    EXPECT_TRUE(isValidOperatorCode("310410"));
    for (const char* bad : {"2341", "2341a", "1.234", "-2341", "1e100", "&H1F1", "3104100", "", "２３４１５"})
        EXPECT_FALSE(isValidOperatorCode(QString::fromUtf8(bad))) << bad;
}

TEST(Checks, SendTimeDropsTheSeconds)
{
    EXPECT_EQ(sendTimeOf(QDate(2025, 1, 2), QTime(23, 59, 58, 999)), QDateTime(QDate(2025, 1, 2), QTime(23, 59)));
}

TEST_F(LogicFixture, TextGoesAsTypedToEveryListedNumberWithPriorityNine)
{
    const SendResult r = logic.send(textTo("  +441 ,, 442 , ", "  Hi {fn}  "));
    EXPECT_TRUE(r.walked);
    EXPECT_EQ(r.queued, 2);
    EXPECT_EQ(r.numbers, "+441 ,, 442 ,") << "the box gets its text trimmed";
    EXPECT_EQ(numbers(), (QStringList{"+441", "442"}));
    for (const Call& c : calls) {
        EXPECT_EQ(c.type, 1);
        EXPECT_EQ(c.content, "  Hi {fn}  ") << "leading blanks and merge fields stay";
        EXPECT_EQ(c.priority, 9);
        EXPECT_EQ(c.when, QDateTime(QDate(2025, 6, 7), QTime(8, 9)));
    }
    EXPECT_EQ(shown(), QStringList{"Note: Message Successfully Sent to Out Queue"});
    EXPECT_EQ(testenv::prompt().shown()[0].icon, UserPrompt::Icon::Information);
    EXPECT_TRUE(st.bOutboxChanged);
    EXPECT_EQ(st.sngSendCount, 1);
    EXPECT_EQ(r.content, "  Hi {fn}  ");
}

TEST_F(LogicFixture, EveryRefusalShowsItsTextAndQueuesNothing)
{
    struct Case {
        const char* name;
        std::function<void(SendRequest&)> change;
        QString text;
        SendResult::Focus focus;
    };
    const QList<Case> cases{
        {"blank text", [](SendRequest& r) { r.text = "   "; }, text::kBlankMessage, SendResult::Focus::Message},
        {"blank canned", [](SendRequest& r) { r.text = ""; r.cannedSelected = true; }, text::kBlankMessage,
         SendResult::Focus::CannedList},
        {"not GSM", [](SendRequest& r) { r.text = QString::fromUtf8("caf\u00E9 \u0436 \u20AC ok"); },
         QString::fromUtf8("Message contains characters that cannot be sent: \"\u0436\".\n"
                           "Please check and try again."),
         SendResult::Focus::Message},
        {"no logo", [](SendRequest& r) { r.kind = KindLogo; r.operatorCode = "23415"; }, text::kNoLogo,
         SendResult::Focus::None},
        {"bad code", [](SendRequest& r) { r.kind = KindLogo; r.logoLoaded = true; r.operatorCode = "2 3 4 1"; },
         text::kBadOperatorCode, SendResult::Focus::OperatorCode},
        {"no picture", [](SendRequest& r) { r.kind = KindPicture; }, text::kNoPicture, SendResult::Focus::None},
        {"no ringtone", [](SendRequest& r) { r.kind = KindRingtone; }, text::kNoRingtone, SendResult::Focus::None},
        {"no address", [](SendRequest& r) { r.mode = RecipientMode::AddressBook; }, text::kNoAddress,
         SendResult::Focus::None},
        {"no file", [](SendRequest& r) { r.mode = RecipientMode::File; }, text::kNoFile, SendResult::Focus::None},
        {"no number", [](SendRequest& r) { r.numbers = "   "; }, text::kNoNumber, SendResult::Focus::Number},
        {"commas only", [](SendRequest& r) { r.numbers = " , ,"; }, text::kNoNumber, SendResult::Focus::Number},
    };
    for (const Case& c : cases) {
        testenv::prompt().reset();
        SendRequest r = textTo("+441");
        c.change(r);
        const SendResult result = logic.send(r);
        EXPECT_EQ(shown(), QStringList{"Warning: " + c.text}) << c.name;
        ASSERT_EQ(testenv::prompt().count(), 1);
        EXPECT_EQ(testenv::prompt().shown()[0].icon, UserPrompt::Icon::Warning) << c.name;
        EXPECT_EQ(result.focus, c.focus) << c.name;
        EXPECT_FALSE(result.walked) << c.name;
        EXPECT_EQ(result.chooseFile, QString(c.name) == "no file") << c.name;
    }
    EXPECT_TRUE(calls.isEmpty());
    EXPECT_FALSE(st.bOutboxChanged);
}

TEST_F(LogicFixture, AnInvalidCodeIsWrittenBackWithoutBlanksAndAValidOneIsKept)
{
    SendRequest r = textTo("+441");
    r.kind = KindLogo;
    r.logoLoaded = true;
    r.logo = checker(72, 14);
    r.operatorCode = " 23a 15";
    SendResult result = logic.send(r);
    EXPECT_EQ(result.operatorCode, "23a15");
    EXPECT_TRUE(calls.isEmpty());

    testenv::prompt().reset();
    r.operatorCode = "234 15";
    result = logic.send(r);
    EXPECT_EQ(result.operatorCode, "23415");
    EXPECT_EQ(Settings::text("SettingOpCode"), "23415");
    EXPECT_EQ(st.sOpCode, "23415");
    ASSERT_EQ(calls.size(), 1);
    EXPECT_EQ(calls[0].type, 3);
    // Part 1 carries the code in swapped semi-octets with the F filler.
    EXPECT_TRUE(calls[0].content.startsWith("0B05041582000000030102013032F4510A00480E01"));
}

TEST_F(LogicFixture, NumbersGoOnAfterAFailureAndSayAtTheEnd)
{
    refuse = {"442"};
    const SendResult r = logic.send(textTo("441,442,443"));
    EXPECT_EQ(numbers(), (QStringList{"441", "442", "443"}));
    EXPECT_EQ(r.queued, 2);
    EXPECT_EQ(shown(), QStringList{"Warning: At least one message not sent to Out Queue"});
    EXPECT_TRUE(st.bOutboxChanged) << "raised whatever the outcome";
}

TEST_F(LogicFixture, AFileStopsAtItsFirstFailureAndLeavesTheRowsBefore)
{
    SendRequest r = textTo({});
    r.mode = RecipientMode::File;
    r.filePath = writeFile("n.txt", "441\r\n\r\n 442 \r\n443\r\n444\r\n");
    refuse = {"443"};
    SendResult result = logic.send(r);
    EXPECT_EQ(numbers(), (QStringList{"441", "442", "443"}));
    EXPECT_EQ(result.queued, 2);
    EXPECT_EQ(shown(), QStringList{"Warning: " + text::kFileIncomplete});

    // All of it: the Note.
    calls.clear();
    refuse.clear();
    testenv::prompt().reset();
    result = logic.send(r);
    EXPECT_EQ(numbers(), (QStringList{"441", "442", "443", "444"}));
    EXPECT_EQ(shown(), QStringList{"Note: " + text::kQueued});

    // Blank lines only, or no file: nothing is claimed as sent.
    calls.clear();
    testenv::prompt().reset();
    r.filePath = writeFile("blank.txt", "\r\n   \r\n\t\n");
    logic.send(r);
    EXPECT_TRUE(calls.isEmpty());
    EXPECT_EQ(shown(), QStringList{"Warning: " + text::kFileHasNoNumbers});
    testenv::prompt().reset();
    r.filePath = testenv::newDir() + "/gone.txt";
    logic.send(r);
    EXPECT_TRUE(calls.isEmpty());
    ASSERT_EQ(testenv::prompt().count(), 1);
    EXPECT_NE(testenv::prompt().shown()[0].text.indexOf("gone.txt"), -1);
}

TEST_F(LogicFixture, AListWalksGroupsThenAddressesKeepsDuplicatesAndStopsAtAFailure)
{
    ASSERT_TRUE(db.exec("INSERT INTO tbgrps(grpnam) VALUES('Team'),('Band'),('Empty')"));
    ASSERT_TRUE(db.exec("INSERT INTO tbaddrgrps(grpnam,addrno) VALUES('Team','441'),('Team',' 442 '),"
                        "('Band','442'),('Band','443')"));
    SendRequest r = textTo({});
    r.mode = RecipientMode::AddressBook;
    r.pickedGroups = {"Band", "Team"};
    r.pickedNumbers = {"441", "444"};
    SendResult result = logic.send(r);
    EXPECT_EQ(numbers(), (QStringList{"442", "443", "441", "442", "441", "444"}));
    EXPECT_EQ(result.queued, 6);
    EXPECT_EQ(shown(), QStringList{"Note: " + text::kQueued});

    calls.clear();
    testenv::prompt().reset();
    refuse = {"441"};
    result = logic.send(r);
    EXPECT_EQ(numbers(), (QStringList{"442", "443", "441"}));
    EXPECT_EQ(result.queued, 2);
    EXPECT_EQ(shown(), QStringList{"Warning: " + text::kListIncomplete});

    // A group without members and nothing else: no success is claimed.
    calls.clear();
    testenv::prompt().reset();
    r.pickedGroups = {"Empty"};
    r.pickedNumbers.clear();
    logic.send(r);
    EXPECT_TRUE(calls.isEmpty());
    EXPECT_EQ(shown(), QStringList{"Warning: " + text::kGroupsEmpty});
}

// A number the modem cannot send to is named in a Warning before anything
// is queued, whichever way the recipients were given; an address-book
// number is named with its entry.
TEST_F(LogicFixture, NumbersTheModemCannotTakeAreRefusedByNameBeforeAnythingIsQueued)
{
    const QString rule = "\nA phone number is an optional \"+\" and 1 to 20 digits, without blanks or other "
                         "signs.\nPlease check and try again.";
    SendResult r = logic.send(textTo("441, +44 7700 900123 ,442"));
    EXPECT_EQ(shown(), QStringList{"Warning: This phone number cannot be sent to: \"+44 7700 900123\"." + rule});
    EXPECT_EQ(r.focus, SendResult::Focus::Number);
    EXPECT_FALSE(r.walked);

    testenv::prompt().reset();
    SendRequest file = textTo({});
    file.mode = RecipientMode::File;
    file.filePath = writeFile("n.txt", "441\r\n12a45\r\n+\r\n12a45\r\n");
    r = logic.send(file);
    EXPECT_EQ(shown(), QStringList{"Warning: These phone numbers cannot be sent to: \"12a45\", \"+\"." + rule});
    EXPECT_EQ(r.queued, 0);

    testenv::prompt().reset();
    ASSERT_TRUE(db.exec("INSERT INTO tbaddrs(addrnam1,addrnam2,addrno) VALUES('Ann','Lee','0770-090')"));
    ASSERT_TRUE(db.exec("INSERT INTO tbaddrgrps(grpnam,addrno) VALUES('Team','441'),('Team','0770-090')"));
    SendRequest list = textTo({});
    list.mode = RecipientMode::AddressBook;
    list.pickedGroups = {"Team"};
    list.pickedNumbers = {"442"};
    r = logic.send(list);
    EXPECT_EQ(shown(), QStringList{"Warning: This phone number cannot be sent to: \"0770-090\" (Ann Lee)." + rule});
    EXPECT_TRUE(calls.isEmpty());
    EXPECT_EQ(testenv::prompt().shown()[0].icon, UserPrompt::Icon::Warning);
}

// Every row queued raises the Outbox before a box of the walk opens, so it
// goes while the box waits for its OK.
TEST_F(LogicFixture, TheOutboxIsRaisedBeforeTheOutcomeBoxOpens)
{
    struct Watching : ScriptedPrompt {
        EngineState* st = nullptr;
        QList<bool> raised;
        Answer show(Icon icon, const QString& title, const QString& text, Buttons buttons) override
        {
            raised << (st->bOutboxChanged && st->sngSendCount == 1);
            return ScriptedPrompt::show(icon, title, text, buttons);
        }
    } prompt;
    prompt.st = &st;
    SendLogic watched(db, prompt, st, [this](const QString& n, int t, const QString& c, const QDateTime& w, int p) {
        return !refuse.contains(n) && queue.AddToOutboxQuiet(n, t, c, w, p);
    });
    ASSERT_TRUE(db.exec("INSERT INTO tbaddrgrps(grpnam,addrno) VALUES('Team','441')"));
    SendRequest file = textTo({});
    file.mode = RecipientMode::File;
    file.filePath = writeFile("n.txt", "441\r\n442\r\n");
    SendRequest list = textTo({});
    list.mode = RecipientMode::AddressBook;
    list.pickedGroups = {"Team"};
    for (const SendRequest& r : {textTo("441,442"), file, list}) {
        for (const QStringList& refused : {QStringList{}, QStringList{"442"}}) {
            refuse = refused;
            st.bOutboxChanged = false;
            st.sngSendCount = 7;
            prompt.raised.clear();
            watched.send(r);
            EXPECT_EQ(prompt.raised, QList<bool>{true}) << int(r.mode) << refused.size();
        }
    }
}

TEST_F(LogicFixture, ThroughTheRealQueueEachRowIsStoredWithItsTypeTimeAndPriority)
{
    SendLogic real(db, testenv::prompt(), st, [&](const QString& n, int t, const QString& c, const QDateTime& w,
                                                  int p) { return queue.AddToOutbox(n, t, c, w, p); });
    ASSERT_TRUE(db.exec("INSERT INTO tbaddrs(addrnam1,addrnam2,addrno) VALUES('Ann','Lee','+441')"));
    real.send(textTo("+441, +442", "Hi {fn}"));
    const Recordset rs = db.query("SELECT msgno,msgtype,msgcontent,msgout,msgoutpri FROM tboutqueue ORDER BY msgcode");
    ASSERT_EQ(rs.size(), 2);
    EXPECT_EQ(rs.value(0, 0).toString(), "+441");
    EXPECT_EQ(gsm7::textFromPacked(rs.value(0, 2).toString()), "Hi Ann");
    EXPECT_EQ(gsm7::textFromPacked(rs.value(1, 2).toString()), "Hi");
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(rs.value(i, 1).toInt(), 1);
        EXPECT_EQ(rs.value(i, 4).toInt(), 9);
        EXPECT_TRUE(rs.value(i, 3).toString().startsWith("2025-06-07 08:09")) << rs.value(i, 3).toString().toStdString();
    }
}

TEST(RingtoneFiles, TextFilesGiveTheirFirstLineAndMidiFilesAreConverted)
{
    RingtoneChoice c = ringtoneFromBytes("\xEF\xBB\xBF" "Ab:d=4,o=6,b=125:c,8e6.,p\r\nsecond:line:x\r\n", "/x/ab.rtx");
    ASSERT_TRUE(c.ok());
    EXPECT_EQ(c.title, "Ab");
    EXPECT_EQ(c.streamHex, "024A3A49058804000B1C92282AD20800");
    EXPECT_EQ(c.notes, 3);

    // A MIDI file is known by its name, in any case; bytes that are no MIDI
    // file give no tune.
    EXPECT_TRUE(isMidiFileName("/a/B.MiD"));
    EXPECT_FALSE(isMidiFileName("/a/b.midi"));
    c = ringtoneFromBytes("Ab:d=4,o=6,b=125:c", "/a/b.MID");
    EXPECT_EQ(c.status, RingtoneChoice::Status::NotRingtone);

    testenv::prompt().reset();
    EXPECT_FALSE(reportRingtone(ringtoneFromBytes("name::", "/a/t.txt"), testenv::prompt()));
    EXPECT_FALSE(reportRingtone(ringtoneFromBytes("name:b=1e3:c", "/a/t.txt"), testenv::prompt()));
    EXPECT_FALSE(reportRingtone(readRingtone(testenv::newDir() + "/missing.txt"), testenv::prompt()));
    const auto& shown = testenv::prompt().shown();
    ASSERT_EQ(shown.size(), 3);
    EXPECT_EQ(shown[0].text, "Please select Single-Track MIDI File or\nRTTL Format Ring Tone File");
    EXPECT_EQ(shown[0].title, "Warning");
    EXPECT_EQ(shown[1].text, "Please select a RTTL Format Ring Tone File");
    EXPECT_EQ(shown[2].title, "Error");
}

TEST(RingtoneFiles, ALongTuneIsCutAndTheUserTold)
{
    QString notes;
    for (int i = 0; i < 300; ++i)
        notes += i ? ",c" : "c";
    const RingtoneChoice c = ringtoneFromBytes(("Long:d=4,o=6,b=125:" + notes).toLatin1(), "/a/long.txt");
    ASSERT_TRUE(c.ok());
    EXPECT_TRUE(c.shortened);
    // Tempo and one scale leave room for 253 notes.
    EXPECT_EQ(c.notes, 253);
    testenv::prompt().reset();
    EXPECT_TRUE(reportRingtone(c, testenv::prompt()));
    ASSERT_EQ(testenv::prompt().count(), 1);
    EXPECT_EQ(testenv::prompt().shown()[0].title, "Note");
    EXPECT_EQ(testenv::prompt().shown()[0].text, "The ring tone was shortened to 253 notes.");
}
