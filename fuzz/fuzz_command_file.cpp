// Command files: the reader gives the same lines however the file arrives in
// pieces (whole, from disk in 4 KB chunks, or in pieces chosen by the input),
// and every line it keeps is one line of the file within the length limit.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "tx/command_file.h"

using namespace vantrel;

namespace {

bool same(const CommandFile& a, const CommandFile& b) {
    return a.lines == b.lines && a.linesRead == b.linesRead && a.tooBig == b.tooBig && a.utf8 == b.utf8;
}

// Pieces of 1..64 bytes whose sizes come from a generator seeded by the input.
CommandFile readInPieces(std::string_view bytes) {
    std::uint32_t state = 2166136261u;
    for (unsigned char c : bytes.substr(0, 16)) state = (state ^ c) * 16777619u;
    CommandFileReader reader;
    std::size_t at = 0;
    while (at < bytes.size()) {
        state = state * 1664525u + 1013904223u;
        const std::size_t n = std::min<std::size_t>(1 + (state >> 26), bytes.size() - at);
        const bool more = reader.feed(bytes.substr(at, n));
        FUZZ_CHECK(more == !reader.full());
        at += n;
    }
    reader.finish();
    CommandFile file;
    file.linesRead = reader.linesRead();
    file.tooBig = reader.full();
    file.utf8 = reader.utf8();
    file.lines = reader.takeLines();
    return file;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const CommandFile whole = parseCommandFile(bytes);

    FUZZ_CHECK(whole.linesRead <= kMaxCommandFileLines);
    FUZZ_CHECK(whole.lines.size() <= whole.linesRead);
    FUZZ_CHECK(whole.tooBig == (whole.linesRead == kMaxCommandFileLines));
    std::size_t kept = 0;
    for (const std::string& line : whole.lines) {
        FUZZ_CHECK(line.size() <= kMaxCommandLineBytes);
        FUZZ_CHECK(line.find_first_of("\r\n") == std::string::npos);
        FUZZ_CHECK(whole.utf8 || bytes.find(line) != std::string_view::npos);
        kept += line.size();
    }
    FUZZ_CHECK(kept <= size);
    // Every line end of the file (CR LF counted once) ends one line, up to 500.
    if (!whole.tooBig) {
        std::size_t ends = 0;
        for (std::size_t i = 0; i < size; ++i)
            if (bytes[i] == '\n' ? i == 0 || bytes[i - 1] != '\r' : bytes[i] == '\r') ++ends;
        const bool openLast = size > 0 && bytes.back() != '\n' && bytes.back() != '\r';
        FUZZ_CHECK(whole.linesRead == ends + (openLast ? 1 : 0));
    }

    FUZZ_CHECK(same(readInPieces(bytes), whole));

    const std::string path = fuzz::scratch().file("commands.txt");
    fuzz::writeFile(path, data, size);
    const CommandFileResult fromDisk = readCommandFile(path);
    FUZZ_CHECK(fromDisk.ok);
    FUZZ_CHECK(same(fromDisk.content, whole));
    return 0;
}
