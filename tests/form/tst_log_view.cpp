// The log window: the view itself, and the controls of the main window that act on it.
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFocusEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextLayout>

#include <memory>

#include "common/ui/colors.h"
#include "rx/ui/log_view.h"
#include "support/form_rig.h"
#include "support/paint_counter.h"

using namespace vantrel;
using vantrel::test::FormRig;
using vantrel::test::PaintCounter;

namespace {

const QString kStop = QStringLiteral(">>>>>>>>>> STOP <<<<<<<<<<");

// The lines shown; the view keeps an empty block after the last line.
QStringList viewLines(const LogView& view) {
    QStringList out;
    const QTextBlock end = view.document()->lastBlock();
    for (QTextBlock b = view.document()->firstBlock(); b.isValid() && b != end; b = b.next()) out << b.text();
    return out;
}

// Where the last line of the view is drawn, in viewport coordinates.
QPoint lastLineSpot(const LogView& view) {
    return view.cursorRect(QTextCursor(view.document()->lastBlock().previous())).center();
}

}  // namespace

class LogViewTest : public QObject {
    Q_OBJECT

private slots:
    // The view on its own.
    void displayText_data();
    void displayText();
    void linesBreakAtCrAndLfAndKeepEmptyLines();
    void wrappedPiecesAreCountedAlsoAfterAResize();
    void staysAtTheBottomOnlyWhenItWasThere();
    void aLineAfterAQuietSpellIsPaintedAtOnce();
    void aSteadyStreamIsPaintedOncePerFrame();
    void aFloodIsPaintedAtTheSlowerPace();
    void aCaptionChangedJustBeforeAFrameIsHeldIsStillPainted();
    void captionsWithoutLinesArePaintedOncePerFrame();
    void theScrollBarIsRepaintedWhenItsPictureChanges();

    // The controls of the main window.
    void pauseShowsTheOldLinesAndNewLinesAppearOnResume();
    void pauseOfAnEmptyLogShowsTheStopLine();
    void clearEmptiesOnlyTheLog();
    void sixColourClicksReturnToTheStart();
    void fontSizeStopsAt2And100();
    void outputModeButtonsSetTheTail();
    void filterFieldColours();
    void moreThan5000LinesEmptyTheView();
    void aReceiveTickTakesTheDueHousekeepingAlong();
    void wrappedLinesCountTowardsTheBound();
};

void LogViewTest::displayText_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("shown");
    QTest::newRow("plain") << "AT" << "AT";
    QTest::newRow("final CR LF ends the line") << "AT\r\n" << "AT";
    QTest::newRow("final lone CR ends the line") << "OK\r" << "OK";
    QTest::newRow("inner CR LF") << "A\r\nB\r" << "A\nB";
    QTest::newRow("inner lone CR") << "A\rB" << "A\nB";
    QTest::newRow("inner lone LF") << "A\nB" << "A\nB";
    QTest::newRow("empty line inside") << "A\r\n\r" << "A\n";
    QTest::newRow("zero byte") << QString::fromLatin1("A\0B", 3) << QString("A") + QChar(0x2400) + "B";
    QTest::newRow("bell and delete") << "\x07x\x7F" << QString(QChar(0x2407)) + "x" + QChar(0x2421);
    QTest::newRow("tab") << "a\tb" << QString("a") + QChar(0x2409) + "b";
    QTest::newRow("cyrillic") << QString::fromUtf8("Привет") << QString::fromUtf8("Привет");
}

void LogViewTest::displayText() {
    QFETCH(QString, line);
    QFETCH(QString, shown);
    QCOMPARE(LogView::displayText(line), shown);
}

void LogViewTest::linesBreakAtCrAndLfAndKeepEmptyLines() {
    LogView view;
    view.appendLine("");  // an empty first line is a line of its own
    view.appendLine("A\r\nB\r");
    view.appendLine("AT\r\n");
    view.appendLine("X");
    QCOMPARE(viewLines(view), QStringList({"", "A", "B", "AT", "X"}));
    QCOMPARE(view.visualLineCount(), 5);
    QCOMPARE(view.wholeText(), QString("\nA\nB\nAT\nX"));

    view.clearLog();
    view.appendLine("Y");
    QCOMPARE(viewLines(view), QStringList({"Y"}));
    QCOMPARE(view.visualLineCount(), 1);

    // An edit from elsewhere between lines; a character that also starts a block.
    view.setPlainText("P\n");
    view.appendLine(QString("Z") + QChar(QChar::ParagraphSeparator) + "W");
    view.appendLine("V");
    QCOMPARE(viewLines(view), QStringList({"P", "Z", "W", "V"}));
}

void LogViewTest::wrappedPiecesAreCountedAlsoAfterAResize() {
    LogView view;
    view.resize(300, 200);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    const QString longLine = QString("0A ").repeated(400).trimmed();  // 1199 characters
    view.appendLine("short");
    view.appendLine(longLine);
    const int narrow = view.visualLineCount();
    QVERIFY2(narrow > 5, qPrintable(QString::number(narrow)));
    // Counted before the block is laid out; the layout finds as many rows.
    const QTextBlock longBlock = view.document()->lastBlock().previous();
    view.document()->documentLayout()->blockBoundingRect(longBlock);
    QCOMPARE(narrow, 1 + longBlock.layout()->lineCount());

    // A paragraph separator also starts a block: the blocks after it are still counted right.
    view.appendLine(QString("A") + QChar(QChar::ParagraphSeparator) + "B\n" + longLine);
    view.document()->documentLayout()->blockBoundingRect(view.document()->lastBlock().previous());
    QCOMPARE(view.visualLineCount(), narrow + 2 + view.document()->lastBlock().previous().layout()->lineCount());

    view.resize(900, 200);
    QTRY_VERIFY(view.visualLineCount() < narrow);
    const int wide = view.visualLineCount();
    QVERIFY(wide > 2);
    // The count matches the layout the view paints with.
    int painted = 0;
    for (QTextBlock b = view.document()->firstBlock(); b != view.document()->lastBlock(); b = b.next()) {
        view.document()->documentLayout()->blockBoundingRect(b);
        painted += b.layout()->lineCount();
    }
    QCOMPARE(wide, painted);

    // A larger font wraps into more pieces.
    QFont f = view.font();
    f.setPointSize(f.pointSize() * 2);
    view.setFont(f);
    QVERIFY(view.visualLineCount() > wide);
}

void LogViewTest::staysAtTheBottomOnlyWhenItWasThere() {
    LogView view;
    view.resize(300, 120);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    for (int i = 0; i < 100; ++i) view.appendLine(QString("line %1").arg(i));
    QScrollBar* bar = view.verticalScrollBar();
    // The scroll range follows the lines at the end of their frame.
    QTRY_VERIFY(bar->maximum() > 50);
    QTRY_COMPARE(bar->value(), bar->maximum());

    bar->setValue(10);
    for (int i = 0; i < 20; ++i) view.appendLine("more");
    QTest::qWait(20);
    QCOMPARE(bar->value(), 10);

    bar->setValue(bar->maximum());
    const int before = bar->maximum();
    view.appendLine("last");
    QTRY_VERIFY(bar->maximum() > before);
    QTRY_COMPARE(bar->value(), bar->maximum());

    // Scrolled away by the user before the view followed: it stays there.
    view.appendLine("one more");
    bar->setValue(20);
    QTest::qWait(2 * LogView::kFrameMs);
    QCOMPARE(bar->value(), 20);

    // Lines that came while the view was hidden (the log paused) are followed when it is shown again.
    bar->setValue(bar->maximum());
    view.hide();
    for (int i = 0; i < 50; ++i) view.appendLine(QString("hidden %1").arg(i));
    view.show();
    QTRY_COMPARE(bar->value(), bar->maximum());
    QVERIFY(view.viewport()->rect().contains(lastLineSpot(view)));
    QVERIFY(bar->isVisible());
}

void LogViewTest::aLineAfterAQuietSpellIsPaintedAtOnce() {
    LogView view;
    view.resize(300, 120);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    for (int i = 0; i < 30; ++i) view.appendLine(QString("line %1").arg(i));
    PaintCounter counter(view.viewport());
    // The last frame of those lines (a flood's) ends at most a frame after them; then a frame of quiet.
    QTest::qWait(LogView::kFloodFrameMs + 2 * LogView::kFrameMs);

    view.appendLine("answer");
    // No waiting: only the events already posted are handled, no frame ends.
    for (int i = 0; i < 5 && !counter.lastCovered(lastLineSpot(view)); ++i) QCoreApplication::processEvents();
    QVERIFY(counter.lastCovered(lastLineSpot(view)));
    QVERIFY(view.viewport()->rect().contains(lastLineSpot(view)));
}

namespace {

// A view under a caption that announces every line, and a caption that never changes.
struct PacedWindow {
    QWidget window;
    LogView* view = new LogView(&window);
    QLabel* caption = new QLabel(&window);
    QLabel* still = new QLabel(QStringLiteral("MIN: 12"), &window);
    std::unique_ptr<PaintCounter> viewPaints, captionPaints, stillPaints;
    int lines = 0;

    explicit PacedWindow(int viewHeight) {
        window.resize(400, viewHeight + 20);
        view->setGeometry(0, 20, 400, viewHeight);
        caption->setGeometry(0, 0, 200, 20);
        still->setGeometry(200, 0, 200, 20);
        view->paceWith(caption);
        view->paceWith(still);
    }
    bool show() {
        window.show();
        if (!QTest::qWaitForWindowExposed(&window)) return false;
        QTest::qWait(3 * LogView::kFloodFrameMs);
        viewPaints = std::make_unique<PaintCounter>(view->viewport());
        captionPaints = std::make_unique<PaintCounter>(caption);
        stillPaints = std::make_unique<PaintCounter>(still);
        return true;
    }
    // A line every `everyMs` for `forMs`, each announced by the caption; returns the time taken.
    // Without `withLines`, only the caption changes, as when every line is filtered out.
    qint64 stream(int everyMs, int forMs, bool withLines = true) {
        QTimer source;
        QObject::connect(&source, &QTimer::timeout, [this, withLines] {
            ++lines;
            view->aboutToChange();
            view->setPacedText(caption, [this] { return QString("Read: %1").arg(lines); });
            if (withLines) view->appendLine(QString("line %1").arg(lines));
        });
        QElapsedTimer clock;
        clock.start();
        source.setTimerType(Qt::PreciseTimer);
        source.start(everyMs);
        // Not qWait: it sleeps 10 ms between its turns of the event loop.
        QEventLoop loop;
        QTimer::singleShot(forMs, &loop, &QEventLoop::quit);
        loop.exec();
        source.stop();
        return clock.elapsed();
    }
};

}  // namespace

void LogViewTest::aSteadyStreamIsPaintedOncePerFrame() {
    // About 40 lines on screen, 4 new ones per frame: the screen is never all new.
    PacedWindow w(600);
    QVERIFY(w.show());
    const double frames = double(w.stream(10, 600)) / LogView::kFrameMs;
    const int viewPaints = w.viewPaints->paints, captionPaints = w.captionPaints->paints;
    QVERIFY2(w.lines > frames, qPrintable(QString("%1 lines in %2 frames").arg(w.lines).arg(frames)));
    // At most once per frame, and at the pace of the short frames, not of a flood.
    const double floodFrames = frames * LogView::kFrameMs / LogView::kFloodFrameMs;
    QVERIFY2(viewPaints > floodFrames + 2 && viewPaints <= frames + 2,
             qPrintable(QString("%1 paints in %2 frames").arg(viewPaints).arg(frames)));
    QVERIFY2(captionPaints >= 2 && captionPaints <= frames + 2,
             qPrintable(QString("%1 caption paints in %2 frames").arg(captionPaints).arg(frames)));
    // A caption whose text stayed as it was is not painted again.
    QCOMPARE(w.stillPaints->paints, 0);

    // The last line and the last caption are painted soon after their change.
    const int viewBefore = w.viewPaints->paints, captionBefore = w.captionPaints->paints;
    w.stream(10, 15);
    QTRY_VERIFY_WITH_TIMEOUT(w.viewPaints->paints > viewBefore && w.viewPaints->lastCovered(lastLineSpot(*w.view)),
                             1000);
    QVERIFY(w.view->viewport()->rect().contains(lastLineSpot(*w.view)));
    // A caption set while the frame is held takes its newest text at the frame's end.
    QTRY_COMPARE_WITH_TIMEOUT(w.caption->text(), QString("Read: %1").arg(w.lines), 1000);
    QTRY_VERIFY_WITH_TIMEOUT(w.captionPaints->paints > captionBefore, 1000);
}

void LogViewTest::aCaptionChangedJustBeforeAFrameIsHeldIsStillPainted() {
    PacedWindow w(300);
    QVERIFY(w.show());
    // One turn of the event loop: a line starts a frame, the caption changes,
    // and the next line holds the frame before the caption's paint had its turn.
    w.still->setText(QStringLiteral("MIN: 7"));
    w.view->appendLine("first");
    w.view->aboutToChange();
    w.view->appendLine("second");
    QTRY_VERIFY_WITH_TIMEOUT(w.stillPaints->paints > 0, 3 * LogView::kFloodFrameMs);
}

void LogViewTest::captionsWithoutLinesArePaintedOncePerFrame() {
    PacedWindow w(300);
    QVERIFY(w.show());
    const double frames = double(w.stream(5, 600, false)) / LogView::kFrameMs;
    QVERIFY2(w.captionPaints->paints >= 2 && w.captionPaints->paints <= frames + 2,
             qPrintable(QString("%1 caption paints for %2 changes in %3 frames")
                            .arg(w.captionPaints->paints).arg(w.lines).arg(frames)));
    QCOMPARE(w.stillPaints->paints, 0);
    // The captions' frame never holds the view: a line right after their last change is painted at once,
    // and the captions with their newest text along with it.
    const int captionPaints = w.captionPaints->paints;
    w.view->appendLine("answer");
    QCOMPARE(w.caption->text(), QString("Read: %1").arg(w.lines));
    for (int i = 0; i < 5 && !w.viewPaints->lastCovered(lastLineSpot(*w.view)); ++i) QCoreApplication::processEvents();
    QVERIFY(w.viewPaints->lastCovered(lastLineSpot(*w.view)));
    QVERIFY(w.captionPaints->paints > captionPaints);
}

void LogViewTest::aFloodIsPaintedAtTheSlowerPace() {
    // About 8 lines on screen, 20 new ones per short frame: every picture would be all new.
    PacedWindow w(120);
    QVERIFY(w.show());
    const double floodFrames = double(w.stream(2, 800)) / LogView::kFloodFrameMs;
    QVERIFY2(w.viewPaints->paints >= 2 && w.viewPaints->paints <= floodFrames + 2,
             qPrintable(QString("%1 paints in %2 flood frames").arg(w.viewPaints->paints).arg(floodFrames)));
    QVERIFY(w.captionPaints->paints <= floodFrames + 2);
    QCOMPARE(w.stillPaints->paints, 0);
    // The end of the flood is shown whole, the caption with its newest text.
    QTRY_VERIFY_WITH_TIMEOUT(w.viewPaints->lastCovered(lastLineSpot(*w.view)), 1000);
    QCOMPARE(viewLines(*w.view).last(), QString("line %1").arg(w.lines));
    QTRY_COMPARE_WITH_TIMEOUT(w.caption->text(), QString("Read: %1").arg(w.lines), 1000);
    // Only the lines of the bottom screen keep their glyphs; the others let them go.
    int cached = 0;
    for (QTextBlock b = w.view->document()->firstBlock(); b.isValid(); b = b.next())
        cached += b.layout()->cacheEnabled() ? 1 : 0;
    const int screenRows = w.view->viewport()->height() / w.view->fontMetrics().lineSpacing() + 2;
    QVERIFY2(cached > 0 && cached <= screenRows, qPrintable(QString("%1 of %2").arg(cached).arg(w.lines)));

    // Once quiet again, a single line is painted at once.
    QTest::qWait(2 * LogView::kFloodFrameMs);
    const int before = w.viewPaints->paints;
    w.view->appendLine("answer");
    for (int i = 0; i < 5 && w.viewPaints->paints == before; ++i) QCoreApplication::processEvents();
    QVERIFY(w.viewPaints->paints > before);
}

void LogViewTest::theScrollBarIsRepaintedWhenItsPictureChanges() {
    LogView view;
    view.resize(300, 600);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QScrollBar* bar = view.verticalScrollBar();
    for (int i = 0; i < 60; ++i) view.appendLine(QString("line %1").arg(i));
    QTRY_VERIFY(bar->isVisible() && bar->value() == bar->maximum());
    QTest::qWait(3 * LogView::kFrameMs);
    PaintCounter barPaints(bar);

    // A stream into a short log: the slider shrinks all the while, and it is
    // painted in the frames of the view, the last change included.
    int paintsBeforeLast = 0;
    QTimer source;
    QObject::connect(&source, &QTimer::timeout, [&] {
        paintsBeforeLast = barPaints.paints;
        view.appendLine("more");
    });
    source.start(2);
    QTest::qWait(400);
    source.stop();
    QVERIFY2(barPaints.paints >= 3, qPrintable(QString::number(barPaints.paints)));
    QTRY_VERIFY(barPaints.paints > paintsBeforeLast);

    for (int i = 0; i < 2000; ++i) view.appendLine(QString("line %1").arg(i));
    QTRY_COMPARE(bar->value(), bar->maximum());
    QTest::qWait(3 * LogView::kFrameMs);
    barPaints.paints = 0;

    // Lines added at the bottom of a long log leave the slider as it was.
    const int maximum = bar->maximum();
    for (int i = 0; i < 40; ++i) {
        view.appendLine("more");
        QTest::qWait(5);
    }
    QTRY_VERIFY(bar->maximum() > maximum && bar->value() == bar->maximum());
    QTest::qWait(3 * LogView::kFrameMs);
    QVERIFY2(barPaints.paints <= 3, qPrintable(QString::number(barPaints.paints)));

    // The slider moved: painted again.
    const int before = barPaints.paints;
    bar->setValue(0);
    QTRY_VERIFY(barPaints.paints > before);
}

void LogViewTest::pauseShowsTheOldLinesAndNewLinesAppearOnResume() {
    FormRig rig;
    rig.form().show();
    QApplication::clipboard()->setText("user's own");
    rig.showLine("old 1\r");
    rig.showLine("old 2");

    rig.click("StartStop");
    QCOMPARE(rig.tag("StartStop"), 1);
    QCOMPARE(rig.text("StartStop"), QString(">"));
    QVERIFY(rig.visible("SecondWindow"));
    QVERIFY(!rig.visible("MainWindow"));
    const QString frozen = "old 1\nold 2\n\n" + kStop;
    QCOMPARE(rig.text("SecondWindow"), frozen);

    for (int i = 1; i <= 10; ++i) rig.showLine("new " + std::to_string(i));
    QCOMPARE(rig.text("SecondWindow"), frozen);

    rig.click("StartStop");
    QCOMPARE(rig.tag("StartStop"), 0);
    QCOMPARE(rig.text("StartStop"), QString("||"));
    QVERIFY(rig.visible("MainWindow"));
    QVERIFY(!rig.visible("SecondWindow"));
    QVERIFY(rig.text("SecondWindow").isEmpty());
    const QStringList lines = rig.logLines();
    QCOMPARE(lines.size(), 12);
    QCOMPARE(lines.first(), QString("old 1"));
    QCOMPARE(lines.last(), QString("new 10"));
    QCOMPARE(QApplication::clipboard()->text(), QString("user's own"));
}

void LogViewTest::pauseOfAnEmptyLogShowsTheStopLine() {
    FormRig rig;
    rig.click("StartStop");
    QCOMPARE(rig.text("SecondWindow"), "\n" + kStop);
}

void LogViewTest::clearEmptiesOnlyTheLog() {
    FormRig rig;
    rig.showLine("a");
    rig.ctl<QPlainTextEdit>("SecondWindow")->setPlainText("kept");
    rig.click("BTLog");
    QVERIFY(rig.ctl<LogView>("MainWindow")->wholeText().isEmpty());
    QCOMPARE(rig.text("SecondWindow"), QString("kept"));
}

void LogViewTest::sixColourClicksReturnToTheStart() {
    FormRig rig;
    struct Step {
        std::uint32_t back, text;
    };
    const Step steps[6] = {{0xFF00000B, 0xFF000008}, {0xFF00001E, 0xFF000008}, {0x00FFFF00, 0xFF000008},
                           {0x00000000, 0x0000FF00}, {0x000000FF, 0x00FF0000}, {0xFF000005, 0xFF000008}};
    const char* const six[] = {"MainStrCmd", "FastOldCmd", "AddStrCmd", "OldCmdList", "LBTail", "MainWindow"};
    const QPalette secondBefore = rig.ctl<QPlainTextEdit>("SecondWindow")->palette();
    for (int i = 0; i < 6; ++i) {
        rig.click("BTPalitra");
        QCOMPARE(rig.tag("BTPalitra"), (i + 1) % 6);
        for (const char* name : six) {
            QWidget* w = rig.ctl(name);
            QCOMPARE(colorValue(w, true), steps[i].back);
            QCOMPARE(colorValue(w, false), steps[i].text);
            QCOMPARE(w->palette().color(QPalette::Base), colorFromValue(steps[i].back));
            QCOMPARE(w->palette().color(QPalette::Text), colorFromValue(steps[i].text));
        }
    }
    // The explicit colours are the named ones.
    QCOMPARE(colorFromValue(0x00FFFF00), QColor(0, 255, 255));
    QCOMPARE(colorFromValue(0x0000FF00), QColor(0, 255, 0));
    QCOMPARE(colorFromValue(0x000000FF), QColor(255, 0, 0));
    QCOMPARE(colorFromValue(0x00FF0000), QColor(0, 0, 255));
    QCOMPARE(valueOfColor(QColor(0x12, 0x34, 0x56)), 0x00563412u);
    QCOMPARE(rig.ctl<QPlainTextEdit>("SecondWindow")->palette().color(QPalette::Base), secondBefore.color(QPalette::Base));
}

void LogViewTest::fontSizeStopsAt2And100() {
    FormRig rig;
    rig.setLogFontSize(99);
    rig.arrow("Srift", true);
    rig.arrow("Srift", true);
    QCOMPARE(rig.logFontSize(), 100);
    QCOMPARE(rig.text("SriftText"), QString("100"));
    QCOMPARE(rig.ctl<LogView>("MainWindow")->font().pointSize(), 100);
    QCOMPARE(rig.ctl<QPlainTextEdit>("SecondWindow")->font().pointSize(), 100);

    rig.setLogFontSize(3);
    rig.arrow("Srift", false);
    rig.arrow("Srift", false);
    QCOMPARE(rig.logFontSize(), 2);
    QCOMPARE(rig.text("SriftText"), QString("2"));
    QCOMPARE(rig.ctl<LogView>("MainWindow")->font().pointSize(), 2);
    QCOMPARE(rig.ctl<QPlainTextEdit>("SecondWindow")->font().pointSize(), 2);
}

void LogViewTest::outputModeButtonsSetTheTail() {
    FormRig rig;
    rig.fill("AddStrCmd", "$0D$0A");
    rig.check("RBHEX");
    QVERIFY(rig.text("AddStrCmd").isEmpty());
    rig.fill("AddStrCmd", "0A");
    rig.check("RBASCII");
    QCOMPARE(rig.text("AddStrCmd"), QString("$0D"));
    // Checking a button that is already checked changes nothing.
    rig.fill("AddStrCmd", "x");
    rig.check("RBASCII");
    QCOMPARE(rig.text("AddStrCmd"), QString("x"));
}

void LogViewTest::filterFieldColours() {
    FormRig rig;
    rig.show();
    const QColor yellow(255, 255, 0);
    const QColor face = colorFromValue(colorValue(&rig.form(), true));
    QVERIFY(face != yellow);

    QWidget* filter = rig.ctl("FiltrLog");
    rig.click("FiltrLog");
    QCOMPARE(filter->palette().color(QPalette::Base), yellow);
    QCOMPARE(colorValue(filter, true), 0x0000FFFFu);

    QFocusEvent out(QEvent::FocusOut);
    QApplication::sendEvent(filter, &out);
    QCOMPARE(filter->palette().color(QPalette::Base), face);

    rig.fill("FiltrLog", "OK");
    QApplication::sendEvent(filter, &out);
    QCOMPARE(filter->palette().color(QPalette::Base), yellow);
}

void LogViewTest::moreThan5000LinesEmptyTheView() {
    FormRig rig;
    for (int i = 1; i <= 5000; ++i) rig.showLine("line " + std::to_string(i));
    rig.boundLog();
    QCOMPARE(rig.ctl<LogView>("MainWindow")->visualLineCount(), 5000);
    QCOMPARE(rig.logLines().last(), QString("line 5000"));

    rig.showLine("line 5001");
    QTRY_VERIFY_WITH_TIMEOUT(rig.ctl<LogView>("MainWindow")->wholeText().isEmpty(), 1000);
    rig.showLine("after");
    QCOMPARE(rig.logLines(), QStringList({"after"}));
}

void LogViewTest::aReceiveTickTakesTheDueHousekeepingAlong() {
    FormRig rig;
    QTimer* housekeeping = rig.ctl<QTimer>("CustomFunctions");
    QTimer* rxTimer = rig.ctl<QTimer>("RxTimer");
    QWidget* list = rig.ctl("FastOldCmd");
    QWidget* line = rig.ctl("MainStrCmd");
    const auto fieldsApart = [&] {
        list->resize(line->width() + 7, list->height());
        return list->width() != line->width();
    };
    // Not yet due: the tick leaves it to its own timer.
    housekeeping->start();
    QVERIFY(fieldsApart());
    FormRig::fire(rxTimer);
    QVERIFY(list->width() != line->width());

    // Due within a millisecond: it runs now, and its next tick is 10 ms away.
    QDeadlineTimer deadline(1000);
    while (housekeeping->remainingTime() > 1 && !deadline.hasExpired()) {
    }
    FormRig::fire(rxTimer);
    QCOMPARE(list->width(), line->width());
    QVERIFY2(housekeeping->remainingTime() >= 8, qPrintable(QString::number(housekeeping->remainingTime())));
}

void LogViewTest::wrappedLinesCountTowardsTheBound() {
    FormRig rig;
    rig.show();
    // Each line wraps into several pieces, so far fewer than 5000 lines fill the view.
    const std::string wide(1000, 'W');
    const LogView* view = rig.ctl<LogView>("MainWindow");
    int blocksBeforeClear = 0;
    int previous = 0;
    for (int i = 0; i < 5000 && blocksBeforeClear == 0; ++i) {
        rig.showLine(wide);
        rig.boundLog();
        const int blocks = view->document()->blockCount();
        if (blocks < previous) blocksBeforeClear = previous;
        previous = blocks;
    }
    QVERIFY2(blocksBeforeClear > 0, "the view was never emptied");
    QVERIFY2(blocksBeforeClear < 2600, qPrintable(QString::number(blocksBeforeClear)));
}

QTEST_MAIN(LogViewTest)
#include "tst_log_view.moc"
