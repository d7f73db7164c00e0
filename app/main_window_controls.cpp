// The window's frame: the three panels, the clock caption and "Info"; the
// parts put their own controls into the panels.
#include <QFrame>
#include <QLabel>
#include <QPushButton>

#include "app/automation.h"
#include "app/main_window.h"
#include "app/secondary_windows.h"
#include "common/ui/controls.h"
#include "macros/ui/macro_panel.h"
#include "rx/ui/receive_part.h"
#include "serial/ui/connection_part.h"
#include "tx/ui/command_part.h"
#include "tx/ui/modes_part.h"

namespace vantrel {

void TForm1::createControls() {
    Panel1 = panel(this, "Panel1", 4, 0, 937, 25);
    connection_ = new ConnectionPart(Panel1, {messages_, services_.makePort, services_.listPorts, services_.sleep}, this);
    ReceivePart::Services rx{clock_, messages_, &connection_->link(), [this] { return command_->txBytes(); }};
    receive_ = new ReceivePart(Panel1, this, rx, this);
    BtInfo = button(Panel1, "BtInfo", "Info", 876, 0, 61, 25);

    LogPanel = panel(this, "LogPanel", 4, 404, 937, 45);
    TextTime = sunken(LogPanel, "TextTime", "", 4, 16, 53, 17);
    MainPanel = panel(this, "MainPanel", 4, 450, 937, 297);

    CommandPart::Services tx{clock_, messages_, &connection_->link(), receive_,
                             [this] { services_.runModal(*OpenPortError); }};
    command_ = new CommandPart(MainPanel, tx, this);
    ModesPart::Services modes{clock_, messages_, &connection_->link(), command_, [this] {
                                  if (const auto scripted = takeScriptedCommandFile()) return *scripted;
                                  return services_.chooseCommandFile();
                              }};
    modes_ = new ModesPart(LogPanel, modes, this);
    receive_->placeLower(LogPanel, MainPanel);
    macros_ = new MacroPanel(MainPanel, {messages_, services_.runModal}, this);
    modes_->placeFileButton(MainPanel);
    macros_->placePaging(MainPanel);
    modes_->placeSendStart(MainPanel);
    command_->placeSendButton(MainPanel);
    macros_->placeGrid(MainPanel);
    modes_->placeFileList(MainPanel);
    command_->placeDropDowns(MainPanel);
    macros_->placeEditorHint(MainPanel);
    setTabOrder();
}

// Tab walks the controls in the order of the window's rows, whatever part made them.
void TForm1::setTabOrder() {
    QStringList order = {"BTConnect", "BTRescan", "ComPort",    "BaudRate",  "ComBits",   "ComStopBits",
                         "AutoConnect", "TimeOutRx", "FiltrLog", "Srift",     "BTLog",     "StartLog",
                         "StartStop", "BTPalitra", "BtInfo",     "MainWindow", "SecondWindow", "VisTime",
                         "RBASCII",   "RBHEX",     "RBManual",   "RBAfterAns", "RBSel",     "RBPeriod",
                         "PeriodTX",  "SendAsReconn", "CiklSend", "BTClrStat", "MainStrCmd", "AddStrCmd",
                         "CBLists",   "ListNameEDT", "EditAllCmd", "DelList",  "SaveF",     "OldCommandsBT",
                         "ListDec",   "ButtonReadFile", "ListInc", "RBName",  "RbData",    "SendStart",
                         "ButtonSend"};
    for (int k = 1; k <= MacroPanel::kButtons; ++k)
        order << QStringLiteral("Button%1").arg(k) << QStringLiteral("Edit%1").arg(k);
    order << "OldCmdList" << "FastOldCmd" << "LBTail";
    QWidget* previous = nullptr;
    for (const QString& name : order) {
        QWidget* w = named(name);
        if (previous && w) QWidget::setTabOrder(previous, w);
        if (w) previous = w;
    }
}

}  // namespace vantrel
