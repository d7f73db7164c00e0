#include <algorithm>
#include <filesystem>
#include <fstream>

#include "serial/port_list.h"
#include "serial/serial_port.h"

namespace vantrel {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The "type" attribute of a serial-core port; 0 means no UART answered.
bool placeholderUart(const std::filesystem::path& entry) {
    std::ifstream in(entry / "type");
    int type = -1;
    return in && (in >> type) && type == 0;
}

}  // namespace

bool naturalLess(std::string_view a, std::string_view b) {
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            std::size_t ie = i, je = j;
            while (ie < a.size() && isDigit(a[ie])) ++ie;
            while (je < b.size() && isDigit(b[je])) ++je;
            std::string_view na = a.substr(i, ie - i), nb = b.substr(j, je - j);
            while (na.size() > 1 && na.front() == '0') na.remove_prefix(1);
            while (nb.size() > 1 && nb.front() == '0') nb.remove_prefix(1);
            if (na.size() != nb.size()) return na.size() < nb.size();
            if (na != nb) return na < nb;
            i = ie;
            j = je;
            continue;
        }
        if (a[i] != b[j]) return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]);
        ++i;
        ++j;
    }
    if ((a.size() - i) != (b.size() - j)) return (a.size() - i) < (b.size() - j);
    return a < b;  // "ttyS01" and "ttyS1": any fixed order
}

std::vector<std::string> listSerialPortsIn(const std::string& ttyClassDir) {
    namespace fs = std::filesystem;
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(ttyClassDir, fs::directory_options::skip_permission_denied, ec), end;
         !ec && it != end; it.increment(ec)) {
        const fs::path entry = it->path();
        std::error_code exists;
        // Virtual consoles and the pty multiplexer have no device behind them.
        if (!fs::exists(entry / "device", exists)) continue;
        if (placeholderUart(entry)) continue;
        names.push_back(entry.filename().string());
    }
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return naturalLess(a, b); });
    return names;
}

#ifndef _WIN32
std::string portDevicePath(const std::string& name) {
    if (name.empty() || name.find('/') != std::string::npos) return name;
    return "/dev/" + name;
}

std::string shortPortName(const std::string& name) {
    constexpr std::string_view dev = "/dev/";
    const std::string_view rest = std::string_view(name).substr(name.starts_with(dev) ? dev.size() : 0);
    if (rest.size() == name.size() || rest.empty() || rest.find('/') != std::string_view::npos) return name;
    return std::string(rest);
}

std::vector<std::string> listSerialPorts() { return listSerialPortsIn("/sys/class/tty"); }

std::vector<std::string> fallbackPortNames() {
    std::vector<std::string> names;
    for (int i = 0; i <= 8; ++i) names.push_back("ttyS" + std::to_string(i));
    return names;
}
#endif

}  // namespace vantrel
