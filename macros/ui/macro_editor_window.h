#pragma once
// The macro editor: name, command line and the 12 help lines of one macro.
// Name and command line go into the store as they are typed; the help lines
// are mirrored into the macro panel's help labels and stored on closing.
#include <QDialog>

#include <array>

class QLabel;
class QLineEdit;

namespace vantrel {

class MacroPanel;

class TFormEditHelpCmd : public QDialog {
    Q_OBJECT
public:
    explicit TFormEditHelpCmd(MacroPanel& panel, QWidget* parent = nullptr);

    QLabel* Label1 = nullptr;  // "Имя команды"
    QLineEdit* CmdName = nullptr;
    QLabel* Label2 = nullptr;  // "Командная строка"
    QLineEdit* CmdData = nullptr;
    QLabel* Label3 = nullptr;  // "Описание команды"
    std::array<QLineEdit*, 12> EditorFields{};  // Edit1..Edit12

    // Fills the fields from the store and the help labels; focuses CmdName.
    void FormActivate();
    // How often the editor has been filled; tells whether it was shown at all.
    int activations() const { return activations_; }
    void CmdNameChange();
    void CmdDataChange();
    void EditLineChange(int i);  // line field i, 1..12
    // Enter and Backspace in the fields; true when the key is consumed.
    bool FieldKeyPress(QLineEdit* field, int key);

    static constexpr int kDesignWidth = 384;
    static constexpr int kDesignHeight = 397;
    static constexpr int kDesignFieldWidth = 361;

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void FormCreate();
    QLineEdit* fieldAfter(QLineEdit* field) const;   // nullptr: close
    QLineEdit* fieldBefore(QLineEdit* field) const;  // nullptr: stay

    MacroPanel& panel_;
    int activations_ = 0;
};

}  // namespace vantrel
