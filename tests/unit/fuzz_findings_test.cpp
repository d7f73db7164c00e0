// Inputs that the fuzz targets (fuzz/) found breaking an invariant, kept as
// regular tests.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "common/config_image.h"

using namespace vantrel;

namespace {

// A settings file: the record with a port name, then the block behind it
// with a full name and a typed baud rate.
std::vector<std::uint8_t> settingsFile(const std::string& recordName, const std::string& blockName,
                                       std::uint32_t baud) {
    std::vector<std::uint8_t> f(kConfigRecordSize + kConfigExtensionSize, 0);
    f[config_offset::PortName] = std::uint8_t(recordName.size());
    for (std::size_t i = 0; i < recordName.size(); ++i) f[1 + i] = std::uint8_t(recordName[i]);
    f[config_offset::BaudIndex] = 3;  // not an all-zero record
    f[kConfigRecordSize] = std::uint8_t(blockName.size());
    for (std::size_t i = 0; i < blockName.size(); ++i) f[kConfigRecordSize + 1 + i] = std::uint8_t(blockName[i]);
    for (int k = 0; k < 4; ++k) f[kConfigRecordSize + 256 + std::size_t(k)] = std::uint8_t(baud >> (8 * k));
    return f;
}

}  // namespace

// A block whose name is no longer than the record's four characters is never
// written back when no baud rate was typed; the loaded name must then be the
// one a save and a second load give, not a name that vanishes at the next start.
TEST(FuzzFindings, SettingsPortNameSurvivesASaveWhateverTheBlockHolds) {
    struct Case {
        const char* what;
        std::string recordName, blockName;
        std::uint32_t baud;
    };
    const std::vector<Case> cases = {
        {"block of one zero character", std::string(1, '\0'), std::string(1, '\0'), 0},
        {"block longer than the record's name", "CO", "COM", 0},
        {"block naming a long port", "/dev", "/dev/ttyUSB0", 0},
        {"short block with a typed baud rate", "CO", "COM", 250000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ConfigImage loaded;
        ASSERT_TRUE(loaded.loadFileBytes(settingsFile(c.recordName, c.blockName, c.baud)));
        ConfigImage again;
        ASSERT_TRUE(again.loadFileBytes(loaded.fileBytes()));
        EXPECT_EQ(again.portName(), loaded.portName());
        EXPECT_EQ(again.typedBaud(), loaded.typedBaud());
        EXPECT_EQ(again.fileBytes(), loaded.fileBytes());
    }
}
