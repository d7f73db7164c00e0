// Times loading and saving the whole macro store (10,258,000 bytes) in a
// scratch directory. Prints the figures; the target is under 50 ms each.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

#include "common/messages.h"
#include "macros/macro_store.h"

namespace {

struct Quiet final : vantrel::Messages {
    int count = 0;
    void info(const std::string&, const std::string&) override { ++count; }
};

double msSince(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

void print(const char* what, std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    std::printf("%-34s min %7.2f ms   median %7.2f ms   max %7.2f ms   (%zu runs)\n", what, ms.front(),
                ms[ms.size() / 2], ms.back(), ms.size());
}

}  // namespace

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    const fs::path dir = fs::temp_directory_path() / ("macro_store_bench_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::string path = (dir / vantrel::kMacroFileName).string();

    vantrel::MacroStore store;
    Quiet msgs;
    for (int n = 1; n <= 100; ++n)
        for (int k = 1; k <= 48; ++k) store.SetCmdLine(n, k, "AT+CMD" + std::to_string(n * 100 + k));

    std::vector<double> save, load, startup;
    for (int i = 0; i < runs; ++i) {
        auto t0 = std::chrono::steady_clock::now();
        store.SaveMacroStore(msgs, path);
        save.push_back(msSince(t0));

        vantrel::MacroStore loaded;
        t0 = std::chrono::steady_clock::now();
        loaded.LoadMacroStore(msgs, path);
        load.push_back(msSince(t0));
    }
    for (int i = 0; i < std::min(runs, 5); ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        vantrel::MacroStore fresh;  // allocation and reset, as at start-up
        startup.push_back(msSince(t0));
    }
    fs::remove_all(dir);

    std::printf("macro store: %zu bytes, file in %s\n", vantrel::macro_layout::kStoreSize,
                fs::temp_directory_path().c_str());
    print("save (write, fsync, rename)", save);
    print("load (one read, 100 marks)", load);
    print("allocate and reset", startup);
    if (msgs.count != 0) std::printf("warning: %d messages were shown during the runs\n", msgs.count);
    return msgs.count == 0 ? 0 : 1;
}
