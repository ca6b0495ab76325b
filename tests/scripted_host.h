#pragma once

#include "shell/frmmain.h"
#include "shell/host.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace quorrax::testing {

// Thrown when a script has nothing left to deliver while the game waits for an event,
// or when its time limit is reached: the natural end of a scripted run.
struct ScriptEnd {};

// A host with a virtual millisecond clock, a fixed random seed, and keys, menu commands
// and a close request delivered at given times or when a condition on the game holds.
// Whole screens and matches run headless, deterministic and fast.
class ScriptedHost : public Host
{
public:
    enum class Kind { Key, Ime, Help, About, Close };
    struct Event {
        Kind kind = Kind::Key;
        Integer key = 0;
        std::uint32_t at = 0;                      // delivered at the first yield at or past this time
        std::function<bool(const frmMain &)> when; // or at the first yield where this holds
    };

    explicit ScriptedHost(std::uint32_t startTick = 1'000'000, std::uint64_t seed = 1);

    void bind(frmMain &form) { m_form = &form; }

    // Script building.
    void keyAt(std::uint32_t at, Integer key) { m_events.push_back({Kind::Key, key, at, {}}); }
    void keyWhen(std::function<bool(const frmMain &)> when, Integer key)
    {
        m_events.push_back({Kind::Key, key, 0, std::move(when)});
    }
    void eventWhen(Kind kind, std::function<bool(const frmMain &)> when)
    {
        m_events.push_back({kind, 0, 0, std::move(when)});
    }
    void eventAt(Kind kind, std::uint32_t at) { m_events.push_back({kind, 0, at, {}}); }

    // How long a dialog or message box stays open, in virtual milliseconds.
    std::uint32_t modalHoldMs = 0;
    // How much virtual time one yield takes (the work of a pass).
    std::uint32_t yieldCostMs = 0;
    // The run ends (ScriptEnd) when the clock has advanced this far.
    std::uint64_t timeLimitMs = 60ull * 60 * 1000;
    // Text costs real time; long runs may leave it out.
    bool drawText = true;
    std::string folder = "/nonexistent/";

    // Called on every Refresh, with the game as it stands.
    std::function<void(frmMain &)> onRefresh;

    // Every text printed, with where and how.
    struct Printed {
        std::string text;
        int x = 0;
        int y = 0;
        double points = 0;
        Color color = 0;
        std::uint32_t at = 0;
    };
    bool recordPrints = true;
    std::vector<Printed> prints;

    // Sets the time of day, in milliseconds since midnight, for the countdown.
    void setTimeOfDay(std::uint64_t ms) { m_wallMs = ms - m_elapsed; }

    // What happened.
    std::uint64_t yields = 0;
    std::uint64_t refreshes = 0;
    std::vector<std::string> messageBoxes;
    std::vector<Kind> dialogsShown;
    std::uint32_t now() const { return m_now; }
    std::uint64_t elapsedMs() const { return m_elapsed; }

    std::uint32_t timeGetTime() override { return m_now; }
    int secondOfMinute() override;
    void Randomize() override {}
    double Rnd() override;
    void DoEvents() override;
    void idleUntil(std::uint32_t tick) override;
    void idleUntilSecondChanges(int second) override;
    void idleUntilEvent() override;
    std::string appPath() override { return folder; }
    Surface picture(Picture which) override;
    void setClientSize(int, int) override {}
    void Show() override {}
    void Refresh() override;
    int Print(Surface &target, int x, int y, std::string_view text, double points, Color color) override;
    void MsgBox(std::string_view text) override;
    void showHelp() override;
    void showAbout() override;
    [[noreturn]] void End() override { throw ProgramEnd{}; }

    // Moves the virtual clock on.
    void advance(std::uint64_t ms);

private:
    bool due(const Event &event) const;
    // The time of the next timed event, if any is waiting.
    bool nextEventTime(std::uint32_t &at) const;

    frmMain *m_form = nullptr;
    std::uint32_t m_now;
    std::uint64_t m_elapsed = 0;
    std::uint64_t m_wallMs; // milliseconds since midnight at the start
    std::mt19937_64 m_random;
    std::deque<Event> m_events;
};

} // namespace quorrax::testing
