// The texts of the three line-setting fields, the accepted data-bit/stop-bit
// combinations, the natural order of the port list and its sysfs reading.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "serial/port_list.h"
#include "serial/port_settings.h"

namespace vantrel {
namespace {

TEST(SerialSettings, BaudRateText) {
    struct Case {
        const char* text;
        std::optional<std::uint32_t> value;
    };
    const Case cases[] = {
        {"1200", 1200},          {"115200", 115200},     {" 250000 ", 250000},
        {"4294967295", 4294967295u},                     {"4294967296", std::nullopt},
        {"0", std::nullopt},     {"", std::nullopt},     {"-9600", std::nullopt},
        {"96OO", std::nullopt},  {"9600.0", std::nullopt}, {"+9600", std::nullopt},
        {"99999999999999999999", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(parseBaudRate(c.text), c.value) << '"' << c.text << '"';
}

TEST(SerialSettings, DataBitsAndStopBitsText) {
    EXPECT_EQ(parseDataBits("5"), 5);
    EXPECT_EQ(parseDataBits("8"), 8);
    for (const char* bad : {"4", "9", "", "eight", "08x", "256", "261"})
        EXPECT_EQ(parseDataBits(bad), std::nullopt) << bad;

    EXPECT_EQ(parseStopBitsCode("1"), 0);
    EXPECT_EQ(parseStopBitsCode("1,5"), 1);
    EXPECT_EQ(parseStopBitsCode("1.5"), 1);
    EXPECT_EQ(parseStopBitsCode("2"), 2);
    for (const char* bad : {"", "0", "3", "1,", "15", "1 5"})
        EXPECT_EQ(parseStopBitsCode(bad), std::nullopt) << bad;
}

TEST(SerialSettings, CombinationsTheDriverRefuses) {
    // rows: data bits 5..8; columns: stop-bit codes 0, 1 (1.5), 2
    const bool accepted[4][3] = {
        {true, true, false},  // 5: two stop bits refused
        {true, false, true},  // 6..8: 1.5 stop bits refused
        {true, false, true},
        {true, false, true},
    };
    for (int bits = 5; bits <= 8; ++bits)
        for (int code = 0; code <= 2; ++code) {
            const LineSettings s{9600, std::uint8_t(bits), 0, std::uint8_t(code)};
            EXPECT_EQ(lineSettingsSupported(s), accepted[bits - 5][code]) << bits << " bits, code " << code;
        }
    EXPECT_FALSE(lineSettingsSupported({0, 8, 0, 0}));
    EXPECT_FALSE(lineSettingsSupported({9600, 4, 0, 0}));
    EXPECT_FALSE(lineSettingsSupported({9600, 9, 0, 0}));
    EXPECT_FALSE(lineSettingsSupported({9600, 8, 1, 0}));
    EXPECT_FALSE(lineSettingsSupported({9600, 8, 0, 3}));
}

TEST(PortList, NaturalOrder) {
    EXPECT_TRUE(naturalLess("ttyS2", "ttyS10"));
    EXPECT_FALSE(naturalLess("ttyS10", "ttyS2"));
    EXPECT_TRUE(naturalLess("ttyACM0", "ttyS0"));
    EXPECT_TRUE(naturalLess("ttyS9", "ttyUSB0"));
    EXPECT_TRUE(naturalLess("ttyUSB", "ttyUSB0"));
    EXPECT_FALSE(naturalLess("ttyS1", "ttyS1"));
    // leading zeros compare by value, and the order stays strict
    EXPECT_TRUE(naturalLess("ttyS007", "ttyS10"));
    EXPECT_NE(naturalLess("ttyS01", "ttyS1"), naturalLess("ttyS1", "ttyS01"));
}

#ifndef _WIN32
class FakeSysfs : public ::testing::Test {
protected:
    void SetUp() override {
        base = std::filesystem::temp_directory_path() / ("vantrel-sysfs-" + std::to_string(::getpid()));
        std::filesystem::remove_all(base);
        root = base / "class" / "tty";
        std::filesystem::create_directories(base / "devices" / "x");
    }
    void TearDown() override { std::filesystem::remove_all(base); }
    // An entry of the tty class; `device` gives it a device behind it,
    // `type` (when >= 0) writes the serial-core type attribute.
    void entry(const std::string& name, bool device, int type = -1) {
        const auto dir = root / name;
        std::filesystem::create_directories(dir);
        if (device) std::filesystem::create_directory_symlink("../../../devices/x", dir / "device");
        if (type >= 0) std::ofstream(dir / "type") << type << "\n";
    }
    std::filesystem::path base, root;
};

TEST_F(FakeSysfs, ListsDevicesSkipsPlaceholdersAndVirtualTerminals) {
    entry("tty0", false);
    entry("tty12", false);
    entry("console", false);
    entry("ptmx", false);
    entry("ttyS0", true, 4);    // a 16550A answered
    entry("ttyS1", true, 0);    // placeholder, no UART
    entry("ttyS10", true, 4);
    entry("ttyS3", true, 0);
    entry("ttyUSB4", true);     // no type attribute outside serial-core
    entry("ttyUSB10", true);
    entry("ttyACM0", true);
    EXPECT_EQ(listSerialPortsIn(root.string()),
              (std::vector<std::string>{"ttyACM0", "ttyS0", "ttyS10", "ttyUSB4", "ttyUSB10"}));
}

TEST_F(FakeSysfs, NoClassDirectoryGivesNoPorts) {
    EXPECT_TRUE(listSerialPortsIn((base / "missing").string()).empty());
}

TEST(PortList, FallbackIsTtyS0ToTtyS8) {
    const auto names = fallbackPortNames();
    ASSERT_EQ(names.size(), 9u);
    EXPECT_EQ(names.front(), "ttyS0");
    EXPECT_EQ(names.back(), "ttyS8");
}

TEST(PortList, KernelNamesAndDevicePaths) {
    struct Case {
        const char* name;  // as typed or listed
        const char* path;  // what is opened
        const char* shown; // what an old settings file's name becomes
    };
    const Case cases[] = {
        {"ttyUSB0", "/dev/ttyUSB0", "ttyUSB0"},
        {"/dev/ttyUSB0", "/dev/ttyUSB0", "ttyUSB0"},
        {"/dev/serial/by-id/usb-FTDI-port0", "/dev/serial/by-id/usb-FTDI-port0",
         "/dev/serial/by-id/usb-FTDI-port0"},
        {"/dev/pts/3", "/dev/pts/3", "/dev/pts/3"},
        {"/tmp/vantrel-demo-port", "/tmp/vantrel-demo-port", "/tmp/vantrel-demo-port"},
        {"./ttyS0", "./ttyS0", "./ttyS0"},  // a slash: a path as it stands
        {"/dev/", "/dev/", "/dev/"},
        {"", "", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(portDevicePath(c.name), c.path) << c.name;
        EXPECT_EQ(shortPortName(c.name), c.shown) << c.name;
    }
}
#endif

}  // namespace
}  // namespace vantrel
