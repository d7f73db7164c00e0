#pragma once
// The number of rows a log line wraps into, found the way the text layout
// finds it (word boundaries, a word wider than the row broken anywhere, the
// last glyph's right bearing, the script runs the layout splits a line into)
// but without laying the line out, which costs about five times as much. It
// knows every character a log line can hold: printable ASCII, the control
// pictures and the other characters of Windows-1251; a line with any other
// character is left to the layout. Before it is trusted for a font and a
// width it is checked against the real layout; on any difference it declines
// every line.
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

    // Every character it knows, which is every character a log line shows.
    static QString characters();
    // Where a row may end by the Unicode rules as the layout applies them: breaks[i] set when
    // one may end before character i. False for a line with a character it does not know.
    static bool lineBreaks(QStringView text, std::vector<unsigned char>& breaks);
    // Whether those agree with Qt's here; where they do not, the counter asks Qt's line-break finder.
    static bool ownLineBreaksHold();
    // The characters it knows, one slot each.
    static constexpr int kSlots = 0x7F - 0x20 + 0x22 + 0x80;  // printable ASCII, U+2400..U+2421, Windows-1251 above 0x7F

private:
    void measure(const QFont& font);
    int rowsUnchecked(QStringView text) const;
    qsizetype row(qsizetype n, qsizetype from, bool breakAnywhere) const;
    qsizetype glyphAt(qsizetype at, qsizetype itemStart, qsizetype itemEnd) const;
    struct Char;
    bool fastForward(const Char* c, qsizetype& pos, qsizetype end, std::int64_t& width, qsizetype& length) const;
    static void breaksFrom(const std::int16_t* slot, qsizetype n, std::vector<unsigned char>& breaks);

    // What the layout takes from a glyph, in 1/64 pixel as it adds them; one set
    // for a run of Latin script (and a line of no script), one for Cyrillic:
    // a character missing from the font may come from another font in each.
    struct Glyph {
        std::int32_t advance = 0;       // as it counts in the row: 0 for an unprinted character
        std::int32_t rightBearing = 0;  // only a negative one matters
        bool known = false;
        bool noGlyph = false;           // in no font: the layout's glyph 0
    };
    std::array<Glyph, 2 * kSlots> glyphs_{};
    std::int32_t softHyphenAdvance_ = 0;  // the glyph's own, which a break after it adds
    struct Char {
        std::int32_t advance;
        std::int32_t rightBearing;
        std::int32_t item;      // the script run it is in
        bool space;             // the layout reads a run of spaces from here
        bool breakableSpace;    // a word ends before it
        bool noGlyph;           // in no font: the layout's glyph 0
        bool softHyphen;
    };
    mutable std::vector<Char> chars_;        // the line being counted
    mutable std::vector<qsizetype> items_;   // where each script run starts, then the line's end
    mutable std::vector<std::int16_t> slots_;          // each character's slot
    mutable std::vector<unsigned char> breaks_;       // where a row may end in the line
    mutable std::vector<unsigned char> breakBuffer_;  // the finder's, kept between lines
    std::int32_t minRightBearing_ = 0;
    std::int32_t width_ = 0;  // 1/64 pixel
    QFont font_;
    QFont measured_;          // the font whose glyphs are in glyphs_
    bool measuredAny_ = false;
    bool usable_ = false;
};

}  // namespace vantrel
