// The macro editor window, opened by a double click on a macro field of the
// real main window in editor mode.
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "app/macro_editor_window.h"
#include "app/text_codec.h"
#include "macro_form_harness.h"

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

// Macro 4 of list 1 with a name, a command line and 12 help lines.
void seedMacro4() {
    test::MacroFormHarness::writeStore([](MacroStore& s) {
        s.SetCmdName(1, 4, "Reset");
        s.SetCmdLine(1, 4, "ATZ");
        for (int j = 1; j <= 12; ++j) s.SetHelpLine(1, 4, j, "help " + std::to_string(j));
        s.SetHelpLine(1, 5, 1, "other macro");
    });
}

// The editor field named `name` ("CmdName", "CmdData", "Edit1".."Edit12").
QLineEdit* editorField(TFormEditHelpCmd& e, const QString& name) { return e.findChild<QLineEdit*>(name); }

}  // namespace

class MacroEditorTest : public QObject {
    Q_OBJECT

private slots:
    void init() { QVERIFY(h_.start()); }
    void cleanup() { h_.stop(); }

    void opensOnTheDoubleClickedMacroWithAGreenField();
    void nameAndLineAreStoredLiveHelpLinesOnClosing();
    void enterInLine12ClosesAndTheNameReachesThePanel();
    void keys_data();
    void keys();
    void fieldsFollowTheWindowWidth();
    void typingLimitsLeaveLongStoredTextWhole();
    void helpWrittenIntoTheLabelsMeanwhileIsNotStored();
    void anEditorThatWasNeverShownStoresNothing();

private:
    // Enters editor mode and double-clicks field `k`; `user` plays the editor.
    void openEditor(int k, const std::function<void(TFormEditHelpCmd&)>& user);

    test::MacroFormHarness h_;
};

void MacroEditorTest::openEditor(int k, const std::function<void(TFormEditHelpCmd&)>& user) {
    TForm1& f = *h_.form;
    if (TForm1::tag(f.EditAllCmd) == 0) QTest::mouseClick(f.EditAllCmd, Qt::LeftButton);
    h_.onModal = [&user](QDialog& d) {
        auto* editor = qobject_cast<TFormEditHelpCmd*>(&d);
        if (!editor) return 0;
        d.show();
        user(*editor);
        d.close();  // the close box, unless the user closed it already
        return d.result();
    };
    QTest::mouseDClick(field(f, k), Qt::LeftButton);
}

void MacroEditorTest::opensOnTheDoubleClickedMacroWithAGreenField() {
    seedMacro4();
    TForm1& f = h_.makeForm();
    const QColor normal = field(f, 4)->palette().color(QPalette::Base);
    // The pointer passed another macro last: the editor must still start from macro 4.
    f.ButtonCmdHelp(5);
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
        QVERIFY(e.CmdName->font().bold());
        QVERIFY(!e.CmdData->font().bold());
        QCOMPARE(e.EditorFields[0]->font().pixelSize(), 13);
    });
    QVERIFY(ran);
    QCOMPARE(f.EditIndex, 4);
    QCOMPARE(h_.modalCalls, QStringList{"TFormEditHelpCmd"});
    QCOMPARE(field(f, 4)->palette().color(QPalette::Base), normal);
    QVERIFY(!f.MacrosChanged);  // looked at, nothing changed
}

void MacroEditorTest::nameAndLineAreStoredLiveHelpLinesOnClosing() {
    seedMacro4();
    TForm1& f = h_.makeForm();
    const QByteArray fileBefore = h_.fileBytes();
    openEditor(4, [&](TFormEditHelpCmd& e) {
        e.CmdName->clear();
        typeText(e.CmdName, ru("Сброс"));
        QCOMPARE(f.store->GetCmdName(1, 4), toCp(ru("Сброс")));
        QTest::keyClicks(e.CmdData, "&F");
        QCOMPARE(f.store->GetCmdLine(1, 4), std::string("ATZ&F"));
        QTest::keyClicks(e.EditorFields[2], "!");
        QCOMPARE(f.HelpLabels[2]->text(), QString("help 3!"));
        QCOMPARE(f.store->GetHelpLine(1, 4, 3), std::string("help 3"));  // stored on closing
        e.EditorFields[11]->clear();
    });
    QCOMPARE(f.store->GetHelpLine(1, 4, 3), std::string("help 3!"));
    QCOMPARE(f.store->GetHelpLine(1, 4, 12), std::string());
    QCOMPARE(f.store->GetHelpLine(1, 4, 1), std::string("help 1"));
    QCOMPARE(f.store->GetHelpLine(1, 5, 1), std::string("other macro"));
    QCOMPARE(field(f, 4)->text(), ru("Сброс"));
    QVERIFY(f.MacrosChanged);
    QCOMPARE(h_.fileBytes(), fileBefore);  // the file waits for the panel's save
}

void MacroEditorTest::enterInLine12ClosesAndTheNameReachesThePanel() {
    seedMacro4();
    TForm1& f = h_.makeForm();
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
    QTest::addColumn<QString>("text");  // the field's text before the key
    QTest::addColumn<QString>("to");    // where the focus is afterwards
    QTest::addColumn<QString>("after");  // the field's text afterwards

    QTest::newRow("Enter in the name") << "CmdName" << int(Qt::Key_Return) << "n" << "CmdData" << "n";
    QTest::newRow("Enter in the command line") << "CmdData" << int(Qt::Key_Enter) << "c" << "Edit1" << "c";
    QTest::newRow("Enter in line 1") << "Edit1" << int(Qt::Key_Return) << "" << "Edit2" << "";
    QTest::newRow("Enter in line 11") << "Edit11" << int(Qt::Key_Return) << "x" << "Edit12" << "x";
    QTest::newRow("Backspace, empty command line") << "CmdData" << int(Qt::Key_Backspace) << "" << "CmdName" << "";
    QTest::newRow("Backspace, empty line 1") << "Edit1" << int(Qt::Key_Backspace) << "" << "CmdData" << "";
    QTest::newRow("Backspace, empty line 7") << "Edit7" << int(Qt::Key_Backspace) << "" << "Edit6" << "";
    QTest::newRow("Backspace, empty line 12") << "Edit12" << int(Qt::Key_Backspace) << "" << "Edit11" << "";
    QTest::newRow("Backspace, line 3 with text") << "Edit3" << int(Qt::Key_Backspace) << "ab" << "Edit3" << "a";
    QTest::newRow("Backspace, empty name") << "CmdName" << int(Qt::Key_Backspace) << "" << "CmdName" << "";
}

void MacroEditorTest::keys() {
    QFETCH(QString, from);
    QFETCH(int, key);
    QFETCH(QString, text);
    QFETCH(QString, to);
    QFETCH(QString, after);
    seedMacro4();
    h_.makeForm();
    openEditor(4, [&](TFormEditHelpCmd& e) {
        QLineEdit* start = editorField(e, from);
        QVERIFY(start);
        start->setText(text);
        start->setFocus();
        QTest::keyClick(start, Qt::Key(key));
        QVERIFY(e.isVisible());
        QCOMPARE(e.focusWidget()->objectName(), to);
        QCOMPARE(start->text(), after);
        // The key does not act a second time in the field that got the focus.
        QLineEdit* target = editorField(e, to);
        if (target != start && from.startsWith("Edit") && to.startsWith("Edit"))
            QCOMPARE(target->text(), QString("help %1").arg(to.mid(4)));
    });
}

void MacroEditorTest::fieldsFollowTheWindowWidth() {
    seedMacro4();
    h_.makeForm();
    openEditor(4, [&](TFormEditHelpCmd& e) {
        QCOMPARE(e.CmdName->width(), 361);
        e.resize(484, 397);
        QCOMPARE(e.CmdName->width(), 461);
        QCOMPARE(e.CmdData->width(), 461);
        for (QLineEdit* line : e.EditorFields) QCOMPARE(line->width(), 461);
        e.resize(300, 397);
        QCOMPARE(e.EditorFields[11]->width(), 277);
        QCOMPARE(e.CmdName->height(), 19);
        QCOMPARE(e.EditorFields[0]->height(), 22);
    });
}

void MacroEditorTest::typingLimitsLeaveLongStoredTextWhole() {
    const std::string longName(51, 'N');
    const std::string longLine(251, 'L');
    test::MacroFormHarness::writeStore([&](MacroStore& s) {
        s.SetCmdName(1, 2, longName);
        s.SetCmdLine(1, 2, longLine);
        s.SetHelpLine(1, 2, 1, std::string(151, 'H'));
    });
    TForm1& f = h_.makeForm();
    openEditor(2, [&](TFormEditHelpCmd& e) {
        QCOMPARE(e.CmdName->text().size(), 51);
        QCOMPARE(e.CmdData->text().size(), 251);
        QCOMPARE(e.EditorFields[0]->text().size(), 151);
        QTest::keyClicks(e.EditorFields[1], QString(70, 'h'));
        QCOMPARE(e.EditorFields[1]->text().size(), 50);
        e.CmdName->end(false);
        QTest::keyClicks(e.CmdName, "more");  // already beyond the limit: refused
        QCOMPARE(e.CmdName->text().size(), 51);
    });
    QCOMPARE(f.store->GetCmdName(1, 2), longName);
    QCOMPARE(f.store->GetCmdLine(1, 2), longLine);
    QCOMPARE(f.store->GetHelpLine(1, 2, 1), std::string(151, 'H'));
    QCOMPARE(f.store->GetHelpLine(1, 2, 2), std::string(50, 'h'));
}

void MacroEditorTest::helpWrittenIntoTheLabelsMeanwhileIsNotStored() {
    seedMacro4();
    TForm1& f = h_.makeForm();
    openEditor(4, [&](TFormEditHelpCmd& e) {
        QTest::keyClicks(e.EditorFields[0], "+");
        f.OutHelpHelp();  // a hover-help text lands in the shared labels
    });
    QCOMPARE(f.store->GetHelpLine(1, 4, 1), std::string("help 1+"));
    QCOMPARE(f.store->GetHelpLine(1, 4, 2), std::string("help 2"));
    QCOMPARE(f.HelpLabels[0]->text(), QString("help 1+"));
}

void MacroEditorTest::anEditorThatWasNeverShownStoresNothing() {
    seedMacro4();
    TForm1& f = h_.makeForm();
    openEditor(5, [](TFormEditHelpCmd&) {});  // fills the editor with macro 5
    QTest::mouseClick(f.EditAllCmd, Qt::LeftButton);
    QTest::mouseClick(f.EditAllCmd, Qt::LeftButton);
    h_.onModal = [](QDialog&) { return 0; };  // a runner that shows nothing
    QTest::mouseDClick(field(f, 4), Qt::LeftButton);
    for (int j = 1; j <= 12; ++j) QCOMPARE(f.store->GetHelpLine(1, 4, j), "help " + std::to_string(j));
    QCOMPARE(f.store->GetCmdName(1, 4), std::string("Reset"));
}

QTEST_MAIN(MacroEditorTest)
#include "tst_macro_editor.moc"
