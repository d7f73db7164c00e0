#pragma once
// The file-sending state shared by sending, reception and the layout, and
// the decisions of the three automatic senders: the manual step through a
// command file, the periodic sender and the after-answer trigger. The window
// reads the controls, asks here what to do, and does it.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

// The period of PeriodTX in milliseconds: its leading digits, saturated far
// above any usable value; nothing when the text holds no digit at its start.
std::optional<std::int64_t> parsePeriod(std::string_view text);

// Keeps only the digits of a text (the period field accepts nothing else).
std::string digitsOnly(std::string_view text);

// What a received packet releases: in the after-answer mode, once nothing
// more waits, the next command. A packet whose line could not reach the log
// file stops the chain, so a full disk does not go on driving the device.
enum class AnswerAction { Nothing, CommandLine, NextFileLine };
struct AnswerInput {
    bool afterAnswerMode = false;
    bool moreWaiting = false;   // bytes already wait: the answer goes on
    bool fileLoaded = false;
    bool logWriteFailed = false;
};
AnswerAction afterAnswerAction(const AnswerInput& in);

class SendModes {
public:
    bool FileCmdMode = false;       // a command file is loaded
    unsigned FileCmdIndex = 0;      // next file line to send (0-based)
    bool PeriodTickMark = false;    // set by every tick of the periodic sender
    bool HistoryListShown = false;  // the history lists follow each recorded send
    // Steady-clock time of the latest periodic send; none yet: the first
    // tick of the period mode sends at once.
    std::optional<std::int64_t> LastPeriodSend;

    // What the window does after a decision.
    struct Step {
        enum class Send { Nothing, CommandLine, FileLine };
        Send send = Send::Nothing;
        unsigned line = 0;         // the file line to send (Send::FileLine)
        bool endMessage = false;   // show "Все команды отправлены"
        bool stopTimer = false;    // disable the periodic sender
    };

    // The lines of the loaded command file, in order.
    std::vector<std::string> FileLines;
    unsigned lineCount() const { return unsigned(FileLines.size()); }
    // A step's file line (Step::line); empty past the end.
    const std::string& fileLine(unsigned line) const;

    // A file has been loaded / closed.
    void fileLoaded();
    void fileLoaded(std::vector<std::string> lines);
    void fileClosed();

    // One click of "Отправить из файла" in the manual or after-answer mode
    // over a file of `lineCount` lines.
    Step manualStep(unsigned lineCount);

    // One tick of the periodic sender at steady time `nowMs`.
    struct PeriodInput {
        bool periodSelected = false;
        std::string_view periodText;
        std::int64_t nowMs = 0;
        bool portOpen = false;
        unsigned lineCount = 0;
        bool cyclic = false;
        // A packet is still going out: the tick waits, so the sender never
        // queues faster than the line carries.
        bool outputBusy = false;
    };
    Step periodTick(const PeriodInput& in);

    // The received answer releases the next file line (after-answer mode
    // with a file loaded and nothing more waiting in the input queue).
    Step afterAnswer(unsigned lineCount, bool cyclic);
};

}  // namespace vantrel
