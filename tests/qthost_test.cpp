// SPDX-License-Identifier: MIT
#include "fuzz/profile_invariants.h"
#include "qt_game.h"

#include "buildinfo.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <algorithm>

// The real Qt host, headless: Qt's key and input-method events become the game's keys,
// the menu bar reads as the player reads it, and whatever is open over the game holds it.

namespace quorrax::test {
namespace {

// Sends an event to the game's view as the window system would; returns the title and text
// of the message box it brought up, closed again with its OK button, or "" for none.
std::string deliver(QtGame &game, QEvent *event)
{
    std::string box;
    QTimer::singleShot(0, [&box] {
        if (auto *shown = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            box = (shown->windowTitle() + QStringLiteral(": ") + shown->text()).toStdString();
            shown->button(QMessageBox::Ok)->click();
        }
    });
    QApplication::sendEvent(game.view(), event);
    QCoreApplication::processEvents();
    return box;
}

TEST(QtHostTest, KeysAndInputMethodTextReachTheGameAsItsOwnKeys)
{
    constexpr Integer Battle = vbFalse, Single = vbTrue;
    Integer frmMain::*const working = &frmMain::Working, frmMain::*const red = &frmMain::AkaMuki,
                            frmMain::*const blue = &frmMain::AoMuki, frmMain::*const mode = &frmMain::GMode;
    const struct {
        Integer screen, gmode, muki; // the game's state before the key; muki for both lines
        int key;                     // Qt's key, or 0 for text typed through an input method
        Qt::KeyboardModifiers modifiers;
        const char *text;
        Integer frmMain::*field;
        Integer expected;
        bool message = false;
    } rows[] = {
        {screen::Title, Single, muki::Up, Qt::Key_Return, {}, "\r", working, screen::ModeSelect},
        {screen::ModeSelect, Single, muki::Up, Qt::Key_Down, {}, "", mode, Battle},
        {screen::ModeSelect, Battle, muki::Up, Qt::Key_Up, {}, "", mode, Single},
        {screen::ModeSelect, Single, muki::Up, Qt::Key_Enter, Qt::KeypadModifier, "\r", working, screen::Countdown},
        {screen::Match, Battle, muki::Right, Qt::Key_W, {}, "w", red, muki::Up},
        {screen::Match, Battle, muki::Up, Qt::Key_S, {}, "S", red, muki::Right}, // Caps Lock on
        {screen::Match, Battle, muki::Right, Qt::Key_I, Qt::ShiftModifier, "I", blue, muki::Up},
        {screen::Match, Battle, muki::Up, Qt::Key_K, {}, "k", blue, muki::Right},
        // Typed through an input method: only in a match does it bring up the message.
        {screen::Title, Single, muki::Up, 0, {}, "あ", working, screen::Title},
        {screen::ModeSelect, Single, muki::Up, 0, {}, "あ", working, screen::ModeSelect},
        {screen::Countdown, Single, muki::Up, 0, {}, "あ", working, screen::Countdown},
        {screen::MatchOver, Single, muki::Up, 0, {}, "あ", working, screen::MatchOver},
        {screen::Match, Battle, muki::Up, 0, {}, "あ", red, muki::Up, true},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(testing::Message() << "screen " << row.screen << ", key " << row.key << " \"" << row.text << "\"");
        QtGame game;
        game.form.Working = row.screen;
        game.form.GMode = row.gmode;
        game.form.AkaMuki = game.form.AoMuki = row.muki;
        QKeyEvent key(QEvent::KeyPress, row.key, row.modifiers, QString::fromUtf8(row.text));
        QInputMethodEvent typed;
        typed.setCommitString(QString::fromUtf8(row.text));
        EXPECT_EQ(deliver(game, row.key ? static_cast<QEvent *>(&key) : &typed),
                  row.message ? "Quorrax: 日本語入力をOFFにしてください" : "");
        EXPECT_EQ(game.form.*row.field, row.expected);
    }
}

// The action with the visible text `text` among `actions`, or none.
QAction *byText(const QList<QAction *> &actions, const char *text)
{
    const auto found =
        std::find_if(actions.begin(), actions.end(), [text](QAction *a) { return a->text() == QLatin1String(text); });
    return found == actions.end() ? nullptr : *found;
}

enum class Opening { Help, About, Menu, Message };

void open(QtGame &game, Opening opening)
{
    QMenuBar *bar = game.host.gameWindow().menuBar();
    QAction *menu = byText(bar->actions(), "Game");
    QAction *item = menu ? byText(menu->menu()->actions(), opening == Opening::Help ? "Help..." : "About...") : nullptr;
    ASSERT_TRUE(menu && item) << "no menu \"Game\" with the item";
    if (opening == Opening::Message) {
        auto *typed = new QInputMethodEvent;
        typed->setCommitString(QStringLiteral("あ"));
        QCoreApplication::postEvent(game.view(), typed);
    } else if (opening == Opening::Menu) {
        QTimer::singleShot(
            0, [bar, menu] { QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(menu).center()); });
    } else {
        QTimer::singleShot(0, item, &QAction::trigger);
    }
}

// What is open over the game: the menu, or else a dialog or message box.
QWidget *held()
{
    return QApplication::activePopupWidget() ? QApplication::activePopupWidget() : QApplication::activeModalWidget();
}

std::string heldTitle()
{
    const auto *menu = qobject_cast<QMenu *>(held());
    return !held() ? "" : (menu ? menu->title() : held()->windowTitle()).toStdString();
}

// Goes on from the title into a Single, on a clean arena with a frame round it, so that
// the window's edges show in the match too.
void intoASingleOnAFramedArena(QtGame &game)
{
    Surface &arena = game.form.picShaikei;
    for (int x = 0; x < field::width && game.form.Working == screen::Title; ++x)
        arena.setPixel(x, 0, RGB(10, 20, 30)), arena.setPixel(x, field::height - 1, RGB(10, 20, 30));
    for (int y = 0; y < field::height && game.form.Working == screen::Title; ++y)
        arena.setPixel(0, y, RGB(10, 20, 30)), arena.setPixel(field::width - 1, y, RGB(10, 20, 30));
    if (game.form.Working == screen::Title || game.form.Working == screen::ModeSelect)
        QCoreApplication::postEvent(game.view(), new QKeyEvent(QEvent::KeyPress, Qt::Key_Return, {}));
}

// The window's pixels other than the back buffer's, drawn as on a screen scaled by two,
// where each pixel of the field must be a crisp block of four.
int pixelsOtherThanTheBackBuffers(QtGame &game)
{
    QImage twice(game.view()->size() * 2, QImage::Format_RGB32);
    twice.setDevicePixelRatio(2);
    game.view()->render(&twice);
    int wrong = 0;
    for (int y = 0; y < twice.height(); ++y)
        for (int x = 0; x < twice.width(); ++x) {
            const Color c = game.form.window.pixel(x / 2, y / 2);
            wrong += twice.pixel(x, y) != qRgb(int(c & 255), int(c >> 8 & 255), int(c >> 16 & 255));
        }
    return wrong;
}

// Plays a Single match on the real host, opens something over it at the tenth tick, and
// after a while closes it with a key, or presses the close box. The window shows the back
// buffer, edges included; nothing moves while something is open; then the next key
// steers, or the close box saves the score of that moment and ends the game. (That each
// frame's changes reach the window whole, the changed rows' own test shows.)
const struct {
    Opening opening;
    std::string title;
    bool closeBox;
} openings[] = {
    {Opening::Help, "説明", false},           {Opening::Message, "Quorrax", false}, {Opening::Menu, "Game", false},
    {Opening::About, "バージョン情報", true}, {Opening::Menu, "Game", true},
};

TEST(QtHostTest, WhatIsOpenOverAMatchHoldsItAndTheWindowShowsTheField)
{
    for (const auto &row : openings) {
        SCOPED_TRACE(row.title + (row.closeBox ? ", close box" : ""));
        QtGame game;
        int ticks = 0, wrongPixels = 0, ticksWhileOpen = -1;
        QImage before, whileOpen;
        std::string seen;
        bool hung = false;
        game.host.onYield = [&game] { intoASingleOnAFramedArena(game); };
        game.host.presented = [&](bool refresh) {
            if (!refresh || game.form.Working != screen::Match)
                return;
            if (++ticks == 10) {
                game.form.HighScore = 9876; // the score of this moment, not the file's
                before = game.shown();
                wrongPixels = pixelsOtherThanTheBackBuffers(game);
                open(game, row.opening);
                QTimer::singleShot(300, [&] {
                    seen = heldTitle();
                    whileOpen = game.shown();
                    ticksWhileOpen = ticks;
                    if (row.closeBox)
                        game.host.gameWindow().close();
                    else if (held())
                        QTest::keyClick(held()->focusWidget() ? held()->focusWidget() : held(),
                                        held()->isModal() ? Qt::Key_Return : Qt::Key_Escape);
                });
            } else if (ticks == 15) { // to whatever has the focus, as the window system does
                QCoreApplication::postEvent(QApplication::focusWidget(),
                                            new QKeyEvent(QEvent::KeyPress, Qt::Key_S, {}));
            } else if (ticks == 20) {
                EXPECT_EQ(game.form.AkaMuki, muki::Right) << "the key after the closing did not steer";
                game.host.gameWindow().close();
            }
        };
        QTimer watchdog;
        QObject::connect(&watchdog, &QTimer::timeout, [&] { // closes what is open, should the host not
            hung = true, game.host.requestClose();
            if (held())
                held()->close();
        });
        watchdog.start(20'000);
        EXPECT_THROW(game.form.Form_Load(), ProgramEnd);
        EXPECT_FALSE(hung);
        EXPECT_EQ(seen, row.title);
        EXPECT_EQ(whileOpen, before) << "the window changed while the match should have held";
        EXPECT_EQ(ticksWhileOpen, 10);
        EXPECT_EQ(wrongPixels, 0) << "pixels of the window other than the back buffer's";
        EXPECT_EQ(ticks, row.closeBox ? 10 : 20);
        // A build for everyone keeps the score in the player's own copy only.
        EXPECT_EQ(fuzzcheck::slurp(game.host.folder.dir() / iniFileName),
                  build::systemInstall ? "" : "[Quorrax]\r\nHighScore=9876\r\n");
        EXPECT_EQ(heldTitle(), "") << "left open after the end";
    }
}

} // namespace
} // namespace quorrax::test
