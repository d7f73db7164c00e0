#include "macros/macro_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <io.h>
#include <windows.h>
#endif

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "common/counted_string.h"
#include "common/io_error.h"
#include "common/messages.h"

namespace vantrel {

using namespace macro_layout;

namespace {

std::string systemError(int err) { return ioErrorText(err); }

// Moves a file that failed to load aside before it is rewritten, so that the
// macros it may still hold can be recovered. Returns the new name, or "".
std::string keepFileThatFailedToLoad(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (!fs::is_regular_file(fs::symlink_status(path, ec)) || fs::file_size(path, ec) == 0 || ec) return {};
    for (int n = 1; n <= 99; ++n) {
        const std::string name = path + ".bak" + (n > 1 ? std::to_string(n) : std::string());
        if (fs::symlink_status(name, ec).type() != fs::file_type::not_found) continue;
        fs::rename(path, name, ec);
        return ec ? std::string() : name;
    }
    return {};
}

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    // Closes now so that the caller sees the error of the last flush.
    int release() {
        const int rc = ::close(fd_);
        fd_ = -1;
        return rc;
    }

private:
    int fd_;
};

bool writeAll(int fd, const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) {
            errno = EIO;
            return false;
        }
        data += n;
        size -= std::size_t(n);
    }
    return true;
}

#ifdef _WIN32
// Binary: the records hold bytes that text mode would change.
constexpr int kWriteFlags = O_WRONLY | O_CREAT | O_TRUNC | O_BINARY | O_NOINHERIT;
constexpr int kReadFlags = O_RDONLY | O_BINARY | O_NOINHERIT;

int syncFile(int fd) { return ::_commit(fd); }

// A plain rename refuses to replace an existing file here.
int renameOver(const char* from, const char* to) {
    if (::MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return 0;
    errno = ::GetLastError() == ERROR_ACCESS_DENIED ? EACCES : EIO;
    return -1;
}

void keepPermissions(const std::string&, int) {}
void syncDirectoryOf(const std::string&) {}  // MOVEFILE_WRITE_THROUGH made the rename durable
#else
constexpr int kWriteFlags = O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC;
constexpr int kReadFlags = O_RDONLY | O_CLOEXEC;

int syncFile(int fd) { return ::fsync(fd); }
int renameOver(const char* from, const char* to) { return ::rename(from, to); }

// Keep the permissions the user gave the old file.
void keepPermissions(const std::string& path, int fd) {
    struct stat old {};
    if (::stat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode)) ::fchmod(fd, old.st_mode & 07777);
}

std::string directoryOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// Make the rename itself durable; a failure here leaves a complete file.
void syncDirectoryOf(const std::string& path) {
    Fd dir(::open(directoryOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0) ::fsync(dir.get());
}
#endif

}  // namespace

StoreIoResult replaceFileAtomically(const std::string& path, const std::uint8_t* data,
                                    std::size_t size) {
    const std::string tmp = path + ".tmp";
    Fd fd(::open(tmp.c_str(), kWriteFlags, 0666));
    if (fd.get() < 0) return {false, systemError(errno), tmp};
    keepPermissions(path, fd.get());

    int err = 0;
    if (!writeAll(fd.get(), data, size) || syncFile(fd.get()) != 0) err = errno;
    if (fd.release() != 0 && err == 0) err = errno;
    if (err == 0 && renameOver(tmp.c_str(), path.c_str()) != 0) err = errno;
    if (err != 0) {
        ::unlink(tmp.c_str());
        return {false, systemError(err), path};
    }
    syncDirectoryOf(path);
    return {};
}

MacroStore::MacroStore() : block_(new std::uint8_t[kStoreSize]()) { ResetMacroStore(); }

std::uint8_t* MacroStore::record(int list) const {
    return block_.get() + std::size_t(list - 1) * kRecordSize;
}

bool MacroStore::validMacro(int list, int macro) {
    return list >= 1 && list <= kLists && macro >= 1 && macro <= kMacros;
}

std::string MacroStore::GetCmdLine(int list, int macro) const {
    if (!validMacro(list, macro)) return {};
    return readCounted(record(list) + kCmdLinesOffset + std::size_t(macro - 1) * kCmdLineSize,
                       kCmdLineCapacity);
}

void MacroStore::SetCmdLine(int list, int macro, std::string_view text) {
    if (!validMacro(list, macro)) return;
    writeCounted(record(list) + kCmdLinesOffset + std::size_t(macro - 1) * kCmdLineSize,
                 kCmdLineCapacity, text);
}

std::string MacroStore::GetCmdName(int list, int macro) const {
    if (!validMacro(list, macro)) return {};
    return readCounted(record(list) + kCmdNamesOffset + std::size_t(macro - 1) * kCmdNameSize,
                       kCmdNameCapacity);
}

void MacroStore::SetCmdName(int list, int macro, std::string_view text) {
    if (!validMacro(list, macro)) return;
    writeCounted(record(list) + kCmdNamesOffset + std::size_t(macro - 1) * kCmdNameSize,
                 kCmdNameCapacity, text);
}

std::string MacroStore::GetHelpLine(int list, int macro, int line) const {
    if (!validMacro(list, macro) || line < 1 || line > kHelpLines) return {};
    return readCounted(record(list) + kCmdHelpOffset + std::size_t(macro - 1) * kHelpPerMacro +
                           std::size_t(line - 1) * kHelpLineSize,
                       kHelpLineCapacity);
}

void MacroStore::SetHelpLine(int list, int macro, int line, std::string_view text) {
    if (!validMacro(list, macro) || line < 1 || line > kHelpLines) return;
    writeCounted(record(list) + kCmdHelpOffset + std::size_t(macro - 1) * kHelpPerMacro +
                     std::size_t(line - 1) * kHelpLineSize,
                 kHelpLineCapacity, text);
}

std::string MacroStore::GetListName(int list) const {
    if (list < 1 || list > kLists) return {};
    return readCounted(record(list) + kListNameOffset, kListNameCapacity);
}

void MacroStore::SetListName(int list, std::string_view text) {
    if (list < 1 || list > kLists) return;
    writeCounted(record(list) + kListNameOffset, kListNameCapacity, text);
}

std::int32_t MacroStore::GetListMark(int list) const {
    if (list < 1 || list > kLists) return 0;
    return getLe32(record(list) + kListMarkOffset);
}

void MacroStore::ClrListCmd(int list) {
    if (list < 1 || list > kLists) return;
    std::uint8_t* r = record(list);
    r[kListNameOffset] = 0;
    for (int k = 0; k < kMacros; ++k) {
        r[kCmdLinesOffset + std::size_t(k) * kCmdLineSize] = 0;
        r[kCmdNamesOffset + std::size_t(k) * kCmdNameSize] = 0;
    }
    for (int h = 0; h < kMacros * kHelpLines; ++h) r[kCmdHelpOffset + std::size_t(h) * kHelpLineSize] = 0;
}

void MacroStore::ResetMacroStore() {
    for (int n = 1; n <= kLists; ++n) {
        ClrListCmd(n);
        SetListName(n, "List " + std::to_string(n));
        putLe32(record(n) + kListMarkOffset, kListMark);
    }
}

bool MacroStore::readFile(const std::string& path) {
    std::memset(block_.get(), 0, kStoreSize);
    std::size_t got = 0;
    {
        Fd fd(::open(path.c_str(), kReadFlags));
        if (fd.get() < 0) return false;
        while (got < kStoreSize) {
            const ssize_t n = ::read(fd.get(), block_.get() + got, kStoreSize - got);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;  // end of file, or a read error: what came so far counts
            got += std::size_t(n);
        }
    }
    for (int n = 1; n <= kLists; ++n) {
        const std::size_t end = std::size_t(n) * kRecordSize;
        if (got < end || GetListMark(n) != kListMark) {
            // Lists behind the first bad record were never read.
            if (end < kStoreSize) std::memset(block_.get() + end, 0, kStoreSize - end);
            return false;
        }
    }
    return true;
}

StoreIoResult MacroStore::writeFile(const std::string& path) const {
    return replaceFileAtomically(path, block_.get(), kStoreSize);
}

bool MacroStore::LoadMacroStore(Messages& messages, const std::string& path) {
    if (readFile(path)) return true;
    const std::string kept = keepFileThatFailedToLoad(path);
    messages.info(kMacroFileBadText, kept.empty() ? std::string() : std::string(kMacroFileKeptText) + kept);
    ResetMacroStore();
    SaveMacroStore(messages, path);
    return false;
}

bool MacroStore::SaveMacroStore(Messages& messages, const std::string& path) const {
    const StoreIoResult r = writeFile(path);
    if (!r.ok) messages.info(kMacroSaveFailedText, r.reason);
    return r.ok;
}

}  // namespace vantrel
