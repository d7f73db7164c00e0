#include "tx/encoding.h"

#include <algorithm>

namespace vantrel {
namespace {

// The sum templates come first in the chooser, the CRCs after them.
constexpr std::size_t kSumCount = 9;

// One CRC in the terms of the common CRC catalogue.
struct Crc {
    std::string_view templateText;  // as the chooser lists it, with "(0..n)"
    unsigned width;                 // 8, 16 or 32 bits
    std::uint32_t poly;             // normal (unreflected) form
    std::uint32_t init;
    bool reflected;                 // input and output reflected alike
    std::uint32_t xorOut;
    bool lowByteFirst;              // wire order of a value wider than a byte
};

constexpr std::array<Crc, 5> kCrcs = {{
    {"[CRC16_MODBUS(0..n)]", 16, 0x8005, 0xFFFF, true, 0x0000, true},
    {"[CRC16_CCITT(0..n)]", 16, 0x1021, 0xFFFF, false, 0x0000, false},
    {"[CRC8(0..n)]", 8, 0x07, 0x00, false, 0x00, false},
    {"[CRC8_MAXIM(0..n)]", 8, 0x31, 0x00, true, 0x00, false},
    {"[CRC32(0..n)]", 32, 0x04C11DB7, 0xFFFFFFFF, true, 0xFFFFFFFF, true},
}};

// "..n)]" follows the digit s of a CRC template.
constexpr std::size_t kAfterDigit = 5;

constexpr bool crcsMatchChooser() {
    if (kSumCount + kCrcs.size() != kChecksumTemplates.size()) return false;
    for (std::size_t i = 0; i < kCrcs.size(); ++i) {
        const std::string_view t = kCrcs[i].templateText;
        if (kChecksumTemplates[kSumCount + i] != t) return false;
        if (t.substr(t.size() - kAfterDigit - 1) != "0..n)]") return false;
        // Every replacement must shorten the tail, or ConvAddStr would not end.
        if (t.size() <= 3 * kCrcs[i].width / 8) return false;
    }
    return true;
}
static_assert(crcsMatchChooser());

// A position beyond the end of the text reads as a zero digit.
std::uint8_t digitAt(std::string_view text, std::size_t index) {
    return index < text.size() ? HexToInt(text[index]) : 0;
}

std::uint8_t byteAt(std::string_view text, std::size_t index) {
    return static_cast<std::uint8_t>(digitAt(text, index) * 16 + digitAt(text, index + 1));
}

std::uint32_t reflect(std::uint32_t v, unsigned width) {
    std::uint32_t r = 0;
    for (unsigned i = 0; i < width; ++i, v >>= 1) r = (r << 1) | (v & 1);
    return r;
}

std::uint32_t crcOf(const Crc& c, const std::uint8_t* b, const std::uint8_t* end) {
    const std::uint32_t mask = c.width == 32 ? 0xFFFFFFFFu : (1u << c.width) - 1;
    std::uint32_t reg;
    if (c.reflected) {
        const std::uint32_t poly = reflect(c.poly, c.width);
        reg = reflect(c.init, c.width);
        for (; b != end; ++b) {
            reg ^= *b;
            for (int k = 0; k < 8; ++k) reg = (reg & 1) ? (reg >> 1) ^ poly : reg >> 1;
        }
    } else {
        const std::uint32_t top = 1u << (c.width - 1);
        reg = c.init;
        for (; b != end; ++b) {
            reg ^= std::uint32_t(*b) << (c.width - 8);
            for (int k = 0; k < 8; ++k) reg = ((reg & top) ? (reg << 1) ^ c.poly : reg << 1) & mask;
        }
    }
    return (reg ^ c.xorOut) & mask;
}

// Whether `text` holds CRC template `crc` at `at`, with any digit s.
bool crcAt(std::string_view text, std::size_t at, std::string_view crc) {
    if (at > text.size() || text.size() - at < crc.size()) return false;
    const std::size_t d = crc.size() - kAfterDigit - 1;
    const std::string_view s = text.substr(at, crc.size());
    return s.substr(0, d) == crc.substr(0, d) && s[d] >= '0' && s[d] <= '9' &&
           s.substr(d + 1) == crc.substr(d + 1);
}

// The first place at or after `from` where template t stands, or npos.
std::size_t findTemplate(std::string_view text, std::size_t t, std::size_t from) {
    const std::string_view item = kChecksumTemplates[t];
    if (t < kSumCount) return text.find(item, from);
    const std::string_view prefix = item.substr(0, item.size() - kAfterDigit - 1);
    for (std::size_t at = text.find(prefix, from); at != std::string_view::npos; at = text.find(prefix, at + 1))
        if (crcAt(text, at, item)) return at;
    return std::string_view::npos;
}

// Leading bytes a found template leaves out: for a sum its position, for a
// CRC the digit written in it.
std::size_t skipOf(std::size_t t, std::string_view found) {
    return t < kSumCount ? t % 3 : std::size_t(found[found.size() - kAfterDigit - 1] - '0');
}

std::uint32_t checksum(std::size_t t, std::size_t skip, const std::vector<std::uint8_t>& bytes) {
    const std::uint8_t* b = bytes.data() + std::min(skip, bytes.size());
    const std::uint8_t* end = bytes.data() + bytes.size();
    if (t >= kSumCount) return crcOf(kCrcs[t - kSumCount], b, end);
    std::uint32_t sum = 0;
    std::uint32_t x = 0;
    for (; b != end; ++b) {
        sum += *b;
        x ^= *b;
    }
    switch (t / 3) {
        case 0: return sum % 256;
        case 1: return x;
        default: return 255 - sum % 256;
    }
}

// The digits that replace template t: its bytes in wire order.
std::string templateDigits(std::size_t t, std::uint32_t value, OutputMode mode, bool afterDollar) {
    static const char kDigits[] = "0123456789ABCDEF";
    const unsigned count = t < kSumCount ? 1 : kCrcs[t - kSumCount].width / 8;
    const bool lowFirst = t >= kSumCount && kCrcs[t - kSumCount].lowByteFirst;
    std::string out;
    for (unsigned i = 0; i < count; ++i) {
        const unsigned b = (value >> (8 * (lowFirst ? i : count - 1 - i))) & 0xFF;
        if (i > 0 && mode == OutputMode::Hex) out += ' ';
        else if (i > 0 && afterDollar) out += '$';
        out += kDigits[b >> 4];
        out += kDigits[b & 0x0F];
    }
    return out;
}

}  // namespace

std::uint8_t HexToInt(char c) {
    if (c >= '0' && c <= '9') return static_cast<std::uint8_t>(c - '0');
    if (c >= 'A' && c <= 'F') return static_cast<std::uint8_t>(c - 'A' + 10);
    if (c >= 'a' && c <= 'f') return static_cast<std::uint8_t>(c - 'a' + 10);
    return 0;
}

std::vector<std::uint8_t> commandBytes(std::string_view command, OutputMode mode) {
    std::vector<std::uint8_t> bytes;
    if (mode == OutputMode::Ascii) {
        bytes.assign(command.begin(), command.end());
        return bytes;
    }
    bytes.reserve(command.size() / 3 + 1);
    // Only complete pairs count: a final lone digit is left out.
    for (std::size_t i = 0; i + 1 < command.size(); i += 3) bytes.push_back(byteAt(command, i));
    return bytes;
}

std::uint32_t CalcCsum(std::string_view templateText, std::string_view command, OutputMode mode) {
    for (std::size_t t = 0; t < kChecksumTemplates.size(); ++t) {
        if (templateText.size() != kChecksumTemplates[t].size() || findTemplate(templateText, t, 0) != 0) continue;
        return checksum(t, skipOf(t, templateText), commandBytes(command, mode));
    }
    return 0;
}

std::string ConvAddStr(std::string_view tail, std::string_view command, OutputMode mode) {
    const std::vector<std::uint8_t> bytes = commandBytes(command, mode);
    std::string text(tail);
    // Digits put in can complete a template earlier in the list ("[" + a CRC
    // giving FF + " - SUM_8(0..n)]"), so the passes repeat until none is
    // left. Every replacement shortens the text, so this ends.
    for (bool replaced = true; replaced;) {
        replaced = false;
        for (std::size_t t = 0; t < kChecksumTemplates.size(); ++t) {
            const std::size_t length = kChecksumTemplates[t].size();
            for (std::size_t at = findTemplate(text, t, 0); at != std::string::npos; at = findTemplate(text, t, 0)) {
                const std::uint32_t value = checksum(t, skipOf(t, std::string_view(text).substr(at, length)), bytes);
                const bool afterDollar = at > 0 && text[at - 1] == '$';
                text.replace(at, length, templateDigits(t, value, mode, afterDollar));
                replaced = true;
            }
        }
    }
    return text;
}

EncodedPacket encodeAscii(std::string_view packetText, std::size_t commandLength) {
    EncodedPacket out;
    out.bytes.reserve(packetText.size());
    out.shown.reserve(packetText.size());
    for (std::size_t i = 0; i < packetText.size();) {
        if (packetText[i] == '$' && i >= commandLength) {
            const std::uint8_t b = byteAt(packetText, i + 1);
            out.bytes.push_back(b);
            out.shown.push_back(static_cast<char>(b));
            i += 3;
        } else {
            out.bytes.push_back(static_cast<std::uint8_t>(packetText[i]));
            out.shown.push_back(packetText[i]);
            i += 1;
        }
    }
    return out;
}

EncodedPacket encodeHex(std::string_view packetText) {
    EncodedPacket out;
    out.bytes.reserve(packetText.size() / 3 + 1);
    for (std::size_t i = 0; i < packetText.size(); i += 3) out.bytes.push_back(byteAt(packetText, i));
    out.shown.assign(packetText);
    return out;
}

EncodedPacket encodePacket(std::string_view command, std::string_view tail, OutputMode mode) {
    std::string packetText(command);
    packetText += ConvAddStr(tail, command, mode);
    return mode == OutputMode::Ascii ? encodeAscii(packetText, command.size()) : encodeHex(packetText);
}

}  // namespace vantrel
