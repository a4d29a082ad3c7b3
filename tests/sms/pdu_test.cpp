// The five text codecs against known vectors.
#include <gtest/gtest.h>

#include "sms/Pdu.h"

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
