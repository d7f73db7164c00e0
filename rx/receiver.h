#pragma once
// The receive side of the port: moving waiting bytes into RxBuffer on every
// poll tick and deciding when the buffered bytes form one packet.
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace vantrel {

// The two port operations a poll tick needs.
class RxPort {
public:
    virtual ~RxPort() = default;
    virtual std::size_t waiting() = 0;
    virtual std::size_t read(std::uint8_t* buffer, std::size_t n) = 0;
};

class Receiver {
public:
    static constexpr std::size_t kCapacity = 2048;
    static constexpr std::uint32_t kFlushAbove = 1500;

    std::array<std::uint8_t, kCapacity> RxBuffer{};
    std::uint32_t RxLen = 0;
    std::int32_t LastRxTime = 0;  // WeekMs of the latest tick that found bytes
    std::int64_t RxBytes = 0;     // 64-bit: a fast link passes 2^31 bytes in minutes
    std::int32_t RxTimeoutMs = 0; // the silence that ends a packet
    bool RxBusy = false;

    struct Tick {
        bool bytesWaiting = false;         // the queue reported bytes (totals to refresh)
        std::vector<std::uint8_t> packet;  // the flushed bytes; empty: no packet ended
    };

    // One poll of an open port: reads what waits (cut to the free space),
    // updates the packet clock and flushes on silence longer than
    // `timeoutMs` (below 0 counts as 0) or above 1500 buffered bytes.
    Tick tick(RxPort& port, std::int32_t now, std::int32_t timeoutMs);

    // Moves at most `count` waiting bytes, never more than the free space.
    void ReadComInBufRx(RxPort& port, std::uint32_t count);
    // The buffered bytes; the buffer is empty afterwards.
    std::vector<std::uint8_t> takePacket();
};

// One click of the time-out arrows: the steps grow with the value
// (1, 5, 50, 500, 5000); up stops at 100000, down at 0.
std::int32_t stepRxTimeout(std::int32_t current, bool up);

}  // namespace vantrel
