#pragma once
// Shared by the fuzz targets: a scratch folder for the loaders that read
// files by name, whole-file helpers, and a check that stops the run.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <system_error>

#include <unistd.h>

namespace fuzz {

// A failed invariant is a finding: libFuzzer records the input on abort.
[[noreturn]] inline void fail(const char* what, const char* file, int line) {
    std::fprintf(stderr, "invariant broken at %s:%d: %s\n", file, line, what);
    std::abort();
}

#define FUZZ_CHECK(cond) ((cond) ? void(0) : ::fuzz::fail(#cond, __FILE__, __LINE__))

// One folder per process under $TMPDIR, removed when the run ends.
class ScratchDir {
public:
    ScratchDir() {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/vantrel-fuzz-XXXXXX";
        if (!::mkdtemp(pattern.data())) fail("cannot create a scratch folder", __FILE__, __LINE__);
        path_ = pattern;
    }
    ~ScratchDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    std::string file(std::string_view name) const { return path_ + "/" + std::string(name); }

private:
    std::string path_;
};

inline const ScratchDir& scratch() {
    static ScratchDir dir;
    return dir;
}

inline void writeFile(const std::string& path, const void* data, std::size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(static_cast<const char*>(data), std::streamsize(size));
    out.close();
    if (!out) fail("cannot write a scratch file", __FILE__, __LINE__);
}

// Reads a whole file into `bytes` (reusing its storage).
inline void readFile(const std::string& path, std::string& bytes) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    std::ifstream in(path, std::ios::binary);
    if (ec || !in) fail("cannot read a scratch file", __FILE__, __LINE__);
    bytes.resize(size);
    in.read(bytes.data(), std::streamsize(size));
    if (std::size_t(in.gcount()) != size) fail("scratch file changed while read", __FILE__, __LINE__);
}

inline std::string readFile(const std::string& path) {
    std::string bytes;
    readFile(path, bytes);
    return bytes;
}

}  // namespace fuzz
