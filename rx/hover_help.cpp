#include "rx/hover_help.h"

namespace vantrel {

int housekeepingPauseMs(bool counting, int msIntoSecond) {
    constexpr int kTickMs = 10;
    if (counting) return kTickMs;
    const int toNextSecond = 1000 - (msIntoSecond % 1000);
    return toNextSecond < kTickMs ? kTickMs : toNextSecond;
}

bool HoverHelp::counting() const {
    for (const std::uint8_t c : countdown_)
        if (c != 0) return true;
    return false;
}

void HoverHelp::restart(int index) { countdown_.at(std::size_t(index)) = kStart; }

void HoverHelp::restart(int index, HoverPos now) {
    restart(index);
    pos_[std::size_t(index)] = now;
}

void HoverHelp::tick(const std::function<HoverPos()>& readCursor,
                     const std::function<void(int)>& showHelp) {
    for (int i = 0; i < kCount; ++i) {
        auto& c = countdown_[std::size_t(i)];
        if (c == kStart) pos_[std::size_t(i)] = readCursor();
        if (c == 0) continue;
        if (--c == 0 && readCursor() == pos_[std::size_t(i)]) showHelp(i);
    }
}

}  // namespace vantrel
