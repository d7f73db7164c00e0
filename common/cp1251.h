#pragma once
// Windows-1251, the one code page of the terminal: what goes on the wire in
// ASCII mode, into the three files and into the log.
#include <string>
#include <string_view>

namespace vantrel {

// Every byte maps to one UTF-16 unit.
std::u16string cp1251ToUtf16(std::string_view bytes);
// The same into `out`, which holds bytes.size() units.
void cp1251ToUtf16(std::string_view bytes, char16_t* out);
// A character that Windows-1251 cannot hold becomes "?", never dropped.
std::string utf16ToCp1251(std::u16string_view text);

// UTF-8 to Windows-1251, one byte per character; a character that Windows-1251
// cannot hold becomes "?", and so does each byte of a malformed sequence.
std::string utf8ToCp1251(std::string_view utf8);

// Tells, fed byte by byte in any pieces, whether a text is well-formed UTF-8
// (no overlong forms, no surrogates, nothing past U+10FFFF) and whether it
// holds any character beyond ASCII.
class Utf8Check {
public:
    void feed(unsigned char b);
    // A text that ends inside a sequence is not well-formed.
    bool valid() const { return valid_ && need_ == 0; }
    bool inSequence() const { return valid_ && need_ > 0; }
    bool nonAscii() const { return nonAscii_; }

private:
    bool valid_ = true;
    bool nonAscii_ = false;
    int need_ = 0;  // continuation bytes still to come
    unsigned char lo_ = 0x80, hi_ = 0xBF;  // the range of the next one
};

}  // namespace vantrel
