#pragma once
// Scripted runs of the whole program (tests, demos): when the environment
// variable VANTREL_AUTOTEST names a script file, its UI actions are played
// against the window after start-up and message boxes go to the standard
// error stream instead of waiting for a user.
//
// Script lines, one action each ('#' starts a comment line):
//   click NAME            press a button (or a clickable static text)
//   check NAME 0|1        set a check box or radio button
//   text NAME VALUE...    set the text of an edit field or editable combo box
//   select NAME INDEX     choose an item of a combo box or list box
//   file PATH             the answer of the next command-file dialog
//   key NAME KEY          a key on a control: Return, Enter, Escape, Down, Up, Tab
//   resize W H            the window's client size (never below its minimum)
//   wait MS               pause
//   waitlog TEXT MS       wait until the log shows TEXT; otherwise fail
//   close                 close the main window the normal way
// A failing action prints "vantrel: script: ..." and ends the program with 3.
#include <QString>

#include <optional>

namespace vantrel {

class TForm1;

// True when a script was requested; call before the main window is created.
bool automationRequested();
// Starts playing the script (asynchronously, from the event loop).
void startAutomation(TForm1& form);
// The file a script chose for the next command-file dialog, once.
std::optional<QString> takeScriptedCommandFile();

}  // namespace vantrel
