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
#include <unordered_map>

#include "app/log_view.h"
#include "app/main_window.h"
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

    explicit Housekeeping(TForm1& form) : QObject(&form), form_(form) {}

    // `countdown` 0..12, or kBlankOnly for a control whose moves only blank the help.
    void watch(QWidget* control, int countdown) {
        control->setMouseTracking(true);
        control->installEventFilter(this);
        watched_[control] = countdown;
    }

    HoverHelp hover;
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
        form_.ClearHelp();
        const int i = it->second;
        if (i == kConsol || i == kAddConsol)
            hover.restart(i, toHoverPos(form_.cursorPos()));
        else if (i != kBlankOnly)
            hover.restart(i);
        return false;
    }

private:
    TForm1& form_;
    std::unordered_map<QObject*, int> watched_;
};

namespace {

void showHelpText(TForm1& form, HelpTopic topic) {
    const HelpText& text = helpText(topic);
    for (int i = 0; i < kHelpLineCount; ++i)
        form.HelpLabels[std::size_t(i)]->setText(QString::fromUtf8(text[std::size_t(i)].data(),
                                                                     qsizetype(text[std::size_t(i)].size())));
}

QString clockText(const LocalTime& t) {
    return QString::asprintf("%02d:%02d:%02d", t.hour, t.minute, t.second);
}

}  // namespace

void TForm1::OutHelpHelp() { showHelpText(*this, HelpTopic::General); }

void TForm1::CustomFunctionsTimer() {
    connection->followAutoConnect();

    if (FastOldCmd->width() != MainStrCmd->width()) FastOldCmd->resize(MainStrCmd->width(), FastOldCmd->height());

    boundLog();

    const LocalTime now = clock().now();
    const std::array<int, 3> shown{now.hour, now.minute, now.second};
    if (!housekeeping || housekeeping->shownTime != shown) {
        TextTime->setText(clockText(now));
        if (housekeeping) housekeeping->shownTime = shown;
    }

    if (CiklSend->isChecked() && RBPeriod->isChecked() && !TimerPeriod->isActive()) TimerPeriod->start();

    if (!housekeeping) return;
    housekeeping->hover.tick([this] { return Housekeeping::toHoverPos(cursorPos()); },
                             [this](int i) { showHelpText(*this, hoverTopic(i)); });
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
    housekeeping = new Housekeeping(*this);
    // In the serving order of the countdowns.
    // The hover help is the window's: it watches the parts' controls by name.
    const auto named = [this](const char* name) { return findChild<QWidget*>(QLatin1String(name)); };
    QWidget* const withHelp[HoverHelp::kCount] = {named("BTConnect"), named("BTRescan"), named("AutoConnect"),
                                                  TimeOutAns, FiltrLog,
                                                  RBManual,   RBSel,    RBAfterAns,  RBPeriod,   SendAsReconn,
                                                  MainStrCmd, AddStrCmd, CiklSend};
    for (int i = 0; i < HoverHelp::kCount; ++i) housekeeping->watch(withHelp[i], i);

    // The log views take their mouse moves on the viewport.
    for (QAbstractScrollArea* view : std::initializer_list<QAbstractScrollArea*>{MainWindow, SecondWindow})
        housekeeping->watch(view->viewport(), Housekeeping::kBlankOnly);
    for (QWidget* w : std::initializer_list<QWidget*>{Panel1, MainPanel, LogPanel, EditAllCmd, DelList,
                                                      OldCommandsBT, ListInc, ListDec, ButtonReadFile, SendStart,
                                                      ButtonSend})
        housekeeping->watch(w, Housekeeping::kBlankOnly);
}

}  // namespace vantrel
