#pragma once
// The real main window for the widget tests: a temporary working directory
// made current for the rig's life, the window built on services the test
// plays, a pseudo-terminal as the device, and the controls found by their
// object names.
// The controls the tests name, so that a test needs no header of its own for them.
#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "common/ui/controls.h"
#include "macros/ui/macro_panel.h"
#include "rx/ui/receive_part.h"
#include "serial/ui/connection_part.h"
#include "tx/ui/command_part.h"
#include "tx/ui/modes_part.h"
#include "macros/macro_store.h"
#include "rx/log_file.h"
#include "rx/receiver.h"
#include "rx/stats.h"
#include "serial/port_settings.h"
#include "serial/serial_link.h"
#include "support/fakes.h"
#include "tools/pty_device.h"
#include "tx/history.h"
#include "tx/send_modes.h"

namespace vantrel::test {

struct RigOptions {
    bool start = true;                // build the window at once (false: the test writes files first)
    bool show = false;                // show it
    bool exposed = false;             // show it and wait until it is exposed
    QString workDir{};                // empty: a new temporary directory
    bool systemClock = false;         // the system clock instead of `clock`
    Messages* messages = nullptr;     // null: the rig's recorded `messages`
    std::function<std::unique_ptr<SerialPort>()> makePort{};  // empty: the system port
};

class FormRig {
public:
    explicit FormRig(RigOptions options = {});
    ~FormRig();
    FormRig(const FormRig&) = delete;
    FormRig& operator=(const FormRig&) = delete;

    // Builds the window (again) in the working directory.
    void start();
    // The normal close path, then a fresh window on the same files.
    void restart();
    // Drops the window without closing it, as a crash would.
    void stop();
    QWidget& form() { return *form_; }  // the window as a widget: its controls only through ctl()
    void show();  // shows the window and waits until it is exposed

    // ------------------------------------------------ controls by object name
    // The control `name` of the window, else of its other windows; a missing
    // name ends the test program with the name.
    template <class T = QWidget>
    T* ctl(const QString& name) {
        return static_cast<T*>(find(name, T::staticMetaObject));
    }
    void click(const QString& name);                 // a left click of the mouse
    void doubleClick(const QString& name);
    void hover(const QString& name);                 // the pointer moves onto it
    void type(const QString& name, const QString& text);  // key by key, any script
    void key(const QString& name, int key, Qt::KeyboardModifiers mods = Qt::NoModifier);
    void fill(const QString& name, const QString& text);  // the whole text at once, as pasted
    void check(const QString& name, bool on = true);
    void select(const QString& name, int index);     // a combo box's item or a list's row
    void arrow(const QString& name, bool up);        // an up-down control's arrow
    void fire(const QString& timer);                 // the timer's timeout, now
    static void fire(QTimer* timer);
    QString text(const QString& name);               // caption or contents
    bool visible(const QString& name) { return ctl(name)->isVisible(); }
    bool hidden(const QString& name) { return ctl(name)->isHidden(); }
    bool enabled(const QString& name) { return ctl(name)->isEnabled(); }
    bool checked(const QString& name);
    bool active(const QString& timer);
    int tag(const QString& name) { return tag(ctl<QObject>(name)); }
    QStringList items(const QString& list);          // the texts of a list's rows

    // ---------------------------------------------------------- the device
    bool connectDevice();  // plugs the device in and connects with the controls
    bool openDevice();     // plugs the device in and opens the link without them
    // What the program writes, the event loop running meanwhile.
    std::string readUntil(const std::string& needle, int timeoutMs = 3000);
    std::string wire(std::size_t count, int timeoutMs = 3000);  // returns once `count` bytes came
    std::string readFor(int ms);

    // ----------------------------------------------------- the working directory
    QStringList logLines();  // the lines of the log view
    // Files of the working directory, which the rig has made the current one.
    static QByteArray fileBytes(const QString& name);
    static void writeFile(const QString& name, const QByteArray& bytes);
    QString path(const QString& name) const { return QDir(home_).filePath(name); }

    // ------------------- state that is no control, and handlers kept as calls
    // Only these reach into the window's members: when a member moves, only they change.
    ConnectionPart& connection() { return form_->connection(); }
    ReceivePart& receive() { return form_->receive(); }
    CommandPart& command() { return form_->command(); }
    ModesPart& modes() { return form_->modes(); }
    MacroPanel& macros() { return form_->macros(); }
    bool portOpen() { return connection().PortOpen(); }
    bool openPortOn(const std::string& path) {  // the link alone, 115200 8N1, no controls
        return connection().link().open(PortSettings{path, 115200, 8, 0}, {}).ok();
    }
    LineSettings lineSettings() { return connection().link().lineSettings(); }
    std::size_t waiting() { return connection().link().waiting(); }  // bytes waiting in the port
    std::int64_t rxBytes() { return receive().rxBytes(); }
    std::uint32_t rxLen() { return receive().rxLen(); }
    std::int64_t txBytes() { return command().txBytes(); }
    std::int64_t readCount() { return receive().stats().ReadCount; }
    std::int64_t sendCount() { return receive().stats().SendCount; }
    bool sendBusy() { return command().sendBusy(); }
    bool rxWakeSleeping() { return receive().pollSleeping(); }
    int rxTimeoutMs() { return receive().RxTimeoutMs(); }
    void setRxTimeoutMs(int ms) { receive().setRxTimeoutMs(ms); }
    std::string historySlot(int i) { return command().history().slot(i); }
    std::size_t historyUsed() { return command().history().usedTexts().size(); }
    void failLogWrites(const std::string& path) {  // every log file goes to `path`
        receive().logFile().pathOf = [path](const std::string&) { return path; };
    }
    bool logActive() { return receive().logFile().LogActive; }
    std::string logFileName() { return receive().logFile().LogFileName; }
    void closeLogFile() { receive().closeLogFile(); }
    bool historyListShown() { return modes().state().HistoryListShown; }
    void setHistoryListShown(bool on) { modes().state().HistoryListShown = on; }
    bool fileCmdMode() { return modes().state().FileCmdMode; }
    void setFileCmdMode(bool on) { modes().state().FileCmdMode = on; }
    unsigned fileCmdIndex() { return modes().state().FileCmdIndex; }
    bool periodTickMark() { return modes().state().PeriodTickMark; }
    MacroStore& store() { return macros().store(); }
    bool macrosChanged() { return macros().unsavedChanges(); }
    int editIndex() { return macros().editIndex(); }
    int currentList() { return macros().currentList(); }
    void setCurrentList(int n) { macros().setCurrentList(n); }
    int logFontSize() { return receive().logFontSize(); }
    void setLogFontSize(int points) { receive().setLogFontSize(points); }
    bool confirmClose() { return form_->confirmClose(); }
    const DesignGeometry& design() { return form_->design(); }
    QSize arrangedSize() { return form_->arrangedSize(); }
    static int tag(const QObject* control) { return vantrel::tag(control); }
    void send(const std::string& text) { command().SendPortData(text); }
    void showLine(const std::string& line) { receive().appendLogLine(line); }
    void boundLog() { receive().boundLog(); }
    void readList(int n) { macros().ReadListCmd(n); }
    void listStep(bool up) { up ? macros().ListIncClick() : macros().ListDecClick(); }  // also when disabled
    void showGeneralHelp() { form_->OutHelpHelp(); }
    bool periodKeyRefused(QChar ch) { return modes().PeriodTXKeyPress(ch); }

    // ------------------------------------------------ what the services saw
    QTemporaryDir dir;
    FakeClock clock;
    RecordingMessages messages;
    std::vector<std::string> ports;        // the port list a scan finds
    std::vector<QDialog*> modals;          // the windows run modally, in order
    std::function<int(QDialog&)> onModal;  // the user of a modal window
    std::vector<int> sleeps;               // the pauses asked for, ms
    QPoint cursor{-1000, -1000};           // where the pointer is
    QString chosenFile;                    // the command-file dialog's answer
    PtyDevice device;

    QStringList modalNames() const;
    // Writes a command file into the working directory and loads it (going
    // "Назад" first when a file is loaded already).
    void loadCommandFile(const QByteArray& bytes, const QString& name = QStringLiteral("cmds.txt"));

    // CmdConfig in the working directory: a reset store changed by `fill`, and what it holds now.
    static void writeMacroStore(const std::function<void(MacroStore&)>& fill);
    static std::unique_ptr<MacroStore> readMacroStore();

private:
    QObject* find(const QString& name, const QMetaObject& type);
    QObject* search(const QString& name, const QMetaObject& type);

    RigOptions options_;
    QString home_;  // the working directory
    QString oldCwd_;
    QHash<QString, QPointer<QObject>> found_;  // controls found so far, by name and type
    std::string pending_;  // read from the device, not yet consumed
    std::unique_ptr<TForm1> form_;
};

}  // namespace vantrel::test
