// The port state and the line-settings record, against a port that records
// every platform call.
#include <gtest/gtest.h>

#include <algorithm>

#include <memory>
#include <string>
#include <vector>

#include "serial/serial_link.h"

namespace vantrel {
namespace {

struct PortScript {
    std::vector<std::string> calls;
    OpenResult openResult;
    bool acceptSettings = true;
    bool deviceThere = true;  // false: the handle no longer leads to a device
    std::vector<LineSettings> applied;
    std::string input;  // bytes the device sent, not yet read
    std::string wire;   // bytes the port took for sending, '|' where the input was discarded
    std::size_t takePerCall = std::string::npos;
    std::vector<std::size_t> takes;  // when not empty: what each write call takes, in turn
    bool writeFails = false;
};

class RecordingPort final : public SerialPort {
public:
    explicit RecordingPort(PortScript& s) : s_(s) {}
    OpenResult open(const std::string& name) override {
        s_.calls.push_back("open " + name);
        open_ = s_.openResult.ok();
        return s_.openResult;
    }
    void setQueueSizes(std::size_t in, std::size_t out) override {
        s_.calls.push_back("queues " + std::to_string(in) + " " + std::to_string(out));
    }
    bool applySettings(const LineSettings& ls) override {
        s_.calls.push_back("apply");
        s_.applied.push_back(ls);
        return open_ && s_.deviceThere && s_.acceptSettings;
    }
    std::size_t waiting() override { return s_.input.size(); }
    std::size_t read(std::uint8_t* buffer, std::size_t n) override {
        n = std::min(n, s_.input.size());
        s_.calls.push_back("read " + std::to_string(n));
        std::copy_n(s_.input.begin(), n, buffer);
        s_.input.erase(0, n);
        return n;
    }
    WriteResult write(const std::uint8_t* data, std::size_t n) override {
        if (s_.writeFails) return {0, true};
        std::size_t take = s_.takePerCall;
        if (!s_.takes.empty()) {
            take = s_.takes.front();
            s_.takes.erase(s_.takes.begin());
        }
        const std::size_t took = std::min(n, take);
        s_.calls.push_back("write " + std::to_string(took));
        s_.wire.append(reinterpret_cast<const char*>(data), took);
        return {took, false};
    }
    void purge() override {
        s_.calls.push_back("purge");
        s_.input.clear();
    }
    void purgeInput() override {
        s_.calls.push_back("purge input");
        s_.wire += '|';
        s_.input.clear();
    }
    void close() override {
        s_.calls.push_back("close");
        open_ = false;
    }

private:
    PortScript& s_;
    bool open_ = false;
};

class SerialLinkTest : public ::testing::Test {
protected:
    SerialLinkTest() : link([this] { return std::make_unique<RecordingPort>(script); }) {}
    OpenResult open(PortSettings ps) {
        return link.open(ps, [this](int ms) { script.calls.push_back("pause " + std::to_string(ms)); });
    }
    PortScript script;
    SerialLink link;
};

TEST_F(SerialLinkTest, OpenWritesExactlyTheFourFieldsAndAppliesThem) {
    ASSERT_TRUE(open({"/dev/ttyUSB0", 115200, 8, 0}).ok());
    EXPECT_TRUE(link.isOpen());
    EXPECT_EQ(link.lineSettings(), (LineSettings{115200, 8, 0, 0}));
    EXPECT_EQ(script.calls, (std::vector<std::string>{"pause 5", "open /dev/ttyUSB0", "queues 2048 2048", "apply"}));
    ASSERT_EQ(script.applied.size(), 1u);
    EXPECT_EQ(script.applied[0], (LineSettings{115200, 8, 0, 0}));
}

TEST_F(SerialLinkTest, RefusedSettingsCloseTheDeviceAndKeepTheAttemptedRecord) {
    script.acceptSettings = false;
    const OpenResult r = open({"p", 4800, 8, 1});
    EXPECT_EQ(r.failure, OpenFailure::SettingsRefused);
    EXPECT_FALSE(r.reason.empty());
    EXPECT_FALSE(link.isOpen());
    EXPECT_EQ(script.calls.back(), "close");
    EXPECT_EQ(link.lineSettings(), (LineSettings{4800, 8, 0, 1}));
}

TEST_F(SerialLinkTest, DeviceThatDoesNotOpenLeavesTheRecordOfTheLastOpen) {
    ASSERT_TRUE(open({"a", 57600, 7, 2}).ok());
    link.close();
    script.openResult = openFailure(OpenFailure::Busy);
    script.calls.clear();
    const OpenResult r = open({"b", 1200, 5, 0});
    EXPECT_EQ(r.failure, OpenFailure::Busy);
    EXPECT_FALSE(link.isOpen());
    EXPECT_EQ(link.lineSettings(), (LineSettings{57600, 7, 0, 2}));
    // the closed handle answered the pre-open probe with "no", so nothing was closed
    EXPECT_EQ(script.calls, (std::vector<std::string>{"apply", "pause 5", "open b"}));
}

TEST_F(SerialLinkTest, CloseActsOnlyWhileOpen) {
    link.close();
    EXPECT_TRUE(script.calls.empty());
    ASSERT_TRUE(open({"p", 9600, 8, 0}).ok());
    script.calls.clear();
    link.close();
    EXPECT_EQ(script.calls, (std::vector<std::string>{"purge", "close"}));
    link.close();
    EXPECT_EQ(script.calls.size(), 2u);
}

TEST_F(SerialLinkTest, AnEarlierStillValidHandleIsReleasedBeforeTheNextOpen) {
    ASSERT_TRUE(open({"p", 9600, 8, 0}).ok());
    const std::uint64_t first = link.opening();
    script.calls.clear();
    ASSERT_TRUE(open({"p", 19200, 8, 0}).ok());
    EXPECT_EQ(script.calls,
              (std::vector<std::string>{"apply", "close", "pause 5", "open p", "queues 2048 2048", "apply"}));
    EXPECT_TRUE(link.isOpen());
    // The receiver's readiness watch tells the new port from the old by this, whatever its descriptor.
    EXPECT_NE(link.opening(), first);
}

TEST_F(SerialLinkTest, ProbeFollowsTheDevice) {
    EXPECT_FALSE(link.probe());  // never opened
    ASSERT_TRUE(open({"p", 9600, 8, 0}).ok());
    EXPECT_TRUE(link.probe());
    EXPECT_EQ(script.applied.back(), (LineSettings{9600, 8, 0, 0}));
    script.deviceThere = false;
    EXPECT_FALSE(link.probe());
    link.close();
    script.deviceThere = true;
    EXPECT_FALSE(link.probe());  // closed handle
}

TEST_F(SerialLinkTest, ABacklogIsTakenAheadAndReadInOrder) {
    ASSERT_TRUE(open({"p", 115200, 8, 0}).ok());
    std::string sent;
    for (int i = 0; i < 5000; ++i) sent += char('A' + i % 26);
    script.input = sent;
    script.calls.clear();

    // More than one receive buffer waits: all of it leaves the port at once.
    EXPECT_EQ(link.waiting(), 5000u);
    EXPECT_EQ(script.calls, (std::vector<std::string>{"read 5000"}));
    EXPECT_TRUE(script.input.empty());

    // New bytes arrive behind those taken ahead; reads keep the order.
    script.input = "xyz";
    EXPECT_EQ(link.waiting(), 5003u);
    std::string got(6000, '\0');
    auto* at = reinterpret_cast<std::uint8_t*>(got.data());
    EXPECT_EQ(link.read(at, 2048), 2048u);
    EXPECT_EQ(link.read(at + 2048, 4000), 2955u);
    got.resize(5003);
    EXPECT_EQ(got, sent + "xyz");
    EXPECT_EQ(link.waiting(), 0u);

    // One buffer or less is left in the port until it is read.
    script.input = std::string(SerialLink::kAheadAbove, 'q');
    script.calls.clear();
    EXPECT_EQ(link.waiting(), SerialLink::kAheadAbove);
    EXPECT_TRUE(script.calls.empty());
}

TEST_F(SerialLinkTest, BytesTakenAheadGoWithAPurgeAClosingAndANewOpen) {
    ASSERT_TRUE(open({"p", 115200, 8, 0}).ok());
    for (auto drop : {+[](SerialLink& l) { l.purgeInput(); }, +[](SerialLink& l) { l.close(); }}) {
        if (!link.isOpen()) {
            ASSERT_TRUE(open({"p", 115200, 8, 0}).ok());
        }
        script.input = std::string(3000, 'a');
        ASSERT_EQ(link.waiting(), 3000u);
        drop(link);
        if (!link.isOpen()) {
            ASSERT_TRUE(open({"p", 115200, 8, 0}).ok());
        }
        EXPECT_EQ(link.waiting(), 0u);
        std::uint8_t b = 0;
        EXPECT_EQ(link.read(&b, 1), 0u);
    }
    // Closed, nothing is counted or read, taken ahead or not.
    script.input = std::string(3000, 'a');
    ASSERT_EQ(link.waiting(), 3000u);
    link.close();
    script.input = "b";
    EXPECT_EQ(link.waiting(), 0u);
}

void queue(SerialLink& link, const std::string& packet) {
    link.write(reinterpret_cast<const std::uint8_t*>(packet.data()), packet.size());
}

// A port that takes k bytes per call: packets leave whole and in order, the
// input is discarded right before each packet's first byte, the counts add up.
TEST_F(SerialLinkTest, QueuedPacketsLeaveWholeInOrderWithTheDiscardAtEachFirstByte) {
    for (const std::size_t k : {1u, 2u, 3u, 4u, 13u, 100u}) {
        SCOPED_TRACE(k);
        ASSERT_TRUE(open({"p", 9600, 8, 0}).ok());
        script.takePerCall = k;
        script.wire.clear();
        queue(link, "ABCDEF");
        queue(link, "");  // nothing to send: nothing queued
        queue(link, "gh");
        queue(link, "IJKLM");
        EXPECT_TRUE(script.wire.empty());  // queuing alone hands nothing to the port
        EXPECT_EQ(link.outputPendingBytes(), 13u);
        std::size_t written = 0;
        for (int calls = 0; link.outputPending() && calls < 100; ++calls) {
            const std::size_t before = link.outputPendingBytes();
            const SerialLink::Drained d = link.drainOutput();
            EXPECT_FALSE(d.failed);
            EXPECT_GT(d.written, 0u);
            EXPECT_EQ(link.outputPendingBytes(), before - d.written);
            written += d.written;
        }
        EXPECT_EQ(written, 13u);
        EXPECT_EQ(script.wire, "|ABCDEF|gh|IJKLM");
        link.close();
    }
}

TEST_F(SerialLinkTest, APortThatTakesNothingGetsTheDiscardAgainAtTheNextTry) {
    ASSERT_TRUE(open({"p", 9600, 8, 0}).ok());
    queue(link, "12345");
    queue(link, "ab");
    script.takes = {3, 2, 0, 2};
    script.calls.clear();
    for (int i = 0; i < 3; ++i) {
        link.drainOutput();
        script.input += "r";  // an answer arriving while the packet goes
    }
    EXPECT_EQ(script.calls, (std::vector<std::string>{"purge input", "write 3",             // 123
                                                      "write 2", "purge input", "write 0",  // 45, then full
                                                      "purge input", "write 2"}));          // ab
    EXPECT_EQ(script.wire, "|12345||ab");
    EXPECT_FALSE(link.outputPending());
    EXPECT_EQ(script.input, "r");  // what came after the last packet's first byte stays
}

TEST_F(SerialLinkTest, AFailingPortDropsTheRestAndCloseDropsWhatWaits) {
    ASSERT_TRUE(open({"p", 9600, 8, 0}).ok());
    script.takePerCall = 2;
    queue(link, "abcdef");
    queue(link, "xyz");
    EXPECT_EQ(link.drainOutput().written, 2u);
    script.writeFails = true;
    const SerialLink::Drained d = link.drainOutput();
    EXPECT_TRUE(d.failed);
    EXPECT_EQ(d.written, 0u);
    EXPECT_EQ(d.dropped, 7u);
    EXPECT_FALSE(link.outputPending());

    script.writeFails = false;
    queue(link, "late");
    link.close();
    EXPECT_FALSE(link.outputPending());
    EXPECT_EQ(script.wire, "|ab");
    // Closed, nothing is queued at all.
    queue(link, "never");
    EXPECT_FALSE(link.outputPending());
    EXPECT_EQ(link.drainOutput().written, 0u);
}

}  // namespace
}  // namespace vantrel
