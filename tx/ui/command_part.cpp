#include "tx/ui/command_part.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

#include "common/config_image.h"
#include "common/messages.h"
#include "common/ui/busy_mark.h"
#include "common/ui/colors.h"
#include "common/ui/controls.h"
#include "common/ui/signal_widgets.h"
#include "common/ui/text_codec.h"
#include "rx/traffic_log.h"
#include "serial/serial_link.h"
#include "tx/encoding.h"
#include "tx/history.h"

namespace vantrel {

namespace {

bool isEnter(int key) { return key == Qt::Key_Return || key == Qt::Key_Enter; }

void showDropDown(QListWidget* list) {
    list->clearSelection();
    list->setCurrentRow(-1);
    list->raise();
    list->show();
    list->setFocus(Qt::OtherFocusReason);
}

QListWidgetItem* selectedItem(QListWidget* list) {
    const auto items = list->selectedItems();
    return items.isEmpty() ? nullptr : items.front();
}

// Enter takes the chosen line into `field`, Escape only closes the list.
bool dropDownKey(DropList* list, EventLineEdit* field, int key) {
    if (list->selectFirstIfNone(key)) return true;
    if (isEnter(key)) {
        if (QListWidgetItem* item = selectedItem(list)) {
            field->setText(item->text());
            list->hide();
            field->setFocus(Qt::OtherFocusReason);
        }
        return true;
    }
    if (key == Qt::Key_Escape) {
        list->hide();
        field->setFocus(Qt::OtherFocusReason);
        return true;
    }
    return false;
}

}  // namespace

CommandPart::CommandPart(QWidget* panel, Services services, QObject* parent)
    : QObject(parent), services_(std::move(services)), history_(std::make_unique<SentHistory>()) {
    const QFont base = panel->font();
    MainStrCmd = edit<EventLineEdit>(panel, "MainStrCmd", "", 8, 6, 641, 19, 0);
    Str1 = place(new ClickLabel(panel), "Str1", 636, 8, 27, 17);
    LPlus = label(panel, "LPlus", "+", 652, 4);
    LPlus->setFont(styled(base, 19, true));
    LPlus->adjustSize();
    AddStrCmd = edit<EventLineEdit>(panel, "AddStrCmd", "$0D", 668, 6, 261, 19, 0,
                                    "Примеры: $0D$0A, *[XOR_8(1..n)]$0D$0A. Список алгоритмов расчёта "
                                    "контрольной суммы появляется при нажатии \"Стрелка вниз\". "
                                    "\nТакже CRC: CRC16_MODBUS, CRC16_CCITT, CRC8, CRC8_MAXIM, CRC32.");
    Str2 = place(new ClickLabel(panel), "Str2", 916, 8, 27, 17);

    MainStrCmd->setKeyHook([this](const QKeyEvent& e) { return MainStrCmdKeyPress(e.key(), e.modifiers()); });
    connect(MainStrCmd, &EventLineEdit::keyReleased, this, &CommandPart::MainStrCmdKeyUp);
    AddStrCmd->setKeyHook([this](const QKeyEvent& e) { return AddStrCmdKeyPress(e.key()); });
    connect(AddStrCmd, &EventLineEdit::keyReleased, this, &CommandPart::AddStrCmdKeyUp);
    connect(Str1, &ClickLabel::clicked, this, &CommandPart::Str1Click);
    connect(Str2, &ClickLabel::clicked, this, &CommandPart::Str2Click);
    Str1->setCursor(Qt::PointingHandCursor);
    Str2->setCursor(Qt::PointingHandCursor);
}

CommandPart::~CommandPart() = default;

void CommandPart::placeSendButton(QWidget* panel) {
    ButtonSend = button(panel, "ButtonSend", "Отправить", 800, 32, 129, 33);
    connect(ButtonSend, &QPushButton::clicked, this, &CommandPart::sendCommandLine);
}

void CommandPart::placeDropDowns(QWidget* panel) {
    FastOldCmd = place(new DropList(panel), "FastOldCmd", 8, 24, 641, 241);
    FastOldCmd->hide();
    LBTail = place(new DropList(panel), "LBTail", 668, 24, 261, 241);
    LBTail->hide();
    for (const std::string_view t : kChecksumTemplates) LBTail->addItem(QString::fromLatin1(t.data(), qsizetype(t.size())));
    FastOldCmd->setKeyHook([this](const QKeyEvent& e) { return FastOldCmdKeyPress(e.key()); });
    LBTail->setKeyHook([this](const QKeyEvent& e) { return LBTailKeyPress(e.key()); });
    connect(FastOldCmd, &DropList::left, FastOldCmd, &QWidget::hide);
    connect(LBTail, &DropList::left, LBTail, &QWidget::hide);
}

void CommandPart::resetForStart() {
    // The history arrows
    Str1->setText(QStringLiteral("\u2193"));
    Str2->setText(QStringLiteral("\u2193"));
    TxBytes = 0;
    for (QWidget* w : std::initializer_list<QWidget*>{MainStrCmd, AddStrCmd, FastOldCmd})
        applyBackgroundValue(w, colorvalue::kButtonFace);
    applyBackgroundValue(LBTail, colorvalue::kButtonFace);
    SendBusy = false;
}

// ------------------------------------------------------------------- sending

void CommandPart::SendPortData(const std::string& text) {
    if (SendBusy) return;
    BusyMark busy(SendBusy);
    const TrafficLog& log = *services_.log;
    sendCommand({text, toCp(AddStrCmd->text()), log.outputMode(), log.showTime(), services_.clock->now()}, *this);
}

bool CommandPart::portOpen() { return services_.link->isOpen(); }
void CommandPart::showPortError() { services_.showPortError(); }
void CommandPart::recordHistory(const std::string& text) {
    history_->record(text);
    emit historyRecorded();
}
void CommandPart::logLine(const std::string& line) { services_.log->txLine(line); }
void CommandPart::queue(const std::vector<std::uint8_t>& bytes) {
    services_.link->write(bytes.data(), bytes.size());
    emit outputQueued();
}
void CommandPart::packetQueued() { services_.log->txPacketWritten(); }

void CommandPart::countWritten(std::size_t n) {
    TxBytes += static_cast<std::int64_t>(n);
    services_.log->txBytesChanged();
}

void CommandPart::sendCommandLine() { SendPortData(commandLine()); }

std::string CommandPart::commandLine() const { return toCp(MainStrCmd->text()); }

void CommandPart::putCommand(const std::string& text) {
    MainStrCmd->setText(fromCp(text));
    MainStrCmd->setFocus();
}

void CommandPart::focusCommandLine() { MainStrCmd->setFocus(Qt::OtherFocusReason); }
void CommandPart::focusSendButton() { ButtonSend->setFocus(); }

bool CommandPart::MainStrCmdKeyPress(int key, Qt::KeyboardModifiers mods) {
    if (isEnter(key)) {
        SendPortData(commandLine());
        // Ctrl+Enter keeps the command for sending again.
        if (!(mods & Qt::ControlModifier) && portOpen()) MainStrCmd->clear();
        return true;
    }
    if (key == Qt::Key_Escape) {
        MainStrCmd->clear();
        return true;
    }
    return false;
}

// ------------------------------------------------------------------- history

void CommandPart::loadHistory() {
    const SentHistory::LoadResult r = history_->load(SentHistory::kFileName);
    if (r.outcome == SentHistory::LoadOutcome::Unreadable)
        services_.messages->info("Файл истории OldCmd не читается: история команд пуста и не будет сохранена",
                                 r.reason);
    if (r.outcome == SentHistory::LoadOutcome::CreateFailed)
        services_.messages->info("Не удалось создать файл истории OldCmd: история команд не будет сохранена",
                                 r.reason);
    ReadOldCmd();
}

void CommandPart::saveHistory() {
    const SentHistory::SaveResult r = history_->save(SentHistory::kFileName);
    if (r.outcome == SentHistory::SaveOutcome::Failed)
        services_.messages->info("Не удалось сохранить историю команд в файл OldCmd", r.reason);
}


void CommandPart::ReadOldCmd() {
    const std::vector<std::string> texts = history_->usedTexts();
    emit historyRead(texts);
    FastOldCmd->clear();
    for (const std::string& text : texts) FastOldCmd->addItem(fromCp(text));
}

void CommandPart::MainStrCmdKeyUp(int key) {
    if (key != Qt::Key_Down) return;
    ReadOldCmd();
    showDropDown(FastOldCmd);
}

void CommandPart::Str1Click() {
    ReadOldCmd();
    if (FastOldCmd->isVisible())
        FastOldCmd->hide();
    else
        showDropDown(FastOldCmd);
}

bool CommandPart::FastOldCmdKeyPress(int key) { return dropDownKey(FastOldCmd, MainStrCmd, key); }

void CommandPart::followWidth() {
    if (FastOldCmd->width() != MainStrCmd->width()) FastOldCmd->resize(MainStrCmd->width(), FastOldCmd->height());
}

// ------------------------------------------------------- tail and templates

bool CommandPart::AddStrCmdKeyPress(int key) {
    if (isEnter(key)) return true;
    if (key == Qt::Key_Escape) {
        AddStrCmd->clear();
        return true;
    }
    return false;
}

void CommandPart::AddStrCmdKeyUp(int key) {
    if (key == Qt::Key_Down) showDropDown(LBTail);
}

void CommandPart::Str2Click() {
    if (LBTail->isVisible())
        LBTail->hide();
    else
        showDropDown(LBTail);
}

bool CommandPart::LBTailKeyPress(int key) { return dropDownKey(LBTail, AddStrCmd, key); }

void CommandPart::setTailForMode(OutputMode mode) {
    if (mode == OutputMode::Ascii)
        AddStrCmd->setText("$0D");
    else
        AddStrCmd->clear();
}

// ------------------------------------------------------------------ settings

void CommandPart::applyColours(std::uint32_t background, std::uint32_t text) {
    for (QWidget* w : std::initializer_list<QWidget*>{MainStrCmd, FastOldCmd, AddStrCmd, LBTail})
        applyColorValue(w, background, text);
}

void CommandPart::applySettings(const ConfigImage& c) {
    MainStrCmd->setText(fromCp(c.commandLine()));
    AddStrCmd->setText(fromCp(c.packetTail()));
}

void CommandPart::storeSettings(ConfigImage& c) const {
    c.setBackColor(colorValue(MainStrCmd, true));
    c.setTextColor(colorValue(MainStrCmd, false));
    c.setCommandLine(toCp(MainStrCmd->text()));
    c.setPacketTail(toCp(AddStrCmd->text()));
}

}  // namespace vantrel
