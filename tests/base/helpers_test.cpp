// The text helpers.
#include <gtest/gtest.h>

#include "base/Helpers.h"


TEST(GetToken, TokensByIndex)
{
    EXPECT_EQ(GetToken(",", "a,b,c", 0), "a");
    EXPECT_EQ(GetToken(",", "a,b,c", 1), "b");
    EXPECT_EQ(GetToken(",", "a,b,c", 2), "c");
    EXPECT_EQ(GetToken(",", "a,b,c", 3), "");
    EXPECT_EQ(GetToken(",", "a,b,c", -1), "");
    EXPECT_EQ(GetToken(",", "a,b,", 2), "");  // a text ending in the delimiter
    EXPECT_EQ(GetToken(",", "a,b,", 3), "");
    EXPECT_EQ(GetToken(",", "a,,c", 1), "");
    EXPECT_EQ(GetToken(",", "a,,c", 2), "c");
    EXPECT_EQ(GetToken(",", "abc", 0), "abc");
    EXPECT_EQ(GetToken(",", "", 0), "");
    EXPECT_EQ(GetToken("\r", "+CSQ: 1\r+CSQ: 2", 1), "+CSQ: 2");
}


