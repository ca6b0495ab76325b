#include "pixels.h"
#include "xserver.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QRegularExpression>

#include <X11/Xlib.h>

#include <memory>

// The real game in a real window: a few runs from start to end that prove the Qt host and
// the window system together. The game's rules are checked on the scripted host.

namespace quorrax::window {
namespace {

using Result = ::testing::AssertionResult;
using XDisplay = std::unique_ptr<Display, int (*)(Display *)>;
constexpr int waitMs = 10'000;
constexpr QRgb magenta = 0xffff00ff; // a colour the game never shows

struct XWindow {
    unsigned long id = 0;
    QRect frame; // on the screen
};

// The built program, copied into a folder of the test's own and played through xdotool on
// a VirtualScreen; killed when the test lets go of it.
class GameSession
{
public:
    GameSession(const VirtualScreen &screen, const QString &folder) : m_screen(screen), m_folder(folder) {}

    Result start()
    {
        const QString program = m_folder + QStringLiteral("/quorrax"), logs = m_screen.scratch(QStringLiteral("logs"));
        if (!QFile::copy(QStringLiteral(QUORRAX_GAME_BINARY), program) || !m_game.start(program, {}, m_screen.environment(), logs + "/game.log", false, logs))
            return ::testing::AssertionFailure() << "cannot copy and start " << program.toStdString();
        // Qt keeps a small helper window of the same name; the main one is as wide as the field.
        return waitForWindow({"--name", "^Quorrax$"}, [](const XWindow &w) { return w.frame.width() == fieldWidth; }, &m_window);
    }
    QByteArray highScoreFile() const
    {
        QFile file(m_folder + QStringLiteral("/Quorx.ini"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : "(no file)";
    }
    const XWindow &window() const { return m_window; }

    // Keys go to whichever window has the X input focus.
    Result xdotool(const QStringList &arguments, QByteArray *out = nullptr)
    {
        const ToolResult result = runTool(m_screen.environment(), QStringLiteral("xdotool"), arguments);
        if (out != nullptr)
            *out = result.out;
        return result.ok() ? ::testing::AssertionSuccess() : ::testing::AssertionFailure() << result.describe("xdotool " + arguments.join(' ')).toStdString();
    }
    XDisplay display() const { return {XOpenDisplay(m_screen.display().toLatin1()), XCloseDisplay}; }
    Result key(const QString &key) { return xdotool({QStringLiteral("key"), key}); }
    Result clickAt(QPoint at) { return xdotool({"mousemove", QString::number(at.x()), QString::number(at.y()), "click", "1"}); }

    Result waitForFocus(unsigned long window)
    {
        QByteArray focus;
        for (const QDeadlineTimer deadline(waitMs); !deadline.hasExpired();)
            if (xdotool({QStringLiteral("getwindowfocus")}, &focus) && focus.trimmed().toULong() == window)
                return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "the input focus stayed on " << focus.toStdString() << ", not " << window;
    }

    // A visible window that `xdotool search` finds with `criteria` and `accept` takes.
    Result waitForWindow(const QStringList &criteria, const std::function<bool(const XWindow &)> &accept, XWindow *found)
    {
        for (const QDeadlineTimer deadline(waitMs); !deadline.hasExpired() && m_game.running();) {
            QByteArray ids, shell;
            xdotool(QStringList{QStringLiteral("search"), QStringLiteral("--onlyvisible")} + criteria, &ids);
            for (const QByteArray &id : ids.split('\n')) {
                if (id.isEmpty() || !xdotool({QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), id}, &shell))
                    continue;
                const QRegularExpressionMatch g = QRegularExpression(QStringLiteral("X=(-?\\d+)\\s+Y=(-?\\d+)\\s+WIDTH=(\\d+)\\s+HEIGHT=(\\d+)")).match(shell);
                *found = {id.toULong(), QRect(g.captured(1).toInt(), g.captured(2).toInt(), g.captured(3).toInt(), g.captured(4).toInt())};
                if (g.hasMatch() && accept(*found))
                    return ::testing::AssertionSuccess();
            }
        }
        return ::testing::AssertionFailure() << "no window " << criteria.join(' ').toStdString() << "; game log: " << m_game.log().toStdString();
    }

    // Takes screenshots of the window until `check` holds for one, kept in `matched`; on
    // failure the last one is saved beside the build, and the message says what it showed.
    Result waitFor(const std::string &expected, const Check &check, Shot *matched = nullptr)
    {
        Shot shot;
        Verdict verdict{false, "no screenshot taken"};
        for (const QDeadlineTimer deadline(waitMs); !deadline.hasExpired() && m_game.running();) {
            // What the screen shows where the window is, with whatever lies over it.
            const ToolResult import = runTool(m_screen.environment(), QStringLiteral("import"), {"-screen", "-window", QString::number(m_window.id), "ppm:-"});
            if (!import.ok() || !shot.screen.loadFromData(import.out, "PPM"))
                return ::testing::AssertionFailure() << import.describe(QStringLiteral("import")).toStdString();
            // The client area is the window below its menu bar.
            shot.screen = shot.screen.convertToFormat(QImage::Format_RGB32);
            shot.client = shot.screen.copy(0, shot.screen.height() - fieldHeight, fieldWidth, fieldHeight);
            if ((verdict = check(shot)).ok && matched != nullptr)
                *matched = shot;
            if (verdict.ok)
                return ::testing::AssertionSuccess();
        }
        const QString kept = QStringLiteral(QUORRAX_FAILURE_DIR "/") + QString::fromStdString(expected).replace(QRegularExpression("\\W+"), "_") + ".png";
        QDir().mkpath(QStringLiteral(QUORRAX_FAILURE_DIR));
        shot.screen.save(kept);
        return ::testing::AssertionFailure() << "expected " << expected << "; the last screenshot (" << kept.toStdString()
                                             << ") showed: " << verdict.seen << "; game log: " << m_game.log().toStdString();
    }

    // The main window as the window system holds it: title, class, the Motif hints that tell
    // a window manager which functions and buttons to offer, and the limits of its size (the
    // place and size it asked for at first left out).
    std::string windowFacts() const
    {
        const ToolResult xprop = runTool(m_screen.environment(), QStringLiteral("xprop"),
                                         {"-id", QString::number(m_window.id), "_NET_WM_NAME", "WM_CLASS", "_MOTIF_WM_HINTS", "WM_NORMAL_HINTS"});
        return QString::fromUtf8(xprop.out).remove(QRegularExpression(QStringLiteral("\\s+user specified[^\n]*"))).toStdString();
    }

    // Maps a window of another client over the field until it shows there, and takes it away
    // again: the game must put the field back as `before` showed it, pixel for pixel.
    Result coverAndUncover(const Shot &before)
    {
        const XDisplay x = display();
        const Window cover = XCreateSimpleWindow(x.get(), DefaultRootWindow(x.get()), m_window.frame.left(),
                                                 m_window.frame.bottom() + 1 - fieldHeight, fieldWidth, fieldHeight, 0, 0, magenta & 0xffffff);
        XMapRaised(x.get(), cover);
        XSync(x.get(), False);
        const Result covered = waitFor("another window over the whole field", [](const Shot &s) {
            return hasColour(s.client, s.client.rect(), magenta, fieldWidth * fieldHeight);
        });
        XDestroyWindow(x.get(), cover);
        XSync(x.get(), False);
        if (!covered)
            return covered;
        return waitFor("the field as it was before the cover", [&before](const Shot &s) { return sameArea(before.client, s.client, s.client.rect()); });
    }

    // The message a window manager sends for the close box (xdotool's windowclose destroys
    // the window instead, which no program can answer); the game must then end by itself.
    Result pressCloseBoxAndWaitForTheEnd()
    {
        const XDisplay x = display();
        if (!x)
            return ::testing::AssertionFailure() << "cannot open display " << m_screen.display().toStdString();
        XEvent event{};
        event.xclient = {ClientMessage, 0, True, x.get(), m_window.id, XInternAtom(x.get(), "WM_PROTOCOLS", False), 32, {}};
        event.xclient.data.l[0] = long(XInternAtom(x.get(), "WM_DELETE_WINDOW", False));
        XSendEvent(x.get(), m_window.id, False, NoEventMask, &event);
        XSync(x.get(), False);
        if (!m_game.waitForExit(waitMs) || m_game.exitStatus() != QProcess::NormalExit || m_game.exitCode() != 0)
            return ::testing::AssertionFailure() << "the game did not end by itself with status 0; log: " << m_game.log().toStdString();
        return ::testing::AssertionSuccess();
    }

private:
    const VirtualScreen &m_screen;
    QString m_folder;
    XWindow m_window;
    ChildProcess m_game;
};

const QRect titleLettering(0, 18, fieldWidth, 228);
const QRect rightOfRed(170, 0, 30, 148); // where a red line that turned right runs

// The title picture with the high-score line of a game without a high-score file.
Check titleScreen()
{
    return [title = asset("title.png")](const Shot &shot) {
        return allOf({showsPicture(shot.client, title, {0, 0}, titleLettering),
                      showsText(shot.client, "High Score(Single):0", 0, 0, 9, yellow)});
    };
}

// The arrow in the row of Single (y 100) or Battle (y 168), and nothing in the other.
Check arrowAt(int row)
{
    return [arrow = asset("arrow.png"), row](const Shot &shot) {
        return allOf({showsPicture(shot.client, arrow, {70, row}, arrow.rect()),
                      Verdict{countNonBlack(shot.client, QRect(70, 268 - row, 32, 32)) == 0, "the other row"}});
    };
}

// One Battle in the real window. The window system sees a fixed window without a maximise
// button. Help, opened from the menu, holds the match, and a window of another client put
// over the field and taken away again leaves the field as it was. Then red turns right into
// the yellow trail at x 210: its look-ahead, 3 pixels ahead, meets the trail's edge at x 208
// with the head at x 205, where the explosion sits; key timing is real, so the row of the
// turn is searched for. Return brings the title back, and the close box saves.
TEST(WindowTest, ABattleHeldByHelpAndCoveredThenLostByRedAndClosed)
{
    if (const QString missing = missingHere(true); !missing.isEmpty())
        GTEST_SKIP() << "not installed: " << missing.toStdString();
    VirtualScreen screen;
    ASSERT_TRUE(screen.start());
    GameSession game(screen, screen.scratch(QStringLiteral("game")));
    ASSERT_TRUE(game.start());
    ASSERT_TRUE(game.waitFor("the title picture with the yellow high-score line", titleScreen()));
    ASSERT_TRUE(game.waitForFocus(game.window().id));
    ASSERT_TRUE(game.key(QStringLiteral("Return")));
    ASSERT_TRUE(game.waitFor("the arrow at (70, 100)", arrowAt(100)));
    ASSERT_TRUE(game.key(QStringLiteral("Down")));
    ASSERT_TRUE(game.waitFor("the arrow at (70, 168)", arrowAt(168)));
    ASSERT_TRUE(game.key(QStringLiteral("Return")));
    ASSERT_TRUE(game.waitFor("countdown digits in green", [](const Shot &s) { return hasColour(s.client, {160, 100, 101, 101}, green, 200); }));
    ASSERT_TRUE(game.waitFor("the red line moving up", [](const Shot &s) { return Verdict{s.at(160, 145) == red, describe(s.at(160, 145))}; }));

    // Qt's Motif hints for the game's window flags: functions resize 0x2 (which the size
    // limits stop), move 0x4, minimise 0x8 and close 0x20; decorations border 0x2, resize
    // handles 0x4, title 0x8, menu 0x10 and minimise 0x20. No maximise: neither the function
    // 0x10 nor the button 0x40. The smallest and the largest size are the window's own.
    const XWindow main = game.window();
    const std::string size = std::to_string(fieldWidth) + " by " + std::to_string(main.frame.height());
    EXPECT_EQ(game.windowFacts(), "_NET_WM_NAME(UTF8_STRING) = \"Quorrax\"\nWM_CLASS(STRING) = \"quorrax\", \"Quorrax\"\n"
                                  "_MOTIF_WM_HINTS(_MOTIF_WM_HINTS) = 0x3, 0x2e, 0x3e, 0x0, 0x0\nWM_NORMAL_HINTS(WM_SIZE_HINTS):\n"
                                  "\t\tprogram specified minimum size: " + size + "\n\t\tprogram specified maximum size: " + size +
                                  "\n\t\twindow gravity: Static\n");

    // "Game" is the menu bar's only menu, at its left end; "Help..." is its first item.
    XWindow menu, help;
    ASSERT_TRUE(game.clickAt(main.frame.topLeft() + QPoint(20, (main.frame.height() - fieldHeight) / 2)));
    ASSERT_TRUE(game.waitForWindow({"--class", "quorrax"}, [&](const XWindow &w) { return w.id != main.id; }, &menu));
    ASSERT_TRUE(game.clickAt(menu.frame.topLeft() + QPoint(menu.frame.width() / 2, menu.frame.height() / 4)));
    ASSERT_TRUE(game.waitForWindow({"--name", "^説明$"}, [](const XWindow &) { return true; }, &help));
    // Beside the game, so that the whole field shows.
    ASSERT_TRUE(game.xdotool({"windowmove", QString::number(help.id), QString::number(main.frame.right() + 10), "0"}));
    Shot paused;
    ASSERT_TRUE(game.waitFor("the match beside Help", [](const Shot &s) { return Verdict{s.at(160, 145) == red, describe(s.at(160, 145))}; }, &paused));
    ASSERT_EQ(countColour(paused.client, rightOfRed, red), 0) << "red turned right before any key";
    // Nothing moves while Help is open, and nothing is lost under the other window.
    ASSERT_TRUE(game.coverAndUncover(paused));
    ASSERT_TRUE(game.waitForFocus(help.id));
    ASSERT_TRUE(game.key(QStringLiteral("Return")));
    ASSERT_TRUE(game.waitForFocus(main.id));

    ASSERT_TRUE(game.key(QStringLiteral("s")));
    ASSERT_TRUE(game.waitFor("\"BLUE Won!\" with the explosion on the red head", [burst = asset("explosion.png")](const Shot &shot) {
        Verdict found{false, "no explosion centred on x 205 at any y from 16 to 283"};
        for (int y = 16; y <= fieldHeight - 17 && !found.ok; ++y)
            if (showsSprite(shot.client, burst, {205 - 16, y - 16}).ok && shot.at(185, y) == red)
                found = {true, "explosion at (205, " + std::to_string(y) + ")"};
        return allOf({found, showsText(shot.client, "BLUE Won!", 30, 30, 36, green),
                      showsText(shot.client, "Press Return", 80, 105, 14, green)});
    }));
    ASSERT_TRUE(game.key(QStringLiteral("Return")));
    ASSERT_TRUE(game.waitFor("the title again with the same high score", titleScreen()));
    ASSERT_TRUE(game.pressCloseBoxAndWaitForTheEnd());
    EXPECT_EQ(game.highScoreFile(), "[Quorrax]\r\nHighScore=0\r\n") << "a Battle leaves the high score as it was";
}

} // namespace
} // namespace quorrax::window
