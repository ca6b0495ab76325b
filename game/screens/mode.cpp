// SPDX-License-Identifier: MIT
#include "game/frmmain.h"

namespace quorrax {

void frmMain::GameMode()
{
    GMode = vbTrue;
    ForeColor = yellow;
    FontSize = 24;
    const int fw = fieldWidth();
    const int fh = fieldHeight();
    for (;;) {
        BitBlt(picHaikei, 0, 0, fw, fh, picShaikei, Rop::SrcCopy);
        BitBlt(picWork, 0, 0, fw, fh, picHaikei, Rop::SrcCopy);
        const Long arrowY = roundHalfEven(GMode != vbFalse ? ScaleHeight() / 2 - 50 : ScaleHeight() / 2 + 18);
        BitBlt(picWork, 70, arrowY, picYajirusi.width(), picYajirusi.height(), picYajirusiM, Rop::SrcAnd);
        BitBlt(picWork, 70, arrowY, picYajirusi.width(), picYajirusi.height(), picYajirusi, Rop::SrcInvert);
        BitBlt(window, 0, 0, fw, fh, picWork, Rop::SrcCopy);

        FontSize = 24;
        CurrentX = 10;
        CurrentY = 10;
        Print("Game Mode");
        FontSize = 24;
        CurrentX = 110;
        CurrentY = ScaleHeight() / 2 - 50;
        Print("Single");
        FontSize = 24;
        CurrentX = 110;
        CurrentY = ScaleHeight() / 2 + 18;
        Print("Battle");
        FontSize = 12;
        CurrentX = 15;
        CurrentY = 40;
        Print("Please choose by pressing 'Up' or 'Down'.");
        Refresh();

        DoEvents();
        if (Working == screen::Countdown)
            return;
        // The screen only changes when a key comes in, so sleep until the next event
        // rather than composing the same picture again and again.
        m_host.idleUntilEvent();
    }
}

} // namespace quorrax
