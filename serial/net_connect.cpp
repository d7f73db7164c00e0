#include "serial/net_connect.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <utility>

#ifndef _WIN32
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <mutex>
#include <thread>
#endif

namespace vantrel {

namespace {

struct Scheme {
    std::string_view prefix;
    NetworkAddress::Kind kind;
};
constexpr Scheme kSchemes[] = {
    {"socket://", NetworkAddress::Kind::Raw},
    {"tcp://", NetworkAddress::Kind::Raw},
    {"rfc2217://", NetworkAddress::Kind::Rfc2217},
};

bool startsWithNoCase(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), s.begin(),
                      [](char a, char b) { return std::tolower((unsigned char)a) == std::tolower((unsigned char)b); });
}

const Scheme* schemeOf(std::string_view name) {
    for (const Scheme& s : kSchemes)
        if (startsWithNoCase(name, s.prefix)) return &s;
    return nullptr;
}

}  // namespace

bool isNetworkPortName(std::string_view name) { return schemeOf(name) != nullptr; }

std::optional<NetworkAddress> parseNetworkPortName(std::string_view name) {
    const Scheme* scheme = schemeOf(name);
    if (!scheme) return std::nullopt;
    std::string_view rest = name.substr(scheme->prefix.size());
    // A trailing slash is how such names are often copied.
    if (rest.ends_with('/')) rest.remove_suffix(1);
    NetworkAddress a;
    a.kind = scheme->kind;
    std::string_view portText;
    if (rest.starts_with('[')) {
        const std::size_t close = rest.find(']');
        if (close == std::string_view::npos || rest.substr(close + 1, 1) != ":") return std::nullopt;
        a.host = std::string(rest.substr(1, close - 1));
        portText = rest.substr(close + 2);
    } else {
        const std::size_t colon = rest.rfind(':');
        if (colon == std::string_view::npos) return std::nullopt;
        a.host = std::string(rest.substr(0, colon));
        portText = rest.substr(colon + 1);
        // An unbracketed IPv6 address cannot be told from its port.
        if (a.host.find(':') != std::string::npos) return std::nullopt;
    }
    if (a.host.empty() || a.host.find_first_of(std::string_view("/[]\0 ", 5)) != std::string::npos) return std::nullopt;
    unsigned port = 0;
    const auto [end, ec] = std::from_chars(portText.data(), portText.data() + portText.size(), port);
    if (ec != std::errc() || end != portText.data() + portText.size() || port == 0 || port > 65535) return std::nullopt;
    a.port = std::uint16_t(port);
    return a;
}

#ifndef _WIN32

// Shared by the window's side and the thread, which may outlive the object.
struct NetConnect::State {
    std::mutex mutex;
    bool finished = false;
    bool resolved = false;
    int socket = -1;
    OpenResult result;
    std::atomic<bool> abandoned{false};
    std::chrono::steady_clock::time_point deadline;
};

namespace {

using Clock = std::chrono::steady_clock;

int msLeft(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return int(std::max<long long>(left, 0));
}

OpenResult failureOfErrno(int e) {
    switch (e) {
    case ECONNREFUSED: return openFailure(OpenFailure::Refused);
    case ETIMEDOUT:
    case EHOSTUNREACH:
    case ENETUNREACH:
    case EHOSTDOWN:
    case ENETDOWN: return openFailure(OpenFailure::NoAnswer);
    default: return openFailure(OpenFailure::NoAnswer, long(e));
    }
}

// A lost network shows as a closed connection within seconds, not hours:
// while idle through keep-alives, while sending through unanswered data.
void tuneSocket(int fd) {
    const int on = 1, idle = 5, interval = 2, count = 3, unansweredMs = 15000;
    ::setsockopt(fd, IPPROTO_TCP, TCP_USER_TIMEOUT, &unansweredMs, sizeof unansweredMs);
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    ::setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof idle);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof interval);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &count, sizeof count);
}

// Tries one address until connected, refused or the deadline; -1 and the
// error otherwise.
int connectOne(const addrinfo& ai, const NetConnect::State& state, int& error) {
    const int fd = ::socket(ai.ai_family, ai.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, ai.ai_protocol);
    if (fd < 0) {
        error = errno;
        return -1;
    }
    if (::connect(fd, ai.ai_addr, ai.ai_addrlen) == 0) return fd;
    if (errno != EINPROGRESS) {
        error = errno;
        ::close(fd);
        return -1;
    }
    // Short waits, so that an abandoned attempt ends soon.
    while (!state.abandoned.load()) {
        const int left = msLeft(state.deadline);
        if (left == 0) break;
        pollfd p{fd, POLLOUT, 0};
        const int r = ::poll(&p, 1, std::min(left, 50));
        if (r < 0 && errno != EINTR) break;
        if (r <= 0) continue;
        int so = 0;
        socklen_t len = sizeof so;
        ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &so, &len);
        if (so == 0) return fd;
        error = so;
        ::close(fd);
        return -1;
    }
    error = ETIMEDOUT;
    ::close(fd);
    return -1;
}

void run(std::shared_ptr<NetConnect::State> state, NetworkAddress address) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_ADDRCONFIG;
    addrinfo* list = nullptr;
    const std::string service = std::to_string(address.port);
    const int gai = ::getaddrinfo(address.host.c_str(), service.c_str(), &hints, &list);
    OpenResult result;
    int fd = -1;
    if (gai != 0) {
        result = openFailure(OpenFailure::HostNotFound);
    } else {
        {
            const std::lock_guard lock(state->mutex);
            state->resolved = true;
        }
        int error = ETIMEDOUT;
        for (const addrinfo* ai = list; ai && fd < 0 && msLeft(state->deadline) > 0 && !state->abandoned; ai = ai->ai_next)
            fd = connectOne(*ai, *state, error);
        ::freeaddrinfo(list);
        if (fd >= 0)
            tuneSocket(fd);
        else
            result = failureOfErrno(error);
    }
    const std::lock_guard lock(state->mutex);
    if (state->abandoned && fd >= 0) {
        ::close(fd);
        fd = -1;
    }
    state->socket = fd;
    state->result = result;
    state->finished = true;
}

}  // namespace

NetConnect::NetConnect(NetworkAddress address, int timeoutMs)
    : address_(std::move(address)), state_(std::make_shared<State>()) {
    state_->deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    try {
        std::thread(run, state_, address_).detach();
    } catch (const std::system_error&) {
        const std::lock_guard lock(state_->mutex);
        state_->result = openFailure(OpenFailure::Other);
        state_->finished = true;
    }
}

NetConnect::~NetConnect() {
    if (socket_ >= 0) ::close(socket_);
    const std::lock_guard lock(state_->mutex);
    state_->abandoned = true;
    // A socket the thread already made and nobody took.
    if (state_->finished && state_->socket >= 0) {
        ::close(state_->socket);
        state_->socket = -1;
    }
}

bool NetConnect::done() {
    if (done_) return true;
    const std::lock_guard lock(state_->mutex);
    if (state_->finished) {
        result_ = state_->result;
        socket_ = state_->socket;
        state_->socket = -1;
        done_ = true;
    } else if (Clock::now() >= state_->deadline + std::chrono::milliseconds(100)) {
        // The resolver cannot be interrupted: past the time-out it is left to finish alone.
        result_ = openFailure(state_->resolved ? OpenFailure::NoAnswer : OpenFailure::HostNotFound);
        done_ = true;
    }
    return done_;
}

#else  // _WIN32

struct NetConnect::State {};

NetConnect::NetConnect(NetworkAddress address, int) : address_(std::move(address)) {}
NetConnect::~NetConnect() = default;
bool NetConnect::done() {
    if (!done_) result_ = {OpenFailure::Other, "Сетевые порты в этой сборке не поддерживаются."};
    done_ = true;
    return true;
}

#endif

OpenResult NetConnect::result() const { return result_; }

int NetConnect::takeSocket() { return std::exchange(socket_, -1); }

}  // namespace vantrel
