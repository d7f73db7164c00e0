#include "tools/sim_device.h"

#include <algorithm>

namespace vantrel {

std::optional<std::string> parseEscapes(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (++i == text.size()) return std::nullopt;
        switch (text[i]) {
        case 'r': out += '\r'; break;
        case 'n': out += '\n'; break;
        case 't': out += '\t'; break;
        case '\\': out += '\\'; break;
        case 'x': {
            int v = 0;
            for (int k = 1; k <= 2; ++k) {
                if (i + std::size_t(k) >= text.size()) return std::nullopt;
                const char c = text[i + std::size_t(k)];
                int d;
                if (c >= '0' && c <= '9') d = c - '0';
                else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
                else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
                else return std::nullopt;
                v = v * 16 + d;
            }
            out += char(v);
            i += 2;
            break;
        }
        default: return std::nullopt;
        }
    }
    return out;
}

DeviceBehaviour::DeviceBehaviour() {
    answers_["AT\r"] = "OK\r\n";
    answers_["ATI\r"] = "Vantrel simulated device\r\n";
    answers_["PING\r"] = "PONG\r\n";
}

void DeviceBehaviour::setAnswer(const std::string& command, const std::string& reply) {
    answers_[command] = reply;
}

std::string DeviceBehaviour::onReceive(std::string_view bytes) {
    std::string out;
    if (echo_) out.append(bytes);
    for (char c : bytes) {
        line_ += c;
        if (c != '\r' && c != '\n') {
            if (line_.size() > kMaxLine) line_.erase(0, line_.size() - kMaxLine);
            continue;
        }
        const auto it = answers_.find(line_);
        if (it != answers_.end()) out += it->second;
        line_.clear();
    }
    return out;
}

void StreamPacer::start(std::uint64_t count, std::uint32_t bytesPerSecond, std::int64_t nowMs, bool random) {
    count_ = count;
    sent_ = 0;
    rate_ = std::max<std::uint32_t>(bytesPerSecond, 1);
    startMs_ = nowMs;
    random_ = random;
    seed_ = 7;
}

std::string StreamPacer::due(std::int64_t nowMs, std::size_t maxBytes) {
    static constexpr std::string_view pattern = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    const std::int64_t elapsed = std::max<std::int64_t>(nowMs - startMs_, 0);
    const std::uint64_t limit = maxBytes >= count_ - sent_ ? count_ : sent_ + maxBytes;
    const std::uint64_t byNow = std::min<std::uint64_t>(limit, std::uint64_t(elapsed) * rate_ / 1000);
    std::string out;
    for (; sent_ < byNow; ++sent_) {
        if (!random_) {
            out += pattern[sent_ % pattern.size()];
            continue;
        }
        seed_ = seed_ * 1103515245u + 12345u;
        out += char(seed_ >> 23);
    }
    return out;
}

}  // namespace vantrel
