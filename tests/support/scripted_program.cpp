#include "support/scripted_program.h"

#include <QDir>
#include <QFile>

namespace vantrel::test {

QProcessEnvironment ScriptedProgram::offscreen() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    return env;
}

bool ScriptedProgram::start(const QString& scriptDir, const QString& script, QString workDir) {
    static int count = 0;
    const QString path = QDir(scriptDir).filePath(QStringLiteral("script%1.txt").arg(++count));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(script.toUtf8()) < 0) return false;
    f.close();
    // Readable by a program run as another user.
    f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadOther);
    env.insert(QStringLiteral("VANTREL_AUTOTEST"), path);
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(workDir.isEmpty() ? scriptDir : workDir);
    if (!stderrFile.isEmpty()) process.setStandardErrorFile(stderrFile);
    process.start(program, args);
    return started_ = process.waitForStarted(20000);
}

QString ScriptedProgram::said() {
    if (stderrFile.isEmpty()) {
        err_ += process.readAllStandardError();
    } else {
        QFile f(stderrFile);
        if (f.open(QIODevice::ReadOnly)) err_ = f.readAll();
    }
    return QString::fromUtf8(err_);
}

QStringList ScriptedProgram::messages() {
    static const QString prefix = QStringLiteral("vantrel: message: ");
    QStringList out;
    for (const QString& line : said().split(u'\n'))
        if (line.startsWith(prefix)) out << line.mid(prefix.size());
    return out;
}

bool ScriptedProgram::finish(int timeoutMs) {
    if (!started_) return false;
    const bool ended = process.state() == QProcess::NotRunning || process.waitForFinished(timeoutMs);
    if (!ended) process.kill();
    said();
    return ended && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

}  // namespace vantrel::test
