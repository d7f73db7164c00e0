#include "app/log_view.h"

#include <QAbstractTextDocumentLayout>
#include <QEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace vantrel {

LogView::LogView(QWidget* parent) : QPlainTextEdit(parent) {
    setReadOnly(true);
    // A log never takes back what it showed; an undo stack would only grow.
    setUndoRedoEnabled(false);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
}

QString LogView::displayText(const QString& line) {
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

void LogView::appendLine(const QString& line) {
    QScrollBar* bar = verticalScrollBar();
    const bool atBottom = bar->value() >= bar->maximum();

    QTextCursor cursor(document());
    cursor.beginEditBlock();
    cursor.movePosition(QTextCursor::End);
    if (hasContent_) cursor.insertBlock();
    const QTextBlock first = cursor.block();
    cursor.insertText(displayText(line));
    cursor.endEditBlock();
    hasContent_ = true;

    layOutFrom(first);
    if (atBottom) bar->setValue(bar->maximum());
}

// Laying out only the new blocks keeps the line count exact at a cost that
// does not grow with the lines already shown.
void LogView::layOutFrom(const QTextBlock& first) const {
    QAbstractTextDocumentLayout* layout = document()->documentLayout();
    for (QTextBlock b = first; b.isValid(); b = b.next()) layout->blockBoundingRect(b);
}

void LogView::clearLog() {
    clear();
    hasContent_ = false;
    layoutStale_ = false;
}

int LogView::visualLineCount() const {
    if (layoutStale_) {
        layOutFrom(document()->firstBlock());
        layoutStale_ = false;
    }
    return document()->lineCount();
}

QString LogView::wholeText() const { return toPlainText(); }

void LogView::resizeEvent(QResizeEvent* event) {
    QPlainTextEdit::resizeEvent(event);
    layoutStale_ = true;
}

void LogView::changeEvent(QEvent* event) {
    QPlainTextEdit::changeEvent(event);
    if (event->type() == QEvent::FontChange) layoutStale_ = true;
}

}  // namespace vantrel
