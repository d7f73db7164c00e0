#include "rx/log_line.h"

namespace vantrel {

std::string renderRx(const std::uint8_t* bytes, std::size_t n, OutputMode mode) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string out;
    if (mode == OutputMode::Hex) {
        // The blank after the last byte would only be dropped again, and only
        // here is it known to be a separator and not a received blank.
        if (n == 0) return out;
        out.assign(n * 3 - 1, ' ');
        for (std::size_t i = 0; i < n; ++i) {
            out[3 * i] = kDigits[bytes[i] >> 4];
            out[3 * i + 1] = kDigits[bytes[i] & 0x0F];
        }
        return out;
    }
    out.reserve(n + 8);
    // Runs of bytes shown as they are go in whole.
    std::size_t from = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint8_t b = bytes[i];
        if (b != 0x0D && b != 0x0A && b != 0x00) continue;
        out.append(reinterpret_cast<const char*>(bytes + from), i - from);
        from = i + 1;
        if (b == 0x0D) out += "\r\n";
        else if (b == 0x00) out += "<NULL>";
        // A line feed shows nothing: the carriage return already broke the line.
    }
    out.append(reinterpret_cast<const char*>(bytes + from), n - from);
    return out;
}

std::string timePrefix(const LocalTime& t, Direction d) {
    return " [ " + logTimeText(t) + (d == Direction::Rx ? " < ] " : " > ] ");
}

std::string completeRxLine(const std::string& rendered, bool showTime, const LocalTime& t) {
    // Only the LF of a final CR is an artefact; a prompt keeps its final blank,
    // an answer without a line end its last character.
    std::string text = rendered.ends_with("\r\n") ? rendered.substr(0, rendered.size() - 1) : rendered;
    return showTime ? timePrefix(t, Direction::Rx) + text : text;
}

std::string completeTxLine(const std::string& shown, bool showTime, const LocalTime& t) {
    return showTime ? timePrefix(t, Direction::Tx) + shown : shown;
}

bool passesFilter(const std::string& line, const std::string& filter) {
    return filter.empty() || line.find(filter) != std::string::npos;
}

}  // namespace vantrel
