#include "serial/serial_link.h"

#include <algorithm>

namespace vantrel {

SerialLink::SerialLink(PortFactory makePort) : makePort_(std::move(makePort)) {}
SerialLink::~SerialLink() { close(); }


void SerialLink::release(const Pause& pause) {
    if (handle_ && handle_->applySettings(settings_)) {
        handle_->close();
        portOpen_ = false;  // the handle it described is gone
    }
    dropAhead();
    dropOutput();
    if (pause) pause(5);
}

OpenResult SerialLink::open(const PortSettings& settings, const Pause& pause) {
    release(pause);
    handle_ = makePort_ ? makePort_() : makeSystemSerialPort();
    OpenResult result = handle_->open(settings.portName);
    if (!result.ok()) return result;
    return start(settings);
}

OpenResult SerialLink::adopt(const PortSettings& settings, std::unique_ptr<SerialPort> opened, const Pause& pause) {
    release(pause);
    handle_ = std::move(opened);
    return start(settings);
}

OpenResult SerialLink::start(const PortSettings& settings) {
    ++opening_;
    handle_->setQueueSizes(kQueueSize, kQueueSize);
    settings_.BaudRate = settings.baudRate;
    settings_.ByteSize = settings.dataBits;
    settings_.Parity = 0;
    settings_.StopBits = settings.stopBitsCode;
    portOpen_ = true;
    if (handle_->applySettings(settings_)) return {};
    portOpen_ = false;
    handle_->close();
    return openFailure(OpenFailure::SettingsRefused);
}

void SerialLink::close() {
    if (!portOpen_) return;
    dropAhead();
    dropOutput();
    // Without the discard, closing a real port waits until its output is on the line.
    handle_->purge();
    handle_->close();
    portOpen_ = false;
}

bool SerialLink::probe() { return handle_ && handle_->applySettings(settings_); }

std::size_t SerialLink::waiting() {
    if (!portOpen_ || !handle_) return 0;
    std::size_t inPort = handle_->waiting();
    if (inPort > kAheadAbove && aheadHeld() < kAheadMax) {
        // Bytes already read go first, so the memory held stays within the cap.
        ahead_.erase(ahead_.begin(), ahead_.begin() + std::ptrdiff_t(aheadAt_));
        aheadAt_ = 0;
        const std::size_t want = std::min(inPort, kAheadMax - aheadHeld());
        const std::size_t old = ahead_.size();
        ahead_.resize(old + want);
        const std::size_t got = std::min(handle_->read(ahead_.data() + old, want), want);
        ahead_.resize(old + got);
        inPort -= std::min(inPort, got);
    }
    return aheadHeld() + inPort;
}

std::size_t SerialLink::read(std::uint8_t* buffer, std::size_t n) {
    if (!portOpen_ || !handle_) return 0;
    const std::size_t fromAhead = std::min(n, aheadHeld());
    std::copy_n(ahead_.data() + aheadAt_, fromAhead, buffer);
    aheadAt_ += fromAhead;
    if (aheadAt_ == ahead_.size()) dropAhead();
    return fromAhead + (fromAhead < n ? handle_->read(buffer + fromAhead, n - fromAhead) : 0);
}

void SerialLink::dropAhead() {
    ahead_.clear();
    aheadAt_ = 0;
}
void SerialLink::purgeInput() {
    dropAhead();
    if (portOpen_ && handle_) handle_->purgeInput();
}

void SerialLink::write(const std::uint8_t* data, std::size_t n) {
    if (!portOpen_ || !handle_ || n == 0) return;
    out_.emplace_back(data, data + n);
    outBytes_ += n;
}

SerialLink::Drained SerialLink::drainOutput() {
    Drained d;
    if (!portOpen_ || !handle_) {
        d.dropped = dropOutput();
        d.failed = d.dropped != 0;
        return d;
    }
    while (!out_.empty()) {
        const std::vector<std::uint8_t>& packet = out_.front();
        if (outAt_ == 0) purgeInput();
        const std::size_t left = packet.size() - outAt_;
        const SerialPort::WriteResult r = handle_->write(packet.data() + outAt_, left);
        const std::size_t took = std::min(r.written, left);
        outAt_ += took;
        outBytes_ -= took;
        d.written += took;
        if (r.failed) {
            d.failed = true;
            d.dropped = dropOutput();
            break;
        }
        if (outAt_ < packet.size()) break;  // the port is full for now
        out_.pop_front();
        outAt_ = 0;
    }
    return d;
}

std::size_t SerialLink::dropOutput() {
    const std::size_t dropped = outBytes_;
    out_.clear();
    outAt_ = 0;
    outBytes_ = 0;
    return dropped;
}

}  // namespace vantrel
