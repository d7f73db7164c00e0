#include "serial/serial_link.h"

namespace vantrel {

SerialLink::SerialLink(PortFactory makePort) : makePort_(std::move(makePort)) {}
SerialLink::~SerialLink() = default;

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
