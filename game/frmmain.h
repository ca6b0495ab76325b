// SPDX-License-Identifier: MIT
#pragma once

#include "game/field.h"
#include "game/host.h"
#include "game/surface.h"

#include <cstdint>
#include <string>

namespace quorrax {

using Integer = std::int16_t;
using Long = std::int32_t;
using Boolean = std::int16_t; // True is -1, False is 0; any non-zero value tests as True

constexpr Boolean vbTrue = -1;
constexpr Boolean vbFalse = 0;

// The values of Working.
namespace screen {
constexpr Integer Title = 0;
constexpr Integer Match = 1;
constexpr Integer MatchOver = 2;
constexpr Integer ModeSelect = 3;
constexpr Integer Countdown = 4;
} // namespace screen

// Direction codes, clockwise from up.
namespace muki {
constexpr Integer Up = 0;
constexpr Integer Right = 1;
constexpr Integer Down = 2;
constexpr Integer Left = 3;
} // namespace muki

// The game's own key codes.
namespace vk {
constexpr Integer Return = 13;
constexpr Integer Up = 38;
constexpr Integer Down = 40;
constexpr Integer A = 65;
constexpr Integer I = 73;
constexpr Integer J = 74;
constexpr Integer K = 75;
constexpr Integer M = 77;
constexpr Integer S = 83;
constexpr Integer W = 87;
constexpr Integer Z = 90;
constexpr Integer Ime = 229; // a key that an input method took over
} // namespace vk

constexpr const char *iniFileName = "Quorx.ini";
constexpr const char *iniSection = "Quorrax";
constexpr const char *iniKey = "HighScore";

// Module1: the tick stamp of the current frame, and the pacing wait.
struct Module1 {
    Long TickStart = 0;
    // Returns at the first tick-counter reading past `deadline`, in the counter's own
    // wrap-around arithmetic, after at least one yield. It sleeps between events.
    static void WaitUntil(Host &host, const Long &deadline);
};

// The main window: all of the game's state and all of its routines.
//
// The game's own words, which its names are made of:
//   Aka       red: the first player's line (AkaX, AkaY its head, AkaMuki its direction)
//   Ao        blue: the second player's line in Battle (its head pic2Ao), a computer
//             line in Single (its head picJamaAo)
//   Jama      a nuisance: the yellow line, which the computer steers in both modes
//   muki      a direction (Muki in a name: that line's direction), one of namespace muki
//   Hantai    the opposite side: AkaHantai and the others bring a head that left the field
//             back in at the opposite edge
//   GO        game over: AkaGO and AoGO look ahead of a head for a trail it runs into
//   Baku      the explosion at a crashed head (BakuX, BakuY its place, picBaku its picture)
//   Haikei    the background: picHaikei keeps every trail so far, without heads;
//             picShaikei is the clean, black arena that wipes it
//   Yajirusi  the arrow that points at the chosen mode on the mode screen
//   M         at the end of a picture's name: its mask (picYajirusiM, picBakuM)
//   Open      the title picture (picOpen); Work the frame being put together (picWork)
//   GMode     the game mode: true for Single, false for Battle
//   Working   which screen runs now, one of namespace screen
//   SUc       the brightness of the title's prompt; SUcUp whether it is rising
//   AkaWin    whether red has won (blue crashed)
//   Playing   whether the match's ticks go on
//   Tgame, Tstartup, GameMode, ScreenReady, StartupReady: the match, the title, the mode
//             screen, the arena and countdown, and the master flow
class frmMain
{
public:
    explicit frmMain(Host &host);

    // Start-up and shutdown.
    void Form_Load();
    void Form_Unload();
    // Writes the high score to the file, unless the file holds one at least as high already,
    // and tells the player where that failed. Also the last thing done when the program is
    // ended from outside before Form_Unload could run.
    bool saveHighScore();
    // Keyboard.
    void Form_KeyDown(Integer KeyCode, Integer Shift);
    // The "Game" menu.
    void mnuGameHelp_Click();
    void mnuGameAbout_Click();

    // Master flow and front screens.
    void StartupReady();
    void Tstartup();
    void GameMode();
    // Match.
    void ScreenReady();
    void Tgame();
    void AkaHantai();
    void AoHantai();
    void JamaHantai();
    void AkaGO();
    void AoGO();

    // The window's client size in pixels.
    double ScaleWidth() const { return window.ScaleWidth(); }
    double ScaleHeight() const { return window.ScaleHeight(); }

    // Print on the window at (CurrentX, CurrentY) in ForeColor and the current font size,
    // then move to the start of the next line.
    void Print(const std::string &text);
    void Print(Long number); // a number alone gets a blank for its sign

    // The match state, in the order of its declaration.
    Integer SUc = 0;
    Integer Working = 0;
    Boolean GMode = vbFalse;
    Long AkaX = 0;
    Long AkaY = 0;
    Long AoX = 0;
    Long AoY = 0;
    Long JamaX = 0;
    Long JamaY = 0;
    Long BakuX = 0;
    Long BakuY = 0;
    Long Score = 0;
    Long HighScore = 0;
    Integer AkaMuki = 0;
    Integer AoMuki = 0;
    Integer JamaMuki = 0;
    Boolean AkaWin = vbFalse;
    Boolean Playing = vbFalse;
    std::string App_Path;

    Module1 module1;
    Boolean SUcUp = vbFalse; // Tstartup's static: keeps its value from one title to the next

    // The window's text state.
    Color ForeColor = black;
    double CurrentX = 0;
    double CurrentY = 0;
    double FontSize = 9;

    // The window's back buffer, and the thirteen hidden surfaces.
    Surface window;
    Surface picOpen;
    Surface picShaikei;
    Surface picHaikei;
    Surface picWork;
    Surface picAka;
    Surface picAo;
    Surface pic2Ao;
    Surface picJamaAo;
    Surface picJama;
    Surface picYajirusi;
    Surface picYajirusiM;
    Surface picBaku;
    Surface picBakuM;

private:
    void WaitUntil(const Long &deadline) { Module1::WaitUntil(m_host, deadline); }
    void Refresh() { m_host.Refresh(); }
    void DoEvents() { m_host.DoEvents(); }
    // The field size of whole-field copies: picHaikei's scale size, rounded.
    int fieldWidth() const;
    int fieldHeight() const;
    void moveAndDraw(Long &x, Long &y, Integer muki, Color color, void (frmMain::*crashTest)());
    void drawHeads();
    void matchEnd();

    Host &m_host;
};

// Rounds to the nearest whole number, halves to even.
Long roundHalfEven(double value);

// A tick-counter reading plus some milliseconds, in the counter's wrap-around arithmetic:
// a deadline just past 2^31 or 2^32 is as good as any other.
constexpr Long tickPlus(Long tick, std::uint32_t ms)
{
    return Long(std::uint32_t(tick) + ms);
}

} // namespace quorrax
