// SPDX-License-Identifier: MIT
#include "qthost/signals.h"

#include <QCoreApplication>
#include <QSocketNotifier>

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
    static const bool registered = std::atexit(runLastSave) == 0;
    if (registered)
        g_lastSave = std::move(save);
}

} // namespace quorrax
