#include "app/main_window.h"

// Not built yet: filled in by the work on this area.

namespace vantrel {

void TForm1::ScanPorts() { }
bool TForm1::OpenPort() { return false; }
void TForm1::ClosePort() { }
bool TForm1::PortOpen() const { return false; }
void TForm1::BTRescanClick() { }
void TForm1::BTConnectClick() { }
void TForm1::CheckConnectTimer() { }
void TForm1::CheckSendDataAftConnect() { }
void TForm1::AutoConnectClick() { }
void TForm1::setupSerialHandlers() { }

}  // namespace vantrel
