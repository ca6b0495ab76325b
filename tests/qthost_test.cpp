#include "game_fixture.h"
#include "shell/profile.h"
#include "shell/qt/qthost.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

// The real Qt host, headless, with a real game running on it: keys, the menu, the dialogs
// and the close request come through Qt's own event queue, in real time. The tests wait
// on events and on the game's own yields, never on the clock, and judge the game's state.

namespace quorrax::testing {
namespace {

// A seconds field that turns every 50 ms, so that the countdown takes a fraction of a
// second; everything else is the real host.
constexpr std::uint32_t fastSecondMs = 50;
// How long a dialog or menu stays open: long enough for a dozen frames to pass, were the
// game not holding.
constexpr int holdMs = 150;
// A game that hangs is ended after this long, and its test fails.
constexpr int watchdogMs = 10'000;
// The window system may take a round of events to hand the window the keyboard again
// after a dialog or menu is gone.
constexpr int settleYields = 5;
// The mode screen and the match end sleep until an event comes; a steady pulse of timer
// events lets the script look at them now and then.
constexpr int pulseMs = 5;

class TestHost : public QtHost
{
public:
    explicit TestHost(std::string folder) : m_folder(std::move(folder)) {}

    std::string appPath() override { return m_folder; }
    int secondOfMinute() override { return int(timeGetTime() / fastSecondMs % 60); }
    void idleUntilSecondChanges(int second) override
    {
        if (secondOfMinute() == second)
            idleUntil((timeGetTime() / fastSecondMs + 1) * fastSecondMs);
    }
    void DoEvents() override
    {
        ++yields;
        if (beforeYield)
            beforeYield();
        QtHost::DoEvents();
    }
    void Refresh() override
    {
        ++refreshes;
        if (beforeRefresh)
            beforeRefresh();
        QtHost::Refresh();
    }
    int Print(Surface &target, int x, int y, std::string_view text, double points, Color color) override
    {
        printed.emplace_back(text);
        return QtHost::Print(target, x, y, text, points, color);
    }

    std::function<void()> beforeYield;
    std::function<void()> beforeRefresh;
    std::uint64_t yields = 0;
    std::uint64_t refreshes = 0;
    std::vector<std::string> printed;

private:
    std::string m_folder;
};

// Everything of the game that moves while it runs.
struct Snapshot {
    std::uint64_t yields = 0;
    std::uint64_t refreshes = 0;
    std::uint64_t generation = 0;
    std::size_t printed = 0;
    int matchTicks = 0;
    Integer working = 0;
    Integer SUc = 0;
    Long AkaX = 0, AkaY = 0, AoX = 0, AoY = 0, JamaX = 0, JamaY = 0;

    bool operator==(const Snapshot &) const = default;
    friend void PrintTo(const Snapshot &s, std::ostream *out)
    {
        *out << "yields " << s.yields << ", refreshes " << s.refreshes << ", generation " << s.generation
             << ", texts " << s.printed << ", ticks " << s.matchTicks << ", Working " << s.working << ", SUc "
             << s.SUc << ", red (" << s.AkaX << "," << s.AkaY << "), blue (" << s.AoX << "," << s.AoY
             << "), yellow (" << s.JamaX << "," << s.JamaY << ")";
    }
};

// A real game on the real host, driven by a script of steps: at each yield the next step
// looks at the game and either acts and is done, or waits for a later yield.
struct RealGame {
    ScratchFolder folder;
    TestHost host{folder.path()};
    frmMain form{host};
    int matchTicks = 0;
    bool timedOut = false;
    std::vector<std::function<bool()>> steps;
    std::size_t nextStep = 0;

    RealGame()
    {
        host.bind(form);
        host.beforeRefresh = [this] {
            if (form.Working == screen::Match)
                ++matchTicks;
        };
        host.beforeYield = [this] {
            if (nextStep < steps.size() && steps[nextStep]())
                ++nextStep;
        };
    }

    // Runs the game until it ends itself; false when the watchdog had to end it.
    bool run()
    {
        QTimer pulse;
        pulse.start(pulseMs);
        // The watchdog itself closes whatever is open, in case the host does not.
        QTimer watchdog;
        QObject::connect(&watchdog, &QTimer::timeout, [this, &watchdog] {
            timedOut = true;
            watchdog.setInterval(100);
            host.requestClose();
            if (QWidget *popup = QApplication::activePopupWidget())
                popup->close();
            if (QWidget *modal = QApplication::activeModalWidget())
                modal->close();
        });
        watchdog.start(watchdogMs);
        try {
            form.Form_Load();
        } catch (const ProgramEnd &) {
            return !timedOut;
        }
        return false;
    }
    bool allStepsDone() const { return nextStep == steps.size(); }

    Snapshot snapshot() const
    {
        return {host.yields,  host.refreshes, form.window.generation(), host.printed.size(), matchTicks,
                form.Working, form.SUc,       form.AkaX,                form.AkaY,           form.AoX,
                form.AoY,     form.JamaX,     form.JamaY};
    }

    GameView *view() { return host.gameWindow().view(); }
    QAction *action(const char *name) { return host.gameWindow().findChild<QAction *>(QString::fromLatin1(name)); }
    QMenu *gameMenu() { return host.gameWindow().findChild<QMenu *>(QStringLiteral("mnuGame")); }

    void keyToView(Qt::Key key)
    {
        QCoreApplication::postEvent(view(), new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier));
    }
    // A key as the window system hands it on: to whichever widget has the keyboard.
    static void keyToFocus(Qt::Key key)
    {
        if (QWidget *focus = QApplication::focusWidget())
            QCoreApplication::postEvent(focus, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier));
    }

    // Steps that lead from the title to the mode screen.
    void leadToModeSelection()
    {
        steps.push_back([this] {
            if (form.Working != screen::Title || host.yields < 3)
                return false;
            keyToView(Qt::Key_Return);
            return true;
        });
    }
    // Steps that lead from the title into a match of the given mode.
    void leadToMatch(bool single)
    {
        leadToModeSelection();
        steps.push_back([this, single] {
            if (form.Working != screen::ModeSelect)
                return false;
            if (!single)
                keyToView(Qt::Key_Down);
            keyToView(Qt::Key_Return);
            return true;
        });
    }

    // The high score in the file the game left behind, as the game reads it.
    std::string savedHighScore() const
    {
        return GetPrivateProfileString(iniSection, iniKey, "missing", 1024, folder.path() + iniFileName);
    }
};

bool digitShown(const TestHost &host)
{
    for (const std::string &text : host.printed)
        if (text == " 3")
            return true;
    return false;
}

// What is held open over the game, and how the player opens and closes it.
enum class Opening { Help, About, Menu, ImeMessage };
enum class Closing { ReturnKey, OkClick, EscapeKey, ClickOutside };

// What the player sees open: the title of the dialog or message box, or the menu's name.
std::string expectedOpen(Opening opening)
{
    switch (opening) {
    case Opening::Help:
        return "説明";
    case Opening::About:
        return "バージョン情報";
    case Opening::Menu:
        return "mnuGame";
    case Opening::ImeMessage:
        return "Quorrax";
    }
    return {};
}

// Opens it from inside the current yield's round of events, as the player's click would.
void open(RealGame &game, Opening opening)
{
    switch (opening) {
    case Opening::Help:
        QTimer::singleShot(0, game.action("mnuGameHelp"), &QAction::trigger);
        break;
    case Opening::About:
        QTimer::singleShot(0, game.action("mnuGameAbout"), &QAction::trigger);
        break;
    case Opening::Menu:
        QTimer::singleShot(0, [&game] {
            QMenuBar *bar = game.host.gameWindow().menuBar();
            QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(game.gameMenu()->menuAction()).center());
        });
        break;
    case Opening::ImeMessage: {
        auto *typed = new QInputMethodEvent;
        typed->setCommitString(QStringLiteral("あ"));
        QCoreApplication::postEvent(game.view(), typed);
        break;
    }
    }
}

// What the player sees open at this moment: the window's title of a modal dialog, or the
// menu's name; empty when nothing is open.
std::string openOverTheGame()
{
    if (QWidget *popup = QApplication::activePopupWidget())
        return popup->objectName().toStdString();
    if (QWidget *modal = QApplication::activeModalWidget())
        return modal->windowTitle().toStdString();
    return {};
}

void close(Closing closing)
{
    if (QWidget *popup = QApplication::activePopupWidget()) {
        if (closing == Closing::EscapeKey) {
            QTest::keyClick(popup, Qt::Key_Escape);
        } else {
            // A click somewhere beside the menu.
            QTest::mouseClick(popup, Qt::LeftButton, {}, QPoint(-100, popup->height() + 100));
        }
        return;
    }
    QWidget *modal = QApplication::activeModalWidget();
    if (modal == nullptr)
        return;
    QWidget *focus = modal->focusWidget() ? modal->focusWidget() : modal;
    if (closing == Closing::OkClick) {
        if (auto *ok = qobject_cast<QPushButton *>(focus))
            QTest::mouseClick(ok, Qt::LeftButton);
    } else {
        QTest::keyClick(focus, Qt::Key_Return);
    }
}

struct HoldRow {
    const char *name;
    Integer state;
    std::function<bool(const RealGame &)> settled; // the screen is up and running
    Opening opening;
    Closing closing;
    Qt::Key nextKey;                               // Key_unknown: none counts here
    std::function<bool(const RealGame &)> wentOn;  // what shows that the game went on
};

// Leads a game to the row's screen, opens the row's dialog or menu there, and closes it
// again after a while; checks that nothing moved meanwhile, that the same screen goes on
// afterwards with the keyboard back on the game, and that the close box ends it with the
// file written.
void expectHeldAndThenGoingOn(const HoldRow &row)
{
    SCOPED_TRACE(row.name);
    RealGame game;
    if (row.state == screen::MatchOver)
        game.form.picShaikei.setPixel(160, 100, RGB(1, 1, 1)); // red crashes after 47 ticks
    if (row.state == screen::ModeSelect)
        game.leadToModeSelection();
    else if (row.state != screen::Title)
        game.leadToMatch(true);

    Snapshot beforeOpening;
    Snapshot whileOpen;
    std::string seenOpen;
    bool closed = false;
    int yieldsSinceClosed = 0;
    QWidget *focusAfter = nullptr;

    game.steps.push_back([&] {
        if (game.form.Working != row.state || !row.settled(game))
            return false;
        beforeOpening = game.snapshot();
        QTimer::singleShot(holdMs, [&] {
            whileOpen = game.snapshot();
            seenOpen = openOverTheGame();
            close(row.closing);
            closed = true;
        });
        open(game, row.opening);
        return true;
    });
    game.steps.push_back([&] {
        if (!closed || !openOverTheGame().empty())
            return false;
        if (QApplication::activeWindow() != &game.host.gameWindow() && ++yieldsSinceClosed < settleYields)
            return false;
        focusAfter = QApplication::focusWidget();
        EXPECT_EQ(game.form.Working, row.state) << "the same screen goes on";
        if (row.nextKey != Qt::Key_unknown)
            RealGame::keyToFocus(row.nextKey);
        return true;
    });
    game.steps.push_back([&] {
        if (!row.wentOn(game))
            return false;
        game.host.gameWindow().close();
        return true;
    });

    ASSERT_TRUE(game.run()) << "the game hung at step " << game.nextStep << ", Working " << game.form.Working;
    EXPECT_TRUE(game.allStepsDone());
    EXPECT_EQ(seenOpen, expectedOpen(row.opening));
    EXPECT_EQ(whileOpen, beforeOpening) << "the game moved while it should have held";
    EXPECT_EQ(focusAfter, game.view()) << "the keyboard is not back on the game";
    EXPECT_EQ(game.savedHighScore(), std::to_string(game.form.HighScore));
}

TEST(QtHostTest, ADialogHoldsEveryScreenUntilItClosesThenTheNextKeyCounts)
{
    Long akaXAtKey = 0;
    const HoldRow rows[] = {
        {"title, Help closed with Return", screen::Title, [](const RealGame &g) { return g.host.yields >= 3; },
         Opening::Help, Closing::ReturnKey, Qt::Key_Return,
         [](const RealGame &g) { return g.form.Working == screen::ModeSelect; }},
        {"mode selection, About closed with a click on OK", screen::ModeSelect, [](const RealGame &) { return true; },
         Opening::About, Closing::OkClick, Qt::Key_Down,
         [](const RealGame &g) { return g.form.GMode == vbFalse; }},
        {"countdown, Help", screen::Countdown, [](const RealGame &g) { return digitShown(g.host); }, Opening::Help,
         Closing::ReturnKey, Qt::Key_unknown, [](const RealGame &g) { return g.form.Working == screen::Match; }},
        {"match, Help", screen::Match,
         [&](const RealGame &g) {
             akaXAtKey = g.form.AkaX;
             return g.matchTicks >= 10;
         },
         Opening::Help, Closing::ReturnKey, Qt::Key_S,
         [&](const RealGame &g) { return g.form.AkaMuki == muki::Right && g.form.AkaX > akaXAtKey + 2; }},
        {"match end, About", screen::MatchOver, [](const RealGame &) { return true; }, Opening::About,
         Closing::ReturnKey, Qt::Key_Return, [](const RealGame &g) { return g.form.Working == screen::Title; }},
    };
    for (const HoldRow &row : rows)
        expectHeldAndThenGoingOn(row);
}

TEST(QtHostTest, AnOpenMenuOrMessageHoldsTheMatchThenTheNextKeySteers)
{
    Long akaXAtKey = 0;
    auto tenTicks = [&](const RealGame &g) {
        akaXAtKey = g.form.AkaX;
        return g.matchTicks >= 10;
    };
    auto steersRight = [&](const RealGame &g) { return g.form.AkaMuki == muki::Right && g.form.AkaX > akaXAtKey + 2; };
    const HoldRow rows[] = {
        {"title, menu closed with Escape", screen::Title, [](const RealGame &g) { return g.host.yields >= 3; },
         Opening::Menu, Closing::EscapeKey, Qt::Key_Return,
         [](const RealGame &g) { return g.form.Working == screen::ModeSelect; }},
        {"match, menu closed with Escape", screen::Match, tenTicks, Opening::Menu, Closing::EscapeKey, Qt::Key_S,
         steersRight},
        {"match, menu closed by a click beside it", screen::Match, tenTicks, Opening::Menu, Closing::ClickOutside,
         Qt::Key_S, steersRight},
        {"match, input-method message closed with Return", screen::Match, tenTicks, Opening::ImeMessage,
         Closing::ReturnKey, Qt::Key_S, steersRight},
    };
    for (const HoldRow &row : rows)
        expectHeldAndThenGoingOn(row);
}

TEST(QtHostTest, ACloseRequestWhileSomethingIsOpenClosesItAndSavesTheScoreOfThatMoment)
{
    for (const Opening opening : {Opening::Help, Opening::About, Opening::Menu, Opening::ImeMessage}) {
        SCOPED_TRACE(expectedOpen(opening));
        RealGame game;
        game.leadToMatch(true);
        Snapshot atRequest;
        std::string seenOpen;
        game.steps.push_back([&] {
            if (game.matchTicks < 10)
                return false;
            game.form.HighScore = 9876; // the score of this moment, not of the file
            QTimer::singleShot(holdMs, [&] {
                seenOpen = openOverTheGame();
                atRequest = game.snapshot();
                // The path of the close box, and of the signals that end a session.
                game.host.requestClose();
            });
            open(game, opening);
            return true;
        });

        ASSERT_TRUE(game.run()) << "the game hung";
        EXPECT_TRUE(game.allStepsDone());
        EXPECT_EQ(seenOpen, expectedOpen(opening)) << "not open when the request came";
        EXPECT_EQ(openOverTheGame(), "") << "left open after the end";
        EXPECT_EQ(game.snapshot().matchTicks, atRequest.matchTicks) << "the match went on after the request";
        EXPECT_EQ(game.form.window.generation(), atRequest.generation);
        EXPECT_EQ(game.savedHighScore(), "9876");
    }
}

TEST(QtHostTest, TheCloseBoxInAMatchSavesAndEndsAtOnce)
{
    RealGame game;
    game.leadToMatch(true);
    Snapshot atClose;
    game.steps.push_back([&] {
        if (game.matchTicks < 10)
            return false;
        game.form.HighScore = 4321;
        atClose = game.snapshot();
        QTimer::singleShot(0, &game.host.gameWindow(), &QWidget::close);
        return true;
    });
    ASSERT_TRUE(game.run()) << "the game hung";
    EXPECT_TRUE(game.allStepsDone());
    // Ended inside the very yield that took the close box: no tick, frame or text after it.
    const Snapshot atEnd = game.snapshot();
    EXPECT_EQ(atEnd.yields, atClose.yields);
    EXPECT_EQ(atEnd, atClose);
    EXPECT_EQ(game.savedHighScore(), "4321");
}

} // namespace
} // namespace quorrax::testing
