#include "rx/hover_help.h"

namespace vantrel {

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
