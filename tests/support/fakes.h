#pragma once
// Fakes for the window's seams: a clock the test sets, recorded messages.
#include <QEventLoop>
#include <QTimer>

#include <cstdint>
#include <string>
#include <vector>

#include "common/clock.h"
#include "common/messages.h"

namespace vantrel::test {

class FakeClock final : public Clock {
public:
    LocalTime time{2024, 3, 5, 2, 9, 7, 3, 0};  // Tuesday 5 March 2024 09:07:03.000
    std::int64_t mono = 1'000'000;
    LocalTime now() const override { return time; }
    std::int64_t monotonicMs() const override { return mono; }
    // Moves both the wall clock and the steady count forward.
    void advance(int ms);
};

class RecordingMessages final : public Messages {
public:
    struct Entry {
        std::string text, detail;
    };
    std::vector<Entry> shown;
    // While > 0, each box spins a nested event loop for that many ms, so
    // timers tick "during the box" as they do under a real QMessageBox.
    int nestedLoopMs = 0;
    void info(const std::string& text, const std::string& detail = {}) override {
        shown.push_back({text, detail});
        if (nestedLoopMs > 0) {
            QEventLoop loop;
            QTimer::singleShot(nestedLoopMs, &loop, &QEventLoop::quit);
            loop.exec();
        }
    }
    std::vector<std::string> texts() const {
        std::vector<std::string> out;
        for (const auto& e : shown) out.push_back(e.text);
        return out;
    }
};

}  // namespace vantrel::test
