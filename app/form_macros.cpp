// The macro panel: 48 macro buttons and fields over the current list, the
// editor mode with paging, renaming, clearing and saving, the list chooser,
// the help lines of a macro and the macro editor window.
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>

#include "app/length_limit.h"
#include "app/macro_editor_window.h"
#include "app/main_window.h"
#include "common/ui/controls.h"
#include "app/secondary_windows.h"
#include "common/ui/text_codec.h"
#include "macros/macro_store.h"
#include "tx/send_modes.h"

namespace vantrel {

namespace {

constexpr int kNameTypingLimit = 50;
constexpr int kLineTypingLimit = 250;
constexpr int kListNameTypingLimit = 150;

void setBold(QWidget* w, bool bold) {
    QFont f = w->font();
    if (f.bold() == bold) return;
    f.setBold(bold);
    w->setFont(f);
}

// Mouse and focus events of the macro controls and the two list-name controls;
// the handlers take the macro number from the control's tag.
class MacroPanelEvents final : public QObject {
public:
    explicit MacroPanelEvents(TForm1* form) : QObject(form), form_(form) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        const QEvent::Type type = event->type();
        if (watched == form_->CBLists || watched == form_->STListName) {
            if (type != QEvent::MouseButtonDblClick) return false;
            if (watched == form_->CBLists) {
                form_->CBLists->hidePopup();
                form_->CBListsDblClick();
            } else {
                form_->STListNameDblClick();
            }
            return true;
        }
        // A double click on the closed chooser first opens its popup: a second
        // press inside the chooser's own rectangle, in time, is the double click.
        if (isPopup(watched) && (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick)) {
            const auto* me = static_cast<QMouseEvent*>(event);
            const QRect combo(form_->CBLists->mapToGlobal(QPoint(0, 0)), form_->CBLists->size());
            if (openedAt_.isValid() && openedAt_.elapsed() < qApp->doubleClickInterval() &&
                combo.contains(me->globalPosition().toPoint())) {
                form_->CBLists->hidePopup();
                form_->CBListsDblClick();
                return true;
            }
            return false;
        }
        if (watched == popup_ && type == QEvent::Show) {
            openedAt_.start();
            return false;
        }
        const int k = tag(watched);
        if (k < 1 || k > 48) return false;
        if (qobject_cast<QPushButton*>(watched)) {
            if (type == QEvent::MouseMove) form_->ButtonCmdHelp(k);
            return false;
        }
        switch (type) {
        case QEvent::MouseMove:
            form_->EditCmdHelp(k);
            return false;
        case QEvent::FocusIn:
            form_->ShowHelpAsFocus(k);
            return false;
        case QEvent::MouseButtonDblClick:
            form_->ShowWindowEdtHelp(k);
            return true;
        default:
            return false;
        }
    }

    void watchPopup(QAbstractItemView* view) {
        popup_ = view->window();
        popup_->installEventFilter(this);
        view->viewport()->installEventFilter(this);
        viewport_ = view->viewport();
    }

private:
    TForm1* form_;
    bool isPopup(QObject* o) const { return o && (o == popup_ || o == viewport_); }

    QWidget* popup_ = nullptr;
    QWidget* viewport_ = nullptr;
    QElapsedTimer openedAt_;
};

// A list name typed in editor mode is stored before the fields are refilled,
// so switching the display mode does not throw it away.
void keepTypedListName(TForm1& form) {
    if (tag(form.EditAllCmd) != 0) form.store->SetListName(form.CurrentList, toCp(form.ListNameEDT->text()));
}

// One filter serves the whole panel; it is found again by its name.
MacroPanelEvents* panelEvents(TForm1* form) {
    const QString name = QStringLiteral("macroPanelEvents");
    if (auto* existing = form->findChild<QObject*>(name, Qt::FindDirectChildrenOnly))
        return static_cast<MacroPanelEvents*>(existing);
    auto* events = new MacroPanelEvents(form);
    events->setObjectName(name);
    return events;
}

}  // namespace

// ------------------------------------------------------------------- store

void TForm1::LoadMacroStore() { store->LoadMacroStore(messages()); }

void TForm1::SaveMacroStore() {
    WriteListCmd();
    if (store->SaveMacroStore(messages())) MacrosChanged = false;
}

// ---------------------------------------------------------------- the panel

void TForm1::ReadListCmd(int n) {
    // A list number from a damaged settings file must not index the store.
    if (n < 1 || n > macro_layout::kLists) {
        CurrentList = 1;
        n = 1;
    }
    const bool nameMode = !RbData->isChecked();
    for (int k = 1; k <= 48; ++k) {
        QPushButton* button = MacroButtons[std::size_t(k - 1)];
        QLineEdit* field = MacroFields[std::size_t(k - 1)];
        const QString name = fromCp(store->GetCmdName(n, k));
        const QString line = fromCp(store->GetCmdLine(n, k));
        setBold(button, nameMode);
        setBold(field, nameMode);
        button->setText(nameMode ? name : line);
        LengthLimit::setText(field, nameMode ? name : line);
        button->setToolTip(nameMode ? line : name);
        field->setToolTip(nameMode ? line : name);
    }
    if (store->GetListName(n).empty()) store->SetListName(n, "[" + std::to_string(n) + "]");
    const QString listName = fromCp(store->GetListName(n));
    STListName->setText(listName);
    LengthLimit::setText(ListNameEDT, listName);
    CBLists->clear();
    QStringList names;
    for (int i = 1; i <= macro_layout::kLists; ++i) names << fromCp(store->GetListName(i));
    CBLists->addItems(names);
    CBLists->setCurrentIndex(n - 1);
}

void TForm1::WriteListCmd() {
    const int list = CurrentList;
    if (list < 1 || list > macro_layout::kLists) return;
    store->SetListName(list, toCp(ListNameEDT->text()));
    const bool nameMode = !RbData->isChecked();
    for (int k = 1; k <= 48; ++k) {
        const std::string text = toCp(MacroFields[std::size_t(k - 1)]->text());
        if (nameMode)
            store->SetCmdName(list, k, text);
        else
            store->SetCmdLine(list, k, text);
    }
}

void TForm1::SaveEditTextCmd(int k) {
    EditIndex = k;
    const std::string text = toCp(MacroFields[std::size_t(k - 1)]->text());
    if (!RbData->isChecked()) {
        if (store->GetCmdName(CurrentList, k) == std::string_view(text).substr(0, macro_layout::kCmdNameCapacity))
            return;
        store->SetCmdName(CurrentList, k, text);
    } else {
        if (store->GetCmdLine(CurrentList, k) == std::string_view(text).substr(0, macro_layout::kCmdLineCapacity))
            return;
        store->SetCmdLine(CurrentList, k, text);
    }
    MacrosChanged = true;
}

void TForm1::ButtonCmdClick(int k) {
    const std::string line = store->GetCmdLine(CurrentList, k);
    if (RBSel->isChecked()) {
        SendPortData(line);
        ButtonSend->setFocus();
    } else {
        MainStrCmd->setText(fromCp(line));
        MainStrCmd->setFocus();
    }
}

void TForm1::ListIncClick() {
    ListDec->setEnabled(true);
    if (tag(EditAllCmd) != 0) WriteListCmd();
    if (CurrentList < macro_layout::kLists) {
        ++CurrentList;
        ReadListCmd(CurrentList);
        if (CurrentList == macro_layout::kLists) ListInc->setEnabled(false);
    }
}

void TForm1::ListDecClick() {
    ListInc->setEnabled(true);
    if (tag(EditAllCmd) != 0) WriteListCmd();
    if (CurrentList > 1) {
        --CurrentList;
        ReadListCmd(CurrentList);
        if (CurrentList == 1) ListDec->setEnabled(false);
    }
}

void TForm1::DelListClick() {
    store->ClrListCmd(CurrentList);
    ReadListCmd(CurrentList);
    MacrosChanged = true;
}

void TForm1::CBListsClick() {
    const int index = CBLists->currentIndex();
    if (index < 0) return;
    CurrentList = index + 1;
    ReadListCmd(CurrentList);
    ListDec->setEnabled(CurrentList > 1);
    ListInc->setEnabled(CurrentList < macro_layout::kLists);
}

void TForm1::CBListsDblClick() {
    CBLists->hide();
    STListName->setText(fromCp(store->GetListName(CurrentList)));
    STListName->show();
}

void TForm1::STListNameDblClick() {
    if (modes && modes->FileCmdMode) return;  // the large name shows the command file then
    CBLists->show();
    STListName->hide();
}

void TForm1::RBNameClick() {
    keepTypedListName(*this);
    for (QLineEdit* field : MacroFields) LengthLimit::apply(field, kNameTypingLimit);
    ReadListCmd(CurrentList);
}

void TForm1::RbDataClick() {
    keepTypedListName(*this);
    for (QLineEdit* field : MacroFields) LengthLimit::apply(field, kLineTypingLimit);
    ReadListCmd(CurrentList);
}

void TForm1::SaveFClick() {
    SaveF->setEnabled(false);
    SaveMacroStore();
    SaveF->setEnabled(true);
}

void TForm1::EditAllCmdClick() {
    if (tag(EditAllCmd) == 0) {
        setTag(EditAllCmd, 1);
        EditAllCmd->setText(ru("Назад"));
        CBLists->hide();
        STLog->hide();
        ButtonReadFile->hide();
        for (QWidget* w : {static_cast<QWidget*>(ListNameEDT), static_cast<QWidget*>(DelList),
                           static_cast<QWidget*>(ListInc), static_cast<QWidget*>(ListDec),
                           static_cast<QWidget*>(SaveF), static_cast<QWidget*>(StaticText1)})
            w->show();
        ListNameEDT->raise();  // in front of a large name left shown from normal mode
        ReadListCmd(CurrentList);
        for (QPushButton* b : MacroButtons) b->hide();
        for (QLineEdit* f : MacroFields) f->show();
        LengthLimit::setText(ListNameEDT, fromCp(store->GetListName(CurrentList)));
        return;
    }
    setTag(EditAllCmd, 0);
    EditAllCmd->setText(ru("Редактор"));
    store->SetListName(CurrentList, toCp(ListNameEDT->text()));
    ListNameEDT->hide();
    STListName->setText(fromCp(store->GetListName(CurrentList)));
    STListName->hide();
    CBLists->show();
    for (QWidget* w : {static_cast<QWidget*>(DelList), static_cast<QWidget*>(ListInc),
                       static_cast<QWidget*>(ListDec), static_cast<QWidget*>(SaveF),
                       static_cast<QWidget*>(StaticText1)})
        w->hide();
    STLog->show();
    ButtonReadFile->show();
    WriteListCmd();
    ReadListCmd(CurrentList);
    for (QPushButton* b : MacroButtons) b->show();
    for (QLineEdit* f : MacroFields) f->hide();
    SaveMacroStore();
}

// ------------------------------------------------------------ help lines

void TForm1::ButtonCmdHelp(int k) { ShowHelpAsFocus(k); }

void TForm1::EditCmdHelp(int k) { ShowHelpAsFocus(k); }

void TForm1::ShowHelpAsFocus(int k) {
    for (int j = 1; j <= 12; ++j) HelpLabels[std::size_t(j - 1)]->setText(fromCp(store->GetHelpLine(CurrentList, k, j)));
}

void TForm1::ClearHelp() {
    for (QLabel* label : HelpLabels) label->setText(QString());
}

void TForm1::ShowWindowEdtHelp(int k) {
    if (k < 1 || k > 48) return;
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
    const std::string nameBefore = store->GetCmdName(list, k);
    const std::string lineBefore = store->GetCmdLine(list, k);
    std::array<std::string, 12> helpBefore;
    for (int j = 1; j <= 12; ++j) helpBefore[std::size_t(j - 1)] = store->GetHelpLine(list, k, j);

    const int activations = FormEditHelpCmd->activations();
    runModal(*FormEditHelpCmd);
    const bool shown = FormEditHelpCmd->activations() != activations;

    ReadListCmd(CurrentList);
    // The editor's own fields are the working copy; the labels mirror them but
    // a timer may have written other help into the labels meanwhile.
    bool changed = store->GetCmdName(list, k) != nameBefore || store->GetCmdLine(list, k) != lineBefore;
    for (int j = 1; j <= 12 && shown; ++j) {
        const QString text = FormEditHelpCmd->EditorFields[std::size_t(j - 1)]->text();
        store->SetHelpLine(list, k, j, toCp(text));
        HelpLabels[std::size_t(j - 1)]->setText(text);
        changed = changed || store->GetHelpLine(list, k, j) != helpBefore[std::size_t(j - 1)];
    }
    if (changed) MacrosChanged = true;
    field->setPalette(normal);
}

// ----------------------------------------------------------------- wiring

void TForm1::setupMacroHandlers() {
    connect(ListInc, &QPushButton::clicked, this, [this] { ListIncClick(); });
    connect(ListDec, &QPushButton::clicked, this, [this] { ListDecClick(); });
    connect(DelList, &QPushButton::clicked, this, [this] { DelListClick(); });
    connect(SaveF, &QPushButton::clicked, this, [this] { SaveFClick(); });
    connect(EditAllCmd, &QPushButton::clicked, this, [this] { EditAllCmdClick(); });
    connect(CBLists, &QComboBox::activated, this, [this] { CBListsClick(); });
    connect(RBName, &QRadioButton::toggled, this, [this](bool on) {
        if (on) RBNameClick();
    });
    connect(RbData, &QRadioButton::toggled, this, [this](bool on) {
        if (on) RbDataClick();
    });
    // The store learns a typed list name only on paging or leaving; the close
    // prompt must still know about it.
    connect(ListNameEDT, &QLineEdit::textEdited, this, [this] { MacrosChanged = true; });

    for (QLineEdit* field : MacroFields) LengthLimit::apply(field, RbData->isChecked() ? kLineTypingLimit : kNameTypingLimit);
    LengthLimit::apply(ListNameEDT, kListNameTypingLimit);

    MacroPanelEvents* events = panelEvents(this);
    CBLists->installEventFilter(events);
    STListName->installEventFilter(events);
    events->watchPopup(CBLists->view());
}

void TForm1::wireMacroControls() {
    MacroPanelEvents* events = panelEvents(this);
    for (int k = 1; k <= 48; ++k) {
        QPushButton* button = MacroButtons[std::size_t(k - 1)];
        setTag(button, k);
        connect(button, &QPushButton::clicked, this, [this, k] { ButtonCmdClick(k); });
        button->setMouseTracking(true);
        button->installEventFilter(events);

        QLineEdit* field = MacroFields[std::size_t(k - 1)];
        setTag(field, k);
        connect(field, &QLineEdit::textChanged, this, [this, k] { SaveEditTextCmd(k); });
        field->setMouseTracking(true);
        field->installEventFilter(events);
    }
}

bool TForm1::askSaveMacrosOnClose() {
    CloseRefused = false;
    Save->setResult(QDialog::Rejected);
    runModal(*Save);
    // "Да" whose save failed: closing now would lose the edits the user chose to keep.
    if (Save->result() == QDialog::Accepted && MacrosChanged) return false;
    return !CloseRefused;
}

}  // namespace vantrel
