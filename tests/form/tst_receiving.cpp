// Receiving through the real main window: bytes from a pseudo-terminal
// become RX lines, packets, statistics and after-answer sends.
#include <QToolButton>

#include <thread>

#include "common/ui/colors.h"
#include "rx/ui/log_view.h"
#include "common/ui/up_down.h"
#include "rx/ui/rx_wake.h"
#include "support/form_rig.h"

using namespace vantrel;
using vantrel::test::FormRig;

namespace {

std::string bytes(std::initializer_list<int> list) {
    std::string s;
    for (int b : list) s.push_back(char(b));
    return s;
}

// A message box that plays the device while it is open: bytes arrive, timers
// tick in a nested loop, and what the receiver did meanwhile is recorded.
class DeviceDuringBox final : public Messages {
public:
    PtyDevice* device = nullptr;
    FormRig* rig = nullptr;
    std::string arriving;
    std::vector<std::string> texts;
    std::int64_t rxBytesAfterBox = -1;
    std::size_t waitingAfterBox = 0;

    void info(const std::string& text, const std::string& = {}) override {
        texts.push_back(text);
        if (!device || !rig) return;
        const std::int64_t before = rig->rxBytes();
        device->write(arriving);
        QEventLoop loop;
        QTimer::singleShot(300, &loop, &QEventLoop::quit);
        loop.exec();
        rxBytesAfterBox = rig->rxBytes() - before;
        waitingAfterBox = rig->waiting();
    }
};

}  // namespace

class TestReceiving : public QObject {
    Q_OBJECT
private slots:
    void answerBecomesOneTimeStampedLine();
    void hexRenderingAndLineFeedsAlone();
    void aStreamIsCutIntoPacketsAbove1500Bytes();
    void afterAnswerSendsOncePerCompleteAnswer();
    void nestedTicksDuringABoxLeaveTheBytesWaiting();
    void intervalsAndTheStatisticsReset();
    void timeOutArrowsStepCaptionAndColour();
    void anIdleConnectionWaitsForInput();
};

void TestReceiving::answerBecomesOneTimeStampedLine() {
    FormRig rig;
    QVERIFY(rig.openDevice());
    rig.check("VisTime");
    rig.setRxTimeoutMs(0);

    QVERIFY(rig.device.write("OK\r"));
    QTRY_COMPARE(rig.rxBytes(), std::int64_t(3));
    QCOMPARE(rig.text("StaticText3"), QStringLiteral("TX: 0 RX: 3"));
    // The clock stands still, so the packet stays open however many ticks pass.
    QTest::qWait(30);
    QCOMPARE(rig.logLines(), QStringList());

    rig.clock.advance(1);
    QTRY_COMPARE(rig.logLines(), QStringList{QStringLiteral(" [ 09:07:03:001 < ] OK")});
    QCOMPARE(rig.text("LRead"), QStringLiteral("Read: 1"));
    QCOMPARE(rig.text("MinTimeWait"), QStringLiteral("MIN_T_W:  NA"));
    QCOMPARE(rig.text("MaxTimeWait"), QStringLiteral("MAX_T_W: NA"));
}

void TestReceiving::hexRenderingAndLineFeedsAlone() {
    FormRig rig;
    QVERIFY(rig.openDevice());
    rig.check("VisTime", false);
    rig.setRxTimeoutMs(0);
    rig.check("RBAfterAns");
    rig.fill("MainStrCmd", QStringLiteral("AT"));

    // ASCII: line feeds alone are no packet: no line, no count, no send.
    QVERIFY(rig.device.write("\n\n"));
    QTRY_COMPARE(rig.rxBytes(), std::int64_t(2));
    rig.clock.advance(1);
    QTRY_COMPARE(rig.rxLen(), 0u);
    QCOMPARE(rig.logLines(), QStringList());
    QCOMPARE(rig.text("LRead"), QStringLiteral("Read: 0"));
    QCOMPARE(QByteArray::fromStdString(rig.readFor(100)), QByteArray());

    rig.check("RBHEX");
    rig.fill("MainStrCmd", QStringLiteral("41 54"));
    rig.fill("AddStrCmd", QStringLiteral(" 0D"));
    QVERIFY(rig.device.write(bytes({0x00, 0xFF, 0x0D})));
    QTRY_COMPARE(rig.rxBytes(), std::int64_t(5));
    rig.clock.advance(1);
    QTRY_COMPARE(rig.logLines().value(0), QStringLiteral("00 FF 0D"));
    QCOMPARE(rig.text("LRead"), QStringLiteral("Read: 1"));
    // This packet, unlike the line feeds, released the command.
    QCOMPARE(QByteArray::fromStdString(rig.wire(3)), QByteArray("AT\r"));
}

void TestReceiving::aStreamIsCutIntoPacketsAbove1500Bytes() {
    FormRig rig({.systemClock = true});
    QVERIFY(rig.openDevice());
    rig.check("RBHEX");
    rig.check("VisTime", false);
    // Long enough that a loaded machine does not cut the stream by silence.
    rig.setRxTimeoutMs(1000);

    std::string sent(5000, '\0');
    for (std::size_t i = 0; i < sent.size(); ++i) sent[i] = char((i * 7 + i / 256) & 0xFF);
    bool written = false;
    std::thread writer([&] { written = rig.device.write(sent); });

    QByteArray received;
    QList<int> sizes;
    const auto collect = [&] {
        received.clear();
        sizes.clear();
        for (const QString& line : rig.logLines()) {
            const QByteArray packet = QByteArray::fromHex(line.toLatin1());
            sizes << int(packet.size());
            received += packet;
        }
        return received.size();
    };
    QTRY_VERIFY_WITH_TIMEOUT(collect() >= 5000, 20000);
    writer.join();
    QVERIFY(written);
    QCOMPARE(received, QByteArray(sent.data(), qsizetype(sent.size())));
    QVERIFY2(sizes.size() >= 3, qPrintable(QStringLiteral("%1 packets").arg(sizes.size())));
    for (int i = 0; i + 1 < sizes.size(); ++i)
        QVERIFY2(sizes[i] >= 1501 && sizes[i] <= 2048, qPrintable(QStringLiteral("packet %1: %2 bytes").arg(i).arg(sizes[i])));
    QVERIFY(sizes.last() >= 1 && sizes.last() <= 2048);
    QCOMPARE(rig.rxBytes(), std::int64_t(5000));
    QCOMPARE(rig.text("LRead"), QStringLiteral("Read: %1").arg(sizes.size()));
}

void TestReceiving::afterAnswerSendsOncePerCompleteAnswer() {
    FormRig rig;
    QVERIFY(rig.openDevice());
    rig.setRxTimeoutMs(0);
    rig.check("RBAfterAns");
    rig.fill("MainStrCmd", QStringLiteral("AT"));
    rig.fill("AddStrCmd", QStringLiteral("$0D"));
    rig.fill("FiltrLog", QStringLiteral("OK"));

    // Every answer sends the command line once, also one the filter hides.
    const char* answers[] = {"OK\r", "ERROR\r", "OK\r"};
    std::int64_t total = 0;
    for (const char* answer : answers) {
        QVERIFY(rig.device.write(answer));
        total += std::int64_t(std::strlen(answer));
        QTRY_COMPARE(rig.rxBytes(), total);
        rig.clock.advance(1);
        QCOMPARE(QByteArray::fromStdString(rig.wire(3)), QByteArray("AT\r"));
        QCOMPARE(QByteArray::fromStdString(rig.readFor(30)), QByteArray());
    }
    QCOMPARE(rig.text("LRead"), QStringLiteral("Read: 2"));

    // A long answer: the flush above 1500 bytes finds the rest still waiting
    // and sends nothing; the end of the answer sends the command once.
    QTRY_VERIFY(rig.rxWakeSleeping());
    rig.ctl<QTimer>("RxTimer")->stop();  // holds reception, also while the receiver waits for input
    QVERIFY(rig.device.write(std::string(3000, 'x')));
    QTRY_COMPARE(rig.waiting(), std::size_t(3000));
    rig.ctl<QTimer>("RxTimer")->start();
    QTRY_COMPARE(rig.rxBytes(), total + 3000);
    QCOMPARE(QByteArray::fromStdString(rig.readFor(50)), QByteArray());
    rig.clock.advance(1);
    QCOMPARE(QByteArray::fromStdString(rig.wire(3)), QByteArray("AT\r"));
    QCOMPARE(QByteArray::fromStdString(rig.readFor(30)), QByteArray());
}

void TestReceiving::nestedTicksDuringABoxLeaveTheBytesWaiting() {
    DeviceDuringBox box;
    FormRig rig({.messages = &box});
    QVERIFY(rig.openDevice());
    rig.setRxTimeoutMs(0);
    rig.check("RBAfterAns");
    rig.fill("MainStrCmd", QStringLiteral("AT"));
    rig.fill("AddStrCmd", QStringLiteral("$0D"));
    // A log file that fails at the first line opens a box inside the flush.
    rig.failLogWrites("/dev/full");
    rig.click("StartLog");
    QCOMPARE(rig.text("StartLog"), QStringLiteral("Pause Log"));
    box.texts.clear();
    box.device = &rig.device;
    box.rig = &rig;
    box.arriving = "LATE\r";

    QVERIFY(rig.device.write("OK\r"));
    QTRY_COMPARE(rig.rxBytes(), std::int64_t(3));
    rig.clock.advance(1);
    QTRY_COMPARE(box.texts.size(), std::size_t(1));
    box.device = nullptr;
    // While the box was open no tick read anything; the bytes gathered in the queue.
    QCOMPARE(box.rxBytesAfterBox, std::int64_t(0));
    QCOMPARE(box.waitingAfterBox, std::size_t(5));
    QCOMPARE(rig.text("StartLog"), QStringLiteral("Go Log"));
    // After the box the trigger of that flush finds the late bytes waiting and
    // sends nothing; the flush of the late bytes then sends the command.
    QTRY_COMPARE(rig.rxBytes(), std::int64_t(8));
    rig.clock.advance(1);
    QCOMPARE(QByteArray::fromStdString(rig.wire(3)), QByteArray("AT\r"));
    QCOMPARE(rig.logLines(), (QStringList{QStringLiteral("OK"), QStringLiteral("LATE"), QStringLiteral("AT")}));
    QCOMPARE(box.texts.size(), std::size_t(1));  // the paused log raised no second box
}

void TestReceiving::intervalsAndTheStatisticsReset() {
    FormRig rig;
    QVERIFY(rig.openDevice());
    rig.setRxTimeoutMs(0);
    rig.fill("FiltrLog", QStringLiteral("OK"));
    std::int64_t total = 0;
    const auto receive = [&](const std::string& answer, int msBefore) {
        rig.clock.advance(msBefore);
        QVERIFY(rig.device.write(answer));
        total += std::int64_t(answer.size());
        QTRY_COMPARE(rig.rxBytes(), total);
        rig.clock.advance(1);
        QTRY_COMPARE(rig.rxLen(), 0u);
    };
    receive("OK1\r", 0);
    receive("OK2\r", 249);
    receive("NO\r", 99);  // filtered: neither counted nor the end of an interval
    receive("OK3\r", 899);
    QCOMPARE(rig.text("LRead"), QStringLiteral("Read: 3"));
    QCOMPARE(rig.text("MinTimeWait"), QStringLiteral("MIN_T_W:  250"));
    QCOMPARE(rig.text("MaxTimeWait"), QStringLiteral("MAX_T_W: 1000"));

    rig.click("BTClrStat");
    QCOMPARE(rig.text("LRead"), QStringLiteral("Read: 0"));
    QCOMPARE(rig.text("LSend"), QStringLiteral("Send: 0"));
    QCOMPARE(rig.text("MinTimeWait"), QStringLiteral("MIN_T_W:  NA"));
    QCOMPARE(rig.text("MaxTimeWait"), QStringLiteral("MAX_T_W: NA"));
    receive("OK4\r", 4999);  // measured from the last line before the reset
    QCOMPARE(rig.text("LRead"), QStringLiteral("Read: 1"));
    QCOMPARE(rig.text("MinTimeWait"), QStringLiteral("MIN_T_W:  5000"));
    QCOMPARE(rig.text("MaxTimeWait"), QStringLiteral("MAX_T_W: 5000"));
}

void TestReceiving::timeOutArrowsStepCaptionAndColour() {
    FormRig rig;
    rig.setRxTimeoutMs(0);
    QCOMPARE(rig.text("TimeOutAns"), QStringLiteral("TimeRX: 0"));
    const std::uint32_t face = colorValue(rig.ctl("TimeOutAns"), true);
    QVERIFY(face != colorvalue::kYellow);

    rig.arrow("TimeOutRx", true);
    QCOMPARE(rig.rxTimeoutMs(), 1);
    QCOMPARE(rig.text("TimeOutAns"), QStringLiteral("TimeRX: 1"));
    QCOMPARE(colorValue(rig.ctl("TimeOutAns"), true), colorvalue::kYellow);
    rig.arrow("TimeOutRx", false);
    rig.arrow("TimeOutRx", false);
    QCOMPARE(rig.text("TimeOutAns"), QStringLiteral("TimeRX: 0"));
    QCOMPARE(colorValue(rig.ctl("TimeOutAns"), true), face);

    rig.setRxTimeoutMs(95000);
    rig.arrow("TimeOutRx", true);
    QCOMPARE(rig.text("TimeOutAns"), QStringLiteral("TimeRX: 100000"));

    // Only a damaged settings file holds a negative value; it counts as 0.
    rig.setRxTimeoutMs(-20);
    QCOMPARE(rig.rxTimeoutMs(), 0);
    QCOMPARE(rig.text("TimeOutAns"), QStringLiteral("TimeRX: 0"));
}

void TestReceiving::anIdleConnectionWaitsForInput() {
    FormRig rig;
    rig.ctl<QTimer>("CheckConnect")->stop();  // the watchdog stays out of the hang-up below
    // Nothing comes while the port is closed: it is looked at now and then, not every millisecond.
    QTRY_COMPARE(rig.ctl<QTimer>("RxTimer")->interval(), RxWake::kRestMs);
    QVERIFY(rig.openDevice());
    rig.setRxTimeoutMs(0);
    QTRY_VERIFY(rig.rxWakeSleeping());
    QCOMPARE(rig.ctl<QTimer>("RxTimer")->interval(), RxWake::kRestMs);

    // Input wakes the receiver; while the packet is open it polls every millisecond.
    QVERIFY(rig.device.write("OK\r"));
    QTRY_COMPARE(rig.rxBytes(), std::int64_t(3));
    QCOMPARE(rig.ctl<QTimer>("RxTimer")->interval(), RxWake::kPollMs);
    QVERIFY(!rig.rxWakeSleeping());
    rig.clock.advance(1);
    QTRY_COMPARE(rig.logLines(), QStringList{QStringLiteral("OK")});
    QTRY_VERIFY(rig.rxWakeSleeping());

    // A hung-up device signals without input: slow polling takes over instead
    // of the descriptor waking the receiver again and again.
    rig.device.unplug();
    QTest::qWait(100);
    QVERIFY(!rig.rxWakeSleeping());
    QCOMPARE(rig.ctl<QTimer>("RxTimer")->interval(), RxWake::kRestMs);
}

QTEST_MAIN(TestReceiving)
#include "tst_receiving.moc"
