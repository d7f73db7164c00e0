#pragma once
// The receiving side of the window: the receive poll (`RxTimer`) and the
// packet flush, the log view with its pause, colours, font and filter, the
// output mode, the LOG_ file and the traffic statistics. The sender hands
// its lines to the same log through the TrafficLog interface.
#include <QObject>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "rx/log_line.h"
#include "rx/traffic_log.h"

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTimer;
class QWidget;

namespace vantrel {

class Clock;
class EventLineEdit;
class ConfigImage;
class LogFile;
class LogView;
class Messages;
class Receiver;
class RxWake;
class SerialLink;
class Stats;
class UpDown;

class ReceivePart : public QObject, public TrafficLog {
    Q_OBJECT
public:
    struct Services {
        Clock* clock = nullptr;
        Messages* messages = nullptr;
        SerialLink* link = nullptr;
        std::function<std::int64_t()> txBytes;  // the sender's total, for the byte caption
    };
    static constexpr int kMinFontSize = 2;
    static constexpr int kMaxFontSize = 100;
    static constexpr int kMaxLogLines = 5000;

    // The top bar's controls and the two log views; the lower ones follow in placeLower.
    ReceivePart(QWidget* topBar, QWidget* window, Services services, QObject* parent);
    ~ReceivePart() override;
    // The output mode box and the statistics in the log bar, the two status captions below.
    void placeLower(QWidget* logBar, QWidget* mainPanel);

    // TrafficLog: what the sender needs of the log.
    OutputMode outputMode() const override;
    bool showTime() const override;
    void txLine(const std::string& line) override;
    void txBytesChanged() override;
    void txPacketWritten() override;

    void applySettings(const ConfigImage& c);
    // Choosing the output mode rewrites the sender's tail: the settings put it back after this.
    void applyOutputMode(const ConfigImage& c);
    void storeSettings(ConfigImage& c) const;
    // The font size caption, once the settings are in.
    void showFontSize();
    // Start-up: statistics, packet clock and time-out reset, the view emptied.
    void resetForStart();
    // Housekeeping: empties the view above kMaxLogLines lines.
    void boundLog();
    void closeLogFile();
    // The status line under the macros gives way to the editor's hint.
    void setLogStatusVisible(bool visible);
    // The colour step chosen with "Colors" or read from the settings.
    void applyColours(std::uint32_t background, std::uint32_t text);
    int RxTimeoutMs() const;
    void setRxTimeoutMs(int ms);  // also the caption and colour of TimeOutAns

    void RxTimerTimer();
    // Shows one line in the log view (the filter is the caller's); false: never.
    bool appendLogLine(const std::string& line);
    int logFontSize() const { return LogFontSize; }
    void setLogFontSize(int points);
    // The state behind the captions, for checks from outside.
    std::int64_t rxBytes() const;
    std::uint32_t rxLen() const;
    const Stats& stats() const { return *stats_; }
    LogFile& logFile() const { return *logFile_; }
    bool pollSleeping() const;
    // A port was just opened: the poll looks at once.
    void portOpened();
    // A port was closed: nothing may keep its device open.
    void portClosed();

signals:
    // A received packet has been shown (or filtered out): whether its line failed to reach the log file.
    void packetShown(bool logWriteFailed);
    void outputModeChosen(OutputMode mode);
    void coloursChosen(std::uint32_t background, std::uint32_t text);
    // A tick from the event loop is over: the housekeeping may come along.
    void tickedFromLoop();

private:
    void receiveTickFromLoop();
    void ReadBufRxInLog(const std::vector<std::uint8_t>& packet);
    bool writeLogFileLine(const std::string& line);
    void updateByteTotals();
    void showSendCaption();
    void showReadCaption();
    void showWaitCaptions();
    void showLogPaused();
    void connectControls();

    void TimeOutRxClick(bool up);
    void BTClrStatClick();
    void StartLogClick();
    void BTLogClick();
    void StartStopClick();
    void BTPalitraClick();
    void SriftClick(bool up);
    void FiltrLogClick();
    void FiltrLogExit();
    void applyLogFont(int points);

    Services services_;
    std::unique_ptr<Receiver> receiver_;
    std::unique_ptr<Stats> stats_;
    std::unique_ptr<LogFile> logFile_;
    QTimer* RxTimer = nullptr;  // 1 ms, paced by rxWake_
    RxWake* rxWake_ = nullptr;
    int LogFontSize = 8;

    UpDown* TimeOutRx = nullptr;
    QLabel* TimeOutAns = nullptr;
    EventLineEdit* FiltrLog = nullptr;
    UpDown* Srift = nullptr;
    QLabel* SriftText = nullptr;
    QPushButton* BTLog = nullptr;
    QPushButton* StartLog = nullptr;
    QPushButton* StartStop = nullptr;
    QPushButton* BTPalitra = nullptr;
    LogView* MainWindow = nullptr;
    QPlainTextEdit* SecondWindow = nullptr;
    QFrame* OutMode = nullptr;
    QCheckBox* VisTime = nullptr;
    QRadioButton* RBASCII = nullptr;
    QRadioButton* RBHEX = nullptr;
    QFrame* PStats = nullptr;
    QLabel* LSend = nullptr;
    QLabel* LRead = nullptr;
    QLabel* MinTimeWait = nullptr;
    QLabel* MaxTimeWait = nullptr;
    QPushButton* BTClrStat = nullptr;
    QLabel* STLog = nullptr;
    QLabel* StaticText3 = nullptr;
};

}  // namespace vantrel
