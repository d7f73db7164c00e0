#pragma once
// The command line and the packet tail with their drop-down lists (the sent
// history, the checksum templates), "Отправить", the history file OldCmd and
// `SendPortData`, the one road by which bytes reach the port.
#include <QObject>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "rx/log_line.h"
#include "tx/send_order.h"

class QLabel;
class QPushButton;
class QWidget;

namespace vantrel {

class ClickLabel;
class Clock;
class ConfigImage;
class DropList;
class EventLineEdit;
class Messages;
class SentHistory;
class SerialLink;
class TrafficLog;

class CommandPart : public QObject, private SendSteps {
    Q_OBJECT
public:
    struct Services {
        Clock* clock = nullptr;
        Messages* messages = nullptr;
        SerialLink* link = nullptr;
        TrafficLog* log = nullptr;
        std::function<void()> showPortError;
    };

    // Makes the command line, the tail field and their arrows in `panel`.
    CommandPart(QWidget* panel, Services services, QObject* parent);
    ~CommandPart() override;
    // "Отправить", then the two drop-down lists, which lie over the controls made between.
    void placeSendButton(QWidget* panel);
    void placeDropDowns(QWidget* panel);

    void SendPortData(const std::string& text);  // text: Windows-1251
    void sendCommandLine();
    std::string commandLine() const;
    // A chosen command goes into the line, which takes the focus.
    void putCommand(const std::string& text);
    void focusCommandLine();
    void focusSendButton();
    std::int64_t txBytes() const { return TxBytes; }
    bool sendBusy() const { return SendBusy; }
    const SentHistory& history() const { return *history_; }

    void loadHistory();
    void saveHistory();
    // Both history lists from the history: the command line's and, when it shows the history, the file list.
    void ReadOldCmd();

    void setTailForMode(OutputMode mode);
    void applyColours(std::uint32_t background, std::uint32_t text);
    void applySettings(const ConfigImage& c);
    void storeSettings(ConfigImage& c) const;
    void resetForStart();
    // Housekeeping: the history list keeps the command line's width.
    void followWidth();
    // The port took `n` more bytes of the queued packets.
    void countWritten(std::size_t n);

signals:
    // A send was recorded in the history; the file list may want to show it.
    void historyRecorded();
    // The history lists were refilled: the texts, newest first.
    void historyRead(const std::vector<std::string>& texts);
    // A packet waits in the link's output queue.
    void outputQueued();

private:
    // SendSteps
    bool portOpen() override;
    void showPortError() override;
    void recordHistory(const std::string& text) override;
    void logLine(const std::string& line) override;
    void queue(const std::vector<std::uint8_t>& bytes) override;
    void packetQueued() override;

    bool MainStrCmdKeyPress(int key, Qt::KeyboardModifiers mods);
    void MainStrCmdKeyUp(int key);
    void Str1Click();
    bool FastOldCmdKeyPress(int key);
    bool AddStrCmdKeyPress(int key);
    void AddStrCmdKeyUp(int key);
    void Str2Click();
    bool LBTailKeyPress(int key);

    Services services_;
    std::unique_ptr<SentHistory> history_;
    std::int64_t TxBytes = 0;  // bytes the port took; 64-bit: a 32-bit total would turn negative on a long run
    bool SendBusy = false;

    EventLineEdit* MainStrCmd = nullptr;
    ClickLabel* Str1 = nullptr;
    QLabel* LPlus = nullptr;
    EventLineEdit* AddStrCmd = nullptr;
    ClickLabel* Str2 = nullptr;
    QPushButton* ButtonSend = nullptr;
    DropList* FastOldCmd = nullptr;
    DropList* LBTail = nullptr;
};

}  // namespace vantrel
