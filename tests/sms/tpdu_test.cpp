// The reference PDU codec of the tests against published and hand-worked
// vectors: if it is wrong, every check made with it is worthless.
#include <gtest/gtest.h>

#include "support/Tpdu.h"

using namespace tpdu;

static void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {
QByteArray septetsOf(std::initializer_list<int> v)
{
    QByteArray b;
    for (int x : v)
        b.append(static_cast<char>(x));
    return b;
}
} // namespace

TEST(TpduAlphabet, DefaultAndExtensionTables)
{
    EXPECT_EQ(gsmEncode(QString::fromUtf8("@£$¥èé")), septetsOf({0x00, 0x01, 0x02, 0x03, 0x04, 0x05}));
    EXPECT_EQ(gsmEncode(QString::fromUtf8("_¤§¡¿àΔ")), septetsOf({0x11, 0x24, 0x5F, 0x40, 0x60, 0x7F, 0x10}));
    EXPECT_EQ(gsmEncode(QString::fromUtf8("€[]{}|~^\\")),
              septetsOf({0x1B, 0x65, 0x1B, 0x3C, 0x1B, 0x3E, 0x1B, 0x28, 0x1B, 0x29, 0x1B, 0x40, 0x1B, 0x3D,
                         0x1B, 0x14, 0x1B, 0x2F}));
    EXPECT_EQ(gsmEncode("Az09 \n\r"), septetsOf({0x41, 0x7A, 0x30, 0x39, 0x20, 0x0A, 0x0D}));
    // Characters outside both tables cannot be sent in 7 bits.
    EXPECT_TRUE(gsmEncode(QString::fromUtf8("José")).has_value());   // é is in the table
    EXPECT_FALSE(gsmEncode(QString::fromUtf8("Ā")).has_value());
    EXPECT_FALSE(gsmEncode(QString::fromUtf8("`")).has_value());
    EXPECT_EQ(gsmSeptetCount(QString::fromUtf8("a€b")), 4);
    EXPECT_EQ(gsmSeptetCount(QString::fromUtf8("ä€Ā")), -1);

    const QString all = QString::fromUtf8("@£$¥èéùìòÇ\nØø\rÅåΔ_ΦΓΛΩΠΨΣΘΞÆæßÉ !\"#¤%&'()*+,-./0123456789:;<=>?"
                                          "¡ABCDEFGHIJKLMNOPQRSTUVWXYZÄÖÑÜ§¿abcdefghijklmnopqrstuvwxyzäöñüà\f^{}\\[~]|€");
    const auto enc = gsmEncode(all);
    ASSERT_TRUE(enc.has_value());
    EXPECT_EQ(enc->size(), 127 + 2 * 10);
    EXPECT_EQ(gsmDecode(*enc), all);
    // An escape before a code without an extension shows the base character;
    // a lone escape at the end is dropped.
    EXPECT_EQ(gsmDecode(septetsOf({0x1B, 0x41, 0x42, 0x1B})), "AB");
}

TEST(TpduPacking, PublishedAndHandWorkedVectors)
{
    EXPECT_EQ(toHex(packSeptets(*gsmEncode("hellohello"))), "E8329BFD4697D9EC37");
    EXPECT_EQ(toHex(packSeptets(*gsmEncode("hello"))), "E8329BFD06");
    EXPECT_EQ(toHex(packSeptets(*gsmEncode("ABCDEFG"))), "41E19058341E01");
    EXPECT_EQ(toHex(packSeptets(*gsmEncode("ABCDEFGH"))), "41E19058341E91");
    // After a 6-octet header one fill bit comes first: 'h' (0x68) shifted
    // left by one gives D0, and so on.
    EXPECT_EQ(toHex(packSeptets(*gsmEncode("hello"), 1)), "D06536FB0D");
    EXPECT_EQ(gsmDecode(unpackSeptets(*fromHex("D06536FB0D"), 5, 1)), "hello");
    EXPECT_EQ(gsmDecode(unpackSeptets(*fromHex("E8329BFD4697D9EC37"), 10)), "hellohello");
    // Asking for more septets than the octets hold returns what is there.
    EXPECT_EQ(unpackSeptets(*fromHex("E832"), 5).size(), 2);
    for (int fill = 0; fill < 7; ++fill)
        for (int n = 0; n < 20; ++n) {
            QByteArray s;
            for (int i = 0; i < n; ++i)
                s.append(static_cast<char>((i * 37 + fill) & 0x7F));
            EXPECT_EQ(unpackSeptets(packSeptets(s, fill), n, fill), s) << fill << " " << n;
            EXPECT_EQ(packSeptets(s, fill).size(), (fill + 7 * n + 7) / 8);
        }
}

TEST(TpduHex, StrictParsing)
{
    EXPECT_EQ(fromHex("00aF"), QByteArray::fromHex("00AF"));
    EXPECT_FALSE(fromHex("0").has_value());
    EXPECT_FALSE(fromHex("0G").has_value());
    EXPECT_FALSE(fromHex("00 11").has_value());
    EXPECT_EQ(toHex(QByteArray::fromHex("0aff")), "0AFF");
}

TEST(TpduSubmit, DecodesTheHelloHelloVector)
{
    QString why;
    const auto s = decodeSubmit("0011010C914477000910320000A70AE8329BFD4697D9EC37", true, &why);
    ASSERT_TRUE(s.has_value()) << why.toStdString();
    EXPECT_FALSE(s->sca.has_value());
    EXPECT_EQ(s->firstOctet, 0x11);
    EXPECT_EQ(s->vpf, 2);
    EXPECT_FALSE(s->udhi);
    EXPECT_EQ(s->mr, 1);
    EXPECT_EQ(s->da.number, "+447700900123");
    EXPECT_EQ(s->da.ton(), 1);
    EXPECT_EQ(s->da.npi(), 1);
    EXPECT_EQ(s->da.digitCount, 12);
    EXPECT_EQ(s->pid, 0);
    EXPECT_EQ(s->dcs, 0);
    EXPECT_EQ(s->vpRelative, 0xA7);
    EXPECT_EQ(s->ud.udl, 10);
    EXPECT_EQ(s->ud.text, "hellohello");
    EXPECT_EQ(toHex(s->ud.raw), "E8329BFD4697D9EC37");
    EXPECT_EQ(s->tpduLength, 23);   // what AT+CMGS= gives
}

TEST(TpduSubmit, OddNumbersSmartPartsAndMalformedInput)
{
    // A national number of 11 digits: 'F' before its last digit.
    auto s = decodeSubmit("0011050B817000090321F30000A70AE8329BFD4697D9EC37");
    ASSERT_TRUE(s.has_value());
    EXPECT_EQ(s->da.number, "07009030123");
    EXPECT_EQ(s->da.toa, 0x81);
    EXPECT_EQ(s->mr, 5);

    // A smart part: 8-bit class 1 with ports 1581/0000 and part 1 of 2.
    s = decodeSubmit("0051070C91447700091032" "00F5A7" "0E" "0B0504158100000003220201" "CAFE");
    ASSERT_TRUE(s.has_value());
    EXPECT_TRUE(s->udhi);
    EXPECT_EQ(s->dcs, 0xF5);
    EXPECT_EQ(alphabetOf(s->dcs), Alphabet::Data8);
    EXPECT_EQ(messageClass(s->dcs), 1);
    EXPECT_EQ(s->ud.header.destinationPort, 0x1581);
    EXPECT_EQ(s->ud.header.originatorPort, 0);
    EXPECT_EQ(s->ud.header.concatRef, 0x22);
    EXPECT_EQ(s->ud.header.concatTotal, 2);
    EXPECT_EQ(s->ud.header.concatSeq, 1);
    EXPECT_EQ(s->ud.header.elements.size(), 2);
    EXPECT_EQ(toHex(s->ud.payload), "CAFE");
    EXPECT_TRUE(s->ud.text.isEmpty());

    QString why;
    // UDL says 11 septets but only 9 octets follow (10 septets' worth).
    EXPECT_FALSE(decodeSubmit("0011010C914477000910320000A70BE8329BFD4697D9EC37", true, &why));
    EXPECT_TRUE(why.contains("TP-UDL")) << why.toStdString();
    // Cut inside the address, odd hex, and an SMS-DELIVER first octet.
    EXPECT_FALSE(decodeSubmit("0011010C9144770009"));
    EXPECT_FALSE(decodeSubmit("0011010C914477000910320000A70AE8329BFD4697D9EC3"));
    EXPECT_FALSE(decodeSubmit("0004010C914477000910320000A70AE8329BFD4697D9EC37"));
    // An odd digit count without the filler nibble.
    EXPECT_FALSE(decodeSubmit("0011050B81700009032133" "0000A70AE8329BFD4697D9EC37"));
    // A header element that runs past the header.
    EXPECT_FALSE(decodeSubmit("0051070C9144770009103200F5A7" "05" "040005FFFF"));
}

TEST(TpduDeliver, DecodesAPublishedVector)
{
    // SMSC +27381000015, sender 27838890001 (national plan), 1999-03-29
    // 15:16:59 at UTC+2, "hellohello".
    const auto d = decodeDeliver("07917283010010F5040BC87238880900F10000993092516195800AE8329BFD4697D9EC37");
    ASSERT_TRUE(d.has_value());
    ASSERT_TRUE(d->sca.has_value());
    EXPECT_EQ(d->sca->number, "+27381000015");
    EXPECT_EQ(d->oa.number, "27838890001");
    EXPECT_EQ(d->oa.toa, 0xC8);
    EXPECT_FALSE(d->moreMessagesToSend);
    EXPECT_EQ(d->scts, QDateTime(QDate(1999, 3, 29), QTime(15, 16, 59), Qt::OffsetFromUTC, 2 * 3600));
    EXPECT_EQ(d->ud.text, "hellohello");
    EXPECT_EQ(d->tpduLength, tpduLengthOf("07917283010010F5040BC87238880900F10000993092516195800AE8329BFD4697D9EC37"));
}

TEST(TpduDeliver, BuildsHandWorkedPdus)
{
    // No SMSC, international even number, GSM text; SCTS 2024-05-06
    // 12:34:56 +01:00 by default.
    EXPECT_EQ(deliverText("+447700900123", "hellohello"),
              "00" "04" "0C91447700091032" "00" "00" "42506021436540" "0A" "E8329BFD4697D9EC37");
    // With an SMSC, and a national number of odd length.
    EXPECT_EQ(deliverText("12345", "hello", "+447785016005"),
              "0791447758100650" "04" "05812143F5" "00" "00" "42506021436540" "05" "E8329BFD06");
    // UCS-2.
    EXPECT_EQ(deliverUcs2("+447700900123", QString::fromUtf8("Аб")),
              "00" "04" "0C91447700091032" "00" "08" "42506021436540" "04" "04100431");

    // Alphanumeric sender "AB": two septets in two octets, four semi-octets.
    DeliverSpec alpha;
    alpha.sender = "AB";
    alpha.alphanumericSender = true;
    alpha.text = "hello";
    EXPECT_EQ(buildDeliver(alpha).value(), "00" "04" "04D04121" "00" "00" "42506021436540" "05" "E8329BFD06");

    // 7-bit text with a concatenation header: one fill bit, UDL counts the
    // header's seven septets.
    DeliverSpec part;
    part.sender = "+447700900123";
    part.udh = {concatElement8(0xCC, 2, 1)};
    part.text = "hello";
    EXPECT_EQ(buildDeliver(part).value(),
              "00" "44" "0C91447700091032" "00" "00" "42506021436540" "0C" "050003CC0201" "D06536FB0D");

    // 8-bit data to port 1581 with part 2 of 3, class 1.
    DeliverSpec smart;
    smart.sender = "+447700900123";
    smart.dcs = 0xF5;
    smart.udh = {portElement16(0x1581, 0), concatElement8(1, 3, 2)};
    smart.data = QByteArray::fromHex("024A3A");
    EXPECT_EQ(buildDeliver(smart).value(),
              "00" "44" "0C91447700091032" "00" "F5" "42506021436540" "0F" "0B0504158100000003010302" "024A3A");

    // Negative time zones set the sign bit; text outside the alphabet fails.
    DeliverSpec west;
    west.sender = "1";
    west.text = "x";
    west.scts = QDateTime(QDate(2023, 12, 31), QTime(23, 59, 58), Qt::OffsetFromUTC, -5 * 3600);
    // 20 quarters west: tens digit 2 with the sign bit, units 0.
    EXPECT_TRUE(buildDeliver(west)->contains("3221133295850A"));
    west.text = QString::fromUtf8("Ā");
    EXPECT_FALSE(buildDeliver(west).has_value());
}

TEST(TpduDeliver, RoundTripsEveryCodingTheTestsUse)
{
    struct Case {
        int dcs;
        Alphabet alphabet;
    };
    for (const Case c : {Case{0x00, Alphabet::Gsm7}, Case{0x04, Alphabet::Data8}, Case{0x08, Alphabet::Ucs2},
                         Case{0x0C, Alphabet::Reserved}, Case{0xF5, Alphabet::Data8}, Case{0xF1, Alphabet::Gsm7}}) {
        for (bool withHeader : {false, true}) {
            DeliverSpec spec;
            spec.smsc = "+447785016005";
            spec.sender = "+4477009001234";
            spec.dcs = c.dcs;
            if (withHeader)
                spec.udh = {portElement8(0x10, 0x20), concatElement16(0x1234, 4, 3)};
            if (c.alphabet == Alphabet::Gsm7 || c.alphabet == Alphabet::Ucs2)
                spec.text = QString::fromUtf8("Grüße [€] 12");
            else
                spec.data = QByteArray::fromHex("00FF10203040");
            const auto pdu = buildDeliver(spec);
            ASSERT_TRUE(pdu.has_value()) << c.dcs;
            QString why;
            const auto d = decodeDeliver(*pdu, true, &why);
            ASSERT_TRUE(d.has_value()) << c.dcs << " " << why.toStdString();
            EXPECT_EQ(alphabetOf(d->dcs), c.alphabet);
            EXPECT_EQ(d->oa.number, "+4477009001234");
            EXPECT_EQ(d->oa.digitCount, 13);
            EXPECT_EQ(d->udhi, withHeader);
            if (withHeader) {
                EXPECT_EQ(d->ud.header.destinationPort, 0x10);
                EXPECT_EQ(d->ud.header.concatRef, 0x1234);
                EXPECT_EQ(d->ud.header.concatTotal, 4);
                EXPECT_EQ(d->ud.header.concatSeq, 3);
            }
            if (c.alphabet == Alphabet::Gsm7 || c.alphabet == Alphabet::Ucs2)
                EXPECT_EQ(d->ud.text, spec.text) << c.dcs;
            else
                EXPECT_EQ(d->ud.payload, spec.data) << c.dcs;
        }
    }
}

TEST(TpduSubmit, BuilderAndDecoderAgree)
{
    SubmitSpec spec;
    spec.mr = 250;
    spec.destination = "07700900123";
    spec.text = "hellohello";
    EXPECT_EQ(buildSubmit(spec).value(), "0011FA0B817007900021F30000A70AE8329BFD4697D9EC37");
    spec.vpRelative = -1;
    spec.statusReportRequest = true;
    const auto s = decodeSubmit(*buildSubmit(spec));
    ASSERT_TRUE(s.has_value());
    EXPECT_EQ(s->vpf, 0);
    EXPECT_TRUE(s->statusReportRequest);
    EXPECT_TRUE(s->vpRaw.isEmpty());
    EXPECT_EQ(s->ud.text, "hellohello");
}

TEST(TpduDecoders, EveryTruncationIsRefused)
{
    DeliverSpec smart;
    smart.smsc = "+447785016005";
    smart.sender = "+447700900123";
    smart.dcs = 0x04;
    smart.udh = {portElement16(0x1581, 0), concatElement8(1, 3, 2)};
    smart.data = QByteArray::fromHex("024A3A");
    const QStringList delivers = {*buildDeliver(smart), deliverText("+447700900123", "hellohello"),
                                  deliverUcs2("123", QString::fromUtf8("Аб"))};
    for (const QString& pdu : delivers) {
        ASSERT_TRUE(decodeDeliver(pdu).has_value());
        for (int cut = 0; cut < pdu.size(); cut += 2)
            EXPECT_FALSE(decodeDeliver(pdu.left(cut)).has_value()) << pdu.toStdString() << " cut " << cut;
        // One octet too many is refused as well.
        EXPECT_FALSE(decodeDeliver(pdu + "00").has_value());
    }
    const QString submit = "0011010C914477000910320000A70AE8329BFD4697D9EC37";
    for (int cut = 0; cut < submit.size(); cut += 2)
        EXPECT_FALSE(decodeSubmit(submit.left(cut)).has_value()) << cut;
}
