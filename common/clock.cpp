#include "common/clock.h"

#include <chrono>
#include <ctime>

namespace vantrel {

std::int32_t weekMs(const LocalTime& t) {
    return ((((t.dayOfWeek - 1) * 24 + t.hour) * 60 + t.minute) * 60 + t.second) * 1000 + t.msec;
}

std::string logTimeText(const LocalTime& t) {
    // Fields come from a clock; clamp them so the text is always 12 characters.
    auto clamp = [](int v, int hi) { return v < 0 ? 0 : (v > hi ? hi : v); };
    // Digit by digit: it heads every log line, and snprintf's reading of its format showed in the receive profile.
    std::string text = "00:00:00:000";
    const auto put = [&text](std::size_t end, int v) {
        for (std::size_t at = end; v > 0; v /= 10) text[--at] = char('0' + v % 10);
    };
    put(2, clamp(t.hour, 99));
    put(5, clamp(t.minute, 99));
    put(8, clamp(t.second, 99));
    put(12, clamp(t.msec, 999));
    return text;
}

LocalTime SystemClock::now() const {
    using namespace std::chrono;
    const auto wall = system_clock::now();
    const auto ms = duration_cast<milliseconds>(wall.time_since_epoch()).count();
    const std::time_t secs = static_cast<std::time_t>(ms / 1000);
    if (secs != lastSecond_) {
#ifdef _WIN32
        localtime_s(&lastTm_, &secs);
#else
        localtime_r(&secs, &lastTm_);
#endif
        lastSecond_ = secs;
    }
    const std::tm& tm = lastTm_;
    LocalTime t;
    t.year = tm.tm_year + 1900;
    t.month = tm.tm_mon + 1;
    t.day = tm.tm_mday;
    t.dayOfWeek = tm.tm_wday == 0 ? 7 : tm.tm_wday;
    t.hour = tm.tm_hour;
    t.minute = tm.tm_min;
    t.second = tm.tm_sec;
    t.msec = static_cast<int>(ms % 1000);
    return t;
}

std::int64_t SystemClock::monotonicMs() const {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

Clock& systemClock() {
    static SystemClock clock;
    return clock;
}

}  // namespace vantrel
