// The settings file ConfigTerminal: any file content either loads or is
// reported unusable; a loaded record survives a save and a second load
// unchanged, and the saved file has one of the two sizes of the format.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/config_image.h"
#include "fuzz_support.h"

using namespace vantrel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = fuzz::scratch().file(kConfigFileName);
    fuzz::writeFile(path, data, size);
    const ConfigReadResult r = readConfigFile(path);

    // The record as a reader sees it: the fifth name character is never restored.
    std::vector<std::uint8_t> record(data, data + std::min(size, kConfigRecordSize));
    if (record.size() > config_offset::PortName + kPortNameCapacity)
        record[config_offset::PortName + kPortNameCapacity] = 0;
    const bool allZero = std::all_of(record.begin(), record.end(), [](std::uint8_t b) { return b == 0; });

    if (size < kConfigRecordSize || allZero) {
        FUZZ_CHECK(r.status == ConfigReadStatus::Unusable);
        FUZZ_CHECK(size >= kConfigRecordSize || !r.reason.empty());  // a short file says why
        FUZZ_CHECK(r.image.isAllZero());  // nothing of a bad file is used
        return 0;
    }
    FUZZ_CHECK(r.status == ConfigReadStatus::Loaded);
    const ConfigImage& image = r.image;
    FUZZ_CHECK(std::equal(record.begin(), record.end(), image.record().begin()));
    // A damaged length byte reads as the field's capacity.
    FUZZ_CHECK(image.logFilter().size() <= kConfigTextCapacity);
    FUZZ_CHECK(image.commandLine().size() <= kConfigTextCapacity);
    FUZZ_CHECK(image.packetTail().size() <= kConfigTextCapacity);

    // The in-memory entry agrees with the file.
    ConfigImage direct;
    FUZZ_CHECK(direct.loadFileBytes(std::vector<std::uint8_t>(data, data + size)));
    FUZZ_CHECK(direct.fileBytes() == image.fileBytes());

    const std::vector<std::uint8_t> bytes = image.fileBytes();
    FUZZ_CHECK(bytes.size() == (image.needsExtension() ? kConfigRecordSize + kConfigExtensionSize
                                                       : kConfigRecordSize));

    const std::string saved = fuzz::scratch().file("ConfigTerminal.saved");
    FUZZ_CHECK(writeConfigFile(saved, image).empty());
    const std::string onDisk = fuzz::readFile(saved);
    FUZZ_CHECK(onDisk.size() == bytes.size());
    FUZZ_CHECK(std::equal(bytes.begin(), bytes.end(), onDisk.begin(),
                          [](std::uint8_t b, char c) { return b == std::uint8_t(c); }));

    const ConfigReadResult again = readConfigFile(saved);
    FUZZ_CHECK(again.status == ConfigReadStatus::Loaded);
    FUZZ_CHECK(again.image.fileBytes() == bytes);
    FUZZ_CHECK(again.image.portName() == image.portName());
    FUZZ_CHECK(again.image.typedBaud() == image.typedBaud());
    return 0;
}
