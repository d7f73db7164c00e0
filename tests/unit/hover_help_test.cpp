#include <gtest/gtest.h>

#include <vector>

#include "rx/hover_help.h"

namespace vantrel {
namespace {

// Drives the countdowns with a cursor the test moves, recording what is shown.
struct Hover {
    HoverHelp help;
    HoverPos cursor{100, 200};
    int reads = 0;
    std::vector<int> shown;

    void tick() {
        help.tick([this] { ++reads; return cursor; }, [this](int i) { shown.push_back(i); });
    }
    void ticks(int n) {
        for (int i = 0; i < n; ++i) tick();
    }
};

TEST(HoverHelp, RestingAHundredTicksShowsTheHelpOnTheLastOne) {
    Hover h;
    h.help.restart(1);
    h.ticks(99);
    EXPECT_TRUE(h.shown.empty());
    EXPECT_EQ(h.help.countdown(1), 1);
    h.tick();
    EXPECT_EQ(h.shown, std::vector<int>{1});
    EXPECT_EQ(h.help.countdown(1), 0);
    h.ticks(300);  // shown once, then idle
    EXPECT_EQ(h.shown, std::vector<int>{1});
}

TEST(HoverHelp, CursorElsewhereAtTheEndShowsNothing) {
    Hover h;
    h.help.restart(4);
    h.ticks(50);
    h.cursor.x += 1;  // one pixel is enough
    h.ticks(50);
    EXPECT_TRUE(h.shown.empty());
    EXPECT_EQ(h.help.countdown(4), 0);

    // The position is the one of the first tick, not of a later one.
    h.help.restart(4);
    h.tick();
    h.cursor.x += 1;
    h.ticks(99);
    EXPECT_TRUE(h.shown.empty());

    // Only the end matters: away and back again before it still shows.
    h.help.restart(4);
    h.ticks(10);
    h.cursor.y += 40;
    h.ticks(10);
    h.cursor.y -= 40;
    h.ticks(80);
    EXPECT_EQ(h.shown, std::vector<int>{4});
}

TEST(HoverHelp, AMoveRestartsTheWaitFromTheNewPosition) {
    Hover h;
    h.help.restart(2);
    h.ticks(60);
    h.cursor = {101, 200};
    h.help.restart(2);  // the move event over the same control
    h.ticks(99);
    EXPECT_TRUE(h.shown.empty()) << "the wait must start over after a move";
    h.tick();
    EXPECT_EQ(h.shown, std::vector<int>{2});
    EXPECT_EQ(h.help.position(2), (HoverPos{101, 200}));
}

TEST(HoverHelp, PositionGivenAtTheMoveIsReadAgainByTheFirstTick) {
    Hover h;
    h.help.restart(10, HoverPos{5, 5});
    EXPECT_EQ(h.help.position(10), (HoverPos{5, 5}));
    h.ticks(100);
    EXPECT_EQ(h.help.position(10), h.cursor);
    EXPECT_EQ(h.shown, std::vector<int>{10});
}

TEST(HoverHelp, CountdownsEndingTogetherAreServedInOrder) {
    Hover h;
    h.help.restart(12);
    h.help.restart(0);
    h.help.restart(7);
    h.ticks(100);
    EXPECT_EQ(h.shown, (std::vector<int>{0, 7, 12}));  // the last written stays on screen
}

TEST(HoverHelp, IdleCountdownsDoNotReadTheCursor) {
    Hover h;
    h.ticks(20);
    EXPECT_EQ(h.reads, 0);
    h.help.restart(3);
    h.ticks(100);
    EXPECT_EQ(h.reads, 2);  // once when started, once at the end
}

}  // namespace
}  // namespace vantrel
