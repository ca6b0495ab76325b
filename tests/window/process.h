// SPDX-License-Identifier: MIT
#pragma once

#include <QProcess>

namespace quorrax::window {

// What a helper program (xdotool, import, ...) left behind.
struct ToolResult {
    bool finished = false; // false when it could not start or ran past its time
    int exitCode = -1;
    QByteArray out, err;

    bool ok() const { return finished && exitCode == 0; }
    QString describe(const QString &what) const;
};

// Runs a helper to its end, killing it when it outlives `timeoutMs`.
ToolResult runTool(const QProcessEnvironment &environment, const QString &program, const QStringList &arguments,
                   int timeoutMs = 10'000);

// A program beside the test (the X server, a window manager, the game), killed when the
// test lets go of it, however the test ends.
class ChildProcess
{
public:
    ChildProcess() = default;
    ChildProcess(const ChildProcess &) = delete;
    ChildProcess &operator=(const ChildProcess &) = delete;
    ~ChildProcess() { stop(); }

    // What it prints goes to `logFile`; with `keepOutput` its standard output stays
    // readable through process().
    bool start(const QString &program, const QStringList &arguments, const QProcessEnvironment &environment,
               const QString &logFile, bool keepOutput = false, const QString &workingDirectory = {});
    bool running();
    bool waitForExit(int timeoutMs); // false if it still runs after `timeoutMs`
    QProcess::ExitStatus exitStatus() const { return m_process.exitStatus(); }
    int exitCode() const { return m_process.exitCode(); }
    void stop(); // politely first, so that an X server removes its lock file, then for sure
    QProcess &process() { return m_process; }
    QString log() const; // the end of what it printed, for a failure message

private:
    QProcess m_process;
    QString m_logFile;
};

} // namespace quorrax::window
