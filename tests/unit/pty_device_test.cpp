// The simulated device: the pty with its stable link, unplug and replug,
// and what the device answers and streams.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "tools/pty_device.h"
#include "tools/sim_device.h"

namespace vantrel {
namespace {

namespace fs = std::filesystem;

class PtyLink : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("vantrel-pty-" + std::to_string(getpid()));
        fs::create_directories(dir);
        link = (dir / "port").string();
    }
    void TearDown() override { fs::remove_all(dir); }
    fs::path dir;
    std::string link;
};

TEST_F(PtyLink, LinkLeadsToTheSlaveAndBytesFlowThroughIt) {
    PtyDevice dev;
    ASSERT_TRUE(dev.open(link));
    EXPECT_EQ(fs::read_symlink(link).string(), dev.slavePath());
    const int fd = ::open(link.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, "AT\r", 3), 3);
    EXPECT_EQ(dev.readUntil("\r", 3000), "AT\r");
    ASSERT_TRUE(dev.write("OK\r\n"));
    char buf[16] = {};
    // raw mode: the bytes arrive as sent, no line editing, no CR/LF change
    ASSERT_EQ(::read(fd, buf, sizeof buf), 4);
    EXPECT_EQ(std::string(buf, 4), "OK\r\n");
    ::close(fd);
    // the program closing its side does not end the device
    EXPECT_TRUE(dev.write("still here"));
}

TEST_F(PtyLink, UnplugHangsUpAndRemovesTheLinkReplugGivesANewPty) {
    PtyDevice dev;
    ASSERT_TRUE(dev.open(link));
    const int fd = ::open(link.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    dev.unplug();
    EXPECT_FALSE(dev.isPlugged());
    EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
    EXPECT_EQ(::write(fd, "x", 1), -1);  // hung up
    EXPECT_FALSE(dev.write("x"));
    ::close(fd);

    ASSERT_TRUE(dev.replug());
    EXPECT_EQ(fs::read_symlink(link).string(), dev.slavePath());
    const int fd2 = ::open(link.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd2, 0);
    ASSERT_EQ(::write(fd2, "hi", 2), 2);
    EXPECT_EQ(dev.readAtLeast(2, 3000), "hi");
    ::close(fd2);
}

TEST_F(PtyLink, ReplacesAnOldLinkButNeverAFile) {
    fs::create_symlink("/nonexistent", link);
    PtyDevice dev;
    ASSERT_TRUE(dev.open(link));
    EXPECT_EQ(fs::read_symlink(link).string(), dev.slavePath());
    dev.unplug();

    std::ofstream(dir / "file") << "keep me";
    PtyDevice other;
    EXPECT_FALSE(other.open((dir / "file").string()));
    EXPECT_FALSE(other.isPlugged());
    std::string content;
    std::getline(std::ifstream(dir / "file"), content);
    EXPECT_EQ(content, "keep me");
}

TEST_F(PtyLink, DestructionRemovesOnlyItsOwnLink) {
    {
        PtyDevice dev;
        ASSERT_TRUE(dev.open(link));
        // someone else took the name meanwhile
        fs::remove(link);
        fs::create_symlink("/dev/null", link);
    }
    EXPECT_EQ(fs::read_symlink(link).string(), "/dev/null");
}

TEST(SimDevice, EscapesInCommandTexts) {
    EXPECT_EQ(parseEscapes("AT\\r"), "AT\r");
    EXPECT_EQ(parseEscapes("a\\n\\t\\\\b"), "a\n\t\\b");
    EXPECT_EQ(parseEscapes("\\x00\\xfF\\x41"), std::string("\x00\xff" "A", 3));
    EXPECT_EQ(parseEscapes("plain"), "plain");
    for (const char* bad : {"\\", "\\q", "\\x4", "\\xg0", "end\\x"}) EXPECT_EQ(parseEscapes(bad), std::nullopt) << bad;
}

TEST(SimDevice, EchoesAndAnswersCompletedCommands) {
    DeviceBehaviour dev;
    EXPECT_EQ(dev.onReceive("AT\r"), "AT\rOK\r\n");
    dev.setEcho(false);
    // a command split over several chunks, and two in one chunk
    EXPECT_EQ(dev.onReceive("A"), "");
    EXPECT_EQ(dev.onReceive("T\r"), "OK\r\n");
    EXPECT_EQ(dev.onReceive("PING\rAT\r"), "PONG\r\nOK\r\n");
    // unknown commands and the LF after a CR get nothing
    EXPECT_EQ(dev.onReceive("HELLO\r\n"), "");
    dev.setAnswer("GET\n", "42\n");
    EXPECT_EQ(dev.onReceive("GET\n"), "42\n");
    // rubbish without a terminator does not grow without end
    EXPECT_EQ(dev.onReceive(std::string(3 * DeviceBehaviour::kMaxLine, 'z')), "");
    EXPECT_EQ(dev.onReceive("\rAT\r"), "OK\r\n");
}

TEST(SimDevice, StreamIsReleasedAtItsRate) {
    StreamPacer p;
    p.start(250, 1000, 5000);  // 1000 bytes/s
    EXPECT_TRUE(p.active());
    EXPECT_EQ(p.due(5000), "");
    const std::string first = p.due(5100);
    EXPECT_EQ(first.size(), 100u);
    EXPECT_EQ(first.substr(0, 12), "0123456789AB");
    EXPECT_EQ(p.due(5100), "");  // nothing twice
    EXPECT_EQ(p.due(5150).size(), 50u);
    EXPECT_EQ(p.due(9000, 30), "6789ABCDEFGHIJKLMNOPQRSTUVWXYZ");  // a full taker leaves the rest due
    EXPECT_EQ(p.due(9000).size(), 70u);  // never more than asked for
    EXPECT_FALSE(p.active());
    EXPECT_EQ(p.sent(), 250u);

    // Random bytes: every value, paced alike, the same on every run.
    StreamPacer r, again;
    r.start(8192, 1000, 0, true);
    again.start(8192, 1000, 0, true);
    const std::string bytes = r.due(4096);
    EXPECT_EQ(bytes.size(), 4096u);
    EXPECT_EQ(std::set<char>(bytes.begin(), bytes.end()).size(), 256u);
    EXPECT_EQ(again.due(4096), bytes);
}

}  // namespace
}  // namespace vantrel
