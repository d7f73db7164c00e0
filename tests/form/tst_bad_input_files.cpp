// The three files of the working directory cut short, padded, overwritten
// with random bytes or replaced by a folder, one at a time, through the real
// main window: what the user is told, that the other two files still load,
// and what is left on disk after a normal close.
#include <QDir>
#include <QFileInfo>

#include <functional>
#include <random>

#include "common/ui/text_codec.h"
#include "common/config_image.h"
#include "support/form_rig.h"

using namespace vantrel;
using namespace vantrel::test;

namespace {

using Entry = RecordingMessages::Entry;

const char kConfig[] = "ConfigTerminal";
const char kHistory[] = "OldCmd";
const char kMacros[] = "CmdConfig";

const std::string kConfigDamaged = "Файл настроек ConfigTerminal повреждён: настройки взяты по умолчанию";
const std::string kConfigUnreadable =
    "Файл настроек ConfigTerminal не читается: настройки взяты по умолчанию и не будут сохранены";
const std::string kHistoryUnreadable = "Файл истории OldCmd не читается: история команд пуста и не будет сохранена";
const std::string kAutoConnectWarning =
    "При включенном режиме AutoConnect в некоторых драйверах COM-порта возможны глюки!";
const std::string kIsFolder = "это папка, а не файл";

// What the user saved in an earlier run, one recognisable item per file.
const std::string kSavedMacroName = "\xD1\xEE\xF5\xF0\xE0\xED\xB8\xED\xED\xFB\xE9";  // "Сохранённый" in Windows-1251
const QString kSavedCommandLine = QStringLiteral("SAVEDCMD");
const QStringList kSavedHistory{QStringLiteral("OLD1"), QStringLiteral("OLD2")};

QByteArray randomBytes(qsizetype n, unsigned seed) {
    std::mt19937 gen(seed);
    QByteArray out(n, '\0');
    for (char& c : out) c = char(gen() & 0xFF);
    return out;
}

// The three files as an earlier run with user data would have left them.
void writeSavedFiles() {
    MacroStore macros;
    macros.SetCmdName(1, 1, kSavedMacroName);
    macros.SetCmdLine(1, 1, "SAVED");
    QVERIFY(macros.writeFile(kMacros).ok);

    SentHistory history;
    for (auto it = kSavedHistory.crbegin(); it != kSavedHistory.crend(); ++it) history.record(it->toStdString());
    const auto& img = history.image();
    FormRig::writeFile(kHistory, QByteArray(reinterpret_cast<const char*>(img.data()), qsizetype(img.size())));

    ConfigImage config;
    config.setPortName("COM3");
    config.setBaudIndex(3);
    config.setBitsIndex(3);
    config.setStopBitsIndex(0);
    config.setLogFontSize(9);
    config.setBackColor(0x00FFFFFF);
    config.setTextColor(0);
    config.setOutputMode(1);
    config.setSendModeCode(1);
    config.setPeriodMs(1000);
    config.setCommandLine(kSavedCommandLine.toStdString());
    config.setPacketTail("$0D");
    config.setShowNames(true);
    config.setCurrentList(1);
    QCOMPARE(writeConfigFile(kConfig, config), std::string());
}

bool macroShown(FormRig& rig) { return rig.text("Button1") == fromCp(kSavedMacroName); }
bool historyShown(FormRig& rig) { return rig.items("FastOldCmd") == kSavedHistory; }
bool settingsShown(FormRig& rig) {
    return rig.text("MainStrCmd") == kSavedCommandLine && rig.text("BaudRate") == QStringLiteral("9600");
}

QString describe(const std::vector<Entry>& shown) {
    QStringList out;
    for (const Entry& e : shown) out << QString::fromStdString(e.text + " | " + e.detail);
    return out.join(QStringLiteral("; "));
}

}  // namespace

class TestBadInputFiles : public QObject {
    Q_OBJECT
private slots:
    void oneDamagedFileAtATime_data();
    void oneDamagedFileAtATime();
    void randomSettingsNeverLeaveTheWindowUnusable();
    void aSecondDamagedStoreKeepsTheFirstOneKept();
};

void TestBadInputFiles::oneDamagedFileAtATime_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("damage");
    for (const char* file : {kConfig, kHistory, kMacros})
        for (const char* damage : {"cut in half", "padded", "random bytes", "a folder"})
            QTest::newRow(qPrintable(QStringLiteral("%1, %2").arg(file, damage))) << QString(file) << QString(damage);
}

void TestBadInputFiles::oneDamagedFileAtATime() {
    QFETCH(QString, file);
    QFETCH(QString, damage);
    FormRig rig({.start = false, .show = true});
    writeSavedFiles();
    if (QTest::currentTestFailed()) return;

    const QByteArray saved = FormRig::fileBytes(file);
    const QByteArray savedMacros = FormRig::fileBytes(kMacros);
    const QByteArray savedHistory = FormRig::fileBytes(kHistory);
    QByteArray damaged;
    if (damage == QLatin1String("cut in half")) damaged = saved.left(saved.size() / 2);
    if (damage == QLatin1String("padded")) damaged = saved + QByteArray(4096, char(0xA5));
    if (damage == QLatin1String("random bytes")) damaged = randomBytes(saved.size(), 7);
    if (damage == QLatin1String("a folder")) {
        QVERIFY(QFile::remove(file));
        QVERIFY(QDir().mkdir(file));
    } else {
        FormRig::writeFile(file, damaged);
    }

    rig.start();
    const std::vector<Entry> atStart = rig.messages.shown;

    // What the user is told, and that the two sound files were used all the same.
    std::vector<Entry> expected;
    const bool folder = damage == QLatin1String("a folder");
    if (file == QLatin1String(kConfig)) {
        QVERIFY(macroShown(rig));
        QVERIFY(historyShown(rig));
        if (folder) expected = {{kConfigUnreadable, kIsFolder}};
        if (damage == QLatin1String("cut in half"))
            expected = {{kConfigDamaged, "в файле 398 байт, а запись настроек занимает 796"}};
        if (damage == QLatin1String("random bytes") && damaged[9] != 0) expected = {{kAutoConnectWarning, ""}};
        // A padded file is still a whole record followed by bytes that are not read.
        QCOMPARE(settingsShown(rig), damage == QLatin1String("padded"));
    } else if (file == QLatin1String(kHistory)) {
        QVERIFY(macroShown(rig));
        QVERIFY(settingsShown(rig));
        if (folder) expected = {{kHistoryUnreadable, kIsFolder}};
        // Complete records are read; a short or long file is no reason to complain.
        if (damage == QLatin1String("cut in half") || damage == QLatin1String("padded")) QVERIFY(historyShown(rig));
        if (folder) QCOMPARE(rig.ctl<QListWidget>("FastOldCmd")->count(), 0);
    } else {
        QVERIFY(historyShown(rig));
        QVERIFY(settingsShown(rig));
        if (folder)
            expected = {{kMacroFileBadText, ""}, {kMacroSaveFailedText, kIsFolder}};
        else if (damage != QLatin1String("padded"))
            expected = {{kMacroFileBadText, std::string(kMacroFileKeptText) + kMacros + ".bak"}};
        QCOMPARE(macroShown(rig), damage == QLatin1String("padded"));
    }
    QVERIFY2(atStart.size() == expected.size(), qPrintable(describe(atStart)));
    for (std::size_t i = 0; i < expected.size(); ++i) {
        QCOMPARE(atStart[i].text, expected[i].text);
        QCOMPARE(atStart[i].detail, expected[i].detail);
    }

    // The program goes on: a normal close, with nothing more to say.
    QVERIFY(rig.form().close());
    QVERIFY2(rig.messages.shown.size() == atStart.size(), qPrintable(describe(rig.messages.shown)));
    rig.stop();

    // On disk: a folder is left alone, a damaged macro store is kept aside
    // whole, the other files hold what the window had.
    if (folder) {
        QVERIFY(QFileInfo(file).isDir());
        QVERIFY(!QFile::exists(file + QStringLiteral(".tmp")));
    } else if (file == QLatin1String(kMacros) && damage != QLatin1String("padded")) {
        QCOMPARE(FormRig::fileBytes(QStringLiteral("CmdConfig.bak")), damaged);
        QCOMPARE(QFileInfo(file).size(), qint64(macro_layout::kStoreSize));
    } else if (file == QLatin1String(kMacros)) {
        QCOMPARE(FormRig::fileBytes(file), damaged);  // the store is not written at close
    } else if (file == QLatin1String(kHistory)) {
        // Nothing was sent, so the whole image goes back as it was read.
        QCOMPARE(FormRig::fileBytes(file), (damaged + QByteArray(12800, '\0')).left(12800));
    }
    // The sound files: the store is never written at a close, and with nothing
    // sent the history goes back byte for byte.
    if (file != QLatin1String(kMacros)) QCOMPARE(FormRig::fileBytes(kMacros), savedMacros);
    if (file != QLatin1String(kHistory)) QCOMPARE(FormRig::fileBytes(kHistory), savedHistory);

    // The next start: the repaired files load without a word, and the sound
    // ones still hold the saved data.
    rig.messages.shown.clear();
    rig.start();
    std::vector<Entry> second = rig.messages.shown;
    std::erase_if(second, [](const Entry& e) { return e.text == kAutoConnectWarning; });
    if (folder) {
        QCOMPARE(second.size(), atStart.size());  // the folder is still in the way
    } else {
        QVERIFY2(second.empty(), qPrintable(describe(second)));
    }
    if (file != QLatin1String(kMacros)) QVERIFY(macroShown(rig));
    if (file != QLatin1String(kHistory)) QVERIFY(historyShown(rig));
    if (file != QLatin1String(kConfig)) QVERIFY(settingsShown(rig));
}

// Any 796 bytes are a record to the loader; whatever they hold, the window
// must come up with values it can work with, close normally and find its
// own file again at the next start.
void TestBadInputFiles::randomSettingsNeverLeaveTheWindowUnusable() {
    for (unsigned seed = 1; seed <= 8; ++seed) {
        FormRig rig({.start = false, .show = true});
        FormRig::writeFile(kConfig, randomBytes(796, seed * 7919));
        rig.start();
        QVERIFY(rig.logFontSize() >= 2 && rig.logFontSize() <= 100);
        QVERIFY(rig.currentList() >= 1 && rig.currentList() <= 100);
        QVERIFY(rig.rxTimeoutMs() >= 0);
        QCOMPARE(rig.text("SriftText"), QString::number(rig.logFontSize()));
        // The window still takes a command and answers the keyboard.
        rig.fill("MainStrCmd", QStringLiteral("typed"));
        rig.key("MainStrCmd", Qt::Key_Escape);
        QVERIFY(rig.text("MainStrCmd").isEmpty());
        QVERIFY(rig.form().close());
        for (const Entry& e : rig.messages.shown)
            QVERIFY2(e.text == kAutoConnectWarning || e.text == kMacroFileBadText, e.text.c_str());

        const ConfigReadResult written = readConfigFile(kConfig);
        QCOMPARE(written.status, ConfigReadStatus::Loaded);
        QCOMPARE(written.image.logFontSize(), rig.logFontSize());
        QCOMPARE(written.image.currentList(), rig.currentList());
    }
}

// A store damaged again later is kept under the next free name: nothing the
// user might still want is overwritten.
void TestBadInputFiles::aSecondDamagedStoreKeepsTheFirstOneKept() {
    FormRig rig({.start = false, .show = true});
    writeSavedFiles();
    const QByteArray first = FormRig::fileBytes(kMacros).left(1000);
    FormRig::writeFile(kMacros, first);
    rig.start();
    rig.stop();
    const QByteArray second = randomBytes(2000, 3);
    FormRig::writeFile(kMacros, second);
    rig.messages.shown.clear();
    rig.start();
    QCOMPARE(rig.messages.shown.size(), std::size_t(1));
    QCOMPARE(rig.messages.shown[0].detail, std::string(kMacroFileKeptText) + kMacros + ".bak2");
    QCOMPARE(FormRig::fileBytes(QStringLiteral("CmdConfig.bak")), first);
    QCOMPARE(FormRig::fileBytes(QStringLiteral("CmdConfig.bak2")), second);
}

QTEST_MAIN(TestBadInputFiles)
#include "tst_bad_input_files.moc"
