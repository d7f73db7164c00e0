#ifdef _WIN32

#include "serial/port_list.h"
#include "serial/port_list_windows.h"

#include "serial/serial_port.h"

namespace vantrel {

namespace {

// Full rights, not just reading: without administrator rights the key stays
// closed, the list comes out empty and the user is told to pick a port by hand.
constexpr REGSAM kSerialMapAccess = KEY_ALL_ACCESS;
constexpr char kSerialMapPath[] = "HARDWARE\\DEVICEMAP\\SERIALCOMM";

// The text of a string value up to its first zero; nothing for other types.
bool readText(HKEY key, const std::string& name, std::string& text) {
    std::string data(64, '\0');
    for (;;) {
        DWORD type = 0;
        DWORD size = DWORD(data.size());
        const LONG r = ::RegQueryValueExA(key, name.c_str(), nullptr, &type,
                                          reinterpret_cast<BYTE*>(data.data()), &size);
        if (r == ERROR_MORE_DATA) {
            data.resize(std::size_t(size) + 1);
            continue;
        }
        if (r != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return false;
        data.resize(size);
        text = data.substr(0, data.find('\0'));
        return true;
    }
}

}  // namespace

std::vector<std::string> listRegistryPortNames(HKEY root, const char* path, REGSAM access) {
    std::vector<std::string> ports;
    HKEY key = nullptr;
    if (::RegOpenKeyExA(root, path, 0, access, &key) != ERROR_SUCCESS) return ports;

    std::vector<std::string> names;
    std::string name(16384, '\0');  // the longest value name the registry allows, and its zero
    for (DWORD i = 0;; ++i) {
        DWORD length = DWORD(name.size());
        const LONG r = ::RegEnumValueA(key, i, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
        if (r != ERROR_SUCCESS) break;
        names.push_back(name.substr(0, length));
    }
    for (const std::string& n : names) {
        std::string text;
        if (readText(key, n, text)) ports.push_back(text);
    }
    ::RegCloseKey(key);
    return ports;
}

std::vector<std::string> listSerialPorts() {
    return listRegistryPortNames(HKEY_LOCAL_MACHINE, kSerialMapPath, kSerialMapAccess);
}

std::vector<std::string> fallbackPortNames() {
    std::vector<std::string> names;
    for (int i = 1; i <= 9; ++i) names.push_back("COM" + std::to_string(i));
    return names;
}

// "COM3" is opened as it stands (see the port's open).
std::string portDevicePath(const std::string& name) { return name; }
std::string shortPortName(const std::string& name) { return name; }

}  // namespace vantrel

#endif  // _WIN32
