#include "macros/macro_store.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
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
    struct Entry {
        std::string text, detail;
    };
    std::vector<Entry> shown;
    void info(const std::string& text, const std::string& detail) override { shown.push_back({text, detail}); }
};

class MacroStoreFile : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("macro_store_test_" + std::to_string(::getpid()) + "_" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        path_ = (dir_ / "CmdConfig").string();
    }
    void TearDown() override { fs::remove_all(dir_); }

    Bytes readBack() const {
        std::ifstream in(path_, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }
    void writeRaw(const Bytes& bytes) const {
        std::ofstream out(path_, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }

    fs::path dir_;
    std::string path_;
};

// A valid image whose meaningless bytes (behind the lengths, reserved areas)
// are random, so that any byte the store invents or drops shows up.
Bytes noisyImage(std::size_t records, unsigned seed = 7) {
    Bytes img(records * kRecordSize);
    std::mt19937 rng(seed);
    for (auto& b : img) b = std::uint8_t(rng());
    for (std::size_t r = 0; r < records; ++r) {
        std::uint8_t* rec = img.data() + r * kRecordSize;
        writeCounted(rec + kListNameOffset, kListNameCapacity, "Lst" + std::to_string(r + 1));
        for (std::size_t k = 0; k < 48; ++k) {
            writeCounted(rec + kCmdLinesOffset + k * kCmdLineSize, kCmdLineCapacity, "cmd" + std::to_string(k));
            writeCounted(rec + kCmdNamesOffset + k * kCmdNameSize, kCmdNameCapacity, "n" + std::to_string(k));
            for (std::size_t j = 0; j < 12; ++j)
                writeCounted(rec + kCmdHelpOffset + k * kHelpPerMacro + j * kHelpLineSize, kHelpLineCapacity,
                             "h" + std::to_string(j));
        }
        putLe32(rec + kListMarkOffset, kListMark);
    }
    return img;
}

void expectFreshFile(const Bytes& file) {
    ASSERT_EQ(file.size(), 10'258'000u);
    for (int n = 1; n <= kLists; ++n) {
        const std::uint8_t* rec = file.data() + std::size_t(n - 1) * kRecordSize;
        const Bytes mark(rec + kListMarkOffset, rec + kListMarkOffset + 4);
        EXPECT_EQ(mark, (Bytes{0x39, 0x30, 0x00, 0x00})) << "list " << n;
        EXPECT_EQ(readCounted(rec, kListNameCapacity), "List " + std::to_string(n));
        for (std::size_t k = 0; k < 48; ++k) {
            EXPECT_EQ(rec[kCmdLinesOffset + k * kCmdLineSize], 0) << "list " << n << " macro " << k + 1;
            EXPECT_EQ(rec[kCmdNamesOffset + k * kCmdNameSize], 0);
            for (std::size_t j = 0; j < 12; ++j)
                EXPECT_EQ(rec[kCmdHelpOffset + k * kHelpPerMacro + j * kHelpLineSize], 0);
        }
    }
}

TEST_F(MacroStoreFile, MissingFileIsReportedOnceAndCreatedEmpty) {
    MacroStore store;
    Recorder msgs;
    EXPECT_FALSE(store.LoadMacroStore(msgs, path_));
    ASSERT_EQ(msgs.shown.size(), 1u);
    EXPECT_EQ(msgs.shown[0].text, "Проблема с файлом конфигурации, он будет перезаписан");
    expectFreshFile(readBack());
    EXPECT_FALSE(fs::exists(path_ + ".tmp"));

    // The repaired file loads silently the next time.
    MacroStore again;
    Recorder quiet;
    EXPECT_TRUE(again.LoadMacroStore(quiet, path_));
    EXPECT_TRUE(quiet.shown.empty());
    EXPECT_EQ(again.GetListName(100), "List 100");
}

TEST_F(MacroStoreFile, DamagedFilesAreReportedAndFullyReset) {
    struct Case {
        const char* what;
        Bytes image;
    };
    Bytes badMark = noisyImage(100);
    putLe32(badMark.data() + 36 * kRecordSize + kListMarkOffset, 12346);  // record 37
    Bytes cutShort = noisyImage(100);
    cutShort.resize(cutShort.size() - 10);
    Bytes zeroMark = noisyImage(100);
    putLe32(zeroMark.data() + 99 * kRecordSize + kListMarkOffset, 0);  // the last one
    const Case cases[] = {
        {"99 records", noisyImage(99)},
        {"bad mark in record 37", badMark},
        {"last record cut short", cutShort},
        {"bad mark in record 100", zeroMark},
        {"empty file", Bytes{}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        writeRaw(c.image);
        MacroStore store;
        Recorder msgs;
        EXPECT_FALSE(store.LoadMacroStore(msgs, path_));
        ASSERT_EQ(msgs.shown.size(), 1u);
        EXPECT_EQ(msgs.shown[0].text, kMacroFileBadText);
        // Lists read before the fault are reset as well.
        EXPECT_EQ(store.GetListName(1), "List 1");
        EXPECT_EQ(store.GetCmdLine(1, 1), "");
        EXPECT_EQ(store.GetCmdName(36, 48), "");
        EXPECT_EQ(store.GetHelpLine(2, 3, 4), "");
        expectFreshFile(readBack());
    }
}

TEST_F(MacroStoreFile, UnreadableFileIsTreatedAsDamagedAndAFailedRewriteIsReported) {
    // A directory in the file's place can be neither read nor replaced.
    fs::create_directory(path_);
    MacroStore store;
    Recorder msgs;
    EXPECT_FALSE(store.LoadMacroStore(msgs, path_));
    ASSERT_EQ(msgs.shown.size(), 2u);
    EXPECT_EQ(msgs.shown[0].text, kMacroFileBadText);
    EXPECT_EQ(msgs.shown[1].text, "Не удалось сохранить макросы в файл CmdConfig");
    EXPECT_FALSE(msgs.shown[1].detail.empty());
    EXPECT_TRUE(fs::is_directory(path_));
    EXPECT_FALSE(fs::exists(path_ + ".tmp"));
    // The program goes on with the reset store.
    EXPECT_EQ(store.GetListName(42), "List 42");
    EXPECT_EQ(store.GetListMark(42), kListMark);
}

TEST_F(MacroStoreFile, ExtraRecordsLoadSilentlyAndAreCutByTheNextSave) {
    Bytes img = noisyImage(101);
    img.insert(img.end(), {1, 2, 3});
    writeRaw(img);
    MacroStore store;
    Recorder msgs;
    EXPECT_TRUE(store.LoadMacroStore(msgs, path_));
    EXPECT_TRUE(msgs.shown.empty());
    EXPECT_EQ(store.GetListName(100), "Lst100");
    EXPECT_EQ(store.GetCmdLine(100, 48), "cmd47");
    ASSERT_TRUE(store.SaveMacroStore(msgs, path_));
    const Bytes back = readBack();
    ASSERT_EQ(back.size(), kStoreSize);
    EXPECT_TRUE(std::equal(back.begin(), back.end(), img.begin()));
}

TEST_F(MacroStoreFile, EveryByteSurvivesLoadAndSaveAndAnEditTouchesOnlyItsField) {
    const Bytes img = noisyImage(100, 99);
    writeRaw(img);
    MacroStore store;
    Recorder msgs;
    ASSERT_TRUE(store.LoadMacroStore(msgs, path_));
    ASSERT_TRUE(store.SaveMacroStore(msgs, path_));
    EXPECT_EQ(readBack(), img);

    // A shorter text keeps the old characters behind the new length.
    store.SetCmdName(3, 5, "ab");
    ASSERT_TRUE(store.SaveMacroStore(msgs, path_));
    Bytes expected = img;
    const std::size_t at = 2 * kRecordSize + kCmdNamesOffset + 4 * kCmdNameSize;
    expected[at] = 2;
    expected[at + 1] = 'a';
    expected[at + 2] = 'b';
    EXPECT_EQ(readBack(), expected);
    EXPECT_TRUE(msgs.shown.empty());
}

TEST(MacroStoreLayout, FieldsLandAtTheirFileOffsets) {
    struct Case {
        const char* what;
        std::size_t offset;
        void (*set)(MacroStore&);
    };
    const Case cases[] = {
        {"list name of list 1", 0, [](MacroStore& s) { s.SetListName(1, "Z"); }},
        {"list name of list 100", 99 * kRecordSize, [](MacroStore& s) { s.SetListName(100, "Z"); }},
        {"command line 1 of list 1", 152, [](MacroStore& s) { s.SetCmdLine(1, 1, "Z"); }},
        {"command line 48 of list 2", kRecordSize + 152 + 47 * 252, [](MacroStore& s) { s.SetCmdLine(2, 48, "Z"); }},
        {"name 1 of list 1", 12248, [](MacroStore& s) { s.SetCmdName(1, 1, "Z"); }},
        {"name 48 of list 100", 99 * kRecordSize + 12248 + 47 * 52, [](MacroStore& s) { s.SetCmdName(100, 48, "Z"); }},
        {"help 1.1 of list 1", 14744, [](MacroStore& s) { s.SetHelpLine(1, 1, 1, "Z"); }},
        {"help 2.12 of list 1", 14744 + 1824 + 11 * 152, [](MacroStore& s) { s.SetHelpLine(1, 2, 12, "Z"); }},
        {"help 48.12 of list 3", 2 * kRecordSize + 14744 + 47 * 1824 + 11 * 152,
         [](MacroStore& s) { s.SetHelpLine(3, 48, 12, "Z"); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MacroStore store;
        const Bytes before(store.data(), store.data() + kStoreSize);
        c.set(store);
        EXPECT_EQ(store.data()[c.offset], 1);
        EXPECT_EQ(store.data()[c.offset + 1], 'Z');
        // Nothing else moved.
        std::size_t changed = 0;
        for (std::size_t i = 0; i < kStoreSize; ++i) changed += store.data()[i] != before[i];
        EXPECT_LE(changed, 2u);
    }
    // The last help line ends right where the reserved area begins.
    EXPECT_EQ(kCmdHelpOffset + 48 * kHelpPerMacro, 102296u);
}

TEST(MacroStoreText, LongTextIsCutToTheFieldCapacity) {
    MacroStore store;
    const std::string high(300, '\xC9');  // Cyrillic letters in Windows-1251
    store.SetCmdLine(4, 7, high);
    store.SetCmdName(4, 7, std::string(60, 'n'));
    store.SetHelpLine(4, 7, 12, std::string(200, 'h'));
    store.SetListName(4, std::string(200, 'L'));
    EXPECT_EQ(store.GetCmdLine(4, 7), std::string(251, '\xC9'));
    EXPECT_EQ(store.GetCmdName(4, 7), std::string(51, 'n'));
    EXPECT_EQ(store.GetHelpLine(4, 7, 12), std::string(151, 'h'));
    EXPECT_EQ(store.GetListName(4), std::string(151, 'L'));
    // The neighbours are untouched by the full-length writes.
    EXPECT_EQ(store.GetCmdLine(4, 8), "");
    EXPECT_EQ(store.GetCmdName(4, 8), "");
    EXPECT_EQ(store.GetHelpLine(4, 8, 1), "");
    EXPECT_EQ(store.GetCmdLine(4, 1), "");
}

TEST(MacroStoreText, NumbersOutOfRangeNeitherReadNorWriteOutsideTheStore) {
    MacroStore store;
    const Bytes before(store.data(), store.data() + kStoreSize);
    store.SetCmdLine(0, 1, "x");
    store.SetCmdLine(101, 1, "x");
    store.SetCmdName(1, 0, "x");
    store.SetCmdName(1, 49, "x");
    store.SetHelpLine(1, 1, 0, "x");
    store.SetHelpLine(1, 1, 13, "x");
    store.SetListName(-5, "x");
    store.ClrListCmd(101);
    EXPECT_TRUE(std::equal(before.begin(), before.end(), store.data()));
    EXPECT_EQ(store.GetCmdLine(101, 1), "");
    EXPECT_EQ(store.GetListName(0), "");
}

TEST_F(MacroStoreFile, ClearedListKeepsItsMarkAndReservedBytesAndReloadsSilently) {
    const Bytes img = noisyImage(100, 3);
    writeRaw(img);
    MacroStore store;
    Recorder msgs;
    ASSERT_TRUE(store.LoadMacroStore(msgs, path_));
    store.ClrListCmd(12);
    EXPECT_EQ(store.GetListName(12), "");
    for (int k = 1; k <= 48; ++k) {
        EXPECT_EQ(store.GetCmdLine(12, k), "");
        EXPECT_EQ(store.GetCmdName(12, k), "");
        for (int j = 1; j <= 12; ++j) EXPECT_EQ(store.GetHelpLine(12, k, j), "");
    }
    EXPECT_EQ(store.GetCmdLine(11, 1), "cmd0");
    EXPECT_EQ(store.GetCmdLine(13, 48), "cmd47");
    const std::uint8_t* rec = store.data() + 11 * kRecordSize;
    const std::uint8_t* old = img.data() + 11 * kRecordSize;
    EXPECT_TRUE(std::equal(old + 102296, old + kRecordSize, rec + 102296));

    ASSERT_TRUE(store.SaveMacroStore(msgs, path_));
    MacroStore again;
    EXPECT_TRUE(again.LoadMacroStore(msgs, path_));
    EXPECT_TRUE(msgs.shown.empty());
    EXPECT_EQ(again.GetListName(12), "");
}

TEST_F(MacroStoreFile, SaveThatFailsHalfWayLeavesTheOldFileWhole) {
    const Bytes img = noisyImage(100, 5);
    writeRaw(img);
    MacroStore store;
    Recorder msgs;
    ASSERT_TRUE(store.LoadMacroStore(msgs, path_));
    store.SetCmdLine(1, 1, "changed");

    // A file-size limit makes the kernel refuse the write part way, as a full disk does.
    struct sigaction ignore {}, previous {};
    ignore.sa_handler = SIG_IGN;
    ASSERT_EQ(::sigaction(SIGXFSZ, &ignore, &previous), 0);
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 4 * 1024 * 1024;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool ok = store.SaveMacroStore(msgs, path_);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    ::sigaction(SIGXFSZ, &previous, nullptr);

    EXPECT_FALSE(ok);
    ASSERT_EQ(msgs.shown.size(), 1u);
    EXPECT_EQ(msgs.shown[0].text, kMacroSaveFailedText);
    EXPECT_EQ(msgs.shown[0].detail, std::strerror(EFBIG));
    EXPECT_EQ(readBack(), img);
    EXPECT_FALSE(fs::exists(path_ + ".tmp"));
    // The store keeps the edit, so a later save can still deliver it.
    EXPECT_EQ(store.GetCmdLine(1, 1), "changed");
    ASSERT_TRUE(store.SaveMacroStore(msgs, path_));
    MacroStore again;
    ASSERT_TRUE(again.LoadMacroStore(msgs, path_));
    EXPECT_EQ(again.GetCmdLine(1, 1), "changed");
}

TEST_F(MacroStoreFile, SaveThatCannotCreateItsFileLeavesTheOldFileWhole) {
    const Bytes img = noisyImage(100, 6);
    writeRaw(img);
    fs::create_directory(path_ + ".tmp");  // stands where the new file would be written
    MacroStore store;
    Recorder msgs;
    ASSERT_TRUE(store.LoadMacroStore(msgs, path_));
    store.SetCmdName(2, 2, "x");
    EXPECT_FALSE(store.SaveMacroStore(msgs, path_));
    ASSERT_EQ(msgs.shown.size(), 1u);
    EXPECT_EQ(msgs.shown[0].detail, std::strerror(EISDIR));
    EXPECT_EQ(readBack(), img);
}

TEST_F(MacroStoreFile, SaveKeepsTheFilePermissions) {
    writeRaw(noisyImage(100));
    ASSERT_EQ(::chmod(path_.c_str(), 0600), 0);
    MacroStore store;
    Recorder msgs;
    ASSERT_TRUE(store.LoadMacroStore(msgs, path_));
    ASSERT_TRUE(store.SaveMacroStore(msgs, path_));
    struct stat st {};
    ASSERT_EQ(::stat(path_.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

}  // namespace
}  // namespace vantrel
