#include "app/layout.h"

#include <algorithm>

namespace vantrel {

namespace {

constexpr int kMacros = 48;
constexpr int kRows = 8;
constexpr int kWideColumn = 5;

bool macroWidthsFit(const DesignGeometry& d, int a) {
    for (int i = 0; i < kMacros; ++i) {
        const int growth = i / kRows == kWideColumn ? 2 * a : a;
        if (d.MacroW[i] + growth < 0) return false;
    }
    return true;
}

}  // namespace

LayoutPlan computeLayout(const DesignGeometry& d, const LayoutInputs& in) {
    LayoutPlan p;
    const int dw = in.width - d.W0;
    const int a = dw / 7;  // C++ division truncates toward zero, as the rule wants

    // 1. the log options bar sits directly on the macro panel
    p.logPanelTop = in.mainPanelTop - in.logPanelHeight;

    // 2. widen by dw
    p.STLogW = d.STLogW + dw;
    p.FiltrLogW = d.FiltrLogW + dw;
    p.MainStrCmdW = d.MainStrCmdW + dw;
    p.STListNameW = d.STListNameW + dw;
    p.ListNameEDTW = d.ListNameEDTW + dw;
    p.CBListsW = d.CBListsW + dw;
    p.panelWidth = d.Panel1W + dw;
    p.PStatsL = p.panelWidth - d.PStatsRightGap;

    // 3. the byte totals keep their width
    p.StaticText3.width = d.StaticText3W;

    // 4. shift by dw
    p.SriftTextL = d.SriftTextL + dw;
    p.SriftL = d.SriftL + dw;
    p.BTLogL = d.BTLogL + dw;
    p.StartLogL = d.StartLogL + dw;
    p.StartStopL = d.StartStopL + dw;
    p.BTPalitraL = d.BTPalitraL + dw;
    p.BtInfoL = d.BtInfoL + dw;
    p.Str1L = d.Str1L + dw;
    p.LPlusL = d.LPlusL + dw;
    p.AddStrCmdL = d.AddStrCmdL + dw;
    p.Str2L = d.Str2L + dw;
    p.SendStartL = d.SendStartL + dw;
    p.SaveFL = d.SaveFL + dw;
    p.DelListL = d.DelListL + dw;
    p.EditAllCmdL = d.EditAllCmdL + dw;
    p.OldCommandsBTL = d.OldCommandsBTL + dw;
    p.ListDecL = d.ListDecL + dw;
    p.ButtonReadFileL = d.ButtonReadFileL + dw;
    p.ListIncL = d.ListIncL + dw;
    p.ButtonSendL = d.ButtonSendL + dw;
    p.RBNameL = d.RBNameL + dw;
    p.RbDataL = d.RbDataL + dw;
    for (std::size_t i = 0; i < p.HelpLabelL.size(); ++i) p.HelpLabelL[i] = d.HelpLabelL[i] + dw;

    // 5.-7. the history and tail choosers follow the command line and the tail
    p.FastOldCmdW = p.MainStrCmdW;
    p.OldCmdList = {in.mainWindowLeft, p.AddStrCmdL + in.addStrCmdWidth};
    p.LBTailL = p.AddStrCmdL;

    // 8. with a command file loaded the list name reaches up to the file button
    if (in.fileCmdMode) p.STListNameW = in.stListNameLeft + p.ButtonReadFileL - 20;

    // 9.-10. five narrow columns grow by a each, the wide one by 2a
    for (int i = 0; i < kMacros; ++i) {
        const int c = i / kRows;
        if (c == kWideColumn) {
            p.Macro[i] = {d.MacroL[i] + kWideColumn * a, d.MacroW[i] + 2 * a};
        } else {
            p.Macro[i] = {d.MacroL[i] + c * a, d.MacroW[i] + a};
        }
    }

    // 11. the editor hint spans the command line up to the end of Button41
    const HSpan& b41 = p.Macro[40];
    p.StaticText1 = {in.mainStrCmdLeft, b41.left + b41.width};

    // 12.
    p.StaticText3.left = p.AddStrCmdL;
    return p;
}

VerticalPlan computeVertical(const DesignGeometry& d, int height) {
    const int dh = height - d.H0;
    return {d.MainWindowH + dh, d.LogPanelTop + dh, d.MainPanelTop + dh};
}

int minimumLayoutHeight(const DesignGeometry& d) { return d.H0 - d.MainWindowH + d.MinLogViewH; }

int minimumLayoutWidth(const DesignGeometry& d) {
    const int narrowest = std::min({d.Panel1W, d.MainStrCmdW, d.FiltrLogW, d.STLogW,
                                    d.STListNameW, d.ListNameEDTW, d.CBListsW});
    int dw = -narrowest;
    while (dw < 0 && !macroWidthsFit(d, dw / 7)) ++dw;
    // PStats moves left with the right edge; the sending-mode box stays.
    const int statsClear = d.InputModeRight - d.Panel1W + d.PStatsRightGap;
    return d.W0 + std::max(dw, statsClear);
}

}  // namespace vantrel
