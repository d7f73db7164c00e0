#include "macros/macro_store.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/resource.h>
#endif
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <vector>

#include "common/counted_string.h"
#include "common/messages.h"

namespace vantrel {
namespace {

namespace fs = std::filesystem;
using namespace macro_layout;
using Bytes = std::vector<std::uint8_t>;

struct Recorder final : Messages {
    std::vector<std::pair<std::string, std::string>> shown;
    void info(const std::string& text, const std::string& detail) override { shown.emplace_back(text, detail); }
};

class MacroStoreFile : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("macro_store_test_" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        path_ = (dir_ / "CmdConfig").string();
    }
    void TearDown() override { fs::remove_all(dir_); }
    Bytes readBack() const {
        std::ifstream in(path_, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }
    void writeRaw(const Bytes& b) const {
        std::ofstream(path_, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
    }
    fs::path dir_;
    std::string path_;
    MacroStore store_;
    Recorder msgs_;
};

// A valid image whose meaningless bytes (behind the lengths, reserved areas)
// are random, so that any byte the store invents or drops shows up.
Bytes noisyImage(std::size_t records, unsigned seed = 7) {
    Bytes img(records * kRecordSize);
    std::mt19937 rng(seed);
    for (auto& b : img) b = std::uint8_t(rng());
    for (std::size_t r = 0; r < records; ++r) {
        std::uint8_t* rec = img.data() + r * kRecordSize;
        writeCounted(rec, kListNameCapacity, "Lst" + std::to_string(r + 1));
        for (std::size_t k = 0; k < 48; ++k) {
            writeCounted(rec + kCmdLinesOffset + k * kCmdLineSize, kCmdLineCapacity, "cmd" + std::to_string(k));
            writeCounted(rec + kCmdNamesOffset + k * kCmdNameSize, kCmdNameCapacity, "n");
            for (std::size_t j = 0; j < 12; ++j)
                writeCounted(rec + kCmdHelpOffset + k * kHelpPerMacro + j * kHelpLineSize, kHelpLineCapacity, "h");
        }
        putLe32(rec + kListMarkOffset, kListMark);
    }
    return img;
}

// 100 lists named List 1..List 100, every text empty, every mark 39 30 00 00.
void expectFreshFile(const Bytes& file) {
    ASSERT_EQ(file.size(), 10'258'000u);
    for (int n = 1; n <= kLists; ++n) {
        const std::uint8_t* rec = file.data() + std::size_t(n - 1) * kRecordSize;
        EXPECT_EQ(Bytes(rec + 102500, rec + 102504), (Bytes{0x39, 0x30, 0x00, 0x00})) << "list " << n;
        EXPECT_EQ(readCounted(rec, kListNameCapacity), "List " + std::to_string(n));
        for (std::size_t k = 0; k < 48; ++k) {
            EXPECT_EQ(rec[kCmdLinesOffset + k * kCmdLineSize] | rec[kCmdNamesOffset + k * kCmdNameSize], 0);
            for (std::size_t j = 0; j < 12; ++j) EXPECT_EQ(rec[kCmdHelpOffset + k * kHelpPerMacro + j * kHelpLineSize], 0);
        }
    }
}

TEST_F(MacroStoreFile, MissingOrDamagedFileIsReportedOnceAndRewrittenEmpty) {
    Bytes badMark37 = noisyImage(100);
    putLe32(badMark37.data() + 36 * kRecordSize + kListMarkOffset, 12346);
    Bytes cutShort = noisyImage(100);
    cutShort.resize(cutShort.size() - 10);
    const std::pair<const char*, std::optional<Bytes>> cases[] = {
        {"no file", std::nullopt},         {"99 records", noisyImage(99)},
        {"bad mark in record 37", badMark37}, {"last record cut short", cutShort},
        {"empty file", Bytes{}},
    };
    for (const auto& [what, image] : cases) {
        SCOPED_TRACE(what);
        fs::remove(path_);
        if (image) writeRaw(*image);
        Recorder msgs;
        EXPECT_FALSE(store_.LoadMacroStore(msgs, path_));
        ASSERT_EQ(msgs.shown.size(), 1u);
        EXPECT_EQ(msgs.shown[0].first, "Проблема с файлом конфигурации, он будет перезаписан");
        EXPECT_EQ(store_.GetCmdLine(1, 1), "");  // lists read before the fault are reset too
        expectFreshFile(readBack());
        EXPECT_FALSE(fs::exists(path_ + ".tmp"));
    }
    MacroStore again;
    EXPECT_TRUE(again.LoadMacroStore(msgs_, path_));
    EXPECT_TRUE(msgs_.shown.empty());
}

TEST_F(MacroStoreFile, UnreadableFileIsResetAndAFailedRewriteIsReported) {
    fs::create_directory(path_);  // can be neither read nor replaced
    EXPECT_FALSE(store_.LoadMacroStore(msgs_, path_));
    ASSERT_EQ(msgs_.shown.size(), 2u);
    EXPECT_EQ(msgs_.shown[1].first, "Не удалось сохранить макросы в файл CmdConfig");
    EXPECT_FALSE(msgs_.shown[1].second.empty());
    EXPECT_EQ(store_.GetListName(42), "List 42");  // the program goes on with the reset store
}

TEST_F(MacroStoreFile, ExtraRecordsLoadSilentlyAndEveryByteSurvivesASave) {
    Bytes img = noisyImage(101, 99);
    img.push_back(1);
    writeRaw(img);
    ASSERT_TRUE(store_.LoadMacroStore(msgs_, path_));
    EXPECT_EQ(store_.GetCmdLine(100, 48), "cmd47");
    ASSERT_TRUE(store_.SaveMacroStore(msgs_, path_));
    img.resize(kStoreSize);
    EXPECT_EQ(readBack(), img);

    // A shorter text keeps the old characters behind the new length.
    store_.SetCmdName(3, 5, "ab");
    ASSERT_TRUE(store_.SaveMacroStore(msgs_, path_));
    const std::size_t at = 2 * kRecordSize + kCmdNamesOffset + 4 * kCmdNameSize;
    img[at] = 2;
    img[at + 1] = 'a';
    img[at + 2] = 'b';
    EXPECT_EQ(readBack(), img);
    EXPECT_TRUE(msgs_.shown.empty());
}

TEST(MacroStoreLayout, FieldsLandAtTheirFileOffsets) {
    const std::pair<std::size_t, void (*)(MacroStore&)> cases[] = {
        {99 * kRecordSize, [](MacroStore& s) { s.SetListName(100, "Z"); }},
        {kRecordSize + 152 + 47 * 252, [](MacroStore& s) { s.SetCmdLine(2, 48, "Z"); }},
        {99 * kRecordSize + 12248 + 47 * 52, [](MacroStore& s) { s.SetCmdName(100, 48, "Z"); }},
        {14744 + 1824 + 11 * 152, [](MacroStore& s) { s.SetHelpLine(1, 2, 12, "Z"); }},
        {2 * kRecordSize + 14744 + 47 * 1824 + 11 * 152, [](MacroStore& s) { s.SetHelpLine(3, 48, 12, "Z"); }},
    };
    for (const auto& [offset, set] : cases) {
        SCOPED_TRACE(offset);
        MacroStore store;
        set(store);
        EXPECT_EQ(store.data()[offset], 1);
        EXPECT_EQ(store.data()[offset + 1], 'Z');
    }
}

TEST(MacroStoreText, LongTextIsCutToCapacityAndOutOfRangeNumbersTouchNothing) {
    MacroStore store;
    store.SetCmdLine(4, 7, std::string(300, '\xC9'));  // Cyrillic in Windows-1251
    store.SetCmdName(4, 7, std::string(60, 'n'));
    store.SetHelpLine(4, 7, 12, std::string(200, 'h'));
    store.SetListName(4, std::string(200, 'L'));
    EXPECT_EQ(store.GetCmdLine(4, 7), std::string(251, '\xC9'));
    EXPECT_EQ(store.GetCmdName(4, 7), std::string(51, 'n'));
    EXPECT_EQ(store.GetHelpLine(4, 7, 12), std::string(151, 'h'));
    EXPECT_EQ(store.GetListName(4), std::string(151, 'L'));
    EXPECT_EQ(store.GetCmdLine(4, 8) + store.GetCmdName(4, 8) + store.GetHelpLine(4, 8, 1), "");

    const Bytes before(store.data(), store.data() + kStoreSize);
    store.SetCmdLine(101, 1, "x");
    store.SetCmdName(1, 49, "x");
    store.SetHelpLine(1, 1, 13, "x");
    store.SetListName(0, "x");
    store.ClrListCmd(101);
    EXPECT_TRUE(std::equal(before.begin(), before.end(), store.data()));
}

TEST_F(MacroStoreFile, ClearedListKeepsMarkAndReservedBytesAndReloadsSilently) {
    const Bytes img = noisyImage(100, 3);
    writeRaw(img);
    ASSERT_TRUE(store_.LoadMacroStore(msgs_, path_));
    store_.ClrListCmd(12);
    EXPECT_EQ(store_.GetListName(12) + store_.GetCmdLine(12, 48) + store_.GetHelpLine(12, 48, 12), "");
    EXPECT_EQ(store_.GetCmdLine(13, 1), "cmd0");
    const std::size_t reserved = 11 * kRecordSize + 102296;
    EXPECT_TRUE(std::equal(img.begin() + reserved, img.begin() + 12 * kRecordSize, store_.data() + reserved));
    ASSERT_TRUE(store_.SaveMacroStore(msgs_, path_));
    EXPECT_TRUE(MacroStore().LoadMacroStore(msgs_, path_));
    EXPECT_TRUE(msgs_.shown.empty());
}

#ifndef _WIN32
TEST_F(MacroStoreFile, SaveThatFailsHalfWayLeavesTheOldFileWhole) {
    const Bytes img = noisyImage(100, 5);
    writeRaw(img);
    ASSERT_TRUE(store_.LoadMacroStore(msgs_, path_));
    store_.SetCmdLine(1, 1, "changed");

    // A file-size limit makes the kernel refuse the write part way, as a full disk does.
    struct sigaction ignore {}, previous {};
    ignore.sa_handler = SIG_IGN;
    ASSERT_EQ(::sigaction(SIGXFSZ, &ignore, &previous), 0);
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 4 * 1024 * 1024;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool ok = store_.SaveMacroStore(msgs_, path_);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    ::sigaction(SIGXFSZ, &previous, nullptr);

    EXPECT_FALSE(ok);
    ASSERT_EQ(msgs_.shown.size(), 1u);
    EXPECT_EQ(msgs_.shown[0].first, kMacroSaveFailedText);
    EXPECT_EQ(msgs_.shown[0].second, "файл превысил допустимый размер");
    EXPECT_EQ(readBack(), img);
    EXPECT_FALSE(fs::exists(path_ + ".tmp"));
    ASSERT_TRUE(store_.SaveMacroStore(msgs_, path_));  // the edit is still there to save
    MacroStore again;
    ASSERT_TRUE(again.LoadMacroStore(msgs_, path_));
    EXPECT_EQ(again.GetCmdLine(1, 1), "changed");
}
#endif

}  // namespace
}  // namespace vantrel
