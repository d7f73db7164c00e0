#pragma once
// The watchdog's rule: from one probe of the link and what the user wants,
// the colour of the port box and what to do with the port.
#include <cstdint>
#include <optional>

namespace vantrel {

enum class LinkColour : std::uint8_t { Window, Green, Yellow, Red };

struct WatchdogInput {
    bool probeOk = false;      // the port still took its line settings
    bool portOpen = false;     // before this tick
    bool autoConnect = false;  // "AutoConnect" is ticked
    bool wantOpen = false;     // the user pressed "Connect" and not "Disconnect"
};

struct WatchdogStep {
    std::optional<LinkColour> colour;  // shown before any reopening
    bool close = false;                // the handle no longer leads to a device
    bool reopen = false;               // try to open the port again
};

WatchdogStep watchdogStep(const WatchdogInput& in);

// After an attempt to reopen: the colour, and whether the link came back
// (then, after a pause for the device to settle, the send on connect).
struct ReopenStep {
    LinkColour colour = LinkColour::Yellow;
    bool reconnected = false;
    int settleMs = 0;
};
ReopenStep reopenStep(bool opened);

// A reconnected device gets this long before anything is sent to it.
inline constexpr int kReconnectSettleMs = 2000;

}  // namespace vantrel
