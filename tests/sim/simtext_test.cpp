// The SIM phonebook's reply parsing and the text made safe for "AT+CPBW",
// and the rows of the SIM list.
#include <QDataStream>
#include <QMimeData>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include "sim/SimListModel.h"
#include "sim/SimText.h"

using namespace simtext;

TEST(SimText, EntryLinesAreCutOutsideQuotes)
{
    const auto e = parseEntry("\r\n+CPBR: 7,\"+447700900601\",145,\"Smith, J\"\r\n", 7);
    ASSERT_TRUE(e.has_value());
    EXPECT_EQ(*e, (SimEntry{7, "Smith, J", "+447700900601"}));
    // An echoed command in front of the reply is not mistaken for it.
    const auto echoed = parseEntry("AT+CPBR=3\r\r\n+CPBR: 3,\"112\",129,\"SOS\"\r\n", 3);
    ASSERT_TRUE(echoed.has_value());
    EXPECT_EQ(echoed->name, "SOS");
    // A name alone or a number alone is an entry.
    EXPECT_TRUE(parseEntry("+CPBR: 2,\"\",129,\"Voicemail\"\r\n", 2).has_value());
    EXPECT_TRUE(parseEntry("+CPBR: 2,\"123\",129,\"\"\r\n", 2).has_value());
}

TEST(SimText, EntryLinesThatCannotBeTrustedAreSkipped)
{
    EXPECT_FALSE(parseEntry("\r\n", 1).has_value());                                  // empty location
    EXPECT_FALSE(parseEntry("+CPBR: 4,\"123\",129,\"Ann\"\r\n", 3).has_value());      // not the one asked for
    EXPECT_FALSE(parseEntry("+CPBR: 0,\"123\",129,\"Ann\"\r\n", 0).has_value());      // not positive
    EXPECT_FALSE(parseEntry("+CPBR: x1,\"123\",129,\"Ann\"\r\n", 1).has_value());     // not an integer
    EXPECT_FALSE(parseEntry("+CPBR: 1,\"\",129,\"\"\r\n", 1).has_value());            // both empty
}

TEST(SimText, LimitsAndStatus)
{
    const auto l = parseLimits("\r\n+CPBR: (1-250),40,14\r\n");
    ASSERT_TRUE(l.has_value());
    EXPECT_EQ(l->first, 1);
    EXPECT_EQ(l->last, 250);
    EXPECT_EQ(l->maxNumber, 40);
    EXPECT_EQ(l->maxName, 14);
    EXPECT_FALSE(parseLimits("\r\n+CPBR: (1-250)\r\n").has_value());
    EXPECT_FALSE(parseLimits("\r\nOK\r\n").has_value());

    const auto s = parseStatus("\r\n+CPBS: \"SM\",3,250\r\n");
    ASSERT_TRUE(s.has_value());
    EXPECT_EQ(s->used, 3);
    EXPECT_EQ(s->total, 250);
    EXPECT_FALSE(parseStatus("\r\n+CPBS: \"SM\"\r\n").has_value());   // the store's name only
    EXPECT_FALSE(parseStatus("\r\n+CPBS: \"SM\",9,5\r\n").has_value()); // more used than there are
    EXPECT_FALSE(parseStatus("\r\n+CPBS: \"SM\",1,99999\r\n").has_value());
}

TEST(SimText, NamesAreMadeSafeForAQuotedParameter)
{
    EXPECT_EQ(safeName("Ann \"The\"\r\nAT+CFUN=0", 0), "Ann 'The'AT+CFUN=0");
    EXPECT_EQ(safeName(QString("Tab\tCtrlZ") + QChar(0x1A) + QChar(0x7F), 0), "TabCtrlZ");
    EXPECT_EQ(safeName(QString::fromUtf8("José Müller"), 0), "Jos? M?ller");
    // Cut to the limit, and the blank a missing last name leaves goes.
    EXPECT_EQ(safeName("Christopher Robin", 12), "Christopher");
    EXPECT_EQ(safeName("Ann ", 0), "Ann");
    EXPECT_EQ(safeName("  Ann", 0), "  Ann");
}

TEST(SimText, NumbersTheSimTakes)
{
    EXPECT_TRUE(isValidNumber("+447700900123", 12));     // the '+' is not a digit of the limit
    EXPECT_FALSE(isValidNumber("+447700900123", 11));
    EXPECT_TRUE(isValidNumber("*#06#", 0));
    EXPECT_FALSE(isValidNumber("", 0));
    EXPECT_FALSE(isValidNumber("+", 0));
    EXPECT_FALSE(isValidNumber("07700 900123", 0));
    EXPECT_FALSE(isValidNumber("123\",,\"x", 0));
    EXPECT_FALSE(isValidNumber("12+3", 0));
    EXPECT_EQ(writeCommand(4, "+1", "Bo"), "AT+CPBW=4,\"+1\",,\"Bo\"\r");
}

TEST(SimListModel, ColumnSortStaysAscendingAndPlacesNewRows)
{
    SimListModel m;
    m.add({3, "carol", "300"});
    m.add({1, "Bob", "100"});
    m.add({2, "alice", "200"});
    EXPECT_EQ(m.sortColumn(), -1);
    EXPECT_EQ(m.entryAt(0).index, 3);   // unsorted: in the order read

    m.sort(SimListModel::NameColumn);
    m.sort(SimListModel::NameColumn);   // a second click does not reverse
    QStringList names;
    for (const SimEntry& e : m.entries())
        names << e.name;
    EXPECT_EQ(names, QStringList({"alice", "Bob", "carol"}));
    m.add({9, "Bea", "900"});
    EXPECT_EQ(m.rowOfIndex(9), 1);   // alice, Bea, Bob, carol

    m.sort(SimListModel::NumberColumn);
    EXPECT_EQ(m.entryAt(0).number, "100");
    EXPECT_TRUE(m.update(1, "Zed", "999"));
    EXPECT_EQ(m.rowOfIndex(1), 3);
    EXPECT_EQ(m.index(3, 1).data().toString(), "999");
    EXPECT_EQ(m.index(3, 0).data(Qt::UserRole).toInt(), 1);
    EXPECT_FALSE(m.update(42, "x", "1"));
    EXPECT_TRUE(m.removeIndex(1));
    EXPECT_EQ(m.rowCount(), 3);
}

TEST(SimListModel, DraggedRowsCarryNameAndNumber)
{
    SimListModel m;
    m.add({1, "Smith, J", "+4401"});
    m.add({2, "Ann", "02"});
    m.add({3, "Bob", "03"});
    std::unique_ptr<QMimeData> mime(m.mimeData({m.index(2, 0), m.index(0, 1), m.index(0, 0)}));
    ASSERT_TRUE(mime->hasFormat("application/x-velquarin-items"));
    QByteArray bytes = mime->data("application/x-velquarin-items");
    QDataStream in(&bytes, QIODevice::ReadOnly);
    QString source, n1, p1, n2, p2;
    qint32 count = 0;
    in >> source >> count >> n1 >> p1 >> n2 >> p2;
    EXPECT_EQ(in.status(), QDataStream::Ok);
    EXPECT_TRUE(in.atEnd());
    EXPECT_EQ(source, "lsvSIM");
    EXPECT_EQ(count, 2);
    EXPECT_EQ(QStringList({n1, p1, n2, p2}), QStringList({"Smith, J", "+4401", "Bob", "03"}));
}
