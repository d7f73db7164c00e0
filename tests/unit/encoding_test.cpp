#include "tx/encoding.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vantrel {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct PacketCase {
    const char* name;
    OutputMode mode;
    std::string command;
    std::string tail;
    Bytes bytes;
    std::string shown;
};

class PacketEncoding : public ::testing::TestWithParam<PacketCase> {};

TEST_P(PacketEncoding, BytesAndShownText) {
    const PacketCase& c = GetParam();
    const EncodedPacket p = encodePacket(c.command, c.tail, c.mode);
    EXPECT_EQ(p.bytes, c.bytes);
    EXPECT_EQ(p.shown, c.shown);
}

const OutputMode A = OutputMode::Ascii;
const OutputMode H = OutputMode::Hex;

INSTANTIATE_TEST_SUITE_P(
    Table, PacketEncoding,
    ::testing::Values(
        // The worked examples.
        PacketCase{"AsciiCrLfEscapes", A, "AT", "$0D$0A", {0x41, 0x54, 0x0D, 0x0A}, "AT\r\n"},
        PacketCase{"DollarInCommandIsText", A, "A$41", "", {0x41, 0x24, 0x34, 0x31}, "A$41"},
        PacketCase{"DollarBeforeTemplateMakesOneByte", A, "ABC", "$[SUM_8(0..n)]",
                   {0x41, 0x42, 0x43, 0xC6}, "ABC\xC6"},
        PacketCase{"StarTemplateCrLf", A, "ABC", "*[XOR_8 (1..n)]$0D$0A",
                   {0x41, 0x42, 0x43, 0x2A, 0x30, 0x31, 0x0D, 0x0A}, "ABC*01\r\n"},
        PacketCase{"HexInvertedSum", H, "01 02 03", " [FF - SUM_8(0..n)]", {0x01, 0x02, 0x03, 0xF9},
                   "01 02 03 F9"},
        PacketCase{"HexDollarOnSeparator", H, "10 20", "$0D", {0x10, 0x20, 0x0D}, "10 20$0D"},
        // Edge cases.
        PacketCase{"XorWithoutBlankIsNoTemplate", A, "", "[XOR_8(1..n)]",
                   Bytes{'[', 'X', 'O', 'R', '_', '8', '(', '1', '.', '.', 'n', ')', ']'}, "[XOR_8(1..n)]"},
        PacketCase{"LowerCaseIsNoTemplate", A, "", "[sum_8(0..n)]",
                   Bytes{'[', 's', 'u', 'm', '_', '8', '(', '0', '.', '.', 'n', ')', ']'}, "[sum_8(0..n)]"},
        PacketCase{"SameTemplateTwice", A, "ABC", "[SUM_8(0..n)]-[SUM_8(0..n)]",
                   {0x41, 0x42, 0x43, 'C', '6', '-', 'C', '6'}, "ABCC6-C6"},
        PacketCase{"TemplateInCommandIsText", A, "[SUM_8(0..n)]", "",
                   Bytes{'[', 'S', 'U', 'M', '_', '8', '(', '0', '.', '.', 'n', ')', ']'}, "[SUM_8(0..n)]"},
        PacketCase{"HexShortLastByte", H, "01 0", "", {0x01, 0x00}, "01 0"},
        PacketCase{"HexMissingSecondDigit", H, "01 A", "", {0x01, 0xA0}, "01 A"},
        PacketCase{"HexLowerCase", H, "ff 0a", "", {0xFF, 0x0A}, "ff 0a"},
        PacketCase{"HexAnySeparator", H, "01-02$03x04", "", {0x01, 0x02, 0x03, 0x04}, "01-02$03x04"},
        PacketCase{"HexTailWithoutSeparatorShiftsGrid", H, "10 20", "0D", {0x10, 0x20, 0xD0}, "10 200D"},
        PacketCase{"HexNonDigitsGiveZero", H, "zz 1g", "", {0x00, 0x10}, "zz 1g"},
        PacketCase{"AsciiLowerCaseEscape", A, "A", "$0d", {0x41, 0x0D}, "A\r"},
        PacketCase{"AsciiFinalDollarAlone", A, "A", "$", {0x41, 0x00}, std::string("A\0", 2)},
        PacketCase{"AsciiFinalDollarOneDigit", A, "A", "$A", {0x41, 0xA0}, "A\xA0"},
        PacketCase{"AsciiDollarNonHexConsumed", A, "", "$ZZ$G1x", {0x00, 0x01, 'x'},
                   std::string("\0\x01x", 3)},
        PacketCase{"AsciiZeroEscapeShown", A, "B", "$00$0A", {'B', 0x00, 0x0A}, std::string("B\0\n", 3)},
        PacketCase{"CyrillicBytesUnchanged", A, "\xCF\xF0\xE8", "", {0xCF, 0xF0, 0xE8}, "\xCF\xF0\xE8"},
        PacketCase{"EmptyCommandStillSendsTail", A, "", "$0D", {0x0D}, "\r"},
        // A CRC of k bytes: k pairs on the HEX grid, 2k characters in ASCII,
        // k raw bytes after a "$"; multi-byte values in their wire order.
        PacketCase{"HexModbusFrame", H, "01 03 00 00 00 02", " [CRC16_MODBUS(0..n)]",
                   {0x01, 0x03, 0x00, 0x00, 0x00, 0x02, 0xC4, 0x0B}, "01 03 00 00 00 02 C4 0B"},
        PacketCase{"HexCcittHighByteFirst", H, "31 32 33 34 35 36 37 38 39", "$[CRC16_CCITT(0..n)]",
                   {'1', '2', '3', '4', '5', '6', '7', '8', '9', 0x29, 0xB1}, "31 32 33 34 35 36 37 38 39$29 B1"},
        PacketCase{"HexCrc32LowByteFirst", H, "31 32 33 34 35 36 37 38 39", " [CRC32(0..n)]",
                   {'1', '2', '3', '4', '5', '6', '7', '8', '9', 0x26, 0x39, 0xF4, 0xCB},
                   "31 32 33 34 35 36 37 38 39 26 39 F4 CB"},
        PacketCase{"AsciiModbusDigits", A, "123456789", "[CRC16_MODBUS(0..n)]$0D",
                   {'1', '2', '3', '4', '5', '6', '7', '8', '9', '3', '7', '4', 'B', 0x0D}, "123456789374B\r"},
        PacketCase{"AsciiDollarModbusRawBytes", A, "123456789", "$[CRC16_MODBUS(0..n)]",
                   {'1', '2', '3', '4', '5', '6', '7', '8', '9', 0x37, 0x4B}, "1234567897K"},
        PacketCase{"AsciiDollarCrc32RawBytes", A, "123456789", "$[CRC32(0..n)]$0A",
                   {'1', '2', '3', '4', '5', '6', '7', '8', '9', 0x26, 0x39, 0xF4, 0xCB, 0x0A},
                   "123456789\x26\x39\xF4\xCB\n"},
        PacketCase{"AsciiStarCrc8Skip1", A, "X123456789", "*[CRC8_MAXIM(1..n)]",
                   {'X', '1', '2', '3', '4', '5', '6', '7', '8', '9', '*', 'A', '1'}, "X123456789*A1"},
        PacketCase{"CrcInCommandIsText", A, "[CRC8(0..n)]", "",
                   Bytes{'[', 'C', 'R', 'C', '8', '(', '0', '.', '.', 'n', ')', ']'}, "[CRC8(0..n)]"}),
    [](const ::testing::TestParamInfo<PacketCase>& info) { return std::string(info.param.name); });

struct SumCase {
    const char* name;
    OutputMode mode;
    std::string command;
    std::string templateText;
    std::uint32_t value;
};

class Checksum : public ::testing::TestWithParam<SumCase> {};

TEST_P(Checksum, Value) {
    const SumCase& c = GetParam();
    EXPECT_EQ(CalcCsum(c.templateText, c.command, c.mode), c.value);
}

// Bytes of "\x10\x20\x35\x81": sum 0xE6, from 2nd 0xD6, from 3rd 0xB6; xor 0x84, 0x94, 0xB4.
INSTANTIATE_TEST_SUITE_P(
    Table, Checksum,
    ::testing::Values(
        SumCase{"Sum0", A, "\x10\x20\x35\x81", "[SUM_8(0..n)]", 0xE6},
        SumCase{"Sum1", A, "\x10\x20\x35\x81", "[SUM_8(1..n)]", 0xD6},
        SumCase{"Sum2", A, "\x10\x20\x35\x81", "[SUM_8(2..n)]", 0xB6},
        SumCase{"Xor0", A, "\x10\x20\x35\x81", "[XOR_8 (0..n)]", 0x84},
        SumCase{"Xor1", A, "\x10\x20\x35\x81", "[XOR_8 (1..n)]", 0x94},
        SumCase{"Xor2", A, "\x10\x20\x35\x81", "[XOR_8 (2..n)]", 0xB4},
        SumCase{"Inv0", A, "\x10\x20\x35\x81", "[FF - SUM_8(0..n)]", 0x19},
        SumCase{"Inv1", A, "\x10\x20\x35\x81", "[FF - SUM_8(1..n)]", 0x29},
        SumCase{"Inv2", A, "\x10\x20\x35\x81", "[FF - SUM_8(2..n)]", 0x49},
        // The same bytes written on the HEX grid give the same values.
        SumCase{"HexSum1", H, "10 20 35 81", "[SUM_8(1..n)]", 0xD6},
        SumCase{"HexXor2", H, "10 20 35 81", "[XOR_8 (2..n)]", 0xB4},
        // A final lone digit is not a byte of the checksum.
        SumCase{"HexLoneDigitLeftOut", H, "01 02 F", "[SUM_8(0..n)]", 0x03},
        SumCase{"HexPairAtEndCounts", H, "01 02 F0", "[SUM_8(0..n)]", 0xF3},
        // Empty ranges.
        SumCase{"OneByteSum1", A, "A", "[SUM_8(1..n)]", 0x00},
        SumCase{"OneByteInv2", A, "A", "[FF - SUM_8(2..n)]", 0xFF},
        SumCase{"EmptyXor0", A, "", "[XOR_8 (0..n)]", 0x00},
        SumCase{"EmptyInv0", H, "", "[FF - SUM_8(0..n)]", 0xFF},
        SumCase{"TwoBytesSum2", A, "AB", "[SUM_8(2..n)]", 0x00},
        // The dollar sign counts as a character of the command.
        SumCase{"DollarInCommandCounts", A, "$0", "[SUM_8(0..n)]", 0x54},
        SumCase{"NoTemplate", A, "ABC", "[SUM_8(3..n)]", 0x00},
        // The catalogue's check values over "123456789", in both modes.
        SumCase{"Modbus", A, "123456789", "[CRC16_MODBUS(0..n)]", 0x4B37},
        SumCase{"Ccitt", A, "123456789", "[CRC16_CCITT(0..n)]", 0x29B1},
        SumCase{"Crc8", A, "123456789", "[CRC8(0..n)]", 0xF4},
        SumCase{"Crc8Maxim", A, "123456789", "[CRC8_MAXIM(0..n)]", 0xA1},
        SumCase{"Crc32", A, "123456789", "[CRC32(0..n)]", 0xCBF43926},
        SumCase{"HexModbus", H, "31 32 33 34 35 36 37 38 39", "[CRC16_MODBUS(0..n)]", 0x4B37},
        SumCase{"HexCrc32", H, "31 32 33 34 35 36 37 38 39", "[CRC32(0..n)]", 0xCBF43926},
        // s leading bytes left out, for any single digit s.
        SumCase{"Modbus1", A, "X123456789", "[CRC16_MODBUS(1..n)]", 0x4B37},
        SumCase{"Crc32Of2", A, "XY123456789", "[CRC32(2..n)]", 0xCBF43926},
        SumCase{"HexCcitt2", H, "AA BB 31 32 33 34 35 36 37 38 39", "[CRC16_CCITT(2..n)]", 0x29B1},
        SumCase{"Crc8Of9", A, "ABCDEFGHI123456789", "[CRC8(9..n)]", 0xF4},
        // An empty range gives the CRC of no bytes: init xor final XOR.
        SumCase{"EmptyModbus", A, "A", "[CRC16_MODBUS(2..n)]", 0xFFFF},
        SumCase{"EmptyCcitt", H, "", "[CRC16_CCITT(0..n)]", 0xFFFF},
        SumCase{"EmptyCrc32", A, "AB", "[CRC32(2..n)]", 0x00000000},
        SumCase{"EmptyMaxim", A, "AB", "[CRC8_MAXIM(7..n)]", 0x00},
        // Not templates: two digits, a letter, lower case, a missing bracket.
        SumCase{"CrcTwoDigits", A, "123", "[CRC8(10..n)]", 0x00},
        SumCase{"CrcLetter", A, "123", "[CRC8(s..n)]", 0x00},
        SumCase{"CrcLowerCase", A, "123", "[crc32(0..n)]", 0x00},
        SumCase{"CrcNoBracket", A, "123", "[CRC32(0..n)", 0x00}),
    [](const ::testing::TestParamInfo<SumCase>& info) { return std::string(info.param.name); });

TEST(HexToInt, DigitsOfBothCasesAndEverythingElseZero) {
    const std::string digits = "0123456789ABCDEF";
    const std::string lower = "0123456789abcdef";
    for (int v = 0; v < 16; ++v) {
        EXPECT_EQ(HexToInt(digits[v]), v) << digits[v];
        EXPECT_EQ(HexToInt(lower[v]), v) << lower[v];
    }
    for (char c : std::string("/:@G`g $\xC0\x00", 10)) EXPECT_EQ(HexToInt(c), 0) << int(c);
}

TEST(ConvAddStr, TemplatesAreReplacedInPlaceAndTheRestKept) {
    // Several different templates in one tail, each with its own value.
    EXPECT_EQ(ConvAddStr("<[SUM_8(0..n)]|[XOR_8 (0..n)]|[FF - SUM_8(0..n)]>", "\x01\x02", A), "<03|03|FC>");
    // Values below 0x10 keep their leading zero.
    EXPECT_EQ(ConvAddStr("[SUM_8(0..n)]", "\x05", A), "05");
    EXPECT_EQ(ConvAddStr("$0D", "ABC", A), "$0D");
    // The same CRC with different ranges, and a "$" only before the second.
    EXPECT_EQ(ConvAddStr("[CRC16_MODBUS(0..n)]-$[CRC16_MODBUS(1..n)]", "X123456789", A), "CF17-$37$4B");
    // CRC8 of "H" is FF: the digits complete an inverted-sum template, which
    // is replaced in turn (255 - 0x48).
    EXPECT_EQ(ConvAddStr("[[CRC8(0..n)] - SUM_8(0..n)]", "H", A), "B7");
}

TEST(LongInput, CommandLongerThan255BytesIsSummedWhole) {
    // 300 bytes of 0xFF: 76500 mod 256 = 0xD4; a 255-byte cut would give 0x01.
    const std::string command(300, '\xFF');
    const EncodedPacket p = encodePacket(command, "$[SUM_8(0..n)]", A);
    ASSERT_EQ(p.bytes.size(), 301u);
    EXPECT_EQ(p.bytes.back(), 0xD4);
}

TEST(LongInput, PacketLongerThan2048BytesIsSentWhole) {
    std::string command;
    for (int i = 0; i < 3000; ++i) command += (i ? " " : "") + std::string(i % 2 ? "AB" : "CD");
    const EncodedPacket p = encodePacket(command, " [XOR_8 (0..n)]", H);
    ASSERT_EQ(p.bytes.size(), 3001u);
    EXPECT_EQ(p.bytes[0], 0xCD);
    EXPECT_EQ(p.bytes[2999], 0xAB);
    EXPECT_EQ(p.bytes[3000], 0x00);  // 1500 pairs of CD xor AB cancel out
    EXPECT_EQ(p.shown.size(), command.size() + 3);
}

}  // namespace
}  // namespace vantrel
