// Receiving through the real main window: bytes from a pseudo-terminal
// become RX lines, packets, statistics and after-answer sends.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QtTest>

#include <thread>

#include "common/ui/colors.h"
#include "rx/ui/log_view.h"
#include "rx/ui/rx_wake.h"
#include "common/ui/up_down.h"
#include "rx/log_file.h"
#include "rx/receiver.h"
#include "rx_form_rig.h"

using namespace vantrel;
using vantrel::test::RxFormRig;

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
    TForm1* form = nullptr;
    std::string arriving;
    std::vector<std::string> texts;
    std::int64_t rxBytesAfterBox = -1;
    std::size_t waitingAfterBox = 0;

    void info(const std::string& text, const std::string& = {}) override {
        texts.push_back(text);
        if (!device || !form) return;
        const std::int64_t before = form->receiver->RxBytes;
        device->write(arriving);
        QEventLoop loop;
        QTimer::singleShot(300, &loop, &QEventLoop::quit);
        loop.exec();
        rxBytesAfterBox = form->receiver->RxBytes - before;
        waitingAfterBox = form->link->waiting();
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
    RxFormRig rig;
    QVERIFY(rig.connectDevice());
    TForm1& f = *rig.form;
    f.VisTime->setChecked(true);
    f.setRxTimeoutMs(0);

    QVERIFY(rig.device.write("OK\r"));
    QTRY_COMPARE(f.receiver->RxBytes, std::int64_t(3));
    QCOMPARE(f.StaticText3->text(), QStringLiteral("TX: 0 RX: 3"));
    // The clock stands still, so the packet stays open however many ticks pass.
    QTest::qWait(30);
    QCOMPARE(rig.shownLines(), QStringList());

    rig.clock.advance(1);
    QTRY_COMPARE(rig.shownLines(), QStringList{QStringLiteral(" [ 09:07:03:001 < ] OK")});
    QCOMPARE(f.LRead->text(), QStringLiteral("Read: 1"));
    QCOMPARE(f.MinTimeWait->text(), QStringLiteral("MIN_T_W:  NA"));
    QCOMPARE(f.MaxTimeWait->text(), QStringLiteral("MAX_T_W: NA"));
}

void TestReceiving::hexRenderingAndLineFeedsAlone() {
    RxFormRig rig;
    QVERIFY(rig.connectDevice());
    TForm1& f = *rig.form;
    f.VisTime->setChecked(false);
    f.setRxTimeoutMs(0);
    f.RBAfterAns->setChecked(true);
    f.MainStrCmd->setText(QStringLiteral("AT"));

    // ASCII: line feeds alone are no packet: no line, no count, no send.
    QVERIFY(rig.device.write("\n\n"));
    QTRY_COMPARE(f.receiver->RxBytes, std::int64_t(2));
    rig.clock.advance(1);
    QTRY_COMPARE(f.receiver->RxLen, 0u);
    QCOMPARE(rig.shownLines(), QStringList());
    QCOMPARE(f.LRead->text(), QStringLiteral("Read: 0"));
    QCOMPARE(QByteArray::fromStdString(rig.wireFor(100)), QByteArray());

    f.RBHEX->setChecked(true);
    f.MainStrCmd->setText(QStringLiteral("41 54"));
    f.AddStrCmd->setText(QStringLiteral(" 0D"));
    QVERIFY(rig.device.write(bytes({0x00, 0xFF, 0x0D})));
    QTRY_COMPARE(f.receiver->RxBytes, std::int64_t(5));
    rig.clock.advance(1);
    QTRY_COMPARE(rig.shownLines().value(0), QStringLiteral("00 FF 0D"));
    QCOMPARE(f.LRead->text(), QStringLiteral("Read: 1"));
    // This packet, unlike the line feeds, released the command.
    QCOMPARE(QByteArray::fromStdString(rig.wire(3)), QByteArray("AT\r"));
}

void TestReceiving::aStreamIsCutIntoPacketsAbove1500Bytes() {
    RxFormRig rig(RxFormRig::ClockKind::System);
    QVERIFY(rig.connectDevice());
    TForm1& f = *rig.form;
    f.RBHEX->setChecked(true);
    f.VisTime->setChecked(false);
    // Long enough that a loaded machine does not cut the stream by silence.
    f.setRxTimeoutMs(1000);

    std::string sent(5000, '\0');
    for (std::size_t i = 0; i < sent.size(); ++i) sent[i] = char((i * 7 + i / 256) & 0xFF);
    bool written = false;
    std::thread writer([&] { written = rig.device.write(sent); });

    QByteArray received;
    QList<int> sizes;
    const auto collect = [&] {
        received.clear();
        sizes.clear();
        for (const QString& line : rig.shownLines()) {
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
    QCOMPARE(f.receiver->RxBytes, std::int64_t(5000));
    QCOMPARE(f.LRead->text(), QStringLiteral("Read: %1").arg(sizes.size()));
}

void TestReceiving::afterAnswerSendsOncePerCompleteAnswer() {
    RxFormRig rig;
    QVERIFY(rig.connectDevice());
    TForm1& f = *rig.form;
    f.setRxTimeoutMs(0);
    f.RBAfterAns->setChecked(true);
    f.MainStrCmd->setText(QStringLiteral("AT"));
    f.AddStrCmd->setText(QStringLiteral("$0D"));
    f.FiltrLog->setText(QStringLiteral("OK"));

    // Every answer sends the command line once, also one the filter hides.
    const char* answers[] = {"OK\r", "ERROR\r", "OK\r"};
    std::int64_t total = 0;
    for (const char* answer : answers) {
        QVERIFY(rig.device.write(answer));
        total += std::int64_t(std::strlen(answer));
        QTRY_COMPARE(f.receiver->RxBytes, total);
        rig.clock.advance(1);
        QCOMPARE(QByteArray::fromStdString(rig.wire(3)), QByteArray("AT\r"));
        QCOMPARE(QByteArray::fromStdString(rig.wireFor(30)), QByteArray());
    }
    QCOMPARE(f.LRead->text(), QStringLiteral("Read: 2"));

    // A long answer: the flush above 1500 bytes finds the rest still waiting
    // and sends nothing; the end of the answer sends the command once.
    QTRY_VERIFY(f.rxWake->sleeping());
    f.RxTimer->stop();  // holds reception, also while the receiver waits for input
    QVERIFY(rig.device.write(std::string(3000, 'x')));
    QTRY_COMPARE(f.link->waiting(), std::size_t(3000));
    f.RxTimer->start();
    QTRY_COMPARE(f.receiver->RxBytes, total + 3000);
    QCOMPARE(QByteArray::fromStdString(rig.wireFor(50)), QByteArray());
    rig.clock.advance(1);
    QCOMPARE(QByteArray::fromStdString(rig.wire(3)), QByteArray("AT\r"));
    QCOMPARE(QByteArray::fromStdString(rig.wireFor(30)), QByteArray());
}

void TestReceiving::nestedTicksDuringABoxLeaveTheBytesWaiting() {
    DeviceDuringBox box;
    RxFormRig rig(RxFormRig::ClockKind::Fake, &box);
    QVERIFY(rig.connectDevice());
    TForm1& f = *rig.form;
    f.setRxTimeoutMs(0);
    f.RBAfterAns->setChecked(true);
    f.MainStrCmd->setText(QStringLiteral("AT"));
    f.AddStrCmd->setText(QStringLiteral("$0D"));
    // A log file that fails at the first line opens a box inside the flush.
    f.logFile->pathOf = [](const std::string&) { return std::string("/dev/full"); };
    f.StartLogClick();
    QCOMPARE(f.StartLog->text(), QStringLiteral("Pause Log"));
    box.texts.clear();
    box.device = &rig.device;
    box.form = &f;
    box.arriving = "LATE\r";

    QVERIFY(rig.device.write("OK\r"));
    QTRY_COMPARE(f.receiver->RxBytes, std::int64_t(3));
    rig.clock.advance(1);
    QTRY_COMPARE(box.texts.size(), std::size_t(1));
    box.device = nullptr;
    // While the box was open no tick read anything; the bytes gathered in the queue.
    QCOMPARE(box.rxBytesAfterBox, std::int64_t(0));
    QCOMPARE(box.waitingAfterBox, std::size_t(5));
    QCOMPARE(f.StartLog->text(), QStringLiteral("Go Log"));
    // After the box the trigger of that flush finds the late bytes waiting and
    // sends nothing; the flush of the late bytes then sends the command.
    QTRY_COMPARE(f.receiver->RxBytes, std::int64_t(8));
    rig.clock.advance(1);
    QCOMPARE(QByteArray::fromStdString(rig.wire(3)), QByteArray("AT\r"));
    QCOMPARE(rig.shownLines(), (QStringList{QStringLiteral("OK"), QStringLiteral("LATE"), QStringLiteral("AT")}));
    QCOMPARE(box.texts.size(), std::size_t(1));  // the paused log raised no second box
}

void TestReceiving::intervalsAndTheStatisticsReset() {
    RxFormRig rig;
    QVERIFY(rig.connectDevice());
    TForm1& f = *rig.form;
    f.setRxTimeoutMs(0);
    f.FiltrLog->setText(QStringLiteral("OK"));
    std::int64_t total = 0;
    const auto receive = [&](const std::string& answer, int msBefore) {
        rig.clock.advance(msBefore);
        QVERIFY(rig.device.write(answer));
        total += std::int64_t(answer.size());
        QTRY_COMPARE(f.receiver->RxBytes, total);
        rig.clock.advance(1);
        QTRY_COMPARE(f.receiver->RxLen, 0u);
    };
    receive("OK1\r", 0);
    receive("OK2\r", 249);
    receive("NO\r", 99);  // filtered: neither counted nor the end of an interval
    receive("OK3\r", 899);
    QCOMPARE(f.LRead->text(), QStringLiteral("Read: 3"));
    QCOMPARE(f.MinTimeWait->text(), QStringLiteral("MIN_T_W:  250"));
    QCOMPARE(f.MaxTimeWait->text(), QStringLiteral("MAX_T_W: 1000"));

    f.BTClrStat->click();
    QCOMPARE(f.LRead->text(), QStringLiteral("Read: 0"));
    QCOMPARE(f.LSend->text(), QStringLiteral("Send: 0"));
    QCOMPARE(f.MinTimeWait->text(), QStringLiteral("MIN_T_W:  NA"));
    QCOMPARE(f.MaxTimeWait->text(), QStringLiteral("MAX_T_W: NA"));
    receive("OK4\r", 4999);  // measured from the last line before the reset
    QCOMPARE(f.LRead->text(), QStringLiteral("Read: 1"));
    QCOMPARE(f.MinTimeWait->text(), QStringLiteral("MIN_T_W:  5000"));
    QCOMPARE(f.MaxTimeWait->text(), QStringLiteral("MAX_T_W: 5000"));
}

void TestReceiving::timeOutArrowsStepCaptionAndColour() {
    RxFormRig rig;
    TForm1& f = *rig.form;
    f.setRxTimeoutMs(0);
    QCOMPARE(f.TimeOutAns->text(), QStringLiteral("TimeRX: 0"));
    const std::uint32_t face = colorValue(f.TimeOutAns, true);
    QVERIFY(face != colorvalue::kYellow);

    f.TimeOutRx->upButton()->click();
    QCOMPARE(f.RxTimeoutMs(), 1);
    QCOMPARE(f.TimeOutAns->text(), QStringLiteral("TimeRX: 1"));
    QCOMPARE(colorValue(f.TimeOutAns, true), colorvalue::kYellow);
    f.TimeOutRx->downButton()->click();
    f.TimeOutRx->downButton()->click();
    QCOMPARE(f.TimeOutAns->text(), QStringLiteral("TimeRX: 0"));
    QCOMPARE(colorValue(f.TimeOutAns, true), face);

    f.setRxTimeoutMs(95000);
    f.TimeOutRx->upButton()->click();
    QCOMPARE(f.TimeOutAns->text(), QStringLiteral("TimeRX: 100000"));

    // Only a damaged settings file holds a negative value; it counts as 0.
    f.setRxTimeoutMs(-20);
    QCOMPARE(f.RxTimeoutMs(), 0);
    QCOMPARE(f.TimeOutAns->text(), QStringLiteral("TimeRX: 0"));
}

void TestReceiving::anIdleConnectionWaitsForInput() {
    RxFormRig rig;
    TForm1& f = *rig.form;
    f.CheckConnect->stop();  // the watchdog stays out of the hang-up below
    QCOMPARE(f.RxTimer->interval(), RxWake::kPollMs);  // nothing to wait on while closed
    QVERIFY(rig.connectDevice());
    f.setRxTimeoutMs(0);
    QTRY_VERIFY(f.rxWake->sleeping());
    QCOMPARE(f.RxTimer->interval(), RxWake::kIdleMs);

    // Input wakes the receiver; while the packet is open it polls every millisecond.
    QVERIFY(rig.device.write("OK\r"));
    QTRY_COMPARE(f.receiver->RxBytes, std::int64_t(3));
    QCOMPARE(f.RxTimer->interval(), RxWake::kPollMs);
    QVERIFY(!f.rxWake->sleeping());
    rig.clock.advance(1);
    QTRY_COMPARE(rig.shownLines(), QStringList{QStringLiteral("OK")});
    QTRY_VERIFY(f.rxWake->sleeping());

    // A hung-up device signals without input: polling takes over instead of
    // the descriptor waking the receiver again and again.
    rig.device.unplug();
    QTest::qWait(100);
    QVERIFY(!f.rxWake->sleeping());
    QCOMPARE(f.RxTimer->interval(), RxWake::kPollMs);
}

QTEST_MAIN(TestReceiving)
#include "tst_receiving.moc"
