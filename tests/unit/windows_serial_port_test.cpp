// The Windows backend of the serial layer, run under Wine by the cross build:
// refused opens, the port list read from a registry key, and, when a simulated
// device is mapped to a COM name (VANTREL_TEST_COM), the operations on a live port.
#ifdef _WIN32

#include <gtest/gtest.h>
#include <process.h>
#include <windows.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "serial/port_list_windows.h"
#include "serial/serial_link.h"
#include "serial/serial_port.h"

namespace vantrel {
namespace {

namespace fs = std::filesystem;

TEST(WindowsSerialPort, RefusedOpensNameTheirCauseAndHoldNothing) {
    const fs::path dir = fs::temp_directory_path() / ("vantrel_winport_" + std::to_string(::_getpid()));
    fs::remove_all(dir);
    ASSERT_TRUE(fs::create_directory(dir));
    const fs::path file = dir / "plain.txt";
    std::ofstream(file) << "not a port";

    struct Case {
        std::string name;
        OpenFailure failure;
    } cases[] = {
        {"COM99", OpenFailure::NotFound},
        {"", OpenFailure::NotFound},
        {std::string("COM1\0junk", 9), OpenFailure::NotADevice},  // would open COM1 if cut at the zero
        {dir.string(), OpenFailure::NotADevice},                    // not "busy", as a held port answers
        {file.string(), OpenFailure::SettingsRefused},              // opens, but takes no line settings
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("name \"" + c.name + "\"");
        SerialLink link;
        const OpenResult r = link.open({c.name, 9600, 8, 0});
        EXPECT_EQ(r.failure, c.failure);
        EXPECT_FALSE(r.reason.empty());
        EXPECT_FALSE(link.isOpen());
        EXPECT_FALSE(link.probe());
    }
    // The refused file was closed again: opened without sharing, it could not be deleted.
    EXPECT_TRUE(::DeleteFileA(file.string().c_str())) << ::GetLastError();
    fs::remove_all(dir);
}

TEST(WindowsSerialPort, FallbackNamesAreCom1ToCom9) {
    const std::vector<std::string> expected{"COM1", "COM2", "COM3", "COM4", "COM5",
                                            "COM6", "COM7", "COM8", "COM9"};
    EXPECT_EQ(fallbackPortNames(), expected);
}

// A key of its own under the current user plays the map of serial devices.
class RegistryPortList : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = "Software\\VantrelTest" + std::to_string(::_getpid());
        path_ = root_ + "\\SERIALCOMM";
        ::RegDeleteTreeA(HKEY_CURRENT_USER, root_.c_str());
        ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                    &key_, nullptr),
                  ERROR_SUCCESS);
    }
    void TearDown() override {
        if (key_) ::RegCloseKey(key_);
        ::RegDeleteTreeA(HKEY_CURRENT_USER, root_.c_str());
    }
    void put(const char* name, const std::string& text, bool withZero = true) {
        ASSERT_EQ(::RegSetValueExA(key_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                   DWORD(text.size() + (withZero ? 1 : 0))),
                  ERROR_SUCCESS);
    }
    std::vector<std::string> list(REGSAM access = KEY_ALL_ACCESS) const {
        return listRegistryPortNames(HKEY_CURRENT_USER, path_.c_str(), access);
    }

    std::string root_, path_;
    HKEY key_ = nullptr;
};

TEST_F(RegistryPortList, ValueTextsInTheRegistryOrder) {
    const std::string longText = "COM" + std::string(300, '7');  // more than a first guess of the size
    const std::map<std::string, std::string> texts{
        {"\\Device\\Serial0", "COM4"},     {"\\Device\\VCP0", "COM7"}, {"\\Device\\Long", longText},
        {"\\Device\\Serial0Again", "COM4"},  // neither sorted nor freed of duplicates
    };
    for (const auto& [name, text] : texts) put(name.c_str(), text);
    put("\\Device\\NoZero", "COM12", false);
    const DWORD number = 3;  // not a text: left out
    ASSERT_EQ(::RegSetValueExA(key_, "\\Device\\Odd", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                               sizeof number),
              ERROR_SUCCESS);

    // The texts follow the order in which the registry enumerates the value names.
    std::vector<std::string> expected;
    char name[256];
    for (DWORD i = 0;; ++i) {
        DWORD length = sizeof name;
        if (::RegEnumValueA(key_, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        const std::string n(name, length);
        if (n == "\\Device\\NoZero") expected.push_back("COM12");
        else if (n != "\\Device\\Odd") expected.push_back(texts.at(n));
    }
    ASSERT_EQ(expected.size(), 5u);
    EXPECT_EQ(list(), expected);
    EXPECT_EQ(list(KEY_READ), expected);
}

TEST_F(RegistryPortList, EmptyOrMissingKeyGivesNoPorts) {
    EXPECT_TRUE(list().empty());
    EXPECT_TRUE(listRegistryPortNames(HKEY_CURRENT_USER, (root_ + "\\Missing").c_str(), KEY_ALL_ACCESS).empty());
    // The key is only read, never made.
    HKEY probe = nullptr;
    EXPECT_NE(::RegOpenKeyExA(HKEY_CURRENT_USER, (root_ + "\\Missing").c_str(), 0, KEY_READ, &probe),
              ERROR_SUCCESS);
}

// A live port: the cross build's script maps a simulated device (echo on,
// "AT\r" answered with "OK\r\n") to a COM name and passes that name here.
class LivePort : public ::testing::Test {
protected:
    void SetUp() override {
        const char* name = std::getenv("VANTREL_TEST_COM");
        if (!name || !*name) GTEST_SKIP() << "no simulated device mapped to a COM name";
        name_ = name;
        port_ = makeSystemSerialPort();
        const OpenResult r = port_->open(name_);
        ASSERT_TRUE(r.ok()) << r.reason;
        port_->setQueueSizes(2048, 2048);
    }

    // Reads until `want` bytes came or five seconds passed.
    std::string readAtLeast(std::size_t want) {
        std::string got;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (got.size() < want && std::chrono::steady_clock::now() < deadline) {
            std::uint8_t buffer[256];
            const std::size_t n = port_->read(buffer, sizeof buffer);
            got.append(reinterpret_cast<const char*>(buffer), n);
            if (n == 0) sleepMs(5);
        }
        return got;
    }
    // Writes take what fits now; the rest follows until all went or five seconds passed.
    void send(const std::string& text) {
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
        std::size_t done = 0;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (done < text.size() && std::chrono::steady_clock::now() < deadline) {
            const SerialPort::WriteResult r = port_->write(bytes + done, text.size() - done);
            ASSERT_FALSE(r.failed);
            done += r.written;
        }
    }

    std::string name_;
    std::unique_ptr<SerialPort> port_;
};

TEST_F(LivePort, SettingsReachTheDriverAndBytesGoBothWays) {
    // Wine's emulation refuses some data-bit and stop-bit pairs depending on the
    // pair before; these answers hold whatever the device was left at.
    EXPECT_TRUE(port_->applySettings({115200, 8, 0, 2}));
    EXPECT_FALSE(port_->applySettings({9600, 9, 0, 0}));
    // Nothing waits: a read of a full buffer returns at once with nothing.
    std::uint8_t buffer[4096];
    const auto before = std::chrono::steady_clock::now();
    EXPECT_EQ(port_->read(buffer, sizeof buffer), 0u);
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(2));

    ASSERT_TRUE(port_->applySettings({9600, 8, 0, 0}));
    send("AT\r");
    EXPECT_EQ(readAtLeast(7), "AT\rOK\r\n");
}

TEST_F(LivePort, PurgeDiscardsWaitingInputAndCloseReleasesThePort) {
    ASSERT_TRUE(port_->applySettings({9600, 8, 0, 0}));
    send("AT\r");
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (port_->waiting() < 7 && std::chrono::steady_clock::now() < deadline) sleepMs(5);
    ASSERT_EQ(port_->waiting(), 7u);
    port_->purge();
    EXPECT_EQ(port_->waiting(), 0u);

    port_->close();
    EXPECT_FALSE(port_->applySettings({9600, 8, 0, 0}));  // the probe of a closed port fails
    ASSERT_TRUE(port_->open(name_).ok());
    EXPECT_TRUE(port_->applySettings({9600, 8, 0, 0}));
    send("AT\r");
    EXPECT_EQ(readAtLeast(7), "AT\rOK\r\n");
}

}  // namespace
}  // namespace vantrel

#endif  // _WIN32
