#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "common/clock.h"
#include "common/counted_string.h"
#include "common/cp1251.h"

using namespace vantrel;

TEST(Cp1251, EveryByteSurvivesARoundTrip) {
    std::string all;
    for (int b = 0; b < 256; ++b) all.push_back(char(b));
    EXPECT_EQ(utf16ToCp1251(cp1251ToUtf16(all)), all);
}

TEST(Cp1251, CyrillicAndPunctuationMapToTheirBytes) {
    // "Привет" and the euro sign, the numero sign and the letter Yo.
    const std::u16string text = u"Привет\u20AC\u2116\u0401\u0451";
    const std::string bytes = utf16ToCp1251(text);
    EXPECT_EQ(bytes, "\xCF\xF0\xE8\xE2\xE5\xF2\x88\xB9\xA8\xB8");
    EXPECT_EQ(cp1251ToUtf16(bytes), text);
}

TEST(Cp1251, CharactersOutsideTheCodePageBecomeQuestionMarks) {
    // A CJK character, a Greek letter and an emoji (a surrogate pair) each
    // become exactly one "?": nothing is dropped, nothing is doubled.
    EXPECT_EQ(utf16ToCp1251(u"a\u4E2Db\u03B1c\U0001F600d"), "a?b?c?d");
}

TEST(Cp1251, FromUtf8OneByteACharacter) {
    struct Case {
        std::string utf8, cp;
    };
    const Case cases[] = {
        {"Привет €№", "\xCF\xF0\xE8\xE2\xE5\xF2 \x88\xB9"},
        {"a\u4E2D\U0001F600b", "a??b"},  // three and four bytes, one "?" each
        // malformed: each byte that starts no sequence is one "?"
        {std::string("a\xD0") + "b", "a?b"},
        {"\xE2\x82", "??"},
        {"\xC0\xAF", "??"},
        {"\xED\xA0\x80", "???"},
    };
    for (const Case& c : cases) EXPECT_EQ(utf8ToCp1251(c.utf8), c.cp) << c.utf8;
}

TEST(CountedString, ReadsWritesAndCutsToCapacity) {
    std::uint8_t field[6] = {0, 'x', 'x', 'x', 'x', 'x'};
    writeCounted(field, 5, "COM12345");
    EXPECT_EQ(field[0], 5);
    EXPECT_EQ(readCounted(field, 5), "COM12");
    writeCounted(field, 5, "AB");
    EXPECT_EQ(readCounted(field, 5), "AB");
    // The bytes behind the text keep what they held.
    EXPECT_EQ(field[3], 'M');
    EXPECT_EQ(field[5], '2');
    // A damaged length byte never reads past the field.
    field[0] = 200;
    EXPECT_EQ(readCounted(field, 5).size(), 5u);
}

TEST(CountedString, LittleEndianIntegers) {
    std::uint8_t p[4];
    putLe32(p, 12345);
    EXPECT_EQ(p[0], 0x39);
    EXPECT_EQ(p[1], 0x30);
    EXPECT_EQ(p[2], 0);
    EXPECT_EQ(p[3], 0);
    putLe32(p, -2);
    EXPECT_EQ(getLe32(p), -2);
    EXPECT_EQ(p[3], 0xFF);
}

TEST(Clock, WeekMillisecondsAndLogTime) {
    LocalTime monday{2024, 3, 4, 1, 0, 0, 0, 0};
    EXPECT_EQ(weekMs(monday), 0);
    LocalTime sunday{2024, 3, 10, 7, 23, 59, 59, 999};
    EXPECT_EQ(weekMs(sunday), 604799999);
    LocalTime t{2024, 3, 5, 2, 9, 5, 7, 42};
    EXPECT_EQ(weekMs(t), ((24 + 9) * 60 + 5) * 60000 + 7 * 1000 + 42);
    EXPECT_EQ(logTimeText(t), "09:05:07:042");
    EXPECT_EQ(logTimeText({2024, 3, 5, 2, 23, 59, 10, 900}), "23:59:10:900");
    EXPECT_EQ(logTimeText({2024, 3, 5, 2, 0, 0, 0, 0}), "00:00:00:000");
    EXPECT_EQ(logTimeText({2024, 3, 5, 2, -1, 100, 99, 1000}), "00:99:99:999");  // clamped to 12 characters
}

TEST(Clock, SystemClockGivesAPlausibleLocalTime) {
    const LocalTime t = systemClock().now();
    EXPECT_GE(t.year, 2020);
    EXPECT_GE(t.dayOfWeek, 1);
    EXPECT_LE(t.dayOfWeek, 7);
    EXPECT_LT(t.msec, 1000);
    const auto a = systemClock().monotonicMs();
    const auto b = systemClock().monotonicMs();
    EXPECT_LE(a, b);
}
