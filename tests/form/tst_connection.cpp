// The connect button, the port list and the watchdog through the real main
// window, against a pseudo-terminal playing the device.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

#include "common/ui/colors.h"
#include "app/main_window.h"
#include "serial/serial_link.h"
#include "support/fakes.h"
#include "tools/pty_device.h"

using namespace vantrel;

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
    void startupScanIsSilent();
    void autoConnectWarnsOnTickingOnly();
    void unplugTurnsYellowReplugReconnects();
    void disconnectWhileLostStopsTheAttempts();
    void watchdogWithoutAutoConnectMarksTheLossRed();
    void watchdogDoesNotOpenDuringAFailureBox();

private:
    void makeForm();
    void connectTo(const std::string& name);
    std::uint32_t colour() const { return colorValue(form_->ComPort, true); }
    bool lineControlsEnabled() const;
    bool lineControlsDisabled() const;

    std::unique_ptr<QTemporaryDir> dir_;
    QString oldDir_;
    std::string linkPath_;
    std::vector<std::string> ports_;
    std::vector<int> sleeps_;
    test::FakeClock clock_;
    test::RecordingMessages messages_;
    std::unique_ptr<PtyDevice> device_;
    std::unique_ptr<TForm1> form_;
};

void ConnectionTest::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    oldDir_ = QDir::currentPath();
    QDir::setCurrent(dir_->path());
    linkPath_ = QDir(dir_->path()).filePath("port").toStdString();
    ports_ = {linkPath_};
    sleeps_.clear();
    messages_.shown.clear();
    messages_.nestedLoopMs = 0;
    device_ = std::make_unique<PtyDevice>();
    QVERIFY(device_->open(linkPath_));
    makeForm();
}

void ConnectionTest::cleanup() {
    form_.reset();
    device_.reset();
    QDir::setCurrent(oldDir_);
    dir_.reset();
}

void ConnectionTest::makeForm() {
    FormServices s;
    s.clock = &clock_;
    s.messages = &messages_;
    s.listPorts = [this] { return ports_; };
    s.runModal = [](QDialog&) { return 0; };
    s.sleep = [this](int ms) { sleeps_.push_back(ms); };
    s.cursorPos = [] { return QPoint(-1000, -1000); };
    s.chooseCommandFile = [] { return QString(); };
    form_ = std::make_unique<TForm1>(s);
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    messages_.shown.clear();
}

void ConnectionTest::connectTo(const std::string& name) {
    form_->ComPort->setEditText(QString::fromStdString(name));
    QTest::mouseClick(form_->BTConnect, Qt::LeftButton);
}

bool ConnectionTest::lineControlsEnabled() const {
    const TForm1& f = *form_;
    return f.ComPort->isEnabled() && f.BaudRate->isEnabled() && f.BTRescan->isEnabled() &&
           f.ComBits->isEnabled() && f.ComStopBits->isEnabled();
}

bool ConnectionTest::lineControlsDisabled() const {
    const TForm1& f = *form_;
    return !f.ComPort->isEnabled() && !f.BaudRate->isEnabled() && !f.BTRescan->isEnabled() &&
           !f.ComBits->isEnabled() && !f.ComStopBits->isEnabled();
}

void ConnectionTest::connectAndDisconnectLockAndColourTheControls() {
    const QColor defaultBase = form_->ComPort->palette().color(QPalette::Base);
    form_->BaudRate->setCurrentIndex(7);  // 115200
    connectTo(linkPath_);
    QVERIFY(messages_.shown.empty());
    QVERIFY(form_->PortOpen());
    QCOMPARE(form_->BTConnect->text(), QStringLiteral("Disconnect"));
    QCOMPARE(TForm1::tag(form_->BTConnect), 1);
    QVERIFY(form_->BTConnect->isEnabled());
    QVERIFY(lineControlsDisabled());
    QCOMPARE(colour(), kGreen);
    QCOMPARE(form_->ComPort->palette().color(QPalette::Base), QColor(0, 255, 0));
    QCOMPARE(form_->link->lineSettings(), (LineSettings{115200, 8, 0, 0}));
    // the port is ours alone
    SerialLink intruder;
    QCOMPARE(intruder.open({linkPath_, 9600, 8, 0}, nullptr).failure, OpenFailure::Busy);

    QTest::mouseClick(form_->BTConnect, Qt::LeftButton);
    QVERIFY(!form_->PortOpen());
    QCOMPARE(form_->BTConnect->text(), QStringLiteral("Connect"));
    QCOMPARE(TForm1::tag(form_->BTConnect), 0);
    QVERIFY(form_->BTConnect->isEnabled());
    QVERIFY(lineControlsEnabled());
    QCOMPARE(colour(), colorvalue::kWindow);
    QCOMPARE(form_->ComPort->palette().color(QPalette::Base), defaultBase);
    QVERIFY(!form_->ComPort->testAttribute(Qt::WA_SetPalette));
    QVERIFY(messages_.shown.empty());
    QVERIFY(intruder.open({linkPath_, 9600, 8, 0}, nullptr).ok());  // released
}

void ConnectionTest::sendOnConnectSendsTheCommandLine() {
    form_->AddStrCmd->clear();
    form_->MainStrCmd->setText(QStringLiteral("AT"));
    form_->SendAsReconn->setChecked(true);
    connectTo(linkPath_);
    QVERIFY(form_->PortOpen());
    QCOMPARE(device_->readAtLeast(2, 3000), std::string("AT"));
}

void ConnectionTest::portThatDoesNotOpenIsReportedOnce_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("reasonPart");
    QTest::newRow("plain file") << "ConfigTerminal" << "не последовательный";
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
    QCOMPARE(messages_.shown.size(), std::size_t(1));
    QCOMPARE(messages_.shown[0].text, std::string(kOpenFailed));
    QVERIFY2(QString::fromStdString(messages_.shown[0].detail).contains(reasonPart),
             messages_.shown[0].detail.c_str());
    QVERIFY(!form_->PortOpen());
    QCOMPARE(form_->BTConnect->text(), QStringLiteral("Connect"));
    QCOMPARE(TForm1::tag(form_->BTConnect), 0);
    QVERIFY(form_->BTConnect->isEnabled());
    QVERIFY(lineControlsEnabled());
    // still responsive: the real port connects at once
    holder.close();
    messages_.shown.clear();
    connectTo(linkPath_);
    QVERIFY(form_->PortOpen());
    QVERIFY(messages_.shown.empty());
}

void ConnectionTest::emptyPortNameIsReportedOnlyAsSuch() {
    connectTo("");
    QCOMPARE(messages_.texts(), std::vector<std::string>{kChoosePort});
    QVERIFY(!form_->PortOpen());
    QCOMPARE(TForm1::tag(form_->BTConnect), 0);
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
    form_->BaudRate->setEditText(baud);
    form_->ComBits->setEditText(bits);
    form_->ComStopBits->setEditText(stop);
    connectTo(linkPath_);
    if (namedField.isEmpty()) {
        QVERIFY(messages_.shown.empty());
        QVERIFY(form_->PortOpen());
        QCOMPARE(form_->link->lineSettings().BaudRate, std::uint32_t(takenBaud));
        return;
    }
    QCOMPARE(messages_.shown.size(), std::size_t(1));
    QVERIFY2(QString::fromStdString(messages_.shown[0].text).contains(namedField), messages_.shown[0].text.c_str());
    QVERIFY(!form_->PortOpen());
    QCOMPARE(TForm1::tag(form_->BTConnect), 0);
    // nothing was opened: the port is free
    SerialLink other;
    QVERIFY(other.open({linkPath_, 9600, 8, 0}, nullptr).ok());
}

void ConnectionTest::refusedCombinationReleasesThePort() {
    form_->ComBits->setCurrentIndex(3);      // 8
    form_->ComStopBits->setCurrentIndex(1);  // 1,5
    connectTo(linkPath_);
    QCOMPARE(messages_.texts(), std::vector<std::string>{kOpenFailed});
    QVERIFY(!messages_.shown[0].detail.empty());
    QVERIFY(!form_->PortOpen());
    QCOMPARE(form_->link->lineSettings(), (LineSettings{1200, 8, 0, 1}));
    form_->ComStopBits->setCurrentIndex(2);  // 2
    QTest::mouseClick(form_->BTConnect, Qt::LeftButton);
    QVERIFY(form_->PortOpen());
    QCOMPARE(form_->link->lineSettings(), (LineSettings{1200, 8, 0, 2}));
}

void ConnectionTest::rescanWithoutPortsOffersTtyS0ToTtyS8() {
    ports_.clear();
    QTest::mouseClick(form_->BTRescan, Qt::LeftButton);
    QCOMPARE(messages_.texts(), (std::vector<std::string>{":-(", kRunAsAdmin}));
    QCOMPARE(form_->ComPort->count(), 9);
    for (int i = 0; i < 9; ++i) QCOMPARE(form_->ComPort->itemText(i), QStringLiteral("/dev/ttyS%1").arg(i));
    QCOMPARE(form_->ComPort->currentIndex(), -1);
    QCOMPARE(form_->ComPort->currentText(), QString());
    messages_.shown.clear();
    QTest::mouseClick(form_->BTConnect, Qt::LeftButton);
    QCOMPARE(messages_.texts(), std::vector<std::string>{kChoosePort});
}

void ConnectionTest::rescanListsThePortsFoundFirstSelected() {
    form_->ComPort->setEditText(QStringLiteral("typed"));
    ports_ = {"/dev/ttyUSB4", "/dev/ttyUSB7"};
    QTest::mouseClick(form_->BTRescan, Qt::LeftButton);
    QVERIFY(messages_.shown.empty());
    QCOMPARE(form_->ComPort->count(), 2);
    QCOMPARE(form_->ComPort->itemText(0), QStringLiteral("/dev/ttyUSB4"));
    QCOMPARE(form_->ComPort->itemText(1), QStringLiteral("/dev/ttyUSB7"));
    QCOMPARE(form_->ComPort->currentIndex(), 0);
    QCOMPARE(form_->ComPort->currentText(), QStringLiteral("/dev/ttyUSB4"));
}

void ConnectionTest::startupScanIsSilent() {
    form_.reset();
    ports_.clear();
    messages_.shown.clear();
    FormServices s;
    s.clock = &clock_;
    s.messages = &messages_;
    s.listPorts = [this] { return ports_; };
    s.runModal = [](QDialog&) { return 0; };
    s.sleep = [](int) {};
    form_ = std::make_unique<TForm1>(s);
    for (const auto& e : messages_.shown) {
        QVERIFY(e.text != ":-(");
        QVERIFY(e.text != kRunAsAdmin);
    }
    QCOMPARE(form_->ComPort->count(), 9);
    QCOMPARE(form_->ComPort->currentText(), QString());  // a fresh settings file holds no name
    QVERIFY(!form_->PortOpen());
}

void ConnectionTest::autoConnectWarnsOnTickingOnly() {
    form_->AutoConnect->setChecked(true);
    QCOMPARE(messages_.texts(), std::vector<std::string>{kAutoWarning});
    QVERIFY(form_->CheckConnect->isActive());
    form_->AutoConnect->setChecked(false);
    QCOMPARE(messages_.shown.size(), std::size_t(1));
    QTRY_VERIFY_WITH_TIMEOUT(!form_->CheckConnect->isActive(), 500);
}

void ConnectionTest::unplugTurnsYellowReplugReconnects() {
    form_->AutoConnect->setChecked(true);
    form_->AddStrCmd->clear();
    form_->MainStrCmd->setText(QStringLiteral("HELLO"));
    connectTo(linkPath_);
    QVERIFY(form_->PortOpen());
    form_->SendAsReconn->setChecked(true);  // only for the reconnection
    messages_.shown.clear();

    device_->unplug();
    // the watchdog ticks once a second; allow for a loaded machine
    QTRY_COMPARE_WITH_TIMEOUT(colour(), kYellow, 3000);
    QVERIFY(!form_->PortOpen());
    QCOMPARE(form_->BTConnect->text(), QStringLiteral("Disconnect"));
    QVERIFY(lineControlsDisabled());
    QVERIFY(std::find(sleeps_.begin(), sleeps_.end(), 2000) == sleeps_.end());

    QVERIFY(device_->replug());
    QTRY_COMPARE_WITH_TIMEOUT(colour(), kGreen, 3000);
    QVERIFY(form_->PortOpen());
    QVERIFY(std::find(sleeps_.begin(), sleeps_.end(), 2000) != sleeps_.end());
    QCOMPARE(device_->readAtLeast(5, 3000), std::string("HELLO"));
    QVERIFY(messages_.shown.empty());  // reconnection is silent
}

void ConnectionTest::disconnectWhileLostStopsTheAttempts() {
    form_->AutoConnect->setChecked(true);
    connectTo(linkPath_);
    QVERIFY(form_->PortOpen());
    device_->unplug();
    QTRY_COMPARE_WITH_TIMEOUT(colour(), kYellow, 3000);

    QTest::mouseClick(form_->BTConnect, Qt::LeftButton);
    QCOMPARE(form_->BTConnect->text(), QStringLiteral("Connect"));
    QCOMPARE(colour(), colorvalue::kWindow);
    QVERIFY(lineControlsEnabled());
    QVERIFY(device_->replug());
    form_->CheckConnectTimer();
    form_->CheckConnectTimer();
    QVERIFY(!form_->PortOpen());
    QCOMPARE(colour(), colorvalue::kWindow);
    // the port was left free
    SerialLink other;
    QVERIFY(other.open({linkPath_, 9600, 8, 0}, nullptr).ok());
}

void ConnectionTest::watchdogWithoutAutoConnectMarksTheLossRed() {
    connectTo(linkPath_);
    QVERIFY(form_->PortOpen());
    form_->CheckConnectTimer();  // healthy: nothing changes
    QCOMPARE(colour(), kGreen);
    QVERIFY(form_->PortOpen());
    device_->unplug();
    form_->CheckConnectTimer();
    QCOMPARE(colour(), kRed);
    QVERIFY(!form_->PortOpen());
    QCOMPARE(form_->BTConnect->text(), QStringLiteral("Disconnect"));
    QVERIFY(device_->replug());
    form_->CheckConnectTimer();  // no reconnection without AutoConnect
    QVERIFY(!form_->PortOpen());
    QCOMPARE(colour(), kRed);
}

void ConnectionTest::watchdogDoesNotOpenDuringAFailureBox() {
    form_->AutoConnect->setChecked(true);
    messages_.shown.clear();
    messages_.nestedLoopMs = 1300;  // at least one watchdog tick inside the box
    int ticks = 0;
    connect(form_->CheckConnect, &QTimer::timeout, this, [&ticks] { ++ticks; });
    form_->ComStopBits->setCurrentIndex(1);  // 8 bits with 1,5: refused
    connectTo(linkPath_);
    QCOMPARE(messages_.texts(), std::vector<std::string>{kOpenFailed});
    QVERIFY(ticks >= 1);
    QVERIFY(!form_->PortOpen());
    QCOMPARE(colour(), colorvalue::kWindow);
    QCOMPARE(TForm1::tag(form_->BTConnect), 0);
}

QTEST_MAIN(ConnectionTest)
#include "tst_connection.moc"
