#include "rx/ui/rx_wake.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <QTimer>

namespace vantrel {

RxWake::RxWake(QTimer* poll, std::function<void()> tick, QObject* parent)
    : QObject(parent), poll_(poll), tick_(std::move(tick)) {}

RxWake::~RxWake() { release(); }

// The descriptor stays watched through a tick: switching it off and on again
// would wake the event loop twice per packet. Only a nested loop inside the
// tick switches it off, when it first signals there.
void RxWake::beginTick() { inTick_ = true; }

void RxWake::endTick(int handle, std::uint64_t opening, bool foundInput, bool packetOpen, bool backlog, bool portOpen,
                     bool syncPending) {
    const bool woken = woke_;
    woke_ = false;
    inTick_ = false;
    follow(handle, opening);
    if (foundInput) trusted_ = true;
    // Woken with nothing to read and still readable: the descriptor reports
    // a hang-up, not input. (A network port's own messages wake it once.)
    if (woken && !foundInput && stillReadable()) trusted_ = false;
    const bool idle = !packetOpen && !foundInput && !backlog;
    // Fine polling is needed only while bytes come, or on an open port that
    // cannot say when they come; a closed port or a hung-up descriptor is
    // looked at now and then.
    const bool blind = handle < 0 && portOpen;
    setInterval(!idle || blind ? kPollMs : syncPending ? kIdleMs : kRestMs);
    // Watched whenever it signals only input: bytes during a packet are read as they come.
    if (notifier_ && notifier_->isEnabled() != trusted_) notifier_->setEnabled(trusted_);
}

bool RxWake::stillReadable() const {
    pollfd p{watched_, POLLIN, 0};
    return watched_ < 0 || ::poll(&p, 1, 0) != 0;
}

bool RxWake::sleeping() const { return notifier_ && notifier_->isEnabled() && poll_->interval() >= kIdleMs; }

void RxWake::portClosed() { release(); }

void RxWake::wake() {
    setInterval(kPollMs);
    if (poll_->isActive()) poll_->start();
}

void RxWake::follow(int handle, std::uint64_t opening) {
    // A port closed and opened again may get the same number for another device.
    if (handle >= 0 && handle == handle_ && opening == opening_) return;
    release();
    if (handle < 0) return;
    watched_ = ::fcntl(handle, F_DUPFD_CLOEXEC, 0);
    if (watched_ < 0) return;
    handle_ = handle;
    opening_ = opening;
    trusted_ = true;
    notifier_ = new QSocketNotifier(watched_, QSocketNotifier::Read, this);
    notifier_->setEnabled(false);
    connect(notifier_, &QSocketNotifier::activated, this, [this] {
        // A stopped poll timer holds reception, and a tick must not be entered
        // again from a loop nested in it; the descriptor must not undo either.
        if (!poll_->isActive() || inTick_) {
            notifier_->setEnabled(false);
            return;
        }
        woke_ = true;
        tick_();
    });
}

void RxWake::release() {
    delete notifier_;
    notifier_ = nullptr;
    if (watched_ >= 0) ::close(watched_);
    watched_ = -1;
    handle_ = -1;
}

void RxWake::setInterval(int ms) {
    if (poll_->interval() != ms) poll_->setInterval(ms);
}

}  // namespace vantrel
