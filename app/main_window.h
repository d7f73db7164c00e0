#pragma once
// TForm1, the main window: every control of the terminal and the handlers.
// The handlers read the controls, call the owning subsystem object and show
// what comes back. Each group of handlers lives in its own form_*.cpp file.
#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/layout.h"
#include "common/clock.h"
#include "common/messages.h"
#include "serial/serial_port.h"

class QCheckBox;
class QComboBox;
class QDialog;
class QEvent;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTimer;

namespace vantrel {

class UpDown;
class LogView;
class TFormEditHelpCmd;
class TSave;
class TInfo;
class TOpenPortError;
class SerialLink;
class ConnectionPart;
class Receiver;
class Stats;
class LogFile;
class SentHistory;
class SendModes;
class MacroStore;
class ConfigRecord;

// What the window needs from the world; tests replace each part.
struct FormServices {
    Clock* clock = nullptr;                                  // null: the system clock
    Messages* messages = nullptr;                            // null: QMessageBox
    std::function<std::unique_ptr<SerialPort>()> makePort;   // empty: the system port
    std::function<std::vector<std::string>()> listPorts;     // empty: the system list
    std::function<QPoint()> cursorPos;                       // empty: QCursor::pos()
    std::function<QString()> chooseCommandFile;              // empty: OpenDialog1
    std::function<int(QDialog&)> runModal;                   // empty: QDialog::exec()
    std::function<void(int)> sleep;                          // empty: sleepMs
};

class TForm1 : public QWidget {
    Q_OBJECT
public:
    explicit TForm1(FormServices services = {}, QWidget* parent = nullptr);
    ~TForm1() override;

    // ---------------------------------------------------------------- windows
    TFormEditHelpCmd* FormEditHelpCmd = nullptr;
    TSave* Save = nullptr;
    TInfo* Info = nullptr;
    TOpenPortError* OpenPortError = nullptr;

    // ---------------------------------------------------------------- top bar
    QFrame* Panel1 = nullptr;
    UpDown* TimeOutRx = nullptr;
    QLabel* TimeOutAns = nullptr;
    QLineEdit* FiltrLog = nullptr;
    UpDown* Srift = nullptr;
    QLabel* SriftText = nullptr;
    QPushButton* BTLog = nullptr;
    QPushButton* StartLog = nullptr;
    QPushButton* StartStop = nullptr;
    QPushButton* BTPalitra = nullptr;
    QPushButton* BtInfo = nullptr;

    // -------------------------------------------------------------- log views
    LogView* MainWindow = nullptr;
    QPlainTextEdit* SecondWindow = nullptr;

    // ------------------------------------------------------- log options bar
    QFrame* LogPanel = nullptr;
    QLabel* TextTime = nullptr;
    QFrame* OutMode = nullptr;
    QCheckBox* VisTime = nullptr;
    QRadioButton* RBASCII = nullptr;
    QRadioButton* RBHEX = nullptr;
    QFrame* InputMode = nullptr;
    QLabel* Label1 = nullptr;
    QRadioButton* RBManual = nullptr;
    QRadioButton* RBAfterAns = nullptr;
    QRadioButton* RBSel = nullptr;
    QRadioButton* RBPeriod = nullptr;
    QLineEdit* PeriodTX = nullptr;
    QCheckBox* SendAsReconn = nullptr;
    QCheckBox* CiklSend = nullptr;
    QFrame* PStats = nullptr;
    QLabel* LSend = nullptr;
    QLabel* LRead = nullptr;
    QLabel* MinTimeWait = nullptr;
    QLabel* MaxTimeWait = nullptr;
    QPushButton* BTClrStat = nullptr;

    // ------------------------------------------------ command and macro panel
    QFrame* MainPanel = nullptr;
    QLineEdit* MainStrCmd = nullptr;
    QLabel* Str1 = nullptr;
    QLabel* LPlus = nullptr;
    QLineEdit* AddStrCmd = nullptr;
    QLabel* Str2 = nullptr;
    QComboBox* CBLists = nullptr;
    QLabel* STListName = nullptr;
    QLineEdit* ListNameEDT = nullptr;
    QPushButton* EditAllCmd = nullptr;
    QPushButton* DelList = nullptr;
    QPushButton* SaveF = nullptr;
    QPushButton* OldCommandsBT = nullptr;
    QPushButton* ListDec = nullptr;
    QPushButton* ButtonReadFile = nullptr;
    QPushButton* ListInc = nullptr;
    QRadioButton* RBName = nullptr;
    QRadioButton* RbData = nullptr;
    QPushButton* SendStart = nullptr;
    QPushButton* ButtonSend = nullptr;
    std::array<QPushButton*, 48> MacroButtons{};  // Button1..Button48
    std::array<QLineEdit*, 48> MacroFields{};     // Edit1..Edit48
    std::array<QLabel*, 12> HelpLabels{};         // STH1..STH12
    QListWidget* OldCmdList = nullptr;
    QListWidget* FastOldCmd = nullptr;
    QListWidget* LBTail = nullptr;
    QLabel* STLog = nullptr;
    QLabel* StaticText1 = nullptr;
    QLabel* StaticText3 = nullptr;

    // ---------------------------------------------------------------- timers
    QTimer* RxTimer = nullptr;          // 1 ms, receive poll
    QTimer* TimerPeriod = nullptr;      // 1 ms, periodic sender
    QTimer* CustomFunctions = nullptr;  // 10 ms, housekeeping

    // --------------------------------------------------------- shared state
    DesignGeometry Design;            // taken during construction
    bool CloseRefused = false;
    int LogFontSize = 8;              // points, 2..100
    int CurrentList = 1;              // 1..100
    int EditIndex = 1;                // 1..48
    bool SendBusy = false;
    std::int64_t TxBytes = 0;  // as RxBytes: a 32-bit total would turn negative on a long run
    bool MacrosChanged = false;       // editor-mode edits not yet saved

    // Subsystem objects (each owns its part of the state and its file).
    std::unique_ptr<Receiver> receiver;
    std::unique_ptr<Stats> stats;
    std::unique_ptr<LogFile> logFile;
    std::unique_ptr<SentHistory> history;
    std::unique_ptr<SendModes> modes;
    std::unique_ptr<MacroStore> store;
    std::unique_ptr<ConfigRecord> config;

    Clock& clock() const { return *clock_; }
    Messages& messages() const { return *messages_; }
    int runModal(QDialog& dialog);
    void sleep(int ms);
    QPoint cursorPos() const;

    // ============================ construction and close (main_window.cpp)
    void FormCreate();
    void FormClose(bool& accept);
    void Rearrange();  // the layout rule on every size change (form_layout.cpp)
    void BtInfoClick();     // the about window, modal
    void ShowPortError();   // the port-error window, modal
    QSize ArrangedSize;     // the size the layout was last arranged for

    // ================================ serial link (serial/ui/connection_part.cpp)
    ConnectionPart* connection = nullptr;  // the connection bar, the watchdog and the link
    SerialLink& link() const;
    bool PortOpen() const;
    void CheckSendDataAftConnect();  // "Отправить при соединении"

    // ===================== sending and the log window (form_send.cpp, form_logview.cpp)
    void SendPortData(const std::string& text);  // text: Windows-1251
    void ButtonSendClick();
    bool MainStrCmdKeyPress(int key, Qt::KeyboardModifiers mods);  // true: consumed
    void appendLogLine(const std::string& line);                   // shows one line
    void BTLogClick();
    void StartStopClick();
    void RBASCIIClick();
    void RBHEXClick();
    void BTPalitraClick();
    void SriftClick(bool up);
    void FiltrLogClick();
    void FiltrLogExit();
    void boundLog();  // empties the view above 5000 lines
    void setupSendHandlers();
    void setupLogViewHandlers();

    // =========== receiving, statistics, log file (form_receive.cpp)
    void RxTimerTimer();
    void receiveTickFromLoop();
    void TimeOutRxClick(bool up);
    void BTClrStatClick();
    void StartLogClick();
    void writeLogFileLine(const std::string& line);  // while logging is on
    void closeLogFile();
    void updateByteTotals();  // caption of StaticText3
    void countSentLine();     // a shown TX line: SendCount + 1
    void showSendCount();     // caption of LSend
    int RxTimeoutMs() const;
    void setRxTimeoutMs(int ms);  // also the caption and colour of TimeOutAns
    void ReadBufRxInLog(const std::vector<std::uint8_t>& packet);  // one flushed packet
    void afterAnswerTrigger();  // the next command once an answer is complete
    void setupReceiveHandlers();
    class RxWake* rxWake = nullptr;  // paces RxTimer: 1 ms while a packet is open

    // ================ sending modes, command files, history (form_modes.cpp)
    void ButtonReadFileClick();
    void OldCmdListClick();
    void SendStartClick();
    void StartSendCommands();
    void TimerPeriodTimer();
    void RBManualClick();
    void RBSelClick();
    void RBAfterAnsClick();
    void RBPeriodClick();
    void sendNextFileLineAfterAnswer();  // after-answer trigger with a file loaded
    void recordHistory(const std::string& text);
    void ReadOldCmd();
    void loadHistory();
    void saveHistory();
    bool PeriodTXKeyPress(QChar ch);  // true: the typed character is discarded
    void MainStrCmdKeyUp(int key);    // keys: Qt::Key values
    void Str1Click();
    bool FastOldCmdKeyPress(int key);  // true: consumed
    void FastOldCmdExit();
    bool AddStrCmdKeyPress(int key);   // true: consumed
    void AddStrCmdKeyUp(int key);
    void Str2Click();
    bool LBTailKeyPress(int key);      // true: consumed
    void LBTailExit();
    void setupModeHandlers();

    // ============================ macros (form_macros.cpp, macro_editor_window.cpp)
    void LoadMacroStore();
    void SaveMacroStore();
    void ReadListCmd(int n);
    void WriteListCmd();
    void ButtonCmdClick(int k);
    void SaveEditTextCmd(int k);
    void ButtonCmdHelp(int k);
    void EditCmdHelp(int k);
    void ShowHelpAsFocus(int k);
    void ShowWindowEdtHelp(int k);
    void ClearHelp();
    void ListIncClick();
    void ListDecClick();
    void DelListClick();
    void CBListsClick();
    void CBListsDblClick();
    void STListNameDblClick();
    void RBNameClick();
    void RbDataClick();
    void SaveFClick();
    void EditAllCmdClick();
    void wireMacroControls();  // construction step 23
    bool askSaveMacrosOnClose();  // false: the close is refused
    void setupMacroHandlers();

    // ================== settings, housekeeping, hover help (form_config.cpp, form_housekeeping.cpp)
    void loadAndApplyConfig();
    void saveConfig();
    void CustomFunctionsTimer();
    void takeHousekeepingAlong();
    void OutHelpHelp();
    void setupHousekeeping();
    class Housekeeping* housekeeping = nullptr;  // hover countdowns and the mouse-move watch

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void createControls();  // every control at its place (main_window.cpp)

    FormServices services_;
    Clock* clock_ = nullptr;
    Messages* messages_ = nullptr;
    std::unique_ptr<Messages> ownMessages_;
};

}  // namespace vantrel
