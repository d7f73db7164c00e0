#pragma once
// The traffic log: one appended line per packet, shown as the user reads it.
#include <QPlainTextEdit>

namespace vantrel {

class LogView : public QPlainTextEdit {
    Q_OBJECT
public:
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

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void layOutFrom(const QTextBlock& first) const;
    void followBottom();
    void useUnshapedText();

    bool followPending_ = false;       // lines came while at the bottom; scroll there soon
    mutable bool layoutStale_ = false; // a width or font change dropped the line layouts
};

}  // namespace vantrel
