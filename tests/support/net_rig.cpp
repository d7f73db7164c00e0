#include "support/net_rig.h"

#include <arpa/inet.h>
#include <asm/termbits.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QFile>
#include <QStandardPaths>
#include <QtTest>

#include <csignal>
#include <cerrno>

namespace vantrel::test {

namespace {

int loopbackSocket(bool v6 = false) { return ::socket(v6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0); }

// 127.0.0.1 or ::1 at `port`.
struct Loopback {
    explicit Loopback(int port, bool v6 = false) {
        if (v6) {
            a6.sin6_family = AF_INET6;
            a6.sin6_port = htons(std::uint16_t(port));
            a6.sin6_addr = in6addr_loopback;
        } else {
            a4.sin_family = AF_INET;
            a4.sin_port = htons(std::uint16_t(port));
            a4.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        }
        len = v6 ? sizeof a6 : sizeof a4;
    }
    sockaddr* addr() {
        return a6.sin6_family == AF_INET6 ? reinterpret_cast<sockaddr*>(&a6) : reinterpret_cast<sockaddr*>(&a4);
    }
    int port() const { return ntohs(a6.sin6_family == AF_INET6 ? a6.sin6_port : a4.sin_port); }
    sockaddr_in a4{};
    sockaddr_in6 a6{};
    socklen_t len;
};

// A listening socket on the loopback at `port` (0: any free one); sets `port`.
int listenOn(int& port, bool v6 = false) {
    const int fd = loopbackSocket(v6);
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    Loopback a(port, v6);
    if (fd < 0 || ::bind(fd, a.addr(), a.len) != 0 || ::listen(fd, 4) != 0 ||
        ::getsockname(fd, a.addr(), &a.len) != 0) {
        if (fd >= 0) ::close(fd);
        return -1;
    }
    port = a.port();
    return fd;
}

// A non-blocking connection to the loopback at `port` that is under way or made.
int dialLoopback(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    Loopback a(port);
    if (fd >= 0 && ::connect(fd, a.addr(), a.len) != 0 && errno != EINPROGRESS) {
        ::close(fd);
        return -1;
    }
    return fd;
}

void closeFd(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

// Writes all of `bytes` to a socket within a second; no event loop, so the relay's thread may use it.
bool writeAll(int fd, std::string_view bytes) {
    QElapsedTimer t;
    t.start();
    while (!bytes.empty() && fd >= 0 && t.elapsed() < 1000) {
        const ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n > 0) bytes.remove_prefix(std::size_t(n));
        else if (n < 0 && errno != EAGAIN && errno != EINTR) return false;
        pollfd p{fd, POLLOUT, 0};
        if (!bytes.empty()) ::poll(&p, 1, 10);
    }
    return bytes.empty();
}

}  // namespace

int freeLoopbackPort() {
    int port = 0;
    int fd = listenOn(port);
    closeFd(fd);
    return port;
}

bool listening(int port) {
    QFile table(QStringLiteral("/proc/net/tcp"));
    if (!table.open(QIODevice::ReadOnly)) return false;
    // local address 0100007F:PORT in hex, state 0A = LISTEN
    const QByteArray local = QStringLiteral("0100007F:%1").arg(port, 4, 16, QChar(u'0')).toUpper().toLatin1();
    for (QByteArray line = table.readLine(); !line.isEmpty(); line = table.readLine()) {
        const QList<QByteArray> f = line.simplified().split(' ');
        if (f.size() > 3 && f[1] == local && f[3] == "0A") return true;
    }
    return false;
}

std::string collect(int fd, std::size_t count, int timeoutMs) {
    std::string out;
    QElapsedTimer t;
    t.start();
    char buf[65536];
    while (fd >= 0 && out.size() < count) {
        const ssize_t n = ::read(fd, buf, std::min(sizeof buf, count - out.size()));
        if (n > 0) {
            out.append(buf, std::size_t(n));
            continue;
        }
        // EIO: the server has not opened the pty's other side yet (or let it go); it may still come.
        if (n == 0 || (errno != EAGAIN && errno != EINTR && errno != EIO) || t.elapsed() >= timeoutMs) break;
        QTest::qWait(1);
    }
    return out;
}

// ------------------------------------------------------------ LoopbackListener

bool LoopbackListener::listen(int port, bool v6) {
    close();
    port_ = port;
    v6_ = v6;
    listen_ = listenOn(port_, v6);
    if (listen_ >= 0) ::fcntl(listen_, F_SETFL, O_NONBLOCK);
    return listen_ >= 0;
}

QString LoopbackListener::url(const char* scheme) const {
    return QStringLiteral("%1://%2:%3").arg(QLatin1String(scheme), v6_ ? "[::1]" : "127.0.0.1").arg(port_);
}

bool LoopbackListener::accept(int timeoutMs) {
    QElapsedTimer t;
    t.start();
    closeFd(client_);
    while (listen_ >= 0) {
        client_ = ::accept4(listen_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (client_ >= 0) return true;
        if (t.elapsed() >= timeoutMs) return false;
        QTest::qWait(1);
    }
    return false;
}

bool LoopbackListener::write(std::string_view bytes) { return writeAll(client_, bytes); }

bool LoopbackListener::clientGone(int timeoutMs) {
    QElapsedTimer t;
    t.start();
    char buf[4096];
    while (client_ >= 0) {
        const ssize_t n = ::read(client_, buf, sizeof buf);
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) return true;
        if (n < 0) {
            if (t.elapsed() >= timeoutMs) return false;
            QTest::qWait(1);
        }
    }
    return true;
}

// With a queue of one that is full, the kernel drops further SYNs unanswered.
bool LoopbackListener::jam() {
    if (listen_ < 0 || v6_ || ::listen(listen_, 0) != 0) return false;
    for (int i = 0; i < 8; ++i) {
        const int fd = dialLoopback(port_);
        if (fd < 0) return false;
        jam_.push_back(fd);
        pollfd p{fd, POLLOUT, 0};
        if (::poll(&p, 1, 200) == 0) return true;
    }
    return false;
}

void LoopbackListener::close() {
    for (int& fd : jam_) closeFd(fd);
    jam_.clear();
    closeFd(client_);
    closeFd(listen_);
}

// --------------------------------------------------------------------- Ser2Net

QString Ser2Net::exe() {
    return QStandardPaths::findExecutable(QStringLiteral("ser2net"),
                                          {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/local/sbin")});
}

bool Ser2Net::start() {
    stop();
    if (exe().isEmpty() || !dir_.isValid()) return false;
    if (!device.isPlugged() && !device.open()) return false;
    if (port_ == 0) port_ = freeLoopbackPort();
    // local: the modem lines are not waited for; nobreak: no break sent on open.
    const QString config = dir_.filePath(QStringLiteral("ser2net.yaml"));
    QFile f(config);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    f.write(QStringLiteral("connection: &dev\n"
                           "  accepter: %1tcp,127.0.0.1,%2\n"
                           "  connector: serialdev,%3,local,nobreak\n"
                           "  options:\n"
                           "    kickolduser: true\n")
                .arg(protocol_ == Protocol::Rfc2217 ? QStringLiteral("telnet(rfc2217),") : QString())
                .arg(port_)
                .arg(QString::fromStdString(device.slavePath()))
                .toUtf8());
    f.close();
    // -n foreground, -d messages to stdout, -u no UUCP lock files, -P a pid
    // file of its own. It dies with the test, even a test that crashed.
    process_.setProcessChannelMode(QProcess::MergedChannels);
    process_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    process_.start(exe(), {QStringLiteral("-n"), QStringLiteral("-d"), QStringLiteral("-u"), QStringLiteral("-P"),
                           dir_.filePath(QStringLiteral("ser2net.pid")), QStringLiteral("-c"), config});
    if (!process_.waitForStarted(5000)) return false;
    QElapsedTimer t;
    t.start();
    while (!listening(port_) && running() && t.elapsed() < 5000) QTest::qWait(5);
    return listening(port_) && running();
}

void Ser2Net::stop() {
    if (process_.state() == QProcess::NotRunning) return;
    process_.terminate();
    if (!process_.waitForFinished(2000)) {
        process_.kill();
        process_.waitForFinished(2000);
    }
    said_ += process_.readAll();
}

QString Ser2Net::url() const {
    return QStringLiteral("%1://127.0.0.1:%2")
        .arg(protocol_ == Protocol::Rfc2217 ? QStringLiteral("rfc2217") : QStringLiteral("socket"))
        .arg(port_);
}

QString Ser2Net::said() {
    said_ += process_.readAll();
    return QString::fromLocal8Bit(said_);
}

// Through termios2, which gives any rate as a number, not only the listed ones.
Ser2Net::Line Ser2Net::line() const {
    termios2 t{};
    if (!device.isPlugged() || ::ioctl(device.masterFd(), TCGETS2, &t) != 0) return {};
    const tcflag_t size = t.c_cflag & CSIZE;
    return {t.c_ospeed, size == CS5 ? 5 : size == CS6 ? 6 : size == CS7 ? 7 : 8, t.c_cflag & CSTOPB ? 2 : 1};
}

// -------------------------------------------------------------- RecordingRelay

bool RecordingRelay::start(int target) {
    stop();
    port_ = 0;
    listen_ = listenOn(port_);
    if (listen_ < 0) return false;
    stop_ = false;
    thread_ = std::thread([this, target] { run(target); });
    return true;
}

void RecordingRelay::stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    closeFd(listen_);
}

std::string RecordingRelay::clientSaid() {
    std::lock_guard lock(mutex_);
    return said_;
}

// Plain blocking calls with short polls: the thread ends within 50 ms of stop().
void RecordingRelay::run(int target) {
    pollfd p{listen_, POLLIN, 0};
    while (!stop_ && ::poll(&p, 1, 50) <= 0) {}
    if (stop_) return;
    int client = ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
    int server = loopbackSocket();
    Loopback a(target);
    if (client < 0 || server < 0 || ::connect(server, a.addr(), a.len) != 0) {
        closeFd(client);
        closeFd(server);
        return;
    }
    char buf[65536];
    pollfd both[2] = {{client, POLLIN, 0}, {server, POLLIN, 0}};
    while (!stop_) {
        if (::poll(both, 2, 50) <= 0) continue;
        for (int i = 0; i < 2; ++i) {
            if (!(both[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            const ssize_t n = ::read(both[i].fd, buf, sizeof buf);
            if (n <= 0 || !writeAll(both[1 - i].fd, std::string_view(buf, std::size_t(n)))) {
                stop_ = true;
                break;
            }
            if (i == 0) {
                std::lock_guard lock(mutex_);
                said_.append(buf, std::size_t(n));
            }
        }
    }
    closeFd(client);
    closeFd(server);
}

}  // namespace vantrel::test
