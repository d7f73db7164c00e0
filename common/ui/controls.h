#pragma once
// Making a control at its place with its name, caption and hint: every part
// builds its controls the same way, so the window looks as one.
#include <QFont>
#include <QLineEdit>

#include <initializer_list>

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QListWidget;
class QPushButton;
class QRadioButton;
class QWidget;

namespace vantrel {

// Names the widget, sets its geometry and its hint (UTF-8).
QWidget* placeWidget(QWidget* w, const char* name, int x, int y, int width, int height, const char* hint);
template <typename W>
W* place(W* w, const char* name, int x, int y, int width, int height, const char* hint = nullptr) {
    placeWidget(w, name, x, y, width, height, hint);
    return w;
}

QFrame* panel(QWidget* parent, const char* name, int x, int y, int w, int h);
QPushButton* button(QWidget* parent, const char* name, const char* caption, int x, int y, int w, int h,
                    const char* hint = nullptr);
// A static text with a sunken border.
QLabel* sunken(QWidget* parent, const char* name, const char* caption, int x, int y, int w, int h,
               const char* hint = nullptr);
// A label that takes the size of its caption.
QLabel* label(QWidget* parent, const char* name, const char* caption, int x, int y);
QCheckBox* check(QWidget* parent, const char* name, const char* caption, int x, int y, int w, int h);
QRadioButton* radio(QWidget* parent, const char* name, const char* caption, int x, int y, int w, int h,
                    const char* hint = nullptr);
// An editable drop-down list that adds nothing typed to its items.
QComboBox* combo(QWidget* parent, const char* name, int x, int y, int w, int h, const char* hint,
                 std::initializer_list<const char*> items, int selected);
// Gives a field its first text and its limit; maxLength 0: no limit of its own.
void initEdit(QLineEdit* e, const char* text, int maxLength);
template <typename E = QLineEdit>
E* edit(QWidget* parent, const char* name, const char* text, int x, int y, int w, int h, int maxLength,
        const char* hint = nullptr) {
    auto* e = place(new E(parent), name, x, y, w, h, hint);
    initEdit(e, text, maxLength);
    return e;
}
// A hidden list that drops down over other controls.
QListWidget* listBox(QWidget* parent, const char* name, int x, int y, int w, int h);
// The base font at a pixel size (0: unchanged), bold or not.
QFont styled(const QFont& base, int pixels, bool bold);

// Two-state buttons keep their state in their tag, as the handlers read it.
int tag(const QObject* control);
void setTag(QObject* control, int value);

}  // namespace vantrel
