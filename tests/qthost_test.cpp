#include "fuzz/profile_invariants.h"
#include "scratch_folder.h"
#include "game/frmmain.h"
#include "qthost/qthost.h"

#include "buildinfo.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDeadlineTimer>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProcess>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <csignal>
#include <optional>

#include <sched.h>

// The real Qt host, headless: Qt's key and input-method events become the game's keys,
// whatever is open over the game holds it, the window shows what the game drew, and the
// signals that end a session save as the close box does.

namespace quorrax::test {
namespace {

// A clock of the test's own: time stands still while the game works, and when the host
// sleeps it jumps to the instant the host asked to wake at, and the host wakes at once.
// Every such instant is noted with the screen it was asked on.
struct FakeClock : HostClock {
    struct Ring {
        Integer working;
        std::int64_t at;
    };
    std::int64_t now = 5'000'000'123'456;                   // 1 h 23 min of uptime, off the millisecond
    std::int64_t day = 1'765'000'000'250'000'000 - now;      // a quarter second into a second of the day
    const Integer *working = nullptr;
    std::vector<Ring> rings;

    std::int64_t monotonicNs() override { return now; }
    std::int64_t realtimeNs() override { return now + day; }
    void ringAt(std::int64_t at) override
    {
        if (at == 0)
            return;
        rings.push_back({working ? *working : Integer(-1), at});
        now = std::max(now, at);
        QCoreApplication::postEvent(qApp, new QEvent(QEvent::User));
    }
};

// The real host on the test's clock, with the game's folder in a scratch folder, and hooks
// for the script: one before each yield, one after each time the host presents, on a yield
// or a refresh.
struct TestHost : QtHost {
    TestHost() : TestHost(new FakeClock) {}
    explicit TestHost(FakeClock *fake) : QtHost(std::unique_ptr<HostClock>(fake)), clock(fake) {}
    ScratchFolder folder;
    FakeClock *clock;
    std::function<void()> onYield = [] {};
    std::function<void(bool refresh)> presented = [](bool) {};
    std::string appPath() override { return folder.path(); }
    void DoEvents() override { onYield(), QtHost::DoEvents(), presented(false); }
    void Refresh() override { QtHost::Refresh(), presented(true); }
};

struct QtGame {
    TestHost host;
    frmMain form{host};
    QtGame()
    {
        host.bind(form);
        host.clock->working = &form.Working;
    }
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

// The real host's waits on a clock of the test's own: the title sleeps to the first tick
// of each 11 ms pass, a match to that of each 9 ms tick, the countdown to each whole
// second of the time of day; the mode screen and the result sleep until a key, with no
// alarm at all. A host that slept twice as long, or half, shows other instants.
TEST(QtHostTest, EachScreenSleepsToItsOwnInstants)
{
    QtGame game;
    int titleReturn = 0, modeReturn = 0;
    game.host.onYield = [&] {
        const auto ringsIn = [&](Integer screen) {
            return std::count_if(game.host.clock->rings.begin(), game.host.clock->rings.end(), [screen](const auto &r) { return r.working == screen; });
        };
        if (game.form.Working == screen::Title && ringsIn(screen::Title) == 8 && titleReturn++ == 0)
            QCoreApplication::postEvent(game.view(), new QKeyEvent(QEvent::KeyPress, Qt::Key_Return, {}));
        if (game.form.Working == screen::ModeSelect && modeReturn++ == 0)
            QCoreApplication::postEvent(game.view(), new QKeyEvent(QEvent::KeyPress, Qt::Key_Return, {}));
        if (game.form.Working == screen::MatchOver)
            game.host.requestClose();
    };
    EXPECT_THROW(game.form.Form_Load(), ProgramEnd);

    const std::int64_t ms = 1'000'000, second = 1'000'000'000;
    const struct {
        Integer screen;
        std::int64_t step; // between two instants; 0 for a screen that sets no alarm
        std::int64_t on;   // every instant is a whole one of these, on the clock it counts
        bool ofDay;        // counted on the time of day, not the tick counter
        std::size_t least, most;
    } rows[] = {
        {screen::Title, 11 * ms, ms, false, 8, 9},      {screen::ModeSelect, 0, 0, false, 0, 0},
        {screen::Countdown, second, second, true, 4, 4}, {screen::Match, 9 * ms, ms, false, 200, 420},
        {screen::MatchOver, 0, 0, false, 0, 0},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(testing::Message() << "screen " << row.screen);
        std::vector<std::int64_t> at;
        for (const auto &ring : game.host.clock->rings)
            if (ring.working == row.screen)
                at.push_back(ring.at + (row.ofDay ? game.host.clock->day : 0));
        EXPECT_GE(at.size(), row.least);
        EXPECT_LE(at.size(), row.most);
        for (std::size_t i = 0; i < at.size(); ++i) {
            EXPECT_EQ(at[i] % row.on, 0) << "instant " << i;
            EXPECT_EQ(i == 0 ? row.step : at[i] - at[i - 1], row.step) << "instant " << i;
        }
    }
}

// The machine's own alarm, set for an instant of the monotonic clock, wakes a sleeping
// event loop. (Should it take the instant for a span of time, it would ring an hour or more
// later, and the watchdog tells.)
TEST(QtHostTest, TheAlarmWakesTheEventLoopAtItsInstant)
{
    SystemClock clock;
    bool watchdog = false;
    QTimer::singleShot(10'000, [&watchdog] { watchdog = true; });
    const std::int64_t instant = clock.monotonicNs() + 1'000'000;
    clock.ringAt(instant);
    while (clock.monotonicNs() < instant && !watchdog)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    clock.ringAt(0);
    EXPECT_FALSE(watchdog) << "the alarm never rang";
}

// The menus of the menu bar and their items, by the texts the player reads, in order.
TEST(QtHostTest, TheMenuBarHasTheGameMenuWithHelpThenAbout)
{
    QtGame game;
    QStringList texts;
    for (const QAction *menu : game.host.gameWindow().menuBar()->actions()) {
        texts << menu->text() + ":";
        for (const QAction *item : menu->menu() ? menu->menu()->actions() : QList<QAction *>())
            texts << item->text();
    }
    EXPECT_EQ(texts.join(' ').toStdString(), "Game: Help... About...");
}

// The action with the visible text `text` among `actions`, or none.
QAction *byText(const QList<QAction *> &actions, const char *text)
{
    const auto found = std::find_if(actions.begin(), actions.end(), [text](QAction *a) { return a->text() == QLatin1String(text); });
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
        QTimer::singleShot(0, [bar, menu] { QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(menu).center()); });
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

// Plays a Single match on the real host, opens something over it at the tenth tick, and
// after a while closes it with a key, or presses the close box. The window shows the back
// buffer, edges included; nothing moves while something is open; then the next key
// steers, or the close box saves the score of that moment and ends the game. (That each
// frame's changes reach the window whole, the changed rows' own test shows.)
TEST(QtHostTest, WhatIsOpenOverAMatchHoldsItAndTheWindowShowsEveryFrame)
{
    const struct {
        Opening opening;
        std::string title;
        bool closeBox;
    } rows[] = {
        {Opening::Help, "説明", false},   {Opening::Message, "Quorrax", false}, {Opening::Menu, "Game", false},
        {Opening::About, "バージョン情報", true}, {Opening::Menu, "Game", true},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.title + (row.closeBox ? ", close box" : ""));
        QtGame game;
        int ticks = 0, wrongPixels = 0, ticksWhileOpen = -1;
        QImage before, whileOpen;
        std::string seen;
        bool hung = false;
        game.host.onYield = [&] {
            // A frame round the clean arena, so that the window's edges show in the match too.
            Surface &arena = game.form.picShaikei;
            for (int x = 0; x < field::width && game.form.Working == screen::Title; ++x)
                arena.setPixel(x, 0, RGB(10, 20, 30)), arena.setPixel(x, field::height - 1, RGB(10, 20, 30));
            for (int y = 0; y < field::height && game.form.Working == screen::Title; ++y)
                arena.setPixel(0, y, RGB(10, 20, 30)), arena.setPixel(field::width - 1, y, RGB(10, 20, 30));
            if (game.form.Working == screen::Title || game.form.Working == screen::ModeSelect)
                QCoreApplication::postEvent(game.view(), new QKeyEvent(QEvent::KeyPress, Qt::Key_Return, {}));
        };
        game.host.presented = [&](bool refresh) {
            if (!refresh || game.form.Working != screen::Match)
                return;
            if (++ticks == 10) {
                game.form.HighScore = 9876; // the score of this moment, not the file's
                before = game.shown();
                for (int y = 0; y < game.form.window.height(); ++y)
                    for (int x = 0; x < game.form.window.width(); ++x) {
                        const Color c = game.form.window.pixel(x, y);
                        wrongPixels += before.pixel(x, y) != qRgb(int(c & 255), int(c >> 8 & 255), int(c >> 16 & 255));
                    }
                open(game, row.opening);
                QTimer::singleShot(300, [&] {
                    seen = heldTitle();
                    whileOpen = game.shown();
                    ticksWhileOpen = ticks;
                    if (row.closeBox)
                        game.host.gameWindow().close();
                    else if (held())
                        QTest::keyClick(held()->focusWidget() ? held()->focusWidget() : held(), held()->isModal() ? Qt::Key_Return : Qt::Key_Escape);
                });
            } else if (ticks == 15) { // to whatever has the focus, as the window system does
                QCoreApplication::postEvent(QApplication::focusWidget(), new QKeyEvent(QEvent::KeyPress, Qt::Key_S, {}));
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
        EXPECT_EQ(fuzzcheck::slurp(game.host.folder.dir() / iniFileName), build::systemInstall ? "" : "[Quorrax]\r\nHighScore=9876\r\n");
        EXPECT_EQ(heldTitle(), "") << "left open after the end";
    }
}

// A signal mask of a running process ("SigCgt:" caught, "ShdPnd:" pending); 0 once it is gone.
std::uint64_t signalMask(qint64 pid, const std::string &name)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.starts_with(name))
            return std::stoull(line.substr(name.size()), nullptr, 16);
    return 0;
}

// The real program, headless, ended by the signals a desktop sends: Ctrl+C in its terminal,
// kill, the end of the session. Each saves as the close box does, and the program ends
// normally. A file that holds the score already (04321) is left as the player wrote it.
// Where the program's folder refuses the save, the player's own copy is made where the
// XDG rules put it, for the player's eyes only; where the player has no folder of their
// own, the loss is told and the end is a failure, and nothing is made anywhere else.
TEST(SignalsTest, EachSignalSavesThenEndsNormally)
{
    if (build::systemInstall)
        GTEST_SKIP() << "a build for everyone keeps no file beside itself; the close test and the package's install test cover its saves";
    const std::string notes = "; my own notes\r\n[Other]\r\nName = Someone  \r\n\r\n[Quorrax]\r\n";
    const char *const unset = nullptr;
    const std::string scratchHome = "{scratch}/home", scratchData = "{scratch}/data";
    const struct {
        std::vector<int> sent;
        std::string before, after;
        bool locked = false;                      // the program's folder refuses the save
        const char *xdgDataHome = "{scratch}/data", *home = "{scratch}/home";
        std::string own = "";                     // where the player's copy must be, if anywhere
        int status = 0;
    } rows[] = {
        {{SIGINT}, notes + "HighScore=04321\r\n[Last]\r\nx=1", notes + "HighScore=04321\r\n[Last]\r\nx=1"},
        {{SIGTERM, SIGTERM}, "[Quorrax]\r\nHighScore=04321\r\n", "[Quorrax]\r\nHighScore=04321\r\n"},
        {{SIGHUP}, "", "[Quorrax]\r\nHighScore=0\r\n"},
        {{SIGTERM}, notes + "HighScore=lots", notes + "HighScore=lots", true, "{scratch}/data", "{scratch}/home",
         "data/quorrax/Quorx.ini"},
        {{SIGTERM}, notes + "HighScore=lots", notes + "HighScore=lots", true, unset, "{scratch}/home",
         "home/.local/share/quorrax/Quorx.ini"},
        {{SIGTERM}, notes + "HighScore=lots", notes + "HighScore=lots", true, "data", "{scratch}/home",
         "home/.local/share/quorrax/Quorx.ini"},
        {{SIGTERM}, notes + "HighScore=lots", notes + "HighScore=lots", true, unset, unset, "", 1},
        {{SIGTERM}, notes + "HighScore=lots", notes + "HighScore=lots", true, "", "home", "", 1},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(testing::Message() << "signal " << row.sent[0] << " x" << row.sent.size() << ", XDG_DATA_HOME "
                                          << (row.xdgDataHome ? row.xdgDataHome : "unset") << ", HOME " << (row.home ? row.home : "unset"));
        ScratchFolder scratch;
        const std::filesystem::path folder = scratch.dir() / "program", cwd = scratch.dir() / "cwd";
        std::filesystem::create_directories(folder), std::filesystem::create_directories(cwd);
        std::filesystem::copy_file(std::filesystem::read_symlink("/proc/self/exe").parent_path() / "../game/quorrax", folder / "quorrax");
        if (!row.before.empty())
            fuzzcheck::spill(folder / iniFileName, row.before), ::chmod((folder / iniFileName).c_str(), 0644);
        std::optional<ReadOnly> locked;
        if (row.locked && !locked.emplace(folder).ok)
            GTEST_SKIP() << "chattr +i failed, and root may write in any folder";
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        const auto place = [&](const char *name, const char *value) {
            if (value == nullptr)
                environment.remove(QString::fromLatin1(name));
            else
                environment.insert(QString::fromLatin1(name), QString::fromStdString(value).replace(QStringLiteral("{scratch}"), QString::fromStdString(scratch.dir().string())));
        };
        place("XDG_DATA_HOME", row.xdgDataHome), place("HOME", row.home);
        QProcess game;
        game.setProcessEnvironment(environment);
        game.setWorkingDirectory(QString::fromStdString(cwd.string())); // the game finds its file beside itself
        game.start(QString::fromStdString((folder / "quorrax").string()), {});
        ASSERT_TRUE(game.waitForStarted());
        // A signal that comes before the file is read waits for the title's first yield.
        const std::uint64_t all = 1u << (SIGINT - 1) | 1u << (SIGTERM - 1) | 1u << (SIGHUP - 1);
        const QDeadlineTimer deadline(20'000);
        while (!deadline.hasExpired() && (signalMask(game.processId(), "SigCgt:") & all) != all)
            sched_yield();
        for (const int signal : row.sent) {
            // A signal sent while the same one is pending would merge with it.
            while (!deadline.hasExpired() && signalMask(game.processId(), "ShdPnd:") & 1u << (signal - 1))
                sched_yield();
            ::kill(pid_t(game.processId()), signal);
        }
        EXPECT_TRUE(game.waitForFinished(20'000));
        locked.reset();
        EXPECT_EQ(game.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(game.exitCode(), row.status);
        const std::string said = game.readAllStandardError().toStdString();
        EXPECT_EQ(said.find("quorrax: the high score 0 was not saved: " + folder.string() + "/Quorx.ini: ") != std::string::npos, row.status != 0) << said;
        EXPECT_EQ(fuzzcheck::slurp(folder / iniFileName), row.after);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 2) << "a save left a file behind";
        EXPECT_TRUE(std::filesystem::is_empty(cwd)) << "the game made something where it was started";
        std::vector<std::string> made; // every file of the scratch folder's but the program's
        for (const auto &entry : std::filesystem::recursive_directory_iterator(scratch.dir()))
            if (entry.is_regular_file() && entry.path().parent_path() != folder)
                made.push_back(std::filesystem::relative(entry.path(), scratch.dir()).string());
        EXPECT_EQ(made, row.own.empty() ? std::vector<std::string>{} : std::vector<std::string>{row.own});
        if (!row.own.empty()) { // the shared file's bytes with the one value replaced, for the player alone
            EXPECT_EQ(fuzzcheck::slurp(scratch.dir() / row.own), notes + "HighScore=0\r\n");
            for (std::filesystem::path p = scratch.dir() / row.own; p != scratch.dir() / std::filesystem::path(row.own).begin()->string(); p = p.parent_path())
                EXPECT_EQ(std::filesystem::status(p).permissions(), p == scratch.dir() / row.own ? std::filesystem::perms(0600) : std::filesystem::perms::owner_all) << p;
        }
    }
}

} // namespace
} // namespace quorrax::test
