#pragma once
// The real main window in a temporary working directory for the tests of the
// sending modes and the history: a pseudo-terminal plays the device, the
// command-file dialog answers with a path the test sets, boxes are recorded.
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <string>

#include "app/main_window.h"
#include "support/fakes.h"
#include "tools/pty_device.h"

namespace vantrel::test {

class ModesRig {
public:
    enum class ClockKind { Fake, System };

    explicit ModesRig(ClockKind kind = ClockKind::Fake) : kind_(kind) {
        oldCwd_ = QDir::currentPath();
        QDir::setCurrent(dir.path());
    }
    ~ModesRig() {
        form.reset();
        QDir::setCurrent(oldCwd_);
    }

    // Builds the window (again, after a restart) in the working directory.
    TForm1& start() {
        FormServices s;
        if (kind_ == ClockKind::Fake) s.clock = &clock;
        s.messages = &messages;
        s.listPorts = [] { return std::vector<std::string>{}; };
        s.runModal = [this](QDialog&) {
            ++modalRuns;
            return 0;
        };
        s.sleep = [](int) {};
        s.cursorPos = [] { return QPoint(-1000, -1000); };
        s.chooseCommandFile = [this] { return chosenFile; };
        form = std::make_unique<TForm1>(s);
        form->show();
        return *form;
    }

    // The normal close path, then a fresh window on the same files.
    TForm1& restart() {
        form->close();
        form.reset();
        return start();
    }

    // Plugs the device in and connects with the button.
    bool connectDevice() {
        if (!device.isPlugged() && !device.open()) return false;
        form->ComPort->setCurrentText(QString::fromStdString(device.slavePath()));
        form->BTConnect->click();
        return form->PortOpen();
    }

    // Writes a command file into the working directory and loads it (going
    // "Назад" first when a file is loaded already).
    void loadCommandFile(const QByteArray& bytes, const QString& name = QStringLiteral("cmds.txt")) {
        if (TForm1::tag(form->ButtonReadFile) == 1) form->ButtonReadFileClick();
        QFile f(dir.filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
        f.close();
        chosenFile = dir.filePath(name);
        form->ButtonReadFileClick();
    }

    // Collects what the program writes until `needle` arrives or time runs
    // out, keeping the event loop (and the program's timers) running.
    std::string readUntil(const std::string& needle, int timeoutMs = 3000) {
        QElapsedTimer t;
        t.start();
        while (true) {
            pending += device.readAvailable();
            const auto at = pending.find(needle);
            if (at != std::string::npos) {
                std::string got = pending.substr(0, at + needle.size());
                pending.erase(0, at + needle.size());
                return got;
            }
            if (t.elapsed() > timeoutMs) return {};
            QTest::qWait(2);
        }
    }

    // Everything the program writes within `ms`, event loop running.
    std::string readFor(int ms) {
        QTest::qWait(ms);
        pending += device.readAvailable();
        std::string got;
        got.swap(pending);
        return got;
    }

    QByteArray fileBytes(const QString& name) const {
        QFile f(dir.filePath(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    QTemporaryDir dir;
    FakeClock clock;
    RecordingMessages messages;
    int modalRuns = 0;
    PtyDevice device;
    QString chosenFile;
    std::string pending;  // read from the device, not yet consumed
    std::unique_ptr<TForm1> form;

private:
    ClockKind kind_;
    QString oldCwd_;
};

}  // namespace vantrel::test
