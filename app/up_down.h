#pragma once
// Two small arrows, one above the other; only the arrow pressed matters.
#include <QWidget>

namespace vantrel {

class UpDown : public QWidget {
    Q_OBJECT
public:
    explicit UpDown(QWidget* parent = nullptr);
signals:
    void clicked(bool up);  // true: the upper arrow
};

}  // namespace vantrel
