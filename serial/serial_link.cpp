#include "serial/serial_link.h"

namespace vantrel {

SerialLink::SerialLink(PortFactory makePort) : makePort_(std::move(makePort)) {}
SerialLink::~SerialLink() = default;

void SerialLink::setPortFactory(PortFactory makePort) { makePort_ = std::move(makePort); }

OpenResult SerialLink::open(const PortSettings& settings, const Pause& pause) {
    if (handle_ && handle_->applySettings(settings_)) {
        handle_->close();
        portOpen_ = false;  // the handle it described is gone
    }
    if (pause) pause(5);
    handle_ = makePort_ ? makePort_() : makeSystemSerialPort();
    OpenResult result = handle_->open(settings.portName);
    if (!result.ok()) return result;

    handle_->setQueueSizes(kQueueSize, kQueueSize);
    settings_.BaudRate = settings.baudRate;
    settings_.ByteSize = settings.dataBits;
    settings_.Parity = 0;
    settings_.StopBits = settings.stopBitsCode;
    portOpen_ = true;
    if (handle_->applySettings(settings_)) return result;
    portOpen_ = false;
    handle_->close();
    return openFailure(OpenFailure::SettingsRefused);
}

void SerialLink::close() {
    if (!portOpen_) return;
    handle_->purge();
    handle_->close();
    portOpen_ = false;
}

bool SerialLink::probe() { return handle_ && handle_->applySettings(settings_); }

std::size_t SerialLink::waiting() { return portOpen_ && handle_ ? handle_->waiting() : 0; }
std::size_t SerialLink::read(std::uint8_t* buffer, std::size_t n) {
    return portOpen_ && handle_ ? handle_->read(buffer, n) : 0;
}
void SerialLink::write(const std::uint8_t* data, std::size_t n) {
    if (portOpen_ && handle_) handle_->write(data, n);
}
void SerialLink::purge() {
    if (portOpen_ && handle_) handle_->purge();
}

}  // namespace vantrel
