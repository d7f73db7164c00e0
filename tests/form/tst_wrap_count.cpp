// The row count without a layout against the layout itself, over many lines,
// fonts and widths: any difference would make the 5000-line bound and the
// scroll range wrong.
#include <QApplication>
#include <QAbstractTextDocumentLayout>
#include <QFontDatabase>
#include <QImage>
#include <QPainter>
#include <QTextBlock>
#include <QTextBoundaryFinder>
#include <QTextLayout>
#include <QtTest>

#include <random>

#include "common/ui/text_codec.h"
#include "rx/log_line.h"
#include "rx/ui/log_view.h"
#include "rx/ui/wrap_count.h"

using namespace vantrel;

namespace {

// The log view's option: words kept whole, a word wider than the row broken anywhere.
QTextOption logOption() {
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    return option;
}

int layoutRows(const QString& text, const QFont& font, qreal width) {
    QTextLayout layout(text, font);
    layout.setTextOption(logOption());
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) line.setLineWidth(width);
    layout.endLayout();
    return layout.lineCount();
}

// Cyrillic words as a device prints them, with numbers, punctuation and a Latin word or two.
QString cyrillicLine(std::mt19937& rng, int length) {
    static const QStringList words = QString::fromUtf8(
        "Датчик температура давление влажность норма ошибка связь канал Ёмкость Щит подъём "
        "ЪЫЬЭЮЯ T3 OK, мм рт.ст. 21,5 °C № 7 «порт» — ± № … ™ ‰").split(u' ');
    QString line;
    while (line.size() < length) line += words[int(rng() % words.size())] + (rng() % 9 ? QStringLiteral(" ") : QString());
    return line;
}

// The view lines that random bytes received in ASCII mode become: every byte
// as the log shows it, control characters as their pictures.
QStringList randomByteLines(std::mt19937& rng, int length) {
    std::vector<std::uint8_t> bytes(std::size_t(length) + 1);
    for (auto& b : bytes) b = std::uint8_t(rng());
    const QString shown = LogView::displayText(fromCp(renderRx(bytes.data(), bytes.size(), OutputMode::Ascii)));
    return shown.split(u'\n');
}

// Known characters only: words of every length, single and repeated spaces, control pictures.
QString randomLine(std::mt19937& rng) {
    const int kind = int(rng() % 9);
    const int length = int(rng() % 2500);
    QString line = kind >= 4 ? QString::asprintf("%02u:%02u:%02u.%03u RX: ", unsigned(rng() % 24), unsigned(rng() % 60),
                                                 unsigned(rng() % 60), unsigned(rng() % 1000))
                             : QString();
    if (kind == 7) return line + cyrillicLine(rng, length);
    if (kind == 8) {  // random bytes: one of the view lines they make, a long one if there is
        QStringList lines = randomByteLines(rng, length);
        std::sort(lines.begin(), lines.end(), [](const QString& a, const QString& b) { return a.size() > b.size(); });
        return line + lines[int(rng() % std::min<qsizetype>(2, lines.size()))];
    }
    if (kind == 4) {  // a HEX dump
        for (int i = 0; i < length / 3; ++i) line += QString::asprintf("%02X ", unsigned(rng() % 256));
        return line;
    }
    if (kind == 6) {  // any head, then a long run of letters and digits
        for (int i = int(rng() % 12); i > 0; --i) line += QChar(char16_t(0x20 + rng() % 0x5F));
        for (int i = 0; i < length; ++i) line += QChar(u"0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"[rng() % 62]);
        return line;
    }
    if (kind == 5) {  // a stream without spaces
        for (int i = 0; i < length; ++i) line += QChar(u"0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ"[rng() % 36]);
        return line;
    }
    for (int i = 0; i < length; ++i) {
        const unsigned r = rng() % 100;
        if (kind == 0 && r < 30) line += u' ';                                   // a HEX-like or word text
        else if (kind == 1 && r < 2) line += u' ';                               // long words
        else if (kind == 2 && r < 10) line += QString(int(rng() % 60), u' ');    // long runs of spaces
        else if (kind == 3 && r < 2) line += QChar(char16_t(0x2400 + rng() % 0x22));  // maybe in no font
        else if (kind == 1 && r < 50) line += QChar(char16_t(u'0' + rng() % 10));      // numbers: their own rules
        else line += QChar(char16_t(0x21 + rng() % 0x5E));
    }
    return line;
}

// The text wrapped at `width` as the view would draw it.
QImage drawn(const QString& text, const QFont& font, qreal width) {
    QTextLayout layout(text, font);
    layout.setTextOption(logOption());
    layout.beginLayout();
    qreal y = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        line.setPosition(QPointF(0, y));
        y += line.height();
    }
    layout.endLayout();
    QImage image(int(width) + 8, int(y) + 8, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    layout.draw(&painter, QPointF(2, 2));
    return image;
}

QFont logFont(const QFont& base, int points) {
    QFont f = base;
    f.setPointSize(points);
    f.setStyleStrategy(QFont::PreferNoShaping);
    return f;
}

}  // namespace

class WrapCountTest : public QObject {
    Q_OBJECT
private slots:
    void countsAsTheLayoutDoes_data();
    void countsAsTheLayoutDoes();
    void lineBreaksAsQtFindsThem();
    void declinesWhatItDoesNotKnow();
    void viewCountsWithoutLayingOut();
    void namedFallbacksDrawTheSame_data();
    void namedFallbacksDrawTheSame();
};

void WrapCountTest::countsAsTheLayoutDoes_data() {
    QTest::addColumn<QFont>("font");
    QTest::addColumn<qreal>("width");
    const QFont sans = QApplication::font();
    const QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    QTest::newRow("log font, main window width") << logFont(sans, 8) << qreal(929);
    QTest::newRow("log font, narrow") << logFont(sans, 8) << qreal(137);
    QTest::newRow("large font") << logFont(sans, 20) << qreal(600);
    QTest::newRow("small font, wide") << logFont(sans, 5) << qreal(1900);
    QTest::newRow("fixed pitch") << logFont(mono, 9) << qreal(451);
    QTest::newRow("narrower than a glyph") << logFont(sans, 12) << qreal(6);
    // Most of Windows-1251 is missing there: drawn from other fonts, with their advances.
    QTest::newRow("symbol font") << logFont(QFont(QStringLiteral("Symbola")), 10) << qreal(517);
}

void WrapCountTest::countsAsTheLayoutDoes() {
    QFETCH(QFont, font);
    QFETCH(qreal, width);
    WrapCounter counter;
    counter.configure(font, width, logOption());
#ifdef Q_OS_LINUX
    QVERIFY(counter.usable());
#else
    if (!counter.usable()) QSKIP("this platform's layout is not matched; the view lays every line out");
#endif
    std::mt19937 rng(20261208);
    int compared = 0;
    for (int i = 0; i < 1400; ++i) {
        const QString line = randomLine(rng);
        const int rows = counter.rows(line);
        if (line.size() > 4000) {
            QCOMPARE(rows, 0);  // left to the layout
            continue;
        }
        const int expected = layoutRows(line, font, width);
        if (rows != expected) QFAIL(qPrintable(QString("%1 rows, the layout %2: \"%3\"").arg(rows).arg(expected).arg(line)));
        ++compared;
    }
    QVERIFY2(compared > 1000, qPrintable(QString::number(compared)));
    QCOMPARE(counter.rows(u""), 1);
}

// The counter's own line-break rules against Qt's finder, which the layout uses: every
// position of lines of every kind, and of lines dense with what the rules for numbers,
// quotes, brackets and spaces look at.
void WrapCountTest::lineBreaksAsQtFindsThem() {
#ifdef Q_OS_LINUX
    QVERIFY(WrapCounter::ownLineBreaksHold());
#endif
    const QString dense = QStringLiteral("0123456789 .,:;/-+$%()[]{}!?\"'<=>~|\u00a0\u00ab\u00ad\u00b0\u00b1\u2013\u2014\u2026\u201e\u2116\u20ac\u2030Aж");
    std::mt19937 rng(20261211);
    std::vector<unsigned char> own;
    for (int i = 0; i < 6000; ++i) {
        QString line = i % 3 ? QString() : randomLine(rng).left(600);
        for (int k = int(rng() % 80); k > 0; --k) line += dense[int(rng() % dense.size())];
        QVERIFY(WrapCounter::lineBreaks(line, own));
        QTextBoundaryFinder finder(QTextBoundaryFinder::Line, line);
        std::vector<unsigned char> qt(std::size_t(line.size()) + 1, 0);
        for (qsizetype p = finder.toNextBoundary(); p >= 0 && p < line.size(); p = finder.toNextBoundary()) qt[std::size_t(p)] = 1;
        if (own != qt) QFAIL(qPrintable(QStringLiteral("breaks differ: \"%1\"").arg(line)));
    }
    QVERIFY(!WrapCounter::lineBreaks(u"a\tb", own));
}

void WrapCountTest::declinesWhatItDoesNotKnow() {
    WrapCounter counter;
    counter.configure(logFont(QApplication::font(), 8), 300, logOption());
    QVERIFY(counter.rows(u"12:34:56.789 RX: OK") > 0);
    QCOMPARE(counter.rows(u"a\tb"), 0);                             // a tab stop
    QCOMPARE(counter.rows(QStringLiteral("e") + QChar(0x301)), 0);        // a combining mark
    QCOMPARE(counter.rows(u"12:34:56.789 RX: 你好"), 0);              // a script the log never shows
    QCOMPARE(counter.rows(QString(4001, u'A')), 0);

    QTextOption anywhere;
    anywhere.setWrapMode(QTextOption::WrapAnywhere);
    counter.configure(logFont(QApplication::font(), 8), 300, anywhere);
    QVERIFY(!counter.usable());
    QCOMPARE(counter.rows(u"OK"), 0);
}

// In the log view itself: its font, its row width, its blocks.
void WrapCountTest::viewCountsWithoutLayingOut() {
    LogView view;
    std::mt19937 rng(20261209);
    for (const int width : {640, 333}) {
        view.clearLog();
        view.resize(width, 200);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        for (int i = 0; i < 40; ++i) {
            std::vector<std::uint8_t> bytes(std::size_t(200 + rng() % 1800));
            for (auto& b : bytes) b = std::uint8_t(rng());
            view.appendLine(i % 2 ? cyrillicLine(rng, int(bytes.size()))
                                  : fromCp(renderRx(bytes.data(), bytes.size(), OutputMode::Ascii)));
        }
        const QTextDocument* doc = view.document();
        int counted = 0, notLaidOut = 0, blocks = 0;
        for (QTextBlock b = doc->firstBlock(); b != doc->lastBlock(); b = b.next(), ++blocks) {
            if (b.layout()->lineCount() == 0 && b.length() > 1) ++notLaidOut;
            counted += b.lineCount();
            doc->documentLayout()->blockBoundingRect(b);
            if (b.lineCount() != b.layout()->lineCount())
                QFAIL(qPrintable(QString("%1 rows counted, %2 laid out: \"%3\"").arg(b.lineCount()).arg(b.layout()->lineCount()).arg(b.text())));
        }
        QCOMPARE(view.visualLineCount(), counted);
        // Most blocks were counted, not laid out: the view lays out only what it paints.
        QVERIFY2(notLaidOut > blocks / 2, qPrintable(QString("%1 of %2").arg(notLaidOut).arg(blocks)));
    }
}

void WrapCountTest::namedFallbacksDrawTheSame_data() {
    QTest::addColumn<QFont>("font");
    QTest::addColumn<bool>("lacksControlPictures");
    QFont window(QStringLiteral("DejaVu Sans"), 8);
    window.setStretch(QFont::SemiCondensed);
    QTest::newRow("the main window's font") << logFont(window, 8) << true;
    QTest::newRow("application font") << logFont(QApplication::font(), 11) << false;
    QTest::newRow("symbol font, no Cyrillic") << logFont(QFont(QStringLiteral("Symbola")), 10) << false;
    QTest::newRow("no such family") << logFont(QFont(QStringLiteral("No Such Family Anywhere")), 9) << false;
}

// The fonts a font falls back to are named after it only where every line is drawn as before.
void WrapCountTest::namedFallbacksDrawTheSame() {
    QFETCH(QFont, font);
    QFETCH(bool, lacksControlPictures);
    const QFont named = LogView::withFallbacksNamed(font);
    if (lacksControlPictures && QFontDatabase::hasFamily(QStringLiteral("Symbola")))
        QVERIFY2(named.families().size() > font.families().size(), qPrintable(named.families().join(u',')));
    // The view names them with its first line, again after a font change, and counts its rows
    // with them: most of its lines are above the screen, counted, not laid out.
    LogView view;
    view.resize(400, 120);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    for (const int larger : {0, 3}) {
        QFont f = font;
        f.setPointSize(font.pointSize() + larger);
        view.setFont(f);
        for (int i = 0; i < 12; ++i) view.appendLine(QStringLiteral("\x01\x7F ") + QString(100 + 20 * i, u'Ж') + QStringLiteral(" ok"));
        QCOMPARE(view.document()->defaultFont().families(), LogView::withFallbacksNamed(f).families());
        const int counted = view.visualLineCount();
        int rows = 0;
        for (QTextBlock b = view.document()->firstBlock(); b != view.document()->lastBlock(); b = b.next()) {
            view.document()->documentLayout()->blockBoundingRect(b);
            rows += b.layout()->lineCount();
        }
        QCOMPARE(counted, rows);
    }

    std::mt19937 rng(20261210);
    for (int i = 0; i < 30; ++i) {
        const QString line = i % 3 ? randomByteLines(rng, 900).join(u' ') : cyrillicLine(rng, 700);
        if (drawn(line, named, 600) != drawn(line, font, 600)) QFAIL(qPrintable(QStringLiteral("drawn otherwise: \"%1\"").arg(line)));
    }
}

QTEST_MAIN(WrapCountTest)
#include "tst_wrap_count.moc"
