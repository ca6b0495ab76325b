// SPDX-License-Identifier: MIT
#include "game_session.h"
#include "screens.h"

#include <QLibraryInfo>
#include <QStandardPaths>

// The game as a Wayland client of a Weston of the test's own, which shows its screen in a
// window of an X server of the test's own: xdotool's keys and clicks reach the game through
// the compositor as a player's do, and its screenshooter reads back what it shows.

namespace quorrax::window {
namespace {

QString missingForWayland()
{
    QStringList missing{missingHere(true)};
    for (const char *tool : {"weston", "weston-screenshooter"})
        missing << (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty() ? tool : "");
    if (!QFile::exists(QLibraryInfo::path(QLibraryInfo::PluginsPath) + "/platforms/libqwayland-generic.so"))
        missing << QStringLiteral("Qt's Wayland plugin (qt6-wayland)");
    return missing.filter(QRegularExpression(".")).join(QStringLiteral(", "));
}

// The built program under a Weston whose output scales by `scale`, in a folder of its own.
class WestonSession : public GameSession
{
public:
    WestonSession(const VirtualScreen &screen, int scale) : GameSession(screen, screen.scratch("game"), scale) {}
    ~WestonSession() override { m_game.stop(); } // before the compositor

    Result start()
    {
        const QString logs = m_screen.scratch(QStringLiteral("logs")), runtime = m_screen.scratch("runtime");
        QFile config(logs + "/weston.ini"); // no panel, so that the window fits a scaled output
        if (!config.open(QIODevice::WriteOnly) || config.write("[shell]\npanel-position=none\n") < 0)
            return testing::AssertionFailure() << "cannot write " << config.fileName().toStdString();
        config.close();
        const QStringList options = QString::asprintf("--backend=x11-backend.so --use-pixman --socket=quorrax-test "
                                                      "--idle-time=0 --debug --width=%d --height=%d --scale=%d",
                                                      1024 / m_scale, 768 / m_scale, m_scale)
                                        .split(' ')
                                    << "--config=" + config.fileName();
        // The pointer rests in a corner, where Weston's cursor covers nothing of the game.
        if (!xdotool({"mousemove", "0", "0"}) ||
            !m_weston.start(QStringLiteral("weston"), options, m_screen.environment(), logs + "/weston.log"))
            return testing::AssertionFailure() << "cannot start weston";
        for (const QDeadlineTimer deadline(waitMs); !QFile::exists(runtime + "/quorrax-test.lock");)
            if (deadline.hasExpired() || m_weston.waitForExit(50))
                return testing::AssertionFailure() << "weston did not start: " << m_weston.log().toStdString();
        m_wayland = m_screen.environment();
        m_wayland.remove(QStringLiteral("DISPLAY"));
        m_wayland.insert(QStringLiteral("WAYLAND_DISPLAY"), QStringLiteral("quorrax-test"));
        m_wayland.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
        Result title = startProgram(m_wayland);
        title = title ? waitFor("the title on the compositor's screen", titleScreen()) : title;
        // A click on the field gives it the keyboard.
        return title ? click({fieldWidth / 2, fieldHeight / 2}) : title;
    }

    // Waits until two screenshots in a row show `area` of the field alike (`alike`) or not.
    Result waitForStill(bool alike, const QRect &area)
    {
        Shot last;
        return waitFor(alike ? "the match held" : "the match going on", [&](const Shot &shot) {
            const Verdict same = last.client.isNull() ? Verdict{!alike, ""} : sameArea(last.client, shot.client, area);
            last = shot;
            return Verdict{same.ok == alike, same.seen};
        });
    }
    // A click at `at` in the field's coordinates, which may lie outside the field.
    Result click(QPoint at) { return clickAt(m_field + at * m_scale); }
    // The compositor ended under the game, as at the end of a session.
    void killCompositor() { m_weston.stop(); }

protected:
    // What the compositor shows; the field is found on it by the title's lettering.
    Verdict shoot(Shot &shot) override
    {
        const QString logs = m_screen.scratch(QStringLiteral("logs"));
        ChildProcess shooter;
        if (shooter.start(QStringLiteral("weston-screenshooter"), {}, m_wayland, logs + "/shot.log", false, logs))
            shooter.waitForExit(waitMs);
        for (const QString &name : QDir(logs).entryList({"wayland-screenshot-*.png"}))
            if (shot.screen.load(logs + "/" + name) && QFile::remove(logs + "/" + name))
                shot.screen = shot.screen.convertToFormat(QImage::Format_RGB32);
        if (shot.screen.isNull())
            return {false, "no screenshot: " + shooter.log().toStdString()};
        const QImage title = asset("title.png");
        const QPoint probe(303, 47); // a yellow pixel of the lettering
        const QSize size = QSize(fieldWidth, fieldHeight) * m_scale;
        for (int y = 0; m_field.x() < 0 && y + size.height() <= shot.screen.height(); ++y)
            for (int x = 0; m_field.x() < 0 && x + size.width() <= shot.screen.width(); ++x)
                if (shot.screen.pixel(QPoint(x, y) + probe * m_scale) == title.pixel(probe) &&
                    crispBlocks(shot.screen.copy(QRect({x, y}, size)), m_scale, &shot.client).ok &&
                    showsPicture(shot.client, title, {0, 0}, titleLettering).ok)
                    m_field = {x, y};
        if (m_field.x() < 0)
            return {false, "no title picture anywhere on the screen"};
        return crispBlocks(shot.screen.copy(QRect(m_field, size)), m_scale, &shot.client);
    }

private:
    QPoint m_field{-1, -1}; // on the screen
    QProcessEnvironment m_wayland;
    ChildProcess m_weston;
};

// At scale 1, a Battle: Help from the Game menu holds the match; red turns right and loses
// once it is closed. At scale 2, each field pixel a 2 x 2 block, and a Single
// with a new high score. Then the compositor ends under the game: the score is saved, and the
// status says that the end was not a normal one.
TEST(WaylandTest, ABattleHeldByHelpAndASingleOutlivedByTheirCompositor)
{
    if (const QString missing = missingForWayland(); !missing.isEmpty())
        GTEST_SKIP() << "not installed: " << missing.toStdString();
    for (const int scale : {1, 2}) {
        SCOPED_TRACE("scale " + std::to_string(scale));
        VirtualScreen screen;
        ASSERT_TRUE(screen.start());
        WestonSession game(screen, scale);
        ASSERT_TRUE(game.start());
        ASSERT_TRUE(game.key(QStringLiteral("Return")));
        ASSERT_TRUE(game.waitFor("the arrow at (70, 100)", arrowAt(100)));
        if (scale == 2) {
            ASSERT_TRUE(game.key(QStringLiteral("Return")));
            ASSERT_TRUE(game.waitFor("the red line moving up", redMovingUp()));
            ASSERT_TRUE(game.key(QStringLiteral("s z a"))); // right, down, then into its own trail
            ASSERT_TRUE(game.waitFor("a new high score", newHighScore()));
        } else {
            ASSERT_TRUE(game.key(QStringLiteral("Down Return")));
            ASSERT_TRUE(game.waitFor("the red line moving up", redMovingUp()));
            // "Game" is the menu bar's only menu, just above the field; "Help..." its first item.
            ASSERT_TRUE(game.click({20, -8}));
            ASSERT_TRUE(game.click({30, 10}));
            // Above the lines' starts and right of the menu, where Help does not lie.
            const QRect lines(170, 0, 120, 140);
            ASSERT_TRUE(game.waitForStill(true, lines));
            ASSERT_TRUE(game.key(QStringLiteral("Return")));
            ASSERT_TRUE(game.waitForStill(false, lines));
            // Weston gives the keyboard back to no window when a dialog closes: the player clicks.
            ASSERT_TRUE(game.click({fieldWidth - 20, fieldHeight - 20}));
            ASSERT_TRUE(game.key(QStringLiteral("s")));
            ASSERT_TRUE(game.waitFor("\"BLUE Won!\" after red turned right", blueWonAfterRedTurnedRight()));
        }
        game.killCompositor();
        ASSERT_TRUE(game.waitForTheEnd(1));
        EXPECT_TRUE(scale == 2 ? game.savedAHighScore() : game.highScoreFile() == "[Quorrax]\r\nHighScore=0\r\n")
            << "the file holds " << game.highScoreFile().toStdString();
    }
}

} // namespace
} // namespace quorrax::window
