#pragma once
// The traffic log: one appended line per packet, shown as the user reads it.
// Its vertical scroll bar is always shown.
#include <QElapsedTimer>
#include <QList>
#include <QPlainTextEdit>
#include <QPointer>
#include <QString>
#include <QTextCursor>
#include <QTimer>

#include <functional>
#include <vector>

#include "rx/ui/wrap_count.h"

class QLabel;

namespace vantrel {

class LogScrollBar;

class LogView : public QPlainTextEdit {
    Q_OBJECT
public:
    // While lines keep coming, at most one paint per frame; a line after a quiet spell is painted at once.
    static constexpr int kFrameMs = 40;
    // A frame after one that brought a whole screen of new lines: nobody reads a flood line by line.
    static constexpr int kFloodFrameMs = 250;

    explicit LogView(QWidget* parent = nullptr);

    // Appends one log line at the end. A CR, an LF or a CR LF inside the line
    // starts a new view line; a break at the very end only ends the line.
    void appendLine(const QString& line);
    void clearLog();
    // Lines as the view shows them, wrapped pieces included.
    int visualLineCount() const;
    // Everything shown, view lines joined by "\n".
    QString wholeText() const;

    // The text as the view shows it: breaks as "\n", other control
    // characters as their visible symbols.
    static QString displayText(const QString& line);
    // The font with the fonts that draw the characters it lacks named after its own, if every
    // character a log line shows is then drawn exactly as before; otherwise the font itself.
    static QFont withFallbacksNamed(const QFont& font);

    // Widgets that change with every received line (the traffic captions), painted in the view's frames.
    void paceWith(QWidget* widget);
    // Before a change to those widgets: within a frame of the last paint, it waits for the frame's end.
    void aboutToChange();
    // Before a change to them that follows its line instead of announcing one (the send side's):
    // paced only while no frame of the view runs, so the line just shown is never held.
    void captionsChanging();
    // A paced caption's new text: while a frame holds the paint, made and set at the frame's end,
    // so a flood makes only the text that is shown.
    void setPacedText(QLabel* label, std::function<QString()> text);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // `shown`: the text just inserted from `first` on, when there is one.
    void countFrom(const QTextBlock& first, bool fresh, QStringView shown = {}) const;
    void syncView();
    void keepBottomGlyphs();
    int screenRows() const;  // whole rows the viewport shows
    void followBottom();
    void useLogFont();
    void pace(bool lineComing);
    void paceCaptions();
    void showFrame();
    void holdPaints(bool hold);
    void holdCaptions(bool hold);
    bool frameRunning() const;  // a frame of the view started by a line has not ended yet
    bool captionsHeld() const { return held_ || captionTimer_.isActive(); }
    void startFrame();

    bool followPending_ = false;       // lines came while at the bottom; scroll there soon
    int followFrom_ = 0;               // the scroll position then; moved by the user, no follow
    bool held_ = false;                // painting waits for the frame timer
    QElapsedTimer sinceFrame_;
    int frameMs_ = kFrameMs;           // the length of the running frame
    int linesAtFrame_ = 0;             // the view lines when it started
    QTimer frameTimer_;
    // Captions changing while no line comes (all filtered out, or line feeds alone) have frames of their own.
    QElapsedTimer sinceCaptions_;
    QTimer captionTimer_;  // runs while their own frame holds them
    struct Paced {
        QPointer<QWidget> widget;
        QString paintedText;              // a caption's text as last painted
        std::function<QString()> heldText;  // makes its newest text at the frame's end
    };
    QList<Paced> paced_;
    LogScrollBar* bar_ = nullptr;
    QTextCursor end_;
    bool atEndKnown_ = false;          // end_ is at the end: no other edit came since the last line
    mutable bool layoutStale_ = false; // a width or font change dropped the line layouts
    mutable bool fallbacksNamed_ = false;  // withFallbacksNamed has set the document's font
    bool viewStale_ = false;           // lines added that the view has not heard of
    std::vector<int> cachedBlocks_;    // lines whose layouts keep their glyphs
    mutable WrapCounter wrap_;
    mutable int wrapWidth_ = -1;       // the view's width when the counter was set up
};

}  // namespace vantrel
