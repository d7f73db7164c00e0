// The macro panel of the real main window: buttons, editor mode, paging,
// clearing, display modes, the list chooser and the save prompt at close.
#include <QAbstractItemView>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "app/macro_editor_window.h"
#include "app/secondary_windows.h"
#include "app/text_codec.h"
#include "macro_form_harness.h"
#include "tools/pty_device.h"
#include "tx/send_modes.h"

using namespace vantrel;

namespace {

// Types `text` as key presses carrying the characters (QTest::keyClicks takes Latin-1 only).
void typeText(QWidget* w, const QString& text) {
    for (QChar ch : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(w, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(w, &release);
    }
}

QLineEdit* field(TForm1& f, int k) { return f.MacroFields[std::size_t(k - 1)]; }
QPushButton* button(TForm1& f, int k) { return f.MacroButtons[std::size_t(k - 1)]; }

// The user picks item `index` of the list chooser.
void chooseList(TForm1& f, int index) {
    f.CBLists->setCurrentIndex(index);
    emit f.CBLists->activated(index);
}

// The macro panel in the state of editor mode (or of normal mode).
void verifyEditorMode(TForm1& f, bool on) {
    QCOMPARE(TForm1::tag(f.EditAllCmd), on ? 1 : 0);
    QCOMPARE(f.EditAllCmd->text(), on ? ru("Назад") : ru("Редактор"));
    for (QWidget* w : {static_cast<QWidget*>(f.ListNameEDT), static_cast<QWidget*>(f.DelList),
                       static_cast<QWidget*>(f.ListInc), static_cast<QWidget*>(f.ListDec),
                       static_cast<QWidget*>(f.SaveF), static_cast<QWidget*>(f.StaticText1)})
        QVERIFY2(w->isHidden() != on, qPrintable(w->objectName()));
    for (QWidget* w : {static_cast<QWidget*>(f.CBLists), static_cast<QWidget*>(f.STLog),
                       static_cast<QWidget*>(f.ButtonReadFile)})
        QVERIFY2(w->isHidden() == on, qPrintable(w->objectName()));
    for (int k = 1; k <= 48; ++k) {
        QCOMPARE(button(f, k)->isHidden(), on);
        QCOMPARE(field(f, k)->isHidden(), !on);
    }
}

}  // namespace

class MacrosTest : public QObject {
    Q_OBJECT

private slots:
    void init() { QVERIFY(h_.start()); }
    void cleanup() { h_.stop(); }

    void firstStartReportsOnceAndCreatesTheStore();
    void clickSendsAtOnceInTheOnSelectionMode();
    void clickFillsTheCommandLineInTheOtherModes();
    void hoverAndFocusShowTheMacroHelp();
    void typingInEditorModeGoesIntoTheStoreAtOnce();
    void pagingStoresThePanelAndStopsAtBothEnds();
    void pagingForwardFromList100KeepsTheList();
    void chooserSetsTheListAndThePagingStates_data();
    void chooserSetsTheListAndThePagingStates();
    void clearingList12AndLeavingTheEditorWritesTheFile();
    void displayModeSwitchesCaptionsBoldHintsAndLimits();
    void displayModeSwitchesNeverRewriteTheStore();
    void typedListNameSurvivesPagingAndDisplayModeSwitch();
    void chooserAndLargeNameSwapOnDoubleClick();
    void listNumberOutOfRangeShowsList1();
    void savePromptAtClose_data();
    void savePromptAtClose();
    void noPromptWithoutChangesOrOutsideTheEditor();
    void failedSaveKeepsTheWindowOpenAndTheEdits();

private:
    test::MacroFormHarness h_;
};

void MacrosTest::firstStartReportsOnceAndCreatesTheStore() {
    TForm1& f = h_.makeForm();
    const std::vector<std::string> texts = h_.messages.texts();
    QCOMPARE(std::count(texts.begin(), texts.end(), std::string("Проблема с файлом конфигурации, он будет перезаписан")),
             1);
    QCOMPARE(h_.fileBytes().size(), qsizetype(10'258'000));
    QCOMPARE(f.CBLists->count(), 100);
    QCOMPARE(f.CBLists->currentIndex(), 0);
    QCOMPARE(f.CBLists->itemText(0), QString("List 1"));
    QCOMPARE(f.CBLists->itemText(99), QString("List 100"));
    QCOMPARE(button(f, 1)->text(), QString());
    QVERIFY(!f.MacrosChanged);
}

void MacrosTest::clickSendsAtOnceInTheOnSelectionMode() {
    PtyDevice device;
    QVERIFY(device.open());
    h_.ports = {device.slavePath()};
    test::MacroFormHarness::writeStore([](MacroStore& s) {
        s.SetCmdName(1, 7, toCp(ru("Версия")));
        s.SetCmdLine(1, 7, "AT+GMR");
    });
    TForm1& f = h_.makeForm();
    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f));
    f.ComPort->setCurrentText(QString::fromStdString(device.slavePath()));
    f.BTConnectClick();
    QTRY_VERIFY_WITH_TIMEOUT(f.PortOpen(), 5000);

    f.RBSel->setChecked(true);
    f.MainStrCmd->setText("typed");
    QCOMPARE(button(f, 7)->text(), ru("Версия"));
    QTest::mouseClick(button(f, 7), Qt::LeftButton);
    QCOMPARE(device.readUntil("\r", 3000), std::string("AT+GMR\r"));
    QCOMPARE(f.focusWidget(), static_cast<QWidget*>(f.ButtonSend));
    QCOMPARE(f.MainStrCmd->text(), QString("typed"));
}

void MacrosTest::clickFillsTheCommandLineInTheOtherModes() {
    test::MacroFormHarness::writeStore([](MacroStore& s) { s.SetCmdLine(1, 7, "AT+GMR"); });
    TForm1& f = h_.makeForm();
    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f));
    f.RBManual->setChecked(true);
    f.MainStrCmd->setText("old text");
    QTest::mouseClick(button(f, 7), Qt::LeftButton);
    QCOMPARE(f.MainStrCmd->text(), QString("AT+GMR"));
    QCOMPARE(f.focusWidget(), static_cast<QWidget*>(f.MainStrCmd));
    QVERIFY(h_.modalCalls.isEmpty());  // no send was tried: no port-error window

    // An empty macro is passed on as it is stored.
    QTest::mouseClick(button(f, 8), Qt::LeftButton);
    QCOMPARE(f.MainStrCmd->text(), QString());

    f.RBAfterAns->setChecked(true);
    QTest::mouseClick(button(f, 7), Qt::LeftButton);
    QCOMPARE(f.MainStrCmd->text(), QString("AT+GMR"));
    QVERIFY(h_.modalCalls.isEmpty());
}

void MacrosTest::hoverAndFocusShowTheMacroHelp() {
    test::MacroFormHarness::writeStore([](MacroStore& s) {
        for (int j = 1; j <= 12; ++j) s.SetHelpLine(1, 7, j, "seven " + std::to_string(j));
        s.SetHelpLine(1, 9, 2, "nine");
    });
    TForm1& f = h_.makeForm();
    QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), QPointF(5, 5), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(button(f, 7), &move);
    for (int j = 1; j <= 12; ++j) QCOMPARE(f.HelpLabels[std::size_t(j - 1)]->text(), QString("seven %1").arg(j));
    QVERIFY(f.HelpLabels[0]->font().bold());

    // A field takes the same lines on focus and on mouse movement; empty lines give empty labels.
    QFocusEvent focus(QEvent::FocusIn, Qt::TabFocusReason);
    QApplication::sendEvent(field(f, 9), &focus);
    QCOMPARE(f.HelpLabels[0]->text(), QString());
    QCOMPARE(f.HelpLabels[1]->text(), QString("nine"));
    QApplication::sendEvent(field(f, 7), &move);
    QCOMPARE(f.HelpLabels[11]->text(), QString("seven 12"));

    f.ClearHelp();
    for (QLabel* l : f.HelpLabels) QCOMPARE(l->text(), QString());
}

void MacrosTest::typingInEditorModeGoesIntoTheStoreAtOnce() {
    TForm1& f = h_.makeForm();
    verifyEditorMode(f, false);
    QTest::mouseClick(f.EditAllCmd, Qt::LeftButton);
    verifyEditorMode(f, true);
    QVERIFY(!f.ListDec->isEnabled());
    QVERIFY(f.ListInc->isEnabled());
    QCOMPARE(f.ListNameEDT->text(), QString("List 1"));
    const QByteArray fileBefore = h_.fileBytes();

    typeText(field(f, 3), ru("Сброс"));
    QCOMPARE(f.store->GetCmdName(1, 3), toCp(ru("Сброс")));
    QCOMPARE(f.EditIndex, 3);
    QVERIFY(f.MacrosChanged);
    QCOMPARE(h_.fileBytes(), fileBefore);  // the file waits for a save

    // The name limit restrains typing.
    QTest::keyClicks(field(f, 4), QString(60, 'x'));
    QCOMPARE(f.store->GetCmdName(1, 4), std::string(50, 'x'));
}

void MacrosTest::pagingStoresThePanelAndStopsAtBothEnds() {
    TForm1& f = h_.makeForm();
    QTest::mouseClick(f.EditAllCmd, Qt::LeftButton);
    QTest::keyClicks(field(f, 1), "first");
    f.ListNameEDT->setText("Renamed");

    QTest::mouseClick(f.ListInc, Qt::LeftButton);
    QCOMPARE(f.CurrentList, 2);
    QVERIFY(f.ListDec->isEnabled());
    QCOMPARE(f.store->GetListName(1), std::string("Renamed"));
    QCOMPARE(field(f, 1)->text(), QString());
    QCOMPARE(f.ListNameEDT->text(), QString("List 2"));

    QTest::mouseClick(f.ListDec, Qt::LeftButton);
    QCOMPARE(f.CurrentList, 1);
    QVERIFY(!f.ListDec->isEnabled());
    QCOMPARE(field(f, 1)->text(), QString("first"));
    QCOMPARE(f.ListNameEDT->text(), QString("Renamed"));
    f.ListDecClick();  // still enabled somewhere else: the bound holds
    QCOMPARE(f.CurrentList, 1);

    for (int i = 0; i < 99; ++i) {
        QVERIFY2(f.ListInc->isEnabled(), qPrintable(QString::number(f.CurrentList)));
        QTest::mouseClick(f.ListInc, Qt::LeftButton);
    }
    QCOMPARE(f.CurrentList, 100);
    QVERIFY(!f.ListInc->isEnabled());
    QVERIFY(f.ListDec->isEnabled());
    f.ListIncClick();
    QCOMPARE(f.CurrentList, 100);
    QCOMPARE(f.CBLists->currentIndex(), 99);
}

void MacrosTest::pagingForwardFromList100KeepsTheList() {
    TForm1& f = h_.makeForm();
    // As after a start on list 100: the buttons keep their design states.
    f.CurrentList = 100;
    f.ReadListCmd(100);
    QTest::mouseClick(f.EditAllCmd, Qt::LeftButton);
    QVERIFY(!f.ListDec->isEnabled());
    QVERIFY(f.ListInc->isEnabled());
    QTest::keyClicks(field(f, 48), "last");
    f.ListNameEDT->setText("Hundred");
    QTest::mouseClick(f.ListInc, Qt::LeftButton);
    QCOMPARE(f.CurrentList, 100);
    QVERIFY(f.ListDec->isEnabled());
    QCOMPARE(f.store->GetListName(100), std::string("Hundred"));
    QCOMPARE(f.store->GetCmdName(100, 48), std::string("last"));
}

void MacrosTest::chooserSetsTheListAndThePagingStates_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("decEnabled");
    QTest::addColumn<bool>("incEnabled");
    QTest::newRow("first") << 0 << false << true;
    QTest::newRow("middle") << 49 << true << true;
    QTest::newRow("last") << 99 << true << false;
}

void MacrosTest::chooserSetsTheListAndThePagingStates() {
    QFETCH(int, index);
    QFETCH(bool, decEnabled);
    QFETCH(bool, incEnabled);
    test::MacroFormHarness::writeStore([](MacroStore& s) {
        for (int n = 1; n <= 100; ++n) s.SetCmdName(n, 2, "m" + std::to_string(n));
    });
    TForm1& f = h_.makeForm();
    f.ListInc->setEnabled(!incEnabled);
    f.ListDec->setEnabled(!decEnabled);
    chooseList(f, index);
    QCOMPARE(f.CurrentList, index + 1);
    QCOMPARE(button(f, 2)->text(), QString("m%1").arg(index + 1));
    QCOMPARE(f.ListDec->isEnabled(), decEnabled);
    QCOMPARE(f.ListInc->isEnabled(), incEnabled);
}

void MacrosTest::clearingList12AndLeavingTheEditorWritesTheFile() {
    test::MacroFormHarness::writeStore([](MacroStore& s) {
        s.SetListName(12, "Twelve");
        for (int k = 1; k <= 48; ++k) s.SetCmdName(12, k, "n" + std::to_string(k));
        s.SetCmdLine(12, 5, "line");
        s.SetHelpLine(12, 5, 3, "help");
        s.SetCmdName(13, 1, "untouched");
    });
    TForm1& f = h_.makeForm();
    chooseList(f, 11);
    QTest::mouseClick(f.EditAllCmd, Qt::LeftButton);
    QCOMPARE(field(f, 48)->text(), QString("n48"));
    const QByteArray fileBefore = h_.fileBytes();

    QTest::mouseClick(f.DelList, Qt::LeftButton);
    QCOMPARE(f.ListNameEDT->text(), QString("[12]"));
    for (int k = 1; k <= 48; ++k) QCOMPARE(field(f, k)->text(), QString());
    QCOMPARE(f.store->GetCmdLine(12, 5), std::string());
    QCOMPARE(f.store->GetHelpLine(12, 5, 3), std::string());
    QCOMPARE(h_.fileBytes(), fileBefore);
    QVERIFY(h_.modalCalls.isEmpty());  // nothing is asked

    QTest::mouseClick(f.EditAllCmd, Qt::LeftButton);
    verifyEditorMode(f, false);
    QVERIFY(!f.MacrosChanged);
    const auto saved = test::MacroFormHarness::readStore();
    QVERIFY(saved);
    QCOMPARE(saved->GetListName(12), std::string("[12]"));
    QCOMPARE(saved->GetCmdName(12, 1), std::string());
    QCOMPARE(saved->GetCmdName(13, 1), std::string("untouched"));
    QCOMPARE(f.CBLists->itemText(11), QString("[12]"));
}

void MacrosTest::displayModeSwitchesCaptionsBoldHintsAndLimits() {
    test::MacroFormHarness::writeStore([](MacroStore& s) {
        s.SetCmdName(1, 5, "N5");
        s.SetCmdLine(1, 5, "$01$02");
    });
    TForm1& f = h_.makeForm();
    QCOMPARE(button(f, 5)->text(), QString("N5"));
    QVERIFY(button(f, 5)->font().bold());
    QCOMPARE(button(f, 5)->toolTip(), QString("$01$02"));

    f.RbData->setChecked(true);
    QCOMPARE(button(f, 5)->text(), QString("$01$02"));
    QVERIFY(!button(f, 5)->font().bold());
    QVERIFY(!field(f, 5)->font().bold());
    QCOMPARE(button(f, 5)->toolTip(), QString("N5"));
    QCOMPARE(field(f, 5)->toolTip(), QString("N5"));

    QTest::mouseClick(f.EditAllCmd, Qt::LeftButton);
    field(f, 6)->setFocus();
    QTest::keyClicks(field(f, 6), QString(300, 'z'));
    QCOMPARE(f.store->GetCmdLine(1, 6), std::string(250, 'z'));
    QCOMPARE(f.store->GetCmdName(1, 6), std::string());

    f.RBName->setChecked(true);
    QVERIFY(field(f, 5)->font().bold());
    QCOMPARE(field(f, 5)->text(), QString("N5"));
    QTest::keyClicks(field(f, 7), QString(60, 'q'));
    QCOMPARE(f.store->GetCmdName(1, 7), std::string(50, 'q'));
}

void MacrosTest::displayModeSwitchesNeverRewriteTheStore() {
    // Stored texts at full capacity, one character beyond what can be typed.
    const std::string longLine(251, 'L');
    const std::string longName(51, 'N');
    test::MacroFormHarness::writeStore([&](MacroStore& s) {
        s.SetCmdLine(1, 1, longLine);
        s.SetCmdName(1, 1, "short");
        s.SetCmdName(1, 2, longName);
        s.SetCmdLine(1, 2, "x");
    });
    TForm1& f = h_.makeForm();
    QTest::mouseClick(f.EditAllCmd, Qt::LeftButton);
    QCOMPARE(field(f, 2)->text().size(), 51);
    for (int round = 0; round < 2; ++round) {
        f.RbData->setChecked(true);
        QCOMPARE(field(f, 1)->text().size(), 251);
        f.RBName->setChecked(true);
    }
    QCOMPARE(f.store->GetCmdLine(1, 1), longLine);
    QCOMPARE(f.store->GetCmdName(1, 1), std::string("short"));
    QCOMPARE(f.store->GetCmdName(1, 2), longName);
    QCOMPARE(f.store->GetCmdLine(1, 2), std::string("x"));
    QVERIFY(!f.MacrosChanged);

    QTest::mouseClick(f.EditAllCmd, Qt::LeftButton);  // leaving saves the panel as shown
    const auto saved = test::MacroFormHarness::readStore();
    QVERIFY(saved);
    QCOMPARE(saved->GetCmdLine(1, 1), longLine);
    QCOMPARE(saved->GetCmdName(1, 2), longName);
}

void MacrosTest::typedListNameSurvivesPagingAndDisplayModeSwitch() {
    TForm1& f = h_.makeForm();
    QTest::mouseClick(f.EditAllCmd, Qt::LeftButton);
    f.ListNameEDT->clear();
    typeText(f.ListNameEDT, ru("Модем"));
    QVERIFY(f.MacrosChanged);
    f.RbData->setChecked(true);
    QCOMPARE(f.ListNameEDT->text(), ru("Модем"));
    QTest::mouseClick(f.ListInc, Qt::LeftButton);
    QTest::mouseClick(f.ListDec, Qt::LeftButton);
    QCOMPARE(f.ListNameEDT->text(), ru("Модем"));
    QCOMPARE(f.store->GetListName(1), toCp(ru("Модем")));
}

void MacrosTest::chooserAndLargeNameSwapOnDoubleClick() {
    TForm1& f = h_.makeForm();
    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f));
    chooseList(f, 2);
    QTest::mouseDClick(f.CBLists, Qt::LeftButton);
    QVERIFY(f.CBLists->isHidden());
    QVERIFY(!f.STListName->isHidden());
    QCOMPARE(f.STListName->text(), QString("List 3"));

    // Through the window system, where the first press opens the chooser's popup.
    QTest::mouseDClick(f.STListName, Qt::LeftButton);
    QVERIFY(!f.CBLists->isHidden());
    const QPoint onChooser = f.CBLists->mapTo(&f, f.CBLists->rect().center());
    QTest::mouseClick(f.windowHandle(), Qt::LeftButton, {}, onChooser);
    QTRY_VERIFY(f.CBLists->view()->isVisible());
    QTest::mouseClick(f.windowHandle(), Qt::LeftButton, {}, onChooser);
    QTRY_VERIFY(f.CBLists->isHidden());
    QVERIFY(!f.STListName->isHidden());
    QVERIFY(!f.CBLists->view()->isVisible());

    f.modes->FileCmdMode = true;  // the large name shows a command file: it stays
    QTest::mouseDClick(f.STListName, Qt::LeftButton);
    QVERIFY(!f.STListName->isHidden());
    f.modes->FileCmdMode = false;
    QTest::mouseDClick(f.STListName, Qt::LeftButton);
    QVERIFY(f.STListName->isHidden());
    QVERIFY(!f.CBLists->isHidden());

    // Entering the editor over a shown large name leaves it behind the edit field.
    QTest::mouseDClick(f.CBLists, Qt::LeftButton);
    QTest::mouseClick(f.EditAllCmd, Qt::LeftButton);
    QVERIFY(!f.STListName->isHidden());
    QCOMPARE(f.MainPanel->childAt(f.ListNameEDT->geometry().center()), static_cast<QWidget*>(f.ListNameEDT));
    QTest::mouseClick(f.EditAllCmd, Qt::LeftButton);
    QVERIFY(f.STListName->isHidden());
    QVERIFY(!f.CBLists->isHidden());
}

void MacrosTest::listNumberOutOfRangeShowsList1() {
    test::MacroFormHarness::writeStore([](MacroStore& s) { s.SetCmdName(1, 1, "one"); });
    TForm1& f = h_.makeForm();
    for (int bad : {0, -7, 101, 1000000}) {
        f.CurrentList = bad;
        f.ReadListCmd(bad);
        QCOMPARE(f.CurrentList, 1);
        QCOMPARE(button(f, 1)->text(), QString("one"));
        QCOMPARE(f.CBLists->currentIndex(), 0);
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
    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f));
    QTest::mouseClick(f.EditAllCmd, Qt::LeftButton);
    QTest::keyClicks(field(f, 10), "edited");

    QString question;
    h_.onModal = [&](QDialog& d) {
        auto* save = qobject_cast<TSave*>(&d);
        if (!save) return 0;
        question = save->Question->text();
        d.show();
        QTest::mouseClick(d.findChild<QPushButton*>(answer), Qt::LeftButton);
        return d.result();
    };
    QCOMPARE(f.close(), closes);
    QCOMPARE(h_.modalCalls, QStringList{"TSave"});
    QCOMPARE(question, ru("Сохранить изменения  макросов?"));
    const auto file = test::MacroFormHarness::readStore();
    QVERIFY(file);
    QCOMPARE(file->GetCmdName(1, 10), saved ? std::string("edited") : std::string());
    if (!closes) {
        // The refusal is used up: the next close asks again.
        QVERIFY(!f.CloseRefused);
        QVERIFY(f.isVisible());
        answer = "BtNo";
        QVERIFY(f.close());
        QCOMPARE(h_.modalCalls.size(), 2);
    }
}

void MacrosTest::noPromptWithoutChangesOrOutsideTheEditor() {
    {
        TForm1& f = h_.makeForm();
        QTest::mouseClick(f.EditAllCmd, Qt::LeftButton);
        f.RbData->setChecked(true);  // refilling the fields is no change
        f.RBName->setChecked(true);
        QVERIFY(f.close());
        QVERIFY(h_.modalCalls.isEmpty());
    }
    {
        TForm1& f = h_.makeForm();
        QTest::mouseClick(f.EditAllCmd, Qt::LeftButton);
        QTest::keyClicks(field(f, 1), "a");
        QTest::mouseClick(f.SaveF, Qt::LeftButton);
        QVERIFY(f.SaveF->isEnabled());
        QVERIFY(!f.MacrosChanged);
        QVERIFY(f.close());
        QVERIFY(h_.modalCalls.isEmpty());
    }
    {
        TForm1& f = h_.makeForm();
        QTest::mouseClick(f.EditAllCmd, Qt::LeftButton);
        QTest::keyClicks(field(f, 1), "b");
        QTest::mouseClick(f.EditAllCmd, Qt::LeftButton);  // leaving saves
        QVERIFY(f.close());
        QVERIFY(h_.modalCalls.isEmpty());
        QCOMPARE(test::MacroFormHarness::readStore()->GetCmdName(1, 1), std::string("ab"));
    }
}

void MacrosTest::failedSaveKeepsTheWindowOpenAndTheEdits() {
    TForm1& f = h_.makeForm();
    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f));
    const QByteArray fileBefore = h_.fileBytes();
    QTest::mouseClick(f.EditAllCmd, Qt::LeftButton);
    QTest::keyClicks(field(f, 2), "keep me");
    QVERIFY(QDir().mkdir("CmdConfig.tmp"));  // the new file cannot be written
    h_.messages.shown.clear();

    QTest::mouseClick(f.SaveF, Qt::LeftButton);
    QCOMPARE(h_.messages.shown.size(), std::size_t(1));
    QCOMPARE(h_.messages.shown[0].text, std::string("Не удалось сохранить макросы в файл CmdConfig"));
    QVERIFY(!h_.messages.shown[0].detail.empty());
    QVERIFY(f.MacrosChanged);
    QCOMPARE(h_.fileBytes(), fileBefore);

    // "Да" at close with the save failing again: the window stays with the edits.
    h_.onModal = [&](QDialog& d) {
        d.show();
        QTest::mouseClick(d.findChild<QPushButton*>("BtYes"), Qt::LeftButton);
        return d.result();
    };
    QVERIFY(!f.close());
    QVERIFY(f.isVisible());
    QCOMPARE(f.store->GetCmdName(1, 2), std::string("keep me"));
    QCOMPARE(h_.fileBytes(), fileBefore);

    QVERIFY(QDir().rmdir("CmdConfig.tmp"));
    QVERIFY(f.close());
    QCOMPARE(test::MacroFormHarness::readStore()->GetCmdName(1, 2), std::string("keep me"));
}

QTEST_MAIN(MacrosTest)
#include "tst_macros.moc"
