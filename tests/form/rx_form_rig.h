#pragma once
// The real main window in a temporary working directory, its port opened on
// a pseudo-terminal that the test plays as the device.
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdint>
#include <memory>
#include <string>

#include "rx/ui/log_view.h"
#include "app/main_window.h"
#include "serial/port_settings.h"
#include "serial/serial_link.h"
#include "support/fakes.h"
#include "tools/pty_device.h"

namespace vantrel::test {

class RxFormRig {
public:
    enum class ClockKind { Fake, System };

    explicit RxFormRig(ClockKind kind = ClockKind::Fake, Messages* messagesOverride = nullptr) {
        oldCwd_ = QDir::currentPath();
        QDir::setCurrent(dir.path());
        FormServices s;
        if (kind == ClockKind::Fake) s.clock = &clock;
        s.messages = messagesOverride ? messagesOverride : &messages;
        s.listPorts = [] { return std::vector<std::string>{}; };
        s.runModal = [this](QDialog&) {
            ++modalRuns;
            return 0;
        };
        s.sleep = [](int) {};
        s.cursorPos = [] { return QPoint(-1000, -1000); };
        s.chooseCommandFile = [] { return QString(); };
        form = std::make_unique<TForm1>(s);
    }
    ~RxFormRig() {
        form.reset();
        QDir::setCurrent(oldCwd_);
    }

    // Plugs the device in and opens the port on it; false on failure.
    bool connectDevice() {
        if (!device.open()) return false;
        return form->link->open(PortSettings{device.slavePath(), 115200, 8, 0}, {}).ok();
    }

    // What the program writes to the device within `ms`, the event loop
    // running meanwhile; returns early once `count` bytes are there.
    std::string wire(std::size_t count, int ms = 3000) {
        std::string got;
        QElapsedTimer t;
        t.start();
        while (got.size() < count && t.elapsed() < ms) {
            QTest::qWait(1);
            got += device.readAvailable();
        }
        return got;
    }
    // Everything written within `ms`.
    std::string wireFor(int ms) { return wire(SIZE_MAX, ms); }

    // The lines of the log view (the view ends with an empty line to come).
    QStringList shownLines() const {
        QStringList lines = form->MainWindow->toPlainText().split(u'\n');
        while (!lines.isEmpty() && lines.back().isEmpty()) lines.pop_back();
        return lines;
    }

    // The file the program wrote in its working directory, byte for byte.
    QByteArray fileBytes(const QString& name) const {
        QFile f(dir.filePath(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    QTemporaryDir dir;
    FakeClock clock;
    RecordingMessages messages;
    int modalRuns = 0;
    PtyDevice device;
    std::unique_ptr<TForm1> form;

private:
    QString oldCwd_;
};

}  // namespace vantrel::test
