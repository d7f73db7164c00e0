#pragma once
// Command files: plain text, one command per line, read as Windows-1251
// bytes. A file from an editor that writes UTF-8 works too: a leading UTF-8
// mark is dropped, and a file that is well-formed UTF-8 with any character
// beyond ASCII is converted to Windows-1251 ("?" for what it cannot hold).
// Lines end with CR LF, LF or CR alike. At most 500 lines are read; a line of
// 255 characters or more is left out but still counts.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "common/cp1251.h"
#include "common/io_error.h"

namespace vantrel {

inline constexpr std::size_t kMaxCommandFileLines = 500;
inline constexpr std::size_t kMaxCommandLineBytes = 254;  // 255 and more are left out

// Splits a command file into lines as it arrives, chunk by chunk, so a huge
// file is never held in memory; stops taking lines after the 500th.
class CommandFileReader {
public:
    // Feeds the next bytes of the file; returns false once 500 lines are read.
    bool feed(std::string_view bytes);
    // The end of the file: a last line without a line end still counts, and
    // the kept lines are converted from UTF-8 when the file was UTF-8.
    void finish();

    bool full() const { return linesRead_ >= kMaxCommandFileLines; }
    std::size_t linesRead() const { return linesRead_; }
    // After finish(): the file was UTF-8 and its lines were converted.
    bool utf8() const { return utf8_; }
    // After finish(): the kept lines, in Windows-1251.
    const std::vector<std::string>& lines() const { return lines_; }
    std::vector<std::string> takeLines() { return std::move(lines_); }

private:
    // A line in UTF-8 takes up to 4 bytes a character, the first one the mark
    // as well: longer ones are too long whatever the file turns out to be.
    static constexpr std::size_t kMaxRawLineBytes = 4 * kMaxCommandLineBytes + 3;

    void endLine();

    Utf8Check utf8Check_;  // over every byte read
    bool utf8_ = false;
    std::vector<std::string> lines_;
    std::string current_;
    bool currentTooLong_ = false;
    bool inLine_ = false;        // bytes of an unfinished line have been seen
    bool afterCr_ = false;       // the last byte ended a line with CR
    std::size_t linesRead_ = 0;  // every line, also the ones left out
};

struct CommandFile {
    std::vector<std::string> lines;  // the kept lines, in file order
    std::size_t linesRead = 0;       // every line read, up to 500
    bool tooBig = false;             // 500 lines were read ("Большой файл")
    bool utf8 = false;               // converted from UTF-8
};

// The lines of a whole file image.
CommandFile parseCommandFile(std::string_view bytes);

// Read or not, and why not; `content` when it was.
struct CommandFileResult : FileResult {
    CommandFile content;
};

// Reads the command file at `path`.
CommandFileResult readCommandFile(const std::string& path);

}  // namespace vantrel
