// The Telnet reader on bytes from the network. Any stream: fed whole or in
// pieces whose lengths come from the input, it gives the same data, the same
// answers and the same last COM-PORT-OPTION answer, with at most one answer
// per request and a bounded payload. A valid stream built from the input (its
// bytes as data, escaped, with commands and subnegotiations between them)
// gives back exactly the input, whatever the pieces.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz_support.h"
#include "serial/telnet.h"

using namespace vantrel::telnet;

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Result {
    Bytes data, replies;
    std::uint8_t reply = 0;
    Bytes payload;
    bool binary = false, comPort = false;
    bool operator==(const Result&) const = default;
};

// Piece lengths read from `lens` in turn: mostly short, now and then long.
Result run(const Bytes& stream, bool open, const std::uint8_t* lens, std::size_t nLens) {
    Reader r;
    Result out;
    if (open) r.opening();
    std::size_t at = 0, k = 0;
    while (at < stream.size()) {
        std::size_t len = stream.size() - at;
        if (nLens) {
            const std::uint8_t b = lens[k++ % nLens];
            if (b % 13 == 0) r.feed(stream.data() + at, 0, out.data, out.replies);  // an empty piece
            len = std::min(len, b >= 0xF0 ? std::size_t(b) * 4 : std::size_t(1 + b % 12));
        }
        r.feed(stream.data() + at, len, out.data, out.replies);
        at += len;
    }
    out.reply = r.lastComPortReply();
    out.payload = r.lastComPortPayload();
    out.binary = r.serverBinary();
    out.comPort = r.comPortAccepted();
    return out;
}

// A command or subnegotiation chosen by `sel`, with bytes taken from `arg`;
// none touches the server's BINARY, so the stream's data rules hold throughout.
void command(std::uint8_t sel, std::uint8_t arg, const std::uint8_t* tail, std::size_t tailLen, Bytes& s,
             std::uint8_t& lastReply, Bytes& lastPayload) {
    const std::uint8_t option = arg == kBinary ? kSuppressGoAhead : arg;
    switch (sel % 7) {
    case 0: s.insert(s.end(), {IAC, NOP}); break;
    case 1: s.insert(s.end(), {IAC, std::uint8_t(arg & 1 ? DO : DONT), arg}); break;
    case 2: s.insert(s.end(), {IAC, std::uint8_t(arg & 1 ? WILL : WONT), option}); break;
    case 3: s.insert(s.end(), {IAC, std::uint8_t(sel & 8 ? 249 : 246)}); break;  // GA, AYT
    case 4: {
        const Bytes payload(tail, tail + std::min<std::size_t>(tailLen, arg % 9));
        lastReply = std::uint8_t(100 + arg % 13);
        lastPayload = payload;
        comPortCommand(lastReply, payload, s);
        break;
    }
    default: {  // another option's subnegotiation, or a client command echoed back
        const std::uint8_t head[] = {std::uint8_t(sel & 8 ? kComPort : arg), std::uint8_t(arg % 100)};
        s.insert(s.end(), {IAC, SB});
        escape(head, 2, s);
        escape(tail, std::min<std::size_t>(tailLen, 70), s);
        s.insert(s.end(), {IAC, SE});
        break;
    }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const bool open = size && (data[0] & 1);

    const Bytes raw(data, data + size);
    const Result whole = run(raw, open, nullptr, 0);
    FUZZ_CHECK(whole.data.size() <= size);
    FUZZ_CHECK(whole.replies.size() <= size && whole.replies.size() % 3 == 0);  // one per request at most
    for (std::size_t i = 0; i < whole.replies.size(); i += 3)
        FUZZ_CHECK(whole.replies[i] == IAC && whole.replies[i + 1] >= WILL && whole.replies[i + 1] <= DONT);
    FUZZ_CHECK(whole.payload.size() <= 64);
    FUZZ_CHECK(whole.reply == 0 || whole.reply >= 100);
    FUZZ_CHECK(run(raw, open, data, size) == whole);
    if (size > 1) FUZZ_CHECK(run(raw, open, data + 1, size - 1) == whole);

    // The valid stream: binary or not as the input says; without binary every
    // CR goes out as CR NUL, sometimes with a command between the two.
    const bool binary = size && (data[0] & 2);
    Bytes s;
    if (binary) s.insert(s.end(), {IAC, WILL, kBinary});
    std::uint8_t lastReply = 0;
    Bytes lastPayload;
    for (std::size_t i = 0; i < size; ++i) {
        const std::uint8_t b = data[i], next = i + 1 < size ? data[i + 1] : 0;
        escape(&b, 1, s);
        const bool between = (b ^ std::uint8_t(i)) % 5 == 0;
        if (b == '\r' && !binary) {
            if (between) command(next, b, data + i, size - i, s, lastReply, lastPayload);
            s.push_back(0);
        } else if (between) {
            command(next, b, data + i, size - i, s, lastReply, lastPayload);
        }
    }
    const Result got = run(s, open, nullptr, 0);
    FUZZ_CHECK(got.data == raw);
    FUZZ_CHECK(got.reply == lastReply && got.payload == lastPayload);
    FUZZ_CHECK(got.binary == binary);
    FUZZ_CHECK(run(s, open, data, size) == got);
    return 0;
}
