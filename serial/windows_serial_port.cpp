// The serial operations on a Windows COM port: the Win32 communications calls
// on one synchronous handle, with the line-settings record left at zero apart
// from its four fields, so no flow control and DTR and RTS not raised.
#ifdef _WIN32

#include <windows.h>

#include <algorithm>
#include <limits>

#include "serial/serial_port.h"

namespace vantrel {

namespace {

constexpr DWORD kPurgeAll = PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR;
static_assert(kPurgeAll == 15);

OpenResult failureFromError(DWORD e) {
    switch (e) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_UNIT:
    case ERROR_NOT_READY:
    case ERROR_DEV_NOT_EXIST: return openFailure(OpenFailure::NotFound);
    // A COM port held by another program answers with "access denied".
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_BUSY: return openFailure(OpenFailure::Busy);
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_DIRECTORY: return openFailure(OpenFailure::NotADevice);
    default: return openFailure(OpenFailure::Other, long(e));
    }
}

class WindowsSerialPort final : public SerialPort {
public:
    ~WindowsSerialPort() override { close(); }

    OpenResult open(const std::string& name) override {
        if (handle_ != INVALID_HANDLE_VALUE) return openFailure(OpenFailure::Busy);
        if (name.empty()) return openFailure(OpenFailure::NotFound);
        // The call would stop at a zero byte and open another name.
        if (name.find('\0') != std::string::npos) return openFailure(OpenFailure::NotADevice);
        // The name goes as typed, without the device-namespace prefix: COM10 and up do not open.
        HANDLE h = ::CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            const DWORD error = ::GetLastError();
            // A folder also answers "access denied", which for a port means it is held.
            const DWORD attributes = ::GetFileAttributesA(name.c_str());
            if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
                return openFailure(OpenFailure::NotADevice);
            return failureFromError(error);
        }
        // Whether it is a port at all shows when the line settings are applied.
        handle_ = h;
        return {};
    }

    void setQueueSizes(std::size_t input, std::size_t output) override {
        if (handle_ == INVALID_HANDLE_VALUE) return;
        ::SetupComm(handle_, toDword(input), toDword(output));
    }

    bool applySettings(const LineSettings& s) override {
        if (handle_ == INVALID_HANDLE_VALUE) return false;
        // Every other field stays 0, the length field too: no flow control of
        // any kind, DTR and RTS disabled, received bytes passed on unchanged.
        DCB dcb;
        ::ZeroMemory(&dcb, sizeof dcb);
        dcb.BaudRate = s.BaudRate;
        dcb.ByteSize = s.ByteSize;
        dcb.Parity = s.Parity;
        dcb.StopBits = s.StopBits;
        if (!::SetCommState(handle_, &dcb)) return false;
        baud_ = std::max<DWORD>(s.BaudRate, 1);
        return true;
    }

    std::size_t waiting() override {
        if (handle_ == INVALID_HANDLE_VALUE) return 0;
        DWORD errors = 0;
        COMSTAT status{};
        if (!::ClearCommError(handle_, &errors, &status)) return 0;
        return status.cbInQue;
    }

    std::size_t read(std::uint8_t* buffer, std::size_t n) override {
        if (handle_ == INVALID_HANDLE_VALUE || n == 0) return 0;
        // No time-outs are set, so a read of more than is waiting would block.
        const std::size_t available = std::min(n, waiting());
        if (available == 0) return 0;
        DWORD got = 0;
        if (!::ReadFile(handle_, buffer, toDword(available), &got, nullptr)) return 0;
        return got;
    }

    // The handle is synchronous, so a write is kept short: at most what the
    // line carries in about 10 ms, bounded by a write time-out of 20 ms.
    WriteResult write(const std::uint8_t* data, std::size_t n) override {
        WriteResult result;
        if (handle_ == INVALID_HANDLE_VALUE) {
            result.failed = true;
            return result;
        }
        if (n == 0) return result;
        if (!writeTimeoutSet_) {
            COMMTIMEOUTS t{};
            if (!::GetCommTimeouts(handle_, &t)) {
                result.failed = true;
                return result;
            }
            t.WriteTotalTimeoutMultiplier = 0;
            t.WriteTotalTimeoutConstant = kWriteTimeoutMs;
            if (!::SetCommTimeouts(handle_, &t)) {
                result.failed = true;
                return result;
            }
            writeTimeoutSet_ = true;
        }
        const std::size_t perSlice = std::max<std::size_t>(baud_ / 10 / 100, 1);
        DWORD written = 0;
        if (!::WriteFile(handle_, data, toDword(std::min(n, perSlice)), &written, nullptr)) {
            result.failed = true;
            return result;
        }
        result.written = written;
        return result;
    }

    void purge() override {
        if (handle_ != INVALID_HANDLE_VALUE) ::PurgeComm(handle_, kPurgeAll);
    }

    void purgeInput() override {
        if (handle_ != INVALID_HANDLE_VALUE) ::PurgeComm(handle_, PURGE_RXABORT | PURGE_RXCLEAR);
    }

    void close() override {
        if (handle_ == INVALID_HANDLE_VALUE) return;
        ::CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
        writeTimeoutSet_ = false;
    }

private:
    static DWORD toDword(std::size_t n) {
        return DWORD(std::min<std::size_t>(n, std::numeric_limits<DWORD>::max()));
    }

    static constexpr DWORD kWriteTimeoutMs = 20;

    HANDLE handle_ = INVALID_HANDLE_VALUE;
    DWORD baud_ = 9600;
    bool writeTimeoutSet_ = false;
};

}  // namespace

std::unique_ptr<SerialPort> makeSystemSerialPort() { return std::make_unique<WindowsSerialPort>(); }

void sleepMs(int ms) {
    if (ms > 0) ::Sleep(DWORD(ms));
}

}  // namespace vantrel

#endif  // _WIN32
