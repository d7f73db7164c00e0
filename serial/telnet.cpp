#include "serial/telnet.h"

#include <initializer_list>

namespace vantrel::telnet {

namespace {

// Bytes of a subnegotiation kept (option, command, payload); the rest is dropped.
constexpr std::size_t kSubLimit = 64;
constexpr std::uint8_t kFirstServerReply = 100;

bool weDo(std::uint8_t option) {
    return option == kBinary || option == kSuppressGoAhead || option == kComPort;
}
bool serverShouldDo(std::uint8_t option) { return option == kBinary || option == kSuppressGoAhead; }

void put(std::vector<std::uint8_t>& out, std::uint8_t command, std::uint8_t option) {
    out.insert(out.end(), {IAC, command, option});
}

}  // namespace

std::vector<std::uint8_t> Reader::opening() {
    std::vector<std::uint8_t> out;
    // An option the server already settled is not asked again: asking would
    // take a Yes back to Asked.
    const auto ask = [&](std::array<State, 256>& side, std::uint8_t command, std::uint8_t option) {
        if (side[option] != State::No) return;
        side[option] = State::Asked;
        put(out, command, option);
    };
    ask(us_, WILL, kComPort);
    ask(us_, WILL, kBinary);
    ask(him_, DO, kBinary);
    ask(us_, WILL, kSuppressGoAhead);
    ask(him_, DO, kSuppressGoAhead);
    return out;
}

void Reader::verb(std::uint8_t command, std::uint8_t option, std::vector<std::uint8_t>& replies) {
    // DO/DONT ask about what this side performs, WILL/WONT about the server.
    const bool aboutUs = command == DO || command == DONT;
    auto& state = aboutUs ? us_[option] : him_[option];
    const std::uint8_t agree = aboutUs ? WILL : DO, refuse = aboutUs ? WONT : DONT;
    if (command == DO || command == WILL) {
        if (!(aboutUs ? weDo(option) : serverShouldDo(option))) {
            bool& refused = aboutUs ? refusedUs_[option] : refusedHim_[option];
            if (!refused) put(replies, refuse, option);
            refused = true;
            return;
        }
        if (state == State::No) put(replies, agree, option);
        state = State::Yes;
    } else {
        if (state == State::Yes) put(replies, refuse, option);
        state = State::No;
    }
}

void Reader::afterIac(std::uint8_t b, std::vector<std::uint8_t>& data) {
    if (b == IAC) {
        data.push_back(IAC);
        padNul_ = false;
        phase_ = Phase::Data;
    } else if (b == WILL || b == WONT || b == DO || b == DONT) {
        command_ = b;
        phase_ = Phase::Verb;
    } else if (b == SB) {
        sub_.clear();
        phase_ = Phase::Sub;
    } else {
        phase_ = Phase::Data;  // NOP, GA, AYT, a stray SE, ...: nothing to do
    }
}

void Reader::endSub() {
    if (sub_.size() >= 2 && sub_[0] == kComPort && sub_[1] >= kFirstServerReply) {
        lastReply_ = sub_[1];
        lastPayload_.assign(sub_.begin() + 2, sub_.end());
    }
    sub_.clear();
}

void Reader::feed(const std::uint8_t* in, std::size_t n, std::vector<std::uint8_t>& data,
                  std::vector<std::uint8_t>& replies) {
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint8_t b = in[i];
        switch (phase_) {
        case Phase::Data:
            if (b == IAC) {
                phase_ = Phase::Iac;
            } else if (padNul_ && b == 0) {
                padNul_ = false;
            } else {
                data.push_back(b);
                padNul_ = b == '\r' && him_[kBinary] != State::Yes;
            }
            break;
        case Phase::Iac:
            afterIac(b, data);
            break;
        case Phase::Verb:
            verb(command_, b, replies);
            phase_ = Phase::Data;
            break;
        case Phase::Sub:
            if (b == IAC) {
                phase_ = Phase::SubIac;
            } else if (sub_.size() < kSubLimit) {
                sub_.push_back(b);
            }
            break;
        case Phase::SubIac:
            if (b == IAC) {
                if (sub_.size() < kSubLimit) sub_.push_back(IAC);
                phase_ = Phase::Sub;
            } else if (b == SE) {
                endSub();
                phase_ = Phase::Data;
            } else {
                // An unterminated subnegotiation: drop it and take the command,
                // so that a server's slip cannot swallow the rest of the stream.
                sub_.clear();
                afterIac(b, data);
            }
            break;
        }
    }
}

void escape(const std::uint8_t* data, std::size_t n, std::vector<std::uint8_t>& out) {
    for (std::size_t i = 0; i < n; ++i) {
        out.push_back(data[i]);
        if (data[i] == IAC) out.push_back(IAC);
    }
}

void comPortCommand(std::uint8_t command, const std::vector<std::uint8_t>& payload,
                    std::vector<std::uint8_t>& out) {
    out.insert(out.end(), {IAC, SB, kComPort});
    escape(&command, 1, out);
    escape(payload.data(), payload.size(), out);
    out.insert(out.end(), {IAC, SE});
}

std::vector<std::uint8_t> lineSettingsCommands(const LineSettings& s) {
    std::vector<std::uint8_t> out;
    const std::uint32_t rate = s.BaudRate;
    comPortCommand(kSetBaudRate,
                   {std::uint8_t(rate >> 24), std::uint8_t(rate >> 16), std::uint8_t(rate >> 8), std::uint8_t(rate)},
                   out);
    comPortCommand(kSetDataSize, {s.ByteSize}, out);
    comPortCommand(kSetParity, {1}, out);  // none: the only parity the program opens with
    // The record's 0/1/2 (one, one and a half, two) against the option's 1/3/2.
    comPortCommand(kSetStopSize, {std::uint8_t(s.StopBits == 1 ? 3 : s.StopBits == 2 ? 2 : 1)}, out);
    comPortCommand(kSetControl, {1}, out);   // no flow control
    comPortCommand(kSetControl, {9}, out);   // DTR off (8 would raise it)
    comPortCommand(kSetControl, {12}, out);  // RTS off
    return out;
}

}  // namespace vantrel::telnet
