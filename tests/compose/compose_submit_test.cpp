// What the send form queues, sent: every kind goes through SendLogic into
// the Outbox queue, the sender hands it to the simulated modem, and each
// SUBMIT the modem receives is read with the reference codec and the
// reference smart-message reader of the tests.
#include <gtest/gtest.h>

#include <QFile>

#include "base/Database.h"
#include "compose/RingtoneSource.h"
#include "compose/SendLogic.h"
#include "base/EngineState.h"
#include "modem/ModemLink.h"
#include "engine/OutboxQueue.h"
#include "engine/OutboxSender.h"
#include "simmodem/SimModem.h"
#include "sms/SmartReference.h"
#include "support/TestEnv.h"
#include "support/Tpdu.h"

using namespace compose;
using smartref::Instruction;
using smartref::note;
using smartref::scale;
using smartref::tempo;

namespace {

struct SubmitFixture : ::testing::Test {
    testenv::FreshDb fresh;
    Database& db = fresh.db();
    EngineState st;
    SimModem modem;
    ModemLink link{st};
    OutboxQueue queue{db, testenv::prompt(), st};
    OutboxSender sender{st, db};
    SendLogic logic{db, testenv::prompt(), st,
                    [this](const QString& n, int t, const QString& c, const QDateTime& w, int p) {
                        return queue.AddToOutbox(n, t, c, w, p);
                    }};

    void SetUp() override
    {
        testenv::prompt().reset();
        ASSERT_TRUE(modem.start(testenv::newDir("modem") + "/modem0")) << modem.errorString().toStdString();
        modem.setEcho(false);
        ASSERT_TRUE(link.openPort(modem.portPath(), 115200, "None"));
        st.bModemConnected = true;
        st.bOutboxPaused = false;
        sender.setChannel(&link);
    }

    // A Send to typed numbers, due an hour ago.
    SendRequest request(int kind, const QString& numbers)
    {
        SendRequest r;
        r.kind = kind;
        r.mode = RecipientMode::Numbers;
        r.numbers = numbers;
        const QDateTime past = QDateTime::currentDateTime().addSecs(-3600);
        r.date = past.date();
        r.time = past.time();
        return r;
    }
    // Sends every queued row; returns the SUBMITs the modem accepted.
    QList<tpdu::Submit> sendAll()
    {
        const int rows = db.query("SELECT COUNT(*) FROM tboutqueue").value(0, 0).toInt();
        for (int i = 0; i < rows; ++i)
            sender.SendNextOutbox();
        EXPECT_EQ(db.query("SELECT COUNT(*) FROM tboutqueue").value(0, 0).toInt(), 0);
        EXPECT_EQ(db.query("SELECT COUNT(*) FROM tboutlog WHERE msgstatus<>'C'").value(0, 0).toInt(), 0);
        return modem.sentMessages();
    }
    static void expectBitmap(const smartref::Bitmap& got, const sms::MonoBitmap& want)
    {
        ASSERT_EQ(got.width, want.width());
        ASSERT_EQ(got.height, want.height());
        for (int y = 0; y < want.height(); ++y)
            for (int x = 0; x < want.width(); ++x)
                ASSERT_EQ(got.at(x, y), want.pixel(x, y)) << "pixel " << x << "," << y;
    }
};

// A bitmap without symmetry: a diagonal, a border on the left and a block.
sms::MonoBitmap drawing(int w, int h)
{
    sms::MonoBitmap b(w, h);
    for (int y = 0; y < h; ++y) {
        b.setPixel(0, y);
        b.setPixel((y * 5) % w, y);
    }
    for (int y = 2; y < 6; ++y)
        for (int x = 60; x < 71; ++x)
            b.setPixel(x, y);
    b.setPixel(w - 1, h - 1);
    return b;
}

QByteArray resource(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

TEST_F(SubmitFixture, TextIsMergedPerRecipientAndSentAsGsmText)
{
    ASSERT_TRUE(db.exec("INSERT INTO tbaddrs(addrnam1,addrnam2,addrno) VALUES('Ann','Lee','+447700900123')"));
    SendRequest r = request(KindText, "+447700900123, 07700900124");
    r.text = QString::fromUtf8("  Hi {fn}, 5\u20AC @ caf\u00E9");
    ASSERT_EQ(logic.send(r).queued, 2);
    const QList<tpdu::Submit> sent = sendAll();
    ASSERT_EQ(sent.size(), 2);
    EXPECT_EQ(sent[0].da.number, "+447700900123");
    EXPECT_EQ(sent[1].da.number, "07700900124");
    for (const tpdu::Submit& s : sent) {
        EXPECT_EQ(tpdu::alphabetOf(s.dcs), tpdu::Alphabet::Gsm7);
        EXPECT_FALSE(s.udhi);
    }
    // The stored text is trimmed by the queue; the merge field is filled
    // only for the number in the address book.
    EXPECT_EQ(sent[0].ud.text, QString::fromUtf8("Hi Ann, 5\u20AC @ caf\u00E9"));
    EXPECT_EQ(sent[1].ud.text, QString::fromUtf8("Hi , 5\u20AC @ caf\u00E9"));
}

TEST_F(SubmitFixture, OperatorLogoGoesInTwoPartsWithItsCodeAndBitmap)
{
    const sms::MonoBitmap logo = drawing(72, 14);
    for (const auto& [typed, digits] : {std::pair<QString, QString>{"234 15", "23415"}, {"310410", "310410"}}) {
        modem.clearRecords();
        SendRequest r = request(KindLogo, "+447700900123");
        r.logoLoaded = true;
        r.logo = logo;
        r.operatorCode = typed;
        ASSERT_EQ(logic.send(r).queued, 1);
        QString why;
        const auto msg = smartref::joinSubmits(sendAll(), &why);
        ASSERT_TRUE(msg) << why.toStdString();
        EXPECT_EQ(msg->port, 0x1582);
        EXPECT_EQ(msg->partOctets, (QList<int>{140, 19}));
        const auto read = smartref::readLogo(msg->payload, &why);
        ASSERT_TRUE(read) << why.toStdString();
        EXPECT_EQ(read->operatorCode, digits);
        expectBitmap(read->bitmap, logo);
    }
}

TEST_F(SubmitFixture, PictureMessageGoesInThreePartsWithBitmapAndText)
{
    const sms::MonoBitmap picture = drawing(72, 28);
    const QString longest(121, QChar(u'x'));
    for (const QString& text : {QString(), QStringLiteral(" Hi there "), longest}) {
        modem.clearRecords();
        SendRequest r = request(KindPicture, "+447700900123");
        r.pictureLoaded = true;
        r.picture = picture;
        r.pictureText = text;
        ASSERT_EQ(logic.send(r).queued, 1);
        QString why;
        const auto msg = smartref::joinSubmits(sendAll(), &why);
        ASSERT_TRUE(msg) << why.toStdString();
        EXPECT_EQ(msg->port, 0x158A);
        const int last = text.isEmpty() ? 16 : 16 + 3 + int(text.size());
        EXPECT_EQ(msg->partOctets, (QList<int>{140, 140, last}));
        const auto read = smartref::readPicture(msg->payload, &why);
        ASSERT_TRUE(read) << why.toStdString();
        ASSERT_TRUE(read->bitmap);
        expectBitmap(*read->bitmap, picture);
        EXPECT_EQ(read->text.has_value(), !text.isEmpty());
        EXPECT_EQ(read->text.value_or(QString()), text);
    }
}

TEST_F(SubmitFixture, TheShippedRtttlRingtoneArrivesNoteForNote)
{
    const RingtoneChoice choice =
        ringtoneFromBytes(resource(":/seed/RingTones/Chime.rtx"), "RingTones/Chime.rtx");
    ASSERT_TRUE(choice.ok());
    SendRequest r = request(KindRingtone, "+447700900123");
    r.ringtoneHex = choice.streamHex;
    ASSERT_EQ(logic.send(r).queued, 1);
    QString why;
    const auto msg = smartref::joinSubmits(sendAll(), &why);
    ASSERT_TRUE(msg) << why.toStdString();
    EXPECT_EQ(msg->port, 0x1581);
    EXPECT_EQ(msg->parts, 1);
    const auto tone = smartref::readRingtone(msg->payload, &why);
    ASSERT_TRUE(tone) << why.toStdString();
    // Chime:d=4,o=6,b=125:e,c,d,g5,2p,g5,d,e,2c
    EXPECT_EQ(tone->title, "Chime");
    EXPECT_EQ(tone->patternCounts, QList<int>{13});
    const QList<Instruction> want{tempo(14), scale(1),   note(5, 2), note(1, 2), note(3, 2),
                                  scale(0),  note(8, 2), note(0, 1), note(8, 2), scale(1),
                                  note(3, 2), note(5, 2), note(1, 1)};
    EXPECT_EQ(tone->instructions, want);
}

TEST_F(SubmitFixture, TheShippedMidiRingtoneIsConvertedAndSent)
{
    const QString path = testenv::newDir("tones") + "/Ascent.mid";
    ASSERT_TRUE(QFile::copy(":/seed/RingTones/Ascent.mid", path));
    const RingtoneChoice choice = readRingtone(path);
    ASSERT_TRUE(choice.ok());
    SendRequest r = request(KindRingtone, "+447700900123");
    r.ringtoneHex = choice.streamHex;
    ASSERT_EQ(logic.send(r).queued, 1);
    QString why;
    const auto msg = smartref::joinSubmits(sendAll(), &why);
    ASSERT_TRUE(msg) << why.toStdString();
    const auto tone = smartref::readRingtone(msg->payload, &why);
    ASSERT_TRUE(tone) << why.toStdString();
    // 120 beats a minute (snapped to 125), eighths mostly, octave 5 the
    // usual one: C E G 4C6 B G 4A P F E D 2C.
    EXPECT_EQ(tone->title, "Ascent");
    const QList<Instruction> want{tempo(14),  scale(1),   note(1, 3),  note(5, 3), note(8, 3), scale(2),
                                  note(1, 2), scale(1),   note(12, 3), note(8, 3), note(10, 2), note(0, 3),
                                  note(6, 3), note(5, 3), note(3, 3),  note(1, 1)};
    EXPECT_EQ(tone->instructions, want);
}

TEST_F(SubmitFixture, ALongRingtoneIsCutToFullPartsAndCountsWhatItCarries)
{
    QString notes;
    for (int i = 0; i < 300; ++i)
        notes += QStringLiteral(",8%1%2").arg(QLatin1Char("cdefgab"[i % 7])).arg(5 + (i / 7) % 3);
    const RingtoneChoice choice = ringtoneFromBytes(("Long:d=4,o=6,b=200:" + notes.mid(1)).toLatin1(), "l.txt");
    ASSERT_TRUE(choice.ok());
    ASSERT_TRUE(choice.shortened);
    SendRequest r = request(KindRingtone, "+447700900123");
    r.ringtoneHex = choice.streamHex;
    ASSERT_EQ(logic.send(r).queued, 1);
    QString why;
    const auto msg = smartref::joinSubmits(sendAll(), &why);
    ASSERT_TRUE(msg) << why.toStdString();
    ASSERT_GE(msg->parts, 2);
    for (int i = 0; i + 1 < msg->parts; ++i)
        EXPECT_EQ(msg->partOctets[i], 140) << "part " << i + 1;
    const auto tone = smartref::readRingtone(msg->payload, &why);
    ASSERT_TRUE(tone) << why.toStdString();
    ASSERT_EQ(tone->patternCounts, QList<int>{255});
    int noteCount = 0;
    for (const Instruction& i : tone->instructions)
        noteCount += i.id == 1;
    EXPECT_EQ(noteCount, choice.notes);
    EXPECT_EQ(tone->instructions.first(), tempo(18));
}
