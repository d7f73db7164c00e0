#include "app/main_window.h"

// Not built yet: filled in by the work on this area.

namespace vantrel {

void TForm1::RxTimerTimer() { }
void TForm1::TimeOutRxClick(bool) { }
void TForm1::BTClrStatClick() { }
void TForm1::StartLogClick() { }
void TForm1::writeLogFileLine(const std::string&) { }
void TForm1::closeLogFile() { }
void TForm1::updateByteTotals() { }
void TForm1::countSentLine() { }
void TForm1::showSendCount() { }
int TForm1::RxTimeoutMs() const { return 0; }
void TForm1::setRxTimeoutMs(int) { }
void TForm1::setupReceiveHandlers() { }

}  // namespace vantrel
