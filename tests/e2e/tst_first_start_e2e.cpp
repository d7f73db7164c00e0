// The built program started in an empty directory: the one message, the three
// files it creates, and the settings it writes at a normal close and reads
// back at the next start.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include "support/scripted_program.h"

using vantrel::test::ScriptedProgram;

namespace {

constexpr qint64 kCmdConfigSize = 100LL * 102580;
constexpr qint64 kOldCmdSize = 50 * 256;
constexpr qint64 kRecordSize = 796;

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

qint32 le32(const QByteArray& b, int at) {
    return qint32(quint32(quint8(b[at])) | quint32(quint8(b[at + 1])) << 8 | quint32(quint8(b[at + 2])) << 16 |
                  quint32(quint8(b[at + 3])) << 24);
}

QByteArray counted(const QByteArray& b, int at) { return b.mid(at + 1, quint8(b[at])); }

}  // namespace

class TestFirstStartE2E : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        SKIP_WITHOUT_VANTREL_EXE();
        QVERIFY2(QFileInfo(ScriptedProgram::exe()).isExecutable(), qPrintable(ScriptedProgram::exe()));
        QVERIFY(dir_.isValid());
    }

    void firstStartCreatesTheFilesThenSettingsSurviveTwoRestarts() {
        // 1. First start: no files. The pause leaves time to look at what start-up created.
        ScriptedProgram first;
        QVERIFY2(first.start(dir_.path(), "wait 4000\nclose\n"), qPrintable(first.process.errorString()));
        const QString config = dir_.filePath("ConfigTerminal");
        QElapsedTimer t;
        t.start();
        while (QFileInfo(config).size() != kRecordSize && first.process.state() == QProcess::Running && t.elapsed() < 30000)
            QTest::qWait(20);
        QCOMPARE(QFileInfo(config).size(), kRecordSize);
        QCOMPARE(readFile(config), QByteArray(int(kRecordSize), '\0'));  // before the close
        QCOMPARE(QFileInfo(dir_.filePath("CmdConfig")).size(), kCmdConfigSize);
        QCOMPARE(QFileInfo(dir_.filePath("OldCmd")).size(), kOldCmdSize);
        QVERIFY2(first.finish(60000), qPrintable(first.said()));
        QCOMPARE(first.messages(),
                 QStringList{QString::fromUtf8("Проблема с файлом конфигурации, он будет перезаписан")});

        // The close wrote the settings the window started with.
        const QByteArray initial = readFile(config);
        QVERIFY2(initial.size() == kRecordSize || initial.size() == kRecordSize + 260, qPrintable(QString::number(initial.size())));
        QCOMPARE(int(initial[7]), 3);                  // data bits "8"
        QCOMPARE(int(initial[281]), 1);                // ASCII
        QCOMPARE(int(initial[282]), 1);                // manual sending
        QCOMPARE(le32(initial, 284), 1000);            // period
        QCOMPARE(counted(initial, 540), QByteArray("$0D"));
        QCOMPARE(int(initial[791]), 1);                // macro names shown
        QCOMPARE(le32(initial, 792), 1);               // list 1
        QVERIFY(le32(initial, 268) >= 2 && le32(initial, 268) <= 100);  // the log font size
        QCOMPARE(QFileInfo(dir_.filePath("CmdConfig")).size(), kCmdConfigSize);
        QCOMPARE(QFileInfo(dir_.filePath("OldCmd")).size(), kOldCmdSize);

        // 2. Second start: the user changes settings and closes.
        ScriptedProgram second;
        QVERIFY(second.start(dir_.path(),
                             "text ComPort COM3\n"
                             "text BaudRate 9600\n"
                             "text FiltrLog OK\n"
                             "check VisTime 1\n"
                             "check RBHEX 1\n"
                             "text AddStrCmd 0D 0A\n"
                             "check RBSel 1\n"
                             "text PeriodTX 250\n"
                             "check SendAsReconn 1\n"
                             "text MainStrCmd AT+GMR\n"
                             "check RbData 1\n"
                             "close\n"));
        QVERIFY2(second.finish(60000), qPrintable(second.said()));
        QCOMPARE(second.messages(), QStringList{});
        const QByteArray saved = readFile(config);
        QCOMPARE(saved.size(), int(kRecordSize));
        QCOMPARE(saved.left(12).toHex(' '), QByteArray("04 43 4f 4d 33 00 03 03 00 00 00 00"));
        QCOMPARE(counted(saved, 16), QByteArray("OK"));
        QCOMPARE(int(saved[280]), 1);                  // time shown
        QCOMPARE(int(saved[281]), 2);                  // HEX
        QCOMPARE(int(saved[282]), 2);                  // on selection
        QCOMPARE(le32(saved, 284), 250);
        QCOMPARE(int(saved[288]), 1);                  // send on connect
        QCOMPARE(counted(saved, 289), QByteArray("AT+GMR"));
        QCOMPARE(counted(saved, 540), QByteArray("0D 0A"));
        QCOMPARE(int(saved[791]), 0);                  // command lines shown
        QCOMPARE(le32(saved, 792), 1);

        // 3. Third start and close without a touch: the same settings again.
        ScriptedProgram third;
        QVERIFY(third.start(dir_.path(), "close\n"));
        QVERIFY2(third.finish(60000), qPrintable(third.said()));
        QCOMPARE(third.messages(), QStringList{});
        QCOMPARE(readFile(config).toHex(' '), saved.toHex(' '));
    }

private:
    QTemporaryDir dir_;
};

QTEST_GUILESS_MAIN(TestFirstStartE2E)
#include "tst_first_start_e2e.moc"
