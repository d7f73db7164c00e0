#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tx/send_modes.h"

using vantrel::SendModes;
using vantrel::AnswerAction;
using vantrel::afterAnswerAction;
using Send = SendModes::Step::Send;

namespace {

// Runs the periodic sender every `tickMs` from 0 to `untilMs` and returns
// what happened, one word per event: "L<n>" a file line, "CMD" the command
// line, "END" the end message, "STOP" the timer switched off.
std::vector<std::string> runPeriod(SendModes& m, SendModes::PeriodInput in, std::int64_t untilMs,
                                   std::int64_t tickMs = 1, std::vector<std::int64_t>* sendTimes = nullptr) {
    std::vector<std::string> events;
    bool running = true;
    for (std::int64_t t = in.nowMs; t <= untilMs && running; t += tickMs) {
        in.nowMs = t;
        const auto s = m.periodTick(in);
        EXPECT_TRUE(m.PeriodTickMark || s.endMessage);
        if (s.send == Send::FileLine) events.push_back("L" + std::to_string(s.line + 1));
        if (s.send == Send::CommandLine) events.push_back("CMD");
        if (s.send != Send::Nothing && sendTimes) sendTimes->push_back(t);
        if (s.endMessage) events.push_back("END");
        if (s.stopTimer) {
            events.push_back("STOP");
            running = false;
        }
    }
    return events;
}

}  // namespace

TEST(PeriodText, ParsesDigitsAndRejectsTheRest) {
    EXPECT_EQ(vantrel::parsePeriod("1000"), 1000);
    EXPECT_EQ(vantrel::parsePeriod("0"), 0);
    EXPECT_EQ(vantrel::parsePeriod("00500"), 500);
    EXPECT_EQ(vantrel::parsePeriod(""), std::nullopt);
    EXPECT_EQ(vantrel::parsePeriod("-5"), std::nullopt);
    EXPECT_EQ(vantrel::parsePeriod("12a"), 12);
    const auto huge = vantrel::parsePeriod("99999999999999999999999999");
    ASSERT_TRUE(huge.has_value());
    EXPECT_GT(*huge, std::int64_t(1) << 39);  // saturates, never wraps negative
    EXPECT_EQ(vantrel::digitsOnly("1a2-3 4\xd0"), "1234");
}

TEST(PeriodicSender, CommandLineOncePerPeriodAndStrictlyLonger) {
    SendModes m;
    std::vector<std::int64_t> times;
    const auto ev = runPeriod(m, {true, "100", 5000, true, 0, false}, 5350, 1, &times);
    // The first tick sends at once; then every 101 ms (more than P).
    EXPECT_EQ(times, (std::vector<std::int64_t>{5000, 5101, 5202, 5303}));
    EXPECT_EQ(ev.size(), 4u);
}

TEST(PeriodicSender, GatesThatSendNothing) {
    struct Case {
        const char* name;
        bool selected;
        const char* text;
        bool portOpen;
        bool busy = false;
    };
    for (const Case& c : {Case{"other mode", false, "10", true}, Case{"empty period", true, "", true},
                          Case{"port closed", true, "10", false}, Case{"a packet still going out", true, "10", true, true}}) {
        SendModes m;
        m.FileCmdMode = true;
        const auto ev = runPeriod(m, {c.selected, c.text, 0, c.portOpen, 3, false, c.busy}, 200);
        EXPECT_TRUE(ev.empty()) << c.name;
        EXPECT_EQ(m.FileCmdIndex, 0u) << c.name;  // nothing advanced
        EXPECT_TRUE(m.PeriodTickMark) << c.name;
    }
}

TEST(PeriodicSender, PortOpeningLaterSendsAtOnce) {
    SendModes m;
    EXPECT_EQ(m.periodTick({true, "1000", 0, true, 0, false}).send, Send::CommandLine);
    EXPECT_EQ(m.periodTick({true, "1000", 1500, false, 0, false}).send, Send::Nothing);
    EXPECT_EQ(m.periodTick({true, "1000", 1501, true, 0, false}).send, Send::CommandLine);
}

// The tick after the line is free again sends: the period is kept when the line can carry it.
TEST(PeriodicSender, ABusyLineHoldsTheTickUntilItIsFree) {
    SendModes m;
    SendModes::PeriodInput in{true, "100", 0, true, 0, false};
    std::vector<std::int64_t> times;
    for (std::int64_t t = 0; t <= 400; ++t) {
        in.nowMs = t;
        in.outputBusy = t > 0 && t < 250;  // the first packet takes 250 ms on the line
        if (m.periodTick(in).send != Send::Nothing) times.push_back(t);
    }
    EXPECT_EQ(times, (std::vector<std::int64_t>{0, 250, 351}));
}

TEST(PeriodicSender, PeriodZeroSendsWheneverTheClockMoved) {
    SendModes m;
    int sends = 0;
    for (std::int64_t t : {10, 10, 11, 11, 11, 12, 20}) sends += m.periodTick({true, "0", t, true, 0, false}).send != Send::Nothing;
    EXPECT_EQ(sends, 4);
}

TEST(PeriodicSender, FileOnceThenStopsWithTheMessage) {
    SendModes m;
    m.fileLoaded();
    std::vector<std::int64_t> times;
    const auto ev = runPeriod(m, {true, "99", 0, true, 3, false}, 10000, 1, &times);
    EXPECT_EQ(ev, (std::vector<std::string>{"L1", "L2", "L3", "END", "STOP"}));
    EXPECT_EQ(times, (std::vector<std::int64_t>{0, 100, 200}));
    EXPECT_EQ(m.FileCmdIndex, 0u);
    EXPECT_FALSE(m.PeriodTickMark);
}

TEST(PeriodicSender, CyclicFileRestsOnePeriodBetweenRounds) {
    SendModes m;
    m.fileLoaded();
    std::vector<std::int64_t> times;
    const auto ev = runPeriod(m, {true, "99", 0, true, 3, true}, 550, 1, &times);
    EXPECT_EQ(ev, (std::vector<std::string>{"L1", "L2", "L3", "L1", "L2"}));
    // Line 3 at 200, the end of the round at 300 without a send, line 1 at 400.
    EXPECT_EQ(times, (std::vector<std::int64_t>{0, 100, 200, 400, 500}));
}



TEST(AfterAnswer, ChainsTheFileAndRestsOrStartsOver) {
    struct Case {
        const char* name;
        bool cyclic, tickMark;
        std::vector<std::string> expected;  // for six answers after line 1 went out
    };
    const std::vector<Case> cases = {
        {"once", false, false, {"L2", "L3", "END", "L1", "L2", "L3"}},
        {"once, periodic sender ticked", false, true, {"L2", "L3", "-", "L1", "L2", "L3"}},
        {"cyclic", true, false, {"L2", "L3", "L1", "L2", "L3", "L1"}},
    };
    for (const auto& c : cases) {
        SendModes m;
        m.fileLoaded();
        m.PeriodTickMark = c.tickMark;
        ASSERT_EQ(m.manualStep(3).line, 0u);  // "Отправить из файла" sends line 1
        std::vector<std::string> seen;
        for (int answer = 0; answer < 6; ++answer) {
            const auto s = m.afterAnswer(3, c.cyclic);
            if (s.send == Send::FileLine) seen.push_back("L" + std::to_string(s.line + 1));
            else seen.push_back(s.endMessage ? "END" : "-");
            EXPECT_FALSE(s.stopTimer);
        }
        EXPECT_EQ(seen, c.expected) << c.name;
    }
}

TEST(AfterAnswer, EmptyFileAndIndexBeyondTheEnd) {
    SendModes m;
    m.fileLoaded();
    const auto s = m.afterAnswer(0, true);
    EXPECT_EQ(s.send, Send::Nothing);
    EXPECT_FALSE(s.endMessage);  // cyclic: no message, and nothing to send
    m.FileCmdIndex = 7;
    EXPECT_EQ(m.afterAnswer(3, false).send, Send::Nothing);
    EXPECT_EQ(m.FileCmdIndex, 7u);
}


TEST(AfterAnswer, WhatACompletePacketReleases) {
    using A = AnswerAction;
    struct Case {
        bool mode, waiting, file, failed;
        A action;
    } const cases[] = {
        {false, false, false, false, A::Nothing},       // another mode
        {false, false, true, false, A::Nothing},
        {true, false, false, false, A::CommandLine},    // the command line again
        {true, false, true, false, A::NextFileLine},    // the file's next line
        {true, true, false, false, A::Nothing},         // more bytes wait: the answer goes on
        {true, true, true, false, A::Nothing},
        {true, false, false, true, A::Nothing},         // its line did not reach the log file
        {true, false, true, true, A::Nothing},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.mode << c.waiting << c.file << c.failed);
        EXPECT_EQ(afterAnswerAction({c.mode, c.waiting, c.file, c.failed}), c.action);
    }
}

TEST(SendModesFile, LinesAreHeldWithTheStateAndDroppedOnClose) {
    SendModes m;
    m.fileLoaded({"ONE", "TWO"});
    EXPECT_TRUE(m.FileCmdMode);
    EXPECT_EQ(m.lineCount(), 2u);
    const SendModes::Step first = m.manualStep(m.lineCount());
    EXPECT_EQ(m.fileLine(first.line), "ONE");
    EXPECT_EQ(m.fileLine(m.manualStep(m.lineCount()).line), "TWO");
    EXPECT_EQ(m.fileLine(7), "");
    m.fileClosed();
    EXPECT_FALSE(m.FileCmdMode);
    EXPECT_EQ(m.lineCount(), 0u);
}
