// The log file through the real main window: the three states of the log
// button, the bytes of TX and RX lines in the file, and the failures.
#include <QDir>

#include "rx/ui/log_view.h"
#include "support/form_rig.h"

using namespace vantrel;
using vantrel::test::FormRig;

namespace {

const QString kName = QStringLiteral("LOG_2024 3 5 9 7 3.txt");  // the fake clock's start

QString u8q(const char* utf8) { return QString::fromUtf8(utf8); }

// Receives one answer and lets the fake clock end its packet.
void receive(FormRig& rig, const std::string& answer) {
    const std::int64_t before = rig.rxBytes();
    QVERIFY(rig.device.write(answer));
    QTRY_COMPARE(rig.rxBytes(), before + std::int64_t(answer.size()));
    rig.clock.advance(1);
    QTRY_COMPARE(rig.rxLen(), 0u);
}

QStringList logFiles(const FormRig& rig) {
    return QDir(rig.dir.path()).entryList({QStringLiteral("LOG_*")}, QDir::Files | QDir::Dirs);
}

}  // namespace

class TestLogFile : public QObject {
    Q_OBJECT
private slots:
    void startPauseResumeKeepOneFile();
    void shownLinesReachTheFileByteForByte();
    void aFileThatCannotBeCreated();
    void aFailingWriteIsReportedOnceAndPauses();
    void aFailedWriteStopsThatAnswersNextCommand();
};

void TestLogFile::startPauseResumeKeepOneFile() {
    FormRig rig;
    QCOMPARE(rig.text("StartLog"), QStringLiteral("Start Log"));
    QCOMPARE(rig.text("STLog"), u8q("Запись в файл не ведётся"));
    QVERIFY(logFiles(rig).isEmpty());

    rig.click("StartLog");
    QCOMPARE(rig.text("StartLog"), QStringLiteral("Pause Log"));
    QCOMPARE(rig.text("STLog"), u8q("Лог записывается в файл ") + kName);
    QCOMPARE(logFiles(rig), QStringList{kName});

    rig.clock.advance(61'000);  // a later resume makes no second file
    rig.click("StartLog");
    QCOMPARE(rig.text("StartLog"), QStringLiteral("Go Log"));
    QCOMPARE(rig.text("STLog"), u8q("Запись в файл лога приостановлена (") + kName + ")");
    rig.click("StartLog");
    QCOMPARE(rig.text("StartLog"), QStringLiteral("Pause Log"));
    QCOMPARE(rig.text("STLog"), u8q("Лог записывается в файл ") + kName);
    QCOMPARE(logFiles(rig), QStringList{kName});
    for (const std::string& text : rig.messages.texts()) QVERIFY(text.find("файл лога") == std::string::npos);
}

void TestLogFile::shownLinesReachTheFileByteForByte() {
    FormRig rig;
    QVERIFY(rig.openDevice());
    rig.setRxTimeoutMs(0);
    rig.check("VisTime");
    rig.fill("AddStrCmd", QStringLiteral("$0D"));
    rig.click("StartLog");

    rig.send("AT");                 // TX line: the command and its tail, whole
    receive(rig, "OK\r\n");               // RX line: shortened, no zero byte
    receive(rig, std::string("A\0B", 3)); // no line end: the last letter stays
    const QByteArray expected = QByteArray(" [ 09:07:03:000 > ] AT\r\r\n") +
                                QByteArray(" [ 09:07:03:001 < ] OK\r\r\n") +
                                QByteArray(" [ 09:07:03:002 < ] A<NULL>B\r\n");
    // Each line is in the file while the program still runs.
    QCOMPARE(rig.fileBytes(kName), expected);

    // Lines the filter drops are not written; paused lines neither.
    rig.fill("FiltrLog", QStringLiteral("OK"));
    rig.send("AT");
    receive(rig, "NO\r");
    receive(rig, "OK2\r");
    rig.click("StartLog");
    receive(rig, "OK3\r");
    rig.click("StartLog");
    receive(rig, "OK4\r");
    QCOMPARE(rig.fileBytes(kName), expected + " [ 09:07:03:004 < ] OK2\r\r\n" + " [ 09:07:03:006 < ] OK4\r\r\n");
    QTRY_VERIFY(rig.text("MainWindow").contains(QStringLiteral("OK3")));
}

void TestLogFile::aFileThatCannotBeCreated() {
    FormRig rig;
    QVERIFY(QDir(rig.dir.path()).mkdir(kName));
    rig.messages.shown.clear();

    rig.click("StartLog");
    QCOMPARE(rig.messages.texts(), std::vector<std::string>{"Не удалось создать файл лога " + kName.toStdString()});
    QCOMPARE(rig.messages.shown[0].detail, std::string("с таким именем уже есть папка"));
    QCOMPARE(rig.text("StartLog"), QStringLiteral("Start Log"));
    QCOMPARE(rig.tag("StartLog"), 0);
    QCOMPARE(rig.text("STLog"), u8q("Запись в файл не ведётся"));
    QVERIFY(!rig.logActive());

    // Once the obstacle is gone the next click creates the file.
    QVERIFY(QDir(rig.dir.path()).rmdir(kName));
    rig.click("StartLog");
    QCOMPARE(rig.text("StartLog"), QStringLiteral("Pause Log"));
    QVERIFY(QFileInfo(rig.dir.filePath(kName)).isFile());
}

void TestLogFile::aFailingWriteIsReportedOnceAndPauses() {
    FormRig rig;
    QVERIFY(rig.openDevice());
    rig.setRxTimeoutMs(0);
    rig.fill("AddStrCmd", {});
    rig.failLogWrites("/dev/full");
    rig.click("StartLog");
    QCOMPARE(rig.text("StartLog"), QStringLiteral("Pause Log"));
    rig.messages.shown.clear();

    receive(rig, "one\r");
    receive(rig, "two\r");
    rig.send("three");
    QCOMPARE(rig.messages.texts(),
             std::vector<std::string>{"Не удалось записать строку в файл лога " + kName.toStdString() +
                                      ". Запись в файл приостановлена."});
    QCOMPARE(rig.messages.shown[0].detail, std::string("на диске нет места"));
    QCOMPARE(rig.text("StartLog"), QStringLiteral("Go Log"));
    QCOMPARE(rig.text("STLog"), u8q("Запись в файл лога приостановлена (") + kName + ")");
    // Reception went on and every line was shown.
    QTRY_COMPARE(rig.logLines().size(), 3);

    // Resuming tries again and, the device still full, pauses again.
    rig.click("StartLog");
    receive(rig, "four\r");
    QCOMPARE(rig.messages.shown.size(), std::size_t(2));
    QCOMPARE(rig.text("StartLog"), QStringLiteral("Go Log"));
}

void TestLogFile::aFailedWriteStopsThatAnswersNextCommand() {
    FormRig rig;
    QVERIFY(rig.openDevice());
    rig.setRxTimeoutMs(0);
    rig.fill("AddStrCmd", {});
    rig.check("RBAfterAns");
    rig.fill("MainStrCmd", "NEXT");
    rig.failLogWrites("/dev/full");
    rig.click("StartLog");
    rig.messages.shown.clear();

    receive(rig, "one\r");  // its line does not reach the file: no command follows it
    QCOMPARE(rig.messages.shown.size(), std::size_t(1));
    QCOMPARE(rig.readFor(100), std::string());
    receive(rig, "two\r");  // logging is paused now: the answer releases the command again
    QCOMPARE(rig.readUntil("NEXT", 2000), std::string("NEXT"));
}

QTEST_MAIN(TestLogFile)
#include "tst_log_file.moc"
