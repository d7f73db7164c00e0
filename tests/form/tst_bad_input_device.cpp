// A device that misbehaves, through the real main window on a pseudo-terminal:
// one that floods without a pause, and one that vanishes while a long write
// to it is still under way.
#include <QElapsedTimer>

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fstream>
#include <thread>

#include "common/ui/colors.h"
#include "rx/ui/log_view.h"
#include "support/form_rig.h"

using namespace vantrel;
using namespace vantrel::test;

namespace {

// Long enough for the log to be emptied by its bound several times over; a
// run of a minute was made by hand with VANTREL_FLOOD_MS=60000.
int floodMs() {
    bool ok = false;
    const int ms = qEnvironmentVariableIntValue("VANTREL_FLOOD_MS", &ok);
    return ok && ms > 0 ? ms : 10000;
}

const std::string kPattern = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";

// How much the resident memory may grow after the first seconds of a flood:
// the log is emptied at 5000 lines, so it levels off. AddressSanitizer holds
// freed blocks back in its quarantine (256 MB unless told otherwise).
#if defined(__SANITIZE_ADDRESS__)
constexpr double kMemoryGrowthMb = 150 + 256;
#else
constexpr double kMemoryGrowthMb = 150;
#endif

// The resident memory of this process, in MB.
double residentMb() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return double(resident) * double(::sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// Writes the repeating pattern into the pty as fast as it takes it, until told to stop.
class Flooder {
public:
    explicit Flooder(int masterFd) : fd_(masterFd) {
        thread_ = std::thread([this] { run(); });
    }
    ~Flooder() { stop(); }
    void stop() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }
    std::uint64_t written() const { return written_; }
    std::uint64_t fullWaits() const { return fullWaits_; }

private:
    void run() {
        std::string chunk;
        while (chunk.size() < 64 * 1024) chunk += kPattern;
        while (!stop_) {
            const std::size_t at = std::size_t(written_ % kPattern.size());
            const ssize_t r = ::write(fd_, chunk.data() + at, chunk.size() - kPattern.size());
            if (r > 0) {
                written_ += std::uint64_t(r);
                continue;
            }
            if (r < 0 && errno != EAGAIN && errno != EINTR) return;
            ++fullWaits_;  // the program is the one who cannot keep up
            pollfd p{fd_, POLLOUT, 0};
            ::poll(&p, 1, 50);
        }
    }

    int fd_;
    std::atomic<bool> stop_{false};
    std::atomic<std::uint64_t> written_{0};
    std::atomic<std::uint64_t> fullWaits_{0};
    std::thread thread_;
};

QString describe(const RecordingMessages& m) {
    QStringList out;
    for (const auto& e : m.shown) out << QString::fromStdString(e.text + " | " + e.detail);
    return out.join(QStringLiteral("; "));
}

}  // namespace

class TestBadInputDevice : public QObject {
    Q_OBJECT
private slots:
    void floodWithoutPause();
    void deviceVanishesDuringALongWrite();
};

void TestBadInputDevice::floodWithoutPause() {
    FormRig rig({.exposed = true, .systemClock = true});
    rig.messages.shown.clear();  // the first start's word about the new macro store
    QVERIFY(rig.openDevice());
    rig.click("StartLog");
    QVERIFY(rig.logActive());
    const QString logName = QString::fromStdString(rig.logFileName());

    // A timer that fires whenever the event loop comes round: its gaps are
    // how long the window would keep a user waiting.
    QElapsedTimer sinceTick;
    qint64 worstGapMs = 0;
    long ticks = 0;
    QTimer probe;
    probe.setInterval(0);
    connect(&probe, &QTimer::timeout, [&] {
        if (ticks++ > 0) worstGapMs = std::max(worstGapMs, sinceTick.elapsed());
        sinceTick.start();
    });

    const int runMs = floodMs();
    double memoryAfterWarmUp = 0;
    double memoryPeak = 0;
    int clearedLogs = 0;
    int lastLines = 0;
    QElapsedTimer run;
    run.start();
    {
        Flooder flood(rig.device.masterFd());
        probe.start();
        while (run.elapsed() < runMs) {
            QTest::qWait(100);
            const int lines = rig.ctl<LogView>("MainWindow")->visualLineCount();
            if (lines < lastLines) ++clearedLogs;
            lastLines = lines;
            if (memoryAfterWarmUp == 0 && run.elapsed() >= 3000) memoryAfterWarmUp = residentMb();
            memoryPeak = std::max(memoryPeak, residentMb());
        }
        probe.stop();
        flood.stop();
        qInfo("flood of %d ms: %.1f MB written, the pty full %llu times; worst event-loop gap %lld ms over %ld "
              "turns; log emptied %d times; memory %.0f MB after 3 s, peak %.0f MB",
              runMs, double(flood.written()) / 1e6, (unsigned long long)flood.fullWaits(), worstGapMs, ticks,
              clearedLogs, memoryAfterWarmUp, memoryPeak);

        // Every byte arrives, once.
        QTRY_COMPARE_WITH_TIMEOUT(rig.rxBytes(), std::int64_t(flood.written()), 10000);
        QVERIFY(flood.fullWaits() > 0);  // it really was more than the program could take at once
    }
    QVERIFY2(worstGapMs < 1000, qPrintable(QString::number(worstGapMs)));
    QVERIFY(ticks > runMs / 100);
    QVERIFY(rig.ctl<LogView>("MainWindow")->visualLineCount() <= 5000);
    QVERIFY2(memoryPeak - memoryAfterWarmUp < kMemoryGrowthMb,
             qPrintable(QString::number(memoryPeak - memoryAfterWarmUp)));

    // The log file holds the whole stream, in order, one packet a line.
    QTRY_VERIFY_WITH_TIMEOUT(rig.rxLen() == 0, 2000);
    rig.closeLogFile();
    const QByteArray log = rig.fileBytes(logName);
    QVERIFY(log.endsWith("\r\n"));
    QByteArray joined = log;
    joined.replace("\r\n", "");
    QCOMPARE(qint64(joined.size()), qint64(rig.rxBytes()));
    std::string expected;
    expected.reserve(std::size_t(joined.size()) + kPattern.size());
    while (expected.size() < std::size_t(joined.size())) expected += kPattern;
    expected.resize(std::size_t(joined.size()));
    QVERIFY(joined.toStdString() == expected);
    QVERIFY2(rig.messages.shown.empty(), qPrintable(describe(rig.messages)));
}

void TestBadInputDevice::deviceVanishesDuringALongWrite() {
    FormRig rig;
    rig.messages.shown.clear();
    const std::string link = rig.dir.filePath(QStringLiteral("ttyVANISH")).toStdString();
    QVERIFY(rig.device.open(link));
    rig.fill("ComPort", QString::fromStdString(link));
    rig.check("AutoConnect");
    rig.click("BTConnect");
    QVERIFY(rig.portOpen());
    QCOMPARE(colorValue(rig.ctl("ComPort"), true), std::uint32_t(0x0000FF00));

    // At 1200 baud 100,000 bytes take over a minute; the device reads none of
    // them and is pulled out a moment after the send.
    using Steady = std::chrono::steady_clock;
    rig.fill("MainStrCmd", QString(100000, u'V'));
    const Steady::time_point clickedAt = Steady::now();
    rig.click("ButtonSend");
    const auto clickMs =
        std::chrono::duration_cast<std::chrono::milliseconds>(Steady::now() - clickedAt).count();
    QVERIFY2(clickMs < 1000, qPrintable(QString::number(clickMs)));  // the window never waits on the port
    QTest::qWait(300);
    rig.device.unplug();
    // Only what the port took is counted.
    QTRY_VERIFY_WITH_TIMEOUT(rig.txBytes() < std::int64_t(100001), 3000);

    // The watchdog sees the link gone and keeps trying: yellow, not open.
    QTRY_VERIFY_WITH_TIMEOUT(!rig.portOpen(), 3000);
    QTRY_COMPARE_WITH_TIMEOUT(colorValue(rig.ctl("ComPort"), true), std::uint32_t(0x0000FFFF), 3000);

    // Plugged in again, it comes back by itself and takes the next command.
    QVERIFY(rig.device.replug());
    QTRY_VERIFY_WITH_TIMEOUT(rig.portOpen(), 3000);
    QCOMPARE(colorValue(rig.ctl("ComPort"), true), std::uint32_t(0x0000FF00));
    rig.fill("MainStrCmd", QStringLiteral("AT"));
    rig.click("ButtonSend");
    QCOMPARE(rig.device.readUntil("AT\r", 3000), std::string("AT\r"));
    // Only the warning that ticking AutoConnect always gives.
    QVERIFY2(rig.messages.shown.size() == 1, qPrintable(describe(rig.messages)));
}

QTEST_MAIN(TestBadInputDevice)
#include "tst_bad_input_device.moc"
