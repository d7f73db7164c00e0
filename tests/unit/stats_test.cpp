#include <gtest/gtest.h>

#include "rx/stats.h"

using namespace vantrel;

TEST(Stats, StartsWithTheResetCaptions) {
    const Stats s;
    EXPECT_EQ(s.sendCaption(), "Send: 0");
    EXPECT_EQ(s.readCaption(), "Read: 0");
    EXPECT_EQ(s.minCaption(), "MIN_T_W:  NA");
    EXPECT_EQ(s.maxCaption(), "MAX_T_W: NA");
}

TEST(Stats, IntervalsComeFromCountedLinesOnly) {
    Stats s;
    // The first line has nothing before it: counted, but no interval yet.
    EXPECT_FALSE(s.countRx(1'000'000));
    EXPECT_EQ(s.readCaption(), "Read: 1");
    EXPECT_EQ(s.minCaption(), "MIN_T_W:  NA");
    EXPECT_EQ(s.maxCaption(), "MAX_T_W: NA");

    EXPECT_TRUE(s.countRx(1'000'250));
    EXPECT_EQ(s.minCaption(), "MIN_T_W:  250");
    EXPECT_EQ(s.maxCaption(), "MAX_T_W: 250");
    EXPECT_TRUE(s.countRx(1'001'250));
    EXPECT_EQ(s.minCaption(), "MIN_T_W:  250");
    EXPECT_EQ(s.maxCaption(), "MAX_T_W: 1000");
    EXPECT_EQ(s.readCaption(), "Read: 3");

    // Two lines in the same millisecond: no interval of 0.
    EXPECT_FALSE(s.countRx(1'001'250));
    EXPECT_EQ(s.MinWaitMs, 250);
    EXPECT_EQ(s.ReadCount, 4);
}

TEST(Stats, NoIntervalAcrossANewWeekAClockSetBackOrFromTimeZero) {
    struct Case {
        const char* name;
        std::int32_t first, second;
    } cases[] = {
        {"new week", 604'799'900, 100},
        {"clock set back", 5'000'000, 4'000'000},
        {"start at WeekMs 0", 0, 300},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Stats s;
        s.countRx(c.first);
        EXPECT_FALSE(s.countRx(c.second));
        EXPECT_EQ(s.minCaption(), "MIN_T_W:  NA");
        EXPECT_EQ(s.maxCaption(), "MAX_T_W: NA");
        EXPECT_EQ(s.ReadCount, 2);
        // The next interval is measured from the second line again.
        EXPECT_TRUE(s.countRx(c.second + 40));
        EXPECT_EQ(s.MinWaitMs, 40);
        EXPECT_EQ(s.MaxWaitMs, 40);
    }
}

TEST(Stats, ResetKeepsTheLastReadTime) {
    Stats s;
    s.countTx();
    s.countTx();
    s.countRx(10'000);
    s.countRx(10'500);
    s.reset();
    EXPECT_EQ(s.sendCaption(), "Send: 0");
    EXPECT_EQ(s.readCaption(), "Read: 0");
    EXPECT_EQ(s.minCaption(), "MIN_T_W:  NA");
    EXPECT_EQ(s.maxCaption(), "MAX_T_W: NA");
    // The first line after the reset measures from the last one before it.
    EXPECT_TRUE(s.countRx(10'800));
    EXPECT_EQ(s.readCaption(), "Read: 1");
    EXPECT_EQ(s.minCaption(), "MIN_T_W:  300");
    EXPECT_EQ(s.maxCaption(), "MAX_T_W: 300");
}

TEST(Stats, CountsGoPastThe32BitRange) {
    Stats s;
    s.SendCount = 2147483647;
    s.countTx();
    EXPECT_EQ(s.sendCaption(), "Send: 2147483648");
}
