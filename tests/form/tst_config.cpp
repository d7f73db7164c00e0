// The settings file through the real main window: what a start applies, what
// a close writes, and that a restart finds everything as it was left.
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <map>
#include <memory>

#include "common/ui/colors.h"
#include "app/config_record.h"
#include "rx/ui/log_view.h"
#include "app/main_window.h"
#include "common/ui/text_codec.h"
#include "common/config_image.h"
#include "support/fakes.h"

using namespace vantrel;
using vantrel::test::FakeClock;
using vantrel::test::RecordingMessages;

namespace {

const char kAutoConnectWarning[] =
    "При включенном режиме AutoConnect в некоторых драйверах COM-порта возможны глюки!";

// One run of the program in a working directory that outlives it.
struct Run {
    FakeClock clock;
    RecordingMessages messages;
    std::unique_ptr<TForm1> form;

    Run() {
        FormServices s;
        s.clock = &clock;
        s.messages = &messages;
        s.listPorts = [] { return std::vector<std::string>{"COM1", "COM3"}; };
        s.runModal = [](QDialog&) { return 0; };
        s.sleep = [](int) {};
        s.cursorPos = [] { return QPoint(-1000, -1000); };
        s.chooseCommandFile = [] { return QString(); };
        form = std::make_unique<TForm1>(s);
    }
    // The normal close: true when the window accepted it.
    bool close() {
        form->show();
        return form->close();
    }
    bool shown(const char* text) const {
        for (const auto& e : messages.shown)
            if (e.text == text) return true;
        return false;
    }
};

QByteArray readFile(const QString& name) {
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& name, const QByteArray& bytes) {
    QFile f(name);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

QByteArray imageBytes(const ConfigImage& image) {
    const auto b = image.fileBytes();
    return QByteArray(reinterpret_cast<const char*>(b.data()), qsizetype(b.size()));
}

// A record a user could have left: valid in every field.
ConfigImage plausibleImage() {
    ConfigImage c;
    c.setPortName("COM3");
    c.setBaudIndex(3);
    c.setBitsIndex(3);
    c.setStopBitsIndex(0);
    c.setLogFontSize(8);
    c.setBackColor(0x00FFFFFF);
    c.setTextColor(0x00000000);
    c.setOutputMode(1);
    c.setSendModeCode(1);
    c.setPeriodMs(1000);
    c.setPacketTail("$0D");
    c.setShowNames(true);
    c.setCurrentList(1);
    return c;
}

QString checkedOf(std::initializer_list<QRadioButton*> group) {
    for (QRadioButton* b : group)
        if (b->isChecked()) return b->objectName().isEmpty() ? b->text() : b->objectName();
    return "none";
}

QString colorsOf(TForm1& f, bool background) {
    QStringList out;
    for (QWidget* w : std::initializer_list<QWidget*>{f.MainStrCmd, f.FastOldCmd, f.AddStrCmd, f.OldCmdList,
                                                      f.LBTail, f.MainWindow})
        out << QString::number(colorValue(w, background), 16);
    return out.join(' ');
}

// Everything the settings file carries, as the window shows it.
std::map<QString, QString> snapshot(TForm1& f) {
    return {
        {"ComPort", f.ComPort->currentText()},
        {"BaudRate", f.BaudRate->currentText()},
        {"ComBits", QString::number(f.ComBits->currentIndex())},
        {"ComStopBits", QString::number(f.ComStopBits->currentIndex())},
        {"AutoConnect", QString::number(f.AutoConnect->isChecked())},
        {"RxTimeout", QString::number(f.RxTimeoutMs()) + " / " + f.TimeOutAns->text()},
        {"FiltrLog", f.FiltrLog->text()},
        {"LogFontSize", QStringLiteral("%1 %2 %3")
                            .arg(f.LogFontSize)
                            .arg(f.MainWindow->font().pointSize())
                            .arg(f.SecondWindow->font().pointSize())},
        {"BackColor", colorsOf(f, true)},
        {"TextColor", colorsOf(f, false)},
        {"VisTime", QString::number(f.VisTime->isChecked())},
        {"OutputMode", checkedOf({f.RBASCII, f.RBHEX})},
        {"SendMode", checkedOf({f.RBManual, f.RBSel, f.RBAfterAns, f.RBPeriod})},
        {"PeriodTX", f.PeriodTX->text()},
        {"SendAsReconn", QString::number(f.SendAsReconn->isChecked())},
        {"MainStrCmd", f.MainStrCmd->text()},
        {"AddStrCmd", f.AddStrCmd->text()},
        {"ShowNames", checkedOf({f.RBName, f.RbData})},
        {"CurrentList", QString::number(f.CurrentList)},
    };
}

}  // namespace

class TestConfig : public QObject {
    Q_OBJECT
private slots:
    void init() {
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
        QDir::setCurrent(dir_->path());
    }
    void cleanup() {
        QDir::setCurrent(QDir::tempPath());
        dir_.reset();
    }

    void firstStartCreatesAZeroRecordThenSavesTheRealSettings() {
        QVERIFY(!QFile::exists(kConfigFileName));
        Run run;
        QCOMPARE(readFile(kConfigFileName), QByteArray(796, '\0'));
        QVERIFY(!run.shown(kAutoConnectWarning));
        QCOMPARE(run.form->ComBits->currentText(), QString("8"));
        QCOMPARE(run.form->AddStrCmd->text(), QString("$0D"));
        QVERIFY(run.form->RBManual->isChecked());
        run.form->ComPort->setEditText("COM3");
        run.form->BaudRate->setCurrentIndex(3);
        run.form->setRxTimeoutMs(10);
        QVERIFY(run.close());

        const QByteArray saved = readFile(kConfigFileName);
        QCOMPARE(saved.size(), 796);
        QCOMPARE(saved.left(16).toHex(' '), QByteArray("04 43 4f 4d 33 00 03 03 00 00 00 00 0a 00 00 00"));
        QCOMPARE(saved.mid(540, 4), QByteArray("\x03$0D"));  // the tail as the window had it
        // The command field starts on the button face with window text; the
        // next start must not repaint it in another colour.
        QCOMPARE(saved.mid(272, 8).toHex(' '), QByteArray("0f 00 00 ff 08 00 00 ff"));
    }

    // Every saved control set away from its initial value survives a restart.
    void wholeRecordRoundTrip() {
        std::map<QString, QString> initial, left;
        {
            Run run;
            TForm1& f = *run.form;
            initial = snapshot(f);
            f.ComPort->setEditText("/dev/serial/by-id/usb-FTDI_FT232R-if00-port0");
            f.BaudRate->setEditText("250000");
            f.ComBits->setCurrentIndex(1);
            f.ComStopBits->setCurrentIndex(2);
            f.AutoConnect->setChecked(true);
            f.setRxTimeoutMs(25);
            f.FiltrLog->setText("ERR");
            f.LogFontSize = 12;
            for (QWidget* w : std::initializer_list<QWidget*>{f.MainWindow, f.SecondWindow}) {
                QFont font = w->font();
                font.setPointSize(12);
                w->setFont(font);
            }
            for (QWidget* w : std::initializer_list<QWidget*>{f.MainStrCmd, f.FastOldCmd, f.AddStrCmd, f.OldCmdList,
                                                              f.LBTail, f.MainWindow})
                applyColorValue(w, 0x00203040, 0x00C0D0E0);
            f.VisTime->setChecked(true);
            f.RBHEX->setChecked(true);
            f.RBAfterAns->setChecked(true);
            f.PeriodTX->setText("250");
            f.SendAsReconn->setChecked(true);
            f.MainStrCmd->setText(QString::fromUtf8("привет, AT+GMR"));
            f.AddStrCmd->setText("0D 0A");
            f.RbData->setChecked(true);
            f.CurrentList = 7;
            left = snapshot(f);
            QVERIFY(run.close());
        }
        for (const auto& [name, value] : left)
            QVERIFY2(value != initial.at(name), qPrintable(name + " was not changed by the test"));

        Run again;
        const auto restored = snapshot(*again.form);
        for (const auto& [name, value] : left)
            QVERIFY2(restored.at(name) == value,
                     qPrintable(QStringLiteral("%1: left %2, restored %3").arg(name, value, restored.at(name))));
        QCOMPARE(colorValue(again.form->FiltrLog, true), colorvalue::kYellow);
        QCOMPARE(again.form->SriftText->text(), QString("12"));
    }

    void autoConnectSavedTickedWarnsAtStartUp() {
        ConfigImage c = plausibleImage();
        c.setAutoConnectOn(true);
        writeFile(kConfigFileName, imageBytes(c));
        Run run;
        QVERIFY(run.form->AutoConnect->isChecked());
        QVERIFY(run.shown(kAutoConnectWarning));
    }

    // Stored values the window cannot take as they are.
    void storedValuesAreAppliedWithinTheirBounds() {
        struct Case {
            const char* name;
            std::function<void(ConfigImage&)> change;
            bool bareRecord;  // the file cut to the 796-byte record
            std::function<void(TForm1&)> check;
        };
        int initialFont = 0;
        {
            Run reference;
            initialFont = reference.form->LogFontSize;
        }
        QVERIFY(initialFont >= 2 && initialFont <= 100);
        const auto fontKept = [&](TForm1& f) {
            QCOMPARE(f.LogFontSize, initialFont);
            QCOMPARE(f.MainWindow->font().pointSize(), initialFont);
            QCOMPARE(f.SriftText->text(), QString::number(initialFont));
        };
        const Case cases[] = {
            {"font size 0", [](ConfigImage& c) { c.setLogFontSize(0); }, false, fontKept},
            {"font size 150", [](ConfigImage& c) { c.setLogFontSize(150); }, false, fontKept},
            {"font size 100", [](ConfigImage& c) { c.setLogFontSize(100); }, false,
             [](TForm1& f) {
                 QCOMPARE(f.LogFontSize, 100);
                 QCOMPARE(f.SecondWindow->font().pointSize(), 100);
             }},
            {"list 0", [](ConfigImage& c) { c.setCurrentList(0); }, false,
             [](TForm1& f) { QCOMPARE(f.CurrentList, 1); }},
            {"list 101", [](ConfigImage& c) { c.setCurrentList(101); }, false,
             [](TForm1& f) { QCOMPARE(f.CurrentList, 1); }},
            {"list 100", [](ConfigImage& c) { c.setCurrentList(100); }, false,
             [](TForm1& f) { QCOMPARE(f.CurrentList, 100); }},
            {"negative time-out", [](ConfigImage& c) { c.setRxTimeoutMs(-40); }, false,
             [](TForm1& f) {
                 QCOMPARE(f.RxTimeoutMs(), 0);
                 QCOMPARE(f.TimeOutAns->text(), QString("TimeRX: 0"));
                 QVERIFY(colorValue(f.TimeOutAns, true) != colorvalue::kYellow);
             }},
            {"time-out 10", [](ConfigImage& c) { c.setRxTimeoutMs(10); }, false,
             [](TForm1& f) {
                 QCOMPARE(f.TimeOutAns->text(), QString("TimeRX: 10"));
                 QCOMPARE(colorValue(f.TimeOutAns, true), colorvalue::kYellow);
             }},
            {"HEX with a stored tail", [](ConfigImage& c) {
                 c.setOutputMode(2);
                 c.setPacketTail("$0A");
             }, false,
             [](TForm1& f) {
                 QVERIFY(f.RBHEX->isChecked());
                 QCOMPARE(f.AddStrCmd->text(), QString("$0A"));
             }},
            {"send mode 0", [](ConfigImage& c) { c.setSendModeCode(0); }, false,
             [](TForm1& f) { QVERIFY(f.RBManual->isChecked()); }},
            {"COM12 in a bare record", [](ConfigImage& c) { c.setPortName("COM12"); }, true,
             [](TForm1& f) { QCOMPARE(f.ComPort->currentText(), QString("COM1")); }},
            {"baud index out of the list", [](ConfigImage& c) { c.setBaudIndex(8); }, false,
             [](TForm1& f) { QCOMPARE(f.BaudRate->currentIndex(), -1); }},
            {"command line in Windows-1251", [](ConfigImage& c) { c.setCommandLine("\xCF\xF3\xF1\xEA"); }, false,
             [](TForm1& f) { QCOMPARE(f.MainStrCmd->text(), QString::fromUtf8("Пуск")); }},
        };
        for (const Case& k : cases) {
            ConfigImage c = plausibleImage();
            k.change(c);
            QByteArray bytes = imageBytes(c);
            if (k.bareRecord) bytes.truncate(796);
            writeFile(kConfigFileName, bytes);
            Run run;
            qInfo("case: %s", k.name);
            k.check(*run.form);
            if (QTest::currentTestFailed()) return;
        }
    }

    void longTextsAreSavedCutTo250() {
        {
            Run run;
            run.form->MainStrCmd->setText(QString(300, 'c'));
            run.form->AddStrCmd->setText(QString(260, 't'));
            QVERIFY(run.close());
        }
        const QByteArray saved = readFile(kConfigFileName);
        QCOMPARE(quint8(saved[289]), quint8(250));
        QCOMPARE(quint8(saved[540]), quint8(250));
        Run again;
        QCOMPARE(again.form->MainStrCmd->text(), QString(250, 'c'));
        QCOMPARE(again.form->AddStrCmd->text(), QString(250, 't'));
    }

    // A zero record (a start whose close never came), a short file and an
    // unreadable one all leave the window as a first start does; only the
    // zero record goes without a word.
    void unusableFilesKeepTheInitialState() {
        std::map<QString, QString> initial;
        {
            Run reference;  // no file at all
            initial = snapshot(*reference.form);
        }
        const struct {
            const char* name;
            std::function<void()> make;
            const char* told;
        } cases[] = {
            {"all zero", [] { writeFile(kConfigFileName, QByteArray(796, '\0')); }, nullptr},
            {"short", [] { writeFile(kConfigFileName, imageBytes(plausibleImage()).left(795)); },
             "Файл настроек ConfigTerminal повреждён: настройки взяты по умолчанию"},
            {"a directory", [] { QDir().mkdir(kConfigFileName); },
             "Файл настроек ConfigTerminal не читается: настройки взяты по умолчанию и не будут сохранены"},
        };
        for (const auto& k : cases) {
            QFile::remove(kConfigFileName);
            QDir().rmdir(kConfigFileName);
            k.make();
            Run run;
            QVERIFY2(snapshot(*run.form) == initial, k.name);
            QCOMPARE(run.messages.texts(), k.told ? std::vector<std::string>{k.told} : std::vector<std::string>{});
        }
    }

    void failedSaveIsReportedAndTheCloseGoesOn() {
        {
            Run first;  // creates the other files
            QVERIFY(first.close());
        }
        const QByteArray before = readFile(kConfigFileName);
        QVERIFY(QDir().mkdir(kConfigFileName + QStringLiteral(".tmp")));  // the new file cannot be written
        Run run;
        run.messages.shown.clear();
        QVERIFY(run.close());
        QVERIFY(!run.form->isVisible());
        QCOMPARE(run.messages.shown.size(), size_t(1));
        QCOMPARE(run.messages.shown[0].text, std::string("Не удалось сохранить настройки в файл ConfigTerminal"));
        QVERIFY(!run.messages.shown[0].detail.empty());
        QCOMPARE(readFile(kConfigFileName), before);
    }

private:
    std::unique_ptr<QTemporaryDir> dir_;
};

QTEST_MAIN(TestConfig)
#include "tst_config.moc"
