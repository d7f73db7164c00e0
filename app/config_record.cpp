#include "app/config_record.h"

namespace vantrel {

bool ConfigRecord::load(const std::string& path) {
    ConfigReadResult r = readConfigFile(path);
    if (r.status == ConfigReadStatus::Missing) {
        image = ConfigImage{};
        // Created silently; a failure here surfaces at the save when closing.
        writeConfigFile(path, image);
        return false;
    }
    image = std::move(r.image);  // zeros unless loaded
    unusableReason = r.status == ConfigReadStatus::Loaded ? std::string() : r.reason;
    leaveFileAlone = r.readFailed;
    return r.status == ConfigReadStatus::Loaded;
}

std::string ConfigRecord::save(const std::string& path) const { return writeConfigFile(path, image); }

}  // namespace vantrel
