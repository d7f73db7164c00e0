#include "app/automation.h"

// Placeholder: filled in by the work on scripted runs.

namespace vantrel {

bool automationRequested() { return false; }
void startAutomation(TForm1&) {}

}  // namespace vantrel
