// SPDX-License-Identifier: MIT
#include "game/frmmain.h"

namespace quorrax {

void frmMain::drawHeads()
{
    BitBlt(picWork, Long(AkaX - 2), Long(AkaY - 2), picAka.width(), picAka.height(), picAka, Rop::SrcCopy);
    // The Single-mode blue head is the larger nuisance sprite, so it is centred 3 away.
    const Long aoOffset = GMode != vbFalse ? 3 : 2;
    BitBlt(picWork, Long(AoX - aoOffset), Long(AoY - aoOffset), picAo.width(), picAo.height(), picAo, Rop::SrcCopy);
    BitBlt(picWork, Long(JamaX - 3), Long(JamaY - 3), picJama.width(), picJama.height(), picJama, Rop::SrcCopy);
}

void frmMain::ScreenReady()
{
    picAo.setPicture(GMode != vbFalse ? picJamaAo : pic2Ao);

    const int fw = fieldWidth();
    const int fh = fieldHeight();
    BitBlt(picHaikei, 0, 0, fw, fh, picShaikei, Rop::SrcCopy);
    BitBlt(picWork, 0, 0, fw, fh, picHaikei, Rop::SrcCopy);
    drawHeads();
    BitBlt(window, 0, 0, fw, fh, picWork, Rop::SrcCopy);
    Refresh();

    bool done = false;
    Integer count = 4;
    Integer lastSecond = Integer(m_host.secondOfMinute());
    CurrentX = 160;
    CurrentY = 100;
    ForeColor = green;
    FontSize = 72;

    // The digits step on changes of the clock's seconds field, so the first one comes
    // after a fraction of a second and the others a second apart.
    for (;;) {
        if (m_host.secondOfMinute() != lastSecond) {
            lastSecond = Integer(m_host.secondOfMinute());
            --count;
            BitBlt(window, 0, 0, fw, fh, picWork, Rop::SrcCopy);
            CurrentX = 160;
            CurrentY = 100;
            if (count != 0)
                Print(count);
            if (count <= 0)
                done = true;
        }
        DoEvents();
        if (done)
            break;
        m_host.idleUntilSecondChanges(lastSecond);
    }
    Working = screen::Match;
}

} // namespace quorrax
