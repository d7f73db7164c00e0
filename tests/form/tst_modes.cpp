// The sending modes and command files in the real window, against a device
// played on a pseudo-terminal.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>

#include "modes_rig.h"
#include "tx/send_modes.h"

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
    ModesRig rig;
    TForm1& f = rig.start();
    f.modes->HistoryListShown = historyShown;
    auto* rb = f.findChild<QRadioButton*>(mode);
    QVERIFY(rb);
    if (rb->isChecked()) f.RBSel->setChecked(true);  // checking from code runs the click once
    // Start from the opposite states so every column is really set.
    f.OldCmdList->setEnabled(!listEnabled);
    f.SendStart->setEnabled(!startEnabled);
    f.CiklSend->setEnabled(!cyclicEnabled);
    rb->setChecked(true);
    QCOMPARE(f.OldCmdList->isEnabled(), listEnabled);
    QCOMPARE(f.SendStart->isEnabled(), startEnabled);
    QCOMPARE(f.CiklSend->isEnabled(), cyclicEnabled);
    QCOMPARE(f.TimerPeriod->isActive(), timerOn);
}

void TestModes::periodFieldHoldsOnlyDigits() {
    ModesRig rig;
    TForm1& f = rig.start();
    f.PeriodTX->clear();
    f.PeriodTX->setFocus();
    QTest::keyClicks(f.PeriodTX, "1a2-");
    QCOMPARE(f.PeriodTX->text(), QStringLiteral("12"));
    QTest::keyClick(f.PeriodTX, Qt::Key_Backspace);
    QCOMPARE(f.PeriodTX->text(), QStringLiteral("1"));
    // Text that arrives otherwise (pasted, set by the program) is cleaned too.
    f.PeriodTX->setText(QStringLiteral("5x0 0"));
    QCOMPARE(f.PeriodTX->text(), QStringLiteral("500"));
    QVERIFY(f.PeriodTXKeyPress(QChar('z')));
    QVERIFY(!f.PeriodTXKeyPress(QChar(8)));
    QVERIFY(!f.PeriodTXKeyPress(QChar('7')));
}

void TestModes::periodSendsCommandLineAndFollowsTheField() {
    ModesRig rig;
    TForm1& f = rig.start();
    QVERIFY(rig.connectDevice());
    f.MainStrCmd->setText(QStringLiteral("PING"));
    f.PeriodTX->setText(QStringLiteral("1000"));
    // Shortly before midnight: the period goes on unchanged across it.
    rig.clock.time.hour = 23;
    rig.clock.time.minute = 59;
    rig.clock.time.second = 58;
    f.RBPeriod->setChecked(true);
    QCOMPARE(rig.readUntil("PING\r"), std::string("PING\r"));  // the first tick sends at once

    rig.clock.advance(1000);  // not more than the period yet
    QCOMPARE(rig.readFor(60), std::string());
    rig.clock.advance(1);
    QCOMPARE(rig.readUntil("PING\r"), std::string("PING\r"));
    rig.clock.advance(1001);  // past midnight now
    QCOMPARE(rig.readUntil("PING\r"), std::string("PING\r"));
    QCOMPARE(rig.clock.time.hour, 0);

    f.PeriodTX->setText(QStringLiteral("500"));  // at once, no restart needed
    rig.clock.advance(501);
    QCOMPARE(rig.readUntil("PING\r"), std::string("PING\r"));

    f.PeriodTX->clear();
    rig.clock.advance(5000);
    QCOMPARE(rig.readFor(60), std::string());
    QVERIFY(f.TimerPeriod->isActive());
    QVERIFY(f.modes->PeriodTickMark);
}

void TestModes::periodFileOnceAndCyclic_data() {
    QTest::addColumn<bool>("cyclic");
    QTest::newRow("once") << false;
    QTest::newRow("cyclic") << true;
}

void TestModes::periodFileOnceAndCyclic() {
    QFETCH(bool, cyclic);
    ModesRig rig;
    TForm1& f = rig.start();
    QVERIFY(rig.connectDevice());
    rig.loadCommandFile("L1\r\nL2\r\nL3\r\n");
    f.PeriodTX->setText(QStringLiteral("100"));
    f.RBPeriod->setChecked(true);
    f.CiklSend->setChecked(cyclic);
    QCOMPARE(rig.readUntil("L1\r"), std::string("L1\r"));
    for (const char* line : {"L2\r", "L3\r"}) {
        rig.clock.advance(101);
        QCOMPARE(rig.readUntil(line), std::string(line));
    }
    rig.clock.advance(101);  // the period after the last line: the end of the file
    QCOMPARE(rig.readFor(60), std::string());
    if (!cyclic) {
        QTRY_COMPARE(count(rig.messages.texts(), kAllSent), 1);
        QVERIFY(!f.TimerPeriod->isActive());
        // The start button begins again with the first line, a period after the end.
        f.SendStartClick();
        QVERIFY(f.TimerPeriod->isActive());
        rig.clock.advance(101);
        QCOMPARE(rig.readUntil("L1\r"), std::string("L1\r"));
    } else {
        QCOMPARE(count(rig.messages.texts(), kAllSent), 0);
        rig.clock.advance(101);
        QCOMPARE(rig.readUntil("L1\r"), std::string("L1\r"));
        QVERIFY(f.TimerPeriod->isActive());
    }
}

void TestModes::manualStepsThroughTheFile() {
    ModesRig rig;
    TForm1& f = rig.start();
    QVERIFY(rig.connectDevice());
    rig.loadCommandFile("ONE\nTWO\n");
    QVERIFY(f.RBManual->isChecked());
    f.SendStart->click();
    QCOMPARE(rig.readUntil("ONE\r"), std::string("ONE\r"));
    f.SendStart->click();
    QCOMPARE(rig.readUntil("TWO\r"), std::string("TWO\r"));
    f.SendStart->click();
    QCOMPARE(rig.readFor(30), std::string());
    QCOMPARE(count(rig.messages.texts(), kAllSent), 1);
    f.SendStart->click();
    QCOMPARE(rig.readUntil("ONE\r"), std::string("ONE\r"));

    // An empty file announces its end at once.
    rig.loadCommandFile("");
    f.SendStart->click();
    QCOMPARE(count(rig.messages.texts(), kAllSent), 2);
}

void TestModes::afterAnswerChainsTheFile_data() {
    QTest::addColumn<bool>("cyclic");
    QTest::newRow("once") << false;
    QTest::newRow("cyclic") << true;
}

void TestModes::afterAnswerChainsTheFile() {
    QFETCH(bool, cyclic);
    ModesRig rig(ModesRig::ClockKind::System);
    TForm1& f = rig.start();
    QVERIFY(rig.connectDevice());
    rig.loadCommandFile("C1\r\nC2\r\nC3\r\n");
    f.RBAfterAns->setChecked(true);
    f.CiklSend->setChecked(cyclic);
    f.SendStart->click();
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
        ModesRig rig(ModesRig::ClockKind::System);
        TForm1& f = rig.start();
        QVERIFY(rig.connectDevice());
        rig.loadCommandFile("E1\n\nE3\n");
        f.RBAfterAns->setChecked(true);
        f.SendStart->click();
        QCOMPARE(rig.readUntil("E1\r"), std::string("E1\r"));
        QVERIFY(rig.device.write("OK\r\n"));
        QCOMPARE(rig.readFor(100), std::string());
        QCOMPARE(f.modes->FileCmdIndex, 2u);
        QVERIFY(rig.device.write("OK\r\n"));
        QCOMPARE(rig.readUntil("E3\r"), std::string("E3\r"));
    }
    {  // period: one period passes without a send
        ModesRig rig;
        TForm1& f = rig.start();
        QVERIFY(rig.connectDevice());
        rig.loadCommandFile("E1\n\nE3\n");
        f.PeriodTX->setText(QStringLiteral("10"));
        f.RBPeriod->setChecked(true);
        QCOMPARE(rig.readUntil("E1\r"), std::string("E1\r"));
        rig.clock.advance(11);
        QTRY_COMPARE(f.modes->FileCmdIndex, 2u);
        QCOMPARE(rig.readFor(30), std::string());
        rig.clock.advance(11);
        QCOMPARE(rig.readUntil("E3\r"), std::string("E3\r"));
    }
}

void TestModes::onSelectionSendsTheClickedLine() {
    ModesRig rig;
    TForm1& f = rig.start();
    QVERIFY(rig.connectDevice());
    rig.loadCommandFile("S1\nS2\nS3\n");
    QListWidget* list = f.OldCmdList;
    auto clickLine = [list](int row) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
    };
    // Other modes: the click only copies the line into the command line.
    clickLine(1);
    QCOMPARE(f.MainStrCmd->text(), QStringLiteral("S2"));
    QCOMPARE(rig.readFor(30), std::string());

    f.RBSel->setChecked(true);
    QVERIFY(!f.SendStart->isEnabled());
    clickLine(2);
    QCOMPARE(rig.readUntil("S3\r"), std::string("S3\r"));
    QVERIFY(f.OldCmdList->isEnabled());
    // The keyboard moving the selection counts as a click too.
    QTest::keyClick(list, Qt::Key_Up);
    QCOMPARE(rig.readUntil("S2\r"), std::string("S2\r"));
    QCOMPARE(rig.readFor(30), std::string());
}

void TestModes::backLeavesPeriodicSenderOnCommandLine() {
    ModesRig rig;
    TForm1& f = rig.start();
    QVERIFY(rig.connectDevice());
    rig.loadCommandFile("F1\nF2\n");
    f.MainStrCmd->setText(QStringLiteral("LINE"));
    f.PeriodTX->setText(QStringLiteral("100"));
    f.RBPeriod->setChecked(true);
    QCOMPARE(rig.readUntil("F1\r"), std::string("F1\r"));
    f.ButtonReadFile->click();  // "Назад"
    QCOMPARE(f.ButtonReadFile->text(), QStringLiteral("Из файла"));
    QVERIFY(f.modes->HistoryListShown);
    rig.clock.advance(101);
    QCOMPARE(rig.readUntil("LINE\r"), std::string("LINE\r"));
    rig.clock.advance(101);
    QCOMPARE(rig.readUntil("LINE\r"), std::string("LINE\r"));
    QVERIFY(f.TimerPeriod->isActive());
}

void TestModes::sendOnConnectStartsTheFile() {
    ModesRig rig(ModesRig::ClockKind::System);
    TForm1& f = rig.start();
    rig.loadCommandFile("FIRST\nSECOND\n");
    f.RBAfterAns->setChecked(true);
    f.SendAsReconn->setChecked(true);
    QVERIFY(rig.connectDevice());
    QCOMPARE(rig.readUntil("FIRST\r"), std::string("FIRST\r"));
    QVERIFY(rig.device.write("OK\r\n"));
    QCOMPARE(rig.readUntil("SECOND\r"), std::string("SECOND\r"));
}

void TestModes::fileLoadingStatesAndFailures() {
    ModesRig rig;
    TForm1& f = rig.start();
    // A file that cannot be read: a message, and the window stays without a file.
    rig.chosenFile = rig.dir.filePath(QStringLiteral("absent.txt"));
    const std::size_t before = rig.messages.shown.size();
    f.ButtonReadFile->click();
    QCOMPARE(rig.messages.shown.size(), before + 1);
    QCOMPARE(rig.messages.shown.back().text, std::string("Не удалось прочитать файл команд"));
    QVERIFY(rig.messages.shown.back().detail.find("файл не найден") != std::string::npos);
    QCOMPARE(f.ButtonReadFile->text(), QStringLiteral("Из файла"));
    QVERIFY(!f.modes->FileCmdMode);
    QVERIFY(f.OldCmdList->isHidden());
    // A cancelled dialog changes nothing either.
    rig.chosenFile.clear();
    f.ButtonReadFile->click();
    QVERIFY(!f.modes->FileCmdMode);

    // 600 lines, one of them too long: the first 500 lines are read.
    QByteArray big;
    for (int i = 1; i <= 600; ++i) big += (i == 7 ? QByteArray(300, 'x') : "N" + QByteArray::number(i)) + "\r\n";
    rig.loadCommandFile(big);
    QCOMPARE(rig.messages.texts().back(), std::string("Большой файл"));
    QCOMPARE(f.OldCmdList->count(), 499);
    QCOMPARE(f.OldCmdList->item(498)->text(), QStringLiteral("N500"));
    QVERIFY(f.modes->FileCmdMode);
    QCOMPARE(f.ButtonReadFile->text(), QStringLiteral("Назад"));
    QCOMPARE(f.STListName->text(), rig.chosenFile);
    QVERIFY(f.OldCmdList->isVisible() && f.SendStart->isVisible() && f.CiklSend->isVisible());
    QVERIFY(f.CBLists->isHidden() && f.EditAllCmd->isHidden() && f.RBName->isHidden());

    // A Cyrillic command (Windows-1251 in the file) shows as itself.
    rig.loadCommandFile("\xcf\xf0\xe8\xe2\xe5\xf2\r\n");
    QCOMPARE(f.OldCmdList->item(0)->text(), QString::fromUtf8("Привет"));
    QCOMPARE(f.modes->FileCmdIndex, 0u);

    f.ButtonReadFile->click();
    QVERIFY(!f.modes->FileCmdMode);
    QVERIFY(f.OldCmdList->isHidden() && f.SendStart->isHidden() && f.CiklSend->isHidden());
    QVERIFY(f.CBLists->isVisible() && f.EditAllCmd->isVisible() && f.RBName->isVisible());
    QCOMPARE(f.OldCmdList->count(), 0);
}

QTEST_MAIN(TestModes)
#include "tst_modes.moc"
