#include "dialogs/dialogs.h"

#include "dialogs/dialogsupport.h"
#include "dialogs/frmabout.h"
#include "dialogs/frmhelp.h"

namespace quorrax {

// Each opening builds the dialog afresh and drops it once it is closed, so it always
// starts from scratch.

void showAboutDialog(QWidget *parent, const QIcon &programIcon)
{
    {
        frmAbout dialog(programIcon, parent);
        dialog.exec();
    }
    giveFocusBack(parent);
}

void showHelpDialog(QWidget *parent)
{
    {
        frmHelp dialog(parent);
        dialog.exec();
    }
    giveFocusBack(parent);
}

} // namespace quorrax
