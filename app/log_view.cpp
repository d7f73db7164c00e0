#include "app/log_view.h"

#include <QAbstractTextDocumentLayout>
#include <QEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>

namespace vantrel {

LogView::LogView(QWidget* parent) : QPlainTextEdit(parent) {
    setReadOnly(true);
    // A log never takes back what it showed; an undo stack would only grow.
    setUndoRedoEnabled(false);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    useUnshapedText();
}

// Log text needs no ligatures or kerning; laying it out without shaping is
// about twice as fast for long HEX lines.
void LogView::useUnshapedText() {
    QFont f = document()->defaultFont();
    if (f.styleStrategy() & QFont::PreferNoShaping) return;
    f.setStyleStrategy(QFont::StyleStrategy(f.styleStrategy() | QFont::PreferNoShaping));
    document()->setDefaultFont(f);
}

QString LogView::displayText(const QString& line) {
    // Most lines hold no control character at all: they are shown as they are.
    const auto isControl = [](QChar ch) { return ch.unicode() < 0x20 || ch.unicode() == 0x7F; };
    if (std::none_of(line.begin(), line.end(), isControl)) return line;

    QString out;
    out.reserve(line.size());
    const qsizetype n = line.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = line.at(i).unicode();
        if (c == u'\r') {
            if (i + 1 < n && line.at(i + 1) == u'\n') ++i;
            out += u'\n';
        } else if (c == u'\n') {
            out += u'\n';
        } else if (c < 0x20) {
            out += QChar(char16_t(0x2400 + c));  // the Unicode control pictures
        } else if (c == 0x7F) {
            out += QChar(char16_t(0x2421));
        } else {
            out += QChar(c);
        }
    }
    if (out.endsWith(u'\n')) out.chop(1);
    return out;
}

// The document always ends with an empty block: a line goes into it and
// brings the next empty one, so no earlier line changes and none is laid
// out again.
void LogView::appendLine(const QString& line) {
    QScrollBar* bar = verticalScrollBar();
    const bool atBottom = followPending_ || bar->value() >= bar->maximum();

    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    const int first = cursor.blockNumber();
    cursor.insertText(displayText(line) + u'\n');

    layOutFrom(document()->findBlockByNumber(first));
    if (atBottom && !followPending_) {
        // One scroll per turn of the event loop: scrolling after every line
        // would move the whole picture once per line.
        followPending_ = true;
        QMetaObject::invokeMethod(this, &LogView::followBottom, Qt::QueuedConnection);
    }
}

void LogView::followBottom() {
    if (!followPending_) return;
    followPending_ = false;
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

// Laying out only the new blocks keeps the line count exact at a cost that
// does not grow with the lines already shown.
void LogView::layOutFrom(const QTextBlock& first) const {
    QAbstractTextDocumentLayout* layout = document()->documentLayout();
    for (QTextBlock b = first; b.isValid(); b = b.next()) layout->blockBoundingRect(b);
}

void LogView::clearLog() {
    clear();
    followPending_ = false;
    layoutStale_ = false;
}

int LogView::visualLineCount() const {
    if (layoutStale_) {
        layOutFrom(document()->firstBlock());
        layoutStale_ = false;
    }
    return document()->lineCount() - 1;  // not the empty block at the end
}

QString LogView::wholeText() const {
    QString text = toPlainText();
    text.chop(1);  // the break before the empty block at the end
    return text;
}

void LogView::resizeEvent(QResizeEvent* event) {
    QPlainTextEdit::resizeEvent(event);
    layoutStale_ = true;
}

void LogView::changeEvent(QEvent* event) {
    QPlainTextEdit::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        useUnshapedText();
        layoutStale_ = true;
    }
}

}  // namespace vantrel
