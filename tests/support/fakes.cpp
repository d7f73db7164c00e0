#include "support/fakes.h"

namespace vantrel::test {

void FakeClock::advance(int ms) {
    mono += ms;
    // Carry through the fields so weekMs and the time text move with it.
    std::int64_t total = std::int64_t(weekMs(time)) + ms;
    const std::int64_t week = 7LL * 24 * 3600 * 1000;
    while (total >= week) total -= week;
    while (total < 0) total += week;
    time.msec = int(total % 1000);
    total /= 1000;
    time.second = int(total % 60);
    total /= 60;
    time.minute = int(total % 60);
    total /= 60;
    time.hour = int(total % 24);
    total /= 24;
    time.dayOfWeek = int(total) + 1;
}

}  // namespace vantrel::test
