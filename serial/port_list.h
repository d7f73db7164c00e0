#pragma once
// The port list of Linux, from the kernel's tty class in sysfs, and the
// names it shows: the kernel's ("ttyUSB0"), as Windows shows "COM3".
#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

// The terminals under `ttyClassDir` (normally /sys/class/tty) that have a
// device behind them, by their kernel names, in natural order. Entries of a
// serial driver whose "type" is 0 (no UART found there) are left out.
std::vector<std::string> listSerialPortsIn(const std::string& ttyClassDir);

// The device a port name opens: a name without "/" is under /dev; a path
// (an older settings file's, a pseudo-terminal's, a link) stays as it is.
std::string portDevicePath(const std::string& name);
// "/dev/ttyUSB0" -> "ttyUSB0", so a full path from an older settings file shows as listed.
std::string shortPortName(const std::string& name);

// "ttyS2" before "ttyS10": runs of digits compare by value.
bool naturalLess(std::string_view a, std::string_view b);

}  // namespace vantrel
