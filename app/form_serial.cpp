// The serial link in the window: the port list, open and close with the
// settings of the line controls, the connect button and the watchdog.
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QTimer>

#include "app/busy_mark.h"
#include "app/colors.h"
#include "app/main_window.h"
#include "app/text_codec.h"
#include "serial/port_settings.h"
#include "serial/serial_link.h"
#include "tx/send_modes.h"

namespace vantrel {

namespace {

constexpr std::uint32_t kGreen = 0x0000FF00;
constexpr std::uint32_t kRed = 0x000000FF;
constexpr std::uint32_t kYellow = 0x0000FFFF;

const char* const kOpenFailed = "Что-то не открывается порт. Программа может работать только с COM1..COM9.";

std::string utf8(const QString& s) { return s.toUtf8().toStdString(); }

// Restores the button however the handler ends.
struct ReenableOnExit {
    QPushButton* button;
    ~ReenableOnExit() { button->setEnabled(true); }
};

}  // namespace

void TForm1::setupSerialHandlers() {
    connect(BTConnect, &QPushButton::clicked, this, [this] { BTConnectClick(); });
    connect(BTRescan, &QPushButton::clicked, this, [this] { BTRescanClick(); });
    connect(AutoConnect, &QCheckBox::toggled, this, [this] { AutoConnectClick(); });
    setTag(BTConnect, 0);
}

void TForm1::setLinkColour(std::uint32_t value) {
    applyBackgroundValue(ComPort, value);
    if (value == colorvalue::kWindow) {
        // Back to the desktop's own look rather than a copy of its colour.
        ComPort->setPalette(QPalette());
        ComPort->setAutoFillBackground(false);
    }
}

void TForm1::setLineControlsEnabled(bool enabled) {
    for (QWidget* w : std::initializer_list<QWidget*>{ComPort, BaudRate, BTRescan, ComBits, ComStopBits})
        w->setEnabled(enabled);
}

bool TForm1::PortOpen() const { return link && link->isOpen(); }

void TForm1::ScanPorts() {
    ComPort->clear();
    ComPort->clearEditText();
    const std::vector<std::string> found = services_.listPorts();
    if (found.empty() && !StartupInProgress) {
        messages().info(":-(");
        messages().info("Запустите программу от имени администратора или выберите порт вручную");
    }
    for (const std::string& name : found) ComPort->addItem(QFile::decodeName(QByteArray::fromStdString(name)));
    if (!found.empty()) {
        ComPort->setCurrentIndex(0);
        return;
    }
    for (const std::string& name : fallbackPortNames())
        ComPort->addItem(QFile::decodeName(QByteArray::fromStdString(name)));
    ComPort->setCurrentIndex(-1);
    ComPort->clearEditText();
}

bool TForm1::OpenPort() {
    OpenFailureShown = false;
    const QString name = ComPort->currentText();
    PortSettings ps;
    ps.portName = QFile::encodeName(name).toStdString();

    // Typed texts that match no item: a plain number is taken as it stands.
    const auto baud = parseBaudRate(utf8(BaudRate->currentText()));
    const auto bits = parseDataBits(utf8(ComBits->currentText()));
    const auto stop = parseStopBitsCode(utf8(ComStopBits->currentText()));
    const char* bad = nullptr;
    const QComboBox* badBox = nullptr;
    if (!baud) {
        bad = "Неверная скорость в поле BaudRate: нужно целое положительное число.";
        badBox = BaudRate;
    } else if (!bits) {
        bad = "Неверное число бит данных в поле ComBits: допустимо от 5 до 8.";
        badBox = ComBits;
    } else if (!stop) {
        bad = "Неверное число стоп-бит в поле ComStopBits: допустимо 1, 1,5 или 2.";
        badBox = ComStopBits;
    }
    if (bad) {
        messages().info(bad, "Введено: «" + utf8(badBox->currentText()) + "»");
        OpenFailureShown = true;
        LastOpenResult = openFailure(OpenFailure::SettingsRefused);
        return false;
    }
    ps.baudRate = *baud;
    ps.dataBits = *bits;
    ps.stopBitsCode = *stop;

    if (name.isEmpty()) {
        messages().info("Выбери порт!");
        OpenFailureShown = true;
    }
    LastOpenResult = link->open(ps, [this](int ms) { sleep(ms); });
    return LastOpenResult.ok();
}

void TForm1::ClosePort() { link->close(); }

void TForm1::BTRescanClick() { ScanPorts(); }

void TForm1::BTConnectClick() {
    BTConnect->setEnabled(false);
    const ReenableOnExit reenable{BTConnect};
    if (tag(BTConnect) == 0) {
        if (OpenPort()) {
            setLineControlsEnabled(false);
            BTConnect->setText(QStringLiteral("Disconnect"));
            setTag(BTConnect, 1);
            setLinkColour(kGreen);
            if (SendAsReconn->isChecked()) CheckSendDataAftConnect();
        } else if (!ComPort->currentText().isEmpty() && !OpenFailureShown) {
            messages().info(kOpenFailed, LastOpenResult.reason);
        }
    } else {
        ClosePort();
        setLineControlsEnabled(true);
        BTConnect->setText(QStringLiteral("Connect"));
        setTag(BTConnect, 0);
        setLinkColour(colorvalue::kWindow);
    }
}

void TForm1::CheckConnectTimer() {
    if (WatchdogBusy) return;
    const BusyMark busy(WatchdogBusy);
    const bool ok = link->probe();
    const bool autoOn = AutoConnect->isChecked();
    const int intent = tag(BTConnect);
    if (!autoOn && !ok && PortOpen()) setLinkColour(kRed);
    if (intent == 1 && !PortOpen() && !autoOn) setLinkColour(kRed);
    if (!ok) ClosePort();
    if (!autoOn) return;
    if (intent == 1 && !ok) {
        if (OpenPort()) {
            setLinkColour(kGreen);
            sleep(2000);
            if (SendAsReconn->isChecked()) CheckSendDataAftConnect();
        } else {
            setLinkColour(kYellow);
        }
    } else if (intent == 0) {
        setLinkColour(colorvalue::kWindow);
    }
}

void TForm1::CheckSendDataAftConnect() {
    if (modes->FileCmdMode)
        StartSendCommands();
    else
        SendPortData(toCp(MainStrCmd->text()));
}

void TForm1::AutoConnectClick() {
    const bool on = AutoConnect->isChecked();
    if (on && !CheckConnect->isActive()) CheckConnect->start();
    if (!on) CheckConnect->stop();
    if (on) messages().info("При включенном режиме AutoConnect в некоторых драйверах COM-порта возможны глюки!");
}

}  // namespace vantrel
