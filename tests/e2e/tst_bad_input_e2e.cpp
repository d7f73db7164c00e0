// The built program against a hostile working directory: files it may not
// read, a folder it may not write, a disk that fills up under the log file
// and under a macro save, and all three files damaged at once. Each run is
// driven by a script; the messages come on the error stream.
//
// Unreadable files and the read-only folder need an ordinary user, because
// root reads and writes through any permission: the program runs as "nobody"
// through setpriv. The full disk is a small tmpfs mounted in a mount
// namespace of this test's own (it vanishes with the process); without the
// right to mount, a file-size limit on the program stands in for it.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <optional>

#include "common/config_image.h"
#include "macros/macro_store.h"
#include "support/scripted_program.h"
#include "tools/pty_device.h"
#include "tx/history.h"

using namespace vantrel;
using vantrel::test::ScriptedProgram;

namespace {

constexpr uid_t kNobody = 65534;

bool g_ownMountNamespace = false;
QString g_noMountReason;  // why the full disk is played by a file-size limit

// A mount namespace whose mounts never reach the rest of the machine.
bool enterOwnMountNamespace() {
    if (::geteuid() != 0) {
        g_noMountReason = QStringLiteral("the test is not run as root");
        return false;
    }
    if (::unshare(CLONE_NEWNS) != 0) {
        g_noMountReason = QStringLiteral("no right to make a mount namespace (%1)").arg(qt_error_string(errno));
        return false;
    }
    if (::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
        g_noMountReason = errno == EINVAL ? QStringLiteral("/ is not a mount point here (a chroot)")
                                          : QStringLiteral("/ cannot be made private (%1)").arg(qt_error_string(errno));
        return false;
    }
    return true;
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(path));
    QCOMPARE(f.write(bytes), bytes.size());
}

QString m(const char* utf8) { return QString::fromUtf8(utf8); }

// The three files of a user who has worked with the program for a while.
void writeSavedFiles(const QDir& dir) {
    MacroStore macros;
    macros.SetCmdName(1, 1, "STATUS");
    macros.SetCmdLine(1, 1, "AT+STATUS?");
    QVERIFY(macros.writeFile(dir.filePath("CmdConfig").toStdString()).ok);

    SentHistory history;
    history.record("AT+RST");
    history.record("AT");
    const auto& img = history.image();
    writeAll(dir.filePath("OldCmd"), QByteArray(reinterpret_cast<const char*>(img.data()), qsizetype(img.size())));

    ConfigImage config;
    config.setPortName("COM3");
    config.setBaudIndex(7);
    config.setBitsIndex(3);
    config.setLogFontSize(9);
    config.setBackColor(0x00FFFFFF);
    config.setOutputMode(1);
    config.setSendModeCode(1);
    config.setPeriodMs(1000);
    config.setPacketTail("$0D");
    config.setShowNames(true);
    config.setCurrentList(1);
    QCOMPARE(writeConfigFile(dir.filePath("ConfigTerminal").toStdString(), config), std::string());
}

struct Snapshot {
    QByteArray macros, history, config;
    explicit Snapshot(const QDir& d)
        : macros(readAll(d.filePath("CmdConfig"))),
          history(readAll(d.filePath("OldCmd"))),
          config(readAll(d.filePath("ConfigTerminal"))) {}
};

struct RunOptions {
    bool asNobody = false;
    std::optional<rlim_t> fileSizeLimit;  // bytes
};

RunOptions asNobody() {
    RunOptions o;
    o.asNobody = true;
    return o;
}

// A small tmpfs on `dir` while it lives; unmounted at the end.
class SmallDisk {
public:
    SmallDisk(const QString& dir, qint64 bytes) : dir_(dir.toStdString()) {
        if (!g_ownMountNamespace) return;
        const std::string options = "size=" + std::to_string(bytes) + ",mode=0755";
        mounted_ = ::mount("tmpfs", dir_.c_str(), "tmpfs", 0, options.c_str()) == 0;
    }
    ~SmallDisk() {
        if (mounted_) ::umount2(dir_.c_str(), MNT_DETACH);
    }
    bool mounted() const { return mounted_; }

private:
    std::string dir_;
    bool mounted_ = false;
};

}  // namespace

class TestBadInputE2e : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void allThreeFilesDamagedAtOnce();
    void unreadableFilesAreReportedAndKept();
    void readOnlyWorkingDirectory();
    void firstStartInAReadOnlyDirectory();
    void diskFullUnderTheLogFile();
    void diskFullUnderAMacroSave();

private:
    // Runs the program in `workDir` with the script; waits for its end and returns its messages.
    QStringList run(const QString& workDir, const QString& script, const RunOptions& options = {});
    void prepare(ScriptedProgram& p, const RunOptions& options) const;

    QString nobodyExe_;
    QTemporaryDir scripts_;
    QString nobodyProblem_;
};

void TestBadInputE2e::initTestCase() {
    SKIP_WITHOUT_VANTREL_EXE();
    QVERIFY(scripts_.isValid());
    QVERIFY(QFile::setPermissions(scripts_.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                        QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                                        QFileDevice::ExeOther));
    // A copy the ordinary user can reach wherever the build tree lies.
    nobodyExe_ = scripts_.filePath("vantrel");
    QVERIFY(QFile::copy(ScriptedProgram::exe(), nobodyExe_));
    QVERIFY(QFile::setPermissions(nobodyExe_, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                  QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                                  QFileDevice::ExeOther));
    if (::geteuid() != 0) {
        nobodyProblem_ = "the test is not run as root";
    } else {
        QProcess probe;
        probe.start("setpriv", {"--reuid=65534", "--regid=65534", "--clear-groups", "test", "-x", nobodyExe_});
        const bool ran = probe.waitForFinished(10000);
        if (!ran || probe.exitStatus() != QProcess::NormalExit || probe.exitCode() != 0)
            nobodyProblem_ = "setpriv cannot run the program as nobody here: " +
                             (ran ? QString::fromLocal8Bit(probe.readAllStandardError()).trimmed() : probe.errorString());
    }
    if (!nobodyProblem_.isEmpty()) qInfo("runs as nobody skipped: %s", qPrintable(nobodyProblem_));
    qInfo("full disk: %s", g_ownMountNamespace ? "a small tmpfs in a mount namespace of the test"
                                               : qPrintable("a file-size limit stands in: " + g_noMountReason));
}

void TestBadInputE2e::prepare(ScriptedProgram& p, const RunOptions& options) const {
    if (options.fileSizeLimit) {
        const rlim_t limit = *options.fileSizeLimit;
        p.process.setChildProcessModifier([limit] {
            ::signal(SIGXFSZ, SIG_IGN);  // a refused write then fails with EFBIG, as a full disk fails
            rlimit r{limit, limit};
            ::setrlimit(RLIMIT_FSIZE, &r);
        });
    }
    if (options.asNobody) {
        p.program = "setpriv";
        p.args = {"--reuid=65534", "--regid=65534", "--clear-groups", nobodyExe_};
    }
}

QStringList TestBadInputE2e::run(const QString& workDir, const QString& script, const RunOptions& options) {
    ScriptedProgram p;
    prepare(p, options);
    if (!p.start(scripts_.path(), script, workDir)) {
        [&] { QFAIL(qPrintable(p.process.errorString())); }();
        return {};
    }
    [&] { QVERIFY2(p.finish(90000), qPrintable(p.said())); }();
    return p.messages();
}

// One run, every file damaged in its own way: each is reported on its own,
// and the program closes normally.
void TestBadInputE2e::allThreeFilesDamagedAtOnce() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QDir d(dir.path());
    writeSavedFiles(d);
    const QByteArray macros = readAll(d.filePath("CmdConfig"));
    QByteArray garbled = macros;  // list 50 without its validity mark
    garbled[qsizetype(49 * macro_layout::kRecordSize + macro_layout::kListMarkOffset)] ^= 0x5A;
    writeAll(d.filePath("CmdConfig"), garbled);
    QVERIFY(QFile::remove(d.filePath("OldCmd")));
    QVERIFY(d.mkdir("OldCmd"));
    writeAll(d.filePath("ConfigTerminal"), readAll(d.filePath("ConfigTerminal")).left(100));

    QCOMPARE(run(dir.path(), "wait 300\nclose\n"),
             (QStringList{m("Проблема с файлом конфигурации, он будет перезаписан | "
                            "Прежний файл сохранён под именем CmdConfig.bak"),
                          m("Файл истории OldCmd не читается: история команд пуста и не будет сохранена | "
                            "это папка, а не файл"),
                          m("Файл настроек ConfigTerminal повреждён: настройки взяты по умолчанию | "
                            "в файле 100 байт, а запись настроек занимает 796")}));
    QCOMPARE(readAll(d.filePath("CmdConfig.bak")), garbled);
    QCOMPARE(QFileInfo(d.filePath("CmdConfig")).size(), qint64(macro_layout::kStoreSize));
    QVERIFY(QFileInfo(d.filePath("OldCmd")).isDir());
    QCOMPARE(readConfigFile(d.filePath("ConfigTerminal").toStdString()).status, ConfigReadStatus::Loaded);
}

// Files the user may not read (permissions 000) in a folder of his own: the
// settings and the history are left exactly as they are; the macro store is
// moved aside whole and a new one takes its place.
void TestBadInputE2e::unreadableFilesAreReportedAndKept() {
    if (!nobodyProblem_.isEmpty()) QSKIP(qPrintable(nobodyProblem_));
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QDir d(dir.path());
    writeSavedFiles(d);
    const Snapshot before(d);
    for (const char* name : {"CmdConfig", "OldCmd", "ConfigTerminal"})
        QVERIFY(QFile::setPermissions(d.filePath(name), QFileDevice::Permissions()));
    QCOMPARE(::chown(QFile::encodeName(dir.path()).constData(), kNobody, gid_t(-1)), 0);

    QCOMPARE(run(dir.path(), "wait 300\nclose\n", asNobody()),
             (QStringList{m("Проблема с файлом конфигурации, он будет перезаписан | "
                            "Прежний файл сохранён под именем CmdConfig.bak"),
                          m("Файл истории OldCmd не читается: история команд пуста и не будет сохранена | "
                            "нет доступа"),
                          m("Файл настроек ConfigTerminal не читается: настройки взяты по умолчанию и не будут "
                            "сохранены | нет доступа")}));
    QCOMPARE(readAll(d.filePath("CmdConfig.bak")), before.macros);
    QCOMPARE(readAll(d.filePath("OldCmd")), before.history);
    QCOMPARE(readAll(d.filePath("ConfigTerminal")), before.config);
    QCOMPARE(QFileInfo(d.filePath("CmdConfig")).size(), qint64(macro_layout::kStoreSize));
}

// The user may read his files but not write in the folder: everything that
// would write says so, and every file stays as it was.
void TestBadInputE2e::readOnlyWorkingDirectory() {
    if (!nobodyProblem_.isEmpty()) QSKIP(qPrintable(nobodyProblem_));
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QDir d(dir.path());
    writeSavedFiles(d);
    const Snapshot before(d);
    QVERIFY(QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                  QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                                  QFileDevice::ExeOther));

    const QStringList said = run(dir.path(),
                                 "click StartLog\n"
                                 "click EditAllCmd\n"
                                 "text Edit1 CHANGED\n"
                                 "click SaveF\n"
                                 "click EditAllCmd\n"
                                 "text MainStrCmd typed\n"
                                 "close\n",
                                 asNobody());
    QCOMPARE(said.size(), 5);
    QVERIFY2(said[0].startsWith(m("Не удалось создать файл лога LOG_")) &&
                 said[0].endsWith(m(".txt | нет прав на запись")),
             qPrintable(said[0]));
    // The save button, then leaving the editor, each try once.
    QCOMPARE(said[1], m("Не удалось сохранить макросы в файл CmdConfig | нет доступа"));
    QCOMPARE(said[2], said[1]);
    QCOMPARE(said[3], m("Не удалось сохранить историю команд в файл OldCmd | нет доступа"));
    QCOMPARE(said[4], m("Не удалось сохранить настройки в файл ConfigTerminal | нет доступа"));

    const Snapshot after(d);
    QVERIFY(after.macros == before.macros);
    QCOMPARE(after.history, before.history);
    QCOMPARE(after.config, before.config);
    QCOMPARE(d.entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             (QStringList{"CmdConfig", "ConfigTerminal", "OldCmd"}));
}

void TestBadInputE2e::firstStartInAReadOnlyDirectory() {
    if (!nobodyProblem_.isEmpty()) QSKIP(qPrintable(nobodyProblem_));
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                  QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                                  QFileDevice::ExeOther));
    QCOMPARE(run(dir.path(), "wait 300\nclose\n", asNobody()),
             (QStringList{m("Проблема с файлом конфигурации, он будет перезаписан"),
                          m("Не удалось сохранить макросы в файл CmdConfig | нет доступа"),
                          m("Не удалось создать файл истории OldCmd: история команд не будет сохранена | нет доступа"),
                          m("Не удалось сохранить настройки в файл ConfigTerminal | нет доступа")}));
    QVERIFY(QDir(dir.path()).isEmpty());
}

// Lines keep arriving after the disk is full: the log file stops with one
// message, holds whole lines up to that point, and the window goes on.
void TestBadInputE2e::diskFullUnderTheLogFile() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    // Room for the three files and some 200 KB of log.
    const qint64 files = macro_layout::kStoreSize + 12800 + 796;
    SmallDisk disk(dir.path(), (files / 4096 + 4) * 4096 + 200 * 1024);
    const QDir d(dir.path());
    writeSavedFiles(d);
    const Snapshot before(d);
    RunOptions options;
    if (!disk.mounted()) options.fileSizeLimit = 200 * 1024;

    PtyDevice device;
    QVERIFY(device.open());
    ScriptedProgram program;
    prepare(program, options);
    QVERIFY2(program.start(scripts_.path(),
                           QStringLiteral("text ComPort %1\n"
                                          "click BTConnect\n"
                                          "click StartLog\n"
                                          "waitlog AFTER-FULL 60000\n"
                                          "wait 200\n"
                                          "close\n")
                               .arg(QString::fromStdString(device.slavePath())),
                           dir.path()),
             qPrintable(program.process.errorString()));

    // Connected and logging once the script waits for the log.
    QElapsedTimer started;
    started.start();
    while (!program.said().contains("vantrel: script: waitlog") && started.elapsed() < 30000 &&
           program.process.state() == QProcess::Running)
        program.process.waitForReadyRead(50);
    QVERIFY2(program.said().contains("vantrel: script: waitlog"), qPrintable(program.said()));

    // Lines until the log file gives up (after some 1,700 of them), then a few more.
    const QString failure = m("Не удалось записать строку в файл лога");
    QByteArray sent;
    QElapsedTimer t;
    t.start();
    int n = 0;
    while (!program.said().contains(failure) && t.elapsed() < 60000 && program.process.state() == QProcess::Running) {
        for (int k = 0; k < 20; ++k) {
            const QByteArray line = "LINE " + QByteArray::number(++n).rightJustified(6, '0') + " " +
                                    QByteArray(100, 'x') + "\r";
            QVERIFY(device.write(line.toStdString()));
            sent += line;
        }
        program.process.waitForReadyRead(5);
    }
    QVERIFY2(program.said().contains(failure), qPrintable(program.said()));
    for (int k = 0; k < 5 && program.process.state() == QProcess::Running; ++k) {
        device.write("AFTER-FULL\r");
        program.process.waitForFinished(200);
    }
    QVERIFY2(program.finish(60000), qPrintable(program.said()));

    const QStringList said = program.messages();
    QVERIFY2(!said.isEmpty(), qPrintable(program.said()));
    const QString fullText = disk.mounted() ? m("на диске нет места") : m("файл превысил допустимый размер");
    QVERIFY2(said[0].startsWith(m("Не удалось записать строку в файл лога LOG_")) &&
                 said[0].endsWith(m(".txt. Запись в файл приостановлена. | ") + fullText),
             qPrintable(said.join("\n")));
    if (disk.mounted()) {
        // Nothing is left for the two files written at close either; both say so and stay as they were.
        QCOMPARE(said.mid(1),
                 (QStringList{m("Не удалось сохранить историю команд в файл OldCmd | нет места на диске"),
                              m("Не удалось сохранить настройки в файл ConfigTerminal | нет места на диске")}));
    } else {
        QCOMPARE(said.size(), 1);
    }
    const Snapshot after(d);
    QVERIFY(after.macros == before.macros);
    QCOMPARE(after.history, before.history);
    if (disk.mounted()) QCOMPARE(after.config, before.config);

    // The log holds what came, in order and without a gap, up to where it
    // stopped (line ends aside: the packets fall where the pauses did).
    const QStringList logs = d.entryList({"LOG_*.txt"}, QDir::Files);
    QCOMPARE(logs.size(), 1);
    auto withoutLineEnds = [](QByteArray b) { return b.replace("\r", "").replace("\n", ""); };
    const QByteArray logged = withoutLineEnds(readAll(d.filePath(logs[0])));
    QVERIFY2(logged.size() > 100 * 1024, qPrintable(QString::number(logged.size())));
    const QByteArray stream = withoutLineEnds(sent);
    qsizetype same = 0;
    while (same < logged.size() && same < stream.size() && logged[same] == stream[same]) ++same;
    QVERIFY2(same == logged.size(), qPrintable(QStringLiteral("differs at %1 of %2: '%3' / '%4'")
                                                   .arg(same)
                                                   .arg(logged.size())
                                                   .arg(QString::fromLatin1(logged.mid(same - 20, 60)),
                                                        QString::fromLatin1(stream.mid(same - 20, 60)))));
}

// A macro save when the disk has room for the old store but not for a new
// copy: the old file stays whole, the program says so and goes on.
void TestBadInputE2e::diskFullUnderAMacroSave() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const qint64 files = macro_layout::kStoreSize + 12800 + 796;
    SmallDisk disk(dir.path(), (files / 4096 + 4) * 4096 + 1024 * 1024);
    const QDir d(dir.path());
    writeSavedFiles(d);
    const Snapshot before(d);
    RunOptions options;
    if (!disk.mounted()) options.fileSizeLimit = 4 * 1024 * 1024;

    const QStringList said = run(dir.path(),
                                 "click EditAllCmd\n"
                                 "text Edit1 CHANGED\n"
                                 "click SaveF\n"
                                 "click EditAllCmd\n"
                                 "close\n",
                                 options);
    const QString reason = disk.mounted() ? m("нет места на диске") : m("файл превысил допустимый размер");
    const QString failed = m("Не удалось сохранить макросы в файл CmdConfig | ") + reason;
    // The save button, then leaving the editor; the small files at close still fit.
    QCOMPARE(said, (QStringList{failed, failed}));
    QVERIFY(readAll(d.filePath("CmdConfig")) == before.macros);
    QVERIFY(!QFile::exists(d.filePath("CmdConfig.tmp")));
}

int main(int argc, char** argv) {
    // Before any thread exists: a namespace can only be entered by a process of one thread.
    g_ownMountNamespace = enterOwnMountNamespace();
    QCoreApplication app(argc, argv);
    TestBadInputE2e test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_bad_input_e2e.moc"
