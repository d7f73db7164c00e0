// The connect button, the port list and the watchdog through the real main
// window, against a pseudo-terminal playing the device.
#include <memory>

#include "common/ui/colors.h"
#include "support/form_rig.h"

using namespace vantrel;
using vantrel::test::FormRig;

namespace {

const char kOpenFailed[] = "Что-то не открывается порт. Программа может работать только с COM1..COM9.";
const char kChoosePort[] = "Выбери порт!";
const char kAutoWarning[] = "При включенном режиме AutoConnect в некоторых драйверах COM-порта возможны глюки!";
const char kRunAsAdmin[] = "Запустите программу от имени администратора или выберите порт вручную";

constexpr std::uint32_t kGreen = 0xFF00, kRed = 0xFF, kYellow = 0xFFFF;

}  // namespace

class ConnectionTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void connectAndDisconnectLockAndColourTheControls();
    void sendOnConnectSendsTheCommandLine();
    void portThatDoesNotOpenIsReportedOnce_data();
    void portThatDoesNotOpenIsReportedOnce();
    void emptyPortNameIsReportedOnlyAsSuch();
    void unusableFieldTextsAreRefusedAndNumbersTaken_data();
    void unusableFieldTextsAreRefusedAndNumbersTaken();
    void refusedCombinationReleasesThePort();
    void rescanWithoutPortsOffersTtyS0ToTtyS8();
    void rescanListsThePortsFoundFirstSelected();
    void portNamesAreShortTheHintAndTheListWhole();
    void startupScanIsSilent();
    void autoConnectWarnsOnTickingOnly();
    void unplugTurnsYellowReplugReconnects();
    void disconnectWhileLostStopsTheAttempts();
    void watchdogWithoutAutoConnectMarksTheLossRed();
    void watchdogDoesNotOpenDuringAFailureBox();

private:
    void connectTo(const std::string& name);
    std::uint32_t colour() { return colorValue(rig_->ctl("ComPort"), true); }
    bool lineControlsAre(bool enabled);

    std::unique_ptr<FormRig> rig_;
    std::string linkPath_;
};

void ConnectionTest::init() {
    rig_ = std::make_unique<FormRig>(test::RigOptions{.start = false, .exposed = true});
    linkPath_ = rig_->path("port").toStdString();
    rig_->ports = {linkPath_};
    QVERIFY(rig_->device.open(linkPath_));
    rig_->start();
    rig_->messages.shown.clear();
}

void ConnectionTest::cleanup() { rig_.reset(); }

void ConnectionTest::connectTo(const std::string& name) {
    rig_->fill("ComPort", QString::fromStdString(name));
    rig_->click("BTConnect");
}

bool ConnectionTest::lineControlsAre(bool enabled) {
    for (const char* name : {"ComPort", "BaudRate", "BTRescan", "ComBits", "ComStopBits"})
        if (rig_->enabled(name) != enabled) return false;
    return true;
}

void ConnectionTest::connectAndDisconnectLockAndColourTheControls() {
    const QColor defaultBase = rig_->ctl("ComPort")->palette().color(QPalette::Base);
    rig_->select("BaudRate", 7);  // 115200
    connectTo(linkPath_);
    QVERIFY(rig_->messages.shown.empty());
    QVERIFY(rig_->portOpen());
    QCOMPARE(rig_->text("BTConnect"), QStringLiteral("Disconnect"));
    QCOMPARE(rig_->tag("BTConnect"), 1);
    QVERIFY(rig_->enabled("BTConnect"));
    QVERIFY(lineControlsAre(false));
    QCOMPARE(colour(), kGreen);
    QCOMPARE(rig_->ctl("ComPort")->palette().color(QPalette::Base), QColor(0, 255, 0));
    QCOMPARE(rig_->lineSettings(), (LineSettings{115200, 8, 0, 0}));
    // the port is ours alone
    SerialLink intruder;
    QCOMPARE(intruder.open({linkPath_, 9600, 8, 0}, nullptr).failure, OpenFailure::Busy);

    rig_->click("BTConnect");
    QVERIFY(!rig_->portOpen());
    QCOMPARE(rig_->text("BTConnect"), QStringLiteral("Connect"));
    QCOMPARE(rig_->tag("BTConnect"), 0);
    QVERIFY(rig_->enabled("BTConnect"));
    QVERIFY(lineControlsAre(true));
    QCOMPARE(colour(), colorvalue::kWindow);
    QCOMPARE(rig_->ctl("ComPort")->palette().color(QPalette::Base), defaultBase);
    QVERIFY(!rig_->ctl("ComPort")->testAttribute(Qt::WA_SetPalette));
    QVERIFY(rig_->messages.shown.empty());
    QVERIFY(intruder.open({linkPath_, 9600, 8, 0}, nullptr).ok());  // released
}

void ConnectionTest::sendOnConnectSendsTheCommandLine() {
    rig_->fill("AddStrCmd", {});
    rig_->fill("MainStrCmd", QStringLiteral("AT"));
    rig_->check("SendAsReconn");
    connectTo(linkPath_);
    QVERIFY(rig_->portOpen());
    QCOMPARE(rig_->device.readAtLeast(2, 3000), std::string("AT"));
}

void ConnectionTest::portThatDoesNotOpenIsReportedOnce_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("reasonPart");
    QTest::newRow("plain file") << "./ConfigTerminal" << "не последовательный";
    QTest::newRow("directory") << "." << "не последовательный";
    QTest::newRow("missing") << "/dev/ttyNOPE7" << "нет в системе";
    QTest::newRow("odd characters") << "/dev/\x01*?|<>\"'" << "нет в системе";
    QTest::newRow("windows name") << "COM12" << "нет в системе";
    QTest::newRow("not a tty") << "/dev/null" << "не последовательный";
    QTest::newRow("held by another program") << "BUSY" << "занят";
}

void ConnectionTest::portThatDoesNotOpenIsReportedOnce() {
    QFETCH(QString, name);
    QFETCH(QString, reasonPart);
    SerialLink holder;
    if (name == "BUSY") {
        QVERIFY(holder.open({linkPath_, 9600, 8, 0}, nullptr).ok());
        name = QString::fromStdString(linkPath_);
    }
    connectTo(name.toStdString());
    QCOMPARE(rig_->messages.shown.size(), std::size_t(1));
    QCOMPARE(rig_->messages.shown[0].text, std::string(kOpenFailed));
    QVERIFY2(QString::fromStdString(rig_->messages.shown[0].detail).contains(reasonPart),
             rig_->messages.shown[0].detail.c_str());
    QVERIFY(!rig_->portOpen());
    QCOMPARE(rig_->text("BTConnect"), QStringLiteral("Connect"));
    QCOMPARE(rig_->tag("BTConnect"), 0);
    QVERIFY(rig_->enabled("BTConnect"));
    QVERIFY(lineControlsAre(true));
    // still responsive: the real port connects at once
    holder.close();
    rig_->messages.shown.clear();
    connectTo(linkPath_);
    QVERIFY(rig_->portOpen());
    QVERIFY(rig_->messages.shown.empty());
}

void ConnectionTest::emptyPortNameIsReportedOnlyAsSuch() {
    connectTo("");
    QCOMPARE(rig_->messages.texts(), std::vector<std::string>{kChoosePort});
    QVERIFY(!rig_->portOpen());
    QCOMPARE(rig_->tag("BTConnect"), 0);
}

void ConnectionTest::unusableFieldTextsAreRefusedAndNumbersTaken_data() {
    QTest::addColumn<QString>("baud");
    QTest::addColumn<QString>("bits");
    QTest::addColumn<QString>("stop");
    QTest::addColumn<QString>("namedField");  // empty: opens
    QTest::addColumn<uint>("takenBaud");
    QTest::newRow("custom rate") << "250000" << "8" << "1" << "" << 250000u;
    QTest::newRow("rate with blanks") << " 9600 " << "7" << "2" << "" << 9600u;
    QTest::newRow("rate text") << "fast" << "8" << "1" << "BaudRate" << 0u;
    QTest::newRow("rate zero") << "0" << "8" << "1" << "BaudRate" << 0u;
    QTest::newRow("rate negative") << "-9600" << "8" << "1" << "BaudRate" << 0u;
    QTest::newRow("rate too big") << "99999999999" << "8" << "1" << "BaudRate" << 0u;
    QTest::newRow("bits 9") << "9600" << "9" << "1" << "ComBits" << 0u;
    QTest::newRow("bits empty") << "9600" << "" << "1" << "ComBits" << 0u;
    QTest::newRow("stop 3") << "9600" << "8" << "3" << "ComStopBits" << 0u;
}

void ConnectionTest::unusableFieldTextsAreRefusedAndNumbersTaken() {
    QFETCH(QString, baud);
    QFETCH(QString, bits);
    QFETCH(QString, stop);
    QFETCH(QString, namedField);
    QFETCH(uint, takenBaud);
    rig_->fill("BaudRate", baud);
    rig_->fill("ComBits", bits);
    rig_->fill("ComStopBits", stop);
    connectTo(linkPath_);
    if (namedField.isEmpty()) {
        QVERIFY(rig_->messages.shown.empty());
        QVERIFY(rig_->portOpen());
        QCOMPARE(rig_->lineSettings().BaudRate, std::uint32_t(takenBaud));
        return;
    }
    QCOMPARE(rig_->messages.shown.size(), std::size_t(1));
    QVERIFY2(QString::fromStdString(rig_->messages.shown[0].text).contains(namedField), rig_->messages.shown[0].text.c_str());
    QVERIFY(!rig_->portOpen());
    QCOMPARE(rig_->tag("BTConnect"), 0);
    // nothing was opened: the port is free
    SerialLink other;
    QVERIFY(other.open({linkPath_, 9600, 8, 0}, nullptr).ok());
}

void ConnectionTest::refusedCombinationReleasesThePort() {
    rig_->select("ComBits", 3);      // 8
    rig_->select("ComStopBits", 1);  // 1,5
    connectTo(linkPath_);
    QCOMPARE(rig_->messages.texts(), std::vector<std::string>{kOpenFailed});
    QVERIFY(!rig_->messages.shown[0].detail.empty());
    QVERIFY(!rig_->portOpen());
    QCOMPARE(rig_->lineSettings(), (LineSettings{1200, 8, 0, 1}));
    rig_->select("ComStopBits", 2);  // 2
    rig_->click("BTConnect");
    QVERIFY(rig_->portOpen());
    QCOMPARE(rig_->lineSettings(), (LineSettings{1200, 8, 0, 2}));
}

void ConnectionTest::rescanWithoutPortsOffersTtyS0ToTtyS8() {
    rig_->ports.clear();
    rig_->click("BTRescan");
    QCOMPARE(rig_->messages.texts(), (std::vector<std::string>{":-(", kRunAsAdmin}));
    QCOMPARE(rig_->ctl<QComboBox>("ComPort")->count(), 9);
    for (int i = 0; i < 9; ++i) QCOMPARE(rig_->ctl<QComboBox>("ComPort")->itemText(i), QStringLiteral("ttyS%1").arg(i));
    QCOMPARE(rig_->ctl<QComboBox>("ComPort")->currentIndex(), -1);
    QCOMPARE(rig_->text("ComPort"), QString());
    rig_->messages.shown.clear();
    rig_->click("BTConnect");
    QCOMPARE(rig_->messages.texts(), std::vector<std::string>{kChoosePort});
}

void ConnectionTest::rescanListsThePortsFoundFirstSelected() {
    rig_->fill("ComPort", QStringLiteral("typed"));
    rig_->ports = {"/dev/ttyUSB4", "/dev/ttyUSB7"};
    rig_->click("BTRescan");
    QVERIFY(rig_->messages.shown.empty());
    QCOMPARE(rig_->ctl<QComboBox>("ComPort")->count(), 2);
    QCOMPARE(rig_->ctl<QComboBox>("ComPort")->itemText(0), QStringLiteral("/dev/ttyUSB4"));
    QCOMPARE(rig_->ctl<QComboBox>("ComPort")->itemText(1), QStringLiteral("/dev/ttyUSB7"));
    QCOMPARE(rig_->ctl<QComboBox>("ComPort")->currentIndex(), 0);
    QCOMPARE(rig_->text("ComPort"), QStringLiteral("/dev/ttyUSB4"));
}

void ConnectionTest::portNamesAreShortTheHintAndTheListWhole() {
    auto* box = rig_->ctl<QComboBox>("ComPort");
    rig_->ports = {"ttyUSB0", "vantrel-demo-port-of-a-long-name"};
    rig_->click("BTRescan");
    QCOMPARE(rig_->text("ComPort"), QStringLiteral("ttyUSB0"));
    QCOMPARE(box->toolTip(), QStringLiteral("Port: /dev/ttyUSB0"));
    // The field keeps its 61 pixels; its list shows the longest name whole.
    QCOMPARE(box->width(), 61);
    const int longest = box->view()->fontMetrics().horizontalAdvance(box->itemText(1));
    QVERIFY(box->view()->minimumWidth() > longest);
    rig_->fill("ComPort", QStringLiteral("/tmp/some/pty"));
    QCOMPARE(box->toolTip(), QStringLiteral("Port: /tmp/some/pty"));
    rig_->fill("ComPort", {});
    QCOMPARE(box->toolTip(), QStringLiteral("Port"));
}

void ConnectionTest::startupScanIsSilent() {
    rig_->stop();
    rig_->ports.clear();
    rig_->messages.shown.clear();
    rig_->start();
    for (const auto& e : rig_->messages.shown) {
        QVERIFY(e.text != ":-(");
        QVERIFY(e.text != kRunAsAdmin);
    }
    QCOMPARE(rig_->ctl<QComboBox>("ComPort")->count(), 9);
    QCOMPARE(rig_->text("ComPort"), QString());  // a fresh settings file holds no name
    QVERIFY(!rig_->portOpen());
}

void ConnectionTest::autoConnectWarnsOnTickingOnly() {
    rig_->check("AutoConnect");
    QCOMPARE(rig_->messages.texts(), std::vector<std::string>{kAutoWarning});
    QVERIFY(rig_->active("CheckConnect"));
    rig_->check("AutoConnect", false);
    QCOMPARE(rig_->messages.shown.size(), std::size_t(1));
    QTRY_VERIFY_WITH_TIMEOUT(!rig_->active("CheckConnect"), 500);
}

void ConnectionTest::unplugTurnsYellowReplugReconnects() {
    rig_->check("AutoConnect");
    rig_->fill("AddStrCmd", {});
    rig_->fill("MainStrCmd", QStringLiteral("HELLO"));
    connectTo(linkPath_);
    QVERIFY(rig_->portOpen());
    rig_->check("SendAsReconn");  // only for the reconnection
    rig_->messages.shown.clear();

    rig_->device.unplug();
    // the watchdog ticks once a second; allow for a loaded machine
    QTRY_COMPARE_WITH_TIMEOUT(colour(), kYellow, 3000);
    QVERIFY(!rig_->portOpen());
    QCOMPARE(rig_->text("BTConnect"), QStringLiteral("Disconnect"));
    QVERIFY(lineControlsAre(false));
    QVERIFY(std::find(rig_->sleeps.begin(), rig_->sleeps.end(), 2000) == rig_->sleeps.end());

    QVERIFY(rig_->device.replug());
    QTRY_COMPARE_WITH_TIMEOUT(colour(), kGreen, 3000);
    QVERIFY(rig_->portOpen());
    QVERIFY(std::find(rig_->sleeps.begin(), rig_->sleeps.end(), 2000) != rig_->sleeps.end());
    QCOMPARE(rig_->device.readAtLeast(5, 3000), std::string("HELLO"));
    QVERIFY(rig_->messages.shown.empty());  // reconnection is silent
}

void ConnectionTest::disconnectWhileLostStopsTheAttempts() {
    rig_->check("AutoConnect");
    connectTo(linkPath_);
    QVERIFY(rig_->portOpen());
    rig_->device.unplug();
    QTRY_COMPARE_WITH_TIMEOUT(colour(), kYellow, 3000);

    rig_->click("BTConnect");
    QCOMPARE(rig_->text("BTConnect"), QStringLiteral("Connect"));
    QCOMPARE(colour(), colorvalue::kWindow);
    QVERIFY(lineControlsAre(true));
    QVERIFY(rig_->device.replug());
    rig_->fire("CheckConnect");
    rig_->fire("CheckConnect");
    QVERIFY(!rig_->portOpen());
    QCOMPARE(colour(), colorvalue::kWindow);
    // the port was left free
    SerialLink other;
    QVERIFY(other.open({linkPath_, 9600, 8, 0}, nullptr).ok());
}

void ConnectionTest::watchdogWithoutAutoConnectMarksTheLossRed() {
    connectTo(linkPath_);
    QVERIFY(rig_->portOpen());
    rig_->fire("CheckConnect");  // healthy: nothing changes
    QCOMPARE(colour(), kGreen);
    QVERIFY(rig_->portOpen());
    rig_->device.unplug();
    rig_->fire("CheckConnect");
    QCOMPARE(colour(), kRed);
    QVERIFY(!rig_->portOpen());
    QCOMPARE(rig_->text("BTConnect"), QStringLiteral("Disconnect"));
    QVERIFY(rig_->device.replug());
    rig_->fire("CheckConnect");  // no reconnection without AutoConnect
    QVERIFY(!rig_->portOpen());
    QCOMPARE(colour(), kRed);
}

void ConnectionTest::watchdogDoesNotOpenDuringAFailureBox() {
    rig_->check("AutoConnect");
    rig_->messages.shown.clear();
    rig_->messages.nestedLoopMs = 1300;  // at least one watchdog tick inside the box
    int ticks = 0;
    connect(rig_->ctl<QTimer>("CheckConnect"), &QTimer::timeout, this, [&ticks] { ++ticks; });
    rig_->select("ComStopBits", 1);  // 8 bits with 1,5: refused
    connectTo(linkPath_);
    QCOMPARE(rig_->messages.texts(), std::vector<std::string>{kOpenFailed});
    QVERIFY(ticks >= 1);
    QVERIFY(!rig_->portOpen());
    QCOMPARE(colour(), colorvalue::kWindow);
    QCOMPARE(rig_->tag("BTConnect"), 0);
}

QTEST_MAIN(ConnectionTest)
#include "tst_connection.moc"
