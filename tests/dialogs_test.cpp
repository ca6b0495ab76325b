#include "dialogs/aboutlayout.h"
#include "dialogs/dialogs.h"
#include "dialogs/dialogsupport.h"
#include "dialogs/frmabout.h"
#include "dialogs/frmhelp.h"
#include "dialogs/twips.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFontInfo>
#include <QFontMetrics>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringList>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTimer>

#include <functional>
#include <memory>
#include <vector>

namespace quorrax {
namespace {

// ---- The layout chain -------------------------------------------------------------------

struct ChainRow {
    const char *name;
    float l1w, l1h, l2w, l2h, l3w, l3h, t1h, t2h, c1h;
    AboutLayout expected;
};

TEST(AboutLayoutTest, StacksTheControlsFromTheLabelSizes)
{
    // Outer width 5190 and 435 twips of caption bar and border, as the dialog reckons them.
    const ChainRow rows[] = {
        {"a short title centred over the others", 1980, 720, 615, 225, 525, 180, 270, 270, 495,
         {1605, 2332.5f, 840, 2970, 1065, 1425, 1695, 2235, 3365, 2930}},
        {"a title wider than the window reaches past both edges",
         6000, 720, 615, 225, 525, 180, 270, 270, 495,
         {-405, 2332.5f, 840, 4980, 1065, 1425, 1695, 2235, 3365, 2930}},
        {"a version wider than the title starts left of it",
         1980, 720, 2400, 225, 525, 180, 270, 270, 495,
         {1605, 2332.5f, 840, 1185, 1065, 1425, 1695, 2235, 3365, 2930}},
        {"taller texts push everything down and the window grows",
         1980, 900, 615, 300, 525, 240, 300, 300, 500,
         {1605, 2332.5f, 1020, 2970, 1320, 1800, 2100, 2700, 3835, 3400}},
        {"halves stay halves", 1995, 720, 600, 225, 15, 180, 270, 270, 495,
         {1597.5f, 2587.5f, 840, 2992.5f, 1065, 1425, 1695, 2235, 3365, 2930}},
    };
    for (const ChainRow &row : rows) {
        SCOPED_TRACE(row.name);
        AboutLayoutInput in;
        in.W = 5190;
        in.Height = 3255;
        in.ScaleHeight = 2820;
        in.Label1Top = 120;
        in.Label1Width = row.l1w;
        in.Label1Height = row.l1h;
        in.Label2Width = row.l2w;
        in.Label2Height = row.l2h;
        in.Label3Width = row.l3w;
        in.Label3Height = row.l3h;
        in.Text1Height = row.t1h;
        in.Text2Height = row.t2h;
        in.Command1Height = row.c1h;
        const AboutLayout out = layOutAbout(in);
        EXPECT_EQ(out.Label1Left, row.expected.Label1Left);
        EXPECT_EQ(out.Label3Left, row.expected.Label3Left);
        EXPECT_EQ(out.Label2Top, row.expected.Label2Top);
        EXPECT_EQ(out.Label2Left, row.expected.Label2Left);
        EXPECT_EQ(out.Label3Top, row.expected.Label3Top);
        EXPECT_EQ(out.Text1Top, row.expected.Text1Top);
        EXPECT_EQ(out.Text2Top, row.expected.Text2Top);
        EXPECT_EQ(out.Command1Top, row.expected.Command1Top);
        EXPECT_EQ(out.Height, row.expected.Height);
        EXPECT_EQ(out.ScaleHeight, row.expected.ScaleHeight);
    }
}

TEST(AboutLayoutTest, TwipsRoundToPixelsHalvesToEven)
{
    const struct {
        float twips;
        int pixels;
    } rows[] = {
        {0, 0},      {15, 1},     {2930, 195},  {7.5f, 0},   {22.5f, 2},    {337.5f, 22},
        {352.5f, 24}, {-7.5f, 0}, {-22.5f, -2}, {-405, -27}, {2587.5f, 172}, {2592, 173},
    };
    for (const auto &row : rows)
        EXPECT_EQ(twipsToPixels(row.twips), row.pixels) << row.twips << " twips";
}

// ---- The About dialog on real fonts -----------------------------------------------------

QIcon programIcon()
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::red);
    return QIcon(pixmap);
}

int right(const QWidget *w) { return w->x() + w->width(); }
int bottom(const QWidget *w) { return w->y() + w->height(); }

TEST(AboutDialogTest, LaysItselfOutFromTheRealTextSizes)
{
    frmAbout dialog(programIcon());
    constexpr int outerWidth = 346; // 340 of client area and a 3-pixel border each side

    for (QLabel *label : {dialog.Label1, dialog.Label2, dialog.Label3})
        EXPECT_EQ(label->size(), label->sizeHint()) << label->text().toStdString();
    EXPECT_EQ(dialog.Label1->y(), 8);
    EXPECT_NEAR(2 * dialog.Label1->x() + dialog.Label1->width(), outerWidth, 1);
    EXPECT_NEAR(2 * dialog.Label3->x() + dialog.Label3->width(), outerWidth, 1);
    EXPECT_NEAR(right(dialog.Label2), right(dialog.Label1), 1);
    EXPECT_EQ(dialog.Label2->y(), bottom(dialog.Label1));
    EXPECT_EQ(dialog.Label3->y(), bottom(dialog.Label2));
    EXPECT_EQ(dialog.Text1->y(), bottom(dialog.Label3) + dialog.Label3->height());
    EXPECT_EQ(dialog.Text2->y(), bottom(dialog.Text1));
    EXPECT_EQ(dialog.Command1->y(), bottom(dialog.Text2) + dialog.Text2->height());
    // 200 twips below the button are 13 1/3 pixels.
    EXPECT_EQ(dialog.height(), bottom(dialog.Command1) + 13);
    EXPECT_EQ(dialog.width(), 340);

    // What the load step leaves alone keeps the place and size it was drawn with.
    EXPECT_EQ(dialog.Text1->geometry().left(), 72);
    EXPECT_EQ(dialog.Text2->geometry().left(), 72);
    EXPECT_EQ(dialog.Text1->size(), QSize(201, 18));
    EXPECT_EQ(dialog.Command1->geometry(), QRect(128, dialog.Command1->y(), 81, 33));
    EXPECT_EQ(dialog.Image1->geometry(), QRect(16, 48, 32, 32));
    ASSERT_FALSE(dialog.Image1->pixmap().isNull());
    EXPECT_EQ(dialog.Image1->pixmap().toImage().pixelColor(16, 16), QColor(Qt::red));
}

TEST(AboutDialogTest, ASecondOpeningLooksLikeTheFirst)
{
    const auto geometries = [](const frmAbout &d) {
        return std::vector<QRect>{d.geometry(), d.Label1->geometry(), d.Label2->geometry(),
                                  d.Label3->geometry(), d.Text1->geometry(),
                                  d.Text2->geometry(), d.Command1->geometry(),
                                  d.Image1->geometry()};
    };
    std::vector<QRect> first;
    {
        frmAbout dialog(programIcon());
        first = geometries(dialog);
        dialog.show();
        dialog.Command1->click();
    }
    frmAbout again(programIcon());
    EXPECT_EQ(geometries(again), first);
}

TEST(AboutDialogTest, TextsAndTooltips)
{
    frmAbout dialog(programIcon());
    EXPECT_EQ(dialog.windowTitle(), QString::fromUtf16(u"バージョン情報"));
    EXPECT_EQ(dialog.Command1->text(), QStringLiteral("OK"));
    const struct {
        QWidget *widget;
        QString text;
        QString toolTip;
    } rows[] = {
        {dialog.Label1, "Quorrax", "Quorrax"},
        {dialog.Label2, "Version 1.1", "Version 1.1"},
        {dialog.Label3, "Copyright (C) 2026 The Quorrax developers",
         "Copyright (C) 2026 The Quorrax developers"},
        {dialog.Text1, "https://quorrax.example.org/",
         QString::fromUtf16(u"アクセスしてくださ～い")},
        {dialog.Text2, "quorrax@example.org", QString::fromUtf16(u"メール送ってね")},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.text.toStdString());
        const auto *label = qobject_cast<QLabel *>(row.widget);
        const auto *box = qobject_cast<QLineEdit *>(row.widget);
        EXPECT_EQ(label != nullptr ? label->text() : box->text(), row.text);
        EXPECT_EQ(row.widget->toolTip(), row.toolTip);
        if (box != nullptr) {
            EXPECT_TRUE(box->isReadOnly());
        }
    }
}

TEST(AboutDialogTest, FontsAreTheJapaneseGothicAtFixedPixelSizes)
{
    const QString family = japaneseGothicFamily();
    ASSERT_FALSE(family.isEmpty()) << "no font that can draw Japanese";
    frmAbout dialog(programIcon());
    const struct {
        QWidget *widget;
        int pixels;
    } rows[] = {
        {dialog.Label1, 48}, {dialog.Label2, 15}, {dialog.Label3, 12},
        {dialog.Text1, 12},  {dialog.Command1, 12},
    };
    for (const auto &row : rows) {
        const QFontInfo info(row.widget->font());
        EXPECT_EQ(info.family(), family);
        EXPECT_EQ(info.pixelSize(), row.pixels);
        EXPECT_EQ(info.weight(), QFont::Normal);
    }
    // The tooltips and the title bar are Japanese; the face must have every glyph.
    const QFontMetrics metrics(dialog.font());
    for (const QString &text : {dialog.windowTitle(), dialog.Text1->toolTip(),
                                dialog.Text2->toolTip()}) {
        for (const uint ch : text.toUcs4())
            EXPECT_TRUE(metrics.inFontUcs4(ch)) << std::hex << ch;
    }
}

TEST(AboutDialogTest, TabOrderStartsOnOk)
{
    frmAbout dialog(programIcon());
    EXPECT_EQ(dialog.focusWidget(), dialog.Command1);
    const std::vector<QWidget *> expected = {dialog.Label1, dialog.Label2, dialog.Label3,
                                             dialog.Text1, dialog.Text2};
    std::vector<QWidget *> chain;
    QWidget *w = dialog.Command1;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        w = w->nextInFocusChain();
        chain.push_back(w);
    }
    EXPECT_EQ(chain, expected);
    // Labels never take the focus, so Tab goes from the button to the two addresses.
    for (QWidget *label : {dialog.Label1, dialog.Label2, dialog.Label3, dialog.Image1})
        EXPECT_EQ(label->focusPolicy(), Qt::NoFocus);
    for (QWidget *tabStop : {static_cast<QWidget *>(dialog.Command1),
                             static_cast<QWidget *>(dialog.Text1),
                             static_cast<QWidget *>(dialog.Text2)})
        EXPECT_TRUE(tabStop->focusPolicy() & Qt::TabFocus);
}

// ---- The Help dialog --------------------------------------------------------------------

const char16_t *const expectedHelpLines[] = {
    u"リターン(エンター)キーでスタート！",
    u"始めにゲームモードを選ぼう！",
    u"Single(1人)かBattle(2人対戦)",
    u"",
    u"Singleでは、赤がPlayer1で、黄と青が邪魔線になるよ",
    u"ハイスコアを目指そう！",
    u"Battleでは、赤がPlayer1で青がPlayer2、黄が邪魔線になるよ",
    u"先にどこかに当たった方が負け！",
    u"",
    u"うまく線を引いていって、すでに引いてある所に当たらないようにしよう！",
    u"自分が引いた線に当たってもだめだから気をつけよう！",
    u"邪魔線は、すでに線が引いてある所も通りぬけるぞ！",
    u"どの線もフィールドのはじっこにくると、反対側から出てくるよ",
    u"",
    u"Player1の操作法",
    u"W-上、Z-下、A-左、S-右",
    u"",
    u"Player2の操作法",
    u"I-上、M-下、J-左、K-右",
    u"",
    u"上下に進んでる場合は、左右へのキーが有効になって、",
    u"左右に進んでる場合は、上下へのキーが有効になるよ",
};

QStringList expectedLines()
{
    QStringList lines;
    for (const char16_t *line : expectedHelpLines)
        lines << QString::fromUtf16(line);
    return lines;
}

TEST(HelpTextTest, TwentyTwoLinesJoinedByCrLf)
{
    const QString text = helpText();
    EXPECT_EQ(text.count(QStringLiteral("\r\n")), 21);
    EXPECT_EQ(text.count(QChar(u'\r')), 21);
    EXPECT_EQ(text.count(QChar(u'\n')), 21);
    EXPECT_TRUE(text.startsWith(QString::fromUtf16(expectedHelpLines[0]) + "\r\n"));
    EXPECT_TRUE(text.endsWith(QStringLiteral("\r\n") + QString::fromUtf16(expectedHelpLines[21])));

    const QStringList lines = text.split(QStringLiteral("\r\n"));
    const QStringList expected = expectedLines();
    ASSERT_EQ(lines.size(), 22);
    for (int i = 0; i < 22; ++i)
        EXPECT_EQ(lines[i], expected[i]) << "line " << i + 1;
}

TEST(HelpTextTest, AsciiAndFullWidthPunctuationWhereTheyBelong)
{
    const QStringList lines = helpText().split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 22);
    const struct {
        int line;
        char16_t ch;
        qsizetype count;
    } rows[] = {
        {1, u'(', 1},      {1, u')', 1},      {1, u'\uFF01', 1}, {3, u'(', 2},
        {3, u')', 2},      {16, u'-', 4},     {16, u'\u3001', 3}, {19, u'-', 4},
        {19, u'\u3001', 3}, {5, u'\u3001', 2}, {10, u'\uFF01', 1}, {21, u'\u3001', 2},
    };
    for (const auto &row : rows) {
        EXPECT_EQ(lines[row.line - 1].count(QChar(row.ch)), row.count)
            << "line " << row.line << " U+" << std::hex << int(row.ch);
    }
    const QString text = helpText();
    EXPECT_EQ(text.count(QChar(u'\uFF01')), 7);
    for (const char16_t wrong : {u'!', u',', u'\uFF08', u'\uFF09', u'\uFF0D', u'\u2010',
                                 u'\u2212', u'\uFF0C'})
        EXPECT_FALSE(text.contains(QChar(wrong))) << "U+" << std::hex << int(wrong);
    for (const QString &line : lines)
        EXPECT_EQ(line.trimmed(), line) << "no blanks around a line";
}

TEST(HelpDialogTest, ShowsTheTwentyTwoLinesWithoutCarriageReturns)
{
    frmHelp dialog;
    const QTextDocument *document = dialog.Text1->document();
    ASSERT_EQ(document->blockCount(), 22);
    const QStringList expected = expectedLines();
    int i = 0;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next(), ++i)
        EXPECT_EQ(block.text(), expected[i]) << "line " << i + 1;
    EXPECT_FALSE(dialog.Text1->toPlainText().contains(QChar(u'\r')));
}

TEST(HelpDialogTest, TextCanBeSelectedButNotEdited)
{
    frmHelp dialog;
    dialog.show();
    QPlainTextEdit *box = dialog.Text1;
    EXPECT_TRUE(box->isReadOnly());
    EXPECT_FALSE(box->textInteractionFlags() & Qt::TextEditable);
    EXPECT_TRUE(box->textInteractionFlags() & Qt::TextSelectableByMouse);
    EXPECT_TRUE(box->textInteractionFlags() & Qt::TextSelectableByKeyboard);

    const QString before = box->toPlainText();
    box->setFocus();
    QTest::keyClicks(box, QStringLiteral("xyz"));
    QTest::keyClick(box, Qt::Key_Backspace);
    QTest::keyClick(box, Qt::Key_Delete);
    EXPECT_EQ(box->toPlainText(), before);

    QTest::keyClick(box, Qt::Key_End, Qt::ShiftModifier);
    EXPECT_EQ(box->textCursor().selectedText(), QString::fromUtf16(expectedHelpLines[0]));
    dialog.Command1->click();
}

TEST(HelpDialogTest, WindowAndControlsKeepTheirPlaces)
{
    frmHelp dialog;
    EXPECT_EQ(dialog.windowTitle(), QString::fromUtf16(u"説明"));
    EXPECT_EQ(dialog.size(), QSize(346, 312));
    EXPECT_EQ(dialog.Text1->geometry(), QRect(8, 8, 329, 257));
    EXPECT_EQ(dialog.Command1->geometry(), QRect(128, 272, 81, 33));
    EXPECT_EQ(dialog.Command1->text(), QStringLiteral("OK!"));
    EXPECT_TRUE(dialog.Command1->isDefault());
    EXPECT_EQ(dialog.Text1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(dialog.focusWidget(), dialog.Command1);
    EXPECT_EQ(dialog.Command1->nextInFocusChain(), dialog.Text1);
    EXPECT_TRUE(dialog.Text1->focusPolicy() & Qt::TabFocus);

    const QFontInfo info(dialog.Text1->font());
    EXPECT_EQ(info.family(), japaneseGothicFamily());
    EXPECT_EQ(info.pixelSize(), 12);
    const QFontMetrics metrics(dialog.Text1->font());
    for (const uint ch : (helpText() + dialog.windowTitle()).toUcs4()) {
        if (ch != '\r' && ch != '\n') {
            EXPECT_TRUE(metrics.inFontUcs4(ch)) << "U+" << std::hex << ch;
        }
    }
}

// ---- Both dialogs -----------------------------------------------------------------------

std::vector<std::unique_ptr<QDialog>> bothDialogs()
{
    std::vector<std::unique_ptr<QDialog>> dialogs;
    dialogs.push_back(std::make_unique<frmAbout>(programIcon()));
    dialogs.push_back(std::make_unique<frmHelp>());
    return dialogs;
}

TEST(DialogsTest, FixedSizeWithACloseBoxButNoMinimiseOrMaximise)
{
    for (const auto &dialog : bothDialogs()) {
        SCOPED_TRACE(dialog->metaObject()->className());
        const Qt::WindowFlags flags = dialog->windowFlags();
        EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Dialog);
        EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
        EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
        EXPECT_FALSE(flags & Qt::WindowContextHelpButtonHint);
        EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
        EXPECT_EQ(dialog->minimumSize(), dialog->size());
        EXPECT_EQ(dialog->maximumSize(), dialog->size());
    }
}

TEST(DialogsTest, OkClosesTheDialog)
{
    for (const auto &dialog : bothDialogs()) {
        SCOPED_TRACE(dialog->metaObject()->className());
        dialog->show();
        ASSERT_TRUE(dialog->isVisible());
        auto *ok = qobject_cast<QPushButton *>(dialog->focusWidget());
        ASSERT_NE(ok, nullptr);
        QTest::mouseClick(ok, Qt::LeftButton);
        EXPECT_FALSE(dialog->isVisible());
        EXPECT_EQ(dialog->result(), QDialog::Accepted);
    }
}

// The game's window: a view that steers the game, and another control that held the focus
// before the dialog opened.
struct GameWindow {
    QWidget window;
    QWidget *view = new QWidget(&window);
    QLineEdit *other = new QLineEdit(&window);

    GameWindow()
    {
        view->setFocusPolicy(Qt::StrongFocus);
        window.show();
        other->setFocus();
    }
};

TEST(DialogsTest, AKeyOnTheOpeningFocusClosesAtOnceAndTheGameGetsTheKeysBack)
{
    const struct {
        const char *name;
        std::function<void(QWidget *)> open;
        Qt::Key key;
    } rows[] = {
        {"Help, Return", [](QWidget *p) { showHelpDialog(p); }, Qt::Key_Return},
        {"Help, Space", [](QWidget *p) { showHelpDialog(p); }, Qt::Key_Space},
        {"About, Return", [](QWidget *p) { showAboutDialog(p, programIcon()); }, Qt::Key_Return},
        {"About, Space", [](QWidget *p) { showAboutDialog(p, programIcon()); }, Qt::Key_Space},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        GameWindow game;
        bool wasModal = false;
        bool closedByKey = false;
        QTimer::singleShot(0, &game.window, [&] {
            // The dialog is the window's only QDialog child while it is open.
            auto *dialog = game.window.findChild<QDialog *>();
            if (dialog == nullptr)
                return;
            wasModal = QApplication::activeModalWidget() == dialog;
            QTest::keyClick(dialog->focusWidget(), row.key);
            closedByKey = !dialog->isVisible();
            if (!closedByKey)
                dialog->reject();
        });
        row.open(game.view);
        EXPECT_TRUE(wasModal);
        EXPECT_TRUE(closedByKey);
        EXPECT_EQ(game.window.findChild<QDialog *>(), nullptr) << "a closed dialog is gone";
        EXPECT_TRUE(game.view->isEnabled());
        EXPECT_EQ(game.window.focusWidget(), game.view);
    }
}

} // namespace
} // namespace quorrax
