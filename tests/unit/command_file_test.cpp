#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tx/command_file.h"

namespace fs = std::filesystem;
using vantrel::parseCommandFile;
using vantrel::readCommandFile;
using Lines = std::vector<std::string>;

TEST(CommandFileParse, LineEndsAndEmptyLines) {
    struct Case {
        const char* name;
        std::string bytes;
        Lines lines;
    };
    const std::vector<Case> cases = {
        {"empty file", "", {}},
        {"CR LF", "AT\r\nATI\r\n", {"AT", "ATI"}},
        {"LF", "AT\nATI\n", {"AT", "ATI"}},
        {"CR", "AT\rATI\r", {"AT", "ATI"}},
        {"mixed ends", "A\r\nB\nC\rD", {"A", "B", "C", "D"}},
        {"no end on the last line", "AT\r\nATI", {"AT", "ATI"}},
        {"empty lines kept", "A\r\n\r\nB\n\nC\r\rD", {"A", "", "B", "", "C", "", "D"}},
        {"LF CR is two ends", "A\n\rB", {"A", "", "B"}},
        {"one line end", "\r\n", {""}},
        {"bytes as they are", std::string("\xcf\xf0\x00\x09x", 5) + "\n", {std::string("\xcf\xf0\x00\x09x", 5)}},
    };
    for (const auto& c : cases) {
        const auto f = parseCommandFile(c.bytes);
        EXPECT_EQ(f.lines, c.lines) << c.name;
        EXPECT_EQ(f.linesRead, c.lines.size()) << c.name;
        EXPECT_FALSE(f.tooBig) << c.name;
    }
}

TEST(CommandFileParse, LongLinesAreLeftOutButCounted) {
    const std::string kept(254, 'k');
    const std::string dropped(255, 'd');
    const auto f = parseCommandFile("A\r\n" + dropped + "\r\n" + kept + "\r\n" + std::string(300, 'z'));
    EXPECT_EQ(f.lines, (Lines{"A", kept}));
    EXPECT_EQ(f.linesRead, 4u);
}

// Files from an editor that writes UTF-8: the mark goes, the text is converted.
TEST(CommandFileParse, Utf8FilesBecomeWindows1251) {
    const std::string bom = "\xEF\xBB\xBF";
    const std::string privet = "\xCF\xF0\xE8\xE2\xE5\xF2";  // "Привет" in Windows-1251
    const std::string privetUtf8 = "Привет";
    struct Case {
        const char* name;
        std::string bytes;
        Lines lines;
    };
    const std::vector<Case> cases = {
        {"mark, then ASCII", bom + "AT\r\nATI", {"AT", "ATI"}},
        {"mark alone on its line", bom + "\r\nX", {"", "X"}},
        {"Cyrillic", privetUtf8 + "\nAT " + privetUtf8, {privet, "AT " + privet}},
        {"mark, then Cyrillic", bom + privetUtf8, {privet}},
        {"what the code page lacks is ?", "a\u4E2D\U0001F600\u20AC\u2116b", {"a??\x88\xB9" "b"}},
        // not UTF-8: every byte as it is, only the mark goes
        {"Windows-1251", privet + "\r\n", {privet}},
        {"mark, then Windows-1251", bom + privet, {privet}},
        {"one bad byte at the end", privetUtf8 + "\n\xFF", {privetUtf8, "\xFF"}},
        {"cut short at the end", privetUtf8 + "\xD0", {privetUtf8 + "\xD0"}},
        {"overlong slash", "\xC0\xAF" + privetUtf8, {"\xC0\xAF" + privetUtf8}},
        {"surrogate", "\xED\xA0\x80" + privetUtf8, {"\xED\xA0\x80" + privetUtf8}},
        {"past U+10FFFF", "\xF4\x90\x80\x80" + privetUtf8, {"\xF4\x90\x80\x80" + privetUtf8}},
        {"mark past the start", "A\n" + bom + "B", {"A", "?B"}},
    };
    for (const auto& c : cases) {
        const auto f = parseCommandFile(c.bytes);
        EXPECT_EQ(f.lines, c.lines) << c.name;
    }
}

// The limit counts characters: a UTF-8 line of 254 letters takes 508 bytes.
TEST(CommandFileParse, Utf8LinesAreMeasuredInCharacters) {
    auto cyrillic = [](int n) {
        std::string s;
        for (int i = 0; i < n; ++i) s += "Ж";
        return s;
    };
    const auto f = parseCommandFile(cyrillic(254) + "\n" + cyrillic(255) + "\n" + std::string(600, 'a') + "\nZ");
    EXPECT_EQ(f.lines, (Lines{std::string(254, '\xC6'), "Z"}));
    EXPECT_EQ(f.linesRead, 4u);
}

TEST(CommandFileParse, StopsAfterFiveHundredLines) {
    auto numbered = [](int n, int longAt) {
        std::string s;
        for (int i = 1; i <= n; ++i)
            s += (i == longAt ? std::string(300, 'x') : "L" + std::to_string(i)) + "\r\n";
        return s;
    };
    struct Case {
        int lines, longAt;
        std::size_t kept;
        bool tooBig;
        const char* last;
    };
    const std::vector<Case> cases = {
        {499, 0, 499, false, "L499"},
        {500, 0, 500, true, "L500"},
        {600, 0, 500, true, "L500"},
        {600, 10, 499, true, "L500"},  // the long line counts towards the 500
    };
    for (const auto& c : cases) {
        const auto f = parseCommandFile(numbered(c.lines, c.longAt));
        EXPECT_EQ(f.lines.size(), c.kept) << c.lines;
        EXPECT_EQ(f.tooBig, c.tooBig) << c.lines;
        EXPECT_EQ(f.linesRead, std::min<std::size_t>(c.lines, 500)) << c.lines;
        ASSERT_FALSE(f.lines.empty());
        EXPECT_EQ(f.lines.back(), c.last) << c.lines;
    }
}

TEST(CommandFileParse, ChunkBoundariesDoNotChangeTheLines) {
    const std::string bytes = "\xEF\xBB\xBF" "AT\r\nB\rC\n\r\nD" + std::string(256, 'q') + "\r\nЁж\r\nE";
    const auto whole = parseCommandFile(bytes);
    ASSERT_EQ(whole.lines, (Lines{"AT", "B", "C", "", "\xA8\xE6", "E"}));
    for (std::size_t chunk = 1; chunk <= 5; ++chunk) {
        vantrel::CommandFileReader r;
        for (std::size_t at = 0; at < bytes.size(); at += chunk) r.feed(std::string_view(bytes).substr(at, chunk));
        r.finish();
        EXPECT_EQ(r.lines(), whole.lines) << chunk;
        EXPECT_EQ(r.linesRead(), whole.linesRead) << chunk;
    }
}

TEST(CommandFileRead, FromDiskAndFailures) {
    const fs::path dir = fs::temp_directory_path() / ("vantrel_cmdfile_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const fs::path path = dir / "cmds.txt";
    {
        std::ofstream out(path, std::ios::binary);
        for (int i = 0; i < 2000; ++i) out << "LINE" << i << "\r\n";
    }
    const auto ok = readCommandFile(path.string());
    ASSERT_TRUE(ok.ok);
    EXPECT_TRUE(ok.content.tooBig);
    ASSERT_EQ(ok.content.lines.size(), 500u);
    EXPECT_EQ(ok.content.lines[0], "LINE0");
    EXPECT_EQ(ok.content.lines[499], "LINE499");

    const auto missing = readCommandFile((dir / "absent.txt").string());
    EXPECT_FALSE(missing.ok);
    EXPECT_EQ(missing.reason, "файл не найден");

    const auto folder = readCommandFile(dir.string());
    EXPECT_FALSE(folder.ok);
    EXPECT_FALSE(folder.reason.empty());
    fs::remove_all(dir);
}
