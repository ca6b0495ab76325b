// SPDX-License-Identifier: MIT
#include "qthost/signals.h"

#include "game/host.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QString>
#include <QtGlobal>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

namespace quorrax {

namespace {

int signalPipe[2] = {-1, -1};

std::function<void()> g_lastSave;

void runLastSave()
{
    if (const std::function<void()> save = std::exchange(g_lastSave, nullptr))
        save();
}

void onTerminationSignal(int)
{
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = write(signalPipe[1], &byte, 1);
    errno = saved;
}

QtMessageHandler g_qtMessages = nullptr;

// Qt's Wayland plugin ends the program at once (_exit, past every hook at exit) when its
// connection to the compositor breaks: the compositor ended, as at a logout, or crashed. Its
// warning just before, from whichever of Qt's threads saw it first, is the last thing the
// program hears of it: the score is saved there and the program ends with status 1, as when
// the X server goes away. A second thread that sees it waits for the end.
void endWhenWaylandBreaks(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (g_qtMessages)
        g_qtMessages(type, context, text);
    if (type != QtWarningMsg || !text.startsWith(QLatin1String("The Wayland connection")))
        return;
    static std::atomic_flag ending;
    while (ending.test_and_set())
        pause();
    runLastSave();
    std::_Exit(exitFailure);
}

} // namespace

void watchTerminationSignals(std::function<void()> onSignal)
{
    if (pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        std::perror("quorrax: cannot watch for termination signals");
        return;
    }
    // The application owns it, so that it goes when the application does.
    auto *notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [onSignal = std::move(onSignal)] {
        char bytes[16];
        while (read(signalPipe[0], bytes, sizeof bytes) > 0) {
        }
        onSignal();
    });

    struct sigaction action {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);
}

void saveAtAnyExit(std::function<void()> save)
{
    static const bool registered =
        std::atexit(runLastSave) == 0 && (g_qtMessages = qInstallMessageHandler(endWhenWaylandBreaks), true);
    if (registered)
        g_lastSave = std::move(save);
}

} // namespace quorrax
