// SPDX-License-Identifier: MIT
#include "game/frmmain.h"

#include <string>

namespace quorrax {

namespace {

// The crash test looks 3 ahead: one past the reach of the head's own round pen.
constexpr Long lookAhead = 3;

bool hitsObstacle(const Surface &field, Long x, Long y, Integer muki)
{
    std::int64_t px = x;
    std::int64_t py = y;
    switch (muki) {
    case muki::Up:
        py -= lookAhead;
        break;
    case muki::Right:
        px += lookAhead;
        break;
    case muki::Down:
        py += lookAhead;
        break;
    case muki::Left:
        px -= lookAhead;
        break;
    default:
        return false;
    }
    // Outside the field is no obstacle: a head that wrapped meets its first pixels untested.
    const std::int32_t c = field.Point(px, py);
    return c != 0 && c != -1;
}

} // namespace

void frmMain::AkaGO()
{
    if (hitsObstacle(picWork, AkaX, AkaY, AkaMuki)) {
        AkaWin = vbFalse;
        Playing = vbFalse;
    }
    if (Playing == vbFalse) {
        BakuX = AkaX;
        BakuY = AkaY;
    }
}

void frmMain::AoGO()
{
    // In Single mode the blue line is the computer's and passes through everything.
    if (GMode != vbFalse)
        return;
    if (hitsObstacle(picWork, AoX, AoY, AoMuki)) {
        AkaWin = vbTrue;
        Playing = vbFalse;
    }
    if (Playing == vbFalse && AkaWin != vbFalse) {
        BakuX = AoX;
        BakuY = AoY;
    }
}

void frmMain::matchEnd()
{
    BitBlt(picWork, Long(BakuX - 16), Long(BakuY - 16), picBaku.width(), picBaku.height(), picBakuM, Rop::SrcAnd);
    BitBlt(picWork, Long(BakuX - 16), Long(BakuY - 16), picBaku.width(), picBaku.height(), picBaku, Rop::SrcInvert);
    BitBlt(window, 0, 0, fieldWidth(), fieldHeight(), picWork, Rop::SrcCopy);

    CurrentX = 30;
    CurrentY = 30;
    FontSize = 36;
    ForeColor = green;
    if (GMode != vbFalse) {
        Print("Game Over!");
        if (HighScore < Score) {
            CurrentX = 35;
            CurrentY = 68;
            FontSize = 24;
            Print("You Got High Score!");
            HighScore = Score;
        }
        CurrentX = 10;
        CurrentY = 10;
        FontSize = 9;
        Print("Score:" + std::to_string(Score));
    } else {
        Print(AkaWin != vbFalse ? "RED Won!" : "BLUE Won!");
    }
    CurrentX = 80;
    CurrentY = 105;
    FontSize = 14;
    Print("Press Return");

    Working = screen::MatchOver;
    for (;;) {
        DoEvents();
        // Two Returns handled in one yield take the game past the title to the mode
        // choice: the wait ends on any state but its own, or it would wait for ever.
        if (Working != screen::MatchOver)
            return;
        m_host.idleUntilEvent();
    }
}

} // namespace quorrax
