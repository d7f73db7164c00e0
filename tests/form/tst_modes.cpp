// The sending modes and command files in the real window, against a device
// played on a pseudo-terminal.
#include "support/form_rig.h"

using namespace vantrel;
using namespace vantrel::test;

namespace {

const std::string kAllSent = "Все команды отправлены";

int count(const std::vector<std::string>& texts, const std::string& text) {
    return int(std::count(texts.begin(), texts.end(), text));
}

}  // namespace

class TestModes : public QObject {
    Q_OBJECT
private slots:
    void modeButtonsSetTheEnabledStates_data();
    void modeButtonsSetTheEnabledStates();
    void periodFieldHoldsOnlyDigits();
    void periodSendsCommandLineAndFollowsTheField();
    void periodFileOnceAndCyclic_data();
    void periodFileOnceAndCyclic();
    void manualStepsThroughTheFile();
    void afterAnswerChainsTheFile_data();
    void afterAnswerChainsTheFile();
    void emptyLineUsesItsTurn();
    void onSelectionSendsTheClickedLine();
    void backLeavesPeriodicSenderOnCommandLine();
    void sendOnConnectStartsTheFile();
    void fileLoadingStatesAndFailures();
};

void TestModes::modeButtonsSetTheEnabledStates_data() {
    QTest::addColumn<QString>("mode");
    QTest::addColumn<bool>("historyShown");
    QTest::addColumn<bool>("listEnabled");
    QTest::addColumn<bool>("startEnabled");
    QTest::addColumn<bool>("cyclicEnabled");
    QTest::addColumn<bool>("timerOn");
    QTest::newRow("manual") << "RBManual" << true << true << true << false << false;
    QTest::newRow("select") << "RBSel" << true << true << false << false << false;
    QTest::newRow("answer, history shown") << "RBAfterAns" << true << false << true << true << false;
    QTest::newRow("answer, file") << "RBAfterAns" << false << true << true << true << false;
    QTest::newRow("period, history shown") << "RBPeriod" << true << false << true << true << true;
    QTest::newRow("period, file") << "RBPeriod" << false << true << true << true << true;
}

void TestModes::modeButtonsSetTheEnabledStates() {
    QFETCH(QString, mode);
    QFETCH(bool, historyShown);
    QFETCH(bool, listEnabled);
    QFETCH(bool, startEnabled);
    QFETCH(bool, cyclicEnabled);
    QFETCH(bool, timerOn);
    FormRig rig({.show = true});
    rig.setHistoryListShown(historyShown);
    auto* rb = rig.ctl<QRadioButton>(mode);
    if (rb->isChecked()) rig.check("RBSel");  // checking from code runs the click once
    // Start from the opposite states so every column is really set.
    rig.ctl<QListWidget>("OldCmdList")->setEnabled(!listEnabled);
    rig.ctl<QPushButton>("SendStart")->setEnabled(!startEnabled);
    rig.ctl<QCheckBox>("CiklSend")->setEnabled(!cyclicEnabled);
    rb->setChecked(true);
    QCOMPARE(rig.enabled("OldCmdList"), listEnabled);
    QCOMPARE(rig.enabled("SendStart"), startEnabled);
    QCOMPARE(rig.enabled("CiklSend"), cyclicEnabled);
    QCOMPARE(rig.active("TimerPeriod"), timerOn);
}

void TestModes::periodFieldHoldsOnlyDigits() {
    FormRig rig({.show = true});
    rig.fill("PeriodTX", {});
    rig.ctl<QLineEdit>("PeriodTX")->setFocus();
    rig.type("PeriodTX", "1a2-");
    QCOMPARE(rig.text("PeriodTX"), QStringLiteral("12"));
    rig.key("PeriodTX", Qt::Key_Backspace);
    QCOMPARE(rig.text("PeriodTX"), QStringLiteral("1"));
    // Text that arrives otherwise (pasted, set by the program) is cleaned too.
    rig.fill("PeriodTX", QStringLiteral("5x0 0"));
    QCOMPARE(rig.text("PeriodTX"), QStringLiteral("500"));
    QVERIFY(rig.periodKeyRefused(QChar('z')));
    QVERIFY(!rig.periodKeyRefused(QChar(8)));
    QVERIFY(!rig.periodKeyRefused(QChar('7')));
}

void TestModes::periodSendsCommandLineAndFollowsTheField() {
    FormRig rig({.show = true});
    QVERIFY(rig.connectDevice());
    rig.fill("MainStrCmd", QStringLiteral("PING"));
    rig.fill("PeriodTX", QStringLiteral("1000"));
    // Shortly before midnight: the period goes on unchanged across it.
    rig.clock.time.hour = 23;
    rig.clock.time.minute = 59;
    rig.clock.time.second = 58;
    rig.check("RBPeriod");
    QCOMPARE(rig.readUntil("PING\r"), std::string("PING\r"));  // the first tick sends at once

    rig.clock.advance(1000);  // not more than the period yet
    QCOMPARE(rig.readFor(60), std::string());
    rig.clock.advance(1);
    QCOMPARE(rig.readUntil("PING\r"), std::string("PING\r"));
    rig.clock.advance(1001);  // past midnight now
    QCOMPARE(rig.readUntil("PING\r"), std::string("PING\r"));
    QCOMPARE(rig.clock.time.hour, 0);

    rig.fill("PeriodTX", QStringLiteral("500"));  // at once, no restart needed
    rig.clock.advance(501);
    QCOMPARE(rig.readUntil("PING\r"), std::string("PING\r"));

    rig.fill("PeriodTX", {});
    rig.clock.advance(5000);
    QCOMPARE(rig.readFor(60), std::string());
    QVERIFY(rig.active("TimerPeriod"));
    QVERIFY(rig.periodTickMark());
}

void TestModes::periodFileOnceAndCyclic_data() {
    QTest::addColumn<bool>("cyclic");
    QTest::newRow("once") << false;
    QTest::newRow("cyclic") << true;
}

void TestModes::periodFileOnceAndCyclic() {
    QFETCH(bool, cyclic);
    FormRig rig({.show = true});
    QVERIFY(rig.connectDevice());
    rig.loadCommandFile("L1\r\nL2\r\nL3\r\n");
    rig.fill("PeriodTX", QStringLiteral("100"));
    rig.check("RBPeriod");
    rig.check("CiklSend", cyclic);
    QCOMPARE(rig.readUntil("L1\r"), std::string("L1\r"));
    for (const char* line : {"L2\r", "L3\r"}) {
        rig.clock.advance(101);
        QCOMPARE(rig.readUntil(line), std::string(line));
    }
    rig.clock.advance(101);  // the period after the last line: the end of the file
    QCOMPARE(rig.readFor(60), std::string());
    if (!cyclic) {
        QTRY_COMPARE(count(rig.messages.texts(), kAllSent), 1);
        QVERIFY(!rig.active("TimerPeriod"));
        // The start button begins again with the first line, a period after the end.
        rig.click("SendStart");
        QVERIFY(rig.active("TimerPeriod"));
        rig.clock.advance(101);
        QCOMPARE(rig.readUntil("L1\r"), std::string("L1\r"));
    } else {
        QCOMPARE(count(rig.messages.texts(), kAllSent), 0);
        rig.clock.advance(101);
        QCOMPARE(rig.readUntil("L1\r"), std::string("L1\r"));
        QVERIFY(rig.active("TimerPeriod"));
    }
}

void TestModes::manualStepsThroughTheFile() {
    FormRig rig({.show = true});
    QVERIFY(rig.connectDevice());
    rig.loadCommandFile("ONE\nTWO\n");
    QVERIFY(rig.checked("RBManual"));
    rig.click("SendStart");
    QCOMPARE(rig.readUntil("ONE\r"), std::string("ONE\r"));
    rig.click("SendStart");
    QCOMPARE(rig.readUntil("TWO\r"), std::string("TWO\r"));
    rig.click("SendStart");
    QCOMPARE(rig.readFor(30), std::string());
    QCOMPARE(count(rig.messages.texts(), kAllSent), 1);
    rig.click("SendStart");
    QCOMPARE(rig.readUntil("ONE\r"), std::string("ONE\r"));

    // An empty file announces its end at once.
    rig.loadCommandFile("");
    rig.click("SendStart");
    QCOMPARE(count(rig.messages.texts(), kAllSent), 2);
}

void TestModes::afterAnswerChainsTheFile_data() {
    QTest::addColumn<bool>("cyclic");
    QTest::newRow("once") << false;
    QTest::newRow("cyclic") << true;
}

void TestModes::afterAnswerChainsTheFile() {
    QFETCH(bool, cyclic);
    FormRig rig({.show = true, .systemClock = true});
    QVERIFY(rig.connectDevice());
    rig.loadCommandFile("C1\r\nC2\r\nC3\r\n");
    rig.check("RBAfterAns");
    rig.check("CiklSend", cyclic);
    rig.click("SendStart");
    QCOMPARE(rig.readUntil("C1\r"), std::string("C1\r"));
    // Nothing more goes out until the device answers.
    QCOMPARE(rig.readFor(50), std::string());
    for (const char* next : {"C2\r", "C3\r"}) {
        QVERIFY(rig.device.write("OK\r\n"));
        QCOMPARE(rig.readUntil(next), std::string(next));
    }
    QVERIFY(rig.device.write("OK\r\n"));
    if (cyclic) {
        QCOMPARE(rig.readUntil("C1\r"), std::string("C1\r"));
        QCOMPARE(count(rig.messages.texts(), kAllSent), 0);
    } else {
        QTRY_COMPARE(count(rig.messages.texts(), kAllSent), 1);
        QCOMPARE(rig.readFor(50), std::string());
        // A further packet starts the file again.
        QVERIFY(rig.device.write("RING\r\n"));
        QCOMPARE(rig.readUntil("C1\r"), std::string("C1\r"));
    }
}

void TestModes::emptyLineUsesItsTurn() {
    {  // after answer: the empty line is a turn without a send; the chain rests
        FormRig rig({.show = true, .systemClock = true});
        QVERIFY(rig.connectDevice());
        rig.loadCommandFile("E1\n\nE3\n");
        rig.check("RBAfterAns");
        rig.click("SendStart");
        QCOMPARE(rig.readUntil("E1\r"), std::string("E1\r"));
        QVERIFY(rig.device.write("OK\r\n"));
        QCOMPARE(rig.readFor(100), std::string());
        QCOMPARE(rig.fileCmdIndex(), 2u);
        QVERIFY(rig.device.write("OK\r\n"));
        QCOMPARE(rig.readUntil("E3\r"), std::string("E3\r"));
    }
    {  // period: one period passes without a send
        FormRig rig({.show = true});
        QVERIFY(rig.connectDevice());
        rig.loadCommandFile("E1\n\nE3\n");
        rig.fill("PeriodTX", QStringLiteral("10"));
        rig.check("RBPeriod");
        QCOMPARE(rig.readUntil("E1\r"), std::string("E1\r"));
        rig.clock.advance(11);
        QTRY_COMPARE(rig.fileCmdIndex(), 2u);
        QCOMPARE(rig.readFor(30), std::string());
        rig.clock.advance(11);
        QCOMPARE(rig.readUntil("E3\r"), std::string("E3\r"));
    }
}

void TestModes::onSelectionSendsTheClickedLine() {
    FormRig rig({.show = true});
    QVERIFY(rig.connectDevice());
    rig.loadCommandFile("S1\nS2\nS3\n");
    QListWidget* list = rig.ctl<QListWidget>("OldCmdList");
    auto clickLine = [list](int row) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
    };
    // Other modes: the click only copies the line into the command line.
    clickLine(1);
    QCOMPARE(rig.text("MainStrCmd"), QStringLiteral("S2"));
    QCOMPARE(rig.readFor(30), std::string());

    rig.check("RBSel");
    QVERIFY(!rig.enabled("SendStart"));
    clickLine(2);
    QCOMPARE(rig.readUntil("S3\r"), std::string("S3\r"));
    QVERIFY(rig.enabled("OldCmdList"));
    // The keyboard moving the selection counts as a click too.
    QTest::keyClick(list, Qt::Key_Up);
    QCOMPARE(rig.readUntil("S2\r"), std::string("S2\r"));
    QCOMPARE(rig.readFor(30), std::string());
}

void TestModes::backLeavesPeriodicSenderOnCommandLine() {
    FormRig rig({.show = true});
    QVERIFY(rig.connectDevice());
    rig.loadCommandFile("F1\nF2\n");
    rig.fill("MainStrCmd", QStringLiteral("LINE"));
    rig.fill("PeriodTX", QStringLiteral("100"));
    rig.check("RBPeriod");
    QCOMPARE(rig.readUntil("F1\r"), std::string("F1\r"));
    rig.click("ButtonReadFile");  // "Назад"
    QCOMPARE(rig.text("ButtonReadFile"), QStringLiteral("Из файла"));
    QVERIFY(rig.historyListShown());
    rig.clock.advance(101);
    QCOMPARE(rig.readUntil("LINE\r"), std::string("LINE\r"));
    rig.clock.advance(101);
    QCOMPARE(rig.readUntil("LINE\r"), std::string("LINE\r"));
    QVERIFY(rig.active("TimerPeriod"));
}

void TestModes::sendOnConnectStartsTheFile() {
    FormRig rig({.show = true, .systemClock = true});
    rig.loadCommandFile("FIRST\nSECOND\n");
    rig.check("RBAfterAns");
    rig.check("SendAsReconn");
    QVERIFY(rig.connectDevice());
    QCOMPARE(rig.readUntil("FIRST\r"), std::string("FIRST\r"));
    QVERIFY(rig.device.write("OK\r\n"));
    QCOMPARE(rig.readUntil("SECOND\r"), std::string("SECOND\r"));
}

void TestModes::fileLoadingStatesAndFailures() {
    FormRig rig({.show = true});
    // A file that cannot be read: a message, and the window stays without a file.
    rig.chosenFile = rig.dir.filePath(QStringLiteral("absent.txt"));
    const std::size_t before = rig.messages.shown.size();
    rig.click("ButtonReadFile");
    QCOMPARE(rig.messages.shown.size(), before + 1);
    QCOMPARE(rig.messages.shown.back().text, std::string("Не удалось прочитать файл команд"));
    QVERIFY(rig.messages.shown.back().detail.find("файл не найден") != std::string::npos);
    QCOMPARE(rig.text("ButtonReadFile"), QStringLiteral("Из файла"));
    QVERIFY(!rig.fileCmdMode());
    QVERIFY(rig.hidden("OldCmdList"));
    // A cancelled dialog changes nothing either.
    rig.chosenFile.clear();
    rig.click("ButtonReadFile");
    QVERIFY(!rig.fileCmdMode());

    // 600 lines, one of them too long: the first 500 lines are read.
    QByteArray big;
    for (int i = 1; i <= 600; ++i) big += (i == 7 ? QByteArray(300, 'x') : "N" + QByteArray::number(i)) + "\r\n";
    rig.loadCommandFile(big);
    QCOMPARE(rig.messages.texts().back(), std::string("Большой файл"));
    QCOMPARE(rig.ctl<QListWidget>("OldCmdList")->count(), 499);
    QCOMPARE(rig.ctl<QListWidget>("OldCmdList")->item(498)->text(), QStringLiteral("N500"));
    QVERIFY(rig.fileCmdMode());
    QCOMPARE(rig.text("ButtonReadFile"), QStringLiteral("Назад"));
    QCOMPARE(rig.text("STListName"), rig.chosenFile);
    QVERIFY(rig.visible("OldCmdList") && rig.visible("SendStart") && rig.visible("CiklSend"));
    QVERIFY(rig.hidden("CBLists") && rig.hidden("EditAllCmd") && rig.hidden("RBName"));

    // A Cyrillic command (Windows-1251 in the file) shows as itself.
    rig.loadCommandFile("\xcf\xf0\xe8\xe2\xe5\xf2\r\n");
    QCOMPARE(rig.ctl<QListWidget>("OldCmdList")->item(0)->text(), QString::fromUtf8("Привет"));
    QCOMPARE(rig.fileCmdIndex(), 0u);

    rig.click("ButtonReadFile");
    QVERIFY(!rig.fileCmdMode());
    QVERIFY(rig.hidden("OldCmdList") && rig.hidden("SendStart") && rig.hidden("CiklSend"));
    QVERIFY(rig.visible("CBLists") && rig.visible("EditAllCmd") && rig.visible("RBName"));
    QCOMPARE(rig.ctl<QListWidget>("OldCmdList")->count(), 0);
}

QTEST_MAIN(TestModes)
#include "tst_modes.moc"
