// SPDX-License-Identifier: MIT
#include "game/frmmain.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

namespace quorrax {

namespace {

constexpr Integer blueSteeringTick = 50;
constexpr Integer yellowSteeringTick = 80;

// Int(Rnd * 4): one of the four directions, each with probability 1/4.
Integer randomMuki(Host &host)
{
    return Integer(std::clamp(std::floor(host.Rnd() * 4), 0.0, 3.0));
}

} // namespace

// Moves a head one pixel, runs its crash test, then draws the segment back to where it was.
// The test comes first, so it never sees the head's own newest segment.
void frmMain::moveAndDraw(Long &x, Long &y, Integer muki, Color color, void (frmMain::*crashTest)())
{
    Long fromX = x;
    Long fromY = y;
    switch (muki) {
    case muki::Up:
        y = Long(y - 1);
        fromY = Long(y + 1);
        break;
    case muki::Right:
        x = Long(x + 1);
        fromX = Long(x - 1);
        break;
    case muki::Down:
        y = Long(y + 1);
        fromY = Long(y - 1);
        break;
    case muki::Left:
        x = Long(x - 1);
        fromX = Long(x + 1);
        break;
    default:
        return;
    }
    if (crashTest)
        (this->*crashTest)();
    picWork.Line(x, y, fromX, fromY, color);
}

void frmMain::Tgame()
{
    Playing = vbTrue;
    Integer counter = 0;
    const int fw = fieldWidth();
    const int fh = fieldHeight();
    do {
        module1.TickStart = Long(m_host.timeGetTime());
        BitBlt(picWork, 0, 0, fw, fh, picHaikei, Rop::SrcCopy);
        moveAndDraw(AkaX, AkaY, AkaMuki, red, &frmMain::AkaGO);
        moveAndDraw(AoX, AoY, AoMuki, blue, &frmMain::AoGO);
        moveAndDraw(JamaX, JamaY, JamaMuki, yellow, nullptr);
        AkaHantai();
        AoHantai();
        JamaHantai();
        // The store takes the trails before the heads are drawn, so it never holds a head.
        BitBlt(picHaikei, 0, 0, fw, fh, picWork, Rop::SrcCopy);
        drawHeads();
        BitBlt(window, 0, 0, fw, fh, picWork, Rop::SrcCopy);
        if (GMode != vbFalse) {
            // The crash tick counts too. A score at the top of the range stays there.
            if (Score < std::numeric_limits<Long>::max())
                ++Score;
            CurrentX = 10;
            CurrentY = 10;
            FontSize = 9;
            Print("Score:" + std::to_string(Score));
        }
        Refresh();

        ++counter;
        if (counter == blueSteeringTick && GMode != vbFalse)
            AoMuki = randomMuki(m_host);
        if (counter >= yellowSteeringTick) {
            JamaMuki = randomMuki(m_host);
            counter = 0;
        }
        WaitUntil(tickPlus(module1.TickStart, 8));
    } while (Playing != vbFalse);
    matchEnd();
}

} // namespace quorrax
