// The operator table as the operator list reads it: the shipped rows, names
// that differ only in case, names with quotes, and an empty table.
#include <gtest/gtest.h>

#include "base/Database.h"
#include "compose/OperatorList.h"
#include "support/TestEnv.h"

using compose::OperatorList;

TEST(OperatorList, ReadsTheShippedTableByCountryAndOperatorInNameOrder)
{
    testenv::FreshDb fresh;
    OperatorList list(fresh.db());
    const QStringList countries = list.countries();
    ASSERT_GT(countries.size(), 50);
    EXPECT_EQ(countries.first(), "Afghanistan");
    QStringList unique = countries;
    EXPECT_EQ(unique.removeDuplicates(), 0);
    QStringList sorted = countries;
    std::sort(sorted.begin(), sorted.end(),
              [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    EXPECT_EQ(countries, sorted);

    // Germany has several rows for most operators: each name once, in order
    // without regard to case ("blau.de" among the B's).
    const QStringList german = list.operators("Germany");
    EXPECT_EQ(german.first(), "1&1");
    EXPECT_EQ(german.count("Vodafone"), 1);
    EXPECT_LT(german.indexOf("Bild Mobil"), german.indexOf("blau.de"));
    EXPECT_LT(german.indexOf("blau.de"), german.indexOf("Congstar"));
    // The code is the first row's.
    EXPECT_EQ(list.code("Germany", "Vodafone"), "26202");
    EXPECT_EQ(list.code("Germany", "Nobody"), "");

    QString country, op;
    ASSERT_TRUE(list.find("26202", &country, &op));
    EXPECT_EQ(country, "Germany");
    EXPECT_EQ(op, "1&1");
    country = "kept";
    EXPECT_FALSE(list.find("99999", &country, &op));
    EXPECT_FALSE(list.find("", &country, &op));
    EXPECT_EQ(country, "kept");
}

TEST(OperatorList, NamesCompareWithoutCaseAndQuotesAreData)
{
    testenv::FreshDb fresh;
    Database& db = fresh.db();
    ASSERT_TRUE(db.exec("DELETE FROM tboperators"));
    OperatorList list(db);
    EXPECT_TRUE(list.countries().isEmpty());
    EXPECT_TRUE(list.operators("Germany").isEmpty());

    const char* rows[][3] = {{"Côte d'Ivoire", "Orange", "61203"}, {"côte d'ivoire", "MTN", "61205"},
                             {"Zed", "b", "1"}, {"Zed", "A", "2"}, {"Zed", "B", "3"}};
    for (const auto& r : rows)
        ASSERT_TRUE(db.exec("INSERT INTO tboperators(opctry,opco,opcode) VALUES(?,?,?)",
                            {QString::fromUtf8(r[0]), QString::fromUtf8(r[1]), QString::fromUtf8(r[2])}));
    ASSERT_TRUE(db.exec("INSERT INTO tboperators(opctry,opco,opcode) VALUES(NULL,'x','9')"));

    const QStringList countries = list.countries();
    ASSERT_EQ(countries.size(), 2);
    EXPECT_TRUE(countries[0].startsWith(QString::fromUtf8("Côte"), Qt::CaseInsensitive));
    EXPECT_EQ(countries[1], "Zed");
    EXPECT_EQ(list.operators(QString::fromUtf8("Côte D'IVOIRE")), (QStringList{"MTN", "Orange"}));
    const QStringList zed = list.operators("zed");
    ASSERT_EQ(zed.size(), 2);
    EXPECT_EQ(zed[0], "A");
    EXPECT_EQ(list.code("ZED", "b"), "1");
    EXPECT_EQ(list.code(QString::fromUtf8("côte d'ivoire"), "orange"), "61203");
}
