#include "serial/port_settings.h"

#include <limits>

namespace vantrel {

namespace {

std::string_view trimmed(std::string_view t) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!t.empty() && blank(t.front())) t.remove_prefix(1);
    while (!t.empty() && blank(t.back())) t.remove_suffix(1);
    return t;
}

std::optional<std::uint64_t> parseUnsigned(std::string_view t, std::uint64_t max) {
    t = trimmed(t);
    if (t.empty()) return std::nullopt;
    std::uint64_t v = 0;
    for (char c : t) {
        if (c < '0' || c > '9') return std::nullopt;
        v = v * 10 + std::uint64_t(c - '0');
        if (v > max) return std::nullopt;
    }
    return v;
}

}  // namespace

std::optional<std::uint32_t> parseBaudRate(std::string_view text) {
    const auto v = parseUnsigned(text, std::numeric_limits<std::uint32_t>::max());
    if (!v || *v == 0) return std::nullopt;
    return std::uint32_t(*v);
}

std::optional<std::uint8_t> parseDataBits(std::string_view text) {
    const auto v = parseUnsigned(text, 255);
    if (!v || *v < 5 || *v > 8) return std::nullopt;
    return std::uint8_t(*v);
}

std::optional<std::uint8_t> parseStopBitsCode(std::string_view text) {
    const std::string_view t = trimmed(text);
    if (t == "1") return 0;
    if (t == "1,5" || t == "1.5") return 1;
    if (t == "2") return 2;
    return std::nullopt;
}

bool lineSettingsSupported(const LineSettings& s) {
    if (s.BaudRate == 0 || s.Parity != 0) return false;
    if (s.ByteSize < 5 || s.ByteSize > 8) return false;
    switch (s.StopBits) {
    case 0: return true;
    case 1: return s.ByteSize == 5;
    case 2: return s.ByteSize != 5;
    default: return false;
    }
}

}  // namespace vantrel
