// SPDX-License-Identifier: MIT
#include "game_session.h"
#include "screens.h"

// The game ended from outside after a new high score: the X server killed under it, as at
// the end of a session or a crash of it; its connection cut with xkill; its window destroyed
// by another client. Each time the score reaches the file before the program ends, and the
// exit status says that the end was not a normal one.

namespace quorrax::window {
namespace {

TEST(EndingTest, ANewHighScoreSurvivesTheDisplayGoingAway)
{
    if (const QString missing = missingHere(true); !missing.isEmpty())
        GTEST_SKIP() << "not installed: " << missing.toStdString();
    const struct {
        const char *name;
        int (*byAnotherClient)(Display *, unsigned long window); // null: the server is killed
        const char *told;                                        // what the game says of it, beside what Qt says
    } rows[] = {
        {"the X server killed", nullptr, ""},
        {"xkill", [](Display *x, unsigned long window) { return XKillClient(x, window); }, ""},
        {"the window destroyed", [](Display *x, unsigned long window) { return XDestroyWindow(x, window); },
         "quorrax: the window was destroyed by another program"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        VirtualScreen screen;
        ASSERT_TRUE(screen.start());
        GameSession game(screen, screen.scratch(QStringLiteral("game")));
        ASSERT_TRUE(game.start());
        ASSERT_TRUE(game.waitForFocus(game.window().id));
        ASSERT_TRUE(game.key(QStringLiteral("Return")));
        ASSERT_TRUE(game.waitFor("the mode screen",
                                 [](const Shot &s) { return showsText(s.client, "Single", 110, 100, 24, yellow); }));
        ASSERT_TRUE(game.key(QStringLiteral("Return")));
        ASSERT_TRUE(game.waitFor("the red line moving up", redMovingUp()));
        // Right, down, then left into its own trail.
        ASSERT_TRUE(game.key(QStringLiteral("s z a")));
        ASSERT_TRUE(game.waitFor("a new high score", newHighScore()));
        if (row.byAnotherClient) {
            const XDisplay x = game.display();
            row.byAnotherClient(x.get(), game.window().id);
            XSync(x.get(), False);
        } else {
            screen.kill();
        }
        ASSERT_TRUE(game.waitForTheEnd(1));
        EXPECT_TRUE(game.log().contains(QString::fromUtf8(row.told))) << game.log().toStdString();
        EXPECT_TRUE(game.savedAHighScore()) << "the file holds " << game.highScoreFile().toStdString();
    }
}

} // namespace
} // namespace quorrax::window
