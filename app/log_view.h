#pragma once
// The log view. Placeholder: the log-window work fills it in.
#include <QPlainTextEdit>

namespace vantrel {

class LogView : public QPlainTextEdit {
    Q_OBJECT
public:
    using QPlainTextEdit::QPlainTextEdit;
};

}  // namespace vantrel
