#include "app/main_window.h"

// Not built yet: filled in by the work on this area.

namespace vantrel {

void TForm1::SendPortData(const std::string&) { }
void TForm1::ButtonSendClick() { }
bool TForm1::MainStrCmdKeyPress(int, Qt::KeyboardModifiers) { return false; }
void TForm1::appendLogLine(const std::string&) { }
void TForm1::BTLogClick() { }
void TForm1::StartStopClick() { }
void TForm1::RBASCIIClick() { }
void TForm1::RBHEXClick() { }
void TForm1::BTPalitraClick() { }
void TForm1::SriftClick(bool) { }
void TForm1::FiltrLogClick() { }
void TForm1::FiltrLogExit() { }
void TForm1::boundLog() { }
void TForm1::setupSendHandlers() { }
void TForm1::setupLogViewHandlers() { }

}  // namespace vantrel
