#include "common/ui/controls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVariant>

#include <limits>

#include "common/ui/text_codec.h"

namespace vantrel {

QWidget* placeWidget(QWidget* w, const char* name, int x, int y, int width, int height, const char* hint) {
    w->setObjectName(QString::fromLatin1(name));
    w->setGeometry(x, y, width, height);
    if (hint) w->setToolTip(ru(hint));
    return w;
}

QFrame* panel(QWidget* parent, const char* name, int x, int y, int w, int h) {
    auto* f = place(new QFrame(parent), name, x, y, w, h);
    f->setFrameStyle(QFrame::Panel | QFrame::Raised);
    return f;
}

QPushButton* button(QWidget* parent, const char* name, const char* caption, int x, int y, int w, int h,
                    const char* hint) {
    auto* b = place(new QPushButton(ru(caption), parent), name, x, y, w, h, hint);
    b->setAutoDefault(false);
    return b;
}

QLabel* sunken(QWidget* parent, const char* name, const char* caption, int x, int y, int w, int h,
               const char* hint) {
    auto* l = place(new QLabel(ru(caption), parent), name, x, y, w, h, hint);
    l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return l;
}

QLabel* label(QWidget* parent, const char* name, const char* caption, int x, int y) {
    auto* l = new QLabel(ru(caption), parent);
    l->setObjectName(QString::fromLatin1(name));
    l->move(x, y);
    l->adjustSize();
    return l;
}

QCheckBox* check(QWidget* parent, const char* name, const char* caption, int x, int y, int w, int h) {
    return place(new QCheckBox(ru(caption), parent), name, x, y, w, h);
}

QRadioButton* radio(QWidget* parent, const char* name, const char* caption, int x, int y, int w, int h,
                    const char* hint) {
    return place(new QRadioButton(ru(caption), parent), name, x, y, w, h, hint);
}

QComboBox* combo(QWidget* parent, const char* name, int x, int y, int w, int h, const char* hint,
                 std::initializer_list<const char*> items, int selected) {
    auto* c = place(new QComboBox(parent), name, x, y, w, h, hint);
    c->setEditable(true);
    c->setInsertPolicy(QComboBox::NoInsert);
    for (const char* item : items) c->addItem(ru(item));
    c->setCurrentIndex(selected);
    return c;
}

void initEdit(QLineEdit* e, const char* text, int maxLength) {
    e->setText(ru(text));
    // Without a limit of its own a field takes any length; QLineEdit would cut at 32767.
    e->setMaxLength(maxLength > 0 ? maxLength : std::numeric_limits<int>::max());
}

QListWidget* listBox(QWidget* parent, const char* name, int x, int y, int w, int h) {
    auto* l = place(new QListWidget(parent), name, x, y, w, h);
    l->hide();
    return l;
}

QFont styled(const QFont& base, int pixels, bool bold) {
    QFont f = base;
    if (pixels > 0) f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

int tag(const QObject* control) { return control->property("tag").toInt(); }
void setTag(QObject* control, int value) { control->setProperty("tag", value); }

}  // namespace vantrel
