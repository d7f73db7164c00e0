#include "rx/ui/log_view.h"

#include <QAbstractTextDocumentLayout>
#include <QAccessible>
#include <QCoreApplication>
#include <QEvent>
#include <QFontInfo>
#include <QGlyphRun>
#include <QLabel>
#include <QRawFont>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>

#include <algorithm>

namespace vantrel {

// Slow to paint, and over a long log most lines leave its picture as it was: repainted only when that changes.
class LogScrollBar final : public QScrollBar {
public:
    explicit LogScrollBar(QWidget* parent) : QScrollBar(Qt::Vertical, parent) {}

    // Held, changes wait for the frame's end: the view follows the bottom only then.
    void hold(bool on) {
        held_ = on;
        if (!on && look() != painted_) update();
    }

protected:
    void sliderChange(SliderChange change) override {
        // Hidden, nothing is painted; shown again, it is painted whole.
        if (!isVisible() || held_ || look() == painted_) return;
        QScrollBar::sliderChange(change);
    }

    void paintEvent(QPaintEvent* event) override {
        painted_ = look();
        QScrollBar::paintEvent(event);
    }

private:
    // Besides size, state and palette, which repaint on their own.
    struct Look {
        QRect slider;
        bool atMinimum = false, atMaximum = false;
        bool operator==(const Look&) const = default;
    };

    Look look() const {
        QStyleOptionSlider option;
        initStyleOption(&option);
        return {style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this),
                value() == minimum(), value() == maximum()};
    }

    Look painted_;
    bool held_ = false;
};

LogView::LogView(QWidget* parent) : QPlainTextEdit(parent) {
    setReadOnly(true);
    // A log never takes back what it showed; an undo stack would only grow.
    setUndoRedoEnabled(false);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    useLogFont();
    end_ = QTextCursor(document());
    // Our own inserts are quiet: this hears every other edit.
    connect(document(), &QTextDocument::contentsChange, this, [this] { atEndKnown_ = false; });
    bar_ = new LogScrollBar(this);
    setVerticalScrollBar(bar_);
    // Always there: a new line need not ask whether the bar should appear.
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    frameTimer_.setSingleShot(true);
    connect(&frameTimer_, &QTimer::timeout, this, &LogView::showFrame);
    captionTimer_.setSingleShot(true);
    connect(&captionTimer_, &QTimer::timeout, this, [this] {
        if (held_) return;  // the view's frame holds them as well and lets them go at its end
        sinceCaptions_.start();
        holdCaptions(false);
        // Painted now, as at the end of the view's frame: the next change would hold them before the paint's turn.
        QCoreApplication::sendPostedEvents(window(), QEvent::UpdateRequest);
    });
}

// Log text needs no ligatures or kerning; laying it out without shaping is
// about twice as fast for long HEX lines.
void LogView::useLogFont() {
    fallbacksNamed_ = false;  // the document has the widget's font again, unshaped or not
    QFont f = document()->defaultFont();
    if (f.styleStrategy() & QFont::PreferNoShaping) return;
    f.setStyleStrategy(QFont::StyleStrategy(f.styleStrategy() | QFont::PreferNoShaping));
    document()->setDefaultFont(f);
}

namespace {

// How one line of the text is drawn: its height, and each glyph run's font, glyphs and places.
struct DrawnRun {
    QString family, style;
    qreal pixelSize = 0;
    QList<quint32> glyphs;
    QList<QPointF> positions;
    bool operator==(const DrawnRun&) const = default;
};
struct Drawn {
    qreal ascent = 0, descent = 0;
    QList<DrawnRun> runs;
    bool operator==(const Drawn&) const = default;
};

Drawn drawn(const QString& text, const QFont& font) {
    QTextLayout layout(text, font);
    layout.beginLayout();
    const QTextLine line = layout.createLine();  // not given a width: the whole text in one line
    layout.endLayout();
    Drawn d{line.ascent(), line.descent(), {}};
    for (const QGlyphRun& run : layout.glyphRuns()) {
        const QRawFont raw = run.rawFont();
        d.runs.append({raw.familyName(), raw.styleName(), raw.pixelSize(), run.glyphIndexes(), run.positions()});
    }
    return d;
}

}  // namespace

// A character the font lacks is otherwise looked for in each font of the system's
// fallback list in turn, every time a line with it is laid out (a third of the
// layout of random bytes, whose control pictures come from a symbol font).
QFont LogView::withFallbacksNamed(const QFont& font) {
    const QString shown = WrapCounter::characters();
    const Drawn before = drawn(shown, font);
    const QString own = QFontInfo(font).family();
    QStringList families = font.families();
    if (families.isEmpty()) families << font.family();
    const qsizetype given = families.size();
    for (const DrawnRun& run : before.runs)
        if (run.family != own && !families.contains(run.family)) families << run.family;
    if (families.size() == given) return font;
    QFont named = font;
    named.setFamilies(families);
    return drawn(shown, named) == before ? named : font;
}

QString LogView::displayText(const QString& line) {
    // Most lines hold no control character at all: they are shown as they are.
    // U+F898 stands for byte 0x98, which has no Windows-1251 character.
    const auto isControl = [](QChar ch) {
        return ch.unicode() < 0x20 || ch.unicode() == 0x7F || ch.unicode() == 0xF898;
    };
    if (std::none_of(line.begin(), line.end(), isControl)) return line;

    // Written in place: never longer than the line. Random bytes hold a control character in every eighth.
    const qsizetype n = line.size();
    QString out(n, Qt::Uninitialized);
    const char16_t* in = reinterpret_cast<const char16_t*>(line.constData());
    char16_t* o = reinterpret_cast<char16_t*>(out.data());
    char16_t* const begin = o;
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = in[i];
        if (c >= 0x20 && c != 0x7F && c != 0xF898) {
            *o++ = c;
        } else if (c == u'\r') {
            if (i + 1 < n && in[i + 1] == u'\n') ++i;
            *o++ = u'\n';
        } else if (c == u'\n') {
            *o++ = u'\n';
        } else if (c == 0xF898) {
            *o++ = char16_t(0xFFFD);  // the replacement character: a byte without a character
        } else {
            *o++ = c == 0x7F ? char16_t(0x2421) : char16_t(0x2400 + c);  // the Unicode control pictures
        }
    }
    if (o > begin && o[-1] == u'\n') --o;
    out.truncate(o - begin);
    return out;
}

// The document always ends with an empty block: a line goes into it and
// brings the next empty one, so no earlier line changes and none is laid
// out again.
void LogView::appendLine(const QString& line) {
    pace(true);  // before the text changes: a change requests its paint at once
    QScrollBar* bar = verticalScrollBar();
    const bool atBottom = bar->value() >= bar->maximum();
    // Lines that came earlier and are not followed yet keep the view behind the maximum;
    // at it, the user is at the bottom now, whatever happened since they came.
    if (atBottom) followFrom_ = bar->value();

    // Left at the end by the last line: moving it there again would lay out the empty block each
    // time, and even asking walks the document's fragments. Only another edit moves it.
    if (!atEndKnown_ && !end_.atEnd()) end_.movePosition(QTextCursor::End);
    const QString shown = displayText(line);
    const int first = document()->blockCount() - 1;  // the empty block at the end, where the cursor is
    {
        // The bar is always shown, so the layout pass that each new range queues would change nothing.
        const QSignalBlocker quietBar(bar);
        // The view hears of new lines once per frame (syncView): per line it would lay out and repaint each.
        const QSignalBlocker quietLayout(document()->documentLayout());
        // Its edit notices go to the view's own cursor and text signals, which a read-only
        // log does not need, unless an assistive technology follows the text.
        const QSignalBlocker quietDocument(QAccessible::isActive() ? nullptr : document());
        // In an edit block the cursor does not lay out the new empty block to find its x.
        end_.beginEditBlock();
        // The format given: asking the cursor for it costs a lookup per line.
        end_.insertText(shown + u'\n', QTextCharFormat());
        end_.endEditBlock();
    }
    atEndKnown_ = true;
    viewStale_ = true;

    countFrom(document()->findBlockByNumber(first), true, shown);
    if (!held_ && isVisible()) syncView();
    if (atBottom && !followPending_) {
        // One scroll per turn of the event loop: scrolling after every line
        // would move the whole picture once per line. Held, the frame's end
        // scrolls; hidden, the next show does.
        followPending_ = true;
        if (!held_ && isVisible()) QMetaObject::invokeMethod(this, &LogView::followBottom, Qt::QueuedConnection);
    }
}

// Tells the view what the lines added since the last call changed: its scroll range and its picture.
void LogView::syncView() {
    if (!viewStale_) return;
    viewStale_ = false;
    keepBottomGlyphs();
    QAbstractTextDocumentLayout* layout = document()->documentLayout();
    emit layout->documentSizeChanged(layout->documentSize());
    emit layout->update();
}

// A line's layout forgets its glyphs once laid out, so every paint would find
// them again. The lines of the bottom screen, laid out and painted frame after
// frame while the log flows, keep theirs until they leave it.
void LogView::keepBottomGlyphs() {
    // A row more for one cut at the top.
    const int keptRows = screenRows() + 1;
    int rows = 0;
    QTextBlock b = document()->lastBlock();
    for (; b.isValid() && rows <= keptRows; b = b.previous()) {
        rows += std::max(b.lineCount(), 1);
        QTextLayout* layout = b.layout();
        if (layout->cacheEnabled()) continue;
        layout->setCacheEnabled(true);
        cachedBlocks_.push_back(b.blockNumber());
    }
    const int firstKept = b.isValid() ? b.blockNumber() + 1 : 0;
    const auto left = std::partition(cachedBlocks_.begin(), cachedBlocks_.end(), [&](int n) { return n >= firstKept; });
    for (auto it = left; it != cachedBlocks_.end(); ++it) {
        QTextLayout* layout = document()->findBlockByNumber(*it).layout();
        layout->setCacheEnabled(false);
        // An empty layout pass lets the glyphs go; the view lays the line out again if it shows it.
        if (layout->lineCount() > 0) {
            layout->beginLayout();
            layout->endLayout();
        }
    }
    cachedBlocks_.erase(left, cachedBlocks_.end());
}

int LogView::screenRows() const { return viewport()->height() / std::max(fontMetrics().lineSpacing(), 1); }

void LogView::followBottom() {
    // Held, the frame's end follows, once the scroll range knows the lines of the frame.
    if (!followPending_ || held_) return;
    followPending_ = false;
    syncView();
    QScrollBar* bar = verticalScrollBar();
    if (bar->value() == followFrom_) bar->setValue(bar->maximum());
}

void LogView::paceWith(QWidget* widget) {
    paced_.append(Paced{widget, {}, {}});
    widget->installEventFilter(this);
}

void LogView::aboutToChange() { pace(false); }

void LogView::captionsChanging() {
    if (!held_ && window()->isVisible() && !frameRunning()) paceCaptions();
}

bool LogView::frameRunning() const { return sinceFrame_.isValid() && sinceFrame_.elapsed() < frameMs_; }

// Setting a caption's text costs more than painting it; in a flood only the last text of a frame is shown.
void LogView::setPacedText(QLabel* label, std::function<QString()> text) {
    for (Paced& p : paced_) {
        if (p.widget != label) continue;
        if (captionsHeld()) {
            p.heldText = std::move(text);
            return;
        }
        // A text set now also drops one that waits, so an older text never comes after it.
        p.heldText = nullptr;
        break;
    }
    label->setText(text());
}

// Every appended line repaints the whole text area: a steady stream is painted once per frame.
void LogView::pace(bool lineComing) {
    if (held_ || !window()->isVisible()) return;
    if (!frameRunning()) {
        // Only a line starts a frame: the captions change just before the line they announce.
        if (!lineComing) {
            paceCaptions();
            return;
        }
        startFrame();
        // The line is painted at once, and the captions that announce it with it.
        if (captionsHeld()) holdCaptions(false);
        return;
    }
    held_ = true;
    holdPaints(true);
    frameTimer_.start(int(frameMs_ - sinceFrame_.elapsed()));
}

// Without lines to show, a fast stream would repaint its captions with every packet. Their frame
// never holds the view, so the next line is still painted at once.
void LogView::paceCaptions() {
    if (captionsHeld()) return;
    if (!sinceCaptions_.isValid() || sinceCaptions_.elapsed() >= kFrameMs) {
        sinceCaptions_.start();
        return;
    }
    holdCaptions(true);
    captionTimer_.start(int(kFrameMs - sinceCaptions_.elapsed()));
}

void LogView::startFrame() {
    sinceFrame_.start();
    const int lines = document()->lineCount();
    frameMs_ = lines - linesAtFrame_ > screenRows() ? kFloodFrameMs : kFrameMs;
    linesAtFrame_ = lines;
}

void LogView::showFrame() {
    held_ = false;
    syncView();
    followBottom();
    startFrame();
    holdPaints(false);
    // Painted now: a line coming before the paint's turn would hold it again, and the frame would be lost.
    QCoreApplication::sendPostedEvents(window(), QEvent::UpdateRequest);
}

// Not the view itself: it may be a window, and a window whose updates were disabled is not painted again.
void LogView::holdPaints(bool hold) {
    viewport()->setUpdatesEnabled(!hold);
    bar_->hold(hold);
    holdCaptions(hold);
}

void LogView::holdCaptions(bool hold) {
    if (!hold) captionTimer_.stop();
    for (Paced& p : paced_) {
        if (!p.widget) continue;
        // Set directly: enabling updates the usual way repaints the widget, changed or not.
        p.widget->setAttribute(Qt::WA_ForceUpdatesDisabled, hold);
        p.widget->setAttribute(Qt::WA_UpdatesDisabled, hold);
        if (hold) continue;
        // Compared with what was painted: a paint still waiting when the frame was held is lost.
        auto* label = qobject_cast<QLabel*>(p.widget.data());
        if (label && p.heldText) label->setText(p.heldText());
        p.heldText = nullptr;
        if (!label || label->text() != p.paintedText) p.widget->update();
    }
}

bool LogView::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Paint) {
        for (Paced& p : paced_)
            if (p.widget == watched)
                if (auto* label = qobject_cast<QLabel*>(p.widget.data())) p.paintedText = label->text();
    }
    return QPlainTextEdit::eventFilter(watched, event);
}

// Counting the rows of the new blocks only keeps the line count exact at a
// cost that does not grow with the lines already shown. Rows are counted
// without laying the block out where the counter can; the view lays out
// what it shows.
void LogView::countFrom(const QTextBlock& first, bool fresh, QStringView shown) const {
    QAbstractTextDocumentLayout* layout = document()->documentLayout();
    bool ready = false;  // the counter is set up for the font and the width
    for (QTextBlock b = first; b.isValid(); b = b.next()) {
        // The block's text from the text just inserted, its lines in order, which spares a copy;
        // a character that also starts a block (a paragraph separator) ends that at once.
        QStringView text;
        if (!shown.isNull()) {
            const qsizetype end = shown.indexOf(u'\n');
            text = shown.first(end < 0 ? shown.size() : end);
            shown = end < 0 ? QStringView() : shown.sliced(end + 1);
            if (text.size() != b.length() - 1) shown = text = QStringView();
        }
        // New lines are not laid out yet (and asking would create a layout for each).
        if (!fresh && b.layout()->lineCount() > 0) continue;  // laid out already: its count is the layout's
        if (b.length() <= 1) continue;              // an empty block is one row
        if (!ready) {
            ready = true;
            QFont font = document()->defaultFont();
            if (!fallbacksNamed_) {
                // With the first line, not at start-up: finding them loads every font they name.
                fallbacksNamed_ = true;
                const QFont named = withFallbacksNamed(font);
                // Drawn exactly as before: the rows counted so far stay.
                if (named != font) document()->setDefaultFont(named);
                font = named;
            }
            if (wrapWidth_ != viewport()->width() || !wrap_.configuredFor(font)) {
                // The row's width as the layout takes it, from a block laid out for real.
                layout->blockBoundingRect(b);
                wrapWidth_ = viewport()->width();
                wrap_.configure(font, b.layout()->lineAt(0).width(), document()->defaultTextOption());
                continue;
            }
        }
        const int rows = text.isNull() ? wrap_.rows(b.text()) : wrap_.rows(text);
        if (rows > 0) b.setLineCount(rows);
        else layout->blockBoundingRect(b);
    }
}

void LogView::clearLog() {
    clear();
    cachedBlocks_.clear();
    followPending_ = false;
    layoutStale_ = false;
    linesAtFrame_ = 0;
}

int LogView::visualLineCount() const {
    if (layoutStale_) {
        countFrom(document()->firstBlock(), false);
        layoutStale_ = false;
    }
    return document()->lineCount() - 1;  // not the empty block at the end
}

QString LogView::wholeText() const {
    QString text = toPlainText();
    text.chop(1);  // the break before the empty block at the end
    return text;
}

void LogView::showEvent(QShowEvent* event) {
    QPlainTextEdit::showEvent(event);
    syncView();
    // After the resizes and layouts that come with showing.
    if (followPending_) QMetaObject::invokeMethod(this, &LogView::followBottom, Qt::QueuedConnection);
}

void LogView::resizeEvent(QResizeEvent* event) {
    QPlainTextEdit::resizeEvent(event);
    layoutStale_ = true;
}

void LogView::changeEvent(QEvent* event) {
    QPlainTextEdit::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        useLogFont();
        layoutStale_ = true;
    }
}

}  // namespace vantrel
