#include "tx/ui/modes_part.h"

#include <QCheckBox>
#include <QFile>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include "common/config_image.h"
#include "common/messages.h"
#include "common/ui/colors.h"
#include "common/ui/controls.h"
#include "common/ui/signal_widgets.h"
#include "common/ui/text_codec.h"
#include "serial/serial_link.h"
#include "tx/command_file.h"
#include "tx/send_modes.h"
#include "tx/ui/command_part.h"

namespace vantrel {

namespace {

constexpr const char* kAllSentText = "Все команды отправлены";
constexpr const char* kBigFileText = "Большой файл";
constexpr int kDefaultPeriodMs = 1000;

void onChecked(QRadioButton* radio, QObject* owner, std::function<void()> handler) {
    QObject::connect(radio, &QRadioButton::toggled, owner, [handler = std::move(handler)](bool on) {
        if (on) handler();
    });
}

}  // namespace

ModesPart::ModesPart(QWidget* logBar, Services services, QObject* parent)
    : QObject(parent), services_(std::move(services)), modes_(std::make_unique<SendModes>()) {
    const QFont base = logBar->font();
    InputMode = panel(logBar, "InputMode", 184, 0, 477, 45);
    Label1 = label(InputMode, "Label1", "Отправка:", 4, 16);
    Label1->setFont(styled(base, 13, false));
    Label1->adjustSize();
    RBManual = radio(InputMode, "RBManual", "Ручная", 76, 8, 57, 17);
    RBAfterAns = radio(InputMode, "RBAfterAns", "После ответа", 160, 8, 97, 17);
    RBSel = radio(InputMode, "RBSel", "При выборе", 76, 24, 89, 17);
    RBPeriod = radio(InputMode, "RBPeriod", "Период, мс:", 160, 24, 81, 17);
    RBManual->setChecked(true);
    PeriodTX = edit<EventLineEdit>(InputMode, "PeriodTX", "1000", 244, 24, 33, 19, 5);
    SendAsReconn = check(InputMode, "SendAsReconn", "Отправить при соединении", 284, 8, 165, 17);
    CiklSend = check(InputMode, "CiklSend", "Циклическая отправка из файла", 284, 24, 189, 17);
    CiklSend->hide();

    TimerPeriod = new QTimer(this);
    TimerPeriod->setObjectName(QStringLiteral("TimerPeriod"));
    TimerPeriod->setTimerType(Qt::PreciseTimer);
    TimerPeriod->setInterval(1);
    connect(TimerPeriod, &QTimer::timeout, this, &ModesPart::TimerPeriodTimer);

    onChecked(RBManual, this, [this] { RBManualClick(); });
    onChecked(RBSel, this, [this] { RBSelClick(); });
    onChecked(RBAfterAns, this, [this] { RBAfterAnsClick(); });
    onChecked(RBPeriod, this, [this] { RBPeriodClick(); });
    connect(RBPeriod, &QRadioButton::toggled, this, &ModesPart::periodChoiceChanged);
    connect(CiklSend, &QCheckBox::toggled, this, &ModesPart::periodChoiceChanged);
    PeriodTX->setKeyHook([this](const QKeyEvent& e) { return !e.text().isEmpty() && PeriodTXKeyPress(e.text().at(0)); });
    // Pasted or program-set text keeps only its digits as well.
    connect(PeriodTX, &QLineEdit::textChanged, this, [this](const QString& text) {
        const QString digits = fromCp(digitsOnly(toCp(text)));
        if (digits != text) PeriodTX->setText(digits);
    });
}

ModesPart::~ModesPart() = default;

void ModesPart::placeFileButton(QWidget* panel) {
    ButtonReadFile = button(panel, "ButtonReadFile", "Из файла", 564, 32, 85, 33);
    connect(ButtonReadFile, &QPushButton::clicked, this, &ModesPart::ButtonReadFileClick);
}

void ModesPart::placeSendStart(QWidget* panel) {
    SendStart = button(panel, "SendStart", "Отправить из файла", 668, 32, 129, 33);
    SendStart->hide();
    connect(SendStart, &QPushButton::clicked, this, &ModesPart::StartSendCommands);
}

void ModesPart::placeFileList(QWidget* panel) {
    OldCmdList = place(new DropList(panel), "OldCmdList", 8, 72, 877, 193);
    OldCmdList->hide();
    // A click on a line chooses it; so does moving the selection with the keys.
    OldCmdList->reportKeyChoices();
    connect(OldCmdList, &QListWidget::itemClicked, this, &ModesPart::OldCmdListClick);
    connect(OldCmdList, &DropList::keyChose, this, &ModesPart::OldCmdListClick);
}

void ModesPart::resetForStart() {
    modes_->FileCmdIndex = 0;
    modes_->LastPeriodSend.reset();
    modes_->PeriodTickMark = false;
    modes_->HistoryListShown = false;
    modes_->FileCmdMode = false;
}

bool ModesPart::fileCmdMode() const { return modes_->FileCmdMode; }

void ModesPart::SendPortData(const std::string& text) { services_.command->SendPortData(text); }

// ============================================================ sending modes

void ModesPart::RBManualClick() {
    OldCmdList->setEnabled(true);
    SendStart->setEnabled(true);
    CiklSend->setEnabled(false);
}

void ModesPart::RBSelClick() {
    OldCmdList->setEnabled(true);
    SendStart->setEnabled(false);
    CiklSend->setEnabled(false);
}

void ModesPart::RBAfterAnsClick() {
    OldCmdList->setEnabled(!modes_->HistoryListShown);
    SendStart->setEnabled(true);
    CiklSend->setEnabled(true);
}

void ModesPart::RBPeriodClick() {
    OldCmdList->setEnabled(!modes_->HistoryListShown);
    SendStart->setEnabled(true);
    CiklSend->setEnabled(true);
    TimerPeriod->start();
}

bool ModesPart::PeriodTXKeyPress(QChar ch) {
    if (ch == QChar(8) || (ch >= QChar('0') && ch <= QChar('9'))) return false;
    // Control characters (Ctrl+C, Ctrl+V, ...) are editing commands, not typing.
    return ch.isPrint();
}

void ModesPart::commandChosen(const std::string& text) {
    if (RBSel->isChecked()) {
        SendPortData(text);
        services_.command->focusSendButton();
    } else {
        services_.command->putCommand(text);
    }
}

void ModesPart::sendOnConnect() {
    if (!SendAsReconn->isChecked()) return;
    if (modes_->FileCmdMode)
        StartSendCommands();
    else
        SendPortData(services_.command->commandLine());
}

void ModesPart::packetShown(bool logWriteFailed) {
    const bool afterAnswer = RBAfterAns->isChecked();
    // The port is asked only where its answer matters: a query per packet costs a system call.
    const bool moreWaiting = afterAnswer && services_.link->waiting() != 0;
    const AnswerAction action = afterAnswerAction({afterAnswer, moreWaiting, modes_->FileCmdMode, logWriteFailed});
    if (action == AnswerAction::Nothing) return;
    // Not behind a packet still going out: the send waits, as the blocked write made it wait.
    if (services_.link->outputPending()) {
        heldAnswer_ = action;
        return;
    }
    answerReleased(action);
}

void ModesPart::answerReleased(AnswerAction action) {
    if (action == AnswerAction::CommandLine) SendPortData(services_.command->commandLine());
    if (action == AnswerAction::NextFileLine) sendNextFileLineAfterAnswer();
}

void ModesPart::outputDrained(bool delivered) {
    const AnswerAction held = heldAnswer_;
    heldAnswer_ = AnswerAction::Nothing;
    if (delivered && RBAfterAns->isChecked()) answerReleased(held);
}

bool ModesPart::periodArmedByHousekeeping() const { return CiklSend->isChecked() && RBPeriod->isChecked(); }

void ModesPart::keepPeriodArmed() {
    if (CiklSend->isChecked() && RBPeriod->isChecked() && !TimerPeriod->isActive()) TimerPeriod->start();
}

// ============================================================ command files

void ModesPart::ButtonReadFileClick() {
    if (tag(ButtonReadFile) == 1) {
        setTag(ButtonReadFile, 0);
        ButtonReadFile->setText(ru("Из файла"));
        modes_->fileClosed();
        OldCmdList->clear();
        CiklSend->hide();
        OldCmdList->hide();
        SendStart->hide();
        emit fileClosed();
        return;
    }

    const QString path = services_.chooseCommandFile();
    if (path.isEmpty()) return;

    // Read first: a file that cannot be read leaves the window as it was.
    const CommandFileResult read = readCommandFile(QFile::encodeName(path).toStdString());
    if (!read.ok) {
        services_.messages->info("Не удалось прочитать файл команд", path.toStdString() + ": " + read.reason);
        return;
    }

    setTag(ButtonReadFile, 1);
    ButtonReadFile->setText(ru("Назад"));
    modes_->fileLoaded(read.content.lines);
    CiklSend->setEnabled(RBAfterAns->isChecked() || RBPeriod->isChecked());
    CiklSend->show();
    OldCmdList->setEnabled(true);
    OldCmdList->raise();
    OldCmdList->show();
    SendStart->show();
    emit fileOpened(path, ButtonReadFile->x());

    OldCmdList->clear();
    for (const std::string& line : modes_->FileLines) OldCmdList->addItem(fromCp(line));
    if (read.content.tooBig) services_.messages->info(kBigFileText);
}

void ModesPart::OldCmdListClick() {
    QListWidgetItem* item = OldCmdList->currentItem();
    if (!item) return;
    const std::string text = toCp(item->text());
    OldCmdList->setEnabled(false);
    if (RBSel->isChecked())
        SendPortData(text);
    else
        services_.command->putCommand(text);
    OldCmdList->setEnabled(true);
    services_.command->focusCommandLine();
}

void ModesPart::StartSendCommands() {
    if (RBManual->isChecked() || RBAfterAns->isChecked()) {
        const SendModes::Step step = modes_->manualStep(modes_->lineCount());
        if (step.send == SendModes::Step::Send::FileLine) SendPortData(modes_->fileLine(step.line));
        if (step.endMessage) services_.messages->info(kAllSentText);
    } else if (RBPeriod->isChecked()) {
        TimerPeriod->start();
    }
}

void ModesPart::TimerPeriodTimer() {
    SendModes::PeriodInput in;
    const std::string period = toCp(PeriodTX->text());
    in.periodSelected = RBPeriod->isChecked();
    in.periodText = period;
    in.nowMs = services_.clock->monotonicMs();
    in.portOpen = services_.link->isOpen();
    in.lineCount = modes_->lineCount();
    in.cyclic = CiklSend->isChecked();
    in.outputBusy = services_.link->outputPending();
    const SendModes::Step step = modes_->periodTick(in);
    // The timer is off before the message box opens, so no tick runs inside it.
    if (step.stopTimer) TimerPeriod->stop();
    if (step.send == SendModes::Step::Send::CommandLine) SendPortData(services_.command->commandLine());
    if (step.send == SendModes::Step::Send::FileLine) SendPortData(modes_->fileLine(step.line));
    if (step.endMessage) services_.messages->info(kAllSentText);
}

void ModesPart::sendNextFileLineAfterAnswer() {
    const SendModes::Step step = modes_->afterAnswer(modes_->lineCount(), CiklSend->isChecked());
    if (step.endMessage) services_.messages->info(kAllSentText);
    if (step.send == SendModes::Step::Send::FileLine) SendPortData(modes_->fileLine(step.line));
}

// ================================================================= history

void ModesPart::showHistory(const std::vector<std::string>& texts) {
    // The lines of a loaded command file are what it sends: the history never replaces them.
    if (modes_->FileCmdMode) return;
    OldCmdList->clear();
    for (const std::string& text : texts) OldCmdList->addItem(fromCp(text));
}

void ModesPart::historyRecorded() {
    if (modes_->HistoryListShown) services_.command->ReadOldCmd();
}

// ================================================================ settings

void ModesPart::setFileButtonVisible(bool visible) { ButtonReadFile->setVisible(visible); }

void ModesPart::applyColours(std::uint32_t background, std::uint32_t text) {
    applyColorValue(OldCmdList, background, text);
}

void ModesPart::applySettings(const ConfigImage& c) {
    switch (c.sendModeCode()) {
        case 1: RBManual->setChecked(true); break;
        case 2: RBSel->setChecked(true); break;
        case 3: RBAfterAns->setChecked(true); break;
        case 4: RBPeriod->setChecked(true); break;
        default: break;
    }
}

void ModesPart::applyPeriodSettings(const ConfigImage& c) {
    PeriodTX->setText(QString::number(c.periodMs()));
    SendAsReconn->setChecked(c.sendOnConnect());
}

void ModesPart::storeSettings(ConfigImage& c) const {
    if (RBManual->isChecked())
        c.setSendModeCode(1);
    else if (RBSel->isChecked())
        c.setSendModeCode(2);
    else if (RBAfterAns->isChecked())
        c.setSendModeCode(3);
    else if (RBPeriod->isChecked())
        c.setSendModeCode(4);
    bool ok = false;
    const int period = PeriodTX->text().toInt(&ok);
    c.setPeriodMs(ok ? period : kDefaultPeriodMs);
    c.setSendOnConnect(SendAsReconn->isChecked());
}

}  // namespace vantrel
