// The macro panel's editor mode and help lines: "Редактор"/"Назад", the
// help of the macro under the pointer and the macro editor window.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "common/ui/controls.h"
#include "common/ui/length_limit.h"
#include "common/ui/signal_widgets.h"
#include "common/ui/text_codec.h"
#include "macros/macro_store.h"
#include "macros/ui/macro_editor_window.h"
#include "macros/ui/macro_panel.h"

namespace vantrel {

void MacroPanel::EditAllCmdClick() {
    if (tag(EditAllCmd) == 0) {
        setTag(EditAllCmd, 1);
        EditAllCmd->setText(ru("Назад"));
        CBLists->hide();
        emit editorModeChanged(true);
        for (QWidget* w : std::initializer_list<QWidget*>{ListNameEDT, DelList, ListInc, ListDec, SaveF, StaticText1})
            w->show();
        ListNameEDT->raise();  // in front of a large name left shown from normal mode
        ReadListCmd(CurrentList);
        for (QPushButton* b : MacroButtons) b->hide();
        for (QLineEdit* f : MacroFields) f->show();
        LengthLimit::setText(ListNameEDT, fromCp(store_->GetListName(CurrentList)));
        return;
    }
    setTag(EditAllCmd, 0);
    EditAllCmd->setText(ru("Редактор"));
    store_->SetListName(CurrentList, toCp(ListNameEDT->text()));
    ListNameEDT->hide();
    STListName->setText(fromCp(store_->GetListName(CurrentList)));
    STListName->hide();
    CBLists->show();
    for (QWidget* w : std::initializer_list<QWidget*>{DelList, ListInc, ListDec, SaveF, StaticText1}) w->hide();
    emit editorModeChanged(false);
    WriteListCmd();
    ReadListCmd(CurrentList);
    for (QPushButton* b : MacroButtons) b->show();
    for (QLineEdit* f : MacroFields) f->hide();
    SaveMacroStore();
}

// ------------------------------------------------------------ help lines

void MacroPanel::ShowHelpAsFocus(int k) {
    for (int j = 1; j <= kHelpLabels; ++j)
        HelpLabels[std::size_t(j - 1)]->setText(fromCp(store_->GetHelpLine(CurrentList, k, j)));
}

void MacroPanel::showHelpLines(const std::array<QString, 12>& lines) {
    for (int i = 0; i < kHelpLabels; ++i) HelpLabels[std::size_t(i)]->setText(lines[std::size_t(i)]);
}

void MacroPanel::ClearHelp() {
    for (QLabel* label : HelpLabels) label->setText(QString());
}

void MacroPanel::ShowWindowEdtHelp(int k) {
    if (k < 1 || k > kButtons) return;
    EditIndex = k;
    QLineEdit* field = MacroFields[std::size_t(k - 1)];
    const QPalette normal = field->palette();
    QPalette green = normal;
    green.setColor(QPalette::Base, QColor(0, 255, 0));
    field->setPalette(green);
    WriteListCmd();
    // The editor starts from the labels: make sure they hold this macro's
    // lines, not the help of whatever control the pointer passed last.
    ShowHelpAsFocus(k);

    const int list = CurrentList;
    const std::string nameBefore = store_->GetCmdName(list, k);
    const std::string lineBefore = store_->GetCmdLine(list, k);
    std::array<std::string, kHelpLabels> helpBefore;
    for (int j = 1; j <= kHelpLabels; ++j) helpBefore[std::size_t(j - 1)] = store_->GetHelpLine(list, k, j);

    const int activations = FormEditHelpCmd->activations();
    services_.runModal(*FormEditHelpCmd);
    const bool shown = FormEditHelpCmd->activations() != activations;

    ReadListCmd(CurrentList);
    // The editor's own fields are the working copy; the labels mirror them but
    // a timer may have written other help into the labels meanwhile.
    bool changed = store_->GetCmdName(list, k) != nameBefore || store_->GetCmdLine(list, k) != lineBefore;
    for (int j = 1; j <= kHelpLabels && shown; ++j) {
        const QString text = FormEditHelpCmd->EditorFields[std::size_t(j - 1)]->text();
        store_->SetHelpLine(list, k, j, toCp(text));
        HelpLabels[std::size_t(j - 1)]->setText(text);
        changed = changed || store_->GetHelpLine(list, k, j) != helpBefore[std::size_t(j - 1)];
    }
    if (changed) MacrosChanged = true;
    field->setPalette(normal);
}

}  // namespace vantrel
