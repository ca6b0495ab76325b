#include "process.h"

#include <QFile>

#include <csignal>

#include <sys/prctl.h>

namespace quorrax::window {

namespace {

constexpr int politeStopMs = 3'000;

} // namespace

QString ToolResult::describe(const QString &what) const
{
    if (!finished)
        return what + QStringLiteral(" did not finish");
    return what + QStringLiteral(" exited with ") + QString::number(exitCode) + QStringLiteral(": ") +
           QString::fromLocal8Bit(err.trimmed());
}

ToolResult runTool(const QProcessEnvironment &environment, const QString &program, const QStringList &arguments,
                   int timeoutMs)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    ToolResult result;
    if (!process.waitForStarted(timeoutMs))
        return result;
    process.closeWriteChannel();
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(-1);
        return result;
    }
    result.finished = process.exitStatus() == QProcess::NormalExit;
    result.exitCode = process.exitCode();
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

ChildProcess::~ChildProcess()
{
    stop();
}

bool ChildProcess::start(const QString &program, const QStringList &arguments, const QProcessEnvironment &environment,
                         const QString &logFile, bool keepOutput, const QString &workingDirectory)
{
    m_logFile = logFile;
    m_process.setProcessEnvironment(environment);
    if (keepOutput) {
        m_process.setStandardErrorFile(logFile);
    } else {
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.setStandardOutputFile(logFile);
    }
    if (!workingDirectory.isEmpty())
        m_process.setWorkingDirectory(workingDirectory);
    m_process.setStandardInputFile(QProcess::nullDevice());
    // A test killed from outside (by a timeout, say) cannot clean up after itself: its
    // programs end with it instead of living on.
    m_process.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
    m_process.start(program, arguments);
    return m_process.waitForStarted(10'000);
}

bool ChildProcess::running()
{
    // Without an event loop QProcess learns of the program's end only inside a wait.
    if (m_process.state() != QProcess::NotRunning)
        m_process.waitForFinished(0);
    return m_process.state() != QProcess::NotRunning;
}

bool ChildProcess::waitForExit(int timeoutMs)
{
    if (m_process.state() == QProcess::NotRunning)
        return true;
    return m_process.waitForFinished(timeoutMs);
}

void ChildProcess::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(politeStopMs)) {
        m_process.kill();
        m_process.waitForFinished(-1);
    }
}

QString ChildProcess::log() const
{
    QFile file(m_logFile);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("(no log at ") + m_logFile + QStringLiteral(")");
    constexpr qint64 tail = 2'000;
    if (file.size() > tail)
        file.seek(file.size() - tail);
    return QString::fromLocal8Bit(file.readAll());
}

} // namespace quorrax::window
