// The controls that act on the log window: clearing, pausing, the output
// mode, colours, font size, the filter field and the bound on its length.
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

#include <array>

#include "common/ui/colors.h"
#include "app/log_view.h"
#include "app/main_window.h"
#include "common/ui/controls.h"
#include "common/ui/text_codec.h"
#include "app/up_down.h"

namespace vantrel {
namespace {

const char* const kStopLine = ">>>>>>>>>> STOP <<<<<<<<<<";
constexpr int kMaxLogLines = 5000;
constexpr int kMinFontSize = 2;
constexpr int kMaxFontSize = 100;

struct ColourStep {
    std::uint32_t background;
    std::uint32_t text;
};

// Indexed by the step a click moves to.
constexpr std::array<ColourStep, 6> kColourSteps = {{
    {colorvalue::kWindow, colorvalue::kWindowText},
    {colorvalue::kInactiveBorder, colorvalue::kWindowText},
    {colorvalue::kMenuBar, colorvalue::kWindowText},
    {0x00FFFF00, colorvalue::kWindowText},  // aqua
    {0x00000000, 0x0000FF00},               // black, lime
    {0x000000FF, 0x00FF0000},               // red, blue
}};

// A click in the filter field and its loss of focus.
class FilterFieldEvents final : public QObject {
public:
    explicit FilterFieldEvents(TForm1* form) : QObject(form), form_(form) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonPress) form_->FiltrLogClick();
        if (event->type() == QEvent::FocusOut) form_->FiltrLogExit();
        return QObject::eventFilter(watched, event);
    }

private:
    TForm1* form_;
};

void setPointSize(QWidget* widget, int size) {
    QFont font = widget->font();
    font.setPointSize(size);
    widget->setFont(font);
}

}  // namespace

void TForm1::appendLogLine(const std::string& line) {
    MainWindow->appendLine(fromCp(line));
    // Until the housekeeping timer bounds the log every 10 ms, every append does.
    boundLog();
}

void TForm1::boundLog() {
    if (MainWindow->visualLineCount() > kMaxLogLines) MainWindow->clearLog();
}

void TForm1::BTLogClick() { MainWindow->clearLog(); }

void TForm1::StartStopClick() {
    SecondWindow->clear();
    if (tag(StartStop) == 0) {
        setTag(StartStop, 1);
        StartStop->setText(">");
        MainWindow->hide();
        SecondWindow->show();
        // Copied directly: the user's clipboard is left alone.
        const QString old = MainWindow->wholeText();
        const QString stop = QString::fromLatin1(kStopLine);
        SecondWindow->setPlainText(old.isEmpty() ? "\n" + stop : old + "\n\n" + stop);
        SecondWindow->moveCursor(QTextCursor::End);
    } else {
        setTag(StartStop, 0);
        StartStop->setText("||");
        SecondWindow->hide();
        MainWindow->show();
    }
}

void TForm1::RBASCIIClick() { AddStrCmd->setText("$0D"); }

void TForm1::RBHEXClick() { AddStrCmd->clear(); }

void TForm1::BTPalitraClick() {
    const int step = (tag(BTPalitra) + 1) % int(kColourSteps.size());
    setTag(BTPalitra, step);
    const ColourStep& c = kColourSteps[std::size_t(step)];
    for (QWidget* w : std::array<QWidget*, 6>{MainStrCmd, FastOldCmd, AddStrCmd, OldCmdList, LBTail,
                                              MainWindow}) {
        applyColorValue(w, c.background, c.text);
    }
}

void TForm1::SriftClick(bool up) {
    if (up && LogFontSize < kMaxFontSize) ++LogFontSize;
    if (!up && LogFontSize > kMinFontSize) --LogFontSize;
    SriftText->setText(QString::number(LogFontSize));
    setPointSize(MainWindow, LogFontSize);
    setPointSize(SecondWindow, LogFontSize);
}

void TForm1::FiltrLogClick() { applyBackgroundValue(FiltrLog, colorvalue::kYellow); }

void TForm1::FiltrLogExit() {
    applyBackgroundValue(FiltrLog, FiltrLog->text().isEmpty() ? colorValue(this, true) : colorvalue::kYellow);
}

void TForm1::setupLogViewHandlers() {
    connect(BTLog, &QPushButton::clicked, this, [this] { BTLogClick(); });
    connect(StartStop, &QPushButton::clicked, this, [this] { StartStopClick(); });
    connect(BTPalitra, &QPushButton::clicked, this, [this] { BTPalitraClick(); });
    connect(Srift, &UpDown::clicked, this, [this](bool up) { SriftClick(up); });
    connect(RBASCII, &QRadioButton::toggled, this, [this](bool on) {
        if (on) RBASCIIClick();
    });
    connect(RBHEX, &QRadioButton::toggled, this, [this](bool on) {
        if (on) RBHEXClick();
    });
    FiltrLog->installEventFilter(new FilterFieldEvents(this));
}

}  // namespace vantrel
