// The terminal program: the main window and the event loop.
#include <QApplication>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>

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

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vantrel"));
    TerminateHandler terminate(&app);

    vantrel::TForm1 form;
    terminate.watch(form);
    form.show();
    if (vantrel::automationRequested()) vantrel::startAutomation(form);
    return app.exec();
}
