#pragma once
// The settings of this run as one record: read at start-up, gathered from the
// controls and written back at close. Fields the window does not gather keep
// what was loaded.
#include <string>

#include "common/config_image.h"

namespace vantrel {

class ConfigRecord {
public:
    ConfigImage image;
    // Why the existing file was not used (Russian); empty when it loaded, was
    // missing, or held the zero record of a start that never closed.
    std::string unusableReason;
    // The file exists but could not be read: it is left as it is at close.
    bool leaveFileAlone = false;

    // Reads the file in the working directory; a missing file is created with
    // a zero record. True when a usable record was read (then apply it).
    bool load(const std::string& path = kConfigFileName);
    // Writes the image; returns the reason on failure, else "".
    std::string save(const std::string& path = kConfigFileName) const;
};

}  // namespace vantrel
