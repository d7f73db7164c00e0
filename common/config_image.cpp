#include "common/config_image.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#ifdef __unix__
#include <unistd.h>
#elif defined(_WIN32)
#include <io.h>
#endif

#include "common/counted_string.h"
#include "common/io_error.h"

namespace vantrel {

namespace {

constexpr std::size_t kExtensionName = kConfigRecordSize;
constexpr std::size_t kExtensionBaud = kConfigRecordSize + kFullPortNameCapacity + 1;
constexpr std::size_t kFileWithExtension = kConfigRecordSize + kConfigExtensionSize;

std::string errnoText() { return ioErrorText(errno); }

}  // namespace

bool ConfigImage::isAllZero() const {
    return std::all_of(record_.begin(), record_.end(), [](std::uint8_t b) { return b == 0; });
}

std::int32_t ConfigImage::int32At(std::size_t at) const { return getLe32(record_.data() + at); }

void ConfigImage::setInt32At(std::size_t at, std::int32_t v) { putLe32(record_.data() + at, v); }

std::string ConfigImage::textAt(std::size_t at) const {
    return readCounted(record_.data() + at, kConfigTextCapacity);
}

void ConfigImage::setTextAt(std::size_t at, std::string_view text) {
    writeCounted(record_.data() + at, kConfigTextCapacity, text);
}

std::string ConfigImage::recordPortName() const {
    // The fifth character position is always zeroed, and the text ends at a zero byte.
    std::string name = readCounted(record_.data() + config_offset::PortName, kPortNameCapacity);
    if (name.size() > kRestoredPortChars) name.resize(kRestoredPortChars);
    const auto nul = name.find('\0');
    if (nul != std::string::npos) name.resize(nul);
    return name;
}

std::string ConfigImage::portName() const {
    return fullPortName_.empty() ? recordPortName() : fullPortName_;
}

void ConfigImage::setPortName(std::string_view name) {
    writeCounted(record_.data() + config_offset::PortName, kPortNameCapacity, name);
    record_[config_offset::PortName + kPortNameCapacity] = 0;
    fullPortName_.assign(name.substr(0, kFullPortNameCapacity));
}

bool ConfigImage::needsExtension() const {
    return fullPortName_.size() > kRestoredPortChars || typedBaud_ != 0;
}

std::vector<std::uint8_t> ConfigImage::fileBytes() const {
    std::vector<std::uint8_t> out(record_.begin(), record_.end());
    if (!needsExtension()) return out;
    out.resize(kFileWithExtension, 0);
    writeCounted(out.data() + kExtensionName, kFullPortNameCapacity, fullPortName_);
    putLe32(out.data() + kExtensionBaud, std::int32_t(typedBaud_));
    return out;
}

bool ConfigImage::loadFileBytes(const std::vector<std::uint8_t>& bytes) {
    if (bytes.size() < kConfigRecordSize) return false;
    std::copy_n(bytes.begin(), kConfigRecordSize, record_.begin());
    record_[config_offset::PortName + kPortNameCapacity] = 0;
    fullPortName_.clear();
    typedBaud_ = 0;
    if (bytes.size() >= kFileWithExtension) {
        // The block counts only when it continues this record's name; a
        // record rewritten by another program without it is left alone.
        std::string full = readCounted(bytes.data() + kExtensionName, kFullPortNameCapacity);
        const auto baud = std::uint32_t(getLe32(bytes.data() + kExtensionBaud));
        // Only a block that a save writes back counts, so that the name loaded
        // is the name the next start finds.
        if (full.rfind(recordPortName(), 0) == 0 && (full.size() > kRestoredPortChars || baud != 0)) {
            fullPortName_ = std::move(full);
            typedBaud_ = baud;
        }
    }
    return true;
}

ConfigReadResult readConfigFile(const std::string& path) {
    ConfigReadResult result;
    std::error_code ec;
    if (!std::filesystem::exists(path, ec) && !ec) {
        result.status = ConfigReadStatus::Missing;
        return result;
    }
    result.status = ConfigReadStatus::Unusable;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        result.reason = errnoText();
        result.readFailed = true;
        return result;
    }
    std::vector<std::uint8_t> bytes(kFileWithExtension);
    const std::size_t got = std::fread(bytes.data(), 1, bytes.size(), f);
    const bool failed = std::ferror(f) != 0;
    if (failed) {
        result.reason = errnoText();
        result.readFailed = true;
    }
    std::fclose(f);
    if (failed) return result;
    bytes.resize(got);
    if (!result.image.loadFileBytes(bytes)) {
        result.reason = "в файле " + std::to_string(got) + " байт, а запись настроек занимает " +
                        std::to_string(kConfigRecordSize);
        return result;
    }
    if (result.image.isAllZero()) {
        result.image = ConfigImage{};
        return result;
    }
    result.status = ConfigReadStatus::Loaded;
    return result;
}

std::string writeConfigFile(const std::string& path, const ConfigImage& image) {
    const std::string temp = path + ".tmp";
    const std::vector<std::uint8_t> bytes = image.fileBytes();
    std::FILE* f = std::fopen(temp.c_str(), "wb");
    if (!f) return errnoText();
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size() && std::fflush(f) == 0;
#ifdef __unix__
    ok = ok && ::fsync(::fileno(f)) == 0;  // the rename must not land before the data
#elif defined(_WIN32)
    ok = ok && ::_commit(::_fileno(f)) == 0;
#endif
    std::string reason = ok ? std::string() : errnoText();
    if (std::fclose(f) != 0 && ok) {
        ok = false;
        reason = errnoText();
    }
    std::error_code ec;
    if (ok) {
        std::filesystem::rename(temp, path, ec);
        if (!ec) return {};
        reason = ioErrorText(ec.value());
    }
    std::filesystem::remove(temp, ec);
    return reason;
}

}  // namespace vantrel
