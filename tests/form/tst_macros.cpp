// The macro panel of the real main window: buttons, editor mode, paging,
// clearing, display modes, the list chooser and the save prompt at close.
#include <QAbstractItemView>
#include <QComboBox>
#include <QLabel>
#include <QRadioButton>
#include <QTest>

#include "app/secondary_windows.h"
#include "common/ui/text_codec.h"
#include "macro_form_harness.h"
#include "tools/pty_device.h"
#include "tx/send_modes.h"

using namespace vantrel;
using test::button;
using test::field;
using Harness = test::MacroFormHarness;

namespace {

// The user picks item `index` of the list chooser.
void chooseList(TForm1& f, int index) {
    f.CBLists->setCurrentIndex(index);
    emit f.CBLists->activated(index);
}

void showForm(TForm1& f) {
    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f));
}

}  // namespace

class MacrosTest : public QObject {
    Q_OBJECT

private slots:
    void init() { QVERIFY(h_.start()); }
    void cleanup() { h_.stop(); }

    void clickSendsAtOnceInTheOnSelectionMode();
    void clickOnlyFillsTheCommandLineInTheManualMode();
    void hoverAndFocusShowTheMacroHelp();
    void editorModeTypingGoesIntoTheStoreAtOnce();
    void pagingStoresThePanelAndStopsAtBothEnds();
    void chooserSetsThePagingStates_data();
    void chooserSetsThePagingStates();
    void clearingList12AndLeavingTheEditorWritesTheFile();
    void displayModeSwitchesCaptionsBoldHintsAndLimits();
    void displayModeSwitchesNeverRewriteTheStore();
    void chooserAndLargeNameSwapOnDoubleClick();
    void listNumberOutOfRangeShowsList1();
    void savePromptAtClose_data();
    void savePromptAtClose();
    void failedSaveKeepsTheWindowOpenAndTheEdits();

private:
    Harness h_;
};

void MacrosTest::clickSendsAtOnceInTheOnSelectionMode() {
    PtyDevice device;
    QVERIFY(device.open());
    h_.ports = {device.slavePath()};
    Harness::writeStore([](MacroStore& s) { s.SetCmdLine(1, 7, "AT+GMR"); });
    TForm1& f = h_.makeForm();
    showForm(f);
    f.ComPort->setCurrentText(QString::fromStdString(device.slavePath()));
    f.BTConnectClick();
    QTRY_VERIFY_WITH_TIMEOUT(f.PortOpen(), 5000);

    f.RBSel->setChecked(true);
    f.MainStrCmd->setText("typed");
    QTest::mouseClick(button(f, 7), Qt::LeftButton);
    QCOMPARE(device.readUntil("\r", 3000), std::string("AT+GMR\r"));
    QCOMPARE(f.focusWidget(), static_cast<QWidget*>(f.ButtonSend));
    QCOMPARE(f.MainStrCmd->text(), QString("typed"));
}

void MacrosTest::clickOnlyFillsTheCommandLineInTheManualMode() {
    Harness::writeStore([](MacroStore& s) { s.SetCmdLine(1, 7, "AT+GMR"); });
    TForm1& f = h_.makeForm();
    showForm(f);
    f.RBManual->setChecked(true);
    f.MainStrCmd->setText("old text");
    QTest::mouseClick(button(f, 7), Qt::LeftButton);
    QCOMPARE(f.MainStrCmd->text(), QString("AT+GMR"));
    QCOMPARE(f.focusWidget(), static_cast<QWidget*>(f.MainStrCmd));
    QTest::mouseClick(button(f, 8), Qt::LeftButton);  // an empty macro is passed on as it is
    QCOMPARE(f.MainStrCmd->text(), QString());
    QVERIFY(h_.modalCalls.isEmpty());  // no send was tried: no port-error window
}

void MacrosTest::hoverAndFocusShowTheMacroHelp() {
    Harness::writeStore([](MacroStore& s) {
        for (int j = 1; j <= 12; ++j) s.SetHelpLine(1, 7, j, "seven " + std::to_string(j));
        s.SetHelpLine(1, 9, 2, "nine");
    });
    TForm1& f = h_.makeForm();
    QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), QPointF(5, 5), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(button(f, 7), &move);
    for (int j = 1; j <= 12; ++j) QCOMPARE(f.HelpLabels[std::size_t(j - 1)]->text(), QString("seven %1").arg(j));
    QFocusEvent focus(QEvent::FocusIn, Qt::TabFocusReason);
    QApplication::sendEvent(field(f, 9), &focus);
    QCOMPARE(f.HelpLabels[0]->text(), QString());
    QCOMPARE(f.HelpLabels[1]->text(), QString("nine"));
}

void MacrosTest::editorModeTypingGoesIntoTheStoreAtOnce() {
    TForm1& f = h_.makeForm();  // first start: the store file is created
    QCOMPARE(h_.messages.texts(), std::vector<std::string>{"Проблема с файлом конфигурации, он будет перезаписан"});
    const QByteArray fileBefore = Harness::fileBytes();
    QCOMPARE(fileBefore.size(), qsizetype(10'258'000));

    QTest::mouseClick(f.EditAllCmd, Qt::LeftButton);
    QCOMPARE(f.EditAllCmd->text(), ru("Назад"));
    QVERIFY(button(f, 1)->isHidden() && !field(f, 48)->isHidden());
    QVERIFY(f.CBLists->isHidden() && f.STLog->isHidden() && f.ButtonReadFile->isHidden());
    QVERIFY(!f.ListNameEDT->isHidden() && !f.StaticText1->isHidden() && !f.SaveF->isHidden());
    test::typeText(field(f, 3), ru("Сброс"));
    QCOMPARE(f.store->GetCmdName(1, 3), toCp(ru("Сброс")));
    QVERIFY(f.MacrosChanged);
    QTest::keyClicks(field(f, 4), QString(60, 'x'));  // the name limit restrains typing
    QCOMPARE(f.store->GetCmdName(1, 4), std::string(50, 'x'));
    QCOMPARE(Harness::fileBytes(), fileBefore);  // the file waits for a save
}

void MacrosTest::pagingStoresThePanelAndStopsAtBothEnds() {
    TForm1& f = h_.makeForm();
    QTest::mouseClick(f.EditAllCmd, Qt::LeftButton);
    QVERIFY(!f.ListDec->isEnabled());
    QTest::keyClicks(field(f, 1), "first");
    f.ListNameEDT->setText("Renamed");
    QTest::mouseClick(f.ListInc, Qt::LeftButton);
    QCOMPARE(f.CurrentList, 2);
    QVERIFY(f.ListDec->isEnabled());
    QCOMPARE(f.store->GetListName(1), std::string("Renamed"));
    QCOMPARE(field(f, 1)->text(), QString());
    f.RbData->setChecked(true);  // a typed list name also survives a display-mode switch
    f.ListNameEDT->setText("Second");
    f.RBName->setChecked(true);
    QCOMPARE(f.ListNameEDT->text(), QString("Second"));

    QTest::mouseClick(f.ListDec, Qt::LeftButton);
    QCOMPARE(f.CurrentList, 1);
    QVERIFY(!f.ListDec->isEnabled());
    QCOMPARE(field(f, 1)->text(), QString("first"));
    f.ListDecClick();  // the bound holds even when the button is pressed
    QCOMPARE(f.CurrentList, 1);

    while (f.ListInc->isEnabled() && f.CurrentList < 200) QTest::mouseClick(f.ListInc, Qt::LeftButton);
    QCOMPARE(f.CurrentList, 100);
    f.ListIncClick();
    QCOMPARE(f.CurrentList, 100);
    QCOMPARE(f.store->GetListName(2), std::string("Second"));
}

void MacrosTest::chooserSetsThePagingStates_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("decEnabled");
    QTest::addColumn<bool>("incEnabled");
    QTest::newRow("first") << 0 << false << true;
    QTest::newRow("middle") << 49 << true << true;
    QTest::newRow("last") << 99 << true << false;
}

void MacrosTest::chooserSetsThePagingStates() {
    QFETCH(int, index);
    QFETCH(bool, decEnabled);
    QFETCH(bool, incEnabled);
    Harness::writeStore([](MacroStore& s) { s.SetCmdName(100, 2, "m100"); });
    TForm1& f = h_.makeForm();
    f.ListInc->setEnabled(!incEnabled);
    f.ListDec->setEnabled(!decEnabled);
    chooseList(f, index);
    QCOMPARE(f.CurrentList, index + 1);
    QCOMPARE(f.ListDec->isEnabled(), decEnabled);
    QCOMPARE(f.ListInc->isEnabled(), incEnabled);
    if (index == 99) {
        QCOMPARE(button(f, 2)->text(), QString("m100"));
        // Forward from 100, as after a start there: the panel is stored, the list stays.
        QTest::mouseClick(f.EditAllCmd, Qt::LeftButton);
        QTest::keyClicks(field(f, 48), "last");
        f.ListIncClick();
        QCOMPARE(f.CurrentList, 100);
        QCOMPARE(f.store->GetCmdName(100, 48), std::string("last"));
    }
}

void MacrosTest::clearingList12AndLeavingTheEditorWritesTheFile() {
    Harness::writeStore([](MacroStore& s) {
        s.SetListName(12, "Twelve");
        for (int k = 1; k <= 48; ++k) s.SetCmdName(12, k, "n" + std::to_string(k));
        s.SetHelpLine(12, 5, 3, "help");
        s.SetCmdName(13, 1, "untouched");
    });
    TForm1& f = h_.makeForm();
    chooseList(f, 11);
    QTest::mouseClick(f.EditAllCmd, Qt::LeftButton);
    QCOMPARE(field(f, 48)->text(), QString("n48"));
    const QByteArray fileBefore = Harness::fileBytes();

    QTest::mouseClick(f.DelList, Qt::LeftButton);
    QCOMPARE(f.ListNameEDT->text(), QString("[12]"));
    for (int k = 1; k <= 48; ++k) QCOMPARE(field(f, k)->text(), QString());
    QCOMPARE(f.store->GetHelpLine(12, 5, 3), std::string());
    QCOMPARE(Harness::fileBytes(), fileBefore);
    QVERIFY(h_.modalCalls.isEmpty());  // nothing is asked

    QTest::mouseClick(f.EditAllCmd, Qt::LeftButton);
    QCOMPARE(f.EditAllCmd->text(), ru("Редактор"));
    QVERIFY(!button(f, 1)->isHidden() && field(f, 1)->isHidden() && !f.CBLists->isHidden());
    QVERIFY(!f.MacrosChanged);
    const auto saved = Harness::readStore();
    QVERIFY(saved);
    QCOMPARE(saved->GetListName(12), std::string("[12]"));
    QCOMPARE(saved->GetCmdName(12, 1), std::string());
    QCOMPARE(saved->GetCmdName(13, 1), std::string("untouched"));
}

void MacrosTest::displayModeSwitchesCaptionsBoldHintsAndLimits() {
    Harness::writeStore([](MacroStore& s) {
        s.SetCmdName(1, 5, "N5");
        s.SetCmdLine(1, 5, "$01$02");
    });
    TForm1& f = h_.makeForm();
    QVERIFY(button(f, 5)->font().bold());
    QCOMPARE(button(f, 5)->toolTip(), QString("$01$02"));
    f.RbData->setChecked(true);
    QCOMPARE(button(f, 5)->text(), QString("$01$02"));
    QVERIFY(!button(f, 5)->font().bold() && !field(f, 5)->font().bold());
    QCOMPARE(field(f, 5)->toolTip(), QString("N5"));
    QTest::mouseClick(f.EditAllCmd, Qt::LeftButton);
    QTest::keyClicks(field(f, 6), QString(300, 'z'));
    QCOMPARE(f.store->GetCmdLine(1, 6), std::string(250, 'z'));
    QCOMPARE(f.store->GetCmdName(1, 6), std::string());
}

void MacrosTest::displayModeSwitchesNeverRewriteTheStore() {
    // Stored texts at full capacity, one character beyond what can be typed.
    const std::string longLine(251, 'L'), longName(51, 'N');
    Harness::writeStore([&](MacroStore& s) {
        s.SetCmdLine(1, 1, longLine);
        s.SetCmdName(1, 1, "short");
        s.SetCmdName(1, 2, longName);
    });
    TForm1& f = h_.makeForm();
    QTest::mouseClick(f.EditAllCmd, Qt::LeftButton);
    for (int round = 0; round < 2; ++round) {
        f.RbData->setChecked(true);
        f.RBName->setChecked(true);
    }
    QVERIFY(!f.MacrosChanged);
    QTest::mouseClick(f.EditAllCmd, Qt::LeftButton);  // leaving stores the panel as shown, then saves
    const auto saved = Harness::readStore();
    QVERIFY(saved);
    QCOMPARE(saved->GetCmdLine(1, 1), longLine);
    QCOMPARE(saved->GetCmdName(1, 1), std::string("short"));
    QCOMPARE(saved->GetCmdName(1, 2), longName);
}

void MacrosTest::chooserAndLargeNameSwapOnDoubleClick() {
    TForm1& f = h_.makeForm();
    showForm(f);
    chooseList(f, 2);
    // Through the window system, where the first press opens the chooser's popup.
    const QPoint onChooser = f.CBLists->mapTo(&f, f.CBLists->rect().center());
    QTest::mouseClick(f.windowHandle(), Qt::LeftButton, {}, onChooser);
    QTRY_VERIFY(f.CBLists->view()->isVisible());
    QTest::mouseClick(f.windowHandle(), Qt::LeftButton, {}, onChooser);
    QTRY_VERIFY(f.CBLists->isHidden());
    QVERIFY(!f.CBLists->view()->isVisible());
    QVERIFY(!f.STListName->isHidden());
    QCOMPARE(f.STListName->text(), QString("List 3"));

    f.modes->FileCmdMode = true;  // the large name shows a command file: it stays
    QTest::mouseDClick(f.STListName, Qt::LeftButton);
    QVERIFY(!f.STListName->isHidden());
    f.modes->FileCmdMode = false;
    QTest::mouseDClick(f.STListName, Qt::LeftButton);
    QVERIFY(f.STListName->isHidden() && !f.CBLists->isHidden());

    // Entering the editor over a shown large name keeps it, behind the edit field.
    QTest::mouseDClick(f.CBLists, Qt::LeftButton);
    QTest::mouseClick(f.EditAllCmd, Qt::LeftButton);
    QVERIFY(!f.STListName->isHidden());
    QCOMPARE(f.MainPanel->childAt(f.ListNameEDT->geometry().center()), static_cast<QWidget*>(f.ListNameEDT));
}

void MacrosTest::listNumberOutOfRangeShowsList1() {
    Harness::writeStore([](MacroStore& s) { s.SetCmdName(1, 1, "one"); });
    TForm1& f = h_.makeForm();
    for (int bad : {0, -7, 101}) {
        f.CurrentList = bad;
        f.ReadListCmd(bad);
        QCOMPARE(f.CurrentList, 1);
        QCOMPARE(button(f, 1)->text(), QString("one"));
    }
}

void MacrosTest::savePromptAtClose_data() {
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("closes");
    QTest::addColumn<bool>("saved");
    QTest::newRow("Да") << "BtYes" << true << true;
    QTest::newRow("Нет") << "BtNo" << true << false;
    QTest::newRow("Отмена") << "BtCancel" << false << false;
}

void MacrosTest::savePromptAtClose() {
    QFETCH(QString, answer);
    QFETCH(bool, closes);
    QFETCH(bool, saved);
    TForm1& f = h_.makeForm();
    showForm(f);
    QTest::mouseClick(f.EditAllCmd, Qt::LeftButton);
    f.RbData->setChecked(true);  // refilling the fields is no change: no prompt
    f.RBName->setChecked(true);
    QVERIFY(!f.MacrosChanged);
    QTest::keyClicks(field(f, 10), "edited");

    QString question;
    h_.onModal = [&](QDialog& d) {
        question = static_cast<TSave&>(d).Question->text();
        d.show();
        QTest::mouseClick(d.findChild<QPushButton*>(answer), Qt::LeftButton);
        return d.result();
    };
    QCOMPARE(f.close(), closes);
    QCOMPARE(h_.modalCalls, QStringList{"TSave"});
    QCOMPARE(question, ru("Сохранить изменения  макросов?"));
    QCOMPARE(Harness::readStore()->GetCmdName(1, 10), saved ? std::string("edited") : std::string());
    if (!closes) {  // the refusal is used up: the next close asks again
        answer = "BtNo";
        QVERIFY(f.close());
        QCOMPARE(h_.modalCalls.size(), 2);
    }
}

void MacrosTest::failedSaveKeepsTheWindowOpenAndTheEdits() {
    TForm1& f = h_.makeForm();
    showForm(f);
    const QByteArray fileBefore = Harness::fileBytes();
    QTest::mouseClick(f.EditAllCmd, Qt::LeftButton);
    QTest::keyClicks(field(f, 2), "keep me");
    QVERIFY(QDir().mkdir("CmdConfig.tmp"));  // the new file cannot be written
    h_.messages.shown.clear();

    QTest::mouseClick(f.SaveF, Qt::LeftButton);
    QCOMPARE(h_.messages.texts(), std::vector<std::string>{"Не удалось сохранить макросы в файл CmdConfig"});
    QVERIFY(!h_.messages.shown[0].detail.empty());
    QVERIFY(f.MacrosChanged && f.SaveF->isEnabled());

    // "Да" at close with the save failing again: the window stays with the edits.
    h_.onModal = [&](QDialog& d) {
        d.show();
        QTest::mouseClick(d.findChild<QPushButton*>("BtYes"), Qt::LeftButton);
        return d.result();
    };
    QVERIFY(!f.close());
    QCOMPARE(Harness::fileBytes(), fileBefore);
    QVERIFY(QDir().rmdir("CmdConfig.tmp"));
    QVERIFY(f.close());
    QCOMPARE(Harness::readStore()->GetCmdName(1, 2), std::string("keep me"));
}

QTEST_MAIN(MacrosTest)
#include "tst_macros.moc"
