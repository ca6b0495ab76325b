// SPDX-License-Identifier: MIT
// Plays the real game in a real window with scripted keys and measures its pacing: the
// length of every title pass and match tick, and the processor load of every screen, once
// with our sleeping waits and once, in the same run, with busy polling: every wait
// spinning on the event queue.

#include "bench/pacing_host.h"
#include "bench/recorder.h"
#include "bench/report.h"
#include "game/frmmain.h"
#include "qthost/pictures.h"

#include <QApplication>
#include <QGuiApplication>
#include <QIcon>

#include <sys/prctl.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

// A game pad of the benchmark's own: a socket pair read by the game as a pad's device.
int plugPad(quorrax::PadWatch &pads, const std::string &name)
{
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, ends) != 0)
        return -1;
    quorrax::PadInfo info;
    info.caps.keys.set(BTN_SOUTH);
    info.ranges[ABS_X] = info.ranges[ABS_Y] = {-32768, 32767};
    info.identity = name;
    pads.add(ends[0], info, name);
    return ends[1];
}

// A process of its own sends 10 events of a trigger's axis, which steers nothing, every
// millisecond: 10,000 a second, as a pad gone wild would. It ends when the game does.
void flood(int fd)
{
    if (fd < 0 || fork() != 0)
        return;
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    input_event events[10] = {};
    for (int i = 0; i < 10; ++i)
        events[i] = {{}, EV_ABS, ABS_Z, i};
    timespec next{};
    clock_gettime(CLOCK_MONOTONIC, &next);
    while (send(fd, events, sizeof events, MSG_DONTWAIT | MSG_NOSIGNAL) > 0 || errno == EAGAIN) {
        next.tv_nsec += 1'000'000;
        if (next.tv_nsec >= 1'000'000'000)
            next.tv_nsec -= 1'000'000'000, ++next.tv_sec;
        clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
    }
    _exit(0);
}

} // namespace

int main(int argc, char *argv[])
{
    using namespace quorrax;
    const std::int64_t mainNs = bench::monotonicNs();
    // bench/run.sh starts the X server and names it, so that its share is counted too.
    const char *xServer = std::getenv("QUORRAX_BENCH_XSERVER_PID");
    const int xServerPid = xServer ? std::atoi(xServer) : 0;
    bench::setXServer(xServerPid);

    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::Round);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorrax"));
    QApplication::setWindowIcon(programIcon());

    // The high-score file goes to a scratch folder, never beside a real game.
    char folderTemplate[] = "/tmp/quorrax-pacing-XXXXXX";
    const char *made = mkdtemp(folderTemplate);
    if (!made) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string folder = std::string(made) + "/";

    bench::Plan ours;
    bench::Plan busy;
    busy.battleTicks = 0;
    busy.singleTicks = 600;
    constexpr std::int64_t timeLimitNs = 180'000'000'000;
    int status = 0;
    {
        bench::PacingHost host(folder, ours, busy, timeLimitNs);
        // The way of showing frames before the direct path, for comparison; two game pads
        // plugged in and left alone; a pad flooding the game with events.
        const std::vector<std::string> options(argv + 1, argv + argc);
        const auto given = [&options](const char *option) {
            return std::find(options.begin(), options.end(), option) != options.end();
        };
        if (given("--qt-painting"))
            host.gameWindow().view()->keepQtPainting();
        host.pads().watchFolder("/dev/input");
        std::vector<int> pads;
        if (given("--silent-pads"))
            pads = {plugPad(host.pads(), "silent pad 1"), plugPad(host.pads(), "silent pad 2")};
        if (given("--flooding-pad"))
            pads.push_back(plugPad(host.pads(), "flooding pad")), flood(pads.back());
        frmMain form(host);
        host.attach(form);
        try {
            form.Form_Load();
        } catch (const ProgramEnd &) {
        }
        host.recorder().finish();
        status = bench::report(host, mainNs, xServerPid);
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    return status;
}
