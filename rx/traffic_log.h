#pragma once
// What the sending side needs of the traffic log: the form of a line, the
// line itself, and the counts that follow a packet. Implemented by the
// receiving side, which owns the view, the LOG_ file and the statistics.
#include <string>

#include "rx/log_line.h"

namespace vantrel {

class TrafficLog {
public:
    virtual ~TrafficLog() = default;
    // One switch governs both the encoding of commands and the showing of answers.
    virtual OutputMode outputMode() const = 0;
    virtual bool showTime() const = 0;
    // A sent packet's line: shown, written and counted when it passes the filter.
    virtual void txLine(const std::string& line) = 0;
    // The sender's byte total changed.
    virtual void txBytesChanged() = 0;
    // The packet has been written: its count is shown.
    virtual void txPacketWritten() = 0;
};

}  // namespace vantrel
