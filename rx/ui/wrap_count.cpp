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

// The Unicode line-break classes of the characters the counter knows.
enum LineClass : std::uint8_t { kOP, kCL, kCP, kQU, kGL, kEX, kSY, kIS, kPR, kPO, kNU, kAL, kIN, kHY, kBA, kB2, kSP };

LineClass lineClassOf(char16_t c) {
    switch (c) {
    case u' ': return kSP;
    case u'!': case u'?': return kEX;
    case u'"': case u'\'': case 0xAB: case 0xBB: case 0x2018: case 0x2019: case 0x201C: case 0x201D:
    case 0x2039: case 0x203A: return kQU;
    case u'$': case u'+': case u'\\': case 0xA4: case 0xB1: case 0x20AC: case 0x2116: return kPR;
    case u'%': case 0xB0: case 0x2030: return kPO;
    case u'(': case u'[': case u'{': case 0x201A: case 0x201E: return kOP;
    case u')': case u']': return kCP;
    case u'}': return kCL;
    case u',': case u'.': case u':': case u';': return kIS;
    case u'/': return kSY;
    case u'-': return kHY;
    case u'|': case 0xAD: case 0x2013: return kBA;
    case 0x2014: return kB2;
    case 0x2026: return kIN;
    case 0xA0: return kGL;
    default: return c >= u'0' && c <= u'9' ? kNU : kAL;
    }
}

// Between two characters with only spaces, or nothing, between them: 0 no row ends there,
// 1 one may, 2 one may only after spaces. Rows: the class before, columns: the class after.
constexpr std::array<const char*, kSP> kPairRule = {
    //  OP CL CP QU GL EX SY IS PR PO NU AL IN HY BA B2
    "0000000000000000",  // OP
    "1002200011112221",  // CL
    "1002200011222221",  // CP
    "0002200022222222",  // QU
    "2002200022222222",  // GL
    "1002200011112221",  // EX
    "1002200011112221",  // SY
    "1002200011122221",  // IS
    "1002200011222221",  // PR
    "1002200011222221",  // PO
    "2002200022222221",  // NU
    "2002200022222221",  // AL
    "1002200011112221",  // IN
    "1002100011212221",  // HY
    "1002100011112221",  // BA
    "1002200011112220",  // B2
};

// No row ends inside a number such as "-12.5%" or "$(3,000)": (PR|PO)? (OP|HY)? NU (NU|SY|IS)* (CL|CP)? (PR|PO)?,
// followed as the layout follows it: the breaks inside are taken back when the number ends.
enum NumberClass : std::uint8_t { kNone, kPrefix, kOpen, kDigit, kInfix, kClose };
enum NumberStep : std::uint8_t { kReset, kStart, kGoOn, kEnd };
constexpr NumberStep kNumberStep[6][6] = {
    // none    prefix  open    digit   infix   close
    {kReset, kStart, kStart, kStart, kReset, kReset},  // none
    {kReset, kStart, kGoOn, kGoOn, kReset, kReset},    // prefix
    {kReset, kStart, kStart, kGoOn, kReset, kReset},   // open
    {kEnd, kEnd, kEnd, kGoOn, kGoOn, kGoOn},           // digit
    {kEnd, kEnd, kEnd, kGoOn, kGoOn, kGoOn},           // infix
    {kEnd, kGoOn, kEnd, kEnd, kEnd, kEnd},             // close
};

NumberClass numberClassOf(LineClass lc, QChar c) {
    switch (lc) {
    case kPR: case kPO: return kPrefix;
    case kOP: case kHY: return kOpen;
    case kNU: return kDigit;
    case kSY: case kIS: return kInfix;
    case kCL: case kCP: return kClose;
    case kAL: return c.category() == QChar::Symbol_Math ? kInfix : kNone;  // "<", "=", "~" between digits
    default: return kNone;
    }
}

// What the counter needs of each character it knows, looked up by its code.
struct Slots {
    std::array<char16_t, WrapCounter::kSlots> code{};
    std::array<Script, WrapCounter::kSlots> script{};
    std::array<bool, WrapCounter::kSlots> space{}, breakableSpace{}, word{};
    std::array<LineClass, WrapCounter::kSlots> lineClass{};
    std::array<NumberClass, WrapCounter::kSlots> numberClass{};
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
            lineClass[std::size_t(i)] = lineClassOf(c.unicode());
            numberClass[std::size_t(i)] = numberClassOf(lineClass[std::size_t(i)], c);
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

bool WrapCounter::lineBreaks(QStringView text, std::vector<unsigned char>& breaks) {
    const Slots& s = charTable();
    std::vector<std::int16_t> known(std::size_t(text.size()));
    for (qsizetype i = 0; i < text.size(); ++i)
        if ((known[std::size_t(i)] = s.of[text[i].unicode()]) < 0) return false;
    breaksFrom(known.data(), text.size(), breaks);
    return true;
}

void WrapCounter::breaksFrom(const std::int16_t* slot, qsizetype n, std::vector<unsigned char>& breaks) {
    const Slots& s = charTable();
    breaks.assign(std::size_t(n) + 1, 0);
    if (n == 0) return;
    const int first = slot[0];
    // A line that starts with spaces reads as if a letter stood before them.
    LineClass before = s.lineClass[std::size_t(first)] == kSP ? kAL : s.lineClass[std::size_t(first)];
    bool afterSpace = before != s.lineClass[std::size_t(first)];
    // The first character never starts a number, and spaces neither end nor continue one.
    NumberClass number = kNone;
    qsizetype numberStart = 0;
    const auto takeBack = [&](qsizetype end) { std::fill(breaks.begin() + numberStart + 1, breaks.begin() + end, 0); };
    for (qsizetype i = 1; i < n; ++i) {
        const std::size_t at = std::size_t(slot[i]);
        const LineClass lc = s.lineClass[at];
        if (lc == kSP) {
            afterSpace = true;
            continue;
        }
        const NumberClass nc = s.numberClass[at];
        switch (kNumberStep[number][nc]) {
        case kEnd: takeBack(i); [[fallthrough]];
        case kReset: number = kNone; break;
        case kStart: numberStart = i; [[fallthrough]];
        case kGoOn: number = nc; break;
        }
        const char rule = kPairRule[before][lc];
        breaks[std::size_t(i)] = rule == '1' || (rule == '2' && afterSpace);
        before = lc;
        afterSpace = false;
    }
    if (kNumberStep[number][kNone] == kEnd) takeBack(n);
}

namespace {

// The breaks Qt's own rules find, from the layout's line-break finder.
// Only the first `scanned` characters are read, and breaks before `upTo` taken.
void finderBreaks(QStringView text, qsizetype scanned, qsizetype upTo, std::vector<unsigned char>& buffer,
                  std::vector<unsigned char>& breaks) {
    breaks.assign(std::size_t(text.size()) + 1, 0);
    buffer.resize(std::size_t(scanned) + 1);
    QTextBoundaryFinder finder(QTextBoundaryFinder::Line, text.data(), scanned, buffer.data(), qsizetype(buffer.size()));
    for (qsizetype p = finder.toNextBoundary(); p >= 0 && p < upTo; p = finder.toNextBoundary())
        breaks[std::size_t(p)] = 1;
}

// Our rules against Qt's, once: every character between every kind of neighbour, with and
// without spaces, and every three kinds in a row, which covers the numbers' rule.
bool checkOwnBreaks() {
    const Slots& s = charTable();
    const QString all = WrapCounter::characters();
    // One character of each kind the rules tell apart.
    QString kinds;
    std::array<std::array<bool, 6>, kSP + 1> seen{};
    for (std::size_t i = 0; i < std::size_t(WrapCounter::kSlots); ++i) {
        bool& kind = seen[s.lineClass[i]][s.numberClass[i]];
        if (!kind) kinds += all[qsizetype(i)];
        kind = true;
    }
    QString text;
    for (const QChar c : all)
        for (const QChar k : kinds)
            for (const QChar x : {k, c, k, QChar(u' '), c, QChar(u' '), k}) text += x;
    for (const QChar a : kinds)
        for (const QChar b : kinds)
            for (const QChar c : kinds) text += QString(a) + b + c;
    std::vector<unsigned char> own, qt, buffer;
    finderBreaks(text, text.size(), text.size(), buffer, qt);
    return WrapCounter::lineBreaks(text, own) && own == qt;
}

}  // namespace

bool WrapCounter::ownLineBreaksHold() {
    static const bool hold = checkOwnBreaks();
    return hold;
}

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
    // Never shrunk: growing again would clear them. Only the first n characters count.
    if (chars_.size() < std::size_t(n)) {
        chars_.resize(std::size_t(n));
        slots_.resize(std::size_t(n));
        items_.resize(std::size_t(n) + 2);
    }
    const char16_t* const in = text.utf16();
    // Characters of no script at the start belong to the first run of a script: its glyphs draw them.
    qsizetype firstScript = 0;
    for (; firstScript < n; ++firstScript) {
        const int slot = s.of[in[firstScript]];
        if (slot < 0) return 0;
        if (s.script[std::size_t(slot)] != kCommon) break;
    }
    // The layout's script runs: a character of no script stays in the run before it. Random
    // bytes change script every few characters, so the runs are kept without a branch.
    // A line of no script is laid out as Latin.
    unsigned run = firstScript < n ? s.script[std::size_t(s.of[in[firstScript]])] : kCommon;
    std::int32_t item = 0;
    qsizetype* const itemStart = items_.data();
    std::int16_t* const slotAt = slots_.data();
    Char* const out = chars_.data();
    itemStart[0] = 0;
    std::int64_t total = 0;
    std::int32_t bearing = minRightBearing_;
    bool known = true;
    for (qsizetype i = 0; i < n; ++i) {
        const int slot = s.of[in[i]];
        if (slot < 0) return 0;
        slotAt[i] = std::int16_t(slot);
        const unsigned script = s.script[std::size_t(slot)];
        const unsigned opens = unsigned(script != kCommon) & unsigned(script != run);
        // Where the next run would start: kept if a run starts here.
        itemStart[item + 1] = i;
        item += std::int32_t(opens);
        run ^= (run ^ script) & (0u - opens);
        const Glyph& g = glyphs_[(run == kCyrillic ? kSlots : 0) + std::size_t(slot)];
        known &= g.known;
        out[i] = Char{g.advance, g.rightBearing, item, s.space[std::size_t(slot)], s.breakableSpace[std::size_t(slot)],
                      g.noGlyph, in[i] == 0xAD};
        total += g.advance;
        bearing = std::min(bearing, g.rightBearing);
    }
    if (!known) return 0;
    itemStart[item + 1] = n;
    // Narrower than a row with any glyph's bearing: no row ends anywhere.
    if (total - bearing <= width_) return 1;
    // Where a row may end besides spaces follows the Unicode rules as the layout applies them:
    // our own reading of them where it agrees with Qt's, at about a quarter of the cost.
    if (ownLineBreaksHold()) {
        breaksFrom(slots_.data(), n, breaks_);
    } else {
        // Qt's rules never end a row between two letters or digits, so a long run of them at the end
        // (a stream of data) is left out, but for a few characters the rules may look ahead at.
        const auto word = [&](QChar c) { return s.word[std::size_t(s.of[c.unicode()])]; };
        qsizetype tail = n;
        while (tail > 0 && word(text[tail - 1])) --tail;
        constexpr qsizetype kLookAhead = 8;
        const qsizetype scanned = n - tail > 2 * kLookAhead ? tail + kLookAhead : n;
        finderBreaks(text, scanned, scanned < n ? tail + 1 : n, breakBuffer_, breaks_);
    }
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
    const unsigned char* brk = breaks_.data();  // a row may end before the character
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
                if (pos >= n || c[pos].breakableSpace || brk[pos]) {
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
                    while (q < n && !c[q].breakableSpace && !brk[q]) {
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
            if ((pos == end || brk[pos]) && c[pos - 1].softHyphen) softHyphen = softHyphenAdvance_;
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
