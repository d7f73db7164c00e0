// The housekeeping tick of the real main window: hover help driven by mouse
// moves and a cursor the test holds, and the tick's other jobs.
#include <QMouseEvent>

#include <memory>

#include "rx/ui/log_view.h"
#include "form/expected_help_texts.h"
#include "support/form_rig.h"

using namespace vantrel;
using vantrel::test::FormRig;
using vantrel::test::kExpectedHelp;

class TestHoverHelp : public QObject {
    Q_OBJECT
private slots:
    void init() {
        rig_ = std::make_unique<FormRig>(test::RigOptions{.show = true});
        // The test plays the ticks itself, so nothing runs between its steps.
        rig_->ctl<QTimer>("CustomFunctions")->stop();
    }
    void cleanup() { rig_.reset(); }

    void generalHelpIsShownAfterStartUp() { QVERIFY(linesAre(kExpectedHelp[0])); }

    // An idle window wakes for its clock only; a hover brings the 10 ms ticks back at once.
    void housekeepingRestsUnlessACountdownRuns() {
        QTimer* timer = rig_->ctl<QTimer>("CustomFunctions");
        timer->start();
        rig_->fire("CustomFunctions");
        QVERIFY(timer->interval() > 10 && timer->interval() <= 1000);
        moveOver(rig_->ctl("BTRescan"), QPoint(3, 3));
        QCOMPARE(timer->interval(), 10);
        timer->stop();
        ticks(99);
        QCOMPARE(timer->interval(), 10);
        ticks(1);  // the countdown is over
        QVERIFY(timer->interval() > 10);
    }

    // Each control with help, in the order of its countdown, shows its own text.
    void everyControlShowsItsTextLineByLine() {
        const auto controls = withHelp();
        for (int i = 0; i < 13; ++i) {
            const auto& expected = kExpectedHelp[i + 1];
            QWidget* control = rig_->ctl(controls[std::size_t(i)]);
            control->show();  // CiklSend is hidden until a command file is loaded
            moveOver(control, QPoint(3, 3));
            ticks(100);
            QVERIFY2(linesAre(expected), expected.operation);
        }
    }

    void restingOnRescanTakesAHundredTicks() {
        moveOver("BTRescan", QPoint(10, 10));
        QVERIFY(linesBlank());
        ticks(99);
        QVERIFY(linesBlank());
        ticks(1);
        QVERIFY(linesAre(kExpectedHelp[2]));
    }

    void aOnePixelMoveRestartsTheWait() {
        moveOver("BTRescan", QPoint(10, 10));
        ticks(60);
        moveOver("BTRescan", QPoint(11, 10));
        ticks(99);
        QVERIFY(linesBlank());
        ticks(1);
        QVERIFY(linesAre(kExpectedHelp[2]));
    }

    void restingOnAStatusTextAfterwardsShowsNothing() {
        moveOver("FiltrLog", QPoint(5, 5));
        ticks(30);
        moveOver("STLog", QPoint(5, 5));  // no mouse-move behaviour of its own
        ticks(200);
        QVERIFY(linesBlank());
    }

    // Controls whose moves only blank the lines, the general help included.
    void movesOverTheMainAreasBlankTheLines() {
        for (const char* name : {"MainWindow", "SecondWindow", "Panel1", "MainPanel", "LogPanel", "EditAllCmd",
                                 "DelList", "OldCommandsBT", "ListInc", "ListDec", "ButtonReadFile", "SendStart",
                                 "ButtonSend"}) {
            QWidget* area = rig_->ctl(name);
            if (auto* view = qobject_cast<QPlainTextEdit*>(area)) area = view->viewport();
            rig_->showGeneralHelp();
            moveOver(area, freePoint(area));
            QVERIFY2(linesBlank(), name);
            ticks(150);
            QVERIFY2(linesBlank(), name);  // and no help follows
        }
    }

    void movesElsewhereLeaveTheLinesAlone() {
        // Controls without mouse-move behaviour, and a move a child of a panel
        // passed on to it (the pointer is over the child, not the panel).
        moveOver("STLog", QPoint(5, 5));
        moveOver("ComPort", QPoint(5, 5));
        moveOver("StaticText3", QPoint(5, 5));
        moveOver("MainPanel", rig_->ctl("Button1")->geometry().center());
        moveOver("Panel1", rig_->ctl("ComPort")->geometry().center());
        QVERIFY(linesAre(kExpectedHelp[0]));
    }

    void watchdogFollowsAutoConnectWithinOneTick() {
        rig_->check("AutoConnect");
        rig_->ctl<QTimer>("CheckConnect")->stop();
        rig_->fire("CustomFunctions");
        QVERIFY(rig_->active("CheckConnect"));
        rig_->check("AutoConnect", false);
        rig_->ctl<QTimer>("CheckConnect")->start();
        rig_->fire("CustomFunctions");
        QVERIFY(!rig_->active("CheckConnect"));
    }

    void cyclicPeriodicSenderIsReArmed() {
        rig_->check("RBPeriod");
        rig_->check("CiklSend");
        rig_->ctl<QTimer>("TimerPeriod")->stop();  // as at the end of its list
        rig_->fire("CustomFunctions");
        QVERIFY(rig_->active("TimerPeriod"));
        rig_->ctl<QTimer>("TimerPeriod")->stop();
        rig_->check("CiklSend", false);
        rig_->fire("CustomFunctions");
        QVERIFY(!rig_->active("TimerPeriod"));
        rig_->ctl<QTimer>("TimerPeriod")->stop();
    }

    void clockHistoryWidthAndLogBound() {
        rig_->clock.time.hour = 23;
        rig_->clock.time.minute = 5;
        rig_->clock.time.second = 9;
        rig_->ctl<QLineEdit>("MainStrCmd")->resize(500, rig_->ctl<QLineEdit>("MainStrCmd")->height());
        for (int i = 0; i < 5001; ++i) rig_->ctl<LogView>("MainWindow")->appendLine(QString::number(i));
        rig_->fire("CustomFunctions");
        QCOMPARE(rig_->text("TextTime"), QString("23:05:09"));
        QCOMPARE(rig_->ctl<QListWidget>("FastOldCmd")->width(), 500);
        QCOMPARE(rig_->ctl<LogView>("MainWindow")->visualLineCount() <= 1, true);
    }

private:
    static std::array<const char*, 13> withHelp() {
        return {"BTConnect", "BTRescan", "AutoConnect", "TimeOutAns", "FiltrLog", "RBManual", "RBSel",
                "RBAfterAns", "RBPeriod", "SendAsReconn", "MainStrCmd", "AddStrCmd", "CiklSend"};
    }

    // The pointer arrives at `local` in `w`; the window system delivers a move there.
    void moveOver(const char* name, QPoint local) { moveOver(rig_->ctl(name), local); }
    void moveOver(QWidget* w, QPoint local) {
        rig_->cursor = w->mapToGlobal(local);
        QMouseEvent move(QEvent::MouseMove, QPointF(local), QPointF(rig_->cursor), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(w, &move);
    }

    // A point of `w` not covered by any of its children.
    static QPoint freePoint(QWidget* w) {
        for (int y = 1; y < w->height(); y += 2)
            for (int x = 1; x < w->width(); x += 2)
                if (!w->childAt(x, y)) return {x, y};
        return {1, 1};
    }

    void ticks(int n) {
        for (int i = 0; i < n; ++i) rig_->fire("CustomFunctions");
    }

    bool linesAre(const vantrel::test::ExpectedHelp& expected) const {
        for (int i = 1; i <= 12; ++i) {
            const QString shown = rig_->text(QStringLiteral("STH%1").arg(i));
            if (shown != QString::fromStdString(expected.line(i))) {
                qWarning("%s line %d: shown [%s], expected [%s]", expected.operation, i, qPrintable(shown),
                         expected.line(i).c_str());
                return false;
            }
        }
        return true;
    }

    bool linesBlank() const {
        for (int i = 1; i <= 12; ++i)
            if (!rig_->text(QStringLiteral("STH%1").arg(i)).isEmpty()) return false;
        return true;
    }

    std::unique_ptr<FormRig> rig_;
};

QTEST_MAIN(TestHoverHelp)
#include "tst_hover_help.moc"
