// The serial operations over a TCP connection: raw bytes ("socket://"), or a
// Telnet stream that carries the line settings to the server ("rfc2217://").
#ifndef _WIN32

#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <vector>

#include "serial/net_connect.h"
#include "serial/port_settings.h"
#include "serial/telnet.h"

namespace vantrel {

namespace {

class NetworkPort final : public SerialPort {
public:
    NetworkPort(int socket, NetworkAddress::Kind kind) : fd_(socket), telnet_(kind == NetworkAddress::Kind::Rfc2217) {
        if (telnet_) {
            queueControl(reader_.opening());
            flush();
        }
    }
    ~NetworkPort() override { close(); }

    OpenResult open(const std::string&) override {
        // Made open over its connection; a second open is a port in use.
        return fd_ >= 0 ? openFailure(OpenFailure::Busy) : openFailure(OpenFailure::NotFound);
    }

    void setQueueSizes(std::size_t, std::size_t) override {}

    // Also the probe: false once the connection is gone and nothing it
    // brought is left to read.
    bool applySettings(const LineSettings& s) override {
        if (fd_ < 0 || !alive()) return false;
        if (!telnet_) return true;  // a raw socket has no line to set
        if (!lineSettingsSupported(s)) return false;
        if (!applied_ || *applied_ != s) {
            queueControl(telnet::lineSettingsCommands(s));
            applied_ = s;
        }
        flush();
        return alive();
    }

    std::size_t waiting() override {
        if (fd_ < 0) return 0;
        if (!telnet_) {
            int n = 0;
            return held() + (::ioctl(fd_, FIONREAD, &n) == 0 && n > 0 ? std::size_t(n) : 0);
        }
        pull();
        flush();  // answers to the server's negotiation
        return held();
    }

    std::size_t read(std::uint8_t* buffer, std::size_t n) override {
        if (fd_ < 0 || n == 0) return 0;
        // waiting() has just read the socket; only a larger request reads it again.
        if (telnet_ && held() < n) pull();
        const std::size_t fromHeld = std::min(n, held());
        std::copy_n(in_.data() + inAt_, fromHeld, buffer);
        inAt_ += fromHeld;
        if (inAt_ == in_.size()) dropHeld();
        if (telnet_ || fromHeld == n) return fromHeld;
        const ssize_t r = receive(buffer + fromHeld, n - fromHeld);
        return fromHeld + (r > 0 ? std::size_t(r) : 0);
    }

    WriteResult write(const std::uint8_t* data, std::size_t n) override {
        WriteResult result;
        if (fd_ < 0 || broken_) {
            result.failed = true;
            return result;
        }
        if (!flush() || !out_.empty()) {
            result.failed = broken_;
            return result;
        }
        if (!telnet_) {
            const ssize_t r = send(data, n);
            result.written = r > 0 ? std::size_t(r) : 0;
            result.failed = broken_;
            return result;
        }
        // Taken into the port's own small queue, 0xFF doubled; the rest waits.
        const std::size_t take = std::min(n, kChunk);
        telnet::escape(data, take, out_);
        result.written = take;
        flush();
        result.failed = broken_;
        return result;
    }

    void purge() override {
        dropInput();
        // The queue's front may be the rest of a command the socket took in
        // part: a request behind it would not be read as one.
        const bool clean = out_.empty();
        out_.clear();
        if (telnet_ && clean) sendPurge(telnet::kPurgeBoth);
    }

    void purgeInput() override {
        dropInput();
        if (telnet_) sendPurge(telnet::kPurgeReceive);
    }

    void close() override {
        if (fd_ < 0) return;
        ::close(fd_);
        fd_ = -1;
        dropHeld();
        out_.clear();
    }

    int readinessHandle() const override { return fd_; }

private:
    static constexpr std::size_t kChunk = 4096;
    static constexpr std::size_t kHeldMax = std::size_t(1) << 20;

    std::size_t held() const { return in_.size() - inAt_; }
    void dropHeld() {
        in_.clear();
        inAt_ = 0;
    }

    ssize_t receive(std::uint8_t* buffer, std::size_t n) {
        ssize_t r;
        do {
            r = ::recv(fd_, buffer, n, MSG_DONTWAIT);
        } while (r < 0 && errno == EINTR);
        if (r == 0 || (r < 0 && errno != EAGAIN && errno != EWOULDBLOCK)) ended_ = true;
        return r;
    }

    ssize_t send(const std::uint8_t* data, std::size_t n) {
        ssize_t r;
        do {
            r = ::send(fd_, data, n, MSG_DONTWAIT | MSG_NOSIGNAL);
        } while (r < 0 && errno == EINTR);
        if (r < 0 && errno != EAGAIN && errno != EWOULDBLOCK) broken_ = true;
        return r;
    }

    // The Telnet stream as far as it has come, through the reader.
    void pull() {
        std::uint8_t buffer[16384];
        while (held() < kHeldMax) {
            const ssize_t r = receive(buffer, sizeof buffer);
            if (r <= 0) break;
            if (inAt_ != 0) {
                in_.erase(in_.begin(), in_.begin() + std::ptrdiff_t(inAt_));
                inAt_ = 0;
            }
            reader_.feed(buffer, std::size_t(r), in_, out_);  // its answers go behind what is queued
            if (std::size_t(r) < sizeof buffer) break;
        }
    }

    // Behind the data already queued: that is a few kilobytes at most, and
    // a command must never land inside a doubled 0xFF.
    void queueControl(const std::vector<std::uint8_t>& bytes) { out_.insert(out_.end(), bytes.begin(), bytes.end()); }

    void sendPurge(std::uint8_t which) {
        // The link discards again at each try while the socket takes nothing:
        // one request waiting is enough.
        if (purgeWaiting_ && !out_.empty()) return;
        purgeWaiting_ = true;
        std::vector<std::uint8_t> command;
        telnet::comPortCommand(telnet::kPurgeData, {which}, command);
        queueControl(command);
        flush();
    }

    // Hands the socket what it takes of the queue; false once it is broken.
    bool flush() {
        std::size_t sent = 0;
        while (sent < out_.size() && !broken_) {
            const ssize_t r = send(out_.data() + sent, out_.size() - sent);
            if (r <= 0) break;
            sent += std::size_t(r);
        }
        out_.erase(out_.begin(), out_.begin() + std::ptrdiff_t(sent));
        if (out_.empty()) purgeWaiting_ = false;
        return !broken_;
    }

    // What the socket holds now is discarded, as a local port's driver
    // discards its input; in a Telnet stream it still passes the reader.
    void dropInput() {
        dropHeld();
        if (fd_ < 0) return;
        if (telnet_) {
            pull();
            dropHeld();
            return;
        }
        std::uint8_t buffer[16384];
        for (int i = 0; i < 64 && receive(buffer, sizeof buffer) == ssize_t(sizeof buffer); ++i) {
        }
    }

    bool alive() {
        int n = 0;
        const bool unread = held() > 0 || (::ioctl(fd_, FIONREAD, &n) == 0 && n > 0);
        if (unread) return true;  // what came before the end is read first
        if (ended_ || broken_) return false;
        pollfd p{fd_, POLLIN | POLLRDHUP, 0};
        if (::poll(&p, 1, 0) < 0) return false;
        return (p.revents & (POLLHUP | POLLERR | POLLNVAL | POLLRDHUP)) == 0;
    }

    int fd_ = -1;
    bool telnet_ = false;
    bool ended_ = false;   // the server closed the connection or it broke
    bool broken_ = false;  // the socket refuses output for good
    bool purgeWaiting_ = false;
    telnet::Reader reader_;
    std::vector<std::uint8_t> in_;  // data bytes received and not yet read
    std::size_t inAt_ = 0;
    std::vector<std::uint8_t> out_;      // bytes for the socket that it has not taken yet
    std::optional<LineSettings> applied_;
};

}  // namespace

std::unique_ptr<SerialPort> makeNetworkPort(int socket, NetworkAddress::Kind kind) {
    return std::make_unique<NetworkPort>(socket, kind);
}

}  // namespace vantrel

#endif  // _WIN32
