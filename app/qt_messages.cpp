#include "app/qt_messages.h"

#include <QApplication>
#include <QMessageBox>

#include <cstdio>

#include "app/automation.h"

namespace vantrel {

std::string scriptedMessageLine(const std::string& text, const std::string& detail) {
    std::string line = "vantrel: message: " + text;
    if (!detail.empty()) line += " | " + detail;
    return line;
}

void QtMessages::info(const std::string& text, const std::string& detail) {
    if (automationRequested()) {
        const std::string line = scriptedMessageLine(text, detail) + "\n";
        std::fwrite(line.data(), 1, line.size(), stderr);
        std::fflush(stderr);
        return;
    }
    QMessageBox box(QMessageBox::Information, QApplication::applicationName(),
                    QString::fromStdString(text), QMessageBox::Ok, parent_);
    if (!detail.empty()) box.setInformativeText(QString::fromStdString(detail));
    box.exec();
}

}  // namespace vantrel
