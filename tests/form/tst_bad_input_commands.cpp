// Outsized and binary commands through the real main window: command files of
// 10 MB, of raw bytes and with a line of 100,000 characters, and a command of
// 100,000 characters pasted into the command line and sent to a device.
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>

#include <future>
#include <random>

#include "rx/ui/log_view.h"
#include "common/ui/text_codec.h"
#include "support/form_rig.h"

using namespace vantrel;
using namespace vantrel::test;

namespace {

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

    FormRig rig({.show = true});
    rig.messages.shown.clear();
    QElapsedTimer t;
    t.start();
    rig.loadCommandFile(content);
    const qint64 loadMs = t.elapsed();
    qInfo("loaded in %lld ms", loadMs);
    QVERIFY2(loadMs < 5000, qPrintable(QString::number(loadMs)));

    QVERIFY(rig.fileCmdMode());
    if (count >= 0)
        QCOMPARE(rig.ctl<QListWidget>("OldCmdList")->count(), count);
    else
        QVERIFY(rig.ctl<QListWidget>("OldCmdList")->count() > 0 && rig.ctl<QListWidget>("OldCmdList")->count() <= 500);
    QCOMPARE(rig.items("OldCmdList").mid(0, int(first.size())), first);
    for (int i = 0; i < rig.ctl<QListWidget>("OldCmdList")->count(); ++i) QVERIFY(rig.ctl<QListWidget>("OldCmdList")->item(i)->text().size() < 255);
    QCOMPARE(rig.messages.texts(),
             bigFileMessage ? std::vector<std::string>{"Большой файл"} : std::vector<std::string>{});

    // The window goes on: back to the macros and a normal close.
    rig.click("ButtonReadFile");
    QVERIFY(!rig.fileCmdMode());
    QVERIFY(rig.form().close());
}

// A line holding every byte value but the line ends and '$' reaches the
// device exactly, followed by the packet tail.
void TestBadInputCommands::rawBytesOfABinaryFileGoOutUnchanged() {
    FormRig rig({.show = true});
    QVERIFY(rig.connectDevice());
    rig.check("RBSel");
    const QByteArray raw = allPlainBytes();
    QCOMPARE(raw.size(), 253);
    rig.loadCommandFile("first\r\n" + raw + "\r\nlast\r\n");
    QCOMPARE(rig.ctl<QListWidget>("OldCmdList")->count(), 3);

    rig.ctl<QListWidget>("OldCmdList")->setCurrentRow(1);
    emit rig.ctl<QListWidget>("OldCmdList")->itemClicked(rig.ctl<QListWidget>("OldCmdList")->item(1));
    const std::string expected = raw.toStdString() + "\r";
    QCOMPARE(QByteArray::fromStdString(rig.readUntil(expected)), QByteArray::fromStdString(expected));
}

void TestBadInputCommands::pastedCommandOf100000Characters() {
    FormRig rig({.show = true, .systemClock = true});
    QVERIFY(rig.connectDevice());
    const QString text = longCommand(100000);

    QApplication::clipboard()->setText(text);
    rig.ctl<QLineEdit>("MainStrCmd")->setFocus();
    rig.key("MainStrCmd", Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(rig.text("MainStrCmd").size(), text.size());
    QVERIFY(rig.text("MainStrCmd") == text);

    // The device takes everything as it comes, as a real one at line speed would.
    const std::size_t total = std::size_t(text.size()) + 1;
    auto received = std::async(std::launch::async, [&rig, total] { return rig.device.readAtLeast(total, 20000); });
    QElapsedTimer t;
    t.start();
    rig.key("MainStrCmd", Qt::Key_Return);
    const qint64 sendMs = t.elapsed();
    // The packet goes out while the event loop runs.
    QTRY_VERIFY_WITH_TIMEOUT(received.wait_for(std::chrono::seconds(0)) == std::future_status::ready, 20000);
    const std::string wire = received.get();
    qInfo("sent in %lld ms", sendMs);

    QCOMPARE(wire.size(), total);
    QVERIFY(wire == text.toStdString() + "\r");
    QVERIFY2(sendMs < 5000, qPrintable(QString::number(sendMs)));
    QVERIFY(rig.text("MainStrCmd").isEmpty());
    QVERIFY(rig.text("MainWindow").contains(text));
    QTRY_COMPARE(rig.text("StaticText3"), QStringLiteral("TX: %1 RX: 0").arg(total));
    // Too long for the history: nothing of it is kept there.
    QCOMPARE(rig.historyUsed(), std::size_t(0));

    // The window is still answering: a timer of the event loop fires at once.
    bool fired = false;
    QTimer::singleShot(0, &rig.form(), [&fired] { fired = true; });
    QTRY_VERIFY_WITH_TIMEOUT(fired, 1000);
    QVERIFY(rig.form().close());
}

QTEST_MAIN(TestBadInputCommands)
#include "tst_bad_input_commands.moc"
