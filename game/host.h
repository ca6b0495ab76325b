// SPDX-License-Identifier: MIT
#pragma once

#include "game/surface.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace quorrax {

// The game's starting pictures that come from artwork rather than from code.
enum class Picture { Title, Arrow, Explosion };

// The program's exit status: a normal end, with the high score saved; a failure; a command
// line it does not understand.
constexpr int exitNormal = 0;
constexpr int exitFailure = 1;
constexpr int exitUsage = 2;

// Thrown by Host::End to leave every running loop at once; only the program's entry
// point catches it, and ends with its status.
struct ProgramEnd {
    int status = exitNormal;
};

// Everything the game needs from the world around it: the window, the clocks, the
// random generator, the event queue and the end of the program. The game's routines
// see nothing else, so a scripted host can run them without a screen.
class Host
{
public:
    virtual ~Host() = default;

    // The millisecond tick counter; it wraps to 0 after 2^32 ms.
    virtual std::uint32_t timeGetTime() = 0;
    // The seconds field (0 to 59) of the time of day.
    virtual int secondOfMinute() = 0;

    // Seeds the random generator from the clock, and draws from it: uniform in [0, 1).
    virtual void Randomize() = 0;
    virtual double Rnd() = 0;

    // Handles the pending events once: keys, menu commands, the close request. Also puts
    // anything drawn on the window since the last refresh on screen.
    virtual void DoEvents() = 0;
    // Blocks until an event is pending or the tick counter has reached `tick`, whichever
    // comes first. Handles nothing itself: the caller yields afterwards.
    virtual void idleUntil(std::uint32_t tick) = 0;
    // Blocks until an event is pending or the seconds field differs from `second`.
    virtual void idleUntilSecondChanges(int second) = 0;
    // Blocks until an event for the game is pending or has been handled: a key, a menu
    // command, the close request. Events that mean nothing to the game (key releases,
    // the pointer, exposes) may be handled meanwhile without ending the wait.
    virtual void idleUntilEvent() = 0;

    // The folder that holds the program, ending in "/".
    virtual std::string appPath() = 0;
    // The player's own folder for the game's files, ending in "/"; the high-score file goes
    // there when the program's folder refuses it. Empty where there is no such folder: the
    // file then stays beside the program.
    virtual std::string userDataPath() { return {}; }
    // False for a program installed for everyone, which never keeps files beside itself: the
    // high score then lives only in the player's own folder.
    virtual bool keepsFilesBesideProgram() { return true; }
    virtual Surface picture(Picture which) = 0;

    // The window: its client size, showing it, and putting its back buffer on screen.
    virtual void setClientSize(int width, int height) = 0;
    virtual void Show() = 0;
    virtual void Refresh() = 0;

    // Draws `text` (UTF-8) with its top-left corner at (x, y): only the glyph pixels, in
    // `color`, at `points` (96 dots per inch). Returns the line height in pixels.
    virtual int Print(Surface &target, int x, int y, std::string_view text, double points, Color color) = 0;

    // A modal message box with an OK button; returns when the player has closed it.
    virtual void MsgBox(std::string_view text) = 0;
    // The two dialogs of the "Game" menu, shown modally.
    virtual void showHelp() = 0;
    virtual void showAbout() = 0;

    // Tells the player, in one line where error messages go, of a failure they would
    // otherwise never learn of, such as a high score that could not be saved.
    virtual void reportError(std::string_view message) = 0;
    // Ends the program at once with the exit status, abandoning every loop (throws
    // ProgramEnd).
    [[noreturn]] virtual void End(int status) = 0;
};

} // namespace quorrax
