// How fast the log view takes lines: short TX lines, the longest HEX lines and
// packets of random bytes shown in ASCII (control characters as pictures),
// shown at the main window's size with the 5000-line bound applied as the
// program applies it. Prints lines per second; not a test.
// Arguments (optional): the number of short lines and of HEX lines (and of random-byte packets).
#include <QApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <random>
#include <string>
#include <vector>

#include "rx/ui/log_view.h"
#include "common/ui/text_codec.h"
#include "rx/log_line.h"

using namespace vantrel;

namespace {

// CPU time of this process: the machine may be shared while the bench runs.
double cpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

struct Result {
    double seconds = 0;
    double cpu = 0;
    int clears = 0;
    int maxLines = 0;
};

// Appends every line, bounds the view after each one, and lets the event
// loop paint every `paintEvery` lines, as the timers of the program would.
Result run(LogView& view, const std::vector<QString>& lines, int paintEvery) {
    Result r;
    view.clearLog();
    QApplication::processEvents();
    QElapsedTimer timer;
    timer.start();
    const double cpuStart = cpuSeconds();
    int i = 0;
    for (const QString& line : lines) {
        view.appendLine(line);
        const int count = view.visualLineCount();
        if (count > r.maxLines) r.maxLines = count;
        if (count > 5000) {
            view.clearLog();
            ++r.clears;
        }
        if (++i % paintEvery == 0) QApplication::processEvents();
    }
    QApplication::processEvents();
    r.seconds = double(timer.nsecsElapsed()) / 1e9;
    r.cpu = cpuSeconds() - cpuStart;
    return r;
}

void report(const char* what, std::size_t n, std::size_t chars, const Result& r) {
    std::printf("%s: %zu lines of %zu chars\n"
                "  wall %.3f s = %.0f lines/s; cpu %.3f s = %.0f lines/s; %d clears, up to %d view lines\n",
                what, n, chars, r.seconds, double(n) / r.seconds, r.cpu, double(n) / r.cpu, r.clears,
                r.maxLines);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int shortCount = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int hexCount = argc > 2 ? std::atoi(argv[2]) : 20000;

    LogView view;
    view.setFont(QFont(QStringLiteral("DejaVu Sans"), 8));
    view.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    view.resize(937, 373);
    view.show();
    QApplication::processEvents();

    LocalTime t{2024, 3, 5, 2, 14, 3, 27, 45};
    std::vector<QString> shortLines;
    shortLines.reserve(std::size_t(shortCount));
    for (int i = 0; i < shortCount; ++i) {
        t.msec = i % 1000;
        std::string text = "AT+CMD=" + std::to_string(100000 + i) + ",";
        text.resize(40, 'x');
        shortLines.push_back(fromCp(completeTxLine(text, true, t)));
    }

    std::mt19937 rng(7);
    std::vector<QString> hexLines;
    hexLines.reserve(std::size_t(hexCount));
    std::vector<std::uint8_t> packet(2048);
    for (int i = 0; i < hexCount; ++i) {
        for (auto& b : packet) b = std::uint8_t(rng());
        hexLines.push_back(fromCp(completeRxLine(renderRx(packet.data(), packet.size(), OutputMode::Hex), false, t)));
    }

    // A packet becomes several view lines: each CR starts one.
    std::vector<QString> randomLines;
    randomLines.reserve(std::size_t(hexCount));
    for (int i = 0; i < hexCount; ++i) {
        for (auto& b : packet) b = std::uint8_t(rng());
        randomLines.push_back(fromCp(completeRxLine(renderRx(packet.data(), packet.size(), OutputMode::Ascii), true, t)));
    }

    std::printf("view %dx%d, font %s %dpt\n", view.width(), view.height(),
                qPrintable(view.font().family()), view.font().pointSize());
    if (!shortLines.empty())
        report("TX lines, painting every 100", shortLines.size(), std::size_t(shortLines[0].size()),
           run(view, shortLines, 100));
    if (!hexLines.empty())
        report("HEX lines, painting every 10", hexLines.size(), std::size_t(hexLines[0].size()),
           run(view, hexLines, 10));
    if (!randomLines.empty())
        report("random-byte packets in ASCII, painting every 10", randomLines.size(),
               std::size_t(randomLines[0].size()), run(view, randomLines, 10));
    return 0;
}
