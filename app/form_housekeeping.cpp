// The 10 ms housekeeping tick and the hover help.
#include <QAbstractScrollArea>
#include <QCheckBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTimer>

#include <array>
#include <functional>
#include <unordered_map>

#include "app/main_window.h"
#include "macros/ui/macro_panel.h"
#include "rx/ui/receive_part.h"
#include "tx/ui/command_part.h"
#include "tx/ui/modes_part.h"
#include "serial/ui/connection_part.h"
#include "rx/help_texts.h"
#include "rx/hover_help.h"

namespace vantrel {

// Watches mouse moves over the controls with hover behaviour and keeps the countdowns.
class Housekeeping : public QObject {
public:
    static constexpr int kBlankOnly = -1;
    static constexpr int kConsol = 10;     // MainStrCmd
    static constexpr int kAddConsol = 11;  // AddStrCmd

    Housekeeping(QObject* parent, std::function<void()> clearHelp, std::function<QPoint()> cursorPos)
        : QObject(parent), clearHelp_(std::move(clearHelp)), cursorPos_(std::move(cursorPos)) {}

    // `countdown` 0..12, or kBlankOnly for a control whose moves only blank the help.
    void watch(QWidget* control, int countdown) {
        control->setMouseTracking(true);
        control->installEventFilter(this);
        watched_[control] = countdown;
    }

    HoverHelp hover;
    std::function<void()> countingStarted;  // the ticks must come at their short pace again
    // The time the clock caption shows: formatted again only when it changes.
    std::array<int, 3> shownTime{-1, -1, -1};

    static HoverPos toHoverPos(const QPoint& p) { return {p.x(), p.y()}; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::MouseMove) return false;
        const auto it = watched_.find(watched);
        if (it == watched_.end()) return false;
        // A move that a child ignored travels on to its parent; a panel answers
        // only for the pointer over the panel itself, not over its controls.
        const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
        if (static_cast<QWidget*>(watched)->childAt(at)) return false;
        clearHelp_();
        const int i = it->second;
        if (i == kConsol || i == kAddConsol)
            hover.restart(i, toHoverPos(cursorPos_()));
        else if (i != kBlankOnly)
            hover.restart(i);
        if (i != kBlankOnly && countingStarted) countingStarted();
        return false;
    }

public:
    QPoint cursorPos() const { return cursorPos_(); }

private:
    std::function<void()> clearHelp_;
    std::function<QPoint()> cursorPos_;
    std::unordered_map<QObject*, int> watched_;
};

namespace {

void showHelpText(MacroPanel& macros, HelpTopic topic) {
    const HelpText& text = helpText(topic);
    std::array<QString, 12> lines;
    for (int i = 0; i < kHelpLineCount; ++i)
        lines[std::size_t(i)] = QString::fromUtf8(text[std::size_t(i)].data(), qsizetype(text[std::size_t(i)].size()));
    macros.showHelpLines(lines);
}

QString clockText(const LocalTime& t) {
    return QString::asprintf("%02d:%02d:%02d", t.hour, t.minute, t.second);
}

}  // namespace

void TForm1::OutHelpHelp() { showHelpText(*macros_, HelpTopic::General); }

void TForm1::ClearHelp() { macros_->ClearHelp(); }

void TForm1::CustomFunctionsTimer() {
    connection_->followAutoConnect();
    command_->followWidth();
    receive_->boundLog();

    const LocalTime now = clock_->now();
    const std::array<int, 3> shown{now.hour, now.minute, now.second};
    if (!housekeeping_ || housekeeping_->shownTime != shown) {
        TextTime->setText(clockText(now));
        if (housekeeping_) housekeeping_->shownTime = shown;
    }

    modes_->keepPeriodArmed();

    if (!housekeeping_) return;
    housekeeping_->hover.tick([this] { return Housekeeping::toHoverPos(housekeeping_->cursorPos()); },
                              [this](int i) { showHelpText(*macros_, hoverTopic(i)); });
    // An idle window wakes once a second, for the clock.
    const bool counting = housekeeping_->hover.counting() || modes_->periodArmedByHousekeeping();
    const int pause = housekeepingPauseMs(counting, now.msec);
    if (CustomFunctions->interval() != pause) CustomFunctions->setInterval(pause);
}

void TForm1::housekeepingSoon() {
    if (!CustomFunctions->isActive() || CustomFunctions->interval() == kHousekeepingMs) return;
    CustomFunctions->setInterval(kHousekeepingMs);
    CustomFunctions->start();
}

// A receive tick that comes within a millisecond of the housekeeping tick
// takes it along: one wake-up of the program instead of two, which during a
// steady stream saves about a third of them. The next one follows 10 ms later.
void TForm1::takeHousekeepingAlong() {
    if (!CustomFunctions->isActive() || CustomFunctions->remainingTime() > 1) return;
    CustomFunctions->start();
    CustomFunctionsTimer();
}

void TForm1::setupHousekeeping() {
    housekeeping_ = new Housekeeping(this, [this] { ClearHelp(); }, services_.cursorPos);
    housekeeping_->countingStarted = [this] { housekeepingSoon(); };
    // The hover help belongs to the window: it watches the parts' controls by name,
    // in the serving order of the countdowns.
    const char* const withHelp[HoverHelp::kCount] = {"BTConnect", "BTRescan",     "AutoConnect", "TimeOutAns",
                                                     "FiltrLog",  "RBManual",     "RBSel",       "RBAfterAns",
                                                     "RBPeriod",  "SendAsReconn", "MainStrCmd",  "AddStrCmd",
                                                     "CiklSend"};
    for (int i = 0; i < HoverHelp::kCount; ++i) housekeeping_->watch(named(withHelp[i]), i);

    // The log views take their mouse moves on the viewport.
    for (const char* view : {"MainWindow", "SecondWindow"})
        housekeeping_->watch(static_cast<QAbstractScrollArea*>(named(view))->viewport(), Housekeeping::kBlankOnly);
    for (const char* name : {"Panel1", "MainPanel", "LogPanel", "EditAllCmd", "DelList", "OldCommandsBT", "ListInc",
                             "ListDec", "ButtonReadFile", "SendStart", "ButtonSend"})
        housekeeping_->watch(named(name), Housekeeping::kBlankOnly);
}

}  // namespace vantrel
