#pragma once
// Controls that tell what happened to them by signals, so that the part
// owning them connects handlers instead of filtering events by sender.
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <functional>

class QKeyEvent;

namespace vantrel {

// Decides about a key before the control sees it; true: consumed.
using KeyHook = std::function<bool(const QKeyEvent&)>;

// A one-line field: its keys, a press of the mouse, the loss of focus, the
// pointer moving over it, a double click.
class EventLineEdit : public QLineEdit {
    Q_OBJECT
public:
    using QLineEdit::QLineEdit;
    void setKeyHook(KeyHook hook) { keyHook_ = std::move(hook); }
    // A double click is taken by the owner instead of selecting a word.
    void takeDoubleClicks() { takeDoubleClicks_ = true; }

signals:
    void pressed();
    void left();
    void focused();
    void keyReleased(int key);
    void hovered();
    void doubleClicked();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    KeyHook keyHook_;
    bool takeDoubleClicks_ = false;
};

// A static text that answers a click (released inside it) and a double click.
class ClickLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

signals:
    void clicked();
    void doubleClicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};

// A list that drops down over other controls: its keys and its loss of focus
// to another control of the window (not to another window).
class DropList : public QListWidget {
    Q_OBJECT
public:
    using QListWidget::QListWidget;
    void setKeyHook(KeyHook hook) { keyHook_ = std::move(hook); }
    // Arrow and page keys choose a line: keyChose() follows a moved selection.
    void reportKeyChoices() { reportKeyChoices_ = true; }

    // A list opened from the keyboard starts without a selection; the first
    // arrow key selects the first entry instead of skipping it.
    bool selectFirstIfNone(int key);

signals:
    void left();
    void keyChose();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    KeyHook keyHook_;
    bool reportKeyChoices_ = false;
};

// A push button that reports the pointer moving over it.
class HoverButton : public QPushButton {
    Q_OBJECT
public:
    using QPushButton::QPushButton;

signals:
    void hovered();

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
};

// A button whose lower part another control covers: its caption is drawn
// in the visible upper part.
class TopCaptionButton : public QPushButton {
    Q_OBJECT
public:
    using QPushButton::QPushButton;
    void setCaptionHeight(int pixels) { captionHeight_ = pixels; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int captionHeight_ = 0;  // 0: the whole height
};

// A drop-down chooser that answers a double click, also one whose first
// press has already opened the popup.
class DoubleClickCombo : public QComboBox {
    Q_OBJECT
public:
    explicit DoubleClickCombo(QWidget* parent = nullptr);

signals:
    void doubleClicked();

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* popup_ = nullptr;
    QWidget* viewport_ = nullptr;
    QElapsedTimer openedAt_;
};

}  // namespace vantrel
