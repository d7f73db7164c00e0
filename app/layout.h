#pragma once
// The layout rule of the main window as plain arithmetic: where each control
// goes for a given window width, starting from the geometry taken at
// construction. No widget code here; form_layout.cpp applies the result.
#include <array>

namespace vantrel {

// Positions and widths taken during construction, before any resize.
// Lefts are relative to the control's parent panel.
struct DesignGeometry {
    int W0 = 0;  // window width at construction

    // widths
    int Panel1W = 0, MainStrCmdW = 0, FiltrLogW = 0, STLogW = 0;
    int STListNameW = 0, ListNameEDTW = 0, CBListsW = 0, StaticText3W = 0;

    // left positions
    int AddStrCmdL = 0, SriftTextL = 0, SriftL = 0, SendStartL = 0, LPlusL = 0;
    int SaveFL = 0, StartStopL = 0, StartLogL = 0, BTLogL = 0, BTPalitraL = 0;
    int BtInfoL = 0, ListIncL = 0, ListDecL = 0, DelListL = 0, EditAllCmdL = 0;
    int OldCommandsBTL = 0, ButtonReadFileL = 0, ButtonSendL = 0, RBNameL = 0;
    int RbDataL = 0, Str1L = 0, Str2L = 0;
    std::array<int, 12> HelpLabelL{};

    // the macro grid, Button1 first
    std::array<int, 48> MacroL{};
    std::array<int, 48> MacroW{};

    // distance of PStats from the right edge of LogPanel (it stays bound there)
    int PStatsRightGap = 0;

    // the bottom bindings: the log views stretch, the two panels follow
    int H0 = 0, MainWindowH = 0, LogPanelTop = 0, MainPanelTop = 0;

    // the right edge of the sending-mode box, which PStats must not cover
    int InputModeRight = 0;
    // the log view's height for five lines of its font
    int MinLogViewH = 0;
};

// What the rule reads from controls it does not move.
struct LayoutInputs {
    int width = 0;            // the window's width now
    int mainPanelTop = 0;     // top of MainPanel
    int logPanelHeight = 0;   // height of LogPanel
    int mainWindowLeft = 0;   // left of MainWindow
    int mainStrCmdLeft = 0;   // left of MainStrCmd
    int addStrCmdWidth = 0;   // width of AddStrCmd
    int stListNameLeft = 0;   // left of STListName
    bool fileCmdMode = false; // a command file is loaded
};

struct HSpan {
    int left = 0;
    int width = 0;
};

// Every position and width the rule sets.
struct LayoutPlan {
    int logPanelTop = 0;
    int panelWidth = 0;  // Panel1, LogPanel, MainPanel, MainWindow, SecondWindow
    int PStatsL = 0;

    int STLogW = 0, FiltrLogW = 0, MainStrCmdW = 0;
    int STListNameW = 0, ListNameEDTW = 0, CBListsW = 0;

    // top bar
    int SriftTextL = 0, SriftL = 0, BTLogL = 0, StartLogL = 0, StartStopL = 0;
    int BTPalitraL = 0, BtInfoL = 0;
    // macro panel
    int Str1L = 0, LPlusL = 0, AddStrCmdL = 0, Str2L = 0, SendStartL = 0, SaveFL = 0;
    int DelListL = 0, EditAllCmdL = 0, OldCommandsBTL = 0, ListDecL = 0;
    int ButtonReadFileL = 0, ListIncL = 0, ButtonSendL = 0, RBNameL = 0, RbDataL = 0;
    std::array<int, 12> HelpLabelL{};

    int FastOldCmdW = 0;
    HSpan OldCmdList;
    int LBTailL = 0;
    std::array<HSpan, 48> Macro{};  // buttons and fields alike
    HSpan StaticText1;
    HSpan StaticText3;
};

LayoutPlan computeLayout(const DesignGeometry& design, const LayoutInputs& in);

// The vertical bindings for a window height.
struct VerticalPlan {
    int mainWindowHeight = 0;  // MainWindow and SecondWindow
    int logPanelTop = 0;
    int mainPanelTop = 0;
};
VerticalPlan computeVertical(const DesignGeometry& design, int height);

// The narrowest window width at which no width the rule sets falls below zero
// and the statistics box, bound to the right edge, covers nothing.
int minimumLayoutWidth(const DesignGeometry& design);
// The lowest window height at which the log view still shows five lines.
int minimumLayoutHeight(const DesignGeometry& design);

}  // namespace vantrel
