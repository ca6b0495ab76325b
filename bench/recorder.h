#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace quorrax::bench {

// Nanoseconds on the monotonic clock, and the processor time of the whole process
// (every thread, so the window system's helper threads count too).
std::int64_t monotonicNs();
std::int64_t processCpuNs();

// What one screen cost over all of its visits in one phase of the run.
struct ScreenFigures {
    std::vector<std::int32_t> counterMs; // pass lengths from the game's own counter readings
    std::vector<double> clockMs;         // the same passes on the nanosecond clock
    std::int64_t cpuNs = 0;
    std::int64_t wallNs = 0;
    int visits = 0;

    double cpuPercent() const { return wallNs > 0 ? 100.0 * double(cpuNs) / double(wallNs) : 0; }
};

// The screens of the run, in the order they are printed.
inline const std::vector<std::string> &screenOrder()
{
    static const std::vector<std::string> order = {"title", "mode", "countdown", "match Single", "match Battle",
                                                   "match", "result"};
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
    // Leaves time spent on the benchmark's own checks out of the current visit.
    void leaveOut(std::int64_t cpuNs, std::int64_t wallNs)
    {
        m_enteredCpuNs += cpuNs;
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
    std::int64_t m_enteredCpuNs = 0;
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
template <typename T> double percentile(std::vector<T> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    auto rank = std::size_t(std::ceil(p / 100.0 * double(values.size())));
    rank = std::clamp<std::size_t>(rank, 1, values.size());
    return double(values[rank - 1]);
}

} // namespace quorrax::bench
