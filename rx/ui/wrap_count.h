#pragma once
// The number of rows a log line wraps into, found the way the text layout
// finds it (word boundaries, a word wider than the row broken anywhere, the
// last glyph's right bearing) but without laying the line out, which costs
// about five times as much. It knows the printable ASCII characters and the
// control pictures; a line with any other character is left to the layout.
// Before it is trusted for a font and a width it is checked against the real
// layout; on any difference it declines every line.
#include <QFont>
#include <QString>
#include <QStringView>
#include <QTextOption>

#include <array>
#include <cstdint>
#include <vector>

namespace vantrel {

class WrapCounter {
public:
    // The font of the text, the width of a row in pixels, the text's options.
    void configure(const QFont& font, qreal rowWidth, const QTextOption& option);
    bool configuredFor(const QFont& font) const { return font == font_; }
    // Rows of one line (at least 1); 0 when the line is not one it can count.
    int rows(QStringView text) const;
    bool usable() const { return usable_; }

private:
    static int slot(char16_t c);
    int rowsUnchecked(QStringView text) const;
    qsizetype row(qsizetype n, qsizetype from, bool breakAnywhere) const;

    static constexpr int kSlots = 0x7F - 0x20 + 0x22;  // printable ASCII, then U+2400..U+2421
    struct Glyph {
        std::int32_t advance = 0;       // 1/64 pixel, as the layout adds them
        std::int32_t rightBearing = 0;  // only a negative one matters
        bool known = false;
    };
    std::array<Glyph, kSlots> glyphs_{};
    struct Char {
        std::int32_t advance;
        std::int32_t rightBearing;
        bool space;
        bool breakBefore;  // a row may end before it
    };
    mutable std::vector<Char> chars_;  // the line being counted
    std::int32_t minRightBearing_ = 0;
    std::int32_t width_ = 0;  // 1/64 pixel
    QFont font_;
    bool usable_ = false;
};

}  // namespace vantrel
