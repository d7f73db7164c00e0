#pragma once
// Two small arrows, one above the other; only the arrow pressed matters.
#include <QWidget>

class QToolButton;

namespace vantrel {

class UpDown : public QWidget {
    Q_OBJECT
public:
    explicit UpDown(QWidget* parent = nullptr);

    // The control's own position within its range; the handlers do not rely on it.
    void setRange(int minimum, int maximum);
    int minimum() const { return minimum_; }
    int maximum() const { return maximum_; }
    int position() const { return position_; }

    QToolButton* upButton() const { return up_; }
    QToolButton* downButton() const { return down_; }

signals:
    void clicked(bool up);  // true: the upper arrow

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void step(bool up);
    void placeArrows();

    QToolButton* up_ = nullptr;
    QToolButton* down_ = nullptr;
    int minimum_ = 0;
    int maximum_ = 100;
    int position_ = 0;
};

}  // namespace vantrel
