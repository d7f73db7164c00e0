#pragma once
// Network ports: the names that open one ("socket://HOST:PORT", "tcp://" the
// same, "rfc2217://HOST:PORT") and the connection behind them, made on a
// thread of its own so that the window goes on while a name resolves or a
// host keeps silent.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "serial/serial_port.h"

namespace vantrel {

struct NetworkAddress {
    enum class Kind : std::uint8_t { Raw, Rfc2217 };
    Kind kind = Kind::Raw;
    std::string host;  // a name or an address; IPv6 without its brackets
    std::uint16_t port = 0;
};

// The name starts with one of the network schemes (in any case).
bool isNetworkPortName(std::string_view name);
// The address of a network name; nothing when the rest is malformed
// (no port, a port outside 1..65535, an empty host, an open bracket).
std::optional<NetworkAddress> parseNetworkPortName(std::string_view name);

// One attempt to connect: the name resolved and each of its addresses tried
// in turn, within the time-out. Dropping the object abandons a running
// attempt; its thread ends by itself and closes what it opened.
class NetConnect {
public:
    static constexpr int kTimeoutMs = 3000;
    explicit NetConnect(NetworkAddress address, int timeoutMs = kTimeoutMs);
    ~NetConnect();
    NetConnect(const NetConnect&) = delete;
    NetConnect& operator=(const NetConnect&) = delete;

    const NetworkAddress& address() const { return address_; }
    // True once connected, failed or past the time-out.
    bool done();
    // After done(): the failure, or success with the connected socket handed
    // over (then -1 on a second call).
    OpenResult result() const;
    int takeSocket();

    struct State;

private:
    NetworkAddress address_;
    std::shared_ptr<State> state_;
    OpenResult result_;
    int socket_ = -1;
    bool done_ = false;
};

// The port over a connected socket; it owns the socket from now on.
std::unique_ptr<SerialPort> makeNetworkPort(int socket, NetworkAddress::Kind kind);

}  // namespace vantrel
