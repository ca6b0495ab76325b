// SPDX-License-Identifier: MIT
#include "game/frmmain.h"

#include <string>

namespace quorrax {

void frmMain::StartupReady()
{
    for (;;) {
        BitBlt(window, 0, 0, roundHalfEven(picOpen.ScaleWidth()), roundHalfEven(picOpen.ScaleHeight()), picOpen,
               Rop::SrcCopy);
        ForeColor = yellow;
        FontSize = 9;
        CurrentX = 0;
        CurrentY = 0;
        Print("High Score(Single):" + std::to_string(HighScore));
        FontSize = 12;
        SUc = 255;
        Tstartup();
        GameMode();
        ScreenReady();
        Tgame();
    }
}

void frmMain::Tstartup()
{
    if (Working != screen::Title)
        return;
    do {
        module1.TickStart = Long(m_host.timeGetTime());
        ForeColor = RGB(SUc, SUc, 0);
        CurrentX = 260;
        CurrentY = 260;
        // Printed on top of itself each pass, so only its colour changes.
        Print("Press Return to start");
        if (SUcUp != vbFalse) {
            SUc = Integer(SUc + 10);
            if (SUc > 255) {
                SUc = 255;
                SUcUp = vbFalse;
            }
        } else {
            SUc = Integer(SUc - 10);
            if (SUc < 0) {
                SUc = 0;
                SUcUp = vbTrue;
            }
        }
        WaitUntil(tickPlus(module1.TickStart, 10));
        DoEvents();
        // Two Returns handled in one yield leave the title with the mode already chosen:
        // the title ends on any state but its own, or it would wait for ever.
    } while (Working == screen::Title);
}

} // namespace quorrax
