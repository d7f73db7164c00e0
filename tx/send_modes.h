#pragma once
// The file-sending state shared by sending, reception and the layout.
// Placeholder: the sending-modes work fills in the rest.

namespace vantrel {

class SendModes {
public:
    bool FileCmdMode = false;       // a command file is loaded
    unsigned FileCmdIndex = 0;      // next file line to send (0-based)
    bool PeriodTickMark = false;    // set by every tick of the periodic sender
    bool HistoryListShown = false;  // the history lists follow each recorded send
};

}  // namespace vantrel
