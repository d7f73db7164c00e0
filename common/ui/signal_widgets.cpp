#include "common/ui/signal_widgets.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyleOptionButton>
#include <QStylePainter>

#include <algorithm>
#include <iterator>

namespace vantrel {

void EventLineEdit::keyPressEvent(QKeyEvent* event) {
    if (keyHook_ && keyHook_(*event)) return;
    QLineEdit::keyPressEvent(event);
}

void EventLineEdit::keyReleaseEvent(QKeyEvent* event) {
    QLineEdit::keyReleaseEvent(event);
    if (!event->isAutoRepeat()) emit keyReleased(event->key());
}

void EventLineEdit::mousePressEvent(QMouseEvent* event) {
    emit pressed();
    QLineEdit::mousePressEvent(event);
}

void EventLineEdit::mouseMoveEvent(QMouseEvent* event) {
    emit hovered();
    QLineEdit::mouseMoveEvent(event);
}

void EventLineEdit::mouseDoubleClickEvent(QMouseEvent* event) {
    if (takeDoubleClicks_) {
        emit doubleClicked();
        return;
    }
    QLineEdit::mouseDoubleClickEvent(event);
}

void EventLineEdit::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    emit focused();
}

void EventLineEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    emit left();
}

void ClickLabel::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) emit clicked();
}

void ClickLabel::mouseDoubleClickEvent(QMouseEvent* event) {
    emit doubleClicked();
    event->accept();
}

bool DropList::selectFirstIfNone(int key) {
    if ((key != Qt::Key_Down && key != Qt::Key_Up) || count() == 0) return false;
    if (!selectedItems().isEmpty()) return false;
    setCurrentRow(0);
    return true;
}

void DropList::keyPressEvent(QKeyEvent* event) {
    if (keyHook_ && keyHook_(*event)) return;
    static const int moves[] = {Qt::Key_Up, Qt::Key_Down, Qt::Key_PageUp, Qt::Key_PageDown, Qt::Key_Home,
                                Qt::Key_End};
    if (!reportKeyChoices_ || std::find(std::begin(moves), std::end(moves), event->key()) == std::end(moves)) {
        QListWidget::keyPressEvent(event);
        return;
    }
    const int before = selectedItems().isEmpty() ? -1 : currentRow();
    if (!selectFirstIfNone(event->key())) QListWidget::keyPressEvent(event);
    const int after = selectedItems().isEmpty() ? -1 : currentRow();
    event->accept();
    if (after >= 0 && after != before) emit keyChose();
}

void DropList::focusOutEvent(QFocusEvent* event) {
    QListWidget::focusOutEvent(event);
    // Switching to another window is no leaving of the list.
    if (event->reason() == Qt::ActiveWindowFocusReason || event->reason() == Qt::PopupFocusReason) return;
    emit left();
}

void HoverButton::mouseMoveEvent(QMouseEvent* event) {
    emit hovered();
    QPushButton::mouseMoveEvent(event);
}

void TopCaptionButton::paintEvent(QPaintEvent* event) {
    if (captionHeight_ <= 0 || captionHeight_ >= height()) {
        QPushButton::paintEvent(event);
        return;
    }
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QString caption = option.text;
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButton, option);
    option.text = caption;
    option.rect.setHeight(captionHeight_);
    painter.drawControl(QStyle::CE_PushButtonLabel, option);
}

DoubleClickCombo::DoubleClickCombo(QWidget* parent) : QComboBox(parent) {
    QAbstractItemView* list = view();
    popup_ = list->window();
    viewport_ = list->viewport();
    popup_->installEventFilter(this);
    viewport_->installEventFilter(this);
}

void DoubleClickCombo::mouseDoubleClickEvent(QMouseEvent* event) {
    hidePopup();
    emit doubleClicked();
    event->accept();
}

bool DoubleClickCombo::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (watched == popup_ && type == QEvent::Show) openedAt_.start();
    // The first press opened the popup: a second press inside the chooser's
    // own rectangle, in time, is the double click.
    if ((watched == popup_ || watched == viewport_) &&
        (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick)) {
        const auto* me = static_cast<QMouseEvent*>(event);
        const QRect box(mapToGlobal(QPoint(0, 0)), size());
        if (openedAt_.isValid() && openedAt_.elapsed() < qApp->doubleClickInterval() &&
            box.contains(me->globalPosition().toPoint())) {
            hidePopup();
            emit doubleClicked();
            return true;
        }
    }
    return QComboBox::eventFilter(watched, event);
}

}  // namespace vantrel
