// Figures of the send side, measured on the real main window (offscreen)
// against a device played on a pseudo-terminal by a thread of its own:
//   the longest time the event loop did not answer while a 100,000-character
//   command goes out to a device that reads slowly;
//   the gaps between the packets of the periodic sender at PeriodTX 100.
// Usage: bench_tx_send [long] [period]
#include <poll.h>
#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/main_window.h"
#include "bench/event_loop.h"
#include "serial/serial_link.h"
#include "serial/ui/connection_part.h"
#include "support/fakes.h"
#include "tools/pty_device.h"
#include "tx/ui/command_part.h"

using namespace vantrel;
using namespace vantrel::bench;

namespace {

// The device: reads at `bytesPerSecond` and notes when each CR arrived.
class Reader {
public:
    Reader(int fd, double bytesPerSecond) : fd_(fd), rate_(bytesPerSecond) {
        thread_ = std::thread([this] { run(); });
    }
    ~Reader() {
        stop_ = true;
        thread_.join();
    }
    std::size_t received() const { return received_; }
    std::vector<double> crTimesMs() {
        std::lock_guard<std::mutex> lock(mutex_);
        return crTimes_;
    }

private:
    void run() {
        const auto t0 = Steady::now();
        std::size_t taken = 0;
        char buf[4096];
        while (!stop_) {
            const auto allowed = std::size_t(msSince(t0) * rate_ / 1000.0);
            pollfd p{fd_, POLLIN, 0};
            if (allowed > taken && ::poll(&p, 1, 1) > 0 && (p.revents & POLLIN)) {
                const ssize_t n = ::read(fd_, buf, std::min(sizeof buf, allowed - taken));
                for (ssize_t i = 0; i < n; ++i)
                    if (buf[i] == '\r') {
                        std::lock_guard<std::mutex> lock(mutex_);
                        crTimes_.push_back(msSince(t0));
                    }
                if (n > 0) taken += std::size_t(n);
                received_ = taken;
            } else {
                ::usleep(500);
            }
        }
    }
    int fd_;
    double rate_;
    std::atomic<bool> stop_{false};
    std::atomic<std::size_t> received_{0};
    std::mutex mutex_;
    std::vector<double> crTimes_;
    std::thread thread_;
};

struct Window {
    Window() {
        QDir::setCurrent(dir.path());
        FormServices s;
        s.messages = &messages;
        s.listPorts = [] { return std::vector<std::string>{}; };
        s.runModal = [](QDialog&) { return 0; };
        s.sleep = [](int) {};
        s.cursorPos = [] { return QPoint(-1000, -1000); };
        s.chooseCommandFile = [] { return QString(); };
        form = std::make_unique<TForm1>(s);
        form->show();
    }
    bool connect() {
        if (!device.open()) return false;
        form->findChild<QComboBox*>(QStringLiteral("ComPort"))->setEditText(QString::fromStdString(device.slavePath()));
        form->connection().BTConnectClick();
        return form->connection().PortOpen();
    }
    void command(const std::string& text) {
        form->findChild<QLineEdit*>(QStringLiteral("MainStrCmd"))->setText(QString::fromStdString(text));
    }
    QTemporaryDir dir;
    test::RecordingMessages messages;
    PtyDevice device;
    std::unique_ptr<TForm1> form;
};

void longCommand() {
    Window w;
    if (!w.connect()) {
        std::printf("long: cannot open the pty\n");
        return;
    }
    const std::size_t n = 100000;
    std::string text(n, 'x');
    for (std::size_t i = 0; i < n; ++i) text[i] = char('A' + i % 26);
    w.command(text);
    Reader reader(w.device.masterFd(), 20000);
    StallProbe probe;
    runUntil([] { return false; }, 100);  // the probe's first ticks
    const auto t0 = Steady::now();
    w.form->command().sendCommandLine();
    const double sendCallMs = msSince(t0);
    const std::size_t atReturn = reader.received();
    // From here on the packet goes out behind the event loop.
    StallProbe whileGoing;
    const bool all = runUntil([&] { return reader.received() >= n + 1; }, 30000);
    std::printf("long: 100,000 characters to a 20,000 B/s reader: %s in %.0f ms; the send call %.1f ms "
                "(%zu bytes on the wire when it returned); longest event-loop stall while the packet went out "
                "%.1f ms, including the send call %.1f ms; TxBytes %lld\n",
                all ? "all arrived" : "NOT all arrived", msSince(t0), sendCallMs, atReturn, whileGoing.worstMs(),
                probe.worstMs(), static_cast<long long>(w.form->command().txBytes()));
}

void period() {
    Window w;
    if (!w.connect()) {
        std::printf("period: cannot open the pty\n");
        return;
    }
    Reader reader(w.device.masterFd(), 1e9);
    std::vector<double> queued;
    const auto t0 = Steady::now();
    QObject::connect(&w.form->command(), &CommandPart::outputQueued, [&] { queued.push_back(msSince(t0)); });
    w.command("PING");
    w.form->findChild<QLineEdit*>(QStringLiteral("PeriodTX"))->setText(QStringLiteral("100"));
    w.form->findChild<QRadioButton*>(QStringLiteral("RBPeriod"))->setChecked(true);
    runUntil([] { return false; }, 5100);
    w.form->findChild<QRadioButton*>(QStringLiteral("RBManual"))->setChecked(true);
    auto show = [](const char* what, const std::vector<double>& t) {
        std::vector<double> gaps;
        for (std::size_t i = 1; i < t.size(); ++i) gaps.push_back(t[i] - t[i - 1]);
        if (qEnvironmentVariableIsSet("BENCH_GAPS"))
            for (double g : gaps) std::printf(" %.1f", g);
        std::sort(gaps.begin(), gaps.end());
        if (gaps.empty()) {
            std::printf("period: no packets %s\n", what);
            return;
        }
        const auto at = [&gaps](double q) { return gaps[std::size_t(q * double(gaps.size() - 1) + 0.5)]; };
        std::printf("period: PeriodTX 100, %zu gaps between packets %s: min %.1f, 5%% %.1f, median %.1f, "
                    "95%% %.1f, max %.1f ms\n",
                    gaps.size(), what, gaps.front(), at(0.05), at(0.5), at(0.95), gaps.back());
    };
    show("as the window sent them", queued);
    show("as the device read them", reader.crTimesMs());
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    const bool all = args.isEmpty();
    if (all || args.contains(QStringLiteral("long"))) longCommand();
    if (all || args.contains(QStringLiteral("period"))) period();
    return 0;
}
