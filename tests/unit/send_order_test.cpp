#include "tx/send_order.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace vantrel;

namespace {

// Records the steps in the order they are taken.
struct RecordingSteps : SendSteps {
    bool open = true;
    std::vector<std::string> taken;
    bool portOpen() override { return open; }
    void showPortError() override { taken.push_back("error"); }
    void recordHistory(const std::string& text) override { taken.push_back("history " + text); }
    void logLine(const std::string& line) override { taken.push_back("log " + line); }
    void queue(const std::vector<std::uint8_t>& bytes) override {
        taken.push_back("queue " + std::string(bytes.begin(), bytes.end()));
    }
    void packetQueued() override { taken.push_back("queued"); }
};

struct Case {
    const char* what;
    bool open;
    std::string text;
    std::vector<std::string> steps;
};

}  // namespace

TEST(SendOrder, StepsForOneCommand) {
    const std::string long255(255, 'x');
    const std::string long254(254, 'y');
    const Case cases[] = {
        {"closed port: only the error window", false, "AT", {"error"}},
        {"closed port, empty command: still the error", false, "", {"error"}},
        {"empty command: nothing", true, "", {}},
        {"a command: history, line, the packet queued, shown count",
         true,
         "AT",
         {"history AT", "log AT\r", "queue AT\r", "queued"}},
        {"254 characters are still recorded",
         true,
         long254,
         {"history " + long254, "log " + long254 + "\r", "queue " + long254 + "\r", "queued"}},
        {"255 characters are sent but not recorded",
         true,
         long255,
         {"log " + long255 + "\r", "queue " + long255 + "\r", "queued"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RecordingSteps steps;
        steps.open = c.open;
        sendCommand({c.text, "$0D", OutputMode::Ascii, false, {}}, steps);
        EXPECT_EQ(steps.taken, c.steps);
    }
}

TEST(SendOrder, HexModeShowsTheTextAndWritesTheBytes) {
    RecordingSteps steps;
    sendCommand({"41 42", "", OutputMode::Hex, false, {}}, steps);
    const std::vector<std::string> expected = {"history 41 42", "log 41 42", "queue AB", "queued"};
    EXPECT_EQ(steps.taken, expected);
}
