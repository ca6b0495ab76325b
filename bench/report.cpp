// SPDX-License-Identifier: MIT
// What the pacing benchmark prints: the pass lengths, loads and wake-ups of every screen,
// for our waits and for busy polling, and the goals they meet.

#include "bench/report.h"

#include <QGuiApplication>

#include <sys/resource.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace quorrax::bench {

namespace {

// Milliseconds from the start of this process (its fork, as the kernel counts it in
// 10 ms steps) to the monotonic instant `ns`.
double msSinceProcessStart(std::int64_t ns)
{
    std::ifstream stat("/proc/self/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const auto close = text.rfind(')');
    if (close == std::string::npos)
        return -1;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    // Field 22 of the whole line is the 20th after the command name.
    for (int i = 0; i < 20 && fields >> field; ++i) {
    }
    const double startS = std::stod(field) / double(sysconf(_SC_CLK_TCK));
    timespec boot{};
    timespec mono{};
    clock_gettime(CLOCK_BOOTTIME, &boot);
    clock_gettime(CLOCK_MONOTONIC, &mono);
    // Both clocks run together except across a suspend, which a benchmark run has not.
    const double nowBootS = double(boot.tv_sec) + double(boot.tv_nsec) / 1e9;
    const double nowMonoS = double(mono.tv_sec) + double(mono.tv_nsec) / 1e9;
    return ((double(ns) / 1e9 - nowMonoS) + nowBootS - startS) * 1000.0;
}

std::string cpuModel()
{
    std::ifstream info("/proc/cpuinfo");
    for (std::string line; std::getline(info, line);) {
        if (line.rfind("model name", 0) == 0) {
            const auto colon = line.find(':');
            return colon == std::string::npos ? line : line.substr(colon + 2);
        }
    }
    return "unknown";
}

std::string loadAverage()
{
    std::ifstream load("/proc/loadavg");
    std::string one, five;
    load >> one >> five;
    return one + " (1 min), " + five + " (5 min)";
}

int floorMsOf(const std::string &screen)
{
    if (screen == "title")
        return 11;
    if (screen.rfind("match", 0) == 0)
        return 9;
    return 0;
}

ScreenFigures merged(const ScreenFigures &a, const ScreenFigures &b)
{
    ScreenFigures m = a;
    m.counterMs.insert(m.counterMs.end(), b.counterMs.begin(), b.counterMs.end());
    m.clockMs.insert(m.clockMs.end(), b.clockMs.begin(), b.clockMs.end());
    m.used += b.used;
    m.wallNs += b.wallNs;
    m.visits += b.visits;
    return m;
}

std::map<std::string, ScreenFigures> withMatchTotal(std::map<std::string, ScreenFigures> screens)
{
    screens["match"] = merged(screens["match Single"], screens["match Battle"]);
    return screens;
}

int shorterThanFloor(const ScreenFigures &f, int floorMs)
{
    int n = 0;
    for (const auto ms : f.counterMs)
        n += ms < floorMs ? 1 : 0;
    return n;
}

void printPhase(const char *title, const std::map<std::string, ScreenFigures> &screens)
{
    std::printf("\n%s\n", title);
    std::printf("%-13s %6s %6s | %21s | %24s | %5s | %7s\n", "screen", "visits", "passes", "counter ms: med p99 max",
                "clock ms: med    p99    max", "short", "time s");
    for (const auto &name : screenOrder()) {
        const auto it = screens.find(name);
        if (it == screens.end() || (it->second.visits == 0 && it->second.counterMs.empty()))
            continue;
        const ScreenFigures &f = it->second;
        const int floorMs = floorMsOf(name);
        if (floorMs > 0 && !f.counterMs.empty()) {
            std::printf("%-13s %6d %6zu | %9.0f %4.0f %5.0f | %10.3f %6.3f %6.3f | %5d | %7.2f\n", name.c_str(),
                        f.visits, f.counterMs.size(), percentile(f.counterMs, 50), percentile(f.counterMs, 99),
                        percentile(f.counterMs, 100), percentile(f.clockMs, 50), percentile(f.clockMs, 99),
                        percentile(f.clockMs, 100), shorterThanFloor(f, floorMs), double(f.wallNs) / 1e9);
        } else {
            std::printf("%-13s %6d %6s | %21s | %24s | %5s | %7.2f\n", name.c_str(), f.visits, "-", "-", "-", "-",
                        double(f.wallNs) / 1e9);
        }
    }
}

// Processor time and wake-ups per screen: the game, the X server, and both together; per
// pass on the two paced screens, per second everywhere.
void printLoad(const char *title, const std::map<std::string, ScreenFigures> &screens)
{
    std::printf("\n%s\n", title);
    std::printf("%-13s | %7s %7s %9s | %9s | %22s | %22s\n", "screen", "game %", "X %", "together%", "ms/pass",
                "wake-ups/pass: main  other  X", "wake-ups/s: main  other  X");
    for (const auto &name : screenOrder()) {
        const auto it = screens.find(name);
        if (it == screens.end() || it->second.wallNs == 0)
            continue;
        const ScreenFigures &f = it->second;
        const Usage &u = f.used;
        const double seconds = double(f.wallNs) / 1e9;
        std::printf("%-13s | %7.3f %7.3f %9.3f |", name.c_str(), f.gamePercent(), f.xPercent(), f.cpuPercent());
        const double passes = floorMsOf(name) > 0 ? double(f.counterMs.size()) : 0;
        if (passes > 0)
            std::printf(" %9.4f | %13.2f %6.2f %5.2f |", double(u.gameNs + u.xNs) / 1e6 / passes,
                        double(u.mainWakes) / passes, double(u.helperWakes) / passes, double(u.xWakes) / passes);
        else
            std::printf(" %9s | %13s %6s %5s |", "-", "-", "-", "-");
        std::printf(" %11.1f %6.1f %5.1f\n", double(u.mainWakes) / seconds, double(u.helperWakes) / seconds,
                    double(u.xWakes) / seconds);
    }
}

struct Goal {
    std::string text;
    bool met;
    std::string measured;
};

std::string fmt(const char *format, double value)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, value);
    return buffer;
}

void printHeader(PacingHost &host, int xServerPid)
{
    std::printf("Quorrax pacing benchmark\n");
    std::printf("platform %s, Qt %s, %u processors, %s\n", qPrintable(QGuiApplication::platformName()), qVersion(),
                std::thread::hardware_concurrency(), cpuModel().c_str());
    std::printf("load average at the end: %s\n", loadAverage().c_str());
    if (host.timedOut())
        std::printf("WARNING: the run hit its time limit; the figures cover what was played.\n");
    std::printf("how the field reaches the window: %s\n", host.presentPath());
    std::printf("the X server (pid %d) %s\n", xServerPid,
                xServerPid > 0 ? "is counted beside the game" : "is NOT counted: unknown");
    std::printf("Pass lengths are the differences of consecutive TickStart values (counter) and of the\n"
                "instants those readings were taken (clock). 'short' counts passes under 11 counter-ms\n"
                "on the title and under 9 in a match. Loads are on-processor time from schedstat of every\n"
                "thread, over wall time, in %% of one core; wake-ups are voluntary context switches.\n");
}

using Screens = std::map<std::string, ScreenFigures>;

// The loads of our waits and of busy polling side by side, and the goals for ours.
std::vector<Goal> loadGoals(const Screens &ours, const Screens &busy)
{
    std::printf("\nProcessor load, game and X server together, side by side\n%-13s %9s %10s %12s\n", "screen", "ours %",
                "busy %", "busy/ours");
    std::vector<Goal> goals;
    for (const std::string name : {"title", "mode", "countdown", "match", "result"}) {
        const double o = ours.count(name) ? ours.at(name).cpuPercent() : 0;
        const double d = busy.count(name) ? busy.at(name).cpuPercent() : 0;
        std::printf("%-13s %9.3f %10.2f %12.1f\n", name.c_str(), o, d, o > 0 ? d / o : 0);
        const double goal = name == "title" || name == "match" ? 1.3 : 0.1;
        goals.push_back(
            {"load on " + name + ", game + X server, <= " + fmt("%.1f", goal) + " %", o <= goal, fmt("%.3f %%", o)});
    }
    if (ours.count("match") && !ours.at("match").counterMs.empty()) {
        const ScreenFigures &m = ours.at("match");
        const double perTick = double(m.used.gameNs + m.used.xNs) / 1e6 / double(m.counterMs.size());
        goals.push_back({"match, game + X server, <= 0.12 ms per tick", perTick <= 0.12, fmt("%.4f ms", perTick)});
    }
    return goals;
}

// Ticks of 9 ms and title passes of 11, never shorter.
std::vector<Goal> pacingGoals(const Screens &ours)
{
    const ScreenFigures &match = ours.at("match");
    const ScreenFigures &title = ours.count("title") ? ours.at("title") : ScreenFigures{};
    const double matchMedian = percentile(match.clockMs, 50);
    const double titleMedian = percentile(title.clockMs, 50);
    return {
        {"match tick median 9.0 ms (+-0.1)", std::abs(matchMedian - 9.0) <= 0.1, fmt("%.3f ms", matchMedian)},
        {"match tick 99th percentile <= 10.5 ms", percentile(match.clockMs, 99) <= 10.5,
         fmt("%.3f ms", percentile(match.clockMs, 99))},
        {"no match tick under 9 counter-ms", !match.counterMs.empty() && shorterThanFloor(match, 9) == 0,
         fmt("%.0f short", shorterThanFloor(match, 9))},
        {"title pass median 11.0 ms (+-0.1)", std::abs(titleMedian - 11.0) <= 0.1, fmt("%.3f ms", titleMedian)},
        {"no title pass under 11 counter-ms", !title.counterMs.empty() && shorterThanFloor(title, 11) == 0,
         fmt("%.0f short", shorterThanFloor(title, 11))},
    };
}

// The start-up, the memory and what reached the screen.
std::vector<Goal> programGoals(PacingHost &host, std::int64_t mainNs)
{
    const double startupMs = host.firstTitleFrameNs() ? msSinceProcessStart(host.firstTitleFrameNs()) : -1;
    const double fromMainMs = host.firstTitleFrameNs() ? double(host.firstTitleFrameNs() - mainNs) / 1e6 : -1;
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const double peakMb = double(usage.ru_maxrss) / 1024.0;
    std::printf("\nStart-up to the first title frame on screen: %.1f ms from process start "
                "(kernel's 10 ms steps), %.1f ms from main()\n",
                startupMs, fromMainMs);
    std::printf("Peak resident memory: %.1f MB\n", peakMb);
    std::printf("Frames compared with the screen: %d, pixels differing: %lld\n", host.framesChecked(),
                static_cast<long long>(host.pixelsDiffering()));
    return {
        {"start-up to first title frame <= 200 ms", startupMs >= 0 && startupMs <= 200, fmt("%.1f ms", startupMs)},
        {"peak resident memory <= 40 MB", peakMb <= 40, fmt("%.1f MB", peakMb)},
        {"what the player sees is the back buffer", host.framesChecked() > 0 && host.pixelsDiffering() == 0,
         fmt("%.0f pixels differ", double(host.pixelsDiffering()))},
    };
}

} // namespace

int report(PacingHost &host, std::int64_t mainNs, int xServerPid)
{
    const auto &figures = host.recorder().figures();
    const Screens ours = withMatchTotal(figures.count("ours") ? figures.at("ours") : Screens{});
    const Screens busy = withMatchTotal(figures.count("busy") ? figures.at("busy") : Screens{});
    printHeader(host, xServerPid);
    printPhase("Our waits", ours);
    printLoad("Our waits: processor load and wake-ups", ours);
    printPhase("Busy polling: every wait spinning on the event queue (same run, same window)", busy);
    printLoad("Busy polling: processor load and wake-ups", busy);

    std::vector<Goal> goals = pacingGoals(ours);
    for (const auto &more : {loadGoals(ours, busy), programGoals(host, mainNs)})
        goals.insert(goals.end(), more.begin(), more.end());
    std::printf("\nGoals\n");
    int missed = 0;
    for (const auto &goal : goals) {
        std::printf("  [%s] %-52s %s\n", goal.met ? "met " : "MISS", goal.text.c_str(), goal.measured.c_str());
        missed += goal.met ? 0 : 1;
    }
    std::printf("%d of %zu goals met (one more, the tick's composition, is measured by quorrax_tick_bench)\n",
                int(goals.size()) - missed, goals.size());
    return 0;
}

} // namespace quorrax::bench
