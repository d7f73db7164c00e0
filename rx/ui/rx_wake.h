#pragma once
// The pace of the receive poll. While a packet is open the poll runs every
// millisecond, so that silence is measured finely; while the line is idle it
// waits for the port to turn readable instead, so an idle connection costs
// no wake-up per millisecond. The port's readiness is watched throughout:
// bytes that come while a packet is open are read at once. Ports without a
// descriptor are polled every millisecond; a closed port and a descriptor
// that signals without input (a hung-up device) only every kIdleMs, or
// kRestMs while no log line waits for its sync.
// A stream faster than one buffer per millisecond is read tick after tick.
#include <QObject>

#include <cstdint>
#include <functional>

class QSocketNotifier;
class QTimer;

namespace vantrel {

class RxWake : public QObject {
public:
    static constexpr int kPollMs = 1;
    // Idle ticks still come this often: the log file's sync and a changed port.
    static constexpr int kIdleMs = 20;
    // With nothing to sync either, an idle poll only looks now and then.
    static constexpr int kRestMs = 250;

    RxWake(QTimer* poll, std::function<void()> tick, QObject* parent);
    ~RxWake() override;

    // At the start of a tick: it is not entered again from a loop nested in it
    // (a message box), which the waiting bytes would otherwise wake again and again.
    void beginTick();
    // At its end: the descriptor of the open port (-1: none) and which opening
    // of a port it belongs to, whether the tick found input, whether a packet
    // is still open, and whether input outran the poll (a full packet flushed
    // with more waiting): then the next tick comes as soon as the event loop is free.
    // `portOpen`: a port without a descriptor is open and must be polled finely.
    // `syncPending`: lines wait for the log file's sync, due within kIdleMs.
    void endTick(int handle, std::uint64_t opening, bool foundInput, bool packetOpen, bool backlog = false,
                 bool portOpen = true, bool syncPending = true);
    // The port was closed: its descriptor is let go at once, not at the next tick.
    void portClosed();
    // A port was just opened: the next tick comes at once.
    void wake();
    bool sleeping() const;

private:
    void follow(int handle, std::uint64_t opening);
    bool stillReadable() const;
    void release();
    void setInterval(int ms);

    QTimer* poll_;
    std::function<void()> tick_;
    QSocketNotifier* notifier_ = nullptr;
    // A duplicate of the port's descriptor: closing the port never leaves
    // the notifier on a closed number.
    int watched_ = -1;
    int handle_ = -1;
    std::uint64_t opening_ = 0;
    bool trusted_ = true;  // the descriptor woke us only with input waiting
    bool woke_ = false;    // the running tick came from the descriptor
    bool inTick_ = false;  // between beginTick and endTick
};

}  // namespace vantrel
