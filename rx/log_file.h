#pragma once
// The log file of one run: "LOG_" + the date and time of the first start,
// created once, paused and resumed, closed when the window closes. Every
// shown line is handed to the system at once; the disk is synced at most
// every kSyncIntervalMs, so neither a killed program nor a stopped machine
// loses more than that. The syncs run on a thread of the file's own, since
// one can take milliseconds (tens of them on a USB stick) and the caller is
// the receive poll.
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "common/clock.h"
#include "common/io_error.h"

namespace vantrel {

class LogFile {
public:
    static constexpr std::int64_t kSyncIntervalMs = 20;

    LogFile() = default;
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;
    ~LogFile();

    using Outcome = FileResult;

    bool LogActive = false;
    bool LogFileCreated = false;
    std::string LogFileName;

    // Where a file name is created; the bare name (working directory) unless
    // replaced, for example by tests that need a failing device.
    std::function<std::string(const std::string& name)> pathOf;
    // The steady clock that paces the disk syncs (null: the system clock).
    const Clock* clock = nullptr;
    // Makes the written bytes of `fd` durable: 0, or the error number (null:
    // fdatasync, _commit on Windows). Set before the first start.
    std::function<int(int fd)> syncData;

    // "LOG_2024 3 5 9 7 3.txt": numbers without leading zeros, single blanks.
    static std::string fileNameFor(const LocalTime& t);

    // Start or resume; the first start creates (or replaces) the file. A
    // failed creation leaves the log never started.
    Outcome start(const LocalTime& now);
    void pause() { LogActive = false; }
    // While active: the line and CR LF. A failed write pauses the log, so a
    // lasting fault is reported once and not with every line; so does a
    // failed sync, reported here by the next line instead of that line.
    Outcome writeLine(const std::string& line);
    // Has written lines that have waited kSyncIntervalMs or longer synced,
    // without waiting for the sync.
    void syncIfDue();
    // Written lines wait for their sync.
    bool syncPending() const { return unsynced_; }
    // Waits for a running sync, syncs what is left and closes.
    void close();

private:
    std::int64_t nowMs() const;
    int syncNow();
    void syncLoop();
    void stopSyncer();

    int fd_ = -1;
    bool unsynced_ = false;  // lines written since the last sync was asked for
    std::int64_t lastSyncMs_ = 0;

    std::thread syncer_;
    std::mutex syncMutex_;
    std::condition_variable syncWake_;
    // Guarded by syncMutex_:
    bool syncWanted_ = false;
    bool stopping_ = false;
    int syncError_ = 0;  // the first failed sync not yet reported
};

}  // namespace vantrel
