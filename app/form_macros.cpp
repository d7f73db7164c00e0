#include "app/main_window.h"

// Not built yet: filled in by the work on this area.

namespace vantrel {

void TForm1::LoadMacroStore() { }
void TForm1::SaveMacroStore() { }
void TForm1::ReadListCmd(int) { }
void TForm1::WriteListCmd() { }
void TForm1::ButtonCmdClick(int) { }
void TForm1::SaveEditTextCmd(int) { }
void TForm1::ButtonCmdHelp(int) { }
void TForm1::EditCmdHelp(int) { }
void TForm1::ShowHelpAsFocus(int) { }
void TForm1::ShowWindowEdtHelp(int) { }
void TForm1::ClearHelp() { }
void TForm1::ListIncClick() { }
void TForm1::ListDecClick() { }
void TForm1::DelListClick() { }
void TForm1::CBListsClick() { }
void TForm1::CBListsDblClick() { }
void TForm1::STListNameDblClick() { }
void TForm1::RBNameClick() { }
void TForm1::RbDataClick() { }
void TForm1::SaveFClick() { }
void TForm1::EditAllCmdClick() { }
void TForm1::wireMacroControls() { }
bool TForm1::askSaveMacrosOnClose() { return false; }
void TForm1::setupMacroHandlers() { }

}  // namespace vantrel
