// SPDX-License-Identifier: MIT
#pragma once

class QWidget;
class QIcon;

namespace quorrax {

// Shows the About dialog modally over `parent`; returns when it is closed.
void showAboutDialog(QWidget *parent, const QIcon &programIcon);
// Shows the Help dialog modally over `parent`; returns when it is closed.
void showHelpDialog(QWidget *parent);

} // namespace quorrax
