#pragma once
// Packet statistics: packets sent and received whose lines passed the filter,
// and the shortest and longest interval between two counted received packets.
#include <cstdint>
#include <string>

namespace vantrel {

class Stats {
public:
    static constexpr std::int32_t kNoMinimum = 2147483647;

    // Counts are 64-bit so that a long run never shows a negative number.
    std::int64_t SendCount = 0;
    std::int64_t ReadCount = 0;
    std::int32_t MinWaitMs = kNoMinimum;
    std::int32_t MaxWaitMs = 0;
    std::int32_t PrevReadTime = 0;  // WeekMs; kept by reset()
    std::int32_t LastReadTime = 0;  // WeekMs; kept by reset()

    // Counts an RX line at WeekMs `now`; true when an interval was counted
    // (the minimum and maximum captions are then to be rewritten).
    bool countRx(std::int32_t now);
    void countTx() { ++SendCount; }
    // Counts and extremes back to their start values; the last read time stays.
    void reset();

    std::string sendCaption() const;  // "Send: n"
    std::string readCaption() const;  // "Read: n"
    std::string minCaption() const;   // "MIN_T_W:  n" or "MIN_T_W:  NA"
    std::string maxCaption() const;   // "MAX_T_W: n" or "MAX_T_W: NA"
};

}  // namespace vantrel
