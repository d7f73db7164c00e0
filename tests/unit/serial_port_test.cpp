// The Linux serial layer against real pseudo-terminals: settings reaching the
// tty, traffic both ways, exclusive open (also against root and another
// process), refused combinations, hang-up detection, bad names.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "serial/serial_link.h"
#include "tools/pty_device.h"

namespace vantrel {
namespace {

std::vector<std::uint8_t> bytesOf(const std::string& s) { return {s.begin(), s.end()}; }

// Waits until `n` bytes are reported waiting (the pty moves them at once,
// but the reading side may see them a moment later).
bool waitForBytes(SerialLink& link, std::size_t n) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (link.waiting() < n) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// The failure an open in a child process meets; the child may change user first.
OpenFailure openInChild(const std::string& path, uid_t asUser = 0) {
    const pid_t pid = fork();
    if (pid == 0) {
        if (asUser != 0 && (setgid(asUser) != 0 || setuid(asUser) != 0)) _exit(100);
        auto port = makeSystemSerialPort();
        const OpenFailure f = port->open(path).failure;
        port.reset();  // closes as the program does, clearing the exclusive mark
        _exit(int(f));
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? OpenFailure(WEXITSTATUS(status)) : OpenFailure::Other;
}

class SerialPty : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(device.open()); }
    OpenResult open(std::uint32_t baud = 115200, std::uint8_t bits = 8, std::uint8_t stop = 0) {
        return link.open({device.slavePath(), baud, bits, stop}, nullptr);
    }
    termios slaveTermios() {
        termios t{};
        EXPECT_EQ(tcgetattr(device.masterFd(), &t), 0);  // on a master this reads the slave's
        return t;
    }
    PtyDevice device;
    SerialLink link;
};

TEST_F(SerialPty, Opens115200_8N1RawWithoutFlowControl) {
    ASSERT_TRUE(open().ok());
    EXPECT_TRUE(link.isOpen());
    EXPECT_EQ(link.lineSettings(), (LineSettings{115200, 8, 0, 0}));
    const termios t = slaveTermios();
    EXPECT_EQ(cfgetospeed(&t), speed_t(B115200));
    EXPECT_EQ(cfgetispeed(&t), speed_t(B115200));
    // (a pty forces CS8, CREAD and no parity itself, so those say nothing here)
    EXPECT_EQ(t.c_cflag & (CSTOPB | CRTSCTS), 0u);
    EXPECT_NE(t.c_cflag & CLOCAL, 0u);
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF | ICRNL | INLCR | ISTRIP), 0u);
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(t.c_oflag & OPOST, 0u);
}

TEST_F(SerialPty, BytesPassUnchangedBothWays) {
    ASSERT_TRUE(open().ok());
    std::string all;
    for (int i = 0; i < 256; ++i) all += char(i);
    ASSERT_TRUE(device.write(all));
    ASSERT_TRUE(waitForBytes(link, all.size()));
    std::vector<std::uint8_t> got(600);
    const std::size_t n = link.read(got.data(), got.size());
    got.resize(n);
    EXPECT_EQ(got, bytesOf(all));
    EXPECT_EQ(link.waiting(), 0u);
    EXPECT_EQ(link.read(got.data(), 10), 0u);  // nothing waiting: returns at once

    const auto out = bytesOf(all);
    link.write(out.data(), out.size());
    EXPECT_EQ(link.drainOutput().written, all.size());
    EXPECT_EQ(device.readAtLeast(all.size(), 3000), all);
}

TEST_F(SerialPty, PurgeDiscardsWaitingInput) {
    ASSERT_TRUE(open().ok());
    ASSERT_TRUE(device.write("stale bytes"));
    ASSERT_TRUE(waitForBytes(link, 11));
    link.purgeInput();
    EXPECT_EQ(link.waiting(), 0u);
}

TEST_F(SerialPty, SecondOpenIsRefusedInThisAndInAnotherProcess) {
    ASSERT_TRUE(open().ok());
    SerialLink second;
    EXPECT_EQ(second.open({device.slavePath(), 9600, 8, 0}, nullptr).failure, OpenFailure::Busy);
    EXPECT_EQ(openInChild(device.slavePath()), OpenFailure::Busy);  // we run as root in CI
    // the holder is undisturbed, and after closing the port is free again
    EXPECT_TRUE(link.probe());
    link.close();
    EXPECT_EQ(openInChild(device.slavePath()), OpenFailure::None);
    EXPECT_TRUE(second.open({device.slavePath(), 9600, 8, 0}, nullptr).ok());
}

TEST_F(SerialPty, OtherUsersMeetBusyOrNoAccess) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
    const uid_t nobody = 65534;
    ASSERT_EQ(chmod(device.slavePath().c_str(), 0600), 0);
    EXPECT_EQ(openInChild(device.slavePath(), nobody), OpenFailure::AccessDenied);
    ASSERT_EQ(chmod(device.slavePath().c_str(), 0666), 0);
    EXPECT_EQ(openInChild(device.slavePath(), nobody), OpenFailure::None);
    ASSERT_TRUE(open().ok());
    EXPECT_EQ(openInChild(device.slavePath(), nobody), OpenFailure::Busy);
    link.close();  // clears the exclusive mark, so an ordinary user gets in again
    EXPECT_EQ(openInChild(device.slavePath(), nobody), OpenFailure::None);
}

TEST_F(SerialPty, RefusedCombinationsReleaseTheDevice) {
    struct Case {
        std::uint8_t bits, stop;
    };
    for (const Case c : {Case{8, 1}, Case{6, 1}, Case{5, 2}}) {
        const OpenResult r = open(9600, c.bits, c.stop);
        EXPECT_EQ(r.failure, OpenFailure::SettingsRefused) << int(c.bits) << "/" << int(c.stop);
        EXPECT_FALSE(link.isOpen());
        EXPECT_EQ(link.lineSettings(), (LineSettings{9600, c.bits, 0, c.stop}));
        // released: a good setting opens the same port at once
        ASSERT_TRUE(open(9600, 8, 0).ok());
        link.close();
    }
}

TEST_F(SerialPty, OneAndAHalfStopBitsWithFiveDataBitsIsCstopb) {
    ASSERT_TRUE(open(1200, 5, 1).ok());
    const termios t = slaveTermios();
    EXPECT_NE(t.c_cflag & CSTOPB, 0u);
    EXPECT_EQ(cfgetospeed(&t), speed_t(B1200));
}

TEST_F(SerialPty, ProbeNoticesTheHangUpAndReopenWorksAfterReplug) {
    const std::string link_path =
        (std::filesystem::temp_directory_path() / ("vantrel-probe-" + std::to_string(getpid()))).string();
    ASSERT_TRUE(device.open(link_path));
    ASSERT_TRUE(link.open({link_path, 9600, 8, 0}, nullptr).ok());
    EXPECT_TRUE(link.probe());
    device.unplug();
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link_path)));
    EXPECT_FALSE(link.probe());
    link.close();
    EXPECT_EQ(link.open({link_path, 9600, 8, 0}, nullptr).failure, OpenFailure::NotFound);
    ASSERT_TRUE(device.replug());
    ASSERT_TRUE(link.open({link_path, 9600, 8, 0}, nullptr).ok());
    EXPECT_TRUE(link.probe());
    const auto ping = bytesOf("ping");
    link.write(ping.data(), ping.size());
    link.drainOutput();
    EXPECT_EQ(device.readAtLeast(4, 3000), "ping");
}

// A full port takes what fits and never waits; the rest goes as the device
// reads, and a hang-up ends the packet with the untaken rest dropped.
TEST_F(SerialPty, AFullPortTakesWhatFitsAndAHangUpDropsTheRest) {
    ASSERT_TRUE(open(4000000).ok());
    std::vector<std::uint8_t> big(256 * 1024);
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = std::uint8_t(i * 7 + i / 251);
    link.write(big.data(), big.size());
    const auto t0 = std::chrono::steady_clock::now();
    const SerialLink::Drained first = link.drainOutput();
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(200));
    ASSERT_GT(first.written, 0u);
    ASSERT_LT(first.written, big.size());  // the pty really filled up
    EXPECT_FALSE(first.failed);
    EXPECT_EQ(link.outputPendingBytes(), big.size() - first.written);

    std::string got;
    std::size_t written = first.written;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (got.size() < big.size() / 2 && std::chrono::steady_clock::now() < deadline) {
        got += device.readFor(5);
        written += link.drainOutput().written;
    }
    EXPECT_EQ(got, std::string(big.begin(), big.begin() + std::ptrdiff_t(got.size())));

    device.unplug();
    const SerialLink::Drained last = link.drainOutput();
    EXPECT_TRUE(last.failed);
    EXPECT_EQ(written + last.written + last.dropped, big.size());
    EXPECT_FALSE(link.outputPending());
}

TEST(SerialPortNames, WhatIsNotATerminalIsRefused) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("vantrel-names-" + std::to_string(getpid()));
    fs::create_directories(dir);
    std::ofstream(dir / "plain") << "not a port";
    mkfifo((dir / "fifo").c_str(), 0600);
    PtyDevice device;
    ASSERT_TRUE(device.open());
    struct Case {
        std::string name;
        OpenFailure expected;
    };
    const Case cases[] = {
        {"", OpenFailure::NotFound},
        {(dir / "missing").string(), OpenFailure::NotFound},
        {(dir / "plain").string(), OpenFailure::NotADevice},
        {dir.string(), OpenFailure::NotADevice},
        {(dir / "fifo").string(), OpenFailure::NotADevice},
        {"/dev/null", OpenFailure::NotADevice},
        {"COM3", OpenFailure::NotFound},
        {"/dev/tty\t*?\"|<>:", OpenFailure::NotFound},
        {std::string(4096, 'a'), OpenFailure::NotADevice},
        // a zero byte must not cut the name down to a real port
        {device.slavePath() + std::string(1, '\0') + "junk", OpenFailure::NotADevice},
    };
    for (const auto& c : cases) {
        auto port = makeSystemSerialPort();
        const OpenResult r = port->open(c.name);
        EXPECT_EQ(r.failure, c.expected) << c.name.substr(0, 60);
        EXPECT_FALSE(r.reason.empty());
        EXPECT_FALSE(port->applySettings({9600, 8, 0, 0}));
    }
    fs::remove_all(dir);
}

// A name without a slash is a device under /dev, as the port list shows them.
TEST(SerialPortNames, ABareNameOpensTheDeviceUnderDev) {
    const std::string name = "vantrel-test-" + std::to_string(::getpid());
    PtyDevice device;
    if (::access("/dev", W_OK) != 0) GTEST_SKIP() << "needs a writable /dev for a link there";
    ASSERT_TRUE(device.open("/dev/" + name));
    SerialLink link;
    ASSERT_TRUE(link.open({name, 9600, 8, 0}, nullptr).ok());
    ASSERT_TRUE(device.write("via /dev"));
    ASSERT_TRUE(waitForBytes(link, 8));
    link.close();
    device.unplug();  // removes the link again
    EXPECT_FALSE(std::filesystem::exists("/dev/" + name));
}

}  // namespace
}  // namespace vantrel
