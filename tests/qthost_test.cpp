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

#include <functional>

// The real Qt host, headless: Qt's key and input-method events become the game's keys,
// whatever is open over the game holds it, and the window shows what the game drew.

namespace quorrax::testing {
namespace {

class TestHost : public QtHost
{
public:
    explicit TestHost(std::string folder) : m_folder(std::move(folder)) {}
    std::string appPath() override { return m_folder; }
    // A minute of 50 ms seconds, so that the countdown takes a fraction of a second.
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
    std::string file() { return fuzzcheck::slurp(folder.dir() / iniFileName); }
};

// Sends an event to the game's view as the window system would; returns the text of the
// message box it brought up, closed again with its OK button, or "" for none.
std::string deliver(QtGame &game, QEvent *event)
{
    std::string boxText = "";
    QTimer::singleShot(0, [&boxText] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            boxText = (box->windowTitle() + QStringLiteral(": ") + box->text()).toStdString();
            box->button(QMessageBox::Ok)->click();
        }
    });
    QApplication::sendEvent(game.view(), event);
    QCoreApplication::processEvents();
    return boxText;
}

TEST(QtHostTest, KeysAndInputMethodTextReachTheGameAsItsOwnKeys)
{
    constexpr Integer Battle = vbFalse, Single = vbTrue;
    const std::string imeMessage = "Quorrax: 日本語入力をOFFにしてください";
    Integer frmMain::*const working = &frmMain::Working, frmMain::*const red = &frmMain::AkaMuki,
                            frmMain::*const blue = &frmMain::AoMuki, frmMain::*const mode = &frmMain::GMode;
    const struct {
        Integer screen, gmode, muki; // the game's state before the key; muki for both lines
        int key;                     // Qt's key, or 0 for text typed through an input method
        Qt::KeyboardModifiers modifiers;
        const char *text;
        Integer frmMain::*field;
        Integer expected;
        std::string box;
    } rows[] = {
        {screen::Title, Single, muki::Up, Qt::Key_Return, {}, "\r", working, screen::ModeSelect, ""},
        {screen::ModeSelect, Single, muki::Up, Qt::Key_Down, {}, "", mode, Battle, ""},
        {screen::ModeSelect, Battle, muki::Up, Qt::Key_Up, {}, "", mode, Single, ""},
        {screen::ModeSelect, Single, muki::Up, Qt::Key_Enter, Qt::KeypadModifier, "\r", working, screen::Countdown, ""},
        {screen::Match, Battle, muki::Right, Qt::Key_W, {}, "w", red, muki::Up, ""},
        {screen::Match, Battle, muki::Right, Qt::Key_Z, Qt::ShiftModifier, "Z", red, muki::Down, ""},
        {screen::Match, Battle, muki::Up, Qt::Key_A, {}, "A", red, muki::Left, ""}, // Caps Lock on
        {screen::Match, Battle, muki::Up, Qt::Key_S, {}, "s", red, muki::Right, ""},
        {screen::Match, Battle, muki::Right, Qt::Key_I, {}, "i", blue, muki::Up, ""},
        {screen::Match, Battle, muki::Right, Qt::Key_M, {}, "m", blue, muki::Down, ""},
        {screen::Match, Battle, muki::Up, Qt::Key_J, {}, "j", blue, muki::Left, ""},
        {screen::Match, Battle, muki::Up, Qt::Key_K, Qt::ShiftModifier, "K", blue, muki::Right, ""},
        {screen::Match, Battle, muki::Up, 0, {}, "あ", red, muki::Up, imeMessage},
        {screen::Title, Single, muki::Up, 0, {}, "あ", working, screen::Title, ""},
        {screen::MatchOver, Single, muki::Up, 0, {}, "あ", working, screen::MatchOver, ""},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(::testing::Message() << "screen " << row.screen << ", key " << row.key << " \"" << row.text << "\"");
        QtGame game;
        game.form.Working = row.screen;
        game.form.GMode = row.gmode;
        game.form.AkaMuki = game.form.AoMuki = row.muki;
        std::unique_ptr<QEvent> event;
        if (row.key != 0) {
            event = std::make_unique<QKeyEvent>(QEvent::KeyPress, row.key, row.modifiers, QString::fromUtf8(row.text));
        } else {
            auto *typed = new QInputMethodEvent;
            typed->setCommitString(QString::fromUtf8(row.text));
            event.reset(typed);
        }
        EXPECT_EQ(deliver(game, event.get()), row.box);
        EXPECT_EQ(game.form.*row.field, row.expected);
    }
}

// What the player opens over a running match, and how it is closed again.
enum class Opening { Help, About, Menu, ImeMessage };
enum class Closing { Return, Escape, CloseBox };

void open(QtGame &game, Opening opening)
{
    if (opening == Opening::ImeMessage) {
        auto *typed = new QInputMethodEvent;
        typed->setCommitString(QStringLiteral("あ"));
        QCoreApplication::postEvent(game.view(), typed);
        return;
    }
    QTimer::singleShot(0, [&game, opening] {
        QMenuBar *bar = game.host.gameWindow().menuBar();
        QMenu *menu = bar->findChild<QMenu *>(QStringLiteral("mnuGame"));
        if (opening == Opening::Menu)
            QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(menu->menuAction()).center());
        else
            menu->actions().at(opening == Opening::Help ? 0 : 1)->trigger();
    });
}

std::string openOverTheGame()
{
    if (QWidget *popup = QApplication::activePopupWidget())
        return popup->objectName().toStdString();
    if (QWidget *modal = QApplication::activeModalWidget())
        return modal->windowTitle().toStdString();
    return "";
}

// Plays a Single match on the real host, opens something over it at the tenth tick, and
// closes it again a while later. Meanwhile the window must show exactly the back buffer
// after every frame and not move while anything is open; afterwards the next key steers,
// and a close box pressed while something is open saves and ends the game.
TEST(QtHostTest, WhatIsOpenOverAMatchHoldsItAndTheWindowShowsEveryFrame)
{
    const struct {
        Opening opening;
        Closing closing;
        std::string seen;
    } rows[] = {
        {Opening::Help, Closing::Return, "説明"},
        {Opening::About, Closing::CloseBox, "バージョン情報"},
        {Opening::Menu, Closing::Escape, "mnuGame"},
        {Opening::Menu, Closing::CloseBox, "mnuGame"},
        {Opening::ImeMessage, Closing::Return, "Quorrax"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.seen);
        QtGame game;
        int ticks = 0, wrongFrames = 0, ticksWhileOpen = -1;
        QImage before, whileOpen;
        std::string seen;
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
                    wrongFrames += shown.pixel(x, y) != qRgb(int(c & 255), int(c >> 8 & 255), int(c >> 16 & 255));
                }
            if (++ticks == 10) {
                game.form.HighScore = 9876; // the score of this moment, not the file's
                before = shown;
                open(game, row.opening);
                QTimer::singleShot(300, [&] {
                    seen = openOverTheGame();
                    whileOpen = game.shown();
                    ticksWhileOpen = ticks;
                    if (row.closing == Closing::CloseBox)
                        game.host.gameWindow().close();
                    else if (QWidget *popup = QApplication::activePopupWidget())
                        QTest::keyClick(popup, Qt::Key_Escape);
                    else if (QWidget *modal = QApplication::activeModalWidget())
                        QTest::keyClick(modal->focusWidget() ? modal->focusWidget() : modal, Qt::Key_Return);
                });
            } else if (ticks == 15) {
                // Where the window system sends the next key: to whatever has the focus.
                QCoreApplication::postEvent(QApplication::focusWidget(), new QKeyEvent(QEvent::KeyPress, Qt::Key_S, {}));
            } else if (ticks == 20) {
                EXPECT_EQ(game.form.AkaMuki, muki::Right) << "the key after the closing did not steer";
                game.host.gameWindow().close();
            }
        };
        bool hung = false;
        QTimer watchdog;
        QObject::connect(&watchdog, &QTimer::timeout, [&] { hung = true, game.host.requestClose(); });
        watchdog.start(20'000);
        EXPECT_THROW(game.form.Form_Load(), ProgramEnd);
        EXPECT_FALSE(hung);
        EXPECT_EQ(seen, row.seen);
        EXPECT_EQ(whileOpen, before) << "the window changed while the match should have held";
        EXPECT_EQ(ticksWhileOpen, 10);
        EXPECT_EQ(wrongFrames, 0) << "pixels of the window other than the back buffer's";
        EXPECT_EQ(ticks, row.closing == Closing::CloseBox ? 10 : 20);
        EXPECT_EQ(game.file(), "[Quorrax]\r\nHighScore=9876\r\n");
        EXPECT_EQ(openOverTheGame(), "") << "left open after the end";
    }
}

} // namespace
} // namespace quorrax::testing
