// Small widgets on their own: the close prompt's keys, a length-limited field
// under paste, and the glyphs of the log view's font.
#include <QApplication>
#include <QClipboard>
#include <QGlyphRun>
#include <QLineEdit>
#include <QPushButton>
#include <QRawFont>
#include <QTest>
#include <QTextLayout>

#include <string>

#include "common/ui/length_limit.h"
#include "rx/ui/log_view.h"
#include "app/secondary_windows.h"
#include "common/ui/text_codec.h"

using namespace vantrel;

namespace {

QString letters(int n) {
    QString s;
    for (int i = 0; i < n; ++i) s += QChar(u'a' + i % 26);
    return s;
}

}  // namespace

class RoughEdgesTest : public QObject {
    Q_OBJECT
private slots:
    void savePromptKeys_data();
    void savePromptKeys();
    void savePromptShowsItsFocus();
    void pasteKeepsWhatFits_data();
    void pasteKeepsWhatFits();
    void logFontDrawsEveryByte();
};

void RoughEdgesTest::savePromptKeys_data() {
    QTest::addColumn<int>("tabs");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("answer");
    using A = TSave::Answer;
    QTest::newRow("Enter on Да") << 0 << int(Qt::Key_Return) << int(A::Yes);
    QTest::newRow("keypad Enter on Да") << 0 << int(Qt::Key_Enter) << int(A::Yes);
    QTest::newRow("Enter on Нет") << 1 << int(Qt::Key_Return) << int(A::No);
    QTest::newRow("Enter on Отмена") << 2 << int(Qt::Key_Return) << int(A::Cancel);
    QTest::newRow("Space on Отмена") << 2 << int(Qt::Key_Space) << int(A::Cancel);
    QTest::newRow("Space on Нет") << 1 << int(Qt::Key_Space) << int(A::No);
    QTest::newRow("Escape on Да") << 0 << int(Qt::Key_Escape) << int(A::Cancel);
    QTest::newRow("Escape on Нет") << 1 << int(Qt::Key_Escape) << int(A::Cancel);
}

void RoughEdgesTest::savePromptKeys() {
    QFETCH(int, tabs);
    QFETCH(int, key);
    QFETCH(int, answer);
    TSave save(nullptr);
    save.show();
    QVERIFY(QTest::qWaitForWindowActive(&save));
    QCOMPARE(save.focusWidget(), save.BtYes);
    for (int i = 0; i < tabs; ++i) QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QPushButton* const order[] = {save.BtYes, save.BtNo, save.BtCancel};
    QPushButton* const focused = order[tabs];
    QCOMPARE(save.focusWidget(), focused);
    QTest::keyClick(focused, Qt::Key(key));
    QTRY_VERIFY(!save.isVisible());
    QCOMPARE(int(save.answer()), answer);
}

// The focus frame shows from the moment the prompt opens, before any key.
void RoughEdgesTest::savePromptShowsItsFocus() {
    TSave save(nullptr);
    save.show();
    QVERIFY(QTest::qWaitForWindowActive(&save));
    QCOMPARE(save.focusWidget(), save.BtYes);
    const QImage focused = save.BtYes->grab().toImage();
    save.Question->setFocus();  // not a button: "Да" stays the default one
    QVERIFY(!save.BtYes->hasFocus());
    const QImage unfocused = save.BtYes->grab().toImage();
    QVERIFY(focused != unfocused);
}

void RoughEdgesTest::pasteKeepsWhatFits_data() {
    QTest::addColumn<int>("limit");
    QTest::addColumn<QString>("before");  // "|" marks the cursor, "[...]" a selection
    QTest::addColumn<QString>("paste");
    QTest::addColumn<QString>("after");
    const QString p60 = letters(60).toUpper();
    QTest::newRow("name field, empty") << 50 << "|" << p60 << p60.left(50);
    QTest::newRow("command line, empty") << 250 << "|" << letters(300).toUpper() << letters(250).toUpper();
    QTest::newRow("into the middle") << 50 << "AB|CD" << p60 << "AB" + p60.left(46) + "CD";
    QTest::newRow("over a selection") << 50 << "AB[xyz]CD" << p60 << "AB" + p60.left(46) + "CD";
    QTest::newRow("short paste whole") << 50 << "AB|" << "1234" << "AB1234";
    QTest::newRow("one place left") << 50 << letters(49) + "|" << p60 << letters(49) + "A";
    QTest::newRow("full field") << 50 << letters(50) + "|" << p60 << letters(50);
    QTest::newRow("full field, over a selection")
        << 50 << "[" + letters(10) + "]" + letters(40) << p60 << p60.left(10) + letters(40);
    // program text past the limit: a paste takes none of its characters
    QTest::newRow("program text past the limit") << 50 << letters(51) + "|" << p60 << letters(51);
    QTest::newRow("program text past the limit, over a selection")
        << 50 << "[a]" + letters(50) << "xyz" << "a" + letters(50);
}

void RoughEdgesTest::pasteKeepsWhatFits() {
    QFETCH(int, limit);
    QFETCH(QString, before);
    QFETCH(QString, paste);
    QFETCH(QString, after);
    QLineEdit edit;
    LengthLimit::apply(&edit, limit);
    const qsizetype cursor = before.indexOf(u'|');
    const qsizetype selStart = before.indexOf(u'['), selEnd = before.indexOf(u']');
    LengthLimit::setText(&edit, QString(before).remove(u'|').remove(u'[').remove(u']'));
    QCOMPARE(edit.text().size(), before.size() - (cursor >= 0 ? 1 : 2));
    if (cursor >= 0) edit.setCursorPosition(int(cursor));
    else edit.setSelection(int(selStart), int(selEnd - selStart - 1));
    QApplication::clipboard()->setText(paste);
    edit.paste();
    QCOMPARE(edit.text(), after);
    // typing at the limit still adds nothing
    if (edit.text().size() >= limit) {
        const QString full = edit.text();
        QTest::keyClick(&edit, Qt::Key_X);
        QCOMPARE(edit.text(), full);
    }
}

// Every byte that can arrive shows a drawn glyph in the log view's font, with
// the fallbacks the toolkit takes for it: no empty box, no blank.
void RoughEdgesTest::logFontDrawsEveryByte() {
    std::string bytes;
    for (int b = 1; b < 0x20; ++b)
        if (b != '\r' && b != '\n') bytes.push_back(char(b));
    bytes += "\x7F\x98";
    const QString shown = LogView::displayText(fromCp(bytes) + QChar(0));
    QCOMPARE(shown.size(), qsizetype(bytes.size() + 1));

    // the main window's face; the view takes it from there
    QWidget window;
    QFont face(QStringLiteral("DejaVu Sans"), 8);
    face.setStretch(QFont::SemiCondensed);
    window.setFont(face);
    LogView view(&window);
    for (const QFont& font : {view.document()->defaultFont(), QApplication::font()}) {
        for (const QChar ch : shown) {
            const QString one(ch);
            QVERIFY2(ch.isPrint(), qPrintable(QString::number(ch.unicode(), 16)));
            QTextLayout layout(one, font);
            layout.beginLayout();
            layout.createLine();
            layout.endLayout();
            const QList<QGlyphRun> runs = layout.glyphRuns();
            QCOMPARE(runs.size(), 1);
            const QRawFont raw = runs[0].rawFont();
            QVERIFY2(raw.supportsCharacter(ch), qPrintable(one + " " + raw.familyName()));
            for (quint32 glyph : runs[0].glyphIndexes()) {
                QVERIFY2(glyph != 0, qPrintable(one));
                QVERIFY2(!raw.boundingRect(glyph).isEmpty(), qPrintable(one + " blank in " + raw.familyName()));
            }
        }
    }
}

QTEST_MAIN(RoughEdgesTest)
#include "tst_rough_edges.moc"
