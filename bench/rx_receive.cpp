// Figures of the receive side, measured on the real main window (offscreen)
// against a simulated device on a pseudo-terminal:
//   throughput in HEX and ASCII with the log shown, and the bytes lost, from
//   the pty and (throughput-socket) from a loopback TCP listener; the
//   same for random bytes and Windows-1251 Cyrillic text shown in ASCII, with
//   the CPU each megabyte costs;
//   the longest time the event loop did not answer meanwhile;
//   CPU use while connected and idle, and while a 92 KB/s stream arrives
//   (text from the simulated device; text and random bytes alternately;
//   text that the log's filter keeps out), over its first seconds and once it has settled;
//   the delay from the device's last byte to the RX line in the view, and
//   to the line painted;
//   round trips per second in the after-answer mode against an echo.
// Usage: bench_rx_receive [--quick] [throughput] [throughput-hex|-ascii|-random|-cyrillic|-socket] [paced] [cpu]
//        [cpu-random] [cpu-random-only] [cpu-filtered] [delay] [roundtrip]
#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QPaintEvent>
#include <QProcess>
#include <QRadioButton>
#include <QTextBlock>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <random>
#include <thread>
#include <vector>

#include "bench/event_loop.h"
#include "common/ui/text_codec.h"
#include "rx/ui/log_view.h"
#include "rx/ui/receive_part.h"
#include "support/form_rig.h"
#include "support/net_rig.h"
#include "rx/receiver.h"
#include "rx/stats.h"

using namespace vantrel;
using test::FormRig;
using namespace vantrel::bench;

namespace {

// Time the virtual machine's host ran something else while this machine wanted to run.
double stealMs() {
    QFile stat(QStringLiteral("/proc/stat"));
    if (!stat.open(QIODevice::ReadOnly)) return 0;
    const QList<QByteArray> fields = stat.readLine().simplified().split(' ');
    // cpu user nice system idle iowait irq softirq steal, in clock ticks
    return fields.size() > 8 ? fields[8].toDouble() * 1000.0 / double(sysconf(_SC_CLK_TCK)) : 0;
}

double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// What the device sends: HEX shows random bytes as HEX; the others are shown in ASCII.
enum class Stream { Hex, Ascii, Random, Cyrillic };

const char* streamName(Stream s) {
    switch (s) {
    case Stream::Hex: return "HEX";
    case Stream::Ascii: return "ASCII";
    case Stream::Random: return "random bytes";
    case Stream::Cyrillic: return "Cyrillic";
    }
    return "";
}

void prepare(FormRig& rig, Stream stream, int timeoutMs) {
    rig.form().show();  // painted like a window on a screen (offscreen platform)
    rig.check(stream == Stream::Hex ? "RBHEX" : "RBASCII");
    rig.check("VisTime");
    rig.fill("FiltrLog", {});
    rig.setRxTimeoutMs(timeoutMs);
}

// Lines of 64 bytes, CR LF at their end, cut from `text` going round.
std::string textLines(const std::string& text, std::size_t n) {
    std::string s(n, '\0');
    for (std::size_t i = 0, at = 0; i < n; ++i)
        s[i] = i % 64 == 62 ? '\r' : i % 64 == 63 ? '\n' : text[at++ % text.size()];
    return s;
}

std::string payload(Stream stream, std::size_t n) {
    switch (stream) {
    case Stream::Hex:
    case Stream::Random: {
        std::string s(n, '\0');
        std::mt19937 rng(7);
        for (auto& c : s) c = char(rng() & 0xFF);
        return s;
    }
    case Stream::Ascii:
        // Text lines, as a chatty device prints them.
        return textLines("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", n);
    case Stream::Cyrillic:
        return textLines(toCp(QString::fromUtf8("Датчик T3: температура 21,5 °C, давление 745 мм рт. ст., "
                                                "влажность 40 %. Связь в норме, ошибок нет. ")),
                         n);
    }
    return {};
}

double threadCpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_THREAD, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// (a) and (e): the device writes as fast as the pty (or, `overSocket`, a
// loopback TCP connection to a socket:// port) takes bytes.
// CPU per MB: of the process, less the device's writer thread.
void throughput(Stream stream, std::size_t total, bool overSocket = false) {
    FormRig rig({.systemClock = true});
    test::LoopbackListener server;
    if (overSocket) {
        if (server.listen()) {
            rig.fill("ComPort", server.url());
            rig.click("BTConnect");
            server.accept();
            runUntil([&] { return rig.portOpen(); }, 5000);
        }
    } else {
        rig.openDevice();
    }
    if (!rig.portOpen()) {
        std::printf("throughput: cannot open the %s\n", overSocket ? "socket:// port" : "pty");
        return;
    }
    prepare(rig, stream, 0);
    const auto send = [&](std::string_view bytes) {
        return overSocket ? server.write(bytes) : rig.device.write(bytes);
    };
    const std::string data = payload(stream, total);
    StallProbe probe;
    const double cpu0 = cpuSeconds();
    const auto t0 = Steady::now();
    std::atomic<bool> writerOk{true};
    std::atomic<double> writerCpu{0};
    std::thread writer([&] {
        for (std::size_t at = 0; at < data.size(); at += 65536)
            if (!send(std::string_view(data).substr(at, 65536))) writerOk = false;
        writerCpu = threadCpuSeconds();
    });
    double lastByteMs = 0;
    runUntil([&] {
        if (rig.rxBytes() >= std::int64_t(total) && lastByteMs == 0) lastByteMs = msSince(t0);
        return lastByteMs > 0 && rig.rxLen() == 0;
    }, 120000);
    writer.join();
    const double cpu = cpuSeconds() - cpu0 - writerCpu;
    runFor(50);
    const std::int64_t lost = std::int64_t(total) - rig.rxBytes();
    std::printf("(a) %-12s%s with the log shown: %zu bytes in %.0f ms = %.2f MB/s, %.3f s CPU per MB, %lld lines, "
                "lost %lld bytes%s\n",
                streamName(stream), overSocket ? " over socket://" : "", total, lastByteMs,
                lastByteMs > 0 ? total / lastByteMs / 1000.0 : 0.0,
                cpu / (double(total) / 1e6), static_cast<long long>(rig.readCount()),
                static_cast<long long>(lost), writerOk ? "" : " (the device could not write everything)");
    std::printf("(e) %-12s%s longest event-loop stall during the transfer: %.1f ms\n", streamName(stream),
                overSocket ? " over socket://" : "", probe.worstMs());
}

// (a) paced: the device sends at a fixed rate and drops what the pty refuses,
// as a UART overruns when the program does not read in time.
void pacedThroughput(Stream stream, std::uint32_t rate, int seconds) {
    FormRig rig({.systemClock = true});
    if (!rig.openDevice()) return;
    prepare(rig, stream, 0);
    const std::size_t total = std::size_t(rate) * std::size_t(seconds);
    const std::string data = payload(stream, total);
    std::atomic<std::size_t> refused{0};
    // The device's own hiccups: a late writer piles up what a UART would have spread out.
    std::atomic<double> writerWorstGapMs{0}, firstRefusalMs{-1};
    StallProbe probe;
    const double steal0 = stealMs();
    std::thread writer([&] {
        const auto t0 = Steady::now();
        std::size_t sent = 0;
        double last = 0;
        while (sent < total) {
            std::this_thread::sleep_for(std::chrono::microseconds(500));
            const double now = msSince(t0);
            writerWorstGapMs = std::max(writerWorstGapMs.load(), now - last);
            last = now;
            const std::size_t due = std::min<std::size_t>(total, std::size_t(now * rate / 1000.0));
            if (due <= sent) continue;
            const std::size_t n = due - sent;
            const std::size_t written = rig.device.writeNow(std::string_view(data).substr(sent, n));
            if (written < n && firstRefusalMs < 0) firstRefusalMs = now;
            refused += n - written;
            sent = due;
        }
    });
    runUntil([&] { return rig.rxBytes() + std::int64_t(refused) >= std::int64_t(total) && rig.rxLen() == 0; },
             seconds * 1000 + 20000);
    writer.join();
    runFor(50);
    const std::int64_t lost = std::int64_t(total) - rig.rxBytes();
    std::printf("(a) %-5s paced at %.2f MB/s for %d s: received %lld of %zu bytes, lost %lld\n", streamName(stream),
                rate / 1e6, seconds, static_cast<long long>(rig.rxBytes()), total, static_cast<long long>(lost));
    std::printf("    longest event-loop stall %.1f ms, longest pause of the device's writer %.1f ms, "
                "time stolen from this machine by its host %.0f ms%s\n",
                probe.worstMs(), writerWorstGapMs.load(), stealMs() - steal0,
                lost > 0 ? qPrintable(QString(", first refusal at %1 ms").arg(firstRefusalMs.load(), 0, 'f', 0)) : "");
}

// The simulated device as its own process, so that its work is not counted.
class SimDevice {
public:
    bool start() {
        QString exe = qEnvironmentVariable("VANTREL_SIMDEV");
        if (exe.isEmpty()) exe = QCoreApplication::applicationDirPath() + "/../vantrel-simdev";
        process_.start(exe, {});
        if (!process_.waitForStarted(5000)) return false;
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 5000) {
            if (!process_.canReadLine()) process_.waitForReadyRead(100);
            while (process_.canReadLine()) {
                const QStringList words = QString::fromUtf8(process_.readLine()).trimmed().split(u' ');
                if (words.size() == 3 && words[0] == QLatin1String("plugged")) {
                    pty_ = words[2].toStdString();
                    return true;
                }
            }
        }
        return false;
    }
    void command(const char* line) {
        process_.write(line);
        process_.write("\n");
        process_.waitForBytesWritten(1000);
    }
    const std::string& pty() const { return pty_; }
    ~SimDevice() {
        if (process_.state() != QProcess::NotRunning) {
            command("quit");
            if (!process_.waitForFinished(2000)) process_.kill();
        }
    }

private:
    QProcess process_;
    std::string pty_;
};

// (b): CPU of this process while a 92 KB/s stream paced by the simulated device arrives: over the
// stream's first `seconds`, and over as long again once it has run kSettleSeconds. The first
// figure carries what a window pays once, with its first stream: the glyphs of every character
// drawn at each subpixel offset, the fonts that draw the characters the log font lacks.
void cpuStream(FormRig& rig, SimDevice& sim, bool random, int seconds, const char* window) {
    constexpr int kSettleSeconds = 3;
    const std::uint32_t rate = 92000;
    const std::int64_t before = rig.rxBytes();
    const std::int64_t total = std::int64_t(rate) * (seconds + kSettleSeconds);
    const std::string cmd =
        "stream " + std::to_string(total) + " " + std::to_string(rate) + (random ? " random" : "");
    // CPU and time at the stream's start, at kSettleSeconds, at `seconds` and at the end.
    struct Mark {
        double cpu;
        Steady::time_point at;
    };
    std::vector<Mark> marks;
    const auto mark = [&] { marks.push_back({cpuSeconds(), Steady::now()}); };
    std::int64_t firstLines = 0;
    mark();
    sim.command(cmd.c_str());
    for (const int second : {kSettleSeconds, seconds, seconds + kSettleSeconds}) {
        runFor(std::max(0, second * 1000 - int(msSince(marks[0].at))));
        mark();
        if (second == seconds) firstLines = rig.readCount();
    }
    const auto use = [&](const Mark& a, const Mark& b) {
        return (b.cpu - a.cpu) * 100000.0 / std::chrono::duration<double, std::milli>(b.at - a.at).count();
    };
    const double first = use(marks[0], marks[2]), settled = use(marks[1], marks[3]);
    runUntil([&] { return rig.rxBytes() - before >= total; }, 3000);
    const char* kind = random ? "random bytes" : "ASCII";
    std::printf("(b) %s, receiving %u B/s for %d s (%s, time prefix): %.2f %% of one core, %lld lines\n", window,
                rate, seconds, kind, first, static_cast<long long>(firstLines));
    std::printf("(b) %s, settled %u B/s, from second %d to %d (%s): %.2f %% of one core, "
                "%lld of %lld bytes received\n",
                window, rate, kSettleSeconds, seconds + kSettleSeconds, kind, settled,
                static_cast<long long>(rig.rxBytes() - before), static_cast<long long>(total));
}

bool startWindowOnSimDevice(FormRig& rig, SimDevice& sim) {
    if (!sim.start() || !rig.openPortOn(sim.pty())) {
        std::printf("(b) cannot start the simulated device\n");
        return false;
    }
    prepare(rig, Stream::Ascii, 0);
    return true;
}

// (b): CPU while connected and idle, then while the device's text stream arrives.
void cpuUse(int seconds, bool shown) {
    SimDevice sim;
    FormRig rig({.systemClock = true});
    if (!startWindowOnSimDevice(rig, sim)) return;
    if (!shown) rig.form().hide();
    const char* window = shown ? "window shown" : "window hidden";
    runFor(500);

    const double cpu0 = cpuSeconds();
    const auto t0 = Steady::now();
    runFor(seconds * 1000);
    std::printf("(b) %s, connected and idle for %d s: %.2f %% of one core\n", window, seconds,
                (cpuSeconds() - cpu0) * 100000.0 / msSince(t0));
    cpuStream(rig, sim, false, seconds, window);
}

// (b): random bytes against the device's text, each in a window of its own, window shown;
// or the text with a filter that no line passes, so that only the captions change.
void cpuRandom(int seconds, bool random, bool filtered = false) {
    SimDevice sim;
    FormRig rig({.systemClock = true});
    if (!startWindowOnSimDevice(rig, sim)) return;
    if (filtered) rig.fill("FiltrLog", QStringLiteral("#"));
    runFor(1000);
    cpuStream(rig, sim, random, seconds, filtered ? "window shown, every line filtered out" : "window shown");
}

// (b) idle: CPU of a window that has nothing to do, in the three states a
// window stands in for long: no port open, a port open with nothing coming,
// and a device pulled without AutoConnect (its descriptor hung up).
void cpuIdle(int seconds) {
    FormRig rig({.systemClock = true});
    rig.form().show();
    const auto measure = [&](const char* state) {
        runFor(500);
        const double cpu0 = cpuSeconds();
        const auto t0 = Steady::now();
        runFor(seconds * 1000);
        std::printf("(b) idle, %s, window shown, %d s: %.2f %% of one core\n", state, seconds,
                    (cpuSeconds() - cpu0) * 100000.0 / msSince(t0));
    };
    measure("no port open");
    if (!rig.openDevice()) {
        std::printf("(b) idle: cannot open the device\n");
        return;
    }
    measure("connected");
    rig.device.unplug();
    measure("device pulled, hung up");
}

// Marks the moment a paint of the log view that covers its last line ends.
class PaintWatch : public QObject {
public:
    explicit PaintWatch(LogView& view) : view_(view) { view.viewport()->installEventFilter(this); }
    std::function<void(Steady::time_point)> onPainted;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Paint || inside_) return false;
        // Delivered from here, so that the time taken is the one after painting.
        inside_ = true;
        QCoreApplication::sendEvent(watched, event);
        inside_ = false;
        const QTextBlock last = view_.document()->lastBlock().previous();
        if (last.isValid() && onPainted) {
            const QPoint at = view_.cursorRect(QTextCursor(last)).center();
            if (view_.viewport()->rect().contains(at) && static_cast<QPaintEvent*>(event)->region().contains(at))
                onPainted(Steady::now());
        }
        return true;
    }

private:
    LogView& view_;
    bool inside_ = false;
};

struct Spread {
    double median, p99, worst;
};

Spread spread(std::vector<double> d) {
    std::sort(d.begin(), d.end());
    return {d[d.size() / 2], d[std::size_t(double(d.size()) * 0.99)], d.back()};
}

// (c): from the moment the device's write returned to the line in the view's
// text, and to the end of the paint that shows it. The device answers again
// `gapMs` after the last answer reached the view (`afterPaint`: after it was
// painted), so that no two answers join into one packet on a loaded machine.
void delay(int samples, int gapMinMs, int gapMaxMs, bool afterPaint) {
    FormRig rig({.systemClock = true});
    if (!rig.openDevice()) return;
    prepare(rig, Stream::Ascii, 0);
    runFor(200);
    std::vector<Steady::time_point> written(samples), inView(samples), painted(samples);
    std::atomic<int> inViewCount{0}, paintedCount{0};
    LogView* view = rig.ctl<LogView>("MainWindow");
    // The view's own text signals are quiet for appended lines: the receive side says when one is in.
    auto* receive = rig.form().findChild<ReceivePart*>();
    if (!receive) {
        std::printf("(c) the window has no receive side to time\n");
        return;
    }
    QObject::connect(receive, &ReceivePart::packetShown, [&] {
        const int i = inViewCount;
        if (i < samples) {
            inView[i] = Steady::now();
            inViewCount = i + 1;
        }
    });
    PaintWatch watch(*view);
    watch.onPainted = [&](Steady::time_point t) {
        for (int i = paintedCount; i < inViewCount; ++i) painted[i] = t;
        paintedCount = int(inViewCount);
    };
    std::thread device([&] {
        std::mt19937 rng(11);
        const std::atomic<int>& released = afterPaint ? paintedCount : inViewCount;
        for (int i = 0; i < samples; ++i) {
            const auto deadline = Steady::now() + std::chrono::seconds(5);
            while (released < i && Steady::now() < deadline) std::this_thread::sleep_for(std::chrono::microseconds(200));
            const int gapUs = gapMinMs * 1000 + int(rng() % unsigned((gapMaxMs - gapMinMs) * 1000));
            std::this_thread::sleep_for(std::chrono::microseconds(gapUs));
            rig.device.write("PING\r");
            written[i] = Steady::now();
        }
    });
    runUntil([&] { return paintedCount >= samples; }, samples * (gapMaxMs + 100) + 5000);
    device.join();
    if (inViewCount != samples || paintedCount != samples) {
        std::printf("(c) %d lines in the view and %d painted for %d answers\n", int(inViewCount), int(paintedCount),
                    samples);
        return;
    }
    std::vector<double> toView(samples), toPaint(samples);
    for (int i = 0; i < samples; ++i) {
        toView[i] = std::chrono::duration<double, std::milli>(inView[i] - written[i]).count();
        toPaint[i] = std::chrono::duration<double, std::milli>(painted[i] - written[i]).count();
    }
    const Spread v = spread(toView), p = spread(toPaint);
    std::printf("(c) delay, time-out 0, %d answers %d-%d ms after the last one %s:\n"
                "    to the line in the view's text: median %.2f ms, 99th percentile %.2f ms, worst %.2f ms\n"
                "    to the line painted:            median %.2f ms, 99th percentile %.2f ms, worst %.2f ms\n",
                samples, gapMinMs, gapMaxMs, afterPaint ? "was painted" : "reached the view", v.median, v.p99,
                v.worst, p.median, p.p99, p.worst);
}

// (d): each echo of the command releases the next send.
void roundTrips(int seconds) {
    SimDevice sim;
    FormRig rig({.systemClock = true});
    if (!sim.start() || !rig.openPortOn(sim.pty())) {
        std::printf("(d) cannot start the simulated device\n");
        return;
    }
    prepare(rig, Stream::Ascii, 0);
    rig.check("RBAfterAns");
    rig.fill("MainStrCmd", QStringLiteral("R"));
    rig.fill("AddStrCmd", {});
    runFor(200);
    const std::int64_t sent0 = rig.sendCount();
    const auto t0 = Steady::now();
    rig.send("R");
    runFor(seconds * 1000);
    const double ms = msSince(t0);
    rig.check("RBManual");
    std::printf("(d) after-answer round trips against an instant echo: %.0f per second (%lld in %.0f ms)\n",
                (rig.sendCount() - sent0) * 1000.0 / ms, static_cast<long long>(rig.sendCount() - sent0), ms);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    bool quick = false;
    QStringList only;
    for (int i = 1; i < argc; ++i) {
        const QString a = QString::fromLocal8Bit(argv[i]);
        if (a == QLatin1String("--quick")) quick = true;
        else only << a;
    }
    const auto wanted = [&](const char* name) { return only.isEmpty() || only.contains(QLatin1String(name)); };
    const int seconds = quick ? 3 : 10;

    for (Stream s : {Stream::Hex, Stream::Ascii, Stream::Random, Stream::Cyrillic}) {
        const QString one = QStringLiteral("throughput-") + QString::fromLatin1(streamName(s)).split(u' ')[0].toLower();
        if (wanted("throughput") || only.contains(one)) throughput(s, quick ? 2'000'000 : 8'000'000);
    }
    // The same streams from a loopback TCP listener through a socket:// port.
    for (Stream s : {Stream::Hex, Stream::Ascii})
        if (wanted("throughput") || only.contains(QLatin1String("throughput-socket")))
            throughput(s, quick ? 2'000'000 : 8'000'000, true);
    if (wanted("paced")) {
        pacedThroughput(Stream::Hex, 1'500'000, quick ? 2 : 5);
        pacedThroughput(Stream::Ascii, 1'500'000, quick ? 2 : 5);
    }
    if (wanted("cpu") || wanted("idle")) cpuIdle(seconds);
    if (wanted("cpu") || wanted("cpu-shown")) cpuUse(seconds, true);
    if (wanted("cpu") || wanted("cpu-hidden")) cpuUse(seconds, false);
    // Alternately, so that the machine's own swings fall on both.
    if (wanted("cpu-random"))
        for (int i = 0; i < 2; ++i)
            for (bool random : {true, false}) cpuRandom(seconds, random);
    if (only.contains(QLatin1String("cpu-random-only"))) cpuRandom(seconds, true);
    if (only.contains(QLatin1String("cpu-filtered"))) cpuRandom(seconds, false, true);
    if (wanted("delay")) {
        delay(quick ? 200 : 1000, 2, 10, false);
        // Answers further apart than a frame of the view: each one is painted at once.
        delay(quick ? 50 : 200, LogView::kFrameMs + 10, LogView::kFrameMs + 20, true);
    }
    if (wanted("roundtrip")) roundTrips(quick ? 3 : 5);
    return 0;
}
