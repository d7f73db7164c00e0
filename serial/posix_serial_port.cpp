// The serial operations on a Linux tty: exclusive open, raw line settings
// without flow control, DTR and RTS kept low, polling reads, writes that never wait.
#ifndef _WIN32

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <optional>
#include <thread>

#include "serial/custom_baud.h"
#include "serial/port_list.h"
#include "serial/port_settings.h"
#include "serial/serial_port.h"

namespace vantrel {

namespace {

std::optional<speed_t> standardSpeed(std::uint32_t baud) {
    struct Entry {
        std::uint32_t baud;
        speed_t code;
    };
    static constexpr Entry table[] = {
        {50, B50},         {75, B75},         {110, B110},       {134, B134},
        {150, B150},       {200, B200},       {300, B300},       {600, B600},
        {1200, B1200},     {1800, B1800},     {2400, B2400},     {4800, B4800},
        {9600, B9600},     {19200, B19200},   {38400, B38400},   {57600, B57600},
        {115200, B115200}, {230400, B230400}, {460800, B460800}, {500000, B500000},
        {576000, B576000}, {921600, B921600}, {1000000, B1000000}, {1152000, B1152000},
        {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
        {3500000, B3500000}, {4000000, B4000000},
    };
    for (const auto& e : table)
        if (e.baud == baud) return e.code;
    return std::nullopt;
}

tcflag_t sizeFlag(std::uint8_t bits) {
    switch (bits) {
    case 5: return CS5;
    case 6: return CS6;
    case 7: return CS7;
    default: return CS8;
    }
}

OpenResult failureFromErrno(int e) {
    switch (e) {
    case ENOENT:
    case ENOTDIR:
    case ENXIO:
    case ENODEV:
    case EIO: return openFailure(OpenFailure::NotFound);
    case EACCES:
    case EPERM:
    case EROFS: return openFailure(OpenFailure::AccessDenied);
    case EBUSY:
    case EWOULDBLOCK: return openFailure(OpenFailure::Busy);
    case EISDIR:
    case ENAMETOOLONG:
    case ELOOP: return openFailure(OpenFailure::NotADevice);
    default: return openFailure(OpenFailure::Other, long(e));
    }
}

// Opening some character devices has effects of its own (a watchdog arms
// itself), so only terminals are opened: pseudo-terminal slaves, or devices
// the kernel files under the tty class.
bool isTerminalDevice(dev_t rdev) {
    const unsigned maj = major(rdev);
    if (maj >= 136 && maj <= 143) return true;
    namespace fs = std::filesystem;
    std::error_code ec;
    if (!fs::is_directory("/sys/dev/char", ec)) return true;  // no sysfs: cannot tell
    const fs::path node = fs::path("/sys/dev/char") /
                          (std::to_string(maj) + ":" + std::to_string(minor(rdev)));
    const fs::path cls = fs::canonical(node / "subsystem", ec);
    return !ec && cls.filename() == "tty";
}

class PosixSerialPort final : public SerialPort {
public:
    ~PosixSerialPort() override { close(); }

    OpenResult open(const std::string& name) override {
        if (fd_ >= 0) return openFailure(OpenFailure::Busy);
        if (name.empty()) return openFailure(OpenFailure::NotFound);
        // The system call would stop at a zero byte and open another name.
        if (name.find('\0') != std::string::npos) return openFailure(OpenFailure::NotADevice);
        const std::string path = portDevicePath(name);
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0) return failureFromErrno(errno);
        if (!S_ISCHR(st.st_mode) || !isTerminalDevice(st.st_rdev))
            return openFailure(OpenFailure::NotADevice);

        int fd = -1;
        do {
            fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        } while (fd < 0 && errno == EINTR);
        if (fd < 0) return failureFromErrno(errno);
        struct stat opened {};
        if (::fstat(fd, &opened) != 0 || opened.st_rdev != st.st_rdev || !::isatty(fd)) {
            ::close(fd);
            return openFailure(OpenFailure::NotADevice);
        }
        // The lock holds against root too; TIOCEXCL only after it, so a
        // refused open leaves the holder's terminal flags alone.
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int e = errno;
            ::close(fd);
            return failureFromErrno(e == EWOULDBLOCK ? EBUSY : e);
        }
        ::ioctl(fd, TIOCEXCL);
        fd_ = fd;
        lowerModemLines();
        return {};
    }

    void setQueueSizes(std::size_t, std::size_t) override {
        // The kernel keeps queues of its own size; nothing to ask for.
    }

    bool applySettings(const LineSettings& s) override {
        if (fd_ < 0 || !lineSettingsSupported(s)) return false;
        // A hung-up terminal (pty master closed, adapter pulled) reports it here.
        pollfd p{fd_, 0, 0};
        if (::poll(&p, 1, 0) < 0 || (p.revents & (POLLHUP | POLLERR | POLLNVAL))) return false;

        termios t{};
        if (::tcgetattr(fd_, &t) != 0) return false;
        t.c_iflag = IGNBRK;
        t.c_oflag = 0;
        t.c_lflag = 0;
        t.c_cflag = CREAD | CLOCAL | sizeFlag(s.ByteSize) | (s.StopBits != 0 ? CSTOPB : 0);
        t.c_cc[VMIN] = 0;
        t.c_cc[VTIME] = 0;
        const std::optional<speed_t> speed = standardSpeed(s.BaudRate);
        ::cfsetispeed(&t, speed.value_or(B38400));
        ::cfsetospeed(&t, speed.value_or(B38400));
        if (::tcsetattr(fd_, TCSANOW, &t) != 0) return false;
        if (!speed && !setCustomBaud(fd_, s.BaudRate)) return false;
        // Leaving speed 0 raises DTR and RTS in the kernel; put them down again.
        if (!applied_ || *applied_ != s) lowerModemLines();
        applied_ = s;
        return true;
    }

    std::size_t waiting() override {
        int n = 0;
        if (fd_ < 0 || ::ioctl(fd_, FIONREAD, &n) != 0 || n < 0) return 0;
        return std::size_t(n);
    }

    std::size_t read(std::uint8_t* buffer, std::size_t n) override {
        if (fd_ < 0 || n == 0) return 0;
        ssize_t r;
        do {
            r = ::read(fd_, buffer, n);
        } while (r < 0 && errno == EINTR);
        return r > 0 ? std::size_t(r) : 0;
    }

    WriteResult write(const std::uint8_t* data, std::size_t n) override {
        WriteResult result;
        if (fd_ < 0) {
            result.failed = true;
            return result;
        }
        while (result.written < n) {
            const ssize_t r = ::write(fd_, data + result.written, n - result.written);
            if (r > 0) {
                result.written += std::size_t(r);
                continue;
            }
            if (r < 0 && errno == EINTR) continue;
            // A full queue takes nothing now; anything else (EIO of a hung-up
            // terminal, a pulled adapter) will not get better by waiting.
            if (r < 0 && errno != EAGAIN && errno != EWOULDBLOCK) result.failed = true;
            break;
        }
        return result;
    }

    void purge() override {
        if (fd_ >= 0) ::tcflush(fd_, TCIOFLUSH);
    }

    void purgeInput() override {
        if (fd_ >= 0) ::tcflush(fd_, TCIFLUSH);
    }

    void close() override {
        if (fd_ < 0) return;
        ::ioctl(fd_, TIOCNXCL);
        ::flock(fd_, LOCK_UN);
        ::close(fd_);
        fd_ = -1;
        applied_.reset();
    }

    int readinessHandle() const override { return fd_; }

private:
    void lowerModemLines() {
        int bits = TIOCM_DTR | TIOCM_RTS;
        ::ioctl(fd_, TIOCMBIC, &bits);  // a pty has no modem lines and says so
    }

    int fd_ = -1;
    std::optional<LineSettings> applied_;
};

}  // namespace

std::unique_ptr<SerialPort> makeSystemSerialPort() { return std::make_unique<PosixSerialPort>(); }

void sleepMs(int ms) {
    if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace vantrel

#endif  // _WIN32
