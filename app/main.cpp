// The terminal program: the main window and the event loop.
#include <QApplication>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>

#include <QDialog>
#include <QIcon>
#include <QMessageBox>

#include <exception>

#include <cstdio>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include "app/automation.h"
#include "app/main_window.h"

namespace {

int signalPipe[2] = {-1, -1};

extern "C" void onTerminate(int) {
    const char byte = 1;
    // Only an async-signal-safe write here; the event loop does the closing.
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &byte, 1);
}

// SIGTERM and SIGINT close the main window the normal way, so the history and
// the settings are saved when the session ends. A box or window open at that
// moment (also during start-up) is closed first so that nothing waits for a user.
class TerminateHandler {
public:
    explicit TerminateHandler(QObject* owner) {
        if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0) return;
        for (int fd : signalPipe) ::fcntl(fd, F_SETFD, FD_CLOEXEC);
        auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, owner);
        QObject::connect(notifier, &QSocketNotifier::activated, owner, [this] { terminate(); });
        struct sigaction sa {};
        sa.sa_handler = onTerminate;
        sigemptyset(&sa.sa_mask);
        sa.sa_flags = SA_RESTART;
        ::sigaction(SIGTERM, &sa, nullptr);
        ::sigaction(SIGINT, &sa, nullptr);
    }

    // From now on a signal closes `window`; one that came earlier does it now.
    void watch(QWidget& window) {
        window_ = &window;
        if (pending_) QTimer::singleShot(0, &window, &QWidget::close);
    }

private:
    void terminate() {
        char byte = 0;
        [[maybe_unused]] const ssize_t n = ::read(signalPipe[0], &byte, 1);
        QWidget* last = nullptr;
        while (QWidget* modal = QApplication::activeModalWidget()) {
            if (modal == last) break;
            modal->close();
            last = modal;
        }
        if (window_) {
            window_->close();
        } else {
            pending_ = true;
        }
    }

    QPointer<QWidget> window_;
    bool pending_ = false;
};

// An error escaping a handler ends that handler with an error box; the event
// loop and the timers go on.
class TerminalApplication final : public QApplication {
public:
    using QApplication::QApplication;
    bool scripted = false;

    bool notify(QObject* receiver, QEvent* event) override {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception& e) {
            report(QString::fromLocal8Bit(e.what()));
        } catch (...) {
            report(QStringLiteral("unknown error"));
        }
        return false;
    }

private:
    void report(const QString& what) {
        if (scripted) {
            const QByteArray line = "vantrel: error: " + what.toUtf8() + "\n";
            std::fwrite(line.data(), 1, std::size_t(line.size()), stderr);
            std::fflush(stderr);
            return;
        }
        QMessageBox::critical(nullptr, applicationName(), what);
    }
};

// The main window's close ends the program, also while another window is open.
class QuitWithWindow final : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Close) {
            auto* window = static_cast<QWidget*>(watched);
            // decided only after the window's own close handling: it may refuse
            QTimer::singleShot(0, this, [window] {
                if (!window->isVisible()) QCoreApplication::quit();
            });
        }
        return false;
    }
};

// In a scripted run a window that would wait for a user is only announced.
int announceWindow(QDialog& dialog) {
    const QByteArray line = "vantrel: window: " + dialog.objectName().toUtf8() + "\n";
    std::fwrite(line.data(), 1, std::size_t(line.size()), stderr);
    std::fflush(stderr);
    return QDialog::Rejected;
}

}  // namespace

int main(int argc, char* argv[]) {
    TerminalApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vantrel"));
    // Lets the desktop match the window to the installed menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("vantrel"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("vantrel")));
    TerminateHandler terminate(&app);

    vantrel::FormServices services;
    const bool scripted = vantrel::automationRequested();
    app.scripted = scripted;
    if (scripted) services.runModal = announceWindow;
    vantrel::TForm1 form(std::move(services));
    terminate.watch(form);
    QuitWithWindow quitWithWindow;
    form.installEventFilter(&quitWithWindow);
    form.show();
    if (scripted) vantrel::startAutomation(form);
    return app.exec();
}
