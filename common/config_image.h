#pragma once
// The settings file ConfigTerminal: one 796-byte record, little-endian, no
// header. Port names longer than the four characters the record restores and
// typed baud rates travel in an optional 260-byte block behind the record, so
// a reader of the bare record still finds a valid one.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

inline constexpr std::size_t kConfigRecordSize = 796;
inline constexpr std::size_t kConfigExtensionSize = 260;
inline constexpr char kConfigFileName[] = "ConfigTerminal";

// Byte offsets of the fields in the record.
namespace config_offset {
inline constexpr std::size_t PortName = 0;  // counted string, capacity 5
inline constexpr std::size_t BaudIndex = 6;
inline constexpr std::size_t BitsIndex = 7;
inline constexpr std::size_t StopBitsIndex = 8;
inline constexpr std::size_t AutoConnectOn = 9;
inline constexpr std::size_t RxTimeoutMs = 12;
inline constexpr std::size_t LogFilter = 16;  // counted string, capacity 250
inline constexpr std::size_t LogFontSize = 268;
inline constexpr std::size_t BackColor = 272;
inline constexpr std::size_t TextColor = 276;
inline constexpr std::size_t ShowTime = 280;
inline constexpr std::size_t OutputMode = 281;
inline constexpr std::size_t SendModeCode = 282;
inline constexpr std::size_t PeriodMs = 284;
inline constexpr std::size_t SendOnConnect = 288;
inline constexpr std::size_t CommandLine = 289;  // counted string, capacity 250
inline constexpr std::size_t PacketTail = 540;   // counted string, capacity 250
inline constexpr std::size_t ShowNames = 791;
inline constexpr std::size_t CurrentList = 792;
}  // namespace config_offset

inline constexpr std::size_t kPortNameCapacity = 5;
inline constexpr std::size_t kRestoredPortChars = 4;
inline constexpr std::size_t kConfigTextCapacity = 250;
inline constexpr std::size_t kFullPortNameCapacity = 255;

// Texts are Windows-1251 bytes. Setters write into the record image, so the
// padding and any field not set keep what was loaded (or zero).
class ConfigImage {
public:
    using Record = std::array<std::uint8_t, kConfigRecordSize>;

    const Record& record() const { return record_; }
    bool isAllZero() const;

    // The name as restored: the full name from the extension block when it
    // belongs to this record, else the record's first four characters.
    std::string portName() const;
    // Keeps the first five characters in the record (the fifth then zeroed)
    // and the whole name (up to 255) for the extension block.
    void setPortName(std::string_view name);

    // Item indexes; "no selection" (-1) is stored as 255.
    int baudIndex() const { return record_[config_offset::BaudIndex]; }
    int bitsIndex() const { return record_[config_offset::BitsIndex]; }
    int stopBitsIndex() const { return record_[config_offset::StopBitsIndex]; }
    void setBaudIndex(int index) { record_[config_offset::BaudIndex] = indexByte(index); }
    void setBitsIndex(int index) { record_[config_offset::BitsIndex] = indexByte(index); }
    void setStopBitsIndex(int index) { record_[config_offset::StopBitsIndex] = indexByte(index); }

    // A baud rate typed by the user that is not one of the list; 0 for none.
    std::uint32_t typedBaud() const { return typedBaud_; }
    void setTypedBaud(std::uint32_t rate) { typedBaud_ = rate; }

    bool autoConnectOn() const { return flag(config_offset::AutoConnectOn); }
    void setAutoConnectOn(bool on) { setFlag(config_offset::AutoConnectOn, on); }
    std::int32_t rxTimeoutMs() const { return int32At(config_offset::RxTimeoutMs); }
    void setRxTimeoutMs(std::int32_t ms) { setInt32At(config_offset::RxTimeoutMs, ms); }
    std::string logFilter() const { return textAt(config_offset::LogFilter); }
    void setLogFilter(std::string_view text) { setTextAt(config_offset::LogFilter, text); }
    std::int32_t logFontSize() const { return int32At(config_offset::LogFontSize); }
    void setLogFontSize(std::int32_t points) { setInt32At(config_offset::LogFontSize, points); }
    std::uint32_t backColor() const { return std::uint32_t(int32At(config_offset::BackColor)); }
    void setBackColor(std::uint32_t c) { setInt32At(config_offset::BackColor, std::int32_t(c)); }
    std::uint32_t textColor() const { return std::uint32_t(int32At(config_offset::TextColor)); }
    void setTextColor(std::uint32_t c) { setInt32At(config_offset::TextColor, std::int32_t(c)); }
    bool showTime() const { return flag(config_offset::ShowTime); }
    void setShowTime(bool on) { setFlag(config_offset::ShowTime, on); }
    int outputMode() const { return record_[config_offset::OutputMode]; }  // 1 ASCII, 2 HEX
    void setOutputMode(int mode) { record_[config_offset::OutputMode] = std::uint8_t(mode); }
    int sendModeCode() const { return record_[config_offset::SendModeCode]; }  // 1..4
    void setSendModeCode(int code) { record_[config_offset::SendModeCode] = std::uint8_t(code); }
    std::int32_t periodMs() const { return int32At(config_offset::PeriodMs); }
    void setPeriodMs(std::int32_t ms) { setInt32At(config_offset::PeriodMs, ms); }
    bool sendOnConnect() const { return flag(config_offset::SendOnConnect); }
    void setSendOnConnect(bool on) { setFlag(config_offset::SendOnConnect, on); }
    std::string commandLine() const { return textAt(config_offset::CommandLine); }
    void setCommandLine(std::string_view text) { setTextAt(config_offset::CommandLine, text); }
    std::string packetTail() const { return textAt(config_offset::PacketTail); }
    void setPacketTail(std::string_view text) { setTextAt(config_offset::PacketTail, text); }
    bool showNames() const { return flag(config_offset::ShowNames); }
    void setShowNames(bool on) { setFlag(config_offset::ShowNames, on); }
    std::int32_t currentList() const { return int32At(config_offset::CurrentList); }
    void setCurrentList(std::int32_t n) { setInt32At(config_offset::CurrentList, n); }

    // The file content: the record, plus the extension block when the port
    // name does not fit the record or the baud rate was typed.
    std::vector<std::uint8_t> fileBytes() const;
    bool needsExtension() const;
    // Reads a file's content; false when it is shorter than one record.
    bool loadFileBytes(const std::vector<std::uint8_t>& bytes);

private:
    static std::uint8_t indexByte(int index) { return index < 0 || index > 254 ? 255 : std::uint8_t(index); }
    std::string recordPortName() const;
    bool flag(std::size_t at) const { return record_[at] != 0; }
    void setFlag(std::size_t at, bool on) { record_[at] = on ? 1 : 0; }
    std::int32_t int32At(std::size_t at) const;
    void setInt32At(std::size_t at, std::int32_t v);
    std::string textAt(std::size_t at) const;
    void setTextAt(std::size_t at, std::string_view text);

    Record record_{};
    std::string fullPortName_;  // empty: none beyond the record
    std::uint32_t typedBaud_ = 0;
};

// Outcome of reading the settings file at start-up.
enum class ConfigReadStatus {
    Loaded,    // a usable record
    Missing,   // no such file
    Unusable,  // unreadable, shorter than a record, or all zero: treated as absent
};

struct ConfigReadResult {
    ConfigReadStatus status = ConfigReadStatus::Missing;
    ConfigImage image;
    // Why an existing file was unusable (Russian); empty for the zero record
    // that a start whose close never came leaves behind.
    std::string reason;
    bool readFailed = false;  // it could not be opened or read at all
};

ConfigReadResult readConfigFile(const std::string& path);

// Writes the image through a temporary file renamed into place, so a failed
// save leaves the previous file intact. Returns the reason on failure, else "".
std::string writeConfigFile(const std::string& path, const ConfigImage& image);

}  // namespace vantrel
