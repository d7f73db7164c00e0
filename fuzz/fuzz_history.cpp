// The history file OldCmd: any file content loads; the history holds the
// complete records of the file and free slots behind them, and a save writes
// exactly the 12800 bytes of the image. A command sent afterwards lands in
// slot 1 and the file keeps its size.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "tx/history.h"

using namespace vantrel;

namespace {

bool sameBytes(const SentHistory& h, const std::string& file) {
    const auto& img = h.image();
    return file.size() == img.size() &&
           std::equal(img.begin(), img.end(), file.begin(),
                      [](std::uint8_t b, char c) { return b == std::uint8_t(c); });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = fuzz::scratch().file(SentHistory::kFileName);
    fuzz::writeFile(path, data, size);

    SentHistory h;
    const SentHistory::LoadResult loaded = h.load(path);
    FUZZ_CHECK(loaded.outcome == SentHistory::LoadOutcome::Loaded);

    const std::size_t whole =
        std::min(size / SentHistory::kSlotBytes * SentHistory::kSlotBytes, SentHistory::kFileBytes);
    const auto& img = h.image();
    FUZZ_CHECK(std::equal(data, data + whole, img.begin()));
    FUZZ_CHECK(std::all_of(img.begin() + std::ptrdiff_t(whole), img.end(), [](std::uint8_t b) { return b == 0; }));

    // The used slots are the ones with a length, in slot order.
    std::size_t used = 0;
    const std::vector<std::string> texts = h.usedTexts();
    for (int i = 1; i <= SentHistory::kSlots; ++i) {
        if (img[std::size_t(i - 1) * SentHistory::kSlotBytes] == 0) continue;
        FUZZ_CHECK(used < texts.size() && texts[used] == h.slot(i));
        ++used;
    }
    FUZZ_CHECK(texts.size() == used);

    FUZZ_CHECK(h.save(path).outcome == SentHistory::SaveOutcome::Saved);
    FUZZ_CHECK(sameBytes(h, fuzz::readFile(path)));

    // A send taken from the tail of the input (the history keeps only texts
    // shorter than its capacity).
    const std::size_t n = size % 300;
    const std::string_view sent(reinterpret_cast<const char*>(data) + (size - std::min(n, size)),
                                std::min(n, size));
    const auto before = h.image();
    h.record(sent);
    if (!sent.empty() && sent.size() < SentHistory::kCapacity) {
        FUZZ_CHECK(h.slot(1) == sent);
    } else {
        FUZZ_CHECK(h.image() == before);
    }
    FUZZ_CHECK(h.save(path).outcome == SentHistory::SaveOutcome::Saved);
    FUZZ_CHECK(sameBytes(h, fuzz::readFile(path)));

    SentHistory reloaded;
    FUZZ_CHECK(reloaded.load(path).outcome == SentHistory::LoadOutcome::Loaded);
    FUZZ_CHECK(reloaded.image() == h.image());
    return 0;
}
