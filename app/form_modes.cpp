// The sending modes, command files, the sent history and the two drop-down
// choosers under the command line and the tail field.
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <algorithm>
#include <iterator>

#include "app/automation.h"
#include "app/main_window.h"
#include "common/ui/controls.h"
#include "common/ui/text_codec.h"
#include "macros/macro_store.h"
#include "tx/command_file.h"
#include "tx/history.h"
#include "tx/send_modes.h"

namespace vantrel {

namespace {

constexpr const char* kAllSentText = "Все команды отправлены";
constexpr const char* kBigFileText = "Большой файл";
constexpr const char* kListNameHint = "Список откроется по двойному клику";

bool isEnter(int key) { return key == Qt::Key_Return || key == Qt::Key_Enter; }

// A list opened from the keyboard starts without a selection; the first
// arrow key selects the first entry instead of skipping it.
bool selectFirstIfNone(QListWidget* list, int key) {
    if ((key != Qt::Key_Down && key != Qt::Key_Up) || list->count() == 0) return false;
    if (!list->selectedItems().isEmpty()) return false;
    list->setCurrentRow(0);
    return true;
}

// Keys, focus and clicks of the controls this group serves.
class ModesEventFilter final : public QObject {
public:
    explicit ModesEventFilter(TForm1& form) : QObject(&form), f_(form) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
        case QEvent::KeyPress: return keyPress(watched, static_cast<QKeyEvent*>(event));
        case QEvent::KeyRelease: keyRelease(watched, static_cast<QKeyEvent*>(event)); break;
        case QEvent::FocusOut: focusOut(watched, static_cast<QFocusEvent*>(event)); break;
        case QEvent::MouseButtonRelease: click(watched, static_cast<QMouseEvent*>(event)); break;
        default: break;
        }
        return false;
    }

private:
    bool keyPress(QObject* w, QKeyEvent* e) {
        if (w == f_.PeriodTX) return !e->text().isEmpty() && f_.PeriodTXKeyPress(e->text().at(0));
        if (w == f_.OldCmdList) return oldCmdListKey(e);
        if (w == f_.FastOldCmd) return f_.FastOldCmdKeyPress(e->key());
        if (w == f_.AddStrCmd) return f_.AddStrCmdKeyPress(e->key());
        if (w == f_.LBTail) return f_.LBTailKeyPress(e->key());
        return false;
    }
    // The list moves its selection first; a moved selection is a click.
    bool oldCmdListKey(QKeyEvent* e) {
        static const int moves[] = {Qt::Key_Up, Qt::Key_Down, Qt::Key_PageUp, Qt::Key_PageDown,
                                    Qt::Key_Home, Qt::Key_End};
        if (std::find(std::begin(moves), std::end(moves), e->key()) == std::end(moves)) return false;
        QListWidget* list = f_.OldCmdList;
        const int before = list->selectedItems().isEmpty() ? -1 : list->currentRow();
        if (!selectFirstIfNone(list, e->key())) static_cast<QObject*>(list)->event(e);
        const int after = list->selectedItems().isEmpty() ? -1 : list->currentRow();
        if (after >= 0 && after != before) f_.OldCmdListClick();
        return true;
    }
    void keyRelease(QObject* w, QKeyEvent* e) {
        if (e->isAutoRepeat()) return;
        if (w == f_.MainStrCmd) f_.MainStrCmdKeyUp(e->key());
        if (w == f_.AddStrCmd) f_.AddStrCmdKeyUp(e->key());
    }
    void focusOut(QObject* w, QFocusEvent* e) {
        // Switching to another window is no leaving of the list.
        if (e->reason() == Qt::ActiveWindowFocusReason || e->reason() == Qt::PopupFocusReason) return;
        if (w == f_.FastOldCmd) f_.FastOldCmdExit();
        if (w == f_.LBTail) f_.LBTailExit();
    }
    void click(QObject* w, QMouseEvent* e) {
        if (e->button() != Qt::LeftButton) return;
        auto* label = qobject_cast<QLabel*>(w);
        if (!label || !label->rect().contains(e->position().toPoint())) return;
        if (w == f_.Str1) f_.Str1Click();
        if (w == f_.Str2) f_.Str2Click();
    }

    TForm1& f_;
};

QListWidgetItem* selectedItem(QListWidget* list) {
    const auto items = list->selectedItems();
    return items.isEmpty() ? nullptr : items.front();
}

void showDropDown(QListWidget* list) {
    list->clearSelection();
    list->setCurrentRow(-1);
    list->raise();
    list->show();
    list->setFocus(Qt::OtherFocusReason);
}

}  // namespace

// =========================================================== setup

void TForm1::setupModeHandlers() {
    connect(RBManual, &QRadioButton::toggled, this, [this](bool on) { if (on) RBManualClick(); });
    connect(RBSel, &QRadioButton::toggled, this, [this](bool on) { if (on) RBSelClick(); });
    connect(RBAfterAns, &QRadioButton::toggled, this, [this](bool on) { if (on) RBAfterAnsClick(); });
    connect(RBPeriod, &QRadioButton::toggled, this, [this](bool on) { if (on) RBPeriodClick(); });
    connect(ButtonReadFile, &QPushButton::clicked, this, &TForm1::ButtonReadFileClick);
    connect(SendStart, &QPushButton::clicked, this, &TForm1::SendStartClick);
    // Pasted or program-set text keeps only its digits as well.
    connect(PeriodTX, &QLineEdit::textChanged, this, [this](const QString& text) {
        const QString digits = fromCp(digitsOnly(toCp(text)));
        if (digits != text) PeriodTX->setText(digits);
    });
    // A click on a line selects it; so does the keyboard (event filter).
    connect(OldCmdList, &QListWidget::itemClicked, this, [this] { OldCmdListClick(); });

    auto* filter = new ModesEventFilter(*this);
    for (QObject* w : std::initializer_list<QObject*>{PeriodTX, MainStrCmd, OldCmdList, FastOldCmd,
                                                      AddStrCmd, LBTail, Str1, Str2})
        w->installEventFilter(filter);
    Str1->setCursor(Qt::PointingHandCursor);
    Str2->setCursor(Qt::PointingHandCursor);
}

// ====================================================== sending modes

void TForm1::RBManualClick() {
    OldCmdList->setEnabled(true);
    SendStart->setEnabled(true);
    CiklSend->setEnabled(false);
}

void TForm1::RBSelClick() {
    OldCmdList->setEnabled(true);
    SendStart->setEnabled(false);
    CiklSend->setEnabled(false);
}

void TForm1::RBAfterAnsClick() {
    OldCmdList->setEnabled(!modes->HistoryListShown);
    SendStart->setEnabled(true);
    CiklSend->setEnabled(true);
}

void TForm1::RBPeriodClick() {
    OldCmdList->setEnabled(!modes->HistoryListShown);
    SendStart->setEnabled(true);
    CiklSend->setEnabled(true);
    TimerPeriod->start();
}

bool TForm1::PeriodTXKeyPress(QChar ch) {
    if (ch == QChar(8) || (ch >= QChar('0') && ch <= QChar('9'))) return false;
    // Control characters (Ctrl+C, Ctrl+V, ...) are editing commands, not typing.
    return ch.isPrint();
}

// ====================================================== command files

void TForm1::ButtonReadFileClick() {
    if (tag(ButtonReadFile) == 1) {
        setTag(ButtonReadFile, 0);
        ButtonReadFile->setText(ru("Из файла"));
        modes->fileClosed();
        STListName->setText(fromCp(store->GetListName(CurrentList)));
        OldCmdList->clear();
        STListName->setToolTip(ru(kListNameHint));
        CiklSend->hide();
        OldCmdList->hide();
        STListName->hide();
        EditAllCmd->show();
        SendStart->hide();
        CBLists->show();
        RBName->show();
        RbData->show();
        return;
    }

    QString path;
    if (const auto scripted = takeScriptedCommandFile()) path = *scripted;
    else if (services_.chooseCommandFile) path = services_.chooseCommandFile();
    else path = QFileDialog::getOpenFileName(this);
    if (path.isEmpty()) return;

    // Read first: a file that cannot be read leaves the window as it was.
    const CommandFileResult read = readCommandFile(QFile::encodeName(path).toStdString());
    if (!read.ok) {
        messages().info("Не удалось прочитать файл команд",
                        path.toStdString() + ": " + read.reason);
        return;
    }

    setTag(ButtonReadFile, 1);
    ButtonReadFile->setText(ru("Назад"));
    modes->fileLoaded();
    CBLists->hide();
    STListName->setToolTip(QString());
    STListName->resize(STListName->x() + ButtonReadFile->x() - 20, STListName->height());
    CiklSend->setEnabled(RBAfterAns->isChecked() || RBPeriod->isChecked());
    CiklSend->show();
    STListName->show();
    OldCmdList->setEnabled(true);
    OldCmdList->raise();
    OldCmdList->show();
    EditAllCmd->hide();
    SendStart->show();
    RBName->hide();
    RbData->hide();
    OldCommandsBT->hide();
    STListName->setText(path);

    OldCmdList->clear();
    for (const std::string& line : read.file.lines) OldCmdList->addItem(fromCp(line));
    if (read.file.tooBig) messages().info(kBigFileText);
}

void TForm1::OldCmdListClick() {
    QListWidgetItem* item = OldCmdList->currentItem();
    if (!item) return;
    const std::string text = toCp(item->text());
    OldCmdList->setEnabled(false);
    if (RBSel->isChecked()) SendPortData(text);
    else MainStrCmd->setText(fromCp(text));
    OldCmdList->setEnabled(true);
    MainStrCmd->setFocus(Qt::OtherFocusReason);
}

void TForm1::SendStartClick() { StartSendCommands(); }

namespace {
std::string fileLine(const QListWidget* list, unsigned line) {
    const QListWidgetItem* item = list->item(int(line));
    return item ? toCp(item->text()) : std::string();
}
}  // namespace

void TForm1::StartSendCommands() {
    if (RBManual->isChecked() || RBAfterAns->isChecked()) {
        const SendModes::Step step = modes->manualStep(unsigned(OldCmdList->count()));
        if (step.send == SendModes::Step::Send::FileLine) SendPortData(fileLine(OldCmdList, step.line));
        if (step.endMessage) messages().info(kAllSentText);
    } else if (RBPeriod->isChecked()) {
        TimerPeriod->start();
    }
}

void TForm1::TimerPeriodTimer() {
    SendModes::PeriodInput in;
    const std::string period = toCp(PeriodTX->text());
    in.periodSelected = RBPeriod->isChecked();
    in.periodText = period;
    in.nowMs = clock().monotonicMs();
    in.portOpen = PortOpen();
    in.lineCount = unsigned(OldCmdList->count());
    in.cyclic = CiklSend->isChecked();
    const SendModes::Step step = modes->periodTick(in);
    // The timer is off before the message box opens, so no tick runs inside it.
    if (step.stopTimer) TimerPeriod->stop();
    if (step.send == SendModes::Step::Send::CommandLine) SendPortData(toCp(MainStrCmd->text()));
    if (step.send == SendModes::Step::Send::FileLine) SendPortData(fileLine(OldCmdList, step.line));
    if (step.endMessage) messages().info(kAllSentText);
}

void TForm1::sendNextFileLineAfterAnswer() {
    const SendModes::Step step = modes->afterAnswer(unsigned(OldCmdList->count()), CiklSend->isChecked());
    if (step.endMessage) messages().info(kAllSentText);
    if (step.send == SendModes::Step::Send::FileLine) SendPortData(fileLine(OldCmdList, step.line));
}

// ========================================================= the history

void TForm1::loadHistory() {
    const SentHistory::LoadResult r = history->load(SentHistory::kFileName);
    if (r.outcome == SentHistory::LoadOutcome::Unreadable)
        messages().info("Файл истории OldCmd не читается: история команд пуста и не будет сохранена",
                        r.reason);
    if (r.outcome == SentHistory::LoadOutcome::CreateFailed)
        messages().info("Не удалось создать файл истории OldCmd: история команд не будет сохранена",
                        r.reason);
    ReadOldCmd();
}

void TForm1::saveHistory() {
    const SentHistory::SaveResult r = history->save(SentHistory::kFileName);
    if (r.outcome == SentHistory::SaveOutcome::Failed)
        messages().info("Не удалось сохранить историю команд в файл OldCmd", r.reason);
}

void TForm1::recordHistory(const std::string& text) {
    history->record(text);
    if (modes->HistoryListShown) ReadOldCmd();
}

void TForm1::ReadOldCmd() {
    // The lines of a loaded command file are what it sends: the history
    // never replaces them.
    const bool fileShown = modes->FileCmdMode;
    if (!fileShown) OldCmdList->clear();
    FastOldCmd->clear();
    for (const std::string& text : history->usedTexts()) {
        const QString item = fromCp(text);
        if (!fileShown) OldCmdList->addItem(item);
        FastOldCmd->addItem(item);
    }
}

void TForm1::MainStrCmdKeyUp(int key) {
    if (key != Qt::Key_Down) return;
    ReadOldCmd();
    showDropDown(FastOldCmd);
}

void TForm1::Str1Click() {
    ReadOldCmd();
    if (FastOldCmd->isVisible()) FastOldCmd->hide();
    else showDropDown(FastOldCmd);
}

bool TForm1::FastOldCmdKeyPress(int key) {
    if (selectFirstIfNone(FastOldCmd, key)) return true;
    if (isEnter(key)) {
        if (QListWidgetItem* item = selectedItem(FastOldCmd)) {
            MainStrCmd->setText(item->text());
            FastOldCmd->hide();
            MainStrCmd->setFocus(Qt::OtherFocusReason);
        }
        return true;
    }
    if (key == Qt::Key_Escape) {
        FastOldCmd->hide();
        MainStrCmd->setFocus(Qt::OtherFocusReason);
        return true;
    }
    return false;
}

void TForm1::FastOldCmdExit() { FastOldCmd->hide(); }

// ============================================ tail field and templates

bool TForm1::AddStrCmdKeyPress(int key) {
    if (isEnter(key)) return true;
    if (key == Qt::Key_Escape) {
        AddStrCmd->clear();
        return true;
    }
    return false;
}

void TForm1::AddStrCmdKeyUp(int key) {
    if (key == Qt::Key_Down) showDropDown(LBTail);
}

void TForm1::Str2Click() {
    if (LBTail->isVisible()) LBTail->hide();
    else showDropDown(LBTail);
}

bool TForm1::LBTailKeyPress(int key) {
    if (selectFirstIfNone(LBTail, key)) return true;
    if (isEnter(key)) {
        if (QListWidgetItem* item = selectedItem(LBTail)) {
            AddStrCmd->setText(item->text());
            LBTail->hide();
            AddStrCmd->setFocus(Qt::OtherFocusReason);
        }
        return true;
    }
    if (key == Qt::Key_Escape) {
        LBTail->hide();
        AddStrCmd->setFocus(Qt::OtherFocusReason);
        return true;
    }
    return false;
}

void TForm1::LBTailExit() { LBTail->hide(); }

}  // namespace vantrel
