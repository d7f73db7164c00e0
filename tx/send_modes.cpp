#include "tx/send_modes.h"

namespace vantrel {

namespace {
constexpr std::int64_t kPeriodCeiling = std::int64_t(1) << 40;  // ~35 years of ms
}

std::optional<std::int64_t> parsePeriod(std::string_view text) {
    std::int64_t value = 0;
    bool any = false;
    for (const char c : text) {
        if (c < '0' || c > '9') break;
        any = true;
        if (value < kPeriodCeiling) value = value * 10 + (c - '0');
    }
    if (!any) return std::nullopt;
    return value < kPeriodCeiling ? value : kPeriodCeiling;
}

std::string digitsOnly(std::string_view text) {
    std::string out;
    for (const char c : text)
        if (c >= '0' && c <= '9') out.push_back(c);
    return out;
}

void SendModes::fileLoaded() {
    HistoryListShown = false;
    FileCmdMode = true;
    FileCmdIndex = 0;
}

void SendModes::fileLoaded(std::vector<std::string> lines) {
    FileLines = std::move(lines);
    fileLoaded();
}

void SendModes::fileClosed() {
    HistoryListShown = true;
    FileCmdMode = false;
    FileLines.clear();
}

const std::string& SendModes::fileLine(unsigned line) const {
    static const std::string none;
    return line < FileLines.size() ? FileLines[line] : none;
}

AnswerAction afterAnswerAction(const AnswerInput& in) {
    if (!in.afterAnswerMode || in.moreWaiting || in.logWriteFailed) return AnswerAction::Nothing;
    return in.fileLoaded ? AnswerAction::NextFileLine : AnswerAction::CommandLine;
}

SendModes::Step SendModes::manualStep(unsigned lineCount) {
    Step step;
    if (FileCmdIndex < lineCount) {
        step.send = Step::Send::FileLine;
        step.line = FileCmdIndex++;
    } else {
        FileCmdIndex = 0;
        step.endMessage = true;
    }
    return step;
}

SendModes::Step SendModes::periodTick(const PeriodInput& in) {
    Step step;
    PeriodTickMark = true;
    if (!in.periodSelected) return step;
    const std::optional<std::int64_t> period = parsePeriod(in.periodText);
    if (!period) return step;
    if (LastPeriodSend && in.nowMs - *LastPeriodSend <= *period) return step;
    if (!in.portOpen || in.outputBusy) return step;
    LastPeriodSend = in.nowMs;
    if (!FileCmdMode) {
        step.send = Step::Send::CommandLine;
        return step;
    }
    if (FileCmdIndex < in.lineCount) {
        step.send = Step::Send::FileLine;
        step.line = FileCmdIndex++;
        return step;
    }
    FileCmdIndex = 0;
    if (in.cyclic) return step;  // the first line follows one period later
    step.stopTimer = true;
    if (PeriodTickMark) {
        PeriodTickMark = false;
        step.endMessage = true;
    }
    return step;
}

SendModes::Step SendModes::afterAnswer(unsigned lineCount, bool cyclic) {
    Step step;
    bool withheld = false;
    if (FileCmdIndex == lineCount) {
        if (!cyclic) {
            withheld = true;
            step.endMessage = !PeriodTickMark;
        }
        FileCmdIndex = 0;
    }
    if (!withheld && FileCmdIndex < lineCount) {
        step.send = Step::Send::FileLine;
        step.line = FileCmdIndex++;
    }
    return step;
}

}  // namespace vantrel
