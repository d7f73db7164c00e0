#include "serial/ui/connection_part.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>

#include "common/config_image.h"
#include "common/messages.h"
#include "common/ui/busy_mark.h"
#include "common/ui/colors.h"
#include "common/ui/controls.h"
#include "common/ui/text_codec.h"
#include "serial/net_connect.h"
#include "serial/port_list.h"
#include "serial/port_settings.h"
#include "serial/serial_link.h"
#include "serial/watchdog.h"

namespace vantrel {

namespace {

const char* const kOpenFailed = "Что-то не открывается порт. Программа может работать только с COM1..COM9.";

std::string utf8(const QString& s) { return s.toUtf8().toStdString(); }

std::uint32_t colourValue(LinkColour c) {
    switch (c) {
        case LinkColour::Green: return 0x0000FF00;
        case LinkColour::Yellow: return colorvalue::kYellow;
        case LinkColour::Red: return 0x000000FF;
        case LinkColour::Window: break;
    }
    return colorvalue::kWindow;
}

// The index of the item the box shows; -1 when its text matches none.
int shownItem(const QComboBox* box) { return box->findText(box->currentText()); }

// Out-of-range indexes leave the box without a selection.
void selectItem(QComboBox* box, int index) { box->setCurrentIndex(index < box->count() ? index : -1); }

void setBoxText(QComboBox* box, const QString& text) {
    const int i = box->findText(text);
    if (i >= 0)
        box->setCurrentIndex(i);
    else
        box->setEditText(text);
}

// A rate typed into the box that is none of its items; 0 otherwise.
std::uint32_t typedRate(const QComboBox* box) {
    if (shownItem(box) >= 0) return 0;
    bool ok = false;
    const uint rate = box->currentText().trimmed().toUInt(&ok);
    return ok ? rate : 0;
}

}  // namespace

ConnectionPart::ConnectionPart(QWidget* bar, ConnectionServices services, QObject* parent)
    : QObject(parent), services_(std::move(services)), link_(std::make_unique<SerialLink>(services_.makePort)) {
    BTConnect = button(bar, "BTConnect", "Connect", 0, 0, 65, 25);
    BTRescan = button(bar, "BTRescan", "ReScan", 64, 0, 65, 25);
    ComPort = combo(bar, "ComPort", 128, 0, 61, 21, "Port", {}, -1);
    // The field is narrow: the condensed cut shows a whole name such as "ttyUSB0".
    QFont narrow = ComPort->font();
    narrow.setStretch(QFont::Condensed);
    ComPort->setFont(narrow);
    BaudRate = combo(bar, "BaudRate", 188, 0, 61, 21, "BaudRate",
                     {"1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200"}, 0);
    ComBits = combo(bar, "ComBits", 248, 0, 37, 21, "Bits", {"5", "6", "7", "8"}, 3);
    ComStopBits = combo(bar, "ComStopBits", 284, 0, 37, 21, "StopBit", {"1", "1,5", "2"}, 0);
    AutoConnect = check(bar, "AutoConnect", "AutoConnect", 324, 4, 89, 17);

    CheckConnect = new QTimer(this);
    CheckConnect->setObjectName(QStringLiteral("CheckConnect"));
    CheckConnect->setInterval(1000);
    CheckConnect->start();

    OutputTimer = new QTimer(this);
    OutputTimer->setObjectName(QStringLiteral("OutputTimer"));
    connect(OutputTimer, &QTimer::timeout, this, &ConnectionPart::drainOutput);

    ConnectTimer = new QTimer(this);
    ConnectTimer->setObjectName(QStringLiteral("ConnectTimer"));
    ConnectTimer->setInterval(20);
    connect(ConnectTimer, &QTimer::timeout, this, &ConnectionPart::ConnectTimerTick);

    connect(CheckConnect, &QTimer::timeout, this, &ConnectionPart::CheckConnectTimer);
    connect(BTConnect, &QPushButton::clicked, this, &ConnectionPart::BTConnectClick);
    connect(BTRescan, &QPushButton::clicked, this, [this] { ScanPorts(); });
    connect(AutoConnect, &QCheckBox::toggled, this, &ConnectionPart::AutoConnectClick);
    connect(ComPort, &QComboBox::currentTextChanged, this, &ConnectionPart::showPortPath);
    setTag(BTConnect, 0);
}

ConnectionPart::~ConnectionPart() {
    // The notifier goes before the descriptor it watches; the link drops what waits.
    stopOutput();
}

bool ConnectionPart::PortOpen() const { return link_->isOpen(); }

void ConnectionPart::focusConnectButton() { BTConnect->setFocus(Qt::OtherFocusReason); }

void ConnectionPart::followAutoConnect() {
    // start() only when stopped, so the running second is not restarted.
    if (AutoConnect->isChecked() && !CheckConnect->isActive()) CheckConnect->start();
    if (!AutoConnect->isChecked() && CheckConnect->isActive()) CheckConnect->stop();
}

// The field is narrow: its hint gives the whole device path, of the open port while connected.
void ConnectionPart::showPortPath() {
    const std::string name =
        PortOpen() ? openedName_ : QFile::encodeName(ComPort->currentText()).toStdString();
    const QString path = QFile::decodeName(QByteArray::fromStdString(portDevicePath(name)));
    ComPort->setToolTip(path.isEmpty() ? QStringLiteral("Port") : QStringLiteral("Port: ") + path);
    // A name longer than the field shows its start, not its end, unless being typed.
    if (QLineEdit* field = ComPort->lineEdit(); field && !field->hasFocus()) field->setCursorPosition(0);
}

// The drop-down list is as wide as its longest name, however narrow the field.
void ConnectionPart::fitPortList() {
    const QFontMetrics metrics(ComPort->view()->font());
    int widest = 0;
    for (int i = 0; i < ComPort->count(); ++i) widest = std::max(widest, metrics.horizontalAdvance(ComPort->itemText(i)));
    ComPort->view()->setMinimumWidth(widest + 2 * metrics.averageCharWidth() + ComPort->view()->frameWidth() * 2);
}

void ConnectionPart::setLinkColour(LinkColour colour) {
    const std::uint32_t value = colourValue(colour);
    applyBackgroundValue(ComPort, value);
    if (value == colorvalue::kWindow) {
        // Back to the desktop's own look rather than a copy of its colour.
        ComPort->setPalette(QPalette());
        ComPort->setAutoFillBackground(false);
    }
}

void ConnectionPart::setLineControlsEnabled(bool enabled) {
    for (QWidget* w : std::initializer_list<QWidget*>{ComPort, BaudRate, BTRescan, ComBits, ComStopBits})
        w->setEnabled(enabled);
}

void ConnectionPart::ScanPorts(bool silent) {
    ComPort->clear();
    ComPort->clearEditText();
    const std::vector<std::string> found = services_.listPorts();
    if (found.empty() && !silent) {
        services_.messages->info(":-(");
        services_.messages->info("Запустите программу от имени администратора или выберите порт вручную");
    }
    for (const std::string& name : found) ComPort->addItem(QFile::decodeName(QByteArray::fromStdString(name)));
    if (!found.empty()) {
        ComPort->setCurrentIndex(0);
        fitPortList();
        return;
    }
    for (const std::string& name : fallbackPortNames())
        ComPort->addItem(QFile::decodeName(QByteArray::fromStdString(name)));
    ComPort->setCurrentIndex(-1);
    ComPort->clearEditText();
    fitPortList();
}

ConnectionPart::Opening ConnectionPart::OpenPort() {
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
        services_.messages->info(bad, "Введено: «" + utf8(badBox->currentText()) + "»");
        OpenFailureShown = true;
        LastOpenResult = openFailure(OpenFailure::SettingsRefused);
        return Opening::Failed;
    }
    ps.baudRate = *baud;
    ps.dataBits = *bits;
    ps.stopBitsCode = *stop;

    if (name.isEmpty()) {
        services_.messages->info("Выбери порт!");
        OpenFailureShown = true;
    }
    stopOutput();
    if (isNetworkPortName(ps.portName)) return startConnecting(ps);
    LastOpenResult = link_->open(ps, [this](int ms) { services_.sleep(ms); });
    opened(ps);
    return LastOpenResult.ok() ? Opening::Opened : Opening::Failed;
}

void ConnectionPart::opened(const PortSettings& settings) {
    if (LastOpenResult.ok()) {
        openedName_ = settings.portName;
        OutputFailureShown = false;
    }
    showPortPath();
}

ConnectionPart::Opening ConnectionPart::startConnecting(const PortSettings& settings) {
    const std::optional<NetworkAddress> address = parseNetworkPortName(settings.portName);
    if (!address) {
        LastOpenResult = openFailure(OpenFailure::BadAddress);
        return Opening::Failed;
    }
    connecting_ = std::make_unique<NetConnect>(*address);
    connectingSettings_ = settings;
    ConnectTimer->start();
    return Opening::Pending;
}

void ConnectionPart::ConnectTimerTick() {
    if (!connecting_ || !connecting_->done()) return;
    ConnectTimer->stop();
    const std::unique_ptr<NetConnect> attempt = std::move(connecting_);
    LastOpenResult = attempt->result();
    if (LastOpenResult.ok())
        LastOpenResult = link_->adopt(connectingSettings_, makeNetworkPort(attempt->takeSocket(), attempt->address().kind),
                                      [this](int ms) { services_.sleep(ms); });
    opened(connectingSettings_);
    if (!connectingForWatchdog_) {
        finishConnect(LastOpenResult.ok());
        return;
    }
    const BusyMark busy(WatchdogBusy);
    finishReopen(LastOpenResult.ok());
}

void ConnectionPart::cancelConnecting() {
    ConnectTimer->stop();
    connecting_.reset();
}

void ConnectionPart::ClosePort() {
    cancelConnecting();
    // What still waits is dropped at once: closing must not wait for the line.
    const bool pending = link_->outputPending();
    stopOutput();
    link_->close();
    emit closed();
    showPortPath();
    if (pending) emit outputDrained(false);
}

// ------------------------------------------------------------ output queue

void ConnectionPart::drainOutput() {
    if (DrainBusy) return;
    const BusyMark busy(DrainBusy);
    const bool pending = link_->outputPending();
    const SerialLink::Drained d = link_->drainOutput();
    if (d.written != 0) {
        if (!d.failed) OutputFailureShown = false;
        emit outputWritten(d.written);
    }
    if (d.failed) reportOutputFailure(d.dropped);
    followOutput();
    if (pending && !link_->outputPending()) emit outputDrained(!d.failed);
}

void ConnectionPart::reportOutputFailure(std::size_t dropped) {
    if (OutputFailureShown) return;
    OutputFailureShown = true;
    // With AutoConnect the watchdog's colour tells it, and the link comes back by itself.
    if (AutoConnect->isChecked()) return;
    services_.messages->info("Порт перестал принимать данные: не отправлено " + std::to_string(dropped) + " байт");
}

void ConnectionPart::followOutput() {
    if (!link_->isOpen() || !link_->outputPending()) {
        OutputTimer->stop();
        if (outputNotifier_) outputNotifier_->setEnabled(false);
        return;
    }
    const int handle = link_->outputHandle();
    if (outputNotifier_ && notifierHandle_ != handle) stopOutput();
    if (handle >= 0 && !outputNotifier_) {
        outputNotifier_ = new QSocketNotifier(handle, QSocketNotifier::Write, this);
        notifierHandle_ = handle;
        connect(outputNotifier_, &QSocketNotifier::activated, this, &ConnectionPart::drainOutput);
    }
    if (outputNotifier_) outputNotifier_->setEnabled(true);
    // A hang-up need not wake a write notifier: the slower timer still finds it.
    const int interval = handle >= 0 ? 50 : 5;
    if (!OutputTimer->isActive() || OutputTimer->interval() != interval) OutputTimer->start(interval);
}

// Also lets the notifier go: its descriptor is about to close or change.
void ConnectionPart::stopOutput() {
    OutputTimer->stop();
    if (!outputNotifier_) return;
    outputNotifier_->setEnabled(false);
    outputNotifier_->deleteLater();
    outputNotifier_ = nullptr;
    notifierHandle_ = -1;
}

void ConnectionPart::BTConnectClick() {
    if (connecting_ && !connectingForWatchdog_) return;  // the button's own attempt still runs
    BTConnect->setEnabled(false);
    if (tag(BTConnect) == 0) {
        const Opening o = OpenPort();
        if (o == Opening::Pending) {
            // The button stays off until the connection is made or refused.
            connectingForWatchdog_ = false;
            setLineControlsEnabled(false);
            return;
        }
        finishConnect(o == Opening::Opened);
        return;
    }
    ClosePort();
    setLineControlsEnabled(true);
    BTConnect->setText(QStringLiteral("Connect"));
    setTag(BTConnect, 0);
    setLinkColour(LinkColour::Window);
    BTConnect->setEnabled(true);
}

void ConnectionPart::finishConnect(bool opened) {
    if (opened) {
        setLineControlsEnabled(false);
        BTConnect->setText(QStringLiteral("Disconnect"));
        setTag(BTConnect, 1);
        setLinkColour(LinkColour::Green);
        emit connected();
    } else {
        setLineControlsEnabled(true);
        if (!ComPort->currentText().isEmpty() && !OpenFailureShown)
            services_.messages->info(kOpenFailed, LastOpenResult.reason);
    }
    BTConnect->setEnabled(true);
}

void ConnectionPart::CheckConnectTimer() {
    if (WatchdogBusy || connecting_) return;
    const BusyMark busy(WatchdogBusy);
    const bool ok = link_->probe();
    const WatchdogStep step = watchdogStep({ok, PortOpen(), AutoConnect->isChecked(), tag(BTConnect) == 1});
    if (step.colour) setLinkColour(*step.colour);
    if (step.close) ClosePort();
    if (!step.reopen) return;
    const Opening o = OpenPort();
    if (o == Opening::Pending) {
        connectingForWatchdog_ = true;
        setLinkColour(LinkColour::Yellow);
        return;
    }
    finishReopen(o == Opening::Opened);
}

void ConnectionPart::finishReopen(bool opened) {
    const ReopenStep back = reopenStep(opened);
    setLinkColour(back.colour);
    if (!back.reconnected) return;
    services_.sleep(back.settleMs);
    emit connected();
}

void ConnectionPart::AutoConnectClick() {
    const bool on = AutoConnect->isChecked();
    if (on && !CheckConnect->isActive()) CheckConnect->start();
    if (!on) CheckConnect->stop();
    if (on) services_.messages->info("При включенном режиме AutoConnect в некоторых драйверах COM-порта возможны глюки!");
}

void ConnectionPart::applySettings(const ConfigImage& c) {
    // A full path of an older settings file shows as the list shows it.
    setBoxText(ComPort, fromCp(shortPortName(c.portName())));
    selectItem(BaudRate, c.baudIndex());
    if (c.typedBaud() != 0) BaudRate->setEditText(QString::number(c.typedBaud()));
    selectItem(ComBits, c.bitsIndex());
    selectItem(ComStopBits, c.stopBitsIndex());
    AutoConnect->setChecked(c.autoConnectOn());  // ticked: the warning shows now
}

void ConnectionPart::storeSettings(ConfigImage& c) const {
    c.setPortName(toCp(ComPort->currentText()));
    c.setBaudIndex(shownItem(BaudRate));
    c.setTypedBaud(typedRate(BaudRate));
    c.setBitsIndex(shownItem(ComBits));
    c.setStopBitsIndex(shownItem(ComStopBits));
    c.setAutoConnectOn(AutoConnect->isChecked());
}

}  // namespace vantrel
