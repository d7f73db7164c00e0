// Outsized and binary commands through the real main window: command files of
// 10 MB, of raw bytes and with a line of 100,000 characters, and a command of
// 100,000 characters pasted into the command line and sent to a device.
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include <future>
#include <random>

#include "rx/ui/log_view.h"
#include "common/ui/text_codec.h"
#include "modes_rig.h"
#include "tx/history.h"
#include "tx/send_modes.h"

using namespace vantrel;
using namespace vantrel::test;

namespace {

QStringList items(const QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
    return out;
}

// Every byte value except the line ends and the escape mark '$'.
QByteArray allPlainBytes() {
    QByteArray out;
    for (int b = 0; b < 256; ++b)
        if (b != '\r' && b != '\n' && b != '$') out += char(b);
    return out;
}

// Text without '$', so that it goes out unchanged in the ASCII mode.
QString longCommand(int n) {
    QString out;
    out.reserve(n);
    for (int i = 0; i < n; ++i) out += QChar(u'A' + i % 26);
    return out;
}

}  // namespace

class TestBadInputCommands : public QObject {
    Q_OBJECT
private slots:
    void outsizedCommandFiles_data();
    void outsizedCommandFiles();
    void rawBytesOfABinaryFileGoOutUnchanged();
    void pastedCommandOf100000Characters();
};

void TestBadInputCommands::outsizedCommandFiles_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("first");  // the first items of the list
    QTest::addColumn<int>("count");  // -1: up to 500, as the long lines among them allow
    QTest::addColumn<bool>("bigFileMessage");

    QByteArray lines;  // 10 MB of short lines
    for (int i = 1; lines.size() < 10 * 1024 * 1024; ++i) lines += "CMD" + QByteArray::number(i) + "\r\n";
    QTest::newRow("10 MB of lines") << lines << QStringList{"CMD1", "CMD2"} << 500 << true;

    // One line of 10 MB: too long to send, so the list stays empty.
    QTest::newRow("10 MB without a line end") << QByteArray(10 * 1024 * 1024, 'x') << QStringList{} << 0 << false;

    QTest::newRow("a line of 100,000 characters")
        << "BEFORE\r\n" + QByteArray(100000, 'L') + "\r\nAFTER\r\n" << QStringList{"BEFORE", "AFTER"} << 2 << false;

    // Random bytes: whatever lies between line ends is a command.
    std::mt19937 gen(11);
    QByteArray noise(1024 * 1024, '\0');
    for (char& c : noise) c = char(gen() & 0xFF);
    QStringList noiseFirst;
    {
        const QList<QByteArray> parts = noise.left(noise.indexOf('\r')).split('\n');
        noiseFirst << fromCp(parts[0].toStdString());
    }
    QTest::newRow("1 MB of random bytes") << noise << noiseFirst << -1 << true;
}

void TestBadInputCommands::outsizedCommandFiles() {
    QFETCH(QByteArray, content);
    QFETCH(QStringList, first);
    QFETCH(int, count);
    QFETCH(bool, bigFileMessage);

    ModesRig rig;
    TForm1& f = rig.start();
    rig.messages.shown.clear();
    QElapsedTimer t;
    t.start();
    rig.loadCommandFile(content);
    const qint64 loadMs = t.elapsed();
    qInfo("loaded in %lld ms", loadMs);
    QVERIFY2(loadMs < 5000, qPrintable(QString::number(loadMs)));

    QVERIFY(f.modes->FileCmdMode);
    if (count >= 0)
        QCOMPARE(f.OldCmdList->count(), count);
    else
        QVERIFY(f.OldCmdList->count() > 0 && f.OldCmdList->count() <= 500);
    QCOMPARE(items(f.OldCmdList).mid(0, int(first.size())), first);
    for (int i = 0; i < f.OldCmdList->count(); ++i) QVERIFY(f.OldCmdList->item(i)->text().size() < 255);
    QCOMPARE(rig.messages.texts(),
             bigFileMessage ? std::vector<std::string>{"Большой файл"} : std::vector<std::string>{});

    // The window goes on: back to the macros and a normal close.
    f.ButtonReadFile->click();
    QVERIFY(!f.modes->FileCmdMode);
    QVERIFY(f.close());
}

// A line holding every byte value but the line ends and '$' reaches the
// device exactly, followed by the packet tail.
void TestBadInputCommands::rawBytesOfABinaryFileGoOutUnchanged() {
    ModesRig rig;
    TForm1& f = rig.start();
    QVERIFY(rig.connectDevice());
    f.RBSel->setChecked(true);
    const QByteArray raw = allPlainBytes();
    QCOMPARE(raw.size(), 253);
    rig.loadCommandFile("first\r\n" + raw + "\r\nlast\r\n");
    QCOMPARE(f.OldCmdList->count(), 3);

    f.OldCmdList->setCurrentRow(1);
    emit f.OldCmdList->itemClicked(f.OldCmdList->item(1));
    const std::string expected = raw.toStdString() + "\r";
    QCOMPARE(QByteArray::fromStdString(rig.readUntil(expected)), QByteArray::fromStdString(expected));
}

void TestBadInputCommands::pastedCommandOf100000Characters() {
    ModesRig rig(ModesRig::ClockKind::System);
    TForm1& f = rig.start();
    QVERIFY(rig.connectDevice());
    const QString text = longCommand(100000);

    QApplication::clipboard()->setText(text);
    f.MainStrCmd->setFocus();
    QTest::keyClick(f.MainStrCmd, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(f.MainStrCmd->text().size(), text.size());
    QVERIFY(f.MainStrCmd->text() == text);

    // The device takes everything as it comes, as a real one at line speed would.
    const std::size_t total = std::size_t(text.size()) + 1;
    auto received = std::async(std::launch::async, [&rig, total] { return rig.device.readAtLeast(total, 20000); });
    QElapsedTimer t;
    t.start();
    QTest::keyClick(f.MainStrCmd, Qt::Key_Return);
    const qint64 sendMs = t.elapsed();
    const std::string wire = received.get();
    qInfo("sent in %lld ms", sendMs);

    QCOMPARE(wire.size(), total);
    QVERIFY(wire == text.toStdString() + "\r");
    QVERIFY2(sendMs < 5000, qPrintable(QString::number(sendMs)));
    QVERIFY(f.MainStrCmd->text().isEmpty());
    QVERIFY(f.MainWindow->toPlainText().contains(text));
    QCOMPARE(f.StaticText3->text(), QStringLiteral("TX: %1 RX: 0").arg(total));
    // Too long for the history: nothing of it is kept there.
    QCOMPARE(f.history->usedTexts().size(), std::size_t(0));

    // The window is still answering: a timer of the event loop fires at once.
    bool fired = false;
    QTimer::singleShot(0, &f, [&fired] { fired = true; });
    QTRY_VERIFY_WITH_TIMEOUT(fired, 1000);
    QVERIFY(f.close());
}

QTEST_MAIN(TestBadInputCommands)
#include "tst_bad_input_commands.moc"
