#pragma once
// The built program run by a script in a directory of the test's choosing.
#include <QProcess>
#include <QString>
#include <QStringList>

namespace vantrel::test {

class ScriptedProgram {
public:
    static QString exe() { return qEnvironmentVariable("VANTREL_EXE"); }

    // Writes `script` into `scriptDir` (a new file each start) and starts the
    // program in `workDir`, by default the same directory.
    bool start(const QString& scriptDir, const QString& script, QString workDir = {});
    // Standard error so far.
    QString said();
    // The texts of the "vantrel: message: " lines so far.
    QStringList messages();
    // Waits for the end (kills a program that overstays); whether it ended normally with code 0.
    bool finish(int timeoutMs);

    QProcess process;
    QString program = exe();
    QStringList args;
    QProcessEnvironment env = offscreen();
    QString stderrFile;  // stderr into this file, not a pipe that fills while the test does not read it

private:
    static QProcessEnvironment offscreen();
    QByteArray err_;
    bool started_ = false;
};

}  // namespace vantrel::test

#define SKIP_WITHOUT_VANTREL_EXE() \
    if (vantrel::test::ScriptedProgram::exe().isEmpty()) QSKIP("VANTREL_EXE is not set")
