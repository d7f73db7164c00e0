#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>
#include <vector>
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

// A steady clock moved by hand.
class StepClock final : public Clock {
public:
    LocalTime now() const override { return {}; }
    std::int64_t monotonicMs() const override { return ms; }
    std::int64_t ms = 0;
};

// Stands in for the disk sync: records which thread ran it and the file size
// it began with, can be held until released, and can fail once. A call on the
// test's own thread is never held, so a sync on the wrong thread fails a check
// instead of hanging the test.
class SyncProbe {
public:
    int operator()(int) {
        std::unique_lock lock(m_);
        const bool onCaller = std::this_thread::get_id() == caller_;
        ranOnCaller = ranOnCaller || onCaller;
        // What a sync makes durable is what was written before it began.
        std::error_code ec;
        sizes.push_back(fs::file_size(file, ec));
        ++entered_;
        changed_.notify_all();
        if (!onCaller) changed_.wait(lock, [this] { return !hold_; });
        ++returned_;
        const int error = failNext;
        failNext = 0;
        return error;
    }
    void hold(bool on) {
        std::lock_guard lock(m_);
        hold_ = on;
        changed_.notify_all();
    }
    bool waitEntered(int n) {
        std::unique_lock lock(m_);
        return changed_.wait_for(lock, std::chrono::seconds(5), [&] { return entered_ >= n; });
    }
    int inFlight() {
        std::lock_guard lock(m_);
        return entered_ - returned_;
    }

    fs::path file;  // whose size each sync records
    bool ranOnCaller = false;
    int failNext = 0;
    std::vector<std::uintmax_t> sizes;

private:
    const std::thread::id caller_ = std::this_thread::get_id();
    std::mutex m_;
    std::condition_variable changed_;
    bool hold_ = false;
    int entered_ = 0, returned_ = 0;
};

// The disk syncs run beside the caller, through the probe and the hand-moved clock.
class LogFileSyncTest : public LogFileTest {
protected:
    void SetUp() override {
        LogFileTest::SetUp();
        probe.file = dir / name;
        log.clock = &clock;
        log.syncData = [this](int fd) { return probe(fd); };
        ASSERT_TRUE(log.start(when).ok);
    }
    void TearDown() override {
        probe.hold(false);
        log.close();  // before the probe and the clock go
        LogFileTest::TearDown();
    }
    // A line, then the clock past the interval and the check the receive poll makes.
    void writeThenSyncDue(const std::string& line) {
        ASSERT_TRUE(log.writeLine(line).ok);
        clock.ms += LogFile::kSyncIntervalMs;
        log.syncIfDue();
    }
    const std::string name = "LOG_2024 3 5 9 7 3.txt";
    StepClock clock;
    SyncProbe probe;
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

TEST_F(LogFileSyncTest, ASlowSyncHoldsNeitherTheCallerNorLaterLines) {
    probe.hold(true);
    writeThenSyncDue("a");
    ASSERT_TRUE(probe.waitEntered(1));
    EXPECT_FALSE(probe.ranOnCaller);
    // The sync is still held; lines go on reaching the file.
    ASSERT_TRUE(log.writeLine("b").ok);
    EXPECT_EQ(contents(name), "a\r\nb\r\n");
}

TEST_F(LogFileSyncTest, LinesStayInOrderAndCloseWaitsForTheSyncAndSyncsLast) {
    probe.hold(true);
    std::string expected;
    for (int i = 0; i < 2000; ++i) {
        const std::string line = "line " + std::to_string(i);
        expected += line + "\r\n";
        ASSERT_TRUE(log.writeLine(line).ok);
        ++clock.ms;
        log.syncIfDue();
    }
    ASSERT_TRUE(probe.waitEntered(1));
    // A last line that no sync has been asked for yet: the close's own sync covers it.
    ASSERT_TRUE(log.writeLine("last").ok);
    expected += "last\r\n";
    std::thread release([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        probe.hold(false);
    });
    log.close();
    release.join();
    EXPECT_EQ(probe.inFlight(), 0);
    ASSERT_FALSE(probe.sizes.empty());
    EXPECT_EQ(probe.sizes.back(), expected.size());
    EXPECT_EQ(contents(name), expected);
}

TEST_F(LogFileSyncTest, AFailedSyncIsReportedOnceByTheNextLineAndPauses) {
    probe.failNext = ENOSPC;
    probe.hold(true);
    writeThenSyncDue("a");
    ASSERT_TRUE(probe.waitEntered(1));
    writeThenSyncDue("b");  // asks for a second sync while the first is held
    probe.hold(false);
    // The second sync starting means the first one's error is known.
    ASSERT_TRUE(probe.waitEntered(2));
    const auto failed = log.writeLine("c");
    EXPECT_FALSE(failed.ok);
    EXPECT_EQ(failed.reason, "на диске нет места");
    EXPECT_EQ(failed.file, name);
    EXPECT_FALSE(log.LogActive);
    EXPECT_TRUE(log.writeLine("while paused").ok);
    ASSERT_TRUE(log.start(when).ok);
    EXPECT_TRUE(log.writeLine("d").ok);  // reported once: resuming goes on
    log.close();
    EXPECT_EQ(contents(name), "a\r\nb\r\nd\r\n");
}
