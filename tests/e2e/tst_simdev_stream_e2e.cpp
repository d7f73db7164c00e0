// The simulated device streams 3,000,000 bytes at 1 MB/s into the whole
// program: the log file must hold every one of them, in order. A device that
// drops what the full pseudo-terminal does not take loses tens of kilobytes.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "support/scripted_program.h"

using vantrel::test::ScriptedProgram;

namespace {

constexpr qsizetype kCount = 3000000;
const QByteArray kEnd = "!END!";

QByteArray pattern(qsizetype n) {
    static const char digits[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    QByteArray out(n, '\0');
    for (qsizetype i = 0; i < n; ++i) out[i] = digits[i % 36];
    return out;
}

}  // namespace

class TestSimdevStreamE2e : public QObject {
    Q_OBJECT
private slots:
    void everyStreamedByteReachesTheLogFile();
};

void TestSimdevStreamE2e::everyStreamedByteReachesTheLogFile() {
    const QString simdevExe = qEnvironmentVariable("VANTREL_SIMDEV");
    if (ScriptedProgram::exe().isEmpty() || simdevExe.isEmpty()) QSKIP("VANTREL_EXE or VANTREL_SIMDEV is not set");
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString link = dir.filePath(QStringLiteral("port"));

    QProcess simdev;
    simdev.start(simdevExe, {QStringLiteral("--link"), link, QStringLiteral("--no-echo")});
    QVERIFY2(simdev.waitForStarted(10000), qPrintable(simdev.errorString()));
    QVERIFY(simdev.waitForReadyRead(10000));
    QVERIFY2(simdev.readLine().startsWith("plugged"), "the device did not start");

    // Without time stamps a log line is the packet's bytes and CR LF.
    ScriptedProgram program;
    QVERIFY2(program.start(dir.path(), QStringLiteral("check VisTime 0\n"
                                                      "text ComPort %1\n"
                                                      "click BTConnect\n"
                                                      "click StartLog\n"
                                                      "waitlog %2 60000\n"
                                                      "wait 300\n"
                                                      "close\n")
                                           .arg(link, QString::fromLatin1(kEnd))),
             qPrintable(program.process.errorString()));

    // The log file appears once the port is open: then the stream starts;
    // once it is out whole, a marker behind it ends the script.
    QDir work(dir.path());
    QElapsedTimer waited;
    waited.start();
    while (work.entryList({QStringLiteral("LOG_*")}, QDir::Files).isEmpty() && waited.elapsed() < 20000)
        QTest::qWait(20);
    const QStringList logs = work.entryList({QStringLiteral("LOG_*")}, QDir::Files);
    QCOMPARE(logs.size(), 1);
    simdev.write(QStringLiteral("stream %1 1000000\n").arg(kCount).toUtf8());
    QByteArray status;
    while (!status.contains("streamed") && simdev.waitForReadyRead(30000)) status += simdev.readAll();
    QVERIFY2(status.contains(QByteArray("streamed ") + QByteArray::number(kCount)), status.constData());
    simdev.write("send " + kEnd + "\n");
    QVERIFY(simdev.waitForBytesWritten(10000));

    QVERIFY2(program.finish(90000), qPrintable(program.said()));
    simdev.write("quit\n");
    QVERIFY(simdev.waitForFinished(10000));

    QFile log(work.filePath(logs.first()));
    QVERIFY(log.open(QIODevice::ReadOnly));
    QByteArray received = log.readAll();
    received.replace("\r\n", "");
    QVERIFY2(received.endsWith(kEnd), received.right(80).constData());
    received.chop(kEnd.size());
    QCOMPARE(received.size(), kCount);
    const QByteArray expected = pattern(kCount);
    if (received != expected) {
        qsizetype at = 0;
        while (received[at] == expected[at]) ++at;
        QFAIL(qPrintable(QStringLiteral("the bytes differ from byte %1 on").arg(at)));
    }
}

QTEST_GUILESS_MAIN(TestSimdevStreamE2e)
#include "tst_simdev_stream_e2e.moc"
