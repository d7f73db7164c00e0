#pragma once
// Counts the paints of a widget, and tells whether the last one covered a spot.
#include <QPaintEvent>
#include <QRegion>
#include <QWidget>

namespace vantrel::test {

class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* w) : widget_(w) { w->installEventFilter(this); }
    int paints = 0;
    QRegion lastRegion;
    bool lastCovered(const QPoint& spot) const { return paints > 0 && lastRegion.contains(spot); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == widget_ && event->type() == QEvent::Paint) {
            ++paints;
            lastRegion = static_cast<QPaintEvent*>(event)->region();
        }
        return false;
    }

private:
    QWidget* widget_;
};

}  // namespace vantrel::test
