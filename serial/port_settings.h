#pragma once
// What an open needs from the controls, and the checks on it: the texts of
// the three line-setting fields and the data-bit/stop-bit combinations the
// port accepts.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "serial/serial_port.h"

namespace vantrel {

// Taken from the controls afresh at every open; parity is always none.
struct PortSettings {
    std::string portName;
    std::uint32_t baudRate = 0;
    std::uint8_t dataBits = 8;
    std::uint8_t stopBitsCode = 0;  // 0 = one, 1 = one and a half, 2 = two
};

// A positive decimal number that fits 32 bits; blanks around it are allowed.
std::optional<std::uint32_t> parseBaudRate(std::string_view text);
// 5 to 8.
std::optional<std::uint8_t> parseDataBits(std::string_view text);
// "1" -> 0, "1,5" (or "1.5") -> 1, "2" -> 2.
std::optional<std::uint8_t> parseStopBitsCode(std::string_view text);

// False for what a serial driver refuses: a zero rate, a byte size outside
// 5..8, a parity other than none, an unknown stop-bits code, 1.5 stop bits
// with 6 to 8 data bits and 2 stop bits with 5 data bits.
bool lineSettingsSupported(const LineSettings& s);

}  // namespace vantrel
