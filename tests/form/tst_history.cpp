// The sent history with its file OldCmd, and the two drop-down choosers.
#include "support/form_rig.h"

using namespace vantrel;
using namespace vantrel::test;

namespace {

// An OldCmd image with the given texts in slots 1.. ("" a free slot).
QByteArray historyImage(const QStringList& entries) {
    QByteArray img(12800, '\0');
    for (int i = 0; i < entries.size(); ++i) {
        const QByteArray text = entries[i].toLatin1();
        img[i * 256] = char(text.size());
        img.replace(i * 256 + 1, text.size(), text);
    }
    return img;
}

void activate(QWidget* w) {
    w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w));
}

}  // namespace

class TestHistory : public QObject {
    Q_OBJECT
private slots:
    void firstStartCreatesEmptyHistory();
    void recentFirstAndKeptOverRestart();
    void freeSlotIsSkippedInTheLists();
    void downArrowChoiceCopiesWithoutSending();
    void escapeAndFocusLossCloseTheList();
    void tailChooserPutsExactlyTheTemplate();
    void enterInTheTailNeverSends();
    void historyListsFollowSendsButNotAFile();
    void fileTroublesAtStartAndClose();
};

void TestHistory::firstStartCreatesEmptyHistory() {
    FormRig rig({.show = true});
    QCOMPARE(rig.fileBytes(QStringLiteral("OldCmd")), QByteArray(12800, '\0'));
    activate(&rig.form());
    rig.key("MainStrCmd", Qt::Key_Down);
    QVERIFY(rig.visible("FastOldCmd"));
    QCOMPARE(rig.ctl<QListWidget>("FastOldCmd")->count(), 0);
    QCOMPARE(rig.ctl<QListWidget>("OldCmdList")->count(), 0);
}

void TestHistory::recentFirstAndKeptOverRestart() {
    FormRig rig({.show = true});
    QVERIFY(rig.connectDevice());
    for (const char* cmd : {"AT", "ATI", "AT"}) {
        rig.fill("MainStrCmd", QString::fromLatin1(cmd));
        rig.key("MainStrCmd", Qt::Key_Return);
        QCOMPARE(rig.readUntil(std::string(cmd) + "\r"), std::string(cmd) + "\r");
    }
    // A command of 255 characters is sent but not kept.
    rig.fill("MainStrCmd", QString(255, u'L'));
    rig.key("MainStrCmd", Qt::Key_Return);
    QVERIFY(!rig.readUntil(std::string(255, 'L') + "\r").empty());
    rig.click("Str1");
    QCOMPARE(rig.items("FastOldCmd"), (QStringList{"AT", "ATI"}));

    rig.restart();
    QCOMPARE(rig.items("FastOldCmd"), (QStringList{"AT", "ATI"}));
    QCOMPARE(rig.items("OldCmdList"), (QStringList{"AT", "ATI"}));
    const QByteArray file = rig.fileBytes(QStringLiteral("OldCmd"));
    QCOMPARE(file.size(), 12800);
    QCOMPARE(file.left(3), QByteArray("\x02" "AT"));
    QCOMPARE(file.mid(256, 4), QByteArray("\x03" "ATI"));
    QCOMPARE(file.at(512), '\0');
}

void TestHistory::freeSlotIsSkippedInTheLists() {
    FormRig rig({.start = false, .show = true});
    rig.writeFile(QStringLiteral("OldCmd"), historyImage({"S1", "S2", "", "S4", "S5"}));
    rig.start();
    const QStringList expected{"S1", "S2", "S4", "S5"};
    QCOMPARE(rig.items("OldCmdList"), expected);
    QCOMPARE(rig.items("FastOldCmd"), expected);
    for (const std::string& text : rig.messages.texts()) QVERIFY(text.find("OldCmd") == std::string::npos);
}

void TestHistory::downArrowChoiceCopiesWithoutSending() {
    FormRig rig({.start = false, .show = true});
    rig.writeFile(QStringLiteral("OldCmd"), historyImage({"AT", "ATI"}));
    rig.start();
    QVERIFY(rig.connectDevice());
    activate(&rig.form());
    rig.ctl<QLineEdit>("MainStrCmd")->setFocus();
    rig.key("MainStrCmd", Qt::Key_Down);
    QVERIFY(rig.visible("FastOldCmd"));
    QTRY_VERIFY(rig.ctl<QListWidget>("FastOldCmd")->hasFocus());
    QVERIFY(rig.ctl<QListWidget>("FastOldCmd")->selectedItems().isEmpty());  // opens without a choice
    rig.key("FastOldCmd", Qt::Key_Return);     // Enter without a choice: nothing
    QVERIFY(rig.visible("FastOldCmd"));
    rig.key("FastOldCmd", Qt::Key_Down);
    QCOMPARE(rig.ctl<QListWidget>("FastOldCmd")->currentItem()->text(), QStringLiteral("AT"));
    rig.key("FastOldCmd", Qt::Key_Down);
    rig.key("FastOldCmd", Qt::Key_Return);
    QCOMPARE(rig.text("MainStrCmd"), QStringLiteral("ATI"));
    QVERIFY(rig.hidden("FastOldCmd"));
    QTRY_VERIFY(rig.ctl<QLineEdit>("MainStrCmd")->hasFocus());
    QCOMPARE(rig.readFor(50), std::string());  // copied, not sent
    rig.key("MainStrCmd", Qt::Key_Return);
    QCOMPARE(rig.readUntil("ATI\r"), std::string("ATI\r"));
}

void TestHistory::escapeAndFocusLossCloseTheList() {
    FormRig rig({.start = false, .show = true});
    rig.writeFile(QStringLiteral("OldCmd"), historyImage({"AT"}));
    rig.start();
    activate(&rig.form());
    rig.fill("MainStrCmd", QStringLiteral("KEEP"));
    rig.ctl<QLineEdit>("MainStrCmd")->setFocus();
    rig.key("MainStrCmd", Qt::Key_Down);
    QTRY_VERIFY(rig.ctl<QListWidget>("FastOldCmd")->hasFocus());
    rig.key("FastOldCmd", Qt::Key_Down);
    rig.key("FastOldCmd", Qt::Key_Escape);
    QVERIFY(rig.hidden("FastOldCmd"));
    QCOMPARE(rig.text("MainStrCmd"), QStringLiteral("KEEP"));
    QTRY_VERIFY(rig.ctl<QLineEdit>("MainStrCmd")->hasFocus());

    // The small arrow toggles the list; leaving the list hides it.
    rig.click("Str1");
    QVERIFY(rig.visible("FastOldCmd"));
    rig.click("Str1");
    QVERIFY(rig.hidden("FastOldCmd"));
    rig.click("Str1");
    QTRY_VERIFY(rig.ctl<QListWidget>("FastOldCmd")->hasFocus());
    rig.ctl<QLineEdit>("AddStrCmd")->setFocus();
    QTRY_VERIFY(rig.hidden("FastOldCmd"));
}

void TestHistory::tailChooserPutsExactlyTheTemplate() {
    FormRig rig({.show = true});
    activate(&rig.form());
    rig.fill("AddStrCmd", QStringLiteral("$0D"));
    rig.ctl<QLineEdit>("AddStrCmd")->setFocus();
    rig.key("AddStrCmd", Qt::Key_Down);
    QVERIFY(rig.visible("LBTail"));
    QTRY_VERIFY(rig.ctl<QListWidget>("LBTail")->hasFocus());
    for (int i = 0; i < 7; ++i) rig.key("LBTail", Qt::Key_Down);
    rig.key("LBTail", Qt::Key_Return);
    QCOMPARE(rig.text("AddStrCmd"), QStringLiteral("[FF - SUM_8(0..n)]"));
    QVERIFY(rig.hidden("LBTail"));
    QTRY_VERIFY(rig.ctl<QLineEdit>("AddStrCmd")->hasFocus());

    // Esc closes the chooser and keeps the tail; the arrow toggles it.
    rig.click("Str2");
    QTRY_VERIFY(rig.ctl<QListWidget>("LBTail")->hasFocus());
    rig.key("LBTail", Qt::Key_Down);
    rig.key("LBTail", Qt::Key_Escape);
    QVERIFY(rig.hidden("LBTail"));
    QCOMPARE(rig.text("AddStrCmd"), QStringLiteral("[FF - SUM_8(0..n)]"));
    rig.click("Str2");
    QVERIFY(rig.visible("LBTail"));
    rig.click("Str2");
    QVERIFY(rig.hidden("LBTail"));
}

void TestHistory::enterInTheTailNeverSends() {
    FormRig rig({.show = true});
    QVERIFY(rig.connectDevice());
    rig.fill("MainStrCmd", QStringLiteral("AT"));
    rig.fill("AddStrCmd", QStringLiteral("$0D"));
    rig.key("AddStrCmd", Qt::Key_Return);
    rig.key("AddStrCmd", Qt::Key_Enter);
    QCOMPARE(rig.readFor(50), std::string());
    QCOMPARE(rig.text("AddStrCmd"), QStringLiteral("$0D"));
    QCOMPARE(rig.text("MainStrCmd"), QStringLiteral("AT"));
    rig.key("AddStrCmd", Qt::Key_Escape);
    QCOMPARE(rig.text("AddStrCmd"), QString());
}

void TestHistory::historyListsFollowSendsButNotAFile() {
    FormRig rig({.show = true});
    QVERIFY(rig.connectDevice());
    rig.loadCommandFile("F1\nF2\n");
    // Opening the history while a file is loaded leaves the file's lines alone.
    rig.key("MainStrCmd", Qt::Key_Down);
    QCOMPARE(rig.items("OldCmdList"), (QStringList{"F1", "F2"}));
    rig.click("SendStart");
    QCOMPARE(rig.readUntil("F1\r"), std::string("F1\r"));
    QCOMPARE(rig.items("OldCmdList"), (QStringList{"F1", "F2"}));
    rig.click("SendStart");
    QCOMPARE(rig.readUntil("F2\r"), std::string("F2\r"));

    rig.click("ButtonReadFile");  // "Назад": the history lists follow every send
    rig.fill("MainStrCmd", QStringLiteral("NEW"));
    rig.click("ButtonSend");
    QCOMPARE(rig.readUntil("NEW\r"), std::string("NEW\r"));
    QCOMPARE(rig.items("OldCmdList"), (QStringList{"NEW", "F2", "F1"}));
    QCOMPARE(rig.items("FastOldCmd"), (QStringList{"NEW", "F2", "F1"}));
}

void TestHistory::fileTroublesAtStartAndClose() {
    {  // removed while running: the close does not recreate it
        FormRig rig({.show = true});
        QVERIFY(rig.connectDevice());
        rig.fill("MainStrCmd", QStringLiteral("AT"));
        rig.click("ButtonSend");
        QVERIFY(QFile::remove(rig.dir.filePath(QStringLiteral("OldCmd"))));
        rig.form().close();
        QVERIFY(!QFile::exists(rig.dir.filePath(QStringLiteral("OldCmd"))));
    }
    {  // unreadable: told once, history empty, the file left as it is
        FormRig rig({.start = false, .show = true});
        QVERIFY(QDir(rig.dir.path()).mkdir(QStringLiteral("OldCmd")));
        rig.start();
        int told = 0;
        for (const auto& m : rig.messages.shown) {
            if (m.text.find("OldCmd") == std::string::npos) continue;
            ++told;
            QVERIFY(!m.detail.empty());
        }
        QCOMPARE(told, 1);
        QCOMPARE(rig.ctl<QListWidget>("FastOldCmd")->count(), 0);
        rig.form().close();
        QVERIFY(QFileInfo(rig.dir.filePath(QStringLiteral("OldCmd"))).isDir());
    }
    {  // a failed save is reported and the close goes on
        FormRig rig({.show = true});
        QVERIFY(rig.connectDevice());
        rig.fill("MainStrCmd", QStringLiteral("AT"));
        rig.click("ButtonSend");
        QVERIFY(QDir(rig.dir.path()).mkdir(QStringLiteral("OldCmd.new")));
        QVERIFY(rig.form().close());
        QCOMPARE(rig.messages.texts().back(), std::string("Не удалось сохранить историю команд в файл OldCmd"));
        QCOMPARE(rig.fileBytes(QStringLiteral("OldCmd")), QByteArray(12800, '\0'));  // the old one intact
    }
}

QTEST_MAIN(TestHistory)
#include "tst_history.moc"
