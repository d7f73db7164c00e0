// The window on network ports: socket:// to a plain listener and to ser2net,
// rfc2217:// to ser2net in front of a pseudo-terminal. Bytes go both ways
// unchanged, the line settings reach the device, a server that goes away
// and comes back is reconnected, and a port that cannot be reached costs one
// message while the window keeps answering.
#include <QtTest>

#include <algorithm>
#include <memory>
#include <string>

#include "bench/event_loop.h"
#include "common/ui/colors.h"
#include "support/form_rig.h"
#include "support/net_rig.h"

using namespace vantrel;
using namespace vantrel::test;

namespace {

constexpr std::uint32_t kGreen = 0xFF00, kYellow = 0xFFFF;
constexpr int kOpenMs = 5000;  // the program gives up after about 3 s

enum class Far { Listener, ListenerV6, ListenerByName, Ser2NetRaw, Ser2NetTelnet };

bool viaSer2Net(Far far) { return far == Far::Ser2NetRaw || far == Far::Ser2NetTelnet; }

std::string hexText(const std::string& bytes) {
    return QByteArray::fromStdString(bytes).toHex(' ').toUpper().toStdString();
}

}  // namespace

#define SKIP_WITHOUT_SER2NET(far) \
    if (viaSer2Net(far) && Ser2Net::exe().isEmpty()) QSKIP("ser2net is not installed")

class TestNetworkPortE2e : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void bytesGoBothWaysUnchanged_data();
    void bytesGoBothWaysUnchanged();
    void rfc2217SetsTheDevicesLine_data();
    void rfc2217SetsTheDevicesLine();
    void serverBackReconnectsAndSendsOnce_data();
    void serverBackReconnectsAndSendsOnce();
    void disconnectEndsAPendingReconnection();
    void unreachableCostsOneMessageAndNoStall_data();
    void unreachableCostsOneMessageAndNoStall();

private:
    // Starts the far end and connects the window to `url` (empty: the far end's own).
    void connectTo(Far far, QString url = {});
    std::uint32_t colour() { return colorValue(rig_->ctl("ComPort"), true); }
    bool toDevice(const std::string& bytes) {
        return ser2net_ ? ser2net_->device.write(bytes) : listener_.write(bytes);
    }
    std::string fromProgram(std::size_t n, int ms = 3000) {
        return ser2net_ ? ser2net_->read(n, ms) : listener_.read(n, ms);
    }

    std::unique_ptr<FormRig> rig_;
    LoopbackListener listener_;
    std::unique_ptr<Ser2Net> ser2net_;
};

void TestNetworkPortE2e::init() {
    rig_ = std::make_unique<FormRig>(RigOptions{.systemClock = true});
    rig_->check("VisTime", false);
    rig_->setRxTimeoutMs(20);
    rig_->messages.shown.clear();  // a first start says the settings file is new
}

void TestNetworkPortE2e::cleanup() {
    rig_.reset();
    ser2net_.reset();
    listener_.close();
}

void TestNetworkPortE2e::connectTo(Far far, QString url) {
    if (viaSer2Net(far)) {
        if (!ser2net_) {
            ser2net_ = std::make_unique<Ser2Net>(far == Far::Ser2NetRaw ? Ser2Net::Protocol::Raw
                                                                        : Ser2Net::Protocol::Rfc2217);
            QVERIFY2(ser2net_->start(), qPrintable(ser2net_->said()));
        }
        if (url.isEmpty()) url = ser2net_->url();
    } else {
        QVERIFY(listener_.listen(0, far == Far::ListenerV6));
        if (url.isEmpty())
            url = far == Far::ListenerByName ? QStringLiteral("socket://localhost:%1").arg(listener_.port())
                                             : listener_.url();
    }
    rig_->fill("ComPort", url);
    rig_->click("BTConnect");
    if (!ser2net_) QVERIFY2(listener_.accept(kOpenMs), qPrintable(url));
    QTRY_VERIFY2_WITH_TIMEOUT(rig_->portOpen(), qPrintable(url), kOpenMs);
    QCOMPARE(colour(), kGreen);
}

// NUL, CR and 0xFF are what a Telnet layer or a line discipline would eat or double.
void TestNetworkPortE2e::bytesGoBothWaysUnchanged_data() {
    QTest::addColumn<Far>("far");
    QTest::newRow("socket:// to a listener") << Far::Listener;
    QTest::newRow("socket:// to [::1]") << Far::ListenerV6;
    QTest::newRow("socket:// to localhost") << Far::ListenerByName;
    QTest::newRow("socket:// to ser2net") << Far::Ser2NetRaw;
    QTest::newRow("rfc2217:// to ser2net") << Far::Ser2NetTelnet;
}

void TestNetworkPortE2e::bytesGoBothWaysUnchanged() {
    QFETCH(Far, far);
    SKIP_WITHOUT_SER2NET(far);
    rig_->check("RBHEX");  // no tail: the command's bytes alone
    connectTo(far);
    if (QTest::currentTestFailed()) return;
    // The server's negotiation wakes the receiver with nothing to show: it
    // must go back to sleeping on the socket, not fall back to slow polling.
    QTRY_VERIFY(rig_->rxWakeSleeping());

    const std::string out("A\x00\r\xFF\xFF" "B\r\x00", 8);
    rig_->fill("MainStrCmd", QString::fromStdString(hexText(out)));
    rig_->click("ButtonSend");
    QCOMPARE(hexText(fromProgram(out.size())), hexText(out));
    QCOMPARE(hexText(fromProgram(SIZE_MAX, 200)), std::string());

    const std::string in("\x00\r\xFF\xFF" "C\r\x00\n\xFF", 9);
    const qsizetype before = rig_->logLines().size();
    QVERIFY(toDevice(in));
    QTRY_COMPARE(rig_->rxBytes(), std::int64_t(in.size()));
    // However the bytes were cut into packets, the lines together are the device's bytes.
    QTRY_COMPARE(rig_->logLines().mid(before).join(' ').toStdString(), hexText(in));

    rig_->click("BTConnect");  // Disconnect lets the connection go
    QVERIFY(!rig_->portOpen());
    if (!ser2net_) QVERIFY(listener_.clientGone());
}

// The rate (also one typed, not in the list) and the stop bits reach the
// pty; a Linux pty keeps 8 data bits whatever it is told, so the data size,
// and DTR and RTS off, are read from what the window said to the server.
void TestNetworkPortE2e::rfc2217SetsTheDevicesLine_data() {
    QTest::addColumn<QString>("baud");
    QTest::addColumn<QString>("bits");
    QTest::addColumn<QString>("stop");
    QTest::addColumn<QByteArray>("commands");  // COM-PORT-OPTION commands that must go out
    // SET-BAUDRATE (4 bytes), SET-DATASIZE, SET-PARITY none, SET-STOPSIZE, SET-CONTROL DTR off / RTS off
    const auto sub = [](QByteArray payload) { return QByteArray("\xFF\xFA\x2C", 3) + payload + "\xFF\xF0"; };
    const QByteArray dtrRtsOff = sub(QByteArray("\x05\x09", 2)) + sub(QByteArray("\x05\x0C", 2));
    QTest::newRow("57600 7 2") << "57600" << "7" << "2"
                               << sub(QByteArray("\x01\x00\x00\xE1\x00", 5)) + sub("\x02\x07") + sub("\x03\x01") +
                                      sub("\x04\x02") + dtrRtsOff;
    QTest::newRow("typed 250000 8 1") << "250000" << "8" << "1"
                                      << sub(QByteArray("\x01\x00\x03\xD0\x90", 5)) + sub("\x02\x08") +
                                             sub("\x03\x01") + sub("\x04\x01") + dtrRtsOff;
}

void TestNetworkPortE2e::rfc2217SetsTheDevicesLine() {
    QFETCH(QString, baud);
    QFETCH(QString, bits);
    QFETCH(QString, stop);
    QFETCH(QByteArray, commands);
    SKIP_WITHOUT_SER2NET(Far::Ser2NetTelnet);
    ser2net_ = std::make_unique<Ser2Net>(Ser2Net::Protocol::Rfc2217);
    QVERIFY2(ser2net_->start(), qPrintable(ser2net_->said()));
    RecordingRelay relay;
    QVERIFY(relay.start(ser2net_->port()));
    rig_->fill("BaudRate", baud);
    rig_->fill("ComBits", bits);
    rig_->fill("ComStopBits", stop);
    connectTo(Far::Ser2NetTelnet, QStringLiteral("rfc2217://127.0.0.1:%1").arg(relay.port()));
    if (QTest::currentTestFailed()) return;

    QTRY_COMPARE(ser2net_->line().baud, baud.toUInt());
    QCOMPARE(ser2net_->line().stopBits, stop.toInt());
    const QByteArray said = QByteArray::fromStdString(relay.clientSaid());
    for (qsizetype i = 0; i < commands.size();) {
        const qsizetype end = commands.indexOf("\xFF\xF0", i) + 2;
        const QByteArray one = commands.mid(i, end - i);
        QVERIFY2(said.contains(one), qPrintable(one.toHex(' ') + " not in " + said.toHex(' ')));
        i = end;
    }
}

// The server goes away under an open port and comes back on the same port:
// yellow while it is away, green again, and the command goes once.
void TestNetworkPortE2e::serverBackReconnectsAndSendsOnce_data() {
    QTest::addColumn<Far>("far");
    QTest::newRow("socket://") << Far::Ser2NetRaw;
    QTest::newRow("rfc2217://") << Far::Ser2NetTelnet;
}

void TestNetworkPortE2e::serverBackReconnectsAndSendsOnce() {
    QFETCH(Far, far);
    SKIP_WITHOUT_SER2NET(far);
    rig_->check("AutoConnect");
    rig_->fill("AddStrCmd", {});
    rig_->fill("MainStrCmd", QStringLiteral("HELLO"));
    connectTo(far);
    if (QTest::currentTestFailed()) return;
    rig_->check("SendAsReconn");  // only for the reconnection
    rig_->messages.shown.clear();

    ser2net_->stop();
    QTRY_COMPARE_WITH_TIMEOUT(colour(), kYellow, 3000);
    QVERIFY(!rig_->portOpen());
    QCOMPARE(rig_->text("BTConnect"), QStringLiteral("Disconnect"));
    QTest::qWait(1500);  // attempts against a closed port meanwhile
    QCOMPARE(colour(), kYellow);

    QVERIFY2(ser2net_->start(), qPrintable(ser2net_->said()));
    QTRY_COMPARE_WITH_TIMEOUT(colour(), kGreen, kOpenMs);
    QElapsedTimer sinceGreen;
    sinceGreen.start();
    QCOMPARE(fromProgram(5, 5000), std::string("HELLO"));
    // The 2 s pause: through the window's sleep (recorded by the rig) or on the clock.
    const bool paused = std::count(rig_->sleeps.begin(), rig_->sleeps.end(), 2000) == 1;
    QVERIFY2(paused || sinceGreen.elapsed() >= 1900, qPrintable(QString::number(sinceGreen.elapsed())));
    QCOMPARE(fromProgram(SIZE_MAX, 1500), std::string());
    QVERIFY(rig_->portOpen());
    QCOMPARE(rig_->messages.shown.size(), std::size_t(0));  // reconnection is silent
}

// "Disconnect" while the watchdog's attempt still waits for an answer ends
// the attempt: its end neither colours the box nor opens the port.
void TestNetworkPortE2e::disconnectEndsAPendingReconnection() {
    rig_->check("AutoConnect");
    connectTo(Far::Listener);
    if (QTest::currentTestFailed()) return;
    rig_->messages.shown.clear();
    const int port = listener_.port();
    listener_.close();
    QVERIFY(listener_.listen(port));
    QVERIFY(listener_.jam());
    QTRY_COMPARE_WITH_TIMEOUT(colour(), kYellow, 3000);
    QTest::qWait(1200);  // a watchdog tick has started an attempt that waits 3 s
    rig_->click("BTConnect");
    QCOMPARE(rig_->text("BTConnect"), QStringLiteral("Connect"));
    // Past the attempt's time-out: the box never turns yellow or green again.
    QElapsedTimer wait;
    wait.start();
    while (wait.elapsed() < 3500) {
        QTest::qWait(20);
        QVERIFY2(colour() != kYellow && colour() != kGreen, qPrintable(QString::number(wait.elapsed())));
    }
    QVERIFY(!rig_->portOpen());
    QCOMPARE(rig_->messages.shown.size(), std::size_t(0));
}

// The window's event loop never stops for long while the connection is tried.
void TestNetworkPortE2e::unreachableCostsOneMessageAndNoStall_data() {
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("reason");
    QTest::newRow("refused") << QStringLiteral("socket://127.0.0.1:%1").arg(freeLoopbackPort())
                             << QStringLiteral("Сервер отказал в соединении");
    QTest::newRow("no such host") << QStringLiteral("socket://no-such-host.invalid:1")
                                  << QStringLiteral("Узел не найден");
    QTest::newRow("no answer") << QString() << QStringLiteral("Нет ответа от узла");
}

void TestNetworkPortE2e::unreachableCostsOneMessageAndNoStall() {
    QFETCH(QString, url);
    QFETCH(QString, reason);
    if (url.isEmpty()) {
        QVERIFY(listener_.listen());
        QVERIFY(listener_.jam());
        url = listener_.url();
    }
    rig_->fill("ComPort", url);
    bench::StallProbe probe;
    QElapsedTimer attempt;
    attempt.start();
    rig_->click("BTConnect");
    QTRY_VERIFY_WITH_TIMEOUT(!rig_->messages.shown.empty(), 6000);
    const qint64 tookMs = attempt.elapsed();
    QTest::qWait(300);
    QStringList shown;
    for (const auto& m : rig_->messages.shown) shown << QString::fromStdString(m.text + " / " + m.detail);
    QVERIFY2(shown.size() == 1 && shown[0].endsWith(" / " + reason), qPrintable(shown.join(u'\n')));
    QVERIFY2(probe.worstMs() < 100, qPrintable(QStringLiteral("stalled %1 ms").arg(probe.worstMs())));
    QVERIFY2(tookMs < 4500, qPrintable(QString::number(tookMs)));
    QVERIFY(!rig_->portOpen());
    QCOMPARE(rig_->text("BTConnect"), QStringLiteral("Connect"));
}

QTEST_MAIN(TestNetworkPortE2e)
#include "tst_network_port_e2e.moc"
