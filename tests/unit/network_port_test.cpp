// Network port names, the connection attempt, and the port over a socket
// whose other end the test plays.
#include <gtest/gtest.h>

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "serial/net_connect.h"
#include "serial/telnet.h"

namespace vantrel {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(NetworkPortName, ParsesWhatTheFieldMayHold) {
    struct Case {
        const char* name;
        bool ok;
        NetworkAddress::Kind kind;
        const char* host;
        int port;
    };
    const Case cases[] = {
        {"socket://localhost:2000", true, NetworkAddress::Kind::Raw, "localhost", 2000},
        {"TCP://10.0.0.7:23/", true, NetworkAddress::Kind::Raw, "10.0.0.7", 23},
        {"rfc2217://[::1]:65535", true, NetworkAddress::Kind::Rfc2217, "::1", 65535},
        {"rfc2217://board.local:0", false, {}, "", 0},
        {"socket://host:65536", false, {}, "", 0},
        {"socket://host", false, {}, "", 0},
        {"socket://:2000", false, {}, "", 0},
        {"socket://::1:2000", false, {}, "", 0},   // IPv6 needs its brackets
        {"socket://[::1:2000", false, {}, "", 0},
        {"socket://host:20x0", false, {}, "", 0},
        {"ttyUSB0", false, {}, "", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto a = parseNetworkPortName(c.name);
        ASSERT_EQ(a.has_value(), c.ok);
        EXPECT_EQ(isNetworkPortName(c.name), std::string(c.name) != "ttyUSB0");
        if (!a) continue;
        EXPECT_EQ(a->kind, c.kind);
        EXPECT_EQ(a->host, c.host);
        EXPECT_EQ(a->port, c.port);
    }
}

OpenResult await(NetConnect& attempt) {
    while (!attempt.done()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return attempt.result();
}

TEST(NetConnectTest, ConnectsOrSaysWhyNot) {
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(::listen(listener, 1), 0);
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len);
    const std::uint16_t port = ntohs(addr.sin_port);

    NetConnect good({NetworkAddress::Kind::Raw, "127.0.0.1", port});
    EXPECT_TRUE(await(good).ok());
    const int socket = good.takeSocket();
    EXPECT_GE(socket, 0);
    EXPECT_EQ(good.takeSocket(), -1);
    ::close(socket);
    ::close(listener);  // nobody listens there now

    NetConnect refused({NetworkAddress::Kind::Raw, "127.0.0.1", port});
    EXPECT_EQ(await(refused).failure, OpenFailure::Refused);
    EXPECT_EQ(refused.takeSocket(), -1);
}

// The port on one end of a socket pair; the test reads and writes the other.
struct Wire {
    explicit Wire(NetworkAddress::Kind kind) {
        int fds[2];
        EXPECT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds), 0);
        port = makeNetworkPort(fds[0], kind);
        peer = fds[1];
    }
    ~Wire() {
        if (peer >= 0) ::close(peer);
    }
    void send(const Bytes& b) const { ASSERT_EQ(::write(peer, b.data(), b.size()), ssize_t(b.size())); }
    Bytes received() const {
        Bytes all;
        std::uint8_t buffer[65536];
        pollfd p{peer, POLLIN, 0};
        while (::poll(&p, 1, 50) > 0) {
            const ssize_t r = ::read(peer, buffer, sizeof buffer);
            if (r <= 0) break;
            all.insert(all.end(), buffer, buffer + r);
        }
        return all;
    }
    Bytes readAll() const {
        Bytes got(port->waiting());
        got.resize(port->read(got.data(), got.size()));
        return got;
    }
    std::unique_ptr<SerialPort> port;
    int peer = -1;
};

Bytes everyByte() {
    Bytes b;
    for (int i = 0; i < 256; ++i) b.push_back(std::uint8_t(i));
    return b;
}

Bytes cat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

TEST(NetworkPortTest, RawSocketCarriesEveryByteBothWays) {
    Wire w(NetworkAddress::Kind::Raw);
    const Bytes all = everyByte();
    EXPECT_TRUE(w.port->applySettings({9600, 8, 0, 0}));
    EXPECT_EQ(w.port->write(all.data(), all.size()).written, all.size());
    EXPECT_EQ(w.received(), all);  // nothing but the data: no settings go out
    w.send(all);
    EXPECT_EQ(w.readAll(), all);
}

TEST(NetworkPortTest, TelnetDoublesAndUndoublesFfAndKeepsCommandsOutOfTheData) {
    Wire w(NetworkAddress::Kind::Rfc2217);
    telnet::Reader reference;
    const LineSettings settings{65535, 7, 0, 2};
    ASSERT_TRUE(w.port->applySettings(settings));
    EXPECT_EQ(w.received(), cat({reference.opening(), telnet::lineSettingsCommands(settings)}));
    ASSERT_TRUE(w.port->applySettings(settings));  // the probe sends nothing again
    EXPECT_EQ(w.received(), Bytes{});

    const Bytes all = everyByte();
    EXPECT_EQ(w.port->write(all.data(), all.size()).written, all.size());
    Bytes escaped;
    telnet::escape(all.data(), all.size(), escaped);
    EXPECT_EQ(w.received(), escaped);

    // The server agrees, answers a setting, and sends every byte value.
    using namespace telnet;
    w.send(cat({{IAC, DO, kComPort, IAC, WILL, kBinary, IAC, SB, kComPort, 101, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, IAC, SE},
                escaped}));
    EXPECT_EQ(w.readAll(), all);
    EXPECT_EQ(w.received(), Bytes{});  // agreement to what was asked needs no answer
}

TEST(NetworkPortTest, DiscardDropsWhatCameAndTellsTheServer) {
    Wire w(NetworkAddress::Kind::Rfc2217);
    w.received();
    w.send({'o', 'l', 'd'});
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    w.port->purgeInput();
    Bytes purge;
    telnet::comPortCommand(telnet::kPurgeData, {telnet::kPurgeReceive}, purge);
    EXPECT_EQ(w.received(), purge);
    w.send({'n', 'e', 'w'});
    EXPECT_EQ(w.readAll(), (Bytes{'n', 'e', 'w'}));
}

TEST(NetworkPortTest, ClosedConnectionIsAVanishedDeviceAfterItsLastBytes) {
    for (const auto kind : {NetworkAddress::Kind::Raw, NetworkAddress::Kind::Rfc2217}) {
        Wire w(kind);
        w.send({'b', 'y', 'e'});
        ::close(w.peer);
        w.peer = -1;
        EXPECT_TRUE(w.port->applySettings({9600, 8, 0, 0}));  // its last words are still to be read
        EXPECT_EQ(w.readAll(), (Bytes{'b', 'y', 'e'}));
        EXPECT_EQ(w.readAll(), Bytes{});
        EXPECT_FALSE(w.port->applySettings({9600, 8, 0, 0}));
        const std::uint8_t x = 'x';
        EXPECT_TRUE(w.port->write(&x, 1).failed);
    }
}

}  // namespace
}  // namespace vantrel
