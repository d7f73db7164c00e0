#pragma once
// The one road by which a command reaches the port, as an order of steps:
// the history, the shown line, the packet handed to the output queue. The
// queue discards what was received as the packet's first byte goes out and
// counts the bytes as the port takes them. The window supplies the steps;
// the order is here.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/clock.h"
#include "rx/log_line.h"

namespace vantrel {

class SendSteps {
public:
    virtual ~SendSteps() = default;
    virtual bool portOpen() = 0;
    virtual void showPortError() = 0;
    virtual void recordHistory(const std::string& text) = 0;
    // The packet's line for the log (which applies its filter).
    virtual void logLine(const std::string& line) = 0;
    // Queues the packet whole behind any still going out.
    virtual void queue(const std::vector<std::uint8_t>& bytes) = 0;
    virtual void packetQueued() = 0;
};

struct SendRequest {
    std::string text;  // the command, Windows-1251
    std::string tail;  // the packet tail with its templates
    OutputMode mode = OutputMode::Ascii;
    bool showTime = false;
    LocalTime now;
};

// The history keeps only what fits its 255-character records.
inline constexpr std::size_t kHistoryTextLimit = 255;

void sendCommand(const SendRequest& request, SendSteps& steps);

}  // namespace vantrel
