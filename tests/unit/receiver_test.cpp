#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <numeric>
#include <vector>

#include "rx/receiver.h"

using namespace vantrel;

namespace {

// A port whose input queue the test fills; reads may be cut short.
class FakeRxPort final : public RxPort {
public:
    std::deque<std::uint8_t> queue;
    std::size_t readLimit = SIZE_MAX;  // at most this many per read
    std::size_t overReport = 0;        // a faulty driver claiming extra bytes
    std::vector<std::size_t> requests;

    void arrive(const std::vector<std::uint8_t>& bytes) { queue.insert(queue.end(), bytes.begin(), bytes.end()); }
    std::size_t waiting() override { return queue.size(); }
    std::size_t read(std::uint8_t* buffer, std::size_t n) override {
        requests.push_back(n);
        const std::size_t r = std::min({n, queue.size(), readLimit});
        for (std::size_t i = 0; i < r; ++i) {
            buffer[i] = queue.front();
            queue.pop_front();
        }
        return r + overReport;
    }
};

std::vector<std::uint8_t> bytesFrom(int first, std::size_t n) {
    std::vector<std::uint8_t> v(n);
    for (std::size_t i = 0; i < n; ++i) v[i] = std::uint8_t(first + i);
    return v;
}

// Ticks every millisecond from `start` to `end`; at the times in `arrivals`
// bytes land in the queue just before that tick. Returns the packets with
// the time of their flush.
struct Flushed {
    std::int32_t at;
    std::vector<std::uint8_t> bytes;
};
std::vector<Flushed> run(Receiver& rx, FakeRxPort& port, std::int32_t start, std::int32_t end,
                         std::int32_t timeout,
                         const std::vector<std::pair<std::int32_t, std::vector<std::uint8_t>>>& arrivals) {
    std::vector<Flushed> out;
    for (std::int32_t now = start; now <= end; ++now) {
        for (const auto& [t, bytes] : arrivals)
            if (t == now) port.arrive(bytes);
        auto tick = rx.tick(port, now, timeout);
        if (!tick.packet.empty()) out.push_back({now, std::move(tick.packet)});
    }
    return out;
}

}  // namespace

TEST(Receiver, SilenceLongerThanTheTimeOutEndsAPacket) {
    // Three bursts at t0, t0 + a, t0 + b: AB, C, D CR.
    struct Case {
        std::int32_t timeout, a, b;
        std::size_t packets;
    } cases[] = {
        {100, 50, 100, 1},   // bursts 50 ms apart stay one packet
        {100, 50, 200, 2},   // a 150 ms pause splits them
        {100, 100, 200, 1},  // exactly the time-out is not yet silence
        {100, 101, 202, 1},  // the tick that would end it finds the next bytes
        {100, 102, 204, 3},
        {0, 1, 2, 1},        // with no time-out, bytes in consecutive ticks still join
        {0, 2, 4, 3},        // one quiet tick between them ends the packet
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "timeout " << c.timeout << " bursts at +" << c.a << " +" << c.b);
        Receiver rx;
        FakeRxPort port;
        const std::int32_t t0 = 10'000;
        const auto packets = run(rx, port, t0, t0 + c.b + c.timeout + 50, c.timeout,
                                 {{t0, {'A', 'B'}}, {t0 + c.a, {'C'}}, {t0 + c.b, {'D', '\r'}}});
        ASSERT_EQ(packets.size(), c.packets);
        std::vector<std::uint8_t> all;
        for (const auto& p : packets) all.insert(all.end(), p.bytes.begin(), p.bytes.end());
        EXPECT_EQ(all, (std::vector<std::uint8_t>{'A', 'B', 'C', 'D', '\r'}));
        // The last packet ends on the first tick more than `timeout` after its last bytes.
        EXPECT_EQ(packets.back().at, t0 + c.b + c.timeout + 1);
        EXPECT_EQ(rx.RxBytes, 5);
    }
}

TEST(Receiver, BytesFoundInATickAreNeverCutBySilenceInThatTick) {
    Receiver rx;
    FakeRxPort port;
    port.arrive({'x'});
    // Even with the time-out 0 and a long-stale clock, the tick that reads waits.
    EXPECT_TRUE(rx.tick(port, 500, 0).packet.empty());
    EXPECT_TRUE(rx.tick(port, 500, 0).packet.empty());  // same millisecond: not silent yet
    EXPECT_EQ(rx.tick(port, 501, 0).packet, std::vector<std::uint8_t>{'x'});
    EXPECT_EQ(rx.RxLen, 0u);
}

TEST(Receiver, ANegativeTimeOutCountsAsZero) {
    Receiver rx;
    FakeRxPort port;
    port.arrive({'a'});
    EXPECT_TRUE(rx.tick(port, 100, -500).packet.empty());
    EXPECT_EQ(rx.tick(port, 101, -500).packet.size(), 1u);
}

TEST(Receiver, AContinuousStreamIsCutAbove1500BytesWithoutOverrun) {
    Receiver rx;
    FakeRxPort port;
    const auto sent = bytesFrom(0, 5000);
    // The whole stream waits at once: each tick reads what fits, flushes above 1500.
    const auto packets = run(rx, port, 1000, 1200, 100, {{1000, sent}});
    ASSERT_EQ(packets.size(), 3u);
    EXPECT_EQ(packets[0].bytes.size(), 2048u);
    EXPECT_EQ(packets[0].at, 1000);
    EXPECT_EQ(packets[1].bytes.size(), 2048u);
    EXPECT_EQ(packets[1].at, 1001);
    EXPECT_EQ(packets[2].bytes.size(), 904u);  // the rest waits for the silence
    EXPECT_EQ(packets[2].at, 1002 + 101);
    std::vector<std::uint8_t> all;
    for (const auto& p : packets) all.insert(all.end(), p.bytes.begin(), p.bytes.end());
    EXPECT_EQ(all, sent);
    for (std::size_t n : port.requests) EXPECT_LE(n, Receiver::kCapacity);
}

TEST(Receiver, MoreThan1500BytesEndAPacketWithoutWaiting) {
    for (std::size_t n : {1500u, 1501u}) {
        Receiver rx;
        FakeRxPort port;
        port.arrive(bytesFrom(0, n));
        EXPECT_EQ(rx.tick(port, 77, 1000).packet.size(), n > 1500 ? n : 0u) << n;
    }
}

TEST(Receiver, ReadsAreCutToTheFreeSpace) {
    Receiver rx;
    FakeRxPort port;
    port.arrive(bytesFrom(1, 1200));
    EXPECT_TRUE(rx.tick(port, 10, 50).packet.empty());
    port.arrive(bytesFrom(7, 2000));
    // 1200 kept + 848 read = a full buffer, flushed in the same tick.
    const auto packet = rx.tick(port, 11, 50).packet;
    ASSERT_EQ(packet.size(), 2048u);
    EXPECT_EQ(port.requests.back(), 848u);
    EXPECT_EQ(port.queue.size(), 2000u - 848u);

    // A full buffer asks for nothing and leaves the queue alone.
    port.arrive(bytesFrom(0, 2048));
    rx.ReadComInBufRx(port, 2048);
    const std::size_t before = port.queue.size();
    rx.ReadComInBufRx(port, 10);
    EXPECT_EQ(rx.RxLen, 2048u);
    EXPECT_EQ(port.queue.size(), before);
}

TEST(Receiver, ShortFailedAndOverReportedReadsAppendOnlyWhatArrived) {
    Receiver rx;
    FakeRxPort port;
    port.readLimit = 3;
    port.arrive({1, 2, 3, 4, 5});
    rx.tick(port, 10, 5);
    EXPECT_EQ(rx.RxLen, 3u);
    EXPECT_EQ(rx.RxBytes, 3);
    port.readLimit = 0;  // a failing read
    rx.tick(port, 11, 5);
    EXPECT_EQ(rx.RxLen, 3u);
    port.readLimit = SIZE_MAX;
    port.overReport = 5000;  // a count above the request must not run past the buffer
    rx.tick(port, 12, 5);
    EXPECT_EQ(rx.RxLen, 5u);
    EXPECT_EQ(rx.RxBytes, 5);
    EXPECT_EQ(rx.takePacket(), (std::vector<std::uint8_t>{1, 2, 3, 4, 5}));
}

TEST(Receiver, ANewWeekOrAClockSetBackDoesNotCutAPacket) {
    const std::int32_t endOfWeek = 604'799'990;
    struct Case {
        const char* name;
        std::int32_t before, after;
    } cases[] = {{"new week", endOfWeek, 5}, {"clock set back", 50'000'000, 49'000'000}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Receiver rx;
        FakeRxPort port;
        port.arrive({'a'});
        rx.tick(port, c.before, 100);
        port.arrive({'b'});
        // The jump back: the bytes join the packet and the silence starts again.
        EXPECT_TRUE(rx.tick(port, c.after, 100).packet.empty());
        EXPECT_TRUE(rx.tick(port, c.after + 100, 100).packet.empty());
        EXPECT_EQ(rx.tick(port, c.after + 101, 100).packet, (std::vector<std::uint8_t>{'a', 'b'}));

        // A jump back during silence also just restarts the measure.
        port.arrive({'c'});
        rx.tick(port, c.after + 200, 100);
        EXPECT_TRUE(rx.tick(port, c.after + 50, 100).packet.empty());
        EXPECT_EQ(rx.LastRxTime, c.after + 50);
        EXPECT_TRUE(rx.tick(port, c.after + 150, 100).packet.empty());
        EXPECT_EQ(rx.tick(port, c.after + 151, 100).packet, std::vector<std::uint8_t>{'c'});
    }
}

TEST(RxTimeoutSteps, UpFromZeroAndDownFromTheTop) {
    std::vector<std::int32_t> expectUp{0};
    for (std::int32_t v = 1; v <= 10; ++v) expectUp.push_back(v);
    for (std::int32_t base : {10, 100, 1000, 10000})
        for (std::int32_t v = base + base / 2; v <= base * 10; v += base / 2) expectUp.push_back(v);
    std::vector<std::int32_t> up{0};
    while (up.size() < 200 && up.back() != 100000) up.push_back(stepRxTimeout(up.back(), true));
    EXPECT_EQ(up, expectUp);

    std::vector<std::int32_t> down{100000};
    while (down.size() < 200 && down.back() != 0) down.push_back(stepRxTimeout(down.back(), false));
    const std::vector<std::int32_t> head{100000, 50000, 45000};
    EXPECT_TRUE(std::equal(head.begin(), head.end(), down.begin()));
    const std::vector<std::int32_t> tail{15, 10, 5, 4, 3, 2, 1, 0};
    EXPECT_TRUE(std::equal(tail.rbegin(), tail.rend(), down.rbegin()));
    for (std::int32_t v : {10000, 5000, 1000, 500, 100, 50}) EXPECT_NE(std::find(down.begin(), down.end(), v), down.end()) << v;

    struct Step {
        std::int32_t from;
        bool up;
        std::int32_t to;
    } steps[] = {{95000, true, 100000}, {100000, true, 100000}, {100000, false, 50000},
                 {10, false, 5},        {0, false, 0},          {99999, true, 100000},
                 {-7, true, 1},         {-7, false, 0},         {250000, false, 200000}};
    for (const auto& s : steps) EXPECT_EQ(stepRxTimeout(s.from, s.up), s.to) << s.from << (s.up ? " up" : " down");
}
