#include "macros/ui/macro_panel.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "common/config_image.h"
#include "common/ui/colors.h"
#include "common/ui/controls.h"
#include "common/ui/length_limit.h"
#include "common/ui/signal_widgets.h"
#include "common/ui/text_codec.h"
#include "macros/macro_store.h"
#include "macros/ui/macro_editor_window.h"

namespace vantrel {

namespace {

constexpr int kNameTypingLimit = 50;
constexpr int kLineTypingLimit = 250;
constexpr int kListNameTypingLimit = 150;
constexpr const char* kListNameHint = "Список откроется по двойному клику";

void setBold(QWidget* w, bool bold) {
    QFont f = w->font();
    if (f.bold() == bold) return;
    f.setBold(bold);
    w->setFont(f);
}

}  // namespace

MacroPanel::MacroPanel(QWidget* panel, Services services, QObject* parent)
    : QObject(parent), services_(std::move(services)), store_(std::make_unique<MacroStore>()) {
    const QFont base = panel->font();
    CBLists = place(new DoubleClickCombo(panel), "CBLists", 8, 32, 289, 33, "Можно дважды кликнуть мышкой");
    CBLists->setFont(styled(base, 20, true));
    STListName = place(new ClickLabel(ru(""), panel), "STListName", 8, 32, 289, 33, kListNameHint);
    STListName->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    STListName->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    STListName->setFont(styled(base, 24, true));
    STListName->hide();
    ListNameEDT = edit(panel, "ListNameEDT", "", 8, 32, 289, 33, 150);
    ListNameEDT->setFont(styled(base, 20, true));
    ListNameEDT->hide();

    EditAllCmd = button(panel, "EditAllCmd", "Редактор", 302, 32, 87, 33);
    DelList = place(new TopCaptionButton(ru("Очистить"), panel), "DelList", 388, 32, 93, 33,
                    "Очистить весь список команд");
    DelList->setAutoDefault(false);
    DelList->hide();
    SaveF = button(panel, "SaveF", "Сохранить", 388, 48, 93, 17, "Сохранить все изменения в файл");
    // "Сохранить" lies over the lower part of "Очистить": its caption goes above.
    static_cast<TopCaptionButton*>(DelList)->setCaptionHeight(SaveF->y() - DelList->y());
    SaveF->hide();
    OldCommandsBT = button(panel, "OldCommandsBT", "Отправленные", 480, 32, 85, 33);
    OldCommandsBT->hide();
    ListDec = button(panel, "ListDec", "<<<<<", 480, 32, 85, 33, "Предыдущий список");
    ListDec->setFont(styled(base, 16, true));
    ListDec->hide();
    ListDec->setEnabled(false);

    // The other windows exist before the start-up steps: they and the handlers use them.
    FormEditHelpCmd = new TFormEditHelpCmd(*this, panel->window());
}

MacroPanel::~MacroPanel() = default;

void MacroPanel::placePaging(QWidget* panel) {
    const QFont base = panel->font();
    ListInc = button(panel, "ListInc", ">>>>>", 564, 32, 85, 33, "Следующий список");
    ListInc->setFont(styled(base, 16, true));
    ListInc->hide();
    RBName = radio(panel, "RBName", "Имя команды", 668, 32, 113, 17);
    RbData = radio(panel, "RbData", "Командная строка", 668, 48, 117, 17);
    RBName->setChecked(true);
}

void MacroPanel::placeGrid(QWidget* panel) {
    for (int k = 1; k <= kButtons; ++k) {
        const int c = (k - 1) / 8;
        const int r = (k - 1) % 8;
        const int left = 8 + 88 * c;
        const int top = 72 + 24 * r;
        const int width = c < 5 ? 89 : 201;
        auto* b = new HoverButton(panel);
        b->setObjectName(QStringLiteral("Button%1").arg(k));
        b->setGeometry(left, top, width, 25);
        b->setAutoDefault(false);
        MacroButtons[std::size_t(k - 1)] = b;
        auto* e = new EventLineEdit(panel);
        e->setObjectName(QStringLiteral("Edit%1").arg(k));
        e->setGeometry(left, top, width, 25);
        e->setMaxLength(50);
        e->hide();
        MacroFields[std::size_t(k - 1)] = e;
    }

    QPalette cream = panel->palette();
    cream.setColor(QPalette::Window, QColor(255, 251, 240));
    for (int i = 1; i <= kHelpLabels; ++i) {
        auto* l = new QLabel(panel);
        l->setObjectName(QStringLiteral("STH%1").arg(i));
        l->setGeometry(668, 72 + 16 * (i - 1), 261, 17);
        l->setAutoFillBackground(true);
        l->setPalette(cream);
        setTag(l, i);
        HelpLabels[std::size_t(i - 1)] = l;
    }
    HelpLabels[0]->setFont(styled(panel->font(), 0, true));
    HelpLabels[0]->setAlignment(Qt::AlignCenter);

    connect(ListInc, &QPushButton::clicked, this, &MacroPanel::ListIncClick);
    connect(ListDec, &QPushButton::clicked, this, &MacroPanel::ListDecClick);
    connect(DelList, &QPushButton::clicked, this, &MacroPanel::DelListClick);
    connect(SaveF, &QPushButton::clicked, this, &MacroPanel::SaveFClick);
    connect(EditAllCmd, &QPushButton::clicked, this, &MacroPanel::EditAllCmdClick);
    connect(CBLists, &QComboBox::activated, this, &MacroPanel::CBListsClick);
    connect(CBLists, &DoubleClickCombo::doubleClicked, this, &MacroPanel::CBListsDblClick);
    connect(STListName, &ClickLabel::doubleClicked, this, &MacroPanel::STListNameDblClick);
    connect(RBName, &QRadioButton::toggled, this, [this](bool on) {
        if (on) RBNameClick();
    });
    connect(RbData, &QRadioButton::toggled, this, [this](bool on) {
        if (on) RbDataClick();
    });
    // The store learns a typed list name only on paging or leaving; the close
    // prompt must still know about it.
    connect(ListNameEDT, &QLineEdit::textEdited, this, [this] { MacrosChanged = true; });

    for (QLineEdit* field : MacroFields)
        LengthLimit::apply(field, RbData->isChecked() ? kLineTypingLimit : kNameTypingLimit);
    LengthLimit::apply(ListNameEDT, kListNameTypingLimit);
}

void MacroPanel::placeEditorHint(QWidget* panel) {
    StaticText1 = sunken(panel, "StaticText1", "Двойной клик по команде откроет окно редактирования справки", 8, 272,
                         641, 17);
    QPalette pal = StaticText1->palette();
    pal.setColor(QPalette::Window, Qt::yellow);
    StaticText1->setPalette(pal);
    StaticText1->setAutoFillBackground(true);
    StaticText1->hide();
    applyBackgroundValue(CBLists, colorvalue::kButtonFace);
}

void MacroPanel::wireGrid() {
    for (int k = 1; k <= kButtons; ++k) {
        HoverButton* button = MacroButtons[std::size_t(k - 1)];
        setTag(button, k);
        connect(button, &QPushButton::clicked, this, [this, k] { ButtonCmdClick(k); });
        connect(button, &HoverButton::hovered, this, [this, k] { ShowHelpAsFocus(k); });
        button->setMouseTracking(true);

        EventLineEdit* field = MacroFields[std::size_t(k - 1)];
        setTag(field, k);
        connect(field, &QLineEdit::textChanged, this, [this, k] { SaveEditTextCmd(k); });
        connect(field, &EventLineEdit::hovered, this, [this, k] { ShowHelpAsFocus(k); });
        connect(field, &EventLineEdit::focused, this, [this, k] { ShowHelpAsFocus(k); });
        connect(field, &EventLineEdit::doubleClicked, this, [this, k] { ShowWindowEdtHelp(k); });
        field->takeDoubleClicks();
        field->setMouseTracking(true);
    }
}

// ------------------------------------------------------------------- store

void MacroPanel::LoadMacroStore() { store_->LoadMacroStore(*services_.messages); }

void MacroPanel::SaveMacroStore() {
    WriteListCmd();
    if (store_->SaveMacroStore(*services_.messages)) MacrosChanged = false;
}

// Editor-mode edits count until they reach the file, also after leaving the
// editor when that save failed.
bool MacroPanel::unsavedChanges() const { return MacrosChanged; }

bool MacroPanel::confirmClose(const std::function<CloseAnswer()>& ask) {
    if (!unsavedChanges()) return true;
    switch (ask()) {
        case CloseAnswer::Save:
            SaveMacroStore();
            // A failed save: closing now would lose the edits the user chose to keep.
            return !MacrosChanged;
        case CloseAnswer::Discard: return true;
        case CloseAnswer::Cancel: break;
    }
    return false;
}

// ---------------------------------------------------------------- the panel

void MacroPanel::setCurrentList(int list) { CurrentList = list; }

void MacroPanel::ReadListCmd(int n) {
    // A list number from a damaged settings file must not index the store.
    if (n < 1 || n > macro_layout::kLists) {
        CurrentList = 1;
        n = 1;
    }
    const bool nameMode = !RbData->isChecked();
    for (int k = 1; k <= kButtons; ++k) {
        QPushButton* button = MacroButtons[std::size_t(k - 1)];
        QLineEdit* field = MacroFields[std::size_t(k - 1)];
        const QString name = fromCp(store_->GetCmdName(n, k));
        const QString line = fromCp(store_->GetCmdLine(n, k));
        setBold(button, nameMode);
        setBold(field, nameMode);
        button->setText(nameMode ? name : line);
        LengthLimit::setText(field, nameMode ? name : line);
        button->setToolTip(nameMode ? line : name);
        field->setToolTip(nameMode ? line : name);
    }
    if (store_->GetListName(n).empty()) store_->SetListName(n, "[" + std::to_string(n) + "]");
    const QString listName = fromCp(store_->GetListName(n));
    STListName->setText(listName);
    LengthLimit::setText(ListNameEDT, listName);
    CBLists->clear();
    QStringList names;
    for (int i = 1; i <= macro_layout::kLists; ++i) names << fromCp(store_->GetListName(i));
    CBLists->addItems(names);
    CBLists->setCurrentIndex(n - 1);
}

void MacroPanel::WriteListCmd() {
    const int list = CurrentList;
    if (list < 1 || list > macro_layout::kLists) return;
    store_->SetListName(list, toCp(ListNameEDT->text()));
    const bool nameMode = !RbData->isChecked();
    for (int k = 1; k <= kButtons; ++k) {
        const std::string text = toCp(MacroFields[std::size_t(k - 1)]->text());
        if (nameMode)
            store_->SetCmdName(list, k, text);
        else
            store_->SetCmdLine(list, k, text);
    }
}

void MacroPanel::SaveEditTextCmd(int k) {
    EditIndex = k;
    const std::string text = toCp(MacroFields[std::size_t(k - 1)]->text());
    if (!RbData->isChecked()) {
        if (store_->GetCmdName(CurrentList, k) == std::string_view(text).substr(0, macro_layout::kCmdNameCapacity))
            return;
        store_->SetCmdName(CurrentList, k, text);
    } else {
        if (store_->GetCmdLine(CurrentList, k) == std::string_view(text).substr(0, macro_layout::kCmdLineCapacity))
            return;
        store_->SetCmdLine(CurrentList, k, text);
    }
    MacrosChanged = true;
}

void MacroPanel::ButtonCmdClick(int k) { emit macroChosen(store_->GetCmdLine(CurrentList, k)); }

void MacroPanel::ListIncClick() {
    ListDec->setEnabled(true);
    if (tag(EditAllCmd) != 0) WriteListCmd();
    if (CurrentList < macro_layout::kLists) {
        ++CurrentList;
        ReadListCmd(CurrentList);
        if (CurrentList == macro_layout::kLists) ListInc->setEnabled(false);
    }
}

void MacroPanel::ListDecClick() {
    ListInc->setEnabled(true);
    if (tag(EditAllCmd) != 0) WriteListCmd();
    if (CurrentList > 1) {
        --CurrentList;
        ReadListCmd(CurrentList);
        if (CurrentList == 1) ListDec->setEnabled(false);
    }
}

void MacroPanel::DelListClick() {
    store_->ClrListCmd(CurrentList);
    ReadListCmd(CurrentList);
    MacrosChanged = true;
}

void MacroPanel::CBListsClick() {
    const int index = CBLists->currentIndex();
    if (index < 0) return;
    CurrentList = index + 1;
    ReadListCmd(CurrentList);
    ListDec->setEnabled(CurrentList > 1);
    ListInc->setEnabled(CurrentList < macro_layout::kLists);
}

void MacroPanel::CBListsDblClick() {
    CBLists->hide();
    STListName->setText(fromCp(store_->GetListName(CurrentList)));
    STListName->show();
}

void MacroPanel::STListNameDblClick() {
    if (fileShown_) return;  // the large name shows the command file then
    CBLists->show();
    STListName->hide();
}

// A list name typed in editor mode is stored before the fields are refilled,
// so switching the display mode does not throw it away.
void MacroPanel::keepTypedListName() {
    if (tag(EditAllCmd) != 0) store_->SetListName(CurrentList, toCp(ListNameEDT->text()));
}

void MacroPanel::RBNameClick() {
    keepTypedListName();
    for (QLineEdit* field : MacroFields) LengthLimit::apply(field, kNameTypingLimit);
    ReadListCmd(CurrentList);
}

void MacroPanel::RbDataClick() {
    keepTypedListName();
    for (QLineEdit* field : MacroFields) LengthLimit::apply(field, kLineTypingLimit);
    ReadListCmd(CurrentList);
}

void MacroPanel::SaveFClick() {
    SaveF->setEnabled(false);
    SaveMacroStore();
    SaveF->setEnabled(true);
}

void MacroPanel::showFileName(const QString& path, int fileButtonLeft) {
    fileShown_ = true;
    CBLists->hide();
    STListName->setToolTip(QString());
    STListName->resize(STListName->x() + fileButtonLeft - 20, STListName->height());
    STListName->show();
    EditAllCmd->hide();
    RBName->hide();
    RbData->hide();
    OldCommandsBT->hide();
    STListName->setText(path);
}

void MacroPanel::showLists() {
    fileShown_ = false;
    STListName->setText(fromCp(store_->GetListName(CurrentList)));
    STListName->setToolTip(ru(kListNameHint));
    STListName->hide();
    EditAllCmd->show();
    CBLists->show();
    RBName->show();
    RbData->show();
}

// ------------------------------------------------------------------ settings

void MacroPanel::applySettings(const ConfigImage& c) {
    if (c.showNames()) RBName->setChecked(true);
    RbData->setChecked(!c.showNames());
}

void MacroPanel::storeSettings(ConfigImage& c) const {
    c.setShowNames(RBName->isChecked());
    c.setCurrentList(CurrentList);
}

}  // namespace vantrel
