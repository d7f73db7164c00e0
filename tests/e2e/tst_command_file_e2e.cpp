// The whole program sends a command file in the after-answer mode to a
// device played on a pseudo-terminal: each answer releases the next line,
// and after a normal close OldCmd holds the sent lines, newest first.
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <string>

#include "support/scripted_program.h"
#include "tools/pty_device.h"

using vantrel::PtyDevice;
using vantrel::test::ScriptedProgram;

class TestCommandFileE2e : public QObject {
    Q_OBJECT
private slots:
    void afterAnswerRunOfAFile();
};

void TestCommandFileE2e::afterAnswerRunOfAFile() {
    SKIP_WITHOUT_VANTREL_EXE();
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    PtyDevice device;
    QVERIFY(device.open());

    const QString cmdFile = dir.filePath(QStringLiteral("commands.txt"));
    {
        QFile f(cmdFile);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("CMD1\r\nCMD2\nCMD3\r\n");
    }
    ScriptedProgram program;
    QVERIFY2(program.start(dir.path(), QStringLiteral("# after-answer run of a command file\n"
                                                      "text ComPort %1\n"
                                                      "check RBAfterAns 1\n"
                                                      "file %2\n"
                                                      "click ButtonReadFile\n"
                                                      "click BTConnect\n"
                                                      "click SendStart\n"
                                                      "waitlog REPLY3 20000\n"
                                                      "wait 200\n"
                                                      "close\n")
                                           .arg(QString::fromStdString(device.slavePath()), cmdFile)),
             qPrintable(program.process.errorString()));

    for (int n = 1; n <= 3; ++n) {
        const std::string command = "CMD" + std::to_string(n) + "\r";
        const std::string got = device.readUntil(command, 20000);
        QVERIFY2(got == command, qPrintable(QStringLiteral("expected %1, got '%2'; program said: %3")
                                                .arg(n)
                                                .arg(QString::fromStdString(got), program.said())));
        // The next line waits for the answer.
        QCOMPARE(device.readFor(150), std::string());
        QVERIFY(device.write("REPLY" + std::to_string(n) + "\r\n"));
    }
    QVERIFY2(program.finish(30000), qPrintable(program.said()));
    const QString said = program.said();
    // The end of the file was announced, and nothing more was sent.
    QVERIFY2(said.contains(QStringLiteral("vantrel: message: Все команды отправлены")), qPrintable(said));
    QCOMPARE(device.readAvailable(), std::string());

    QFile history(dir.filePath(QStringLiteral("OldCmd")));
    QVERIFY(history.open(QIODevice::ReadOnly));
    const QByteArray bytes = history.readAll();
    QCOMPARE(bytes.size(), 12800);
    QCOMPARE(bytes.mid(0, 5), QByteArray("\x04" "CMD3"));
    QCOMPARE(bytes.mid(256, 5), QByteArray("\x04" "CMD2"));
    QCOMPARE(bytes.mid(512, 5), QByteArray("\x04" "CMD1"));
    QCOMPARE(bytes.at(768), '\0');
}

QTEST_GUILESS_MAIN(TestCommandFileE2e)
#include "tst_command_file_e2e.moc"
