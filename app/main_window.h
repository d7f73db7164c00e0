#pragma once
// TForm1, the main window: the shell that builds the window from its parts
// (connection bar, receiving side, command line, sending modes, macro
// panel), wires their signals, runs the start-up steps in their order, keeps
// the settings file, the layout rule and the housekeeping, and closes.
#include <QHash>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/layout.h"
#include "common/clock.h"
#include "common/messages.h"
#include "serial/serial_port.h"

class QDialog;
class QFrame;
class QLabel;
class QPushButton;
class QTimer;

namespace vantrel {

class CommandPart;
class ConfigRecord;
class ConnectionPart;
class Housekeeping;
class MacroPanel;
class ModesPart;
class ReceivePart;
class TInfo;
class TOpenPortError;
class TSave;

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

    // The parts, each with its own public interface.
    ConnectionPart& connection() const { return *connection_; }
    ReceivePart& receive() const { return *receive_; }
    CommandPart& command() const { return *command_; }
    ModesPart& modes() const { return *modes_; }
    MacroPanel& macros() const { return *macros_; }

    // Unsaved macro edits are offered for saving first; false: the window stays.
    bool confirmClose();
    // The 10 ms housekeeping tick: the watchdog's gate, the history list's
    // width, the log's bound, the clock, the periodic re-arm, the hover help.
    void CustomFunctionsTimer();
    // The general help in the help lines (start-up step 19).
    void OutHelpHelp();
    const DesignGeometry& design() const { return Design; }
    QSize arrangedSize() const { return ArrangedSize; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void createControls();
    void wireParts();
    void setTabOrder();
    void FormCreate();
    void takeDesign();
    void Rearrange();
    void loadAndApplyConfig();
    void saveConfig();
    void takeHousekeepingAlong();
    void housekeepingSoon();
    static constexpr int kHousekeepingMs = 10;
    void setupHousekeeping();
    void ClearHelp();
    QWidget* named(const QString& name) const;

    FormServices services_;
    Clock* clock_ = nullptr;
    Messages* messages_ = nullptr;
    std::unique_ptr<Messages> ownMessages_;
    std::unique_ptr<ConfigRecord> config_;

    ConnectionPart* connection_ = nullptr;
    ReceivePart* receive_ = nullptr;
    CommandPart* command_ = nullptr;
    ModesPart* modes_ = nullptr;
    MacroPanel* macros_ = nullptr;
    Housekeeping* housekeeping_ = nullptr;

    QFrame* Panel1 = nullptr;
    QPushButton* BtInfo = nullptr;
    QFrame* LogPanel = nullptr;
    QLabel* TextTime = nullptr;
    QFrame* MainPanel = nullptr;
    QTimer* CustomFunctions = nullptr;  // 10 ms, housekeeping

    // Top-level windows of their own, for the whole run.
    std::unique_ptr<TInfo> Info;
    std::unique_ptr<TOpenPortError> OpenPortError;
    TSave* Save = nullptr;

    mutable QHash<QString, QWidget*> namedCache_;  // controls found by name()
    DesignGeometry Design;   // taken during construction
    QSize ArrangedSize;      // the size the layout was last arranged for
};

}  // namespace vantrel
