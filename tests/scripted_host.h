// SPDX-License-Identifier: MIT
#pragma once

#include "game/frmmain.h"
#include "game/host.h"
#include "qthost/pictures.h"

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace quorrax::test {

// Thrown when the script has nothing left to deliver while the game waits for an event,
// or when the run has gone on far too long: the natural end of a scripted run.
struct ScriptEnd {};

// One picture that reached the window: when it came, on which screen, and its pixels.
struct Frame {
    std::uint32_t at = 0; // tick-counter reading
    Integer working = 0;
    std::vector<const Color *> rows; // unchanged rows are shared with the frame before
    Color pixel(int x, int y) const { return rows[std::size_t(y)][x]; }
};

// A text printed on the window, and the frame it first shows in.
struct Printed {
    std::string text;
    int x = 0, y = 0;
    Color color = 0;
    std::size_t frame = 0;
};

// A host with a virtual millisecond clock, a fixed random seed, and keys and
// a close request delivered at given times or when a condition holds. It keeps every frame
// that reaches the window (at each refresh, and at each yield that finds the window
// changed), so that whole games run headless and fast and tests judge what a player saw.
class ScriptedHost : public Host
{
public:
    enum class Kind { Key, Close };

    explicit ScriptedHost(std::uint32_t startTick = 1'000'000, std::uint64_t seed = 1)
        : startTick(startTick), m_now(startTick), m_random(seed)
    {}
    void bind(frmMain &form) { m_form = &form; }

    // An event at the first yield at or past the tick `at`, or at the first yield where
    // `when` holds. Events come in the order they were scripted.
    void at(std::uint32_t at, Kind kind, Integer key = 0) { m_events.push_back({kind, key, at, {}}); }
    void when(std::function<bool()> when, Kind kind, Integer key = 0) { m_events.push_back({kind, key, 0, when}); }

    bool drawText = true;                          // glyphs depend on the fonts installed
    bool keepMatchFrames = true;                   // off: those of the ticks before a crash are counted, not kept
    std::uint64_t timeLimitMs = 60ull * 60 * 1000; // a run this long has lost its way
    std::string folder = "/nonexistent/";
    std::string dataFolder;    // the player's own folder; none by default
    bool besideProgram = true; // false: installed for everyone, never writing beside itself
    void setTimeOfDay(std::uint64_t msSinceMidnight) { m_wallMs = msSinceMidnight - m_elapsed; }

    // What the player saw.
    std::vector<Frame> frames;
    std::vector<Printed> prints;
    std::vector<std::string> messageBoxes;
    std::vector<std::string> errors; // what the player was told on the terminal
    int framesIn(Integer working) const { return m_framesIn[std::size_t(working) % m_framesIn.size()]; }
    const std::uint32_t startTick;

    std::uint32_t timeGetTime() override { return m_now; }
    int secondOfMinute() override { return int((m_wallMs + m_elapsed) / 1000 % 60); }
    void Randomize() override {}
    double Rnd() override { return double(m_random() >> 11) * 0x1.0p-53; }
    void DoEvents() override;
    void idleUntil(std::uint32_t tick) override;
    void idleUntilSecondChanges(int second) override;
    void idleUntilEvent() override;
    std::string appPath() override { return folder; }
    std::string userDataPath() override { return dataFolder; }
    bool keepsFilesBesideProgram() override { return besideProgram; }
    Surface picture(Picture which) override { return loadPicture(which); }
    void setClientSize(int, int) override {}
    void Show() override {}
    void Refresh() override { capture(); }
    int Print(Surface &target, int x, int y, std::string_view text, double points, Color color) override;
    void MsgBox(std::string_view text) override { messageBoxes.emplace_back(text); }
    void showHelp() override {}
    void showAbout() override {}
    void reportError(std::string_view message) override { errors.emplace_back(message); }
    [[noreturn]] void End(int status) override { throw ProgramEnd{status}; }

private:
    struct Event {
        Kind kind;
        Integer key;
        std::uint32_t at;
        std::function<bool()> when;
    };
    void advance(std::uint64_t ms);
    bool due(const Event &event) const;
    bool nextEventTime(std::uint32_t &at) const;
    void capture();

    frmMain *m_form = nullptr;
    std::uint32_t m_now;
    std::uint64_t m_elapsed = 0;
    std::uint64_t m_wallMs = 12ull * 3600 * 1000 + 500; // time of day at the start
    std::mt19937_64 m_random;
    std::deque<Event> m_events;
    int m_idleRounds = 0;                  // waits for an event in a row that found none due
    std::deque<std::vector<Color>> m_rows; // every row content a frame showed
    std::vector<std::uint64_t> m_stamps;   // the window's row stamps at the last frame
    std::uint64_t m_generation = 0;
    std::array<int, 5> m_framesIn{};
};

} // namespace quorrax::test
