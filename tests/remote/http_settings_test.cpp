// The HTTP service's port rule and the allow list's rows as the setting
// form shows and reads them.
#include <gtest/gtest.h>

#include "remote/HttpSettings.h"
#include "remote/QtPrint.h"

TEST(HttpSettings, ThePortIsAnIntegerFrom1To65535)
{
    int port = -1;
    for (const char* bad : {"1e3", "-5", "8010.5", "0", "70000", "65536", "abc", "&H1F", "99999"})
        EXPECT_EQ(HttpSettings::checkPort(QString::fromLatin1(bad), false, &port), HttpSettings::PortCheck::Invalid)
            << bad;
    EXPECT_EQ(port, -1);
    EXPECT_EQ(HttpSettings::checkPort(" 8080 ", true, &port), HttpSettings::PortCheck::Ok);
    EXPECT_EQ(port, 8080);
    EXPECT_EQ(HttpSettings::checkPort("00001", true, &port), HttpSettings::PortCheck::Ok);
    EXPECT_EQ(port, 1);
    // Empty: refused for a service that starts, the default otherwise.
    EXPECT_EQ(HttpSettings::checkPort("", true, &port), HttpSettings::PortCheck::Invalid);
    EXPECT_EQ(HttpSettings::checkPort("  ", false, &port), HttpSettings::PortCheck::Ok);
    EXPECT_EQ(port, 8010);
}

TEST(HttpSettings, RowsAndTheirColumns)
{
    const IpRange range{192, 168, 1, 10, 20};
    EXPECT_EQ(range.columns(), QStringList({" 192", ".168", ".1", ".10", "-20"}));
    EXPECT_EQ(range.display(), " 192.168.1.10-20");
    EXPECT_EQ((IpRange{10, 0, 0, 0, 0}).display(), " 10.0.0.0");

    IpRange read;
    ASSERT_TRUE(IpRange::fromColumns(range.columns(), &read));
    EXPECT_EQ(read, range);
    ASSERT_TRUE(IpRange::fromColumns({" 10", ".0", ".0", ".0", ""}, &read));
    EXPECT_EQ(read, (IpRange{10, 0, 0, 0, 0}));
    EXPECT_FALSE(IpRange::fromColumns({"10", ".0", ".0", ".0", ""}, &read));
    EXPECT_FALSE(IpRange::fromColumns({" 10", ".x", ".0", ".0", ""}, &read));

    int box = -1;
    EXPECT_EQ(HttpSettings::checkRange({10, 255, 3, 4, 0}, &box), HttpSettings::RangeCheck::Ok);
    EXPECT_EQ(HttpSettings::checkRange({10, 1, 256, 4, 0}, &box), HttpSettings::RangeCheck::InvalidAddress);
    EXPECT_EQ(box, 2);
    EXPECT_EQ(HttpSettings::checkRange({10, 1, 1, 9, 5}, &box), HttpSettings::RangeCheck::InvalidRange);
    EXPECT_EQ(box, 4);
    EXPECT_EQ(HttpSettings::checkRange({10, 1, 1, 0, 5}, &box), HttpSettings::RangeCheck::InvalidRange);
    EXPECT_EQ(HttpSettings::checkRange({10, 1, 1, 5, 5}, &box), HttpSettings::RangeCheck::Ok);
}
