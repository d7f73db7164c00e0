#pragma once
// What the window benchmarks share: running the event loop for a while or
// until a condition holds, and the longest stall of the event loop.
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <chrono>

namespace vantrel::bench {

using Steady = std::chrono::steady_clock;

inline double msSince(Steady::time_point t0) {
    return std::chrono::duration<double, std::milli>(Steady::now() - t0).count();
}

inline void runFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Runs the event loop until `done` holds (checked every 2 ms) or `ms` pass.
template <typename Pred>
bool runUntil(Pred done, int ms) {
    QEventLoop loop;
    QTimer check;
    check.setTimerType(Qt::PreciseTimer);
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done()) loop.quit();
    });
    check.start(2);
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
    return done();
}

// The longest gap between the ticks of a 1 ms timer: how long the event loop
// did not answer.
class StallProbe {
public:
    StallProbe() {
        timer_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            worst_ = std::max(worst_, clock_.nsecsElapsed() / 1e6);
            clock_.restart();
        });
        clock_.start();
        timer_.start(1);
    }
    double worstMs() const { return worst_; }

private:
    QTimer timer_;
    QElapsedTimer clock_;
    double worst_ = 0;
};

}  // namespace vantrel::bench
