// Applies the layout rule to the controls when the window changes size.
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QResizeEvent>

#include "app/log_view.h"
#include "app/main_window.h"
#include "app/up_down.h"
#include "tx/send_modes.h"

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

}  // namespace

void TForm1::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // The first show repeats the construction size; that is no change of size.
    if (size() == ArrangedSize || Design.W0 == 0) return;
    ArrangedSize = size();

    // The log views stretch with the height; the two lower panels keep their
    // distance to the bottom edge.
    const VerticalPlan v = computeVertical(Design, height());
    setHeight(MainWindow, v.mainWindowHeight);
    setHeight(SecondWindow, v.mainWindowHeight);
    setTop(LogPanel, v.logPanelTop);
    setTop(MainPanel, v.mainPanelTop);

    // The width the window has now, after the change (not the one before it).
    Rearrange();
}

void TForm1::Rearrange() {
    LayoutInputs in;
    in.width = width();
    in.mainPanelTop = MainPanel->y();
    in.logPanelHeight = LogPanel->height();
    in.mainWindowLeft = MainWindow->x();
    in.mainStrCmdLeft = MainStrCmd->x();
    in.addStrCmdWidth = AddStrCmd->width();
    in.stListNameLeft = STListName->x();
    in.fileCmdMode = modes->FileCmdMode;
    const LayoutPlan p = computeLayout(Design, in);

    setTop(LogPanel, p.logPanelTop);

    setWidth(STLog, p.STLogW);
    setWidth(FiltrLog, p.FiltrLogW);
    setWidth(MainStrCmd, p.MainStrCmdW);
    setWidth(ListNameEDT, p.ListNameEDTW);
    setWidth(CBLists, p.CBListsW);
    setWidth(STListName, p.STListNameW);
    for (QWidget* w : std::initializer_list<QWidget*>{Panel1, LogPanel, MainPanel, MainWindow,
                                                      SecondWindow})
        setWidth(w, p.panelWidth);
    setLeft(PStats, p.PStatsL);

    setLeft(SriftText, p.SriftTextL);
    setLeft(Srift, p.SriftL);
    setLeft(BTLog, p.BTLogL);
    setLeft(StartLog, p.StartLogL);
    setLeft(StartStop, p.StartStopL);
    setLeft(BTPalitra, p.BTPalitraL);
    setLeft(BtInfo, p.BtInfoL);

    setLeft(Str1, p.Str1L);
    setLeft(LPlus, p.LPlusL);
    setLeft(AddStrCmd, p.AddStrCmdL);
    setLeft(Str2, p.Str2L);
    setLeft(SendStart, p.SendStartL);
    setLeft(SaveF, p.SaveFL);
    setLeft(DelList, p.DelListL);
    setLeft(EditAllCmd, p.EditAllCmdL);
    setLeft(OldCommandsBT, p.OldCommandsBTL);
    setLeft(ListDec, p.ListDecL);
    setLeft(ButtonReadFile, p.ButtonReadFileL);
    setLeft(ListInc, p.ListIncL);
    setLeft(ButtonSend, p.ButtonSendL);
    setLeft(RBName, p.RBNameL);
    setLeft(RbData, p.RbDataL);
    for (int i = 0; i < 12; ++i) setLeft(HelpLabels[i], p.HelpLabelL[i]);

    setWidth(FastOldCmd, p.FastOldCmdW);
    setSpan(OldCmdList, p.OldCmdList);
    setLeft(LBTail, p.LBTailL);

    for (int i = 0; i < 48; ++i) {
        setSpan(MacroButtons[i], p.Macro[i]);
        setSpan(MacroFields[i], p.Macro[i]);
    }
    setSpan(StaticText1, p.StaticText1);
    setSpan(StaticText3, p.StaticText3);
}

}  // namespace vantrel
