#include "rx/log_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vantrel {
namespace {

struct RxCase {
    const char* name;
    OutputMode mode;
    std::vector<std::uint8_t> bytes;
    std::string rendered;
    std::string line;  // completed, without the time prefix
};

class RxLine : public ::testing::TestWithParam<RxCase> {};

TEST_P(RxLine, RenderedAndCompleted) {
    const RxCase& c = GetParam();
    const std::string rendered = renderRx(c.bytes.data(), c.bytes.size(), c.mode);
    EXPECT_EQ(rendered, c.rendered);
    EXPECT_EQ(completeRxLine(rendered, false, LocalTime{}), c.line);
}

const OutputMode A = OutputMode::Ascii;
const OutputMode H = OutputMode::Hex;

INSTANTIATE_TEST_SUITE_P(
    Table, RxLine,
    ::testing::Values(
        RxCase{"HexNoBlankAfterLastByte", H, {0x00, 0xFF, 0x0D}, "00 FF 0D", "00 FF 0D"},
        RxCase{"HexUpperCase", H, {0xAB, 0x4F}, "AB 4F", "AB 4F"},
        RxCase{"HexNothing", H, {}, "", ""},
        RxCase{"AsciiFinalCrBecomesLoneCr", A, {0x4F, 0x4B, 0x0D, 0x0A}, "OK\r\n", "OK\r"},
        RxCase{"AsciiInnerCrBreaksLine", A, {0x41, 0x0D, 0x42, 0x0D, 0x0A}, "A\r\nB\r\n", "A\r\nB\r"},
        RxCase{"AsciiZeroByte", A, {0x41, 0x00, 0x42, 0x0D}, "A<NULL>B\r\n", "A<NULL>B\r"},
        RxCase{"AsciiLineFeedsOnlyRenderEmpty", A, {0x0A, 0x0A}, "", ""},
        RxCase{"AsciiHighAndControlBytesKept", A, {0xC0, 0xFF, 0x07, 0x0D}, "\xC0\xFF\x07\r\n", "\xC0\xFF\x07\r"},
        // the view marks it; the line, and so the log file, keeps the byte
        RxCase{"AsciiByteWithoutCharacterKept", A, {0x98, 0x41}, "\x98" "A", "\x98" "A"},
        // Without a line end the answer keeps its last character.
        RxCase{"AsciiNoLineEndKeepsLastLetter", A, {0x41, 0x42, 0x43}, "ABC", "ABC"},
        RxCase{"AsciiFinalZeroKeepsBracket", A, {0x41, 0x00}, "A<NULL>", "A<NULL>"},
        RxCase{"AsciiLineFeedAfterLetter", A, {0x41, 0x0A}, "A", "A"},
        // A prompt keeps its blank: only the HEX separator is an artefact.
        RxCase{"AsciiPromptKeepsFinalBlank", A, {0x3E, 0x20}, "> ", "> "},
        RxCase{"AsciiBlanksOnly", A, {0x20, 0x20}, "  ", "  "},
        RxCase{"AsciiBlankBeforeFinalCr", A, {0x41, 0x20, 0x0D}, "A \r\n", "A \r"},
        RxCase{"HexBlankByte", H, {0x20}, "20", "20"}),
    [](const ::testing::TestParamInfo<RxCase>& info) { return std::string(info.param.name); });

TEST(LogLinePrefix, TwentyCharactersWithTheDirection) {
    const LocalTime t{2024, 3, 5, 2, 14, 3, 27, 45};
    EXPECT_EQ(timePrefix(t, Direction::Rx), " [ 14:03:27:045 < ] ");
    EXPECT_EQ(timePrefix(t, Direction::Tx), " [ 14:03:27:045 > ] ");
    EXPECT_EQ(timePrefix(t, Direction::Tx).size(), 20u);

    EXPECT_EQ(completeTxLine("AT\r", true, t), " [ 14:03:27:045 > ] AT\r");
    EXPECT_EQ(completeTxLine("AT\r", false, t), "AT\r");
    EXPECT_EQ(completeTxLine("01 02 ", false, t), "01 02 ");
    EXPECT_EQ(completeRxLine("4F 4B 0D", true, t), " [ 14:03:27:045 < ] 4F 4B 0D");
}

TEST(LogLineFilter, CaseSensitiveSubstringOfTheWholeLine) {
    const LocalTime t{2024, 3, 5, 2, 14, 3, 27, 45};
    const std::string rx = completeRxLine("OK\r\n", true, t);
    const std::string tx = completeTxLine("AT\r", true, t);
    EXPECT_TRUE(passesFilter(rx, ""));
    EXPECT_TRUE(passesFilter(rx, "OK"));
    EXPECT_FALSE(passesFilter(tx, "OK"));
    EXPECT_FALSE(passesFilter(rx, "ok"));
    // The prefix is part of the line: the direction marks select a direction.
    EXPECT_TRUE(passesFilter(rx, "< ]"));
    EXPECT_FALSE(passesFilter(tx, "< ]"));
    EXPECT_TRUE(passesFilter(tx, "> ]"));
    EXPECT_TRUE(passesFilter(rx, ":27:045"));
    // No character of the filter is special.
    EXPECT_FALSE(passesFilter("OK", "O*"));
    EXPECT_TRUE(passesFilter("a.*b", ".*"));
    // Windows-1251 bytes compare as bytes.
    EXPECT_TRUE(passesFilter("\xCE\xCA", "\xCA"));
}

}  // namespace
}  // namespace vantrel
