#include "app/main_window.h"

// Not built yet: filled in by the work on this area.

namespace vantrel {

void TForm1::loadAndApplyConfig() { }
void TForm1::saveConfig() { }
void TForm1::CustomFunctionsTimer() { }
void TForm1::OutHelpHelp() { }
void TForm1::setupHousekeeping() { }

}  // namespace vantrel
