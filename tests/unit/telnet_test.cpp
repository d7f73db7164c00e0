#include "serial/telnet.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

using namespace vantrel;
using namespace vantrel::telnet;

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::uint8_t CR = '\r', LF = '\n', GA = 249, AYT = 246;

struct Fed {
    Bytes data, replies;
};

// Feeds `in` in pieces cut at `cuts` (ascending offsets).
Fed feedCut(Reader& r, const Bytes& in, const std::vector<std::size_t>& cuts) {
    Fed f;
    std::size_t from = 0;
    for (std::size_t to : cuts) {
        r.feed(in.data() + from, to - from, f.data, f.replies);
        from = to;
    }
    r.feed(in.data() + from, in.size() - from, f.data, f.replies);
    return f;
}

Bytes cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

struct StreamCase {
    const char* what;
    Bytes in, data;
    std::uint8_t reply = 0;
    Bytes payload{};
};

const StreamCase kStreams[] = {
    {"doubled IAC", {'a', IAC, IAC, 'b', IAC, IAC}, {'a', IAC, 'b', IAC}},
    {"commands dropped", {'a', IAC, NOP, 'b', IAC, GA, IAC, SE, 'c', IAC, AYT}, {'a', 'b', 'c'}},
    {"negotiation", {'a', IAC, DO, 1, 'b', IAC, WILL, 1, IAC, DONT, 7, IAC, WONT, 7, 'c'}, {'a', 'b', 'c'}},
    {"com-port answer", {'a', IAC, SB, kComPort, 101, IAC, IAC, CR, 0, IAC, SE, 'b'}, {'a', 'b'}, 101, {IAC, CR, 0}},
    {"client command ignored", {IAC, SB, kComPort, 1, 9, IAC, SE, 'x'}, {'x'}},
    {"other option ignored", {IAC, SB, 24, 101, 9, IAC, SE, 'x'}, {'x'}},
    {"unterminated sub ends at a command", {IAC, SB, kComPort, 101, 5, IAC, WILL, 3, 'z'}, {'z'}},
    {"CR NUL not binary", {'a', CR, 0, 'b', CR, LF, CR, CR, 0, 0, CR, 'x'}, {'a', CR, 'b', CR, LF, CR, CR, 0, CR, 'x'}},
    {"NUL pad after a command", {CR, IAC, NOP, 0, CR, IAC, SB, 5, IAC, SE, 0}, {CR, CR}},
    {"0xFF after CR", {CR, IAC, IAC, 0}, {CR, IAC, 0}},
    {"CR NUL binary", {IAC, WILL, kBinary, CR, 0, CR, IAC, NOP, 0}, {CR, 0, CR, 0}},
    {"binary off again", {IAC, WILL, kBinary, CR, 0, IAC, WONT, kBinary, CR, 0}, {CR, 0, CR}},
};

}  // namespace

TEST(Telnet, StreamDecodesTheSameAtEverySplit) {
    for (const StreamCase& c : kStreams) {
        std::vector<std::vector<std::size_t>> splits{{}};
        std::vector<std::size_t> bytewise;
        for (std::size_t i = 1; i < c.in.size(); ++i) {
            splits.push_back({i});
            bytewise.push_back(i);
        }
        splits.push_back(bytewise);
        for (const auto& cuts : splits) {
            SCOPED_TRACE(testing::Message() << c.what << ", pieces " << cuts.size() + 1
                                            << (cuts.empty() ? 0 : cuts[0]));
            Reader r;
            EXPECT_EQ(feedCut(r, c.in, cuts).data, c.data);
            EXPECT_EQ(r.lastComPortReply(), c.reply);
            EXPECT_EQ(r.lastComPortPayload(), c.payload);
        }
    }
}

namespace {

struct Negotiation {
    const char* what;
    bool opened;
    Bytes in, replies;
    bool comPort = false, binary = false;
};

const Negotiation kNegotiations[] = {
    {"DO ours", false, {IAC, DO, kBinary, IAC, DO, kBinary}, {IAC, WILL, kBinary}},
    {"DO unknown refused once", false, {IAC, DO, 1, IAC, DO, 1, IAC, DONT, 1, IAC, DO, 1}, {IAC, WONT, 1}},
    {"WILL com-port (ours, not the server's) refused once", false, {IAC, WILL, kComPort, IAC, WILL, kComPort},
     {IAC, DONT, kComPort}},
    {"WILL binary", false, {IAC, WILL, kBinary, IAC, WILL, kBinary}, {IAC, DO, kBinary}, false, true},
    {"off before on: silent", false, {IAC, DONT, kBinary, IAC, WONT, kSuppressGoAhead, IAC, DONT, 9}, {}},
    {"on then off", false, {IAC, DO, kSuppressGoAhead, IAC, DONT, kSuppressGoAhead, IAC, DONT, kSuppressGoAhead},
     {IAC, WILL, kSuppressGoAhead, IAC, WONT, kSuppressGoAhead}},
    {"server off then on", false, {IAC, WILL, kBinary, IAC, WONT, kBinary, IAC, WILL, kBinary},
     {IAC, DO, kBinary, IAC, DONT, kBinary, IAC, DO, kBinary}, false, true},
    {"agreement to our asks: silent", true,
     {IAC, DO, kComPort, IAC, DO, kBinary, IAC, WILL, kBinary, IAC, DO, kSuppressGoAhead, IAC, WILL, kSuppressGoAhead},
     {}, true, true},
    {"refusal of our asks: silent", true, {IAC, DONT, kComPort, IAC, WONT, kBinary}, {}},
    {"asked again after a refusal", true, {IAC, DONT, kComPort, IAC, DO, kComPort}, {IAC, WILL, kComPort}, true},
    {"taken back after agreeing", true, {IAC, WILL, kBinary, IAC, WONT, kBinary}, {IAC, DONT, kBinary}},
};

}  // namespace

TEST(Telnet, NegotiationRepliesOnlyToStateChanges) {
    for (const Negotiation& c : kNegotiations) {
        SCOPED_TRACE(c.what);
        Reader r;
        if (c.opened) r.opening();
        const Fed f = feedCut(r, c.in, {});
        EXPECT_TRUE(f.data.empty());
        EXPECT_EQ(f.replies, c.replies);
        EXPECT_EQ(r.comPortAccepted(), c.comPort);
        EXPECT_EQ(r.serverBinary(), c.binary);
    }
}

TEST(Telnet, OpeningAsksWhatIsNotSettledAndTwoReadersGoQuiet) {
    Reader a;
    const Bytes openA = a.opening();
    EXPECT_EQ(openA, (Bytes{IAC, WILL, kComPort, IAC, WILL, kBinary, IAC, DO, kBinary, IAC, WILL,
                                  kSuppressGoAhead, IAC, DO, kSuppressGoAhead}));
    EXPECT_TRUE(a.opening().empty());

    Reader settled;
    feedCut(settled, {IAC, DO, kBinary, IAC, WILL, kSuppressGoAhead}, {});
    EXPECT_EQ(settled.opening(), (Bytes{IAC, WILL, kComPort, IAC, DO, kBinary, IAC, WILL, kSuppressGoAhead}));

    // Both sides open at once and answer each other: the talk has to end.
    Reader b;
    Bytes toB = openA, toA = b.opening();
    int rounds = 0;
    while ((!toA.empty() || !toB.empty()) && rounds < 10) {
        Fed atA = feedCut(a, toA, {}), atB = feedCut(b, toB, {});
        toA = atB.replies;
        toB = atA.replies;
        ++rounds;
    }
    EXPECT_LT(rounds, 10);
    EXPECT_TRUE(a.serverBinary());
    EXPECT_TRUE(b.serverBinary());
}

TEST(Telnet, LineSettingsGoOutEscapedInOrder) {
    const auto sub = [](std::uint8_t cmd, Bytes payload) { return cat({{IAC, SB, kComPort, cmd}, payload, {IAC, SE}}); };
    const Bytes tail = sub(kSetParity, {1});
    const Bytes control = cat({sub(kSetControl, {1}), sub(kSetControl, {9}), sub(kSetControl, {12})});
    struct {
        LineSettings s;
        Bytes want;
    } const cases[] = {
        {{0xFFFFFF, 8, 0, 0},  // three doubled bytes
         cat({sub(kSetBaudRate, {0, IAC, IAC, IAC, IAC, IAC, IAC}), sub(kSetDataSize, {8}), tail, sub(kSetStopSize, {1}),
              control})},
        {{65280, 7, 0, 1},  // 0xFF00, one and a half stop bits
         cat({sub(kSetBaudRate, {0, 0, IAC, IAC, 0}), sub(kSetDataSize, {7}), tail, sub(kSetStopSize, {3}), control})},
        {{115200, 5, 0, 2},
         cat({sub(kSetBaudRate, {0, 1, 0xC2, 0}), sub(kSetDataSize, {5}), tail, sub(kSetStopSize, {2}), control})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.s.BaudRate);
        EXPECT_EQ(lineSettingsCommands(c.s), c.want);
    }
}

TEST(Telnet, HugeSubnegotiationKeepsABoundedPayload) {
    Bytes in{IAC, SB, kComPort, 101};
    in.resize(in.size() + (1 << 20), 'x');
    in.insert(in.end(), {IAC, IAC, IAC, SE, 'o', 'k'});
    Reader r;
    const Fed f = feedCut(r, in, {1 << 19});
    EXPECT_EQ(f.data, (Bytes{'o', 'k'}));
    EXPECT_EQ(r.lastComPortReply(), 101);
    ASSERT_FALSE(r.lastComPortPayload().empty());
    EXPECT_LE(r.lastComPortPayload().size(), 64u);
    EXPECT_EQ(r.lastComPortPayload().back(), 'x');
}
