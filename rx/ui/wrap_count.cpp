#include "rx/ui/wrap_count.h"

#include <QFontMetricsF>
#include <QTextBoundaryFinder>
#include <QTextLayout>

#include <algorithm>
#include <functional>

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

// Lines that reach every branch of the count: a stream line, a HEX line,
// words longer than a row, runs of spaces, every known character.
QStringList sampleLines(const std::function<bool(QChar)>& known) {
    QStringList lines;
    QString alnum = QStringLiteral("12:34:56.789 RX: ");
    for (int i = 0; i < 900; ++i) alnum += QChar(u"0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ"[i % 36]);
    lines << alnum;
    QString hex = QStringLiteral("12:34:56.789 RX: ");
    for (int i = 0; i < 300; ++i) hex += QString::asprintf("%02X ", (i * 37) & 0xFF);
    lines << hex;
    QString mixed;
    std::uint32_t seed = 12345;
    while (mixed.size() < 1200) {
        seed = seed * 1103515245u + 12345u;
        const std::uint32_t r = (seed >> 16) % 130;
        const QChar c(r < 95 ? char16_t(0x20 + r) : r < 120 ? u' ' : char16_t(0x2400 + (r - 120)));
        if (known(c)) mixed += c;
    }
    lines << mixed << QString(700, u'W') + QStringLiteral("  j") << QStringLiteral("   fj   ") + QString(40, u' ') + QStringLiteral("f");
    return lines;
}

}  // namespace

int WrapCounter::slot(char16_t c) {
    if (c >= 0x20 && c < 0x7F) return c - 0x20;
    if (c >= 0x2400 && c <= 0x2421) return 0x7F - 0x20 + (c - 0x2400);
    return -1;
}

void WrapCounter::configure(const QFont& font, qreal rowWidth, const QTextOption& option) {
    font_ = font;
    usable_ = false;
    // Other wrap modes, text flags and spacings change where rows end.
    if (rowWidth <= 0 || rowWidth > 1e6 || option.wrapMode() != QTextOption::WrapAtWordBoundaryOrAnywhere ||
        option.flags() != QTextOption::Flags() || font.letterSpacing() != 0 || font.wordSpacing() != 0)
        return;
    const QFontMetricsF metrics(font);
    for (int i = 0; i < kSlots; ++i) {
        const char16_t c = i < 0x7F - 0x20 ? char16_t(0x20 + i) : char16_t(0x2400 + i - (0x7F - 0x20));
        Glyph& g = glyphs_[std::size_t(i)];
        g.known = metrics.inFont(QChar(c));
        g.advance = toFixed(metrics.horizontalAdvance(QString(QChar(c))));
        g.rightBearing = std::min<std::int32_t>(0, toFixed(metrics.rightBearing(QChar(c))));
    }
    minRightBearing_ = std::min<std::int32_t>(0, toFixed(metrics.minRightBearing()));
    width_ = toFixed(rowWidth);
    const auto known = [this](QChar c) { return slot(c.unicode()) >= 0 && glyphs_[std::size_t(slot(c.unicode()))].known; };
    for (const QString& line : sampleLines(known))
        if (rowsUnchecked(line) != layoutRows(line, font, rowWidth, option)) return;
    usable_ = true;
}

int WrapCounter::rows(QStringView text) const {
    if (!usable_) return 0;
    return rowsUnchecked(text);
}

int WrapCounter::rowsUnchecked(QStringView text) const {
    // A line this long may be cut into several items, where the layout's bookkeeping differs.
    if (text.size() > 4000) return 0;
    chars_.resize(std::size_t(text.size()));
    for (qsizetype i = 0; i < text.size(); ++i) {
        const int s = slot(text[i].unicode());
        if (s < 0) return 0;
        const Glyph& g = glyphs_[std::size_t(s)];
        if (!g.known) return 0;
        chars_[std::size_t(i)] = Char{g.advance, g.rightBearing, text[i] == u' ', false};
    }
    // Where a row may end besides spaces follows the Unicode rules as the layout applies them.
    // They never end one between two letters or digits, so a long run of them at the end (a
    // stream of data) is left out, but for a few characters the rules may look ahead at.
    const auto alnum = [](QChar c) { return c.unicode() < 0x80 && c.isLetterOrNumber(); };
    qsizetype tail = text.size();
    while (tail > 0 && alnum(text[tail - 1])) --tail;
    constexpr qsizetype kLookAhead = 8;
    const qsizetype scanned = text.size() - tail > 2 * kLookAhead ? tail + kLookAhead : text.size();
    const qsizetype trusted = scanned < text.size() ? tail + 1 : text.size();
    QTextBoundaryFinder finder(QTextBoundaryFinder::Line, text.data(), scanned);
    for (qsizetype p = finder.toNextBoundary(); p >= 0 && p < trusted; p = finder.toNextBoundary())
        chars_[std::size_t(p)].breakBefore = true;
    int rows = 1;
    for (qsizetype from = row(text.size(), 0, false); from < text.size(); from += row(text.size(), from, false))
        ++rows;
    return rows;
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
    qsizetype previous = -1;  // the character before the word, for its right bearing
    bool lastWasSpace = true;
    qsizetype pos = from;
    const auto newWidth = [&] { return line.width + word.width + spaces.width - std::min(rightBearing, 0); };
    // Takes the word and the spaces before it into the row, unless the row is then too wide.
    const auto full = [&] {
        if (line.length && newWidth() > width_) return true;
        line.width += word.width + spaces.width;
        line.length += word.length + spaces.length;
        word = {};
        spaces = {};
        return false;
    };
    // The row as it ends before the word being read.
    const auto endBeforeWord = [&](std::int32_t bearing) {
        line.width -= std::min(bearing, 0);
        if (!breakAnywhere && line.width > width_) return row(n, from, true);
        return line.length + spaces.length;
    };

    bool ended = false;
    while (pos < n && !ended) {
        rightBearing = kNoBearing;
        if (c[pos].space) {
            lastWasSpace = true;
            while (pos < n && c[pos].space) {
                spaces.width += c[pos].advance;
                ++spaces.length;
                ++pos;
            }
            if (spaces.width > width_) {
                spaces.width = width_;
                ended = true;
            }
            continue;
        }
        lastWasSpace = false;
        previous = pos - 1;
        bool wordEnds = false;
        do {
            word.width += c[pos].advance;
            ++word.length;
            ++pos;
            if (pos >= n || c[pos].space || c[pos].breakBefore) {
                wordEnds = true;
                break;
            }
            // Already too wide, the word decides the row before its end is read.
            if (!breakAnywhere && line.width + spaces.width + word.width > width_) {
                if (line.length == 0) return row(n, from, true);  // wider than a row: broken anywhere
                return endBeforeWord(c[previous].rightBearing);
            }
        } while (!breakAnywhere);
        if (wordEnds || breakAnywhere) {
            if (newWidth() - minRightBearing_ > width_) rightBearing = c[pos - 1].rightBearing;
            if (full()) {
                if (previous >= 0) rightBearing = c[previous].rightBearing;
                ended = true;
                continue;
            }
        }
        previous = pos - 1;
    }
    if (!ended) full();
    if (rightBearing > 0 && !lastWasSpace) rightBearing = c[pos - 1].rightBearing;
    if (line.length == 0) {
        line.width -= std::min(rightBearing, 0);
        line.width += word.width;
        line.length += word.length;
        // A word wider than the row: the row is laid out again, broken anywhere.
        if (!breakAnywhere && line.width > width_) return row(n, from, true);
        return line.length + spaces.length;
    }
    return endBeforeWord(rightBearing);
}

}  // namespace vantrel
