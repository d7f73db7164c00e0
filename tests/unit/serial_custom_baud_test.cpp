// Rates outside the fixed termios list reach the tty as they are.
// (Reads back through termios2, whose header cannot meet <termios.h>.)
#include <gtest/gtest.h>

#include <asm/termbits.h>
#include <sys/ioctl.h>

#include "serial/serial_link.h"
#include "tools/pty_device.h"

namespace vantrel {
namespace {

TEST(SerialCustomBaud, RateOutsideTheListIsSetExactly) {
    PtyDevice device;
    ASSERT_TRUE(device.open());
    SerialLink link;
    for (std::uint32_t rate : {250000u, 31250u, 74880u}) {
        ASSERT_TRUE(link.open({device.slavePath(), rate, 8, 0}, nullptr).ok()) << rate;
        termios2 t{};
        ASSERT_EQ(ioctl(device.masterFd(), TCGETS2, &t), 0);
        EXPECT_EQ(t.c_ospeed, rate);
        EXPECT_EQ(t.c_ispeed, rate);
        EXPECT_TRUE(link.probe());  // re-applying keeps working
        link.close();
    }
}

}  // namespace
}  // namespace vantrel
