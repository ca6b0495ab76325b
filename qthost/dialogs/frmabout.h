// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>
#include <QIcon>

class QLabel;
class QLineEdit;
class QPushButton;

namespace quorrax {

// The About window: title, version, copyright line, the two addresses and the program's
// icon. Every opening builds a new one, which starts from scratch and lays itself
// out again from the sizes of its texts.
class frmAbout : public QDialog
{
    Q_OBJECT

public:
    explicit frmAbout(const QIcon &programIcon, QWidget *parent = nullptr);

    // The controls, created in their tab order: Qt chains focus in order of creation.
    QPushButton *const Command1;
    QLabel *const Label1;
    QLabel *const Label2;
    QLabel *const Label3;
    QLineEdit *const Text1;
    QLineEdit *const Text2;
    QLabel *const Image1;

private:
    void placeControls();
    void Form_Load();
    void Command1_Click();

    QIcon m_programIcon;
};

} // namespace quorrax
