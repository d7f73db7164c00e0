#pragma once
// Turning a command and the packet tail into the bytes sent and the text shown.
// Text here is Windows-1251 bytes, exactly what goes on the wire.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "rx/log_line.h"  // OutputMode: one switch governs sending and showing

namespace vantrel {

// The checksum templates of the tail chooser; the position selects the algorithm.
// The sums are recognised only as written here; a CRC also with any single
// digit s in place of the 0 of "(0..n)", leaving out s leading bytes.
inline constexpr std::array<std::string_view, 14> kChecksumTemplates = {
    "[SUM_8(0..n)]",        "[SUM_8(1..n)]",       "[SUM_8(2..n)]",
    "[XOR_8 (0..n)]",       "[XOR_8 (1..n)]",      "[XOR_8 (2..n)]",
    "[FF - SUM_8(0..n)]",   "[FF - SUM_8(1..n)]",  "[FF - SUM_8(2..n)]",
    "[CRC16_MODBUS(0..n)]", "[CRC16_CCITT(0..n)]", "[CRC8(0..n)]",
    "[CRC8_MAXIM(0..n)]",   "[CRC32(0..n)]",
};

// 0..15 for a hexadecimal digit of either case, 0 for any other character.
std::uint8_t HexToInt(char c);

// The command bytes a checksum covers before any are left out: in ASCII the
// characters, in HEX the digit pairs on the three-character grid.
std::vector<std::uint8_t> commandBytes(std::string_view command, OutputMode mode);

// The checksum that one template names, over the command: 0..255 for the
// sums and the 8-bit CRCs, the full width for the others; a text that is no
// template gives 0.
std::uint32_t CalcCsum(std::string_view templateText, std::string_view command, OutputMode mode);

// The tail with every template replaced by its bytes in wire order, as
// upper-case hexadecimal digit pairs: in HEX mode separated by blanks so that
// each falls on a byte position; in ASCII mode run together, or each behind a
// "$" when a "$" stands right before the template.
std::string ConvAddStr(std::string_view tail, std::string_view command, OutputMode mode);

struct EncodedPacket {
    std::vector<std::uint8_t> bytes;  // what is written to the port
    std::string shown;                // the packet's text in the log
};

// ASCII: characters as they are; "$XX" stands for one byte only after the
// first `commandLength` characters (in the tail).
EncodedPacket encodeAscii(std::string_view packetText, std::size_t commandLength);
// HEX: digit pairs on a three-character grid; the text is shown unchanged.
EncodedPacket encodeHex(std::string_view packetText);

// The whole road: templates in the tail, then the encoding of the mode.
// Buffers grow with the input, so a long command is sent whole.
EncodedPacket encodePacket(std::string_view command, std::string_view tail, OutputMode mode);

}  // namespace vantrel
