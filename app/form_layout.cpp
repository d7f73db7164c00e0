// Applies the layout rule to the controls when the window changes size. The
// geometry is the window's business: the controls are found by their names.
#include <QFrame>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QTextDocument>

#include "app/main_window.h"
#include "tx/ui/modes_part.h"

namespace vantrel {

namespace {

void setLeft(QWidget* w, int left) { w->move(left, w->y()); }
void setWidth(QWidget* w, int width) { w->resize(width, w->height()); }
void setSpan(QWidget* w, HSpan s) {
    // A widget of fixed size keeps one, at its new width.
    if (w->minimumSize() == w->maximumSize()) w->setFixedWidth(s.width);
    w->setGeometry(s.left, w->y(), s.width, w->height());
}
void setTop(QWidget* w, int top) { w->move(w->x(), top); }
void setHeight(QWidget* w, int height) { w->resize(w->width(), height); }

QString nth(const char* stem, int i) { return QString::fromLatin1(stem) + QString::number(i); }

}  // namespace

void TForm1::takeDesign() {
    const auto x = [this](const char* name) { return named(name)->x(); };
    const auto w = [this](const char* name) { return named(name)->width(); };
    Design.W0 = width();
    Design.H0 = height();
    Design.Str1L = x("Str1");
    Design.Str2L = x("Str2");
    Design.Panel1W = Panel1->width();
    Design.MainStrCmdW = w("MainStrCmd");
    Design.FiltrLogW = w("FiltrLog");
    Design.STLogW = w("STLog");
    Design.STListNameW = w("STListName");
    Design.ListNameEDTW = w("ListNameEDT");
    Design.CBListsW = w("CBLists");
    Design.StaticText3W = w("StaticText3");
    Design.AddStrCmdL = x("AddStrCmd");
    Design.SriftTextL = x("SriftText");
    Design.SriftL = x("Srift");
    Design.SendStartL = x("SendStart");
    Design.LPlusL = x("LPlus");
    Design.SaveFL = x("SaveF");
    Design.StartStopL = x("StartStop");
    Design.StartLogL = x("StartLog");
    Design.BTLogL = x("BTLog");
    Design.BTPalitraL = x("BTPalitra");
    Design.BtInfoL = BtInfo->x();
    Design.ListIncL = x("ListInc");
    Design.ListDecL = x("ListDec");
    Design.DelListL = x("DelList");
    Design.EditAllCmdL = x("EditAllCmd");
    Design.OldCommandsBTL = x("OldCommandsBT");
    Design.ButtonReadFileL = x("ButtonReadFile");
    Design.ButtonSendL = x("ButtonSend");
    Design.RBNameL = x("RBName");
    Design.RbDataL = x("RbData");
    Design.PStatsRightGap = LogPanel->width() - x("PStats");
    Design.MainWindowH = named("MainWindow")->height();
    Design.LogPanelTop = LogPanel->y();
    Design.MainPanelTop = MainPanel->y();
    const QWidget* inputMode = named("InputMode");
    Design.InputModeRight = inputMode->x() + inputMode->width();
    const auto* view = static_cast<const QPlainTextEdit*>(named("MainWindow"));
    const int margin = int(view->document()->documentMargin());
    Design.MinLogViewH = 5 * QFontMetrics(view->font()).lineSpacing() + 2 * (view->frameWidth() + margin);
    for (int i = 1; i <= 12; ++i) Design.HelpLabelL[std::size_t(i - 1)] = named(nth("STH", i))->x();
    for (int k = 1; k <= 48; ++k) {
        const QWidget* b = named(nth("Button", k));
        Design.MacroW[std::size_t(k - 1)] = b->width();
        Design.MacroL[std::size_t(k - 1)] = b->x();
    }
}

void TForm1::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // The first show repeats the construction size; that is no change of size.
    if (size() == ArrangedSize || Design.W0 == 0) return;
    ArrangedSize = size();

    // The log views stretch with the height; the two lower panels keep their
    // distance to the bottom edge.
    const VerticalPlan v = computeVertical(Design, height());
    setHeight(named("MainWindow"), v.mainWindowHeight);
    setHeight(named("SecondWindow"), v.mainWindowHeight);
    setTop(LogPanel, v.logPanelTop);
    setTop(MainPanel, v.mainPanelTop);

    // The width the window has now, after the change (not the one before it).
    Rearrange();
}

void TForm1::Rearrange() {
    const auto c = [this](const char* name) { return named(name); };
    LayoutInputs in;
    in.width = width();
    in.mainPanelTop = MainPanel->y();
    in.logPanelHeight = LogPanel->height();
    in.mainWindowLeft = c("MainWindow")->x();
    in.mainStrCmdLeft = c("MainStrCmd")->x();
    in.addStrCmdWidth = c("AddStrCmd")->width();
    in.stListNameLeft = c("STListName")->x();
    in.fileCmdMode = modes_->fileCmdMode();
    const LayoutPlan p = computeLayout(Design, in);

    setTop(LogPanel, p.logPanelTop);

    setWidth(c("STLog"), p.STLogW);
    setWidth(c("FiltrLog"), p.FiltrLogW);
    setWidth(c("MainStrCmd"), p.MainStrCmdW);
    setWidth(c("ListNameEDT"), p.ListNameEDTW);
    setWidth(c("CBLists"), p.CBListsW);
    setWidth(c("STListName"), p.STListNameW);
    for (QWidget* w : {static_cast<QWidget*>(Panel1), static_cast<QWidget*>(LogPanel),
                       static_cast<QWidget*>(MainPanel), c("MainWindow"), c("SecondWindow")})
        setWidth(w, p.panelWidth);
    setLeft(c("PStats"), p.PStatsL);

    setLeft(c("SriftText"), p.SriftTextL);
    setLeft(c("Srift"), p.SriftL);
    setLeft(c("BTLog"), p.BTLogL);
    setLeft(c("StartLog"), p.StartLogL);
    setLeft(c("StartStop"), p.StartStopL);
    setLeft(c("BTPalitra"), p.BTPalitraL);
    setLeft(BtInfo, p.BtInfoL);

    setLeft(c("Str1"), p.Str1L);
    setLeft(c("LPlus"), p.LPlusL);
    setLeft(c("AddStrCmd"), p.AddStrCmdL);
    setLeft(c("Str2"), p.Str2L);
    setLeft(c("SendStart"), p.SendStartL);
    setLeft(c("SaveF"), p.SaveFL);
    setLeft(c("DelList"), p.DelListL);
    setLeft(c("EditAllCmd"), p.EditAllCmdL);
    setLeft(c("OldCommandsBT"), p.OldCommandsBTL);
    setLeft(c("ListDec"), p.ListDecL);
    setLeft(c("ButtonReadFile"), p.ButtonReadFileL);
    setLeft(c("ListInc"), p.ListIncL);
    setLeft(c("ButtonSend"), p.ButtonSendL);
    setLeft(c("RBName"), p.RBNameL);
    setLeft(c("RbData"), p.RbDataL);
    for (int i = 1; i <= 12; ++i) setLeft(named(nth("STH", i)), p.HelpLabelL[std::size_t(i - 1)]);

    setWidth(c("FastOldCmd"), p.FastOldCmdW);
    setSpan(c("OldCmdList"), p.OldCmdList);
    setLeft(c("LBTail"), p.LBTailL);

    for (int k = 1; k <= 48; ++k) {
        setSpan(named(nth("Button", k)), p.Macro[std::size_t(k - 1)]);
        setSpan(named(nth("Edit", k)), p.Macro[std::size_t(k - 1)]);
    }
    setSpan(c("StaticText1"), p.StaticText1);
    setSpan(c("StaticText3"), p.StaticText3);
}

}  // namespace vantrel
