#pragma once
// Local date and time with milliseconds, behind a seam so tests can set it.
#include <cstdint>
#include <ctime>
#include <string>

namespace vantrel {

struct LocalTime {
    int year = 2024, month = 1, day = 1;  // calendar date
    int dayOfWeek = 1;                    // Monday 1 .. Sunday 7
    int hour = 0, minute = 0, second = 0, msec = 0;
};

class Clock {
public:
    virtual ~Clock() = default;
    virtual LocalTime now() const = 0;
    // Milliseconds on a steady count that never jumps (elapsed-time measures).
    virtual std::int64_t monotonicMs() const = 0;
};

// Milliseconds since Monday 00:00:00.000 of the current week, 0..604799999.
std::int32_t weekMs(const LocalTime& t);
// "hh:mm:ss:zzz", the time of a log line.
std::string logTimeText(const LocalTime& t);

class SystemClock final : public Clock {
public:
    LocalTime now() const override;
    std::int64_t monotonicMs() const override;

private:
    // The receive poll asks several hundred times a second; the calendar changes once a second.
    mutable std::int64_t lastSecond_ = -1;
    mutable std::tm lastTm_{};
};

// The clock the program runs on; tests use their own.
Clock& systemClock();

}  // namespace vantrel
