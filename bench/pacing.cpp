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

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

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
        // The way of showing frames before the direct path, for comparison.
        if (argc > 1 && std::string(argv[1]) == "--qt-painting")
            host.gameWindow().view()->keepQtPainting();
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
