#pragma once
// The one serial port of the terminal: its handle, whether it is open, and the
// one line-settings record that every open writes and the watchdog re-applies.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

#include "serial/port_settings.h"
#include "serial/serial_port.h"

namespace vantrel {

class SerialLink {
public:
    using PortFactory = std::function<std::unique_ptr<SerialPort>()>;
    using Pause = std::function<void(int)>;
    static constexpr std::size_t kQueueSize = 2048;

    explicit SerialLink(PortFactory makePort = makeSystemSerialPort);
    ~SerialLink();

    // PortOpen: the port is open and took its line settings.
    bool isOpen() const { return portOpen_; }
    const LineSettings& lineSettings() const { return settings_; }
    // Readable while input waits on the open port; -1 when closed or unknown.
    int readinessHandle() const { return portOpen_ && handle_ ? handle_->readinessHandle() : -1; }
    // A new number at every open: a port opened again is told apart even with the same descriptor number.
    std::uint64_t opening() const { return opening_; }

    // Releases a still valid earlier handle, pauses 5 ms, opens the named
    // port exclusively, sets the queues, writes the four fields of the line
    // settings and applies them. A refused setting closes the device again.
    OpenResult open(const PortSettings& settings, const Pause& pause = sleepMs);
    // The same with a port already opened elsewhere (a network connection).
    OpenResult adopt(const PortSettings& settings, std::unique_ptr<SerialPort> opened, const Pause& pause = sleepMs);
    // Drops the output still queued, discards both queues of the port and
    // closes; nothing at all while not open.
    void close();
    // Re-applies the line settings of the last open: false once the handle
    // no longer leads to a device, or was never opened.
    bool probe();

    // Operations on the open port; they do nothing while it is closed.
    // Waiting counts the bytes taken ahead as well: while more than one
    // receive buffer waits, it takes all the port holds (up to kAheadMax),
    // so that a port whose own buffer is small has room again at once.
    std::size_t waiting();
    std::size_t read(std::uint8_t* buffer, std::size_t n);
    // Discards what was received: the port's input and the bytes taken ahead.
    void purgeInput();

    // The output queue. A packet is queued whole behind those still going
    // out and leaves in order; nothing waits for the line. What was received
    // is discarded as a packet's first byte is handed to the port (again at
    // each try while the port takes none of it), so whatever comes next is
    // its answer, never that of the packet before.
    void write(const std::uint8_t* data, std::size_t n);
    struct Drained {
        std::size_t written = 0;  // bytes the port took in this call
        std::size_t dropped = 0;  // bytes given up because the port failed
        bool failed = false;
    };
    // Hands the port what it takes now. A port that refuses output for good
    // drops everything still queued.
    Drained drainOutput();
    bool outputPending() const { return outBytes_ != 0; }
    std::size_t outputPendingBytes() const { return outBytes_; }
    // Gives up everything still queued; returns the count of bytes dropped.
    std::size_t dropOutput();
    // Polls writable while the port takes output; -1 when closed or unknown.
    int outputHandle() const { return readinessHandle(); }

    static constexpr std::size_t kAheadAbove = kQueueSize;
    static constexpr std::size_t kAheadMax = std::size_t(1) << 20;

private:
    void release(const Pause& pause);
    OpenResult start(const PortSettings& settings);
    std::size_t aheadHeld() const { return ahead_.size() - aheadAt_; }
    void dropAhead();

    PortFactory makePort_;
    std::unique_ptr<SerialPort> handle_;
    LineSettings settings_;
    bool portOpen_ = false;
    std::uint64_t opening_ = 0;
    std::vector<std::uint8_t> ahead_;  // read from the port, not yet by the receiver
    std::size_t aheadAt_ = 0;
    std::deque<std::vector<std::uint8_t>> out_;  // packets not yet wholly handed to the port
    std::size_t outAt_ = 0;                     // bytes of the front packet already handed over
    std::size_t outBytes_ = 0;                  // bytes queued and not handed over
};

}  // namespace vantrel
