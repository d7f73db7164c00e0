#include "tools/pty_device.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>

namespace vantrel {

namespace {

using SteadyClock = std::chrono::steady_clock;

int msLeft(SteadyClock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now()).count();
    return left > 0 ? int(left) : 0;
}

}  // namespace

PtyDevice::~PtyDevice() { unplug(); }

bool PtyDevice::open(const std::string& linkPath) {
    unplug();
    linkPath_ = linkPath;
    return makePty() && placeLink();
}

bool PtyDevice::makePty() {
    const int m = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m < 0) return false;
    char name[128];
    if (::grantpt(m) != 0 || ::unlockpt(m) != 0 || ::ptsname_r(m, name, sizeof name) != 0) {
        ::close(m);
        return false;
    }
    const int s = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (s < 0) {
        ::close(m);
        return false;
    }
    termios t{};
    if (::tcgetattr(s, &t) == 0) {
        ::cfmakeraw(&t);
        ::tcsetattr(s, TCSANOW, &t);
    }
    master_ = m;
    slaveKeep_ = s;
    slavePath_ = name;
    return true;
}

bool PtyDevice::placeLink() {
    if (linkPath_.empty()) return true;
    struct stat st {};
    if (::lstat(linkPath_.c_str(), &st) == 0 && !S_ISLNK(st.st_mode)) {
        unplug();
        return false;
    }
    // A new link under a temporary name, then renamed over the old one, so
    // the stable name never points nowhere while a program opens it.
    const std::string tmp = linkPath_ + ".new" + std::to_string(::getpid());
    ::unlink(tmp.c_str());
    if (::symlink(slavePath_.c_str(), tmp.c_str()) != 0 || ::rename(tmp.c_str(), linkPath_.c_str()) != 0) {
        ::unlink(tmp.c_str());
        unplug();
        return false;
    }
    return true;
}

void PtyDevice::removeLink() {
    if (linkPath_.empty() || slavePath_.empty()) return;
    char target[256];
    const ssize_t n = ::readlink(linkPath_.c_str(), target, sizeof target - 1);
    if (n > 0 && std::string(target, std::size_t(n)) == slavePath_) ::unlink(linkPath_.c_str());
}

void PtyDevice::unplug() {
    if (master_ < 0) return;
    removeLink();
    ::close(slaveKeep_);
    ::close(master_);
    slaveKeep_ = -1;
    master_ = -1;
}

bool PtyDevice::replug() {
    unplug();
    return makePty() && placeLink();
}

bool PtyDevice::write(std::string_view bytes) {
    if (master_ < 0) return false;
    const auto deadline = SteadyClock::now() + std::chrono::seconds(1);
    while (!bytes.empty()) {
        const ssize_t r = ::write(master_, bytes.data(), bytes.size());
        if (r > 0) {
            bytes.remove_prefix(std::size_t(r));
            continue;
        }
        if (r < 0 && errno == EINTR) continue;
        if (r < 0 && errno != EAGAIN) return false;
        pollfd p{master_, POLLOUT, 0};
        if (::poll(&p, 1, msLeft(deadline)) <= 0) return false;
    }
    return true;
}

std::size_t PtyDevice::writeNow(std::string_view bytes) {
    std::size_t done = 0;
    while (master_ >= 0 && done < bytes.size()) {
        const ssize_t r = ::write(master_, bytes.data() + done, bytes.size() - done);
        if (r > 0) done += std::size_t(r);
        else if (!(r < 0 && errno == EINTR)) break;
    }
    return done;
}

std::string PtyDevice::readAvailable() {
    std::string out;
    if (master_ < 0) return out;
    char buf[4096];
    for (;;) {
        const ssize_t r = ::read(master_, buf, sizeof buf);
        if (r > 0) {
            out.append(buf, std::size_t(r));
            continue;
        }
        if (r < 0 && errno == EINTR) continue;
        return out;
    }
}

std::string PtyDevice::readFor(int ms) {
    std::string out;
    const auto deadline = SteadyClock::now() + std::chrono::milliseconds(ms);
    do {
        if (master_ < 0) return out;
        pollfd p{master_, POLLIN, 0};
        if (::poll(&p, 1, msLeft(deadline)) > 0) out += readAvailable();
    } while (msLeft(deadline) > 0);
    return out;
}

std::string PtyDevice::readUntil(std::string_view needle, int timeoutMs) {
    std::string out;
    const auto deadline = SteadyClock::now() + std::chrono::milliseconds(timeoutMs);
    while (out.find(needle) == std::string::npos && master_ >= 0) {
        pollfd p{master_, POLLIN, 0};
        if (::poll(&p, 1, msLeft(deadline)) > 0) out += readAvailable();
        if (msLeft(deadline) == 0) break;
    }
    return out;
}

std::string PtyDevice::readAtLeast(std::size_t count, int timeoutMs) {
    std::string out;
    const auto deadline = SteadyClock::now() + std::chrono::milliseconds(timeoutMs);
    while (out.size() < count && master_ >= 0) {
        pollfd p{master_, POLLIN, 0};
        if (::poll(&p, 1, msLeft(deadline)) > 0) out += readAvailable();
        if (msLeft(deadline) == 0) break;
    }
    return out;
}

}  // namespace vantrel
