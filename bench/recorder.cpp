// SPDX-License-Identifier: MIT
#include "bench/recorder.h"

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <map>
#include <string>

#include <fcntl.h>
#include <unistd.h>

namespace quorrax::bench {

namespace {

std::int64_t clockNs(clockid_t clock)
{
    timespec ts{};
    clock_gettime(clock, &ts);
    return std::int64_t(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

} // namespace

std::int64_t monotonicNs()
{
    return clockNs(CLOCK_MONOTONIC);
}

std::int64_t threadCpuNs()
{
    return clockNs(CLOCK_THREAD_CPUTIME_ID);
}

namespace {

int xServerPid = 0;

// One thread's counters, read through files kept open: a snapshot costs a few reads, not
// a few dozen opens, so the benchmark itself adds little to what it measures. A thread
// that has ended keeps its last counts, so that sums never go back.
struct ThreadCounters {
    int schedstat = -1;
    int status = -1;
    std::int64_t ns = 0;
    std::int64_t wakes = 0;

    void read()
    {
        char text[4096];
        ssize_t n = pread(schedstat, text, sizeof text - 1, 0);
        if (n > 0) {
            text[n] = 0;
            ns = std::strtoll(text, nullptr, 10);
        }
        n = pread(status, text, sizeof text - 1, 0);
        if (n > 0) {
            text[n] = 0;
            if (const char *at = std::strstr(text, "\nvoluntary_ctxt_switches:"))
                wakes = std::strtoll(at + 25, nullptr, 10);
        }
    }
};

std::map<std::string, ThreadCounters> threads; // by /proc path of the thread

// Adds up the threads of the process whose task folder is `tasks`; the thread named
// `mainTid` counts apart.
void addProcess(const std::string &tasks, const std::string &mainTid, std::int64_t &ns, std::int64_t &mainWakes,
                std::int64_t &otherWakes)
{
    std::error_code error;
    for (const auto &task : std::filesystem::directory_iterator(tasks, error)) {
        ThreadCounters &t = threads[task.path().string()];
        if (t.schedstat < 0) {
            t.schedstat = open((task.path() / "schedstat").c_str(), O_RDONLY | O_CLOEXEC);
            t.status = open((task.path() / "status").c_str(), O_RDONLY | O_CLOEXEC);
        }
    }
    for (auto &[path, t] : threads) {
        if (path.rfind(tasks, 0) != 0)
            continue;
        t.read();
        ns += t.ns;
        (path.substr(tasks.size() + 1) == mainTid ? mainWakes : otherWakes) += t.wakes;
    }
}

} // namespace

Usage &Usage::operator+=(const Usage &o)
{
    gameNs += o.gameNs;
    xNs += o.xNs;
    mainWakes += o.mainWakes;
    helperWakes += o.helperWakes;
    xWakes += o.xWakes;
    return *this;
}

Usage Usage::operator-(const Usage &o) const
{
    return {gameNs - o.gameNs, xNs - o.xNs, mainWakes - o.mainWakes, helperWakes - o.helperWakes, xWakes - o.xWakes};
}

void setXServer(int pid)
{
    xServerPid = pid;
}

Usage usageNow()
{
    // What the snapshots themselves cost the game is left out of every figure.
    static std::int64_t snapshotsNs = 0;
    const std::int64_t start = threadCpuNs();
    Usage u;
    const std::string self = std::to_string(getpid());
    addProcess("/proc/" + self + "/task", self, u.gameNs, u.mainWakes, u.helperWakes);
    if (xServerPid > 0) {
        const std::string x = std::to_string(xServerPid);
        addProcess("/proc/" + x + "/task", x, u.xNs, u.xWakes, u.xWakes);
    }
    u.gameNs -= snapshotsNs;
    snapshotsNs += threadCpuNs() - start;
    return u;
}

Recorder::Seen Recorder::observe(const std::string &screen, std::int32_t tickStart, bool timed)
{
    if (m_finished)
        return Seen::Nothing;
    const std::int64_t now = monotonicNs();
    if (screen != m_screen) {
        closeVisit(now);
        m_screen = screen;
        m_enteredNs = now;
        m_enteredUsage = usageNow();
        m_lastTickStart = tickStart;
        // The match is first seen after its first pass took its stamp; the title is first
        // seen while TickStart still holds the last stamp of the screen before.
        m_havePass = timed && std::uint32_t(tickStart) == m_lastRead;
        m_lastTickNs = m_lastReadNs;
        m_passesInVisit = m_havePass ? 1 : 0;
        return Seen::NewScreen;
    }
    if (!timed || tickStart == m_lastTickStart)
        return Seen::Nothing;
    // The stamp is the game's latest counter reading; its nanosecond instant is known.
    const std::int64_t ns = std::uint32_t(tickStart) == m_lastRead ? m_lastReadNs : now;
    if (m_havePass) {
        ScreenFigures &f = m_figures[m_phase][m_screen];
        f.counterMs.push_back(std::int32_t(std::uint32_t(tickStart) - std::uint32_t(m_lastTickStart)));
        f.clockMs.push_back(double(ns - m_lastTickNs) / 1e6);
    }
    m_havePass = true;
    m_lastTickStart = tickStart;
    m_lastTickNs = ns;
    ++m_passesInVisit;
    return Seen::NewPass;
}

void Recorder::closeVisit(std::int64_t now)
{
    if (m_screen.empty())
        return;
    ScreenFigures &f = m_figures[m_phase][m_screen];
    f.used += usageNow() - m_enteredUsage;
    f.wallNs += now - m_enteredNs;
    ++f.visits;
}

void Recorder::finish()
{
    if (m_finished)
        return;
    closeVisit(monotonicNs());
    m_screen.clear();
    m_finished = true;
}

} // namespace quorrax::bench
