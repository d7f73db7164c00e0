#include "tx/command_file.h"

#include <cerrno>
#include <cstdio>
#include <memory>

#include "common/io_error.h"

namespace vantrel {

void CommandFileReader::endLine() {
    if (linesRead_ == 0 && current_.starts_with("\xEF\xBB\xBF")) current_.erase(0, 3);
    if (!currentTooLong_) lines_.push_back(std::move(current_));
    current_.clear();
    currentTooLong_ = false;
    inLine_ = false;
    ++linesRead_;
}

bool CommandFileReader::feed(std::string_view bytes) {
    for (const char c : bytes) {
        if (full()) return false;
        utf8Check_.feed(static_cast<unsigned char>(c));
        if (c == '\n' && afterCr_) {  // the LF of a CR LF pair
            afterCr_ = false;
            continue;
        }
        afterCr_ = false;
        if (c == '\r' || c == '\n') {
            afterCr_ = c == '\r';
            endLine();
            continue;
        }
        inLine_ = true;
        if (currentTooLong_) continue;
        if (current_.size() >= kMaxRawLineBytes) {
            currentTooLong_ = true;
            current_.clear();
        } else {
            current_.push_back(c);
        }
    }
    return !full();
}

void CommandFileReader::finish() {
    if (inLine_ && !full()) endLine();
    inLine_ = false;
    utf8_ = utf8Check_.valid() && utf8Check_.nonAscii();
    if (utf8_) {
        for (std::string& line : lines_) line = utf8ToCp1251(line);
    }
    std::erase_if(lines_, [](const std::string& line) { return line.size() > kMaxCommandLineBytes; });
}

CommandFile parseCommandFile(std::string_view bytes) {
    CommandFileReader reader;
    reader.feed(bytes);
    reader.finish();
    CommandFile file;
    file.linesRead = reader.linesRead();
    file.tooBig = reader.full();
    file.utf8 = reader.utf8();
    file.lines = reader.takeLines();
    return file;
}

CommandFileResult readCommandFile(const std::string& path) {
    CommandFileResult result;
    result.ok = false;
    errno = 0;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!f) {
        result.reason = ioErrorText(errno);
        return result;
    }
    CommandFileReader reader;
    char chunk[4096];
    for (;;) {
        const std::size_t got = std::fread(chunk, 1, sizeof chunk, f.get());
        if (got > 0 && !reader.feed(std::string_view(chunk, got))) break;
        if (got < sizeof chunk) {
            if (std::ferror(f.get())) {
                result.reason = ioErrorText(errno);
                return result;
            }
            break;
        }
    }
    reader.finish();
    result.ok = true;
    result.content.linesRead = reader.linesRead();
    result.content.tooBig = reader.full();
    result.content.utf8 = reader.utf8();
    result.content.lines = reader.takeLines();
    return result;
}

}  // namespace vantrel
