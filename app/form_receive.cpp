// Receiving, the traffic statistics and the log file: the handlers of the
// receive poll, the time-out arrows, the statistics reset and the log button.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QCheckBox>

#include <initializer_list>

#include "common/ui/busy_mark.h"
#include "common/ui/colors.h"
#include "app/log_view.h"
#include "app/main_window.h"
#include "common/ui/controls.h"
#include "app/rx_wake.h"
#include "common/ui/text_codec.h"
#include "app/up_down.h"
#include "rx/log_file.h"
#include "rx/log_line.h"
#include "rx/receiver.h"
#include "rx/stats.h"
#include "serial/serial_link.h"
#include "tx/send_modes.h"

namespace vantrel {

namespace {

// The open link as the receiver sees it.
class LinkRxPort final : public RxPort {
public:
    explicit LinkRxPort(SerialLink& link) : link_(link) {}
    std::size_t waiting() override { return link_.waiting(); }
    std::size_t read(std::uint8_t* buffer, std::size_t n) override { return link_.read(buffer, n); }

private:
    SerialLink& link_;
};

QString qs(const std::string& utf8) { return QString::fromStdString(utf8); }

constexpr int kBuffersPerTick = 8;

}  // namespace

void TForm1::setupReceiveHandlers() {
    logFile->clock = &clock();
    rxWake = new RxWake(RxTimer, [this] { receiveTickFromLoop(); }, this);
    // These captions change with every packet: they are painted in the log view's frames.
    for (QWidget* caption : std::initializer_list<QWidget*>{StaticText3, LRead, MinTimeWait, MaxTimeWait}) {
        MainWindow->paceWith(caption);
        // Sized by the program alone: a new text then asks no layout of the panel behind it.
        caption->setFixedSize(caption->size());
        static_cast<QLabel*>(caption)->setTextFormat(Qt::PlainText);
    }
    connect(TimeOutRx, &UpDown::clicked, this, &TForm1::TimeOutRxClick);
    connect(BTClrStat, &QPushButton::clicked, this, &TForm1::BTClrStatClick);
    connect(StartLog, &QPushButton::clicked, this, &TForm1::StartLogClick);
}

// ------------------------------------------------------------------ receiving

void TForm1::RxTimerTimer() {
    Receiver& rx = *receiver;
    if (rx.RxBusy) return;  // a tick nested in a message box of the outer one
    const BusyMark mark(rx.RxBusy);
    rxWake->beginTick();
    logFile->syncIfDue();
    if (!link().isOpen()) {
        rxWake->endTick(-1, false, false);
        return;
    }
    LinkRxPort port(link());
    bool found = false;
    bool backlog = false;
    // While input outruns the poll, one tick takes several full buffers, so
    // the window repaints once for them instead of once per buffer.
    for (int step = 0; step < kBuffersPerTick; ++step) {
        Receiver::Tick tick = rx.tick(port, weekMs(clock().now()), rx.RxTimeoutMs);
        found = found || tick.bytesWaiting;
        if (tick.bytesWaiting) {
            MainWindow->aboutToChange();
            updateByteTotals();
        }
        const bool full = tick.packet.size() > Receiver::kFlushAbove;
        if (!tick.packet.empty()) ReadBufRxInLog(tick.packet);
        backlog = full && rx.RxLen == 0 && link().waiting() > 0;
        if (!backlog) break;
    }
    rxWake->endTick(link().readinessHandle(), found, rx.RxLen > 0, backlog);
}

// The poll's timer and the port's readiness: a tick, and the housekeeping if it is about due.
void TForm1::receiveTickFromLoop() {
    RxTimerTimer();
    if (!receiver->RxBusy) takeHousekeepingAlong();
}

void TForm1::ReadBufRxInLog(const std::vector<std::uint8_t>& packet) {
    const OutputMode mode = RBHEX->isChecked() ? OutputMode::Hex : OutputMode::Ascii;
    const std::string text = renderRx(packet.data(), packet.size(), mode);
    if (text.empty()) return;  // line feeds alone leave no trace
    const std::string line = completeRxLine(text, VisTime->isChecked(), clock().now());
    if (passesFilter(line, toCp(FiltrLog->text()))) {
        const bool interval = stats->countRx(weekMs(clock().now()));
        LRead->setText(qs(stats->readCaption()));
        if (interval) {
            MinTimeWait->setText(qs(stats->minCaption()));
            MaxTimeWait->setText(qs(stats->maxCaption()));
        }
        appendLogLine(line);
        writeLogFileLine(line);
    }
    afterAnswerTrigger();
}

void TForm1::afterAnswerTrigger() {
    if (!RBAfterAns->isChecked() || link().waiting() != 0) return;  // bytes waiting: the answer goes on
    if (!modes->FileCmdMode) {
        SendPortData(toCp(MainStrCmd->text()));
        return;
    }
    sendNextFileLineAfterAnswer();
}

void TForm1::updateByteTotals() {
    StaticText3->setText(QStringLiteral("TX: ") + QString::number(TxBytes) + QStringLiteral(" RX: ") +
                         QString::number(receiver->RxBytes));
}

int TForm1::RxTimeoutMs() const { return receiver->RxTimeoutMs; }

void TForm1::setRxTimeoutMs(int ms) {
    // Only a damaged settings file holds a negative time-out.
    receiver->RxTimeoutMs = ms < 0 ? 0 : ms;
    TimeOutAns->setText(QStringLiteral("TimeRX: %1").arg(receiver->RxTimeoutMs));
    applyBackgroundValue(TimeOutAns, receiver->RxTimeoutMs != 0 ? colorvalue::kYellow : colorvalue::kButtonFace);
}

void TForm1::TimeOutRxClick(bool up) { setRxTimeoutMs(stepRxTimeout(receiver->RxTimeoutMs, up)); }

// ----------------------------------------------------------------- statistics

void TForm1::BTClrStatClick() {
    stats->reset();
    MinTimeWait->setText(qs(stats->minCaption()));
    MaxTimeWait->setText(qs(stats->maxCaption()));
    LRead->setText(qs(stats->readCaption()));
    LSend->setText(qs(stats->sendCaption()));
}

void TForm1::countSentLine() { stats->countTx(); }

void TForm1::showSendCount() { LSend->setText(qs(stats->sendCaption())); }

// ------------------------------------------------------------------- log file

namespace {

void showLogPaused(TForm1& f) {
    setTag(f.StartLog, 0);
    f.StartLog->setText(QStringLiteral("Go Log"));
    f.STLog->setText(ru("Запись в файл лога приостановлена (") + fromCp(f.logFile->LogFileName) + ")");
}

}  // namespace

void TForm1::StartLogClick() {
    if (tag(StartLog) == 1) {
        showLogPaused(*this);
        logFile->pause();
        return;
    }
    const LogFile::Outcome created = logFile->start(clock().now());
    if (!created.ok) {
        // Nothing is open, so the log stays never started.
        StartLog->setText(QStringLiteral("Start Log"));
        STLog->setText(ru("Запись в файл не ведётся"));
        messages().info("Не удалось создать файл лога " + created.file, created.reason);
        return;
    }
    setTag(StartLog, 1);
    StartLog->setText(QStringLiteral("Pause Log"));
    STLog->setText(ru("Лог записывается в файл ") + fromCp(logFile->LogFileName));
}

void TForm1::writeLogFileLine(const std::string& line) {
    if (!logFile->LogActive) return;
    const LogFile::Outcome written = logFile->writeLine(line);
    if (written.ok) return;
    // Paused before the box opens, so lines arriving meanwhile raise no second box.
    showLogPaused(*this);
    messages().info("Не удалось записать строку в файл лога " + written.file +
                        ". Запись в файл приостановлена.",
                    written.reason);
}

void TForm1::closeLogFile() { logFile->close(); }

}  // namespace vantrel
