// SPDX-License-Identifier: MIT
#include "qthost/dialogs/aboutaddresses.h"
#include "qthost/dialogs/dialogs.h"
#include "qthost/dialogs/dialogsupport.h"
#include "qthost/dialogs/frmabout.h"
#include "qthost/dialogs/frmhelp.h"
#include "scratch_folder.h"

#include "buildinfo.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>
#include <QTimer>

#include <functional>

namespace quorrax {
namespace {

QIcon redIcon()
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::red);
    return QIcon(pixmap);
}

TEST(AboutDialogTest, StacksItsTextsAndControlsFromTheSizesOfItsTexts)
{
    if (japaneseGothicFamily().isEmpty())
        GTEST_SKIP() << "no Japanese Gothic font is installed (fonts-ipafont-gothic)";
    frmAbout dialog(redIcon());
    const auto right = [](const QWidget *w) { return w->x() + w->width(); };
    const auto bottom = [](const QWidget *w) { return w->y() + w->height(); };
    constexpr int outerWidth = 346; // 340 of client area and a 3-pixel border each side
    EXPECT_EQ(dialog.Label1->y(), 8);
    EXPECT_NEAR(2 * dialog.Label1->x() + dialog.Label1->width(), outerWidth, 1);
    EXPECT_NEAR(2 * dialog.Label3->x() + dialog.Label3->width(), outerWidth, 1);
    EXPECT_NEAR(right(dialog.Label2), right(dialog.Label1), 1);
    EXPECT_EQ(dialog.Label2->y(), bottom(dialog.Label1));
    EXPECT_EQ(dialog.Label3->y(), bottom(dialog.Label2));
    EXPECT_EQ(dialog.Text1->y(), bottom(dialog.Label3) + dialog.Label3->height());
    EXPECT_EQ(dialog.Text2->y(), bottom(dialog.Text1));
    EXPECT_EQ(dialog.Command1->y(), bottom(dialog.Text2) + dialog.Text2->height());
    EXPECT_EQ(dialog.size(), QSize(340, bottom(dialog.Command1) + 13)); // 200 twips below OK
    EXPECT_EQ(dialog.Text1->geometry(), QRect(72, dialog.Text1->y(), 201, 18));
    EXPECT_EQ(dialog.Text2->geometry(), QRect(72, dialog.Text2->y(), 201, 18));
    EXPECT_EQ(dialog.Command1->geometry(), QRect(128, dialog.Command1->y(), 81, 33));
    EXPECT_EQ(dialog.Image1->geometry(), QRect(16, 48, 32, 32));
    EXPECT_EQ(dialog.Image1->pixmap().toImage().pixelColor(16, 16), QColor(Qt::red));
    // In the Japanese Gothic at their sizes, and the same at every opening.
    const std::pair<QWidget *, int> fonts[] = {
        {dialog.Label1, 48}, {dialog.Label2, 15}, {dialog.Label3, 12}, {dialog.Text1, 12}, {dialog.Command1, 12}};
    for (const auto &[widget, pixels] : fonts)
        EXPECT_EQ(QFontInfo(widget->font()).family() + QString::number(QFontInfo(widget->font()).pixelSize()),
                  japaneseGothicFamily() + QString::number(pixels));
    EXPECT_EQ(frmAbout(redIcon()).Command1->geometry(), dialog.Command1->geometry());
    // The texts, with the tooltips of the two boxes.
    EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8("バージョン情報"));
    EXPECT_EQ(dialog.Command1->text(), QStringLiteral("OK"));
    const struct {
        QWidget *widget;
        QString text, toolTip;
    } rows[] = {
        {dialog.Label1, "Quorrax", "Quorrax"},
        {dialog.Label2, QStringLiteral("Version ") + build::version, QStringLiteral("Version ") + build::version},
        {dialog.Label3, "Copyright (C) 2026 The Quorrax developers", "Copyright (C) 2026 The Quorrax developers"},
        {dialog.Text1, aboutAddresses(buildAddressSettings(), QApplication::applicationDirPath()).homePage,
         QString::fromUtf8("アクセスしてくださ～い")},
        {dialog.Text2, aboutAddresses(buildAddressSettings(), QApplication::applicationDirPath()).contact,
         QString::fromUtf8("メール送ってね")},
    };
    for (const auto &row : rows) {
        const auto *box = qobject_cast<QLineEdit *>(row.widget);
        EXPECT_EQ(box ? box->text() : qobject_cast<QLabel *>(row.widget)->text(), row.text);
        EXPECT_EQ(row.widget->toolTip(), row.toolTip);
        EXPECT_TRUE(!box || box->isReadOnly());
    }
}

// With no address from the publisher, the boxes name what a player can open where the game
// runs: the installed documentation and manual; or those of the build, while they are there;
// else the manual by its name. Never a place that is gone.
TEST(AboutDialogTest, AddressesArePublishersOrPlacesThatExist)
{
    test::ScratchFolder install;
    const QString prefix = QString::fromStdString(install.path());
    for (const char *folder : {"inst/lib/quorrax", "inst/share/doc/quorrax", "src", "build/desktop"})
        QDir().mkpath(prefix + folder);
    QFile(prefix + "src/README.md").open(QIODevice::WriteOnly);
    QFile(prefix + "build/desktop/quorrax.6").open(QIODevice::WriteOnly);
    const QString readme = prefix + "src/README.md", page = prefix + "build/desktop/quorrax.6";
    const AddressSettings user{"", "", "../../share/doc/quorrax", readme, page};
    const AddressSettings gone{"", "", "../../share/doc/quorrax", prefix + "old/README.md", prefix + "old/quorrax.6"};
    const AddressSettings everyone{"", "", prefix + "inst/share/doc/quorrax", "", ""};
    const AddressSettings published{"HOME PAGE", "CONTACT", "../../share/doc/quorrax", readme, page};
    const struct {
        AddressSettings settings;
        QString programFolder, homePage, contact;
    } rows[] = {
        {user, prefix + "inst/lib/quorrax", prefix + "inst/share/doc/quorrax", "man 6 quorrax"},
        {user, prefix + "build/game", readme, "man " + page},
        {gone, prefix + "build/game", "quorrax(6)", "man 6 quorrax"},
        {everyone, prefix + "build/game", prefix + "inst/share/doc/quorrax", "man 6 quorrax"},
        {published, prefix + "inst/lib/quorrax", "HOME PAGE", "CONTACT"},
    };
    for (const auto &row : rows) {
        const AboutAddresses shown = aboutAddresses(row.settings, row.programFolder);
        EXPECT_EQ((shown.homePage + " | " + shown.contact).toStdString(),
                  (row.homePage + " | " + row.contact).toStdString());
    }
}

TEST(HelpDialogTest, TheRulesLineByLineInAReadOnlyBox)
{
    if (japaneseGothicFamily().isEmpty())
        GTEST_SKIP() << "no Japanese Gothic font is installed (fonts-ipafont-gothic)";
    const char *const lines[] = {
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
    QStringList expected;
    for (const char *line : lines)
        expected << QString::fromUtf8(line);
    EXPECT_EQ(helpText(), expected.join(QStringLiteral("\r\n")));

    frmHelp dialog;
    dialog.show();
    QStringList shown;
    for (QTextBlock block = dialog.Text1->document()->begin(); block.isValid(); block = block.next())
        shown << block.text();
    EXPECT_EQ(shown, expected);
    EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8("説明"));
    EXPECT_EQ(dialog.size(), QSize(346, 312));
    EXPECT_EQ(dialog.Text1->geometry(), QRect(8, 8, 329, 257));
    EXPECT_EQ(dialog.Command1->geometry(), QRect(128, 272, 81, 33));
    EXPECT_EQ(dialog.Command1->text(), QStringLiteral("OK!"));
    EXPECT_EQ(dialog.Text1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(QFontInfo(dialog.Text1->font()).family(), japaneseGothicFamily());
    // It can be selected but not edited.
    dialog.Text1->setFocus();
    QTest::keyClicks(dialog.Text1, QStringLiteral("xyz"));
    QTest::keyClick(dialog.Text1, Qt::Key_Delete);
    QTest::keyClick(dialog.Text1, Qt::Key_End, Qt::ShiftModifier);
    EXPECT_EQ(dialog.Text1->toPlainText(), expected.join(QChar(u'\n')));
    EXPECT_EQ(dialog.Text1->textCursor().selectedText(), expected[0]);
}

TEST(DialogsTest, FixedModalAndClosedByAKeyOnItsOpeningFocus)
{
    const struct {
        const char *name;
        std::function<void(QWidget *)> open;
        Qt::Key key;
    } rows[] = {
        {"Help, Return", [](QWidget *p) { showHelpDialog(p); }, Qt::Key_Return},
        {"Help, Space", [](QWidget *p) { showHelpDialog(p); }, Qt::Key_Space},
        {"About, Return", [](QWidget *p) { showAboutDialog(p, redIcon()); }, Qt::Key_Return},
        {"About, Space", [](QWidget *p) { showAboutDialog(p, redIcon()); }, Qt::Key_Space},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        // The game's window: a view that steers the game, and a control that had the focus.
        QWidget window;
        auto *view = new QWidget(&window);
        view->setFocusPolicy(Qt::StrongFocus);
        window.show();
        (new QLineEdit(&window))->setFocus();
        bool closedByKey = false;
        QTimer::singleShot(0, &window, [&] {
            auto *dialog = window.findChild<QDialog *>();
            ASSERT_NE(dialog, nullptr);
            EXPECT_EQ(QApplication::activeModalWidget(), dialog);
            const Qt::WindowFlags flags = dialog->windowFlags();
            EXPECT_FALSE(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
            EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
            EXPECT_EQ(dialog->minimumSize(), dialog->maximumSize());
            QTest::keyClick(dialog->focusWidget(), row.key);
            closedByKey = !dialog->isVisible();
            if (!closedByKey)
                dialog->reject();
        });
        row.open(view);
        EXPECT_TRUE(closedByKey);
        EXPECT_EQ(window.findChild<QDialog *>(), nullptr) << "a closed dialog is gone";
        EXPECT_EQ(window.focusWidget(), view);
    }
}

} // namespace
} // namespace quorrax
