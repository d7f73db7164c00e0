#include "rx/receiver.h"

#include <algorithm>

namespace vantrel {

Receiver::Tick Receiver::tick(RxPort& port, std::int32_t now, std::int32_t timeoutMs) {
    Tick result;
    const std::size_t q = port.waiting();
    if (q > 0) {
        result.bytesWaiting = true;
        ReadComInBufRx(port, static_cast<std::uint32_t>(std::min<std::size_t>(q, UINT32_MAX)));
    }
    // A new week or a clock set back restarts the silence measure instead of cutting.
    if (now < LastRxTime) LastRxTime = now;
    if (q > 0) LastRxTime = now;
    const bool silent = now - LastRxTime > std::max<std::int32_t>(timeoutMs, 0);
    if (silent || RxLen > kFlushAbove) result.packet = takePacket();
    return result;
}

void Receiver::ReadComInBufRx(RxPort& port, std::uint32_t count) {
    const std::size_t n = std::min<std::size_t>(count, kCapacity - RxLen);
    std::size_t r = n > 0 ? port.read(RxBuffer.data() + RxLen, n) : 0;
    r = std::min(r, n);  // a count above the request must not push RxLen past the end
    RxBytes += static_cast<std::int64_t>(r);
    RxLen += static_cast<std::uint32_t>(r);
}

std::vector<std::uint8_t> Receiver::takePacket() {
    std::vector<std::uint8_t> packet(RxBuffer.begin(), RxBuffer.begin() + RxLen);
    RxLen = 0;
    return packet;
}

std::int32_t stepRxTimeout(std::int32_t current, bool up) {
    const std::int32_t t = std::max<std::int32_t>(current, 0);
    if (up) {
        std::int32_t next = t;
        if (t < 10) next = t + 1;
        else if (t < 100) next = t + 5;
        else if (t < 1000) next = t + 50;
        else if (t < 10000) next = t + 500;
        else if (t < 100000) next = t + 5000;
        return std::min<std::int32_t>(next, 100000);
    }
    if (t < 10) return t > 0 ? t - 1 : 0;
    if (t < 100) return t - 5;
    if (t < 1000) return t - 50;
    if (t < 10000) return t - 500;
    if (t < 100000) return t - 5000;
    return t - 50000;
}

}  // namespace vantrel
