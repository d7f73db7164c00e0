#include "tx/history.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>

#include "common/counted_string.h"
#include "common/io_error.h"

namespace vantrel {

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Writes the whole image to a new file at `path`; false with errno kept.
bool writeWhole(const std::string& path, const std::uint8_t* data, std::size_t n) {
    errno = 0;
    std::FILE* raw = std::fopen(path.c_str(), "wb");
    if (!raw) return false;
    const bool written = std::fwrite(data, 1, n, raw) == n;
    int err = errno;
    const bool flushed = std::fflush(raw) == 0;
    if (written && !flushed) err = errno;
    const bool closed = std::fclose(raw) == 0;
    if (written && flushed && !closed) err = errno;
    errno = err;
    return written && flushed && closed;
}

}  // namespace

std::string SentHistory::slot(int i) const {
    if (i < 1 || i > kSlots) return {};
    return readCounted(field(i), kCapacity);
}

void SentHistory::setSlot(int i, std::string_view text) {
    if (i < 1 || i > kSlots) return;
    writeCounted(field(i), kCapacity, text);
}

std::vector<std::string> SentHistory::usedTexts() const {
    std::vector<std::string> out;
    for (int i = 1; i <= kSlots; ++i)
        if (field(i)[0] != 0) out.push_back(slot(i));
    return out;
}

void SentHistory::record(std::string_view text) {
    // Long texts never enter the history; an empty one would match free slots.
    if (text.empty() || text.size() >= kCapacity) return;
    int s = kSlots;
    for (int i = 1; i <= kSlots; ++i)
        if (slot(i) == text) s = i;
    for (int i = s - 1; i >= 1; --i) setSlot(i + 1, slot(i));
    setSlot(1, text);
}

void SentHistory::setImage(std::string_view bytes) {
    image_.fill(0);
    std::size_t whole = (bytes.size() / kSlotBytes) * kSlotBytes;
    if (whole > kFileBytes) whole = kFileBytes;
    for (std::size_t k = 0; k < whole; ++k) image_[k] = static_cast<std::uint8_t>(bytes[k]);
}

SentHistory::LoadResult SentHistory::load(const std::string& path) {
    loadedUnreadable_ = false;
    image_.fill(0);
    std::error_code ec;
    const bool exists = std::filesystem::exists(path, ec);
    if (ec) {
        loadedUnreadable_ = true;
        return {LoadOutcome::Unreadable, ioErrorText(ec.value())};
    }
    if (!exists) {
        if (!writeWhole(path, image_.data(), image_.size()))
            return {LoadOutcome::CreateFailed, ioErrorText(errno)};
        return {LoadOutcome::Created, {}};
    }
    errno = 0;
    File f(std::fopen(path.c_str(), "rb"));
    if (!f) {
        loadedUnreadable_ = true;
        return {LoadOutcome::Unreadable, ioErrorText(errno)};
    }
    std::string bytes(kFileBytes, '\0');
    const std::size_t got = std::fread(bytes.data(), 1, bytes.size(), f.get());
    if (std::ferror(f.get())) {
        loadedUnreadable_ = true;
        return {LoadOutcome::Unreadable, ioErrorText(errno)};
    }
    bytes.resize(got);
    setImage(bytes);
    return {LoadOutcome::Loaded, {}};
}

SentHistory::SaveResult SentHistory::save(const std::string& path) const {
    if (loadedUnreadable_) return {SaveOutcome::SkippedUnreadable, {}};
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
        if (ec) return {SaveOutcome::Failed, ioErrorText(ec.value())};
        return {SaveOutcome::SkippedMissing, {}};
    }
    // A new file renamed over the old one: a failed write never leaves a
    // truncated history behind.
    const std::string temp = path + ".new";
    if (!writeWhole(temp, image_.data(), image_.size())) {
        const int err = errno;
        std::filesystem::remove(temp, ec);
        return {SaveOutcome::Failed, ioErrorText(err)};
    }
    std::filesystem::rename(temp, path, ec);
    if (ec) {
        const int err = ec.value();
        std::filesystem::remove(temp, ec);
        return {SaveOutcome::Failed, ioErrorText(err)};
    }
    return {SaveOutcome::Saved, {}};
}

}  // namespace vantrel
