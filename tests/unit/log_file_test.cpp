#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#ifdef _WIN32
#include <process.h>
#endif

#include "rx/log_file.h"

using namespace vantrel;
namespace fs = std::filesystem;

namespace {

class LogFileTest : public testing::Test {
protected:
    void SetUp() override {
#ifdef _WIN32
        dir = fs::temp_directory_path() / ("logfile_test_" + std::to_string(::_getpid()));
        fs::remove_all(dir);
        ASSERT_TRUE(fs::create_directory(dir));
#else
        std::string pattern = (fs::temp_directory_path() / "logfile_test_XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir = pattern;
#endif
        log.pathOf = [this](const std::string& name) { return (dir / name).string(); };
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string contents(const std::string& name) const {
        std::ifstream in(dir / name, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    fs::path dir;
    LogFile log;
    const LocalTime when{2024, 3, 5, 2, 9, 7, 3, 42};
};

}  // namespace

TEST(LogFileName, NumbersWithoutLeadingZerosSeparatedByBlanks) {
    struct Case {
        LocalTime t;
        const char* name;
    } cases[] = {
        {{2024, 3, 5, 2, 9, 7, 3, 999}, "LOG_2024 3 5 9 7 3.txt"},
        {{2025, 12, 31, 3, 23, 59, 59, 0}, "LOG_2025 12 31 23 59 59.txt"},
        {{2024, 1, 1, 1, 0, 0, 0, 0}, "LOG_2024 1 1 0 0 0.txt"},
    };
    for (const auto& c : cases) EXPECT_EQ(LogFile::fileNameFor(c.t), c.name);
}

// Start, pause and resume through the window are tested in tst_log_file.
TEST_F(LogFileTest, AnOlderFileIsReplacedAndEachLineIsThereAtOnce) {
    const std::string name = "LOG_2024 3 5 9 7 3.txt";
    std::ofstream(dir / name) << "an older run with the same name";
    ASSERT_TRUE(log.start(when).ok);
    EXPECT_EQ(contents(name), "");
    ASSERT_TRUE(log.writeLine("\xCF\xF0\xE8\xE2\xE5\xF2").ok);  // Windows-1251 bytes as they are
    EXPECT_EQ(contents(name), "\xCF\xF0\xE8\xE2\xE5\xF2\r\n");
    log.close();
    EXPECT_TRUE(log.writeLine("after close").ok);
    EXPECT_EQ(contents(name), "\xCF\xF0\xE8\xE2\xE5\xF2\r\n");
}

TEST_F(LogFileTest, AFileThatCannotBeCreatedLeavesTheLogNeverStarted) {
    struct Case {
        const char* what;
        std::function<std::string(const std::string&)> pathOf;
        const char* reason;
    } cases[] = {
        {"a folder of that name",
         [this](const std::string& name) {
             fs::create_directory(dir / name);
             return (dir / name).string();
         },
         "с таким именем уже есть папка"},
        {"a missing folder", [this](const std::string& name) { return (dir / "missing" / name).string(); },
         "папка не найдена"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        LogFile failing;
        failing.pathOf = c.pathOf;
        const auto outcome = failing.start(when);
        EXPECT_FALSE(outcome.ok);
        EXPECT_EQ(outcome.reason, c.reason);
        EXPECT_EQ(outcome.file, "LOG_2024 3 5 9 7 3.txt");
        EXPECT_FALSE(failing.LogActive);
        EXPECT_FALSE(failing.LogFileCreated);
        EXPECT_EQ(failing.LogFileName, "");
        EXPECT_TRUE(failing.writeLine("nowhere").ok);  // nothing open, nothing written
    }
}

#ifndef _WIN32
TEST_F(LogFileTest, AFailingWritePausesTheLogAndReportsOnce) {
    log.pathOf = [](const std::string&) { return std::string("/dev/full"); };
    ASSERT_TRUE(log.start(when).ok);
    const auto first = log.writeLine("line 1");
    EXPECT_FALSE(first.ok);
    EXPECT_EQ(first.reason, "на диске нет места");
    EXPECT_EQ(first.file, "LOG_2024 3 5 9 7 3.txt");
    EXPECT_FALSE(log.LogActive);
    EXPECT_TRUE(log.LogFileCreated);
    // Further lines are not tried until the user resumes.
    EXPECT_TRUE(log.writeLine("line 2").ok);
    ASSERT_TRUE(log.start(when).ok);
    EXPECT_FALSE(log.writeLine("line 3").ok);
}
#endif
