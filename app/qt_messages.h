#pragma once
// The information boxes of the running program: a QMessageBox with the fixed
// text and the detail beneath it. In a scripted run they go to stderr instead,
// so nothing waits for a user.
#include "common/messages.h"

class QWidget;

namespace vantrel {

class QtMessages final : public Messages {
public:
    explicit QtMessages(QWidget* parent = nullptr) : parent_(parent) {}
    void info(const std::string& text, const std::string& detail = {}) override;

private:
    QWidget* parent_;
};

// The line a scripted run prints for a message: "vantrel: message: <text>[ | <detail>]".
std::string scriptedMessageLine(const std::string& text, const std::string& detail);

}  // namespace vantrel
