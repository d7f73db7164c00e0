// The housekeeping tick of the real main window: hover help driven by mouse
// moves and a cursor the test holds, and the tick's other jobs.
#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <memory>

#include "rx/ui/log_view.h"
#include "app/main_window.h"
#include "form/expected_help_texts.h"
#include "support/fakes.h"

using namespace vantrel;
using vantrel::test::kExpectedHelp;

class TestHoverHelp : public QObject {
    Q_OBJECT
private slots:
    void init() {
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
        QDir::setCurrent(dir_->path());
        FormServices s;
        s.clock = &clock_;
        s.messages = &messages_;
        s.listPorts = [] { return std::vector<std::string>{}; };
        s.runModal = [](QDialog&) { return 0; };
        s.sleep = [](int) {};
        s.cursorPos = [this] { return cursor_; };
        s.chooseCommandFile = [] { return QString(); };
        form_ = std::make_unique<TForm1>(s);
        form_->show();
        // The test plays the ticks itself, so nothing runs between its steps.
        form_->CustomFunctions->stop();
    }
    void cleanup() {
        form_.reset();
        QDir::setCurrent(QDir::tempPath());
        dir_.reset();
    }

    void generalHelpIsShownAfterStartUp() { QVERIFY(linesAre(kExpectedHelp[0])); }

    // Each control with help, in the order of its countdown, shows its own text.
    void everyControlShowsItsTextLineByLine() {
        const auto controls = withHelp();
        for (int i = 0; i < 13; ++i) {
            const auto& expected = kExpectedHelp[i + 1];
            QWidget* control = controls[std::size_t(i)];
            control->show();  // CiklSend is hidden until a command file is loaded
            moveOver(control, QPoint(3, 3));
            ticks(100);
            QVERIFY2(linesAre(expected), expected.operation);
        }
    }

    void restingOnRescanTakesAHundredTicks() {
        moveOver(form_->BTRescan, QPoint(10, 10));
        QVERIFY(linesBlank());
        ticks(99);
        QVERIFY(linesBlank());
        ticks(1);
        QVERIFY(linesAre(kExpectedHelp[2]));
    }

    void aOnePixelMoveRestartsTheWait() {
        moveOver(form_->BTRescan, QPoint(10, 10));
        ticks(60);
        moveOver(form_->BTRescan, QPoint(11, 10));
        ticks(99);
        QVERIFY(linesBlank());
        ticks(1);
        QVERIFY(linesAre(kExpectedHelp[2]));
    }

    void restingOnAStatusTextAfterwardsShowsNothing() {
        moveOver(form_->FiltrLog, QPoint(5, 5));
        ticks(30);
        moveOver(form_->STLog, QPoint(5, 5));  // no mouse-move behaviour of its own
        ticks(200);
        QVERIFY(linesBlank());
    }

    // Controls whose moves only blank the lines, the general help included.
    void movesOverTheMainAreasBlankTheLines() {
        TForm1& f = *form_;
        const std::pair<const char*, QWidget*> areas[] = {
            {"MainWindow", f.MainWindow->viewport()}, {"SecondWindow", f.SecondWindow->viewport()},
            {"Panel1", f.Panel1},                     {"MainPanel", f.MainPanel},
            {"LogPanel", f.LogPanel},                 {"EditAllCmd", f.EditAllCmd},
            {"DelList", f.DelList},                   {"OldCommandsBT", f.OldCommandsBT},
            {"ListInc", f.ListInc},                   {"ListDec", f.ListDec},
            {"ButtonReadFile", f.ButtonReadFile},     {"SendStart", f.SendStart},
            {"ButtonSend", f.ButtonSend},
        };
        for (const auto& [name, area] : areas) {
            f.OutHelpHelp();
            moveOver(area, freePoint(area));
            QVERIFY2(linesBlank(), name);
            ticks(150);
            QVERIFY2(linesBlank(), name);  // and no help follows
        }
    }

    void movesElsewhereLeaveTheLinesAlone() {
        TForm1& f = *form_;
        // Controls without mouse-move behaviour, and a move a child of a panel
        // passed on to it (the pointer is over the child, not the panel).
        moveOver(f.STLog, QPoint(5, 5));
        moveOver(f.ComPort, QPoint(5, 5));
        moveOver(f.StaticText3, QPoint(5, 5));
        moveOver(f.MainPanel, f.MacroButtons[0]->geometry().center());
        moveOver(f.Panel1, f.ComPort->geometry().center());
        QVERIFY(linesAre(kExpectedHelp[0]));
    }

    void watchdogFollowsAutoConnectWithinOneTick() {
        TForm1& f = *form_;
        f.AutoConnect->setChecked(true);
        f.CheckConnect->stop();
        f.CustomFunctionsTimer();
        QVERIFY(f.CheckConnect->isActive());
        f.AutoConnect->setChecked(false);
        f.CheckConnect->start();
        f.CustomFunctionsTimer();
        QVERIFY(!f.CheckConnect->isActive());
    }

    void cyclicPeriodicSenderIsReArmed() {
        TForm1& f = *form_;
        f.RBPeriod->setChecked(true);
        f.CiklSend->setChecked(true);
        f.TimerPeriod->stop();  // as at the end of its list
        f.CustomFunctionsTimer();
        QVERIFY(f.TimerPeriod->isActive());
        f.TimerPeriod->stop();
        f.CiklSend->setChecked(false);
        f.CustomFunctionsTimer();
        QVERIFY(!f.TimerPeriod->isActive());
        f.TimerPeriod->stop();
    }

    void clockHistoryWidthAndLogBound() {
        TForm1& f = *form_;
        clock_.time.hour = 23;
        clock_.time.minute = 5;
        clock_.time.second = 9;
        f.MainStrCmd->resize(500, f.MainStrCmd->height());
        for (int i = 0; i < 5001; ++i) f.MainWindow->appendLine(QString::number(i));
        f.CustomFunctionsTimer();
        QCOMPARE(f.TextTime->text(), QString("23:05:09"));
        QCOMPARE(f.FastOldCmd->width(), 500);
        QCOMPARE(f.MainWindow->visualLineCount() <= 1, true);
    }

private:
    std::array<QWidget*, 13> withHelp() const {
        TForm1& f = *form_;
        return {f.BTConnect, f.BTRescan, f.AutoConnect, f.TimeOutAns, f.FiltrLog, f.RBManual, f.RBSel,
                f.RBAfterAns, f.RBPeriod, f.SendAsReconn, f.MainStrCmd, f.AddStrCmd, f.CiklSend};
    }

    // The pointer arrives at `local` in `w`; the window system delivers a move there.
    void moveOver(QWidget* w, QPoint local) {
        cursor_ = w->mapToGlobal(local);
        QMouseEvent move(QEvent::MouseMove, QPointF(local), QPointF(cursor_), Qt::NoButton, Qt::NoButton,
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
        for (int i = 0; i < n; ++i) form_->CustomFunctionsTimer();
    }

    bool linesAre(const vantrel::test::ExpectedHelp& expected) const {
        for (int i = 1; i <= 12; ++i) {
            const QString shown = form_->HelpLabels[std::size_t(i - 1)]->text();
            if (shown != QString::fromStdString(expected.line(i))) {
                qWarning("%s line %d: shown [%s], expected [%s]", expected.operation, i, qPrintable(shown),
                         expected.line(i).c_str());
                return false;
            }
        }
        return true;
    }

    bool linesBlank() const {
        for (QLabel* l : form_->HelpLabels)
            if (!l->text().isEmpty()) return false;
        return true;
    }

    std::unique_ptr<QTemporaryDir> dir_;
    vantrel::test::FakeClock clock_;
    vantrel::test::RecordingMessages messages_;
    QPoint cursor_{-1000, -1000};
    std::unique_ptr<TForm1> form_;
};

QTEST_MAIN(TestHoverHelp)
#include "tst_hover_help.moc"
