// SPDX-License-Identifier: MIT
#include "qthost/dialogs/dialogs.h"

#include "qthost/dialogs/frmabout.h"
#include "qthost/dialogs/frmhelp.h"

namespace quorrax {

// Each opening builds the dialog afresh and drops it once it is closed, so it always
// starts from scratch.

void showAboutDialog(QWidget *parent, const QIcon &programIcon)
{
    frmAbout dialog(programIcon, parent);
    dialog.exec();
}

void showHelpDialog(QWidget *parent)
{
    frmHelp dialog(parent);
    dialog.exec();
}

} // namespace quorrax
