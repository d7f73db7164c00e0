#include "serial/watchdog.h"

namespace vantrel {

WatchdogStep watchdogStep(const WatchdogInput& in) {
    WatchdogStep step;
    // Without AutoConnect a lost link is only shown, never repaired.
    if (!in.autoConnect && ((!in.probeOk && in.portOpen) || (in.wantOpen && !in.portOpen)))
        step.colour = LinkColour::Red;
    step.close = !in.probeOk;
    if (!in.autoConnect) return step;
    if (in.wantOpen && !in.probeOk)
        step.reopen = true;
    else if (!in.wantOpen)
        step.colour = LinkColour::Window;
    return step;
}

ReopenStep reopenStep(bool opened) {
    if (!opened) return {LinkColour::Yellow, false, 0};
    return {LinkColour::Green, true, kReconnectSettleMs};
}

}  // namespace vantrel
