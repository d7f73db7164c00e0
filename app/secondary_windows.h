#pragma once
// The about window, the port-error window and the save prompt. Each lives for
// the whole run and is only hidden when closed.
#include <QDialog>

class QLabel;
class QPushButton;

namespace vantrel {


// Centres a window on the screen it would appear on.
void centreOnScreen(QWidget& window);

class TInfo : public QDialog {
    Q_OBJECT
public:
    explicit TInfo(QWidget* parent = nullptr);

    QLabel* Title = nullptr;        // "Терминал для работы с COM-портом"
    QLabel* Product = nullptr;      // "Vantrel v1.11"
    QLabel* Picture = nullptr;
    QPushButton* FocusSink = nullptr;  // hidden; holds the focus so none shows

protected:
    void showEvent(QShowEvent* event) override;
};

class TOpenPortError : public QDialog {
    Q_OBJECT
public:
    explicit TOpenPortError(QWidget* parent = nullptr);

    QLabel* Picture = nullptr;  // 599 x 499 at its natural size

protected:
    void showEvent(QShowEvent* event) override;
};

// "Да" saves the macros, "Нет" only closes, "Отмена" keeps the window open.
// Enter and Space press the focused button, Escape is "Отмена".
class TSave : public QDialog {
    Q_OBJECT
public:
    enum class Answer { None, Yes, No, Cancel };

    explicit TSave(QWidget* parent = nullptr);

    // The button that closed the prompt last.
    Answer answer() const { return answer_; }

    QLabel* Question = nullptr;
    QPushButton* BtYes = nullptr;
    QPushButton* BtNo = nullptr;
    QPushButton* BtCancel = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    Answer answer_ = Answer::None;
};

}  // namespace vantrel
