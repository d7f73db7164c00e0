#include "macros/ui/macro_editor_window.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>

#include "common/ui/length_limit.h"
#include "macros/ui/macro_panel.h"
#include "common/ui/controls.h"
#include "common/ui/signal_widgets.h"
#include "common/ui/text_codec.h"
#include "macros/macro_store.h"

namespace vantrel {

namespace {

EventLineEdit* makeField(QWidget* parent, int top, int height, int limit, bool bold, int pixelSize = 0) {
    auto* field = new EventLineEdit(parent);
    field->setGeometry(0, top, TFormEditHelpCmd::kDesignFieldWidth, height);
    LengthLimit::apply(field, limit);
    QFont font = field->font();
    font.setBold(bold);
    if (pixelSize > 0) font.setPixelSize(pixelSize);
    field->setFont(font);
    return field;
}

}  // namespace

TFormEditHelpCmd::TFormEditHelpCmd(MacroPanel& panel, QWidget* parent) : QDialog(parent), panel_(panel) {
    setObjectName(QStringLiteral("TFormEditHelpCmd"));
    setWindowTitle(ru("Редактор макроса"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    resize(kDesignWidth, kDesignHeight);

    Label1 = new QLabel(ru("Имя команды"), this);
    Label1->move(0, 4);
    CmdName = makeField(this, 20, 19, 50, true);
    Label2 = new QLabel(ru("Командная строка"), this);
    Label2->move(0, 48);
    CmdData = makeField(this, 64, 19, 250, false);
    Label3 = new QLabel(ru("Описание команды"), this);
    Label3->move(0, 96);
    for (int i = 0; i < 12; ++i) {
        EditorFields[std::size_t(i)] = makeField(this, 112 + 20 * i, 22, 50, true, 13);
        EditorFields[std::size_t(i)]->setObjectName(QStringLiteral("Edit%1").arg(i + 1));
    }
    CmdName->setObjectName(QStringLiteral("CmdName"));
    CmdData->setObjectName(QStringLiteral("CmdData"));
    FormCreate();
}

void TFormEditHelpCmd::FormCreate() {
    connect(CmdName, &QLineEdit::textChanged, this, [this] { CmdNameChange(); });
    connect(CmdData, &QLineEdit::textChanged, this, [this] { CmdDataChange(); });
    // Enter moves on, Backspace in an empty field moves back.
    for (QLineEdit* field : std::initializer_list<QLineEdit*>{CmdName, CmdData})
        static_cast<EventLineEdit*>(field)->setKeyHook(
            [this, field](const QKeyEvent& e) { return FieldKeyPress(field, e.key()); });
    for (int i = 1; i <= 12; ++i) {
        QLineEdit* field = EditorFields[std::size_t(i - 1)];
        setTag(field, i);
        static_cast<EventLineEdit*>(field)->setKeyHook(
            [this, field](const QKeyEvent& e) { return FieldKeyPress(field, e.key()); });
        connect(field, &QLineEdit::textChanged, this, [this, i] { EditLineChange(i); });
    }
}

void TFormEditHelpCmd::FormActivate() {
    LengthLimit::setText(CmdName, fromCp(panel_.store().GetCmdName(panel_.currentList(), panel_.editIndex())));
    LengthLimit::setText(CmdData, fromCp(panel_.store().GetCmdLine(panel_.currentList(), panel_.editIndex())));
    for (int i = 0; i < 12; ++i)
        LengthLimit::setText(EditorFields[std::size_t(i)], panel_.helpLabel(i)->text());
    CmdName->setFocus();
    ++activations_;
}

void TFormEditHelpCmd::CmdNameChange() {
    panel_.store().SetCmdName(panel_.currentList(), panel_.editIndex(), toCp(CmdName->text()));
}

void TFormEditHelpCmd::CmdDataChange() {
    panel_.store().SetCmdLine(panel_.currentList(), panel_.editIndex(), toCp(CmdData->text()));
}

void TFormEditHelpCmd::EditLineChange(int i) {
    panel_.helpLabel(i - 1)->setText(EditorFields[std::size_t(i - 1)]->text());
}

QLineEdit* TFormEditHelpCmd::fieldAfter(QLineEdit* field) const {
    if (field == CmdName) return CmdData;
    if (field == CmdData) return EditorFields[0];
    for (std::size_t i = 0; i + 1 < EditorFields.size(); ++i)
        if (EditorFields[i] == field) return EditorFields[i + 1];
    return nullptr;
}

QLineEdit* TFormEditHelpCmd::fieldBefore(QLineEdit* field) const {
    if (field == CmdData) return CmdName;
    if (field == EditorFields[0]) return CmdData;
    for (std::size_t i = 1; i < EditorFields.size(); ++i)
        if (EditorFields[i] == field) return EditorFields[i - 1];
    return nullptr;
}

bool TFormEditHelpCmd::FieldKeyPress(QLineEdit* field, int key) {
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        if (QLineEdit* next = fieldAfter(field))
            next->setFocus();
        else if (field == EditorFields[11])
            close();
        return true;
    }
    if (key == Qt::Key_Backspace && field->text().isEmpty()) {
        if (QLineEdit* previous = fieldBefore(field)) previous->setFocus();
    }
    return false;  // the field still gets its Backspace
}

void TFormEditHelpCmd::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) {
        if (const QScreen* s = screen()) move(s->availableGeometry().center() - rect().center());
        FormActivate();
    }
    QDialog::showEvent(event);
}

void TFormEditHelpCmd::resizeEvent(QResizeEvent* event) {
    const int d = width() - kDesignWidth;
    CmdName->resize(kDesignFieldWidth + d, CmdName->height());
    CmdData->resize(kDesignFieldWidth + d, CmdData->height());
    for (QLineEdit* field : EditorFields) field->resize(kDesignFieldWidth + d, field->height());
    QDialog::resizeEvent(event);
}

}  // namespace vantrel
