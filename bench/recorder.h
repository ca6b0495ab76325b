// SPDX-License-Identifier: MIT
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace quorrax::bench {

// Nanoseconds on the monotonic clock, and the processor time of the calling thread.
std::int64_t monotonicNs();
std::int64_t threadCpuNs();

// Processor time and wake-ups of the game (all of its threads) and of the X server, as the
// scheduler counts them: on-processor time from each thread's schedstat, which the kernel
// keeps to the nanosecond (utime and stime are sampled at the timer tick and miss most
// short wake-ups), and each thread's voluntary context switches, one per sleep.
struct Usage {
    std::int64_t gameNs = 0;
    std::int64_t xNs = 0;
    std::int64_t mainWakes = 0;   // the game's main thread
    std::int64_t helperWakes = 0; // the game's other threads (Qt's X event reader, ...)
    std::int64_t xWakes = 0;

    Usage &operator+=(const Usage &o);
    Usage operator-(const Usage &o) const;
};
// The X server is the process `xServerPid`, or left out when it is 0.
void setXServer(int xServerPid);
Usage usageNow();

// What one screen cost over all of its visits in one phase of the run.
struct ScreenFigures {
    std::vector<std::int32_t> counterMs; // pass lengths from the game's own counter readings
    std::vector<double> clockMs;         // the same passes on the nanosecond clock
    Usage used;
    std::int64_t wallNs = 0;
    int visits = 0;

    double percentOf(std::int64_t ns) const { return wallNs > 0 ? 100.0 * double(ns) / double(wallNs) : 0; }
    double gamePercent() const { return percentOf(used.gameNs); }
    double xPercent() const { return percentOf(used.xNs); }
    double cpuPercent() const { return percentOf(used.gameNs + used.xNs); }
};

// The screens of the run, in the order they are printed.
inline const std::vector<std::string> &screenOrder()
{
    static const std::vector<std::string> order = {"title",        "mode",  "countdown", "match Single",
                                                   "match Battle", "match", "result"};
    return order;
}

// Splits the run into screen visits and passes. The host feeds it what it sees at each
// of its calls; the recorder turns that into per-screen figures for the current phase.
class Recorder
{
public:
    // The phase whose figures are being collected (our waits, then the busy-polling ones).
    void setPhase(const std::string &phase) { m_phase = phase; }
    const std::string &phase() const { return m_phase; }

    enum class Seen { Nothing, NewScreen, NewPass };
    // The screen and the game's current TickStart, seen at a host call. `timed` is true on
    // the two screens whose passes are paced by the counter. A new visit of a timed screen
    // may begin with its first pass already under way.
    Seen observe(const std::string &screen, std::int32_t tickStart, bool timed);
    // The game read its counter: `value` at `ns`. A TickStart equal to the latest
    // reading was taken at that instant.
    void counterRead(std::uint32_t value, std::int64_t ns)
    {
        m_lastRead = value;
        m_lastReadNs = ns;
    }
    // Leaves what the benchmark's own checks and players cost out of the current visit.
    void leaveOut(const Usage &used, std::int64_t wallNs)
    {
        m_enteredUsage += used;
        m_enteredNs += wallNs;
    }
    // Ends the current visit and stops recording.
    void finish();

    const std::string &screen() const { return m_screen; }
    std::int64_t screenEnteredNs() const { return m_enteredNs; }
    int passesInVisit() const { return m_passesInVisit; }

    // Figures by phase, then by screen.
    const std::map<std::string, std::map<std::string, ScreenFigures>> &figures() const { return m_figures; }

private:
    void closeVisit(std::int64_t now);

    std::string m_phase = "ours";
    std::string m_screen;
    std::int64_t m_enteredNs = 0;
    Usage m_enteredUsage;
    bool m_havePass = false;
    std::int32_t m_lastTickStart = 0;
    std::int64_t m_lastTickNs = 0;
    int m_passesInVisit = 0;
    std::uint32_t m_lastRead = 0;
    std::int64_t m_lastReadNs = 0;
    bool m_finished = false;
    std::map<std::string, std::map<std::string, ScreenFigures>> m_figures;
};

// Order statistic of a sample by nearest rank, p in [0, 100]; 0 for an empty sample.
template <typename T>
double percentile(std::vector<T> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    auto rank = std::size_t(std::ceil(p / 100.0 * double(values.size())));
    rank = std::clamp<std::size_t>(rank, 1, values.size());
    return double(values[rank - 1]);
}

} // namespace quorrax::bench
