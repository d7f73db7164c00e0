#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tx/history.h"

namespace fs = std::filesystem;
using vantrel::SentHistory;

namespace {

std::string readAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeAll(const fs::path& p, const std::string& bytes) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
}

// A file image with the given texts in slots 1.. (empty text: free slot).
std::string imageOf(const std::vector<std::string>& slots) {
    std::string img(SentHistory::kFileBytes, '\0');
    for (std::size_t i = 0; i < slots.size(); ++i) {
        img[i * 256] = char(slots[i].size());
        img.replace(i * 256 + 1, slots[i].size(), slots[i]);
    }
    return img;
}

class HistoryFile : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("vantrel_hist_" + std::to_string(::getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        file = (dir / "OldCmd").string();
    }
    void TearDown() override { fs::remove_all(dir); }
    fs::path dir;
    std::string file;
};

}  // namespace

TEST(SentHistoryRecord, MovesToFrontWithoutRepeats) {
    struct Case {
        const char* name;
        std::vector<std::string> before, sends, after;
    };
    const std::vector<Case> cases = {
        {"new texts go on top", {}, {"AT", "ATI"}, {"ATI", "AT"}},
        {"a repeat moves up", {}, {"AT", "ATI", "AT"}, {"AT", "ATI"}},
        {"middle entry to front", {"A", "B", "C"}, {"B"}, {"B", "A", "C"}},
        {"first entry stays", {"A", "B"}, {"A"}, {"A", "B"}},
        {"last used entry to front", {"A", "B", "C"}, {"C"}, {"C", "A", "B"}},
        {"comparison is exact", {"at"}, {"AT"}, {"AT", "at"}},
        // A free slot between used ones survives until the shift reaches it.
        {"free slot kept below the move", {"A", "", "B"}, {"C"}, {"C", "A", "B"}},
        {"free slot shifts down", {"A", "", "B", "C"}, {"B"}, {"B", "A", "C"}},
    };
    for (const auto& c : cases) {
        SentHistory h;
        h.setImage(imageOf(c.before));
        for (const auto& s : c.sends) h.record(s);
        EXPECT_EQ(h.usedTexts(), c.after) << c.name;
    }
}

TEST(SentHistoryRecord, KeepsTheFiftyMostRecentAndSkipsUnrecordable) {
    SentHistory h;
    for (int i = 1; i <= 51; ++i) h.record("CMD" + std::to_string(i));
    const auto texts = h.usedTexts();
    ASSERT_EQ(texts.size(), 50u);
    EXPECT_EQ(texts.front(), "CMD51");
    EXPECT_EQ(texts.back(), "CMD2");  // CMD1 was pushed out

    h.record(std::string(255, 'x'));  // too long for a slot
    h.record(std::string());          // would match every free slot
    EXPECT_EQ(h.usedTexts(), texts);
    h.record(std::string(254, 'y'));
    EXPECT_EQ(h.slot(1), std::string(254, 'y'));
}

TEST(SentHistoryRecord, DuplicatesFromTheFileMoveTheLastOccurrence) {
    SentHistory h;
    h.setImage(imageOf({"X", "A", "X", "B"}));
    h.record("X");
    // The last X (slot 3) is taken out; the X in slot 2 after the shift stays.
    EXPECT_EQ(h.usedTexts(), (std::vector<std::string>{"X", "X", "A", "B"}));
}

TEST(SentHistoryImage, ShortTextLeavesTheOlderBytesBehindIt) {
    SentHistory h;
    h.record("ABCDEF");
    h.setSlot(1, "XY");
    const auto& img = h.image();
    EXPECT_EQ(img[0], 2);
    EXPECT_EQ(std::string(img.begin() + 1, img.begin() + 7), "XYCDEF");
    EXPECT_EQ(h.slot(1), "XY");
}


TEST_F(HistoryFile, MissingFileIsCreatedWithFiftyFreeSlots) {
    SentHistory h;
    EXPECT_EQ(h.load(file).outcome, SentHistory::LoadOutcome::Created);
    EXPECT_EQ(readAll(file), std::string(12800, '\0'));
    EXPECT_TRUE(h.usedTexts().empty());
}

TEST_F(HistoryFile, SaveAndReloadKeepsOrderAndBytes) {
    SentHistory h;
    h.load(file);
    for (const char* s : {"AT", "ATI", "AT", "\xcf\xf0\xe8\xe2\xe5\xf2"})  // last: "Привет"
        h.record(s);
    ASSERT_EQ(h.save(file).outcome, SentHistory::SaveOutcome::Saved);
    const std::string bytes = readAll(file);
    ASSERT_EQ(bytes.size(), 12800u);
    EXPECT_EQ(bytes[0], 6);
    EXPECT_EQ(bytes.substr(1, 6), "\xcf\xf0\xe8\xe2\xe5\xf2");
    EXPECT_EQ(bytes.substr(256, 3), std::string("\x02" "AT"));
    EXPECT_EQ(bytes.substr(512, 4), std::string("\x03" "ATI"));

    SentHistory again;
    EXPECT_EQ(again.load(file).outcome, SentHistory::LoadOutcome::Loaded);
    EXPECT_EQ(again.usedTexts(), h.usedTexts());
    EXPECT_EQ(again.image(), h.image());
    EXPECT_FALSE(fs::exists(file + ".new"));
}


TEST_F(HistoryFile, ShortFileLoadsItsCompleteRecordsAndIsRewrittenWhole) {
    std::string img = imageOf({"A", "B", "C"});
    img.resize(256 * 2 + 10);
    writeAll(file, img);
    SentHistory h;
    EXPECT_EQ(h.load(file).outcome, SentHistory::LoadOutcome::Loaded);
    EXPECT_EQ(h.usedTexts(), (std::vector<std::string>{"A", "B"}));
    ASSERT_EQ(h.save(file).outcome, SentHistory::SaveOutcome::Saved);
    EXPECT_EQ(readAll(file).size(), 12800u);
}

TEST_F(HistoryFile, LongerFileReadsOnlyFiftyRecords) {
    std::vector<std::string> slots;
    for (int i = 1; i <= 52; ++i) slots.push_back("E" + std::to_string(i));
    std::string img(52 * 256, '\0');
    for (std::size_t i = 0; i < slots.size(); ++i) {
        img[i * 256] = char(slots[i].size());
        img.replace(i * 256 + 1, slots[i].size(), slots[i]);
    }
    writeAll(file, img);
    SentHistory h;
    h.load(file);
    ASSERT_EQ(h.usedTexts().size(), 50u);
    EXPECT_EQ(h.usedTexts().back(), "E50");
}



