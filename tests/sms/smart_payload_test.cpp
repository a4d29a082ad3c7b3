// Operator logos, picture messages and ringtone parts: what is stored is
// sent as the Outbox sender sends it and read back with the reference
// reader (TS 23.040 headers, smart messaging payloads); the display readers
// get own and foreign content, and malformed content of every kind.
#include <gtest/gtest.h>

#include <QRandomGenerator>

#include "sms/Ringtone.h"
#include "sms/SmartMessage.h"
#include "SmartReference.h"

using namespace sms;

namespace {

MonoBitmap pattern(int width, int height, int seed)
{
    MonoBitmap bm(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            bm.setPixel(x, y, (x * 3 + y * 5 + seed) % 7 == 0 || x == 0 || y == height - 1);
    return bm;
}

void expectSame(const smartref::Bitmap& ref, const MonoBitmap& bm)
{
    ASSERT_EQ(ref.width, bm.width());
    ASSERT_EQ(ref.height, bm.height());
    for (int y = 0; y < bm.height(); ++y)
        for (int x = 0; x < bm.width(); ++x)
            ASSERT_EQ(ref.at(x, y), bm.pixel(x, y)) << x << "," << y;
}

smartref::Message sendOk(const QString& content, int type)
{
    QString error;
    const auto msg = smartref::sendAndJoin(content, type, &error);
    EXPECT_TRUE(msg) << error.toStdString();
    return msg.value_or(smartref::Message{});
}

} // namespace

TEST(RingtoneParts, CutInto128OctetChunksBehindHeaders)
{
    EXPECT_EQ(smartPartHeader(SmartPort::Ringtone, 1, 1), "0B0504158100000003010101");
    EXPECT_EQ(smartPartHeader(SmartPort::PictureMessage, 3, 2), "0B0504158A00000003010302");
    QString stream;
    for (int i = 0; i < 256; ++i)
        stream += QLatin1Char("0123456789ABCDEF"[(i * 7) % 16]);

    smartref::Message m = sendOk(ringtoneParts(stream), 2);
    EXPECT_EQ(m.port, 0x1581);
    EXPECT_EQ(m.partOctets, QList<int>{140});
    EXPECT_EQ(smartref::hex(m.payload), stream);

    m = sendOk(ringtoneParts(stream + "0a"), 2);
    EXPECT_EQ(m.partOctets, (QList<int>{140, 13}));
    EXPECT_EQ(smartref::hex(m.payload), stream + "0A");

    const QString tune = encodeRtttl("Parts:d=4:" + QString("c,d,e,f,").repeated(50) + "c").hex;
    m = sendOk(ringtoneParts(tune), 2);
    EXPECT_EQ(m.parts, 3);
    EXPECT_EQ(smartref::hex(m.payload), tune);

    for (const QString& bad : {QString(), QString("ABC"), QString("ABCG"), QString(256 * 256 + 2, QLatin1Char('0'))})
        EXPECT_TRUE(ringtoneParts(bad).isEmpty()) << bad.size();
}

TEST(OperatorLogo, TwoPartsReadByTheReference)
{
    const MonoBitmap logo = pattern(72, 14, 1);
    const QString content = operatorLogoPayload("23415", logo);
    EXPECT_TRUE(content.startsWith("0B05041582000000030102013032F4510A00480E01"));
    EXPECT_EQ(content.mid(280, 24), "0B0504158200000003010202");
    const smartref::Message m = sendOk(content, 3);
    EXPECT_EQ(m.port, 0x1582);
    EXPECT_EQ(m.partOctets, (QList<int>{140, 19}));
    QString error;
    const auto read = smartref::readLogo(m.payload, &error);
    ASSERT_TRUE(read) << error.toStdString();
    EXPECT_EQ(read->operatorCode, "23415");
    expectSame(read->bitmap, logo);
    EXPECT_EQ(decodeOperatorLogo(content), logo);
}

TEST(OperatorLogo, OperatorCodes)
{
    EXPECT_EQ(operatorCodeOctets("23415"), "32F451");
    EXPECT_EQ(operatorCodeOctets("234150"), "321405");
    EXPECT_EQ(operatorCodeOctets(" 310 260 "), "132006");
    QString error;
    const auto six = smartref::readLogo(sendOk(operatorLogoPayload("310260", MonoBitmap()), 3).payload, &error);
    ASSERT_TRUE(six) << error.toStdString();
    EXPECT_EQ(six->operatorCode, "310260");
    for (const char* bad : {"1.234", "-2341", "1e100", "&H1F1", "1234", "1234567", "", "2341A",
                            "\xD9\xA1\xD9\xA2\xD9\xA3\xD9\xA4\xD9\xA5"}) {
        EXPECT_TRUE(operatorCodeOctets(QString::fromUtf8(bad)).isEmpty()) << bad;
        EXPECT_TRUE(operatorLogoPayload(QString::fromUtf8(bad), pattern(72, 14, 0)).isEmpty()) << bad;
    }
}

TEST(OperatorLogo, BitmapAreaIs72By14)
{
    MonoBitmap black(72, 14);
    black.fill(true);
    EXPECT_EQ(bitmapHex(MonoBitmap(72, 14), 72, 14), QString(252, QLatin1Char('0')));
    EXPECT_EQ(bitmapHex(black, 72, 14), QString(252, QLatin1Char('F')));
    // A smaller bitmap is paper around; a larger one is cut.
    MonoBitmap small(10, 5);
    small.fill(true);
    const MonoBitmap logo = decodeOperatorLogo(operatorLogoPayload("23415", small));
    EXPECT_EQ(logo.width(), 72);
    EXPECT_EQ(logo.inkCount(), 50);
    EXPECT_TRUE(logo.pixel(9, 4));
    EXPECT_FALSE(logo.pixel(10, 4));
    const MonoBitmap big = pattern(100, 40, 3);
    MonoBitmap cut(72, 14);
    for (int y = 0; y < 14; ++y)
        for (int x = 0; x < 72; ++x)
            cut.setPixel(x, y, big.pixel(x, y));
    EXPECT_EQ(decodeOperatorLogo(operatorLogoPayload("23415", big)), cut);
}

TEST(PictureMessage, ThreePartsReadByTheReference)
{
    const MonoBitmap picture = pattern(72, 28, 2);
    const QString bare = pictureMessagePayload(picture, QString());
    EXPECT_TRUE(bare.startsWith("0B0504158A000000030103013002010000481C01"));
    EXPECT_EQ(bare.mid(280, 24), "0B0504158A00000003010302");
    EXPECT_EQ(bare.mid(560, 24), "0B0504158A00000003010303");
    smartref::Message m = sendOk(bare, 4);
    EXPECT_EQ(m.port, 0x158A);
    EXPECT_EQ(m.partOctets, (QList<int>{140, 140, 16}));
    QString error;
    auto read = smartref::readPicture(m.payload, &error);
    ASSERT_TRUE(read) << error.toStdString();
    EXPECT_EQ(read->items, 1);
    EXPECT_FALSE(read->text);
    expectSame(*read->bitmap, picture);

    // The text in ISO 8859-1, '?' for other characters; 121 fill part 3.
    const QString text = QString::fromUtf8("Caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80") + QString(113, 'x');
    ASSERT_EQ(text.toUcs4().size(), 121);
    m = sendOk(pictureMessagePayload(picture, text), 4);
    EXPECT_EQ(m.partOctets, (QList<int>{140, 140, 140}));
    read = smartref::readPicture(m.payload, &error);
    ASSERT_TRUE(read) << error.toStdString();
    EXPECT_EQ(read->items, 2);
    EXPECT_EQ(read->text, QString::fromUtf8("Caf\xC3\xA9 ? ?") + QString(113, 'x'));
    expectSame(*read->bitmap, picture);

    EXPECT_TRUE(pictureMessagePayload(picture, text + "y").isEmpty());
    read = smartref::readPicture(sendOk(pictureMessagePayload(picture, "  "), 4).payload, &error);
    ASSERT_TRUE(read) << error.toStdString();
    EXPECT_EQ(read->text, "  ");
}

TEST(SmartDisplay, ReadsOwnContent)
{
    const MonoBitmap picture = pattern(72, 28, 5);
    PictureMessage pm = decodePictureMessage(pictureMessagePayload(picture, QString::fromUtf8("Hi \xC3\xA9")));
    EXPECT_EQ(pm.bitmap, picture);
    EXPECT_TRUE(pm.hasText);
    EXPECT_EQ(pm.text, QString::fromUtf8("Hi \xC3\xA9"));
    pm = decodePictureMessage(pictureMessagePayload(picture, QString()));
    EXPECT_EQ(pm.bitmap, picture);
    EXPECT_FALSE(pm.hasText);
    EXPECT_EQ(ringtoneTitle(ringtoneParts(encodeRtttl("Own tune:d=4:c").hex)), "Own tune");
}

TEST(SmartDisplay, ReadsForeignContent)
{
    const QString logoHeader = "0B0504158200000003010101";
    // A 10 x 3 logo: the pixels run on without row padding.
    const QString rows = "1000000001" "0110000110" "0001111000";
    MonoBitmap logo = decodeOperatorLogo(logoHeader + "3032F4510A" + "000A0301" + smartref::bitsHex(rows));
    ASSERT_EQ(logo.width(), 10);
    ASSERT_EQ(logo.height(), 3);
    for (int i = 0; i < 30; ++i)
        EXPECT_EQ(logo.pixel(i % 10, i / 10), rows[i] == '1') << i;
    // Short pixel data leaves the rest paper.
    logo = decodeOperatorLogo(logoHeader + "3032F4510A" + "00480E01" + "FF");
    EXPECT_EQ(logo.width(), 72);
    EXPECT_EQ(logo.inkCount(), 8);

    const QString picHeader = "0B0504158A00000003010101";
    const QString bitmapItem = "020006" "00080201" "A55A"; // 8 x 2 in 6 octets
    auto text = [](const QString& t) {
        return QStringLiteral("00%1").arg(t.size(), 4, 16, QLatin1Char('0')).toUpper() + smartref::hex(t.toLatin1());
    };
    // Text first, bitmap second: both are shown.
    PictureMessage pm = decodePictureMessage(picHeader + "30" + text("Hello") + bitmapItem);
    EXPECT_EQ(pm.text, "Hello");
    EXPECT_EQ(pm.bitmap.width(), 8);
    EXPECT_EQ(pm.bitmap.inkCount(), 8);
    EXPECT_TRUE(pm.bitmap.pixel(0, 0));
    EXPECT_TRUE(pm.bitmap.pixel(1, 1));
    // Each item ends at its length; a later text replaces an earlier one.
    pm = decodePictureMessage(picHeader + "30" + text("AB") + bitmapItem);
    EXPECT_EQ(pm.text, "AB");
    pm = decodePictureMessage(picHeader + "30" + bitmapItem + text("AB") + text("CD"));
    EXPECT_EQ(pm.text, "CD");
    pm = decodePictureMessage(picHeader + "30" + "010004" + "00410042");
    EXPECT_EQ(pm.text, "<Unicode Message>");
    pm = decodePictureMessage(picHeader + "30" + bitmapItem);
    EXPECT_FALSE(pm.hasText);
}

TEST(PartHeaders, StrippedOnlyWhereAHeaderCanStand)
{
    const QString header = smartPartHeader(SmartPort::Ringtone, 2, 1);
    const QString header2 = smartPartHeader(SmartPort::Ringtone, 2, 2);
    EXPECT_EQ(stripPartHeaders(header + "AABB" + header2 + "CC", SmartPort::Ringtone), "AABBCC");
    EXPECT_EQ(stripPartHeaders(header.toLower() + "AABB", SmartPort::Ringtone), "AABB");
    // Another port's headers stay.
    EXPECT_EQ(stripPartHeaders(header + "AA", SmartPort::OperatorLogo), header + "AA");
    // No length octet before the port, a length that does not cover it, a
    // length that is no hex or runs past the end, a header off the octet
    // boundary: not a header.
    for (const QString& s : {QString("05041581000000030101"), QString("A05041581000000030101"),
                             QString("0005041581AABB"), QString("0305041581AABB"), QString("ZZ05041581000000030101"),
                             QString("0B05041581"), QString("FF050415810000"),
                             QString("A06050415810000B")})
        EXPECT_EQ(stripPartHeaders(s, SmartPort::Ringtone), s) << s.toStdString();
    // A match off the octet boundary is data; the search goes on after it.
    EXPECT_EQ(stripPartHeaders("ABC05041581D" + header + "FF", SmartPort::Ringtone), "ABC05041581DFF");
    // A header whose length octet ended the data before a cut still goes.
    EXPECT_EQ(stripPartHeaders(QString("06") + "06050415810000" + "050415810000" + "EE", SmartPort::Ringtone),
              "EE");
}

TEST(SmartDisplay, MalformedContentNeverFails)
{
    // Every cut and many random changes of each kind of content: readers
    // return, bitmaps stay within what an octet can state.
    const QStringList contents = {
        ringtoneParts(encodeRtttl("Fuzz:d=8,o=5,b=180:c,d#6.,8p,h7..,32a#").hex),
        operatorLogoPayload("23415", pattern(72, 14, 4)),
        pictureMessagePayload(pattern(72, 28, 6), "Text"),
    };
    auto check = [](const QString& s) {
        const MonoBitmap logo = decodeOperatorLogo(s);
        const PictureMessage pm = decodePictureMessage(s);
        const Ringtone tone = parseRingtone(s);
        ASSERT_LE(logo.width(), 255);
        ASSERT_LE(logo.height(), 255);
        ASSERT_LE(pm.bitmap.width(), 255);
        ASSERT_LE(pm.text.size(), qMax<qsizetype>(17, s.size() / 2));
        ASSERT_LE(tone.notes.size(), s.size());
        ASSERT_LE(ringtoneTitle(s).size(), 15);
    };
    QRandomGenerator rng(12);
    const QString pieces[] = {"0B", "05041581", "05041582", "0504158A", "00", "FF", "Z", "0", "02", "0100"};
    for (const QString& c : contents) {
        for (qsizetype n = 0; n <= c.size(); ++n)
            check(c.left(n));
        for (int round = 0; round < 3000; ++round) {
            QString s = c;
            for (int k = rng.bounded(1, 6); k > 0; --k) {
                const int at = rng.bounded(int(s.size()) + 1);
                switch (rng.bounded(3)) {
                case 0: s.insert(at, pieces[rng.bounded(10)]); break;
                case 1: s.remove(at, rng.bounded(1, 40)); break;
                default: s.replace(at, 2, QStringLiteral("%1").arg(rng.bounded(256), 2, 16, QLatin1Char('0'))); break;
                }
            }
            check(s);
        }
    }
}
