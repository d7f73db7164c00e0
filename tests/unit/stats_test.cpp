#include <gtest/gtest.h>

#include "rx/stats.h"

using namespace vantrel;

// The usual road (first line, intervals, the reset) is tested through the
// window; here the clock's corner cases.
TEST(Stats, NoIntervalAcrossANewWeekAClockSetBackOrFromTimeZero) {
    struct Case {
        const char* name;
        std::int32_t first, second;
    } cases[] = {
        {"new week", 604'799'900, 100},
        {"clock set back", 5'000'000, 4'000'000},
        {"start at WeekMs 0", 0, 300},
        {"same millisecond", 7'000, 7'000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Stats s;
        s.countRx(c.first);
        EXPECT_FALSE(s.countRx(c.second));
        EXPECT_EQ(s.minCaption(), "MIN_T_W:  NA");
        EXPECT_EQ(s.maxCaption(), "MAX_T_W: NA");
        EXPECT_EQ(s.readCaption(), "Read: 2");
        // The next interval is measured from the second line again.
        EXPECT_TRUE(s.countRx(c.second + 40));
        EXPECT_EQ(s.minCaption(), "MIN_T_W:  40");
        EXPECT_EQ(s.maxCaption(), "MAX_T_W: 40");
    }
}
