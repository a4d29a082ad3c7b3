// The text codecs against known vectors and the reference septet packing.
#include <gtest/gtest.h>

#include "sms/Pdu.h"
#include "support/Tpdu.h"

using namespace pdu;

TEST(Pack7Bit, KnownVectorsAndRoundTrip)
{
    EXPECT_EQ(Pack7Bit("hellohello"), "E8329BFD4697D9EC37");
    EXPECT_EQ(Unpack7Bit("E8329BFD4697D9EC37"), "hellohello");
    // Seven septets: seven octets, the last holding one bit; the zero carry
    // is not a character.
    EXPECT_EQ(Pack7Bit("ABCDEFG"), "41E19058341E01");
    EXPECT_EQ(Unpack7Bit("41E19058341E01"), "ABCDEFG");
    // Eight septets also fit in seven octets.
    EXPECT_EQ(Pack7Bit("ABCDEFGH"), "41E19058341E91");
    EXPECT_EQ(Unpack7Bit("41E19058341E91"), "ABCDEFGH");
    EXPECT_EQ(Pack7Bit(""), "");
    EXPECT_EQ(Unpack7Bit(""), "");
}

TEST(Pack7Bit, TrimsBlanksAtBothEnds)
{
    EXPECT_EQ(Pack7Bit("  hellohello "), "E8329BFD4697D9EC37");
    // Inner blanks stay.
    EXPECT_EQ(Unpack7Bit(Pack7Bit("a b")), "a b");
}

TEST(Pack7Bit, LongTextsRoundTripAtEveryLength)
{
    const QString alphabet = "The quick brown fox jumps over the lazy dog 0123456789!?";
    for (int n = 1; n <= 160; ++n) {
        QString text;
        for (int i = 0; i < n; ++i)
            text += alphabet.at(i % alphabet.size());
        text = text.trimmed();
        const QString packed = Pack7Bit(text);
        EXPECT_EQ(packed.size(), (7 * text.size() + 7) / 8 * 2) << n;
        EXPECT_EQ(Unpack7Bit(packed), text) << n;
    }
}

TEST(SwapDigitPairs, SwapsPairsAndKeepsAnOddLast)
{
    EXPECT_EQ(SwapDigitPairs("ABCDEF"), "BADCFE");
    EXPECT_EQ(SwapDigitPairs("ABCDE"), "BADCE");
    EXPECT_EQ(SwapDigitPairs(" 447700900123F "), "447700091032F");
    EXPECT_EQ(SwapDigitPairs(""), "");
}

TEST(HexCodecs, TextToHexAndHexToUnicode)
{
    EXPECT_EQ(TextToHex("AB"), "4142");
    EXPECT_EQ(TextToHex(QString(QChar(0x0A))), "0A");
    EXPECT_EQ(TextToHex(""), "");
    EXPECT_EQ(HexToUnicode("00410042"), "AB");
    EXPECT_EQ(HexToUnicode(" 04100431 "), QString::fromUtf8("Аб"));
    // A malformed tail is ignored rather than read past.
    EXPECT_EQ(HexToUnicode("0041004"), "A");
    EXPECT_EQ(HexToUnicode("00G1"), "");
}

namespace {
QString asSeptets(const QByteArray& values)
{
    QString out;
    for (char c : values)
        out += QChar(char16_t(static_cast<unsigned char>(c)));
    return out;
}
} // namespace

TEST(SeptetReader, AgreesWithTheReferenceAtEveryFillAndLength)
{
    // Septet values from all over the table, 0 and 1 included.
    for (int n = 0; n <= 40; ++n) {
        QByteArray septets;
        for (int i = 0; i < n; ++i)
            septets.append(char((i * 37 + n * 11) % 128));
        for (int fill = 0; fill <= 6; ++fill) {
            const QByteArray octets = QByteArray(2, '\x5A') + tpdu::packSeptets(septets, fill);
            const auto* data = reinterpret_cast<const unsigned char*>(octets.constData());
            SCOPED_TRACE(n * 10 + fill);
            EXPECT_EQ(unpackSeptets(data, size_t(octets.size()), 16 + size_t(fill), size_t(n)),
                      asSeptets(tpdu::unpackSeptets(octets.mid(2), n, fill)));
            // Asked for more than is there: what is there, nothing past it.
            EXPECT_EQ(unpackSeptets(data, size_t(octets.size()), 16 + size_t(fill), size_t(n) + 9).size(),
                      (octets.size() * 8 - 16 - fill) / 7);
        }
        // packSeptets keeps every septet, blanks included; Unpack7Bit drops a
        // septet of 0 or 1 in the last place of each group of eight.
        const QByteArray withBlanks = " " + septets + " ";
        const QString hex = packSeptets(asSeptets(withBlanks));
        EXPECT_EQ(hex, tpdu::toHex(tpdu::packSeptets(withBlanks)));
        QByteArray kept;
        for (int i = 0; i < withBlanks.size(); ++i)
            if (i % 8 != 7 || static_cast<unsigned char>(withBlanks.at(i)) > 1)
                kept.append(withBlanks.at(i));
        EXPECT_EQ(Unpack7Bit(hex), asSeptets(kept)) << n;
    }
    EXPECT_EQ(unpackSeptets(nullptr, 0, 0, 5), QString());
}
