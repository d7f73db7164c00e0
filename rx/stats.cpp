#include "rx/stats.h"

namespace vantrel {

bool Stats::countRx(std::int32_t now) {
    ++ReadCount;
    PrevReadTime = LastReadTime;
    LastReadTime = now;
    const std::int32_t d = now - PrevReadTime;
    // A zero previous time is no line at all; a negative interval is a new week or a clock set back.
    if (d <= 0 || PrevReadTime <= 0) return false;
    if (d < MinWaitMs) MinWaitMs = d;
    if (d > MaxWaitMs) MaxWaitMs = d;
    return true;
}

void Stats::reset() {
    MinWaitMs = kNoMinimum;
    MaxWaitMs = 0;
    SendCount = 0;
    ReadCount = 0;
}

std::string Stats::sendCaption() const { return "Send: " + std::to_string(SendCount); }

std::string Stats::readCaption() const { return "Read: " + std::to_string(ReadCount); }

std::string Stats::minCaption() const {
    return "MIN_T_W:  " + (MinWaitMs == kNoMinimum ? std::string("NA") : std::to_string(MinWaitMs));
}

std::string Stats::maxCaption() const {
    return "MAX_T_W: " + (MaxWaitMs == 0 ? std::string("NA") : std::to_string(MaxWaitMs));
}

}  // namespace vantrel
