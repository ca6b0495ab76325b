// SPDX-License-Identifier: MIT
#include "process.h"

#include <QFile>

#include <csignal>

#include <sys/prctl.h>

namespace quorrax::window {

QString ToolResult::describe(const QString &what) const
{
    return what + (finished
                       ? QStringLiteral(" exited with %1: %2").arg(exitCode).arg(QString::fromLocal8Bit(err.trimmed()))
                       : QStringLiteral(" did not finish"));
}

ToolResult runTool(const QProcessEnvironment &environment, const QString &program, const QStringList &arguments,
                   int timeoutMs)
{
    ChildProcess tool;
    tool.process().setProcessEnvironment(environment);
    tool.process().start(program, arguments);
    ToolResult result;
    if (tool.process().waitForStarted(timeoutMs) && (tool.process().closeWriteChannel(), tool.waitForExit(timeoutMs))) {
        result = {tool.exitStatus() == QProcess::NormalExit, tool.exitCode(), tool.process().readAllStandardOutput(),
                  tool.process().readAllStandardError()};
    }
    return result;
}

bool ChildProcess::start(const QString &program, const QStringList &arguments, const QProcessEnvironment &environment,
                         const QString &logFile, bool keepOutput, const QString &workingDirectory)
{
    m_logFile = logFile;
    m_process.setProcessEnvironment(environment);
    m_process.setProcessChannelMode(keepOutput ? QProcess::SeparateChannels : QProcess::MergedChannels);
    (keepOutput ? m_process.setStandardErrorFile(logFile) : m_process.setStandardOutputFile(logFile));
    m_process.setWorkingDirectory(workingDirectory);
    m_process.setStandardInputFile(QProcess::nullDevice());
    // A test killed from outside (by a timeout, say) takes its programs with it.
    m_process.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
    m_process.start(program, arguments);
    return m_process.waitForStarted(10'000);
}

// Without an event loop QProcess learns of the program's end only inside a wait.
bool ChildProcess::running()
{
    return !waitForExit(0);
}
bool ChildProcess::waitForExit(int timeoutMs)
{
    return m_process.state() == QProcess::NotRunning || m_process.waitForFinished(timeoutMs);
}

void ChildProcess::stop()
{
    if (m_process.state() != QProcess::NotRunning && (m_process.terminate(), !m_process.waitForFinished(3'000)))
        m_process.kill(), m_process.waitForFinished(-1);
}

QString ChildProcess::log() const
{
    QFile file(m_logFile);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("(no log at ") + m_logFile + QStringLiteral(")");
    file.seek(std::max<qint64>(0, file.size() - 2'000));
    return QString::fromLocal8Bit(file.readAll());
}

} // namespace quorrax::window
