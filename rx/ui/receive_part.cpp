#include "rx/ui/receive_part.h"

#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <initializer_list>

#include "common/config_image.h"
#include "common/messages.h"
#include "common/ui/busy_mark.h"
#include "common/ui/colors.h"
#include "common/ui/controls.h"
#include "common/ui/signal_widgets.h"
#include "common/ui/text_codec.h"
#include "common/ui/up_down.h"
#include "rx/log_file.h"
#include "rx/receiver.h"
#include "rx/stats.h"
#include "rx/ui/log_view.h"
#include "rx/ui/rx_wake.h"
#include "serial/serial_link.h"

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

ReceivePart::ReceivePart(QWidget* topBar, QWidget* window, Services services, QObject* parent)
    : QObject(parent),
      services_(std::move(services)),
      receiver_(std::make_unique<Receiver>()),
      stats_(std::make_unique<Stats>()),
      logFile_(std::make_unique<LogFile>()) {
    const QFont base = topBar->font();
    TimeOutRx = place(new UpDown(topBar), "TimeOutRx", 408, 0, 17, 24, "Временнй интервал разделения пакетов, мс");
    TimeOutRx->setRange(-10000, 10000);
    TimeOutAns = sunken(topBar, "TimeOutAns", "", 428, 4, 89, 17);
    FiltrLog = edit<EventLineEdit>(topBar, "FiltrLog", "", 520, 4, 57, 19, 250, "Фильтр сообщений");
    FiltrLog->setFont(styled(base, 0, true));
    Srift = place(new UpDown(topBar), "Srift", 584, 0, 17, 24, "Размер шрифта");
    Srift->setRange(-100, 100);
    SriftText = sunken(topBar, "SriftText", "", 604, 4, 29, 17);
    BTLog = button(topBar, "BTLog", "Clear", 636, 0, 61, 25, "Очистить окно лога");
    StartLog = button(topBar, "StartLog", "Start Log", 696, 0, 61, 25);
    StartStop = button(topBar, "StartStop", "||", 756, 0, 61, 25, "Остановить/продолжить вывод лога");
    StartStop->setFont(styled(base, 32, true));
    BTPalitra = button(topBar, "BTPalitra", "Colors", 816, 0, 61, 25, "Цвет окна лога");

    MainWindow = place(new LogView(window), "MainWindow", 4, 28, 937, 373);
    MainWindow->setReadOnly(true);
    MainWindow->setFrameStyle(QFrame::Box | QFrame::Plain);
    MainWindow->setLineWrapMode(QPlainTextEdit::WidgetWidth);

    SecondWindow = place(new QPlainTextEdit(window), "SecondWindow", 4, 28, 937, 373);
    SecondWindow->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QPalette pal = SecondWindow->palette();
    pal.setColor(QPalette::Base, pal.color(QPalette::ToolTipBase));
    pal.setColor(QPalette::Text, pal.color(QPalette::ToolTipText));
    SecondWindow->setPalette(pal);
    SecondWindow->hide();

    RxTimer = new QTimer(this);
    RxTimer->setObjectName(QStringLiteral("RxTimer"));
    RxTimer->setTimerType(Qt::PreciseTimer);
    RxTimer->setInterval(1);
    RxTimer->start();
    connect(RxTimer, &QTimer::timeout, this, &ReceivePart::receiveTickFromLoop);
    logFile_->clock = services_.clock;
    rxWake_ = new RxWake(RxTimer, [this] { receiveTickFromLoop(); }, this);
}

ReceivePart::~ReceivePart() = default;

void ReceivePart::placeLower(QWidget* logBar, QWidget* mainPanel) {
    const QFont base = logBar->font();
    OutMode = panel(logBar, "OutMode", 64, 0, 117, 45);
    VisTime = check(OutMode, "VisTime", "TIME + ", 4, 16, 57, 17);
    RBASCII = radio(OutMode, "RBASCII", "ASCII", 64, 8, 49, 17, "Пример: \"command\"");
    RBHEX = radio(OutMode, "RBHEX", "HEX", 64, 24, 49, 17, "Пример: \"00 01 02 03 0D 0E 12 13\"");
    RBASCII->setChecked(true);

    // bound to the right edge of the log bar, inside its border
    PStats = panel(logBar, "PStats", 937 - 1 - 268, 1, 268, 43);
    LSend = place(new QLabel(PStats), "LSend", 8, 8, 86, 13, "Число отправленных пакетов с учётом настроек фильтра");
    LRead = place(new QLabel(PStats), "LRead", 8, 24, 86, 13, "Число принятых пакетов с учётом настроек фильтра");
    MinTimeWait = place(new QLabel(PStats), "MinTimeWait", 96, 8, 128, 13, "Минимальное время между принятыми пакетами");
    MaxTimeWait = place(new QLabel(PStats), "MaxTimeWait", 96, 24, 128, 13, "Максимальное время между принятыми пакетами");
    BTClrStat = button(PStats, "BTClrStat", "0", 228, 12, 35, 21, "Обнулить статистику");
    BTClrStat->setFont(styled(base, 13, true));

    STLog = sunken(mainPanel, "STLog", "Запись в файл не ведётся", 8, 272, 641, 17);
    StaticText3 = sunken(mainPanel, "StaticText3", "TX: 0, RX: 0", 668, 272, 261, 17);
    connectControls();
}

void ReceivePart::connectControls() {
    // These captions change with every packet: they are painted in the log view's frames.
    for (QLabel* caption : {StaticText3, LRead, MinTimeWait, MaxTimeWait, LSend}) {
        MainWindow->paceWith(caption);
        // Sized by the program alone: a new text then asks no layout of the panel behind it.
        caption->setFixedSize(caption->size());
        caption->setTextFormat(Qt::PlainText);
    }
    connect(TimeOutRx, &UpDown::clicked, this, &ReceivePart::TimeOutRxClick);
    connect(BTClrStat, &QPushButton::clicked, this, &ReceivePart::BTClrStatClick);
    connect(StartLog, &QPushButton::clicked, this, &ReceivePart::StartLogClick);
    connect(BTLog, &QPushButton::clicked, this, &ReceivePart::BTLogClick);
    connect(StartStop, &QPushButton::clicked, this, &ReceivePart::StartStopClick);
    connect(BTPalitra, &QPushButton::clicked, this, &ReceivePart::BTPalitraClick);
    connect(Srift, &UpDown::clicked, this, &ReceivePart::SriftClick);
    connect(RBASCII, &QRadioButton::toggled, this, [this](bool on) {
        if (on) emit outputModeChosen(OutputMode::Ascii);
    });
    connect(RBHEX, &QRadioButton::toggled, this, [this](bool on) {
        if (on) emit outputModeChosen(OutputMode::Hex);
    });
    connect(FiltrLog, &EventLineEdit::pressed, this, &ReceivePart::FiltrLogClick);
    connect(FiltrLog, &EventLineEdit::left, this, &ReceivePart::FiltrLogExit);
}

void ReceivePart::resetForStart() {
    BTClrStatClick();
    receiver_->RxLen = 0;
    receiver_->LastRxTime = 0;
    setRxTimeoutMs(0);
    receiver_->RxBytes = 0;
    LogFontSize = MainWindow->font().pointSize();
    MainWindow->clear();
    applyBackgroundValue(MainWindow, colorvalue::kButtonFace);
    applyBackgroundValue(FiltrLog, colorvalue::kButtonFace);
    receiver_->RxBusy = false;
    logFile_->LogFileCreated = false;
    logFile_->LogActive = false;
}

std::int64_t ReceivePart::rxBytes() const { return receiver_->RxBytes; }
std::uint32_t ReceivePart::rxLen() const { return receiver_->RxLen; }
bool ReceivePart::pollSleeping() const { return rxWake_->sleeping(); }

void ReceivePart::portOpened() { rxWake_->wake(); }
void ReceivePart::portClosed() { rxWake_->portClosed(); }

// ------------------------------------------------------------------ receiving

void ReceivePart::RxTimerTimer() {
    Receiver& rx = *receiver_;
    if (rx.RxBusy) return;  // a tick nested in a message box of the outer one
    const BusyMark mark(rx.RxBusy);
    rxWake_->beginTick();
    logFile_->syncIfDue();
    SerialLink& link = *services_.link;
    if (!link.isOpen()) {
        rxWake_->endTick(-1, 0, false, false, false, false, logFile_->syncPending());
        return;
    }
    LinkRxPort port(link);
    bool found = false;
    bool backlog = false;
    // While input outruns the poll, one tick takes several full buffers, so
    // the window repaints once for them instead of once per buffer.
    for (int step = 0; step < kBuffersPerTick; ++step) {
        Receiver::Tick tick = rx.tick(port, weekMs(services_.clock->now()), rx.RxTimeoutMs);
        found = found || tick.bytesWaiting;
        if (tick.bytesWaiting) {
            MainWindow->aboutToChange();
            updateByteTotals();
        }
        const bool full = tick.packet.size() > Receiver::kFlushAbove;
        if (!tick.packet.empty()) ReadBufRxInLog(tick.packet);
        backlog = full && rx.RxLen == 0 && link.waiting() > 0;
        if (!backlog) break;
    }
    rxWake_->endTick(link.readinessHandle(), link.opening(), found, rx.RxLen > 0, backlog, true,
                     logFile_->syncPending());
}

// The poll's timer and the port's readiness: a tick, and the housekeeping if it is about due.
void ReceivePart::receiveTickFromLoop() {
    RxTimerTimer();
    if (!receiver_->RxBusy) emit tickedFromLoop();
}

void ReceivePart::ReadBufRxInLog(const std::vector<std::uint8_t>& packet) {
    const std::string text = renderRx(packet.data(), packet.size(), outputMode());
    if (text.empty()) return;  // line feeds alone leave no trace
    const Clock& clock = *services_.clock;
    const std::string line = completeRxLine(text, showTime(), clock.now());
    bool written = true;
    if (passesFilter(line, toCp(FiltrLog->text()))) {
        const bool interval = stats_->countRx(weekMs(clock.now()));
        showReadCaption();
        if (interval) showWaitCaptions();
        appendLogLine(line);
        written = writeLogFileLine(line);
    }
    emit packetShown(!written);
}

OutputMode ReceivePart::outputMode() const { return RBHEX->isChecked() ? OutputMode::Hex : OutputMode::Ascii; }

bool ReceivePart::showTime() const { return VisTime->isChecked(); }

void ReceivePart::txLine(const std::string& line) {
    if (!passesFilter(line, toCp(FiltrLog->text()))) return;
    appendLogLine(line);
    writeLogFileLine(line);
    stats_->countTx();
}

void ReceivePart::txBytesChanged() {
    MainWindow->captionsChanging();
    updateByteTotals();
}

void ReceivePart::txPacketWritten() { showSendCaption(); }

// The captions' texts are made when shown: a flood changes them many times per frame.
void ReceivePart::updateByteTotals() {
    MainWindow->setPacedText(StaticText3, [this] {
        return QStringLiteral("TX: ") + QString::number(services_.txBytes()) + QStringLiteral(" RX: ") +
               QString::number(receiver_->RxBytes);
    });
}

void ReceivePart::showReadCaption() {
    MainWindow->setPacedText(LRead, [this] { return qs(stats_->readCaption()); });
}

void ReceivePart::showSendCaption() {
    MainWindow->setPacedText(LSend, [this] { return qs(stats_->sendCaption()); });
}

void ReceivePart::showWaitCaptions() {
    MainWindow->setPacedText(MinTimeWait, [this] { return qs(stats_->minCaption()); });
    MainWindow->setPacedText(MaxTimeWait, [this] { return qs(stats_->maxCaption()); });
}

int ReceivePart::RxTimeoutMs() const { return receiver_->RxTimeoutMs; }

void ReceivePart::setRxTimeoutMs(int ms) {
    // Only a damaged settings file holds a negative time-out.
    receiver_->RxTimeoutMs = ms < 0 ? 0 : ms;
    TimeOutAns->setText(QStringLiteral("TimeRX: %1").arg(receiver_->RxTimeoutMs));
    applyBackgroundValue(TimeOutAns, receiver_->RxTimeoutMs != 0 ? colorvalue::kYellow : colorvalue::kButtonFace);
}

void ReceivePart::TimeOutRxClick(bool up) { setRxTimeoutMs(stepRxTimeout(receiver_->RxTimeoutMs, up)); }

// ----------------------------------------------------------------- statistics

void ReceivePart::BTClrStatClick() {
    stats_->reset();
    showWaitCaptions();
    showReadCaption();
    showSendCaption();
}

// ------------------------------------------------------------------- log file

void ReceivePart::showLogPaused() {
    setTag(StartLog, 0);
    StartLog->setText(QStringLiteral("Go Log"));
    STLog->setText(ru("Запись в файл лога приостановлена (") + fromCp(logFile_->LogFileName) + ")");
}

void ReceivePart::StartLogClick() {
    if (tag(StartLog) == 1) {
        showLogPaused();
        logFile_->pause();
        return;
    }
    const LogFile::Outcome created = logFile_->start(services_.clock->now());
    if (!created.ok) {
        // Nothing is open, so the log stays never started.
        StartLog->setText(QStringLiteral("Start Log"));
        STLog->setText(ru("Запись в файл не ведётся"));
        services_.messages->info("Не удалось создать файл лога " + created.file, created.reason);
        return;
    }
    setTag(StartLog, 1);
    StartLog->setText(QStringLiteral("Pause Log"));
    STLog->setText(ru("Лог записывается в файл ") + fromCp(logFile_->LogFileName));
}

bool ReceivePart::writeLogFileLine(const std::string& line) {
    if (!logFile_->LogActive) return true;
    const LogFile::Outcome written = logFile_->writeLine(line);
    if (written.ok) return true;
    // Paused before the box opens, so lines arriving meanwhile raise no second box.
    showLogPaused();
    services_.messages->info("Не удалось записать строку в файл лога " + written.file +
                                 ". Запись в файл приостановлена.",
                             written.reason);
    return false;
}

void ReceivePart::closeLogFile() { logFile_->close(); }

void ReceivePart::setLogStatusVisible(bool visible) { STLog->setVisible(visible); }

// ------------------------------------------------------------------- settings

void ReceivePart::applySettings(const ConfigImage& c) {
    setRxTimeoutMs(std::max(0, int(c.rxTimeoutMs())));  // also its caption and colour
    FiltrLog->setText(fromCp(c.logFilter()));
    if (c.logFontSize() >= kMinFontSize && c.logFontSize() <= kMaxFontSize) LogFontSize = c.logFontSize();
    applyColours(c.backColor(), c.textColor());
    applyLogFont(LogFontSize);
    VisTime->setChecked(c.showTime());
    if (!FiltrLog->text().isEmpty()) applyBackgroundValue(FiltrLog, colorvalue::kYellow);
}

void ReceivePart::applyOutputMode(const ConfigImage& c) {
    if (c.outputMode() == 1) RBASCII->setChecked(true);
    if (c.outputMode() == 2) RBHEX->setChecked(true);
}

void ReceivePart::storeSettings(ConfigImage& c) const {
    c.setRxTimeoutMs(RxTimeoutMs());
    c.setLogFilter(toCp(FiltrLog->text()));
    c.setLogFontSize(LogFontSize);
    c.setShowTime(VisTime->isChecked());
    if (RBASCII->isChecked())
        c.setOutputMode(1);
    else if (RBHEX->isChecked())
        c.setOutputMode(2);
}

}  // namespace vantrel
