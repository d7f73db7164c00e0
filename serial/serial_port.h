#pragma once
// The serial operations of the platform, row by row, on one device handle.
// The POSIX backend uses termios; tests use fakes or pseudo-terminals.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vantrel {

// The one line-settings record. An open writes exactly the four named fields;
// everything else (flow control, DTR and RTS control, special characters) is
// zero for the whole run: no flow control, DTR and RTS not raised.
struct LineSettings {
    std::uint32_t BaudRate = 0;
    std::uint8_t ByteSize = 0;
    std::uint8_t Parity = 0;    // 0 = none
    std::uint8_t StopBits = 0;  // 0 = one, 1 = one and a half, 2 = two
    bool operator==(const LineSettings&) const = default;
};

enum class OpenFailure {
    None, NotFound, AccessDenied, Busy, NotADevice, SettingsRefused, Other,
    // A network port's.
    BadAddress, HostNotFound, Refused, NoAnswer
};

struct OpenResult {
    OpenFailure failure = OpenFailure::None;
    std::string reason;  // in Russian, UTF-8, for the user; empty on success
    bool ok() const { return failure == OpenFailure::None; }
};

class SerialPort {
public:
    virtual ~SerialPort() = default;
    // Exclusive open by name (also against root and a second program).
    // A handle already held stays as it is; callers close it first.
    virtual OpenResult open(const std::string& name) = 0;
    virtual void setQueueSizes(std::size_t input, std::size_t output) = 0;
    // Applies the settings; false when the device refuses them, when the
    // handle no longer leads to a device (unplugged) or was never opened.
    // It is also the probe of the link.
    virtual bool applySettings(const LineSettings& settings) = 0;
    // Bytes waiting in the input queue (0 when not open).
    virtual std::size_t waiting() = 0;
    // Reads at most n bytes without waiting; returns the count read.
    virtual std::size_t read(std::uint8_t* buffer, std::size_t n) = 0;
    // Hands over what the port takes now, without waiting: `written` may be
    // anything from 0 (the output queue is full) to n. `failed`: the device
    // refuses output for good (unplugged, hung up).
    struct WriteResult {
        std::size_t written = 0;
        bool failed = false;
    };
    virtual WriteResult write(const std::uint8_t* data, std::size_t n) = 0;
    // Discards both queues.
    virtual void purge() = 0;
    // Discards what was received only; bytes still going out stay.
    virtual void purgeInput() = 0;
    virtual void close() = 0;
    // A descriptor that polls readable while input waits and writable while
    // the output queue has room, so that the program can sleep until either;
    // -1 when there is none.
    virtual int readinessHandle() const { return -1; }
};

// A failure with its reason for the user (Russian, UTF-8).
OpenResult openFailure(OpenFailure failure);
// The same with the system's error code after it, for errors without a reason of their own.
OpenResult openFailure(OpenFailure failure, long code);

// The ports the system registers, as names to open (device paths on Linux).
std::vector<std::string> listSerialPorts();
// The names offered when none are found (the counterpart of COM1..COM9).
std::vector<std::string> fallbackPortNames();
std::unique_ptr<SerialPort> makeSystemSerialPort();
// A short pause of the calling thread.
void sleepMs(int ms);

}  // namespace vantrel
