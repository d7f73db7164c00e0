// The main window's controls follow its width (and the log views its height).
// Widths here are client widths: the window is 943 wide at construction, so
// an outer width of 1029 is a client width of 1013 (the same difference).
#include <QFrame>

#include <algorithm>
#include <map>
#include <memory>

#include "app/layout.h"
#include "rx/ui/log_view.h"
#include "support/form_rig.h"

using namespace vantrel;
using vantrel::test::FormRig;

namespace {

constexpr int kW0 = 943;
constexpr int kH0 = 749;

std::map<QString, QRect> geometries(const QWidget& form) {
    std::map<QString, QRect> out;
    for (const QWidget* w : form.findChildren<QWidget*>()) {
        // only the window's own named controls, not the inner parts of Qt widgets
        if (!w->objectName().isEmpty() && !w->objectName().startsWith(QLatin1String("qt_")))
            out[w->objectName()] = w->geometry();
    }
    return out;
}

}  // namespace

class LayoutTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void widthExamples_data();
    void widthExamples();
    void returningToTheDesignWidthRestoresEveryControl();
    void heightStretchesTheLogAndKeepsThePanelsAtTheBottom();
    void windowCannotBeMadeNarrowerThanTheControlsAllow();
    void loadedCommandFileStretchesTheListName();
    void gridGrowthIsTruncatedTowardZero();

private:
    void resizeTo(int w, int h = kH0);

    std::unique_ptr<FormRig> rig_;
    std::map<QString, QRect> design_;
};

void LayoutTest::initTestCase() {
    rig_ = std::make_unique<FormRig>();
    design_ = geometries(rig_->form());
    rig_->show();
}

void LayoutTest::cleanupTestCase() { rig_.reset(); }

void LayoutTest::init() {
    rig_->setFileCmdMode(false);
    resizeTo(kW0);
}

void LayoutTest::resizeTo(int w, int h) {
    rig_->form().resize(w, h);
    QTRY_COMPARE(rig_->form().size(), QSize(w, h));
    QTRY_COMPARE(rig_->arrangedSize(), rig_->form().size());
}

void LayoutTest::widthExamples_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("control");
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("w");  // -1: not checked

    // dw = 70, a = 10: the wide column's right edge meets the command line's
    QTest::newRow("+70 Button1") << kW0 + 70 << "Button1" << 8 << 99;
    QTest::newRow("+70 Button9") << kW0 + 70 << "Button9" << 106 << 99;
    QTest::newRow("+70 Button41") << kW0 + 70 << "Button41" << 498 << 221;
    QTest::newRow("+70 Edit41") << kW0 + 70 << "Edit41" << 498 << 221;
    QTest::newRow("+70 MainStrCmd") << kW0 + 70 << "MainStrCmd" << 8 << 711;
    QTest::newRow("+70 AddStrCmd") << kW0 + 70 << "AddStrCmd" << 738 << 261;
    QTest::newRow("+70 BtInfo") << kW0 + 70 << "BtInfo" << 946 << 61;
    QTest::newRow("+70 STH12") << kW0 + 70 << "STH12" << 738 << 261;
    QTest::newRow("+70 Panel1") << kW0 + 70 << "Panel1" << 4 << 1007;
    QTest::newRow("+70 MainWindow") << kW0 + 70 << "MainWindow" << 4 << 1007;
    QTest::newRow("+70 FiltrLog") << kW0 + 70 << "FiltrLog" << 520 << 127;
    QTest::newRow("+70 PStats") << kW0 + 70 << "PStats" << 738 << 268;
    QTest::newRow("+70 FastOldCmd") << kW0 + 70 << "FastOldCmd" << 8 << 711;
    QTest::newRow("+70 OldCmdList") << kW0 + 70 << "OldCmdList" << 4 << 999;
    QTest::newRow("+70 LBTail") << kW0 + 70 << "LBTail" << 738 << 261;
    QTest::newRow("+70 StaticText1") << kW0 + 70 << "StaticText1" << 8 << 719;
    QTest::newRow("+70 StaticText3") << kW0 + 70 << "StaticText3" << 738 << 261;
    QTest::newRow("+70 CBLists") << kW0 + 70 << "CBLists" << 8 << 359;
    QTest::newRow("+70 ComPort stays") << kW0 + 70 << "ComPort" << 128 << 61;
    QTest::newRow("+70 InputMode stays") << kW0 + 70 << "InputMode" << 184 << 477;

    // dw = 41, a = 5: the grid grows by 35, six pixels less than the command line
    QTest::newRow("+41 Button41") << kW0 + 41 << "Button41" << 473 << 211;
    QTest::newRow("+41 MainStrCmd") << kW0 + 41 << "MainStrCmd" << 8 << 682;
    QTest::newRow("+41 Button33") << kW0 + 41 << "Button33" << 380 << 94;

    // dw = -7, a = -1: the narrowest the window goes
    QTest::newRow("-7 MainStrCmd") << kW0 - 7 << "MainStrCmd" << 8 << 634;
    QTest::newRow("-7 Button1") << kW0 - 7 << "Button1" << 8 << 88;
    QTest::newRow("-7 Button9") << kW0 - 7 << "Button9" << 95 << 88;
    QTest::newRow("-7 Button48") << kW0 - 7 << "Button48" << 443 << 199;
    QTest::newRow("-7 BtInfo") << kW0 - 7 << "BtInfo" << 869 << 61;
}

void LayoutTest::widthExamples() {
    QFETCH(int, width);
    QFETCH(QString, control);
    QFETCH(int, left);
    QFETCH(int, w);
    resizeTo(width);
    QWidget* c = rig_->ctl(control);
    QCOMPARE(c->x(), left);
    if (w >= 0) QCOMPARE(c->width(), w);
}

void LayoutTest::returningToTheDesignWidthRestoresEveryControl() {
    resizeTo(kW0 + 70);
    resizeTo(kW0 - 7);
    resizeTo(kW0);
    const auto now = geometries(rig_->form());
    QCOMPARE(now.size(), design_.size());
    // the three the rule places differently from the design
    const std::map<QString, QRect> moved = {
        {"LogPanel", QRect(4, 405, 937, 45)},
        {"OldCmdList", QRect(4, 72, 929, 193)},
        {"StaticText1", QRect(8, 272, 649, 17)},
    };
    for (const auto& [name, rect] : design_) {
        const auto it = moved.find(name);
        const QRect expected = it != moved.end() ? it->second : rect;
        QVERIFY2(now.at(name) == expected, qPrintable(name));
    }
}

void LayoutTest::heightStretchesTheLogAndKeepsThePanelsAtTheBottom() {
    resizeTo(kW0 + 20, kH0 + 100);
    QCOMPARE(rig_->ctl<LogView>("MainWindow")->geometry(), QRect(4, 28, 957, 473));
    QCOMPARE(rig_->ctl<QPlainTextEdit>("SecondWindow")->geometry(), QRect(4, 28, 957, 473));
    QCOMPARE(rig_->ctl("MainPanel")->y(), 550);
    QCOMPARE(rig_->ctl("LogPanel")->y(), 505);
    QCOMPARE(rig_->form().height() - (rig_->ctl("MainPanel")->y() + rig_->ctl("MainPanel")->height()), 2);

    resizeTo(kW0, kH0 - 100);
    QCOMPARE(rig_->ctl<LogView>("MainWindow")->height(), 273);
    QCOMPARE(rig_->ctl("MainPanel")->y(), 350);
    QCOMPARE(rig_->ctl("LogPanel")->y(), 305);
    resizeTo(kW0, kH0);
}

void LayoutTest::windowCannotBeMadeNarrowerThanTheControlsAllow() {
    // PStats, bound to the right edge, meets the sending-mode box 7 pixels
    // below the design width: narrower, it would cover "Отправить при соединении".
    QCOMPARE(rig_->form().minimumWidth(), kW0 - 7);
    QCOMPARE(minimumLayoutWidth(rig_->design()), kW0 - 7);
    rig_->form().resize(500, 100);
    QTRY_COMPARE(rig_->form().size(), rig_->form().minimumSize());
    QTRY_COMPARE(rig_->arrangedSize(), rig_->form().size());
    const QWidget* inputMode = rig_->ctl("InputMode");
    QCOMPARE(rig_->ctl("PStats")->x(), inputMode->x() + inputMode->width());
    // the fields that narrow with the window keep room for a filter and a command
    QCOMPARE(rig_->ctl<QLineEdit>("FiltrLog")->width(), 50);
    QCOMPARE(rig_->ctl<QLineEdit>("MainStrCmd")->width(), 634);
    for (const char* caption : {"STLog", "StaticText1"}) {
        const auto* label = rig_->ctl<QLabel>(caption);
        QVERIFY2(label->fontMetrics().horizontalAdvance(label->text()) < label->width(), caption);
    }
    // Qt would quietly clamp a negative width, so look at the rule's own numbers.
    LayoutInputs in;
    in.width = kW0 - 7;
    const LayoutPlan p = computeLayout(rig_->design(), in);
    int least = std::min({p.panelWidth, p.STLogW, p.FiltrLogW, p.MainStrCmdW, p.STListNameW, p.ListNameEDTW,
                          p.CBListsW, p.FastOldCmdW, p.StaticText1.width});
    for (const HSpan& m : p.Macro) least = std::min(least, m.width);
    QCOMPARE(least, 50);
    // the log view shows five lines of its font
    const auto* view = rig_->ctl<LogView>("MainWindow");
    const int margin = int(view->document()->documentMargin());
    QVERIFY(view->viewport()->height() - 2 * margin >= 5 * view->fontMetrics().lineSpacing());
    QVERIFY(view->height() > 0);
    resizeTo(kW0, kH0);
}

void LayoutTest::loadedCommandFileStretchesTheListName() {
    rig_->setFileCmdMode(true);
    resizeTo(kW0 + 70);
    // its left (8) + the shifted left of ButtonReadFile (564 + 70) - 20
    QCOMPARE(rig_->ctl<QLabel>("STListName")->width(), 8 + 634 - 20);
    rig_->setFileCmdMode(false);
    resizeTo(kW0 + 71);
    QCOMPARE(rig_->ctl<QLabel>("STListName")->width(), 289 + 71);
}

void LayoutTest::gridGrowthIsTruncatedTowardZero() {
    // a = dw / 7 toward zero: -13 gives -1 (not -2), 13 gives 1
    LayoutInputs in;
    in.width = rig_->design().W0 - 13;
    const LayoutPlan narrow = computeLayout(rig_->design(), in);
    QCOMPARE(narrow.Macro[0].width, 88);
    QCOMPARE(narrow.Macro[40].left, 448 - 5);
    QCOMPARE(narrow.Macro[40].width, 199);
    in.width = rig_->design().W0 + 13;
    const LayoutPlan wide = computeLayout(rig_->design(), in);
    QCOMPARE(wide.Macro[8].left, 97);
    QCOMPARE(wide.Macro[47].width, 203);
}

QTEST_MAIN(LayoutTest)
#include "tst_layout.moc"
