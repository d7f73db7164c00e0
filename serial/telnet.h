#pragma once
// The Telnet side of a network port (RFC 854/855, RFC 2217 COM-PORT-OPTION):
// the reader that takes the data bytes out of the incoming stream and answers
// the server's negotiation, and the byte strings the port sends.
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "serial/serial_port.h"

namespace vantrel::telnet {

inline constexpr std::uint8_t SE = 240, NOP = 241, SB = 250, WILL = 251, WONT = 252, DO = 253, DONT = 254, IAC = 255;
inline constexpr std::uint8_t kBinary = 0, kSuppressGoAhead = 3, kComPort = 44;

// COM-PORT-OPTION commands of the client (the server answers with 100 added).
inline constexpr std::uint8_t kSetBaudRate = 1, kSetDataSize = 2, kSetParity = 3, kSetStopSize = 4,
                              kSetControl = 5, kPurgeData = 12;
// PURGE-DATA: 1 = the server's receive buffer (what the device sent), 3 = both.
inline constexpr std::uint8_t kPurgeReceive = 1, kPurgeBoth = 3;

// Reads the incoming stream in pieces of any size: data bytes out, once and
// in order (IAC IAC is one 0xFF; while the server has not agreed to send
// binary, the NUL of CR NUL goes); commands and subnegotiations never come
// out. Requests for options it does not know are refused, and an answer is
// sent only when an option's state changes, so no negotiation loops.
class Reader {
public:
    // The options this side asks for when it opens: WILL and DO each of
    // COM-PORT-OPTION (WILL only: the server is the one that does it),
    // BINARY and SUPPRESS-GO-AHEAD. Marks them asked, so that the server's
    // agreement is not answered again.
    std::vector<std::uint8_t> opening();

    // Appends the data bytes of `in` to `data` and the answers the protocol
    // needs to `replies`.
    void feed(const std::uint8_t* in, std::size_t n, std::vector<std::uint8_t>& data,
              std::vector<std::uint8_t>& replies);

    // The server said DO COM-PORT-OPTION.
    bool comPortAccepted() const { return us_[kComPort] == State::Yes; }
    bool serverBinary() const { return him_[kBinary] == State::Yes; }
    // The last COM-PORT-OPTION answer's command (100 + the client's) and
    // payload, bounded; 0 while none came.
    std::uint8_t lastComPortReply() const { return lastReply_; }
    const std::vector<std::uint8_t>& lastComPortPayload() const { return lastPayload_; }

private:
    enum class State : std::uint8_t { No, Asked, Yes };
    enum class Phase : std::uint8_t { Data, Iac, Verb, Sub, SubIac };
    void verb(std::uint8_t command, std::uint8_t option, std::vector<std::uint8_t>& replies);
    void afterIac(std::uint8_t b, std::vector<std::uint8_t>& data);
    void endSub();

    std::array<State, 256> us_{};   // options this side performs
    std::array<State, 256> him_{};  // options the server performs
    // Options refused once: a repeated request gets no second refusal.
    std::array<bool, 256> refusedUs_{}, refusedHim_{};
    Phase phase_ = Phase::Data;
    // A CR came while not binary: a NUL next is its padding, even after commands.
    bool padNul_ = false;
    std::uint8_t command_ = 0;
    std::vector<std::uint8_t> sub_;  // the subnegotiation being read, bounded
    std::uint8_t lastReply_ = 0;
    std::vector<std::uint8_t> lastPayload_;
};

// Appends `n` data bytes with every 0xFF doubled.
void escape(const std::uint8_t* data, std::size_t n, std::vector<std::uint8_t>& out);
// IAC SB COM-PORT-OPTION command payload IAC SE, the payload escaped.
void comPortCommand(std::uint8_t command, const std::vector<std::uint8_t>& payload,
                    std::vector<std::uint8_t>& out);
// The line settings as the server takes them: SET-BAUDRATE (the rate as
// given, four bytes, high first), SET-DATASIZE, SET-PARITY none,
// SET-STOPSIZE, SET-CONTROL no flow control, DTR off, RTS off.
std::vector<std::uint8_t> lineSettingsCommands(const LineSettings& s);

}  // namespace vantrel::telnet
