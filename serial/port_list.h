#pragma once
// The port list of Linux, from the kernel's tty class in sysfs.
#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

// The terminals under `ttyClassDir` (normally /sys/class/tty) that have a
// device behind them, as paths under `devDir`, in natural order. Entries of
// a serial driver whose "type" is 0 (no UART found there) are left out.
std::vector<std::string> listSerialPortsIn(const std::string& ttyClassDir, const std::string& devDir);

// "ttyS2" before "ttyS10": runs of digits compare by value.
bool naturalLess(std::string_view a, std::string_view b);

}  // namespace vantrel
