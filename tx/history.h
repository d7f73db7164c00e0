#pragma once
// The sent-command history: 50 counted strings of capacity 255, slot 1 the
// most recent, kept as the raw image of the file OldCmd (50 records of 256
// bytes, no header).
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

class SentHistory {
public:
    static constexpr int kSlots = 50;
    static constexpr std::size_t kSlotBytes = 256;
    static constexpr std::size_t kCapacity = kSlotBytes - 1;
    static constexpr std::size_t kFileBytes = kSlots * kSlotBytes;  // 12800
    static constexpr const char* kFileName = "OldCmd";

    // Slot i (1..50) as text; empty for a free slot.
    std::string slot(int i) const;
    // Stores a text in slot i as sending would (cut to 255; leftovers of a
    // longer earlier text stay behind it, as the file format allows).
    void setSlot(int i, std::string_view text);
    // The texts of the used slots, slot 1 first.
    std::vector<std::string> usedTexts() const;

    // Moves text to the front: its last earlier occurrence (or slot 50 when
    // there is none) disappears and the slots above it shift down by one.
    void record(std::string_view text);

    // The raw 12800-byte image, exactly as the file holds it.
    const std::array<std::uint8_t, kFileBytes>& image() const { return image_; }
    // Replaces the image with `bytes`: complete records are taken, the rest
    // of the slots become free (all bytes 0).
    void setImage(std::string_view bytes);

    // ------------------------------------------------------ the file OldCmd
    enum class LoadOutcome {
        Loaded,         // the file existed and was read (possibly short)
        Created,        // the file was missing and has been created empty
        CreateFailed,   // missing, and could not be created (reason set)
        Unreadable,     // exists but could not be read: history left empty
    };
    struct LoadResult {
        LoadOutcome outcome = LoadOutcome::Loaded;
        std::string reason;  // UTF-8, Russian, for the user
    };
    // Start-up: reads `path`, or creates it with 50 free slots.
    LoadResult load(const std::string& path);

    enum class SaveOutcome {
        Saved,
        SkippedMissing,     // the file was removed during the run: not recreated
        SkippedUnreadable,  // it could not be read at start-up: left as it is
        Failed,             // reason set; the file on disk is unchanged
    };
    struct SaveResult {
        SaveOutcome outcome = SaveOutcome::Saved;
        std::string reason;
    };
    // Shutdown: rewrites `path` with the 50 slots if it still exists.
    SaveResult save(const std::string& path) const;

private:
    std::uint8_t* field(int i) { return image_.data() + (i - 1) * kSlotBytes; }
    const std::uint8_t* field(int i) const { return image_.data() + (i - 1) * kSlotBytes; }

    std::array<std::uint8_t, kFileBytes> image_{};
    bool loadedUnreadable_ = false;
};

}  // namespace vantrel
