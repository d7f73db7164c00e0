#pragma once
// What the simulated device does with the bytes it receives, and the pacing
// of a stream it sends; no I/O here, so both can be tested on their own.
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace vantrel {

// "AT\r" style texts: \r \n \t \\ and \xHH; nothing for a broken escape.
std::optional<std::string> parseEscapes(std::string_view text);

class DeviceBehaviour {
public:
    static constexpr std::size_t kMaxLine = 4096;

    DeviceBehaviour();  // echo on, with the fixed answers below
    void setEcho(bool on) { echo_ = on; }
    bool echo() const { return echo_; }
    // `command` includes its terminator ("AT\r"); a later call replaces.
    void setAnswer(const std::string& command, const std::string& reply);
    const std::map<std::string, std::string>& answers() const { return answers_; }

    // The bytes to send back for what arrived: the echo (when on), then the
    // answer of every fixed command completed by a carriage return or line feed.
    std::string onReceive(std::string_view bytes);

private:
    bool echo_ = true;
    std::map<std::string, std::string> answers_;
    std::string line_;  // the command being received
};

// N bytes at a given rate, released by time: a repeating 0-9A-Z pattern, or
// bytes of any value (the same ones on every run).
class StreamPacer {
public:
    void start(std::uint64_t count, std::uint32_t bytesPerSecond, std::int64_t nowMs, bool random = false);
    bool active() const { return sent_ < count_; }
    // The bytes due by `nowMs` and not sent yet, at most `maxBytes` of them;
    // the rest stays due, so a caller that cannot take more loses nothing.
    std::string due(std::int64_t nowMs, std::size_t maxBytes = SIZE_MAX);
    std::uint64_t sent() const { return sent_; }

private:
    std::uint64_t count_ = 0, sent_ = 0;
    std::uint32_t rate_ = 0;
    std::int64_t startMs_ = 0;
    bool random_ = false;
    std::uint32_t seed_ = 0;
};

}  // namespace vantrel
