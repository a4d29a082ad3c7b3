// The address files' text: the import's field reader, the decoding of the
// bytes, and the export's record. Expected fields are written out here.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <gtest/gtest.h>

#include "sms/AddressFile.h"

using addrfile::readAll;

namespace {

using Records = QList<QStringList>;

std::string show(const Records& records)
{
    std::string out;
    for (const QStringList& r : records) {
        out += "[";
        for (const QString& f : r)
            out += "<" + f.toStdString() + ">";
        out += "]";
    }
    return out;
}

void expectRecords(const QString& text, const Records& expected)
{
    const Records got = readAll(text);
    EXPECT_EQ(got, expected) << "text: " << text.toStdString() << "\n got: " << show(got)
                             << "\nwant: " << show(expected);
}

} // namespace

TEST(AddressFileReader, EveryLineEndEndsARecordAndNoCharacterIsLost)
{
    // CR LF, a lone LF and a lone CR each end a record; the next record
    // keeps its first character.
    const Records two{{"Ms", "Ann", "1"}, {"Mr", "Bob", "2"}};
    expectRecords("Ms,Ann,1\r\nMr,Bob,2\r\n", two);
    expectRecords("Ms,Ann,1\nMr,Bob,2\n", two);
    expectRecords("Ms,Ann,1\rMr,Bob,2\r", two);
    expectRecords("Ms,Ann,1\rMr,Bob,2", two);
    // A closing quote before a lone LF ends the field, not the quoting of
    // the next record.
    expectRecords("\"Ms\"\nMr,\"Bob\"\n\"x\"", {{"Ms"}, {"Mr", "Bob"}, {"x"}});
    // The last record needs no line end.
    expectRecords("a\tb", {{"a", "b"}});
}

TEST(AddressFileReader, QuotedFieldsKeepSeparatorsAndQuotes)
{
    expectRecords("a,\"b,c\",d\r\nnext\r\n", {{"a", "b,c", "d"}, {"next"}});
    // A TAB inside quotes stays in the value.
    expectRecords("\"x\ty\",z", {{"x\ty", "z"}});
    expectRecords("\",x\",y", {{",x", "y"}});
    // "" is one quote; """" is a value of one quote.
    expectRecords("\"say \"\"hi\"\"\",2", {{"say \"hi\"", "2"}});
    expectRecords("\"\"\"\"", {{"\""}});
    expectRecords("\"\",b", {{"", "b"}});
    // What follows the closing quote in the field is dropped, and the
    // separator after it still separates.
    expectRecords("\"Smith\" ,Ann", {{"Smith", "Ann"}});
    expectRecords("\"Smith\"xx\tAnn\r\nB", {{"Smith", "Ann"}, {"B"}});
    // A line break inside quotes is dropped and the value goes on.
    expectRecords("\"12 High St\r\nLeeds\",x\n\"a\nb\rc\",y", {{"12 High StLeeds", "x"}, {"abc", "y"}});
    // A quote that never closes runs to the end of the text.
    expectRecords("a,\"open,to the end\r\nstill", {{"a", "open,to the endstill"}});
}

TEST(AddressFileReader, AQuoteInsideAnUnquotedFieldIsAnOrdinaryCharacter)
{
    expectRecords("O\"Neil,5\"6,x\"", {{"O\"Neil", "5\"6", "x\""}});
}

TEST(AddressFileReader, EmptyFieldsBlankLinesAndShortRecords)
{
    expectRecords(",a,,b,", {{"", "a", "", "b", ""}});
    expectRecords("\t\t", {{"", "", ""}});
    // Lines with no characters hold no record; a line of blanks does.
    expectRecords("\r\n\r\na\r\n\n\r\rb\r\n \r\n\r\n", {{"a"}, {"b"}, {" "}});
    expectRecords("", {});
    expectRecords("\r\n\n\r", {});
    // A comma in a TAB file separates too.
    expectRecords("Smith, J\t0123", {{"Smith", " J", "0123"}});
}

TEST(AddressFileReader, PositionReachesTheEnd)
{
    addrfile::FieldReader reader(QStringLiteral("a,b\r\n\r\nc\r\n\r\n"));
    QStringList f;
    EXPECT_FALSE(reader.atEnd());
    ASSERT_TRUE(reader.next(&f));
    ASSERT_TRUE(reader.next(&f));
    EXPECT_EQ(f, QStringList{"c"});
    EXPECT_TRUE(reader.atEnd());
    EXPECT_FALSE(reader.next(&f));
    EXPECT_EQ(reader.position(), reader.size());
}

TEST(AddressFileDecoding, Utf8WithOrWithoutMarkElseWindows1252)
{
    EXPECT_EQ(addrfile::decodeText("\xEF\xBB\xBF" "Ren\xC3\xA9,1"), QString::fromUtf8("René,1"));
    EXPECT_EQ(addrfile::decodeText("Ren\xC3\xA9,1"), QString::fromUtf8("René,1"));
    // One byte that is no UTF-8 makes the whole file Windows-1252.
    EXPECT_EQ(addrfile::decodeText("Ren\xE9 \x80 \x93q\x94 \x9F \xC3\xA9"),
              QString::fromUtf8("René € “q” Ÿ Ã©"));
    // The five codes Windows-1252 leaves unassigned stay as Latin-1.
    EXPECT_EQ(addrfile::decodeText("\x81\x8D\x8F\x90\x9D\xFF"), QString::fromUtf16(u"\u0081\u008D\u008F\u0090\u009D\u00FF"));
    // A mark followed by text that is no UTF-8 is dropped all the same.
    EXPECT_EQ(addrfile::decodeText("\xEF\xBB\xBF" "a\xE9"), QString::fromUtf8("aé"));
    EXPECT_EQ(addrfile::decodeText(QByteArray("a\0b", 3)), QString::fromUtf16(u"a\u0000b", 3));
}

TEST(AddressFileExport, ValuesNeverSplitTheirRecord)
{
    EXPECT_EQ(addrfile::exportValue("12 High St\r\nLeeds\rWest\nYorks\tUK"), "12 High St Leeds West Yorks UK");
    EXPECT_EQ(addrfile::exportValue("\r\n\r\n"), "  ");
    EXPECT_EQ(addrfile::exportValue("\n\r"), "  ");
    EXPECT_EQ(addrfile::exportRecord({"", "Ann", "", "+441"}), QByteArray("\tAnn\t\t+441\r\n"));
    EXPECT_EQ(addrfile::exportRecord({QString::fromUtf8("Zoë"), "a\tb"}), QByteArray("Zo\xC3\xAB\ta b\r\n"));
}
