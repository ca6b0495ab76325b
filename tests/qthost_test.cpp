#include "fuzz/profile_invariants.h"
#include "scratch_folder.h"
#include "shell/frmmain.h"
#include "shell/qt/qthost.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

// The real Qt host, headless: Qt's key and input-method events become the game's keys,
// whatever is open over the game holds it, and the window shows what the game drew.

namespace quorrax::testing {
namespace {

class TestHost : public QtHost
{
public:
    explicit TestHost(std::string folder) : m_folder(std::move(folder)) {}
    std::string appPath() override { return m_folder; }
    // Seconds of 50 ms, so that the countdown takes a fraction of a second.
    int secondOfMinute() override { return int(timeGetTime() / 50 % 60); }
    void idleUntilSecondChanges(int second) override
    {
        if (secondOfMinute() == second)
            idleUntil((timeGetTime() / 50 + 1) * 50);
    }
    void DoEvents() override
    {
        if (onYield)
            onYield();
        QtHost::DoEvents();
    }
    void Refresh() override
    {
        QtHost::Refresh();
        if (afterRefresh)
            afterRefresh();
    }
    std::function<void()> onYield, afterRefresh;

private:
    std::string m_folder;
};

struct QtGame {
    ScratchFolder folder;
    TestHost host{folder.path()};
    frmMain form{host};
    QtGame() { host.bind(form); }
    GameView *view() { return host.gameWindow().view(); }
    QImage shown() { return view()->grab().toImage().convertToFormat(QImage::Format_RGB32); }
};

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
        {screen::Match, Battle, muki::Right, Qt::Key_Z, Qt::ShiftModifier, "Z", red, muki::Down},
        {screen::Match, Battle, muki::Up, Qt::Key_A, {}, "A", red, muki::Left}, // Caps Lock on
        {screen::Match, Battle, muki::Up, Qt::Key_S, {}, "s", red, muki::Right},
        {screen::Match, Battle, muki::Right, Qt::Key_I, {}, "i", blue, muki::Up},
        {screen::Match, Battle, muki::Right, Qt::Key_M, {}, "m", blue, muki::Down},
        {screen::Match, Battle, muki::Up, Qt::Key_J, {}, "j", blue, muki::Left},
        {screen::Match, Battle, muki::Up, Qt::Key_K, Qt::ShiftModifier, "K", blue, muki::Right},
        {screen::Match, Battle, muki::Up, 0, {}, "あ", red, muki::Up, true},
        {screen::Title, Single, muki::Up, 0, {}, "あ", working, screen::Title},
        {screen::MatchOver, Single, muki::Up, 0, {}, "あ", working, screen::MatchOver},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(::testing::Message() << "screen " << row.screen << ", key " << row.key << " \"" << row.text << "\"");
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

enum class Opening { Help, About, Menu, Message };

void open(QtGame &game, Opening opening)
{
    QMenuBar *bar = game.host.gameWindow().menuBar();
    QMenu *menu = bar->findChild<QMenu *>(QStringLiteral("mnuGame"));
    if (opening == Opening::Message) {
        auto *typed = new QInputMethodEvent;
        typed->setCommitString(QStringLiteral("あ"));
        QCoreApplication::postEvent(game.view(), typed);
    } else if (opening == Opening::Menu) {
        QTimer::singleShot(0, [bar, menu] { QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(menu->menuAction()).center()); });
    } else {
        QTimer::singleShot(0, menu->actions().at(opening == Opening::Help ? 0 : 1), &QAction::trigger);
    }
}

std::string openOverTheGame()
{
    if (QWidget *popup = QApplication::activePopupWidget())
        return popup->objectName().toStdString();
    return QApplication::activeModalWidget() ? QApplication::activeModalWidget()->windowTitle().toStdString() : "";
}

// Plays a Single match on the real host, opens something over it at the tenth tick, and
// after a while closes it with a key, or presses the close box. After every frame the
// window must show the back buffer exactly; nothing moves while something is open; then
// the next key steers, or the close box saves the score of that moment and ends the game.
TEST(QtHostTest, WhatIsOpenOverAMatchHoldsItAndTheWindowShowsEveryFrame)
{
    const struct {
        Opening opening;
        std::string title;
        bool closeBox;
    } rows[] = {
        {Opening::Help, "説明", false},   {Opening::Message, "Quorrax", false}, {Opening::Menu, "mnuGame", false},
        {Opening::About, "バージョン情報", true}, {Opening::Menu, "mnuGame", true},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.title + (row.closeBox ? ", close box" : ""));
        QtGame game;
        int ticks = 0, wrongPixels = 0, ticksWhileOpen = -1;
        QImage before, whileOpen;
        std::string seen;
        bool hung = false;
        game.host.onYield = [&] {
            if (game.form.Working == screen::Title || game.form.Working == screen::ModeSelect)
                QCoreApplication::postEvent(game.view(), new QKeyEvent(QEvent::KeyPress, Qt::Key_Return, {}));
        };
        game.host.afterRefresh = [&] {
            if (game.form.Working != screen::Match)
                return;
            const QImage shown = game.shown();
            for (int y = 0; y < game.form.window.height(); ++y)
                for (int x = 0; x < game.form.window.width(); ++x) {
                    const Color c = game.form.window.pixel(x, y);
                    wrongPixels += shown.pixel(x, y) != qRgb(int(c & 255), int(c >> 8 & 255), int(c >> 16 & 255));
                }
            if (++ticks == 10) {
                game.form.HighScore = 9876; // the score of this moment, not the file's
                before = shown;
                open(game, row.opening);
                QTimer::singleShot(300, [&] {
                    seen = openOverTheGame();
                    whileOpen = game.shown();
                    ticksWhileOpen = ticks;
                    QWidget *held = QApplication::activePopupWidget() ? QApplication::activePopupWidget() : QApplication::activeModalWidget();
                    if (row.closeBox)
                        game.host.gameWindow().close();
                    else if (held)
                        QTest::keyClick(held->focusWidget() ? held->focusWidget() : held, held->isModal() ? Qt::Key_Return : Qt::Key_Escape);
                });
            } else if (ticks == 15) { // to whatever has the focus, as the window system does
                QCoreApplication::postEvent(QApplication::focusWidget(), new QKeyEvent(QEvent::KeyPress, Qt::Key_S, {}));
            } else if (ticks == 20) {
                EXPECT_EQ(game.form.AkaMuki, muki::Right) << "the key after the closing did not steer";
                game.host.gameWindow().close();
            }
        };
        QTimer watchdog;
        QObject::connect(&watchdog, &QTimer::timeout, [&] { hung = true, game.host.requestClose(); });
        watchdog.start(20'000);
        EXPECT_THROW(game.form.Form_Load(), ProgramEnd);
        EXPECT_FALSE(hung);
        EXPECT_EQ(seen, row.title);
        EXPECT_EQ(whileOpen, before) << "the window changed while the match should have held";
        EXPECT_EQ(ticksWhileOpen, 10);
        EXPECT_EQ(wrongPixels, 0) << "pixels of the window other than the back buffer's";
        EXPECT_EQ(ticks, row.closeBox ? 10 : 20);
        EXPECT_EQ(fuzzcheck::slurp(game.folder.dir() / iniFileName), "[Quorrax]\r\nHighScore=9876\r\n");
        EXPECT_EQ(openOverTheGame(), "") << "left open after the end";
    }
}

} // namespace
} // namespace quorrax::testing
