#pragma once
// The real main window in a scratch working directory, with a macro store
// prepared by the test and every modal window handed to the test.
#include <QDialog>
#include <QDir>
#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "macros/macro_store.h"
#include "support/fakes.h"

namespace vantrel::test {

// Types `text` as key presses carrying the characters (QTest::keyClicks takes Latin-1 only).
inline void typeText(QWidget* w, const QString& text) {
    for (QChar ch : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(w, &press);
    }
}

inline QLineEdit* field(TForm1& f, int k) { return f.MacroFields[std::size_t(k - 1)]; }
inline QPushButton* button(TForm1& f, int k) { return f.MacroButtons[std::size_t(k - 1)]; }

class MacroFormHarness {
public:
    // Makes a scratch directory the current one.
    bool start() {
        dir_ = std::make_unique<QTemporaryDir>();
        if (!dir_->isValid()) return false;
        oldDir_ = QDir::currentPath();
        return QDir::setCurrent(dir_->path());
    }
    void stop() {
        form.reset();
        QDir::setCurrent(oldDir_);
        dir_.reset();
        messages.shown.clear();
        modalCalls.clear();
        onModal = nullptr;
        ports.clear();
    }

    // Writes CmdConfig: a reset store changed by `fill`.
    static void writeStore(const std::function<void(MacroStore&)>& fill) {
        MacroStore store;
        fill(store);
        store.writeFile(kMacroFileName);
    }
    // What CmdConfig holds now.
    static std::unique_ptr<MacroStore> readStore() {
        auto store = std::make_unique<MacroStore>();
        if (!store->readFile(kMacroFileName)) return nullptr;
        return store;
    }
    static QByteArray fileBytes() {
        QFile f(QString::fromLatin1(kMacroFileName));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    TForm1& makeForm() {
        FormServices s;
        s.clock = &clock;
        s.messages = &messages;
        s.listPorts = [this] { return ports; };
        s.runModal = [this](QDialog& d) {
            modalCalls.push_back(d.objectName());
            return onModal ? onModal(d) : 0;
        };
        s.sleep = [](int) {};
        form = std::make_unique<TForm1>(s);
        return *form;
    }

    FakeClock clock;
    RecordingMessages messages;
    std::vector<std::string> ports;
    std::function<int(QDialog&)> onModal;  // the "user" of a modal window
    QStringList modalCalls;                // object names of the windows run modally
    std::unique_ptr<TForm1> form;

private:
    std::unique_ptr<QTemporaryDir> dir_;
    QString oldDir_;
};

}  // namespace vantrel::test
