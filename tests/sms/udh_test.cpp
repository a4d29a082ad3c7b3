// The user data header read by its elements, and the port-first header that
// smart-message parts are kept with. Headers are written with the reference
// codec of the test support; where it can read them too, both readings must
// agree.
#include <gtest/gtest.h>

#include "sms/UserDataHeader.h"
#include "support/Tpdu.h"

using namespace udh;

namespace {

const tpdu::UdhElement kTextFormat{0x0A, QByteArray::fromHex("000A01")}; // unknown here: skipped
const tpdu::UdhElement kLanguage{0x24, QByteArray::fromHex("01")};

std::optional<UserDataHeader> read(const QByteArray& header, const QByteArray& payload = "\x01\x02")
{
    return readUserDataHeader(tpdu::toHex(header + payload));
}

// The header read by the reference codec, for comparison.
void expectAgreesWithReference(const QByteArray& header)
{
    SCOPED_TRACE(tpdu::toHex(header).toStdString());
    const auto ref = tpdu::decodeUdh(header);
    ASSERT_TRUE(ref.has_value());
    const auto h = read(header);
    ASSERT_TRUE(h.has_value());
    EXPECT_EQ(h->octets, header.size());
    EXPECT_EQ(h->destinationPort, ref->destinationPort);
    EXPECT_EQ(h->originatorPort, ref->originatorPort);
    EXPECT_EQ(h->isPartOfSet(), ref->isPartOfSet());
    if (ref->isPartOfSet()) {
        EXPECT_EQ(h->reference, ref->concatRef);
        EXPECT_EQ(h->wideReference, ref->concatWide);
        EXPECT_EQ(h->total, ref->concatTotal);
        EXPECT_EQ(h->sequence, ref->concatSeq);
    } else {
        EXPECT_EQ(h->reference, -1);
        EXPECT_EQ(h->total, 1);
        EXPECT_EQ(h->sequence, 1);
    }
}

} // namespace

TEST(UserDataHeader, ElementsAreFoundInAnyOrderAndUnknownOnesSkipped)
{
    using namespace tpdu;
    const QList<QList<UdhElement>> headers = {
        {portElement16(0x1581, 0), concatElement8(1, 3, 2)},       // the program's own layout
        {concatElement8(0x7F, 3, 3), portElement16(0x158A, 0x23F4)}, // concatenation first
        {portElement16(0x1582, 0), concatElement16(0xBEEF, 2, 1)},  // 16-bit reference
        {portElement16(0x1581, 0)},                                 // one part: ports only
        {kTextFormat, portElement16(0x1581, 0), kLanguage, concatElement8(9, 4, 4)},
        {portElement8(0x81, 0x15), concatElement8(200, 2, 2)},      // 8-bit ports
        {concatElement16(0x0001, 255, 200)},
        {kLanguage},
        {},                                                         // UDHL 0
    };
    for (const QList<UdhElement>& elements : headers)
        expectAgreesWithReference(encodeUdh(elements));

    // The last of two elements of a kind counts.
    expectAgreesWithReference(encodeUdh({concatElement8(1, 2, 1), portElement16(0x1581, 0), concatElement8(5, 3, 3)}));
    const auto twice = read(encodeUdh({concatElement8(1, 2, 1), portElement16(0x1581, 0), concatElement8(5, 3, 3)}));
    EXPECT_EQ(twice->reference, 5);
    EXPECT_EQ(twice->sequence, 3);
}

TEST(UserDataHeader, ImpossiblePartNumbersMakeNoSet)
{
    using namespace tpdu;
    for (const UdhElement& concat : {concatElement8(1, 0, 0), concatElement8(1, 3, 0), concatElement8(1, 3, 4),
                                     concatElement16(0x1234, 2, 3)}) {
        const QByteArray header = encodeUdh({portElement16(0x1581, 0), concat});
        expectAgreesWithReference(header);
        EXPECT_FALSE(read(header)->isPartOfSet());
    }
    // An impossible element after a good one withdraws the set as well.
    EXPECT_FALSE(read(encodeUdh({concatElement8(1, 2, 1), concatElement8(1, 2, 3)}))->isPartOfSet());
}

TEST(UserDataHeader, BoundsAreKept)
{
    // No octet, or a UDHL past the user data: no header.
    EXPECT_FALSE(readUserDataHeader(QString()).has_value());
    EXPECT_FALSE(readUserDataHeader(QString("0B05041581")).has_value());
    EXPECT_FALSE(readUserDataHeader(QString("0B0504158100000003010")).has_value()); // not whole octets
    EXPECT_FALSE(readUserDataHeader(QString("0B0504158100000003010G")).has_value());
    const unsigned char exact[] = {0x05, 0x00, 0x03, 0x07, 0x02, 0x01};
    ASSERT_TRUE(readUserDataHeader(exact, sizeof exact).has_value());
    EXPECT_FALSE(readUserDataHeader(exact, sizeof exact - 1).has_value());

    // An element that runs past the header ends the reading there: what came
    // before counts, nothing past the header is read as an element (the
    // reference codec calls such a header malformed).
    const QByteArray cut = QByteArray::fromHex("08" "05041581" "0000" "0003");
    EXPECT_FALSE(tpdu::decodeUdh(cut).has_value());
    auto h = read(cut, QByteArray::fromHex("0103FFFF"));
    ASSERT_TRUE(h.has_value());
    EXPECT_EQ(h->octets, 9);
    EXPECT_EQ(h->destinationPort, 0x1581);
    EXPECT_FALSE(h->isPartOfSet());

    // Elements of the wrong length are skipped, not read across.
    const QByteArray odd = QByteArray::fromHex("10" "000401020304" "0503158100" "0003010201");
    ASSERT_EQ(odd.size(), 17);
    h = read(odd);
    ASSERT_TRUE(h.has_value());
    EXPECT_EQ(h->destinationPort, -1);
    EXPECT_TRUE(h->isPartOfSet());
    EXPECT_EQ(h->reference, 1);
    EXPECT_EQ(h->total, 2);
    EXPECT_EQ(h->sequence, 1);
}

TEST(UserDataHeader, PortFirstHeaderIsTheProgramsOwnLayoutAndNeverLonger)
{
    using namespace tpdu;
    // The program's own part header comes back unchanged.
    const QByteArray own = encodeUdh({portElement16(0x1581, 0), concatElement8(1, 3, 2)});
    EXPECT_EQ(portFirstHeaderHex(*read(own)), "0B0504158100000003010302");

    struct Case {
        QList<UdhElement> elements;
        QList<UdhElement> expected;
    } cases[] = {
        {{concatElement8(0x7F, 3, 3), portElement16(0x158A, 0x23F4)},
         {portElement16(0x158A, 0x23F4), concatElement8(0x7F, 3, 3)}},
        {{concatElement16(0xBEEF, 2, 1), kLanguage, portElement16(0x1582, 0)},
         {portElement16(0x1582, 0), concatElement16(0xBEEF, 2, 1)}},
        {{kTextFormat, portElement16(0x1581, 0)}, {portElement16(0x1581, 0)}},
        {{portElement8(0x81, 0x15), concatElement8(200, 2, 2)}, {portElement8(0x81, 0x15), concatElement8(200, 2, 2)}},
        {{portElement16(0x1581, 0), concatElement8(1, 3, 4)}, {portElement16(0x1581, 0)}},
    };
    for (const Case& c : cases) {
        const QByteArray header = encodeUdh(c.elements);
        const QString out = portFirstHeaderHex(*read(header));
        EXPECT_EQ(out, toHex(encodeUdh(c.expected))) << toHex(header).toStdString();
        EXPECT_LE(out.size(), 2 * header.size());
        // Read again, the rewritten header says the same.
        const auto again = tpdu::decodeUdh(*fromHex(out));
        ASSERT_TRUE(again.has_value());
        const auto first = tpdu::decodeUdh(header);
        EXPECT_EQ(again->destinationPort, first->destinationPort);
        EXPECT_EQ(again->isPartOfSet(), first->isPartOfSet());
        if (first->isPartOfSet()) {
            EXPECT_EQ(again->concatRef, first->concatRef);
        }
    }
}
