// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>
#include <QString>

class QPlainTextEdit;
class QPushButton;

namespace quorrax {

// The rules and the keys, 22 lines joined by CR LF, none after the last.
QString helpText();

// The Help window: the rules in a scrolling box and an OK button that has the focus, so
// Return or Space closes it at once.
class frmHelp : public QDialog
{
    Q_OBJECT

public:
    explicit frmHelp(QWidget *parent = nullptr);

    // The controls, created in their tab order: Qt chains focus in order of creation.
    QPushButton *const Command1;
    QPlainTextEdit *const Text1;

private:
    void placeControls();
    void Form_Load();
    void Command1_Click();
};

} // namespace quorrax
