// SPDX-License-Identifier: MIT
#include "game/frmmain.h"

namespace quorrax {

// Both dialogs are modal: the loop that yielded to this handler, and with it the game,
// holds until the dialog is closed.
void frmMain::mnuGameHelp_Click()
{
    m_host.showHelp();
}

void frmMain::mnuGameAbout_Click()
{
    m_host.showAbout();
}

} // namespace quorrax
