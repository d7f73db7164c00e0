#include "serial/watchdog.h"

#include <gtest/gtest.h>

using namespace vantrel;

namespace {

constexpr auto W = LinkColour::Window, R = LinkColour::Red;
const std::optional<LinkColour> none;

struct Case {
    bool ok, open, autoOn, want;
    std::optional<LinkColour> colour;
    bool close, reopen;
};

// Every combination of the four inputs.
const Case kCases[] = {
    // ok     open   auto   want    colour  close  reopen
    {true,  true,  false, true,  none, false, false},  // healthy, watched by hand
    {true,  true,  false, false, none, false, false},
    {true,  false, false, false, none, false, false},  // nothing wanted, nothing open
    {true,  false, false, true,  R,    false, false},  // wanted but closed: shown red
    {false, true,  false, true,  R,    true,  false},  // pulled without AutoConnect
    {false, true,  false, false, R,    true,  false},
    {false, false, false, false, none, true,  false},
    {false, false, false, true,  R,    true,  false},
    {true,  true,  true,  true,  none, false, false},  // healthy with AutoConnect
    {true,  false, true,  true,  none, false, false},
    {true,  true,  true,  false, W,    false, false},  // AutoConnect, user disconnected
    {true,  false, true,  false, W,    false, false},
    {false, true,  true,  true,  none, true,  true},   // pulled: close, then reopen
    {false, false, true,  true,  none, true,  true},   // still gone: try again
    {false, true,  true,  false, W,    true,  false},
    {false, false, true,  false, W,    true,  false},
};

}  // namespace

TEST(Watchdog, EveryCombinationOfProbeOpenAutoAndIntent) {
    for (const Case& c : kCases) {
        const WatchdogStep s = watchdogStep({c.ok, c.open, c.autoOn, c.want});
        SCOPED_TRACE(testing::Message() << "ok=" << c.ok << " open=" << c.open << " auto=" << c.autoOn
                                        << " want=" << c.want);
        EXPECT_EQ(s.colour, c.colour);
        EXPECT_EQ(s.close, c.close);
        EXPECT_EQ(s.reopen, c.reopen);
    }
}

TEST(Watchdog, ReopenedLinkTurnsGreenAfterAPauseFailedOneYellow) {
    const ReopenStep back = reopenStep(true);
    EXPECT_EQ(back.colour, LinkColour::Green);
    EXPECT_TRUE(back.reconnected);
    EXPECT_EQ(back.settleMs, 2000);
    const ReopenStep still = reopenStep(false);
    EXPECT_EQ(still.colour, LinkColour::Yellow);
    EXPECT_FALSE(still.reconnected);
    EXPECT_EQ(still.settleMs, 0);
}
