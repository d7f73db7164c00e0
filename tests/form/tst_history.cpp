// The sent history with its file OldCmd, and the two drop-down choosers.
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

#include "modes_rig.h"

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

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

QStringList items(const QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
    return out;
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
    ModesRig rig;
    TForm1& f = rig.start();
    QCOMPARE(rig.fileBytes(QStringLiteral("OldCmd")), QByteArray(12800, '\0'));
    activate(&f);
    QTest::keyClick(f.MainStrCmd, Qt::Key_Down);
    QVERIFY(f.FastOldCmd->isVisible());
    QCOMPARE(f.FastOldCmd->count(), 0);
    QCOMPARE(f.OldCmdList->count(), 0);
}

void TestHistory::recentFirstAndKeptOverRestart() {
    ModesRig rig;
    TForm1& f = rig.start();
    QVERIFY(rig.connectDevice());
    for (const char* cmd : {"AT", "ATI", "AT"}) {
        f.MainStrCmd->setText(QString::fromLatin1(cmd));
        QTest::keyClick(f.MainStrCmd, Qt::Key_Return);
        QCOMPARE(rig.readUntil(std::string(cmd) + "\r"), std::string(cmd) + "\r");
    }
    // A command of 255 characters is sent but not kept.
    f.MainStrCmd->setText(QString(255, u'L'));
    QTest::keyClick(f.MainStrCmd, Qt::Key_Return);
    QVERIFY(!rig.readUntil(std::string(255, 'L') + "\r").empty());
    f.Str1Click();
    QCOMPARE(items(f.FastOldCmd), (QStringList{"AT", "ATI"}));

    TForm1& again = rig.restart();
    QCOMPARE(items(again.FastOldCmd), (QStringList{"AT", "ATI"}));
    QCOMPARE(items(again.OldCmdList), (QStringList{"AT", "ATI"}));
    const QByteArray file = rig.fileBytes(QStringLiteral("OldCmd"));
    QCOMPARE(file.size(), 12800);
    QCOMPARE(file.left(3), QByteArray("\x02" "AT"));
    QCOMPARE(file.mid(256, 4), QByteArray("\x03" "ATI"));
    QCOMPARE(file.at(512), '\0');
}

void TestHistory::freeSlotIsSkippedInTheLists() {
    ModesRig rig;
    writeFile(rig.dir.filePath(QStringLiteral("OldCmd")), historyImage({"S1", "S2", "", "S4", "S5"}));
    TForm1& f = rig.start();
    const QStringList expected{"S1", "S2", "S4", "S5"};
    QCOMPARE(items(f.OldCmdList), expected);
    QCOMPARE(items(f.FastOldCmd), expected);
    for (const std::string& text : rig.messages.texts()) QVERIFY(text.find("OldCmd") == std::string::npos);
}

void TestHistory::downArrowChoiceCopiesWithoutSending() {
    ModesRig rig;
    writeFile(rig.dir.filePath(QStringLiteral("OldCmd")), historyImage({"AT", "ATI"}));
    TForm1& f = rig.start();
    QVERIFY(rig.connectDevice());
    activate(&f);
    f.MainStrCmd->setFocus();
    QTest::keyClick(f.MainStrCmd, Qt::Key_Down);
    QVERIFY(f.FastOldCmd->isVisible());
    QTRY_VERIFY(f.FastOldCmd->hasFocus());
    QVERIFY(f.FastOldCmd->selectedItems().isEmpty());  // opens without a choice
    QTest::keyClick(f.FastOldCmd, Qt::Key_Return);     // Enter without a choice: nothing
    QVERIFY(f.FastOldCmd->isVisible());
    QTest::keyClick(f.FastOldCmd, Qt::Key_Down);
    QCOMPARE(f.FastOldCmd->currentItem()->text(), QStringLiteral("AT"));
    QTest::keyClick(f.FastOldCmd, Qt::Key_Down);
    QTest::keyClick(f.FastOldCmd, Qt::Key_Return);
    QCOMPARE(f.MainStrCmd->text(), QStringLiteral("ATI"));
    QVERIFY(f.FastOldCmd->isHidden());
    QTRY_VERIFY(f.MainStrCmd->hasFocus());
    QCOMPARE(rig.readFor(50), std::string());  // copied, not sent
    QTest::keyClick(f.MainStrCmd, Qt::Key_Return);
    QCOMPARE(rig.readUntil("ATI\r"), std::string("ATI\r"));
}

void TestHistory::escapeAndFocusLossCloseTheList() {
    ModesRig rig;
    writeFile(rig.dir.filePath(QStringLiteral("OldCmd")), historyImage({"AT"}));
    TForm1& f = rig.start();
    activate(&f);
    f.MainStrCmd->setText(QStringLiteral("KEEP"));
    f.MainStrCmd->setFocus();
    QTest::keyClick(f.MainStrCmd, Qt::Key_Down);
    QTRY_VERIFY(f.FastOldCmd->hasFocus());
    QTest::keyClick(f.FastOldCmd, Qt::Key_Down);
    QTest::keyClick(f.FastOldCmd, Qt::Key_Escape);
    QVERIFY(f.FastOldCmd->isHidden());
    QCOMPARE(f.MainStrCmd->text(), QStringLiteral("KEEP"));
    QTRY_VERIFY(f.MainStrCmd->hasFocus());

    // The small arrow toggles the list; leaving the list hides it.
    QTest::mouseClick(f.Str1, Qt::LeftButton);
    QVERIFY(f.FastOldCmd->isVisible());
    QTest::mouseClick(f.Str1, Qt::LeftButton);
    QVERIFY(f.FastOldCmd->isHidden());
    QTest::mouseClick(f.Str1, Qt::LeftButton);
    QTRY_VERIFY(f.FastOldCmd->hasFocus());
    f.AddStrCmd->setFocus();
    QTRY_VERIFY(f.FastOldCmd->isHidden());
}

void TestHistory::tailChooserPutsExactlyTheTemplate() {
    ModesRig rig;
    TForm1& f = rig.start();
    activate(&f);
    f.AddStrCmd->setText(QStringLiteral("$0D"));
    f.AddStrCmd->setFocus();
    QTest::keyClick(f.AddStrCmd, Qt::Key_Down);
    QVERIFY(f.LBTail->isVisible());
    QTRY_VERIFY(f.LBTail->hasFocus());
    for (int i = 0; i < 7; ++i) QTest::keyClick(f.LBTail, Qt::Key_Down);
    QTest::keyClick(f.LBTail, Qt::Key_Return);
    QCOMPARE(f.AddStrCmd->text(), QStringLiteral("[FF - SUM_8(0..n)]"));
    QVERIFY(f.LBTail->isHidden());
    QTRY_VERIFY(f.AddStrCmd->hasFocus());

    // Esc closes the chooser and keeps the tail; the arrow toggles it.
    QTest::mouseClick(f.Str2, Qt::LeftButton);
    QTRY_VERIFY(f.LBTail->hasFocus());
    QTest::keyClick(f.LBTail, Qt::Key_Down);
    QTest::keyClick(f.LBTail, Qt::Key_Escape);
    QVERIFY(f.LBTail->isHidden());
    QCOMPARE(f.AddStrCmd->text(), QStringLiteral("[FF - SUM_8(0..n)]"));
    QTest::mouseClick(f.Str2, Qt::LeftButton);
    QVERIFY(f.LBTail->isVisible());
    QTest::mouseClick(f.Str2, Qt::LeftButton);
    QVERIFY(f.LBTail->isHidden());
}

void TestHistory::enterInTheTailNeverSends() {
    ModesRig rig;
    TForm1& f = rig.start();
    QVERIFY(rig.connectDevice());
    f.MainStrCmd->setText(QStringLiteral("AT"));
    f.AddStrCmd->setText(QStringLiteral("$0D"));
    QTest::keyClick(f.AddStrCmd, Qt::Key_Return);
    QTest::keyClick(f.AddStrCmd, Qt::Key_Enter);
    QCOMPARE(rig.readFor(50), std::string());
    QCOMPARE(f.AddStrCmd->text(), QStringLiteral("$0D"));
    QCOMPARE(f.MainStrCmd->text(), QStringLiteral("AT"));
    QTest::keyClick(f.AddStrCmd, Qt::Key_Escape);
    QCOMPARE(f.AddStrCmd->text(), QString());
}

void TestHistory::historyListsFollowSendsButNotAFile() {
    ModesRig rig;
    TForm1& f = rig.start();
    QVERIFY(rig.connectDevice());
    rig.loadCommandFile("F1\nF2\n");
    // Opening the history while a file is loaded leaves the file's lines alone.
    QTest::keyClick(f.MainStrCmd, Qt::Key_Down);
    QCOMPARE(items(f.OldCmdList), (QStringList{"F1", "F2"}));
    f.SendStart->click();
    QCOMPARE(rig.readUntil("F1\r"), std::string("F1\r"));
    QCOMPARE(items(f.OldCmdList), (QStringList{"F1", "F2"}));
    f.SendStart->click();
    QCOMPARE(rig.readUntil("F2\r"), std::string("F2\r"));

    f.ButtonReadFile->click();  // "Назад": the history lists follow every send
    f.MainStrCmd->setText(QStringLiteral("NEW"));
    f.ButtonSend->click();
    QCOMPARE(rig.readUntil("NEW\r"), std::string("NEW\r"));
    QCOMPARE(items(f.OldCmdList), (QStringList{"NEW", "F2", "F1"}));
    QCOMPARE(items(f.FastOldCmd), (QStringList{"NEW", "F2", "F1"}));
}

void TestHistory::fileTroublesAtStartAndClose() {
    {  // removed while running: the close does not recreate it
        ModesRig rig;
        TForm1& f = rig.start();
        QVERIFY(rig.connectDevice());
        f.MainStrCmd->setText(QStringLiteral("AT"));
        f.ButtonSend->click();
        QVERIFY(QFile::remove(rig.dir.filePath(QStringLiteral("OldCmd"))));
        f.close();
        QVERIFY(!QFile::exists(rig.dir.filePath(QStringLiteral("OldCmd"))));
    }
    {  // unreadable: told once, history empty, the file left as it is
        ModesRig rig;
        QVERIFY(QDir(rig.dir.path()).mkdir(QStringLiteral("OldCmd")));
        TForm1& f = rig.start();
        int told = 0;
        for (const auto& m : rig.messages.shown) {
            if (m.text.find("OldCmd") == std::string::npos) continue;
            ++told;
            QVERIFY(!m.detail.empty());
        }
        QCOMPARE(told, 1);
        QCOMPARE(f.FastOldCmd->count(), 0);
        f.close();
        QVERIFY(QFileInfo(rig.dir.filePath(QStringLiteral("OldCmd"))).isDir());
    }
    {  // a failed save is reported and the close goes on
        ModesRig rig;
        TForm1& f = rig.start();
        QVERIFY(rig.connectDevice());
        f.MainStrCmd->setText(QStringLiteral("AT"));
        f.ButtonSend->click();
        QVERIFY(QDir(rig.dir.path()).mkdir(QStringLiteral("OldCmd.new")));
        QVERIFY(f.close());
        QCOMPARE(rig.messages.texts().back(), std::string("Не удалось сохранить историю команд в файл OldCmd"));
        QCOMPARE(rig.fileBytes(QStringLiteral("OldCmd")), QByteArray(12800, '\0'));  // the old one intact
    }
}

QTEST_MAIN(TestHistory)
#include "tst_history.moc"
