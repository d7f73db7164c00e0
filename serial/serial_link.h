#pragma once
// The one serial port of the terminal: its handle, whether it is open, and the
// one line-settings record. Placeholder interface: the serial work fills it in.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

#include "serial/serial_port.h"

namespace vantrel {

class SerialLink {
public:
    using PortFactory = std::function<std::unique_ptr<SerialPort>()>;
    explicit SerialLink(PortFactory makePort = makeSystemSerialPort);
    ~SerialLink();

    bool isOpen() const { return portOpen_; }
    // Operations on the open port; they do nothing while it is closed.
    std::size_t waiting();
    std::size_t read(std::uint8_t* buffer, std::size_t n);
    void write(const std::uint8_t* data, std::size_t n);
    void purge();

private:
    PortFactory makePort_;
    std::unique_ptr<SerialPort> handle_;
    bool portOpen_ = false;
};

}  // namespace vantrel
