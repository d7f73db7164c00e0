#pragma once
// A pseudo-terminal that plays a serial device: this side holds the master,
// the program under test opens the slave (directly or through a symlink
// with a stable name). Unplugging closes the master, which hangs the slave
// up as pulling a USB adapter does; replugging puts a new pty behind the
// same link.
#include <cstddef>
#include <string>
#include <string_view>

namespace vantrel {

class PtyDevice {
public:
    PtyDevice() = default;
    ~PtyDevice();
    PtyDevice(const PtyDevice&) = delete;
    PtyDevice& operator=(const PtyDevice&) = delete;

    // Creates the pty in raw mode and, when `linkPath` is not empty, points
    // a symlink there at the slave (an existing symlink is replaced; any
    // other file is left alone and the open fails). Returns false on failure.
    bool open(const std::string& linkPath = {});
    bool isPlugged() const { return master_ >= 0; }
    std::string slavePath() const { return slavePath_; }
    std::string linkPath() const { return linkPath_; }
    int masterFd() const { return master_; }

    // Sends bytes to the program on the slave side; false when not plugged
    // or the pty stayed full for a second.
    bool write(std::string_view bytes);
    // Sends what fits into the pty now; returns the count (a full line drops).
    std::size_t writeNow(std::string_view bytes);
    // What the program has written, without waiting.
    std::string readAvailable();
    // Everything arriving within `ms`.
    std::string readFor(int ms);
    // Reads until `needle` has arrived or `timeoutMs` passed; returns all read.
    std::string readUntil(std::string_view needle, int timeoutMs);
    // Reads until at least `count` bytes have arrived or `timeoutMs` passed.
    std::string readAtLeast(std::size_t count, int timeoutMs);

    // Closes the pty (the slave side sees a hang-up) and removes the link.
    void unplug();
    // A new pty behind the same link; false when it cannot be made.
    bool replug();

private:
    bool makePty();
    bool placeLink();
    void removeLink();

    int master_ = -1;
    int slaveKeep_ = -1;  // keeps the tty alive while the program closes and reopens it
    std::string slavePath_;
    std::string linkPath_;
};

}  // namespace vantrel
