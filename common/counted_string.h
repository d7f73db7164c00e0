#pragma once
// Counted strings of the record files: byte 0 the length L (0..N), bytes 1..L
// the characters, the rest without meaning.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vantrel {

// Reads the counted string of capacity `capacity` at `field`; a length byte
// above the capacity (a damaged file) is read as the capacity.
inline std::string readCounted(const std::uint8_t* field, std::size_t capacity) {
    std::size_t len = field[0];
    if (len > capacity) len = capacity;
    return std::string(reinterpret_cast<const char*>(field + 1), len);
}

// Stores `text` cut to `capacity`; the bytes behind the text are left alone.
inline void writeCounted(std::uint8_t* field, std::size_t capacity, std::string_view text) {
    const std::size_t len = text.size() < capacity ? text.size() : capacity;
    field[0] = static_cast<std::uint8_t>(len);
    for (std::size_t i = 0; i < len; ++i) field[1 + i] = static_cast<std::uint8_t>(text[i]);
}

inline void putLe32(std::uint8_t* p, std::int32_t v) {
    const auto u = static_cast<std::uint32_t>(v);
    p[0] = std::uint8_t(u);
    p[1] = std::uint8_t(u >> 8);
    p[2] = std::uint8_t(u >> 16);
    p[3] = std::uint8_t(u >> 24);
}

inline std::int32_t getLe32(const std::uint8_t* p) {
    return static_cast<std::int32_t>(std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) |
                                      (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[3]) << 24));
}

}  // namespace vantrel
