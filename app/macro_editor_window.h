#pragma once
// The macro editor window. Placeholder: the macro work fills it in.
#include <QDialog>

namespace vantrel {

class TForm1;

class TFormEditHelpCmd : public QDialog {
    Q_OBJECT
public:
    explicit TFormEditHelpCmd(TForm1* form, QWidget* parent = nullptr) : QDialog(parent), form_(form) {}

private:
    TForm1* form_;
};

}  // namespace vantrel
