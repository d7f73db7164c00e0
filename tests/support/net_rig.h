#pragma once
// The far ends of a network port for the tests: ser2net in front of a
// pseudo-terminal (raw TCP or Telnet with COM-PORT-OPTION), a plain TCP
// listener on the loopback, and a relay that records what a client says.
// Every wait runs the event loop, because the program under test lives in
// the test's own thread.
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "tools/pty_device.h"

namespace vantrel::test {

// A TCP port of 127.0.0.1 that nobody listens on at the moment; 0 when none.
int freeLoopbackPort();
// Whether something listens on 127.0.0.1:`port` (read from the kernel's table, no connection made).
bool listening(int port);
// Reads what `fd` (non-blocking) delivers until `count` bytes came or
// `timeoutMs` passed, the event loop running meanwhile.
std::string collect(int fd, std::size_t count, int timeoutMs);

// One listening socket on 127.0.0.1 and the one client it accepted.
class LoopbackListener {
public:
    LoopbackListener() = default;
    ~LoopbackListener() { close(); }
    LoopbackListener(const LoopbackListener&) = delete;
    LoopbackListener& operator=(const LoopbackListener&) = delete;

    bool listen(int port = 0, bool v6 = false);  // 0: a free port; on ::1 instead of 127.0.0.1
    // Leaves new clients unanswered: their connect neither succeeds nor fails (IPv4 only).
    bool jam();
    int port() const { return port_; }
    QString url(const char* scheme = "socket") const;
    // Waits for a client, the event loop running.
    bool accept(int timeoutMs = 5000);
    bool write(std::string_view bytes);  // to the client, whole or false
    std::string read(std::size_t count, int timeoutMs = 3000) { return collect(client_, count, timeoutMs); }
    // Whether the client has closed its end within `timeoutMs` (what it still sent is dropped).
    bool clientGone(int timeoutMs = 3000);
    void close();

private:
    int listen_ = -1, client_ = -1, port_ = 0;
    bool v6_ = false;
    std::vector<int> jam_;  // the clients that fill the queue
};

// ser2net serving a new pseudo-terminal on a free loopback port. The
// device's side is `device`; ser2net opens the slave when a client comes
// and sets its line from the Telnet commands in Rfc2217 mode.
class Ser2Net {
public:
    enum class Protocol { Raw, Rfc2217 };
    struct Line {
        std::uint32_t baud = 0;
        int dataBits = 0;  // a Linux pty keeps 8 whatever it is told
        int stopBits = 0;
    };

    static QString exe();  // empty when ser2net is not installed
    explicit Ser2Net(Protocol protocol) : protocol_(protocol) {}
    ~Ser2Net() { stop(); }
    Ser2Net(const Ser2Net&) = delete;
    Ser2Net& operator=(const Ser2Net&) = delete;

    // The first start makes the pty and picks the port; later ones serve the
    // same pty on the same port. Returns once ser2net listens.
    bool start();
    void stop();  // SIGTERM, SIGKILL after 2 s; the client sees its connection close
    bool running() const { return process_.state() != QProcess::NotRunning; }
    int port() const { return port_; }
    QString url() const;  // socket:// or rfc2217:// as the user types it
    QString said();       // ser2net's output so far, for failure messages
    // The pty's line as ser2net set it (while a client is connected: ser2net
    // puts the old settings back when the client leaves).
    Line line() const;
    std::string read(std::size_t count, int timeoutMs = 3000) { return collect(device.masterFd(), count, timeoutMs); }

    PtyDevice device;

private:
    Protocol protocol_;
    int port_ = 0;
    QTemporaryDir dir_;
    QProcess process_;
    QByteArray said_;
};

// Listens on a free loopback port and relays its first client to
// 127.0.0.1:`target`, keeping a copy of what the client sent.
class RecordingRelay {
public:
    RecordingRelay() = default;
    ~RecordingRelay() { stop(); }
    RecordingRelay(const RecordingRelay&) = delete;
    RecordingRelay& operator=(const RecordingRelay&) = delete;

    bool start(int target);
    void stop();
    int port() const { return port_; }
    std::string clientSaid();

private:
    void run(int target);

    int listen_ = -1, port_ = 0;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::string said_;
};

}  // namespace vantrel::test
