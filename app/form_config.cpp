// The settings that survive a restart: applied at start-up, gathered at
// close. Each part reads and writes its own fields of the record.
#include "app/config_record.h"
#include "app/main_window.h"
#include "macros/macro_store.h"
#include "macros/ui/macro_panel.h"
#include "rx/ui/receive_part.h"
#include "serial/ui/connection_part.h"
#include "tx/ui/command_part.h"
#include "tx/ui/modes_part.h"

namespace vantrel {

void TForm1::loadAndApplyConfig() {
    if (!config_->load()) {  // absent or unusable: the controls keep their initial state
        if (config_->leaveFileAlone)
            messages_->info("Файл настроек ConfigTerminal не читается: настройки взяты по умолчанию и не будут "
                            "сохранены",
                            config_->unusableReason);
        else if (!config_->unusableReason.empty())
            messages_->info("Файл настроек ConfigTerminal повреждён: настройки взяты по умолчанию",
                            config_->unusableReason);
        return;
    }
    const ConfigImage& c = config_->image;
    // In this order: a ticked AutoConnect warns at once, and choosing the
    // output mode rewrites the packet tail, which is put back afterwards.
    connection_->applySettings(c);
    receive_->applySettings(c);
    command_->applyColours(c.backColor(), c.textColor());
    modes_->applyColours(c.backColor(), c.textColor());
    modes_->applySettings(c);
    receive_->applyOutputMode(c);
    macros_->applySettings(c);
    modes_->applyPeriodSettings(c);
    command_->applySettings(c);
    const int list = c.currentList();
    macros_->setCurrentList(list >= 1 && list <= macro_layout::kLists ? list : 1);
}

void TForm1::saveConfig() {
    ConfigImage& c = config_->image;
    connection_->storeSettings(c);
    receive_->storeSettings(c);
    modes_->storeSettings(c);
    command_->storeSettings(c);
    macros_->storeSettings(c);

    if (config_->leaveFileAlone) return;  // the user was told at start-up
    const std::string reason = config_->save();
    if (!reason.empty()) messages_->info("Не удалось сохранить настройки в файл ConfigTerminal", reason);
}

}  // namespace vantrel
