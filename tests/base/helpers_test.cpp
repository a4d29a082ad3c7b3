// The general helpers: the event-running wait and the text helpers.
#include <gtest/gtest.h>

#include "base/Helpers.h"
#include "support/TestEnv.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

TEST(WaitMilliseconds, LastsAtLeastTheTimeAndRunsEvents)
{
    int fired = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++fired; });
    ticker.start(20);
    QElapsedTimer t;
    t.start();
    WaitMilliseconds(250);
    EXPECT_GE(t.elapsed(), 250);
    EXPECT_LT(t.elapsed(), 2000);
    EXPECT_GE(fired, 5);

    // A very short wait still serves what is pending.
    bool ran = false;
    QTimer::singleShot(0, [&] { ran = true; });
    WaitMilliseconds(0);
    EXPECT_TRUE(ran);
}

TEST(ReplaceText, CountStartCompareAndSelfContainingReplacements)
{
    EXPECT_EQ(ReplaceText("a-b-c-d", "-", "+"), "a+b+c+d");
    EXPECT_EQ(ReplaceText("a-b-c-d", "-", "+", 1, 1), "a+b-c-d");
    EXPECT_EQ(ReplaceText("a-b-c-d", "-", "+", 3, 1), "a-b+c-d");  // first at or after start
    EXPECT_EQ(ReplaceText("a-b-c-d", "-", "+", 3, -1), "a-b+c+d"); // the part before start is kept
    EXPECT_EQ(ReplaceText("a-b-c-d", "-", "+", 99), "a-b-c-d");
    EXPECT_EQ(ReplaceText("aXa", "a", "aa"), "aaXaa");              // no endless loop
    EXPECT_EQ(ReplaceText("abab", "ab", "abab", 1, -1), "abababab");
    EXPECT_EQ(ReplaceText("Name NAME name", "name", "X", 1, -1, CompareMode::Text), "X X X");
    EXPECT_EQ(ReplaceText("Name NAME name", "name", "X", 1, -1, CompareMode::Binary), "Name NAME X");
    EXPECT_EQ(ReplaceText("abc", "", "x"), "abc");
    EXPECT_EQ(ReplaceText("abc", "b", "b"), "abc");
    EXPECT_EQ(ReplaceText("a.b.c", ".", ""), "abc");
}

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

TEST(PadZeros, PadsButNeverCuts)
{
    EXPECT_EQ(PadZeros("5", 3), "005");
    EXPECT_EQ(PadZeros("98765", 3), "98765");
    EXPECT_EQ(PadZeros("", 2), "00");
    EXPECT_EQ(PadZeros("12", 2), "12");
}

