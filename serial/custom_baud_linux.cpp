#ifndef _WIN32

#include "serial/custom_baud.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace vantrel {

bool setCustomBaud(int fd, std::uint32_t baud) {
    termios2 t{};
    if (ioctl(fd, TCGETS2, &t) != 0) return false;
    t.c_cflag &= ~tcflag_t(CBAUD | (CBAUD << IBSHIFT));
    t.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    t.c_ispeed = baud;
    t.c_ospeed = baud;
    return ioctl(fd, TCSETS2, &t) == 0;
}

}  // namespace vantrel

#endif  // _WIN32
