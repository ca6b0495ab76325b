#include "bench/recorder.h"

#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>

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

// The on-processor nanoseconds (first field of schedstat) and voluntary context switches
// of one thread.
void addThread(const std::filesystem::path &task, std::int64_t &ns, std::int64_t &wakes)
{
    std::ifstream schedstat(task / "schedstat");
    std::int64_t run = 0;
    if (schedstat >> run)
        ns += run;
    std::ifstream status(task / "status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("voluntary_ctxt_switches:", 0) == 0) {
            wakes += std::stoll(line.substr(line.find(':') + 1));
            break;
        }
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
    namespace fs = std::filesystem;
    Usage u;
    std::error_code error;
    const std::string self = std::to_string(getpid());
    for (const auto &task : fs::directory_iterator("/proc/self/task", error)) {
        const bool main = task.path().filename() == self;
        addThread(task.path(), u.gameNs, main ? u.mainWakes : u.helperWakes);
    }
    if (xServerPid > 0) {
        for (const auto &task : fs::directory_iterator("/proc/" + std::to_string(xServerPid) + "/task", error))
            addThread(task.path(), u.xNs, u.xWakes);
    }
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
