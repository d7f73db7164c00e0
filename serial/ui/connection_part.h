#pragma once
// The connection bar: the port and line-settings boxes, "Connect",
// "ReScan", "AutoConnect" and the watchdog timer behind it. It owns the
// serial link; the sender and the receiver use the link it lends them. It
// also drains the link's output queue while the event loop runs: as the
// port's descriptor turns writable, or on a short timer where there is none.
#include <QObject>

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "serial/port_settings.h"
#include "serial/serial_port.h"

class QCheckBox;
class QComboBox;
class QPushButton;
class QSocketNotifier;
class QTimer;
class QWidget;

namespace vantrel {

class ConfigImage;
class NetConnect;
class Messages;
class SerialLink;
enum class LinkColour : std::uint8_t;

struct ConnectionServices {
    Messages* messages = nullptr;
    std::function<std::unique_ptr<SerialPort>()> makePort;
    std::function<std::vector<std::string>()> listPorts;
    std::function<void(int)> sleep;
};

class ConnectionPart : public QObject {
    Q_OBJECT
public:
    // Makes its controls in `bar` at their places.
    ConnectionPart(QWidget* bar, ConnectionServices services, QObject* parent);
    ~ConnectionPart() override;

    SerialLink& link() const { return *link_; }
    bool PortOpen() const;

    // The port list again; at start-up without its messages.
    void ScanPorts(bool silent = false);
    void applySettings(const ConfigImage& c);
    void storeSettings(ConfigImage& c) const;
    // The watchdog runs exactly while "AutoConnect" is ticked.
    void followAutoConnect();
    void focusConnectButton();

    void BTConnectClick();
    void CheckConnectTimer();
    // Hands the port what it takes now of the queued output; called when a
    // packet was queued and whenever the port has room again.
    void drainOutput();

signals:
    // The port has just been opened, by the button or by reconnection:
    // the moment for "Отправить при соединении".
    void connected();
    // The port has just been closed (by the button or the watchdog).
    void closed();
    // The port took `n` more bytes of the queued output.
    void outputWritten(std::size_t n);
    // The output queue is empty again: `delivered` when its last byte went to
    // the port, false when the rest was dropped (failure, disconnect).
    void outputDrained(bool delivered);

private:
    enum class Opening { Opened, Failed, Pending };
    // A local port opens at once; a network port's connection is made
    // while the event loop runs, and ConnectTimer finishes the open.
    Opening OpenPort();
    Opening startConnecting(const PortSettings& settings);
    void ConnectTimerTick();
    void cancelConnecting();
    void opened(const PortSettings& settings);
    // The ends of an open by the button and by the watchdog.
    void finishConnect(bool opened);
    void finishReopen(bool opened);
    void ClosePort();
    void AutoConnectClick();
    void setLinkColour(LinkColour colour);
    void setLineControlsEnabled(bool enabled);
    void showPortPath();
    void fitPortList();
    // The notifier and the timer run exactly while output waits.
    void followOutput();
    void stopOutput();
    void reportOutputFailure(std::size_t dropped);

    ConnectionServices services_;
    std::unique_ptr<SerialLink> link_;
    QPushButton* BTConnect = nullptr;
    QPushButton* BTRescan = nullptr;
    QComboBox* ComPort = nullptr;
    QComboBox* BaudRate = nullptr;
    QComboBox* ComBits = nullptr;
    QComboBox* ComStopBits = nullptr;
    QCheckBox* AutoConnect = nullptr;
    QTimer* CheckConnect = nullptr;  // 1000 ms
    QTimer* OutputTimer = nullptr;   // drains where the port has no descriptor; a backstop where it has
    QTimer* ConnectTimer = nullptr;  // 20 ms, while a network connection is being made
    QSocketNotifier* outputNotifier_ = nullptr;
    int notifierHandle_ = -1;

    std::unique_ptr<NetConnect> connecting_;
    PortSettings connectingSettings_;
    bool connectingForWatchdog_ = false;
    std::string openedName_;        // the name the open port was opened by
    OpenResult LastOpenResult;      // what the system said about the latest open
    bool OpenFailureShown = false;  // OpenPort has already told the user why
    bool WatchdogBusy = false;      // a box inside a watchdog tick must not start another
    bool DrainBusy = false;         // a box inside a drain must not start another
    bool OutputFailureShown = false;  // one message per failure, until bytes go out or the port reopens
};

}  // namespace vantrel
