#pragma once
// The connection bar: the port and line-settings boxes, "Connect",
// "ReScan", "AutoConnect" and the watchdog timer behind it. It owns the
// serial link; the sender and the receiver use the link it lends them.
#include <QObject>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "serial/serial_port.h"

class QCheckBox;
class QComboBox;
class QPushButton;
class QTimer;
class QWidget;

namespace vantrel {

class ConfigImage;
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

signals:
    // The port has just been opened, by the button or by reconnection:
    // the moment for "Отправить при соединении".
    void connected();
    // The port has just been closed (by the button or the watchdog).
    void closed();

private:
    bool OpenPort();
    void ClosePort();
    void AutoConnectClick();
    void setLinkColour(LinkColour colour);
    void setLineControlsEnabled(bool enabled);
    void showPortPath();
    void fitPortList();

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

    std::string openedName_;        // the name the open port was opened by
    OpenResult LastOpenResult;      // what the system said about the latest open
    bool OpenFailureShown = false;  // OpenPort has already told the user why
    bool WatchdogBusy = false;      // a box inside a watchdog tick must not start another
};

}  // namespace vantrel
