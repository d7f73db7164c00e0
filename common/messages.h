#pragma once
// The information boxes, behind a seam: the program shows QMessageBox, tests
// record the texts (and may spin a nested event loop to test re-entry).
#include <string>

namespace vantrel {

class Messages {
public:
    virtual ~Messages() = default;
    // `text` is the fixed message (UTF-8); `detail`, when not empty, is shown
    // beneath it (for example the reason the system gave).
    virtual void info(const std::string& text, const std::string& detail = {}) = 0;
};

}  // namespace vantrel
