// The log file through the real main window: the three states of the log
// button, the bytes of TX and RX lines in the file, and the failures.
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "rx/ui/log_view.h"
#include "rx/log_file.h"
#include "rx/receiver.h"
#include "rx_form_rig.h"

using namespace vantrel;
using vantrel::test::RxFormRig;

namespace {

const QString kName = QStringLiteral("LOG_2024 3 5 9 7 3.txt");  // the fake clock's start

QString u8q(const char* utf8) { return QString::fromUtf8(utf8); }

// Receives one answer and lets the fake clock end its packet.
void receive(RxFormRig& rig, const std::string& answer) {
    const std::int64_t before = rig.form->receiver->RxBytes;
    QVERIFY(rig.device.write(answer));
    QTRY_COMPARE(rig.form->receiver->RxBytes, before + std::int64_t(answer.size()));
    rig.clock.advance(1);
    QTRY_COMPARE(rig.form->receiver->RxLen, 0u);
}

QStringList logFiles(const RxFormRig& rig) {
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
};

void TestLogFile::startPauseResumeKeepOneFile() {
    RxFormRig rig;
    TForm1& f = *rig.form;
    QCOMPARE(f.StartLog->text(), QStringLiteral("Start Log"));
    QCOMPARE(f.STLog->text(), u8q("Запись в файл не ведётся"));
    QVERIFY(logFiles(rig).isEmpty());

    f.StartLog->click();
    QCOMPARE(f.StartLog->text(), QStringLiteral("Pause Log"));
    QCOMPARE(f.STLog->text(), u8q("Лог записывается в файл ") + kName);
    QCOMPARE(logFiles(rig), QStringList{kName});

    rig.clock.advance(61'000);  // a later resume makes no second file
    f.StartLog->click();
    QCOMPARE(f.StartLog->text(), QStringLiteral("Go Log"));
    QCOMPARE(f.STLog->text(), u8q("Запись в файл лога приостановлена (") + kName + ")");
    f.StartLog->click();
    QCOMPARE(f.StartLog->text(), QStringLiteral("Pause Log"));
    QCOMPARE(f.STLog->text(), u8q("Лог записывается в файл ") + kName);
    QCOMPARE(logFiles(rig), QStringList{kName});
    for (const std::string& text : rig.messages.texts()) QVERIFY(text.find("файл лога") == std::string::npos);
}

void TestLogFile::shownLinesReachTheFileByteForByte() {
    RxFormRig rig;
    QVERIFY(rig.connectDevice());
    TForm1& f = *rig.form;
    f.setRxTimeoutMs(0);
    f.VisTime->setChecked(true);
    f.AddStrCmd->setText(QStringLiteral("$0D"));
    f.StartLog->click();

    f.SendPortData("AT");                 // TX line: the command and its tail, whole
    receive(rig, "OK\r\n");               // RX line: shortened, no zero byte
    receive(rig, std::string("A\0B", 3)); // no line end: the last letter stays
    const QByteArray expected = QByteArray(" [ 09:07:03:000 > ] AT\r\r\n") +
                                QByteArray(" [ 09:07:03:001 < ] OK\r\r\n") +
                                QByteArray(" [ 09:07:03:002 < ] A<NULL>B\r\n");
    // Each line is in the file while the program still runs.
    QCOMPARE(rig.fileBytes(kName), expected);

    // Lines the filter drops are not written; paused lines neither.
    f.FiltrLog->setText(QStringLiteral("OK"));
    f.SendPortData("AT");
    receive(rig, "NO\r");
    receive(rig, "OK2\r");
    f.StartLog->click();
    receive(rig, "OK3\r");
    f.StartLog->click();
    receive(rig, "OK4\r");
    QCOMPARE(rig.fileBytes(kName), expected + " [ 09:07:03:004 < ] OK2\r\r\n" + " [ 09:07:03:006 < ] OK4\r\r\n");
    QTRY_VERIFY(f.MainWindow->toPlainText().contains(QStringLiteral("OK3")));
}

void TestLogFile::aFileThatCannotBeCreated() {
    RxFormRig rig;
    TForm1& f = *rig.form;
    QVERIFY(QDir(rig.dir.path()).mkdir(kName));
    rig.messages.shown.clear();

    f.StartLog->click();
    QCOMPARE(rig.messages.texts(), std::vector<std::string>{"Не удалось создать файл лога " + kName.toStdString()});
    QCOMPARE(rig.messages.shown[0].detail, std::string("с таким именем уже есть папка"));
    QCOMPARE(f.StartLog->text(), QStringLiteral("Start Log"));
    QCOMPARE(TForm1::tag(f.StartLog), 0);
    QCOMPARE(f.STLog->text(), u8q("Запись в файл не ведётся"));
    QVERIFY(!f.logFile->LogActive);

    // Once the obstacle is gone the next click creates the file.
    QVERIFY(QDir(rig.dir.path()).rmdir(kName));
    f.StartLog->click();
    QCOMPARE(f.StartLog->text(), QStringLiteral("Pause Log"));
    QVERIFY(QFileInfo(rig.dir.filePath(kName)).isFile());
}

void TestLogFile::aFailingWriteIsReportedOnceAndPauses() {
    RxFormRig rig;
    QVERIFY(rig.connectDevice());
    TForm1& f = *rig.form;
    f.setRxTimeoutMs(0);
    f.AddStrCmd->clear();
    f.logFile->pathOf = [](const std::string&) { return std::string("/dev/full"); };
    f.StartLog->click();
    QCOMPARE(f.StartLog->text(), QStringLiteral("Pause Log"));
    rig.messages.shown.clear();

    receive(rig, "one\r");
    receive(rig, "two\r");
    f.SendPortData("three");
    QCOMPARE(rig.messages.texts(),
             std::vector<std::string>{"Не удалось записать строку в файл лога " + kName.toStdString() +
                                      ". Запись в файл приостановлена."});
    QCOMPARE(rig.messages.shown[0].detail, std::string("на диске нет места"));
    QCOMPARE(f.StartLog->text(), QStringLiteral("Go Log"));
    QCOMPARE(f.STLog->text(), u8q("Запись в файл лога приостановлена (") + kName + ")");
    // Reception went on and every line was shown.
    QTRY_COMPARE(rig.shownLines().size(), 3);

    // Resuming tries again and, the device still full, pauses again.
    f.StartLog->click();
    receive(rig, "four\r");
    QCOMPARE(rig.messages.shown.size(), std::size_t(2));
    QCOMPARE(f.StartLog->text(), QStringLiteral("Go Log"));
}

QTEST_MAIN(TestLogFile)
#include "tst_log_file.moc"
