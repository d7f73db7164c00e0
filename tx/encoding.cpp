#include "tx/encoding.h"

namespace vantrel {
namespace {

// A position beyond the end of the text reads as a zero digit.
std::uint8_t digitAt(std::string_view text, std::size_t index) {
    return index < text.size() ? HexToInt(text[index]) : 0;
}

std::uint8_t byteAt(std::string_view text, std::size_t index) {
    return static_cast<std::uint8_t>(digitAt(text, index) * 16 + digitAt(text, index + 1));
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
    std::size_t t = 0;
    while (t < kChecksumTemplates.size() && kChecksumTemplates[t] != templateText) ++t;
    if (t == kChecksumTemplates.size()) return 0;

    const std::vector<std::uint8_t> bytes = commandBytes(command, mode);
    const std::size_t skip = t % 3;  // leading bytes left out: the digit before ".."
    std::uint32_t sum = 0;
    std::uint32_t x = 0;
    for (std::size_t i = skip; i < bytes.size(); ++i) {
        sum += bytes[i];
        x ^= bytes[i];
    }
    switch (t / 3) {
        case 0: return sum % 256;
        case 1: return x;
        default: return 255 - sum % 256;
    }
}

std::string ConvAddStr(std::string_view tail, std::string_view command, OutputMode mode) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text(tail);
    for (std::string_view item : kChecksumTemplates) {
        // Every replacement shortens the text, so this loop ends.
        for (std::size_t at = text.find(item); at != std::string::npos; at = text.find(item)) {
            const std::uint32_t value = CalcCsum(item, command, mode);
            const char digits[2] = {kDigits[(value >> 4) & 0x0F], kDigits[value & 0x0F]};
            text.replace(at, item.size(), digits, 2);
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
