#include "app/main_window.h"

// Not built yet: filled in by the work on this area.

namespace vantrel {

void TForm1::ButtonReadFileClick() { }
void TForm1::OldCmdListClick() { }
void TForm1::SendStartClick() { }
void TForm1::StartSendCommands() { }
void TForm1::TimerPeriodTimer() { }
void TForm1::RBManualClick() { }
void TForm1::RBSelClick() { }
void TForm1::RBAfterAnsClick() { }
void TForm1::RBPeriodClick() { }
void TForm1::sendNextFileLineAfterAnswer() { }
void TForm1::recordHistory(const std::string&) { }
void TForm1::ReadOldCmd() { }
void TForm1::loadHistory() { }
void TForm1::saveHistory() { }
void TForm1::setupModeHandlers() { }

}  // namespace vantrel
