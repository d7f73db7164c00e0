// Sending through the real main window to a pseudo-terminal playing the device.
#include <QElapsedTimer>
#include <QLabel>

#include <memory>

#include "rx/ui/log_view.h"
#include "support/form_rig.h"
#include "support/paint_counter.h"

using namespace vantrel;
using vantrel::test::FormRig;

class SendingTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void atWithCrGoesOnTheWireAndShowsOneLine_data();
    void atWithCrGoesOnTheWireAndShowsOneLine();
    void hexModeSendsTheGridWithItsChecksum();
    void filteredLineIsSentButNotShownNorCounted();
    void portClosedShowsTheErrorWindowOnceAndKeepsTheCommand();
    void emptyCommandWithPortOpenSendsNothing();
    void enterEmptiesCtrlEnterKeepsEscClearsOtherKeysType();
    void sendButtonKeepsTheText();
    void cyrillicGoesOutAsWindows1251AndTheRestAsQuestionMarks();
    void longCommandIsSentWholeButNotRecorded();
    void bytesWaitingBeforeASendNeverReachTheLog();
    void aBurstOfSendsPaintsTheCaptionsOncePerFrame_data();
    void aBurstOfSendsPaintsTheCaptionsOncePerFrame();

private:
    void connectPort();
    std::string wire(std::size_t count) { return rig_->device.readAtLeast(count, 3000); }

    std::unique_ptr<FormRig> rig_;
};

void SendingTest::init() {
    rig_ = std::make_unique<FormRig>(test::RigOptions{.exposed = true});
    QVERIFY(rig_->device.open());
}

void SendingTest::cleanup() { rig_.reset(); }

void SendingTest::connectPort() {
    QVERIFY2(rig_->connectDevice(), "the pty did not open");
    rig_->device.readFor(20);  // whatever opening left behind
}

void SendingTest::atWithCrGoesOnTheWireAndShowsOneLine_data() {
    QTest::addColumn<bool>("withTime");
    QTest::addColumn<QString>("line");
    QTest::newRow("time prefix") << true << " [ 09:07:03:042 > ] AT";
    QTest::newRow("no prefix") << false << "AT";
}

void SendingTest::atWithCrGoesOnTheWireAndShowsOneLine() {
    QFETCH(bool, withTime);
    QFETCH(QString, line);
    connectPort();
    rig_->clock.time.msec = 42;
    rig_->check("VisTime", withTime);
    rig_->fill("AddStrCmd", "$0D");
    const std::int64_t txBefore = rig_->txBytes();

    rig_->send("AT");

    QCOMPARE(wire(3), std::string("AT\r"));
    QCOMPARE(rig_->device.readFor(50), std::string());
    QCOMPARE(rig_->logLines(), QStringList({line}));
    QCOMPARE(rig_->text("LSend"), QString("Send: 1"));
    QCOMPARE(rig_->txBytes(), txBefore + 3);
    QVERIFY2(rig_->text("StaticText3").startsWith("TX: 3 "), qPrintable(rig_->text("StaticText3")));
    QCOMPARE(rig_->historySlot(1), std::string("AT"));
    QVERIFY(!rig_->sendBusy());
}

void SendingTest::hexModeSendsTheGridWithItsChecksum() {
    connectPort();
    rig_->check("RBHEX");
    rig_->fill("AddStrCmd", " [FF - SUM_8(0..n)]");
    rig_->send("01 02 03");
    QCOMPARE(wire(4), std::string("\x01\x02\x03\xF9"));
    QCOMPARE(rig_->logLines(), QStringList({"01 02 03 F9"}));
}

void SendingTest::filteredLineIsSentButNotShownNorCounted() {
    connectPort();
    rig_->fill("FiltrLog", "OK");
    rig_->send("AT");
    QCOMPARE(wire(3), std::string("AT\r"));
    QVERIFY(rig_->logLines().isEmpty());
    QCOMPARE(rig_->text("LSend"), QString("Send: 0"));
    QCOMPARE(rig_->txBytes(), std::int64_t(3));

    // A filter that matches lets the next line through and counts it.
    rig_->fill("FiltrLog", "A");
    rig_->send("AT");
    QCOMPARE(wire(3), std::string("AT\r"));
    QCOMPARE(rig_->logLines(), QStringList({"AT"}));
    QCOMPARE(rig_->text("LSend"), QString("Send: 1"));
}

void SendingTest::portClosedShowsTheErrorWindowOnceAndKeepsTheCommand() {
    QVERIFY(!rig_->portOpen());
    int nestedModals = -1;
    // A timer tick during the window would send again; it must not open a second one.
    rig_->onModal = [this, &nestedModals](QDialog&) {
        rig_->send("nested");
        rig_->key("MainStrCmd", Qt::Key_Return);
        nestedModals = int(rig_->modals.size());
        return 0;
    };
    rig_->fill("MainStrCmd", "AT");
    rig_->key("MainStrCmd", Qt::Key_Return);
    QCOMPARE(int(rig_->modals.size()), 1);
    QCOMPARE(nestedModals, 1);
    QCOMPARE(rig_->text("MainStrCmd"), QString("AT"));
    QVERIFY(!rig_->sendBusy());

    rig_->onModal = nullptr;
    rig_->key("MainStrCmd", Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(int(rig_->modals.size()), 2);
    QCOMPARE(rig_->text("MainStrCmd"), QString("AT"));
    // An empty command with the port closed still shows the window.
    rig_->send("");
    QCOMPARE(int(rig_->modals.size()), 3);
    QVERIFY(rig_->logLines().isEmpty());
    QCOMPARE(rig_->historySlot(1), std::string());
}

void SendingTest::emptyCommandWithPortOpenSendsNothing() {
    connectPort();
    rig_->fill("AddStrCmd", "$0D$0A");
    rig_->fill("MainStrCmd", {});
    rig_->key("MainStrCmd", Qt::Key_Return);
    QCOMPARE(rig_->device.readFor(100), std::string());
    QCOMPARE(int(rig_->modals.size()), 0);
    QVERIFY(rig_->logLines().isEmpty());
    QCOMPARE(rig_->txBytes(), std::int64_t(0));
    QCOMPARE(rig_->text("LSend"), QString("Send: 0"));
    QCOMPARE(rig_->historySlot(1), std::string());
}

void SendingTest::enterEmptiesCtrlEnterKeepsEscClearsOtherKeysType() {
    connectPort();
    rig_->type("MainStrCmd", "AT");
    QCOMPARE(rig_->text("MainStrCmd"), QString("AT"));

    rig_->key("MainStrCmd", Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(wire(3), std::string("AT\r"));
    QCOMPARE(rig_->text("MainStrCmd"), QString("AT"));

    rig_->key("MainStrCmd", Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(wire(3), std::string("AT\r"));
    QVERIFY(rig_->text("MainStrCmd").isEmpty());

    rig_->type("MainStrCmd", "xyz");
    rig_->key("MainStrCmd", Qt::Key_Escape);
    QVERIFY(rig_->text("MainStrCmd").isEmpty());
    QCOMPARE(rig_->device.readFor(50), std::string());
    QCOMPARE(rig_->logLines(), QStringList({"AT", "AT"}));
}

void SendingTest::sendButtonKeepsTheText() {
    connectPort();
    rig_->fill("MainStrCmd", "PING");
    rig_->click("ButtonSend");
    QCOMPARE(wire(5), std::string("PING\r"));
    QCOMPARE(rig_->text("MainStrCmd"), QString("PING"));
}

void SendingTest::cyrillicGoesOutAsWindows1251AndTheRestAsQuestionMarks() {
    connectPort();
    rig_->fill("MainStrCmd", QString::fromUtf8("Привет \u2713"));
    rig_->click("ButtonSend");
    QCOMPARE(wire(9), std::string("\xCF\xF0\xE8\xE2\xE5\xF2 ?\r"));
    QCOMPARE(rig_->logLines(), QStringList({QString::fromUtf8("Привет ?")}));
}

void SendingTest::longCommandIsSentWholeButNotRecorded() {
    connectPort();
    rig_->send("first");
    QCOMPARE(wire(6), std::string("first\r"));
    const std::string longest(254, 'k');
    rig_->send(longest);
    QCOMPARE(wire(255), longest + "\r");
    QCOMPARE(rig_->historySlot(1), longest);

    const std::string tooLong(3000, 'L');
    rig_->fill("AddStrCmd", "$[XOR_8 (0..n)]");
    rig_->send(tooLong);
    // 3000 equal bytes xor to zero.
    QCOMPARE(wire(3001), tooLong + std::string(1, '\0'));
    QCOMPARE(rig_->historySlot(1), longest);
    QCOMPARE(rig_->historySlot(2), std::string("first"));
    QCOMPARE(rig_->txBytes(), std::int64_t(6 + 255 + 3001));
}

void SendingTest::bytesWaitingBeforeASendNeverReachTheLog() {
    connectPort();
    rig_->ctl<QTimer>("RxTimer")->stop();
    QVERIFY(rig_->device.write("stale\r"));
    QTRY_COMPARE_WITH_TIMEOUT(rig_->waiting(), std::size_t(6), 3000);
    rig_->send("AT");
    QCOMPARE(wire(3), std::string("AT\r"));
    QCOMPARE(rig_->waiting(), std::size_t(0));

    // The answer after the send still arrives and is shown.
    rig_->ctl<QTimer>("RxTimer")->start();
    QVERIFY(rig_->device.write("OK\r"));
    // The packet ends by silence on the form's clock, so let that clock run.
    QTimer ticking;
    connect(&ticking, &QTimer::timeout, this, [this] { rig_->clock.advance(5); });
    ticking.start(5);
    QTRY_COMPARE_WITH_TIMEOUT(rig_->logLines().size(), qsizetype(2), 3000);
    QCOMPARE(rig_->logLines(), QStringList({"AT", "OK"}));
}

void SendingTest::aBurstOfSendsPaintsTheCaptionsOncePerFrame_data() {
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("last");
    QTest::newRow("lines shown") << QString() << "LSend" << "Send: 40";
    QTest::newRow("every line filtered out") << "#" << "StaticText3" << "TX: 120 RX: 0";
}

void SendingTest::aBurstOfSendsPaintsTheCaptionsOncePerFrame() {
    QFETCH(QString, filter);
    QFETCH(QString, caption);
    QFETCH(QString, last);
    connectPort();
    rig_->fill("FiltrLog", filter);
    QTest::qWait(LogView::kFloodFrameMs);
    test::PaintCounter count(rig_->ctl<QLabel>(caption));
    QElapsedTimer clock;
    clock.start();
    constexpr int kSends = 40;
    for (int i = 0; i < kSends; ++i) {
        rig_->send("AT");
        QTest::qWait(2);
    }
    const double frames = double(clock.elapsed()) / LogView::kFrameMs;
    QVERIFY2(count.paints <= frames + 2, qPrintable(QString("%1 paints in %2 frames").arg(count.paints).arg(frames)));
    QCOMPARE(wire(3 * kSends).size(), std::size_t(3 * kSends));
    QTRY_COMPARE(rig_->text(caption), last);
}

QTEST_MAIN(SendingTest)
#include "tst_sending.moc"
