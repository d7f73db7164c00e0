#include "app/macro_editor_window.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>

#include "app/length_limit.h"
#include "app/main_window.h"
#include "common/ui/controls.h"
#include "common/ui/text_codec.h"
#include "macros/macro_store.h"

namespace vantrel {

namespace {

class EditorKeys final : public QObject {
public:
    explicit EditorKeys(TFormEditHelpCmd* editor) : QObject(editor), editor_(editor) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) return false;
        auto* field = qobject_cast<QLineEdit*>(watched);
        return field && editor_->FieldKeyPress(field, static_cast<QKeyEvent*>(event)->key());
    }

private:
    TFormEditHelpCmd* editor_;
};

QLineEdit* makeField(QWidget* parent, int top, int height, int limit, bool bold, int pixelSize = 0) {
    auto* field = new QLineEdit(parent);
    field->setGeometry(0, top, TFormEditHelpCmd::kDesignFieldWidth, height);
    LengthLimit::apply(field, limit);
    QFont font = field->font();
    font.setBold(bold);
    if (pixelSize > 0) font.setPixelSize(pixelSize);
    field->setFont(font);
    return field;
}

}  // namespace

TFormEditHelpCmd::TFormEditHelpCmd(TForm1* form, QWidget* parent) : QDialog(parent), form_(form) {
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
    auto* keys = new EditorKeys(this);
    CmdName->installEventFilter(keys);
    CmdData->installEventFilter(keys);
    for (int i = 1; i <= 12; ++i) {
        QLineEdit* field = EditorFields[std::size_t(i - 1)];
        setTag(field, i);
        field->installEventFilter(keys);
        connect(field, &QLineEdit::textChanged, this, [this, i] { EditLineChange(i); });
    }
}

void TFormEditHelpCmd::FormActivate() {
    LengthLimit::setText(CmdName, fromCp(form_->store->GetCmdName(form_->CurrentList, form_->EditIndex)));
    LengthLimit::setText(CmdData, fromCp(form_->store->GetCmdLine(form_->CurrentList, form_->EditIndex)));
    for (int i = 0; i < 12; ++i)
        LengthLimit::setText(EditorFields[std::size_t(i)], form_->HelpLabels[std::size_t(i)]->text());
    CmdName->setFocus();
    ++activations_;
}

void TFormEditHelpCmd::CmdNameChange() {
    form_->store->SetCmdName(form_->CurrentList, form_->EditIndex, toCp(CmdName->text()));
}

void TFormEditHelpCmd::CmdDataChange() {
    form_->store->SetCmdLine(form_->CurrentList, form_->EditIndex, toCp(CmdData->text()));
}

void TFormEditHelpCmd::EditLineChange(int i) {
    form_->HelpLabels[std::size_t(i - 1)]->setText(EditorFields[std::size_t(i - 1)]->text());
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
