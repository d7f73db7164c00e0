// The macro file CmdConfig (10,258,000 bytes). The input is either the whole
// file (so it is always short) or a patch laid over a valid file, which may
// also be cut short or padded. A file loads exactly when it holds 100 records
// with their marks; a loaded file is written back byte for byte; a bad one is
// reported once, kept aside, reset and rewritten whole, and then loads.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "common/counted_string.h"
#include "common/messages.h"
#include "fuzz_support.h"
#include "macros/macro_store.h"

using namespace vantrel;
using namespace vantrel::macro_layout;

namespace {

struct RecordedMessages : Messages {
    std::vector<std::pair<std::string, std::string>> shown;
    void info(const std::string& text, const std::string& detail) override { shown.emplace_back(text, detail); }
};

const std::vector<std::uint8_t>& resetImage() {
    static const std::vector<std::uint8_t> image = [] {
        MacroStore fresh;
        return std::vector<std::uint8_t>(fresh.data(), fresh.data() + kStoreSize);
    }();
    return image;
}

bool fileEquals(const std::string& path, const std::uint8_t* data, std::size_t size) {
    static std::string file;  // reused: a fresh 10 MB buffer a run costs more than the run
    fuzz::readFile(path, file);
    return file.size() == size && std::memcmp(file.data(), data, size) == 0;
}

std::uint32_t take24(const std::uint8_t*& p) {
    const std::uint32_t v = std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16;
    p += 3;
    return v;
}

// Layout of a patch input: flags, list (1 byte), offset in the record,
// length of the file (3 bytes each), then the bytes laid over the file.
constexpr std::size_t kPatchHeader = 1 + 1 + 3 + 3;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = fuzz::scratch().file(kMacroFileName);
    static std::vector<std::uint8_t> file;
    if (size >= kPatchHeader && (data[0] & 1)) {
        const std::uint8_t flags = data[0];
        const std::uint8_t* p = data + 1;
        const std::size_t list = *p++ % kLists;
        const std::size_t at = list * kRecordSize + take24(p) % kRecordSize;
        std::size_t length = kStoreSize;
        const std::uint32_t lengthField = take24(p);
        if (flags & 2) length = lengthField % kStoreSize;                // cut short
        else if (flags & 4) length = kStoreSize + lengthField % 4096;  // padded behind
        file.assign(resetImage().begin(), resetImage().end());
        file.resize(std::max(file.size(), at + (size - kPatchHeader)), 0);
        std::copy(p, data + size, file.begin() + std::ptrdiff_t(at));
        file.resize(length, 0);
    } else {
        file.assign(data, data + size);
    }
    fuzz::writeFile(path, file.data(), file.size());

    bool valid = file.size() >= kStoreSize;
    for (int n = 0; valid && n < kLists; ++n)
        valid = getLe32(file.data() + std::size_t(n) * kRecordSize + kListMarkOffset) == kListMark;

    // Stores live across runs: every load starts by clearing the whole block.
    static MacroStore store;
    FUZZ_CHECK(store.readFile(path) == valid);
    if (valid) {
        FUZZ_CHECK(std::memcmp(store.data(), file.data(), kStoreSize) == 0);
        // A damaged length byte reads as the field's capacity.
        for (int n = 1; n <= kLists; ++n) {
            FUZZ_CHECK(store.GetListName(n).size() <= kListNameCapacity);
            FUZZ_CHECK(store.GetCmdLine(n, kMacros).size() <= kCmdLineCapacity);
            FUZZ_CHECK(store.GetHelpLine(n, kMacros, kHelpLines).size() <= kHelpLineCapacity);
        }
        const std::string saved = fuzz::scratch().file("CmdConfig.saved");
        FUZZ_CHECK(store.writeFile(saved).ok);
        FUZZ_CHECK(fileEquals(saved, file.data(), kStoreSize));

        RecordedMessages messages;
        FUZZ_CHECK(store.LoadMacroStore(messages, path));
        FUZZ_CHECK(messages.shown.empty());
        FUZZ_CHECK(fileEquals(path, file.data(), file.size()));  // a good file is not rewritten
        return 0;
    }

    // The readable part: the records in front of the first bad one.
    std::size_t good = 0;
    while (good < std::size_t(kLists) && file.size() >= (good + 1) * kRecordSize &&
           getLe32(file.data() + good * kRecordSize + kListMarkOffset) == kListMark)
        ++good;
    FUZZ_CHECK(good == 0 || std::memcmp(store.data(), file.data(), good * kRecordSize) == 0);

    // The bad file is reported once and, unless empty, kept aside whole.
    const std::string kept = path + ".bak";
    RecordedMessages messages;
    FUZZ_CHECK(!store.LoadMacroStore(messages, path));
    FUZZ_CHECK(messages.shown.size() == 1);
    FUZZ_CHECK(messages.shown[0].first == kMacroFileBadText);
    if (file.empty()) {
        FUZZ_CHECK(messages.shown[0].second.empty());
    } else {
        FUZZ_CHECK(messages.shown[0].second == kMacroFileKeptText + kept);
        FUZZ_CHECK(fileEquals(kept, file.data(), file.size()));
        std::remove(kept.c_str());
    }
    // Reset lists: every text empty (the bytes behind the counts carry no
    // meaning and may keep what the bad file held), names and marks set.
    for (int n = 1; n <= kLists; ++n) {
        FUZZ_CHECK(store.GetListName(n) == "List " + std::to_string(n));
        FUZZ_CHECK(store.GetListMark(n) == kListMark);
        for (int k = 1; k <= kMacros; ++k) {
            FUZZ_CHECK(store.GetCmdName(n, k).empty() && store.GetCmdLine(n, k).empty());
            for (int h = 1; h <= kHelpLines; ++h) FUZZ_CHECK(store.GetHelpLine(n, k, h).empty());
        }
    }
    FUZZ_CHECK(fileEquals(path, store.data(), kStoreSize));

    static MacroStore reloaded;
    FUZZ_CHECK(reloaded.readFile(path));
    return 0;
}
