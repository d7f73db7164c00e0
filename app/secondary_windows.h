#pragma once
// The about window, the port-error window and the save prompt.
// Placeholder: the window work fills them in.
#include <QDialog>

namespace vantrel {

class TForm1;

class TInfo : public QDialog {
    Q_OBJECT
public:
    explicit TInfo(QWidget* parent = nullptr) : QDialog(parent) {}
};

class TOpenPortError : public QDialog {
    Q_OBJECT
public:
    explicit TOpenPortError(QWidget* parent = nullptr) : QDialog(parent) {}
};

// "Да" saves the macros, "Нет" only closes, "Отмена" refuses the next close.
class TSave : public QDialog {
    Q_OBJECT
public:
    explicit TSave(TForm1* form, QWidget* parent = nullptr) : QDialog(parent), form_(form) {}

private:
    TForm1* form_;
};

}  // namespace vantrel
