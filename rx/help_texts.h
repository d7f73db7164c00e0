#pragma once
// The fixed hover-help texts: twelve lines each, written into STH1..STH12.
// Blanks inside and around the lines are part of the texts.
#include <array>
#include <string_view>

namespace vantrel {

// General first, then the thirteen controls in the order their countdowns are served.
enum class HelpTopic {
    General,       // OutHelpHelp, shown from start-up
    Connect,       // BTConnect
    Rescan,        // BTRescan
    AutoConnect,   // AutoConnect
    TimeRX,        // TimeOutAns
    Filtr,         // FiltrLog
    ModeManual,    // RBManual
    ModeSel,       // RBSel
    ModeAfterAns,  // RBAfterAns
    ModePeriod,    // RBPeriod
    ForConnect,    // SendAsReconn
    Consol,        // MainStrCmd
    AddConsol,     // AddStrCmd
    CiklSend,      // CiklSend
};

inline constexpr int kHelpLineCount = 12;
inline constexpr int kHelpTopicCount = 14;

using HelpText = std::array<std::string_view, kHelpLineCount>;  // UTF-8

const HelpText& helpText(HelpTopic topic);

// The topic of hover countdown `index` (0..12).
inline HelpTopic hoverTopic(int index) { return static_cast<HelpTopic>(index + 1); }

}  // namespace vantrel
