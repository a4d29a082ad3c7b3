// The GSM 7-bit default alphabet layer and the septet count of stored texts.
#include <gtest/gtest.h>

#include "sms/Gsm7.h"
#include "sms/Pdu.h"

namespace {

QString septets(std::initializer_list<int> values)
{
    QString s;
    for (int v : values)
        s += QChar(ushort(v));
    return s;
}

} // namespace

TEST(Gsm7Alphabet, CharactersMapToTheirDefaultTableSeptets)
{
    // Where the default table differs from ASCII, raw codes would be wrong.
    bool ok = false;
    EXPECT_EQ(gsm7::fromText(QString::fromUtf8("@$_\u00A4\u00A1\u00A7\u00BF\u00E0"), &ok),
              septets({0x00, 0x02, 0x11, 0x24, 0x40, 0x5F, 0x60, 0x7F}));
    EXPECT_TRUE(ok);
    EXPECT_EQ(gsm7::fromText(QString::fromUtf8("\u00A3\u00A5\u00E9\u00C7\u00D8\u0394\u03A9\u00C9\u00C4\u00FC")),
              septets({0x01, 0x03, 0x05, 0x09, 0x0B, 0x10, 0x15, 0x1F, 0x5B, 0x7E}));
    // Letters, digits and most punctuation keep their ASCII values.
    EXPECT_EQ(gsm7::fromText("Az09 #?\r\n"), septets({0x41, 0x7A, 0x30, 0x39, 0x20, 0x23, 0x3F, 0x0D, 0x0A}));
    // The extension table goes through the escape septet.
    EXPECT_EQ(gsm7::fromText(QString::fromUtf8("\u20AC[]{}|\\^~\f")),
              septets({0x1B, 0x65, 0x1B, 0x3C, 0x1B, 0x3E, 0x1B, 0x28, 0x1B, 0x29, 0x1B, 0x40, 0x1B, 0x2F,
                       0x1B, 0x14, 0x1B, 0x3D, 0x1B, 0x0A}));
    // A well-known packed form: the euro sign is "9B32".
    EXPECT_EQ(gsm7::packText(QString::fromUtf8("\u20AC")), "9B32");
    EXPECT_EQ(gsm7::septetCount(QString::fromUtf8("a\u20AC")), 3);
}

TEST(Gsm7Alphabet, EveryCharacterOfBothTablesRoundTrips)
{
    int characters = 0;
    for (int v = 0; v < 128; ++v) {
        if (v == gsm7::kEscape)
            continue;
        const QString text = gsm7::toText(septets({v}));
        ASSERT_EQ(text.size(), 1) << v;
        EXPECT_EQ(gsm7::fromText(text), septets({v})) << v;
        ++characters;
    }
    for (int v = 0; v < 128; ++v) {
        const QString text = gsm7::toText(septets({0x1B, v}));
        bool ok = false;
        const QString back = gsm7::fromText(text, &ok);
        ASSERT_TRUE(ok) << v;
        if (back.size() == 2) {
            EXPECT_EQ(back, septets({0x1B, v})) << v;
            ++characters;
        }
    }
    // 127 default characters and the ten of the extension table.
    EXPECT_EQ(characters, 137);
}

TEST(Gsm7Alphabet, CharactersOutsideBothTablesAreReported)
{
    const QString text = QString::fromUtf8("Jos\u00E9 \u00E7a \u2713 \U0001F600 \u00E7");
    bool ok = true;
    const QString s = gsm7::fromText(text, &ok);
    EXPECT_FALSE(ok);
    // One '?' per character, the emoji's surrogate pair included.
    EXPECT_EQ(gsm7::toText(s), QString::fromUtf8("Jos\u00E9 ?a ? ? ?"));
    EXPECT_EQ(gsm7::unsupportedCharacters(text), QString::fromUtf8("\u00E7\u2713\U0001F600"));
    EXPECT_TRUE(gsm7::packText(text, &ok).isEmpty());
    EXPECT_FALSE(ok);
    EXPECT_TRUE(gsm7::unsupportedCharacters(QString::fromUtf8("Jos\u00E9 \u20AC")).isEmpty());
}

TEST(Gsm7Alphabet, StrayEscapesShowAsTheStandardSays)
{
    // An escape before a code outside the extension table shows that code's
    // default character; a lone escape at the end and a double escape show a
    // blank.
    EXPECT_EQ(gsm7::toText(septets({0x1B, 0x41, 0x42})), "AB");
    EXPECT_EQ(gsm7::toText(septets({0x41, 0x1B})), "A ");
    EXPECT_EQ(gsm7::toText(septets({0x1B, 0x1B, 0x41})), " A");
    EXPECT_EQ(gsm7::toText(septets({0x00, 0x02})), "@$");
}

// Every text the queue may store is counted and shown exactly, with '@'
// and '£' (septets 0 and 1) at any place and at any length up to 160.
TEST(Gsm7StoredText, SeptetCountAndDisplayAreExactAtEveryLength)
{
    const QString filler = "Meet at 9, bring the keys. ";
    const QString specials[] = {QStringLiteral("@"), QString::fromUtf8("\u00A3")};
    int mended = 0;
    for (int n = 1; n <= 160; ++n) {
        QString base;
        for (int i = 0; i < n; ++i)
            base += filler.at(i % filler.size());
        for (const QString& special : specials) {
            for (int at = 0; at < n; at += (at < 16 || n - at <= 9) ? 1 : 7) {
                QString text = base;
                text[at] = special.at(0);
                text = text.trimmed();
                bool ok = false;
                const QString packed = gsm7::packText(text, &ok);
                ASSERT_TRUE(ok);
                const QString stored = gsm7::storedSeptets(text);
                EXPECT_EQ(gsm7::septetCountOfPacked(packed), stored.size()) << n << ' ' << at;
                EXPECT_EQ(gsm7::unpackSeptets(packed, int(stored.size())), stored) << n << ' ' << at;
                EXPECT_EQ(gsm7::textFromPacked(packed), text) << n << ' ' << at;
                // The codec of the stored forms drops these septets on every
                // eighth place; the count above does not.
                if (pdu::Unpack7Bit(packed).size() != stored.size())
                    ++mended;
            }
        }
    }
    EXPECT_GT(mended, 0);
}

TEST(Gsm7StoredText, FillBitsAndThePadAfterAFinalAt)
{
    // Seven septets: the seven zero bits at the end are fill, not an '@'.
    EXPECT_EQ(gsm7::septetCountOfPacked("41E19058341E01"), 7);
    EXPECT_EQ(gsm7::septetCountOfPacked("41E19058341E91"), 8);
    EXPECT_EQ(gsm7::textFromPacked("41E19058341E01"), "ABCDEFG");
    // Eight septets ending in '@' would pack to those same octets, so a
    // carriage return follows the '@' and the display drops it again.
    EXPECT_EQ(gsm7::storedSeptets("ABCDEFG@"), QStringLiteral("ABCDEFG") + QChar(0) + QChar('\r'));
    EXPECT_EQ(gsm7::packText("ABCDEFG@"), "41E19058341E010D");
    EXPECT_EQ(gsm7::textFromPacked("41E19058341E010D"), "ABCDEFG@");
    // '@' elsewhere needs no pad, and a lone '@' is one septet.
    EXPECT_EQ(gsm7::storedSeptets("ABCDEF@G").size(), 8);
    EXPECT_EQ(gsm7::textFromPacked("00"), "@");
    // Blanks at both ends are trimmed before packing and counting.
    EXPECT_EQ(gsm7::packText("  hellohello "), "E8329BFD4697D9EC37");
    EXPECT_EQ(gsm7::septetCountOfPacked("E8329BFD4697D9EC37"), 10);
}

TEST(Gsm7StoredText, MalformedHexIsNotCounted)
{
    EXPECT_EQ(gsm7::septetCountOfPacked("E83"), -1);
    EXPECT_EQ(gsm7::septetCountOfPacked("E8G2"), -1);
    EXPECT_EQ(gsm7::septetCountOfPacked(""), 0);
    // Unpacking stops at the first octet that is not hex.
    EXPECT_EQ(gsm7::unpackSeptets("E832ZZ", 10), "he");
    EXPECT_EQ(gsm7::unpackSeptets("E832", -3), "");
}
