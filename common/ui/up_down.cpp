#include "common/ui/up_down.h"

#include <QToolButton>

#include <algorithm>

namespace vantrel {

UpDown::UpDown(QWidget* parent) : QWidget(parent) {
    auto makeArrow = [this](Qt::ArrowType arrow, const char* name) {
        auto* b = new QToolButton(this);
        b->setObjectName(QString::fromLatin1(name));
        b->setArrowType(arrow);
        b->setAutoRepeat(true);  // holding an arrow keeps stepping
        b->setFocusPolicy(Qt::NoFocus);
        return b;
    };
    up_ = makeArrow(Qt::UpArrow, "up");
    down_ = makeArrow(Qt::DownArrow, "down");
    connect(up_, &QToolButton::clicked, this, [this] { step(true); });
    connect(down_, &QToolButton::clicked, this, [this] { step(false); });
    resize(17, 24);
    placeArrows();
}

void UpDown::setRange(int minimum, int maximum) {
    minimum_ = minimum;
    maximum_ = std::max(minimum, maximum);
    position_ = std::clamp(position_, minimum_, maximum_);
}

void UpDown::step(bool up) {
    position_ = std::clamp(position_ + (up ? 1 : -1), minimum_, maximum_);
    emit clicked(up);
}

void UpDown::resizeEvent(QResizeEvent*) { placeArrows(); }

void UpDown::placeArrows() {
    const int upper = height() / 2;
    up_->setGeometry(0, 0, width(), upper);
    down_->setGeometry(0, upper, width(), height() - upper);
}

}  // namespace vantrel
