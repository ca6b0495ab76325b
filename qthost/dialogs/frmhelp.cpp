// SPDX-License-Identifier: MIT
#include "qthost/dialogs/frmhelp.h"

#include "qthost/dialogs/dialogsupport.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringList>

namespace quorrax {

namespace {

constexpr int clientWidth = 346;  // 5190 twips
constexpr int clientHeight = 312; // 4680 twips

// The parentheses and hyphens are ASCII; the exclamation marks and commas are the
// full-width Japanese ones.
const char *const helpLines[] = {
    "リターン(エンター)キーでスタート！",
    "始めにゲームモードを選ぼう！",
    "Single(1人)かBattle(2人対戦)",
    "",
    "Singleでは、赤がPlayer1で、黄と青が邪魔線になるよ",
    "ハイスコアを目指そう！",
    "Battleでは、赤がPlayer1で青がPlayer2、黄が邪魔線になるよ",
    "先にどこかに当たった方が負け！",
    "",
    "うまく線を引いていって、すでに引いてある所に当たらないようにしよう！",
    "自分が引いた線に当たってもだめだから気をつけよう！",
    "邪魔線は、すでに線が引いてある所も通りぬけるぞ！",
    "どの線もフィールドのはじっこにくると、反対側から出てくるよ",
    "",
    "Player1の操作法",
    "W-上、Z-下、A-左、S-右",
    "",
    "Player2の操作法",
    "I-上、M-下、J-左、K-右",
    "",
    "上下に進んでる場合は、左右へのキーが有効になって、",
    "左右に進んでる場合は、上下へのキーが有効になるよ",
};

} // namespace

QString helpText()
{
    QStringList lines;
    for (const char *line : helpLines)
        lines << QString::fromUtf8(line);
    return lines.join(QStringLiteral("\r\n"));
}

frmHelp::frmHelp(QWidget *parent) : QDialog(parent), Command1(new QPushButton(this)), Text1(new QPlainTextEdit(this))
{
    placeControls();
    Form_Load();
    centreOnScreen(*this);
    connect(Command1, &QPushButton::clicked, this, &frmHelp::Command1_Click);
}

void frmHelp::placeControls()
{
    makeFixedDialog(*this, QStringLiteral("説明"), clientWidth, clientHeight);

    placeInTwips(*Command1, 1920, 4080, 1215, 495);
    Command1->setText(QStringLiteral("OK!"));
    Command1->setDefault(true);
    Command1->setFocus();

    placeInTwips(*Text1, 120, 120, 4935, 3855);
    Text1->setReadOnly(true);
    Text1->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    Text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Text1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Long lines wrap at the box's edge; Japanese may break between any two characters.
    Text1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    Text1->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    // Tab leaves the box, as nothing can be typed into it.
    Text1->setTabChangesFocus(true);
}

void frmHelp::Form_Load()
{
    // The text box shows a CR as a glyph of its own, so it gets plain line breaks.
    QString shown = helpText();
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    Text1->setPlainText(shown);
}

void frmHelp::Command1_Click()
{
    accept();
}

} // namespace quorrax
