// The macro panel of the real main window: buttons, editor mode, paging,
// clearing, display modes, the list chooser and the save prompt at close.
#include <QAbstractItemView>

#include "app/secondary_windows.h"
#include "common/ui/text_codec.h"
#include "support/form_rig.h"

using namespace vantrel;
using test::FormRig;

namespace {

QString edit(int k) { return QStringLiteral("Edit%1").arg(k); }

// The user picks item `index` of the list chooser.
void chooseList(FormRig& rig, int index) {
    auto* lists = rig.ctl<QComboBox>("CBLists");
    lists->setCurrentIndex(index);
    emit lists->activated(index);
}

}  // namespace

class MacrosTest : public QObject {
    Q_OBJECT

private slots:
    void init() { rig_ = std::make_unique<FormRig>(test::RigOptions{.start = false}); }
    void cleanup() { rig_.reset(); }

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
    void editsWhoseSaveFailedOnLeavingStillMakeTheCloseAsk();
    void clearButtonShowsItsCaptionAboveTheSaveButton();

private:
    std::unique_ptr<FormRig> rig_;
};

void MacrosTest::clickSendsAtOnceInTheOnSelectionMode() {
    QVERIFY(rig_->device.open());
    rig_->ports = {rig_->device.slavePath()};
    FormRig::writeMacroStore([](MacroStore& s) { s.SetCmdLine(1, 7, "AT+GMR"); });
    rig_->start();
    rig_->show();
    rig_->connectDevice();
    QTRY_VERIFY_WITH_TIMEOUT(rig_->portOpen(), 5000);

    rig_->check("RBSel");
    rig_->fill("MainStrCmd", "typed");
    rig_->click("Button7");
    QCOMPARE(rig_->device.readUntil("\r", 3000), std::string("AT+GMR\r"));
    QCOMPARE(rig_->form().focusWidget(), rig_->ctl("ButtonSend"));
    QCOMPARE(rig_->text("MainStrCmd"), QString("typed"));
}

void MacrosTest::clickOnlyFillsTheCommandLineInTheManualMode() {
    FormRig::writeMacroStore([](MacroStore& s) { s.SetCmdLine(1, 7, "AT+GMR"); });
    rig_->start();
    rig_->show();
    rig_->check("RBManual");
    rig_->fill("MainStrCmd", "old text");
    rig_->click("Button7");
    QCOMPARE(rig_->text("MainStrCmd"), QString("AT+GMR"));
    QCOMPARE(rig_->form().focusWidget(), rig_->ctl("MainStrCmd"));
    rig_->click("Button8");  // an empty macro is passed on as it is
    QCOMPARE(rig_->text("MainStrCmd"), QString());
    QVERIFY(rig_->modals.empty());  // no send was tried: no port-error window
}

void MacrosTest::hoverAndFocusShowTheMacroHelp() {
    FormRig::writeMacroStore([](MacroStore& s) {
        for (int j = 1; j <= 12; ++j) s.SetHelpLine(1, 7, j, "seven " + std::to_string(j));
        s.SetHelpLine(1, 9, 2, "nine");
    });
    rig_->start();
    rig_->hover("Button7");
    for (int j = 1; j <= 12; ++j) QCOMPARE(rig_->text(QStringLiteral("STH%1").arg(j)), QString("seven %1").arg(j));
    QFocusEvent focus(QEvent::FocusIn, Qt::TabFocusReason);
    QApplication::sendEvent(rig_->ctl("Edit9"), &focus);
    QCOMPARE(rig_->text("STH1"), QString());
    QCOMPARE(rig_->text("STH2"), QString("nine"));
}

void MacrosTest::editorModeTypingGoesIntoTheStoreAtOnce() {
    rig_->start();  // first start: the store file is created
    QCOMPARE(rig_->messages.texts(), std::vector<std::string>{"Проблема с файлом конфигурации, он будет перезаписан"});
    const QByteArray fileBefore = rig_->fileBytes("CmdConfig");
    QCOMPARE(fileBefore.size(), qsizetype(10'258'000));

    rig_->click("EditAllCmd");
    QCOMPARE(rig_->text("EditAllCmd"), ru("Назад"));
    QVERIFY(rig_->hidden("Button1") && !rig_->hidden("Edit48"));
    QVERIFY(rig_->hidden("CBLists") && rig_->hidden("STLog") && rig_->hidden("ButtonReadFile"));
    QVERIFY(!rig_->hidden("ListNameEDT") && !rig_->hidden("StaticText1") && !rig_->hidden("SaveF"));
    rig_->type("Edit3", ru("Сброс"));
    QCOMPARE(rig_->store().GetCmdName(1, 3), toCp(ru("Сброс")));
    QVERIFY(rig_->macrosChanged());
    rig_->type("Edit4", QString(60, 'x'));  // the name limit restrains typing
    QCOMPARE(rig_->store().GetCmdName(1, 4), std::string(50, 'x'));
    QCOMPARE(rig_->fileBytes("CmdConfig"), fileBefore);  // the file waits for a save
}

void MacrosTest::pagingStoresThePanelAndStopsAtBothEnds() {
    rig_->start();
    rig_->click("EditAllCmd");
    QVERIFY(!rig_->enabled("ListDec"));
    rig_->type("Edit1", "first");
    rig_->fill("ListNameEDT", "Renamed");
    rig_->click("ListInc");
    QCOMPARE(rig_->currentList(), 2);
    QVERIFY(rig_->enabled("ListDec"));
    QCOMPARE(rig_->store().GetListName(1), std::string("Renamed"));
    QCOMPARE(rig_->text("Edit1"), QString());
    rig_->check("RbData");  // a typed list name also survives a display-mode switch
    rig_->fill("ListNameEDT", "Second");
    rig_->check("RBName");
    QCOMPARE(rig_->text("ListNameEDT"), QString("Second"));

    rig_->click("ListDec");
    QCOMPARE(rig_->currentList(), 1);
    QVERIFY(!rig_->enabled("ListDec"));
    QCOMPARE(rig_->text("Edit1"), QString("first"));
    rig_->listStep(false);  // the bound holds even when the button is pressed
    QCOMPARE(rig_->currentList(), 1);

    while (rig_->enabled("ListInc") && rig_->currentList() < 200) rig_->click("ListInc");
    QCOMPARE(rig_->currentList(), 100);
    rig_->listStep(true);
    QCOMPARE(rig_->currentList(), 100);
    QCOMPARE(rig_->store().GetListName(2), std::string("Second"));
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
    FormRig::writeMacroStore([](MacroStore& s) { s.SetCmdName(100, 2, "m100"); });
    rig_->start();
    rig_->ctl<QPushButton>("ListInc")->setEnabled(!incEnabled);
    rig_->ctl<QPushButton>("ListDec")->setEnabled(!decEnabled);
    chooseList(*rig_, index);
    QCOMPARE(rig_->currentList(), index + 1);
    QCOMPARE(rig_->enabled("ListDec"), decEnabled);
    QCOMPARE(rig_->enabled("ListInc"), incEnabled);
    if (index == 99) {
        QCOMPARE(rig_->text("Button2"), QString("m100"));
        // Forward from 100, as after a start there: the panel is stored, the list stays.
        rig_->click("EditAllCmd");
        rig_->type("Edit48", "last");
        rig_->listStep(true);
        QCOMPARE(rig_->currentList(), 100);
        QCOMPARE(rig_->store().GetCmdName(100, 48), std::string("last"));
    }
}

void MacrosTest::clearingList12AndLeavingTheEditorWritesTheFile() {
    FormRig::writeMacroStore([](MacroStore& s) {
        s.SetListName(12, "Twelve");
        for (int k = 1; k <= 48; ++k) s.SetCmdName(12, k, "n" + std::to_string(k));
        s.SetHelpLine(12, 5, 3, "help");
        s.SetCmdName(13, 1, "untouched");
    });
    rig_->start();
    chooseList(*rig_, 11);
    rig_->click("EditAllCmd");
    QCOMPARE(rig_->text("Edit48"), QString("n48"));
    const QByteArray fileBefore = rig_->fileBytes("CmdConfig");

    rig_->click("DelList");
    QCOMPARE(rig_->text("ListNameEDT"), QString("[12]"));
    for (int k = 1; k <= 48; ++k) QCOMPARE(rig_->text(edit(k)), QString());
    QCOMPARE(rig_->store().GetHelpLine(12, 5, 3), std::string());
    QCOMPARE(rig_->fileBytes("CmdConfig"), fileBefore);
    QVERIFY(rig_->modals.empty());  // nothing is asked

    rig_->click("EditAllCmd");
    QCOMPARE(rig_->text("EditAllCmd"), ru("Редактор"));
    QVERIFY(!rig_->hidden("Button1") && rig_->hidden("Edit1") && !rig_->hidden("CBLists"));
    QVERIFY(!rig_->macrosChanged());
    const auto saved = FormRig::readMacroStore();
    QVERIFY(saved);
    QCOMPARE(saved->GetListName(12), std::string("[12]"));
    QCOMPARE(saved->GetCmdName(12, 1), std::string());
    QCOMPARE(saved->GetCmdName(13, 1), std::string("untouched"));
}

void MacrosTest::displayModeSwitchesCaptionsBoldHintsAndLimits() {
    FormRig::writeMacroStore([](MacroStore& s) {
        s.SetCmdName(1, 5, "N5");
        s.SetCmdLine(1, 5, "$01$02");
    });
    rig_->start();
    QVERIFY(rig_->ctl("Button5")->font().bold());
    QCOMPARE(rig_->ctl("Button5")->toolTip(), QString("$01$02"));
    rig_->check("RbData");
    QCOMPARE(rig_->text("Button5"), QString("$01$02"));
    QVERIFY(!rig_->ctl("Button5")->font().bold() && !rig_->ctl("Edit5")->font().bold());
    QCOMPARE(rig_->ctl("Edit5")->toolTip(), QString("N5"));
    rig_->click("EditAllCmd");
    rig_->type("Edit6", QString(300, 'z'));
    QCOMPARE(rig_->store().GetCmdLine(1, 6), std::string(250, 'z'));
    QCOMPARE(rig_->store().GetCmdName(1, 6), std::string());
}

void MacrosTest::displayModeSwitchesNeverRewriteTheStore() {
    // Stored texts at full capacity, one character beyond what can be typed.
    const std::string longLine(251, 'L'), longName(51, 'N');
    FormRig::writeMacroStore([&](MacroStore& s) {
        s.SetCmdLine(1, 1, longLine);
        s.SetCmdName(1, 1, "short");
        s.SetCmdName(1, 2, longName);
    });
    rig_->start();
    rig_->click("EditAllCmd");
    for (int round = 0; round < 2; ++round) {
        rig_->check("RbData");
        rig_->check("RBName");
    }
    QVERIFY(!rig_->macrosChanged());
    rig_->click("EditAllCmd");  // leaving stores the panel as shown, then saves
    const auto saved = FormRig::readMacroStore();
    QVERIFY(saved);
    QCOMPARE(saved->GetCmdLine(1, 1), longLine);
    QCOMPARE(saved->GetCmdName(1, 1), std::string("short"));
    QCOMPARE(saved->GetCmdName(1, 2), longName);
}

void MacrosTest::chooserAndLargeNameSwapOnDoubleClick() {
    rig_->start();
    rig_->show();
    chooseList(*rig_, 2);
    // Through the window system, where the first press opens the chooser's popup.
    auto* lists = rig_->ctl<QComboBox>("CBLists");
    const QPoint onChooser = lists->mapTo(&rig_->form(), lists->rect().center());
    QTest::mouseClick(rig_->form().windowHandle(), Qt::LeftButton, {}, onChooser);
    QTRY_VERIFY(lists->view()->isVisible());
    QTest::mouseClick(rig_->form().windowHandle(), Qt::LeftButton, {}, onChooser);
    QTRY_VERIFY(rig_->hidden("CBLists"));
    QVERIFY(!lists->view()->isVisible());
    QVERIFY(!rig_->hidden("STListName"));
    QCOMPARE(rig_->text("STListName"), QString("List 3"));

    rig_->loadCommandFile("A\r\n");  // the large name shows a command file: it stays
    rig_->doubleClick("STListName");
    QVERIFY(!rig_->hidden("STListName"));
    rig_->click("ButtonReadFile");  // "Назад": the chooser is back
    QVERIFY(rig_->hidden("STListName") && !rig_->hidden("CBLists"));
    rig_->doubleClick("CBLists");
    rig_->doubleClick("STListName");
    QVERIFY(rig_->hidden("STListName") && !rig_->hidden("CBLists"));

    // Entering the editor over a shown large name keeps it, behind the edit field.
    rig_->doubleClick("CBLists");
    rig_->click("EditAllCmd");
    QVERIFY(!rig_->hidden("STListName"));
    QWidget* nameField = rig_->ctl("ListNameEDT");
    QCOMPARE(rig_->ctl("MainPanel")->childAt(nameField->geometry().center()), nameField);
}

void MacrosTest::listNumberOutOfRangeShowsList1() {
    FormRig::writeMacroStore([](MacroStore& s) { s.SetCmdName(1, 1, "one"); });
    rig_->start();
    for (int bad : {0, -7, 101}) {
        rig_->setCurrentList(bad);
        rig_->readList(bad);
        QCOMPARE(rig_->currentList(), 1);
        QCOMPARE(rig_->text("Button1"), QString("one"));
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
    rig_->start();
    rig_->show();
    rig_->click("EditAllCmd");
    rig_->check("RbData");  // refilling the fields is no change: no prompt
    rig_->check("RBName");
    QVERIFY(!rig_->macrosChanged());
    rig_->type("Edit10", "edited");

    QString question;
    rig_->onModal = [&](QDialog& d) {
        question = static_cast<TSave&>(d).Question->text();
        d.show();
        QTest::mouseClick(d.findChild<QPushButton*>(answer), Qt::LeftButton);
        return d.result();
    };
    QCOMPARE(rig_->form().close(), closes);
    QCOMPARE(rig_->modalNames(), QStringList{"TSave"});
    QCOMPARE(question, ru("Сохранить изменения  макросов?"));
    QCOMPARE(FormRig::readMacroStore()->GetCmdName(1, 10), saved ? std::string("edited") : std::string());
    if (!closes) {  // the refusal is used up: the next close asks again
        answer = "BtNo";
        QVERIFY(rig_->form().close());
        QCOMPARE(rig_->modals.size(), std::size_t(2));
    }
}

void MacrosTest::failedSaveKeepsTheWindowOpenAndTheEdits() {
    rig_->start();
    rig_->show();
    const QByteArray fileBefore = rig_->fileBytes("CmdConfig");
    rig_->click("EditAllCmd");
    rig_->type("Edit2", "keep me");
    QVERIFY(QDir().mkdir("CmdConfig.tmp"));  // the new file cannot be written
    rig_->messages.shown.clear();

    rig_->click("SaveF");
    QCOMPARE(rig_->messages.texts(), std::vector<std::string>{"Не удалось сохранить макросы в файл CmdConfig"});
    QVERIFY(!rig_->messages.shown[0].detail.empty());
    QVERIFY(rig_->macrosChanged() && rig_->enabled("SaveF"));

    // "Да" at close with the save failing again: the window stays with the edits.
    rig_->onModal = [&](QDialog& d) {
        d.show();
        QTest::mouseClick(d.findChild<QPushButton*>("BtYes"), Qt::LeftButton);
        return d.result();
    };
    QVERIFY(!rig_->form().close());
    QCOMPARE(rig_->fileBytes("CmdConfig"), fileBefore);
    QVERIFY(QDir().rmdir("CmdConfig.tmp"));
    QVERIFY(rig_->form().close());
    QCOMPARE(FormRig::readMacroStore()->GetCmdName(1, 2), std::string("keep me"));
}

void MacrosTest::editsWhoseSaveFailedOnLeavingStillMakeTheCloseAsk() {
    rig_->start();
    rig_->show();
    rig_->click("EditAllCmd");
    rig_->type("Edit2", "keep me");
    QVERIFY(QDir().mkdir("CmdConfig.tmp"));  // the new file cannot be written
    rig_->messages.shown.clear();
    rig_->click("EditAllCmd");  // "Назад" saves, and fails
    QCOMPARE(rig_->messages.texts(), std::vector<std::string>{"Не удалось сохранить макросы в файл CmdConfig"});
    QCOMPARE(rig_->text("EditAllCmd"), ru("Редактор"));

    // Out of the editor, the edits are still not in the file: the close asks.
    rig_->onModal = [&](QDialog& d) {
        d.show();
        QTest::mouseClick(d.findChild<QPushButton*>("BtCancel"), Qt::LeftButton);
        return d.result();
    };
    QVERIFY(!rig_->form().close());
    QCOMPARE(rig_->modalNames(), QStringList{"TSave"});
    QVERIFY(QDir().rmdir("CmdConfig.tmp"));
    rig_->onModal = [&](QDialog& d) {
        d.show();
        QTest::mouseClick(d.findChild<QPushButton*>("BtYes"), Qt::LeftButton);
        return d.result();
    };
    QVERIFY(rig_->form().close());
    QCOMPARE(FormRig::readMacroStore()->GetCmdName(1, 2), std::string("keep me"));
    rig_->onModal = nullptr;
}

void MacrosTest::clearButtonShowsItsCaptionAboveTheSaveButton() {
    rig_->start();
    rig_->show();
    rig_->click("EditAllCmd");
    QWidget* clear = rig_->ctl("DelList");
    QWidget* save = rig_->ctl("SaveF");
    const int visible = save->y() - clear->y();  // "Сохранить" covers the rest
    QCOMPARE(visible, 16);
    // The caption's ink: dark pixels in the middle columns, above and below the edge of "Сохранить".
    const QImage image = clear->grab().toImage();
    const auto inkRows = [&](int from, int to) {
        int rows = 0;
        for (int y = from; y < to; ++y) {
            bool ink = false;
            for (int x = 15; x < clear->width() - 15; ++x) ink = ink || qGray(image.pixel(x, y)) < 110;
            rows += ink;
        }
        return rows;
    };
    QVERIFY(inkRows(3, visible - 2) >= 5);        // the caption stands in the visible part
    QCOMPARE(inkRows(visible + 1, clear->height() - 4), 0);  // nothing of it is hidden
    QCOMPARE(rig_->text("DelList"), ru("Очистить"));
}

QTEST_MAIN(MacrosTest)
#include "tst_macros.moc"
