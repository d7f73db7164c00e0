// The macro editor window, opened by a double click on a macro field of the
// real main window in editor mode.
#include <QLabel>
#include <QTest>

#include "macros/ui/macro_editor_window.h"
#include "common/ui/text_codec.h"
#include "macro_form_harness.h"

using namespace vantrel;
using test::field;
using Harness = test::MacroFormHarness;

class MacroEditorTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        QVERIFY(h_.start());
        // Macro 4 of list 1 with a name, a command line and 12 help lines.
        Harness::writeStore([](MacroStore& s) {
            s.SetCmdName(1, 4, "Reset");
            s.SetCmdLine(1, 4, "ATZ");
            for (int j = 1; j <= 12; ++j) s.SetHelpLine(1, 4, j, "help " + std::to_string(j));
            s.SetHelpLine(1, 5, 1, "other macro");
        });
        h_.makeForm();
    }
    void cleanup() { h_.stop(); }

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
        TForm1& f = *h_.form;
        if (TForm1::tag(f.EditAllCmd) == 0) QTest::mouseClick(f.EditAllCmd, Qt::LeftButton);
        h_.onModal = [&user](QDialog& d) {
            d.show();
            user(static_cast<TFormEditHelpCmd&>(d));
            d.close();
            return d.result();
        };
        QTest::mouseDClick(field(f, k), Qt::LeftButton);
        h_.onModal = nullptr;
    }

    Harness h_;
};

void MacroEditorTest::opensOnTheMacroAndStoresLiveAndOnClosing() {
    TForm1& f = *h_.form;
    const QColor normal = field(f, 4)->palette().color(QPalette::Base);
    const QByteArray fileBefore = Harness::fileBytes();
    f.ButtonCmdHelp(5);  // the pointer passed another macro last
    bool ran = false;
    openEditor(4, [&](TFormEditHelpCmd& e) {
        ran = true;
        QCOMPARE(e.windowTitle(), ru("Редактор макроса"));
        QCOMPARE(e.size(), QSize(384, 397));
        QCOMPARE(field(f, 4)->palette().color(QPalette::Base), QColor(0, 255, 0));
        QCOMPARE(e.CmdName->text(), QString("Reset"));
        QCOMPARE(e.CmdData->text(), QString("ATZ"));
        for (int j = 1; j <= 12; ++j) QCOMPARE(e.EditorFields[std::size_t(j - 1)]->text(), QString("help %1").arg(j));
        QCOMPARE(e.focusWidget(), static_cast<QWidget*>(e.CmdName));

        e.CmdName->clear();
        test::typeText(e.CmdName, ru("Сброс"));
        QCOMPARE(f.store->GetCmdName(1, 4), toCp(ru("Сброс")));
        QTest::keyClicks(e.CmdData, "&F");
        QCOMPARE(f.store->GetCmdLine(1, 4), std::string("ATZ&F"));
        QTest::keyClicks(e.EditorFields[2], "!");
        QCOMPARE(f.HelpLabels[2]->text(), QString("help 3!"));
        QCOMPARE(f.store->GetHelpLine(1, 4, 3), std::string("help 3"));  // stored on closing
        e.EditorFields[11]->clear();
    });
    QVERIFY(ran);
    QCOMPARE(f.EditIndex, 4);
    QCOMPARE(f.store->GetHelpLine(1, 4, 3), std::string("help 3!"));
    QCOMPARE(f.store->GetHelpLine(1, 4, 12), std::string());
    QCOMPARE(f.store->GetHelpLine(1, 5, 1), std::string("other macro"));
    QCOMPARE(field(f, 4)->text(), ru("Сброс"));
    QCOMPARE(field(f, 4)->palette().color(QPalette::Base), normal);
    QVERIFY(f.MacrosChanged);
    QCOMPARE(Harness::fileBytes(), fileBefore);  // the file waits for the panel's save
}

void MacroEditorTest::enterInLine12ClosesAndTheLineReachesThePanel() {
    TForm1& f = *h_.form;
    f.RbData->setChecked(true);  // the panel shows command lines
    bool closedByEnter = false;
    openEditor(4, [&](TFormEditHelpCmd& e) {
        QTest::keyClicks(e.CmdData, "0");
        QTest::keyClick(e.EditorFields[11], Qt::Key_Return);
        closedByEnter = !e.isVisible();
    });
    QVERIFY(closedByEnter);
    QCOMPARE(field(f, 4)->text(), QString("ATZ0"));
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
    TForm1& f = *h_.form;
    const std::string longName(51, 'N'), longLine(251, 'L');
    f.store->SetCmdName(1, 2, longName);
    f.store->SetCmdLine(1, 2, longLine);
    f.store->SetHelpLine(1, 2, 1, std::string(151, 'H'));
    f.ReadListCmd(1);
    openEditor(2, [&](TFormEditHelpCmd& e) {
        QCOMPARE(e.CmdData->text().size(), 251);
        QTest::keyClicks(e.EditorFields[1], QString(70, 'h'));
        e.CmdName->end(false);
        QTest::keyClicks(e.CmdName, "more");  // already beyond the limit: refused
        QCOMPARE(e.CmdName->text().size(), 51);
    });
    QCOMPARE(f.store->GetCmdName(1, 2), longName);
    QCOMPARE(f.store->GetCmdLine(1, 2), longLine);
    QCOMPARE(f.store->GetHelpLine(1, 2, 1), std::string(151, 'H'));
    QCOMPARE(f.store->GetHelpLine(1, 2, 2), std::string(50, 'h'));
}

void MacroEditorTest::onlyTheEditorsOwnLinesAreStored() {
    TForm1& f = *h_.form;
    openEditor(4, [&](TFormEditHelpCmd& e) {
        QTest::keyClicks(e.EditorFields[0], "+");
        f.OutHelpHelp();  // a hover-help text lands in the shared labels meanwhile
    });
    QCOMPARE(f.store->GetHelpLine(1, 4, 1), std::string("help 1+"));
    QCOMPARE(f.store->GetHelpLine(1, 4, 2), std::string("help 2"));

    // A runner that never shows the editor leaves the macro alone (the editor
    // still holds macro 4's lines, which must not land on macro 5).
    h_.onModal = [](QDialog&) { return 0; };
    QTest::mouseDClick(field(f, 5), Qt::LeftButton);
    QCOMPARE(f.store->GetHelpLine(1, 5, 1), std::string("other macro"));
    QCOMPARE(f.store->GetHelpLine(1, 5, 2), std::string());
}

QTEST_MAIN(MacroEditorTest)
#include "tst_macro_editor.moc"
