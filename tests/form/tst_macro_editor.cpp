// The macro editor window, opened by a double click on a macro field of the
// real main window in editor mode.
#include "macros/ui/macro_editor_window.h"
#include "common/ui/text_codec.h"
#include "support/form_rig.h"

using namespace vantrel;
using test::FormRig;

class MacroEditorTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        rig_ = std::make_unique<FormRig>(test::RigOptions{.start = false});
        // Macro 4 of list 1 with a name, a command line and 12 help lines.
        FormRig::writeMacroStore([](MacroStore& s) {
            s.SetCmdName(1, 4, "Reset");
            s.SetCmdLine(1, 4, "ATZ");
            for (int j = 1; j <= 12; ++j) s.SetHelpLine(1, 4, j, "help " + std::to_string(j));
            s.SetHelpLine(1, 5, 1, "other macro");
        });
        rig_->start();
    }
    void cleanup() { rig_.reset(); }

    void opensOnTheMacroAndStoresLiveAndOnClosing();
    void enterInLine12ClosesAndTheLineReachesThePanel();
    void keys_data();
    void keys();
    void fieldsFollowTheWindowWidth();
    void typingLimitsLeaveLongStoredTextWhole();
    void onlyTheEditorsOwnLinesAreStored();

private:
    // Enters editor mode and double-clicks field `k`; `user` plays the editor,
    // which is then closed with its close box unless the user closed it.
    void openEditor(int k, const std::function<void(TFormEditHelpCmd&)>& user) {
        if (rig_->tag("EditAllCmd") == 0) rig_->click("EditAllCmd");
        rig_->onModal = [&user](QDialog& d) {
            d.show();
            user(static_cast<TFormEditHelpCmd&>(d));
            d.close();
            return d.result();
        };
        rig_->doubleClick(QStringLiteral("Edit%1").arg(k));
        rig_->onModal = nullptr;
    }

    std::unique_ptr<FormRig> rig_;
};

void MacroEditorTest::opensOnTheMacroAndStoresLiveAndOnClosing() {
    const QColor normal = rig_->ctl<QLineEdit>("Edit4")->palette().color(QPalette::Base);
    const QByteArray fileBefore = rig_->fileBytes("CmdConfig");
    rig_->hover("Button5");  // the pointer passed another macro last
    bool ran = false;
    openEditor(4, [&](TFormEditHelpCmd& e) {
        ran = true;
        QCOMPARE(e.windowTitle(), ru("Редактор макроса"));
        QCOMPARE(e.size(), QSize(384, 397));
        QCOMPARE(rig_->ctl<QLineEdit>("Edit4")->palette().color(QPalette::Base), QColor(0, 255, 0));
        QCOMPARE(e.CmdName->text(), QString("Reset"));
        QCOMPARE(e.CmdData->text(), QString("ATZ"));
        for (int j = 1; j <= 12; ++j) QCOMPARE(e.EditorFields[std::size_t(j - 1)]->text(), QString("help %1").arg(j));
        QCOMPARE(e.focusWidget(), static_cast<QWidget*>(e.CmdName));

        e.CmdName->clear();
        rig_->type("CmdName", ru("Сброс"));
        QCOMPARE(rig_->store().GetCmdName(1, 4), toCp(ru("Сброс")));
        QTest::keyClicks(e.CmdData, "&F");
        QCOMPARE(rig_->store().GetCmdLine(1, 4), std::string("ATZ&F"));
        QTest::keyClicks(e.EditorFields[2], "!");
        QCOMPARE(rig_->text("STH3"), QString("help 3!"));
        QCOMPARE(rig_->store().GetHelpLine(1, 4, 3), std::string("help 3"));  // stored on closing
        e.EditorFields[11]->clear();
    });
    QVERIFY(ran);
    QCOMPARE(rig_->editIndex(), 4);
    QCOMPARE(rig_->store().GetHelpLine(1, 4, 3), std::string("help 3!"));
    QCOMPARE(rig_->store().GetHelpLine(1, 4, 12), std::string());
    QCOMPARE(rig_->store().GetHelpLine(1, 5, 1), std::string("other macro"));
    QCOMPARE(rig_->text("Edit4"), ru("Сброс"));
    QCOMPARE(rig_->ctl<QLineEdit>("Edit4")->palette().color(QPalette::Base), normal);
    QVERIFY(rig_->macrosChanged());
    QCOMPARE(rig_->fileBytes("CmdConfig"), fileBefore);  // the file waits for the panel's save
}

void MacroEditorTest::enterInLine12ClosesAndTheLineReachesThePanel() {
    rig_->check("RbData");  // the panel shows command lines
    bool closedByEnter = false;
    openEditor(4, [&](TFormEditHelpCmd& e) {
        QTest::keyClicks(e.CmdData, "0");
        QTest::keyClick(e.EditorFields[11], Qt::Key_Return);
        closedByEnter = !e.isVisible();
    });
    QVERIFY(closedByEnter);
    QCOMPARE(rig_->text("Edit4"), QString("ATZ0"));
}

void MacroEditorTest::keys_data() {
    QTest::addColumn<QString>("from");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("text");   // the field's text before the key
    QTest::addColumn<QString>("to");     // where the focus is afterwards
    QTest::addColumn<QString>("after");  // the field's text afterwards
    QTest::newRow("Enter in the name") << "CmdName" << int(Qt::Key_Return) << "n" << "CmdData" << "n";
    QTest::newRow("Enter in the command line") << "CmdData" << int(Qt::Key_Enter) << "c" << "Edit1" << "c";
    QTest::newRow("Enter in line 11") << "Edit11" << int(Qt::Key_Return) << "x" << "Edit12" << "x";
    QTest::newRow("Backspace, empty command line") << "CmdData" << int(Qt::Key_Backspace) << "" << "CmdName" << "";
    QTest::newRow("Backspace, empty line 1") << "Edit1" << int(Qt::Key_Backspace) << "" << "CmdData" << "";
    QTest::newRow("Backspace, empty line 7") << "Edit7" << int(Qt::Key_Backspace) << "" << "Edit6" << "";
    QTest::newRow("Backspace, line 3 with text") << "Edit3" << int(Qt::Key_Backspace) << "ab" << "Edit3" << "a";
    QTest::newRow("Backspace, empty name") << "CmdName" << int(Qt::Key_Backspace) << "" << "CmdName" << "";
}

void MacroEditorTest::keys() {
    QFETCH(QString, from);
    QFETCH(int, key);
    QFETCH(QString, text);
    QFETCH(QString, to);
    QFETCH(QString, after);
    openEditor(4, [&](TFormEditHelpCmd& e) {
        auto* start = e.findChild<QLineEdit*>(from);
        QVERIFY(start);
        start->setText(text);
        start->setFocus();
        QTest::keyClick(start, Qt::Key(key));
        QVERIFY(e.isVisible());
        QCOMPARE(e.focusWidget()->objectName(), to);
        QCOMPARE(start->text(), after);
        if (to == "Edit6") QCOMPARE(e.EditorFields[5]->text(), QString("help 6"));  // the key acts once
    });
}

void MacroEditorTest::fieldsFollowTheWindowWidth() {
    openEditor(4, [&](TFormEditHelpCmd& e) {
        QCOMPARE(e.CmdName->width(), 361);
        e.resize(484, 397);
        QCOMPARE(e.CmdData->width(), 461);
        for (QLineEdit* line : e.EditorFields) QCOMPARE(line->width(), 461);
        e.resize(300, 397);
        QCOMPARE(e.CmdName->width(), 277);
    });
}

void MacroEditorTest::typingLimitsLeaveLongStoredTextWhole() {
    const std::string longName(51, 'N'), longLine(251, 'L');
    rig_->store().SetCmdName(1, 2, longName);
    rig_->store().SetCmdLine(1, 2, longLine);
    rig_->store().SetHelpLine(1, 2, 1, std::string(151, 'H'));
    rig_->readList(1);
    openEditor(2, [&](TFormEditHelpCmd& e) {
        QCOMPARE(e.CmdData->text().size(), 251);
        QTest::keyClicks(e.EditorFields[1], QString(70, 'h'));
        e.CmdName->end(false);
        QTest::keyClicks(e.CmdName, "more");  // already beyond the limit: refused
        QCOMPARE(e.CmdName->text().size(), 51);
    });
    QCOMPARE(rig_->store().GetCmdName(1, 2), longName);
    QCOMPARE(rig_->store().GetCmdLine(1, 2), longLine);
    QCOMPARE(rig_->store().GetHelpLine(1, 2, 1), std::string(151, 'H'));
    QCOMPARE(rig_->store().GetHelpLine(1, 2, 2), std::string(50, 'h'));
}

void MacroEditorTest::onlyTheEditorsOwnLinesAreStored() {
    openEditor(4, [&](TFormEditHelpCmd& e) {
        QTest::keyClicks(e.EditorFields[0], "+");
        rig_->showGeneralHelp();  // a hover-help text lands in the shared labels meanwhile
    });
    QCOMPARE(rig_->store().GetHelpLine(1, 4, 1), std::string("help 1+"));
    QCOMPARE(rig_->store().GetHelpLine(1, 4, 2), std::string("help 2"));

    // A runner that never shows the editor leaves the macro alone (the editor
    // still holds macro 4's lines, which must not land on macro 5).
    rig_->onModal = [](QDialog&) { return 0; };
    rig_->doubleClick("Edit5");
    QCOMPARE(rig_->store().GetHelpLine(1, 5, 1), std::string("other macro"));
    QCOMPARE(rig_->store().GetHelpLine(1, 5, 2), std::string());
}

QTEST_MAIN(MacroEditorTest)
#include "tst_macro_editor.moc"
