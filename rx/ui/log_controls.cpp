// The controls that act on the log view: clearing, pausing, colours, font
// size, the filter field and the bound on the view's length.
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include <array>

#include "common/ui/colors.h"
#include "common/ui/controls.h"
#include "common/ui/signal_widgets.h"
#include "common/ui/text_codec.h"
#include "rx/ui/log_view.h"
#include "rx/ui/receive_part.h"

namespace vantrel {
namespace {

const char* const kStopLine = ">>>>>>>>>> STOP <<<<<<<<<<";

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

void setPointSize(QWidget* widget, int size) {
    QFont font = widget->font();
    font.setPointSize(size);
    widget->setFont(font);
}

}  // namespace

bool ReceivePart::appendLogLine(const std::string& line) {
    MainWindow->appendLine(fromCp(line));
    // Until the housekeeping timer bounds the log every 10 ms, every append does.
    boundLog();
    return true;
}

void ReceivePart::boundLog() {
    if (MainWindow->visualLineCount() > kMaxLogLines) MainWindow->clearLog();
}

void ReceivePart::BTLogClick() { MainWindow->clearLog(); }

void ReceivePart::StartStopClick() {
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

void ReceivePart::BTPalitraClick() {
    const int step = (tag(BTPalitra) + 1) % int(kColourSteps.size());
    setTag(BTPalitra, step);
    const ColourStep& c = kColourSteps[std::size_t(step)];
    applyColours(c.background, c.text);
    emit coloursChosen(c.background, c.text);
}

void ReceivePart::applyColours(std::uint32_t background, std::uint32_t text) {
    applyColorValue(MainWindow, background, text);
}

void ReceivePart::SriftClick(bool up) {
    if (up && LogFontSize < kMaxFontSize) ++LogFontSize;
    if (!up && LogFontSize > kMinFontSize) --LogFontSize;
    SriftText->setText(QString::number(LogFontSize));
    applyLogFont(LogFontSize);
}

void ReceivePart::setLogFontSize(int points) {
    LogFontSize = points;
    SriftText->setText(QString::number(LogFontSize));
    applyLogFont(LogFontSize);
}

void ReceivePart::applyLogFont(int points) {
    setPointSize(MainWindow, points);
    setPointSize(SecondWindow, points);
}

void ReceivePart::showFontSize() {
    if (LogFontSize < kMinFontSize || LogFontSize > kMaxFontSize) LogFontSize = MainWindow->font().pointSize();
    SriftText->setText(QString::number(LogFontSize));
}

void ReceivePart::FiltrLogClick() { applyBackgroundValue(FiltrLog, colorvalue::kYellow); }

void ReceivePart::FiltrLogExit() {
    const bool empty = FiltrLog->text().isEmpty();
    applyBackgroundValue(FiltrLog, empty ? colorValue(FiltrLog->window(), true) : colorvalue::kYellow);
}

}  // namespace vantrel
