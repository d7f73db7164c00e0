#include "common/cp1251.h"

#include <array>

namespace vantrel {
namespace {

// Unicode code points of the bytes 0x80..0xFF; 0 marks the one byte (0x98)
// that Windows-1251 leaves undefined.
constexpr std::array<char16_t, 128> kHigh = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0000, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
};

// Every byte's code point, the undefined one as a private code point, so
// that a round trip gives the same byte back. Looked up without a branch:
// random bytes would mispredict every other one.
constexpr std::array<char16_t, 256> kAll = [] {
    std::array<char16_t, 256> all{};
    for (int b = 0; b < 0x80; ++b) all[std::size_t(b)] = char16_t(b);
    for (std::size_t b = 0x80; b < 0x100; ++b) all[b] = kHigh[b - 0x80] ? kHigh[b - 0x80] : char16_t(0xF898);
    return all;
}();

}  // namespace

void cp1251ToUtf16(std::string_view bytes, char16_t* out) {
    for (unsigned char b : bytes) *out++ = kAll[b];
}

std::u16string cp1251ToUtf16(std::string_view bytes) {
    std::u16string out(bytes.size(), u'\0');
    cp1251ToUtf16(bytes, out.data());
    return out;
}

std::string utf16ToCp1251(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t u = text[i];
        if (u < 0x80) {
            out.push_back(char(u));
            continue;
        }
        if (u == 0xF898) {
            out.push_back(char(0x98));
            continue;
        }
        char found = '?';
        for (std::size_t k = 0; k < kHigh.size(); ++k) {
            if (kHigh[k] == u) {
                found = char(0x80 + k);
                break;
            }
        }
        // A surrogate pair is one character that Windows-1251 cannot hold.
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < text.size()) ++i;
        out.push_back(found);
    }
    return out;
}

void Utf8Check::feed(unsigned char b) {
    if (!valid_) return;
    if (need_ > 0) {
        if (b < lo_ || b > hi_) {
            valid_ = false;
            return;
        }
        lo_ = 0x80;
        hi_ = 0xBF;
        --need_;
        return;
    }
    if (b < 0x80) return;
    nonAscii_ = true;
    // The second byte's range rules out overlong forms, surrogates and code points past U+10FFFF.
    if (b >= 0xC2 && b <= 0xDF) {
        need_ = 1;
    } else if (b >= 0xE0 && b <= 0xEF) {
        need_ = 2;
        lo_ = b == 0xE0 ? 0xA0 : 0x80;
        hi_ = b == 0xED ? 0x9F : 0xBF;
    } else if (b >= 0xF0 && b <= 0xF4) {
        need_ = 3;
        lo_ = b == 0xF0 ? 0x90 : 0x80;
        hi_ = b == 0xF4 ? 0x8F : 0xBF;
    } else {
        valid_ = false;
    }
}

std::string utf8ToCp1251(std::string_view utf8) {
    const auto byte = [utf8](std::size_t at) { return static_cast<unsigned char>(utf8[at]); };
    std::u16string text;
    text.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        Utf8Check check;
        std::size_t n = 0;
        do {
            check.feed(byte(i + n++));
        } while (check.inSequence() && i + n < utf8.size());
        if (!check.valid()) {
            text.push_back(u'?');  // the first byte of a malformed sequence; the next ones are judged afresh
            ++i;
            continue;
        }
        char32_t c = n == 1 ? byte(i) : byte(i) & (0x7F >> n);
        for (std::size_t k = 1; k < n; ++k) c = (c << 6) | (byte(i + k) & 0x3F);
        // Past the 16-bit plane Windows-1251 holds nothing: one "?" stands for it.
        text.push_back(c > 0xFFFF ? u'?' : char16_t(c));
        i += n;
    }
    return utf16ToCp1251(text);
}

}  // namespace vantrel
