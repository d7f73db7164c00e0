#include "rx/ui/wrap_count.h"

#include <QFontMetricsF>
#include <QTextBoundaryFinder>
#include <QTextLayout>

#include <algorithm>
#include <memory>

#include "common/cp1251.h"

namespace vantrel {

namespace {

std::int32_t toFixed(qreal v) { return std::int32_t(v * 64); }  // truncated, as the layout converts

int layoutRows(const QString& text, const QFont& font, qreal rowWidth, const QTextOption& option) {
    QTextLayout layout(text, font);
    layout.setTextOption(option);
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) line.setLineWidth(rowWidth);
    layout.endLayout();
    return layout.lineCount();
}

enum Script : std::uint8_t { kCommon, kLatin, kCyrillic };

// What the counter needs of each character it knows, looked up by its code.
struct Slots {
    std::array<char16_t, WrapCounter::kSlots> code{};
    std::array<Script, WrapCounter::kSlots> script{};
    std::array<bool, WrapCounter::kSlots> space{}, breakableSpace{}, word{};
    std::vector<std::int16_t> of = std::vector<std::int16_t>(0x10000, -1);

    Slots() {
        int s = 0;
        for (char16_t c = 0x20; c < 0x7F; ++c) code[std::size_t(s++)] = c;
        for (char16_t c = 0x2400; c <= 0x2421; ++c) code[std::size_t(s++)] = c;
        // Byte 0x98, which has no character, is shown as the replacement character.
        for (int b = 0x80; b <= 0xFF; ++b) {
            const char16_t c = cp1251ToUtf16(std::string(1, char(b)))[0];
            code[std::size_t(s++)] = c == 0xF898 ? char16_t(0xFFFD) : c;
        }
        for (int i = 0; i < WrapCounter::kSlots; ++i) {
            const QChar c(code[std::size_t(i)]);
            of[c.unicode()] = std::int16_t(i);
            script[std::size_t(i)] = c.script() == QChar::Script_Latin      ? kLatin
                                     : c.script() == QChar::Script_Cyrillic ? kCyrillic
                                                                            : kCommon;
            space[std::size_t(i)] = c.isSpace();
            breakableSpace[std::size_t(i)] = c.isSpace() && c.decompositionTag() != QChar::NoBreak;
            // Letters and digits: the rules never end a row between two of them.
            word[std::size_t(i)] = (c.unicode() < 0x80 && c.isLetterOrNumber()) || (script[std::size_t(i)] == kCyrillic && c.isLetter());
        }
    }
};

const Slots& charTable() {
    static const Slots s;
    return s;
}

// Lines that reach every branch of the count: a stream line, a HEX line, words
// longer than a row, runs of spaces, script runs inside words, every character.
QStringList sampleLines() {
    QStringList lines;
    QString alnum = QStringLiteral("12:34:56.789 RX: ");
    for (int i = 0; i < 900; ++i) alnum += QChar(u"0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ"[i % 36]);
    lines << alnum;
    QString hex = QStringLiteral("12:34:56.789 RX: ");
    for (int i = 0; i < 300; ++i) hex += QString::asprintf("%02X ", (i * 37) & 0xFF);
    lines << hex;
    const Slots& s = charTable();
    std::uint32_t seed = 12345;
    const auto next = [&seed] { return (seed = seed * 1103515245u + 12345u) >> 16; };
    for (int kind = 0; kind < 3; ++kind) {
        QString mixed;
        while (mixed.size() < 1200) {
            const std::uint32_t r = next() % 400;
            if (kind == 0) mixed += QChar(s.code[std::size_t(r % WrapCounter::kSlots)]);  // any character
            else if (kind == 1) mixed += r < 60 ? QChar(u' ') : QChar(char16_t(0x410 + r % 64));  // Cyrillic words
            else mixed += r < 30 ? QChar(u' ') : QChar(s.code[std::size_t(0x21 + r % 0x5E)]);   // ASCII, no controls
        }
        lines << mixed << mixed.left(40 + 30 * kind);  // also one shorter than a row
    }
    lines << QString(700, u'W') + QStringLiteral("  j") << QStringLiteral("   fj   ") + QString(40, u' ') + QStringLiteral("f")
          << QString(300, u'ж') + QStringLiteral("abc") + QString(300, u'Щ') + QStringLiteral("xyz1234");
    return lines;
}

}  // namespace

QString WrapCounter::characters() {
    const Slots& s = charTable();
    return QString(reinterpret_cast<const QChar*>(s.code.data()), kSlots);
}

// Every character's advance and bearing as the layout takes them, in either
// script run; a character of one script never stands in a run of the other.
void WrapCounter::measure(const QFont& font) {
    const QFontMetricsF metrics(font);
    const Slots& s = charTable();
    const QString cyrillic = QStringLiteral("Ж");
    const qreal cyrillicAdvance = metrics.horizontalAdvance(cyrillic);
    for (int i = 0; i < kSlots; ++i) {
        const QChar c(s.code[std::size_t(i)]);
        const std::int32_t bearing = std::min<std::int32_t>(0, toFixed(metrics.rightBearing(c)));
        // Measured within a line, so that a character the layout does not print counts as it counts there.
        const std::int32_t latin = toFixed(metrics.horizontalAdvance(QString(c)));
        const std::int32_t inCyrillic = toFixed(metrics.horizontalAdvance(cyrillic + c) - cyrillicAdvance);
        const bool noGlyph = !metrics.inFont(c);
        glyphs_[std::size_t(i)] = Glyph{latin, bearing, s.script[std::size_t(i)] != kCyrillic, noGlyph};
        // A character of no script that a Cyrillic run draws from another font than a Latin run does:
        // its bearing there is not known, and a line with it is laid out.
        glyphs_[std::size_t(kSlots + i)] = Glyph{inCyrillic, bearing, s.script[std::size_t(i)] != kLatin &&
                                                                          (s.script[std::size_t(i)] == kCyrillic || inCyrillic == latin),
                                                 noGlyph};
    }
    softHyphenAdvance_ = toFixed(metrics.horizontalAdvance(QChar(0xAD)));
    minRightBearing_ = std::min<std::int32_t>(0, toFixed(metrics.minRightBearing()));
    measured_ = font;
    measuredAny_ = true;
}

void WrapCounter::configure(const QFont& font, qreal rowWidth, const QTextOption& option) {
    font_ = font;
    usable_ = false;
    // Other wrap modes, text flags and spacings change where rows end.
    if (rowWidth <= 0 || rowWidth > 1e6 || option.wrapMode() != QTextOption::WrapAtWordBoundaryOrAnywhere ||
        option.flags() != QTextOption::Flags() || font.letterSpacing() != 0 || font.wordSpacing() != 0)
        return;
    // A new width alone keeps the glyphs.
    if (!measuredAny_ || font != measured_) measure(font);
    width_ = toFixed(rowWidth);
    for (const QString& line : sampleLines()) {
        const int rows = rowsUnchecked(line);
        if (rows == 0 || rows != layoutRows(line, font, rowWidth, option)) return;
    }
    usable_ = true;
}

int WrapCounter::rows(QStringView text) const {
    if (!usable_) return 0;
    return rowsUnchecked(text);
}

int WrapCounter::rowsUnchecked(QStringView text) const {
    // A line this long may be cut into several items, where the layout's bookkeeping differs.
    if (text.size() > 4000) return 0;
    const Slots& s = charTable();
    const qsizetype n = text.size();
    if (n == 0) return 1;
    chars_.resize(std::size_t(n));
    items_.assign(1, 0);
    cyrillicItems_.clear();
    // The layout's script runs: a character of no script stays in the run before it.
    Script run = kCommon;
    for (qsizetype i = 0; i < n; ++i) {
        const int slot = s.of[text[i].unicode()];
        if (slot < 0) return 0;
        const Script script = s.script[std::size_t(slot)];
        if (script != kCommon && script != run) {
            if (run != kCommon) {
                items_.push_back(i);
                cyrillicItems_.push_back(run == kCyrillic);
            }
            run = script;
        }
        // The slot for now: the glyph follows once the run's script is known.
        chars_[std::size_t(i)] = Char{slot, 0, std::int32_t(items_.size() - 1), s.space[std::size_t(slot)],
                                      s.breakableSpace[std::size_t(slot)], false, false, text[i] == QChar(0xAD)};
    }
    cyrillicItems_.push_back(run == kCyrillic);  // a line of no script is laid out as Latin
    items_.push_back(n);
    std::int64_t total = 0;
    std::int32_t bearing = minRightBearing_;
    for (Char& c : chars_) {
        const Glyph& g = glyphs_[(cyrillicItems_[std::size_t(c.item)] ? kSlots : 0) + std::size_t(c.advance)];
        if (!g.known) return 0;
        c.advance = g.advance;
        c.rightBearing = g.rightBearing;
        c.noGlyph = g.noGlyph;
        total += g.advance;
        bearing = std::min(bearing, g.rightBearing);
    }
    // Narrower than a row with any glyph's bearing: no row ends anywhere.
    if (total - bearing <= width_) return 1;
    // Where a row may end besides spaces follows the Unicode rules as the layout applies them.
    // They never end one between two letters or digits, so a long run of them at the end (a
    // stream of data) is left out, but for a few characters the rules may look ahead at.
    const auto word = [&](QChar c) { return s.word[std::size_t(s.of[c.unicode()])]; };
    qsizetype tail = n;
    while (tail > 0 && word(text[tail - 1])) --tail;
    constexpr qsizetype kLookAhead = 8;
    const qsizetype scanned = n - tail > 2 * kLookAhead ? tail + kLookAhead : n;
    const qsizetype trusted = scanned < n ? tail + 1 : n;
    // Its own buffer spares an allocation per line.
    breakBuffer_.resize(std::size_t(scanned) + 1);
    QTextBoundaryFinder finder(QTextBoundaryFinder::Line, text.data(), scanned, breakBuffer_.data(),
                               qsizetype(breakBuffer_.size()));
    for (qsizetype p = finder.toNextBoundary(); p >= 0 && p < trusted; p = finder.toNextBoundary())
        chars_[std::size_t(p)].breakBefore = true;
    int rows = 1;
    for (qsizetype from = row(n, 0, false); from < n; from += row(n, from, false)) ++rows;
    return rows;
}

// The character whose glyph the layout takes for the one before `at` while it
// reads the run [itemStart, itemEnd): it looks the glyph up among that run's
// glyphs at the place it had in its own run, so across a run's start it finds
// another character, or none (-1). A character in no font has glyph 0: none.
qsizetype WrapCounter::glyphAt(qsizetype at, qsizetype itemStart, qsizetype itemEnd) const {
    if (at < 0) return -1;
    const qsizetype inOwnRun = at - items_[std::size_t(chars_[std::size_t(at)].item)];
    const qsizetype g = itemStart + inOwnRun;
    return g < itemEnd ? g : -1;
}

// Takes characters into a row broken anywhere while even the widest bearing
// would keep the row within its width; false if it took none. A character
// with no advance is left to the careful way, as is a soft hyphen.
bool WrapCounter::fastForward(const Char* c, qsizetype& pos, qsizetype end, std::int64_t& width, qsizetype& length) const {
    const qsizetype from = pos;
    while (pos < end && c[pos].advance > 0 && !c[pos].breakableSpace && !c[pos].softHyphen &&
           width + c[pos].advance - minRightBearing_ <= width_) {
        width += c[pos].advance;
        ++pos;
    }
    length += pos - from;
    return pos > from;
}

// One row from `from`: the characters it takes, its trailing spaces included.
qsizetype WrapCounter::row(qsizetype n, qsizetype from, bool breakAnywhere) const {
    struct Run {
        std::int64_t width = 0;
        qsizetype length = 0;
    };
    const Char* c = chars_.data();
    constexpr std::int32_t kNoBearing = 64;  // any positive value: not taken yet

    Run line, word, spaces;
    std::int32_t rightBearing = kNoBearing;
    // A soft hyphen ending the word read last, and the one ending the row so far: shown if the row ends there.
    std::int32_t softHyphen = 0, rowSoftHyphen = 0;
    // The character whose glyph stands before the chunk, for its right bearing:
    // where it was read and in which run, looked up only when a bearing is needed.
    qsizetype previousAt = -1, previousStart = 0, previousEnd = 0;
    bool lastWasSpace = true;
    qsizetype pos = from;
    std::int32_t item = c[from].item;
    qsizetype start = items_[std::size_t(item)], end = items_[std::size_t(item) + 1];

    const auto bearingOf = [&](qsizetype g) { return g >= 0 ? c[g].rightBearing : 0; };
    const auto savePrevious = [&] {
        previousAt = pos - 1;
        previousStart = start;
        previousEnd = end;
    };
    const auto previous = [&] {
        const qsizetype g = glyphAt(previousAt, previousStart, previousEnd);
        return g >= 0 && !c[g].noGlyph ? g : -1;
    };
    const auto newWidth = [&] {
        return line.width + word.width + spaces.width + (line.width > 0 ? softHyphen : 0) - std::min(rightBearing, 0);
    };
    // Takes the word and the spaces before it into the row, unless the row is then too wide.
    const auto full = [&] {
        if (line.length && newWidth() > width_) return true;
        const std::int64_t before = line.width;
        line.width += word.width + spaces.width;
        line.length += word.length + spaces.length;
        word = {};
        spaces = {};
        if (line.width != before || softHyphen > 0) {
            rowSoftHyphen = softHyphen;
            softHyphen = 0;
        }
        return false;
    };
    // The row as it ends: the bearing taken, the row laid out again broken anywhere if too wide.
    const auto rowEnd = [&] {
        if (rightBearing > 0 && !lastWasSpace) rightBearing = bearingOf(glyphAt(pos - 1, start, end));
        line.width -= std::min(rightBearing, 0);
        if (line.length == 0) {
            line.width += word.width;
            line.length += word.length;
        }
        if (!breakAnywhere && line.width > width_) return row(n, from, true);
        return line.length + spaces.length;
    };

    while (pos < n) {
        rightBearing = kNoBearing;
        if (c[pos].breakableSpace) {
            lastWasSpace = true;
            while (pos < end && c[pos].breakableSpace) {
                spaces.width += c[pos].advance;
                ++spaces.length;
                ++pos;
            }
            if (spaces.width > width_) {
                spaces.width = width_;
                return rowEnd();
            }
        } else if (breakAnywhere && spaces.length == 0 && fastForward(c, pos, end, line.width, line.length)) {
            // Whole characters taken at once: no glyph's bearing can matter this far from the row's end.
            lastWasSpace = false;
            rowSoftHyphen = 0;
            savePrevious();
        } else {
            lastWasSpace = false;
            bool wordEnds = false;
            savePrevious();
            do {
                word.width += c[pos].advance;
                ++word.length;
                ++pos;
                if (pos >= n || c[pos].breakableSpace || c[pos].breakBefore) {
                    wordEnds = true;
                    break;
                }
                if (breakAnywhere) break;
                // Wider than a row from the row's start: laid out again, broken anywhere.
                if (!line.length && spaces.width + word.width > width_) return row(n, from, true);
                // Already too wide, the row ends before this word: what is left to read is its last
                // script run's start and its end, which decide the bearing and a soft hyphen.
                if (line.length && line.width + spaces.width + word.width > width_) {
                    qsizetype q = pos;
                    while (q < n && !c[q].breakableSpace && !c[q].breakBefore) {
                        if (q == items_[std::size_t(c[q].item)]) {
                            item = c[q].item;
                            start = q;
                            end = items_[std::size_t(item) + 1];
                            pos = q;
                            savePrevious();
                        }
                        ++q;
                    }
                    pos = q;
                    line.width += rowSoftHyphen;
                    const qsizetype g = previous();
                    rightBearing = g >= 0 ? bearingOf(g) : kNoBearing;
                    return rowEnd();
                }
            } while (pos < end);
            // A row that ends after a soft hyphen shows a hyphen there.
            if ((pos == end || c[pos].breakBefore) && c[pos - 1].softHyphen) softHyphen = softHyphenAdvance_;
            if (wordEnds || breakAnywhere) {
                if (newWidth() - minRightBearing_ > width_) rightBearing = bearingOf(glyphAt(pos - 1, start, end));
                if (full()) {
                    if (const qsizetype g = previous(); g >= 0) rightBearing = bearingOf(g);
                    line.width += rowSoftHyphen;
                    return rowEnd();
                }
            }
            savePrevious();
        }
        if (pos == end && pos < n) {
            item = c[pos].item;
            start = pos;
            end = items_[std::size_t(item) + 1];
        }
    }
    full();
    line.width += rowSoftHyphen;
    return rowEnd();
}

}  // namespace vantrel
