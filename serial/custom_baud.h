#pragma once
// Baud rates outside the fixed termios list, set through the kernel's
// termios2 interface (kept apart: its header clashes with <termios.h>).
#include <cstdint>

namespace vantrel {

// Sets input and output speed of the tty `fd` to `baud`, leaving the other
// settings as they are. False when the driver refuses it or the call fails.
bool setCustomBaud(int fd, std::uint32_t baud);

}  // namespace vantrel
