// The settings file through the real main window: what a start applies, what
// a close writes, and that a restart finds everything as it was left.
#include <QDir>
#include <QFile>

#include <functional>
#include <map>
#include <memory>

#include "common/ui/colors.h"
#include "app/config_record.h"
#include "rx/ui/log_view.h"
#include "common/ui/text_codec.h"
#include "common/config_image.h"
#include "support/form_rig.h"

using namespace vantrel;
using vantrel::test::FormRig;

namespace {

const char kAutoConnectWarning[] =
    "При включенном режиме AutoConnect в некоторых драйверах COM-порта возможны глюки!";

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

QString checkedOf(FormRig& rig, std::initializer_list<const char*> group) {
    for (const char* name : group)
        if (rig.checked(name)) return name;
    return "none";
}

// The six controls the colour button paints.
const char* const kColoured[] = {"MainStrCmd", "FastOldCmd", "AddStrCmd", "OldCmdList", "LBTail", "MainWindow"};

QString colorsOf(FormRig& rig, bool background) {
    QStringList out;
    for (const char* name : kColoured) out << QString::number(colorValue(rig.ctl(name), background), 16);
    return out.join(' ');
}

// Everything the settings file carries, as the window shows it.
std::map<QString, QString> snapshot(FormRig& rig) {
    return {
        {"ComPort", rig.text("ComPort")},
        {"BaudRate", rig.text("BaudRate")},
        {"ComBits", QString::number(rig.ctl<QComboBox>("ComBits")->currentIndex())},
        {"ComStopBits", QString::number(rig.ctl<QComboBox>("ComStopBits")->currentIndex())},
        {"AutoConnect", QString::number(rig.checked("AutoConnect"))},
        {"RxTimeout", QString::number(rig.rxTimeoutMs()) + " / " + rig.text("TimeOutAns")},
        {"FiltrLog", rig.text("FiltrLog")},
        {"LogFontSize", QStringLiteral("%1 %2 %3")
                            .arg(rig.logFontSize())
                            .arg(rig.ctl<LogView>("MainWindow")->font().pointSize())
                            .arg(rig.ctl<QPlainTextEdit>("SecondWindow")->font().pointSize())},
        {"BackColor", colorsOf(rig, true)},
        {"TextColor", colorsOf(rig, false)},
        {"VisTime", QString::number(rig.checked("VisTime"))},
        {"OutputMode", checkedOf(rig, {"RBASCII", "RBHEX"})},
        {"SendMode", checkedOf(rig, {"RBManual", "RBSel", "RBAfterAns", "RBPeriod"})},
        {"PeriodTX", rig.text("PeriodTX")},
        {"SendAsReconn", QString::number(rig.checked("SendAsReconn"))},
        {"MainStrCmd", rig.text("MainStrCmd")},
        {"AddStrCmd", rig.text("AddStrCmd")},
        {"ShowNames", checkedOf(rig, {"RBName", "RbData"})},
        {"CurrentList", QString::number(rig.currentList())},
    };
}

}  // namespace

class TestConfig : public QObject {
    Q_OBJECT
private slots:
    void init() {
        rig_ = std::make_unique<FormRig>(test::RigOptions{.start = false});
        rig_->ports = {"COM1", "COM3"};
    }
    void cleanup() { rig_.reset(); }

    void firstStartCreatesAZeroRecordThenSavesTheRealSettings() {
        QVERIFY(!QFile::exists(kConfigFileName));
        run();
        QCOMPARE(FormRig::fileBytes(kConfigFileName), QByteArray(796, '\0'));
        QVERIFY(!shown(kAutoConnectWarning));
        QCOMPARE(rig_->text("ComBits"), QString("8"));
        QCOMPARE(rig_->text("AddStrCmd"), QString("$0D"));
        QVERIFY(rig_->checked("RBManual"));
        rig_->fill("ComPort", "COM3");
        rig_->select("BaudRate", 3);
        rig_->setRxTimeoutMs(10);
        QVERIFY(close());

        const QByteArray saved = FormRig::fileBytes(kConfigFileName);
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
            run();
            initial = snapshot(*rig_);
            rig_->fill("ComPort", "/dev/serial/by-id/usb-FTDI_FT232R-if00-port0");
            rig_->fill("BaudRate", "250000");
            rig_->select("ComBits", 1);
            rig_->select("ComStopBits", 2);
            rig_->check("AutoConnect");
            rig_->setRxTimeoutMs(25);
            rig_->fill("FiltrLog", "ERR");
            rig_->setLogFontSize(12);
            for (QWidget* w : {rig_->ctl("MainWindow"), rig_->ctl("SecondWindow")}) {
                QFont font = w->font();
                font.setPointSize(12);
                w->setFont(font);
            }
            for (const char* name : kColoured) applyColorValue(rig_->ctl(name), 0x00203040, 0x00C0D0E0);
            rig_->check("VisTime");
            rig_->check("RBHEX");
            rig_->check("RBAfterAns");
            rig_->fill("PeriodTX", "250");
            rig_->check("SendAsReconn");
            rig_->fill("MainStrCmd", QString::fromUtf8("привет, AT+GMR"));
            rig_->fill("AddStrCmd", "0D 0A");
            rig_->check("RbData");
            rig_->setCurrentList(7);
            left = snapshot(*rig_);
            QVERIFY(close());
        }
        for (const auto& [name, value] : left)
            QVERIFY2(value != initial.at(name), qPrintable(name + " was not changed by the test"));

        run();
        const auto restored = snapshot(*rig_);
        for (const auto& [name, value] : left)
            QVERIFY2(restored.at(name) == value,
                     qPrintable(QStringLiteral("%1: left %2, restored %3").arg(name, value, restored.at(name))));
        QCOMPARE(colorValue(rig_->ctl("FiltrLog"), true), colorvalue::kYellow);
        QCOMPARE(rig_->text("SriftText"), QString("12"));
    }

    void autoConnectSavedTickedWarnsAtStartUp() {
        ConfigImage c = plausibleImage();
        c.setAutoConnectOn(true);
        FormRig::writeFile(kConfigFileName, imageBytes(c));
        run();
        QVERIFY(rig_->checked("AutoConnect"));
        QVERIFY(shown(kAutoConnectWarning));
    }

    // Stored values the window cannot take as they are.
    void storedValuesAreAppliedWithinTheirBounds() {
        struct Case {
            const char* name;
            std::function<void(ConfigImage&)> change;
            bool bareRecord;  // the file cut to the 796-byte record
            std::function<void(FormRig&)> check;
        };
        run();
        const int initialFont = rig_->logFontSize();
        QVERIFY(initialFont >= 2 && initialFont <= 100);
        const auto fontKept = [&](FormRig& rig) {
            QCOMPARE(rig.logFontSize(), initialFont);
            QCOMPARE(rig.ctl<LogView>("MainWindow")->font().pointSize(), initialFont);
            QCOMPARE(rig.text("SriftText"), QString::number(initialFont));
        };
        const Case cases[] = {
            {"font size 0", [](ConfigImage& c) { c.setLogFontSize(0); }, false, fontKept},
            {"font size 150", [](ConfigImage& c) { c.setLogFontSize(150); }, false, fontKept},
            {"font size 100", [](ConfigImage& c) { c.setLogFontSize(100); }, false,
             [](FormRig& rig) {
                 QCOMPARE(rig.logFontSize(), 100);
                 QCOMPARE(rig.ctl<QPlainTextEdit>("SecondWindow")->font().pointSize(), 100);
             }},
            {"list 0", [](ConfigImage& c) { c.setCurrentList(0); }, false,
             [](FormRig& rig) { QCOMPARE(rig.currentList(), 1); }},
            {"list 101", [](ConfigImage& c) { c.setCurrentList(101); }, false,
             [](FormRig& rig) { QCOMPARE(rig.currentList(), 1); }},
            {"list 100", [](ConfigImage& c) { c.setCurrentList(100); }, false,
             [](FormRig& rig) { QCOMPARE(rig.currentList(), 100); }},
            {"negative time-out", [](ConfigImage& c) { c.setRxTimeoutMs(-40); }, false,
             [](FormRig& rig) {
                 QCOMPARE(rig.rxTimeoutMs(), 0);
                 QCOMPARE(rig.text("TimeOutAns"), QString("TimeRX: 0"));
                 QVERIFY(colorValue(rig.ctl("TimeOutAns"), true) != colorvalue::kYellow);
             }},
            {"time-out 10", [](ConfigImage& c) { c.setRxTimeoutMs(10); }, false,
             [](FormRig& rig) {
                 QCOMPARE(rig.text("TimeOutAns"), QString("TimeRX: 10"));
                 QCOMPARE(colorValue(rig.ctl("TimeOutAns"), true), colorvalue::kYellow);
             }},
            {"HEX with a stored tail", [](ConfigImage& c) {
                 c.setOutputMode(2);
                 c.setPacketTail("$0A");
             }, false,
             [](FormRig& rig) {
                 QVERIFY(rig.checked("RBHEX"));
                 QCOMPARE(rig.text("AddStrCmd"), QString("$0A"));
             }},
            {"send mode 0", [](ConfigImage& c) { c.setSendModeCode(0); }, false,
             [](FormRig& rig) { QVERIFY(rig.checked("RBManual")); }},
            {"COM12 in a bare record", [](ConfigImage& c) { c.setPortName("COM12"); }, true,
             [](FormRig& rig) { QCOMPARE(rig.text("ComPort"), QString("COM1")); }},
            {"baud index out of the list", [](ConfigImage& c) { c.setBaudIndex(8); }, false,
             [](FormRig& rig) { QCOMPARE(rig.ctl<QComboBox>("BaudRate")->currentIndex(), -1); }},
            {"command line in Windows-1251", [](ConfigImage& c) { c.setCommandLine("\xCF\xF3\xF1\xEA"); }, false,
             [](FormRig& rig) { QCOMPARE(rig.text("MainStrCmd"), QString::fromUtf8("Пуск")); }},
        };
        for (const Case& k : cases) {
            ConfigImage c = plausibleImage();
            k.change(c);
            QByteArray bytes = imageBytes(c);
            if (k.bareRecord) bytes.truncate(796);
            FormRig::writeFile(kConfigFileName, bytes);
            run();
            qInfo("case: %s", k.name);
            k.check(*rig_);
            if (QTest::currentTestFailed()) return;
        }
    }

    void longTextsAreSavedCutTo250() {
        run();
        rig_->fill("MainStrCmd", QString(300, 'c'));
        rig_->fill("AddStrCmd", QString(260, 't'));
        QVERIFY(close());
        const QByteArray saved = FormRig::fileBytes(kConfigFileName);
        QCOMPARE(quint8(saved[289]), quint8(250));
        QCOMPARE(quint8(saved[540]), quint8(250));
        run();
        QCOMPARE(rig_->text("MainStrCmd"), QString(250, 'c'));
        QCOMPARE(rig_->text("AddStrCmd"), QString(250, 't'));
    }

    // A zero record (a start whose close never came), a short file and an
    // unreadable one all leave the window as a first start does; only the
    // zero record goes without a word.
    void unusableFilesKeepTheInitialState() {
        run();  // no file at all
        const std::map<QString, QString> initial = snapshot(*rig_);
        rig_->stop();
        const struct {
            const char* name;
            std::function<void()> make;
            const char* told;
        } cases[] = {
            {"all zero", [] { FormRig::writeFile(kConfigFileName, QByteArray(796, '\0')); }, nullptr},
            {"short", [] { FormRig::writeFile(kConfigFileName, imageBytes(plausibleImage()).left(795)); },
             "Файл настроек ConfigTerminal повреждён: настройки взяты по умолчанию"},
            {"a directory", [] { QDir().mkdir(kConfigFileName); },
             "Файл настроек ConfigTerminal не читается: настройки взяты по умолчанию и не будут сохранены"},
        };
        for (const auto& k : cases) {
            QFile::remove(kConfigFileName);
            QDir().rmdir(kConfigFileName);
            k.make();
            run();
            QVERIFY2(snapshot(*rig_) == initial, k.name);
            QCOMPARE(rig_->messages.texts(), k.told ? std::vector<std::string>{k.told} : std::vector<std::string>{});
            rig_->stop();
        }
    }

    void failedSaveIsReportedAndTheCloseGoesOn() {
        run();  // creates the other files
        QVERIFY(close());
        const QByteArray before = FormRig::fileBytes(kConfigFileName);
        QVERIFY(QDir().mkdir(kConfigFileName + QStringLiteral(".tmp")));  // the new file cannot be written
        run();
        rig_->messages.shown.clear();
        QVERIFY(close());
        QVERIFY(!rig_->form().isVisible());
        QCOMPARE(rig_->messages.shown.size(), size_t(1));
        QCOMPARE(rig_->messages.shown[0].text, std::string("Не удалось сохранить настройки в файл ConfigTerminal"));
        QVERIFY(!rig_->messages.shown[0].detail.empty());
        QCOMPARE(FormRig::fileBytes(kConfigFileName), before);
    }

private:
    // One run of the program in the working directory, which outlives it.
    void run() {
        rig_->messages.shown.clear();
        rig_->start();
    }
    // The normal close: true when the window accepted it.
    bool close() {
        rig_->form().show();
        return rig_->form().close();
    }
    bool shown(const char* text) const {
        for (const auto& e : rig_->messages.shown)
            if (e.text == text) return true;
        return false;
    }

    std::unique_ptr<FormRig> rig_;
};

QTEST_MAIN(TestConfig)
#include "tst_config.moc"
