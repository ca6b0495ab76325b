#pragma once

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace quorrax::window {

// What a helper program (xdotool, xwininfo, import, ...) left behind.
struct ToolResult {
    bool finished = false; // false when it could not start or ran past its time
    int exitCode = -1;
    QByteArray out;
    QByteArray err;

    bool ok() const { return finished && exitCode == 0; }
    QString describe(const QString &what) const;
};

// Runs a helper to its end, killing it when it outlives `timeoutMs`.
ToolResult runTool(const QProcessEnvironment &environment, const QString &program, const QStringList &arguments,
                   int timeoutMs = 10'000);

// A program that runs beside the test (the X server, a window manager, the game) and is
// killed when the test lets go of it, however the test ends.
class ChildProcess
{
public:
    ChildProcess() = default;
    ChildProcess(const ChildProcess &) = delete;
    ChildProcess &operator=(const ChildProcess &) = delete;
    ~ChildProcess();

    // What the program prints goes to `logFile`, so that a chatty program never fills a pipe
    // nobody reads; with `keepOutput` its standard output stays readable through process().
    bool start(const QString &program, const QStringList &arguments, const QProcessEnvironment &environment,
               const QString &logFile, bool keepOutput = false, const QString &workingDirectory = {});
    bool running();

    // Waits for the program to end by itself. False if it is still running after `timeoutMs`.
    bool waitForExit(int timeoutMs);
    QProcess::ExitStatus exitStatus() const { return m_process.exitStatus(); }
    int exitCode() const { return m_process.exitCode(); }

    // Asks politely first, so that an X server removes its lock file, then insists.
    void stop();

    QProcess &process() { return m_process; }
    // The end of what the program printed, for a failure message.
    QString log() const;

private:
    QProcess m_process;
    QString m_logFile;
};

} // namespace quorrax::window
