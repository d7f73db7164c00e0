#pragma once
// The port list of Windows, from the registry's map of serial devices.
#ifdef _WIN32

#include <windows.h>

#include <string>
#include <vector>

namespace vantrel {

// The texts of the string values of the key `root`\`path`, in the order the
// registry lists the value names; none when the key does not open with
// `access` (the key is never created).
std::vector<std::string> listRegistryPortNames(HKEY root, const char* path, REGSAM access);

}  // namespace vantrel

#endif  // _WIN32
