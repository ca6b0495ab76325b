// SPDX-License-Identifier: MIT
#pragma once

#include "game/host.h"
#include "qthost/changedrows.h"
#include "qthost/clock.h"
#include "qthost/gamewindow.h"
#include "qthost/padwatch.h"

#include <cstdint>
#include <memory>
#include <random>
#include <vector>

namespace quorrax {

class frmMain;

// The host on a real desktop: a Qt window, the monotonic clock, and Qt's event queue.
class QtHost : public Host
{
public:
    explicit QtHost(std::unique_ptr<HostClock> clock = std::make_unique<SystemClock>());
    ~QtHost() override;

    void bind(frmMain &form);
    GameWindow &gameWindow() { return m_window; }
    // The game pads; the program has them watch the kernel's input devices.
    PadWatch &pads() { return m_pads; }
    // Asks the game to end as the close box does: save, then end. Safe to call from any
    // event handler; the game ends once it is back in its own loop.
    void requestClose();
    // The window was destroyed by another program: the game saves and ends, and the end
    // counts as a failure.
    void windowDestroyed();

    std::uint32_t timeGetTime() override;
    int secondOfMinute() override;
    void Randomize() override;
    double Rnd() override;
    void DoEvents() override;
    void idleUntil(std::uint32_t tick) override;
    void idleUntilSecondChanges(int second) override;
    void idleUntilEvent() override;
    std::string appPath() override;
    std::string userDataPath() override;
    bool keepsFilesBesideProgram() override;
    Surface picture(Picture which) override;
    void setClientSize(int width, int height) override;
    void Show() override;
    void Refresh() override;
    int Print(Surface &target, int x, int y, std::string_view text, double points, Color color) override;
    void MsgBox(std::string_view text) override;
    void showHelp() override;
    void showAbout() override;
    void reportError(std::string_view message) override;
    [[noreturn]] void End(int status) override;

private:
    // Copies what changed in the back buffer since the last time to the view; returns the
    // changed rectangles, none when nothing changed.
    std::vector<QRect> takeChanges();
    // Sleeps until an event comes in or the monotonic clock reaches the instant.
    void sleepUntil(std::int64_t monotonicNs);
    void afterModal();
    void endIfClosing();

    GameWindow m_window;
    PadWatch m_pads;
    frmMain *m_form = nullptr;
    std::unique_ptr<HostClock> m_clock;
    std::mt19937_64 m_random;
    ChangedRows m_changes;
    bool m_closeRequested = false;
    bool m_windowDestroyed = false;
    bool m_ended = false;
    // Counts what reached the game from the events: keys, input-method text, menu commands.
    std::uint64_t m_gameEvents = 0;
};

} // namespace quorrax
