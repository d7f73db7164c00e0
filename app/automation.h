#pragma once
// Scripted runs of the whole program (tests, demos): when the environment
// variable VANTREL_AUTOTEST names a script file, its UI actions are played
// against the window after start-up and message boxes go to the standard
// error stream instead of waiting for a user.
namespace vantrel {

class TForm1;

// True when a script was requested; call before the main window is created.
bool automationRequested();
// Starts playing the script (asynchronously, from the event loop).
void startAutomation(TForm1& form);

}  // namespace vantrel
