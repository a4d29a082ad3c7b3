// Decoding received SMS-DELIVER PDUs. The hand-written vectors are spelt out
// field by field as 3GPP TS 23.040 lays them out (9.2.2.1): SMSC
// information, first octet, originating address (length in semi-octets,
// type of address, swapped digits with an "F" filler), PID, DCS, the 7-octet
// time stamp, UDL and the user data. The sweep at the end checks the decoder
// against the reference codec of the test support over many messages.
#include <gtest/gtest.h>

#include "sms/DeliverPdu.h"
#include "sms/Gsm7.h"
#include "support/Tpdu.h"

using namespace pdu;

namespace {

const QString kScts = "52101291000000"; // 2025-01-21 19:00:00, zone 0

// Joins the fields of a DELIVER TPDU after an SMSC information field.
QString deliver(const QString& smsc, const QString& firstOctet, const QString& oa, const QString& dcs,
                const QString& udl, const QString& ud)
{
    return smsc + firstOctet + oa + "00" + dcs + kScts + udl + ud;
}

// No SMSC address, no UDHI.
QString simple(const QString& oa, const QString& dcs, const QString& udl, const QString& ud)
{
    return deliver("00", "04", oa, dcs, udl, ud);
}

// +447700900123: 12 digits, international (91).
const QString kOaIntl = "0C91447700091032";
// 07700900123: 11 digits, national/unknown (81), "F" filler in the last octet.
const QString kOaOdd = "0B817007900021F3";
// "hellohello": 10 septets.
const QString kHello = "E8329BFD4697D9EC37";

Deliver decodeOk(const QString& pdu)
{
    const auto d = decodeDeliverPdu(pdu);
    EXPECT_TRUE(d.has_value()) << pdu.toStdString();
    return d.value_or(Deliver{});
}

} // namespace

TEST(DeliverPdu, SevenBitTextFromInternationalNumberBehindAnSmsc)
{
    // SMSC +447785016005: 7 octets, 91, swapped digits.
    const Deliver d = decodeOk(deliver("07914477581006 50", "04", kOaIntl, "00", "0A", kHello).remove(' '));
    EXPECT_EQ(d.sender, "+447700900123");
    EXPECT_EQ(d.typeOfNumber, 0x91);
    EXPECT_EQ(d.dcs, 0);
    EXPECT_EQ(d.messageType, MessageText);
    EXPECT_EQ(d.requestType, RequestNone);
    EXPECT_EQ(d.userData, kHello);
    EXPECT_EQ(d.text, "hellohello");
    EXPECT_EQ(d.partTotal, 1);
    EXPECT_EQ(d.partSequence, 1);
}

TEST(DeliverPdu, OddDigitCountDropsTheFillerAndKeepsFieldsAligned)
{
    const Deliver d = decodeOk(simple(kOaOdd, "00", "0A", kHello));
    EXPECT_EQ(d.sender, "07700900123");
    EXPECT_EQ(d.messageType, MessageText);
    EXPECT_EQ(d.userData, kHello);
    EXPECT_EQ(d.text, "hellohello");

    // One digit: "5" is written "F5".
    EXPECT_EQ(decodeOk(simple("0181F5", "00", "0A", kHello)).sender, "5");
    // A reserved DCS right after an odd address is read from the right place.
    EXPECT_EQ(decodeOk(simple(kOaOdd, "0C", "09", kHello)).messageType, MessageDropped);
}

TEST(DeliverPdu, AlphanumericSendersAreUnpacked)
{
    // "O'Neil": 6 septets = 42 bits = 11 semi-octets, type D0.
    Deliver d = decodeOk(simple("0BD0CF93B39C6603", "00", "0A", kHello));
    EXPECT_EQ(d.sender, "O'Neil");
    EXPECT_EQ(d.userData, kHello);
    // "Velquar1": 8 septets fill 7 octets exactly (14 semi-octets).
    d = decodeOk(simple("0ED0D6323B5E0FCB63", "00", "0A", kHello));
    EXPECT_EQ(d.sender, "Velquar1");
    EXPECT_EQ(d.text, "hellohello");
}

TEST(DeliverPdu, RemoteRequestTypeFromTheStartOfTheText)
{
    // "#GP family Hi all" (17 septets), "#NU", "#RU 5927", "#gp x".
    EXPECT_EQ(decodeOk(simple(kOaIntl, "00", "11", "A32314640EB7D3EC3C08990685D96C")).requestType,
              RequestGroupSend);
    EXPECT_EQ(decodeOk(simple(kOaIntl, "00", "03", "236715")).requestType, RequestNumberUpdate);
    EXPECT_EQ(decodeOk(simple(kOaIntl, "00", "08", "23691554CBC96E")).requestType, RequestRetrieve);
    EXPECT_EQ(decodeOk(simple(kOaIntl, "00", "05", "A3331C8407")).requestType, RequestNone);
    EXPECT_EQ(remoteRequestType(" #GP"), RequestNone);
    EXPECT_EQ(remoteRequestType("#R"), RequestNone);
}

TEST(DeliverPdu, EightBitMessagesAreClassifiedByTheirPort)
{
    // Part header: 0B, IE 05 (ports 16-bit) len 04, destination, origin 0000,
    // IE 00 (concatenation) len 03, reference 01, total, sequence.
    struct Case {
        const char* port;
        int type;
    } cases[] = {{"1581", MessageRingtone}, {"1582", MessageOperatorLogo}, {"158A", MessagePicture}};
    for (const Case& c : cases) {
        const QString ud = "0B0504" + QString(c.port) + "000000030103020A0B0C0D";
        const Deliver d = decodeOk(deliver("00", "44", kOaIntl, "F5", "10", ud));
        EXPECT_EQ(d.messageType, c.type) << c.port;
        EXPECT_EQ(d.userData, ud) << c.port;
        EXPECT_EQ(d.partTotal, 3) << c.port;
        EXPECT_EQ(d.partSequence, 2) << c.port;
        EXPECT_EQ(d.requestType, RequestNone);
    }
    // Any other port is stored as a text; DCS 04 is 8-bit as well.
    EXPECT_EQ(decodeOk(simple(kOaIntl, "04", "08", "0605041234000041")).messageType, MessageText);
    // Fewer than 11 hex digits of user data (5 octets): dropped.
    EXPECT_EQ(decodeOk(simple(kOaIntl, "F5", "05", "0605041581")).messageType, MessageDropped);
    // A smart port with no concatenation element is a message of one part.
    const Deliver single = decodeOk(deliver("00", "44", kOaIntl, "F5", "08", "0605041581000001"));
    EXPECT_EQ(single.messageType, MessageRingtone);
    EXPECT_EQ(single.partReference, -1);
    EXPECT_EQ(single.partTotal, 1);
    EXPECT_EQ(single.partSequence, 1);
    EXPECT_EQ(single.userData, "0605041581000001");
    // Without TP-UDHI the octets are data, not a header: a text.
    EXPECT_EQ(decodeOk(simple(kOaIntl, "F5", "0C", "0B05041581000000030103020A")).messageType, MessageText);
}

TEST(DeliverPdu, SmartPartsAreReadByTheirHeaderElements)
{
    using namespace tpdu;
    const UdhElement language{0x24, QByteArray::fromHex("01")};
    struct Case {
        QList<UdhElement> udh;
        int type, reference, total, sequence;
        QList<UdhElement> kept; // the header the part is kept with
    } cases[] = {
        {{concatElement8(0x42, 3, 2), portElement16(0x1581, 0)}, MessageRingtone, 0x42, 3, 2,
         {portElement16(0x1581, 0), concatElement8(0x42, 3, 2)}},
        {{portElement16(0x1582, 0x1582), concatElement16(0xA001, 2, 2)}, MessageOperatorLogo, 0xA001, 2, 2,
         {portElement16(0x1582, 0x1582), concatElement16(0xA001, 2, 2)}},
        {{language, concatElement8(7, 4, 1), language, portElement16(0x158A, 0)}, MessagePicture, 7, 4, 1,
         {portElement16(0x158A, 0), concatElement8(7, 4, 1)}},
        {{portElement16(0x158A, 0)}, MessagePicture, -1, 1, 1, {portElement16(0x158A, 0)}},
        // Impossible part numbers: one part.
        {{portElement16(0x1581, 0), concatElement8(3, 2, 5)}, MessageRingtone, -1, 1, 1, {portElement16(0x1581, 0)}},
        // An 8-bit port cannot name a smart-message port: a text.
        {{portElement8(0x81, 0), concatElement8(3, 2, 1)}, MessageText, -1, 1, 1, {}},
    };
    const QByteArray payload = QByteArray::fromHex("024A3A51D195CD00");
    for (const Case& c : cases) {
        DeliverSpec spec;
        spec.sender = "+447700900123";
        spec.dcs = 0xF5;
        spec.udh = c.udh;
        spec.data = payload;
        const QString pdu = buildDeliver(spec).value_or(QString());
        SCOPED_TRACE(pdu.toStdString());
        const auto ref = decodeDeliver(pdu);
        ASSERT_TRUE(ref.has_value());
        const pdu::Deliver d = decodeOk(pdu);
        EXPECT_EQ(d.messageType, c.type);
        if (c.type == MessageText)
            continue;
        EXPECT_EQ(d.partReference, ref->ud.header.isPartOfSet() ? ref->ud.header.concatRef : -1);
        EXPECT_EQ(d.partReference, c.reference);
        EXPECT_EQ(d.partTotal, c.total);
        EXPECT_EQ(d.partSequence, c.sequence);
        EXPECT_EQ(d.userData, toHex(encodeUdh(c.kept) + ref->ud.payload));
    }
    // A header element cut short by the header's end: the elements before
    // it count.
    DeliverSpec cut;
    cut.sender = "+447700900123";
    cut.dcs = 0xF5;
    cut.rawUdh = QByteArray::fromHex("080504158100000003");
    cut.data = payload;
    const pdu::Deliver d = decodeOk(buildDeliver(cut).value());
    EXPECT_EQ(d.messageType, MessageRingtone);
    EXPECT_EQ(d.partTotal, 1);
    EXPECT_EQ(d.userData, "06050415810000" + toHex(payload));
}

TEST(DeliverPdu, ReceivedTextsKeepEverySeptet)
{
    // Blanks at both ends, and a last '@' that ends a group of eight septets
    // (it fills the top bits of the seventh octet, like zero fill would).
    const QStringList bodies = {"  two blanks first", "ends in blanks   ", "ABCDEFG@", "Seven @", " @@@@@@@",
                                "0123456789ABCDE@", "@", " "};
    for (const QString& body : bodies) {
        for (const bool withHeader : {false, true}) {
            tpdu::DeliverSpec spec;
            spec.sender = "+447700900123";
            spec.text = body;
            if (withHeader)
                spec.udh = {tpdu::concatElement8(0x21, 2, 1)};
            const QString pdu = tpdu::buildDeliver(spec).value();
            SCOPED_TRACE((body + (withHeader ? " (header)" : "")).toStdString());
            const auto ref = tpdu::decodeDeliver(pdu);
            ASSERT_TRUE(ref.has_value());
            const Deliver d = decodeOk(pdu);
            EXPECT_EQ(d.messageType, MessageText);
            EXPECT_EQ(d.text.size(), ref->ud.payload.size());
            EXPECT_EQ(tpdu::gsmDecode(d.text.toLatin1()), body);
            // What is stored reads back as the same septets and text.
            EXPECT_EQ(gsm7::unpackSeptets(d.userData, int(ref->ud.payload.size())).toLatin1(), ref->ud.payload);
            EXPECT_EQ(gsm7::textFromPacked(d.userData), body);
        }
    }
}

TEST(DeliverPdu, Ucs2TextsAreTypeFiveAndLoseTheirHeader)
{
    // "Привет": 6 code units, 12 octets.
    const QString text = "041F04400438043204350442";
    Deliver d = decodeOk(simple(kOaIntl, "08", "0C", text));
    EXPECT_EQ(d.messageType, MessageUnicode);
    EXPECT_EQ(d.userData, text);
    EXPECT_EQ(d.requestType, RequestNone);
    // With UDHI: the 6 header octets (UDHL 05, concatenation AB 2 of 2)
    // are not part of the text. UDL 18 octets.
    d = decodeOk(deliver("00", "44", kOaIntl, "08", "12", "050003AB0202" + text));
    EXPECT_EQ(d.messageType, MessageUnicode);
    EXPECT_EQ(d.userData, text);
    EXPECT_EQ(d.partTotal, 1);
}

TEST(DeliverPdu, LongSevenBitTextsSkipTheirHeaderAndFillBits)
{
    // Part 1 of a concatenated text: header 05 00 03 CC 02 01 (6 octets),
    // one fill bit to the septet boundary (7 header septets), 153 text
    // septets: UDL A0.
    const QString text1 = QString("Part one of a long text: ").repeated(7).left(152) + "X";
    const QString ud1 =
        "050003CC0201A061391DF47697416F33280C62BFDD6710BD8CA7EB40D0B09C0E7ABBCBA0B7191406B1DFEE33885EC6D"
        "3752068584E07BDDD65D0DB0C0A83D86FF719442FE3E93A10342CA783DEEE32E86D068541ECB7FB0CA297F1741D081A"
        "96D3416F7719F43683C220F6DB7D06D1CB78BA0E040DCBE9A0B7BB0C7A9B416110FBED3E83E8653C5D078286B1";
    // The same 153 septets packed from the first bit.
    const QString packed1 =
        "D0B09C0E7ABBCBA0B7191406B1DFEE33885EC6D3752068584E07BDDD65D0DB0C0A83D86FF719442FE3E93A10342CA7"
        "83DEEE32E86D068541ECB7FB0CA297F1741D081A96D3416F7719F43683C220F6DB7D06D1CB78BA0E040DCBE9A0B7BB"
        "0C7A9B416110FBED3E83E8653C5D078286E574D0DB5D06BDCDA03088FD769F41F4329EAE0341C358";
    Deliver d = decodeOk(deliver("00", "40", kOaOdd, "00", "A0", ud1));
    EXPECT_EQ(d.sender, "07700900123");
    EXPECT_EQ(d.messageType, MessageText);
    EXPECT_EQ(d.text, text1);
    EXPECT_EQ(d.userData, packed1);
    EXPECT_EQ(d.partTotal, 1);
    EXPECT_EQ(d.partSequence, 1);

    // Part 2 with a 16-bit reference: 06 08 04 1234 02 02 is 7 octets, 8
    // septets with no fill; "and its second part" is 19 septets: UDL 1B.
    d = decodeOk(deliver("00", "44", kOaIntl, "00", "1B", "0608041234020261371994A6CF41F3F2F8ED2683E061391D"));
    EXPECT_EQ(d.text, "and its second part");
    EXPECT_EQ(d.userData, "61371994A6CF41F3F2F8ED2683E061391D");
    EXPECT_EQ(d.requestType, RequestNone);
}

TEST(DeliverPdu, MalformedPdusAreRejected)
{
    const QString good = simple(kOaIntl, "00", "0A", kHello);
    ASSERT_TRUE(decodeDeliverPdu(good).has_value());
    EXPECT_FALSE(decodeDeliverPdu("").has_value());
    EXPECT_FALSE(decodeDeliverPdu("00").has_value());
    EXPECT_FALSE(decodeDeliverPdu(good + "0").has_value());           // odd length
    EXPECT_FALSE(decodeDeliverPdu(QString(good).replace(20, 1, "G")).has_value());
    EXPECT_FALSE(decodeDeliverPdu(QString(good).replace(30, 2, " 1")).has_value());
    // SMSC length past the end.
    EXPECT_FALSE(decodeDeliverPdu("FF" + good.mid(2)).has_value());
    // Address length past the end (0xFF semi-octets).
    EXPECT_FALSE(decodeDeliverPdu(simple("FF91447700091032", "00", "0A", kHello)).has_value());
    // UDL asks for more septets than the user data holds.
    EXPECT_FALSE(decodeDeliverPdu(simple(kOaIntl, "00", "0C", kHello)).has_value());
    EXPECT_FALSE(decodeDeliverPdu(simple(kOaIntl, "08", "0D", "041F04400438043204350442")).has_value());
    // UDHI set but no user data, or a header longer than the user data.
    EXPECT_FALSE(decodeDeliverPdu(deliver("00", "44", kOaIntl, "08", "00", "")).has_value());
    EXPECT_FALSE(decodeDeliverPdu(deliver("00", "44", kOaIntl, "08", "04", "0A000301")).has_value());
    // A 7-bit header longer than the septets UDL counts.
    EXPECT_FALSE(decodeDeliverPdu(deliver("00", "44", kOaIntl, "00", "06", "050003CC0201")).has_value());

    // Every truncation of a good PDU is rejected, not read past its end.
    const QString smart = deliver("00", "44", kOaIntl, "F5", "10", "0B05041581000000030103020A0B0C0D");
    for (const QString& full : {good, smart}) {
        for (int len = 0; len < full.size(); len += 2)
            EXPECT_FALSE(decodeDeliverPdu(full.left(len)).has_value()) << len;
    }
}

TEST(DeliverPdu, SurroundingBlanksAndLowerCaseHexAreAccepted)
{
    const QString good = simple(kOaIntl, "00", "0A", kHello);
    const Deliver d = decodeOk("  " + good.toLower() + "\r\n");
    EXPECT_EQ(d.sender, "+447700900123");
    EXPECT_EQ(d.userData, kHello);
    // Octets after the septets UDL counts are not text.
    EXPECT_EQ(decodeOk(good + "00").userData, kHello);
}

namespace {

// Characters whose GSM septet is their own code, so that a septet string
// and the text read the same.
QString sampleText(int length, int seed)
{
    static const QString chars = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789.,!?#%&'()*+-/:;<=> ";
    QString out;
    for (int i = 0; i < length; ++i)
        out += chars.at((i * 7 + seed * 13) % (chars.size() - 1)); // never a blank at either end...
    for (int i = 3; i < length - 1; i += 9)
        out[i] = ' '; // ...but blanks inside
    return out;
}

QString septetHex(const QByteArray& septets) { return tpdu::toHex(tpdu::packSeptets(septets)); }

} // namespace

TEST(DeliverPdu, AgreesWithTheReferenceCodec)
{
    struct Sender {
        QString text;
        bool alphanumeric;
    } senders[] = {{"+447700900123", false}, {"07700900123", false}, {"5", false},   {"+1", false},
                   {"O'Neil", true},         {"Velquar1", true},     {"Info 24", true}, {"A", true}};
    int checked = 0;
    for (const Sender& sender : senders) {
        for (int length : {1, 2, 7, 8, 9, 15, 16, 63, 64, 100, 152, 153, 160}) {
            const QString body = sampleText(length, length + checked);
            for (int variant = 0; variant < 5; ++variant) {
                tpdu::DeliverSpec spec;
                spec.sender = sender.text;
                spec.alphanumericSender = sender.alphanumeric;
                spec.smsc = variant % 2 ? "+447785016005" : QString();
                if (variant == 0 || variant == 1) {
                    spec.text = body;
                } else if (variant == 2) {
                    if (length > 153)
                        continue;
                    spec.udh = {tpdu::concatElement8(0x21, 3, 2)};
                    spec.text = body;
                } else if (variant == 3) {
                    if (length > 152)
                        continue;
                    spec.udh = {tpdu::concatElement16(0x4321, 2, 1)};
                    spec.text = body;
                } else {
                    if (length > 70)
                        continue;
                    spec.dcs = 0x08;
                    spec.text = body;
                }
                const std::optional<QString> pdu = tpdu::buildDeliver(spec);
                ASSERT_TRUE(pdu.has_value());
                const auto ref = tpdu::decodeDeliver(*pdu);
                ASSERT_TRUE(ref.has_value());
                const Deliver d = decodeOk(*pdu);
                SCOPED_TRACE(pdu->toStdString());
                EXPECT_EQ(d.sender, ref->oa.number);
                EXPECT_EQ(d.firstOctet, ref->firstOctet);
                EXPECT_EQ(d.partTotal, 1);
                EXPECT_EQ(d.partSequence, 1);
                if (variant == 4) {
                    EXPECT_EQ(d.messageType, MessageUnicode);
                    EXPECT_EQ(d.userData, tpdu::toHex(ref->ud.payload));
                } else {
                    EXPECT_EQ(d.messageType, MessageText);
                    EXPECT_EQ(d.text, ref->ud.text);
                    // The text septets packed on their own: without a header
                    // that is the user data as received.
                    EXPECT_EQ(d.userData, septetHex(ref->ud.payload));
                    if (!ref->ud.hasHeader) {
                        EXPECT_EQ(d.userData, tpdu::toHex(ref->ud.raw));
                    }
                }
                ++checked;
            }
        }
    }
    EXPECT_GT(checked, 300);

    // Smart message parts: every port and part number comes through.
    for (int port : {0x1581, 0x1582, 0x158A}) {
        for (int seq = 1; seq <= 3; ++seq) {
            tpdu::DeliverSpec spec;
            spec.sender = "+447700900123";
            spec.dcs = 0xF5;
            spec.udh = {tpdu::portElement16(port, 0), tpdu::concatElement8(1, 3, seq)};
            spec.data = QByteArray(seq * 40, char(0x5A + seq));
            const QString pdu = tpdu::buildDeliver(spec).value_or(QString());
            const auto ref = tpdu::decodeDeliver(pdu);
            ASSERT_TRUE(ref.has_value());
            const Deliver d = decodeOk(pdu);
            EXPECT_EQ(d.messageType, port == 0x1581 ? MessageRingtone : port == 0x1582 ? MessageOperatorLogo : MessagePicture);
            EXPECT_EQ(d.partTotal, ref->ud.header.concatTotal);
            EXPECT_EQ(d.partSequence, ref->ud.header.concatSeq);
            EXPECT_EQ(d.userData, tpdu::toHex(ref->ud.raw));
        }
    }
}
