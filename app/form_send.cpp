// Sending one command: the one road by which bytes reach the port, and the
// keys and the button of the command line.
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QCheckBox>

#include "common/ui/busy_mark.h"
#include "app/main_window.h"
#include "common/ui/text_codec.h"
#include "rx/log_line.h"
#include "serial/serial_link.h"
#include "tx/encoding.h"
#include "tx/send_modes.h"

namespace vantrel {
namespace {

// Hands the key presses of the command line to the form before the field sees them.
class CommandLineKeys final : public QObject {
public:
    explicit CommandLineKeys(TForm1* form) : QObject(form), form_(form) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (form_->MainStrCmdKeyPress(key->key(), key->modifiers())) return true;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    TForm1* form_;
};

// The history keeps only what fits its 255-character records.
constexpr std::size_t kHistoryTextLimit = 255;

}  // namespace

void TForm1::SendPortData(const std::string& text) {
    if (SendBusy) return;
    BusyMark busy(SendBusy);

    if (!PortOpen()) {
        ShowPortError();
        return;
    }
    if (text.empty()) return;

    if (text.size() < kHistoryTextLimit) recordHistory(text);

    const OutputMode mode = RBHEX->isChecked() ? OutputMode::Hex : OutputMode::Ascii;
    const EncodedPacket packet = encodePacket(text, toCp(AddStrCmd->text()), mode);
    const std::string line = completeTxLine(packet.shown, VisTime->isChecked(), clock().now());
    if (passesFilter(line, toCp(FiltrLog->text()))) {
        appendLogLine(line);
        writeLogFileLine(line);
        countSentLine();
    }

    // Emptied just before the write, so whatever is received is the answer.
    link().purge();
    TxBytes += static_cast<std::int64_t>(packet.bytes.size());
    updateByteTotals();
    link().write(packet.bytes.data(), packet.bytes.size());
    showSendCount();
}

void TForm1::CheckSendDataAftConnect() {
    if (modes->FileCmdMode)
        StartSendCommands();
    else
        SendPortData(toCp(MainStrCmd->text()));
}

void TForm1::ButtonSendClick() { SendPortData(toCp(MainStrCmd->text())); }

bool TForm1::MainStrCmdKeyPress(int key, Qt::KeyboardModifiers mods) {
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        SendPortData(toCp(MainStrCmd->text()));
        // Ctrl+Enter keeps the command for sending again.
        if (!(mods & Qt::ControlModifier) && PortOpen()) MainStrCmd->clear();
        return true;
    }
    if (key == Qt::Key_Escape) {
        MainStrCmd->clear();
        return true;
    }
    return false;
}

void TForm1::setupSendHandlers() {
    connect(ButtonSend, &QPushButton::clicked, this, [this] { ButtonSendClick(); });
    MainStrCmd->installEventFilter(new CommandLineKeys(this));
}

}  // namespace vantrel
