#pragma once
// Hover help countdowns: a mouse move over a control with help starts its
// countdown at 100; each housekeeping tick counts down, and when a countdown
// ends with the cursor exactly where it was when it started, that control's
// help is due.
#include <array>
#include <cstdint>
#include <functional>

namespace vantrel {

// The pause before the next housekeeping tick: the short one while something
// counts in ticks, otherwise until the clock caption's second changes.
int housekeepingPauseMs(bool counting, int msIntoSecond);

struct HoverPos {
    std::int32_t x = 0, y = 0;  // screen coordinates
    bool operator==(const HoverPos&) const = default;
};

class HoverHelp {
public:
    static constexpr int kCount = 13;
    static constexpr std::uint8_t kStart = 100;

    // A mouse move over control `index`: (re)start its countdown.
    void restart(int index);
    // The same, recording the position at once as well.
    void restart(int index, HoverPos now);

    // One tick: serves the countdowns in order; `showHelp(index)` is called for
    // each one that ends where it started. The cursor is read only when needed.
    void tick(const std::function<HoverPos()>& readCursor, const std::function<void(int)>& showHelp);

    // Some countdown is running: the ticks are needed.
    bool counting() const;

    std::uint8_t countdown(int index) const { return countdown_.at(std::size_t(index)); }
    HoverPos position(int index) const { return pos_.at(std::size_t(index)); }

private:
    std::array<std::uint8_t, kCount> countdown_{};
    std::array<HoverPos, kCount> pos_{};
};

}  // namespace vantrel
