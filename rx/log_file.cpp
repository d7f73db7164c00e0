#include "rx/log_file.h"

#include <fcntl.h>
#include <unistd.h>
#ifdef _WIN32
#include <io.h>

#include <filesystem>
#endif

#include <cerrno>
#include <cstring>
#include <system_error>
#include <utility>

namespace vantrel {

namespace {

#ifdef _WIN32
// Binary, so that the line ends stay CR LF and are not doubled.
constexpr int kCreateFlags = O_WRONLY | O_CREAT | O_TRUNC | O_BINARY | O_NOINHERIT;
#else
constexpr int kCreateFlags = O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC;
#endif

// The reason of a failed file operation, for a Russian message box.
std::string reasonText(int err) {
    switch (err) {
    case EACCES:
    case EPERM: return "нет прав на запись";
    case EISDIR: return "с таким именем уже есть папка";
    case ENOENT:
    case ENOTDIR: return "папка не найдена";
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
        return "на диске нет места";
    case EFBIG: return "файл превысил допустимый размер";
    case EROFS: return "диск доступен только для чтения";
    case EMFILE:
    case ENFILE: return "открыто слишком много файлов";
    case ETXTBSY:
    case EBUSY: return "файл занят другой программой";
    default: return std::string("ошибка ввода-вывода (") + std::strerror(err) + ")";
    }
}

}  // namespace

LogFile::~LogFile() { close(); }

std::string LogFile::fileNameFor(const LocalTime& t) {
    return "LOG_" + std::to_string(t.year) + " " + std::to_string(t.month) + " " +
           std::to_string(t.day) + " " + std::to_string(t.hour) + " " +
           std::to_string(t.minute) + " " + std::to_string(t.second) + ".txt";
}

LogFile::Outcome LogFile::start(const LocalTime& now) {
    if (!LogFileCreated) {
        const std::string name = fileNameFor(now);
        const std::string path = pathOf ? pathOf(name) : name;
        const int fd = ::open(path.c_str(), kCreateFlags, 0644);
        if (fd < 0) {
            int err = errno;
#ifdef _WIN32
            // Windows answers a folder of that name with "access denied".
            std::error_code ec;
            if (err == EACCES && std::filesystem::is_directory(path, ec)) err = EISDIR;
#endif
            return {false, reasonText(err), name};
        }
        fd_ = fd;
        LogFileName = name;
        LogFileCreated = true;
        unsynced_ = false;
        lastSyncMs_ = nowMs();
        try {
            syncer_ = std::thread([this] { syncLoop(); });
        } catch (const std::system_error&) {
            // No thread to be had: the syncs run on the caller as they must.
        }
    }
    LogActive = true;
    return {};
}

LogFile::Outcome LogFile::writeLine(const std::string& line) {
    if (!LogActive || fd_ < 0) return {};
    int failed = 0;
    {
        const std::lock_guard lock(syncMutex_);
        std::swap(failed, syncError_);
    }
    if (failed != 0) {
        LogActive = false;
        return {false, reasonText(failed), LogFileName};
    }
    const std::string bytes = line + "\r\n";
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            const int err = n < 0 ? errno : EIO;
            LogActive = false;
            return {false, reasonText(err), LogFileName};
        }
        done += static_cast<std::size_t>(n);
    }
    unsynced_ = true;
    syncIfDue();
    return {};
}

void LogFile::syncIfDue() {
    if (!unsynced_ || nowMs() - lastSyncMs_ < kSyncIntervalMs) return;
    if (syncer_.joinable()) {
        {
            // While a sync still runs, this one waits behind it; further asks join it.
            const std::lock_guard lock(syncMutex_);
            syncWanted_ = true;
        }
        syncWake_.notify_one();
    } else if (const int err = syncNow(); err != 0 && syncError_ == 0) {
        syncError_ = err;
    }
    unsynced_ = false;
    lastSyncMs_ = nowMs();
}

int LogFile::syncNow() {
    if (syncData) return syncData(fd_);
#ifdef _WIN32
    return ::_commit(fd_) == 0 ? 0 : errno;
#else
    return ::fdatasync(fd_) == 0 ? 0 : errno;
#endif
}

// fd_ and syncData stay as they are from the thread's start until close() joins it.
void LogFile::syncLoop() {
    std::unique_lock lock(syncMutex_);
    for (;;) {
        syncWake_.wait(lock, [this] { return syncWanted_ || stopping_; });
        if (stopping_) return;
        syncWanted_ = false;
        lock.unlock();
        const int err = syncNow();
        lock.lock();
        if (err != 0 && syncError_ == 0) syncError_ = err;
    }
}

void LogFile::stopSyncer() {
    if (!syncer_.joinable()) return;
    {
        const std::lock_guard lock(syncMutex_);
        stopping_ = true;
    }
    syncWake_.notify_one();
    syncer_.join();
}

void LogFile::close() {
    stopSyncer();
    if (fd_ < 0) return;
    // A sync asked for and not yet begun is made here, with the lines after it.
    if (unsynced_ || syncWanted_) syncNow();
    ::close(fd_);
    fd_ = -1;
    LogActive = false;
}

std::int64_t LogFile::nowMs() const { return (clock ? *clock : systemClock()).monotonicMs(); }

}  // namespace vantrel
