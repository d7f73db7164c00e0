// The encoding of a packet from a command, a tail and the mode: templates in
// the tail all become hexadecimal digit pairs, the command goes out unchanged
// in ASCII, the HEX grid gives one byte per three characters, the checksums
// stay bytes, and Windows-1251 text survives a round trip through UTF-16.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/cp1251.h"
#include "fuzz_support.h"
#include "tx/encoding.h"

using namespace vantrel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const OutputMode mode = in.ConsumeBool() ? OutputMode::Hex : OutputMode::Ascii;
    const std::string command = in.ConsumeRandomLengthString(size);
    const std::string tail = in.ConsumeRemainingBytesAsString();

    for (std::size_t t = 0; t < kChecksumTemplates.size(); ++t) {
        const std::uint32_t value = CalcCsum(kChecksumTemplates[t], command, mode);
        FUZZ_CHECK(value <= 255 || kChecksumTemplates[t].starts_with("[CRC16") ||
                   kChecksumTemplates[t].starts_with("[CRC32"));
        // "FF - SUM" is the complement of the plain sum over the same bytes.
        if (t < 3) FUZZ_CHECK(CalcCsum(kChecksumTemplates[t + 6], command, mode) == 255 - value);
    }
    // A value means the tail is one template, which the replacement removes.
    FUZZ_CHECK(CalcCsum(tail, command, mode) == 0 || ConvAddStr(tail, command, mode) != tail);

    const std::string converted = ConvAddStr(tail, command, mode);
    FUZZ_CHECK(converted.size() <= tail.size());
    for (std::string_view item : kChecksumTemplates) FUZZ_CHECK(converted.find(item) == std::string::npos);

    const EncodedPacket packet = encodePacket(command, tail, mode);
    const std::string text = command + converted;
    if (mode == OutputMode::Ascii) {
        FUZZ_CHECK(packet.shown.size() == packet.bytes.size());
        FUZZ_CHECK(std::equal(packet.bytes.begin(), packet.bytes.end(), packet.shown.begin(),
                              [](std::uint8_t b, char c) { return b == std::uint8_t(c); }));
        FUZZ_CHECK(packet.bytes.size() >= command.size() && packet.bytes.size() <= text.size());
        // "$XX" is read only in the tail.
        FUZZ_CHECK(std::equal(command.begin(), command.end(), packet.bytes.begin(),
                              [](char c, std::uint8_t b) { return std::uint8_t(c) == b; }));
        if (converted.find('$') == std::string::npos) FUZZ_CHECK(packet.shown == text);
    } else {
        FUZZ_CHECK(packet.shown == text);
        FUZZ_CHECK(packet.bytes.size() == (text.size() + 2) / 3);
        const std::vector<std::uint8_t> counted = commandBytes(command, mode);
        FUZZ_CHECK(counted.size() <= packet.bytes.size());
        FUZZ_CHECK(std::equal(counted.begin(), counted.end(), packet.bytes.begin()));
    }

    FUZZ_CHECK(utf16ToCp1251(cp1251ToUtf16(command)) == command);
    // A character Windows-1251 cannot hold becomes "?", never dropped: one
    // byte per character (a surrogate pair is one character).
    std::u16string wide;
    for (std::size_t i = 0; i + 1 < tail.size(); i += 2)
        wide.push_back(char16_t(std::uint8_t(tail[i]) | std::uint8_t(tail[i + 1]) << 8));
    const std::string narrow = utf16ToCp1251(wide);
    FUZZ_CHECK(narrow.size() <= wide.size());
    std::size_t pairs = 0;
    for (std::size_t i = 0; i + 1 < wide.size(); ++i)
        if (wide[i] >= 0xD800 && wide[i] <= 0xDBFF) ++pairs, ++i;
    FUZZ_CHECK(narrow.size() == wide.size() - pairs);
    return 0;
}
